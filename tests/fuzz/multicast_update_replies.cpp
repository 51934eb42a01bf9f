// One reply of VLSDKWrapper's multicast network update as the program reads
// it: whatever the text, it is either dropped or read as one of the update's
// result codes, and never as another device's result.
#include "devices/DeviceEvents.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The wrapper hands over a NUL-terminated text.
    const std::string text(reinterpret_cast<const char*>(data), size);
    const QString id = QStringLiteral("ZGV2aWNlLWlk");
    for (const int lastStatus : { 0, kNeedAuthStatus }) {
        const int code = updateReplyCode(text.c_str(), id, lastStatus);
        if (code == -1)
            continue;
        if (code < MultiSuccess || code > MultiNeedAuthAgain)
            std::abort();
        if (code == MultiNeedAuthAgain && lastStatus != kNeedAuthStatus)
            std::abort();
        // A result for this device is no answer of another one.
        if (code != MultiNoResponse
            && updateReplyCode(text.c_str(), QStringLiteral("other"), lastStatus) != MultiNoResponse)
            std::abort();
    }
    return 0;
}
