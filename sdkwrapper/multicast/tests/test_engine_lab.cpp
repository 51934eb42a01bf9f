// The engine on a network: against the device simulator in the lab, every
// operation's request reaches the devices as they must read it, and their
// answers come back into the reply queue; the receive filter, the socket
// set-up failures and a stop from another thread on live sockets.
#include "common/json.h"
#include "hex.h"
#include "log_folder.h"
#include "multicast/base64.h"
#include "multicast/multicast.pb.h"
#include "multicast/session.h"
#include "support/devsim.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <json/reader.h>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vlsdk;
using namespace std::chrono;
using vltest::Devsim;

namespace
{

// One queued reply as the reply processing will see it.
struct Opened {
    bool opened = false;
    multicast::DecReply reply;
    std::string sender_key;
};

std::vector<Opened> open_queue(multicast_session& engine)
{
    std::vector<Opened> out;
    for (const auto& q : engine.reply_queue()) {
        Opened o;
        o.sender_key = q.sender_key;
        const auto pk = reply_public_key(q.reply_key, q.sender_key);
        const auto plain = pk ? open_envelope(engine.key_pair(), *pk, q.envelope) : std::nullopt;
        o.opened = plain && o.reply.ParseFromString(*plain);
        out.push_back(std::move(o));
    }
    return out;
}

struct Calls {
    std::vector<std::string> texts;
};

void VL_CALL record(const char* text, void* user)
{
    static_cast<Calls*>(user)->texts.push_back(text ? text : "(null)");
}

Json::Value parse(const std::string& text)
{
    Json::Value v;
    EXPECT_TRUE(vljson::parse(text, v)) << text;
    return v;
}

// Datagrams that the programs of this namespace have read from their UDP
// sockets, of both families: the kernel counts a datagram once its socket's
// owner has read it.
std::uint64_t udp_datagrams_read()
{
    std::uint64_t total = 0;
    std::ifstream snmp("/proc/net/snmp");
    std::vector<std::string> names;
    for (std::string line; std::getline(snmp, line);) {
        if (line.rfind("Udp: ", 0) != 0)
            continue;
        std::istringstream fields(line.substr(5));
        std::vector<std::string> row { std::istream_iterator<std::string>(fields), {} };
        if (names.empty()) {
            names = row;
            continue;
        }
        for (size_t i = 0; i < names.size() && i < row.size(); ++i)
            if (names[i] == "InDatagrams")
                total += std::stoull(row[i]);
    }
    std::ifstream snmp6("/proc/net/snmp6");
    for (std::string name, value; snmp6 >> name >> value;)
        if (name == "Udp6InDatagrams")
            total += std::stoull(value);
    return total;
}

// True while thread `tid` of this process sleeps in epoll_wait: an I/O loop
// waits there only once it has run every handler it had.
bool waits_in_epoll(pid_t tid)
{
    std::ifstream in("/proc/self/task/" + std::to_string(tid) + "/wchan");
    std::string wchan;
    in >> wchan;
    return wchan == "do_epoll_wait" || wchan == "ep_poll";
}

void run(const std::string& command)
{
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

class MulticastLab : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        sim = new Devsim({ "--generate", "6", "--seed", "3", "--inactive-percent", "0" });
    }
    static void TearDownTestSuite()
    {
        EXPECT_TRUE(sim->stopCleanly()) << sim->log();
        delete sim;
        sim = nullptr;
    }
    void TearDown() override
    {
        if (HasFailure())
            std::fprintf(
                stderr, "engine log:\n%s\ndevsim log:\n%s\n", log.text().c_str(), sim->log().c_str());
        sim->must(R"({"cmd":"multicast","all":true,"clear":true})");
    }

