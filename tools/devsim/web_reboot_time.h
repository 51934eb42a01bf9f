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
//       is five hours west) and keeps them in the device's date-and-time
//       record (message 524, channel 0, of its parameter store: the record
//       VLNet reads and writes), the zone as the index of its nearest time
//       zone. A text that does not read is "invalid_param" (400), and
//       nothing changes. Noted: `date`, `time`, `time_zone`, `zone_index`.
//
// The clock that was set stands still: the record holds what the device was
// told, which is what tests read back.
//
// Threads: handlers run on the web server's threads and reach devices only
// through the store.
#include "log.h"
#include "store.h"
#include "web_server.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
    // Whole hours of zone `index` (truncated toward zero); 0 for an index
    // outside the table.
    static int zoneHours(int index);
    // The device's record with the clock and zone written into it; `record`
    // is the stored one (any other size: a fresh one).
    static std::vector<std::uint8_t> writeRecord(std::vector<std::uint8_t> record, const Clock& clock);

private:
    DeviceStore& m_store;
    EventLog& m_log;
    const int m_rebootMs;
};

} // namespace devsim
