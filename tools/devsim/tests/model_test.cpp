// The device model: generated devices, the state file, the store's one place
// for moves, and the records built from a device.
#include "common/json.h"
#include "generate.h"
#include "keys.h"
#include "record_fields.h"
#include "records.h"
#include "simulator.h"
#include "state_json.h"
#include "store.h"
#include "support/lab.h"

#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <json/reader.h>
#include <json/writer.h>
#include <set>
#include <sstream>

using namespace devsim;

namespace
{

std::string text(const Json::Value& v)
{
    return vljson::write_compact(v);
}

Json::Value parse(const std::string& json)
{
    Json::Value v;
    std::istringstream in(json);
    in >> v;
    return v;
}

Json::Value withoutKeys(Json::Value v)
{
    v.removeMember("keys");
    return v;
}

TEST(Generate, SameSeedSameDevicesAndARealisticMix)
{
    GenerateOptions o;
    o.seed = 9;
    std::set<std::string> macs, serials, ips;
    std::map<Kind, int> kinds;
    int inactive = 0;
    for (int n = 0; n < 300; ++n) {
        Device a = generateDevice(n, o), b = generateDevice(n, o);
        ASSERT_EQ(text(withoutKeys(deviceToJson(a, false))), text(withoutKeys(deviceToJson(b, false))));
        EXPECT_NE(a.keys.publicKey, b.keys.publicKey) << "key pairs are always fresh";
        macs.insert(a.mac);
        serials.insert(a.serial);
        ips.insert(a.net.ip);
        ++kinds[a.kind];
        inactive += !a.activated;
        EXPECT_GE(a.channels.size(), 1u);
        EXPECT_LE(a.channels.size(), 32u);
        EXPECT_EQ(a.deviceType, defaultDeviceType(a.kind));
        EXPECT_EQ(a.net.ip, vltest::Lab::deviceIp4(n)) << "the lab helper names the same addresses";
        ASSERT_NE(a.findUser("admin"), nullptr);
        EXPECT_EQ(a.findUser("admin")->password, a.activated ? "Admin_123" : "");
    }
    EXPECT_EQ(macs.size(), 300u);
    EXPECT_EQ(serials.size(), 300u);
    EXPECT_EQ(ips.size(), 300u);
    EXPECT_GT(kinds[Kind::Ipc], 100);
    EXPECT_GT(kinds[Kind::Nvr], 30);
    EXPECT_GT(kinds[Kind::Dvr], 10);
    EXPECT_GT(inactive, 10);
    EXPECT_LT(inactive, 60);
    o.seed = 10;
    EXPECT_NE(generateDevice(0, o).serial, generateDevice(0, GenerateOptions { 0, 9 }).serial);
}

TEST(Keys, PublicKeyBelongsToThePrivateKey)
{
    KeyPair k = makeKeyPair();
    std::array<std::uint8_t, 32> pub {};
    ASSERT_TRUE(publicKeyOf(k.privateKey, &pub));
    EXPECT_EQ(pub, k.publicKey);
}

TEST(StateFile, SavedDevicesLoadBackUnchanged)
{
    vltest::TempDir dir;
    std::vector<Device> devices;
    for (int n = 0; n < 5; ++n)
        devices.push_back(generateDevice(n, GenerateOptions {}));
    devices[2].params[{ 518, 1 }] = { 1, 2, 3 };
    devices[3].users[0].password = "Other_1";
    devices[3].faults.delayMs = 50;
    saveDevices(dir.file("s.json"), devices);
    auto back = loadDevices(dir.file("s.json"));
    ASSERT_EQ(back.size(), devices.size());
    for (size_t i = 0; i < back.size(); ++i)
        EXPECT_EQ(text(deviceToJson(back[i], false)), text(deviceToJson(devices[i], false)));
}

TEST(StateFile, PartialDevicesGetDefaultsAndBadOnesAreNamed)
{
    vltest::TempDir dir;
    std::ofstream(dir.file("d.json")) << R"({"devices":[
        {"network":{"ip":"192.168.9.9"},"kind":"nvr","channels":8},
        {"users":[{"name":"viewer","password":"v","rights":{"ptz":false}}],"activated":false}
    ]})";
    auto d = loadDevices(dir.file("d.json"));
    ASSERT_EQ(d.size(), 2u);
    EXPECT_EQ(d[0].net.ip, "192.168.9.9");
    EXPECT_EQ(d[0].kind, Kind::Nvr);
    EXPECT_EQ(d[0].deviceType, 3);
    EXPECT_EQ(d[0].channels.size(), 8u);
    EXPECT_EQ(d[0].channels[7].name, "CH8");
    EXPECT_FALSE(d[0].mac.empty());
    ASSERT_NE(d[1].findUser("viewer"), nullptr);
    EXPECT_FALSE(d[1].findUser("viewer")->rights.ptz);
    EXPECT_EQ(d[1].users.size(), 1u) << "a file lists the device's whole set of users";

    struct Bad {
        const char* json;
        const char* message;
    } bad[] = {
        { R"({"devices":[{"channels":"four"}]})", "channels must be" },
        { R"({"devices":[{"network":{"media_port":70000}}]})", "network.media_port must be" },
        { R"({"devices":[{"kind":"tv"}]})", "kind must be" },
        { R"({"devices":[{"users":[{"password":"x"}]}]})", "users must be" },
        { R"({"devices":[{"keys":{"private":"abc"}}]})", "keys.private must be" },
        { R"({"nodevices":[]})", "no \"devices\" array" },
        { R"({"devices":[{},)", "not JSON" },
    };
    for (const auto& b : bad) {
        std::ofstream(dir.file("bad.json"), std::ios::trunc) << b.json;
        try {
            loadDevices(dir.file("bad.json"));
            ADD_FAILURE() << "accepted " << b.json;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(b.message), std::string::npos) << e.what();
        }
    }
}