    static Json::Value device(int n)
    {
        return sim->must("{\"cmd\":\"get\",\"device\":" + std::to_string(n) + "}")["state"];
    }
    static Json::Value received(int n)
    {
        return sim->must(
            "{\"cmd\":\"received\",\"clear\":true,\"device\":" + std::to_string(n) + "}")["received"];
    }
    // What device n read over multicast since the last look (devsim's list
    // is cleared), oldest first. Devsim notes a copy when it reads it, which
    // on a busy machine may come after the pass that sent it has ended:
    // this waits until `want` have come, for at most 10 s.
    static std::vector<Json::Value> multicast_received(int n, size_t want)
    {
        std::vector<Json::Value> out;
        const auto deadline = steady_clock::now() + seconds(10);
        for (;;) {
            for (const auto& r : received(n))
                if (r["transport"].asString() == "multicast")
                    out.push_back(r);
            if (out.size() >= want || steady_clock::now() >= deadline)
                return out;
            std::this_thread::sleep_for(milliseconds(20));
        }
    }
    static std::string dev_id(int n) { return unhex(device(n)["dev_id"].asString()); }
    static std::string key_blob(int n)
    {
        return std::string(1, char(0xB0)) + unhex(device(n)["keys"]["public"].asString());
    }
    static void one_pass(multicast_session& engine, void (multicast_session::*send)())
    {
        engine.open_sockets();
        engine.start_receive();
        (engine.*send)();
    }
    static void clear_received()
    {
        for (int n = 0; n < 6; ++n)
            received(n);
    }

    LogFolder log { "vl-mclab-" };
    static Devsim* sim;
};

Devsim* MulticastLab::sim = nullptr;

} // namespace

TEST_F(MulticastLab, SearchReachesEveryDeviceOnBothFamiliesAndTheAnswersComeBack)
{
    clear_received();
    multicast_session engine;
    engine.set_delay(100);
    engine.set_timeout(1200);
    engine.set_must_understand(true);
    engine.open_sockets();
    EXPECT_EQ(engine.socket_count_v4(), 1u); // 192.168.0.2
    EXPECT_EQ(engine.socket_count_v6(), 2u); // fe80::2 and fd00:168::2
    engine.start_receive();
    engine.send_search_msg();
    EXPECT_FALSE(engine.extended_results());

    const std::string text = log.text();
    EXPECT_NE(text.find("check native interface num 3 \n"), std::string::npos);
    EXPECT_NE(text.find("Have bind address 192.168.0.2 \n"), std::string::npos);
    EXPECT_NE(text.find("Have bind address v6 fe80::2%eth0 \n"), std::string::npos);
    EXPECT_NE(text.find("[MULTICAST_SEND_SEARCH] Starting send_search_msg on 1 IPv4 sockets to dest: "
                        "239.255.255.250:9555\n"),
        std::string::npos);
    EXPECT_NE(text.find("[MULTICAST_SEND_SEARCH_V6] Starting send_search_msg on 2 IPv6 sockets\n"),
        std::string::npos);

    // What device 0 read: the request as sent, once per socket.
    const auto got = multicast_received(0, 3);
    ASSERT_EQ(got.size(), 3u);
    std::multiset<std::string> families;
    for (const auto& r : got) {
        families.insert(r["family"].asString());
        EXPECT_EQ(r["what"].asString(), "SEARCH");
        EXPECT_TRUE(r["must_understand"].asBool());
        EXPECT_EQ(r["delay"].asInt(), 100);
        EXPECT_EQ(r["values"].size(), 2u);
        EXPECT_EQ(r["values"][0].asInt(), 1);
        EXPECT_EQ(r["values"][1].asInt(), 0);
        EXPECT_EQ(r["manufactures"].size(), 0u);
        EXPECT_EQ(unhex(r["key"].asString()), engine.key_pair().blob());
        // The size logged is the whole datagram, prefix included.
        const std::string size = std::to_string(r["size"].asUInt());
        EXPECT_NE(
            text.find("[SEND_ATTEMPT_SEARCH] IPv4 socket from local 192.168.0.2 to 239.255.255.250:9555 "
                      "(msg_size="
                + size + ")\n"),
            std::string::npos);
        EXPECT_NE(text.find("[SEND_ATTEMPT_SEARCH] IPv6 socket from local :: (msg_size=" + size + ")\n"),
            std::string::npos);
        EXPECT_NE(text.find("[SEND_OK] Sent " + size + " bytes\n"), std::string::npos);
    }
    EXPECT_EQ(families, (std::multiset<std::string> { "v4", "v6", "v6" }));

    // Every device answered every copy, sealed to this engine, with its own key blob.
    std::map<std::string, int> answers;
    for (const auto& o : open_queue(engine)) {
        ASSERT_TRUE(o.opened);
        ASSERT_TRUE(o.reply.has_search_device());
        answers[o.reply.dev_id()]++;
    }
    ASSERT_EQ(answers.size(), 6u);
    for (int n = 0; n < 6; ++n)
        EXPECT_EQ(answers[dev_id(n)], 3) << n;
    // The devices put their key blob in the datagram, none in the reply.
    for (const auto& q : engine.reply_queue())
        EXPECT_TRUE(q.reply_key.empty());
    const auto all = open_queue(engine);
    EXPECT_EQ(all.front().sender_key.size(), 33u);
    const auto& info = all.front().reply.search_device().info();
    EXPECT_FALSE(info.mac().empty());
    EXPECT_FALSE(info.wired_ip().empty());
}

