// The login page's session without devices: its state table over both
// transports, what it forwards to its owner, the web replies it reads, and
// logins and logouts racing the callbacks. Logins go to a loopback port that
// takes connections and never answers, so that a session stays under way
// while the test feeds it statuses.
#include "ShellTestEnv.h"
#include "devices/DeviceEvents.h"
#include "devices/GKDevice.h"
#include "vlnet.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <arpa/inet.h>
#include <atomic>
#include <cstdlib>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

// A loopback port whose connections the kernel completes and nobody reads.
class SilentPort
{
public:
    SilentPort()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(m_fd, 64);
        socklen_t size = sizeof a;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&a), &size);
        m_port = ntohs(a.sin_port);
    }
    ~SilentPort() { ::close(m_fd); }
    int port() const { return m_port; }

private:
    int m_fd = -1;
    int m_port = 0;
};

// The owner: the codes forwarded to it, in order.
class Owner : public QObject
{
public:
    void customEvent(QEvent* e) override
    {
        if (e->type() == ConnectEvent)
            codes.push_back(static_cast<QConnectEvent*>(e)->code);
    }
    std::vector<int> codes;
};

// Delivers what was posted: the session's events, then the owner's.
void deliver()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::sendPostedEvents();
}

ShellTestOptions edition(int number, int protocol)
{
    ShellTestOptions o;
    o.edition = number;
    o.curpro = protocol;
    return o;
}

class GKDeviceTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        // Nothing the stand-in waits for may run out during a test.
        setenv("VLNET_CONNECT_TIMEOUT_MS", "60000", 1);
        setenv("VLNET_REPLY_TIMEOUT_MS", "60000", 1);
        VLNetInit();
    }
    static void TearDownTestSuite() { VLNetRelease(); }

    SilentPort silent;
};

constexpr int kClosedPort = 1;

const char* kSuccess = R"({"status": "success", "info": {"cookie": "c=1", "token": "t1", "is_https": true,
    "port": 8443, "ip": "127.0.0.1"}})";

} // namespace

TEST_F(GKDeviceTest, StartsClosedAndEmpty)
{
    ShellTestEnv env;
    GKDevice s;
    EXPECT_EQ(s.state(), 3);
    EXPECT_EQ(s.port(), 0);
    EXPECT_TRUE(s.ip().isEmpty());
    EXPECT_EQ(s.connectionHandle(), 0);
    EXPECT_FALSE(s.hasWrapperDevice());
    EXPECT_EQ(s.owner(), nullptr);
    s.logout();
    EXPECT_EQ(s.state(), 3);
}

TEST_F(GKDeviceTest, VlnetStatusesBecomeTheStateAndReachTheOwner)
{
    ShellTestEnv env(edition(0, 1));
    GKDevice s;
    Owner owner;
    s.setOwner(&owner);
    s.login("127.0.0.1", silent.port(), "admin", "secret");
    ASSERT_NE(s.connectionHandle(), 0) << "over VLNet";
    EXPECT_FALSE(s.hasWrapperDevice());
    EXPECT_EQ(s.state(), 3) << "until the connection reports";
    EXPECT_EQ(s.ip(), "127.0.0.1");
    EXPECT_EQ(s.port(), silent.port());
    EXPECT_EQ(s.user(), "admin");
    EXPECT_EQ(s.password(), "secret");
    EXPECT_EQ(s.protocol(), 1);
    struct Step {
        int code;
        int state; // after it
        bool forwarded;
    } steps[] = {
        { 0, 3, false }, // connecting: not a state
        { 101, 101, true },
        { 4, 101, false },
        { 151, 101, false },
        { 2, 2, true },
        { 101, 101, true },
        { 103, 103, true },
        { 104, 104, true },
        { 105, 105, true },
        { 106, 106, true },
        { 107, 107, true },
        { 108, 108, true },
        { 109, 109, true },
        { 112, 112, true },
        { 156, 156, true },
        { 113, 156, false },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.code);
        owner.codes.clear();
        GKDevice::connectionCallback(step.code, &s);
        EXPECT_EQ(s.state(), step.state);
        deliver();
        EXPECT_EQ(owner.codes, step.forwarded ? std::vector<int> { step.state } : std::vector<int> {});
    }
    GKDevice::connectionCallback(101, nullptr);
    s.logout();
    EXPECT_EQ(s.connectionHandle(), 0);
    EXPECT_EQ(s.state(), 3);
    EXPECT_TRUE(s.ip().isEmpty());
    EXPECT_TRUE(s.user().isEmpty());
    EXPECT_TRUE(s.password().isEmpty());
    EXPECT_EQ(s.port(), 0);
    // A connection that is gone reports no more.
    owner.codes.clear();
    GKDevice::connectionCallback(101, &s);
    deliver();
    EXPECT_EQ(s.state(), 3);
    EXPECT_TRUE(owner.codes.empty());
}

