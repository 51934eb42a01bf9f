// What ONVIF clients send a simulated device: a WS-Discovery probe, or a
// SOAP request to its device service. Whatever comes in, the device's answer
// must be a well-formed SOAP envelope, and a change it accepts must be
// settings the store takes.
//   first byte % 2: 0 a probe datagram, 1 a device-service request;
//   second byte: which generated device answers
#include "fuzz.h"
#include "generate.h"
#include "onvif_device.h"
#include "soap/address.h"
#include "soap/envelope.h"

#include <cstdlib>

using namespace devsim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vlfuzz::Input in(data, size);
    const bool probe = in.byte() % 2 == 0;
    GenerateOptions options;
    options.inactivePercent = 0;
    options.onvifPercent = 100;
    Device device = generateDevice(in.byte() % 4, options);
    const std::string body = in.rest();
    if (probe) {
        if (auto p = vlsoap::parseProbe(body))
            if (answersProbe(device, *p)) {
                const std::string answer
                    = vlsoap::probeMatchesMessage("uuid:a", p->messageId, onvifProbeMatch(device));
                if (vlsoap::parseProbeMatches(answer).size() != 1)
                    std::abort();
            }
        return 0;
    }
    const OnvifAnswer answer = answerDeviceService(body, device, 1709251199);
    if (!vlsoap::parseEnvelope(answer.body))
        std::abort();
    if (answer.network
        && (!vlsoap::ipv4Bytes(answer.network->ip) || answer.network->webPort == 0
            || answer.network->webPort == answer.network->httpsPort))
        std::abort();
    return 0;
}
