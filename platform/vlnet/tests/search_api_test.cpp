// The stand-in's searches without a network: refusals, and range searches on
// loopback against one answering socket of the test (the probe port is
// moved there), which show the callback contract, the time-out, the started
// search's rounds and its stop.
#include "events.h"
#include "search_events.h"
#include "wire.h"

#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using vltest::rangeRecord;
using vltest::SearchEvents;
using vltest::searchRecord;
using vltest::startedRecord;

namespace
{

// One device on 127.0.0.1 that answers every probe with its description,
// and keeps the filters of the probes it got.
class LoopbackDevice
{
public:
    LoopbackDevice()
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        socklen_t n = sizeof a;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &n);
        m_port = ntohs(a.sin_port);
        timeval tv { 0, 50000 };
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        m_thread = std::thread([this] { run(); });
    }
    ~LoopbackDevice()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    int port() const { return m_port; }
    void setName(const std::string& name)
    {
        std::lock_guard<std::mutex> hold(m_lock);
        m_name = name;
    }
    std::vector<std::string> filters()
    {
        std::lock_guard<std::mutex> hold(m_lock);
        return m_filters;
    }

private:
    void run()
    {
        int second = 0;
        while (!m_stop) {
            std::uint8_t buf[2048];
            sockaddr_in peer {};
            socklen_t n = sizeof peer;
            ssize_t got = ::recvfrom(m_fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&peer), &n);
            if (got < ssize_t(vlwire::kHeaderSize))
                continue;
            auto h = vlwire::decodeHeader(buf);
            if (!h || h->command != vlwire::kProbe)
                continue;
            std::string body;
            {
                std::lock_guard<std::mutex> hold(m_lock);
                m_filters.emplace_back(reinterpret_cast<char*>(buf) + vlwire::kHeaderSize, h->length);
                // The clock moves on between rounds: that alone is no change.
                body = R"({"ip":"127.0.0.1","mac":"02:00:00:00:00:01","name":")" + m_name
                    + R"(","ipv6":"fd00::1","system_time":"2024-01-01 00:00:)"
                    + std::to_string(10 + second++ % 40) + "\"}";
            }
            auto frame = vlwire::encodeReply(vlwire::kProbe, h->sequence, 0, body);
            ::sendto(m_fd, frame.data(), frame.size(), 0, reinterpret_cast<sockaddr*>(&peer), n);
        }
    }

    int m_fd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop { false };
    std::mutex m_lock;
    std::string m_name = "loop";
    std::vector<std::string> m_filters;
    std::thread m_thread;
};

class SearchApi : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setenv("VLNET_PROBE_PORT", std::to_string(device.port()).c_str(), 1);
        VLNetInit();
    }
    void TearDown() override
    {
        VLNetRelease();
        unsetenv("VLNET_PROBE_PORT");
    }

    LoopbackDevice device;
};

std::string name(const VLNET_SEARCH_DEV_RSP& r)
{
    return std::string(r.device_name, strnlen(r.device_name, sizeof r.device_name));
}

