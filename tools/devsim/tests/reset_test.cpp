// Restoring a simulated device's defaults without a network: what a device
// offers, the reset record of message 521 and the web interface's Reset/Set
// read into one order, what each category resets, the factory address and
// the accounts, and the profile in the device's state.
#include "common/json.h"
#include "device_reset.h"
#include "generate.h"
#include "param_messages.h"
#include "state_json.h"
#include "store.h"
#include "support/lab.h"
#include "vlnet.h"
#include "web_reset.h"

#include <cstring>
#include <gtest/gtest.h>
#include <set>

using namespace devsim;

namespace
{

Json::Value json(const std::string& text)
{
    Json::Value v;
    EXPECT_TRUE(vljson::parse(text, v)) << text;
    return v;
}

std::vector<std::uint8_t> record(std::initializer_list<int> flags)
{
    std::vector<std::uint8_t> r(VLNET_PARAM_RESET_SIZE, 0);
    r[0] = VLNET_PARAM_RESET_SIZE;
    int at = 4;
    for (int f : flags)
        r[std::size_t(at++)] = std::uint8_t(f);
    return r;
}

std::set<std::string> categoriesOf(const ResetOrder& o)
{
    return o.categories;
}

int firstOf(Kind kind)
{
    for (int n = 0;; ++n) {
        if (generateDevice(n, GenerateOptions {}).kind == kind)
            return n;
    }
}

} // namespace

TEST(DeviceReset, EveryDeviceHasItsOwnFactoryAddressInTheLabRange)
{
    std::set<std::string> factory;
    std::set<std::string> generated;
    for (int n = 0; n < 2000; ++n) {
        factory.insert(factoryIp4(n));
        generated.insert(vltest::Lab::deviceIp4(n));
    }
    EXPECT_EQ(factory.size(), 2000u);
    for (const auto& ip : factory) {
        EXPECT_EQ(generated.count(ip), 0u) << ip;
        EXPECT_EQ(ip.rfind("192.168.", 0), 0u) << ip;
        EXPECT_NE(ip.rfind("192.168.0.", 0), 0u) << ip; // the lab's own block
    }
    EXPECT_EQ(factoryIp4(0), "192.168.254.1");
    EXPECT_EQ(factoryIp4(251), "192.168.253.2");

    const Device camera = generateDevice(firstOf(Kind::Ipc), GenerateOptions {});
    const Device recorder = generateDevice(firstOf(Kind::Nvr), GenerateOptions {});
    auto offers = [](const Device& d, const char* item) {
        return std::find(d.reset.items.begin(), d.reset.items.end(), item) != d.reset.items.end();
    };
    EXPECT_TRUE(offers(camera, "storage"));
    EXPECT_FALSE(offers(camera, "device"));
    EXPECT_TRUE(offers(recorder, "device"));
    EXPECT_FALSE(offers(recorder, "storage"));
    EXPECT_TRUE(offers(recorder, "secondary_authentication"));
    EXPECT_EQ(camera.reset.factoryNet.ip, factoryIp4(firstOf(Kind::Ipc)));
}

