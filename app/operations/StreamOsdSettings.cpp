#include "operations/StreamOsdSettings.h"

#include "devices/DeviceInfo.h"
#include "devices/DeviceTexts.h"
#include "operations/WorkerFrame.h"
#include "shell/Utilities.h"

#include <QJsonArray>
#include <QJsonValue>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <iterator>

namespace StreamOsd
{

namespace
{

// Predefined bitrates (kbit/s) by level. Level 28 of the main stream is
// 3072, out of the ascending order, as the devices number it.
constexpr int kMainLevels[] = { 32, 48, 64, 80, 96, 128, 160, 192, 224, 256, 320, 384, 448, 512, 640, 768,
    896, 1024, 1280, 1536, 1792, 2048, 4096, 5120, 6144, 8192, 10240, 12288, 3072, 16384 };
constexpr int kOtherLevels[] = { 8, 16, 24, 32, 48, 64, 80, 96, 128, 160, 192, 224, 256, 320, 384, 448, 512,
    768, 1024, 1536, 2048, 3072, 4096, 5120 };
static_assert(std::size(kMainLevels) == 30 && std::size(kOtherLevels) == 24, "the devices' level lists");
constexpr int kMainFallback = 1024;
constexpr int kOtherFallback = 512;

QJsonObject point(int x, int y)
{
    QJsonObject p;
    p.insert(QStringLiteral("x"), x);
    p.insert(QStringLiteral("y"), y);
    return p;
}

// What a Latin-1 conversion leaves of a text (outside Latin-1: "?").
QString latin1(const QString& text)
{
    return QString::fromLatin1(text.toLatin1());
}

std::atomic<int(VLNET_CALL*)(int, const SdkQueryRequest*)> g_query { nullptr };
std::atomic<int(VLNET_CALL*)(int, const SdkSetRequest*)> g_set { nullptr };

} // namespace

int bitrateOfLevel(int streamIndex, int level)
{
    if (streamIndex == 0)
        return level >= 0 && level < int(std::size(kMainLevels)) ? kMainLevels[level] : kMainFallback;
    return level >= 0 && level < int(std::size(kOtherLevels)) ? kOtherLevels[level] : kOtherFallback;
}

int streamCommand(int streamIndex)
{
    switch (streamIndex) {
    case 0:
        return VLNET_PARAM_MAIN_STREAM;
    case 1:
        return VLNET_PARAM_SUB_STREAM;
    default:
        return VLNET_PARAM_MOBILE_STREAM;
    }
}

static QByteArray streamPath(int streamIndex, const char* verb)
{
    const char* name = streamIndex == 0 ? "MainStream" : streamIndex == 1 ? "SubStream" : "MobileStream";
    return QByteArrayLiteral("/API/StreamConfig/") + name + '/' + verb;
}

QByteArray streamReadPath(int streamIndex)
{
    return streamPath(streamIndex, "Get");
}

QByteArray streamWritePath(int streamIndex)
{
    return streamPath(streamIndex, "Set");
}

QByteArray streamReadBody()
{
    return QByteArrayLiteral("{\"version\":\"1.0\",\"data\":{}}");
}

QString resolutionText(const SdkStreamRecord& record, int i)
{
    const VLNET_RESOLUTION_ENTRY& e = record.resolutions[i];
    return QString::number(e.width) + QLatin1Char('*') + QString::number(e.height);
}

void readStreamRecord(const SdkStreamRecord& record, DeviceInfo& d)
{
    d.frameRateText = QString::number(record.fps);
    // An index past the eight entries names no resolution of the record.
    if (record.resolution_index < std::size(record.resolutions))
        d.resolutionText = resolutionText(record, record.resolution_index);
    d.bitrateMode = record.bitrate_mode;
    d.qualityLevel = record.bitrate;
    d.bitrate = record.bitrate_mode != 0 ? int(record.custom_bitrate)
                                         : bitrateOfLevel(d.streamIndex, record.bitrate);
    const QString codec = codecName(record.video_enc_type);
    if (!codec.isEmpty())
        d.codecText = codec;
}

void fillStreamRecord(SdkStreamRecord& record, const DeviceInfo& d)
{
    record.fps = std::uint8_t(d.frameRate);
    record.video_enc_type = std::uint8_t(d.codecIndex);
    record.bitrate_mode = std::uint8_t(d.bitrateMode);
    for (int i = 0; i < int(std::size(record.resolutions)); ++i) {
        if (resolutionText(record, i) == d.resolutionCopy) {
            record.resolution_index = std::uint8_t(i);
            break;
        }
    }
    if (d.bitrateMode != 0)
        record.custom_bitrate = std::uint16_t(d.bitrate);
    else
        record.bitrate = std::uint8_t(d.qualityLevel);
}

int decimalPrefix(const QString& text)
{
    long long value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        value = std::min<long long>(value * 10 + (c.unicode() - '0'), INT_MAX);
    }
    return int(value);
}

