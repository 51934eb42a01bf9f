// What a client sends a simulated device in the session commands beyond the
// login: the network change (read raw, or sealed properly so that the
// record itself is read), PTZ, the snapshot, parameter writes and queries.
//   first byte % 6: 0 a raw SET_NEW_DEV_INFO payload, 1 a record sealed for
//   device 0's admin (its user slot, then the rest as the record), 2 a
//   PTZ_CONTROL payload, 3 a CAPTURE payload, 4 a SET_PARAM payload, 5 a
//   QUERY_PARAM payload
#include "device_commands.h"
#include "devsim_fixture.h"
#include "fuzz.h"
#include "generate.h"
#include "param_messages.h"
#include "store.h"
#include "wire.h"

using namespace devsim;

namespace
{

const std::string kNonce = "0123456789abcdef0123456789abcdef";

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
    const int kind = in.byte() % 6;
    std::string rest = in.rest();
    Json::Value note(Json::objectValue);
    if (kind == 1) {
        // The user slot names admin; the record is the input, sealed with
        // admin's password, so that its fields are read.
        std::string slot(64, '\0');
        slot.replace(0, 5, "admin");
        const auto sealed = vlwire::sealRecord(kNonce, GenerateOptions().password, rest);
        rest = slot + sealed.value_or(std::string());
    }
    const std::vector<std::uint8_t> payload(rest.begin(), rest.end());
    if (kind <= 1) {
        networkChange(f.store, 0, kNonce, payload, note);
    } else if (kind == 2) {
        ptzControl(f.store, 0, "admin", payload, note);
    } else if (kind == 4) {
        setParam(f.store, 0, "admin", payload, note);
    } else if (kind == 5) {
        std::vector<std::uint8_t> data;
        queryParam(f.store, 0, "admin", payload, note, data);
    } else {
        std::vector<std::uint8_t> picture;
        capture(f.store, 0, "admin", payload, note, picture);
    }
    vlfuzz::check_output_json(vljson::write_compact(note).c_str());
    return 0;
}
