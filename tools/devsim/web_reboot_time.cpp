#include "web_reboot_time.h"

#include "common/json.h"
#include "vlnet.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace devsim
{

namespace
{

constexpr const char* kRebootPath = "/API/Maintenance/DeviceReboot/Set";
constexpr const char* kGetPath = "/API/SystemConfig/DateTime/Get";
constexpr const char* kSetPath = "/API/SystemConfig/DateTime/Set";

// The UTC offsets the device knows, by index.
constexpr std::array<float, 34> kZones = { -12, -11, -10, -9, -8, -7, -6, -5, -4.5f, -4, -3.5f, -3, -2, -1, 0,
    1, 2, 3, 3.5f, 4, 4.5f, 5, 5.5f, 5.75f, 6, 6.5f, 7, 8, 9, 9.5f, 10, 11, 12, 13 };
constexpr int kUtcIndex = 14;

bool daysExist(int year, int month, int day)
{
    static constexpr int kDays[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    if (month < 1 || month > 12 || day < 1)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

// Exactly `count` digits at `at`, as a number.
bool digits(const std::string& text, std::size_t at, std::size_t count, int* out)
{
    if (at + count > text.size())
        return false;
    int n = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        n = n * 10 + (text[i] - '0');
    }
    *out = n;
    return true;
}

std::string twoDigits(int n)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d", n);
    return buffer;
}

std::string textOf(const Json::Value& data, const char* key)
{
    const Json::Value& v = vljson::member(data, key);
    return v.isString() ? v.asString() : std::string();
}

} // namespace

WebRebootTime::WebRebootTime(DeviceStore& store, EventLog& log, int rebootMs)
    : m_store(store)
    , m_log(log)
    , m_rebootMs(rebootMs)
{
}

std::optional<WebRebootTime::Clock> WebRebootTime::parse(
    const std::string& date, const std::string& time, const std::string& zone)
{
    Clock c;
    if (date.size() != 10 || date[2] != '/' || date[5] != '/' || !digits(date, 0, 2, &c.day)
        || !digits(date, 3, 2, &c.month) || !digits(date, 6, 4, &c.year) || c.year < 2000 || c.year > 2099
        || !daysExist(c.year, c.month, c.day))
        return std::nullopt;
    if (time.size() != 8 || time[2] != ':' || time[5] != ':' || !digits(time, 0, 2, &c.hour)
        || !digits(time, 3, 2, &c.minute) || !digits(time, 6, 2, &c.second) || c.hour > 23 || c.minute > 59
        || c.second > 59)
        return std::nullopt;
    // "GMT+8:00", "GMT+-5:00", "GMT-5:00".
    if (zone.compare(0, 3, "GMT") != 0)
        return std::nullopt;
    std::size_t at = 3;
    if (at < zone.size() && zone[at] == '+')
        ++at;
    int sign = 1;
    if (at < zone.size() && zone[at] == '-') {
        sign = -1;
        ++at;
    }
    const std::size_t colon = zone.find(':', at);
    if (colon == std::string::npos || colon == at || colon - at > 2 || zone.substr(colon) != ":00"
        || !digits(zone, at, colon - at, &c.zoneHours) || c.zoneHours > 14)
        return std::nullopt;
    c.zoneHours *= sign;
    return c;
}

int WebRebootTime::zoneIndex(float hours)
{
    float best = 999;
    int index = kUtcIndex;
    for (std::size_t i = 0; i < kZones.size(); ++i) {
        const float distance = std::fabs(hours - kZones[i]);
        if (distance < best) {
            best = distance;
            index = int(i);
        }
    }
    return index;
}

int WebRebootTime::zoneHours(int index)
{
    return index >= 0 && index < int(kZones.size()) ? int(kZones[std::size_t(index)]) : 0;
}

std::vector<std::uint8_t> WebRebootTime::writeRecord(std::vector<std::uint8_t> record, const Clock& clock)
{
    VLNET_TIME_PARAM r;
    std::memset(&r, 0, sizeof r);
    if (record.size() == sizeof r)
        std::memcpy(&r, record.data(), sizeof r);
    r.size = VLNET_PARAM_TIME_SIZE;
    r.year = std::uint16_t(clock.year - 2000);
    r.month = std::uint8_t(clock.month);
    r.day = std::uint8_t(clock.day);
    r.hour = std::uint8_t(clock.hour);
    r.minute = std::uint8_t(clock.minute);
    r.second = std::uint8_t(clock.second);
    r.time_mode = 0;
    r.date_mode = 1;
    r.time_zone = std::uint8_t(zoneIndex(float(clock.zoneHours)));
    record.assign(
        reinterpret_cast<const std::uint8_t*>(&r), reinterpret_cast<const std::uint8_t*>(&r) + sizeof r);
    return record;
}

void WebRebootTime::addTo(WebServer& web)
{
    WebPath reboot;
    reboot.handle = [this](WebCall& c) {
        if (c.secrets.secondaryAuth != "ok") {
            c.note["rebooting"] = false;
            return WebAnswer::failure("secondary_auth_failed", 403);
        }
        // The answer still leaves: the connection outlives the device's
        // address for as long as it takes to write it.
        c.note["rebooting"] = m_store.reboot(c.device, m_rebootMs);
        m_log.device(c.device, c.ip, "rebooting (web interface)");
        return WebAnswer::success();
    };
    web.addPath(kRebootPath, std::move(reboot));

    WebPath get;
    get.handle = [this](WebCall& c) {
        Clock clock;
        bool set = false;
        m_store.read(c.device, [&](const Device& d) {
            auto it = d.params.find({ VLNET_PARAM_TIME, 0 });
            if (it == d.params.end() || it->second.size() != sizeof(VLNET_TIME_PARAM))
                return;
            VLNET_TIME_PARAM r;
            std::memcpy(&r, it->second.data(), sizeof r);
            clock = { r.year + 2000, r.month, r.day, r.hour, r.minute, r.second, zoneHours(r.time_zone) };
            set = true;
        });
        if (!set) {
            // The host's clock.
            const std::time_t now = std::time(nullptr);
            std::tm tm {};
            localtime_r(&now, &tm);
            clock = { tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                int(tm.tm_gmtoff / 3600) };
        }
        Json::Value data(Json::objectValue);
        data["date"] = twoDigits(clock.day) + "/" + twoDigits(clock.month) + "/" + std::to_string(clock.year);
        data["time"] = twoDigits(clock.hour) + ":" + twoDigits(clock.minute) + ":" + twoDigits(clock.second);
        data["time_zone"] = "GMT+" + std::to_string(clock.zoneHours) + ":00";
        data["date_format"] = "DD/MM/YYYY";
        data["time_format"] = 24;
        data["synchronize_computer_time"] = false;
        return WebAnswer::success(data);
    };
    web.addPath(kGetPath, std::move(get));

    WebPath set;
    set.handle = [this](WebCall& c) {
        const Json::Value& data = vljson::member(c.json, "data");
        const std::string date = textOf(data, "date");
        const std::string time = textOf(data, "time");
        const std::string zone = textOf(data, "time_zone");
        c.note["date"] = vljson::valid_utf8(date);
        c.note["time"] = vljson::valid_utf8(time);
        c.note["time_zone"] = vljson::valid_utf8(zone);
        const auto clock = parse(date, time, zone);
        if (!clock)
            return WebAnswer::failure("invalid_param", 400);
        const int index = zoneIndex(float(clock->zoneHours));
        c.note["zone_index"] = index;
        m_store.modify(c.device, [&](Device& d) {
            auto& record = d.params[{ VLNET_PARAM_TIME, 0 }];
            record = writeRecord(std::move(record), *clock);
        });
        m_log.device(c.device, c.ip, "clock set to " + date + " " + time + " " + zone);
        return WebAnswer::success();
    };
    web.addPath(kSetPath, std::move(set));
}

} // namespace devsim
