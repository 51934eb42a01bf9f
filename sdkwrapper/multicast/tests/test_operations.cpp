// The operations without a network: request parsing and its refusals, the
// opening and filing of replies, the three reports and their JSON, and the
// life of a handle (start, the final null text, stop from every side).
#include "common/json.h"
#include "multicast/base64.h"
#include "multicast/multicast.pb.h"
#include "multicast/operations.h"
#include "multicast/replies.h"
#include "multicast/senders.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

using namespace vlsdk;
using namespace std::chrono;

namespace
{

// An engine on a host without addresses: passes open no socket and end at
// their time-out or a stop, sending nothing anywhere.
multicast_environment no_network()
{
    multicast_environment env;
    env.local_addresses = [] { return std::vector<local_address> {}; };
    return env;
}

struct Call {
    bool null = false;
    std::string text;
    std::thread::id thread;
};

struct Calls {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<Call> calls;

    std::vector<Call> snapshot()
    {
        std::lock_guard<std::mutex> hold(lock);
        return calls;
    }
    std::vector<std::string> texts()
    {
        std::vector<std::string> out;
        for (const auto& c : snapshot())
            out.push_back(c.null ? "(null)" : c.text);
        return out;
    }
};

void VL_CALL record(const char* text, void* user)
{
    auto* calls = static_cast<Calls*>(user);
    std::lock_guard<std::mutex> hold(calls->lock);
    calls->calls.push_back({ text == nullptr, text ? text : "", std::this_thread::get_id() });
    calls->changed.notify_all();
}

Json::Value parse(const std::string& text)
{
    Json::Value v;
    EXPECT_TRUE(vljson::parse(text.c_str(), v)) << text;
    return v;
}

// Requests are written over several lines here; inside a JSON text a line
// break may not stand in a string.
std::string one_line(std::string text)
{
    for (auto& c : text)
        if (c == '\n')
            c = ' ';
    return text;
}

long elapsed_ms(steady_clock::time_point since)
{
    return long(duration_cast<milliseconds>(steady_clock::now() - since).count());
}

// A simulated device: its key pair and id, and its replies sealed to an engine.
struct Device {
    x25519_key_pair keys;
    std::string id;

    explicit Device(char tag)
        : id(16, tag)
    {
        EXPECT_TRUE(keys.make());
    }
    std::string id_text() const { return multicast_base64_encode(id); }
    std::string key_text() const { return multicast_base64_encode(keys.blob()); }

    queued_reply sealed(const multicast_session& engine, const multicast::DecReply& reply) const
    {
        const auto envelope = seal_envelope(keys, engine.key_pair().public_key(), reply.SerializeAsString());
        EXPECT_TRUE(envelope.has_value());
        return { std::string(), envelope.value_or(std::string()), keys.blob() };
    }
    queued_reply activation(const multicast_session& engine, int result) const
    {
        multicast::DecReply r;
        r.set_dev_id(id);
        r.mutable_set_password()->set_result(result);
        return sealed(engine, r);
    }
    queued_reply update(const multicast_session& engine, int result, const std::string& nonce) const
    {
        multicast::DecReply r;
        r.set_dev_id(id);
        r.mutable_update_info()->set_result(result);
        r.mutable_update_info()->set_nonce(nonce);
        return sealed(engine, r);
    }
};

// An engine that has had one (empty) pass: it holds the key pair that
// devices seal their replies to.
std::unique_ptr<multicast_session> engine_after_a_pass()
{
    auto engine = std::make_unique<multicast_session>(kMulticastGroupV4, kMulticastGroupV6, no_network());
    engine->set_timeout(1);
    engine->send_search_msg();
    return engine;
}

multicast_device_record record_of(const std::string& mac, const std::string& ip, const std::string& name = "")
{
    multicast_device_record r;
    r.mac = mac;
    r.wired_ip = ip;
    r.dev_name = name;
    return r;
}

} // namespace

// ---- Requests ---------------------------------------------------------------

