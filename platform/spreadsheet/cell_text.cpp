#include "cell_text.h"

#include <cstring>

namespace orva::sheet {

namespace {

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The control characters libxlsxwriter writes as "_xHHHH_" (all but NUL, tab and line feed).
bool WrittenAsEscape(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 0x01 && u < 0x20 && c != '\t' && c != '\n';
}

// "_x" + four hex digits at i, followed by what a reader takes as the closing underscore.
bool DecodedByReaders(std::string_view text, std::size_t i) {
    if (i + 6 >= text.size() || text[i + 1] != 'x') return false;
    for (std::size_t k = i + 2; k < i + 6; ++k)
        if (!IsHex(text[k])) return false;
    return text[i + 6] == '_' || WrittenAsEscape(text[i + 6]);
}

// U+FFFE or U+FFFF at i.
bool NonCharacter(std::string_view text, std::size_t i) {
    return i + 2 < text.size() && text[i] == '\xEF' && text[i + 1] == '\xBF' &&
           (text[i + 2] == '\xBE' || text[i + 2] == '\xBF');
}

}  // namespace

std::string_view XmlSafeCellText(std::string_view text, std::string& scratch) {
    // Most texts hold neither an underscore nor a character from U+F000 on.
    if (std::memchr(text.data(), '_', text.size()) == nullptr &&
        std::memchr(text.data(), '\xEF', text.size()) == nullptr)
        return text;
    scratch.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '_' && DecodedByReaders(text, i)) {
            scratch += "_x005F_";
        } else if (NonCharacter(text, i)) {
            scratch += "\xEF\xBF\xBD";
            i += 2;
        } else {
            scratch += text[i];
        }
    }
    return scratch;
}

std::size_t WrittenCharacters(std::string_view text) {
    std::string scratch;
    std::size_t characters = 0;
    for (const char c : XmlSafeCellText(text, scratch))
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++characters;
    return characters;
}

}  // namespace orva::sheet
