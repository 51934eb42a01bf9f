#pragma once
// What one login of a device delivered to its caller, recorded from the
// library's callbacks (which run on the network SDK's threads), with waits
// for what a lab test expects to arrive.
#include "common/json.h"
#include "support/devsim.h"
#include "support/vlnet_lab.h"
#include "vl_sdk_wrapper.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <json/json.h>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

namespace lab_session
{

inline const char* const kPassword = "Admin_123";

inline Json::Value parse(const std::string& text)
{
    Json::Value v;
    EXPECT_TRUE(vljson::parse(text, v)) << text;
    return v;
}

// What one login delivered to the caller.
struct Session {
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::string> statuses;
    std::vector<std::pair<std::string, Json::Value>> messages;
    std::vector<int> raw;

    static void VL_CALL on_status(const char* json, void* user)
    {
        auto* s = static_cast<Session*>(user);
        {
            std::lock_guard<std::mutex> hold(s->lock);
            s->statuses.emplace_back(json);
        }
        s->changed.notify_all();
    }
    static void VL_CALL on_message(const char* name, const char* json, void* user)
    {
        auto* s = static_cast<Session*>(user);
        Json::Value v = parse(json);
        {
            std::lock_guard<std::mutex> hold(s->lock);
            s->messages.emplace_back(name, v);
        }
        s->changed.notify_all();
    }
    static void VL_CALL on_raw(int id, const char*, int, void* user)
    {
        auto* s = static_cast<Session*>(user);
        {
            std::lock_guard<std::mutex> hold(s->lock);
            s->raw.push_back(id);
        }
        s->changed.notify_all();
    }

    bool wait(const std::function<bool()>& done, int ms = 10000)
    {
        std::unique_lock<std::mutex> hold(lock);
        return changed.wait_for(hold, std::chrono::milliseconds(ms), done);
    }
    int count_status(const std::string& text) // under the lock
    {
        int n = 0;
        for (const auto& s : statuses)
            n += parse(s)["status"].asString() == text;
        return n;
    }
    bool wait_status(const std::string& text, int nth = 1, int ms = 10000)
    {
        return wait([&] { return count_status(text) >= nth; }, ms);
    }
    bool wait_message(const std::string& name, int ms = 10000)
    {
        return wait(
            [&] {
                for (const auto& m : messages)
                    if (m.first == name)
                        return true;
                return false;
            },
            ms);
    }
    Json::Value message(const std::string& name)
    {
        std::lock_guard<std::mutex> hold(lock);
        for (const auto& m : messages)
            if (m.first == name)
                return m.second;
        return Json::Value();
    }
    // Every message of one name, oldest first.
    std::vector<Json::Value> all(const std::string& name)
    {
        std::lock_guard<std::mutex> hold(lock);
        std::vector<Json::Value> out;
        for (const auto& m : messages)
            if (m.first == name)
                out.push_back(m.second);
        return out;
    }
    bool wait_count(const std::string& name, size_t n, int ms = 10000)
    {
        return wait(
            [&] {
                size_t k = 0;
                for (const auto& m : messages)
                    k += m.first == name;
                return k >= n;
            },
            ms);
    }
    std::vector<std::string> status_texts()
    {
        std::lock_guard<std::mutex> hold(lock);
        std::vector<std::string> out;
        for (const auto& s : statuses)
            out.push_back(parse(s)["status"].asString());
        return out;
    }
    // Every status text so far, for failure messages.
    std::string status_list()
    {
        std::lock_guard<std::mutex> hold(lock);
        std::string out;
        for (const auto& s : statuses)
            out += s + "\n";
        return out;
    }
    size_t events()
    {
        std::lock_guard<std::mutex> hold(lock);
        return statuses.size() + messages.size() + raw.size();
    }
};

// A suite of device sessions against devsim through the VLNet stand-in.
class DeviceLab : public vltest::VlnetLabSuite
{
protected:
    // The index of the first device of a kind ("ipc", "nvr", "dvr").
    static int first(const char* kind, int skip = 0)
    {
        const Json::Value list = sim->must(R"({"cmd":"list"})")["devices"];
        for (const auto& d : list) {
            if (d["kind"].asString() == kind && skip-- == 0)
                return d["index"].asInt();
        }
        throw std::runtime_error(std::string("no device of kind ") + kind);
    }
    static void set(int n, const Json::Value& s)
    {
        Json::Value r(Json::objectValue);
        r["cmd"] = "set";
        r["device"] = n;
        r["state"] = s;
        sim->must(r);
    }

    // Starts a login of `dev` to device n.
    static int login(device* dev, Session& session, int n, const std::string& extra = {},
        const char* password = kPassword, bool with_message = true)
    {
        Json::Value req(Json::objectValue);
        req["ip or id"] = state(n)["network"]["ip"];
        req["user"] = "admin";
        req["password"] = password;
        std::string json = vljson::write_styled(req);
        if (!extra.empty())
            json = json.substr(0, json.rfind('}')) + ", " + extra + "}";
        vl_login_param p;
        std::memset(&p, 0, sizeof p);
        p.dev = dev;
        p.json = json.c_str();
        p.status_callback = &Session::on_status;
        p.message_callback = with_message ? &Session::on_message : nullptr;
        p.raw_message_callback = &Session::on_raw;
        p.user = &session;
        return vl_device_login_ex(&p);
    }

    static Json::Value login_rsp(device* dev)
    {
        std::vector<char> out(65536);
        EXPECT_EQ(vl_get_login_rsp(dev, out.data(), int(out.size())), vl_success);
        return parse(out.data());
    }
};

} // namespace lab_session