TEST(MulticastRequest, TimeoutDelayAndFlagsOfASearch)
{
    struct Case {
        const char* request;
        int timeout;
        int delay;
        bool must_understand;
    };
    for (const Case& c : std::vector<Case> {
             { "{}", 3000, 0, false },
             { R"({"timeout": 0})", 3000, 0, false },
             { R"({"timeout": -5})", 3000, 0, false },
             { R"({"timeout": 10001})", 3000, 0, false },
             { R"({"timeout": 1e12, "delay": 1e12})", 3000, 2147483647, false },
             { R"({"timeout": 1})", 1, 0, false },
             { R"({"timeout": 10000, "delay": 2000, "must understand": true})", 10000, 2000, true },
             { R"({"timeout": null, "delay": 5, /* comment */ })", 3000, 5, false },
         }) {
        auto engine = make_search_session(c.request, nullptr, nullptr, no_network());
        ASSERT_TRUE(engine) << c.request;
        EXPECT_EQ(engine->timeout(), c.timeout) << c.request;
        EXPECT_EQ(engine->delay(), c.delay) << c.request;
        EXPECT_EQ(engine->must_understand(), c.must_understand) << c.request;
    }
    // The activation and the update read the same top level.
    const char* data = R"(, "data": "{\"device\": []}"})";
    for (const char* timeout : { "0", "-5", "10001" }) {
        const std::string request = std::string(R"({"timeout": )") + timeout + data;
        EXPECT_EQ(make_activation_session(request.c_str(), nullptr, nullptr, no_network())->timeout(), 3000);
        EXPECT_EQ(make_update_session(request.c_str(), nullptr, nullptr, no_network())->timeout(), 3000);
    }
    const std::string both = R"({"timeout": 10000, "delay": 7)" + std::string(data);
    auto kept = make_update_session(both.c_str(), nullptr, nullptr, no_network());
    EXPECT_EQ(kept->timeout(), 10000);
    EXPECT_EQ(kept->delay(), 7);
}

TEST(MulticastRequest, RefusedRequestsReturnNullWithoutACallback)
{
    Calls calls;
    for (const char* request : { static_cast<const char*>(nullptr), "", "not json", "{", "[1]", "5",
             R"({"timeout": "long"})", R"({"delay": {}})", R"({"must understand": "yes"})",
             R"({"manufactures": "116"})", R"({"manufactures": [["116"]]})" }) {
        EXPECT_EQ(make_search_session(request, record, &calls, no_network()), nullptr)
            << (request ? request : "(null)");
        EXPECT_EQ(multi_search_start(request, record, &calls, no_network()), nullptr);
    }
    for (const char* request : { static_cast<const char*>(nullptr), "not json", R"({"timeout": "long"})" }) {
        EXPECT_EQ(multi_activate_start(request, record, &calls, no_network()), nullptr);
        EXPECT_EQ(multi_update_start(request, record, &calls, no_network()), nullptr);
    }
    EXPECT_TRUE(calls.snapshot().empty());
}

TEST(MulticastRequest, ManufacturersAreMappedAndCappedAtFive)
{
    const auto& table = manufacturer_table();
    ASSERT_EQ(table.size(), 15u);
    std::vector<std::string> ids;
    for (const auto& row : table) {
        EXPECT_GE(std::string(row.code).size(), 3u);
        EXPECT_LE(std::string(row.code).size(), 6u);
        ids.push_back(row.id);
    }
    EXPECT_EQ(ids,
        (std::vector<std::string> { "116", "", "144", "148", "221", "199", "313", "313", "309", "43", "142",
            "253", "440", "378", "448" }));
    EXPECT_EQ(map_manufacturer(table[0].code), "116");
    EXPECT_EQ(map_manufacturer("unknown"), "unknown");
    std::string lower = table[0].code;
    for (auto& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(map_manufacturer(lower), lower) << "codes are case-sensitive";

    // Seven given: the first five, mapped or passed on, in request order.
    const std::string request = std::string(R"({"manufactures": [")") + table[8].code + R"(", "500", ")"
        + table[0].code + R"(", 42, ")" + table[14].code + R"(", ")" + table[1].code + R"(", "999"]})";
    auto engine = make_search_session(request.c_str(), nullptr, nullptr, no_network());
    ASSERT_TRUE(engine);
    EXPECT_EQ(engine->manufacturer_list(),
        "{\n\t\"manu\" : \n\t[\n\t\t\"309\",\n\t\t\"500\",\n\t\t\"116\",\n\t\t"
        "\"42\",\n\t\t\"448\"\n\t]\n}");
    EXPECT_EQ(manufacturer_ids(engine->manufacturer_list()),
        (std::vector<std::string> { "309", "500", "116", "42", "448" }));
    for (const char* none : { "{}", R"({"manufactures": []})", R"({"manufactures": null})" })
        EXPECT_EQ(make_search_session(none, nullptr, nullptr, no_network())->manufacturer_list(), "null")
            << none;
}

