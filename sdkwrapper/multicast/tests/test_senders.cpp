// The requests of the three operations as the devices receive them: field
// by field, sealed to the right device, with the digests of both update
// passes and the fields of an update in the order the devices expect.
#include "hex.h"
#include "multicast/base64.h"
#include "multicast/datagram.h"
#include "multicast/senders.h"
#include "search_example.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace vlsdk;

namespace
{

x25519_key_pair fresh_pair()
{
    x25519_key_pair p;
    EXPECT_TRUE(p.make());
    return p;
}

// What a device makes of its PackRequest: the opened, parsed DecRequest.
multicast::DecRequest open_pack(const x25519_key_pair& device, const std::string& engine_blob,
    const multicast::Multicast::Request::PackRequest& pack, bool* ok)
{
    multicast::DecRequest inner;
    const auto plain = open_envelope(device, *public_key_of_blob(engine_blob), pack.enc_data());
    *ok = plain && inner.ParseFromString(*plain);
    return inner;
}

std::vector<std::uint32_t> fields_of(const multicast_device_record& settings)
{
    multicast::DecRequest::UpdateInfo update;
    fill_update_info(settings, update);
    return { update.update_fields().begin(), update.update_fields().end() };
}

} // namespace

TEST(MulticastSenders, SearchIsTheWorkedExampleOfTheWire)
{
    bool extended = false;
    const auto message = build_search_message(example_key_blob(), true, 200, R"({"manu":["1"]})", &extended);
    EXPECT_EQ(hex(encode_datagram(message)), example_search_datagram_hex());
    EXPECT_FALSE(extended);
}

TEST(MulticastSenders, SearchManufacturersAndTheExtendedFlag)
{
    struct Case {
        const char* list;
        std::vector<std::string> sent;
        bool extended;
    };
    const Case cases[] = {
        { "", {}, false },
        { "null", {}, false },
        { "not json", {}, false },
        { R"({"manu":[]})", {}, false },
        { R"({"manu":["116","144"]})", { "116", "144" }, false },
        { R"({"manu":["309"]})", { "309" }, true },
        { R"({"manu":["116","310"]})", { "116", "310" }, true },
        { R"({"manu":["313"]})", { "313" }, true },
        { R"({"manu":["3100"," 310","31"]})", { "3100", " 310", "31" }, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        bool extended = false;
        const auto m = build_search_message(example_key_blob(), false, 0, c.list, &extended);
        const auto& s = m.search_device_request();
        EXPECT_EQ(std::vector<std::string>(s.manufactures().begin(), s.manufactures().end()), c.sent);
        EXPECT_EQ(std::vector<int>(s.values().begin(), s.values().end()), (std::vector<int> { 1, 0 }));
        EXPECT_EQ(extended, c.extended);
    }
    // The flag, once set by a search, stays set.
    bool extended = true;
    build_search_message(example_key_blob(), false, 0, R"({"manu":["116"]})", &extended);
    EXPECT_TRUE(extended);
}

TEST(MulticastSenders, NegativeDelayIsSentAsNoDelay)
{
    EXPECT_EQ(
        build_search_message(example_key_blob(), false, -1, "", nullptr).search_device_request().delay(), 0u);
    const auto engine = fresh_pair();
    EXPECT_EQ(build_activation_message(engine, -5, {}).message.request().delay(), 0u);
    EXPECT_EQ(build_update_message(engine, 750, {}, false).message.request().delay(), 750u);
}

TEST(MulticastSenders, ActivationSealsEachEntryToItsOwnDevice)
{
    const auto engine = fresh_pair();
    std::vector<x25519_key_pair> devices;
    std::vector<activation_entry> entries;
    for (int i = 0; i < 3; ++i) {
        devices.push_back(fresh_pair());
        activation_entry e;
        e.id = multicast_base64_encode(std::string(16, static_cast<char>('a' + i)));
        e.key = multicast_base64_encode(devices.back().blob());
        e.password = "Secret_" + std::to_string(i);
        e.client_type = i % 2;
        e.sync_onvif = i == 1;
        e.is_sync_pwd = i == 2;
        e.conn_ipc_pwd = i == 2 ? "Camera_9" : "";
        entries.push_back(e);
    }
    const auto built = build_activation_message(engine, 300, entries);
    EXPECT_TRUE(built.unsealed.empty());
    EXPECT_EQ(built.message.pub_key(), engine.blob());
    const auto& packs = built.message.request().pack_requests();
    ASSERT_EQ(packs.size(), 3);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(packs[i].dev_id(), std::string(16, static_cast<char>('a' + i)));
        bool ok = false;
        const auto inner = open_pack(devices[size_t(i)], engine.blob(), packs[i], &ok);
        ASSERT_TRUE(ok);
        ASSERT_TRUE(inner.has_set_password());
        EXPECT_EQ(inner.set_password().password(), entries[size_t(i)].password);
        EXPECT_EQ(inner.set_password().client_type(), i % 2);
        EXPECT_EQ(inner.set_password().sync_onvif(), i == 1);
        EXPECT_EQ(inner.set_password().is_sync_pwd(), i == 2);
        EXPECT_EQ(inner.set_password().conn_ipc_pwd(), entries[size_t(i)].conn_ipc_pwd);
        // Another device cannot open it.
        open_pack(devices[size_t((i + 1) % 3)], engine.blob(), packs[i], &ok);
        EXPECT_FALSE(ok);
    }
}

