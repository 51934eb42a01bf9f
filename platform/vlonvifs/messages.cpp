#include "messages.h"

#include "common/hex.h"
#include "soap/wsse.h"

#include <cstdio>
#include <cstring>

namespace vlonvif
{

using vlsoap::XmlElement;
namespace ns = vlsoap::ns;

namespace
{

Operation deviceOperation(const char* name, std::string body)
{
    return { std::string(ns::kDevice) + "/" + name, std::move(body) };
}

bool readBool(const XmlElement* e)
{
    if (!e)
        return false;
    const std::string t = e->trimmedText();
    return t == "true" || t == "1";
}

int readInt(const XmlElement* e, int fallback = 0)
{
    if (!e)
        return fallback;
    const std::string t = e->trimmedText();
    if (t.empty() || t.size() > 9)
        return fallback;
    int v = 0;
    for (char c : t) {
        if (c < '0' || c > '9')
            return fallback;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::string textOf(const XmlElement* parent, const char* uri, const char* local)
{
    const XmlElement* e = parent ? parent->child(uri, local) : nullptr;
    return e ? e->trimmedText() : std::string();
}

bool isUnauthorizedFault(const vlsoap::SoapFault& f)
{
    static const char* const kRefusals[] = { "NotAuthorized", "FailedAuthentication", "InvalidSecurity",
        "InvalidSecurityToken", "FailedCheck" };
    for (const char* r : kRefusals)
        if (f.subcode == r || f.code == r)
            return true;
    return false;
}

// Is byte `i` of `s` the first byte of a UTF-8 character?
bool startsCharacter(std::string_view s, std::size_t i)
{
    return i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80;
}

} // namespace

Operation getSystemDateAndTime()
{
    return deviceOperation("GetSystemDateAndTime", "<tds:GetSystemDateAndTime/>");
}

Operation getDeviceInformation()
{
    return deviceOperation("GetDeviceInformation", "<tds:GetDeviceInformation/>");
}

Operation getCapabilities()
{
    return deviceOperation(
        "GetCapabilities", "<tds:GetCapabilities><tds:Category>Device</tds:Category></tds:GetCapabilities>");
}

Operation getNetworkInterfaces()
{
    return deviceOperation("GetNetworkInterfaces", "<tds:GetNetworkInterfaces/>");
}

Operation getNetworkDefaultGateway()
{
    return deviceOperation("GetNetworkDefaultGateway", "<tds:GetNetworkDefaultGateway/>");
}

Operation getNetworkProtocols()
{
    return deviceOperation("GetNetworkProtocols", "<tds:GetNetworkProtocols/>");
}

Operation setNetworkInterfaces(const std::string& token, bool dhcp, const std::string& address, int prefix)
{
    std::string body = "<tds:SetNetworkInterfaces><tds:InterfaceToken>" + vlsoap::escapeXml(token)
        + "</tds:InterfaceToken><tds:NetworkInterface><tt:Enabled>true</"
          "tt:Enabled><tt:IPv4><tt:Enabled>true</"
          "tt:Enabled>";
    if (!dhcp)
        body += "<tt:Manual><tt:Address>" + vlsoap::escapeXml(address) + "</tt:Address><tt:PrefixLength>"
            + std::to_string(prefix) + "</tt:PrefixLength></tt:Manual>";
    body += std::string("<tt:DHCP>") + (dhcp ? "true" : "false")
        + "</tt:DHCP></tt:IPv4></tds:NetworkInterface></tds:SetNetworkInterfaces>";
    return deviceOperation("SetNetworkInterfaces", body);
}

Operation setNetworkDefaultGateway(const std::string& ipv4)
{
    return deviceOperation("SetNetworkDefaultGateway",
        "<tds:SetNetworkDefaultGateway><tds:IPv4Address>" + vlsoap::escapeXml(ipv4)
            + "</tds:IPv4Address></tds:SetNetworkDefaultGateway>");
}

Operation setNetworkProtocols(const std::vector<Protocol>& protocols)
{
    std::string body = "<tds:SetNetworkProtocols>";
    for (const auto& p : protocols) {
        body += "<tds:NetworkProtocols><tt:Name>" + vlsoap::escapeXml(p.name) + "</tt:Name><tt:Enabled>"
            + (p.enabled ? "true" : "false") + "</tt:Enabled>";
        for (int port : p.ports)
            body += "<tt:Port>" + std::to_string(port) + "</tt:Port>";
        body += "</tds:NetworkProtocols>";
    }
    body += "</tds:SetNetworkProtocols>";
    return deviceOperation("SetNetworkProtocols", body);
}

std::string requestText(const Operation& op, const vlsoap::UsernameToken* token)
{
    return vlsoap::envelope(token ? vlsoap::securityHeader(*token) : std::string(), op.body);
}

const XmlElement* Answer::payload() const
{
    return kind == AnswerKind::Ok && document ? vlsoap::soapPayload(*document) : nullptr;
}

Answer readAnswer(const Operation& op, int httpStatus, std::string_view body)
{
    Answer a;
    std::string error;
    a.document = vlsoap::parseEnvelope(body, &error);
    if (a.document) {
        if (auto fault = vlsoap::soapFault(*a.document)) {
            a.kind = isUnauthorizedFault(*fault) ? AnswerKind::Unauthorized : AnswerKind::Fault;
            a.detail = fault->code + (fault->subcode.empty() ? "" : "/" + fault->subcode)
                + (fault->reason.empty() ? "" : ": " + fault->reason);
            return a;
        }
    }
    if (httpStatus == 401) {
        a.kind = AnswerKind::Unauthorized;
        a.detail = "HTTP 401";
        return a;
    }
    if (!a.document) {
        a.detail = "HTTP " + std::to_string(httpStatus) + ", " + error;
        return a;
    }
    const std::string expected = op.action.substr(op.action.rfind('/') + 1) + "Response";
    const XmlElement* payload = vlsoap::soapPayload(*a.document);
    if (httpStatus != 200 || !payload || !payload->is(ns::kDevice, expected)) {
        a.detail = "HTTP " + std::to_string(httpStatus) + ", not a " + expected;
        return a;
    }
    a.kind = AnswerKind::Ok;
    return a;
}

std::optional<std::time_t> readSystemTime(const XmlElement& response)
{
    const XmlElement* sdt = response.child(ns::kDevice, "SystemDateAndTime");
    const XmlElement* utc = sdt ? sdt->child(ns::kSchema, "UTCDateTime") : nullptr;
    const XmlElement* date = utc ? utc->child(ns::kSchema, "Date") : nullptr;
    const XmlElement* time = utc ? utc->child(ns::kSchema, "Time") : nullptr;
    if (!date || !time)
        return std::nullopt;
    return vlsoap::utcTime(readInt(date->child(ns::kSchema, "Year"), -1),
        readInt(date->child(ns::kSchema, "Month"), -1), readInt(date->child(ns::kSchema, "Day"), -1),
        readInt(time->child(ns::kSchema, "Hour"), -1), readInt(time->child(ns::kSchema, "Minute"), -1),
        readInt(time->child(ns::kSchema, "Second"), -1));
}

DeviceInformation readDeviceInformation(const XmlElement& response)
{
    DeviceInformation d;
    d.manufacturer = textOf(&response, ns::kDevice, "Manufacturer");
    d.model = textOf(&response, ns::kDevice, "Model");
    d.firmware = textOf(&response, ns::kDevice, "FirmwareVersion");
    d.serial = textOf(&response, ns::kDevice, "SerialNumber");
    d.hardwareId = textOf(&response, ns::kDevice, "HardwareId");
    return d;
}

std::string readDeviceServiceAddress(const XmlElement& response)
{
    const XmlElement* caps = response.child(ns::kDevice, "Capabilities");
    const XmlElement* device = caps ? caps->child(ns::kSchema, "Device") : nullptr;
    return textOf(device, ns::kSchema, "XAddr");
}

std::vector<NetworkInterface> readNetworkInterfaces(const XmlElement& response)
{
    std::vector<NetworkInterface> out;
    for (const XmlElement* e : response.childrenNamed(ns::kDevice, "NetworkInterfaces")) {
        NetworkInterface n;
        if (const std::string* token = e->attribute("token"))
            n.token = *token;
        n.enabled = readBool(e->child(ns::kSchema, "Enabled"));
        if (const XmlElement* info = e->child(ns::kSchema, "Info"))
            n.hwAddress = textOf(info, ns::kSchema, "HwAddress");
        if (const XmlElement* v4 = e->child(ns::kSchema, "IPv4")) {
            n.ipv4Enabled = readBool(v4->child(ns::kSchema, "Enabled"));
            if (const XmlElement* config = v4->child(ns::kSchema, "Config")) {
                n.dhcp = readBool(config->child(ns::kSchema, "DHCP"));
                const XmlElement* manual = config->child(ns::kSchema, "Manual");
                const XmlElement* fromDhcp = config->child(ns::kSchema, "FromDHCP");
                const XmlElement* used = n.dhcp && fromDhcp ? fromDhcp : (manual ? manual : fromDhcp);
                if (used) {
                    n.address = textOf(used, ns::kSchema, "Address");
                    n.prefix = readInt(used->child(ns::kSchema, "PrefixLength"));
                }
            }
        }
        out.push_back(std::move(n));
    }
    return out;
}

const NetworkInterface* mainInterface(const std::vector<NetworkInterface>& interfaces)
{
    for (const auto& n : interfaces)
        if (n.enabled && n.ipv4Enabled && !n.token.empty())
            return &n;
    for (const auto& n : interfaces)
        if (!n.token.empty())
            return &n;
    return nullptr;
}

std::vector<std::string> readDefaultGateways(const XmlElement& response)
{
    std::vector<std::string> out;
    if (const XmlElement* gw = response.child(ns::kDevice, "NetworkGateway"))
        for (const XmlElement* a : gw->childrenNamed(ns::kSchema, "IPv4Address"))
            out.push_back(a->trimmedText());
    return out;
}

std::vector<Protocol> readNetworkProtocols(const XmlElement& response)
{
    std::vector<Protocol> out;
    for (const XmlElement* e : response.childrenNamed(ns::kDevice, "NetworkProtocols")) {
        Protocol p;
        p.name = textOf(e, ns::kSchema, "Name");
        p.enabled = readBool(e->child(ns::kSchema, "Enabled"));
        for (const XmlElement* port : e->childrenNamed(ns::kSchema, "Port")) {
            const int v = readInt(port, -1);
            if (v > 0 && v <= 65535)
                p.ports.push_back(v);
        }
        out.push_back(std::move(p));
    }
    return out;
}

int httpPort(const std::vector<Protocol>& protocols)
{
    for (const auto& p : protocols)
        if (p.name == "HTTP" && p.enabled && !p.ports.empty())
            return p.ports.front();
    return 0;
}

std::string macFromEndpoint(std::string_view endpoint)
{
    // urn:uuid:xxxxxxxx-xxxx-1xxx-yxxx-nnnnnnnnnnnn: version 1 (time-based)
    // carries the node's MAC unless it is marked as a random node (the
    // multicast bit of its first byte).
    std::string_view u = endpoint;
    for (const char* prefix : { "urn:uuid:", "uuid:" })
        if (u.size() >= std::strlen(prefix) && u.substr(0, std::strlen(prefix)) == prefix) {
            u.remove_prefix(std::strlen(prefix));
            break;
        }
    if (u.size() != 36 || u[8] != '-' || u[13] != '-' || u[18] != '-' || u[23] != '-' || u[14] != '1')
        return std::string();
    auto node = vlhex::from_hex(u.substr(24));
    if (!node
        || !vlhex::from_hex(std::string(u.substr(0, 8)) + std::string(u.substr(9, 4))
            + std::string(u.substr(14, 4)) + std::string(u.substr(19, 4))))
        return std::string();
    if ((*node)[0] & 1)
        return std::string();
    std::string mac;
    char part[4];
    for (std::size_t i = 0; i < node->size(); ++i) {
        std::snprintf(part, sizeof part, i ? ":%02X" : "%02X", (*node)[i]);
        mac += part;
    }
    if (mac == "00:00:00:00:00:00")
        return std::string();
    return mac;
}

void copyField(char* field, std::size_t width, std::string_view text)
{
    std::memset(field, 0, width);
    std::size_t n = text.size() < width ? text.size() : width;
    while (n > 0 && !startsCharacter(text, n))
        --n;
    std::memcpy(field, text.data(), n);
}

bool fillSearchRecord(const vlsoap::ProbeMatch& match, const std::string& source,
    VLONVIF_SEARCH_DEV_RSP* record, std::string* servicePath)
{
    std::optional<XAddr> chosen;
    for (const auto& url : match.xaddrs) {
        auto x = parseXAddr(url);
        if (!x || !ipv4Bytes(x->host))
            continue;
        if (x->host == source) {
            chosen = x;
            break;
        }
        if (!chosen)
            chosen = x;
    }
    std::string ip = chosen ? chosen->host : std::string();
    int port = chosen ? chosen->port : 0;
    if (!chosen) {
        // Addresses by host name: the device is where its answer came from.
        for (const auto& url : match.xaddrs)
            if (auto x = parseXAddr(url)) {
                ip = source;
                port = x->port;
                break;
            }
    }
    if (!ipv4Bytes(ip) || port == 0)
        return false;
    std::memset(record, 0, sizeof *record);
    copyField(record->ip, sizeof record->ip, ip);
    record->web_port = std::uint32_t(port);
    copyField(record->device_name, sizeof record->device_name, vlsoap::scopeValue(match.scopes, "name"));
    copyField(record->device_type, sizeof record->device_type, vlsoap::scopeValue(match.scopes, "hardware"));
    copyField(record->mac_addr, sizeof record->mac_addr, macFromEndpoint(match.endpoint));
    if (servicePath)
        *servicePath = chosen ? chosen->path : std::string(kDefaultServicePath);
    return true;
}

} // namespace vlonvif
