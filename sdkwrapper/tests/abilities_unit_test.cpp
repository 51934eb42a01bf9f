// Abilities and user rights by name: the answers from the device record,
// the channel records, the all-status word and the web abilities, the
// request's reading, and reads on the caller's thread while channel
// statuses replace the records on another.
#include "connection_fixture.h"
#include "core/device_abilities.h"

#include <atomic>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

using namespace vlsdk;

namespace
{

ability_facts facts_of_kind(int kind)
{
    ability_facts f;
    std::memset(&f.record, 0, sizeof f.record);
    f.record.high_type = uint32_t(kind) << 8;
    f.login_kind = kLoginMedia;
    return f;
}

} // namespace

TEST(Abilities, AfterANetworkLoginByDeviceKind)
{
    struct Case {
        int kind;
        std::function<void(ability_facts&)> set;
        const char* term;
        bool answer;
    } cases[] = {
        // A recorder's channel record: bits 0, 28 and 29.
        { 3, [](ability_facts& f) { f.channel_abilities = 1u | 1u << 28 | 1u << 29; }, "main stream", true },
        { 3, [](ability_facts& f) { f.channel_abilities = 1u | 1u << 28 | 1u << 29; },
            "talk to channel half duplex", true },
        { 3, [](ability_facts& f) { f.channel_abilities = 1u | 1u << 28 | 1u << 29; },
            "talk to channel full duplex", true },
        { 3, [](ability_facts& f) { f.channel_abilities = 1u | 1u << 28 | 1u << 29; }, "sub stream", false },
        { 6, [](ability_facts& f) { f.channel_abilities = 1u << 10; }, "ptz", true },
        { 6, [](ability_facts& f) { f.channel_abilities = 1u << 19; }, "fisheye", true },
        { 6, [](ability_facts& f) { f.channel_abilities = 1u << 25; }, "channel wireless", true },
        { 3, [](ability_facts& f) { f.channel_abilities = 1u << 2; }, "mobile stream", true },
        // A camera from its device information.
        { 4, [](ability_facts& f) { f.record.talk_mode = 3; }, "talk to channel half duplex", true },
        { 4, [](ability_facts& f) { f.record.talk_mode = 3; }, "talk to channel full duplex", true },
        { 4, [](ability_facts& f) { f.record.talk_mode = 2; }, "talk to channel half duplex", false },
        { 4,
            [](ability_facts& f) {
                f.record.talk_mode = 4;
                f.record.dualtalk_show_tag = 1;
            },
            "talk to device analogue audio", true },
        { 4, [](ability_facts& f) { f.record.talk_mode = 4; }, "talk to device analogue audio", false },
        { 4, [](ability_facts&) {}, "main stream", true },
        { 4, [](ability_facts&) {}, "mobile stream", true },
        { 4, [](ability_facts& f) { f.record.page_control2 = 1u << 6; }, "mobile stream", false },
        { 4, [](ability_facts&) {}, "ptz", true },
        { 4, [](ability_facts& f) { f.record.flags229 = VLNET_F229_PTZ_HIDDEN; }, "ptz", false },
        { 4, [](ability_facts& f) { f.record.is_fish_eye = 1; }, "fisheye", true },
        { 4, [](ability_facts& f) { f.record.ptz_version = 2; }, "new ptz", true },
        { 3, [](ability_facts& f) { f.record.ptz_version = 2; }, "new ptz", false },
        { 4, [](ability_facts& f) { f.all_status_word = 1u << 8; }, "human face alarm", true },
        { 4, [](ability_facts& f) { f.record.control_bit_array[0] = 1u << 6; }, "human face alarm", false },
        { 3, [](ability_facts& f) { f.record.control_bit_array[0] = 1u << 6; }, "human face alarm", true },
        { 0, [](ability_facts& f) { f.record.control_bit_array[0] = 1u << 7; }, "human face param", true },
        { 4, [](ability_facts& f) { f.record.control_bit_array[0] = 1u << 7; }, "human face param", false },
        { 6, [](ability_facts& f) { f.record.control_bit_array[6] = 1u; }, "dropbox", true },
        { 3, [](ability_facts& f) { f.record.control_bit_array[0] = 1u << 24; }, "json hdd", true },
        // Any kind, from the device information.
        { 6, [](ability_facts& f) { f.record.control_bit2 = 1u << 1; }, "reverse playback", true },
        { 4, [](ability_facts& f) { f.record.control_bit2 = 1u << 3; }, "device wireless", true },
        { 0, [](ability_facts& f) { f.record.control_bit2 = 1u << 7; }, "new record search", true },
        { 3, [](ability_facts& f) { f.record.control_bit2 = 1u << 8; }, "new record download", true },
        { 3, [](ability_facts& f) { f.record.dualtalk_show_tag = 1; }, "talk to device", true },
        // Kinds without a table of their own, and before any login.
        { 0, [](ability_facts&) {}, "main stream", true },
        { 0, [](ability_facts&) {}, "sub stream", true },
        { 0, [](ability_facts&) {}, "ptz", false },
        { 3, [](ability_facts&) {}, "main stream", false },
        // Terms are whole and case-sensitive.
        { 4, [](ability_facts&) {}, "Main Stream", false },
        { 4, [](ability_facts&) {}, "main stream ", false },
        { 4, [](ability_facts&) {}, "", false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.kind) + " " + c.term);
        ability_facts f = facts_of_kind(c.kind);
        c.set(f);
        EXPECT_EQ(ability_answer(f, c.term), c.answer);
    }
}

