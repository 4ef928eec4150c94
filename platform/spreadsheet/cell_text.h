// A cell's text made safe for the sheet's XML, so that every reader gives back exactly the text
// that was written.
#pragma once

#include <string>
#include <string_view>

namespace orva::sheet {

// The text (valid UTF-8) as it is handed to libxlsxwriter: U+FFFE and U+FFFF, which XML 1.0 does
// not allow, become U+FFFD; the underscore of a literal "_x" + four hex digits + "_" is written
// as "_x005F_", since readers decode that pattern (libxlsxwriter writes control characters as
// "_x000D_" and so on, and such an escape after four hex digits completes the pattern too).
// Gives text itself when nothing changes, else the result in scratch.
std::string_view XmlSafeCellText(std::string_view text, std::string& scratch);

// The characters of the text as handed to libxlsxwriter, which holds them against its limit of a
// cell: an escaped underscore counts six more than readers see.
std::size_t WrittenCharacters(std::string_view text);

}  // namespace orva::sheet
