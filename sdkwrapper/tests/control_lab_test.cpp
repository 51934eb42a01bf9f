// The network change, snapshots and PTZ end to end: the exports through the
// VLNet stand-in to simulated devices, and what the devices received.
#include "lab_session.h"
#include "snapshot.h"
#include "support/lab.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <thread>

using lab_session::DeviceLab;
using lab_session::Session;
using vltest::Lab;

namespace
{

// What one range search found, by "ip".
struct Found {
    std::mutex lock;
    std::condition_variable changed;
    std::map<std::string, Json::Value> devices;
    bool ended = false;

    static void VL_CALL callback(const char* json, void* user)
    {
        auto* f = static_cast<Found*>(user);
        std::lock_guard<std::mutex> hold(f->lock);
        if (!json) {
            f->ended = true;
        } else {
            const Json::Value v = lab_session::parse(json);
            f->devices[v["ip"].asString()] = v;
        }
        f->changed.notify_all();
    }
};

// The devices that answer a search of one address.
std::map<std::string, Json::Value> search(const std::string& ip)
{
    Json::Value request(Json::objectValue);
    request["start ip"] = ip;
    request["stop ip"] = ip;
    request["recv timeout millisecond"] = 500;
    Found f;
    EXPECT_EQ(vl_search_device(vljson::write_compact(request).c_str(), &Found::callback, &f), vl_success);
    std::unique_lock<std::mutex> hold(f.lock);
    EXPECT_TRUE(f.changed.wait_for(hold, std::chrono::seconds(10), [&] { return f.ended; }));
    return f.devices;
}

std::vector<std::uint8_t> fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class ControlLab : public DeviceLab
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "1000", "1500", "300" },
            { "--generate", "12", "--seed", "21", "--inactive-percent", "0" });
    }

    // A network change of device n to `ip` as the search reported it.
    static Json::Value change(
        int n, const std::string& ip, const std::string& password = lab_session::kPassword)
    {
        const Json::Value st = state(n);
        Json::Value r(Json::objectValue);
        r["user"] = "admin";
        r["password"] = password;
        r["original ip"] = st["network"]["ip"];
        r["change ip"] = ip;
        r["netmask"] = "255.255.0.0";
        r["gateway"] = "192.168.0.1";
        r["dns1"] = "192.168.0.1";
        r["mac addr"] = st["mac"];
        r["device type ull"] = Json::UInt64(std::uint64_t(st["device_type"].asUInt()) << 40);
        r["media port"] = st["network"]["media_port"];
        r["web port"] = st["network"]["web_port"];
        r["network mode"] = "static";
        return r;
    }
    static int modify(const Json::Value& request)
    {
        return vl_modify_device(vljson::write_compact(request).c_str());
    }
    static void setUser(int n, const Json::Value& user)
    {
        Json::Value s(Json::objectValue);
        s["users"].append(user);
        set(n, s);
    }

    // Device n logged in as `user`; the device is the test's.
    device* loggedIn(int n, Session& session, const char* password = lab_session::kPassword,
        const std::string& user = "admin")
    {
        device* dev = vl_create_device();
        const std::string extra = "\"user\": \"" + user + "\"";
        EXPECT_EQ(login(dev, session, n, user == "admin" ? std::string() : extra, password), vl_success);
        EXPECT_TRUE(session.wait_status("success")) << ::testing::PrintToString(session.status_texts());
        return dev;
    }
};