TEST(Store, MovesAreSeenEverywhereAndAnnounced)
{
    DeviceStore store;
    for (int n = 0; n < 3; ++n)
        store.add(generateDevice(n, GenerateOptions {}));
    std::vector<StoreEvent> events;
    store.subscribe([&](const StoreEvent& e) { events.push_back(e); });

    Network net;
    store.read(1, [&](const Device& d) { net = d.net; });
    std::string old = net.ip;
    net.ip = "192.168.50.1";
    net.mediaPort = 9100;
    std::string error;
    ASSERT_TRUE(store.setNetwork(1, net, &error)) << error;
    EXPECT_FALSE(store.findByIp(old));
    EXPECT_EQ(store.findByIp("192.168.50.1"), 1);
    EXPECT_EQ(store.find("192.168.50.1"), 1);
    EXPECT_TRUE(store.mediaPorts().count(9100));
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, StoreEvent::Moved);
    EXPECT_EQ(events[0].oldIp, old);

    // By index, MAC in any case, serial.
    std::string mac, serial, ipv6;
    store.read(2, [&](const Device& d) {
        mac = d.mac;
        serial = d.serial;
        ipv6 = d.net.ipv6;
    });
    for (auto& c : mac)
        c = char(std::tolower(c));
    EXPECT_EQ(store.find("2"), 2);
    EXPECT_EQ(store.find(mac), 2);
    EXPECT_EQ(store.find(serial), 2);
    EXPECT_EQ(store.findByIp(ipv6), 2);
    EXPECT_FALSE(store.find("7"));
    EXPECT_FALSE(store.find("nothing"));

    net.ip = "300.1.1.1";
    EXPECT_FALSE(store.setNetwork(1, net, &error));
    EXPECT_NE(error.find("not an IPv4 address"), std::string::npos);
    net.ip = "192.168.50.2";
    net.ipv6 = "192.168.1.1";
    EXPECT_FALSE(store.setNetwork(1, net, &error));

    // Two devices on one address: the one on the network answers.
    Network clash;
    store.read(0, [&](const Device& d) { clash = d.net; });
    clash.ip = "192.168.50.1";
    clash.ipv6.clear();
    ASSERT_TRUE(store.setNetwork(0, clash, &error));
    Faults off;
    off.offline = true;
    store.setFaults(1, off);
    EXPECT_EQ(store.findByIp("192.168.50.1"), 0);
    EXPECT_EQ(events.back().kind, StoreEvent::WentOffline);
}

