#pragma once
// The reboot and the clock of devsim's web interface:
//
//   "/API/Maintenance/DeviceReboot/Set"  (session) the device proves the
//       caller's password first ("base_secondary_authentication", checked
//       by web_secrets.h): without a good one the answer is
//       "secondary_auth_failed" (403) and nothing happens; with one the
//       answer leaves and the device reboots (DeviceStore::reboot, the
//       simulator's reboot time).
//   "/API/SystemConfig/DateTime/Get"     (session) "date" (DD/MM/YYYY),
//       "time" (hh:mm:ss), "time_zone" ("GMT+<hours>:00"), "date_format",
//       "time_format", "synchronize_computer_time": the clock that was set
//       last, else the host's local time and zone.
//   "/API/SystemConfig/DateTime/Set"     (session) takes "date", "time" and
//       "time_zone" (whole hours after "GMT+" or "GMT", signed: "GMT+-5:00"
//       is five hours west) and sets the device's clock (Device::time, the
//       clock that VLNet's message 524 reads and writes) to that local time,
//       its zone to the nearest of its time zones. A text that does not read
//       is "invalid_param" (400), and nothing changes. Noted: `date`,
//       `time`, `time_zone`, `zone_index`.
//
// Threads: handlers run on the web server's threads and reach devices only
// through the store.
#include "log.h"
#include "store.h"
#include "web_server.h"

#include <cstdint>
#include <optional>
#include <string>

namespace devsim
{

class WebRebootTime
{
public:
    WebRebootTime(DeviceStore& store, EventLog& log, int rebootMs);
    // Adds the paths above to `web` (before it starts).
    void addTo(WebServer& web);

    // The parts, for tests without a network.
    struct Clock {
        int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
        int zoneHours = 0;
    };
    // Reads the three texts; nothing when one does not read or the date or
    // time does not exist.
    static std::optional<Clock> parse(
        const std::string& date, const std::string& time, const std::string& zone);
    // The index of the device time zone nearest to `hours` (the earlier of
    // two equally near).
    static int zoneIndex(float hours);
    // The device's clock set to `clock` (its local time) and its zone to the
    // one nearest to the clock's.
    static void setClock(TimeSettings& time, const Clock& clock);
    // The device's local time now, with its zone in whole hours.
    static Clock clockOf(const TimeSettings& time);

private:
    DeviceStore& m_store;
    EventLog& m_log;
    const int m_rebootMs;
};

} // namespace devsim