QByteArray streamWriteBody(const DeviceInfo& d)
{
    QJsonObject ch;
    ch.insert(QStringLiteral("resolution"), latin1(d.resolutionText));
    ch.insert(QStringLiteral("fps"), decimalPrefix(d.frameRateText));
    ch.insert(QStringLiteral("bitrate_mode"),
        d.bitrateMode != 0 ? QStringLiteral("UserDefined") : QStringLiteral("Predefined"));
    ch.insert(QStringLiteral("custom_bitrate"), d.customBitrate);
    ch.insert(QStringLiteral("bitrate"), d.bitrate);
    ch.insert(QStringLiteral("video_encode_type"), latin1(d.codecText));
    ch.insert(QStringLiteral("chn_index"), QStringLiteral("CH1"));
    QJsonObject info;
    info.insert(QStringLiteral("CH1"), ch);
    QJsonObject data;
    data.insert(QStringLiteral("channel_info"), info);
    return WorkerFrame::envelope(data);
}

bool readWebStream(const QJsonObject& reply, DeviceInfo& d)
{
    const auto r = streamReply(reply);
    if (!r)
        return false;
    d.resolutionText = r->resolution;
    d.frameRateText = r->frameRate;
    d.codecText = r->codec;
    d.customBitrate = r->customBitrate;
    d.bitrate = r->bitrate;
    d.bitrateModeText = r->bitrateMode;
    d.bitrateMode = r->userDefined;
    return true;
}

void readOsdRecord(const SdkOsdRecord& record, DeviceInfo& d)
{
    d.osdNamePosText = position(record.name_x, record.name_y);
    d.osdTimePosText = position(record.date_x, record.date_y);
    d.osdNameText = QString::fromUtf8(record.name, int(strnlen(record.name, sizeof record.name)));
}

QByteArray cutName(const QString& name, int bytes)
{
    return cutUtf8(name.toUtf8(), bytes);
}

void fillOsdRecord(SdkOsdRecord& record, const DeviceInfo& d)
{
    record.name_x = std::uint16_t(d.osdNameX);
    record.name_y = std::uint16_t(d.osdNameY);
    record.date_x = std::uint16_t(d.osdTimeX);
    record.date_y = std::uint16_t(d.osdTimeY);
    const QByteArray name = cutName(d.osdNameText, kOsdNameBytes);
    std::memset(record.name, 0, sizeof record.name);
    std::memcpy(record.name, name.constData(), std::size_t(name.size()));
}

QByteArray osdReadBody(const DeviceInfo& d)
{
    QJsonObject body;
    body.insert(QStringLiteral("version"), QStringLiteral("1.0"));
    const int n = d.channelCount();
    if (n > 0) {
        QJsonArray channels;
        for (int k = 0; k < n; ++k)
            channels.append(QStringLiteral("CH") + QString::number(k + 1));
        body.insert(QStringLiteral("channel"), channels);
    }
    return jsonToBytes(body);
}