TEST(DeviceReset, TheResetRecordNamesCategoriesAndANetworkMode)
{
    struct Case {
        std::vector<std::uint8_t> bytes;
        std::set<std::string> categories;
        ResetOrder::Network network;
    } cases[] = {
        { record({ 1, 1, 1, 1, 1, 1, 1, 1, 0 }),
            { "channel", "record", "alarm", "device", "system", "event", "ai" }, ResetOrder::Network::All },
        { record({ 1, 1, 2, 1, 1, 1, 1, 1, 1 }),
            { "channel", "record", "alarm", "device", "system", "event", "ai", "pairing" },
            ResetOrder::Network::ExceptParams },
        { record({ 0, 0, 0, 0, 0, 1 }), { "system" }, ResetOrder::Network::Keep },
        { record({}), {}, ResetOrder::Network::Keep },
    };
    for (const Case& c : cases) {
        ResetOrder o;
        std::string why;
        ASSERT_TRUE(resetOrderFromRecord(c.bytes.data(), c.bytes.size(), &o, &why)) << why;
        EXPECT_EQ(categoriesOf(o), c.categories);
        EXPECT_EQ(o.network, c.network);
        EXPECT_FALSE(o.accounts); // VLNet's reset keeps the accounts
    }
    ResetOrder o;
    auto bad = record({ 0, 0, 3 });
    EXPECT_FALSE(resetOrderFromRecord(bad.data(), bad.size(), &o, nullptr));
    auto shortRecord = record({});
    EXPECT_FALSE(resetOrderFromRecord(shortRecord.data(), 20, &o, nullptr));
    auto wrongSize = record({});
    wrongSize[0] = 20;
    EXPECT_FALSE(resetOrderFromRecord(wrongSize.data(), wrongSize.size(), &o, nullptr));
}

TEST(DeviceReset, TheWebItemsAndFactoryTypes)
{
    ResetProfile camera = defaultResetProfile(Kind::Ipc, 0, Network {});
    struct Case {
        const char* data;
        std::set<std::string> categories;
        ResetOrder::Network network;
        bool accounts;
        std::vector<std::string> ignored;
    } cases[] = {
        { R"({"channel":true,"record":false,"storage":true,"device":true})", { "channel", "device" },
            ResetOrder::Network::Keep, false, { "device" } },
        { R"({"network":true,"except_network_param":false})", {}, ResetOrder::Network::All, false, {} },
        { R"({"network":true,"except_network_param":true})", {}, ResetOrder::Network::ExceptParams, false,
            {} },
        { R"({"network":false,"except_network_param":true})", {}, ResetOrder::Network::Keep, false, {} },
        { R"({"base_secondary_authentication":{}})", {}, ResetOrder::Network::Keep, false, {} },
        { R"({"factory_type":"restore_defaults"})",
            { "channel", "record", "event", "ai", "device", "system", "alarm", "pairing" },
            ResetOrder::Network::ExceptParams, false, {} },
        { R"({"factory_type":"restore_to_inactive"})",
            { "channel", "record", "event", "ai", "device", "system", "alarm", "pairing" },
            ResetOrder::Network::ExceptParams, true, {} },
        { R"({"factory_type":"factory_defaults"})",
            { "channel", "record", "event", "ai", "device", "system", "alarm", "pairing" },
            ResetOrder::Network::All, true, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.data);
        ResetOrder o;
        std::vector<std::string> ignored;
        std::string why;
        ASSERT_TRUE(resetOrderFromWeb(camera, json(c.data), &o, &ignored, &why)) << why;
        EXPECT_EQ(o.categories, c.categories);
        EXPECT_EQ(o.network, c.network);
        EXPECT_EQ(o.accounts, c.accounts);
        EXPECT_EQ(ignored, c.ignored);
    }
    // A device without "except_network_param" resets its whole network.
    ResetProfile plain = camera;
    plain.items.erase(std::find(plain.items.begin(), plain.items.end(), "except_network_param"));
    ResetOrder o;
    ASSERT_TRUE(resetOrderFromWeb(
        plain, json(R"({"network":true,"except_network_param":true})"), &o, nullptr, nullptr));
    EXPECT_EQ(o.network, ResetOrder::Network::All);

    for (const char* refused : { R"({"factory_type":"restore_to_inactive_v2"})", R"({"factory_type":1})",
             R"({"channel":1})", R"({"network":"true"})", "[true]", "null" }) {
        std::string why;
        EXPECT_FALSE(resetOrderFromWeb(camera, json(refused), &o, nullptr, &why)) << refused;
        EXPECT_FALSE(why.empty());
    }
}

