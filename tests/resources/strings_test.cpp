#include <gtest/gtest.h>

#include <map>
#include <string>

#include "string_table.h"
#include "templates.h"

namespace orva::resources {
namespace {

// Strict UTF-8 check: shortest forms only, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& s) {
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int extra;
        unsigned cp;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= s.size()) return false;  // cut short
        for (int k = 1; k <= extra; ++k) {
            const unsigned char cc = static_cast<unsigned char>(s[i + k]);
            if ((cc & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (cc & 0x3F);
        }
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))) return false;
        if (cp >= 0xD800 && cp <= 0xDFFF) return false;
        i += extra + 1;
    }
    return true;
}

TEST(Utf8Check, TellsValidFromBrokenText) {
    EXPECT_TRUE(IsValidUtf8("ORVA-FG V4.9.01"));
    EXPECT_TRUE(IsValidUtf8("\xE5\xAE\x8B\xE4\xBD\x93"));
    EXPECT_FALSE(IsValidUtf8("\xCB\xCE\xCC\xE5"));  // the same face in a double-byte code page
    EXPECT_FALSE(IsValidUtf8("\xE5\xAE"));          // cut short
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
}

TEST(StringTable, EntriesAsShownInTheWindow) {
    std::map<unsigned, std::string> table;
    for (const StringEntry& e : StringTable()) EXPECT_TRUE(table.emplace(e.id, e.text).second) << e.id;
    const std::map<unsigned, std::string> expected = {
        {101, "About ORVA(&A)..."},
        {102, "[State]"},
        {103, "ORVA-FG V1.0"},
        {104, "                            "},
        {105, "Ready"},
    };
    EXPECT_EQ(table, expected);
    EXPECT_EQ(table[104].size(), 28u);
}

TEST(ResourceText, AboutBoxFaceIsStoredAsUtf8) {
    const afx::DialogTemplate about = AboutBoxTemplate();
    // U+5B8B U+4F53, byte for byte: a source file saved in another encoding would differ here.
    EXPECT_EQ(about.fontFace, "\xE5\xAE\x8B\xE4\xBD\x93");
    EXPECT_TRUE(IsValidUtf8(about.fontFace));
    EXPECT_TRUE(IsValidUtf8(about.caption));
}

TEST(ResourceText, EveryTextIsValidUtf8) {
    for (const afx::DialogTemplate& t : {AboutBoxTemplate(), MainDialogTemplate(), AcquisitionPageTemplate(),
                                         TestSetupPageTemplate(), Page3Template()}) {
        EXPECT_TRUE(IsValidUtf8(t.caption)) << t.id;
        EXPECT_TRUE(IsValidUtf8(t.fontFace)) << t.id;
        for (const afx::DialogItem& item : t.items) {
            EXPECT_TRUE(IsValidUtf8(item.caption)) << t.id << "/" << item.id;
            for (const std::string& entry : item.initialItems) EXPECT_TRUE(IsValidUtf8(entry)) << item.id;
        }
    }
    for (const StringEntry& e : StringTable()) EXPECT_TRUE(IsValidUtf8(e.text)) << e.id;
}

}  // namespace
}  // namespace orva::resources
