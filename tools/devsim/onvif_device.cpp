#include "onvif_device.h"

#include "soap/address.h"
#include "soap/envelope.h"
#include "soap/wsse.h"

#include <cctype>
#include <cstdio>
#include <set>

namespace devsim
{

namespace
{

namespace ns = vlsoap::ns;
using vlsoap::escapeXml;
using vlsoap::XmlElement;

// Operations any client may call; the others need a valid UsernameToken.
const std::set<std::string> kPreAuth = { "GetSystemDateAndTime", "GetCapabilities", "GetServices",
    "GetServiceCapabilities", "GetHostname", "GetWsdlUrl", "GetEndpointReference" };

std::string serviceAddress(const Device& d)
{
    return "http://" + d.net.ip + ":" + std::to_string(d.net.webPort) + kOnvifServicePath;
}

std::string element(const char* name, const std::string& text)
{
    return std::string("<") + name + ">" + escapeXml(text) + "</" + name + ">";
}

std::string flag(bool on)
{
    return on ? "true" : "false";
}

int prefixOf(const std::string& mask)
{
    auto bytes = vlsoap::ipv4Bytes(mask);
    auto prefix = bytes ? vlsoap::maskPrefix(bytes->data()) : std::nullopt;
    return prefix ? *prefix : 0;
}

std::string maskOf(int prefix)
{
    std::uint8_t m[4];
    vlsoap::prefixMask(prefix, m);
    return vlsoap::ipv4Text(m);
}

// A usable host address: four numbers, not 0.0.0.0, not multicast or broadcast.
bool hostAddress(const std::string& text)
{
    auto b = vlsoap::ipv4Bytes(text);
    return b && (*b)[0] != 0 && (*b)[0] < 224;
}

bool sameNetwork(const std::string& a, const std::string& b, const std::string& mask)
{
    auto x = vlsoap::ipv4Bytes(a), y = vlsoap::ipv4Bytes(b), m = vlsoap::ipv4Bytes(mask);
    if (!x || !y || !m)
        return false;
    for (std::size_t i = 0; i < 4; ++i)
        if (((*x)[i] & (*m)[i]) != ((*y)[i] & (*m)[i]))
            return false;
    return true;
}

std::string text(const XmlElement* e)
{
    return e ? e->trimmedText() : std::string();
}

std::optional<bool> boolean(const XmlElement* e)
{
    if (!e)
        return std::nullopt;
    const std::string t = e->trimmedText();
    if (t == "true" || t == "1")
        return true;
    if (t == "false" || t == "0")
        return false;
    return std::nullopt;
}

std::optional<int> number(const XmlElement* e, int lo, int hi)
{
    if (!e)
        return std::nullopt;
    const std::string t = e->trimmedText();
    if (t.empty() || t.size() > 6)
        return std::nullopt;
    int v = 0;
    for (char c : t) {
        if (c < '0' || c > '9')
            return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi)
        return std::nullopt;
    return v;
}

class Service
{
public:
    Service(const Device& d, std::time_t now)
        : m_d(d)
        , m_now(now)
    {
    }

    OnvifAnswer answer(std::string_view request)
    {
        std::string error;
        auto doc = vlsoap::parseEnvelope(request, &error);
        if (!doc)
            return fault(400, "Sender", "ter:WellFormed", "not a SOAP envelope: " + error, "unreadable");
        const XmlElement* op = vlsoap::soapPayload(*doc);
        if (!op)
            return fault(400, "Sender", "ter:InvalidArgVal", "an empty Body", "no operation");
        m_answer.operation = op->name;
        auto token = vlsoap::receivedToken(*doc);
        if (token)
            m_answer.user = token->user;
        if (op->ns != ns::kDevice && op->ns != ns::kMedia)
            return fault(
                500, "Receiver", "ter:ActionNotSupported", "not a device or media operation", "unsupported");
        if (!kPreAuth.count(op->name)) {
            const bool write = op->name.compare(0, 3, "Set") == 0;
            if (const char* why = refusal(token ? &*token : nullptr, write))
                return fault(400, "Sender", "ter:NotAuthorized", "Sender not Authorized", why);
        }
        return dispatch(*op);
    }

private:
    OnvifAnswer fault(int status, const char* code, const char* subcodes, const std::string& reason,
        const std::string& outcome)
    {
        m_answer.status = status;
        m_answer.body = vlsoap::faultEnvelope(code, subcodes, reason);
        m_answer.outcome = outcome;
        m_answer.network.reset();
        return m_answer;
    }

