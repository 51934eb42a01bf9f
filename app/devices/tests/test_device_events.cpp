// The device events: their fixed type numbers, and an upgrade event made
// from VLNet's callback arguments, whose second argument is a pointer for
// code 402 and a number otherwise.
#include "devices/DeviceEvents.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>

TEST(DeviceEvents, TypesKeepTheirNumbers)
{
    EXPECT_EQ(ConnectEvent, 1000);
    EXPECT_EQ(UpgradeEvent, 1001);
    EXPECT_EQ(MultiActivateEvent, 1022);
    EXPECT_EQ(MultiUpdateEvent, 1023);
    EXPECT_EQ(AutoUpgradeEvent, 1024);
    EXPECT_EQ(AutoUpgradeSearchEvent, 1025);
    EXPECT_EQ(AutoActivateEvent, 1027);
    EXPECT_EQ(VideoFormatEvent, 1030);
    EXPECT_EQ(QConnectEvent(101).type(), ConnectEvent);
    EXPECT_EQ(QConnectEvent(101).code, 101);
    EXPECT_EQ(QVideoFormatEvent(1033).type(), VideoFormatEvent);
    EXPECT_EQ(QMultiEvent(AutoActivateEvent, 11006).code, 11006);
}

TEST(DeviceEvents, UpgradeEventOfCode402ReadsItsRecordThroughAFullPointer)
{
    // On the stack, which lies far above 4 GiB on 64-bit Linux: a pointer
    // cut to 32 bits would not reach it.
    unsigned char record[16] = {};
    const int32_t extra = 70000;
    std::memcpy(record + 4, &extra, sizeof extra);
    record[8] = static_cast<unsigned char>(-3); // code, signed
    record[9] = 55; // value
    const auto address = reinterpret_cast<intptr_t>(record);
    if (uintptr_t(address) <= 0xFFFFFFFFu)
        GTEST_SKIP() << "the stack lies below 4 GiB here";

    const QUpgradeEvent e(UpgradeEvent, 402, address);
    EXPECT_EQ(e.type(), UpgradeEvent);
    EXPECT_EQ(e.code, -3);
    EXPECT_EQ(e.value, 55);
    EXPECT_EQ(e.extra, 70000);
}

TEST(DeviceEvents, UpgradeEventValuesAndDefaults)
{
    const QUpgradeEvent progress(UpgradeEvent, 394, intptr_t(40));
    EXPECT_EQ(progress.code, 394);
    EXPECT_EQ(progress.value, 40);
    EXPECT_EQ(progress.extra, -1);

    const QUpgradeEvent plain(AutoUpgradeSearchEvent, 11018);
    EXPECT_EQ(plain.type(), AutoUpgradeSearchEvent);
    EXPECT_EQ(plain.value, 0);
    EXPECT_EQ(plain.extra, -1);

    // A progress code without its record stays a failure code.
    const QUpgradeEvent missing(UpgradeEvent, 402, intptr_t(0));
    EXPECT_EQ(missing.code, 402);
    EXPECT_EQ(missing.value, 0);
    EXPECT_EQ(missing.extra, -1);
}

TEST(DeviceEvents, ActivationResultTextsAreComparedExactly)
{
    struct Case {
        const char* text;
        int code;
    } cases[] = {
        { "success", 11000 },
        { "not support", 11001 },
        { "check error", 11002 },
        { "key error", 11003 },
        { "rule not met", 11004 },
        { "weak password dictionary", 11005 },
        { "device is activated", 11006 },
        { "save failed", 11007 },
        { "no response", 11008 },
        { "ipc rule not met", 11013 },
        // Update-only results and anything else.
        { "need auth", 11011 },
        { "update failed", 11011 },
        { "Success", 11011 },
        { "", 11011 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(activationResultCode(QString::fromUtf8(c.text)), c.code) << c.text;
}

TEST(DeviceEvents, UpdateResultTextsAreComparedExactlyAndASecondNeedAuthIsItsOwnCode)
{
    struct Case {
        const char* text;
        int lastStatus;
        int code;
    } cases[] = {
        { "success", 0, 11000 },
        { "not support", 0, 11001 },
        { "check error", 0, 11002 },
        { "key error", 0, 11003 },
        { "rule not met", 0, 11004 },
        { "weak password dictionary", 0, 11005 },
        { "device is activated", 0, 11006 },
        { "save failed", 0, 11007 },
        { "no response", 0, 11008 },
        { "need auth", 4, 11009 },
        { "need auth", 73, 11009 },
        { "need auth", 70, 11012 }, // the credentials were turned down before
        { "update failed", 70, 11010 },
        { "success", 70, 11000 },
        // Activation-only results and anything else.
        { "ipc rule not met", 0, 11011 },
        { "Need auth", 70, 11011 },
        { "success ", 0, 11011 },
        { "", 0, 11011 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(updateResultCode(QString::fromUtf8(c.text), c.lastStatus), c.code)
            << c.text << " after " << c.lastStatus;
}