TEST(MulticastRequest, ActivationEntries)
{
    const std::string request = one_line(R"({"data": "{\"device\": [
        {\"id\": \"aWQx\", \"key\": \"a2V5MQ==\", \"password\": \"Abc_12345\", \"conn ipc pwd\": \"Ipc_12345\",
         \"sync onvif\": true, \"is sync pwd\": true, \"client type\": 1},
        {\"id\": \"aWQy\", \"client type\": 2, \"sync onvif\": null, \"is sync pwd\": 1},
        {\"client type\": -1},
        {}
    ]}"})");
    auto engine = make_activation_session(request.c_str(), nullptr, nullptr, no_network());
    ASSERT_TRUE(engine);
    const auto& e = engine->activation_entries();
    ASSERT_EQ(e.size(), 4u);
    EXPECT_EQ(e[0].id, "aWQx");
    EXPECT_EQ(e[0].key, "a2V5MQ==");
    EXPECT_EQ(e[0].password, "Abc_12345");
    EXPECT_EQ(e[0].conn_ipc_pwd, "Ipc_12345");
    EXPECT_TRUE(e[0].sync_onvif);
    EXPECT_TRUE(e[0].is_sync_pwd);
    EXPECT_EQ(e[0].client_type, 1);
    EXPECT_EQ(e[1].client_type, 0);
    EXPECT_FALSE(e[1].sync_onvif);
    EXPECT_FALSE(e[1].is_sync_pwd);
    EXPECT_EQ(e[2].client_type, 0);
    for (const auto& entry : e)
        EXPECT_EQ(entry.result, 9);

    // "data" may also be the object itself; "device" absent gives no entries.
    EXPECT_EQ(
        make_activation_session(R"({"data": {"device": [{"id": "x"}]}})", nullptr, nullptr, no_network())
            ->activation_entries()
            .size(),
        1u);
    EXPECT_TRUE(make_activation_session(R"({"data": "{}"})", nullptr, nullptr, no_network())
                    ->activation_entries()
                    .empty());
}

TEST(MulticastRequest, UpdateEntriesCarryTheirSettings)
{
    const std::string request
        = one_line(R"({"data": "{\"device\": [{\"id\": \"aWQx\", \"key\": \"a2V5\", \"username\": \"admin\",
        \"password\": \"Admin_123\", \"info\": \"{\\\"wired ip\\\": \\\"192.168.1.99\\\",
        \\\"wired mask\\\": \\\"255.255.0.0\\\", \\\"wired gateway\\\": \\\"192.168.0.1\\\",
        \\\"dhcp\\\": \\\"static\\\", \\\"web port\\\": 8080, \\\"media port\\\": 9000, \\\"rtsp port\\\": 554,
        \\\"category\\\": -2, \\\"enable wifi\\\": true, \\\"activate\\\": true, \\\"net card\\\": \\\"eth1\\\",
        \\\"cloud switch\\\": true, \\\"dev name\\\": \\\"Gate\\\", \\\"ipv6\\\": \\\"fe80::5\\\"}\"}]}"})");
    auto engine = make_update_session(request.c_str(), nullptr, nullptr, no_network());
    ASSERT_TRUE(engine);
    ASSERT_EQ(engine->update_entries().size(), 1u);
    const auto& e = engine->update_entries()[0];
    EXPECT_EQ(e.id, "aWQx");
    EXPECT_EQ(e.key, "a2V5");
    EXPECT_EQ(e.username, "admin");
    EXPECT_EQ(e.password, "Admin_123");
    EXPECT_EQ(e.result, 5);
    EXPECT_TRUE(e.nonce.empty());
    EXPECT_EQ(e.settings.wired_ip, "192.168.1.99");
    EXPECT_EQ(e.settings.wired_mask, "255.255.0.0");
    EXPECT_EQ(e.settings.wired_gw, "192.168.0.1");
    EXPECT_EQ(e.settings.dhcp, "static");
    EXPECT_EQ(e.settings.web_port, 8080u);
    EXPECT_EQ(e.settings.media_port, 9000u);
    EXPECT_EQ(e.settings.rtsp_port, 554u);
    EXPECT_EQ(e.settings.category, -2);
    EXPECT_TRUE(e.settings.is_enable_wifi);
    EXPECT_TRUE(e.settings.activated);
    EXPECT_EQ(e.settings.net_card, "eth1");
    EXPECT_TRUE(e.settings.cloud_switch);
    EXPECT_EQ(e.settings.dev_name, "Gate");
    EXPECT_EQ(e.settings.ip6_link_local, "fe80::5");
    EXPECT_TRUE(e.settings.wired_dns1.empty());
}

// A "data" or "info" that fails: one error text on the caller's thread, then
// null; nothing else, ever.
TEST(MulticastRequest, BadDataOrInfoGivesOneParseErrorOnTheCallersThread)
{
    struct Case {
        bool update;
        const char* request;
    };
    const char* good_info = R"(\"info\": \"{}\")";
    const std::string second_bad_info = std::string(R"({"data": "{\"device\": [{\"id\": \"a\", )") + good_info
        + R"(}, {\"id\": \"b\", \"info\": \"{not json\"}]}"})";
    const std::string second_without_info = std::string(R"({"data": "{\"device\": [{\"id\": \"a\", )")
        + good_info + R"(}, {\"id\": \"b\"}]}"})";
    const std::string info_wrong_type = std::string(
        R"({"data": "{\"device\": [{\"id\": \"a\", \"info\": \"{\\\"web port\\\": \\\"80\\\"}\"}]}"})");
    for (const Case& c : std::vector<Case> {
             { false, R"({"data": "not json"})" },
             { false, R"({})" },
             { false, R"({"data": 5})" },
             { false, R"({"data": "[1, 2]"})" },
             { false, R"({"data": "{\"device\": {}}"})" },
             { false, R"({"data": "{\"device\": [1]}"})" },
             { false, R"({"data": "{\"device\": [{\"password\": 12345678}]}"})" },
             { true, R"({"data": "not json"})" },
             { true, second_bad_info.c_str() },
             { true, second_without_info.c_str() },
             { true, info_wrong_type.c_str() },
         }) {
        Calls calls;
        auto* handle = c.update ? multi_update_start(c.request, record, &calls, no_network())
                                : multi_activate_start(c.request, record, &calls, no_network());
        EXPECT_EQ(handle, nullptr) << c.request;
        std::this_thread::sleep_for(milliseconds(5)); // a stray worker would show up here
        const auto got = calls.snapshot();
        ASSERT_EQ(got.size(), 1u) << c.request;
        EXPECT_FALSE(got[0].null);
        EXPECT_EQ(got[0].text, R"({"msg":"parse json error"})");
        EXPECT_EQ(got[0].thread, std::this_thread::get_id());
    }

    // The first device's entry is not kept when the second fails.
    multicast_session engine(kMulticastGroupV4, kMulticastGroupV6, no_network());
    const Json::Value root = parse(second_bad_info);
    EXPECT_EQ(engine.parse_update_request(0, 3000, root["data"], nullptr, nullptr), -1);
    EXPECT_TRUE(engine.update_entries().empty());
}