    OnvifAnswer ok(const std::string& body)
    {
        m_answer.status = 200;
        m_answer.body = vlsoap::envelope({}, body);
        m_answer.outcome = "ok";
        return m_answer;
    }

    // Why the token does not let its user call the operation; null when it does.
    const char* refusal(const vlsoap::ReceivedToken* token, bool write) const
    {
        if (!token)
            return "no credentials";
        if (!m_d.activated)
            return "not activated";
        const User* user = m_d.findUser(token->user);
        if (!user || !user->enabled || user->password.empty())
            return "unknown user";
        if (token->digest) {
            auto created = vlsoap::parseUtc(token->created);
            if (!created)
                return "unreadable Created time";
            const std::time_t skew = *created > m_now ? *created - m_now : m_now - *created;
            if (skew > kTokenWindowSeconds)
                return "Created time too far from the device's clock";
        }
        if (!vlsoap::tokenMatches(*token, user->password))
            return "wrong password";
        if (write && !user->admin)
            return "not an administrator";
        return nullptr;
    }

    OnvifAnswer dispatch(const XmlElement& op)
    {
        const std::string& name = op.name;
        if (op.ns == ns::kMedia)
            return media(op);
        if (name == "GetSystemDateAndTime")
            return systemDateAndTime();
        if (name == "GetCapabilities")
            return capabilities();
        if (name == "GetServices")
            return services();
        if (name == "GetHostname")
            return ok("<tds:GetHostnameResponse><tds:HostnameInformation><tt:FromDHCP>false</tt:FromDHCP>"
                + element("tt:Name", m_d.name) + "</tds:HostnameInformation></tds:GetHostnameResponse>");
        if (name == "GetDeviceInformation")
            return ok("<tds:GetDeviceInformationResponse>" + element("tds:Manufacturer", m_d.manufacturer)
                + element("tds:Model", m_d.model) + element("tds:FirmwareVersion", m_d.firmware)
                + element("tds:SerialNumber", m_d.serial) + element("tds:HardwareId", m_d.hardware)
                + "</tds:GetDeviceInformationResponse>");
        if (name == "GetScopes")
            return scopes();
        if (name == "GetNetworkInterfaces")
            return networkInterfaces();
        if (name == "SetNetworkInterfaces")
            return setNetworkInterfaces(op);
        if (name == "GetNetworkDefaultGateway")
            return ok("<tds:GetNetworkDefaultGatewayResponse><tds:NetworkGateway>"
                + (m_d.net.gateway.empty() ? std::string() : element("tt:IPv4Address", m_d.net.gateway))
                + "</tds:NetworkGateway></tds:GetNetworkDefaultGatewayResponse>");
        if (name == "SetNetworkDefaultGateway")
            return setDefaultGateway(op);
        if (name == "GetNetworkProtocols")
            return networkProtocols();
        if (name == "SetNetworkProtocols")
            return setNetworkProtocols(op);
        if (name == "GetDNS")
            return dns();
        if (name == "GetNTP")
            return ok("<tds:GetNTPResponse><tds:NTPInformation><tt:FromDHCP>false</tt:FromDHCP>"
                      "</tds:NTPInformation></tds:GetNTPResponse>");
        return fault(500, "Receiver", "ter:ActionNotSupported", "operation not supported", "unsupported");
    }

