#include "soap/envelope.h"

#include "soap/wsse.h"

#include <openssl/crypto.h>

namespace vlsoap
{

namespace
{
std::string localPart(std::string_view qname)
{
    const auto colon = qname.rfind(':');
    return trimBlanks(colon == std::string_view::npos ? qname : qname.substr(colon + 1));
}

bool isEnvelopeNs(const std::string& uri)
{
    return uri == ns::kEnvelope || uri == ns::kEnvelope11;
}

const XmlElement* envelopeChild(const XmlElement& envelope, std::string_view local)
{
    for (const auto& c : envelope.children)
        if (c.name == local && isEnvelopeNs(c.ns))
            return &c;
    return nullptr;
}
} // namespace

std::string envelope(std::string_view header, std::string_view body)
{
    std::string out;
    out.reserve(header.size() + body.size() + 900);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<s:Envelope xmlns:s=\"";
    out += ns::kEnvelope;
    out += "\" xmlns:a=\"";
    out += ns::kAddressing;
    out += "\" xmlns:d=\"";
    out += ns::kDiscovery;
    out += "\" xmlns:dn=\"";
    out += ns::kNetwork;
    out += "\" xmlns:tds=\"";
    out += ns::kDevice;
    out += "\" xmlns:trt=\"";
    out += ns::kMedia;
    out += "\" xmlns:tt=\"";
    out += ns::kSchema;
    out += "\" xmlns:ter=\"";
    out += ns::kError;
    out += "\" xmlns:wsse=\"";
    out += ns::kSecurity;
    out += "\" xmlns:wsu=\"";
    out += ns::kUtility;
    out += "\">";
    if (!header.empty()) {
        out += "<s:Header>";
        out += header;
        out += "</s:Header>";
    }
    out += "<s:Body>";
    out += body;
    out += "</s:Body></s:Envelope>";
    return out;
}

std::optional<XmlElement> parseEnvelope(std::string_view text, std::string* error)
{
    auto root = parseXml(text, error);
    if (!root)
        return std::nullopt;
    if (root->name != "Envelope" || !isEnvelopeNs(root->ns)) {
        if (error)
            *error = "not a SOAP envelope";
        return std::nullopt;
    }
    if (!soapBody(*root)) {
        if (error)
            *error = "SOAP envelope without a Body";
        return std::nullopt;
    }
    return root;
}

const XmlElement* soapHeader(const XmlElement& envelope)
{
    return envelopeChild(envelope, "Header");
}

const XmlElement* soapBody(const XmlElement& envelope)
{
    return envelopeChild(envelope, "Body");
}

const XmlElement* soapPayload(const XmlElement& envelope)
{
    const XmlElement* body = soapBody(envelope);
    return body && !body->children.empty() ? &body->children.front() : nullptr;
}

std::optional<SoapFault> soapFault(const XmlElement& envelope)
{
    const XmlElement* payload = soapPayload(envelope);
    if (!payload || payload->name != "Fault" || !isEnvelopeNs(payload->ns))
        return std::nullopt;
    SoapFault f;
    if (const XmlElement* code = payload->childNamed("Code")) {
        // SOAP 1.2: Code/Value and nested Subcode/Value.
        if (const XmlElement* value = code->childNamed("Value"))
            f.code = localPart(value->text);
        for (const XmlElement* sub = code->childNamed("Subcode"); sub; sub = sub->childNamed("Subcode"))
            if (const XmlElement* value = sub->childNamed("Value"))
                f.subcode = localPart(value->text);
    } else if (const XmlElement* code11 = payload->childNamed("faultcode")) {
        f.code = localPart(code11->text);
    }
    if (const XmlElement* reason = payload->childNamed("Reason")) {
        if (const XmlElement* text = reason->childNamed("Text"))
            f.reason = text->trimmedText();
    } else if (const XmlElement* reason11 = payload->childNamed("faultstring")) {
        f.reason = reason11->trimmedText();
    }
    return f;
}

std::string faultEnvelope(std::string_view code, std::string_view subcodes, std::string_view reason)
{
    std::string body = "<s:Fault><s:Code><s:Value>s:" + escapeXml(code) + "</s:Value>";
    const auto subs = splitWords(subcodes);
    for (const auto& sub : subs)
        body += "<s:Subcode><s:Value>" + escapeXml(sub) + "</s:Value>";
    for (std::size_t i = 0; i < subs.size(); ++i)
        body += "</s:Subcode>";
    body += "</s:Code><s:Reason><s:Text xml:lang=\"en\">" + escapeXml(reason)
        + "</s:Text></s:Reason></s:Fault>";
    return envelope({}, body);
}

std::string securityHeader(const UsernameToken& token)
{
    std::string out = "<wsse:Security s:mustUnderstand=\"1\"><wsse:UsernameToken><wsse:Username>";
    out += escapeXml(token.user);
    out += "</wsse:Username><wsse:Password Type=\"";
    out += ns::kPasswordDigest;
    out += "\">";
    out += passwordDigest(token.nonce, token.created, token.password);
    out += "</wsse:Password><wsse:Nonce EncodingType=\"";
    out += ns::kBase64Binary;
    out += "\">";
    out += base64Encode(token.nonce);
    out += "</wsse:Nonce><wsu:Created>";
    out += escapeXml(token.created);
    out += "</wsu:Created></wsse:UsernameToken></wsse:Security>";
    return out;
}

std::optional<ReceivedToken> receivedToken(const XmlElement& envelope)
{
    const XmlElement* header = soapHeader(envelope);
    const XmlElement* security = header ? header->child(ns::kSecurity, "Security") : nullptr;
    const XmlElement* ut = security ? security->child(ns::kSecurity, "UsernameToken") : nullptr;
    if (!ut)
        return std::nullopt;
    const XmlElement* user = ut->child(ns::kSecurity, "Username");
    const XmlElement* password = ut->child(ns::kSecurity, "Password");
    if (!user || !password)
        return std::nullopt;
    ReceivedToken t;
    t.user = user->trimmedText();
    t.password = password->trimmedText();
    const std::string* type = password->attribute("Type");
    t.digest = !type || *type != ns::kPasswordText;
    if (!t.digest)
        return t;
    const XmlElement* nonce = ut->child(ns::kSecurity, "Nonce");
    const XmlElement* created = ut->child(ns::kUtility, "Created");
    if (!nonce || !created)
        return std::nullopt;
    auto raw = base64Decode(nonce->text);
    if (!raw)
        return std::nullopt;
    t.nonce = std::move(*raw);
    t.created = created->trimmedText();
    return t;
}

bool tokenMatches(const ReceivedToken& token, std::string_view password)
{
    const std::string expected
        = token.digest ? passwordDigest(token.nonce, token.created, password) : std::string(password);
    return expected.size() == token.password.size()
        && CRYPTO_memcmp(expected.data(), token.password.data(), expected.size()) == 0;
}

} // namespace vlsoap
