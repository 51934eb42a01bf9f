#include "core/device_abilities.h"

#include "common/json.h"
#include "core/device.h"

namespace vlsdk
{

namespace
{

bool bit(uint32_t word, unsigned n)
{
    return (word >> n) & 1u;
}

// Bit n of a 256-bit mask of eight words (bit n % 32 of word n / 32).
bool bit_of_words(const uint32_t (&words)[8], uint64_t n)
{
    return n < 256 && bit(words[n / 32], static_cast<unsigned>(n % 32));
}

bool http_ability(const ability_facts& f, const std::string& term)
{
    static const char* const kChannelTerms[] = { "main stream", "sub stream", "mobile stream",
        "talk to channel half duplex", "talk to channel full duplex", "ptz", "new ptz", "fisheye" };
    static const channel_ability kChannelFlags[] = { main_stream, sub_stream, mobile_stream, talk_half_duplex,
        talk_full_duplex, ptz, new_ptz, fisheye };
    for (size_t i = 0; i < 8; ++i) {
        if (term == kChannelTerms[i])
            return f.channel_flags[kChannelFlags[i]];
    }
    if (term == "talk to device")
        return f.talk_half || f.talk_full;
    if (term == "new record search")
        return f.new_rec_detail;
    if (term == "new record download")
        return f.new_rec_file_download;
    if (term == "human face alarm")
        return f.ai_pic_report;
    return false;
}

// After a network SDK login: recorders (3, 6) answer per channel from the
// channel's status record, cameras (4) from the device information, other
// kinds mostly by default.
bool sdk_ability(const ability_facts& f, const std::string& term)
{
    const device_record& r = f.record;
    const int kind = record_device_type(r);
    const bool recorder = kind == kDeviceTypeNvr || kind == kDeviceTypeDvr;
    const bool camera = kind == kDeviceTypeIpc;
    const uint32_t a = f.channel_abilities;

    if (term == "main stream")
        return recorder ? bit(a, 0) : true;
    if (term == "sub stream")
        return recorder ? bit(a, 1) : true;
    if (term == "mobile stream")
        return recorder ? bit(a, 2) : camera ? !bit(r.page_control2, 6) : true;
    if (term == "ptz")
        return recorder ? bit(a, 10) : camera ? (r.flags229 & VLNET_F229_PTZ_HIDDEN) == 0 : false;
    if (term == "talk to device")
        return r.dualtalk_show_tag != 0;
    if (term == "talk to device analogue audio")
        return r.dualtalk_show_tag != 0 && r.talk_mode == 4;
    if (term == "talk to channel half duplex")
        return recorder ? bit(a, 28) : camera ? (r.talk_mode == 1 || r.talk_mode == 3) : false;
    if (term == "talk to channel full duplex")
        return recorder ? bit(a, 29) : camera ? (r.talk_mode == 2 || r.talk_mode == 3) : false;
    if (term == "fisheye")
        return recorder ? bit(a, 19) : camera ? r.is_fish_eye != 0 : false;
    if (term == "reverse playback")
        return bit(r.control_bit2, 1);
    if (term == "human face alarm")
        return camera ? (bit(f.all_status_word, 7) || bit(f.all_status_word, 8))
                      : bit_of_words(r.control_bit_array, 6);
    if (term == "human face param")
        return !camera && bit_of_words(r.control_bit_array, 7);
    if (term == "dropbox")
        return !camera && bit_of_words(r.control_bit_array, 192);
    if (term == "new ptz")
        return camera && r.ptz_version != 0;
    if (term == "device wireless")
        return bit(r.control_bit2, 3);
    if (term == "channel wireless")
        return bit(a, 25);
    if (term == "json hdd")
        return !camera && bit_of_words(r.control_bit_array, 24);
    if (term == "new record search")
        return bit(r.control_bit2, 7);
    if (term == "new record download")
        return bit(r.control_bit2, 8);
    return false;
}

} // namespace

bool ability_answer(const ability_facts& facts, const std::string& term)
{
    if (facts.login_kind == kLoginHttps || facts.login_kind == kLoginHttp)
        return http_ability(facts, term);
    return sdk_ability(facts, term);
}

bool authority_answer(const device_record& r, const std::string& term, uint64_t channel)
{
    uint32_t first = 0;
    const uint32_t* rest = nullptr;
    if (term == "preview") {
        first = r.preview_channel;
        rest = r.preview_channel_ex;
    } else if (term == "remote playback") {
        first = r.playback_channel;
        rest = r.playback_channel_ex;
    } else if (term == "download") {
        first = r.backup_channel;
        rest = r.backup_channel_ex;
    } else if (term == "ptz") {
        first = r.ptz_control_channel;
        rest = r.ptz_control_channel_ex;
    } else {
        return false;
    }
    if (channel < 32)
        return bit(first, static_cast<unsigned>(channel));
    const uint64_t n = channel - 32;
    return n < 256 && bit(rest[n / 32], static_cast<unsigned>(n % 32));
}

bool read_ability_request(const char* json, std::string& term, uint64_t& channel)
{
    Json::Value root;
    if (!vljson::parse(json, root))
        return false;
    // A term that is no text is no term the answers know.
    term = vljson::reader(root, vljson::policy::exact_or_absent).text("term");
    long long number = 0;
    vljson::reader r(root, vljson::policy::exact);
    if (!r.read("channel", number, 0))
        return false;
    channel = static_cast<uint64_t>(number);
    return true;
}

} // namespace vlsdk

bool device::has_ability(const char* json) const
{
    std::string term;
    uint64_t channel = 0;
    if (!vlsdk::read_ability_request(json, term, channel))
        return false;
    return vlsdk::ability_answer(m_connection.ability_facts_for(channel), term);
}

bool device::has_authority(const char* json) const
{
    std::string term;
    uint64_t channel = 0;
    if (!vlsdk::read_ability_request(json, term, channel))
        return false;
    return vlsdk::authority_answer(m_connection.record(), term, channel);
}
