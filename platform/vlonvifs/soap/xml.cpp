#include "soap/xml.h"

#include <cstdint>
#include <utility>

namespace vlsoap
{

namespace
{

const char* const kXmlNamespace = "http://www.w3.org/XML/1998/namespace";

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Name characters: ASCII letters, digits, "_-.:" and every byte of a
// multi-byte UTF-8 sequence (names outside ASCII are legal XML).
bool isNameChar(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u == '-'
        || u == '.' || u == ':' || u >= 0x80;
}

void appendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

struct Binding {
    std::string prefix;
    std::string uri;
};

class Parser
{
public:
    explicit Parser(std::string_view text)
        : m_s(text)
    {
    }

    std::optional<XmlElement> document()
    {
        if (m_s.size() > kMaxInput)
            return fail("document too large");
        if (m_s.substr(0, 3) == "\xEF\xBB\xBF")
            m_p = 3;
        if (!misc(true))
            return std::nullopt;
        if (!at("<"))
            return fail("no document element");
        XmlElement root;
        if (!element(root, 1))
            return std::nullopt;
        if (!misc(false))
            return std::nullopt;
        if (m_p != m_s.size())
            return fail("content after the document element");
        return root;
    }

    const std::string& error() const { return m_error; }

private:
    std::nullopt_t fail(const std::string& why)
    {
        if (m_error.empty())
            m_error = why + " at byte " + std::to_string(m_p);
        return std::nullopt;
    }
    bool bad(const std::string& why)
    {
        fail(why);
        return false;
    }

    bool at(std::string_view what) const { return m_s.substr(m_p, what.size()) == what; }
    void skipBlanks()
    {
        while (m_p < m_s.size() && isBlank(m_s[m_p]))
            ++m_p;
    }
    // Moves past the next `end`; false when it never comes.
    bool skipPast(std::string_view end)
    {
        const auto at = m_s.find(end, m_p);
        if (at == std::string_view::npos)
            return false;
        m_p = at + end.size();
        return true;
    }

    // Blanks, comments and processing instructions around the document element.
    bool misc(bool prolog)
    {
        for (;;) {
            skipBlanks();
            if (at("<?")) {
                if (!skipPast("?>"))
                    return bad("unterminated processing instruction");
            } else if (at("<!--")) {
                if (!skipPast("-->"))
                    return bad("unterminated comment");
            } else if (at("<!")) {
                return bad(
                    prolog ? "document type declarations are not accepted" : "markup after the document");
            } else {
                return true;
            }
        }
    }

    bool name(std::string& out)
    {
        const auto start = m_p;
        while (m_p < m_s.size() && isNameChar(m_s[m_p]))
            ++m_p;
        if (m_p == start || m_s[start] == ':' || m_s[start] == '-' || m_s[start] == '.'
            || (m_s[start] >= '0' && m_s[start] <= '9'))
            return bad("bad name");
        out.assign(m_s.substr(start, m_p - start));
        return true;
    }

    // Character data up to (not including) `stop`, entities decoded.
    bool charData(std::string& out, char stop)
    {
        while (m_p < m_s.size() && m_s[m_p] != stop) {
            const char c = m_s[m_p];
            if (c == '<')
                return bad("'<' inside an attribute value");
            if (c != '&') {
                out += c;
                ++m_p;
                continue;
            }
            if (!entity(out))
                return false;
        }
        return true;
    }

    bool entity(std::string& out)
    {
        const auto semi = m_s.find(';', m_p);
        if (semi == std::string_view::npos || semi - m_p > 12)
            return bad("unterminated entity");
        const std::string_view ref = m_s.substr(m_p + 1, semi - m_p - 1);
        if (ref == "lt")
            out += '<';
        else if (ref == "gt")
            out += '>';
        else if (ref == "amp")
            out += '&';
        else if (ref == "quot")
            out += '"';
        else if (ref == "apos")
            out += '\'';
        else if (ref.size() > 1 && ref[0] == '#') {
            const bool hex = ref[1] == 'x';
            const std::string_view digits = ref.substr(hex ? 2 : 1);
            if (digits.empty())
                return bad("empty character reference");
            std::uint32_t cp = 0;
            for (char d : digits) {
                int v = -1;
                if (d >= '0' && d <= '9')
                    v = d - '0';
                else if (hex && d >= 'a' && d <= 'f')
                    v = d - 'a' + 10;
                else if (hex && d >= 'A' && d <= 'F')
                    v = d - 'A' + 10;
                if (v < 0)
                    return bad("bad character reference");
                cp = cp * (hex ? 16 : 10) + std::uint32_t(v);
                if (cp > 0x10FFFF)
                    return bad("character reference out of range");
            }
            if (cp == 0 || (cp >= 0xD800 && cp <= 0xDFFF))
                return bad("character reference out of range");
            appendUtf8(out, cp);
        } else {
            return bad("undefined entity");
        }
        m_p = semi + 1;
        return true;
    }

    std::string resolve(const std::string& prefix, bool* ok)
    {
        if (prefix == "xml")
            return kXmlNamespace;
        for (auto it = m_bindings.rbegin(); it != m_bindings.rend(); ++it)
            if (it->prefix == prefix)
                return it->uri;
        if (!prefix.empty())
            *ok = false;
        return std::string();
    }

    static std::pair<std::string, std::string> split(const std::string& qname)
    {
        const auto colon = qname.find(':');
        if (colon == std::string::npos)
            return { std::string(), qname };
        return { qname.substr(0, colon), qname.substr(colon + 1) };
    }