TEST(Abilities, AfterAnHttpLoginFromTheWebAbilities)
{
    for (int kind : { kLoginHttp, kLoginHttps }) {
        ability_facts f = facts_of_kind(4);
        f.login_kind = kind;
        f.record.control_bit2 = 0xFFFFFFFFu; // the device information does not count
        f.channel_flags[ptz] = true;
        f.channel_flags[talk_full_duplex] = true;
        f.talk_full = true;
        f.new_rec_file_download = true;
        EXPECT_TRUE(ability_answer(f, "ptz"));
        EXPECT_TRUE(ability_answer(f, "talk to channel full duplex"));
        EXPECT_FALSE(ability_answer(f, "talk to channel half duplex"));
        EXPECT_FALSE(ability_answer(f, "main stream")) << "no default after an HTTP login";
        EXPECT_TRUE(ability_answer(f, "talk to device"));
        EXPECT_TRUE(ability_answer(f, "new record download"));
        EXPECT_FALSE(ability_answer(f, "new record search"));
        EXPECT_FALSE(ability_answer(f, "reverse playback"));
        EXPECT_FALSE(ability_answer(f, "dropbox"));
        EXPECT_FALSE(ability_answer(f, "human face alarm"));
        f.ai_pic_report = true;
        EXPECT_TRUE(ability_answer(f, "human face alarm"));
    }
}

