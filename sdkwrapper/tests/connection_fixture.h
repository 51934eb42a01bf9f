#pragma once
// A connection without a network for unit tests: a fake network SDK
// (fake_vlnet.h) plays VLNet, the caller's callbacks are recorded in order,
// and the wrapper's log lines are collected.
#include "common/json.h"
#include "core/connection.h"
#include "core/log.h"
#include "fake_vlnet.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <json/json.h>
#include <mutex>
#include <string>
#include <vector>

namespace connection_test
{

using namespace vlsdk;

inline std::mutex g_log_lock;
inline std::vector<std::string> g_log;

inline void VL_CALL collect_log(const char* line, void*)
{
    std::lock_guard<std::mutex> hold(g_log_lock);
    g_log.emplace_back(line);
}

// What the caller received, in order: "status <json>", "message <name>
// <json>", "raw <id> <length>".
struct Caller {
    std::vector<std::string> events;
    std::vector<std::string> statuses;
    std::vector<std::pair<std::string, Json::Value>> messages;
    std::vector<std::string> texts; // of the messages, as written

    // The roots of the messages of one name, oldest first.
    std::vector<Json::Value> named(const std::string& name) const
    {
        std::vector<Json::Value> out;
        for (const auto& m : messages) {
            if (m.first == name)
                out.push_back(m.second);
        }
        return out;
    }
    std::vector<std::string> names() const
    {
        std::vector<std::string> out;
        for (const auto& m : messages)
            out.push_back(m.first);
        return out;
    }

    static void VL_CALL on_status(const char* json, void* user)
    {
        auto* c = static_cast<Caller*>(user);
        c->statuses.emplace_back(json);
        c->events.push_back(std::string("status ") + json);
    }
    static void VL_CALL on_message(const char* name, const char* json, void* user)
    {
        auto* c = static_cast<Caller*>(user);
        Json::Value v;
        vljson::parse(json, v);
        c->messages.emplace_back(name, v);
        c->texts.emplace_back(json);
        c->events.push_back(std::string("message ") + name);
    }
    static void VL_CALL on_raw(int id, const char*, int length, void* user)
    {
        static_cast<Caller*>(user)->events.push_back(
            "raw " + std::to_string(id) + " " + std::to_string(length));
    }
};

class ConnectionTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        fake::g_sdk = &sdk;
        {
            std::lock_guard<std::mutex> hold(g_log_lock);
            g_log.clear();
        }
        log_set_callback(collect_log);
    }
    void TearDown() override
    {
        log_set_callback(nullptr);
        fake::g_sdk = nullptr;
    }

    vl_login_param param(const char* json, bool with_message = true, bool with_raw = true)
    {
        vl_login_param p;
        std::memset(&p, 0, sizeof p);
        p.json = json;
        p.status_callback = &Caller::on_status;
        p.message_callback = with_message ? &Caller::on_message : nullptr;
        p.raw_message_callback = with_raw ? &Caller::on_raw : nullptr;
        p.user = &caller;
        return p;
    }

    static std::vector<std::string> log_lines()
    {
        std::lock_guard<std::mutex> hold(g_log_lock);
        return g_log;
    }
    static bool logged(const std::string& part)
    {
        for (const auto& line : log_lines()) {
            if (line.find(part) != std::string::npos)
                return true;
        }
        return false;
    }
    static Json::Value json(const std::string& text)
    {
        Json::Value v;
        EXPECT_TRUE(vljson::parse(text.c_str(), v)) << text;
        return v;
    }

    fake::Sdk sdk;
    Caller caller;
    connection conn { nullptr, fake::kCalls };
};

// The payload of a channel-status reply: `count` records named CH1..,
// online, `stride` bytes apart.
inline std::vector<uint8_t> channel_payload(int count, uint32_t stride = sizeof(VLNET_CHANNEL_STATUS))
{
    std::vector<uint8_t> out(size_t(count) * stride, 0);
    for (int c = 0; c < count; ++c) {
        VLNET_CHANNEL_STATUS r;
        std::memset(&r, 0, sizeof r);
        r.record_length = stride;
        std::snprintf(r.cur_chn_name, sizeof r.cur_chn_name, "CH%d", c + 1);
        r.cur_chn_state = 2;
        r.channel_num = uint8_t(c);
        std::memcpy(out.data() + size_t(c) * stride, &r, std::min<size_t>(stride, sizeof r));
    }
    return out;
}

template <class T> T zeroed()
{
    T r;
    std::memset(&r, 0, sizeof r);
    return r;
}

// A connection logged in (media) to a device of a type and channel count,
// whose messages the test then sends; the caller's record starts empty.
class DeviceMessageTest : public ConnectionTest
{
protected:
    // `tweak` changes the device record before the login; a recorder's
    // channel status (`records` records, by default one per channel) has
    // arrived.
    void login_to(int type, int channels, bool long_alarms = true,
        const std::function<void(VLNET_DEVICE_INFO&)>& tweak = {}, int records = -1)
    {
        sdk.dev = fake::device_of_type(type, channels);
        if (long_alarms)
            sdk.dev.flags247 = VLNET_F247_GET_ALARM_CHNS;
        if (tweak)
            tweak(sdk.dev);
        ASSERT_EQ(conn.login(param(R"({"ip or id": "d"})")), vl_success);
        sdk.status(101);
        if (type == 3 || type == 6) {
            auto payload = channel_payload(records >= 0 ? records : std::min(channels, 255));
            sdk.message(611, payload.data(), int(payload.size()));
        }
        caller = Caller();
        sdk.commands.clear();
    }
    template <class T> void send(int id, const T& record) { sdk.message(id, &record, int(sizeof record)); }
    void send_text(int id, const std::string& text) { sdk.message(id, text.data(), int(text.size())); }
};

} // namespace connection_test

using connection_test::Caller;
using connection_test::channel_payload;
using connection_test::ConnectionTest;
using connection_test::DeviceMessageTest;
using connection_test::zeroed;
