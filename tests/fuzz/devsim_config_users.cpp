// What a client sends a simulated device for its configuration and its
// users: a PARAM_IMPORT payload, the web interface's configuration text,
// and a write of message 505's user records. Whatever comes, the device
// takes it whole or changes nothing, and its notes stay JSON.
//   first byte % 3: 0 a PARAM_IMPORT payload, 1 a ParamManagement/Set
//   "param" text, 2 user records (device 0's layout flips with the second
//   byte's low bit)
#include "device_config.h"
#include "devsim_fixture.h"
#include "fuzz.h"
#include "generate.h"
#include "store.h"
#include "user_records.h"
#include "vlnet.h"

#include <cstdlib>

using namespace devsim;

namespace
{

struct Fixture {
    DeviceStore store;
    Fixture()
    {
        GenerateOptions options;
        options.count = 2;
        options.inactivePercent = 0;
        vlfuzz::addGeneratedDevices(store, options);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Fixture f;
    vlfuzz::Input in(data, size);
    const int kind = in.byte() % 3;
    const bool c32 = (in.byte() & 1) != 0;
    const std::string rest = in.rest();
    Json::Value note(Json::objectValue);
    if (kind == 0) {
        const std::vector<std::uint8_t> payload(rest.begin(), rest.end());
        paramImport(f.store, 1, "admin", payload, note);
    } else if (kind == 1) {
        const std::string config = webConfigData(rest);
        f.store.modify(1, [&](Device& d) {
            Device copy = d;
            std::string error;
            if (applyConfigData(copy, config, &error))
                d = std::move(copy);
        });
    } else {
        f.store.modify(0, [&](Device& d) { d.recordFields["c32PasswordFlag"] = c32 ? 1 : 0; });
        writeUserRecords(f.store, 0, "admin", rest, note);
        // Whatever was written, every user still has a password the device
        // can give back in its records.
        f.store.read(0, [](const Device& d) {
            if (userRecords(d).size() != d.users.size() * sizeof(VLNET_USER_RECORD))
                std::abort();
        });
    }
    vlfuzz::check_output_json(vljson::write_compact(note).c_str());
    return 0;
}