TEST_F(MulticastLab, SearchForAManufacturerAsksOnlyItsDevices)
{
    sim->must(R"({"cmd":"set","device":2,"state":{"manufacturer":"313"}})");
    clear_received();
    multicast_session engine;
    engine.set_delay(0);
    engine.set_timeout(800);
    engine.set_manufacturer_list(R"({"manu":["313","116"]})");
    one_pass(engine, &multicast_session::send_search_msg);
    EXPECT_TRUE(engine.extended_results());
    std::set<std::string> ids;
    for (const auto& o : open_queue(engine))
        ids.insert(o.reply.dev_id());
    EXPECT_EQ(ids, (std::set<std::string> { dev_id(2) }));
    const auto other = multicast_received(0, 3);
    ASSERT_EQ(other.size(), 3u);
    EXPECT_EQ(other[0]["manufactures"][0].asString(), "313");
    EXPECT_EQ(other[0]["manufactures"][1].asString(), "116");
    EXPECT_FALSE(other[0]["answered"].asBool());
    sim->must(R"({"cmd":"set","device":2,"state":{"manufacturer":"1"}})");
}

TEST_F(MulticastLab, ActivationSealsEachEntryToItsDeviceAndTheDevicesJudgeThePasswords)
{
    for (int n : { 0, 1, 2, 3, 5 })
        sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(n) + ",\"state\":{\"activated\":false}}");
    sim->must(R"({"cmd":"multicast","device":5,"save_fail":true})");
    clear_received();

    struct Case {
        int device;
        std::string password;
        std::string camera_password;
        int key_of; // device whose key the entry carries
        int result;
    };
    const std::vector<Case> cases = {
        { 0, "Good_Pass1", "", 0, 0 }, { 1, "short", "", 1, 4 }, // rule not met
        { 2, "Password1", "", 2, 5 }, // weak password list
        { 3, "Good_Pass3", "abc", 3, 8 }, // the cameras' password breaks the rules
        { 4, "Good_Pass4", "", 4, 6 }, // already activated
        { 5, "Good_Pass5", "", 5, 7 }, // cannot save
    };
    multicast_session engine;
    engine.set_delay(50);
    engine.set_timeout(1000);
    for (const auto& c : cases) {
        activation_entry e;
        e.id = multicast_base64_encode(dev_id(c.device));
        e.key = multicast_base64_encode(key_blob(c.key_of));
        e.password = c.password;
        e.conn_ipc_pwd = c.camera_password;
        e.client_type = 1;
        engine.activation_entries().push_back(e);
    }
    one_pass(engine, &multicast_session::send_activate_msg);

    std::map<std::string, std::set<int>> results;
    for (const auto& o : open_queue(engine)) {
        ASSERT_TRUE(o.opened);
        ASSERT_TRUE(o.reply.has_set_password());
        results[o.reply.dev_id()].insert(o.reply.set_password().result());
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.device);
        // The first copy of the request decides; later copies meet a device
        // that may be activated by then.
        EXPECT_TRUE(results[dev_id(c.device)].count(c.result));
        const auto got = multicast_received(c.device, 3);
        ASSERT_EQ(got.size(), 3u);
        EXPECT_EQ(got[0]["what"].asString(), "SET_PASSWORD");
        EXPECT_TRUE(got[0]["opened"].asBool());
        EXPECT_EQ(got[0]["packs"].asInt(), 6);
        EXPECT_EQ(got[0]["password"].asString(), c.password);
        EXPECT_EQ(got[0]["client_type"].asInt(), 1);
        EXPECT_EQ(got[0]["result"].asInt(), c.result);
    }
    EXPECT_EQ(results[dev_id(0)], (std::set<int> { 0, 6 }));
    const auto activated = device(0);
    EXPECT_TRUE(activated["activated"].asBool());
    EXPECT_EQ(activated["users"][0]["password"].asString(), "Good_Pass1");
    EXPECT_FALSE(device(5)["activated"].asBool());

    // Restore the devices for the other tests.
    for (int n : { 0, 1, 2, 3, 5 })
        sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(n)
            + ",\"state\":{\"activated\":true,\"users\":[{\"name\":\"admin\",\"password\":\"Admin_123\"}]}}");
}