QByteArray osdWriteBody(const DeviceInfo& d)
{
    QJsonObject name;
    name.insert(QStringLiteral("show"), true);
    name.insert(QStringLiteral("text"), QString::fromUtf8(d.osdNameText.toUtf8()));
    name.insert(QStringLiteral("pos"), point(d.osdNameX, d.osdNameY));
    QJsonObject alarm;
    alarm.insert(QStringLiteral("show"), true);
    alarm.insert(QStringLiteral("text"), QStringLiteral("Alarm Pos"));
    alarm.insert(QStringLiteral("pos"), point(0, 0));
    const QDate date = d.dateTime.date();
    const QTime time = d.dateTime.time();
    QJsonObject when;
    when.insert(QStringLiteral("year"), date.year());
    when.insert(QStringLiteral("month"), date.month());
    when.insert(QStringLiteral("day"), date.day());
    when.insert(QStringLiteral("hour"), time.hour());
    when.insert(QStringLiteral("minute"), time.minute());
    when.insert(QStringLiteral("second"), time.second());
    QJsonObject datetime;
    datetime.insert(QStringLiteral("show"), true);
    datetime.insert(QStringLiteral("date_format"), QStringLiteral("YYYY-MM-DD"));
    datetime.insert(QStringLiteral("time_format"), 24);
    datetime.insert(QStringLiteral("time"), when);
    datetime.insert(QStringLiteral("pos"), point(d.osdTimeX, d.osdTimeY));
    QJsonObject ch;
    ch.insert(QStringLiteral("status"), QStringLiteral("Online"));
    ch.insert(QStringLiteral("name"), name);
    ch.insert(QStringLiteral("alarm"), alarm);
    ch.insert(QStringLiteral("datetime"), datetime);
    QJsonObject info;
    info.insert(QStringLiteral("CH1"), ch);
    QJsonObject data;
    data.insert(QStringLiteral("channel_max"), 1);
    data.insert(QStringLiteral("support_copy"), true);
    data.insert(QStringLiteral("channel_info"), info);
    return WorkerFrame::envelope(data);
}

bool readWebOsd(const QJsonObject& reply, DeviceInfo& d)
{
    const auto r = osdReply(reply);
    if (!r)
        return false;
    d.osdNameText = r->name;
    d.osdNamePosText = r->namePosition;
    d.osdTimePosText = r->datePosition;
    return true;
}

bool readAnswered(const WorkerFrame::Reply& reply)
{
    return reply.outcome != WorkerFrame::Outcome::Error && reply.httpOk && !refused(reply.object);
}

bool streamWriteAnswered(const WorkerFrame::Reply& reply)
{
    return reply.httpOk && !refused(reply.object);
}

bool osdWriteAnswered(const WorkerFrame::Reply& reply)
{
    return readAnswered(reply);
}

ParamCalls paramCalls()
{
    ParamCalls calls { g_query.load(), g_set.load() };
    if (!calls.query)
        calls.query = &VLNetQueryParam;
    if (!calls.set)
        calls.set = &VLNetSetParam;
    return calls;
}

void setParamCalls(ParamCalls calls)
{
    g_query.store(calls.query);
    g_set.store(calls.set);
}

} // namespace StreamOsd

// ---- The workers -------------------------------------------------------------

namespace
{

using namespace StreamOsd;

// Every record of `command` into `records` (emptied first) through
// `callback`; true when the device answered with one at least.
template <typename Record>
bool queryRecords(
    DeviceInfo* d, int command, std::vector<Record>& records, VLNET_PARAM_RECORD_CALLBACK callback)
{
    records.clear();
    SdkChannelMask mask {};
    mask.size = sizeof mask;
    for (std::uint32_t& word : mask.mask)
        word = 0xFFFFFFFFu;
    SdkQueryRequest request {};
    request.command = command;
    request.channels = &mask;
    request.header_size = 0;
    request.header_callback = nullptr;
    request.record_size = sizeof(Record);
    request.record_callback = callback;
    request.user = d;
    request.reserved = 0;
    // A query may succeed with no record (a device without the channel):
    // there is nothing to read then, nor anything to change.
    return vlnetOk(paramCalls().query(d->connectionHandle, &request)) && !records.empty();
}

// The whole list back to the device.
template <typename Record> bool setRecords(DeviceInfo* d, int command, const std::vector<Record>& records)
{
    SdkSetRequest request {};
    request.command = command;
    request.record = nullptr;
    request.records = records.data();
    request.record_count = std::int32_t(records.size());
    request.reserved = 0;
    return vlnetOk(paramCalls().set(d->connectionHandle, &request));
}

bool overVlnet()
{
    return WorkerFrame::transport() == WorkerFrame::Transport::VLNet;
}

template <typename Record> int appendRecord(std::vector<Record>& records, const void* record)
{
    if (record) {
        Record copy;
        std::memcpy(&copy, record, sizeof copy);
        records.push_back(copy);
    }
    return 0;
}

} // namespace

