// What a client asks a simulated device to reset: VLNet's 24-byte reset
// record and the "data" of the web interface's Reset/Set, read into one
// order without harm whatever they hold, and carried out on a device of a
// store without a scheduler (the move and the reboot at once).
//   first byte: the record's length (0 to 32), the record, then a JSON text
//   read as Reset/Set's "data"
#include "common/json.h"
#include "device_reset.h"
#include "fuzz.h"
#include "generate.h"
#include "store.h"

#include <cstdlib>

using namespace devsim;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    vlfuzz::Input in(data, size);
    const std::string record = in.bytes(in.byte() % 33);
    const std::string text = in.rest();

    DeviceStore store;
    const int id = store.add(generateDevice(1, GenerateOptions {}));
    ResetOrder order;
    std::string why;
    if (resetOrderFromRecord(
            reinterpret_cast<const std::uint8_t*>(record.data()), record.size(), &order, &why)) {
        Json::Value note;
        carryOutReset(store, id, order, 0, note);
    } else if (why.empty()) {
        std::abort();
    }

    Json::Value root;
    if (!vljson::parse(text, root))
        return 0;
    ResetProfile profile;
    store.read(id, [&](const Device& d) { profile = d.reset; });
    std::vector<std::string> ignored;
    why.clear();
    if (resetOrderFromWeb(profile, vljson::member(root, "data"), &order, &ignored, &why)) {
        Json::Value note;
        carryOutReset(store, id, order, 0, note);
        for (const auto& c : order.categories) {
            if (c != "channel" && c != "record" && c != "event" && c != "ai" && c != "device" && c != "system"
                && c != "alarm" && c != "pairing")
                std::abort();
        }
    } else if (why.empty()) {
        std::abort();
    }
    return 0;
}