    OnvifAnswer systemDateAndTime()
    {
        // "YYYY-MM-DDThh:mm:ssZ"
        const std::string t = vlsoap::formatUtc(m_now);
        auto field
            = [&](std::size_t at, std::size_t n) { return std::to_string(std::stoi(t.substr(at, n))); };
        const std::string stamp = "<tt:Time>" + element("tt:Hour", field(11, 2))
            + element("tt:Minute", field(14, 2)) + element("tt:Second", field(17, 2)) + "</tt:Time><tt:Date>"
            + element("tt:Year", field(0, 4)) + element("tt:Month", field(5, 2))
            + element("tt:Day", field(8, 2)) + "</tt:Date>";
        return ok(
            "<tds:GetSystemDateAndTimeResponse><tds:SystemDateAndTime><tt:DateTimeType>Manual</"
            "tt:DateTimeType>"
            "<tt:DaylightSavings>false</tt:DaylightSavings><tt:TimeZone><tt:TZ>UTC0</tt:TZ></tt:TimeZone>"
            "<tt:UTCDateTime>"
            + stamp + "</tt:UTCDateTime><tt:LocalDateTime>" + stamp
            + "</tt:LocalDateTime></tds:SystemDateAndTime></tds:GetSystemDateAndTimeResponse>");
    }

    OnvifAnswer capabilities()
    {
        return ok("<tds:GetCapabilitiesResponse><tds:Capabilities><tt:Device>"
            + element("tt:XAddr", serviceAddress(m_d))
            + "<tt:Network><tt:IPFilter>false</tt:IPFilter><tt:ZeroConfiguration>false</tt:ZeroConfiguration>"
              "<tt:IPVersion6>false</tt:IPVersion6><tt:DynDNS>false</tt:DynDNS></tt:Network>"
              "<tt:System><tt:DiscoveryResolve>false</tt:DiscoveryResolve><tt:DiscoveryBye>false</"
              "tt:DiscoveryBye>"
              "<tt:RemoteDiscovery>false</tt:RemoteDiscovery><tt:SystemBackup>false</tt:SystemBackup>"
              "<tt:SystemLogging>false</tt:SystemLogging><tt:FirmwareUpgrade>false</tt:FirmwareUpgrade>"
              "<tt:SupportedVersions><tt:Major>2</tt:Major><tt:Minor>0</tt:Minor></tt:SupportedVersions>"
              "</tt:System><tt:Security><tt:TLS1.1>false</tt:TLS1.1><tt:TLS1.2>false</tt:TLS1.2>"
              "<tt:OnboardKeyGeneration>false</tt:OnboardKeyGeneration><tt:AccessPolicyConfig>false"
              "</tt:AccessPolicyConfig><tt:X.509Token>false</tt:X.509Token><tt:SAMLToken>false</tt:SAMLToken>"
              "<tt:KerberosToken>false</tt:KerberosToken><tt:RELToken>false</tt:RELToken></tt:Security>"
              "</tt:Device><tt:Media>"
            + element("tt:XAddr", serviceAddress(m_d))
            + "<tt:StreamingCapabilities><tt:RTPMulticast>false</tt:RTPMulticast><tt:RTP_TCP>true</"
              "tt:RTP_TCP>"
              "<tt:RTP_RTSP_TCP>true</tt:RTP_RTSP_TCP></tt:StreamingCapabilities></tt:Media>"
              "</tds:Capabilities></tds:GetCapabilitiesResponse>");
    }

    OnvifAnswer services()
    {
        std::string body = "<tds:GetServicesResponse>";
        for (const char* service : { ns::kDevice, ns::kMedia })
            body += "<tds:Service>" + element("tds:Namespace", service)
                + element("tds:XAddr", serviceAddress(m_d))
                + "<tds:Version><tt:Major>2</tt:Major><tt:Minor>0</tt:Minor></tds:Version></tds:Service>";
        return ok(body + "</tds:GetServicesResponse>");
    }