TEST(MulticastSenders, AnEntryWithoutAUsableKeyIsNotSent)
{
    const auto engine = fresh_pair();
    const auto device = fresh_pair();
    std::vector<activation_entry> entries(3);
    entries[0].key = multicast_base64_encode(device.blob());
    entries[1].key = "not base64!"; // decodes to nothing
    entries[2].key = multicast_base64_encode(device.blob().substr(0, 20)); // too short for a key blob
    const auto built = build_activation_message(engine, 0, entries);
    EXPECT_EQ(built.unsealed, (std::vector<std::size_t> { 1, 2 }));
    EXPECT_EQ(built.message.request().pack_requests_size(), 1);

    // A request longer than a device can read is not sent either.
    std::vector<update_entry> updates(1);
    updates[0].key = multicast_base64_encode(device.blob());
    updates[0].settings.dev_name = std::string(1100, 'n');
    EXPECT_EQ(build_update_message(engine, 0, updates, false).unsealed, (std::vector<std::size_t> { 0 }));
}

TEST(MulticastSenders, UpdateDigestsOfBothPasses)
{
    const auto engine = fresh_pair();
    const auto device = fresh_pair();
    std::vector<update_entry> entries(2);
    for (auto& e : entries) {
        e.key = multicast_base64_encode(device.blob());
        e.username = "admin";
        e.password = "Admin_123";
        e.settings.wired_ip = "192.168.1.77";
    }
    entries[0].nonce = unhex("00ff10203040");
    // entries[1] got no nonce in the first pass.

    for (bool second : { false, true }) {
        SCOPED_TRACE(second ? "second pass" : "first pass");
        const auto built = build_update_message(engine, 0, entries, second);
        const auto& packs = built.message.request().pack_requests();
        ASSERT_EQ(packs.size(), 2);
        for (int i = 0; i < 2; ++i) {
            bool ok = false;
            const auto inner = open_pack(device, engine.blob(), packs[i], &ok);
            ASSERT_TRUE(ok);
            const auto& u = inner.update_info();
            EXPECT_EQ(u.username(), "admin");
            const std::string nonce = second ? entries[size_t(i)].nonce : "";
            EXPECT_EQ(u.nonce(), nonce);
            EXPECT_EQ(u.pwd_hash(), *sha256("Admin_123" + nonce));
            EXPECT_EQ(u.info().wired_ip(), "192.168.1.77");
        }
    }
}

TEST(MulticastSenders, UpdateFieldsAndTheirOrder)
{
    multicast_device_record all;
    all.dev_name = "Gate";
    all.dev_type = "IPC";
    all.ip6_link_local = "fd00::5";
    all.dhcp = "dhcp";
    all.manufacture = "116";
    all.media_port = 9000;
    all.web_port = 80;
    all.wired_dns1 = "8.8.8.8";
    all.wired_dns2 = "8.8.4.4";
    all.wired_gw = "192.168.1.1";
    all.wired_ip = "192.168.1.9";
    all.wired_mask = "255.255.255.0";
    all.wireless_ip = "10.0.0.9";
    all.net_card = "eth0";
    all.cloud_switch = true;
    // Kept by the request but never sent.
    all.software_version = "V9";
    all.mac = "00:11";
    all.rtsp_port = 554;
    all.activated = true;
    EXPECT_EQ(fields_of(all),
        (std::vector<std::uint32_t> { 3, 1, 25, 21, 6, 100, 19, 17, 18, 16, 14, 15, 20, 32, 33 }));

    multicast_device_record s;
    s.dhcp = "static";
    EXPECT_EQ(fields_of(s), (std::vector<std::uint32_t> { 21 }));
    s.dhcp = "DHCP";
    EXPECT_EQ(fields_of(s), (std::vector<std::uint32_t> { 21 }));
    multicast::DecRequest::UpdateInfo u;
    fill_update_info(s, u);
    EXPECT_FALSE(u.info().is_dhcp());
    EXPECT_EQ(hex(u.SerializeAsString()),
        "2200"
        "2a0115"); // empty info, fields [21]

    multicast_device_record cloud;
    cloud.cloud_switch = true;
    EXPECT_TRUE(fields_of(cloud).empty());

    multicast_device_record ports;
    ports.web_port = 80;
    ports.media_port = 9000;
    EXPECT_EQ(fields_of(ports), (std::vector<std::uint32_t> { 100, 19 }));
    ports.web_port = 0;
    ports.media_port = 0;
    EXPECT_TRUE(fields_of(ports).empty());
}