TEST_F(ControlLab, ModifyMovesTheDeviceAndTheNextSearchFindsItThere)
{
    const int n = first("ipc");
    const std::string old = state(n)["network"]["ip"].asString();
    const std::string moved = Lab::deviceIp4(100);
    takeReceived(n, "SET_NEW_DEV_INFO");

    ASSERT_EQ(modify(change(n, moved)), vl_success);
    EXPECT_EQ(state(n)["network"]["ip"], moved);
    const auto got = takeReceived(n, "SET_NEW_DEV_INFO");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0]["result"], 0);
    EXPECT_EQ(got[0]["user"], "admin");
    EXPECT_EQ(got[0]["original_ip"], old);
    EXPECT_EQ(got[0]["new_ip"], moved);
    EXPECT_EQ(got[0]["mac"], state(n)["mac"]);
    EXPECT_EQ(got[0]["network_mode"], 2);

    const auto there = search(moved);
    ASSERT_EQ(there.count(moved), 1u);
    EXPECT_EQ(there.at(moved)["mac addr"], state(n)["mac"]);
    EXPECT_EQ(there.at(moved)["network mode"], "static");
    EXPECT_EQ(there.at(moved)["netmask"], "255.255.0.0");
    EXPECT_TRUE(search(old).empty()) << "nothing answers at the old address";

    // Back again, over PPPoE this time: the search reports the mode.
    Json::Value back = change(n, old);
    back["network mode"] = "pppoe";
    ASSERT_EQ(modify(back), vl_success);
    EXPECT_EQ(search(old).at(old)["network mode"], "pppoe");
}

TEST_F(ControlLab, APasswordOfSixtyFourCharactersFillsItsField)
{
    const int n = first("nvr");
    const std::string password = "Aa1_" + std::string(60, 'x');
    Json::Value admin(Json::objectValue);
    admin["name"] = "admin";
    admin["password"] = password;
    setUser(n, admin);
    const std::string old = state(n)["network"]["ip"].asString();
    const std::string moved = Lab::deviceIp4(101);

    EXPECT_EQ(modify(change(n, moved, password.substr(0, 63))), vl_fail)
        << "63 characters are not the password";
    EXPECT_EQ(state(n)["network"]["ip"], old);
    EXPECT_EQ(modify(change(n, moved, password + "more")), vl_success) << "the field takes the first 64";
    EXPECT_EQ(state(n)["network"]["ip"], moved);
    const auto got = takeReceived(n, "SET_NEW_DEV_INFO");
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0]["error"], "the record does not open with the user's password");
    EXPECT_EQ(got[1]["password_length"].asInt(), 64);
    EXPECT_EQ(search(moved).size(), 1u);
}

TEST_F(ControlLab, RefusedUnreachableOrSilentDevicesFail)
{
    const int n = first("ipc", 1);
    const std::string old = state(n)["network"]["ip"].asString();
    EXPECT_EQ(modify(change(n, Lab::deviceIp4(102), "Wrong_123")), vl_fail);
    Json::Value request = change(n, Lab::deviceIp4(102));
    request["mac addr"] = "00:00:00:00:00:01";
    EXPECT_EQ(modify(request), vl_fail) << "a MAC that is not the device's own";
    request = change(n, "192.168.1.300");
    EXPECT_EQ(modify(request), vl_fail) << "300 sends 0.0.0.0, which a device refuses";
    EXPECT_EQ(state(n)["network"]["ip"], old);

    request = change(n, Lab::deviceIp4(102));
    request["original ip"] = Lab::deviceIp4(150);
    auto begin = std::chrono::steady_clock::now();
    EXPECT_EQ(modify(request), vl_fail) << "nobody at that address";
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(4));

    sim->must(R"({"cmd":"fault","device":)" + std::to_string(n) + R"(,"drop":true})");
    begin = std::chrono::steady_clock::now();
    EXPECT_EQ(modify(change(n, Lab::deviceIp4(102))), vl_fail) << "a device that never answers";
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    sim->must(R"({"cmd":"fault","device":)" + std::to_string(n) + R"(,"clear":true})");
    EXPECT_EQ(state(n)["network"]["ip"], old);
    EXPECT_EQ(modify(Json::Value("not an object")), vl_parse_json_error);
    EXPECT_EQ(vl_modify_device(R"({"media port": "9000"})"), vl_parse_json_error);
}

