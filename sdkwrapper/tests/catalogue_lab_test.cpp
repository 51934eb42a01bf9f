// The session catalogue end to end: vl_device_login and the channel counts
// of the login, the P2P online check and the configuration transfer,
// against simulated devices.
#include "common/json.h"
#include "lab_session.h"
#include "support/devsim.h"
#include "support/vlnet_lab.h"
#include "vl_sdk_wrapper.h"
#include "vlnet.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <json/json.h>
#include <string>
#include <vector>

using lab_session::kPassword;
using lab_session::parse;
using lab_session::Session;

namespace
{

class CatalogueLab : public lab_session::DeviceLab
{
protected:
    static void SetUpTestSuite()
    {
        startLab({ "200", "2000", "3000", "300" },
            { "--generate", "8", "--seed", "11", "--inactive-percent", "0" });
    }
};

struct Statuses {
    std::vector<std::string> texts;
    static void VL_CALL on_text(const char* json, void* user)
    {
        static_cast<Statuses*>(user)->texts.emplace_back(json ? json : "(null)");
    }
};

// The data of an exported block, from the export's progress callback.
struct Exported {
    std::string data;
    int calls = 0;
    static void VL_CALL on_block(intptr_t first, int second, void* user)
    {
        auto* e = static_cast<Exported*>(user);
        ++e->calls;
        e->data.assign(reinterpret_cast<const char*>(first) + VLNET_PARAM_IMPORT_HEAD_SIZE, size_t(second));
    }
};

std::string p2p_request(const std::string& id, int timeout_ms)
{
    Json::Value r(Json::objectValue);
    r["p2p id"] = id;
    r["p2p type"] = "tutk";
    r["time out"] = timeout_ms;
    return vljson::write_compact(r);
}

} // namespace

TEST_F(CatalogueLab, LoginThenTheChannelCountsAreTheDevices)
{
    for (const char* kind : { "nvr", "ipc", "dvr" }) {
        const int n = first(kind);
        const Json::Value dev = state(n);
        device* d = vl_create_device();
        Session s;
        Json::Value req(Json::objectValue);
        req["ip or id"] = dev["network"]["ip"];
        req["user"] = "admin";
        req["password"] = kPassword;
        req["protocol"] = "media";
        const std::string json = vljson::write_compact(req);
        EXPECT_EQ(vl_get_channel_number(d), 0) << kind << ": before the login";
        ASSERT_EQ(vl_device_login(d, json.c_str(), &Session::on_status, &Session::on_message, &s), vl_success)
            << kind;
        ASSERT_TRUE(s.wait_status("success")) << kind << ": " << s.status_list();
        EXPECT_EQ(vl_get_channel_number(d), int(dev["channels"].size())) << kind;
        EXPECT_EQ(vl_get_analogy_channel_number(d), dev["analog_channels"].asInt()) << kind;
        {
            std::lock_guard<std::mutex> hold(s.lock);
            EXPECT_TRUE(s.raw.empty()) << kind << ": vl_device_login has no raw-message callback";
        }
        EXPECT_EQ(vl_destroy_device(d), vl_success);
    }
}

TEST_F(CatalogueLab, P2PStatusOfADeviceAndOfAnUnknownId)
{
    const int n = first("ipc");
    const std::string id = state(n)["p2p_id"].asString();
    ASSERT_FALSE(id.empty());

    Statuses online;
    EXPECT_EQ(vl_check_p2p_status(p2p_request(id, 5000).c_str(), &Statuses::on_text, &online), vl_success);
    ASSERT_EQ(online.texts.size(), 1u);
    EXPECT_EQ(parse(online.texts[0])["status"], 0);
    // The device saw a probe that asked for its id.
    bool asked = false;
    const Json::Value got
        = sim->must("{\"cmd\":\"received\",\"device\":" + std::to_string(n) + "}")["received"];
    for (const auto& r : got)
        asked = asked || (r["what"] == "PROBE" && r["p2p_id"] == id);
    EXPECT_TRUE(asked);

    Statuses unknown;
    EXPECT_EQ(
        vl_check_p2p_status(p2p_request("VLPNOSUCHID", 600).c_str(), &Statuses::on_text, &unknown), -51);
    ASSERT_EQ(unknown.texts.size(), 1u);
    EXPECT_EQ(unknown.texts[0], "{\n\t\"status\" : -51\n}");
}

TEST_F(CatalogueLab, AnImportTheDeviceRefusesForWantOfTheRightFails)
{
    const int n = first("ipc");
    const std::string name = state(n)["name"].asString();
    set(n, parse(R"({"users":[{"name":"guest","password":"Guest_123","rights":{"settings":false}}]})"));
    const auto log_in = [&](device* d, Session& s, const char* user, const char* password) {
        Json::Value req(Json::objectValue);
        req["ip or id"] = state(n)["network"]["ip"];
        req["user"] = user;
        req["password"] = password;
        req["protocol"] = "media";
        const std::string json = vljson::write_compact(req);
        return vl_device_login(d, json.c_str(), &Session::on_status, &Session::on_message, &s) == vl_success
            && s.wait_status("success");
    };

    device* admin = vl_create_device();
    Session as_admin;
    ASSERT_TRUE(log_in(admin, as_admin, "admin", kPassword)) << as_admin.status_list();
    Exported exported;
    vl_remote_export_param ex { admin, &Exported::on_block, &exported };
    ASSERT_EQ(vl_remote_export(&ex), vl_success);
    ASSERT_EQ(exported.calls, 1);
    ASSERT_FALSE(exported.data.empty());
    set(n, parse(R"({"name":"renamed"})"));

    device* guest = vl_create_device();
    Session as_guest;
    ASSERT_TRUE(log_in(guest, as_guest, "guest", "Guest_123")) << as_guest.status_list();
    vl_remote_import_param refused { guest, exported.data.data(), int32_t(exported.data.size()) };
    takeReceived(n, "PARAM_IMPORT");
    EXPECT_EQ(vl_remote_import(&refused), vl_fail) << "a device's \"no right\" is no success";
    const auto got = takeReceived(n, "PARAM_IMPORT");
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0]["result"], -6) << "the device refused it for want of the right";
    EXPECT_EQ(state(n)["name"], "renamed") << "and changed nothing";

    // The same data from a user with the right loads.
    vl_remote_import_param taken { admin, exported.data.data(), int32_t(exported.data.size()) };
    EXPECT_EQ(vl_remote_import(&taken), vl_success);
    EXPECT_EQ(state(n)["name"], name);

    EXPECT_EQ(vl_destroy_device(guest), vl_success);
    EXPECT_EQ(vl_destroy_device(admin), vl_success);
    set(n, parse(R"({"users":[{"name":"guest","remove":true}]})"));
}
