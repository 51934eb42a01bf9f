// What a device sends the VLNet stand-in, frame by frame as it comes off a
// session: the header, then by command the greeting, the login answer (and
// the record a caller reads after it), a device message, a reply, or (for
// the probe command) the whole frame as the answer datagram of a search. A
// parameter query's reply is read as whole records of the sizes its
// sequence number gives (low 16 bits the header size, high the record size).
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
        case vlwire::kQueryParam:
            if (auto reply = readReply(payload)) {
                const auto records = readParamRecords(reply->data, h->sequence & 0xFFFF, h->sequence >> 16);
                // Touch the last byte of each part: the sanitizers see a
                // read past the reply.
                volatile std::uint8_t sink = 0;
                if (records && records->header)
                    sink = records->header[(h->sequence & 0xFFFF) - 1];
                for (std::size_t i = 0; records && i < records->count; ++i)
                    sink = records->record(i)[records->recordSize - 1];
                (void)sink;
            }
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
