// The device side of the network change, PTZ and the snapshot, without a
// network: what a device takes, what it refuses, and what it notes.
#include "common/json.h"
#include "custom_factory.h"
#include "device_commands.h"
#include "records.h"
#include "snapshot.h"
#include "store.h"
#include "vlnet.h"
#include "wire.h"

#include <algorithm>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace devsim;

namespace
{

const std::string kNonce = "00112233445566778899aabbccddeeff";
const std::string kLongUser(64, 'u');
const std::string kLongPassword(64, 'P');

Device camera()
{
    Device d;
    d.kind = Kind::Ipc;
    d.mac = "AA:BB:CC:00:11:22";
    d.net.ip = "192.168.1.10";
    d.net.mediaPort = 9000;
    d.net.webPort = 80;
    d.channels.resize(2);
    User admin;
    admin.name = "admin";
    admin.password = "Admin_123";
    admin.admin = true;
    User op;
    op.name = "operator";
    op.password = "Oper_123";
    op.rights.ptz = false;
    op.rights.settings = false;
    User viewer;
    viewer.name = "viewer";
    viewer.password = "View_123";
    viewer.rights.preview = false;
    User longest;
    longest.name = kLongUser;
    longest.password = kLongPassword;
    d.users = { admin, op, viewer, longest };
    return d;
}

template <size_t N> void put(char (&slot)[N], const std::string& text)
{
    std::memcpy(slot, text.data(), std::min(N, text.size()));
}

void putIp(std::uint8_t (&field)[4], std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d)
{
    field[0] = a;
    field[1] = b;
    field[2] = c;
    field[3] = d;
}

// A static change of the camera to 192.168.1.50/24 by admin, as the
// wrapper writes it.
VLNET_NEW_DEV_INFO change(const std::string& user = "admin", const std::string& password = "Admin_123")
{
    VLNET_NEW_DEV_INFO r;
    std::memset(&r, 0, sizeof r);
    put(r.version, "12");
    put(r.user, user);
    put(r.password, password);
    putIp(r.original_ip, 192, 168, 1, 10);
    putIp(r.new_ip, 192, 168, 1, 50);
    putIp(r.netmask, 255, 255, 255, 0);
    putIp(r.gateway, 192, 168, 1, 1);
    putIp(r.dns1, 8, 8, 8, 8);
    put(r.mac_addr, "AA:BB:CC:00:11:22");
    r.device_type = std::uint64_t(4) << 40;
    r.media_port = 9000;
    r.web_port = 80;
    r.network_mode = 2;
    r.byte225 = 1;
    return r;
}

// The frame's payload: the user slot, then the record sealed under the
// nonce and `sealWith` (the record's own password unless given).
std::vector<std::uint8_t> payloadOf(const VLNET_NEW_DEV_INFO& r, const std::string& sealWith,
    const std::string& nonce = kNonce, std::size_t recordSize = sizeof(VLNET_NEW_DEV_INFO))
{
    const auto sealed = vlwire::sealRecord(
        nonce, sealWith, std::string_view(reinterpret_cast<const char*>(&r), recordSize));
    EXPECT_TRUE(sealed);
    std::vector<std::uint8_t> out(r.user, r.user + sizeof r.user);
    out.insert(out.end(), sealed->begin(), sealed->end());
    return out;
}

std::vector<std::uint8_t> payloadOf(const VLNET_NEW_DEV_INFO& r)
{
    return payloadOf(r, std::string(r.password, strnlen(r.password, sizeof r.password)));
}

class DeviceCommands : public ::testing::Test
{
protected:
    void SetUp() override { id = store.add(camera()); }
    Network net() const
    {
        Network n;
        store.read(id, [&](const Device& d) { n = d.net; });
        return n;
    }
    std::int32_t changeWith(const std::vector<std::uint8_t>& payload)
    {
        note = Json::Value(Json::objectValue);
        return networkChange(store, id, kNonce, payload, note);
    }
    std::vector<std::uint8_t> ptzPayload(int command, std::int32_t channel)
    {
        VLNET_PTZ_CONTROL c;
        std::memset(&c, 0, sizeof c);
        c.channel = channel;
        c.action = 1;
        c.param.move.speed = 5;
        std::vector<std::uint8_t> out(4 + sizeof c);
        vlwire::putU32(out.data(), std::uint32_t(command));
        std::memcpy(out.data() + 4, &c, sizeof c);
        return out;
    }
    std::vector<std::uint8_t> capturePayload(std::uint32_t channel)
    {
        std::vector<std::uint8_t> out(8);
        vlwire::putU32(out.data(), channel);
        vlwire::putU32(out.data() + 4, 8);
        return out;
    }