TEST_F(MulticastLab, AnEntrySealedToAnotherDeviceIsAKeyError)
{
    sim->must(R"({"cmd":"set","device":1,"state":{"activated":false}})");
    clear_received();
    multicast_session engine;
    engine.set_delay(0);
    engine.set_timeout(700);
    activation_entry e;
    e.id = multicast_base64_encode(dev_id(1));
    e.key = multicast_base64_encode(key_blob(2));
    e.password = "Good_Pass1";
    engine.activation_entries().push_back(e);
    one_pass(engine, &multicast_session::send_activate_msg);
    const auto replies = open_queue(engine);
    ASSERT_FALSE(replies.empty());
    for (const auto& o : replies) {
        EXPECT_EQ(o.reply.dev_id(), dev_id(1));
        EXPECT_EQ(o.reply.set_password().result(), 3);
    }
    const auto got = multicast_received(1, 3);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_FALSE(got[0]["opened"].asBool());
    EXPECT_FALSE(device(1)["activated"].asBool());
    sim->must(R"({"cmd":"set","device":1,"state":{"activated":true}})");
}

TEST_F(MulticastLab, UpdateInTwoPassesWithTheDevicesNonces)
{
    sim->must(R"({"cmd":"multicast","device":2,"legacy_update":true})");
    sim->must(R"({"cmd":"multicast","device":3,"no_answer":true})");
    clear_received();
    multicast_session engine;
    engine.set_delay(50);
    engine.set_timeout(900);
    const char* new_ips[] = { "192.168.7.100", "192.168.7.101", "192.168.7.102", "192.168.7.103" };
    for (int n = 0; n < 4; ++n) {
        update_entry e;
        e.id = multicast_base64_encode(dev_id(n));
        e.key = multicast_base64_encode(key_blob(n));
        e.username = "admin";
        e.password = n == 1 ? "Wrong_123" : "Admin_123";
        e.settings.wired_ip = new_ips[n];
        e.settings.dhcp = "static";
        e.settings.web_port = 8080;
        engine.update_entries().push_back(e);
    }

    // First pass: no nonce, the digest of the password alone.
    engine.open_sockets();
    engine.start_receive();
    engine.send_update_msg(false);
    std::map<std::string, std::vector<std::pair<int, std::string>>> first; // dev id -> (result, nonce)
    for (const auto& o : open_queue(engine)) {
        ASSERT_TRUE(o.opened);
        ASSERT_TRUE(o.reply.has_update_info());
        first[o.reply.dev_id()].push_back({ o.reply.update_info().result(), o.reply.update_info().nonce() });
    }
    for (int n : { 0, 1 }) {
        SCOPED_TRACE(n);
        const auto got = multicast_received(n, 3);
        ASSERT_EQ(got.size(), 3u);
        EXPECT_EQ(got[0]["what"].asString(), "UPDATE_INFO");
        EXPECT_EQ(got[0]["username"].asString(), "admin");
        EXPECT_EQ(got[0]["nonce"].asString(), "");
        EXPECT_EQ(unhex(got[0]["pwd_hash"].asString()), *sha256(engine.update_entries()[size_t(n)].password));
        EXPECT_EQ(got[0]["update_fields"].size(), 3u); // 21, 19, 14
        EXPECT_EQ(got[0]["update_fields"][0].asInt(), 21);
        EXPECT_EQ(got[0]["update_fields"][1].asInt(), 19);
        EXPECT_EQ(got[0]["update_fields"][2].asInt(), 14);
        // Each copy asks for authentication with a nonce of its own.
        ASSERT_EQ(first[dev_id(n)].size(), 3u);
        for (const auto& [result, nonce] : first[dev_id(n)]) {
            EXPECT_EQ(result, 3);
            EXPECT_EQ(nonce.size(), 16u);
        }
    }
    // The legacy device takes the plain digest at once and moves.
    ASSERT_FALSE(first[dev_id(2)].empty());
    EXPECT_EQ(first[dev_id(2)].front().first, 0);
    EXPECT_TRUE(first[dev_id(2)].front().second.empty());
    EXPECT_EQ(device(2)["network"]["ip"].asString(), "192.168.7.102");
    EXPECT_TRUE(first[dev_id(3)].empty());
    multicast_received(3, 3);

    // What the report of the first pass does: keep the last nonce of each device.
    for (auto& e : engine.update_entries()) {
        const auto& got = first[multicast_base64_decode(e.id)];
        if (!got.empty())
            e.nonce = got.back().second;
    }
    engine.clear_pass();
    engine.open_sockets();
    engine.start_receive();
    engine.send_update_msg(true);

    std::map<std::string, std::set<int>> second;
    for (const auto& o : open_queue(engine)) {
        ASSERT_TRUE(o.opened);
        second[o.reply.dev_id()].insert(o.reply.update_info().result());
    }
    const auto got0 = multicast_received(0, 3);
    ASSERT_EQ(got0.size(), 3u);
    EXPECT_EQ(unhex(got0[0]["nonce"].asString()), engine.update_entries()[0].nonce);
    EXPECT_EQ(unhex(got0[0]["pwd_hash"].asString()), *sha256("Admin_123" + engine.update_entries()[0].nonce));
    // One copy succeeds; the nonce is used up for the others.
    EXPECT_EQ(second[dev_id(0)], (std::set<int> { 0, 3 }));
    EXPECT_TRUE(second[dev_id(1)].count(2)); // check error: wrong password
    EXPECT_EQ(second[dev_id(2)], (std::set<int> { 0 }));
    EXPECT_TRUE(second[dev_id(3)].empty());

    const auto moved = device(0)["network"];
    EXPECT_EQ(moved["ip"].asString(), "192.168.7.100");
    EXPECT_EQ(moved["web_port"].asInt(), 8080);
    EXPECT_FALSE(moved["dhcp"].asBool());
    EXPECT_NE(device(1)["network"]["ip"].asString(), "192.168.7.101");

    // Back where the other tests expect them.
    for (int n : { 0, 2 })
        sim->must("{\"cmd\":\"set\",\"device\":" + std::to_string(n)
            + ",\"state\":{\"network\":{\"ip\":\"192.168.1." + std::to_string(10 + n)
            + "\",\"web_port\":80}}}");
}

