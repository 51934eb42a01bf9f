// One answer of the multicast search as the program's receivers read it (the
// text VLSDKWrapper hands their callback): whatever the text, the record's
// fields are filled without crossing their ends, each text field reads back,
// and the limits handed on are a JSON object.
#include "common/json.h"
#include "devices/DeviceTexts.h"
#include "search/MulticastSearch.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The wrapper hands over a NUL-terminated text.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const MulticastAnswer answer = parseMulticastAnswer(text.c_str());
    if (answer.kind != MulticastAnswer::Kind::Device) {
        if (!answer.limits.isEmpty())
            std::abort();
        return 0;
    }
    const SearchDevRsp& r = answer.record;
    for (const QString& field : { recordText(r.sdk.ip), recordText(r.sdk.netmask), recordText(r.sdk.gateway),
             recordText(r.sdk.dns1), recordText(r.sdk.dns2), recordText(r.sdk.device_type),
             recordText(r.sdk.device_version), recordText(r.sdk.device_name), recordText(r.sdk.mac_addr),
             recordText(r.sdk.p2p_id), recordText(r.sdk.manufacture), recordText(r.sdk.serialnum),
             recordText(r.devId), recordText(r.devEnc), recordText(r.ipv6Text) }) {
        if (field.size() > 64)
            std::abort();
    }
    if (r.sdk.is_first_login != 0 && r.sdk.is_first_login != 1)
        std::abort();
    if (r.sdk.network_mode < 0 || r.sdk.network_mode > 5)
        std::abort();
    Json::Value limits;
    if (!answer.limits.isEmpty()
        && !vljson::parse_object(answer.limits.toStdString(), limits, vljson::syntax::strict))
        std::abort();
    return 0;
}