TEST(Abilities, RightsOfTheUserByChannel)
{
    device_record r;
    std::memset(&r, 0, sizeof r);
    r.preview_channel = 1u << 5;
    r.preview_channel_ex[0] = 1u << 8; // channel 40
    r.preview_channel_ex[7] = 1u << 31; // channel 287
    r.playback_channel = 1u;
    r.backup_channel_ex[1] = 1u; // channel 64
    r.ptz_control_channel = 1u << 31;
    struct Case {
        const char* term;
        uint64_t channel;
        bool answer;
    } cases[] = {
        { "preview", 5, true },
        { "preview", 4, false },
        { "preview", 40, true },
        { "preview", 287, true },
        { "preview", 288, false },
        { "preview", 1000, false },
        { "remote playback", 0, true },
        { "download", 64, true },
        { "download", 0, false },
        { "ptz", 31, true },
        { "Preview", 5, false },
        { "settings", 5, false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(authority_answer(r, c.term, c.channel), c.answer) << c.term << " " << c.channel;
}

TEST(Abilities, TheRequest)
{
    struct Case {
        const char* json;
        bool ok;
        const char* term;
        uint64_t channel;
    } cases[] = {
        { R"({"term": "ptz", "channel": 3})", true, "ptz", 3 },
        { R"({"term": "ptz"})", true, "ptz", 0 },
        { R"({"term": "ptz", "channel": null, /* lenient */})", true, "ptz", 0 },
        { R"({"term": 5, "channel": 1})", true, "", 1 },
        { R"({"term": "ptz", "channel": -1})", false, "", 0 },
        { R"({"term": "ptz", "channel": "2"})", false, "", 0 },
        { R"({"term": "ptz", "channel": 1.5})", false, "", 0 },
        { R"({"term": "ptz")", false, "", 0 },
        { nullptr, false, "", 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.json ? c.json : "(null)");
        std::string term;
        uint64_t channel = 99;
        ASSERT_EQ(read_ability_request(c.json, term, channel), c.ok);
        if (c.ok) {
            EXPECT_EQ(term, c.term);
            EXPECT_EQ(channel, c.channel);
        }
    }
}

TEST_F(ConnectionTest, AbilitiesFollowTheChannelStatusOfTheLogin)
{
    sdk.dev = fake::device_of_type(3, 4);
    ASSERT_EQ(conn.login(param(R"({"ip or id": "nvr"})")), vl_success);
    sdk.status(101);
    EXPECT_FALSE(ability_answer(conn.ability_facts_for(2), "main stream")) << "no channel status yet";

    auto payload = channel_payload(3);
    reinterpret_cast<VLNET_CHANNEL_STATUS*>(payload.data() + 2 * 312)->abilities = 1u | 1u << 28;
    sdk.message(611, payload.data(), int(payload.size()));
    EXPECT_TRUE(ability_answer(conn.ability_facts_for(2), "main stream"));
    EXPECT_TRUE(ability_answer(conn.ability_facts_for(2), "talk to channel half duplex"));
    EXPECT_FALSE(ability_answer(conn.ability_facts_for(1), "main stream"));
    EXPECT_FALSE(ability_answer(conn.ability_facts_for(3), "main stream")) << "beyond the stored records";
    channel_record r;
    EXPECT_TRUE(conn.channel_record_at(2, &r));
    EXPECT_EQ(r.abilities, 1u | 1u << 28);
    EXPECT_FALSE(conn.channel_record_at(3, &r));

    conn.logout();
    EXPECT_FALSE(ability_answer(conn.ability_facts_for(2), "main stream")) << "logout frees the records";
    EXPECT_FALSE(conn.channel_record_at(2, &r));
}

TEST_F(ConnectionTest, AbilitiesReadWhileChannelStatusesReplaceTheRecords)
{
    // The caller asks on its own thread while the device's channel statuses
    // arrive on VLNet's; the sanitizer build sees any use of a freed array.
    sdk.dev = fake::device_of_type(3, 64);
    ASSERT_EQ(conn.login(param(R"({"ip or id": "nvr"})")), vl_success);
    sdk.status(101);
    std::vector<std::vector<uint8_t>> payloads;
    for (int n : { 64, 1, 33, 0, 64 }) {
        payloads.push_back(channel_payload(n));
        for (int c = 0; c < n; ++c)
            reinterpret_cast<VLNET_CHANNEL_STATUS*>(payloads.back().data() + size_t(c) * 312)->abilities = 1;
    }

    std::atomic<bool> stop { false };
    std::atomic<long> asked { 0 };
    std::thread caller_thread([&] {
        uint64_t c = 0;
        while (!stop.load()) {
            ability_answer(conn.ability_facts_for(c), "main stream");
            channel_record r;
            conn.channel_record_at(c, &r);
            c = (c + 7) % 70;
            ++asked;
        }
    });
    for (int round = 0; round < 400; ++round) {
        const auto& p = payloads[size_t(round) % payloads.size()];
        sdk.message(611, p.data(), int(p.size()));
    }
    conn.logout(); // frees the records while the caller still asks
    while (asked.load() < 1000)
        std::this_thread::yield();
    stop = true;
    caller_thread.join();
    EXPECT_FALSE(ability_answer(conn.ability_facts_for(0), "main stream"));
}