TEST(DeviceReset, AResetChangesWhatItsCategoriesHold)
{
    DeviceStore store; // no scheduler: the move and the reboot come at once
    const int n = firstOf(Kind::Nvr);
    Device d = generateDevice(n, GenerateOptions {});
    d.channels[0].name = "Door";
    d.params[{ VLNET_PARAM_OSD, 0 }] = { 1, 2 };
    d.params[{ VLNET_PARAM_MAIN_STREAM, 1 }] = { 3 };
    d.params[{ VLNET_PARAM_TIME, 0 }] = { 4 };
    d.params[{ VLNET_PARAM_USERS, 0 }] = { 5 };
    d.params[{ VLNET_PARAM_DEVICE_INFO, 0 }] = { 6 };
    d.time.zone = 3;
    d.time.ntp = true;
    d.time.offsetMs = 5000;
    const std::string mac = d.mac;
    const std::string ip = d.net.ip;
    const int id = store.add(d);

    // Channels only: names and the channel records; nothing else moves.
    ResetOrder channels;
    channels.categories = { "channel" };
    Json::Value note;
    carryOutReset(store, id, channels, 0, note);
    store.read(id, [&](const Device& r) {
        EXPECT_EQ(r.channels[0].name, "CH1");
        EXPECT_EQ(r.params.count({ VLNET_PARAM_OSD, 0 }), 0u);
        EXPECT_EQ(r.params.count({ VLNET_PARAM_MAIN_STREAM, 1 }), 0u);
        EXPECT_EQ(r.params.count({ VLNET_PARAM_TIME, 0 }), 1u);
        EXPECT_EQ(r.time.zone, 3);
        EXPECT_EQ(r.net.ip, ip);
        EXPECT_TRUE(r.activated);
        EXPECT_EQ(r.boots, 1); // rebooted
    });
    EXPECT_EQ(note["reset"]["cleared"], json("[570, 573]"));

    // The whole factory state: the factory address, not activated, the
    // factory's admin only; the product's own records stay.
    ResetOrder factory;
    ASSERT_TRUE(resetOrderFromWeb(
        d.reset, json(R"({"factory_type":"factory_defaults"})"), &factory, nullptr, nullptr));
    note = Json::Value();
    carryOutReset(store, id, factory, 0, note);
    store.read(id, [&](const Device& r) {
        EXPECT_EQ(r.net.ip, factoryIp4(n));
        EXPECT_EQ(r.net.gateway, "192.168.0.1");
        EXPECT_EQ(r.mac, mac);
        EXPECT_FALSE(r.activated);
        ASSERT_EQ(r.users.size(), 1u);
        EXPECT_EQ(r.users[0].name, "admin");
        EXPECT_TRUE(r.users[0].password.empty());
        EXPECT_EQ(r.params.count({ VLNET_PARAM_TIME, 0 }), 0u);
        EXPECT_EQ(r.params.count({ VLNET_PARAM_USERS, 0 }), 0u);
        EXPECT_EQ(r.params.count({ VLNET_PARAM_DEVICE_INFO, 0 }), 1u);
        EXPECT_EQ(r.time.zone, 14);
        EXPECT_FALSE(r.time.ntp);
        EXPECT_EQ(r.time.offsetMs, 5000); // the clock runs on
        EXPECT_EQ(r.boots, 2);
    });
    EXPECT_EQ(note["reset"]["factory_ip"].asString(), factoryIp4(n));
    EXPECT_EQ(store.findByIp(factoryIp4(n)), std::optional<int>(id));

    // Nothing asked: nothing reset, no reboot.
    carryOutReset(store, id, ResetOrder {}, 0, note);
    store.read(id, [&](const Device& r) { EXPECT_EQ(r.boots, 2); });
}

