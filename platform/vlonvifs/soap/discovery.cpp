#include "soap/discovery.h"

#include "common/hex.h"
#include "soap/envelope.h"
#include "soap/wsse.h"
#include "soap/xml.h"

#include <cctype>
#include <cstdio>

namespace vlsoap
{

namespace
{
const char* const kProbeAction = "http://schemas.xmlsoap.org/ws/2005/04/discovery/Probe";
const char* const kProbeMatchesAction = "http://schemas.xmlsoap.org/ws/2005/04/discovery/ProbeMatches";
const char* const kDiscoveryTo = "urn:schemas-xmlsoap-org:ws:2005:04:discovery";
const char* const kAnonymous = "http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous";

std::string localName(const std::string& qname)
{
    const auto colon = qname.rfind(':');
    return colon == std::string::npos ? qname : qname.substr(colon + 1);
}

std::string lower(std::string s)
{
    for (auto& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string percentDecode(std::string_view s)
{
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size()) {
            if (auto byte = vlhex::from_hex(s.substr(i + 1, 2))) {
                out += char((*byte)[0]);
                i += 2;
                continue;
            }
        }
        out += s[i];
    }
    return out;
}

struct ScopeParts {
    std::string head; // scheme and authority, lower-cased
    std::vector<std::string> segments;
};

ScopeParts scopeParts(std::string_view scope)
{
    ScopeParts p;
    const auto scheme = scope.find("://");
    std::string_view rest = scope;
    if (scheme != std::string_view::npos) {
        const auto path = scope.find('/', scheme + 3);
        p.head = lower(std::string(scope.substr(0, path == std::string_view::npos ? scope.size() : path)));
        rest = path == std::string_view::npos ? std::string_view() : scope.substr(path);
    }
    std::size_t i = 0;
    while (i <= rest.size()) {
        const auto slash = rest.find('/', i);
        const auto end = slash == std::string_view::npos ? rest.size() : slash;
        if (end > i)
            p.segments.push_back(percentDecode(rest.substr(i, end - i)));
        if (slash == std::string_view::npos)
            break;
        i = slash + 1;
    }
    return p;
}
} // namespace

std::string probeMessage(std::string_view messageId, std::string_view types)
{
    std::string header = "<a:MessageID>" + escapeXml(messageId)
        + "</a:MessageID><a:To s:mustUnderstand=\"1\">" + kDiscoveryTo
        + "</a:To><a:Action s:mustUnderstand=\"1\">" + kProbeAction + "</a:Action>";
    std::string body = "<d:Probe>";
    if (!types.empty())
        body += "<d:Types>" + escapeXml(types) + "</d:Types>";
    body += "</d:Probe>";
    return envelope(header, body);
}

std::optional<ProbeRequest> parseProbe(std::string_view datagram)
{
    auto doc = parseEnvelope(datagram);
    if (!doc)
        return std::nullopt;
    const XmlElement* probe = soapPayload(*doc);
    if (!probe || !probe->is(ns::kDiscovery, "Probe"))
        return std::nullopt;
    ProbeRequest r;
    if (const XmlElement* header = soapHeader(*doc))
        if (const XmlElement* id = header->child(ns::kAddressing, "MessageID"))
            r.messageId = id->trimmedText();
    if (const XmlElement* types = probe->child(ns::kDiscovery, "Types"))
        for (const auto& t : splitWords(types->text))
            r.types.push_back(localName(t));
    if (const XmlElement* scopes = probe->child(ns::kDiscovery, "Scopes"))
        r.scopes = splitWords(scopes->text);
    return r;
}

std::string probeMatchesMessage(
    std::string_view messageId, std::string_view relatesTo, const ProbeMatch& match)
{
    auto joined = [](const std::vector<std::string>& words) {
        std::string out;
        for (const auto& w : words)
            out += (out.empty() ? "" : " ") + escapeXml(w);
        return out;
    };
    std::string header = "<a:MessageID>" + escapeXml(messageId) + "</a:MessageID><a:RelatesTo>"
        + escapeXml(relatesTo) + "</a:RelatesTo><a:To>" + kAnonymous + "</a:To><a:Action>"
        + kProbeMatchesAction + "</a:Action>";
    std::string body = "<d:ProbeMatches><d:ProbeMatch><a:EndpointReference><a:Address>"
        + escapeXml(match.endpoint) + "</a:Address></a:EndpointReference><d:Types>" + joined(match.types)
        + "</d:Types><d:Scopes>" + joined(match.scopes) + "</d:Scopes><d:XAddrs>" + joined(match.xaddrs)
        + "</d:XAddrs><d:MetadataVersion>1</d:MetadataVersion></d:ProbeMatch></d:ProbeMatches>";
    return envelope(header, body);
}

std::vector<ProbeMatch> parseProbeMatches(std::string_view datagram)
{
    std::vector<ProbeMatch> out;
    auto doc = parseEnvelope(datagram);
    if (!doc)
        return out;
    const XmlElement* matches = soapPayload(*doc);
    if (!matches || !matches->is(ns::kDiscovery, "ProbeMatches"))
        return out;
    for (const XmlElement* m : matches->childrenNamed(ns::kDiscovery, "ProbeMatch")) {
        ProbeMatch pm;
        if (const XmlElement* epr = m->child(ns::kAddressing, "EndpointReference"))
            if (const XmlElement* address = epr->child(ns::kAddressing, "Address"))
                pm.endpoint = address->trimmedText();
        if (const XmlElement* types = m->child(ns::kDiscovery, "Types"))
            pm.types = splitWords(types->text);
        if (const XmlElement* scopes = m->child(ns::kDiscovery, "Scopes"))
            pm.scopes = splitWords(scopes->text);
        if (const XmlElement* xaddrs = m->child(ns::kDiscovery, "XAddrs"))
            pm.xaddrs = splitWords(xaddrs->text);
        out.push_back(std::move(pm));
    }
    return out;
}

std::string newMessageId()
{
    std::string b = randomBytes(16);
    b[6] = char((b[6] & 0x0F) | 0x40);
    b[8] = char((b[8] & 0x3F) | 0x80);
    const std::string hex = vlhex::to_hex(b);
    return "uuid:" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-"
        + hex.substr(16, 4) + "-" + hex.substr(20);
}

bool scopesMatch(const std::vector<std::string>& wanted, const std::vector<std::string>& have)
{
    for (const auto& w : wanted) {
        const ScopeParts want = scopeParts(w);
        bool found = false;
        for (const auto& h : have) {
            const ScopeParts got = scopeParts(h);
            if (got.head != want.head || got.segments.size() < want.segments.size())
                continue;
            bool prefix = true;
            for (std::size_t i = 0; i < want.segments.size() && prefix; ++i)
                prefix = got.segments[i] == want.segments[i];
            if (prefix) {
                found = true;
                break;
            }
        }
        if (!found)
            return false;
    }
    return true;
}

std::string scopeValue(const std::vector<std::string>& scopes, std::string_view kind)
{
    const std::string prefix = "onvif://www.onvif.org/" + std::string(kind) + "/";
    for (const auto& s : scopes)
        if (s.size() > prefix.size() && lower(s.substr(0, prefix.size())) == prefix)
            return percentDecode(std::string_view(s).substr(prefix.size()));
    return std::string();
}

std::string scopeSegment(std::string_view value)
{
    std::string out;
    char hex[4];
    for (char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '-' || c == '_' || c == '.' || c == '~') {
            out += c;
        } else {
            std::snprintf(hex, sizeof hex, "%%%02X", u);
            out += hex;
        }
    }
    return out;
}

} // namespace vlsoap