TEST_F(ControlLab, ASnapshotIsAValidJpegFile)
{
    const int n = first("nvr", 1);
    const int channels = int(state(n)["channels"].size());
    vltest::TempDir dir;
    const std::string path = dir.file("snap.jpg");
    device* dev = vl_create_device();
    const std::string request = R"({"channel": 1, "picture name": ")" + path + "\"}";
    EXPECT_EQ(vl_capture_picture_from_device(dev, request.c_str()), vl_need_login_first);
    vl_destroy_device(dev);

    Session session;
    dev = loggedIn(n, session);
    takeReceived(n, "CAPTURE");
    ASSERT_EQ(vl_capture_picture_from_device(dev, request.c_str()), vl_success);
    int width = 0, height = 0;
    EXPECT_TRUE(devsim::jpegSize(fileBytes(path), &width, &height));
    EXPECT_EQ(width, devsim::kSnapshotWidth);
    const auto got = takeReceived(n, "CAPTURE");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0]["channel"], 1);
    EXPECT_EQ(got[0]["picture_format"].asInt(), 8);

    const std::string beyond = R"({"channel": )" + std::to_string(channels) + R"(, "picture name": ")"
        + dir.file("none.jpg") + "\"}";
    EXPECT_EQ(vl_capture_picture_from_device(dev, beyond.c_str()), vl_fail);
    const std::string nowhere
        = R"({"channel": 0, "picture name": ")" + dir.file("no/such/folder.jpg") + "\"}";
    EXPECT_EQ(vl_capture_picture_from_device(dev, nowhere.c_str()), vl_fail);
    EXPECT_TRUE(fileBytes(dir.file("none.jpg")).empty());
    vl_destroy_device(dev);
}

TEST_F(ControlLab, PtzCommandsReachTheDeviceAsSent)
{
    const int n = first("nvr", 2);
    Session session;
    device* dev = loggedIn(n, session);
    takeReceived(n, "PTZ_CONTROL");
    EXPECT_EQ(vl_ptz_control(dev, R"({"ptz type": "normal", "channel": 0, "operation": "up", "speed": 5,
        "flag": "start"})"),
        vl_success);
    EXPECT_EQ(vl_ptz_control(dev, R"({"ptz type": "preset", "channel": 1, "operation": "call", "index": 4})"),
        vl_success);
    EXPECT_EQ(vl_ptz_control(dev, R"({"ptz type": "set cruise", "channel": 1, "speed": 7, "preset count": 3,
        "pps": [1, 2, 3]})"),
        vl_success);
    EXPECT_EQ(vl_new_ptz_control(
                  dev, R"({"ptz type": "normal", "channel": 0, "operation": "zoom in", "flag": "stop"})"),
        vl_success);
    EXPECT_EQ(vl_ptz_control(dev, R"({"ptz type": "normal", "channel": 99, "operation": "up"})"), vl_fail)
        << "a channel the device does not have";
    const auto got = takeReceived(n, "PTZ_CONTROL");
    ASSERT_EQ(got.size(), 5u);
    EXPECT_EQ(got[0]["command"], 1);
    EXPECT_EQ(got[0]["record"].asString().substr(0, 24), "000000000000000005000000");
    EXPECT_EQ(got[1]["command"], 93);
    EXPECT_EQ(got[1]["record"].asString().substr(0, 24), "010000000500000003000000");
    EXPECT_EQ(got[2]["command"], 53);
    EXPECT_EQ(got[2]["record"].asString().substr(16, 14), "03050700010203");
    EXPECT_EQ(got[3]["command"], 103);
    EXPECT_EQ(got[3]["action"], 2);
    vl_destroy_device(dev);

    // A user the device refuses PTZ.
    Json::Value pilot(Json::objectValue);
    pilot["name"] = "pilot";
    pilot["password"] = "Pilot_123";
    pilot["rights"]["ptz"] = false;
    setUser(n, pilot);
    Session refused;
    dev = loggedIn(n, refused, "Pilot_123", "pilot");
    EXPECT_EQ(vl_ptz_control(dev, R"({"ptz type": "call cruise", "channel": 0})"), vl_no_right);
    vl_device_logout(dev);
    EXPECT_EQ(vl_ptz_control(dev, R"({"ptz type": "call cruise", "channel": 0})"), vl_parse_ptz_param_error);
    vl_destroy_device(dev);
}

} // namespace
