#include "web_reboot_time.h"

#include "common/json.h"
#include "param_messages.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace devsim
{

namespace
{

constexpr const char* kRebootPath = "/API/Maintenance/DeviceReboot/Set";
constexpr const char* kGetPath = "/API/SystemConfig/DateTime/Get";
constexpr const char* kSetPath = "/API/SystemConfig/DateTime/Set";
constexpr int kUtcZone = 14;

std::int64_t utcNowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

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
    int index = kUtcZone;
    for (int i = 0; i < kTimeZoneCount; ++i) {
        const float distance = std::fabs(hours - float(timeZoneMinutes(i)) / 60);
        if (distance < best) {
            best = distance;
            index = i;
        }
    }
    return index;
}

void WebRebootTime::setClock(TimeSettings& time, const Clock& clock)
{
    std::tm tm {};
    tm.tm_year = clock.year - 1900;
    tm.tm_mon = clock.month - 1;
    tm.tm_mday = clock.day;
    tm.tm_hour = clock.hour;
    tm.tm_min = clock.minute;
    tm.tm_sec = clock.second;
    // The time given is the device's local time in the zone given with it.
    time.zone = zoneIndex(float(clock.zoneHours));
    const std::int64_t localMs = std::int64_t(timegm(&tm)) * 1000;
    time.offsetMs = localMs - std::int64_t(timeZoneMinutes(time.zone)) * 60000 - utcNowMs();
}

WebRebootTime::Clock WebRebootTime::clockOf(const TimeSettings& time)
{
    const std::int64_t localMs
        = utcNowMs() + time.offsetMs + std::int64_t(timeZoneMinutes(time.zone)) * 60000;
    const std::time_t seconds = std::time_t(localMs / 1000);
    std::tm tm {};
    gmtime_r(&seconds, &tm);
    // Whole hours, as the web interface writes zones.
    return { tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
        timeZoneMinutes(time.zone) / 60 };
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
        m_store.read(c.device, [&](const Device& d) { clock = clockOf(d.time); });
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
        m_store.modify(c.device, [&](Device& d) { setClock(d.time, *clock); });
        m_log.device(c.device, c.ip, "clock set to " + date + " " + time + " " + zone);
        return WebAnswer::success();
    };
    web.addPath(kSetPath, std::move(set));
}

} // namespace devsim
