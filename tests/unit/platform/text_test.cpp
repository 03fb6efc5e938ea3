#include "platform/text.h"

#include <gtest/gtest.h>

namespace ombrex {
namespace {

TEST(Utf16, RoundTripsChineseAndAstralCharacters) {
  const std::string utf8 = "Profile \xE6\x96\x87\xE4\xBB\xB6 \xF0\x9F\x8E\xAE";
  const std::u16string utf16 = Utf16FromUtf8(utf8);
  EXPECT_EQ(utf16, u"Profile 文件 🎮");
  EXPECT_EQ(Utf8FromUtf16(utf16), utf8);
}

TEST(Utf16, BrokenInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf16FromUtf8("a\xFF"
                          "b"),
            u"a\uFFFDb");
  EXPECT_EQ(Utf16FromUtf8("\xE4"
                          "a"),
            u"\uFFFDa");                                  // cut-off sequence keeps what follows
  EXPECT_EQ(Utf16FromUtf8("\xC0\xAF"), u"\uFFFD\uFFFD");  // overlong '/'
  EXPECT_EQ(Utf8FromUtf16(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

TEST(EqualsIgnoreCase, FoldsAsciiLettersOnly) {
  EXPECT_TRUE(EqualsIgnoreCase(u"ENGINSH", u"enginsh"));
  EXPECT_FALSE(EqualsIgnoreCase(u"TEXT", u"TEXTS"));
  EXPECT_FALSE(EqualsIgnoreCase(u"[", u"{"));  // 0x5B vs 0x7B differ by 32 but are not letters
}

TEST(SafeFormat, SubstitutesTheExpectedConversion) {
  EXPECT_EQ(FormatWithInt(u"Unknown Key: %03x", 0x64), u"Unknown Key: 064");
  EXPECT_EQ(FormatWithInt(u"At most %d macros", 100), u"At most 100 macros");
  EXPECT_EQ(FormatWithInt(u"%5d|%-5d|", 42), u"   42|%-5d|");
  EXPECT_EQ(FormatWithInt(u"%X", 0x2ab), u"2AB");
  EXPECT_EQ(FormatWithInt(u"%d", -7), u"-7");
  EXPECT_EQ(FormatWithText(u"bad file: \n  %s", u"/tmp/a.fwc"), u"bad file: \n  /tmp/a.fwc");
}

TEST(SafeFormat, HostileFormatsAreShownLiterally) {
  // Conversions the caller did not pass an argument for must never be
  // expanded: with printf these would read or write arbitrary memory.
  EXPECT_EQ(FormatWithInt(u"%s%s%s%n %d", 5), u"%s%s%s%n 5");
  EXPECT_EQ(FormatWithText(u"%d %x %s %s", u"x"), u"%d %x x %s");
  EXPECT_EQ(FormatWithInt(u"100%% sure %", 1), u"100% sure %");
  EXPECT_EQ(FormatWithInt(u"%", 1), u"%");
  EXPECT_EQ(FormatWithInt(u"no conversion", 1), u"no conversion");
  // A huge width from a file is bounded.
  EXPECT_LT(FormatWithInt(u"%999999999d", 1).size(), 2000u);
}

}  // namespace
}  // namespace ombrex

namespace ombrex {
namespace {

TEST(ScanInt, ReadsNumbersAsPercentD) {
  std::size_t pos = 0;
  EXPECT_EQ(ScanInt(u" \t-42,7", pos), -42);
  EXPECT_EQ(pos, 5u);
  pos = 0;
  EXPECT_EQ(ScanInt(u"+x", pos), std::nullopt);
  EXPECT_EQ(pos, 0u) << "a failed scan does not move";
  EXPECT_EQ(ScanInt(u"", pos), std::nullopt);
  pos = 0;
  EXPECT_EQ(ScanInt(u"-99999999999999999999", pos), -2147483647 - 1);
  EXPECT_EQ(LeadingInt(u"7 apples", 0), 7);
  EXPECT_EQ(LeadingInt(u"apples", -1), -1);
}

TEST(SafeFormat, ConversionsAFileCannotUse) {
  // Star widths and precisions would read an argument that was never passed.
  EXPECT_EQ(FormatWithInt(u"%*d|%d", 3), u"%*d|3");
  EXPECT_EQ(FormatWithText(u"%.*s|%s", u"t"), u"%.*s|t");
  EXPECT_EQ(FormatWithText(u"%ls", u"wide"), u"wide");
  EXPECT_EQ(FormatWithInt(u"%I64d %d", 2), u"%I64d 2");
}

}  // namespace
}  // namespace ombrex
