// What a client writes into a simulated device's stream and OSD settings,
// over the web (a JSON body for each write path, an OSD read's channel list)
// and as VLNet records of any bytes: refused or taken, never a crash, and
// what is taken is settings the device offers (its state reads back and
// applies again, its records build).
//   first byte: which write (0..4), then the body or the record's bytes
#include "common/json.h"
#include "devsim_fixture.h"
#include "fuzz.h"
#include "state_json.h"
#include "stream_osd.h"

#include <cstdlib>
#include <cstring>

using namespace devsim;

namespace
{

Device recorder()
{
    GenerateOptions options;
    Device d = generateDevice(0, options);
    d.channels.resize(4);
    return d;
}

void checkSettled(const Device& d)
{
    Device copy = recorder();
    Json::Value channels(Json::objectValue);
    channels["channels"] = deviceToJson(d, false)["channels"];
    std::string error;
    if (!applyDeviceJson(copy, channels, &error))
        std::abort();
    for (int c = 0; c < int(d.channels.size()); ++c) {
        for (int s = 0; s < kStreamCount; ++s)
            (void)streamRecord(d, s, c);
        (void)osdRecord(d, c);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vlfuzz::Input in(data, size);
    const int which = in.byte() % 5;
    const std::string rest = in.rest();
    Device d = recorder();
    std::string why;
    if (which < 3) {
        Json::Value body;
        if (!vljson::parse(rest, body))
            return 0;
        const Json::Value data = body.isObject() ? body["data"] : body;
        if (which == 0)
            applyWebStream(d, int(rest.size() % kStreamCount), data, &why);
        else if (which == 1)
            applyWebOsd(d, data, &why);
        else if (body.isObject())
            (void)webOsd(d, body);
    } else if (which == 3) {
        VLNET_STREAM_PARAM r {};
        std::memcpy(&r, rest.data(), std::min(rest.size(), sizeof r));
        applyStreamRecord(d, int(rest.size() % kStreamCount), int(rest.size() % 4), r, &why);
    } else {
        VLNET_OSD_PARAM r {};
        std::memcpy(&r, rest.data(), std::min(rest.size(), sizeof r));
        applyOsdRecord(d, int(rest.size() % 4), r, &why);
    }
    checkSettled(d);
    return 0;
}