TEST(Store, RebootTakesTheDeviceOffForItsTime)
{
    DeviceStore store;
    store.add(generateDevice(0, GenerateOptions {}));
    std::function<void()> pending;
    int scheduledMs = -1;
    store.setScheduler([&](int ms, std::function<void()> fn) {
        scheduledMs = ms;
        pending = std::move(fn);
    });
    store.modify(0, [](Device& d) { d.webSessions.push_back({ "c", "t", "admin", false }); });
    ASSERT_TRUE(store.reboot(0, 1500));
    EXPECT_FALSE(store.reboot(0, 1500)) << "already rebooting";
    EXPECT_EQ(scheduledMs, 1500);
    store.read(0, [](const Device& d) {
        EXPECT_FALSE(d.online());
        EXPECT_TRUE(d.webSessions.empty());
    });
    pending();
    store.read(0, [](const Device& d) {
        EXPECT_TRUE(d.online());
        EXPECT_EQ(d.boots, 1);
    });
}

TEST(Records, DeviceInfoRecordCarriesTheDeviceAndTheUsersRights)
{
    Device d = generateDevice(0, GenerateOptions {});
    d.kind = Kind::Nvr;
    d.deviceType = 3;
    Channel x;
    x.name = "X";
    d.channels.resize(40, x);
    d.name = std::string(40, 'N'); // longer than its 36-byte slot
    User viewer;
    viewer.name = "viewer";
    viewer.rights.ptz = false;
    d.users.push_back(viewer);

    VLNET_DEVICE_INFO r = deviceInfoRecord(d, d.findUser("viewer"));
    std::uint64_t word = std::uint64_t(r.high_type) << 32 | r.low_type;
    EXPECT_EQ((word >> 40) & 0xF, 3u);
    EXPECT_EQ(r.high_type, 768u);
    EXPECT_EQ(r.channel_num, 40);
    EXPECT_EQ(r.sys_channel_num, 40u);
    EXPECT_EQ(r.preview_channel, 0xFFFFFFFFu);
    EXPECT_EQ(r.preview_channel_ex[0], 0xFFu) << "channels 32 to 39";
    EXPECT_EQ(r.preview_channel_ex[1], 0u);
    EXPECT_EQ(r.ptz_control_channel, 0u);
    EXPECT_EQ(r.user_ptz_control, 0);
    EXPECT_EQ(r.is_admin, 0);
    EXPECT_EQ(std::string(r.device_name, sizeof(r.device_name)), std::string(36, 'N'))
        << "a full slot has no NUL";
    EXPECT_EQ(std::string(r.serial_number), d.serial);
    EXPECT_TRUE(r.flags228 & VLNET_F228_C32_PASSWORD);
    // The bytes sit where the 32-bit layout puts them.
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&r);
    EXPECT_EQ(bytes[166], 40);
    std::uint32_t sys;
    std::memcpy(&sys, bytes + 724, 4);
    EXPECT_EQ(sys, 40u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes) + 624), d.serial);

    VLNET_DEVICE_INFO admin = deviceInfoRecord(d, d.findUser("admin"));
    EXPECT_EQ(admin.is_admin, 1);
    EXPECT_EQ(admin.ptz_control_channel, 0xFFFFFFFFu);
}