// ---- Replies ----------------------------------------------------------------

TEST(MulticastReplies, RepliesAreOpenedAndFiledByKind)
{
    auto engine = engine_after_a_pass();
    Device a('a'), b('b'), c('c');

    multicast::DecReply found;
    found.set_dev_id(a.id);
    auto* info = found.mutable_search_device()->mutable_info();
    info->set_mac("00:11:22:33:44:55");
    info->set_wired_ip("192.168.1.20");
    info->set_is_dhcp(true);
    info->set_media_port(9000);
    auto* limit = found.mutable_search_device()->mutable_dev_limit();
    limit->mutable_dev_name()->set_max_length(32);
    limit->mutable_web_port()->add_values(80);
    limit->mutable_web_port()->add_values(8080);
    limit->set_wired_ip(true);
    engine->reply_queue().push_back(a.sealed(*engine, found));

    // A reply that carries its own key blob is opened with that one.
    multicast::DecReply bare;
    bare.set_dev_id(b.id);
    bare.mutable_search_device(); // no info
    auto with_key = b.sealed(*engine, bare);
    with_key.reply_key = with_key.sender_key;
    with_key.sender_key = c.keys.blob();
    engine->reply_queue().push_back(with_key);

    engine->reply_queue().push_back(c.activation(*engine, 6));
    engine->reply_queue().push_back(c.update(*engine, 3, "nonce-1"));

    // Dropped: a corrupted envelope, an empty key, another kind of reply.
    auto corrupted = a.activation(*engine, 0);
    corrupted.envelope[5] ^= 1;
    engine->reply_queue().push_back(corrupted);
    engine->reply_queue().push_back({ std::string(), a.activation(*engine, 0).envelope, std::string() });
    multicast::DecReply other;
    other.set_dev_id(a.id);
    other.mutable_auth_operate()->set_value_1(1);
    engine->reply_queue().push_back(a.sealed(*engine, other));

    engine->process_replies();
    ASSERT_EQ(engine->device_records().size(), 2u);
    const auto& r = engine->device_records()[0];
    EXPECT_EQ(r.dev_id, a.id);
    EXPECT_EQ(r.dev_enc, a.keys.blob());
    EXPECT_EQ(r.mac, "00:11:22:33:44:55");
    EXPECT_EQ(r.dhcp, "dhcp");
    EXPECT_EQ(r.media_port, 9000u);
    EXPECT_EQ(r.dev_limit,
        R"({"dev_name":{"least_combine_number":0,"max_length":32,"min_length":0},"is_dhcp":false,)"
        R"("is_enable_wifi":false,"mac":false,"web_port":{"fixed_value":false,"values":[80,8080]},)"
        R"("wired_dns1":false,"wired_dns2":false,"wired_gw":false,"wired_ip":true,"wired_mask":false})");
    const auto& empty = engine->device_records()[1];
    EXPECT_EQ(empty.dev_id, b.id);
    EXPECT_EQ(empty.dev_enc, c.keys.blob()) << "dev enc is the datagram's key blob";
    EXPECT_TRUE(empty.mac.empty());
    EXPECT_EQ(empty.dhcp, "static");
    EXPECT_TRUE(empty.dev_limit.empty());
    ASSERT_EQ(engine->activation_replies().size(), 1u);
    EXPECT_EQ(engine->activation_replies()[0].result, 6);
    ASSERT_EQ(engine->update_replies().size(), 1u);
    EXPECT_EQ(engine->update_replies()[0].nonce, "nonce-1");
}

