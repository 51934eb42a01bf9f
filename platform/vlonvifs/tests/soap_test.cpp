// The SOAP core shared by the ONVIF client and the simulator: the XML
// reader and its refusals, envelopes and faults, UsernameToken digests, and
// the WS-Discovery messages, including answers shaped as other makers'
// devices write them.
#include "soap/discovery.h"
#include "soap/envelope.h"
#include "soap/wsse.h"
#include "soap/xml.h"

#include <gtest/gtest.h>

using namespace vlsoap;

namespace
{

TEST(Xml, NamesResolveToTheirNamespaceWhateverThePrefix)
{
    const char* doc = R"(<?xml version="1.0"?>
        <!-- a comment first -->
        <e:Envelope xmlns:e="urn:env" xmlns="urn:default">
          <Body a="1" e:b="2">
            <x:Item xmlns:x="urn:x" xmlns:e="urn:other">
              <e:Inner>t &lt;1&gt; &amp; &#65;&#x42; <![CDATA[<raw>]]></e:Inner>
            </x:Item>
            <Plain xmlns="">text</Plain>
          </Body>
        </e:Envelope>)";
    std::string error;
    auto root = parseXml(doc, &error);
    ASSERT_TRUE(root) << error;
    EXPECT_TRUE(root->is("urn:env", "Envelope"));
    const XmlElement* body = root->child("urn:default", "Body");
    ASSERT_TRUE(body);
    ASSERT_TRUE(body->attribute("a", ""));
    EXPECT_EQ(*body->attribute("a", ""), "1");
    EXPECT_EQ(*body->attribute("b", "urn:env"), "2");
    const XmlElement* inner = body->find("urn:other", "Inner");
    ASSERT_TRUE(inner) << "a prefix redeclared inside resolves to the inner declaration";
    EXPECT_EQ(inner->text, "t <1> & AB <raw>");
    const XmlElement* plain = body->child("", "Plain");
    ASSERT_TRUE(plain) << "xmlns=\"\" takes the default namespace away";
    EXPECT_EQ(plain->text, "text");
}

