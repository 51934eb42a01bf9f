#pragma once
// A small namespace-aware XML reader for SOAP messages, shared by the ONVIF
// client and the device simulator. It reads a whole document into a tree of
// elements whose names are resolved to (namespace URI, local name), so that
// a message reads the same whatever prefixes its sender chose.
//
// What it refuses, because no SOAP message needs it and each is a way to
// make a reader hang or grow without bound: a DOCTYPE (entity definitions),
// entities other than the five predefined ones and character references,
// nesting deeper than kMaxDepth, more than kMaxElements elements, and
// documents larger than kMaxInput bytes.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vlsoap
{

struct XmlAttribute {
    std::string ns; // namespace URI; empty for an unprefixed attribute
    std::string name; // local name
    std::string value;
};

struct XmlElement {
    std::string ns; // namespace URI (empty when the element has none)
    std::string name; // local name
    std::vector<XmlAttribute> attributes; // xmlns declarations left out
    std::string text; // the element's own character data, joined, entities decoded
    std::vector<XmlElement> children;

    bool is(std::string_view uri, std::string_view local) const { return ns == uri && name == local; }
    // The first child element with that name; null when none.
    const XmlElement* child(std::string_view uri, std::string_view local) const;
    // The first child element with that local name, in any namespace.
    const XmlElement* childNamed(std::string_view local) const;
    // Every child element with that name, in document order.
    std::vector<const XmlElement*> childrenNamed(std::string_view uri, std::string_view local) const;
    // The first element of that name in the subtree (this one included), depth first.
    const XmlElement* find(std::string_view uri, std::string_view local) const;
    // The value of an attribute (any namespace when `uri` is null); null when absent.
    const std::string* attribute(std::string_view local, const char* uri = nullptr) const;
    // The text without the blanks around it.
    std::string trimmedText() const;
};

constexpr std::size_t kMaxInput = 1 << 20;
constexpr int kMaxDepth = 64;
constexpr int kMaxElements = 20000;

// The document element of `text`; nothing (with a reason in `error` when
// given) for text that is not one well-formed document within the limits.
std::optional<XmlElement> parseXml(std::string_view text, std::string* error = nullptr);

// `text` with &, <, >, " and ' written as entities, for element text and
// attribute values alike.
std::string escapeXml(std::string_view text);

// Blanks (space, tab, CR, LF) removed from both ends.
std::string trimBlanks(std::string_view text);

// The blank-separated words of `text` (lists such as XAddrs and Scopes).
std::vector<std::string> splitWords(std::string_view text);

} // namespace vlsoap