TEST(MulticastReplies, IpTextsAndTheirOrder)
{
    for (auto [given, written] : std::vector<std::pair<std::string, std::string>> {
             { "192.168.001.010", "192.168.1.10" },
             { "010.0.0.5", "10.0.0.5" },
             { "192.168.1.3", "192.168.1.3" },
             { "", "" },
             { "fe80::1", "fe80::1" },
             { "1.2.3", "1.2.3" },
             { "1.2.3.4.5", "1.2.3.4.5" },
             { "1.2.3.4x", "1.2.3.4x" },
             { "-1.2.3.4", "-1.2.3.4" },
             { "99999999999.1.1.1", "99999999999.1.1.1" },
         })
        EXPECT_EQ(normalize_ipv4_text(given), written) << given;
    EXPECT_EQ(ipv4_sort_value("10.0.0.5"), 0x0A000005u);
    EXPECT_EQ(ipv4_sort_value(""), 0xFFFFFFFFu);
    EXPECT_EQ(ipv4_sort_value("nonsense"), 0xFFFFFFFFu);

    EXPECT_TRUE(compare_mac_descending(record_of("aa:bb:cc", ""), record_of("ff:ff", "")));
    EXPECT_TRUE(compare_mac_descending(record_of("bb", ""), record_of("ba", "")));
    EXPECT_TRUE(compare_mac_descending(record_of("\xff", ""), record_of("a", ""))) << "bytes are unsigned";
}

