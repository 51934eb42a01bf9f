// What a client sends a simulated device's factory side: the first
// password (FirstLogin/Password/Set, with whatever password the web secrets
// opened), Customfactory/Set's "data", the program's factory reset
// (Reset/Set with or without "version") and VLNet's device-information
// record (message 700), read without harm whatever they hold, on a device of
// a store without a scheduler (reboots at once).
//   first byte: bit 0 the device is activated, bit 1 the password opened,
//   bit 2 the record is 1032 bytes long; the opened password and the
//   record as pieces, then a JSON text read as each request's body.
#include "common/json.h"
#include "custom_factory.h"
#include "fuzz.h"
#include "generate.h"
#include "store.h"
#include "vlnet.h"
#include "web_reset.h"

#include <cstdio>
#include <cstdlib>

using namespace devsim;

namespace
{

struct Fixture {
    std::FILE* quiet = std::fopen("/dev/null", "w");
    EventLog log { quiet ? quiet : stderr };
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Fixture f;
    vlfuzz::Input in(data, size);
    const unsigned bits = in.byte();
    const std::string password = in.piece();
    std::string recordText = in.piece();
    if (bits & 4)
        recordText.resize(VLNET_PARAM_DEVICE_INFO_SIZE);
    Json::Value body;
    if (!vljson::parse(in.rest(), body))
        body = Json::Value(Json::objectValue);

    DeviceStore store;
    Device generated = generateDevice(1, GenerateOptions {});
    generated.activated = (bits & 1) != 0;
    const int id = store.add(generated);
    CustomFactory factory(store, f.log, "tavik", 0);
    WebReset reset(store, f.log, 0);
    httplib::Request request;
    HeaderList headers;
    auto call = [&] {
        WebCall c(store, id, generated.net.ip, false, 80, request, headers);
        c.json = body;
        c.secrets.encPassword = (bits & 2) ? "ok" : "wrong";
        c.secrets.secondaryAuth = "ok";
        c.secrets.password = password;
        return c;
    };

    {
        WebCall c = call();
        const WebAnswer answer = factory.firstLogin(c);
        store.read(id, [&](const Device& d) {
            const User* account = d.findUser("tavik");
            if (answer.status == 200
                && (generated.activated || !d.activated || !account || account->password != password))
                std::abort();
            if (answer.status != 200 && d.activated != generated.activated)
                std::abort();
        });
    }
    {
        Device before;
        store.read(id, [&](const Device& d) { before = d; });
        WebCall c = call();
        const WebAnswer answer = factory.set(c);
        store.read(id, [&](const Device& d) {
            if (answer.status != 200
                && (d.name != before.name || d.model != before.model || d.videoFormat != before.videoFormat))
                std::abort();
            if (d.videoFormat != 0 && d.videoFormat != 1)
                std::abort();
        });
    }
    {
        WebCall c = call();
        const WebAnswer answer = reset.set(c);
        const bool factoryReset = c.note.isMember("factory_reset");
        store.read(id, [&](const Device& d) {
            if (answer.status == 200 && factoryReset && d.activated)
                std::abort();
        });
    }

    const std::vector<std::uint8_t> record(recordText.begin(), recordText.end());
    Json::Value note;
    store.modify(id, [&](Device& d) {
        applyDeviceInfoRecord(d, record, note);
        // Each text from its 32-byte field, never past it.
        if ((note.isMember("device_name") && d.name.size() > VLNET_DEVICE_INFO_TEXT_SIZE)
            || (note.isMember("device_type") && d.model.size() > VLNET_DEVICE_INFO_TEXT_SIZE))
            std::abort();
    });
    return 0;
}
