#pragma once
// One simulated device: everything a client can see or change. Plain data;
// DeviceStore guards it with its lock.
#include <array>
#include <cstdint>
#include <deque>
#include <json/value.h>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace devsim
{

enum class Kind { Ipc, Nvr, Dvr };

const char* kindName(Kind kind);
bool kindFromName(const std::string& name, Kind* out);
// The device-type number a kind reports unless told otherwise.
int defaultDeviceType(Kind kind);

struct Rights {
    bool preview = true;
    bool playback = true;
    bool backup = true;
    bool ptz = true;
    bool settings = true;
};

struct User {
    std::string name;
    std::string password;
    bool admin = false;
    bool enabled = true;
    Rights rights;
};

// The alarms a channel raises now. The alarm messages report a change, the
// status records (messages 610 and 611) the current state.
struct ChannelAlarms {
    bool motion = false;
    bool io = false;
    bool pir = false;
    bool smart = false;
    bool cover = false; // lens covered
    bool videoLoss = false;
    bool sound = false;
    std::uint32_t smartType = 0; // VLNET_SMART_* bits of the smart alarm
};

// The alarm types of the `alarm` control command, and the message each
// sends: motion 191, io 192, pir 187, smart 251, cover 207, video_loss 189,
// sound 272.
const char* const kAlarmTypes[] = { "motion", "io", "pir", "smart", "cover", "video_loss", "sound" };
bool* alarmFlag(ChannelAlarms& alarms, const std::string& type);

// The encoding of one stream of a channel (stream_osd.h): the resolution as
// an index into the stream's offered list, frames per second, the codec
// (VLNET_CODEC_*) and the bitrate, a predefined level or a custom value.
struct StreamSettings {
    int resolution = 0;
    int fps = 25;
    int codec = 0;
    bool custom = false; // the custom bitrate counts, not the level
    int level = 0;
    int customBitrate = 0; // kbit/s
};

// The on-screen display of a channel: where the channel name (the channel's
// own name) and the date stand, whether they show, and the date's form.
struct OsdSettings {
    bool showName = true;
    int nameX = 40;
    int nameY = 560;
    bool showDate = true;
    int dateX = 40;
    int dateY = 40;
    int dateFormat = 0; // VLNET_OSD_DATE_*
    int timeFormat = 24; // 24 or 12 hours
};

struct Channel {
    std::string name;
    bool online = true;
    // Abilities as the channel's status record (611) reports them: by
    // default the main, sub and mobile streams. Word 2 of abilitiesArr holds
    // the motion-region form (bit 8 rectangles, bit 30 polygons).
    std::uint32_t abilities = 0x7;
    std::uint32_t abilitiesEx = 0;
    std::array<std::uint32_t, 8> abilitiesArr {};
    ChannelAlarms alarms;
    // Main, sub and mobile stream, and the OSD (message 570 + stream, 573).
    std::array<StreamSettings, 3> streams { StreamSettings { 4, 25, 0, false, 21, 2048 },
        StreamSettings { 1, 25, 0, false, 16, 512 }, StreamSettings { 2, 15, 0, false, 10, 192 } };
    OsdSettings osd;
};

struct Network {
    std::string ip;
    std::string mask = "255.255.0.0";
    std::string gateway;
    std::string dns1;
    std::string dns2;
    bool dhcp = false;
    bool pppoe = false; // the address comes over PPPoE (searches report mode 1)
    std::uint16_t mediaPort = 9000;
    std::uint16_t webPort = 80;
    std::uint16_t httpsPort = 443; // 0 = no HTTPS
    std::uint16_t rtspPort = 554;
    std::string ipv6;
};

// Long-lived X25519 key pair of the device (multicast key agreement).
struct KeyPair {
    std::array<std::uint8_t, 32> privateKey {};
    std::array<std::uint8_t, 32> publicKey {};
};

// Fault modes that tests switch through the control channel.
struct Faults {
    int refuseLogin = 0; // non-zero: every login is answered with this status
    bool dropReplies = false; // requests are read but never answered
    int delayMs = 0; // every answer leaves this much later
    bool offline = false; // off the network until cleared
    bool emptyParams = false; // parameter queries succeed with no record
};

// A web session that a web login opened (the cookie and csrf token that the
// device's web interface will accept).
struct WebSession {
    std::string cookie;
    std::string token;
    std::string user;
    bool https = false; // opened over HTTPS
};

// The device's clock and time settings (parameter message 524). The clock
// runs as the host's UTC clock plus `offsetMs`, shown in the time zone
// `zone` (an index into the device's 34 zones, param_messages.h).
struct TimeSettings {
    int zone = 14; // UTC+0
    bool ntp = false; // takes its time from an NTP server
    int timeMode = 0; // 0: 24 hours
    int dateMode = 1; // 1: day, month, year
    std::int64_t offsetMs = 0; // set by a write of the date and time
};

// One thing the device received, for tests to read back.
struct Received {
    std::int64_t timeMs = 0;
    std::string transport; // "session", "probe", ...
    int session = 0;
    std::string what; // command name
    Json::Value detail;
};

// What a device offers for restoring its defaults (device_reset.h): the
// reset items of its web interface (names of kResetItems), its
// factory-reset types, and the network settings a network reset returns
// to (the address, mask, gateway, DNS and DHCP; the ports stay).
struct ResetProfile {
    std::vector<std::string> items;
    std::vector<std::string> factoryTypes; // empty: no reset by type
    Network factoryNet;
};

struct Device {
    int index = 0; // position in the store; stable for the run

    // Identity.
    Kind kind = Kind::Ipc;
    int deviceType = 4; // bits 40..43 of the device-type word
    std::string model;
    std::string manufacturer = "1";
    std::string productCode;
    std::string name;
    std::string mac;
    std::string serial;
    std::array<std::uint8_t, 16> devId {}; // the multicast "dev id"
    std::uint32_t deviceId = 0;
    std::string firmware;
    std::string hardware;
    std::string p2pId;

    // Capabilities.
    std::vector<Channel> channels;
    int analogChannels = 0;
    int alarmIn = 0;
    int alarmOut = 0;
    int videoFormat = 0; // 0 PAL, 1 NTSC
    int maxSessions = 10;
    bool onvif = false; // answers WS-Discovery and serves the ONVIF device service

    // Accounts.
    bool activated = true;
    std::vector<User> users;

    Network net;
    KeyPair keys;
    // Parameter records by (message number, channel).
    std::map<std::pair<int, int>, std::vector<std::uint8_t>> params;
    std::int32_t evenCheck = 0;
    TimeSettings time;
    // Fields of the device-information record set by hand, by their
    // login-response keys (record_fields.h); they win over what the record
    // would otherwise say.
    std::map<std::string, Json::Value> recordFields;
    Faults faults;
    ResetProfile reset;

    // Run-time state, not saved.
    bool rebooting = false;
    int boots = 0;
    int sessions = 0; // logged-in VLNet-protocol sessions
    std::vector<WebSession> webSessions;
    std::deque<Received> received;

    bool online() const { return !rebooting && !faults.offline; }
    const User* findUser(const std::string& userName) const;
    User* findUser(const std::string& userName);
    // Device type number shifted into the 64-bit device-type word.
    std::uint64_t typeWord() const { return std::uint64_t(deviceType & 0xF) << 40; }
};

} // namespace devsim