    // The media service, as much of it as a client needs to log in: one
    // profile per channel and its stream address (the device serves every
    // service at its device-service address, as many devices do).
    std::string profile(std::size_t channel, const char* tag) const
    {
        const std::string n = std::to_string(channel + 1);
        const std::string width = m_d.kind == Kind::Ipc ? "1920" : "1280";
        const std::string height = m_d.kind == Kind::Ipc ? "1080" : "720";
        return std::string("<") + tag + " token=\"profile_" + n + "\" fixed=\"true\"><tt:Name>CH" + n
            + "</tt:Name><tt:VideoSourceConfiguration token=\"source_" + n + "\"><tt:Name>source_" + n
            + "</tt:Name><tt:UseCount>1</tt:UseCount><tt:SourceToken>source_" + n
            + "</tt:SourceToken><tt:Bounds x=\"0\" y=\"0\" width=\"" + width + "\" height=\"" + height
            + "\"/></tt:VideoSourceConfiguration><tt:VideoEncoderConfiguration token=\"encoder_" + n
            + "\"><tt:Name>encoder_" + n
            + "</tt:Name><tt:UseCount>1</tt:UseCount><tt:Encoding>H264</tt:Encoding><tt:Resolution><tt:Width>"
            + width + "</tt:Width><tt:Height>" + height
            + "</tt:Height></tt:Resolution><tt:Quality>5</tt:Quality><tt:RateControl><tt:FrameRateLimit>25"
              "</tt:FrameRateLimit><tt:EncodingInterval>1</tt:EncodingInterval><tt:BitrateLimit>4096"
              "</tt:BitrateLimit></tt:RateControl><tt:H264><tt:GovLength>50</"
              "tt:GovLength><tt:H264Profile>Main"
              "</tt:H264Profile></tt:H264><tt:SessionTimeout>PT60S</tt:SessionTimeout>"
              "</tt:VideoEncoderConfiguration></"
            + tag + ">";
    }

    OnvifAnswer media(const XmlElement& op)
    {
        const std::size_t channels = m_d.channels.empty() ? 1 : m_d.channels.size();
        std::optional<std::size_t> channel;
        const std::string token = text(op.child(ns::kMedia, "ProfileToken"));
        for (std::size_t c = 0; c < channels; ++c)
            if (token == "profile_" + std::to_string(c + 1))
                channel = c;
        if (op.name == "GetProfiles") {
            std::string body = "<trt:GetProfilesResponse>";
            for (std::size_t c = 0; c < channels; ++c)
                body += profile(c, "trt:Profiles");
            return ok(body + "</trt:GetProfilesResponse>");
        }
        if (op.name != "GetProfile" && op.name != "GetStreamUri")
            return fault(500, "Receiver", "ter:ActionNotSupported", "operation not supported", "unsupported");
        if (!channel)
            return fault(400, "Sender", "ter:InvalidArgVal ter:NoProfile", "no such profile", "no profile");
        if (op.name == "GetProfile")
            return ok(
                "<trt:GetProfileResponse>" + profile(*channel, "trt:Profile") + "</trt:GetProfileResponse>");
        return ok("<trt:GetStreamUriResponse><trt:MediaUri>"
            + element("tt:Uri",
                "rtsp://" + m_d.net.ip + ":" + std::to_string(m_d.net.rtspPort) + "/ch"
                    + std::to_string(*channel + 1))
            + "<tt:InvalidAfterConnect>false</tt:InvalidAfterConnect><tt:InvalidAfterReboot>false"
              "</tt:InvalidAfterReboot><tt:Timeout>PT0S</tt:Timeout></trt:MediaUri></"
              "trt:GetStreamUriResponse>");
    }

    OnvifAnswer scopes()
    {
        std::string body = "<tds:GetScopesResponse>";
        for (const auto& s : onvifProbeMatch(m_d).scopes)
            body += "<tds:Scopes><tt:ScopeDef>Fixed</tt:ScopeDef>" + element("tt:ScopeItem", s)
                + "</tds:Scopes>";
        return ok(body + "</tds:GetScopesResponse>");
    }

    OnvifAnswer networkInterfaces()
    {
        const std::string address = "<tt:Address>" + escapeXml(m_d.net.ip) + "</tt:Address><tt:PrefixLength>"
            + std::to_string(prefixOf(m_d.net.mask)) + "</tt:PrefixLength>";
        return ok("<tds:GetNetworkInterfacesResponse><tds:NetworkInterfaces token=\"eth0\"><tt:Enabled>true"
                  "</tt:Enabled><tt:Info><tt:Name>eth0</tt:Name>"
            + element("tt:HwAddress", m_d.mac)
            + "<tt:MTU>1500</tt:MTU></tt:Info><tt:IPv4><tt:Enabled>true</tt:Enabled><tt:Config>"
            + (m_d.net.dhcp ? "<tt:FromDHCP>" + address + "</tt:FromDHCP>"
                            : "<tt:Manual>" + address + "</tt:Manual>")
            + "<tt:DHCP>" + flag(m_d.net.dhcp)
            + "</tt:DHCP></tt:Config></tt:IPv4></tds:NetworkInterfaces></tds:GetNetworkInterfacesResponse>");
    }

