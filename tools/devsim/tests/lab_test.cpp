// devsim as a process in the lab: many devices in one process, state kept
// across connections and runs, and the probe answered from each device's
// own address.
#include "common/json.h"
#include "events.h"
#include "support/devsim.h"
#include "wire.h"

#include <arpa/inet.h>
#include <chrono>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <json/reader.h>
#include <netinet/in.h>
#include <set>
#include <sstream>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using vltest::Devsim;
using vltest::Events;
using vltest::startV1;

namespace
{

// CPU seconds (user + system) the process has used so far.
double cpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::istringstream rest(all.substr(all.rfind(')') + 2));
    std::string field;
    unsigned long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14)
            utime = std::stoul(field);
        if (i == 15)
            stime = std::stoul(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

class DevsimLab : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("VLNET_RECONNECT_MS", "200", 1);
        setenv("VLNET_REPLY_TIMEOUT_MS", "5000", 1);
        setenv("VLNET_CONNECT_TIMEOUT_MS", "5000", 1);
        VLNetInit();
    }
    void TearDown() override { VLNetRelease(); }
};

TEST_F(DevsimLab, FiveHundredDevicesAnswerALoginEachAndIdleCheaply)
{
    Devsim sim({ "--generate", "500", "--seed", "5" });
    Json::Value list = sim.must(R"({"cmd":"list"})")["devices"];
    ASSERT_EQ(list.size(), 500u);

    std::vector<std::unique_ptr<Events>> events;
    std::vector<int> handles;
    for (const auto& d : list) {
        events.push_back(std::make_unique<Events>());
        handles.push_back(startV1(*events.back(), d["ip"].asString(), "admin", "Admin_123"));
        ASSERT_NE(handles.back(), 0);
    }
    int ok = 0, refused = 0;
    for (size_t i = 0; i < list.size(); ++i) {
        // Activated devices let the admin in; the others have no password yet.
        int want = list[Json::ArrayIndex(i)]["activated"].asBool() ? 101 : 103;
        ASSERT_TRUE(events[i]->waitStatus(want, 30000))
            << "device " << i << " (" << list[Json::ArrayIndex(i)]["ip"].asString() << ")";
        (want == 101 ? ok : refused)++;
    }
    EXPECT_GT(ok, 400);
    EXPECT_GT(refused, 10);
    EXPECT_EQ(
        sim.must(R"({"cmd":"get","device":0})")["state"]["sessions"].asInt(), list[0]["activated"].asBool());
    for (auto& h : handles)
        VLNetConnectionStop(&h);

    // Idle: a few percent of one core at most.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    double before = cpuSeconds(sim.pid());
    std::this_thread::sleep_for(std::chrono::seconds(3));
    double used = cpuSeconds(sim.pid()) - before;
    EXPECT_LT(used, 0.15) << "devsim used " << used << " s of CPU in 3 s idle";
    EXPECT_TRUE(sim.stopCleanly()) << sim.log();
}

TEST_F(DevsimLab, StateSurvivesAcrossConnectionsAndRuns)
{
    vltest::TempDir dir;
    std::string stateFile = dir.file("state.json");
    Devsim sim({ "--generate", "4", "--inactive-percent", "0", "--state", stateFile });
    sim.must(R"({"cmd":"set","device":2,"state":{
        "name":"Lobby","users":[{"name":"admin","password":"New_Pass1"}],
        "network":{"ip":"192.168.60.2","media_port":9100}}})");

    // First connection: at the new address and port, with the new password,
    // it leaves a word on the device.
    Events first;
    int h = startV1(first, "192.168.60.2", "admin", "New_Pass1", VLNET_PROTOCOL_MEDIA, 9100);
    ASSERT_TRUE(first.waitStatus(101)) << sim.log();
    EXPECT_EQ(VLNetSetEvenCheck(h, 55), 0);
    VLNetConnectionStop(&h);

    // Second connection sees what the first and the control channel changed.
    Events second;
    h = startV1(second, "192.168.60.2", "admin", "New_Pass1");
    ASSERT_TRUE(second.waitStatus(101));
    VLNET_DEVICE_INFO info;
    ASSERT_EQ(VLNetGetDevInfo(h, &info, sizeof(info)), 1);
    EXPECT_STREQ(info.device_name, "Lobby");
    VLNetConnectionStop(&h);

    // A new run resumes from the state file.
    sim.restart();
    Json::Value dev = sim.must(R"({"cmd":"get","device":2})")["state"];
    EXPECT_EQ(dev["even_check"].asInt(), 55);
    EXPECT_EQ(dev["network"]["ip"].asString(), "192.168.60.2");
    EXPECT_EQ(dev["network"]["media_port"].asInt(), 9100);
    Events third;
    h = startV1(third, "192.168.60.2", "admin", "New_Pass1", VLNET_PROTOCOL_MEDIA, 9100);
    ASSERT_TRUE(third.waitStatus(101)) << sim.log();
    VLNetConnectionStop(&h);
    EXPECT_TRUE(sim.stopCleanly()) << sim.log();
    std::ifstream saved(stateFile);
    EXPECT_TRUE(saved.good());
}