int VLNET_CALL DeviceInfo::streamRecordCallback(const void* record, void* user)
{
    return user ? appendRecord(static_cast<DeviceInfo*>(user)->streamRecords, record) : 0;
}

int VLNET_CALL DeviceInfo::osdRecordCallback(const void* record, void* user)
{
    return user ? appendRecord(static_cast<DeviceInfo*>(user)->osdRecords, record) : 0;
}

void DeviceInfo::getStreamConfig(DeviceInfo* d)
{
    if (!d)
        return;
    int status = kReadFailed;
    if (overVlnet()) {
        if (queryRecords(d, streamCommand(d->streamIndex), d->streamRecords, &streamRecordCallback)) {
            readStreamRecord(d->streamRecords.front(), *d);
            status = kReadOk;
        }
    } else {
        WorkerFrame::WebRun run(d);
        const WorkerFrame::Reply reply = run.post(streamReadPath(d->streamIndex), streamReadBody());
        if (readAnswered(reply) && readWebStream(reply.object, *d))
            status = kReadOk;
    }
    d->streamRecords.clear();
    WorkerFrame::finish(d, status, d->streamConfigPage);
}

void DeviceInfo::setStreamConfig(DeviceInfo* d)
{
    if (!d)
        return;
    int status = kWriteFailed;
    if (overVlnet()) {
        const int command = streamCommand(d->streamIndex);
        if (queryRecords(d, command, d->streamRecords, &streamRecordCallback)) {
            fillStreamRecord(d->streamRecords.front(), *d);
            if (setRecords(d, command, d->streamRecords))
                status = kWriteOk;
        }
    } else {
        WorkerFrame::WebRun run(d);
        const WorkerFrame::Reply reply = run.post(streamWritePath(d->streamIndex), streamWriteBody(*d));
        if (streamWriteAnswered(reply))
            status = kWriteOk;
    }
    d->streamRecords.clear();
    WorkerFrame::finish(d, status, d->streamConfigPage);
}

void DeviceInfo::getOSDConfig(DeviceInfo* d)
{
    if (!d)
        return;
    int status = kReadFailed;
    if (overVlnet()) {
        if (queryRecords(d, VLNET_PARAM_OSD, d->osdRecords, &osdRecordCallback)) {
            readOsdRecord(d->osdRecords.front(), *d);
            status = kReadOk;
        }
    } else {
        WorkerFrame::WebRun run(d);
        const WorkerFrame::Reply reply
            = run.post(QByteArrayLiteral("/API/ChannelConfig/OSD/Get"), osdReadBody(*d));
        if (readAnswered(reply) && readWebOsd(reply.object, *d))
            status = kReadOk;
    }
    d->osdRecords.clear();
    WorkerFrame::finish(d, status, d->osdConfigPage);
}

void DeviceInfo::setOSDConfig(DeviceInfo* d)
{
    if (!d)
        return;
    int status = kWriteFailed;
    if (overVlnet()) {
        if (queryRecords(d, VLNET_PARAM_OSD, d->osdRecords, &osdRecordCallback)) {
            fillOsdRecord(d->osdRecords.front(), *d);
            if (setRecords(d, VLNET_PARAM_OSD, d->osdRecords))
                status = kWriteOk;
        }
    } else if (!d->osdNameText.toUtf8().isEmpty()) {
        WorkerFrame::WebRun run(d);
        const WorkerFrame::Reply reply
            = run.post(QByteArrayLiteral("/API/ChannelConfig/OSD/Set"), osdWriteBody(*d));
        if (osdWriteAnswered(reply)) {
            d->osdNamePosText = position(d->osdNameX, d->osdNameY);
            d->osdTimePosText = position(d->osdTimeX, d->osdTimeY);
            status = kWriteOk;
        }
    }
    d->osdRecords.clear();
    WorkerFrame::finish(d, status, d->osdConfigPage);
}
