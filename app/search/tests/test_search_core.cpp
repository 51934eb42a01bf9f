// The searches without widgets: the background searcher's map and its runs,
// the search page's merging (PageSearcher) with its runs and the order of
// found devices, and the address checks and arithmetic of the network
// settings.
#include "ShellTestEnv.h"
#include "devices/DeviceInfo.h"
#include "search/DeviceSearcher.h"
#include "search/IpOrder.h"
#include "search/NetworkInput.h"
#include "search/PageSearcher.h"
#include "support/FakeSearch.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

namespace
{

ShellTestOptions edition(int e, int protocol = 0)
{
    ShellTestOptions o;
    o.edition = e;
    o.curpro = protocol;
    return o;
}

const std::string kMac = "00:11:22:33:44:55";

} // namespace

// --- Background searcher -------------------------------------------------------

TEST(DeviceSearcher, TheMulticastRecordWinsOverTheLanRecordWhicheverComesFirst)
{
    ShellTestEnv env;
    for (bool lanFirst : { true, false }) {
        SCOPED_TRACE(lanFirst);
        FakeSearch fake;
        SearchTransport::ScopedInstall install(&fake);
        DeviceSearcher searcher;
        QSignalSpy searched(&searcher, &DeviceSearcher::searched);
        searcher.start();
        ASSERT_EQ(fake.multicast.size(), 1u);
        ASSERT_EQ(fake.lan.size(), 1u);
        VLNET_SEARCH_DEV_RSP lan = FakeSearch::lanRecord("192.168.1.20", "00-11-22-33-44-55");
        lan.analog_channel_num = -3;
        if (lanFirst)
            fake.lanAnswer(0, lan);
        fake.multicastAnswer(0, FakeSearch::multicastJson("192.168.1.20", kMac));
        if (!lanFirst)
            fake.lanAnswer(0, lan);
        // A device only VLNet found keeps only what VLNet defines.
        VLNET_SEARCH_DEV_RSP only = FakeSearch::lanRecord("192.168.1.21", "AA:BB:CC:DD:EE:FF");
        only.analog_channel_num = -3;
        fake.lanAnswer(0, only);
        fake.multicastEnd(0);
        EXPECT_EQ(searched.count(), 0);
        fake.lanEnd(0);
        EXPECT_EQ(searched.count(), 1);

        const DeviceSearcher::SearchRspMap map = searcher.results();
        ASSERT_EQ(map.size(), 2);
        const SearchDevRsp& both = map.value(QStringLiteral("001122334455"));
        EXPECT_STREQ(both.devId, "aWQ=") << "the multicast record";
        const SearchDevRsp& lanOnly = map.value(QStringLiteral("AABBCCDDEEFF"));
        EXPECT_STREQ(lanOnly.devId, "");
        EXPECT_STREQ(lanOnly.ipv6Text, "");
        EXPECT_EQ(lanOnly.analogChannelCount, -3);
    }
}

TEST(DeviceSearcher, EditionFortyTwoEndsOnceAfterItsThreeMarkers)
{
    ShellTestEnv env(edition(42));
    FakeSearch fake;
    SearchTransport::ScopedInstall install(&fake);
    DeviceSearcher searcher;
    QSignalSpy searched(&searcher, &DeviceSearcher::searched);
    searcher.start();
    ASSERT_EQ(fake.multicast.size(), 2u);
    ASSERT_EQ(fake.lan.size(), 1u);
    fake.lanEnd(0);
    fake.multicastEnd(1);
    EXPECT_EQ(searched.count(), 0);
    fake.multicastAnswer(0, "{not json"); // no marker
    EXPECT_EQ(searched.count(), 0);
    fake.multicastEnd(0);
    EXPECT_EQ(searched.count(), 1);
}