TEST(MulticastReplies, SearchReportOrderDuplicatesAndKeys)
{
    auto engine = engine_after_a_pass();
    auto& records = engine->device_records();
    records.push_back(record_of("00:00:00:00:00:01", "192.168.1.20", "first"));
    records.push_back(record_of("00:00:00:00:00:02", "", "no address"));
    records.push_back(record_of("00:00:00:00:00:03", "10.0.0.5"));
    records.push_back(record_of("00:00:00:00:00:01", "192.168.1.21", "same mac, other address"));
    records.push_back(record_of("00:00:00:00:00:04", "192.168.1.3"));
    records.push_back(record_of("00:00:00:00:00:01", "192.168.001.020", "copy"));
    records.push_back(record_of("00:00:00:00:00:05", "192.168.001.010"));
    records.push_back(record_of("00:00:00:00:00:01", "192.168.1.20", "copy"));
    records[0].dev_id = "\x01\x02\x03";
    records[0].dev_enc = std::string(1, char(0xB0)) + std::string(32, 'k');
    records[0].category = -1;
    records[0].support_two_way_talk = 7;
    records[0].dev_limit = R"({"mac":true})";
    records[2].dev_limit = "{broken";

    Calls calls;
    engine->set_search_callback(record, &calls);
    engine->report_search_results();
    const auto texts = calls.texts();
    ASSERT_EQ(texts.size(), 7u);
    EXPECT_EQ(texts.back(), "(null)");
    std::vector<std::string> order;
    for (std::size_t i = 0; i + 1 < texts.size(); ++i)
        order.push_back(parse(texts[i])["wired ip"].asString());
    EXPECT_EQ(order,
        (std::vector<std::string> {
            "10.0.0.5", "192.168.1.3", "192.168.1.10", "192.168.1.20", "192.168.1.21", "" }));

    const Json::Value first = parse(texts[3]);
    EXPECT_EQ(first["dev name"].asString(), "first") << "of copies, the first received stays";
    EXPECT_EQ(first["dev id"].asString(), "AQID");
    EXPECT_EQ(first["dev enc"].asString(), multicast_base64_encode(records[0].dev_enc));
    EXPECT_EQ(first["category"].asUInt(), 4294967295u);
    EXPECT_TRUE(first["dev_limit"]["mac"].asBool());
    EXPECT_FALSE(parse(texts[0]).isMember("dev_limit")) << "a broken dev_limit is left out";
    for (const char* key :
        { "input pin count", "output pin count", "support two way talk", "is first login" })
        EXPECT_FALSE(first.isMember(key)) << key;
    // Every key a caller reads, with its type.
    std::vector<std::string> keys = first.getMemberNames();
    EXPECT_EQ(keys,
        (std::vector<std::string> { "activated", "analog num", "category", "channel num", "cloud id",
            "cloud switch", "dev data", "dev enc", "dev id", "dev name", "dev type", "dev_limit", "dhcp",
            "enable wifi", "ipv6", "is added", "mac", "manufacture", "media port", "net card", "p2pid", "phy",
            "product code", "rtsp port", "serial number", "software", "support ap", "support sta",
            "sys channel num", "web port", "wifi connect", "wired connect", "wired dns1", "wired dns2",
            "wired gateway", "wired ip", "wired mask", "wireless ip" }));
    EXPECT_TRUE(first["activated"].isBool());
    EXPECT_TRUE(first["web port"].isUInt());
    // The default layout: tabs, " : ", sorted keys.
    EXPECT_EQ(texts[3].substr(0, 20), "{\n\t\"activated\" : fal");

    // With the extended results.
    Calls extended;
    multicast_session wide(kMulticastGroupV4, kMulticastGroupV6, no_network());
    wide.set_timeout(1);
    wide.set_manufacturer_list(R"({"manu": ["313"]})");
    wide.send_search_msg();
    ASSERT_TRUE(wide.extended_results());
    wide.device_records() = { records[0] };
    wide.device_records()[0].input_pin_count = 4;
    wide.set_search_callback(record, &extended);
    wide.report_search_results();
    const Json::Value x = parse(extended.texts().at(0));
    EXPECT_EQ(x["input pin count"].asUInt(), 4u);
    EXPECT_EQ(x["output pin count"].asUInt(), 0u);
    EXPECT_EQ(x["support two way talk"].asInt(), 0) << "7 is no known value";
    EXPECT_TRUE(x["is first login"].asBool());
    EXPECT_EQ(extended.texts().at(1), "(null)");
}

TEST(MulticastReplies, ActivationResults)
{
    auto engine = engine_after_a_pass();
    Device a('a'), b('b'), c('c'), d('d'), silent('s');
    for (const Device* dev : { &a, &b, &c, &d, &silent }) {
        activation_entry e;
        e.id = dev->id_text();
        e.key = dev->key_text();
        engine->activation_entries().push_back(e);
    }
    auto& q = engine->reply_queue();
    q.push_back(a.activation(*engine, 12));
    q.push_back(b.activation(*engine, 7));
    q.push_back(b.activation(*engine, 0)); // a copy that reached it on another socket
    q.push_back(c.activation(*engine, 0));
    q.push_back(d.activation(*engine, 6));
    q.push_back(c.activation(*engine, 6));
    engine->process_replies();

    Calls calls;
    engine->set_activation_callback(record, &calls);
    engine->report_activation_results();
    const auto texts = calls.texts();
    ASSERT_EQ(texts.size(), 6u);
    const std::vector<std::pair<const Device*, std::string>> expected { { &a, "save failed" },
        { &b, "success" }, { &c, "success" }, { &d, "device is activated" }, { &silent, "no response" } };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(texts[i],
            "{\n\t\"dev id\" : \"" + expected[i].first->id_text() + "\",\n\t\"result\" : \""
                + expected[i].second + "\"\n}");
    }
    EXPECT_EQ(texts[5], "(null)");

    for (int code = 0; code <= 13; ++code) {
        static const char* texts_by_code[] = { "success", "not support", "check error", "key error",
            "rule not met", "weak password dictionary", "device is activated", "save failed",
            "ipc rule not met", "no response", "save failed", "save failed", "save failed", "save failed" };
        EXPECT_STREQ(activation_result_text(code), texts_by_code[code]) << code;
    }
    EXPECT_STREQ(activation_result_text(-1), "save failed");
}