TEST_F(MulticastLab, ReceiveFilterKeepsOnlyOurRepliesAndKeepsReceiving)
{
    sim->must(R"({"cmd":"multicast","device":0,"wrong_prefix":true})");
    sim->must(R"({"cmd":"multicast","device":1,"oversize":true})");
    sim->must(R"({"cmd":"multicast","device":2,"late_ms":300})");
    sim->must(R"({"cmd":"multicast","device":3,"bad_tag":true})");
    sim->must(R"({"cmd":"multicast","device":4,"bad_utf8":true})");
    sim->must(R"({"cmd":"multicast","device":5,"duplicate":2,"late_ms":400})");
    multicast_session engine;
    engine.set_delay(0);
    engine.set_timeout(1200);
    one_pass(engine, &multicast_session::send_search_msg);

    std::map<std::string, int> queued, opened, parsed;
    for (const auto& o : open_queue(engine)) {
        queued[o.sender_key]++;
        if (o.opened)
            parsed[o.sender_key]++;
    }
    for (const auto& q : engine.reply_queue()) {
        const auto pk = reply_public_key(q.reply_key, q.sender_key);
        if (pk && open_envelope(engine.key_pair(), *pk, q.envelope))
            opened[q.sender_key]++;
    }
    EXPECT_EQ(queued.count(key_blob(0)), 0u) << "a datagram with another prefix was queued";
    // 1500 bytes arrive as the first 1024; the reply before the padding is whole.
    EXPECT_EQ(parsed[key_blob(1)], 3);
    // Later answers still arrive on every socket.
    EXPECT_EQ(parsed[key_blob(2)], 3);
    EXPECT_EQ(queued[key_blob(3)], 3);
    EXPECT_EQ(opened[key_blob(3)], 0);
    EXPECT_EQ(opened[key_blob(4)], 3);
    EXPECT_EQ(parsed[key_blob(4)], 0); // a text field that is not UTF-8 fails the whole reply
    EXPECT_EQ(parsed[key_blob(5)], 6);
}