    DeviceStore store;
    int id = 0;
    Json::Value note;
};

TEST_F(DeviceCommands, AChangeMovesTheDeviceAndIsNoted)
{
    ASSERT_EQ(changeWith(payloadOf(change())), vlwire::kOk) << vljson::write_compact(note);
    const Network n = net();
    EXPECT_EQ(n.ip, "192.168.1.50");
    EXPECT_EQ(n.mask, "255.255.255.0");
    EXPECT_EQ(n.gateway, "192.168.1.1");
    EXPECT_EQ(n.dns1, "8.8.8.8");
    EXPECT_EQ(n.dns2, "");
    EXPECT_FALSE(n.dhcp);
    EXPECT_FALSE(n.pppoe);
    EXPECT_EQ(store.findByIp("192.168.1.50"), id);
    EXPECT_FALSE(store.findByIp("192.168.1.10"));
    EXPECT_EQ(note["user"], "admin");
    EXPECT_EQ(note["opened"], true);
    EXPECT_EQ(note["version"], "12");
    EXPECT_EQ(note["original_ip"], "192.168.1.10");
    EXPECT_EQ(note["new_ip"], "192.168.1.50");
    EXPECT_EQ(note["mac"], "AA:BB:CC:00:11:22");
    EXPECT_EQ(note["device_type"].asUInt64(), std::uint64_t(4) << 40);
    EXPECT_EQ(note["network_mode"], 2);
    EXPECT_EQ(note["byte225"], 1);
    EXPECT_EQ(note["password_length"].asInt(), 9);
    EXPECT_FALSE(note.isMember("password"));
}

TEST_F(DeviceCommands, CredentialsThatFillTheirSlotsWithNoNul)
{
    VLNET_NEW_DEV_INFO r = change(kLongUser, kLongPassword);
    ASSERT_EQ(r.user[63], 'u');
    ASSERT_EQ(r.password[63], 'P');
    EXPECT_EQ(changeWith(payloadOf(r)), vlwire::kOk) << vljson::write_compact(note);
    EXPECT_EQ(note["user"], kLongUser);
    EXPECT_EQ(note["password_length"].asInt(), 64);
    EXPECT_EQ(net().ip, "192.168.1.50");
}

TEST_F(DeviceCommands, TheProgramsRecordWithItsShorterMacField)
{
    // The program copies its 36-byte MAC field, lower case here, and leaves
    // the rest zero; the device compares the MAC's digits.
    VLNET_NEW_DEV_INFO r = change();
    std::memset(r.mac_addr, 0, sizeof r.mac_addr);
    put(r.mac_addr, "aa-bb-cc-00-11-22");
    EXPECT_EQ(changeWith(payloadOf(r)), vlwire::kOk) << vljson::write_compact(note);
}

TEST_F(DeviceCommands, RefusalsLeaveTheDeviceWhereItIs)
{
    struct Case {
        const char* what;
        std::vector<std::uint8_t> payload;
        std::int32_t result;
    };
    auto edit = [](auto fn) {
        VLNET_NEW_DEV_INFO r = change();
        fn(r);
        return payloadOf(r);
    };
    const VLNET_NEW_DEV_INFO good = change();
    const std::vector<Case> cases = {
        { "sealed under another password", payloadOf(good, "Admin_124"), vlwire::kRefused },
        { "sealed under another nonce", payloadOf(good, "Admin_123", "ff"), vlwire::kRefused },
        { "an unknown user", payloadOf(change("nobody", "Admin_123")), vlwire::kRefused },
        { "the password of another user", payloadOf(change("admin", "Oper_123")), vlwire::kRefused },
        { "another device's MAC", edit([](auto& r) { put(r.mac_addr, "AA:BB:CC:00:11:23"); }),
            vlwire::kRefused },
        { "a user without the settings right", payloadOf(change("operator", "Oper_123")), vlwire::kNoRight },
        { "0.0.0.0 as a fixed address", edit([](auto& r) { putIp(r.new_ip, 0, 0, 0, 0); }),
            vlwire::kBadRequest },
        { "no mask", edit([](auto& r) { putIp(r.netmask, 0, 0, 0, 0); }), vlwire::kBadRequest },
        { "a mask with holes", edit([](auto& r) { putIp(r.netmask, 255, 0, 255, 0); }), vlwire::kBadRequest },
        { "media port 0", edit([](auto& r) { r.media_port = 0; }), vlwire::kBadRequest },
        { "web port 65536", edit([](auto& r) { r.web_port = 65536; }), vlwire::kBadRequest },
        { "address mode 3", edit([](auto& r) { r.network_mode = 3; }), vlwire::kBadRequest },
        { "a record cut short", payloadOf(good, "Admin_123", kNonce, 700), vlwire::kBadRequest },
        { "no sealed record", std::vector<std::uint8_t>(good.user, good.user + 64), vlwire::kRefused },
        { "not even a user slot", std::vector<std::uint8_t>(10, 'a'), vlwire::kBadRequest },
    };
    for (const auto& c : cases) {
        EXPECT_EQ(changeWith(c.payload), c.result) << c.what << ": " << vljson::write_compact(note);
        EXPECT_EQ(net().ip, "192.168.1.10") << c.what;
    }
}

TEST_F(DeviceCommands, DhcpKeepsWhatTheRecordLeavesOutAndPppoeShowsInTheSearch)
{
    VLNET_NEW_DEV_INFO r = change();
    r.network_mode = 0;
    putIp(r.new_ip, 0, 0, 0, 0);
    putIp(r.netmask, 0, 0, 0, 0);
    ASSERT_EQ(changeWith(payloadOf(r)), vlwire::kOk) << vljson::write_compact(note);
    EXPECT_EQ(net().ip, "192.168.1.10");
    EXPECT_TRUE(net().dhcp);

    r = change();
    r.network_mode = 1;
    ASSERT_EQ(changeWith(payloadOf(r)), vlwire::kOk) << vljson::write_compact(note);
    EXPECT_EQ(net().ip, "192.168.1.50");
    EXPECT_TRUE(net().pppoe);
    EXPECT_FALSE(net().dhcp);
    store.read(id, [](const Device& d) { EXPECT_EQ(probeDescription(d)["pppoe"], true); });
}

TEST_F(DeviceCommands, PtzCommandsAreNotedWithTheirRecord)
{
    note = Json::Value(Json::objectValue);
    EXPECT_EQ(ptzControl(store, id, "admin", ptzPayload(VLNET_PTZ_UP, 1), note), vlwire::kOk);
    EXPECT_EQ(note["command"], 1);
    EXPECT_EQ(note["channel"], 1);
    EXPECT_EQ(note["action"], 1);
    ASSERT_EQ(note["words"].size(), 11u);
    EXPECT_EQ(note["words"][2], 5);
    EXPECT_EQ(note["record"].asString().substr(0, 24), "010000000100000005000000");

    struct Case {
        const char* what;
        std::string user;
        std::vector<std::uint8_t> payload;
        std::int32_t result;
    };
    const std::vector<Case> cases = {
        { "the lens restore of the program", "admin", ptzPayload(VLNET_PTZ_RESTORE, 0), vlwire::kOk },
        { "an unknown command", "admin", ptzPayload(99, 0), vlwire::kUnsupported },
        { "a channel the device does not have", "admin", ptzPayload(VLNET_PTZ_UP, 2), vlwire::kBadRequest },
        { "a negative channel", "admin", ptzPayload(VLNET_PTZ_UP, -1), vlwire::kBadRequest },
        { "a user without the PTZ right", "operator", ptzPayload(VLNET_PTZ_UP, 0), vlwire::kNoRight },
        { "a record cut short", "admin", std::vector<std::uint8_t>(20, 0), vlwire::kBadRequest },
    };
    for (const auto& c : cases) {
        note = Json::Value(Json::objectValue);
        EXPECT_EQ(ptzControl(store, id, c.user, c.payload, note), c.result) << c.what;
        EXPECT_EQ(note["result"], c.result) << c.what;
    }
}

TEST_F(DeviceCommands, SnapshotsAreRealJpegPicturesOfTheChannel)
{
    std::vector<std::uint8_t> first, second;
    note = Json::Value(Json::objectValue);
    ASSERT_EQ(capture(store, id, "admin", capturePayload(0), note, first), vlwire::kOk);
    ASSERT_EQ(capture(store, id, "operator", capturePayload(1), note, second), vlwire::kOk);
    int width = 0, height = 0;
    ASSERT_TRUE(jpegSize(first, &width, &height));
    EXPECT_EQ(width, kSnapshotWidth);
    EXPECT_EQ(height, kSnapshotHeight);
    EXPECT_NE(first, second) << "each channel has its own picture";
    EXPECT_EQ(note["size"].asUInt(), second.size());
    EXPECT_EQ(note["picture_format"].asInt(), 8);

    std::vector<std::uint8_t> none;
    EXPECT_EQ(capture(store, id, "admin", capturePayload(2), note, none), vlwire::kBadRequest);
    EXPECT_EQ(capture(store, id, "viewer", capturePayload(0), note, none), vlwire::kNoRight);
    EXPECT_EQ(capture(store, id, "admin", std::vector<std::uint8_t>(4), note, none), vlwire::kBadRequest);
    EXPECT_TRUE(none.empty());

    // The check the lab tests rely on: a cut file or another format fails.
    std::vector<std::uint8_t> cut(first.begin(), first.begin() + long(first.size() / 2));
    EXPECT_FALSE(jpegSize(cut, &width, &height));
    EXPECT_FALSE(jpegSize({ 'G', 'I', 'F', '8', '9', 'a' }, &width, &height));
    EXPECT_FALSE(jpegSize({}, &width, &height));
}

} // namespace