TEST(Xml, RefusesWhatNoSoapMessageNeeds)
{
    std::string deep;
    for (int i = 0; i < kMaxDepth + 1; ++i)
        deep += "<a>";
    for (int i = 0; i < kMaxDepth + 1; ++i)
        deep += "</a>";
    std::string many = "<r>";
    for (int i = 0; i < kMaxElements; ++i)
        many += "<a/>";
    many += "</r>";
    struct Case {
        const char* what;
        std::string text;
    } cases[] = {
        { "document type (entity definitions)", "<!DOCTYPE r [<!ENTITY x \"y\">]><r>&x;</r>" },
        { "undefined entity", "<r>&nbsp;</r>" },
        { "character reference 0", "<r>&#0;</r>" },
        { "character reference beyond Unicode", "<r>&#x110000;</r>" },
        { "undeclared prefix", "<p:r/>" },
        { "end tag that closes another", "<a><b></a></b>" },
        { "unterminated", "<a><b/>" },
        { "second document element", "<a/><b/>" },
        { "text after the document", "<a/>x" },
        { "attribute without quotes", "<a b=1/>" },
        { "'<' in an attribute", "<a b=\"<\"/>" },
        { "nesting too deep", deep },
        { "too many elements", many },
        { "empty", "" },
        { "too large", "<a>" + std::string(kMaxInput, 'x') + "</a>" },
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(parseXml(c.text, &error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
    std::string ok;
    for (int i = 0; i < kMaxDepth; ++i)
        ok += "<a>";
    for (int i = 0; i < kMaxDepth; ++i)
        ok += "</a>";
    EXPECT_TRUE(parseXml(ok)) << "the deepest nesting allowed";
    EXPECT_TRUE(parseXml("\xEF\xBB\xBF<a/>")) << "a byte-order mark";
}

TEST(Xml, EscapedTextReadsBackAsWritten)
{
    const std::string text = "a<b>&\"c'\xC3\xA9";
    auto root = parseXml("<r x=\"" + escapeXml(text) + "\">" + escapeXml(text) + "</r>");
    ASSERT_TRUE(root);
    EXPECT_EQ(root->text, text);
    EXPECT_EQ(*root->attribute("x"), text);
    EXPECT_EQ(splitWords("  a\tb\n c  "), (std::vector<std::string> { "a", "b", "c" }));
}

TEST(Wsse, DigestIsBase64OfSha1OfNonceCreatedAndPassword)
{
    std::string nonce;
    for (int i = 0; i < 16; ++i)
        nonce += char(i);
    // Worked out by another implementation.
    EXPECT_EQ(passwordDigest(nonce, "2024-02-29T23:59:59Z", "Admin_123"), "YuliM9LqVAuF73Faj44Y1AQjpJ4=");
    EXPECT_EQ(base64Encode(nonce), "AAECAwQFBgcICQoLDA0ODw==");
    EXPECT_EQ(base64Decode(" AAECAwQFBgcICQoLDA0ODw==\n"), nonce);
    EXPECT_EQ(base64Decode("YQ=="), "a");
    EXPECT_EQ(base64Decode("YWI="), "ab");
    EXPECT_EQ(base64Decode(""), "");
    for (const char* bad : { "YQ=", "Y===", "YQ==YQ==", "Y!==", "=YQ=" })
        EXPECT_FALSE(base64Decode(bad)) << bad;
}

TEST(Wsse, UtcTimesReadAndWrite)
{
    EXPECT_EQ(formatUtc(1709251199), "2024-02-29T23:59:59Z");
    EXPECT_EQ(formatUtc(0), "1970-01-01T00:00:00Z");
    EXPECT_EQ(parseUtc("2024-02-29T23:59:59Z"), std::time_t(1709251199));
    EXPECT_EQ(parseUtc("2024-02-29T23:59:59.123Z"), std::time_t(1709251199));
    EXPECT_EQ(parseUtc("2024-02-29T23:59:59"), std::time_t(1709251199));
    for (const char* bad :
        { "2023-02-29T00:00:00Z", "2024-13-01T00:00:00Z", "2024-01-01T24:00:00Z", "2024-01-01T00:00:00+01:00",
            "2024-1-01T00:00:00Z", "2024-01-01 00:00:00Z", "2024-01-01T00:00:00.Z", "+024-01-01T00:00:00Z" })
        EXPECT_FALSE(parseUtc(bad)) << bad;
}

TEST(Envelope, TokenWrittenByTheClientIsCheckedByTheDevice)
{
    UsernameToken t { "admin", "Admin_123", randomBytes(16), formatUtc(1709251199) };
    auto doc = parseEnvelope(envelope(securityHeader(t), "<tds:GetDeviceInformation/>"));
    ASSERT_TRUE(doc);
    ASSERT_TRUE(soapPayload(*doc));
    EXPECT_TRUE(soapPayload(*doc)->is(ns::kDevice, "GetDeviceInformation"));
    auto got = receivedToken(*doc);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->user, "admin");
    EXPECT_TRUE(got->digest);
    EXPECT_EQ(got->nonce, t.nonce);
    EXPECT_EQ(got->created, t.created);
    EXPECT_TRUE(tokenMatches(*got, "Admin_123"));
    EXPECT_FALSE(tokenMatches(*got, "Admin_124"));
    EXPECT_FALSE(tokenMatches(*got, ""));

    // A plain-text token, as some clients send.
    const std::string text
        = std::string("<wsse:Security><wsse:UsernameToken><wsse:Username>op</wsse:Username>")
        + "<wsse:Password Type=\"" + ns::kPasswordText
        + "\">Oper_123</wsse:Password></wsse:UsernameToken></wsse:Security>";
    auto plain = parseEnvelope(envelope(text, "<tds:GetDeviceInformation/>"));
    ASSERT_TRUE(plain);
    auto pt = receivedToken(*plain);
    ASSERT_TRUE(pt);
    EXPECT_FALSE(pt->digest);
    EXPECT_TRUE(tokenMatches(*pt, "Oper_123"));
    EXPECT_FALSE(tokenMatches(*pt, "Oper_12"));

    // A digest without its nonce proves nothing.
    const std::string noNonce
        = std::string("<wsse:Security><wsse:UsernameToken><wsse:Username>admin</wsse:Username>")
        + "<wsse:Password>x</wsse:Password><wsu:Created>2024-01-01T00:00:00Z</wsu:Created>"
        + "</wsse:UsernameToken></wsse:Security>";
    auto bad = parseEnvelope(envelope(noNonce, "<tds:GetDeviceInformation/>"));
    ASSERT_TRUE(bad);
    EXPECT_FALSE(receivedToken(*bad));
    auto none = parseEnvelope(envelope({}, "<tds:GetDeviceInformation/>"));
    ASSERT_TRUE(none);
    EXPECT_FALSE(receivedToken(*none));
}

TEST(Envelope, FaultsOfBothSoapVersions)
{
    auto f12
        = parseEnvelope(faultEnvelope("Sender", "ter:NotAuthorized ter:Deeper", "Sender not authorized"));
    ASSERT_TRUE(f12);
    auto fault = soapFault(*f12);
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->code, "Sender");
    EXPECT_EQ(fault->subcode, "Deeper");
    EXPECT_EQ(fault->reason, "Sender not authorized");

    auto f11 = parseEnvelope(R"(<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://schemas.xmlsoap.org/soap/envelope/">
        <SOAP-ENV:Body><SOAP-ENV:Fault><faultcode>SOAP-ENV:Client</faultcode>
        <faultstring>bad</faultstring></SOAP-ENV:Fault></SOAP-ENV:Body></SOAP-ENV:Envelope>)");
    ASSERT_TRUE(f11);
    fault = soapFault(*f11);
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->code, "Client");
    EXPECT_EQ(fault->reason, "bad");

    auto ok = parseEnvelope(envelope({}, "<tds:GetDeviceInformationResponse/>"));
    ASSERT_TRUE(ok);
    EXPECT_FALSE(soapFault(*ok));
    EXPECT_FALSE(parseEnvelope("<a/>")) << "not an envelope";
    EXPECT_FALSE(parseEnvelope("<s:Envelope xmlns:s=\"http://www.w3.org/2003/05/soap-envelope\"/>"))
        << "an envelope without a Body";
}

