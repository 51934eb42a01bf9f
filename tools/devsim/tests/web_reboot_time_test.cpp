// The web clock's reading of date, time and zone texts, and the device clock
// it sets (the clock of message 524).
#include "web_reboot_time.h"

#include <gtest/gtest.h>

using devsim::WebRebootTime;

TEST(WebRebootTime, TextsThatReadAndTextsThatDoNot)
{
    struct Case {
        const char* date;
        const char* time;
        const char* zone;
        int zoneHours; // -99: refused
    };
    const Case cases[] = {
        { "09/07/2026", "08:05:03", "GMT+8:00", 8 },
        { "09/07/2026", "08:05:03", "GMT+-5:00", -5 },
        { "09/07/2026", "08:05:03", "GMT-5:00", -5 },
        { "09/07/2026", "08:05:03", "GMT+0:00", 0 },
        { "29/02/2028", "23:59:59", "GMT+14:00", 14 },
        { "29/02/2027", "08:05:03", "GMT+8:00", -99 }, // no such day
        { "9/7/2026", "08:05:03", "GMT+8:00", -99 },
        { "09/13/2026", "08:05:03", "GMT+8:00", -99 },
        { "09/07/2026", "24:00:00", "GMT+8:00", -99 },
        { "09/07/2026", "08:05", "GMT+8:00", -99 },
        { "09/07/2026", "08:05:03", "GMT+8:30", -99 },
        { "09/07/2026", "08:05:03", "UTC+8:00", -99 },
        { "09/07/2026", "08:05:03", "GMT+15:00", -99 },
        { "09/07/2026", "08:05:03", "GMT+", -99 },
        { "", "", "", -99 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.date) + " " + c.time + " " + c.zone);
        const auto clock = WebRebootTime::parse(c.date, c.time, c.zone);
        ASSERT_EQ(bool(clock), c.zoneHours != -99);
        if (clock) {
            EXPECT_EQ(clock->zoneHours, c.zoneHours);
        }
    }
    const auto clock = WebRebootTime::parse("09/07/2026", "08:05:03", "GMT+8:00");
    ASSERT_TRUE(clock);
    EXPECT_EQ(clock->year, 2026);
    EXPECT_EQ(clock->month, 7);
    EXPECT_EQ(clock->day, 9);
    EXPECT_EQ(clock->hour, 8);
    EXPECT_EQ(clock->minute, 5);
    EXPECT_EQ(clock->second, 3);
}

TEST(WebRebootTime, TheClockSetIsTheClockRead)
{
    for (int hours : { 8, -5, 0, 14, -12 }) {
        SCOPED_TRACE(hours);
        devsim::TimeSettings time;
        WebRebootTime::Clock set { 2026, 7, 9, 8, 5, 3, hours };
        WebRebootTime::setClock(time, set);
        EXPECT_EQ(time.zone, WebRebootTime::zoneIndex(float(hours)));
        const WebRebootTime::Clock now = WebRebootTime::clockOf(time);
        EXPECT_EQ(now.year, 2026);
        EXPECT_EQ(now.month, 7);
        EXPECT_EQ(now.day, 9);
        EXPECT_EQ(now.hour, 8);
        EXPECT_EQ(now.minute, 5);
        EXPECT_LE(now.second - 3, 5) << "a few seconds at most have passed";
        // +14 is past the device's last zone: it keeps +13.
        EXPECT_EQ(now.zoneHours, hours == 14 ? 13 : hours);
    }
    EXPECT_EQ(WebRebootTime::zoneIndex(5.5f), 22);
    EXPECT_EQ(WebRebootTime::zoneIndex(-9.5f), 2);
    EXPECT_EQ(WebRebootTime::zoneIndex(14), 33);
}
