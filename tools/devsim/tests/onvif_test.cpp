// The ONVIF side of a simulated device without a network: its discovery
// answer, who may call which operation of its device service, and what each
// operation reads or changes; the requests are the ONVIF client's own, so
// both sides are seen to speak alike.
#include "generate.h"
#include "messages.h"
#include "onvif_device.h"
#include "soap/wsse.h"

#include <gtest/gtest.h>

using namespace devsim;
using namespace vlonvif;

namespace
{

const std::time_t kNow = 1709251199; // 2024-02-29T23:59:59Z

Device camera()
{
    GenerateOptions o;
    o.inactivePercent = 0;
    o.onvifPercent = 100;
    Device d = generateDevice(9, o);
    d.index = 9;
    d.net.dhcp = false;
    d.net.httpsPort = 443;
    User op;
    op.name = "operator";
    op.password = "Oper_123";
    d.users.push_back(op);
    return d;
}

vlsoap::UsernameToken token(const std::string& user, const std::string& password, std::time_t created = kNow)
{
    return { user, password, vlsoap::randomBytes(16), vlsoap::formatUtc(created) };
}

// The client's request, the device's answer, the client's reading of it.
struct Exchange {
    OnvifAnswer device;
    Answer client;
};
Exchange exchange(const Device& d, const Operation& op, const vlsoap::UsernameToken* t)
{
    Exchange e;
    e.device = answerDeviceService(requestText(op, t), d, kNow);
    e.client = readAnswer(op, e.device.status, e.device.body);
    return e;
}

TEST(OnvifDevice, DiscoveryAnswerBecomesTheClientsSearchRecord)
{
    Device d = camera();
    d.name = "Front door";
    d.net.webPort = 8080;
    const std::string text
        = vlsoap::probeMatchesMessage(vlsoap::newMessageId(), "uuid:p", onvifProbeMatch(d));
    auto matches = vlsoap::parseProbeMatches(text);
    ASSERT_EQ(matches.size(), 1u);
    VLONVIF_SEARCH_DEV_RSP r;
    ASSERT_TRUE(fillSearchRecord(matches[0], d.net.ip, &r));
    EXPECT_EQ(std::string(r.ip), d.net.ip);
    EXPECT_EQ(r.web_port, 8080u);
    EXPECT_EQ(std::string(r.device_name), "Front door");
    EXPECT_EQ(std::string(r.device_type), d.model);
    EXPECT_EQ(std::string(r.mac_addr), d.mac) << "the endpoint carries the MAC";
    EXPECT_EQ(onvifEndpoint(d), onvifEndpoint(camera())) << "stable for the device";
}

TEST(OnvifDevice, WhichProbesItAnswers)
{
    Device d = camera();
    auto probe = [](std::vector<std::string> types, std::vector<std::string> scopes) {
        vlsoap::ProbeRequest p;
        p.types = std::move(types);
        p.scopes = std::move(scopes);
        return p;
    };
    EXPECT_TRUE(answersProbe(d, probe({}, {})));
    EXPECT_TRUE(answersProbe(d, probe({ "NetworkVideoTransmitter" }, {})));
    EXPECT_TRUE(answersProbe(d, probe({ "NetworkVideoTransmitter", "Device" }, {})));
    EXPECT_FALSE(answersProbe(d, probe({ "PrintDeviceType" }, {})));
    EXPECT_TRUE(answersProbe(d, probe({}, { "onvif://www.onvif.org/name/" + vlsoap::scopeSegment(d.name) })));
    EXPECT_FALSE(answersProbe(d, probe({}, { "onvif://www.onvif.org/name/someone-else" })));
    d.onvif = false;
    EXPECT_FALSE(answersProbe(d, probe({}, {})));
}

TEST(OnvifDevice, WhoMayCallWhat)
{
    Device d = camera();
    const auto admin = token("admin", "Admin_123");
    const auto wrong = token("admin", "Admin_124");
    const auto ghost = token("ghost", "Admin_123");
    const auto stale = token("admin", "Admin_123", kNow - kTokenWindowSeconds - 1);
    const auto early = token("admin", "Admin_123", kNow + kTokenWindowSeconds);
    const auto op = token("operator", "Oper_123");
    struct Case {
        const char* what;
        Operation operation;
        const vlsoap::UsernameToken* token;
        AnswerKind kind;
    } cases[] = {
        { "the clock without credentials", getSystemDateAndTime(), nullptr, AnswerKind::Ok },
        { "capabilities without credentials", getCapabilities(), nullptr, AnswerKind::Ok },
        { "device information without credentials", getDeviceInformation(), nullptr,
            AnswerKind::Unauthorized },
        { "device information", getDeviceInformation(), &admin, AnswerKind::Ok },
        { "wrong password", getDeviceInformation(), &wrong, AnswerKind::Unauthorized },
        { "unknown user", getDeviceInformation(), &ghost, AnswerKind::Unauthorized },
        { "token from long ago", getDeviceInformation(), &stale, AnswerKind::Unauthorized },
        { "token from the edge of the window", getDeviceInformation(), &early, AnswerKind::Ok },
        { "an operator reads", getNetworkInterfaces(), &op, AnswerKind::Ok },
        { "an operator writes", setNetworkDefaultGateway("192.168.0.254"), &op, AnswerKind::Unauthorized },
        { "an administrator writes", setNetworkDefaultGateway("192.168.0.254"), &admin, AnswerKind::Ok },
    };
    for (const auto& c : cases) {
        Exchange e = exchange(d, c.operation, c.token);
        EXPECT_EQ(int(e.client.kind), int(c.kind))
            << c.what << ": " << e.client.detail << " / " << e.device.outcome;
        if (c.kind == AnswerKind::Unauthorized) {
            EXPECT_EQ(e.device.status, 400) << c.what;
        }
    }

    Device disabled = camera();
    disabled.users[0].enabled = false;
    EXPECT_EQ(
        int(exchange(disabled, getDeviceInformation(), &admin).client.kind), int(AnswerKind::Unauthorized));
    Device fresh = camera();
    fresh.activated = false;
    EXPECT_EQ(int(exchange(fresh, getDeviceInformation(), &admin).client.kind), int(AnswerKind::Unauthorized))
        << "a device without its first password takes no login";
}

TEST(OnvifDevice, ReadsItsStateAsTheClientExpects)
{
    Device d = camera();
    d.net.ip = "192.168.1.19";
    d.net.mask = "255.255.254.0";
    d.net.gateway = "192.168.0.1";
    d.net.webPort = 8080;
    const auto admin = token("admin", "Admin_123");

    Exchange info = exchange(d, getDeviceInformation(), &admin);
    ASSERT_TRUE(info.client.payload());
    EXPECT_EQ(readDeviceInformation(*info.client.payload()).serial, d.serial);
    EXPECT_EQ(readDeviceInformation(*info.client.payload()).model, d.model);

    Exchange clock = exchange(d, getSystemDateAndTime(), nullptr);
    ASSERT_TRUE(clock.client.payload());
    EXPECT_EQ(readSystemTime(*clock.client.payload()), kNow);

    Exchange caps = exchange(d, getCapabilities(), nullptr);
    ASSERT_TRUE(caps.client.payload());
    EXPECT_EQ(
        readDeviceServiceAddress(*caps.client.payload()), "http://192.168.1.19:8080/onvif/device_service");

    Exchange ifs = exchange(d, getNetworkInterfaces(), &admin);
    ASSERT_TRUE(ifs.client.payload());
    auto list = readNetworkInterfaces(*ifs.client.payload());
    const NetworkInterface* main = mainInterface(list);
    ASSERT_TRUE(main);
    EXPECT_EQ(main->address, "192.168.1.19");
    EXPECT_EQ(main->prefix, 23);
    EXPECT_FALSE(main->dhcp);
    EXPECT_EQ(main->hwAddress, d.mac);

    Exchange gw = exchange(d, getNetworkDefaultGateway(), &admin);
    ASSERT_TRUE(gw.client.payload());
    EXPECT_EQ(readDefaultGateways(*gw.client.payload()), (std::vector<std::string> { "192.168.0.1" }));

    Exchange protocols = exchange(d, getNetworkProtocols(), &admin);
    ASSERT_TRUE(protocols.client.payload());
    EXPECT_EQ(httpPort(readNetworkProtocols(*protocols.client.payload())), 8080);

    d.net.dhcp = true;
    Exchange leased = exchange(d, getNetworkInterfaces(), &admin);
    ASSERT_TRUE(leased.client.payload());
    auto again = readNetworkInterfaces(*leased.client.payload());
    EXPECT_TRUE(mainInterface(again)->dhcp);
    EXPECT_EQ(mainInterface(again)->address, "192.168.1.19");
    EXPECT_FALSE(info.device.network) << "a read changes nothing";
}

TEST(OnvifDevice, ChangesComeBackAsNetworkSettingsOrAreRefused)
{
    const Device d = camera();
    const auto admin = token("admin", "Admin_123");

    Exchange moved = exchange(d, setNetworkInterfaces("eth0", false, "192.168.7.7", 24), &admin);
    ASSERT_EQ(int(moved.client.kind), int(AnswerKind::Ok)) << moved.client.detail;
    ASSERT_TRUE(moved.device.network);
    EXPECT_EQ(moved.device.network->ip, "192.168.7.7");
    EXPECT_EQ(moved.device.network->mask, "255.255.255.0");
    EXPECT_EQ(moved.device.network->webPort, d.net.webPort) << "the rest stays";

    Exchange dhcp = exchange(d, setNetworkInterfaces("eth0", true, "", 0), &admin);
    ASSERT_TRUE(dhcp.device.network);
    EXPECT_TRUE(dhcp.device.network->dhcp);
    EXPECT_EQ(dhcp.device.network->ip, d.net.ip);

    Exchange port = exchange(d, setNetworkProtocols({ { "HTTP", true, { 8081 } } }), &admin);
    ASSERT_TRUE(port.device.network);
    EXPECT_EQ(port.device.network->webPort, 8081);
    EXPECT_EQ(port.device.network->httpsPort, d.net.httpsPort);

    Exchange gateway = exchange(d, setNetworkDefaultGateway("192.168.7.1"), &admin);
    ASSERT_TRUE(gateway.device.network);
    EXPECT_EQ(gateway.device.network->gateway, "192.168.7.1");

    struct Refused {
        const char* what;
        Operation operation;
    } refused[] = {
        { "unknown interface", setNetworkInterfaces("wlan0", false, "192.168.7.7", 24) },
        { "no host address", setNetworkInterfaces("eth0", false, "0.0.0.0", 24) },
        { "multicast address", setNetworkInterfaces("eth0", false, "239.1.1.1", 24) },
        { "prefix 0", setNetworkInterfaces("eth0", false, "192.168.7.7", 0) },
        { "prefix 33", setNetworkInterfaces("eth0", false, "192.168.7.7", 33) },
        { "HTTP off", setNetworkProtocols({ { "HTTP", false, { 80 } } }) },
        { "HTTP on the HTTPS port", setNetworkProtocols({ { "HTTP", true, { 443 } } }) },
        { "HTTP on the session port", setNetworkProtocols({ { "HTTP", true, { d.net.mediaPort } } }) },
        { "port 0", setNetworkProtocols({ { "HTTP", true, { 0 } } }) },
        { "unknown protocol", setNetworkProtocols({ { "FTP", true, { 21 } } }) },
        { "bad gateway", setNetworkDefaultGateway("192.168.7") },
        { "a gateway off the device's network", setNetworkDefaultGateway("10.0.0.1") },
    };
    for (const auto& r : refused) {
        Exchange e = exchange(d, r.operation, &admin);
        EXPECT_EQ(int(e.client.kind), int(AnswerKind::Fault)) << r.what << ": " << e.device.outcome;
        EXPECT_FALSE(e.device.network) << r.what;
    }
    Exchange unauthorized = exchange(d, setNetworkInterfaces("eth0", false, "192.168.7.7", 24), nullptr);
    EXPECT_FALSE(unauthorized.device.network) << "a refused caller changes nothing";
}

TEST(OnvifDevice, UnreadableAndUnknownRequests)
{
    const Device d = camera();
    OnvifAnswer garbage = answerDeviceService("<html>", d, kNow);
    EXPECT_EQ(garbage.status, 400);
    auto doc = vlsoap::parseEnvelope(garbage.body);
    ASSERT_TRUE(doc);
    EXPECT_EQ(vlsoap::soapFault(*doc)->subcode, "WellFormed");

    OnvifAnswer unknown = answerDeviceService(vlsoap::envelope({}, "<tds:SystemReboot/>"), d, kNow);
    EXPECT_EQ(unknown.status, 400) << "the credentials are checked before the operation";
    const auto admin = token("admin", "Admin_123");
    OnvifAnswer unsupported = answerDeviceService(
        vlsoap::envelope(vlsoap::securityHeader(admin), "<tds:SystemReboot/>"), d, kNow);
    EXPECT_EQ(unsupported.status, 500);
    EXPECT_EQ(unsupported.operation, "SystemReboot");
    EXPECT_EQ(unsupported.user, "admin");
    OnvifAnswer media = answerDeviceService(vlsoap::envelope({}, "<trt:GetProfiles/>"), d, kNow);
    EXPECT_EQ(media.status, 400) << "media needs credentials too";
    OnvifAnswer profiles
        = answerDeviceService(vlsoap::envelope(vlsoap::securityHeader(admin), "<trt:GetProfiles/>"), d, kNow);
    EXPECT_EQ(profiles.status, 200);
    auto doc2 = vlsoap::parseEnvelope(profiles.body);
    ASSERT_TRUE(doc2);
    EXPECT_EQ(
        vlsoap::soapPayload(*doc2)->childrenNamed(vlsoap::ns::kMedia, "Profiles").size(), d.channels.size())
        << "one profile per channel";
    OnvifAnswer other = answerDeviceService(
        vlsoap::envelope(vlsoap::securityHeader(admin), "<x:Op xmlns:x=\"urn:other\"/>"), d, kNow);
    EXPECT_EQ(other.status, 500);
}

} // namespace