TEST(DeviceSearcher, LateAnswersAndMarkersOfAnEarlierRunAreDropped)
{
    ShellTestEnv env;
    FakeSearch fake;
    SearchTransport::ScopedInstall install(&fake);
    DeviceSearcher searcher;
    QSignalSpy searched(&searcher, &DeviceSearcher::searched);
    searcher.start();
    searcher.start(); // the first run's multicast search is stopped; its VLNet search runs on
    EXPECT_TRUE(fake.multicast.at(0).ended);
    fake.lanAnswer(0, FakeSearch::lanRecord("192.168.1.30", "00:00:00:00:00:30"));
    fake.lanEnd(0);
    EXPECT_EQ(searched.count(), 0) << "a marker of the first run";
    EXPECT_TRUE(searcher.results().isEmpty());
    fake.multicastEnd(1);
    fake.lanEnd(1);
    EXPECT_EQ(searched.count(), 1);
}

TEST(DeviceSearcher, ARunOfRefusedSearchesEndsAtOnceAndStopWithoutSearchesDoesNothing)
{
    ShellTestEnv env;
    NoSearch none;
    SearchTransport::ScopedInstall install(&none);
    DeviceSearcher searcher;
    searcher.stop();
    QSignalSpy searched(&searcher, &DeviceSearcher::searched);
    searcher.start();
    EXPECT_EQ(searched.count(), 1);
}

// --- The page's merging ------------------------------------------------------------

namespace
{

struct Merger {
    std::atomic<int> ended { 0 };
    std::atomic<quint64> endedRun { 0 };
    bool onvif = false;
    PageSearcher searcher { [this](quint64 run) {
                               endedRun = run;
                               ++ended;
                           },
        [this] { return onvif; } };

    QList<DeviceInfo*> take()
    {
        QList<DeviceInfo*> out;
        searcher.takeResults(searcher.currentRun(), out);
        return out;
    }
};

PageSearcher::Plan bothSearches(bool replace)
{
    PageSearcher::Plan p;
    p.multicastRequests = { QByteArrayLiteral("{}") };
    p.lanSearch = true;
    p.multicastReplacesLan = replace;
    return p;
}

} // namespace

TEST(PageSearcher, DuplicatesByAddressAndMacKeepTheFirstAnswer)
{
    ShellTestEnv env;
    FakeSearch fake;
    SearchTransport::ScopedInstall install(&fake);
    Merger m;
    m.searcher.start(bothSearches(false));
    fake.multicastAnswer(0, FakeSearch::multicastJson("192.168.1.20", kMac, "First"));
    fake.lanAnswer(0, FakeSearch::lanRecord("192.168.1.20", "00:11:22:33:44:55", "Second"));
    fake.multicastAnswer(0, FakeSearch::multicastJson("192.168.1.20", "00-11-22-33-44-55", "Third"));
    fake.multicastAnswer(0, FakeSearch::multicastJson("192.168.1.21", kMac, "Other address"));
    // Without a MAC nothing is a duplicate.
    fake.multicastAnswer(0, FakeSearch::multicastJson("192.168.1.22", "", "NoMac1"));
    fake.multicastAnswer(0, FakeSearch::multicastJson("192.168.1.22", "", "NoMac2"));
    fake.endAll();
    EXPECT_EQ(m.ended, 1);
    const QList<DeviceInfo*> found = m.take();
    QStringList names;
    for (DeviceInfo* d : found)
        names << d->devName();
    EXPECT_EQ(names, (QStringList { "First", "Other address", "NoMac1", "NoMac2" }));
    qDeleteAll(found);
}