TEST_F(MulticastLab, RepliesAfterTheTimeoutAreNotQueued)
{
    sim->must(R"({"cmd":"multicast","all":true,"late_ms":1500})");
    sim->must(R"({"cmd":"multicast","device":4,"late_ms":0})");
    multicast_session engine;
    engine.set_delay(0);
    engine.set_timeout(500);
    const auto start = steady_clock::now();
    one_pass(engine, &multicast_session::send_search_msg);
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - start).count(), 1400);
    EXPECT_EQ(engine.socket_count_v4() + engine.socket_count_v6(), 0u);
    std::set<std::string> senders;
    for (const auto& q : engine.reply_queue())
        senders.insert(q.sender_key);
    EXPECT_EQ(senders, (std::set<std::string> { key_blob(4) }));
    // The late answers arrive at closed sockets and go nowhere.
    std::this_thread::sleep_for(milliseconds(1300));
}

TEST_F(MulticastLab, AStopFromAnotherThreadEndsALiveSearch)
{
    const std::uint64_t read_before = udp_datagrams_read();
    multicast_session engine;
    engine.set_delay(0);
    engine.set_timeout(10000);
    std::atomic<pid_t> worker_tid { 0 };
    std::thread worker([&] {
        worker_tid = gettid();
        one_pass(engine, &multicast_session::send_search_msg);
    });
    // The stop comes once the engine has read all 18 answers (six devices,
    // three copies each) and its I/O loop has handled them (it waits for
    // more): what it heard before the stop stays queued.
    const auto deadline = steady_clock::now() + seconds(10);
    while ((udp_datagrams_read() - read_before < 18 || !waits_in_epoll(worker_tid))
        && steady_clock::now() < deadline)
        std::this_thread::sleep_for(milliseconds(2));
    const auto stop = steady_clock::now();
    engine.close();
    worker.join();
    EXPECT_LT(duration_cast<milliseconds>(steady_clock::now() - stop).count(), 3000);
    EXPECT_EQ(engine.reply_queue().size(), 18u); // six devices, three copies each
}

