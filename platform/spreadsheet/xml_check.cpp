#include "xml_check.h"

#include <array>
#include <cstring>

namespace orva::sheet {

namespace {

constexpr std::size_t kMaxDepth = 256;
constexpr std::size_t kMaxAttributes = 256;
constexpr std::size_t kMaxReference = 12;
constexpr std::size_t kMaxNames = 1024;
constexpr std::size_t kMaxDeclaration = 256;
constexpr std::uint32_t kNoName = 0xFFFFFFFF;

constexpr bool IsSpace(std::uint32_t c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

constexpr bool IsNameStart(std::uint32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}

constexpr bool IsNameChar(std::uint32_t c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// Byte classes for the runs read without a step per character.
struct Classes {
    std::array<bool, 256> plain{};  // text or attribute value that needs no look
    std::array<bool, 256> name{};   // ASCII name characters
    std::array<bool, 256> value{};  // attribute value characters read whole: ASCII, no quote
    constexpr Classes() {
        for (int b = 0x20; b < 0x80; ++b)
            plain[b] = b != '<' && b != '&' && b != ']' && b != '>' && b != '"' && b != '\'';
        plain['\t'] = plain['\n'] = plain['\r'] = true;
        for (int b = 0x20; b < 0x80; ++b) value[b] = b != '<' && b != '&' && b != '"' && b != '\'';
        for (int b = 0; b < 0x80; ++b) name[b] = IsNameChar(static_cast<std::uint32_t>(b));
    }
};
constexpr Classes kClasses;

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Names are short: compared here, without a call.
bool Same(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return false;
    return true;
}

std::string_view View(const unsigned char* begin, const unsigned char* end) {
    return {reinterpret_cast<const char*>(begin), static_cast<std::size_t>(end - begin)};
}

bool IsXmlCharacter(std::uint32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

}  // namespace

std::size_t XmlCheck::CountChildren(std::string_view parent, std::string_view child) {
    m_counts.push_back({Intern(parent), Intern(child), 0});
    return m_counts.size() - 1;
}

std::uint32_t XmlCheck::Intern(std::string_view name) {
    const std::size_t hash = (name.size() * 31 + static_cast<unsigned char>(name.front()) * 7 +
                              static_cast<unsigned char>(name.back())) &
                             (m_lookup.size() - 1);
    const std::uint32_t guess = m_lookup[hash];
    if (guess != 0 && Same(m_names[guess - 1], name)) return guess - 1;
    for (std::size_t i = 0; i < m_names.size(); ++i)
        if (m_names[i] == name) {
            m_lookup[hash] = static_cast<std::uint32_t>(i + 1);
            return static_cast<std::uint32_t>(i);
        }
    if (m_names.size() == kMaxNames) return kNoName;
    m_names.emplace_back(name);
    m_lookup[hash] = static_cast<std::uint32_t>(m_names.size());
    return static_cast<std::uint32_t>(m_names.size() - 1);
}

bool XmlCheck::Fail(const char* what) {
    if (m_error.empty()) m_error = what;
    return false;
}

bool XmlCheck::Feed(std::string_view piece) {
    if (!m_error.empty()) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(piece.data());
    const auto* const end = p + piece.size();
    while (p < end) {
        if (m_pending == 0) {
            // Runs that need no step per character: plain text with whole tags between, attribute
            // values, names.
            const unsigned char* run = p;
            if (m_state == State::Text && m_depth > 0) {
                for (;;) {
                    run = p;
                    while (p < end && kClasses.plain[*p]) ++p;
                    if (p != run) m_run = 0;
                    if (p == end || *p != '<') break;
                    const unsigned char* next = WholeTag(p, end);
                    if (!next) break;
                    p = next;
                    if (m_depth == 0) break;
                }
            } else if (m_state == State::AttrValue) {
                while (p < end && kClasses.plain[*p]) ++p;
            } else if (m_state == State::StartName || m_state == State::AttrName ||
                       (m_state == State::EndName && !m_name.empty())) {
                while (p < end && kClasses.name[*p]) ++p;
                (m_state == State::AttrName ? m_attribute : m_name)
                    .append(reinterpret_cast<const char*>(run), static_cast<std::size_t>(p - run));
            }
            if (p == end) break;
        }
        const unsigned char b = *p++;
        if (m_pending > 0) {
            if ((b & 0xC0) != 0x80) return Fail("a character is not UTF-8");
            m_code = (m_code << 6) | (b & 0x3F);
            if (--m_pending > 0) continue;
            if (m_code < m_least || !IsXmlCharacter(m_code)) return Fail("a character XML does not allow");
            if (!Step(m_code)) return false;
        } else if (b < 0x80) {
            if (!Step(b)) return false;
        } else if (b >= 0xC2 && b <= 0xDF) {
            m_code = b & 0x1F, m_pending = 1, m_least = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            m_code = b & 0x0F, m_pending = 2, m_least = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            m_code = b & 0x07, m_pending = 3, m_least = 0x10000;
        } else {
            return Fail("a character is not UTF-8");
        }
    }
    return true;
}

// The tags of a sheet, read whole where they lie in one piece: ASCII, attributes with plain
// values separated by blanks, inside the root element. Anything else is left to the steps, from
// the '<' on; nothing is changed then.
const unsigned char* XmlCheck::WholeTag(const unsigned char* p, const unsigned char* end) {
    const unsigned char* q = p + 1;
    if (q == end) return nullptr;
    if (*q == '/') {
        // Most often the end tag of the open element: compared as it stands.
        const std::string& open = m_names[m_open[m_depth - 1]];
        ++q;
        if (static_cast<std::size_t>(end - q) <= open.size() || !Same(View(q, q + open.size()), open) ||
            q[open.size()] != '>')
            return nullptr;
        if (--m_depth == 0) m_rootClosed = true;
        m_run = 0;
        return q + open.size() + 1;
    }
    if (*q >= 0x80 || !IsNameStart(*q) || m_depth == kMaxDepth) return nullptr;
    const unsigned char* name = q;
    while (q < end && kClasses.name[*q]) ++q;
    const std::string_view elementName = View(name, q);
    constexpr std::size_t kFew = 8;
    std::string_view attributes[kFew];
    std::size_t count = 0;
    for (;;) {
        if (q == end) return nullptr;
        if (*q == '>' || *q == '/') break;
        if (*q != ' ') return nullptr;
        while (q < end && *q == ' ') ++q;
        if (q == end) return nullptr;
        if (*q == '>' || *q == '/') break;
        if (*q >= 0x80 || !IsNameStart(*q) || count == kFew) return nullptr;
        const unsigned char* attribute = q;
        while (q < end && kClasses.name[*q]) ++q;
        const std::string_view attributeName = View(attribute, q);
        if (end - q < 2 || *q != '=' || (q[1] != '"' && q[1] != '\'')) return nullptr;
        const unsigned char quote = q[1];
        q += 2;
        while (q < end && kClasses.value[*q]) ++q;
        if (q == end || *q != quote) return nullptr;
        ++q;
        for (std::size_t i = 0; i < count; ++i)
            if (Same(attributes[i], attributeName)) return nullptr;
        attributes[count++] = attributeName;
    }
    const bool empty = *q == '/';
    if (empty && (++q == end || *q != '>')) return nullptr;
    const std::uint32_t element = Intern(elementName);
    if (element == kNoName) return nullptr;
    for (Counted& counted : m_counts)
        if (counted.child == element && counted.parent == m_open[m_depth - 1]) ++counted.count;
    if (!empty) {
        if (m_open.size() == m_depth)
            m_open.push_back(element);
        else
            m_open[m_depth] = element;
        ++m_depth;
    }
    m_run = 0;
    return q + 1;
}

bool XmlCheck::Step(std::uint32_t c) {
    if (c < 0x20 && !IsSpace(c)) return Fail("a character XML does not allow");
    const bool first = !m_begun;
    m_begun = true;
    switch (m_state) {
        case State::Text:
            if (c == '<') {
                m_state = State::TagOpen;
                m_name.clear();
                m_atStart = first;
            } else if (m_depth == 0) {
                if (!IsSpace(c)) return Fail("text outside the root element");
            } else if (c == '&') {
                m_afterReference = State::Text;
                m_reference.clear();
                m_state = State::Reference;
            } else if (c == ']') {
                ++m_run;
            } else {
                if (c == '>' && m_run >= 2) return Fail("\"]]>\" in a text");
                m_run = 0;
            }
            return true;
        case State::TagOpen:
            if (c == '/') {
                m_state = State::EndName;
            } else if (c == '?') {
                m_state = State::Pi;
                m_run = 0;
                m_match.clear();
            } else if (c == '!') {
                m_state = State::Bang;
                m_match.clear();
            } else if (IsNameStart(c)) {
                AppendUtf8(m_name, c);
                m_attributeCount = 0;
                m_state = State::StartName;
            } else {
                return Fail("a tag is damaged");
            }
            return true;
        case State::StartName:
            if (IsNameChar(c)) {
                AppendUtf8(m_name, c);
            } else if (IsSpace(c)) {
                m_spaceBefore = true;
                m_state = State::InTag;
            } else if (c == '>') {
                return OpenElement(false);
            } else if (c == '/') {
                m_state = State::EmptyEnd;
            } else {
                return Fail("a tag is damaged");
            }
            return true;
        case State::InTag:
            if (IsSpace(c)) {
                m_spaceBefore = true;
            } else if (c == '>') {
                return OpenElement(false);
            } else if (c == '/') {
                m_state = State::EmptyEnd;
            } else if (IsNameStart(c) && m_spaceBefore) {
                m_attribute.clear();
                AppendUtf8(m_attribute, c);
                m_state = State::AttrName;
            } else {
                return Fail("a tag is damaged");
            }
            return true;
        case State::AttrName:
            if (IsNameChar(c)) {
                AppendUtf8(m_attribute, c);
                return true;
            }
            if (!EndAttributeName()) return false;
            if (IsSpace(c)) {
                m_state = State::AttrAfterName;
            } else if (c == '=') {
                m_state = State::AttrAfterEq;
            } else {
                return Fail("an attribute is damaged");
            }
            return true;
        case State::AttrAfterName:
            if (c == '=')
                m_state = State::AttrAfterEq;
            else if (!IsSpace(c))
                return Fail("an attribute is damaged");
            return true;
        case State::AttrAfterEq:
            if (c == '"' || c == '\'') {
                m_quote = static_cast<char>(c);
                m_state = State::AttrValue;
            } else if (!IsSpace(c)) {
                return Fail("an attribute is damaged");
            }
            return true;
        case State::AttrValue:
            if (c == static_cast<unsigned char>(m_quote)) {
                m_spaceBefore = false;
                m_state = State::InTag;
            } else if (c == '<') {
                return Fail("an attribute is damaged");
            } else if (c == '&') {
                m_afterReference = State::AttrValue;
                m_reference.clear();
                m_state = State::Reference;
            }
            return true;
        case State::EmptyEnd:
            if (c != '>') return Fail("a tag is damaged");
            return OpenElement(true);
        case State::EndName:
            if (m_name.empty() ? IsNameStart(c) : IsNameChar(c)) {
                AppendUtf8(m_name, c);
            } else if (IsSpace(c) && !m_name.empty()) {
                m_state = State::EndSpace;
            } else if (c == '>' && !m_name.empty()) {
                return CloseElement();
            } else {
                return Fail("an end tag is damaged");
            }
            return true;
        case State::EndSpace:
            if (c == '>') return CloseElement();
            if (!IsSpace(c)) return Fail("an end tag is damaged");
            return true;
        case State::Reference:
            if (c == ';') {
                m_state = m_afterReference;
                return EndReference();
            }
            if (m_reference.size() == kMaxReference || !(IsNameChar(c) || c == '#'))
                return Fail("a reference is damaged");
            m_reference += static_cast<char>(c);
            return true;
        case State::Bang: {
            AppendUtf8(m_match, c);
            if (m_match == "--") {
                m_state = State::Comment;
                m_run = 0;
            } else if (m_match == "[CDATA[") {
                if (m_depth == 0) return Fail("a CDATA section outside the root element");
                m_state = State::CData;
                m_run = 0;
            } else if (std::string_view("--").substr(0, m_match.size()) != m_match &&
                       std::string_view("[CDATA[").substr(0, m_match.size()) != m_match) {
                return Fail("a document type or damaged markup");
            }
            return true;
        }
        case State::Comment:
            if (c == '-') {
                ++m_run;
            } else {
                if ((m_run >= 2 && c != '>') || m_run > 2) return Fail("\"--\" in a comment");
                if (m_run >= 2) m_state = State::Text;
                m_run = 0;
            }
            return true;
        case State::CData:
            if (c == ']') {
                ++m_run;
            } else {
                if (c == '>' && m_run >= 2) m_state = State::Text;
                m_run = 0;
            }
            return true;
        case State::Pi:
            if (c == '>' && m_run == 1) {
                m_state = State::Text;
                return EndProcessingInstruction();
            }
            m_run = c == '?' ? 1 : 0;
            if (m_match.size() < kMaxDeclaration) AppendUtf8(m_match, c);
            return true;
    }
    return true;
}

// A processing instruction named "xml" is the XML declaration, allowed only where the document
// begins and only in its own form.
bool XmlCheck::EndProcessingInstruction() {
    std::string_view text(m_match);
    if (!text.empty()) text.remove_suffix(1);  // the '?' of "?>"
    std::size_t at = 0;
    while (at < text.size() && IsNameChar(static_cast<unsigned char>(text[at]))) ++at;
    const std::string_view target = text.substr(0, at);
    if (target.empty() || !IsNameStart(static_cast<unsigned char>(target[0])) ||
        (at < text.size() && !IsSpace(static_cast<unsigned char>(text[at]))))
        return Fail("a processing instruction is damaged");
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (target.size() != 3 || lower(target[0]) != 'x' || lower(target[1]) != 'm' || lower(target[2]) != 'l')
        return true;
    if (!m_atStart || target != "xml" || m_match.size() >= kMaxDeclaration)
        return Fail("a misplaced or damaged XML declaration");
    // version, then encoding and standalone where given, each after white space.
    const auto space = [&] {
        const std::size_t from = at;
        while (at < text.size() && IsSpace(static_cast<unsigned char>(text[at]))) ++at;
        return at > from;
    };
    const auto pseudo = [&](std::string_view name, std::string_view& value) {
        const std::size_t from = at;
        if (!space() || text.substr(at, name.size()) != name) {
            at = from;
            return false;
        }
        at += name.size();
        space();
        if (at == text.size() || text[at] != '=') return false;
        ++at;
        space();
        if (at == text.size() || (text[at] != '"' && text[at] != '\'')) return false;
        const std::size_t close = text.find(text[at], at + 1);
        if (close == std::string_view::npos) return false;
        value = text.substr(at + 1, close - at - 1);
        at = close + 1;
        return true;
    };
    std::string_view version, encoding, standalone;
    if (!pseudo("version", version) || version.size() < 3 || version.substr(0, 2) != "1." ||
        version.find_first_not_of("0123456789", 2) != std::string_view::npos)
        return Fail("a damaged XML declaration");
    const auto isUtf8 = [&](std::string_view name) {
        return name.size() == 5 && lower(name[0]) == 'u' && lower(name[1]) == 't' && lower(name[2]) == 'f' &&
               name[3] == '-' && name[4] == '8';
    };
    if (pseudo("encoding", encoding) && !isUtf8(encoding)) return Fail("a document not in UTF-8");
    if (pseudo("standalone", standalone) && standalone != "yes" && standalone != "no")
        return Fail("a damaged XML declaration");
    space();
    if (at != text.size()) return Fail("a damaged XML declaration");
    return true;
}

bool XmlCheck::EndAttributeName() {
    for (std::size_t i = 0; i < m_attributeCount; ++i)
        if (m_attributes[i] == m_attribute) return Fail("an attribute given twice");
    if (m_attributeCount == kMaxAttributes) return Fail("too many attributes");
    if (m_attributes.size() == m_attributeCount)
        m_attributes.push_back(m_attribute);
    else
        m_attributes[m_attributeCount] = m_attribute;
    ++m_attributeCount;
    return true;
}

bool XmlCheck::EndReference() {
    if (m_reference == "lt" || m_reference == "gt" || m_reference == "amp" || m_reference == "quot" ||
        m_reference == "apos")
        return true;
    if (m_reference.size() < 2 || m_reference[0] != '#') return Fail("a reference is damaged");
    const bool hex = m_reference[1] == 'x';
    const std::size_t first = hex ? 2 : 1;
    if (first == m_reference.size()) return Fail("a reference is damaged");
    std::uint32_t code = 0;
    for (std::size_t i = first; i < m_reference.size(); ++i) {
        const char d = m_reference[i];
        std::uint32_t digit = 0;
        if (d >= '0' && d <= '9')
            digit = static_cast<std::uint32_t>(d - '0');
        else if (hex && d >= 'a' && d <= 'f')
            digit = static_cast<std::uint32_t>(d - 'a' + 10);
        else if (hex && d >= 'A' && d <= 'F')
            digit = static_cast<std::uint32_t>(d - 'A' + 10);
        else
            return Fail("a reference is damaged");
        code = code * (hex ? 16 : 10) + digit;
        if (code > 0x10FFFF) return Fail("a reference to a character XML does not allow");
    }
    if (!IsXmlCharacter(code)) return Fail("a reference to a character XML does not allow");
    return true;
}

bool XmlCheck::OpenElement(bool empty) {
    m_state = State::Text;
    m_run = 0;
    if (m_depth == 0) {
        if (!m_root.empty()) return Fail("a second root element");
        m_root = m_name;
    }
    const std::uint32_t element = Intern(m_name);
    if (element == kNoName) return Fail("too many names of elements");
    if (m_depth > 0)
        for (Counted& counted : m_counts)
            if (counted.child == element && counted.parent == m_open[m_depth - 1]) ++counted.count;
    if (empty) {
        if (m_depth == 0) m_rootClosed = true;
        return true;
    }
    if (m_depth == kMaxDepth) return Fail("elements nested too deep");
    if (m_open.size() == m_depth)
        m_open.push_back(element);
    else
        m_open[m_depth] = element;
    ++m_depth;
    return true;
}

bool XmlCheck::CloseElement() {
    m_state = State::Text;
    m_run = 0;
    if (m_depth == 0) return Fail("an end tag without its element");
    if (m_names[m_open[m_depth - 1]] != m_name) return Fail("an end tag for another element");
    if (--m_depth == 0) m_rootClosed = true;
    return true;
}

bool XmlCheck::Finish() {
    if (!m_error.empty()) return false;
    if (m_pending > 0 || m_state != State::Text || m_depth > 0 || !m_rootClosed)
        return Fail("the document is cut short");
    return true;
}

}  // namespace orva::sheet
