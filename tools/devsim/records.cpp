#include "records.h"

#include "record_fields.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace devsim
{

void putText(char* slot, std::size_t size, const std::string& text)
{
    std::memset(slot, 0, size);
    std::memcpy(slot, text.data(), std::min(size, text.size()));
}

namespace
{

// Bit n of a 32-bit mask for channels 0..31, and the 8 extension words for
// channels 32 and up.
void channelMasks(int channels, bool on, std::uint32_t* base, std::uint32_t* ext)
{
    *base = 0;
    std::memset(ext, 0, 8 * sizeof(std::uint32_t));
    if (!on)
        return;
    for (int c = 0; c < channels && c < 32 + 256; ++c) {
        if (c < 32)
            *base |= 1u << c;
        else
            ext[(c - 32) / 32] |= 1u << ((c - 32) % 32);
    }
}

VLNET_TIME now()
{
    std::time_t t = std::time(nullptr);
    std::tm tm {};
    localtime_r(&t, &tm);
    VLNET_TIME out {};
    out.year = std::uint16_t(tm.tm_year + 1900);
    out.month = std::uint8_t(tm.tm_mon + 1);
    out.day = std::uint8_t(tm.tm_mday);
    out.hour = std::uint8_t(tm.tm_hour);
    out.minute = std::uint8_t(tm.tm_min);
    out.second = std::uint8_t(tm.tm_sec);
    return out;
}

} // namespace

VLNET_DEVICE_INFO deviceInfoRecord(const Device& d, const User* user)
{
    VLNET_DEVICE_INFO r;
    std::memset(&r, 0, sizeof(r));
    std::uint64_t type = d.typeWord();
    r.low_type = std::uint32_t(type);
    r.high_type = std::uint32_t(type >> 32);
    putText(r.dev_ver, sizeof(r.dev_ver), d.firmware);
    putText(r.device_name, sizeof(r.device_name), d.name);
    putText(r.mac_addr, sizeof(r.mac_addr), d.mac);
    r.device_id = d.deviceId;
    int channels = int(d.channels.size());
    Rights rights = user ? user->rights : Rights { false, false, false, false, false };
    r.user_set_right = rights.settings ? 1 : 0;
    channelMasks(channels, rights.preview, &r.preview_channel, r.preview_channel_ex);
    channelMasks(channels, rights.playback, &r.playback_channel, r.playback_channel_ex);
    channelMasks(channels, rights.backup, &r.backup_channel, r.backup_channel_ex);
    channelMasks(channels, rights.ptz, &r.ptz_control_channel, r.ptz_control_channel_ex);
    r.user_preview = rights.preview;
    r.user_playback = rights.playback;
    r.user_backup = rights.backup;
    r.user_ptz_control = rights.ptz;
    r.user_key = d.deviceId ^ 0x5A5A5A5Au;
    r.total_fps = std::uint16_t(channels * (d.videoFormat ? 30 : 25));
    r.channel_num = std::uint8_t(channels > 255 ? 255 : channels);
    r.video_format = std::uint8_t(d.videoFormat);
    r.alarm_in_num = std::uint8_t(d.alarmIn);
    r.alarm_out_num = std::uint8_t(d.alarmOut);
    r.is_admin = user && user->admin;
    r.audio_num = d.kind == Kind::Ipc ? 1 : std::uint8_t(channels > 255 ? 255 : channels);
    r.sub_stream_min = 1;
    r.sub_stream_max = 2;
    putText(r.product_name, sizeof(r.product_name), d.model);
    r.flags228 = VLNET_F228_RTSP_PAGE_ENABLE | VLNET_F228_C32_PASSWORD | VLNET_F228_FILE_SYSTEM;
    r.flags230 = VLNET_F230_AUTO_MAINTENANCE;
    r.flags232
        = d.kind == Kind::Ipc ? VLNET_F232_PTZ_SUPPORTED : std::uint8_t((d.kind == Kind::Nvr ? 1 : 0) << 4);
    r.ui_type = 50;
    r.analog_ch_num = std::uint8_t(d.analogChannels);
    r.flags247 = VLNET_F247_GET_ALARM_CHNS;
    putText(r.p2p_id, sizeof(r.p2p_id), d.p2pId);
    r.user_id = 0;
    for (std::size_t i = 0; i < d.users.size(); ++i)
        if (user && &d.users[i] == user)
            r.user_id = std::uint8_t(i);
    putText(r.device_type, sizeof(r.device_type), d.model);
    putText(r.serial_number, sizeof(r.serial_number), d.serial);
    r.sys_channel_num = std::uint32_t(channels);
    putText(r.device_name2, sizeof(r.device_name2), d.name);
    r.https_port = d.net.httpsPort;
    putText(r.http_api_version, sizeof(r.http_api_version), "1.0");
    r.support_http_api_config_net = 1;
    r.support_new_schedule = 1;
    applyRecordFields(r, d.recordFields);
    return r;
}

std::vector<std::uint8_t> channelStatusMessage(const Device& d)
{
    std::vector<std::uint8_t> out(d.channels.size() * sizeof(VLNET_CHANNEL_STATUS));
    std::uint64_t type = d.typeWord();
    for (std::size_t c = 0; c < d.channels.size(); ++c) {
        VLNET_CHANNEL_STATUS r;
        std::memset(&r, 0, sizeof(r));
        r.record_length = sizeof(VLNET_CHANNEL_STATUS);
        r.dev_type_l = std::uint32_t(type);
        r.dev_type_h = std::uint32_t(type >> 32);
        const Channel& ch = d.channels[c];
        putText(r.cur_chn_name, sizeof(r.cur_chn_name), ch.name);
        putText(r.chn_name_ex, sizeof(r.chn_name_ex), ch.name);
        r.cur_chn_state = ch.online ? 2 : 0;
        r.md_state = ch.alarms.motion;
        r.io_state = ch.alarms.io;
        r.vloss_state = !ch.online || ch.alarms.videoLoss;
        r.channel_num = std::uint8_t(c);
        r.ipc_dev_type_flag = d.kind == Kind::Ipc ? 0 : 1;
        r.abilities = ch.abilities;
        r.abilities_ex = ch.abilitiesEx;
        std::copy(ch.abilitiesArr.begin(), ch.abilitiesArr.end(), r.abilities_arr);
        std::memcpy(out.data() + c * sizeof(r), &r, sizeof(r));
    }
    return out;
}

std::vector<std::uint8_t> allStatusMessage(const Device& d)
{
    VLNET_ALL_STATUS r;
    std::memset(&r, 0, sizeof(r));
    r.time = now();
    std::uint32_t ext[8];
    channelMasks(int(d.channels.size()), true, &r.record_enable, ext);
    channelMasks(int(d.channels.size()), true, &r.motion_enable, ext);
    auto setBit = [](std::uint32_t* base, std::uint32_t* ext, int extWords, std::size_t c) {
        if (c < 32)
            *base |= 1u << c;
        else if ((c - 32) / 32 < std::size_t(extWords))
            ext[(c - 32) / 32] |= 1u << (c % 32);
    };
    std::uint32_t noExt[8] = {};
    for (std::size_t c = 0; c < d.channels.size(); ++c) {
        const Channel& ch = d.channels[c];
        if (!ch.online || ch.alarms.videoLoss)
            setBit(&r.vloss_status, noExt, 0, c);
        if (ch.alarms.motion)
            setBit(&r.motion_status, r.motion_status_ext, 8, c);
        if (ch.alarms.io)
            setBit(&r.io_status, r.io_status_ext, 8, c);
        if (ch.alarms.pir)
            setBit(&r.pir_status, r.pir_status_ext, 8, c);
        if (ch.alarms.smart) {
            setBit(&r.intelligent_chn_status, r.intelligent_chn_status_ext, 6, c);
            r.intelligent_status |= ch.alarms.smartType;
        }
        if (ch.alarms.cover)
            setBit(&r.camera_cover_state, noExt, 0, c);
        if (ch.alarms.sound)
            setBit(&r.audio_status, r.audio_status_ext, 8, c);
    }
    r.hdd_status[0] = d.kind == Kind::Ipc ? 0 : 1;
    putText(r.old_version, sizeof(r.old_version), d.firmware);
    putText(r.new_version, sizeof(r.new_version), d.firmware);
    putText(r.dev_type, sizeof(r.dev_type), d.model);
    for (int i = 0; i < 8; ++i) {
        r.input_num[i] = std::uint8_t(d.alarmIn);
        r.output_num[i] = std::uint8_t(d.alarmOut);
    }
    std::vector<std::uint8_t> out(sizeof(r));
    std::memcpy(out.data(), &r, sizeof(r));
    return out;
}

std::optional<DeviceMessage> alarmMessage(const Device& d, int channel, const std::string& type)
{
    if (channel < 0 || channel >= int(d.channels.size()))
        return std::nullopt;
    const Channel& ch = d.channels[std::size_t(channel)];
    ChannelAlarms alarms = ch.alarms;
    const bool* on = alarmFlag(alarms, type);
    if (!on)
        return std::nullopt;
    DeviceMessage m;
    auto bytesOf = [](const auto& record) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(&record);
        return std::vector<std::uint8_t>(p, p + sizeof(record));
    };

    if (type == "cover") {
        VLNET_VIDEO_HIDE_ALARM r;
        std::memset(&r, 0, sizeof(r));
        r.channel = channel < 32 ? 1u << channel : 0;
        r.status = *on ? 1 : 0;
        r.time = now();
        m.id = VLNET_MSG_VIDEO_HIDE_ALARM;
        m.data = bytesOf(r);
        return m;
    }

    // A camera names the channel by its bit; a recorder reports every
    // channel's state of this alarm (video loss: of its video).
    const bool camera = d.kind == Kind::Ipc && type != "video_loss";
    VLNET_ALARM_INFO r;
    std::memset(&r, 0, sizeof(r));
    r.time = now();
    r.abilities = ch.abilities;
    r.abilities_ex = ch.abilitiesEx;
    r.alarm_type = ch.alarms.smartType;
    r.ipc_dev_type_flag = d.kind == Kind::Ipc ? 0 : 1;
    if (camera) {
        r.channel = channel < 32 ? 1u << channel : 0;
        r.status = *on ? 1 : 0;
    } else {
        std::uint32_t status = 0;
        for (std::size_t c = 0; c < d.channels.size() && c < 32 + 256; ++c) {
            ChannelAlarms a = d.channels[c].alarms;
            const bool state
                = type == "video_loss" ? (a.videoLoss || !d.channels[c].online) : *alarmFlag(a, type);
            std::uint32_t* mask = c < 32 ? &r.channel : &r.channel_ex[(c - 32) / 32];
            std::uint32_t* bits = c < 32 ? &status : &r.status_ex[(c - 32) / 32];
            *mask |= 1u << (c % 32);
            if (state)
                *bits |= 1u << (c % 32);
        }
        r.status = std::int32_t(status);
    }
    static const struct {
        const char* type;
        std::int32_t id;
    } kIds[] = { { "motion", VLNET_MSG_MOTION_ALARM }, { "io", VLNET_MSG_IO_ALARM },
        { "pir", VLNET_MSG_PIR_ALARM }, { "smart", VLNET_MSG_ALARM_INT_MANAGE },
        { "video_loss", VLNET_MSG_VLOSS_ALARM }, { "sound", VLNET_MSG_SOUND_ALARM_REPORT } };
    for (const auto& k : kIds)
        if (type == k.type)
            m.id = k.id;

    const bool longRecord = (deviceInfoRecord(d, nullptr).flags247 & VLNET_F247_GET_ALARM_CHNS) != 0;
    if (longRecord || m.id == VLNET_MSG_VLOSS_ALARM) {
        m.data = bytesOf(r);
    } else {
        VLNET_ALARM_SHORT s;
        std::memset(&s, 0, sizeof(s));
        s.channel = r.channel;
        s.status = r.status;
        s.time = r.time;
        s.abilities = r.abilities;
        s.alarm_type = r.alarm_type;
        s.ipc_dev_type_flag = std::uint8_t(r.ipc_dev_type_flag);
        s.abilities_ex = r.abilities_ex;
        m.data = bytesOf(s);
    }
    return m;
}