    OnvifAnswer setNetworkInterfaces(const XmlElement& op)
    {
        if (text(op.child(ns::kDevice, "InterfaceToken")) != "eth0")
            return fault(400, "Sender", "ter:InvalidArgVal ter:InvalidNetworkInterface", "no such interface",
                "no such interface");
        const XmlElement* ni = op.child(ns::kDevice, "NetworkInterface");
        const XmlElement* v4 = ni ? ni->child(ns::kSchema, "IPv4") : nullptr;
        Network net = m_d.net;
        if (v4) {
            if (boolean(v4->child(ns::kSchema, "Enabled")) == false)
                return fault(400, "Sender", "ter:InvalidArgVal ter:InvalidIPv4Address",
                    "IPv4 cannot be switched off", "IPv4 off refused");
            const auto dhcp = boolean(v4->child(ns::kSchema, "DHCP"));
            const XmlElement* manual = v4->child(ns::kSchema, "Manual");
            if (dhcp == true) {
                net.dhcp = true;
            } else if (manual) {
                const std::string address = text(manual->child(ns::kSchema, "Address"));
                const auto prefix = number(manual->child(ns::kSchema, "PrefixLength"), 1, 32);
                if (!hostAddress(address) || !prefix)
                    return fault(400, "Sender", "ter:InvalidArgVal ter:InvalidIPv4Address",
                        "not an IPv4 host address and prefix", "bad address");
                net.ip = address;
                net.mask = maskOf(*prefix);
                net.dhcp = false;
            } else if (dhcp == false) {
                net.dhcp = false;
            }
        }
        m_answer.network = net;
        return ok("<tds:SetNetworkInterfacesResponse><tds:RebootNeeded>false</tds:RebootNeeded>"
                  "</tds:SetNetworkInterfacesResponse>");
    }

    OnvifAnswer setDefaultGateway(const XmlElement& op)
    {
        Network net = m_d.net;
        const auto list = op.childrenNamed(ns::kDevice, "IPv4Address");
        if (list.empty()) {
            net.gateway.clear();
        } else {
            const std::string gateway = text(list.front());
            if (!hostAddress(gateway))
                return fault(400, "Sender", "ter:InvalidArgVal ter:InvalidGatewayAddress",
                    "not an IPv4 address", "bad gateway");
            // As many devices do: a gateway must be on the device's own network.
            if (!sameNetwork(gateway, m_d.net.ip, m_d.net.mask))
                return fault(400, "Sender", "ter:InvalidArgVal ter:InvalidGatewayAddress",
                    "the gateway is not on the device's network", "gateway outside the network");
            net.gateway = gateway;
        }
        m_answer.network = net;
        return ok("<tds:SetNetworkDefaultGatewayResponse/>");
    }

    OnvifAnswer networkProtocols()
    {
        auto protocol = [](const char* name, bool on, int port) {
            return "<tds:NetworkProtocols>" + element("tt:Name", name) + element("tt:Enabled", flag(on))
                + element("tt:Port", std::to_string(port)) + "</tds:NetworkProtocols>";
        };
        return ok("<tds:GetNetworkProtocolsResponse>" + protocol("HTTP", true, m_d.net.webPort)
            + protocol("HTTPS", m_d.net.httpsPort != 0, m_d.net.httpsPort ? m_d.net.httpsPort : 443)
            + protocol("RTSP", m_d.net.rtspPort != 0, m_d.net.rtspPort ? m_d.net.rtspPort : 554)
            + "</tds:GetNetworkProtocolsResponse>");
    }