TEST(DeviceInfoRecord, NameAndTypeAreReadWithinTheirFieldsWhereTheFlagsSay)
{
    auto record = [](std::uint32_t flags, const std::string& type, const std::string& name) {
        std::vector<std::uint8_t> r(VLNET_PARAM_DEVICE_INFO_SIZE, 0);
        const std::uint32_t size = VLNET_PARAM_DEVICE_INFO_SIZE;
        std::memcpy(r.data(), &size, 4);
        std::memcpy(r.data() + VLNET_DEVICE_INFO_CHANGES, &flags, 4);
        std::memcpy(r.data() + VLNET_DEVICE_INFO_TYPE, type.data(), std::min<size_t>(type.size(), 32));
        std::memcpy(r.data() + VLNET_DEVICE_INFO_NAME, name.data(), std::min<size_t>(name.size(), 32));
        // What follows the name's field: never part of it.
        std::memset(r.data() + VLNET_DEVICE_INFO_NAME + 32, 'X', 16);
        return r;
    };
    struct Case {
        std::uint32_t flags;
        std::string type;
        std::string name;
        std::string typeAfter;
        std::string nameAfter;
    };
    const Case cases[] = {
        { 0x30, "IPC-9", "Gate", "IPC-9", "Gate" },
        { 0x10, "IPC-9", "Gate", "IPC-9", "old name" },
        { 0x20, "IPC-9", "Gate", "old type", "Gate" },
        { 0x00, "IPC-9", "Gate", "old type", "old name" },
        // Fields without a zero byte end with the field.
        { 0x30, std::string(32, 't'), std::string(40, 'n'), std::string(32, 't'), std::string(32, 'n') },
    };
    for (const Case& c : cases) {
        Device d;
        d.name = "old name";
        d.model = "old type";
        Json::Value note;
        applyDeviceInfoRecord(d, record(c.flags, c.type, c.name), note);
        EXPECT_EQ(d.model, c.typeAfter) << c.flags;
        EXPECT_EQ(d.name, c.nameAfter) << c.flags;
    }
    // A record of another size changes nothing.
    Device d;
    d.name = "kept";
    Json::Value note;
    applyDeviceInfoRecord(d, std::vector<std::uint8_t>(100, 0x20), note);
    EXPECT_EQ(d.name, "kept");
}