TEST_F(GKDeviceTest, AVlnetLoginThatDoesNotStartReportsNothing)
{
    ShellTestEnv env(edition(0, 1));
    GKDevice s;
    Owner owner;
    s.setOwner(&owner);
    s.login("not an address", 9000, "admin", "secret");
    EXPECT_EQ(s.connectionHandle(), 0);
    EXPECT_EQ(s.state(), 3);
    deliver();
    EXPECT_TRUE(owner.codes.empty());
}

TEST_F(GKDeviceTest, WebRepliesFollowTheStateTable)
{
    struct Case {
        const char* what;
        const char* reply;
        int state;
        std::vector<int> forwarded;
    } cases[] = {
        { "success", kSuccess, 101, { 101 } },
        { "failed or blocked", R"({"status": "login_failed_or_block"})", 105, { 105 } },
        { "wrong password", R"({"status": "user or password error"})", 100, {} },
        { "connecting", R"({"status": "connecting"})", 100, {} },
        { "no JSON", "{status", 100, {} },
        { "no object", "[1]", 100, {} },
        { "status of another type", R"({"status": 1})", 100, {} },
        { "close", R"({"status": "close"})", 3, { 3 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShellTestEnv env(edition(0, 0));
        GKDevice s;
        Owner owner;
        s.setOwner(&owner);
        s.login("127.0.0.1", silent.port(), "admin", "secret");
        ASSERT_TRUE(s.hasWrapperDevice()) << "over the web interface";
        EXPECT_EQ(s.connectionHandle(), 0);
        EXPECT_EQ(s.state(), 100);
        EXPECT_EQ(s.protocol(), 0);
        GKDevice::loginStatusCallback(c.reply, &s);
        EXPECT_EQ(s.state(), c.state);
        deliver();
        EXPECT_EQ(owner.codes, c.forwarded);
        GKDevice::loginStatusCallback(nullptr, &s);
        GKDevice::loginStatusCallback(kSuccess, nullptr);
        EXPECT_EQ(s.state(), c.state);
    }
}

// A web login that VLSDKWrapper does not start reports nothing of its own:
// the owner hears the session closed instead of waiting at 100.
TEST_F(GKDeviceTest, AWebLoginThatDoesNotStartEndsClosed)
{
    ShellTestEnv env(edition(0, 0));
    GKDevice s;
    Owner owner;
    s.setOwner(&owner);
    s.login("not an address", 80, "admin", "secret");
    deliver();
    EXPECT_EQ(owner.codes, (std::vector<int> { 3 }));
    EXPECT_EQ(s.state(), 3);
    EXPECT_FALSE(s.hasWrapperDevice());
}

TEST_F(GKDeviceTest, AWebLoginKeepsTheRepliesSessionAndPort)
{
    ShellTestEnv env(edition(0, 0));
    GKDevice s;
    s.login("127.0.0.1", silent.port(), "admin", "secret");
    GKDevice::loginStatusCallback(kSuccess, &s);
    EXPECT_EQ(s.state(), 101);
    EXPECT_EQ(s.port(), 8443) << "the reply's port, not the given one";
    EXPECT_EQ(s.cookie(), "c=1");
    EXPECT_EQ(s.csrfToken(), "t1");
    EXPECT_TRUE(s.isHttps());
    EXPECT_EQ(s.deviceType(), 0) << "the wrapper's type before any login";

    // Members of another type count as absent: the given port stays.
    s.login("127.0.0.1", silent.port(), "admin", "secret");
    GKDevice::loginStatusCallback(
        R"({"status": "success", "info": {"cookie": 5, "is_https": 1, "port": "80"}})", &s);
    EXPECT_EQ(s.state(), 101);
    EXPECT_EQ(s.port(), silent.port());
    EXPECT_TRUE(s.cookie().isEmpty());
    EXPECT_TRUE(s.isHttps());
    s.logout();
    EXPECT_TRUE(s.cookie().isEmpty());
    EXPECT_TRUE(s.csrfToken().isEmpty());
    EXPECT_FALSE(s.hasWrapperDevice());
}

TEST_F(GKDeviceTest, CloseDuringAWebLoginLogsOutAndClearsTheCredentials)
{
    ShellTestEnv env(edition(0, 0));
    GKDevice s;
    Owner owner;
    s.setOwner(&owner);
    s.login("127.0.0.1", silent.port(), "admin", "secret");
    ASSERT_EQ(s.state(), 100);
    GKDevice::loginStatusCallback(R"({"status": "close"})", &s);
    EXPECT_EQ(s.state(), 3);
    EXPECT_TRUE(s.hasWrapperDevice()) << "the callback does not log out itself";
    deliver();
    EXPECT_EQ(owner.codes, (std::vector<int> { 3 }));
    EXPECT_FALSE(s.hasWrapperDevice());
    EXPECT_TRUE(s.ip().isEmpty());
    EXPECT_TRUE(s.user().isEmpty());
    EXPECT_TRUE(s.password().isEmpty());
    EXPECT_EQ(s.port(), 0);
}

TEST_F(GKDeviceTest, EditionsOfTheWebInterfaceLogInOverTheWebWhateverTheProtocol)
{
    for (auto [number, protocol, web] :
        { std::tuple { 43, 1, true }, { 44, 1, true }, { 0, 1, false }, { 0, 0, true }, { 42, 1, false } }) {
        SCOPED_TRACE(testing::Message() << "edition " << number << " protocol " << protocol);
        ShellTestEnv env(edition(number, protocol));
        GKDevice s;
        s.login("127.0.0.1", silent.port(), "admin", "secret");
        EXPECT_EQ(s.hasWrapperDevice(), web);
        EXPECT_EQ(s.connectionHandle() != 0, !web);
        EXPECT_EQ(s.state(), web ? 100 : 3);
    }
}

// What a logged-out session posted before its logout is not forwarded.
TEST_F(GKDeviceTest, EventsOfAnEarlierSessionAreDropped)
{
    ShellTestEnv env(edition(0, 0));
    GKDevice s;
    Owner owner;
    s.setOwner(&owner);
    s.login("127.0.0.1", silent.port(), "admin", "secret");
    GKDevice::loginStatusCallback(kSuccess, &s);
    s.login("127.0.0.1", silent.port(), "admin", "secret");
    deliver();
    EXPECT_TRUE(owner.codes.empty());
    EXPECT_EQ(s.state(), 100) << "the new login is under way";
    EXPECT_TRUE(s.hasWrapperDevice());
}

// Logins and logouts on the GUI thread while statuses arrive on others
// (AddressSanitizer build: no access to a freed handle or field).
TEST_F(GKDeviceTest, LoginsAndLogoutsRaceTheCallbacks)
{
    for (int protocol : { 1, 0 }) {
        SCOPED_TRACE(protocol);
        ShellTestEnv env(edition(0, protocol));
        GKDevice s;
        Owner owner;
        s.setOwner(&owner);
        std::atomic<bool> stop { false };
        std::vector<std::thread> threads;
        for (int t = 0; t < 3; ++t) {
            threads.emplace_back([&, t] {
                // Replies that do not read the wrapper device: the test's
                // threads are not the wrapper's, whose destroy waits for its
                // own callbacks only.
                const char* replies[] = { R"({"status": "close"})", R"({"status": "login_failed_or_block"})",
                    R"({"status": "user or password error"})", "{x" };
                const int codes[] = { 101, 2, 103, 156, 0 };
                int i = t;
                while (!stop) {
                    GKDevice::connectionCallback(codes[i % 5], &s);
                    GKDevice::loginStatusCallback(replies[i % 4], &s);
                    (void)s.state();
                    (void)s.deviceInfo();
                    (void)s.cookie();
                    ++i;
                }
            });
        }
        QDeadlineTimer deadline(1500);
        int rounds = 0;
        while (!deadline.hasExpired()) {
            // A closed port: the transports report their failures on their
            // own threads too.
            s.login("127.0.0.1", kClosedPort, "admin", "secret");
            QCoreApplication::sendPostedEvents();
            if (++rounds % 3 == 0)
                s.logout();
            QCoreApplication::sendPostedEvents();
        }
        stop = true;
        for (auto& t : threads)
            t.join();
        s.logout();
        deliver();
        EXPECT_GT(rounds, 5);
        EXPECT_EQ(s.state(), 3);
    }
}