TEST(MulticastReplies, UpdateResultsAndNonces)
{
    auto engine = engine_after_a_pass();
    Device a('a'), b('b'), silent('s'), c('c'), d('d'), expired('e');
    for (const Device* dev : { &a, &b, &silent, &c, &d, &expired }) {
        update_entry e;
        e.id = dev->id_text();
        e.key = dev->key_text();
        engine->update_entries().push_back(e);
    }
    Calls calls;
    engine->set_update_callback(record, &calls);

    // First pass: nonces are kept, nothing is reported.
    engine->reply_queue().push_back(a.update(*engine, 3, "nonce-a"));
    engine->reply_queue().push_back(b.update(*engine, 3, "nonce-b"));
    engine->process_replies();
    engine->report_update_results(false);
    EXPECT_TRUE(calls.snapshot().empty());
    EXPECT_EQ(engine->update_entries()[0].nonce, "nonce-a");
    EXPECT_EQ(engine->update_entries()[1].nonce, "nonce-b");
    EXPECT_EQ(engine->update_entries()[0].result, 5);
    EXPECT_TRUE(engine->update_entries()[2].nonce.empty());

    engine->clear_pass();
    EXPECT_TRUE(engine->reply_queue().empty());
    EXPECT_TRUE(engine->update_replies().empty());
    engine->set_timeout(1);
    engine->send_update_msg(true);
    engine->reply_queue().push_back(a.update(*engine, 0, ""));
    engine->reply_queue().push_back(a.update(*engine, 3, "fresh")); // the copy after the one that worked
    engine->reply_queue().push_back(b.update(*engine, 9, ""));
    // A wrong password, told once; the copies that follow find the nonce
    // used up. Whichever comes first, the device's own answer stands.
    engine->reply_queue().push_back(c.update(*engine, 2, ""));
    engine->reply_queue().push_back(c.update(*engine, 3, "n1"));
    engine->reply_queue().push_back(d.update(*engine, 3, "n2"));
    engine->reply_queue().push_back(d.update(*engine, 2, ""));
    engine->reply_queue().push_back(d.update(*engine, 3, "n3"));
    engine->reply_queue().push_back(expired.update(*engine, 3, "n4")); // a nonce that had expired
    engine->process_replies();
    engine->report_update_results(true);
    const auto texts = calls.texts();
    ASSERT_EQ(texts.size(), 7u);
    EXPECT_EQ(parse(texts[0])["result"].asString(), "success");
    EXPECT_EQ(parse(texts[1])["result"].asString(), "update failed");
    EXPECT_EQ(parse(texts[2])["result"].asString(), "no response");
    EXPECT_EQ(parse(texts[2])["dev id"].asString(), silent.id_text());
    EXPECT_EQ(parse(texts[3])["result"].asString(), "check error");
    EXPECT_EQ(parse(texts[4])["result"].asString(), "check error");
    EXPECT_EQ(parse(texts[5])["result"].asString(), "need auth");
    EXPECT_EQ(texts[6], "(null)");

    for (int code = 0; code <= 6; ++code) {
        static const char* texts_by_code[] = { "success", "not support", "check error", "need auth",
            "update failed", "no response", "update failed" };
        EXPECT_STREQ(update_result_text(code), texts_by_code[code]) << code;
    }

    // Without a callback the nonces are still kept: the second pass needs them.
    auto quiet = engine_after_a_pass();
    update_entry e;
    e.id = a.id_text();
    quiet->update_entries().push_back(e);
    quiet->reply_queue().push_back(a.update(*quiet, 3, "nonce-q"));
    quiet->process_replies();
    quiet->report_update_results(false);
    EXPECT_EQ(quiet->update_entries()[0].nonce, "nonce-q");
}

// ---- Handles ----------------------------------------------------------------

