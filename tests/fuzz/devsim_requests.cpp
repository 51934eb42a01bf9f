// What a client sends the device simulator: a session's LOGIN, a probe's
// filter, and multicast discovery datagrams that every simulated device
// reads (search, activation, update).
//   first byte % 3: 0 LOGIN payload, 1 probe filter, 2 a multicast datagram
#include "client_requests.h"
#include "devsim_fixture.h"
#include "fuzz.h"
#include "generate.h"
#include "multicast_responder.h"
#include "store.h"

#include <cstdio>

using namespace devsim;

namespace
{

struct Fixture {
    std::FILE* quiet = std::fopen("/dev/null", "w");
    EventLog log { quiet ? quiet : stderr };
    DeviceStore store;
    MulticastResponder responder { store, log };
    Fixture()
    {
        GenerateOptions options;
        options.count = 3;
        vlfuzz::addGeneratedDevices(store, options);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Fixture f;
    vlfuzz::Input in(data, size);
    const int kind = in.byte() % 3;
    const std::string rest = in.rest();
    if (kind == 0) {
        readLoginRequest(rest);
    } else if (kind == 1) {
        readProbeFilter(rest);
    } else {
        const MulticastOrigin origin { "v4", "10.0.0.9:5000", "239.255.255.250" };
        f.responder.handle(rest, f.store.ids(), origin);
    }
    return 0;
}
