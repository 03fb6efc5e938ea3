#include "platform/text.h"

#include <gtest/gtest.h>

#include <array>

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

// FormatIntInto into a buffer filled with '#', checking the terminator.
std::u16string FormatInto(std::u16string_view format, long long value, std::size_t capacity) {
  std::array<char16_t, 64> buffer;
  buffer.fill(u'#');
  const std::size_t length = FormatIntInto(format, value, buffer.data(), capacity);
  EXPECT_EQ(buffer[length], u'\0') << "terminated";
  return std::u16string(buffer.data(), length);
}

// Both integer formatters follow one set of rules: only the first integer
// conversion receives the value; conversions the caller did not pass an
// argument for are shown literally (with printf these would read or write
// arbitrary memory).
TEST(SafeFormat, OnlyTheFirstIntegerConversionReceivesTheValue) {
  struct Case {
    std::u16string_view format;
    long long value;
    std::u16string_view expected;
  };
  const Case cases[] = {
      {u"Unknown Key: %03x", 0x64, u"Unknown Key: 064"},
      {u"At most %d macros", 100, u"At most 100 macros"},
      {u"%5d|%-5d|", 42, u"   42|%-5d|"},
      {u"[%5d|%-4d]", -42, u"[  -42|%-4d]"},
      {u"%+05d", 42, u"+0042"},
      {u"%-4d|", 7, u"7   |"},
      {u"% d", 7, u" 7"},
      {u"%X", 0x2ab, u"2AB"},
      {u"%X and %d", 0xAB, u"AB and %d"},
      {u"%x", -1, u"ffffffff"},
      {u"%u", -2, u"4294967294"},
      {u"%d", -7, u"-7"},
      {u"%d", -9223372036854775807LL - 1, u"-9223372036854775808"},
      {u"%s %d%%", 7, u"%s 7%"},
      {u"%s%s%s%n %d", 5, u"%s%s%s%n 5"},
      {u"100%% sure %", 1, u"100% sure %"},
      {u"100%", 1, u"100%"},
      {u"%", 1, u"%"},
      {u"no conversion", 1, u"no conversion"},
  };
  for (const Case& c : cases) {
    const std::u16string format(c.format);
    EXPECT_EQ(FormatWithInt(c.format, c.value), c.expected) << Utf8FromUtf16(format);
    EXPECT_EQ(FormatInto(c.format, c.value, 64), c.expected) << Utf8FromUtf16(format);
  }
  EXPECT_EQ(FormatWithText(u"bad file: \n  %s", u"/tmp/a.fwc"), u"bad file: \n  /tmp/a.fwc");
  EXPECT_EQ(FormatWithText(u"%d %x %s %s", u"x"), u"%d %x x %s");
  EXPECT_EQ(FormatWithText(u"[%6s|%-3s]", u"ab"), u"[    ab|%-3s]");
}

TEST(SafeFormat, HugeWidthsAndSmallBuffersAreBounded) {
  EXPECT_LT(FormatWithInt(u"%999999999d", 1).size(), 2000u);
  EXPECT_EQ(FormatInto(u"%99999999d", 1, 10).size(), 9u);
  EXPECT_EQ(FormatInto(u"Unknown Key: %03x", 0x64, 5), u"Unkn");
  char16_t untouched = u'#';
  EXPECT_EQ(FormatIntInto(u"abc", 0, &untouched, 0), 0u);
  EXPECT_EQ(untouched, u'#');
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
