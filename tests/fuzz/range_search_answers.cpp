// One answer of VLSDKWrapper's search as the IP-range page reads it: whatever
// the text, either it is refused with the record untouched, or every field is
// filled without crossing its end and each text field reads back.
#include "devices/DeviceTexts.h"
#include "search/RangeSearch.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The wrapper hands over a NUL-terminated text.
    const std::string text(reinterpret_cast<const char*>(data), size);
    SearchDevRsp r;
    std::memset(&r, 0x5A, sizeof r);
    if (!RangeSearch::recordFromJson(text.c_str(), r)) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(&r);
        for (std::size_t i = 0; i < sizeof r; ++i)
            if (bytes[i] != 0x5A)
                std::abort();
        return 0;
    }
    for (const QString& field :
        { recordText(r.sdk.ip), recordText(r.sdk.host_name), recordText(r.sdk.netmask),
            recordText(r.sdk.gateway), recordText(r.sdk.dns1), recordText(r.sdk.dns2),
            recordText(r.sdk.device_type), recordText(r.sdk.device_version), recordText(r.sdk.device_name),
            recordText(r.sdk.mac_addr), recordText(r.sdk.p2p_id), recordText(r.sdk.manufacture) }) {
        if (field.size() > 64)
            std::abort();
    }
    if (r.sdk.network_mode < 0 || r.sdk.network_mode > 5)
        std::abort();
    // What the answer cannot set stays zero.
    if (r.sdk.system_time.year != 0 || r.sdk.serialnum[0] != 0 || r.devId[0] != 0 || r.ipv6Text[0] != 0)
        std::abort();
    return 0;
}
