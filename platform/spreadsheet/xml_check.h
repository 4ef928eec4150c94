// A streaming check that a document is well-formed XML, fed in pieces of any size as they come
// out of a package, holding no more of it than the open elements' names. Made for the sheets,
// which run to hundreds of megabytes: it also counts the elements of given names under a given
// parent while it goes.
//
// What it checks: the tags (names, attributes with quoted values and no name twice, each end tag
// naming the element it closes), one root element with nothing but white space, comments and
// processing instructions around it, the XML declaration where it stands, references (the five named ones and
// character references to characters XML allows), CDATA sections, and every character: UTF-8 only, no
// character XML 1.0 forbids (NUL and the other control characters but tab, line feed and carriage return,
// surrogates, U+FFFE, U+FFFF). Not checked: namespaces and a document type (none is accepted).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orva::sheet {

class XmlCheck {
public:
    // Counts, from now on, the elements named child whose parent is named parent; gives the
    // index of the count.
    std::size_t CountChildren(std::string_view parent, std::string_view child);

    // The next piece of the document. False once the document is known not to be well-formed.
    bool Feed(std::string_view piece);
    // After the last piece: true when the document was whole and well-formed.
    bool Finish();

    const std::string& Error() const { return m_error; }
    const std::string& RootName() const { return m_root; }
    std::uint64_t Count(std::size_t index) const { return m_counts[index].count; }

private:
    enum class State : std::uint8_t {
        Text,
        TagOpen,
        StartName,
        InTag,
        AttrName,
        AttrAfterName,
        AttrAfterEq,
        AttrValue,
        EmptyEnd,
        EndName,
        EndSpace,
        Reference,
        Bang,
        Comment,
        CData,
        Pi,
    };
    struct Counted {
        std::uint32_t parent;
        std::uint32_t child;
        std::uint64_t count = 0;
    };

    bool Fail(const char* what);
    bool Character(std::uint32_t c);  // every character past the UTF-8 decoding
    bool Step(std::uint32_t c);
    std::uint32_t Intern(std::string_view name);  // kNoName when there are too many names
    const unsigned char* WholeTag(const unsigned char* p, const unsigned char* end);
    bool OpenElement(bool empty);
    bool CloseElement();
    bool EndReference();
    bool EndAttributeName();
    bool EndProcessingInstruction();

    State m_state = State::Text;
    State m_afterReference = State::Text;
    char m_quote = 0;
    int m_run = 0;               // of ']' in a text or CDATA section, '-' in a comment, '?' in a PI
    bool m_spaceBefore = false;  // white space since the tag's name or last attribute value
    bool m_rootClosed = false;
    bool m_begun = false;     // a character has been read
    bool m_atStart = false;   // the markup being read began the document
    std::string m_name;       // of the tag being read
    std::string m_attribute;  // name of the attribute being read
    std::string m_reference;  // between '&' and ';'
    std::string m_match;      // the markup after "<!" read so far, or a PI's text (its start)
    // Element names are kept once and the open elements by their names' places.
    std::vector<std::string> m_names;
    std::array<std::uint32_t, 256> m_lookup{};  // a hash of a name -> its place + 1, the last met
    std::vector<std::uint32_t> m_open;          // only [0, m_depth) count
    std::size_t m_depth = 0;
    std::vector<std::string> m_attributes;  // names of the tag's attributes so far
    std::size_t m_attributeCount = 0;
    std::string m_root;
    std::vector<Counted> m_counts;
    // UTF-8 decoding across pieces.
    std::uint32_t m_code = 0;
    int m_pending = 0;
    std::uint32_t m_least = 0;  // the least code point of the sequence's length (no overlong forms)
    std::string m_error;
};

}  // namespace orva::sheet