TEST(Discovery, ProbeAndProbeMatchesRoundTrip)
{
    const std::string id = newMessageId();
    EXPECT_EQ(id.size(), 41u);
    EXPECT_NE(id, newMessageId());
    auto probe = parseProbe(probeMessage(id, kVideoTransmitterType));
    ASSERT_TRUE(probe);
    EXPECT_EQ(probe->messageId, id);
    EXPECT_EQ(probe->types, (std::vector<std::string> { "NetworkVideoTransmitter" }));
    EXPECT_TRUE(probe->scopes.empty());
    auto any = parseProbe(probeMessage(id, ""));
    ASSERT_TRUE(any);
    EXPECT_TRUE(any->types.empty());

    ProbeMatch m;
    m.endpoint = "urn:uuid:1";
    m.types = { "dn:NetworkVideoTransmitter", "tds:Device" };
    m.scopes = { "onvif://www.onvif.org/name/" + scopeSegment("Front door & gate") };
    m.xaddrs = { "http://192.168.1.10:8080/onvif/device_service" };
    const std::string answer = probeMatchesMessage(newMessageId(), id, m);
    EXPECT_FALSE(parseProbe(answer)) << "an answer is no probe";
    auto got = parseProbeMatches(answer);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].endpoint, m.endpoint);
    EXPECT_EQ(got[0].types, m.types);
    EXPECT_EQ(got[0].xaddrs, m.xaddrs);
    EXPECT_EQ(scopeValue(got[0].scopes, "name"), "Front door & gate");
    EXPECT_TRUE(parseProbeMatches(probeMessage(id, "")).empty()) << "a probe is no answer";
    EXPECT_TRUE(parseProbeMatches("not xml").empty());
}