Json::Value httpDeviceInfo(const Device& d)
{
    Json::Value o(Json::objectValue);
    o["device_name"] = d.name;
    o["model"] = d.model;
    o["serial_number"] = d.serial;
    o["mac"] = d.mac;
    o["firmware"] = d.firmware;
    o["talkback"] = d.kind == Kind::Ipc ? "TalkHalf" : "TalkFull";
    o["support_playback_new_rec_detail"] = true;
    o["support_playback_new_rec_file_download"] = d.kind != Kind::Ipc;
    o["support_ai_pic_report"] = false;
    Json::Value answer(Json::objectValue);
    answer["data"] = o;
    return answer;
}

Json::Value httpChannelInfo(const Device& d)
{
    Json::Value items(Json::arrayValue);
    for (const auto& c : d.channels) {
        Json::Value e(Json::objectValue);
        e["channel"] = c.name;
        e["connect_status"] = c.online ? "Online" : "Offline";
        Json::Value ability(Json::arrayValue);
        ability.append("Mainstream");
        ability.append("Substream");
        if (d.kind == Kind::Ipc)
            ability.append("TalkHalf");
        e["ability"] = ability;
        items.append(e);
    }
    Json::Value answer(Json::objectValue);
    answer["data"]["channel_param"]["items"] = items;
    return answer;
}

