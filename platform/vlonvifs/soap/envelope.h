#pragma once
// SOAP 1.2 envelopes as ONVIF and WS-Discovery use them: the namespaces,
// an envelope writer with one fixed set of prefixes (so message bodies can
// be written as text with those prefixes), the reader of an envelope's
// header, body and fault, and the UsernameToken security header. Shared by
// the ONVIF client and the device simulator; pure functions.
#include "soap/xml.h"

#include <optional>
#include <string>
#include <string_view>

namespace vlsoap
{

namespace ns
{
inline constexpr const char* kEnvelope = "http://www.w3.org/2003/05/soap-envelope";
// Some devices still answer in SOAP 1.1.
inline constexpr const char* kEnvelope11 = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr const char* kAddressing = "http://schemas.xmlsoap.org/ws/2004/08/addressing";
inline constexpr const char* kDiscovery = "http://schemas.xmlsoap.org/ws/2005/04/discovery";
inline constexpr const char* kDevice = "http://www.onvif.org/ver10/device/wsdl";
inline constexpr const char* kMedia = "http://www.onvif.org/ver10/media/wsdl";
inline constexpr const char* kSchema = "http://www.onvif.org/ver10/schema";
inline constexpr const char* kNetwork = "http://www.onvif.org/ver10/network/wsdl";
inline constexpr const char* kError = "http://www.onvif.org/ver10/error";
inline constexpr const char* kSecurity
    = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-secext-1.0.xsd";
inline constexpr const char* kUtility
    = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-wssecurity-utility-1.0.xsd";
inline constexpr const char* kPasswordDigest
    = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0#PasswordDigest";
inline constexpr const char* kPasswordText
    = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-username-token-profile-1.0#PasswordText";
inline constexpr const char* kBase64Binary
    = "http://docs.oasis-open.org/wss/2004/01/oasis-200401-wss-soap-message-security-1.0#Base64Binary";
} // namespace ns

// A SOAP 1.2 envelope around `header` and `body` (XML text, may be empty).
// Both may use the prefixes s (envelope), a (addressing), d (discovery),
// dn (network), tds (device), trt (media), tt (schema), ter (errors),
// wsse and wsu (security).
std::string envelope(std::string_view header, std::string_view body);

// The document of `text` when it is a SOAP envelope (1.2 or 1.1) with a Body.
std::optional<XmlElement> parseEnvelope(std::string_view text, std::string* error = nullptr);
const XmlElement* soapHeader(const XmlElement& envelope);
const XmlElement* soapBody(const XmlElement& envelope);
// The first element inside the Body (the operation or its answer).
const XmlElement* soapPayload(const XmlElement& envelope);

struct SoapFault {
    std::string code; // local name: "Sender", "Receiver", ...
    std::string subcode; // local name of the innermost subcode: "NotAuthorized", ...
    std::string reason;
};
// The fault that the envelope's Body holds; nothing when it holds none.
std::optional<SoapFault> soapFault(const XmlElement& envelope);
// An envelope holding a SOAP 1.2 fault; `subcodes` are prefixed names such
// as "ter:InvalidArgVal ter:NoSuchService" (outermost first, blank-separated).
std::string faultEnvelope(std::string_view code, std::string_view subcodes, std::string_view reason);

// The UsernameToken that a client puts into the header.
struct UsernameToken {
    std::string user;
    std::string password;
    std::string nonce; // raw bytes
    std::string created; // UTC text, as it goes into the message
};
std::string securityHeader(const UsernameToken& token);

// The UsernameToken that a message carries.
struct ReceivedToken {
    std::string user;
    std::string password; // the digest (Base64) or the plain text
    bool digest = true;
    std::string nonce; // raw bytes (decoded)
    std::string created;
};
// Nothing when the header has no UsernameToken, or it lacks a user or a
// password, or its digest comes without a valid Base64 nonce or a Created time.
std::optional<ReceivedToken> receivedToken(const XmlElement& envelope);
// True when `token` proves `password`.
bool tokenMatches(const ReceivedToken& token, std::string_view password);

} // namespace vlsoap