    // An element starting at '<'.
    bool element(XmlElement& out, int depth)
    {
        if (depth > kMaxDepth)
            return bad("nesting too deep");
        if (++m_elements > kMaxElements)
            return bad("too many elements");
        ++m_p; // '<'
        std::string qname;
        if (!name(qname))
            return false;

        struct RawAttribute {
            std::string qname;
            std::string value;
        };
        std::vector<RawAttribute> raw;
        const auto scope = m_bindings.size();
        bool empty = false;
        for (;;) {
            const auto before = m_p;
            skipBlanks();
            if (m_p >= m_s.size())
                return bad("unterminated start tag");
            if (at("/>")) {
                m_p += 2;
                empty = true;
                break;
            }
            if (m_s[m_p] == '>') {
                ++m_p;
                break;
            }
            if (m_p == before)
                return bad("attributes must be separated by blanks");
            RawAttribute a;
            if (!name(a.qname))
                return false;
            skipBlanks();
            if (!at("="))
                return bad("attribute without a value");
            ++m_p;
            skipBlanks();
            if (m_p >= m_s.size() || (m_s[m_p] != '"' && m_s[m_p] != '\''))
                return bad("attribute value without quotes");
            const char quote = m_s[m_p++];
            if (!charData(a.value, quote))
                return false;
            if (m_p >= m_s.size())
                return bad("unterminated attribute value");
            ++m_p;
            if (a.qname == "xmlns")
                m_bindings.push_back({ std::string(), a.value });
            else if (a.qname.compare(0, 6, "xmlns:") == 0)
                m_bindings.push_back({ a.qname.substr(6), a.value });
            else
                raw.push_back(std::move(a));
        }

        bool ok = true;
        auto [prefix, local] = split(qname);
        out.ns = resolve(prefix, &ok);
        out.name = local;
        for (auto& a : raw) {
            auto [ap, al] = split(a.qname);
            XmlAttribute attr;
            attr.ns = ap.empty() ? std::string() : resolve(ap, &ok);
            attr.name = al;
            attr.value = std::move(a.value);
            out.attributes.push_back(std::move(attr));
        }
        if (!ok)
            return bad("undeclared namespace prefix");

        if (!empty && !content(out, qname, depth))
            return false;
        m_bindings.resize(scope);
        return true;
    }

    bool content(XmlElement& out, const std::string& qname, int depth)
    {
        for (;;) {
            if (m_p >= m_s.size())
                return bad("unterminated element " + qname);
            const char c = m_s[m_p];
            if (c == '&') {
                if (!entity(out.text))
                    return false;
            } else if (c != '<') {
                out.text += c;
                ++m_p;
            } else if (at("</")) {
                m_p += 2;
                std::string end;
                if (!name(end))
                    return false;
                if (end != qname)
                    return bad("end tag " + end + " does not close " + qname);
                skipBlanks();
                if (!at(">"))
                    return bad("bad end tag");
                ++m_p;
                return true;
            } else if (at("<![CDATA[")) {
                m_p += 9;
                const auto end = m_s.find("]]>", m_p);
                if (end == std::string_view::npos)
                    return bad("unterminated CDATA section");
                out.text.append(m_s.substr(m_p, end - m_p));
                m_p = end + 3;
            } else if (at("<!--")) {
                if (!skipPast("-->"))
                    return bad("unterminated comment");
            } else if (at("<?")) {
                if (!skipPast("?>"))
                    return bad("unterminated processing instruction");
            } else if (at("<!")) {
                return bad("declaration inside an element");
            } else {
                out.children.emplace_back();
                if (!element(out.children.back(), depth + 1))
                    return false;
            }
        }
    }

    std::string_view m_s;
    std::size_t m_p = 0;
    int m_elements = 0;
    std::vector<Binding> m_bindings;
    std::string m_error;
};

} // namespace

const XmlElement* XmlElement::child(std::string_view uri, std::string_view local) const
{
    for (const auto& c : children)
        if (c.is(uri, local))
            return &c;
    return nullptr;
}

const XmlElement* XmlElement::childNamed(std::string_view local) const
{
    for (const auto& c : children)
        if (c.name == local)
            return &c;
    return nullptr;
}

std::vector<const XmlElement*> XmlElement::childrenNamed(std::string_view uri, std::string_view local) const
{
    std::vector<const XmlElement*> out;
    for (const auto& c : children)
        if (c.is(uri, local))
            out.push_back(&c);
    return out;
}

const XmlElement* XmlElement::find(std::string_view uri, std::string_view local) const
{
    if (is(uri, local))
        return this;
    for (const auto& c : children)
        if (const XmlElement* hit = c.find(uri, local))
            return hit;
    return nullptr;
}

const std::string* XmlElement::attribute(std::string_view local, const char* uri) const
{
    for (const auto& a : attributes)
        if (a.name == local && (!uri || a.ns == uri))
            return &a.value;
    return nullptr;
}

std::string XmlElement::trimmedText() const
{
    return trimBlanks(text);
}

std::optional<XmlElement> parseXml(std::string_view text, std::string* error)
{
    Parser parser(text);
    auto root = parser.document();
    if (!root && error)
        *error = parser.error();
    return root;
}

std::string escapeXml(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string trimBlanks(std::string_view text)
{
    std::size_t a = 0, b = text.size();
    while (a < b && isBlank(text[a]))
        ++a;
    while (b > a && isBlank(text[b - 1]))
        --b;
    return std::string(text.substr(a, b - a));
}

std::vector<std::string> splitWords(std::string_view text)
{
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        const auto start = i;
        while (i < text.size() && !isBlank(text[i]))
            ++i;
        if (i > start)
            out.emplace_back(text.substr(start, i - start));
    }
    return out;
}

} // namespace vlsoap
