#include "param_messages.h"

#include "common/hex.h"
#include "custom_factory.h"
#include "request_checks.h"
#include "vlnet.h"
#include "wire.h"

#include <chrono>
#include <cstring>
#include <ctime>

namespace devsim
{

std::uint8_t* ParamRead::addRecord()
{
    const std::size_t at = records.size();
    records.resize(at + recordSize);
    if (recordSize >= 4)
        vlwire::putU32(records.data() + at, recordSize);
    return records.data() + at;
}

namespace
{

// ---- The device's time zones and clock ----

constexpr int kZoneMinutes[kTimeZoneCount]
    = { -720, -660, -600, -540, -480, -420, -360, -300, -270, -240, -210, -180, -120, -60, 0, 60, 120, 180,
          210, 240, 270, 300, 330, 345, 360, 390, 420, 480, 540, 570, 600, 660, 720, 780 };

std::int64_t utcNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

bool leapYear(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int year, int month)
{
    static constexpr int kDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    return month == 2 && leapYear(year) ? 29 : kDays[month - 1];
}

// ---- 502: the version structure ----

// The firmware text as the device's Latin-1 version slot holds it: code
// points above 255 (and broken UTF-8) become '?'.
std::string latin1Of(const std::string& utf8)
{
    std::string out;
    for (std::size_t i = 0; i < utf8.size();) {
        const unsigned char c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80) {
            out += char(c);
            ++i;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < utf8.size() && (utf8[i + 1] & 0xC0) == 0x80) {
            const unsigned cp = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[i + 1]) & 0x3Fu);
            out += cp <= 0xFF ? char(cp) : '?';
            i += 2;
        } else {
            out += '?';
            ++i;
            while (i < utf8.size() && (utf8[i] & 0xC0) == 0x80)
                ++i;
        }
    }
    return out;
}

std::int32_t readVersion(const Device& d, ParamRead& r)
{
    std::uint8_t* rec = r.addRecord();
    constexpr std::size_t kSlot = VLNET_PARAM_VERSION_SIZE - VLNET_PARAM_VERSION_TEXT - 1;
    const std::string text = latin1Of(d.firmware).substr(0, kSlot);
    std::memcpy(rec + VLNET_PARAM_VERSION_TEXT, text.data(), text.size());
    r.note["firmware"] = d.firmware;
    return vlwire::kOk;
}

// ---- 524: date, time, time zone and NTP switch ----

std::int32_t readTime(const Device& d, ParamRead& r)
{
    VLNET_TIME_PARAM t;
    std::memset(&t, 0, sizeof t);
    t.size = sizeof t;
    const std::int64_t localMs
        = utcNowMs() + d.time.offsetMs + std::int64_t(timeZoneMinutes(d.time.zone)) * 60000;
    std::time_t seconds = std::time_t(localMs / 1000);
    std::tm tm {};
    gmtime_r(&seconds, &tm);
    t.year = std::uint16_t(tm.tm_year + 1900 - 2000);
    t.month = std::uint8_t(tm.tm_mon + 1);
    t.day = std::uint8_t(tm.tm_mday);
    t.hour = std::uint8_t(tm.tm_hour);
    t.minute = std::uint8_t(tm.tm_min);
    t.second = std::uint8_t(tm.tm_sec);
    t.time_mode = std::uint8_t(d.time.timeMode);
    t.date_mode = std::uint8_t(d.time.dateMode);
    t.use_ntp = d.time.ntp ? 1 : 0;
    t.time_zone = std::uint8_t(d.time.zone);
    std::memcpy(r.addRecord(), &t, sizeof t);
    r.note["zone"] = d.time.zone;
    r.note["ntp"] = d.time.ntp;
    return vlwire::kOk;
}