TEST(DeviceReset, RangeAndSetOfTheWebInterface)
{
    DeviceStore store;
    EventLog log;
    WebReset web(store, log, 0);
    const int n = firstOf(Kind::Ipc);
    Device d = generateDevice(n, GenerateOptions {});
    const int id = store.add(d);

    const Json::Value range = web.range(id);
    EXPECT_TRUE(range["device"].isNull());
    EXPECT_TRUE(range.isMember("device"));
    EXPECT_EQ(range["storage"]["type"].asString(), "boolean");
    EXPECT_TRUE(range["secondary_authentication"].asBool());
    EXPECT_EQ(range["factory_type"]["items"],
        json(R"(["restore_defaults","restore_to_inactive","factory_defaults"])"));
    EXPECT_TRUE(web.range(99).isNull());

    httplib::Request request;
    HeaderList headers;
    auto call = [&](const char* data, const char* auth) {
        WebCall c(store, id, d.net.ip, false, 80, request, headers);
        c.json = json(std::string(R"({"version":"1.0","data":)") + data + "}");
        c.secrets.secondaryAuth = auth;
        return web.set(c);
    };
    // Without a good second authentication nothing happens.
    EXPECT_EQ(call(R"({"factory_type":"restore_to_inactive"})", "wrong").status, 403);
    EXPECT_EQ(call(R"({"factory_type":"restore_to_inactive"})", "").status, 403);
    EXPECT_EQ(call(R"({"factory_type":"other"})", "ok").status, 400);
    store.read(id, [&](const Device& r) { EXPECT_TRUE(r.activated); });
    // Back to inactive: at its address still.
    EXPECT_EQ(call(R"({"factory_type":"restore_to_inactive"})", "ok").status, 200);
    store.read(id, [&](const Device& r) {
        EXPECT_FALSE(r.activated);
        EXPECT_EQ(r.net.ip, d.net.ip);
    });

    // A device that asks for no second authentication takes the reset
    // without one.
    store.modify(id, [](Device& r) {
        r.reset.items = { "network", "channel" };
        r.reset.factoryTypes.clear();
    });
    EXPECT_EQ(call(R"({"network":true})", "").status, 200);
    store.read(id, [&](const Device& r) { EXPECT_EQ(r.net.ip, factoryIp4(n)); });
    EXPECT_FALSE(web.range(id).isMember("factory_type"));
}

TEST(DeviceReset, TheProgramsFactoryResetWithoutVersionEndsNotActivatedAtTheFactoryAddress)
{
    // The video-format page's bodies: the nine items ("vc" software) or a
    // factory type ("VC"), each without "version"; with "version" the same
    // items keep the accounts.
    struct Case {
        const char* body;
        bool factory;
    } cases[] = {
        { R"({"data":{"channel":true,"record":true,"event":true,"ai":true,"network":true,"device":true,)"
          R"("storage":true,"system":true,"alarm":true}})",
            true },
        { R"({"data":{"factory_type":"factory_defaults"}})", true }, { R"({"data":{"channel":true}})", true },
        { R"({"version":"1.0","data":{"channel":true,"network":true}})", false },
        { R"({"data":{}})", false }, // nothing named: nothing reset
    };
    for (const Kind kind : { Kind::Ipc, Kind::Nvr }) {
        for (const Case& c : cases) {
            SCOPED_TRACE(c.body);
            DeviceStore store;
            EventLog log;
            WebReset web(store, log, 0);
            const int n = firstOf(kind);
            const Device d = generateDevice(n, GenerateOptions {});
            const int id = store.add(d);
            httplib::Request request;
            HeaderList headers;
            WebCall call(store, id, d.net.ip, false, 80, request, headers);
            call.json = json(c.body);
            call.secrets.secondaryAuth = "ok";
            ASSERT_EQ(web.set(call).status, 200);
            EXPECT_EQ(call.note.isMember("factory_reset"), c.factory);
            store.read(id, [&](const Device& r) {
                EXPECT_EQ(r.activated, !c.factory);
                if (c.factory) {
                    ASSERT_EQ(r.users.size(), 1u);
                    EXPECT_EQ(r.users[0].name, "admin");
                    EXPECT_TRUE(r.users[0].password.empty());
                    EXPECT_EQ(r.net.ip, factoryIp4(n));
                    EXPECT_EQ(r.boots, d.boots + 1);
                }
            });
        }
    }
}

