#include "stream_osd.h"

#include "common/json.h"
#include "param_messages.h"
#include "wire.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace devsim
{

namespace
{

struct Resolution {
    std::uint16_t width;
    std::uint16_t height;
};

// What each stream offers (see the header).
struct StreamOffer {
    const char* name; // in the state and the web paths
    Resolution resolutions[8];
    unsigned codecs; // bit VLNET_CODEC_*
    int levels;
    int minCustom;
    int maxCustom;
};

constexpr StreamOffer kOffers[kStreamCount] = {
    { "main",
        { { 3840, 2160 }, { 3072, 1728 }, { 2688, 1520 }, { 2560, 1440 }, { 1920, 1080 }, { 1280, 960 },
            { 1280, 720 }, { 704, 576 } },
        1u << VLNET_CODEC_H264 | 1u << VLNET_CODEC_H265 | 1u << VLNET_CODEC_H264_PLUS
            | 1u << VLNET_CODEC_H265_PLUS,
        30, 32, 16384 },
    { "sub",
        { { 1280, 720 }, { 704, 576 }, { 704, 480 }, { 640, 480 }, { 640, 360 }, { 352, 288 }, { 352, 240 },
            { 320, 240 } },
        1u << VLNET_CODEC_H264 | 1u << VLNET_CODEC_H265 | 1u << VLNET_CODEC_MJPEG, 24, 8, 5120 },
    { "mobile", { { 640, 480 }, { 640, 360 }, { 352, 288 }, { 320, 240 }, { 176, 144 } },
        1u << VLNET_CODEC_H264 | 1u << VLNET_CODEC_H265, 24, 8, 5120 },
};

// The devices' predefined bitrates (kbit/s) by level; level 28 of the main
// stream is 3072, out of order.
constexpr int kMainLevels[] = { 32, 48, 64, 80, 96, 128, 160, 192, 224, 256, 320, 384, 448, 512, 640, 768,
    896, 1024, 1280, 1536, 1792, 2048, 4096, 5120, 6144, 8192, 10240, 12288, 3072, 16384 };
constexpr int kOtherLevels[] = { 8, 16, 24, 32, 48, 64, 80, 96, 128, 160, 192, 224, 256, 320, 384, 448, 512,
    768, 1024, 1536, 2048, 3072, 4096, 5120 };

const char* const kCodecNames[] = { "H264", "H265", "MJPEG", "H264+", "H265+" };
const char* const kDateFormats[] = { "YYYY-MM-DD", "MM-DD-YYYY", "DD-MM-YYYY" };
// The state does not know the video format its frame rates will meet: it
// takes what either format allows.
constexpr int kStateFpsLimit = 30;

const char* const kStreamPaths[kStreamCount] = { "MainStream", "SubStream", "MobileStream" };

bool fail(std::string* why, std::string text)
{
    if (why)
        *why = std::move(text);
    return false;
}

bool offersResolution(int stream, int index)
{
    return index >= 0 && index < 8 && kOffers[stream].resolutions[index].width != 0;
}

bool offersCodec(int stream, int codec)
{
    return codec >= 0 && codec < int(std::size(kCodecNames)) && (kOffers[stream].codecs >> codec & 1u);
}

int resolutionIndex(int stream, const std::string& text)
{
    for (int i = 0; i < 8; ++i)
        if (offersResolution(stream, i) && resolutionName(stream, i) == text)
            return i;
    return -1;
}

int codecIndex(const std::string& text)
{
    for (int i = 0; i < int(std::size(kCodecNames)); ++i)
        if (text == kCodecNames[i])
            return i;
    return -1;
}

int dateFormatIndex(const std::string& text)
{
    for (int i = 0; i < int(std::size(kDateFormats)); ++i)
        if (text == kDateFormats[i])
            return i;
    return -1;
}

// The level of `stream` with this bitrate; -1 for none.
int levelOf(int stream, int bitrate)
{
    for (int level = 0; level < kOffers[stream].levels; ++level)
        if (levelBitrate(stream, level) == bitrate)
            return level;
    return -1;
}

// The whole settings of one stream, checked against what it offers.
bool checkStream(int fpsLimit, int stream, const StreamSettings& s, std::string* why)
{
    const StreamOffer& offer = kOffers[stream];
    if (!offersResolution(stream, s.resolution))
        return fail(why, "resolution " + std::to_string(s.resolution) + " not offered");
    if (s.fps < 1 || s.fps > fpsLimit)
        return fail(why, "fps " + std::to_string(s.fps) + " outside 1.." + std::to_string(fpsLimit));
    if (!offersCodec(stream, s.codec))
        return fail(why, "codec " + std::to_string(s.codec) + " not offered");
    if (s.custom && (s.customBitrate < offer.minCustom || s.customBitrate > offer.maxCustom))
        return fail(why, "custom bitrate " + std::to_string(s.customBitrate) + " outside its range");
    if (!s.custom && (s.level < 0 || s.level >= offer.levels))
        return fail(why, "level " + std::to_string(s.level) + " not offered");
    return true;
}

bool validName(const std::string& name, std::string* why)
{
    if (name.size() > sizeof(VLNET_OSD_PARAM::name))
        return fail(why, "a name of more than 40 bytes");
    if (!vljson::is_valid_utf8(name))
        return fail(why, "a name that is not UTF-8");
    return true;
}

bool checkOsd(const OsdSettings& o, std::string* why)
{
    for (int v : { o.nameX, o.nameY, o.dateX, o.dateY })
        if (v < 0 || v > 0xFFFF)
            return fail(why, "a position outside 0..65535");
    if (o.dateFormat < 0 || o.dateFormat >= int(std::size(kDateFormats)))
        return fail(why, "an unknown date format");
    if (o.timeFormat != 24 && o.timeFormat != 12)
        return fail(why, "a time format other than 24 or 12");
    return true;
}

// "CH<n>" for 1 <= n <= channels: n - 1, else -1.
int channelOfKey(const Device& d, const std::string& key)
{
    if (key.size() < 3 || key.compare(0, 2, "CH") != 0 || key.size() > 5)
        return -1;
    int n = 0;
    for (std::size_t i = 2; i < key.size(); ++i) {
        if (key[i] < '0' || key[i] > '9')
            return -1;
        n = n * 10 + (key[i] - '0');
    }
    return n >= 1 && n <= int(d.channels.size()) ? n - 1 : -1;
}

std::string channelKey(int channel)
{
    return "CH" + std::to_string(channel + 1);
}

Json::Value point(int x, int y)
{
    Json::Value p(Json::objectValue);
    p["x"] = x;
    p["y"] = y;
    return p;
}

// The optional position {"x", "y"} of an OSD text; false when it is not one.
bool optPoint(const Json::Value& o, int& x, int& y)
{
    const Json::Value& p = vljson::member(o, "pos");
    if (p.isNull())
        return true;
    vljson::reader r(p, vljson::policy::exact);
    return p.isObject() && r.read("x", x) && r.read("y", y);
}

// A stream's settings from the web's or the state's members.
bool streamFromJson(int stream, const Json::Value& v, StreamSettings& s, std::string* why)
{
    if (!v.isObject())
        return fail(why, "not an object");
    if (v.isMember("resolution")) {
        const int i = v["resolution"].isString() ? resolutionIndex(stream, v["resolution"].asString()) : -1;
        if (i < 0)
            return fail(why, "resolution not offered");
        s.resolution = i;
    }
    const char* codecKey = v.isMember("video_encode_type") ? "video_encode_type" : "codec";
    if (v.isMember(codecKey)) {
        const int c = v[codecKey].isString() ? codecIndex(v[codecKey].asString()) : -1;
        if (c < 0)
            return fail(why, "unknown codec");
        s.codec = c;
    }
    if (v.isMember("bitrate_mode")) {
        const std::string mode = v["bitrate_mode"].isString() ? v["bitrate_mode"].asString() : "";
        if (mode != "UserDefined" && mode != "Predefined")
            return fail(why, "bitrate_mode is \"UserDefined\" or \"Predefined\"");
        s.custom = mode == "UserDefined";
    }
    int custom = s.customBitrate;
    vljson::reader r(v, vljson::policy::exact);
    if (!r.read("fps", s.fps) || !r.read("level", s.level) || !r.read("custom_bitrate", custom))
        return fail(why, "fps, level and custom_bitrate are integers");
    // A custom value is kept only where it may stand; the predefined form
    // carries whatever the client read.
    const StreamOffer& offer = kOffers[stream];
    if (s.custom || (custom >= offer.minCustom && custom <= offer.maxCustom))
        s.customBitrate = custom;
    return true;
}

Json::Value streamToJson(int stream, const StreamSettings& s)
{
    Json::Value o(Json::objectValue);
    o["resolution"] = resolutionName(stream, s.resolution);
    o["fps"] = s.fps;
    o["codec"] = codecName(s.codec);
    o["bitrate_mode"] = s.custom ? "UserDefined" : "Predefined";
    o["level"] = s.level;
    o["custom_bitrate"] = s.customBitrate;
    return o;
}

bool osdFromJson(const Json::Value& v, OsdSettings& o, std::string* why)
{
    if (!v.isObject())
        return fail(why, "not an object");
    if (v.isMember("date_format")) {
        const int f = v["date_format"].isString() ? dateFormatIndex(v["date_format"].asString()) : -1;
        if (f < 0)
            return fail(why, "an unknown date format");
        o.dateFormat = f;
    }
    vljson::reader r(v, vljson::policy::exact);
    if (!r.read("show_name", o.showName) || !r.read("show_date", o.showDate) || !r.read("name_x", o.nameX)
        || !r.read("name_y", o.nameY) || !r.read("date_x", o.dateX) || !r.read("date_y", o.dateY)
        || !r.read("time_format", o.timeFormat))
        return fail(why, "flags are true or false, positions and time_format integers");
    return true;
}

} // namespace

int streamOfMessage(int message)
{
    switch (message) {
    case VLNET_PARAM_MAIN_STREAM:
        return 0;
    case VLNET_PARAM_SUB_STREAM:
        return 1;
    case VLNET_PARAM_MOBILE_STREAM:
        return 2;
    default:
        return -1;
    }
}

std::string resolutionName(int stream, int index)
{
    if (stream < 0 || stream >= kStreamCount || !offersResolution(stream, index))
        return std::string();
    const Resolution r = kOffers[stream].resolutions[index];
    return std::to_string(r.width) + "*" + std::to_string(r.height);
}

std::string codecName(int codec)
{
    return codec >= 0 && codec < int(std::size(kCodecNames)) ? kCodecNames[codec] : "";
}

int levelBitrate(int stream, int level)
{
    if (stream == 0)
        return level >= 0 && level < int(std::size(kMainLevels)) ? kMainLevels[level] : 0;
    return level >= 0 && level < int(std::size(kOtherLevels)) ? kOtherLevels[level] : 0;
}

int maxFps(const Device& d)
{
    return d.videoFormat == 1 ? 30 : 25;
}

VLNET_STREAM_PARAM streamRecord(const Device& d, int stream, int channel)
{
    const StreamSettings& s = d.channels[std::size_t(channel)].streams[std::size_t(stream)];
    VLNET_STREAM_PARAM r {};
    r.size = sizeof r;
    r.channel = channel;
    r.bitrate_mode = s.custom ? 1 : 0;
    r.bitrate = std::uint8_t(s.level);
    r.custom_bitrate = std::uint16_t(s.customBitrate);
    r.fps = std::uint8_t(s.fps);
    r.resolution_index = std::uint8_t(s.resolution);
    for (int i = 0; i < 8; ++i) {
        r.resolutions[i].width = kOffers[stream].resolutions[i].width;
        r.resolutions[i].height = kOffers[stream].resolutions[i].height;
    }
    r.video_enc_type = std::uint8_t(s.codec);
    return r;
}

bool applyStreamRecord(Device& d, int stream, int channel, const VLNET_STREAM_PARAM& r, std::string* why)
{
    StreamSettings s = d.channels[std::size_t(channel)].streams[std::size_t(stream)];
    s.resolution = r.resolution_index;
    s.fps = r.fps;
    s.codec = r.video_enc_type;
    s.custom = r.bitrate_mode != 0;
    // The record carries both bitrate forms; the one of its mode counts,
    // the other is kept where it may stand.
    const StreamOffer& offer = kOffers[stream];
    if (s.custom || (r.custom_bitrate >= offer.minCustom && r.custom_bitrate <= offer.maxCustom))
        s.customBitrate = r.custom_bitrate;
    if (!s.custom || r.bitrate < offer.levels)
        s.level = r.bitrate;
    if (!checkStream(maxFps(d), stream, s, why))
        return false;
    d.channels[std::size_t(channel)].streams[std::size_t(stream)] = s;
    return true;
}

VLNET_OSD_PARAM osdRecord(const Device& d, int channel)
{
    const Channel& ch = d.channels[std::size_t(channel)];
    VLNET_OSD_PARAM r {};
    r.size = sizeof r;
    r.channel = channel;
    r.name_x = std::uint16_t(ch.osd.nameX);
    r.name_y = std::uint16_t(ch.osd.nameY);
    r.date_x = std::uint16_t(ch.osd.dateX);
    r.date_y = std::uint16_t(ch.osd.dateY);
    std::memcpy(r.name, ch.name.data(), std::min(ch.name.size(), sizeof r.name));
    r.show_name = ch.osd.showName ? 1 : 0;
    r.show_date = ch.osd.showDate ? 1 : 0;
    r.date_format = std::uint8_t(ch.osd.dateFormat);
    r.time_format = ch.osd.timeFormat == 12 ? 1 : 0;
    return r;
}

bool applyOsdRecord(Device& d, int channel, const VLNET_OSD_PARAM& r, std::string* why)
{
    Channel& ch = d.channels[std::size_t(channel)];
    OsdSettings o = ch.osd;
    o.nameX = r.name_x;
    o.nameY = r.name_y;
    o.dateX = r.date_x;
    o.dateY = r.date_y;
    o.showName = r.show_name != 0;
    o.showDate = r.show_date != 0;
    o.dateFormat = r.date_format;
    if (r.time_format > 1)
        return fail(why, "a time format other than 0 (24 hours) or 1 (12)");
    o.timeFormat = r.time_format == 1 ? 12 : 24;
    const std::string name(r.name, strnlen(r.name, sizeof r.name));
    if (!validName(name, why) || !checkOsd(o, why))
        return false;
    ch.osd = o;
    ch.name = name;
    return true;
}

void streamOsdToJson(const Channel& ch, Json::Value& channelJson)
{
    Json::Value streams(Json::objectValue);
    for (int s = 0; s < kStreamCount; ++s)
        streams[kOffers[s].name] = streamToJson(s, ch.streams[std::size_t(s)]);
    channelJson["streams"] = streams;
    Json::Value osd(Json::objectValue);
    osd["show_name"] = ch.osd.showName;
    osd["name_x"] = ch.osd.nameX;
    osd["name_y"] = ch.osd.nameY;
    osd["show_date"] = ch.osd.showDate;
    osd["date_x"] = ch.osd.dateX;
    osd["date_y"] = ch.osd.dateY;
    osd["date_format"] = kDateFormats[ch.osd.dateFormat];
    osd["time_format"] = ch.osd.timeFormat;
    channelJson["osd"] = osd;
}

bool applyStreamOsdJson(Channel& ch, const Json::Value& v, std::string* error, const std::string& where)
{
    std::string why;
    if (v.isMember("streams")) {
        const Json::Value& streams = v["streams"];
        if (!streams.isObject())
            return fail(error, where + "streams must be an object {main, sub, mobile}");
        for (int s = 0; s < kStreamCount; ++s) {
            const char* name = kOffers[s].name;
            if (!streams.isMember(name))
                continue;
            StreamSettings settings = ch.streams[std::size_t(s)];
            if (!streamFromJson(s, streams[name], settings, &why)
                || !checkStream(kStateFpsLimit, s, settings, &why))
                return fail(error, where + "streams." + name + ": " + why);
            ch.streams[std::size_t(s)] = settings;
        }
    }
    if (v.isMember("osd")) {
        OsdSettings o = ch.osd;
        if (!osdFromJson(v["osd"], o, &why) || !checkOsd(o, &why))
            return fail(error, where + "osd: " + why);
        ch.osd = o;
    }
    return true;
}

Json::Value webStream(const Device& d, int stream)
{
    Json::Value info(Json::objectValue);
    for (std::size_t c = 0; c < d.channels.size(); ++c) {
        const StreamSettings& s = d.channels[c].streams[std::size_t(stream)];
        Json::Value o(Json::objectValue);
        o["chn_index"] = channelKey(int(c));
        o["resolution"] = resolutionName(stream, s.resolution);
        o["fps"] = s.fps;
        o["max_fps"] = maxFps(d);
        o["video_encode_type"] = codecName(s.codec);
        o["bitrate_mode"] = s.custom ? "UserDefined" : "Predefined";
        o["bitrate"] = s.custom ? s.customBitrate : levelBitrate(stream, s.level);
        o["custom_bitrate"] = s.customBitrate;
        Json::Value resolutions(Json::arrayValue);
        for (int i = 0; i < 8; ++i)
            if (offersResolution(stream, i))
                resolutions.append(resolutionName(stream, i));
        o["resolution_list"] = resolutions;
        Json::Value codecs(Json::arrayValue);
        for (int i = 0; i < int(std::size(kCodecNames)); ++i)
            if (offersCodec(stream, i))
                codecs.append(kCodecNames[i]);
        o["encode_type_list"] = codecs;
        info[channelKey(int(c))] = o;
    }
    Json::Value data(Json::objectValue);
    data["channel_info"] = info;
    return data;
}

bool applyWebStream(Device& d, int stream, const Json::Value& data, std::string* why)
{
    if (!data.isObject())
        return fail(why, "no data");
    const Json::Value& info = data["channel_info"];
    if (!info.isObject() || info.empty())
        return fail(why, "no channel_info");
    std::vector<Channel> channels = d.channels;
    for (const std::string& key : info.getMemberNames()) {
        const int c = channelOfKey(d, key);
        if (c < 0)
            return fail(why, "no channel " + key);
        const Json::Value& v = info[key];
        StreamSettings s = channels[std::size_t(c)].streams[std::size_t(stream)];
        if (!streamFromJson(stream, v, s, why))
            return false;
        // The predefined form names its level by the bitrate.
        if (!s.custom && v.isMember("bitrate")) {
            const int level = v["bitrate"].isInt() ? levelOf(stream, v["bitrate"].asInt()) : -1;
            if (level < 0)
                return fail(why, "a bitrate that is no predefined level");
            s.level = level;
        }
        if (!checkStream(maxFps(d), stream, s, why))
            return false;
        channels[std::size_t(c)].streams[std::size_t(stream)] = s;
    }
    d.channels = channels;
    return true;
}

Json::Value webOsd(const Device& d, const Json::Value& request)
{
    std::vector<int> asked;
    const Json::Value& list = request.isObject() ? request["channel"] : Json::Value::nullSingleton();
    if (list.isArray()) {
        for (const Json::Value& k : list) {
            const int c = k.isString() ? channelOfKey(d, k.asString()) : -1;
            if (c >= 0)
                asked.push_back(c);
        }
    } else {
        for (std::size_t c = 0; c < d.channels.size(); ++c)
            asked.push_back(int(c));
    }
    Json::Value info(Json::objectValue);
    for (int c : asked) {
        const Channel& ch = d.channels[std::size_t(c)];
        Json::Value name(Json::objectValue);
        name["show"] = ch.osd.showName;
        name["text"] = ch.name;
        name["pos"] = point(ch.osd.nameX, ch.osd.nameY);
        Json::Value datetime(Json::objectValue);
        datetime["show"] = ch.osd.showDate;
        datetime["date_format"] = kDateFormats[ch.osd.dateFormat];
        datetime["time_format"] = ch.osd.timeFormat;
        datetime["pos"] = point(ch.osd.dateX, ch.osd.dateY);
        Json::Value o(Json::objectValue);
        o["status"] = ch.online ? "Online" : "Offline";
        o["name"] = name;
        o["datetime"] = datetime;
        info[channelKey(c)] = o;
    }
    Json::Value data(Json::objectValue);
    data["channel_max"] = Json::UInt(d.channels.size());
    data["support_copy"] = true;
    data["channel_info"] = info;
    return data;
}

bool applyWebOsd(Device& d, const Json::Value& data, std::string* why)
{
    if (!data.isObject())
        return fail(why, "no data");
    const Json::Value& info = data["channel_info"];
    if (!info.isObject() || info.empty())
        return fail(why, "no channel_info");
    std::vector<Channel> channels = d.channels;
    for (const std::string& key : info.getMemberNames()) {
        const int c = channelOfKey(d, key);
        if (c < 0)
            return fail(why, "no channel " + key);
        const Json::Value& v = info[key];
        if (!v.isObject())
            return fail(why, key + " is not an object");
        Channel& ch = channels[std::size_t(c)];
        OsdSettings o = ch.osd;
        std::string name = ch.name;
        if (v.isMember("name")) {
            const Json::Value& n = v["name"];
            vljson::reader r(n, vljson::policy::exact);
            if (!n.isObject() || !r.read("show", o.showName) || !optPoint(n, o.nameX, o.nameY))
                return fail(why, "name: show is true or false, pos {x, y} integers");
            if (n.isMember("text")) {
                if (!n["text"].isString())
                    return fail(why, "name.text is a text");
                name = n["text"].asString();
            }
        }
        if (v.isMember("datetime")) {
            const Json::Value& t = v["datetime"];
            vljson::reader r(t, vljson::policy::exact);
            if (!t.isObject() || !r.read("show", o.showDate) || !optPoint(t, o.dateX, o.dateY)
                || !r.read("time_format", o.timeFormat))
                return fail(why, "datetime: show is true or false, pos {x, y} and time_format integers");
            if (t.isMember("date_format")) {
                const int f = t["date_format"].isString() ? dateFormatIndex(t["date_format"].asString()) : -1;
                if (f < 0)
                    return fail(why, "datetime.date_format unknown");
                o.dateFormat = f;
            }
        }
        if (!validName(name, why) || !checkOsd(o, why))
            return false;
        ch.osd = o;
        ch.name = name;
    }
    d.channels = channels;
    return true;
}

// ---- Parameter messages 570..573 ----

namespace
{

std::int32_t readStreams(const Device& d, ParamRead& r)
{
    const int stream = streamOfMessage(r.message);
    for (int channel : r.channels) {
        const VLNET_STREAM_PARAM record = streamRecord(d, stream, channel);
        std::memcpy(r.addRecord(), &record, sizeof record);
    }
    return vlwire::kOk;
}

std::int32_t readOsds(const Device& d, ParamRead& r)
{
    for (int channel : r.channels) {
        const VLNET_OSD_PARAM record = osdRecord(d, channel);
        std::memcpy(r.addRecord(), &record, sizeof record);
    }
    return vlwire::kOk;
}

// Each record names its channel; the records are taken all or none.
template <typename Record, typename Apply> std::int32_t writeEach(Device& d, ParamWrite& w, Apply apply)
{
    const std::vector<Channel> before = d.channels;
    Json::Value channels(Json::arrayValue);
    for (std::size_t i = 0; i < w.count; ++i) {
        Record record;
        std::memcpy(&record, w.record(i), sizeof record);
        std::string why;
        const bool known = record.channel >= 0 && record.channel < int(d.channels.size());
        if (!known)
            why = "no channel " + std::to_string(record.channel);
        if (!known || !apply(d, record, &why)) {
            d.channels = before;
            w.note["error"] = "record " + std::to_string(i) + ": " + why;
            return vlwire::kBadRequest;
        }
        channels.append(record.channel);
    }
    w.note["channels"] = channels;
    return vlwire::kOk;
}

std::int32_t writeStreams(Device& d, ParamWrite& w)
{
    const int stream = streamOfMessage(w.message);
    return writeEach<VLNET_STREAM_PARAM>(
        d, w, [stream](Device& dev, const VLNET_STREAM_PARAM& r, std::string* why) {
            return applyStreamRecord(dev, stream, r.channel, r, why);
        });
}

std::int32_t writeOsds(Device& d, ParamWrite& w)
{
    return writeEach<VLNET_OSD_PARAM>(d, w, [](Device& dev, const VLNET_OSD_PARAM& r, std::string* why) {
        return applyOsdRecord(dev, r.channel, r, why);
    });
}

} // namespace

ParamRows streamOsdParamRows()
{
    return {
        { VLNET_PARAM_MAIN_STREAM, VLNET_PARAM_STREAM_SIZE, 0, ParamShape::PerChannel, readStreams,
            writeStreams },
        { VLNET_PARAM_SUB_STREAM, VLNET_PARAM_STREAM_SIZE, 0, ParamShape::PerChannel, readStreams,
            writeStreams },
        { VLNET_PARAM_MOBILE_STREAM, VLNET_PARAM_STREAM_SIZE, 0, ParamShape::PerChannel, readStreams,
            writeStreams },
        { VLNET_PARAM_OSD, VLNET_PARAM_OSD_SIZE, 0, ParamShape::PerChannel, readOsds, writeOsds },
    };
}

void addStreamOsdPaths(WebServer& web, DeviceStore& store)
{
    for (int stream = 0; stream < kStreamCount; ++stream) {
        const std::string base = std::string("/API/StreamConfig/") + kStreamPaths[stream];
        WebPath get;
        get.handle = [&store, stream](WebCall& c) {
            Json::Value data;
            store.read(c.device, [&](const Device& d) { data = webStream(d, stream); });
            return WebAnswer::success(data);
        };
        web.addPath(base + "/Get", std::move(get));
        WebPath set;
        set.handle = [&store, stream](WebCall& c) {
            std::string why;
            bool ok = false;
            store.modify(c.device, [&](Device& d) { ok = applyWebStream(d, stream, c.json["data"], &why); });
            if (!ok) {
                c.note["error"] = why;
                return WebAnswer::failure("invalid_param", 400);
            }
            return WebAnswer::success();
        };
        web.addPath(base + "/Set", std::move(set));
    }
    WebPath get;
    get.handle = [&store](WebCall& c) {
        Json::Value data;
        store.read(c.device, [&](const Device& d) { data = webOsd(d, c.json); });
        return WebAnswer::success(data);
    };
    web.addPath("/API/ChannelConfig/OSD/Get", std::move(get));
    WebPath set;
    set.handle = [&store](WebCall& c) {
        std::string why;
        bool ok = false;
        store.modify(c.device, [&](Device& d) { ok = applyWebOsd(d, c.json["data"], &why); });
        if (!ok) {
            c.note["error"] = why;
            return WebAnswer::failure("invalid_param", 400);
        }
        return WebAnswer::success();
    };
    web.addPath("/API/ChannelConfig/OSD/Set", std::move(set));
}

} // namespace devsim
