// What a device sends the VLNet stand-in, frame by frame as it comes off a
// session: the header, then by command the greeting, the login answer (and
// the record a caller reads after it), a device message, a reply, or (for
// the probe command) the whole frame as the answer datagram of a search.
#include "decode.h"
#include "fuzz.h"
#include "probe_answer.h"
#include "wire.h"

#include <algorithm>

using namespace vlnet;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vlfuzz::Input in(data, size);
    while (!in.empty()) {
        const std::string header = in.bytes(vlwire::kHeaderSize);
        if (header.size() < vlwire::kHeaderSize)
            return 0;
        const auto h = vlwire::decodeHeader(reinterpret_cast<const std::uint8_t*>(header.data()));
        if (!h)
            return 0; // the stand-in drops the session here
        const std::string body = in.bytes(std::min<std::uint32_t>(h->length, 1 << 16));
        const Bytes payload(body.begin(), body.end());
        switch (h->command) {
        case vlwire::kHello:
            helloNonce(payload);
            break;
        case vlwire::kLogin:
            if (auto answer = readLoginAnswer(payload)) {
                VLNET_HTTP_DEVICE_INFO record;
                fillHttpRecord(*answer, { "camera", "10.0.0.1", 9000, "admin" }, record);
                if (!answer->deviceInfo.empty())
                    vlfuzz::check_output_json(answer->deviceInfo.c_str());
                if (!answer->channelInfo.empty())
                    vlfuzz::check_output_json(answer->channelInfo.c_str());
            }
            break;
        case vlwire::kMessage:
            readMessage(payload);
            break;
        case vlwire::kProbe: {
            const std::string datagram = header + body;
            ProbeAnswer answer;
            readProbeAnswer(datagram.data(), datagram.size(), &answer);
            break;
        }
        default:
            readReply(payload);
            break;
        }
    }
    return 0;
}