TEST(Discovery, AnswersWrittenWithOtherPrefixesAndSeveralMatches)
{
    // SOAP-ENV / wsa / wsdd prefixes, a default namespace, two matches, and
    // blanks and line breaks inside the lists.
    const char* answer = R"(<?xml version="1.0" encoding="UTF-8"?>
<SOAP-ENV:Envelope xmlns:SOAP-ENV="http://www.w3.org/2003/05/soap-envelope"
  xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing"
  xmlns:wsdd="http://schemas.xmlsoap.org/ws/2005/04/discovery"
  xmlns:dn="http://www.onvif.org/ver10/network/wsdl">
 <SOAP-ENV:Header><wsa:RelatesTo>uuid:x</wsa:RelatesTo></SOAP-ENV:Header>
 <SOAP-ENV:Body>
  <wsdd:ProbeMatches>
   <wsdd:ProbeMatch>
    <wsa:EndpointReference><wsa:Address>urn:uuid:a</wsa:Address></wsa:EndpointReference>
    <wsdd:Types>dn:NetworkVideoTransmitter</wsdd:Types>
    <wsdd:Scopes>
      onvif://www.onvif.org/hardware/IPC%20X
      onvif://www.onvif.org/Name/Cam%C3%A9ra
    </wsdd:Scopes>
    <wsdd:XAddrs>http://10.0.0.5/onvif/device_service http://[fe80::1]/onvif/device_service</wsdd:XAddrs>
   </wsdd:ProbeMatch>
   <ProbeMatch xmlns="http://schemas.xmlsoap.org/ws/2005/04/discovery">
    <XAddrs>http://10.0.0.6:81/x</XAddrs>
   </ProbeMatch>
  </wsdd:ProbeMatches>
 </SOAP-ENV:Body>
</SOAP-ENV:Envelope>)";
    auto got = parseProbeMatches(answer);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].endpoint, "urn:uuid:a");
    EXPECT_EQ(got[0].xaddrs.size(), 2u);
    EXPECT_EQ(scopeValue(got[0].scopes, "hardware"), "IPC X");
    EXPECT_EQ(scopeValue(got[0].scopes, "name"), "Cam\xC3\xA9ra") << "the scope's kind in any case";
    EXPECT_EQ(got[1].xaddrs, (std::vector<std::string> { "http://10.0.0.6:81/x" }));
    EXPECT_EQ(scopeValue(got[1].scopes, "name"), "");
}

TEST(Discovery, ScopesMatchByLeadingSegments)
{
    const std::vector<std::string> have = { "onvif://www.onvif.org/type/video_encoder",
        "onvif://www.onvif.org/location/country/china", "onvif://www.onvif.org/name/IPC-0001" };
    struct Case {
        std::vector<std::string> wanted;
        bool match;
    } cases[] = {
        { {}, true },
        { { "onvif://www.onvif.org/type" }, true },
        { { "ONVIF://WWW.ONVIF.ORG/location/country" }, true },
        { { "onvif://www.onvif.org/location/count" }, false },
        { { "onvif://www.onvif.org/location/country/china/beijing" }, false },
        { { "onvif://www.onvif.org/type", "onvif://www.onvif.org/name/IPC-0002" }, false },
        { { "http://www.onvif.org/type" }, false },
    };
    for (const auto& c : cases)
        EXPECT_EQ(scopesMatch(c.wanted, have), c.match) << (c.wanted.empty() ? "" : c.wanted.back());
}

} // namespace
