// What a client sends a simulated device's web clock: the "date", "time"
// and "time_zone" texts of "/API/SystemConfig/DateTime/Set", read without
// harm whatever they hold; what reads sets a clock that reads back the same.
//   the input: the three texts, separated by line feeds
#include "device.h"
#include "fuzz.h"
#include "web_reboot_time.h"

#include <cstdlib>
#include <string>

using devsim::WebRebootTime;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t first = input.find('\n');
    const std::size_t second = first == std::string::npos ? std::string::npos : input.find('\n', first + 1);
    const std::string date = input.substr(0, first);
    const std::string time
        = first == std::string::npos ? std::string() : input.substr(first + 1, second - first - 1);
    const std::string zone = second == std::string::npos ? std::string() : input.substr(second + 1);
    const auto clock = WebRebootTime::parse(date, time, zone);
    if (!clock)
        return 0;
    if (clock->month < 1 || clock->month > 12 || clock->day < 1 || clock->day > 31 || clock->hour > 23
        || clock->minute > 59 || clock->second > 59 || clock->zoneHours < -14 || clock->zoneHours > 14)
        std::abort();
    devsim::TimeSettings settings;
    WebRebootTime::setClock(settings, *clock);
    if (settings.zone < 0 || settings.zone > 33)
        std::abort();
    return 0;
}