TEST(MulticastLabMany, EveryOneOfManyDevicesIsHeard)
{
    LogFolder log { "vl-mclab-" };
    Devsim many({ "--generate", "150", "--seed", "8" });
    multicast_session engine;
    engine.set_delay(300);
    engine.set_timeout(1500);
    engine.open_sockets();
    engine.start_receive();
    engine.send_search_msg();
    std::set<std::string> ids;
    for (const auto& o : open_queue(engine))
        if (o.opened && o.reply.has_search_device())
            ids.insert(o.reply.dev_id());
    EXPECT_EQ(ids.size(), 150u);
    EXPECT_EQ(engine.reply_queue().size(), 450u);
    EXPECT_TRUE(many.stopCleanly()) << many.log();
}

TEST_F(MulticastLab, AFailingJoinStopsTheSocketSetUpAndIsReported)
{
    // Three IPv4 addresses of this lab's own "pc" side.
    run("ip addr add 192.168.0.3/16 dev eth0 2>/dev/null || true");
    run("ip addr add 192.168.0.4/16 dev eth0 2>/dev/null || true");
    std::vector<local_address> three;
    for (const char* a : { "192.168.0.2", "192.168.0.3", "192.168.0.4" })
        three.push_back({ boost::asio::ip::make_address(a), 0, "eth0" });
    const auto enobufs = boost::system::errc::make_error_code(boost::system::errc::no_buffer_space);
    const auto enodev = boost::system::errc::make_error_code(boost::system::errc::no_such_device);

    struct Case {
        const char* name;
        bool fail_outbound;
        std::vector<std::string> messages;
    };
    for (const Case& c :
        { Case { "join", false, { "Failed to join V4 multicast group" } },
            Case { "both", true, { "Failed to join V4 multicast group", "Failed to bind V4 interface" } } }) {
        SCOPED_TRACE(c.name);
        multicast_environment env;
        env.local_addresses = [&] { return three; };
        env.step_result = [&](socket_step step, const local_address& local) {
            if (local.address.to_string() != "192.168.0.2")
                return boost::system::error_code();
            if (step == socket_step::join_group)
                return enobufs;
            return c.fail_outbound ? enodev : boost::system::error_code();
        };
        Calls calls;
        multicast_session engine(kMulticastGroupV4, kMulticastGroupV6, env);
        engine.set_search_callback(record, &calls);
        engine.set_timeout(300);
        one_pass(engine, &multicast_session::send_search_msg);
        EXPECT_EQ(engine.reply_queue().size(), 0u);
        ASSERT_EQ(calls.texts.size(), c.messages.size());
        for (size_t i = 0; i < c.messages.size(); ++i) {
            Json::Value object = parse(calls.texts[i]);
            EXPECT_EQ(object["msg"].asString(), c.messages[i]);
            EXPECT_EQ(object["info"].asString(), (i == 0 ? enobufs : enodev).message());
        }
        const std::string text = log.text();
        EXPECT_NE(text.find("bind interface address 192.168.0.2 bind message "
                      + (c.fail_outbound ? enodev : boost::system::error_code()).message()
                      + " join group message " + enobufs.message() + " \n"),
            std::string::npos);
        EXPECT_EQ(text.find("Have bind address 192.168.0.3"), std::string::npos);
        EXPECT_NE(text.find("Starting send_search_msg on 0 IPv4 sockets"), std::string::npos);
    }

    // A real refusal: this namespace allows no group membership at all.
    run("sysctl -q -w net.ipv4.igmp_max_memberships=0");
    Calls calls;
    {
        multicast_session engine;
        engine.set_search_callback(record, &calls);
        engine.set_timeout(200);
        one_pass(engine, &multicast_session::send_search_msg);
        EXPECT_EQ(engine.reply_queue().size(), 0u);
    }
    run("sysctl -q -w net.ipv4.igmp_max_memberships=20");
    ASSERT_EQ(calls.texts.size(), 1u);
    Json::Value object = parse(calls.texts[0]);
    EXPECT_EQ(object["msg"].asString(), "Failed to join V4 multicast group");
    EXPECT_EQ(object["info"].asString(), enobufs.message());
    run("ip addr del 192.168.0.3/16 dev eth0");
    run("ip addr del 192.168.0.4/16 dev eth0");
}
