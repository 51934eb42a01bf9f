#pragma once
// What a logged-in device can do and what its user may do on a channel,
// answered by name from what the login and the device's messages left in
// the connection. Pure functions over a snapshot of those facts; the
// connection takes the snapshot (connection::ability_facts_for).
#include "core/device_record.h"

#include <cstdint>
#include <string>

namespace vlsdk
{

// Kinds of the last successful login.
constexpr int kLoginNone = 0;
constexpr int kLoginHttps = 1; // status 152
constexpr int kLoginHttp = 2; // status 151
constexpr int kLoginMedia = 3; // status 101

// The order of the flags of one channel's abilities (HTTP logins).
enum channel_ability {
    main_stream,
    sub_stream,
    mobile_stream,
    talk_half_duplex,
    talk_full_duplex,
    ptz,
    new_ptz,
    fisheye
};

// The facts behind the answers for one channel.
struct ability_facts {
    device_record record {};
    int login_kind = kLoginNone;
    // "Abilities" of the channel's record of the last channel status (611);
    // 0 when there is none for the channel.
    uint32_t channel_abilities = 0;
    // The ability word of the last all-status record (610).
    uint32_t all_status_word = 0;
    // From the device information of an HTTP login.
    bool talk_half = false;
    bool talk_full = false;
    bool new_rec_detail = false;
    bool new_rec_file_download = false;
    bool ai_pic_report = false;
    // The channel's flags (channel_ability order); all false for a channel
    // beyond the tables.
    bool channel_flags[8] {};
};

// The answer for an ability ("main stream", "ptz", "talk to device", ...);
// false for a term it does not know. Terms are compared exactly.
bool ability_answer(const ability_facts& facts, const std::string& term);

// The user's right ("preview", "remote playback", "download", "ptz") on a
// channel (0 to 287) by the rights masks of the record; false for other
// terms and channels.
bool authority_answer(const device_record& record, const std::string& term, uint64_t channel);

// Reads {"term": text, "channel": unsigned} (channel 0 when missing).
// False when the text does not parse, or "channel" is given but is no
// unsigned integer.
bool read_ability_request(const char* json, std::string& term, uint64_t& channel);

} // namespace vlsdk