Json::Value probeDescription(const Device& d)
{
    // What the device-information record says (and `record` overrides), so
    // that a search and a login report the same device.
    const VLNET_DEVICE_INFO info = deviceInfoRecord(d, nullptr);
    const VLNET_TIME t = now();
    char clock[32];
    std::snprintf(clock, sizeof clock, "%04u-%02u-%02u %02u:%02u:%02u", unsigned(t.year), unsigned(t.month),
        unsigned(t.day), unsigned(t.hour), unsigned(t.minute), unsigned(t.second));
    Json::Value o(Json::objectValue);
    o["ip"] = d.net.ip;
    o["host_name"] = d.name;
    o["netmask"] = d.net.mask;
    o["gateway"] = d.net.gateway;
    o["dns1"] = d.net.dns1;
    o["dns2"] = d.net.dns2;
    o["dhcp"] = d.net.dhcp;
    o["pppoe"] = d.net.pppoe;
    o["media_port"] = d.net.mediaPort;
    o["web_port"] = d.net.webPort;
    o["https_port"] = info.https_port;
    o["rtsp_port"] = d.net.rtspPort;
    o["ipv6"] = d.net.ipv6;
    o["device_type"] = d.deviceType;
    o["device_type_word"] = Json::UInt64(d.typeWord());
    o["kind"] = kindName(d.kind);
    o["model"] = d.model;
    o["firmware"] = d.firmware;
    o["device_id"] = d.deviceId;
    o["name"] = d.name;
    o["mac"] = d.mac;
    o["serial"] = d.serial;
    o["manufacturer"] = d.manufacturer;
    o["p2p_id"] = d.p2pId;
    o["channels"] = int(d.channels.size());
    o["sys_channel_num"] = info.sys_channel_num;
    o["analog_channels"] = d.analogChannels;
    o["alarm_in"] = d.alarmIn;
    o["alarm_out"] = d.alarmOut;
    o["two_way_talk"] = d.kind == Kind::Ipc ? 1 : 0;
    o["activated"] = d.activated;
    o["http_api_version"]
        = std::string(info.http_api_version, strnlen(info.http_api_version, sizeof info.http_api_version));
    o["http_api_config_net"] = info.support_http_api_config_net;
    o["system_time"] = clock;
    return o;
}

} // namespace devsim