    OnvifAnswer setNetworkProtocols(const XmlElement& op)
    {
        Network net = m_d.net;
        for (const XmlElement* p : op.childrenNamed(ns::kDevice, "NetworkProtocols")) {
            const std::string name = text(p->child(ns::kSchema, "Name"));
            const auto enabled = boolean(p->child(ns::kSchema, "Enabled"));
            const auto ports = p->childrenNamed(ns::kSchema, "Port");
            // 0: no usable port given (a switched-off protocol needs none).
            const int port = ports.empty() ? 0 : number(ports.front(), 1, 65535).value_or(0);
            if (!enabled || (*enabled && port == 0))
                return fault(400, "Sender", "ter:InvalidArgVal",
                    "each protocol needs Enabled and a port 1 to 65535", "bad protocol");
            if (name == "HTTP") {
                if (!*enabled)
                    return fault(400, "Sender", "ter:InvalidArgVal ter:ServiceNotSupported",
                        "HTTP serves the device service and stays on", "HTTP off refused");
                net.webPort = std::uint16_t(port);
            } else if (name == "HTTPS") {
                net.httpsPort = *enabled ? std::uint16_t(port) : 0;
            } else if (name == "RTSP") {
                net.rtspPort = *enabled ? std::uint16_t(port) : 0;
            } else {
                return fault(400, "Sender", "ter:InvalidArgVal ter:ServiceNotSupported",
                    "unknown protocol " + name, "unknown protocol");
            }
        }
        // One port speaks one scheme: plain SOAP cannot share the HTTPS port,
        // nor either of them the VLNet-protocol session port.
        if ((net.httpsPort != 0 && net.httpsPort == net.webPort) || net.webPort == net.mediaPort
            || net.httpsPort == net.mediaPort)
            return fault(400, "Sender", "ter:InvalidArgVal ter:PortAlreadyInUse", "port already in use",
                "port in use");
        m_answer.network = net;
        return ok("<tds:SetNetworkProtocolsResponse/>");
    }

    OnvifAnswer dns()
    {
        std::string manual;
        for (const std::string* server : { &m_d.net.dns1, &m_d.net.dns2 })
            if (!server->empty())
                manual += "<tt:DNSManual><tt:Type>IPv4</tt:Type>" + element("tt:IPv4Address", *server)
                    + "</tt:DNSManual>";
        return ok("<tds:GetDNSResponse><tds:DNSInformation><tt:FromDHCP>false</tt:FromDHCP>" + manual
            + "</tds:DNSInformation></tds:GetDNSResponse>");
    }

    const Device& m_d;
    const std::time_t m_now;
    OnvifAnswer m_answer;
};

} // namespace

std::string onvifEndpoint(const Device& d)
{
    // Time fields from the device's stable id, version 1, a fixed clock
    // sequence, and the MAC as the node.
    std::string node;
    for (char c : d.mac)
        if (std::isxdigit(static_cast<unsigned char>(c)))
            node += char(std::tolower(static_cast<unsigned char>(c)));
    node.resize(12, '0');
    char buf[64];
    std::snprintf(buf, sizeof buf, "urn:uuid:%08x-%04x-1%03x-8%03x-", unsigned(d.deviceId),
        unsigned(d.index) & 0xFFFFu, (unsigned(d.index) >> 16) & 0xFFFu, unsigned(d.deviceType) & 0xFFFu);
    return buf + node;
}

vlsoap::ProbeMatch onvifProbeMatch(const Device& d)
{
    vlsoap::ProbeMatch m;
    m.endpoint = onvifEndpoint(d);
    m.types = { "dn:NetworkVideoTransmitter", "tds:Device" };
    m.scopes = { "onvif://www.onvif.org/type/"
            + std::string(d.kind == Kind::Ipc ? "video_encoder" : "Network_Video_Storage"),
        "onvif://www.onvif.org/Profile/Streaming",
        "onvif://www.onvif.org/name/" + vlsoap::scopeSegment(d.name),
        "onvif://www.onvif.org/hardware/" + vlsoap::scopeSegment(d.model),
        "onvif://www.onvif.org/location/country/lab" };
    m.xaddrs = { serviceAddress(d) };
    return m;
}

bool answersProbe(const Device& d, const vlsoap::ProbeRequest& probe)
{
    if (!d.onvif)
        return false;
    for (const auto& t : probe.types)
        if (t != "NetworkVideoTransmitter" && t != "Device")
            return false;
    return vlsoap::scopesMatch(probe.scopes, onvifProbeMatch(d).scopes);
}

OnvifAnswer answerDeviceService(std::string_view request, const Device& d, std::time_t now)
{
    return Service(d, now).answer(request);
}

} // namespace devsim