std::int32_t writeTime(Device& d, ParamWrite& w)
{
    VLNET_TIME_PARAM t;
    std::memcpy(&t, w.record(0), sizeof t);
    const int year = 2000 + t.year;
    w.note["use_ntp"] = t.use_ntp;
    w.note["time_zone"] = t.time_zone;
    w.note["ie_change_time"] = t.ie_change_time;
    w.note["date"] = std::to_string(year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day) + " "
        + std::to_string(t.hour) + ":" + std::to_string(t.minute) + ":" + std::to_string(t.second);
    if (t.time_zone >= kTimeZoneCount) {
        w.note["error"] = "no such time zone";
        return vlwire::kBadRequest;
    }
    std::int64_t offsetMs = d.time.offsetMs;
    if (t.ie_change_time == 1) {
        if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > daysInMonth(year, t.month) || t.hour > 23
            || t.minute > 59 || t.second > 59) {
            w.note["error"] = "not a valid date and time";
            return vlwire::kBadRequest;
        }
        std::tm tm {};
        tm.tm_year = year - 1900;
        tm.tm_mon = t.month - 1;
        tm.tm_mday = t.day;
        tm.tm_hour = t.hour;
        tm.tm_min = t.minute;
        tm.tm_sec = t.second;
        // The given time is the device's local time in the zone it is given.
        const std::int64_t localMs = std::int64_t(timegm(&tm)) * 1000;
        offsetMs = localMs - std::int64_t(timeZoneMinutes(t.time_zone)) * 60000 - utcNowMs();
    }
    d.time.ntp = t.use_ntp != 0;
    d.time.zone = t.time_zone;
    d.time.offsetMs = offsetMs;
    return vlwire::kOk;
}

// ---- 700 and 582: kept as they came ----

std::int32_t keepRecord(Device& d, ParamWrite& w)
{
    d.params[{ w.message, w.channel }] = std::vector<std::uint8_t>(w.records, w.records + w.recordSize);
    return vlwire::kOk;
}

// ---- Central checks ----

bool selected(const std::uint32_t (&mask)[8], int channel)
{
    return channel < 256 && (mask[channel / 32] >> (channel % 32)) & 1u;
}

} // namespace

int timeZoneMinutes(int zone)
{
    return zone >= 0 && zone < kTimeZoneCount ? kZoneMinutes[zone] : 0;
}

ParamRows coreParamRows()
{
    return {
        { VLNET_PARAM_VERSION, VLNET_PARAM_VERSION_SIZE, 0, ParamShape::Structure, readVersion, nullptr },
        { VLNET_PARAM_TIME, VLNET_PARAM_TIME_SIZE, 0, ParamShape::Structure, readTime, writeTime },
        { VLNET_PARAM_PRODUCT_INFO, VLNET_PARAM_PRODUCT_INFO_SIZE, 0, ParamShape::Structure, nullptr,
            keepRecord },
        { VLNET_PARAM_DEVICE_INFO, VLNET_PARAM_DEVICE_INFO_SIZE, 0, ParamShape::Structure, nullptr,
            writeDeviceInfoRecord },
    };
}

const ParamMessage* findParamMessage(int message)
{
    // The groups of rows, one line each.
    static constexpr ParamRows (*kGroups[])() = {
        coreParamRows,
        streamOsdParamRows,
        userParamRows,
        resetParamRows,
    };
    static const ParamRows rows = [] {
        ParamRows all;
        for (auto group : kGroups) {
            ParamRows more = group();
            all.insert(all.end(), more.begin(), more.end());
        }
        return all;
    }();
    for (const ParamMessage& row : rows)
        if (row.message == message)
            return &row;
    return nullptr;
}

