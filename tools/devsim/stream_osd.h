#pragma once
// The stream and OSD settings of a device's channels (Channel::streams,
// Channel::osd), one state behind two transports: VLNet parameter messages
// 570, 571, 572 (main, sub, mobile stream, VLNET_STREAM_PARAM) and 573 (OSD,
// VLNET_OSD_PARAM), and the web paths
//
//   "/API/StreamConfig/{MainStream,SubStream,MobileStream}/{Get,Set}"
//   "/API/ChannelConfig/OSD/Get", "/API/ChannelConfig/OSD/Set"
//
// so that what one transport writes the other reads. A write is checked
// whole before anything changes: a resolution, codec, frame rate or bitrate
// the stream does not offer, a position outside 0..65535, a name that is
// not UTF-8 or longer than 40 bytes refuses it (kBadRequest over VLNet,
// 400 "invalid_param" over the web).
//
// What each stream offers: eight resolution entries (the mobile stream
// five), the codecs (main: H264, H265, H264+, H265+; sub: H264, H265,
// MJPEG; mobile: H264, H265), the predefined levels (main 30, the others
// 24), custom bitrates (main 32 to 16384, the others 8 to 5120 kbit/s) and 1
// to 25 frames a second (30 on an NTSC device).
//
// Threads: pure functions over a Device (the caller holds the store's
// lock); the web handlers go through the store.
#include "device.h"
#include "vlnet.h"
#include "web_server.h"

#include <json/value.h>
#include <string>

namespace devsim
{

constexpr int kStreamCount = 3;

// The stream of message 570, 571 or 572 (0 main, 1 sub, 2 mobile); -1 for
// another message.
int streamOfMessage(int message);

// The resolution of entry `index` of stream `stream` as "width*height";
// empty for an entry the stream does not offer.
std::string resolutionName(int stream, int index);
// The codec name of VLNET_CODEC_* `codec` ("H264", ...); empty for another.
std::string codecName(int codec);
// The bitrate of predefined level `level` of `stream`; 0 for a level it
// lacks.
int levelBitrate(int stream, int level);
int maxFps(const Device& d);

// The record of stream `stream` of channel `channel` (which the caller
// checked), as a read gives it.
VLNET_STREAM_PARAM streamRecord(const Device& d, int stream, int channel);
// Takes a written record: false with `why` (nothing changed) for a value
// the stream does not offer.
bool applyStreamRecord(
    Device& d, int stream, int channel, const VLNET_STREAM_PARAM& record, std::string* why);

VLNET_OSD_PARAM osdRecord(const Device& d, int channel);
bool applyOsdRecord(Device& d, int channel, const VLNET_OSD_PARAM& record, std::string* why);

// The settings in the state (a channel's "streams" and "osd"), and back: a
// partial object changes the keys it has; false with `error` (prefixed by
// `where`) for a value the device does not offer.
// The state takes frame rates up to 30 whatever the video format.
void streamOsdToJson(const Channel& ch, Json::Value& channelJson);
bool applyStreamOsdJson(
    Channel& ch, const Json::Value& channelJson, std::string* error, const std::string& where);

// The web interface's forms. The stream read answers every channel as
// "CH1".."CHn" under data.channel_info; the OSD read the channels its
// request's top-level "channel" lists (every channel without the list).
Json::Value webStream(const Device& d, int stream);
// data.channel_info.CHn of a stream write: the members present change,
// others keep their values.
bool applyWebStream(Device& d, int stream, const Json::Value& data, std::string* why);
Json::Value webOsd(const Device& d, const Json::Value& request);
bool applyWebOsd(Device& d, const Json::Value& data, std::string* why);

// Adds the web paths above to `web` (before it starts).
void addStreamOsdPaths(WebServer& web, DeviceStore& store);

} // namespace devsim