TEST(PageSearcher, WhereBothSearchesMergeAMulticastAnswerReplacesTheLanAnswer)
{
    ShellTestEnv env(edition(34));
    for (bool lanFirst : { true, false }) {
        SCOPED_TRACE(lanFirst);
        FakeSearch fake;
        SearchTransport::ScopedInstall install(&fake);
        Merger m;
        m.searcher.start(bothSearches(true));
        const VLNET_SEARCH_DEV_RSP lan = FakeSearch::lanRecord("192.168.1.20", kMac, "Lan");
        if (lanFirst)
            fake.lanAnswer(0, lan);
        fake.multicastAnswer(0, FakeSearch::multicastJson("192.168.1.20", kMac, "Multi"));
        if (!lanFirst)
            fake.lanAnswer(0, lan);
        fake.multicastAnswer(0, FakeSearch::multicastJson("192.168.1.20", kMac, "Multi again"));
        fake.endAll();
        const QList<DeviceInfo*> found = m.take();
        ASSERT_EQ(found.size(), 1);
        EXPECT_EQ(found[0]->devName(), QStringLiteral("Multi"));
        EXPECT_EQ(found[0]->searchSource.load(), lanFirst ? 2 : 1);
        EXPECT_EQ(found[0]->thread(), QCoreApplication::instance()->thread());
        qDeleteAll(found);
    }
}