TEST(Records, EveryFieldCanBeSetByItsKeyAndSurvivesTheStateFile)
{
    Device d = generateDevice(0, GenerateOptions {});
    // One distinct value per field, each within its field's range.
    Json::Value record(Json::objectValue);
    int n = 0;
    for (const auto& key : recordFieldKeys()) {
        ++n;
        Json::Value current = readRecordField(deviceInfoRecord(d, nullptr), key);
        if (current.isString())
            record[key] = "T" + std::to_string(n);
        else if (current.isArray()) {
            record[key] = Json::Value(Json::arrayValue);
            for (int i = 0; i < 8; ++i)
                record[key].append(Json::UInt(n * 100 + i));
        } else
            record[key] = 1;
    }
    record["CloudSGSerSwitch"] = 10;
    record["UiType"] = 52;
    record["HighType"] = 0x300;
    std::string error;
    Json::Value v(Json::objectValue);
    v["record"] = record;
    ASSERT_TRUE(applyDeviceJson(d, v, &error)) << error;
    VLNET_DEVICE_INFO r = deviceInfoRecord(d, d.findUser("admin"));
    for (const auto& key : recordFieldKeys())
        EXPECT_EQ(text(readRecordField(r, key)), text(record[key])) << key;
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(&r)[234], 52);
    EXPECT_EQ((r.flags230 >> 1) & 0xF, 10);

    vltest::TempDir dir;
    saveDevices(dir.file("s.json"), { d });
    auto back = loadDevices(dir.file("s.json"));
    EXPECT_EQ(text(deviceToJson(back[0], false)["record"]), text(record));

    // null removes an override: the field is the device's own again.
    Json::Value drop(Json::objectValue);
    drop["record"]["SerialNumber"] = Json::Value();
    ASSERT_TRUE(applyDeviceJson(d, drop, &error)) << error;
    EXPECT_EQ(std::string(deviceInfoRecord(d, nullptr).serial_number), d.serial);

    struct Bad {
        const char* json;
        const char* message;
    } bad[] = {
        { R"({"record":{"NoSuchKey":1}})", "record.NoSuchKey is no field" },
        { R"({"record":{"UiType":256}})", "record.UiType must be an integer from 0 to 255" },
        { R"({"record":{"CloudSGSerSwitch":16}})", "from 0 to 15" },
        { R"({"record":{"TotalFPS":-1}})", "record.TotalFPS must be" },
        { R"({"record":{"DevVer":7}})", "record.DevVer must be a text" },
        { R"({"record":{"p2pId":"123456789012345678901234567890123456"}})", "35-byte slot" },
        { R"({"record":{"ControlBitArray":[1,2,3,4,5,6,7,8,9]}})", "at most 8" },
        { R"({"record":[1]})", "record must be" },
    };
    for (const auto& b : bad) {
        Json::Value req;
        std::istringstream in(b.json);
        in >> req;
        Device copy = d;
        error.clear();
        EXPECT_FALSE(applyDeviceJson(copy, req, &error)) << b.json;
        EXPECT_NE(error.find(b.message), std::string::npos) << error;
    }
}

TEST(Records, ChannelAndAllStatusMessages)
{
    Device d = generateDevice(0, GenerateOptions {});
    d.kind = Kind::Nvr;
    d.channels.resize(40);
    for (size_t c = 0; c < d.channels.size(); ++c)
        d.channels[c].name = "CH" + std::to_string(c + 1);
    d.channels[0].name = "Door";
    d.channels[1].name = "Yard";
    d.channels[1].online = false;
    std::string error;
    ASSERT_TRUE(applyChannelJson(d.channels[2],
        parse(
            R"({"abilities": 33554435, "abilities_arr": [0, 0, 256], "alarms": {"motion": true, "smart": true,
            "smart_type": 40}})"),
        &error, ""))
        << error;
    d.channels[35].alarms.io = true;

    auto ch = channelStatusMessage(d);
    ASSERT_EQ(ch.size(), 40 * 312u);
    VLNET_CHANNEL_STATUS r[3];
    std::memcpy(r, ch.data(), sizeof(r));
    EXPECT_EQ(r[1].record_length, 312u);
    EXPECT_STREQ(r[1].cur_chn_name, "Yard");
    EXPECT_EQ(r[0].cur_chn_state, 2) << "online";
    EXPECT_EQ(r[1].cur_chn_state, 0);
    EXPECT_EQ(r[1].vloss_state, 1) << "an offline channel has no video";
    EXPECT_EQ(r[0].abilities, 7u) << "main, sub and mobile stream by default";
    EXPECT_EQ(r[2].abilities, 33554435u);
    EXPECT_EQ(r[2].abilities_arr[2], 256u) << "the region-form word";
    EXPECT_EQ(r[2].md_state, 1);

    auto all = allStatusMessage(d);
    ASSERT_EQ(all.size(), 2220u);
    VLNET_ALL_STATUS s;
    std::memcpy(&s, all.data(), sizeof(s));
    EXPECT_EQ(s.vloss_status, 2u) << "the offline channel shows video loss";
    EXPECT_EQ(s.record_enable, 0xFFFFFFFFu);
    EXPECT_EQ(s.motion_status, 4u);
    EXPECT_EQ(s.intelligent_chn_status, 4u);
    EXPECT_EQ(s.intelligent_status, 40u);
    EXPECT_EQ(s.io_status_ext[0], 8u) << "channel 35";
    EXPECT_GE(s.time.year, 2024);

    for (const char* bad : { R"({"abilities_arr": [1,2,3,4,5,6,7,8,9]})", R"({"abilities": -1})",
             R"({"alarms": {"motion": 1}})", R"({"alarms": []})" }) {
        Channel c;
        EXPECT_FALSE(applyChannelJson(c, parse(bad), &error, "")) << bad;
    }
}