// Probes `to` until `want` devices have answered, then listens a little
// longer for answers that should not come; with `want` 0 it probes and
// listens for the whole `ms`. A probe or an answer may be lost on a busy
// machine: the probe goes out again every 300 ms while answers are missing,
// each with a sequence number of its own, for at most `ms`. Returns the
// answers as (source address, JSON), one per device; a device that answers
// one probe twice is listed twice.
std::vector<std::pair<std::string, Json::Value>> probe(
    const std::string& to, std::size_t want, int ms = 15000)
{
    using Clock = std::chrono::steady_clock;
    int s = socket(AF_INET, SOCK_DGRAM, 0);
    int on = 1;
    setsockopt(s, SOL_SOCKET, SO_BROADCAST, &on, sizeof(on));
    timeval tv { 0, 50000 };
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof(tv));
    sockaddr_in dst {};
    dst.sin_family = AF_INET;
    dst.sin_port = htons(vlwire::kProbePort);
    inet_pton(AF_INET, to.c_str(), &dst.sin_addr);

    std::vector<std::pair<std::string, Json::Value>> out;
    std::set<std::string> answered; // source addresses
    std::set<std::pair<std::uint32_t, std::string>> seen; // (probe, source)
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    const auto settle = std::chrono::milliseconds(300);
    auto nextSend = Clock::now();
    auto complete = Clock::time_point::max(); // when the wanted count was reached
    std::uint32_t sequence = 0;
    while (Clock::now() < deadline
        && (complete == Clock::time_point::max() || Clock::now() < complete + settle)) {
        if (complete == Clock::time_point::max() && Clock::now() >= nextSend) {
            auto frame = vlwire::encode(vlwire::kProbe, 0, ++sequence, "{}");
            sendto(s, frame.data(), frame.size(), 0, reinterpret_cast<sockaddr*>(&dst), sizeof(dst));
            nextSend = Clock::now() + std::chrono::milliseconds(300);
        }
        std::uint8_t buf[4096];
        sockaddr_in from {};
        socklen_t len = sizeof(from);
        ssize_t n = recvfrom(s, buf, sizeof(buf), 0, reinterpret_cast<sockaddr*>(&from), &len);
        if (n < ssize_t(vlwire::kHeaderSize + 4))
            continue;
        auto h = vlwire::decodeHeader(buf);
        if (!h || h->command != vlwire::kProbe || !(h->flags & vlwire::kReply) || h->sequence == 0
            || h->sequence > sequence)
            continue;
        Json::Value v;
        const char* p = reinterpret_cast<const char*>(buf) + vlwire::kHeaderSize + 4;
        if (!vljson::parse(std::string_view(p, std::size_t(reinterpret_cast<const char*>(buf) + n - p)), v))
            continue;
        char ip[INET_ADDRSTRLEN];
        inet_ntop(AF_INET, &from.sin_addr, ip, sizeof(ip));
        const bool again = !seen.insert({ h->sequence, ip }).second;
        if (answered.insert(ip).second || again)
            out.emplace_back(ip, v);
        if (want > 0 && answered.size() >= want && complete == Clock::time_point::max())
            complete = Clock::now();
    }
    close(s);
    return out;
}

TEST_F(DevsimLab, ProbeIsAnsweredFromEachDevicesOwnAddress)
{
    Devsim sim({ "--generate", "12" });
    Json::Value dev = sim.must(R"({"cmd":"get","device":4})")["state"];
    auto one = probe(dev["network"]["ip"].asString(), 1);
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].first, dev["network"]["ip"].asString());
    EXPECT_EQ(one[0].second["mac"].asString(), dev["mac"].asString());
    EXPECT_EQ(one[0].second["media_port"].asInt(), dev["network"]["media_port"].asInt());

    sim.must(R"({"cmd":"reboot","device":5,"seconds":30})");
    auto all = probe("192.168.255.255", 11);
    EXPECT_EQ(all.size(), 11u) << "every device but the rebooting one";
    for (const auto& [from, v] : all)
        EXPECT_EQ(from, v["ip"].asString());

    // A move is seen by the probe as by sessions.
    sim.must(R"({"cmd":"set","device":4,"state":{"network":{"ip":"192.168.61.4"}}})");
    auto moved = probe("192.168.61.4", 1);
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_EQ(moved[0].second["mac"].asString(), dev["mac"].asString());
    EXPECT_TRUE(probe(dev["network"]["ip"].asString(), 0, 900).empty());
    EXPECT_TRUE(sim.stopCleanly()) << sim.log();
}

// A stop often arrives as several signals; one that comes while devsim is
// already on its way out must not end it by the signal's default action.
TEST_F(DevsimLab, LateStopSignalsStillEndCleanly)
{
    Devsim sim({ "--generate", "4" });
    pid_t pid = sim.pid();
    ASSERT_EQ(::kill(pid, SIGTERM), 0);
    auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (sim.log().find("stopped") == std::string::npos && std::chrono::steady_clock::now() < until)
        ::kill(pid, SIGTERM);
    // Keep signalling through the rest of the exit, until only the zombie is left.
    while (std::chrono::steady_clock::now() < until) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string all((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        auto close = all.rfind(')');
        if (close == std::string::npos || all.size() < close + 3 || all[close + 2] == 'Z')
            break;
        ::kill(pid, SIGTERM);
        ::kill(pid, SIGINT);
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    EXPECT_TRUE(sim.stopCleanly()) << sim.log();
}

} // namespace