TEST(MulticastHandle, AnOperationEndsWithTheNullTextOnItsWorker)
{
    Calls calls;
    const Device device('a');
    const std::string key = R"(\"key\": \")" + device.key_text() + R"(\")";
    const std::string activation = R"({"timeout": 50, "data": "{\"device\": [{\"id\": \"aWQx\", )" + key
        + R"(}, {\"id\": \"aWQy\", )" + key + R"(}]}"})";
    const std::string update
        = R"({"timeout": 50, "data": "{\"device\": [{\"id\": \"aWQx\", \"info\": \"{}\", )" + key
        + R"(}]}"})";
    auto* s = multi_search_start(R"({"timeout": 50})", record, &calls, no_network());
    auto* a = multi_activate_start(activation.c_str(), record, &calls, no_network());
    auto* u = multi_update_start(update.c_str(), record, &calls, no_network());
    ASSERT_TRUE(s && a && u);
    EXPECT_EQ(multi_handle_stop_export(s), 0);
    EXPECT_EQ(multi_handle_stop_export(a), 0);
    EXPECT_EQ(multi_handle_stop_export(u), 0);
    const auto got = calls.snapshot();
    // search: the null text; activation: two entries and the null text;
    // update: one entry and the null text.
    ASSERT_EQ(got.size(), 6u);
    int nulls = 0;
    for (const auto& c : got) {
        EXPECT_NE(c.thread, std::this_thread::get_id());
        nulls += c.null;
        if (!c.null) {
            EXPECT_EQ(parse(c.text)["result"].asString(), "no response");
        }
    }
    EXPECT_EQ(nulls, 3);

    // A null callback: the operation runs and reports nothing.
    auto* quiet = multi_search_start(R"({"timeout": 20})", nullptr, nullptr, no_network());
    ASSERT_TRUE(quiet);
    EXPECT_EQ(multi_handle_stop_export(quiet), 0);
}

TEST(MulticastHandle, StopSemantics)
{
    EXPECT_EQ(multi_handle_stop_export(nullptr), -1);

    // After the end: 0 at once, no callback.
    {
        Calls calls;
        auto* handle = multi_search_start(R"({"timeout": 30})", record, &calls, no_network());
        ASSERT_TRUE(handle);
        {
            std::unique_lock<std::mutex> hold(calls.lock);
            ASSERT_TRUE(calls.changed.wait_for(hold, seconds(10), [&] { return !calls.calls.empty(); }));
        }
        std::this_thread::sleep_for(milliseconds(20));
        const auto start = steady_clock::now();
        EXPECT_EQ(multi_handle_stop_export(handle), 0);
        EXPECT_LT(elapsed_ms(start), 500);
        EXPECT_EQ(calls.texts(), std::vector<std::string> { "(null)" });
    }

    // Mid-run: the pass ends, and the null text comes before the stop returns.
    {
        Calls calls;
        auto* handle = multi_search_start(R"({"timeout": 10000})", record, &calls, no_network());
        ASSERT_TRUE(handle);
        while (!handle->engine->running())
            std::this_thread::sleep_for(milliseconds(1));
        const auto start = steady_clock::now();
        EXPECT_EQ(multi_handle_stop_export(handle), 0);
        EXPECT_LT(elapsed_ms(start), 2000);
        EXPECT_EQ(calls.texts(), std::vector<std::string> { "(null)" });
    }

    // From inside the callback: refused, and the operation goes on to its end.
    {
        struct Inside {
            std::atomic<multicast_handle*> handle { nullptr };
            std::atomic<int> result { 99 };
            std::atomic<int> calls { 0 };
        } inside;
        auto callback = [](const char*, void* user) {
            auto* in = static_cast<Inside*>(user);
            while (!in->handle.load())
                std::this_thread::yield();
            in->result = multi_handle_stop_export(in->handle.load());
            ++in->calls;
        };
        auto* handle = multi_search_start(R"({"timeout": 20})", callback, &inside, no_network());
        ASSERT_TRUE(handle);
        inside.handle = handle;
        EXPECT_EQ(multi_handle_stop_export(handle), 0);
        EXPECT_EQ(inside.result.load(), -1);
        EXPECT_EQ(inside.calls.load(), 1);
        EXPECT_FALSE(on_worker_of(handle)) << "this thread is no worker";
    }
}

// A stop while the update waits for its first pass ends that pass; the
// second still runs, and the stop returns after the final null text.
TEST(MulticastHandle, AStopDuringTheFirstPassOfAnUpdateLetsTheSecondRun)
{
    Calls calls;
    const Device device('a');
    const std::string request
        = std::string(R"({"timeout": 300, "data": "{\"device\": [{\"id\": \"aWQx\", \"info\": \"{}\", )")
        + R"(\"key\": \")" + device.key_text() + R"(\"}]}"})";
    auto* handle = multi_update_start(request.c_str(), record, &calls, no_network());
    ASSERT_TRUE(handle);
    while (!handle->engine->running())
        std::this_thread::sleep_for(milliseconds(1));
    const auto start = steady_clock::now();
    EXPECT_EQ(multi_handle_stop_export(handle), 0);
    const long took = elapsed_ms(start);
    EXPECT_GE(took, 250) << "the second pass ran its full time";
    EXPECT_LT(took, 3000);
    const auto texts = calls.texts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(parse(texts[0])["result"].asString(), "no response");
    EXPECT_EQ(texts[1], "(null)");
}