TEST(DeviceReset, TheProfileIsPartOfTheState)
{
    Device d = generateDevice(3, GenerateOptions {});
    const Json::Value saved = deviceToJson(d, false);
    EXPECT_EQ(saved["reset"]["factory_network"]["ip"].asString(), factoryIp4(3));
    Device back = generateDevice(5, GenerateOptions {});
    std::string error;
    ASSERT_TRUE(applyDeviceJson(back, saved, &error)) << error;
    EXPECT_EQ(back.reset.items, d.reset.items);
    EXPECT_EQ(back.reset.factoryNet.ip, factoryIp4(3));

    ASSERT_TRUE(applyDeviceJson(back,
        json(R"({"reset":{"items":["record"],"factory_types":[],"factory_network":{"ip":"192.168.77.7"}}})"),
        &error))
        << error;
    EXPECT_EQ(back.reset.items, std::vector<std::string> { "record" });
    EXPECT_TRUE(back.reset.factoryTypes.empty());
    EXPECT_EQ(back.reset.factoryNet.ip, "192.168.77.7");
    EXPECT_EQ(back.reset.factoryNet.gateway, "192.168.0.1"); // kept

    for (const char* bad : { R"({"reset":{"items":["nothing"]}})", R"({"reset":{"items":"record"}})",
             R"({"reset":{"factory_types":[""]}})", R"({"reset":{"factory_network":{"dhcp":1}}})",
             R"({"reset":[]})" }) {
        Device copy = back;
        EXPECT_FALSE(applyDeviceJson(copy, json(bad), &error)) << bad;
        EXPECT_EQ(copy.reset.items, back.reset.items) << bad;
    }
}

TEST(DeviceReset, TheResetRecordThroughTheRegistryOfParameterMessages)
{
    setResetRebootMs(0);
    DeviceStore store;
    const int n = firstOf(Kind::Nvr);
    Device d = generateDevice(n, GenerateOptions {});
    d.params[{ VLNET_PARAM_OSD, 2 }] = { 1 };
    const std::string ip = d.net.ip;
    const int id = store.add(d);
    auto payload = [](const std::vector<std::uint8_t>& rec) {
        std::vector<std::uint8_t> p(16, 0);
        const std::uint32_t words[] = { VLNET_PARAM_RESET, 0, VLNET_PARAM_RESET_SIZE, 1 };
        std::memcpy(p.data(), words, sizeof words);
        p.insert(p.end(), rec.begin(), rec.end());
        return p;
    };
    ASSERT_NE(findParamMessage(VLNET_PARAM_RESET), nullptr);
    EXPECT_EQ(findParamMessage(VLNET_PARAM_RESET)->read, nullptr); // write only

    Json::Value note;
    EXPECT_EQ(writeParam(store, id, "admin", payload(record({ 0, 0, 7 })), note), -2);
    EXPECT_FALSE(note["error"].asString().empty());
    store.read(id, [&](const Device& r) { EXPECT_EQ(r.boots, 0); });

    // Display and the network without its settings: the address stays.
    note = Json::Value();
    EXPECT_EQ(writeParam(store, id, "admin", payload(record({ 1, 0, 2 })), note), 0);
    EXPECT_EQ(note["reset"]["network"].asString(), "except_params");
    store.read(id, [&](const Device& r) {
        EXPECT_EQ(r.params.count({ VLNET_PARAM_OSD, 2 }), 0u);
        EXPECT_EQ(r.net.ip, ip);
        EXPECT_TRUE(r.activated);
        EXPECT_EQ(r.boots, 1);
    });
    // The whole network: the factory address; the accounts stay.
    EXPECT_EQ(writeParam(store, id, "admin", payload(record({ 0, 0, 1 })), note), 0);
    store.read(id, [&](const Device& r) {
        EXPECT_EQ(r.net.ip, factoryIp4(n));
        EXPECT_TRUE(r.activated);
        EXPECT_GT(r.users.size(), 1u);
    });
    setResetRebootMs(30000);
}
