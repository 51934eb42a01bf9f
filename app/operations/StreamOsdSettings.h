#pragma once
// Stream settings (operations 14 read, 15 write) and OSD settings (18 read,
// 17 write): the device's records of VLNet parameter messages 570..573 and
// the web interface's "/API/StreamConfig/..." and "/API/ChannelConfig/OSD/..."
// paths, mapped to and from the device record's items. The workers
// themselves are DeviceInfo members (DeviceInfo::getStreamConfig, ...); what
// they decide is here as pure functions, so that tests read it as tables.
//
// Where a device refuses or answers without settings, nothing is stored and
// the operation fails: a query that succeeds with no record, a web reply
// whose "result" text is not "success", a read without
// data.channel_info.CH1. Reply members of another JSON type than the one
// read count as missing.
//
// Threads: the workers run on a work-pool thread; the functions below are
// pure apart from the DeviceInfo they are given.
#include "operations/StreamOsdReplies.h"
#include "operations/WorkerFrame.h"
#include "vlnet.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

class DeviceInfo;

// VLNet's request records under the names the program gives them.
using SdkChannelMask = VLNET_CHANNEL_MASK;
using SdkQueryRequest = VLNET_QUERY_PARAM;
using SdkSetRequest = VLNET_SET_PARAM;
using SdkStreamRecord = VLNET_STREAM_PARAM;
using SdkOsdRecord = VLNET_OSD_PARAM;

namespace StreamOsd
{

// Statuses of the two operations.
constexpr int kReadOk = 24;
constexpr int kReadFailed = 25;
constexpr int kWriteOk = 5;
constexpr int kWriteFailed = 6;

// ---- Streams -------------------------------------------------------------

// The bitrate (kbit/s) of predefined level `level` of stream `streamIndex`
// (0 main, any other the sub and mobile list); a level the list lacks gives
// the list's fall-back (1024 main, 512 others).
int bitrateOfLevel(int streamIndex, int level);

// Message 570, 571 or 572 and the web paths of a stream index (0 main, 1
// sub, anything else mobile).
int streamCommand(int streamIndex);
QByteArray streamReadPath(int streamIndex);
QByteArray streamWritePath(int streamIndex);
// The read's body, sent as these bytes.
QByteArray streamReadBody();

// "width*height" of resolution entry i of a record (0..7).
QString resolutionText(const SdkStreamRecord& record, int i);

// Stores what record says into the device's stream items (frame rate,
// resolution, user-defined flag, level, bitrate, codec). A resolution index
// past the list keeps the resolution text, a codec number outside the codec
// table (codecName, devices/DeviceTexts.h) the codec text.
void readStreamRecord(const SdkStreamRecord& record, DeviceInfo& device);
// Writes the device's stream items for the VLNet write into `record`: frame
// rate, codec and user-defined flag; the resolution index of the entry that
// matches the resolution (none: the device's stays); the custom bitrate when
// user-defined, else the level.
void fillStreamRecord(SdkStreamRecord& record, const DeviceInfo& device);

// The web write's body.
QByteArray streamWriteBody(const DeviceInfo& device);
// The frame rate the web write sends: the leading decimal digits of `text`
// (0 without any; held at INT_MAX).
int decimalPrefix(const QString& text);
// Stores a web read's data.channel_info.CH1 into the device's stream items;
// false (nothing stored) when the reply has none.
bool readWebStream(const QJsonObject& reply, DeviceInfo& device);

// ---- OSD -----------------------------------------------------------------

constexpr int kOsdNameBytes = 40;

// Stores the positions as "x,y" texts and the channel name of `record`.
void readOsdRecord(const SdkOsdRecord& record, DeviceInfo& device);
// Writes the four positions and the channel name (cut to 40 bytes at a
// character boundary, the rest zero) into `record`.
void fillOsdRecord(SdkOsdRecord& record, const DeviceInfo& device);
// `name` in the local 8-bit encoding (UTF-8 here), cut to at most `bytes`
// bytes without splitting a character.
QByteArray cutName(const QString& name, int bytes);

// The web read's body: "version" and, for a device with channels, "channel"
// listing "CH1" to "CHn" (n the channel count the tables show).
QByteArray osdReadBody(const DeviceInfo& device);
// The web write's body, with the device's name, positions and operation
// date-time.
QByteArray osdWriteBody(const DeviceInfo& device);
// Stores a web read's data.channel_info.CH1 (name and positions); false
// (nothing stored) when the reply has none.
bool readWebOsd(const QJsonObject& reply, DeviceInfo& device);

// ---- Replies -------------------------------------------------------------

// refused() (StreamOsdReplies.h) tells a refusal.
// A read's reply that may be read: a JSON object with HTTP 200, no refusal.
bool readAnswered(const WorkerFrame::Reply& reply);
// A stream write went through: HTTP 200 and no refusal (the body need not
// be JSON).
bool streamWriteAnswered(const WorkerFrame::Reply& reply);
// An OSD write went through: a JSON object with HTTP 200, no refusal.
bool osdWriteAnswered(const WorkerFrame::Reply& reply);

// ---- The VLNet calls -----------------------------------------------------

// The two calls the workers make; tests put fakes in place.
struct ParamCalls {
    int(VLNET_CALL* query)(int handle, const SdkQueryRequest* request);
    int(VLNET_CALL* set)(int handle, const SdkSetRequest* request);
};
// VLNet's own unless a test set others.
ParamCalls paramCalls();
// Puts `calls` in place; {nullptr, nullptr} puts VLNet's back. A test's
// main thread while no worker runs.
void setParamCalls(ParamCalls calls);

// Whether a VLNet parameter call came to success: 1 (2 is the user's lack
// of the right, 0 a failure).
constexpr bool vlnetOk(int result)
{
    return result == 1;
}

} // namespace StreamOsd