TEST(SearchRefusals, RefusedSearchesMakeNoCallback)
{
    SearchEvents e;
    auto normal = searchRecord(e, 0, 100);
    VLNET_START_SEARCH_DEVICE started;
    std::memset(&started, 0, sizeof started);
    started.callback = &SearchEvents::callback;
    started.context = &e;
    EXPECT_EQ(VLNetSearchDev(&normal), 0) << "not initialised";
    EXPECT_EQ(VLNetStartSearchDevice(&started), 0);

    VLNetInit();
    EXPECT_EQ(VLNetSearchDev(nullptr), 0);
    EXPECT_EQ(VLNetSearchDevPoint2Point(nullptr), 0);
    EXPECT_EQ(VLNetStartSearchDevice(nullptr), 0);
    auto noCallback = normal;
    noCallback.callback = nullptr;
    EXPECT_EQ(VLNetSearchDev(&noCallback), 0);
    auto rangeWithoutCallback = rangeRecord(e, "127.0.0.1", "127.0.0.1", 0, 100);
    rangeWithoutCallback.callback = nullptr;
    EXPECT_EQ(VLNetSearchDevPoint2Point(&rangeWithoutCallback), 0);
    for (const auto& r : { std::pair<const char*, const char*> { "127.0.0.1", "localhost" },
             { "127.0.0.256", "127.0.0.1" }, { "127.0.0.3", "127.0.0.1" }, { "10.0.0.0", "10.1.0.0" } }) {
        started.start_ip = r.first;
        started.stop_ip = r.second;
        EXPECT_EQ(VLNetStartSearchDevice(&started), 0) << r.first << " - " << r.second;
    }
    int none = 0, unknown = 31337;
    EXPECT_EQ(VLNetStopSearchDevice(nullptr), 0);
    EXPECT_EQ(VLNetStopSearchDevice(&none), 0);
    EXPECT_EQ(VLNetStopSearchDevice(&unknown), 0);
    EXPECT_EQ(unknown, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    VLNetRelease();
    EXPECT_EQ(e.list().size(), 0u);
    EXPECT_EQ(e.endCount(), 0);
}

// The program's IP-range page passes what the user typed unchecked and waits
// for the null record: every range search that cannot run ends with it, once,
// at once and with nothing found.
TEST(SearchRefusals, ARangeSearchThatCannotRunStillEndsOnce)
{
    {
        SearchEvents e;
        auto range = rangeRecord(e, "127.0.0.1", "127.0.0.1", 0, 100);
        EXPECT_EQ(VLNetSearchDevPoint2Point(&range), 1) << "not initialised";
        EXPECT_EQ(e.endCount(), 1) << "ended before the call returns";
        EXPECT_EQ(e.onCaller.load(), 1) << "no thread of the stand-in runs";
    }
    VLNetInit();
    const struct {
        const char* start;
        const char* stop;
    } badRanges[] = {
        { "", "127.0.0.1" },
        { "127.0.0.1", "" },
        { "127.0.0.1", "localhost" },
        { "127.0.0.256", "127.0.0.1" },
        { "127.0.0.3", "127.0.0.1" }, // reversed
        { "10.0.0.0", "10.1.0.0" }, // 65537 addresses
        { "1.2.3.4 ", "1.2.3.5" },
        { "0x7f.0.0.1", "127.0.0.1" },
    };
    for (const auto& r : badRanges) {
        SCOPED_TRACE(std::string(r.start) + " - " + r.stop);
        SearchEvents e;
        auto bad = rangeRecord(e, r.start, r.stop, 0, 5000);
        EXPECT_EQ(VLNetSearchDevPoint2Point(&bad), 1);
        ASSERT_TRUE(e.waitEnd(2000)) << "at once, not after the time-out";
        EXPECT_LT(e.msToEnd(), 2000);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(e.endCount(), 1);
        EXPECT_TRUE(e.list().empty());
        EXPECT_TRUE(e.clean());
    }
    VLNetRelease();
}

TEST_F(SearchApi, RangeSearchReportsTheDeviceOnAStandInThreadThenEndsOnce)
{
    SearchEvents e;
    auto range = rangeRecord(e, "127.0.0.1", "127.0.0.3", 7, 300);
    ASSERT_EQ(VLNetSearchDevPoint2Point(&range), 1);
    ASSERT_TRUE(e.waitEnd());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    auto records = e.list();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(e.endCount(), 1);
    EXPECT_TRUE(e.clean());
    EXPECT_EQ(name(records[0]), "loop");
    EXPECT_EQ(records[0].ipv6[0], 0xFD);
    EXPECT_EQ(records[0].system_time.year, 2024);
    EXPECT_GE(e.msToEnd(), 300);
    // The type byte of the start record travels with the probe.
    auto filters = device.filters();
    ASSERT_EQ(filters.size(), 1u);
    EXPECT_EQ(filters[0], R"({"oem_type":7})");
}

TEST_F(SearchApi, TimeOutZeroListensForTheDefaultTime)
{
    SearchEvents e;
    auto range = rangeRecord(e, "127.0.0.1", "127.0.0.1", 0, 0);
    ASSERT_EQ(VLNetSearchDevPoint2Point(&range), 1);
    ASSERT_TRUE(e.waitRecords(1));
    ASSERT_TRUE(e.waitEnd());
    EXPECT_GE(e.msToEnd(), VLNET_SEARCH_DEFAULT_TIMEOUT_MS - 50);
    EXPECT_LT(e.msToEnd(), VLNET_SEARCH_DEFAULT_TIMEOUT_MS + 2000);
    EXPECT_EQ(e.list().size(), 1u);
}

TEST_F(SearchApi, StartedSearchReportsChangesOnlyAndItsStopEndsIt)
{
    SearchEvents e;
    auto s = startedRecord(e, "127.0.0.1", "127.0.0.1", 100);
    int handle = VLNetStartSearchDevice(&s);
    ASSERT_NE(handle, 0);
    ASSERT_TRUE(e.waitRecords(1));
    // Several rounds with only the clock moving: no new record.
    ASSERT_TRUE(vltest::pollUntil([&] { return device.filters().size() >= 4; }));
    EXPECT_EQ(e.list().size(), 1u);
    device.setName("renamed");
    ASSERT_TRUE(e.waitRecords(2));
    EXPECT_EQ(name(e.list()[1]), "renamed");

    EXPECT_EQ(VLNetStopSearchDevice(&handle), 1);
    e.stopped = true;
    EXPECT_EQ(handle, 0);
    EXPECT_EQ(e.endCount(), 1) << "the null record comes before the stop returns";
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_TRUE(e.clean());
    EXPECT_EQ(e.endCount(), 1);
}

TEST_F(SearchApi, AStopFromInsideTheCallbackAndAReleaseStillEndTheSearch)
{
    SearchEvents fromInside;
    auto s = startedRecord(fromInside, "127.0.0.1", "127.0.0.1", 100);
    fromInside.inCallback = [](SearchEvents& e, const VLNET_SEARCH_DEV_RSP* r) {
        if (!r)
            return;
        // The start call may not have handed its handle over yet.
        int handle = 0;
        while ((handle = e.handle.load()) == 0)
            std::this_thread::yield();
        e.handle = -1; // stopped
        if (handle > 0) {
            EXPECT_EQ(VLNetStopSearchDevice(&handle), 1);
        }
    };
    fromInside.handle = VLNetStartSearchDevice(&s);
    ASSERT_NE(fromInside.handle, 0);
    ASSERT_TRUE(fromInside.waitEnd());
    EXPECT_EQ(fromInside.list().size(), 1u);

    // A search the caller forgot ends with the release.
    SearchEvents forgotten;
    s.context = &forgotten;
    ASSERT_NE(VLNetStartSearchDevice(&s), 0);
    ASSERT_TRUE(forgotten.waitRecords(1));
    VLNetRelease();
    EXPECT_EQ(forgotten.endCount(), 1);
    VLNetInit(); // for TearDown
    EXPECT_EQ(fromInside.endCount(), 1);
}

} // namespace
