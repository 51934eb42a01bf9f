// The ONVIF client's messages without a network: search records from
// discovery answers, the reading of device-service answers (faults and
// refusals included), and the address helpers.
#include "messages.h"

#include <cstring>
#include <gtest/gtest.h>

using namespace vlonvif;
namespace ns = vlsoap::ns;

namespace
{

vlsoap::ProbeMatch match(std::vector<std::string> xaddrs, std::string endpoint = "urn:uuid:x")
{
    vlsoap::ProbeMatch m;
    m.endpoint = std::move(endpoint);
    m.types = { "dn:NetworkVideoTransmitter" };
    m.scopes = { "onvif://www.onvif.org/name/IPC-0009", "onvif://www.onvif.org/hardware/VL-IPC-4M20" };
    m.xaddrs = std::move(xaddrs);
    return m;
}

TEST(SearchRecord, AddressAndPortComeFromTheXAddrsNamesFromTheScopes)
{
    struct Case {
        const char* what;
        std::vector<std::string> xaddrs;
        const char* source;
        const char* ip; // null: no record
        unsigned port;
        const char* path;
    } cases[] = {
        { "one address", { "http://192.168.1.19:8080/onvif/device_service" }, "192.168.1.19", "192.168.1.19",
            8080, "/onvif/device_service" },
        { "default port", { "http://192.168.1.19/onvif/dev" }, "192.168.1.19", "192.168.1.19", 80,
            "/onvif/dev" },
        { "https default port", { "https://192.168.1.19/x" }, "192.168.1.19", "192.168.1.19", 443, "/x" },
        { "the one the answer came from", { "http://10.1.1.1/a", "http://192.168.1.19:81/b" }, "192.168.1.19",
            "192.168.1.19", 81, "/b" },
        { "else the first IPv4 one", { "http://[fd00::1]/a", "http://10.1.1.1:82/a", "http://10.1.1.2/a" },
            "192.168.1.19", "10.1.1.1", 82, "/a" },
        { "a host name: where the answer came from", { "http://cam.local:8000/onvif/device_service" },
            "192.168.1.19", "192.168.1.19", 8000, "/onvif/device_service" },
        { "no XAddrs", {}, "192.168.1.19", nullptr, 0, nullptr },
        { "no usable XAddr", { "ftp://192.168.1.19/", "http://192.168.1.19:0/" }, "192.168.1.19", nullptr, 0,
            nullptr },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        unsigned char buffer[VLONVIF_SEARCH_RECORD_BUFFER];
        std::memset(buffer, 0xEE, sizeof buffer);
        auto* r = reinterpret_cast<VLONVIF_SEARCH_DEV_RSP*>(buffer);
        std::string path;
        const bool ok = fillSearchRecord(match(c.xaddrs), c.source, r, &path);
        ASSERT_EQ(ok, c.ip != nullptr);
        if (!ok)
            continue;
        EXPECT_STREQ(r->ip, c.ip);
        EXPECT_EQ(r->web_port, c.port);
        EXPECT_EQ(path, c.path);
        EXPECT_STREQ(r->device_name, "IPC-0009");
        EXPECT_STREQ(r->device_type, "VL-IPC-4M20");
        EXPECT_EQ(r->media_port, 0u);
        EXPECT_EQ(r->ipv6[0], 0) << "the record is zero-filled";
        EXPECT_EQ(r->reserved444[7], 0);
    }
}

TEST(SearchRecord, MacOnlyFromTimeBasedEndpoints)
{
    struct Case {
        const char* endpoint;
        const char* mac;
    } cases[] = {
        { "urn:uuid:a1b2c3d4-0000-1000-8000-02564c000009", "02:56:4C:00:00:09" },
        { "uuid:a1b2c3d4-0000-1000-8000-001122aabbcc", "00:11:22:AA:BB:CC" },
        { "urn:uuid:a1b2c3d4-0000-4000-8000-02564c000009", "" }, // random UUID
        { "urn:uuid:a1b2c3d4-0000-1000-8000-03564c000009", "" }, // random node (multicast bit)
        { "urn:uuid:a1b2c3d4-0000-1000-8000-000000000000", "" },
        { "urn:uuid:a1b2c3d4-0000-1000-8000-02564c00000", "" },
        { "urn:uuid:a1b2c3d4-0000-1000-8000-02564c00000g", "" },
        { "http://example/", "" },
    };
    for (const auto& c : cases)
        EXPECT_EQ(macFromEndpoint(c.endpoint), c.mac) << c.endpoint;
    VLONVIF_SEARCH_DEV_RSP r;
    ASSERT_TRUE(fillSearchRecord(match({ "http://192.168.1.19/" }, cases[0].endpoint), "192.168.1.19", &r));
    EXPECT_STREQ(r.mac_addr, "02:56:4C:00:00:09");
}

TEST(SearchRecord, TextsAreCutToTheirFieldAtACharacterBoundary)
{
    char field[8];
    copyField(field, sizeof field, "ABCDEFGHIJ");
    EXPECT_EQ(std::string(field, 8), "ABCDEFGH") << "a text that fills the field has no terminator";
    copyField(field, sizeof field, "ABCDEFG\xC3\xA9"); // the é would be split
    EXPECT_EQ(std::string(field, 8), std::string("ABCDEFG\0", 8));
    copyField(field, sizeof field, "ABCDEF\xC3\xA9Z");
    EXPECT_EQ(std::string(field, 8), "ABCDEF\xC3\xA9") << "a character that ends at the field's end stays";
    copyField(field, sizeof field, "AB");
    EXPECT_EQ(std::string(field, 8), std::string("AB\0\0\0\0\0\0", 8));
}

std::string answerText(const std::string& body)
{
    return vlsoap::envelope({}, body);
}

TEST(Answers, RefusedCredentialsFaultsAndStrangers)
{
    const Operation op = getDeviceInformation();
    const std::string ok
        = answerText("<tds:GetDeviceInformationResponse><tds:Manufacturer>VL</tds:Manufacturer>"
                     "<tds:Model>M</tds:Model><tds:FirmwareVersion>F</tds:FirmwareVersion>"
                     "<tds:SerialNumber>S</tds:SerialNumber><tds:HardwareId>H</tds:HardwareId>"
                     "</tds:GetDeviceInformationResponse>");
    struct Case {
        const char* what;
        int status;
        std::string body;
        AnswerKind kind;
    } cases[] = {
        { "the answer", 200, ok, AnswerKind::Ok },
        { "ONVIF's refusal", 400, vlsoap::faultEnvelope("Sender", "ter:NotAuthorized", "no"),
            AnswerKind::Unauthorized },
        { "WS-Security's refusal", 500, vlsoap::faultEnvelope("Sender", "wsse:FailedAuthentication", "no"),
            AnswerKind::Unauthorized },
        { "HTTP 401 without a body", 401, "", AnswerKind::Unauthorized },
        { "another fault", 500, vlsoap::faultEnvelope("Receiver", "ter:Action ter:NotSupported", "x"),
            AnswerKind::Fault },
        { "another operation's answer", 200, answerText("<tds:GetHostnameResponse/>"), AnswerKind::Invalid },
        { "the answer with an error status", 500, ok, AnswerKind::Invalid },
        { "a web page", 200, "<html><body>hello</body></html>", AnswerKind::Invalid },
        { "not XML", 200, "{\"result\":\"success\"}", AnswerKind::Invalid },
    };
    for (const auto& c : cases) {
        Answer a = readAnswer(op, c.status, c.body);
        EXPECT_EQ(int(a.kind), int(c.kind)) << c.what << ": " << a.detail;
        EXPECT_EQ(a.payload() != nullptr, c.kind == AnswerKind::Ok) << c.what;
    }
    Answer a = readAnswer(op, 200, ok);
    DeviceInformation info = readDeviceInformation(*a.payload());
    EXPECT_EQ(info.manufacturer, "VL");
    EXPECT_EQ(info.model, "M");
    EXPECT_EQ(info.firmware, "F");
    EXPECT_EQ(info.serial, "S");
    EXPECT_EQ(info.hardwareId, "H");
}

TEST(Answers, NetworkSettingsAsDevicesReportThem)
{
    const std::string interfaces = answerText(R"(<tds:GetNetworkInterfacesResponse>
        <tds:NetworkInterfaces token="wlan0"><tt:Enabled>false</tt:Enabled></tds:NetworkInterfaces>
        <tds:NetworkInterfaces token="eth0"><tt:Enabled>true</tt:Enabled>
          <tt:Info><tt:Name>eth0</tt:Name><tt:HwAddress>02:56:4C:00:00:09</tt:HwAddress></tt:Info>
          <tt:IPv4><tt:Enabled>true</tt:Enabled><tt:Config>
            <tt:Manual><tt:Address>192.168.1.19</tt:Address><tt:PrefixLength>16</tt:PrefixLength></tt:Manual>
            <tt:FromDHCP><tt:Address>10.0.0.9</tt:Address><tt:PrefixLength>8</tt:PrefixLength></tt:FromDHCP>
            <tt:DHCP>true</tt:DHCP></tt:Config></tt:IPv4>
        </tds:NetworkInterfaces></tds:GetNetworkInterfacesResponse>)");
    Answer a = readAnswer(getNetworkInterfaces(), 200, interfaces);
    ASSERT_TRUE(a.payload()) << a.detail;
    auto list = readNetworkInterfaces(*a.payload());
    ASSERT_EQ(list.size(), 2u);
    const NetworkInterface* main = mainInterface(list);
    ASSERT_TRUE(main);
    EXPECT_EQ(main->token, "eth0") << "the first enabled interface, not the first listed";
    EXPECT_TRUE(main->dhcp);
    EXPECT_EQ(main->address, "10.0.0.9") << "with DHCP on, the address in use is the leased one";
    EXPECT_EQ(main->prefix, 8);
    EXPECT_EQ(main->hwAddress, "02:56:4C:00:00:09");

    Answer gw = readAnswer(getNetworkDefaultGateway(), 200,
        answerText("<tds:GetNetworkDefaultGatewayResponse><tds:NetworkGateway><tt:IPv4Address>192.168.0.1"
                   "</tt:IPv4Address></tds:NetworkGateway></tds:GetNetworkDefaultGatewayResponse>"));
    ASSERT_TRUE(gw.payload());
    EXPECT_EQ(readDefaultGateways(*gw.payload()), (std::vector<std::string> { "192.168.0.1" }));

    Answer protocols = readAnswer(getNetworkProtocols(), 200,
        answerText("<tds:GetNetworkProtocolsResponse>"
                   "<tds:NetworkProtocols><tt:Name>HTTPS</tt:Name><tt:Enabled>true</tt:Enabled><tt:Port>443</"
                   "tt:Port>"
                   "</tds:NetworkProtocols><tds:NetworkProtocols><tt:Name>HTTP</tt:Name><tt:Enabled>true</"
                   "tt:Enabled>"
                   "<tt:Port>8080</tt:Port><tt:Port>80</tt:Port></tds:NetworkProtocols>"
                   "</tds:GetNetworkProtocolsResponse>"));
    ASSERT_TRUE(protocols.payload());
    auto ps = readNetworkProtocols(*protocols.payload());
    ASSERT_EQ(ps.size(), 2u);
    EXPECT_EQ(httpPort(ps), 8080);
    ps[1].enabled = false;
    EXPECT_EQ(httpPort(ps), 0) << "a disabled HTTP serves nothing";

    Answer clock = readAnswer(getSystemDateAndTime(), 200,
        answerText(
            "<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime><tt:UTCDateTime>"
            "<tt:Time><tt:Hour>23</tt:Hour><tt:Minute>59</tt:Minute><tt:Second>59</tt:Second></tt:Time>"
            "<tt:Date><tt:Year>2024</tt:Year><tt:Month>2</tt:Month><tt:Day>29</tt:Day></tt:Date>"
            "</tt:UTCDateTime></tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>"));
    ASSERT_TRUE(clock.payload());
    EXPECT_EQ(readSystemTime(*clock.payload()), std::time_t(1709251199));
}

TEST(Requests, SetRequestsCarryWhatTheyChange)
{
    auto body = [](const Operation& op) {
        auto doc = vlsoap::parseEnvelope(requestText(op, nullptr));
        EXPECT_TRUE(doc);
        return doc ? *vlsoap::soapPayload(*doc) : vlsoap::XmlElement {};
    };
    vlsoap::XmlElement set = body(setNetworkInterfaces("eth0", false, "192.168.7.7", 24));
    EXPECT_TRUE(set.is(ns::kDevice, "SetNetworkInterfaces"));
    EXPECT_EQ(set.child(ns::kDevice, "InterfaceToken")->text, "eth0");
    const vlsoap::XmlElement* manual = set.find(ns::kSchema, "Manual");
    ASSERT_TRUE(manual);
    EXPECT_EQ(manual->child(ns::kSchema, "Address")->text, "192.168.7.7");
    EXPECT_EQ(manual->child(ns::kSchema, "PrefixLength")->text, "24");
    EXPECT_EQ(set.find(ns::kSchema, "DHCP")->text, "false");
    vlsoap::XmlElement dhcp = body(setNetworkInterfaces("eth0", true, "", 0));
    EXPECT_FALSE(dhcp.find(ns::kSchema, "Manual"));
    EXPECT_EQ(dhcp.find(ns::kSchema, "DHCP")->text, "true");
    vlsoap::XmlElement protocols = body(setNetworkProtocols({ { "HTTP", true, { 8081 } } }));
    EXPECT_EQ(protocols.find(ns::kSchema, "Port")->text, "8081");
    EXPECT_EQ(getDeviceInformation().action, std::string(ns::kDevice) + "/GetDeviceInformation");
}

TEST(Addresses, Ipv4MasksAndXAddrs)
{
    for (const char* good : { "0.0.0.0", "192.168.1.10", "255.255.255.255" })
        EXPECT_TRUE(ipv4Bytes(good)) << good;
    for (const char* bad :
        { "", "1.2.3", "1.2.3.4.5", "1.2.3.256", "01.2.3.4", "1..2.3", "1.2.3.4 ", "a.b.c.d" })
        EXPECT_FALSE(ipv4Bytes(bad)) << bad;

    struct MaskCase {
        std::uint8_t mask[4];
        int prefix; // -1: not contiguous
    } masks[] = {
        { { 255, 255, 0, 0 }, 16 },
        { { 255, 255, 255, 255 }, 32 },
        { { 0, 0, 0, 0 }, 0 },
        { { 255, 255, 254, 0 }, 23 },
        { { 255, 0, 255, 0 }, -1 },
        { { 0, 255, 255, 255 }, -1 },
    };
    for (const auto& m : masks) {
        auto p = maskPrefix(m.mask);
        EXPECT_EQ(p ? *p : -1, m.prefix) << ipv4Text(m.mask);
        if (p) {
            std::uint8_t back[4];
            prefixMask(*p, back);
            EXPECT_EQ(std::memcmp(back, m.mask, 4), 0);
        }
    }

    auto x = parseXAddr("HTTP://user@192.168.1.19:8080");
    ASSERT_TRUE(x);
    EXPECT_EQ(x->scheme, "http");
    EXPECT_EQ(x->host, "192.168.1.19");
    EXPECT_EQ(x->port, 8080);
    EXPECT_EQ(x->path, "/");
    auto v6 = parseXAddr("http://[fd00::1]:81/onvif");
    ASSERT_TRUE(v6);
    EXPECT_EQ(v6->host, "fd00::1");
    EXPECT_EQ(v6->port, 81);
    for (const char* bad :
        { "192.168.1.19", "ftp://h/", "http://:80/", "http://h:70000/", "http://h:8a/", "http://[fd00::1/" })
        EXPECT_FALSE(parseXAddr(bad)) << bad;
}

} // namespace