TEST(Records, AlarmMessagesTakeTheFormTheRecordAnnounces)
{
    Device cam = generateDevice(0, GenerateOptions {});
    cam.kind = Kind::Ipc;
    cam.channels.resize(2);
    cam.channels[1].alarms.motion = true;
    auto m = alarmMessage(cam, 1, "motion");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->id, 191);
    ASSERT_EQ(m->data.size(), sizeof(VLNET_ALARM_INFO)) << "GetAlarmChns is set by default";
    VLNET_ALARM_INFO info;
    std::memcpy(&info, m->data.data(), sizeof info);
    EXPECT_EQ(info.channel, 2u) << "a camera names the channel by its bit";
    EXPECT_EQ(info.status, 1);

    cam.recordFields["GetAlarmChns"] = 0;
    m = alarmMessage(cam, 1, "motion");
    ASSERT_TRUE(m);
    ASSERT_EQ(m->data.size(), sizeof(VLNET_ALARM_SHORT));
    VLNET_ALARM_SHORT short_record;
    std::memcpy(&short_record, m->data.data(), sizeof short_record);
    EXPECT_EQ(short_record.channel, 2u);

    Device nvr = generateDevice(0, GenerateOptions {});
    nvr.kind = Kind::Nvr;
    nvr.channels.resize(34);
    nvr.channels[3].alarms.smart = true;
    nvr.channels[33].alarms.smart = true;
    m = alarmMessage(nvr, 3, "smart");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->id, 251);
    std::memcpy(&info, m->data.data(), sizeof info);
    EXPECT_EQ(info.channel, 0xFFFFFFFFu) << "a recorder reports every channel";
    EXPECT_EQ(info.status, 8);
    EXPECT_EQ(info.channel_ex[0], 3u);
    EXPECT_EQ(info.status_ex[0], 2u);

    m = alarmMessage(nvr, 0, "cover");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->id, 207);
    EXPECT_EQ(m->data.size(), sizeof(VLNET_VIDEO_HIDE_ALARM));
    EXPECT_FALSE(alarmMessage(nvr, 34, "motion")) << "no such channel";
    EXPECT_FALSE(alarmMessage(nvr, 0, "smoke")) << "no such alarm";
}

TEST(Options, CommandLine)
{
    auto parse = [](std::vector<const char*> args, Options* o, std::string* error) {
        args.insert(args.begin(), "devsim");
        bool help = false;
        return parseOptions(int(args.size()), const_cast<char**>(args.data()), o, error, &help);
    };
    Options o;
    std::string error;
    ASSERT_TRUE(parse({ "--generate", "40", "--seed", "3", "--control", "/tmp/x", "--session-port", "9100",
                          "--reboot-seconds", "2", "--inactive-percent", "0" },
        &o, &error))
        << error;
    EXPECT_EQ(o.generate.count, 40);
    EXPECT_EQ(o.generate.seed, 3u);
    EXPECT_EQ(o.sessionPort, 9100);
    EXPECT_EQ(o.rebootMs, 2000);
    EXPECT_EQ(o.controlPath, "/tmp/x");
    for (auto bad : std::vector<std::vector<const char*>> { {}, { "--generate", "0" }, { "--generate", "x" },
             { "--generate" }, { "--frobnicate", "1" }, { "--generate", "5", "--session-port", "70000" } }) {
        Options o2;
        EXPECT_FALSE(parse(bad, &o2, &error));
        EXPECT_FALSE(error.empty());
    }
}

} // namespace
