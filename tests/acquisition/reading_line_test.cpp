#include <gtest/gtest.h>

#include <string>

#include "ReadingLine.h"

namespace {

ReadingLineAssembler::Result Feed(ReadingLineAssembler& a, const std::string& bytes) {
    ReadingLineAssembler::Result r = ReadingLineAssembler::Result::Partial;
    for (char c : bytes) r = a.Put(static_cast<BYTE>(c));
    return r;
}

TEST(ReadingLine, SplitsAtTheFirstBlankKeepingItInTheUnit) {
    ReadingLineAssembler a;
    ASSERT_EQ(Feed(a, "12.3456 N\r"), ReadingLineAssembler::Result::Line);
    EXPECT_EQ(a.Number(), "12.3456");
    EXPECT_EQ(a.Unit(), " N");
    ASSERT_EQ(Feed(a, "-0.5 N.m extra\r"), ReadingLineAssembler::Result::Line);
    EXPECT_EQ(a.Number(), "-0.5");
    EXPECT_EQ(a.Unit(), " N.m extra");
    ASSERT_EQ(Feed(a, "42\r"), ReadingLineAssembler::Result::Line);
    EXPECT_EQ(a.Number(), "42");
    EXPECT_EQ(a.Unit(), "");
    ASSERT_EQ(Feed(a, "\r"), ReadingLineAssembler::Result::Line);
    EXPECT_EQ(a.Number(), "");
}

TEST(ReadingLine, ZeroBytesAreLeftOutOfNumberAndUnit) {
    ReadingLineAssembler a;
    ASSERT_EQ(Feed(a, std::string("\0"
                                  "12.5 N\r",
                                  8)),
              ReadingLineAssembler::Result::Line);
    EXPECT_EQ(a.Number(), "12.5");
    EXPECT_EQ(a.Unit(), " N");
    ASSERT_EQ(Feed(a, std::string("3\0.25\0 k\0N\0\r", 12)), ReadingLineAssembler::Result::Line);
    EXPECT_EQ(a.Number(), "3.25");
    EXPECT_EQ(a.Unit(), " kN");
}

TEST(ReadingLine, LineFeedAfterTheCarriageReturnStartsTheNextNumber) {
    ReadingLineAssembler a;
    ASSERT_EQ(Feed(a, "1.5 N\r"), ReadingLineAssembler::Result::Line);
    ASSERT_EQ(Feed(a, "\n2.5 N\r"), ReadingLineAssembler::Result::Line);
    EXPECT_EQ(a.Number(), "\n2.5");
    EXPECT_EQ(a.Unit(), " N");
}

TEST(ReadingLine, OverlongLineIsDiscardedWholeAndTheNextLineParses) {
    ReadingLineAssembler a;
    const std::string exact(kMaxReadingLine, '7');
    ASSERT_EQ(Feed(a, exact + "\r"), ReadingLineAssembler::Result::Line);
    EXPECT_EQ(a.Number().size(), kMaxReadingLine);

    ASSERT_EQ(Feed(a, std::string(kMaxReadingLine + 1, '9') + " N"), ReadingLineAssembler::Result::Partial);
    ASSERT_EQ(Feed(a, std::string(5000, 'x')), ReadingLineAssembler::Result::Partial);
    EXPECT_EQ(a.Put(0x0D), ReadingLineAssembler::Result::Discarded);
    ASSERT_EQ(Feed(a, "3 kgf\r"), ReadingLineAssembler::Result::Line);
    EXPECT_EQ(a.Number(), "3");
    EXPECT_EQ(a.Unit(), " kgf");
}

}  // namespace