TEST(PageSearcher, RecordsFromOtherThreadsLiveOnTheApplicationThread)
{
    ShellTestEnv env;
    FakeSearch fake;
    SearchTransport::ScopedInstall install(&fake);
    Merger m;
    m.searcher.start(bothSearches(false));
    std::thread a([&] {
        for (int i = 0; i < 50; ++i)
            fake.multicastAnswer(
                0, FakeSearch::multicastJson("10.0.0." + std::to_string(i + 1), "m" + std::to_string(i)));
    });
    std::thread b([&] {
        for (int i = 0; i < 50; ++i)
            fake.lanAnswer(
                0, FakeSearch::lanRecord("10.0.1." + std::to_string(i + 1), "l" + std::to_string(i)));
    });
    a.join();
    b.join();
    std::thread end([&] { fake.endAll(); });
    end.join();
    EXPECT_EQ(m.ended, 1);
    const QList<DeviceInfo*> found = m.take();
    ASSERT_EQ(found.size(), 100);
    for (DeviceInfo* d : found)
        EXPECT_EQ(d->thread(), QCoreApplication::instance()->thread());
    EXPECT_EQ(found.first()->ip(), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(found.last()->ip(), QStringLiteral("10.0.1.50"));
    qDeleteAll(found);
}

TEST(PageSearcher, LateAnswersAndMarkersOfAnEarlierRunAreDroppedAndItsRecordsFreed)
{
    ShellTestEnv env;
    FakeSearch fake;
    SearchTransport::ScopedInstall install(&fake);
    Merger m;
    const quint64 first = m.searcher.start(bothSearches(false));
    fake.lanAnswer(0, FakeSearch::lanRecord("192.168.1.5", "00:00:00:00:00:05"));
    EXPECT_EQ(m.searcher.foundCount(), 1);
    const quint64 second = m.searcher.start(bothSearches(false));
    EXPECT_NE(first, second);
    EXPECT_EQ(m.searcher.foundCount(), 0) << "the unpublished records of the first run are deleted";
    // The first run's VLNet search cannot be stopped: its late answer and
    // its marker reach nobody.
    fake.lanAnswer(0, FakeSearch::lanRecord("192.168.1.6", "00:00:00:00:00:06"));
    fake.lanEnd(0);
    EXPECT_EQ(m.ended, 0);
    EXPECT_EQ(m.searcher.foundCount(), 0);
    QList<DeviceInfo*> out;
    EXPECT_FALSE(m.searcher.takeResults(first, out));
    fake.lanAnswer(1, FakeSearch::lanRecord("192.168.1.7", "00:00:00:00:00:07"));
    fake.endAll();
    EXPECT_EQ(m.ended, 1);
    EXPECT_EQ(m.endedRun, second);
    EXPECT_TRUE(m.searcher.takeResults(second, out));
    ASSERT_EQ(out.size(), 1);
    qDeleteAll(out);
}

TEST(PageSearcher, OnlyStartedSearchesAreWaitedFor)
{
    ShellTestEnv env;
    FakeSearch fake;
    fake.refuseLan = true;
    SearchTransport::ScopedInstall install(&fake);
    Merger m;
    m.searcher.start(bothSearches(false));
    fake.multicastEnd(0);
    EXPECT_EQ(m.ended, 1);
    fake.refuseMulticast = true;
    m.searcher.start(bothSearches(false));
    EXPECT_EQ(m.ended, 2) << "nothing started: the run ends at once";
}

TEST(PageSearcher, TheOrderOfFoundDevices)
{
    ShellTestEnv env;
    auto device = [](const char* ip) {
        auto* d = new DeviceInfo;
        copyRecordText(d->searchRecord.sdk.ip, QByteArray(ip));
        return d;
    };
    QList<DeviceInfo*> list { device("192.168.1.20"), device("192.168.001.5"), device("192.168.1.3"),
        device("10.0.0.1"), device("abc"), device("192.168.1.100") };
    std::sort(list.begin(), list.end(), lessByIpAddress);
    QStringList ips;
    for (DeviceInfo* d : list)
        ips << d->ip();
    EXPECT_EQ(ips,
        (QStringList { "192.168.001.5", "abc", "10.0.0.1", "192.168.1.3", "192.168.1.20", "192.168.1.100" }));
    // A strict order both ways round.
    for (DeviceInfo* a : list) {
        EXPECT_FALSE(lessByIpAddress(a, a));
        for (DeviceInfo* b : list)
            EXPECT_FALSE(lessByIpAddress(a, b) && lessByIpAddress(b, a));
    }
    qDeleteAll(list);
}

// --- Address checks ---------------------------------------------------------------------

TEST(NetworkInput, HostAddresses)
{
    struct Case {
        const char* text;
        bool valid;
    };
    for (const Case& c : std::initializer_list<Case> { { "10.0.0.1", true }, { "192.168.1.254", true },
             { "223.255.255.1", true }, { "127.0.0.1", false }, { "0.1.2.3", false }, { "224.0.0.1", false },
             { "10.0.0.0", false }, { "10.0.0.255", false }, { "", false }, { "10.0.0", false },
             { "10.0.0.1.", false }, { ".10.0.0.1", false }, { "10..0.1", false }, { "10.0.0.1 ", false },
             { "10.0.0.0001", false }, { "10.0.0.256", false }, { "10.0.0.x", false },
             { "10.0.0.1.2", false }, { "010.0.0.1", true } }) {
        EXPECT_EQ(isValidHostAddress(QString::fromLatin1(c.text)), c.valid) << c.text;
    }
}

TEST(NetworkInput, SubnetMasks)
{
    struct Case {
        const char* text;
        bool valid;
    };
    for (const Case& c : std::initializer_list<Case> { { "255.0.0.0", true }, { "255.255.255.0", true },
             { "255.255.255.252", true }, { "255.255.128.0", true }, { "254.0.0.0", false },
             { "255.255.255.254", false }, { "255.255.255.255", false }, { "255.0.255.0", false },
             { "255.255.255.", false }, { "255.255.0", false }, { "", false }, { "255.255.255.0 ", false },
             { "255..255.0", false } }) {
        EXPECT_EQ(isValidNetMask(QString::fromLatin1(c.text)), c.valid) << c.text;
    }
}

TEST(NetworkInput, ConsecutiveAddressesCarryAndEndEmptyAfterTheLast)
{
    EXPECT_EQ(consecutiveAddresses(QStringLiteral("192.168.1.254"), 3),
        (QStringList { "192.168.1.254", "192.168.1.255", "192.168.2.0" }));
    EXPECT_EQ(consecutiveAddresses(QStringLiteral("10.0.255.255"), 2),
        (QStringList { "10.0.255.255", "10.1.0.0" }));
    EXPECT_EQ(consecutiveAddresses(QStringLiteral("255.255.255.254"), 4),
        (QStringList { "255.255.255.254", "255.255.255.255", "", "" }));
    EXPECT_EQ(consecutiveAddresses(QStringLiteral("10.0.0"), 3), (QStringList { "10.0.0", "", "" }));
    EXPECT_TRUE(consecutiveAddresses(QStringLiteral("10.0.0.1"), 0).isEmpty());
}