std::int32_t queryParam(DeviceStore& store, int id, const std::string& user,
    const std::vector<std::uint8_t>& payload, Json::Value& note, std::vector<std::uint8_t>& data)
{
    const auto q = vlwire::decodeQueryParam(payload.data(), payload.size());
    if (!q)
        return noted(note, vlwire::kBadRequest, "a request of " + std::to_string(payload.size()) + " bytes");
    note["msg"] = q->message;
    note["size"] = q->recordSize;
    note["header_size"] = q->headerSize;
    Json::Value mask(Json::arrayValue);
    for (std::uint32_t word : q->mask)
        mask.append(word);
    note["mask"] = mask;
    const ParamMessage* row = findParamMessage(q->message);
    if (!row || !row->read)
        return noted(note, vlwire::kUnsupported, "a parameter the device does not read");
    if (q->recordSize != row->recordSize || q->headerSize != row->headerSize)
        return noted(note, vlwire::kBadRequest, "not the parameter's sizes");
    ParamRead r(note);
    r.message = q->message;
    r.user = user;
    r.recordSize = row->recordSize;
    r.header.assign(row->headerSize, 0);
    std::int32_t result = vlwire::kOk;
    bool empty = false;
    store.read(id, [&](const Device& d) {
        if (!accessOf(d, user).user) {
            result = vlwire::kNoRight;
            return;
        }
        empty = d.faults.emptyParams;
        if (empty)
            return;
        if (row->shape == ParamShape::PerChannel)
            for (int c = 0; c < int(d.channels.size()); ++c)
                if (selected(q->mask, c))
                    r.channels.push_back(c);
        result = row->read(d, r);
    });
    if (result == vlwire::kNoRight)
        return noted(note, result, "no such user");
    if (result != vlwire::kOk)
        return noted(note, result);
    if (empty) {
        // The fault `empty_params`: success, the header (zeros) and no record.
        note["count"] = 0;
        note["empty"] = true;
        data = std::move(r.header);
        return noted(note, vlwire::kOk);
    }
    // A row that gives other records than its shape says is a fault of the
    // simulator; refuse rather than send what no client could read.
    const bool shapeOk = r.header.size() == row->headerSize && r.records.size() % row->recordSize == 0
        && (row->shape != ParamShape::Structure || r.count() == 1)
        && (row->shape != ParamShape::PerChannel || r.count() == r.channels.size());
    if (!shapeOk)
        return noted(note, vlwire::kUnsupported, "the device built records of another shape");
    note["count"] = Json::UInt(r.count());
    data = std::move(r.header);
    data.insert(data.end(), r.records.begin(), r.records.end());
    return noted(note, vlwire::kOk);
}

std::int32_t writeParam(DeviceStore& store, int id, const std::string& user,
    const std::vector<std::uint8_t>& payload, Json::Value& note)
{
    if (payload.size() < 16)
        return noted(note, vlwire::kBadRequest, "a request of " + std::to_string(payload.size()) + " bytes");
    const int message = std::int32_t(vlwire::getU32(payload.data()));
    const int channel = std::int32_t(vlwire::getU32(payload.data() + 4));
    const std::uint32_t size = vlwire::getU32(payload.data() + 8);
    const std::uint32_t count = vlwire::getU32(payload.data() + 12);
    note["msg"] = message;
    note["channel"] = channel;
    note["size"] = size;
    note["count"] = count;
    if (std::uint64_t(size) * count != payload.size() - 16)
        return noted(note, vlwire::kBadRequest, "records and their size disagree");
    note["hex"] = vlhex::to_hex(payload.data() + 16, payload.size() - 16);
    const ParamMessage* row = findParamMessage(message);
    if (!row || !row->write)
        return noted(note, vlwire::kUnsupported, "a parameter the device does not keep");
    // A structure is the whole device's, one at a time.
    if (size != row->recordSize || count < 1
        || (row->shape == ParamShape::Structure && (count != 1 || channel != 0)))
        return noted(note, vlwire::kBadRequest, "not one record of the parameter's size for the device");
    ParamWrite w(note);
    w.message = message;
    w.user = user;
    w.channel = channel;
    w.records = payload.data() + 16;
    w.count = count;
    w.recordSize = size;
    std::int32_t result = vlwire::kOk;
    store.modify(id, [&](Device& d) {
        const Access a = accessOf(d, user);
        if (!a.user || !a.rights.settings) {
            result = vlwire::kNoRight;
            return;
        }
        result = row->write(d, w);
    });
    if (result == vlwire::kNoRight)
        return noted(note, result, "the user may not change settings");
    if (result == vlwire::kOk && w.then)
        w.then(store, id);
    return noted(note, result);
}

} // namespace devsim
