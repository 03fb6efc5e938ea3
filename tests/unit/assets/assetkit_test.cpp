// The asset build's strict text handling: what it refuses is what would
// otherwise ship as a wrong character or a silently ignored line.

#include <gtest/gtest.h>

#include <string>

#include "tools/assetkit/ini_text.h"
#include "tools/assetkit/utf.h"

namespace ombrex::assetkit {
namespace {

TEST(StrictUtf8, RefusesMalformedSequences) {
  EXPECT_FALSE(DecodeUtf8("\xC0\xAF").has_value());          // overlong '/'
  EXPECT_FALSE(DecodeUtf8("\xED\xA0\x80").has_value());      // a surrogate
  EXPECT_FALSE(DecodeUtf8("\xE4\xBD").has_value());          // cut short
  EXPECT_FALSE(DecodeUtf8("\xF4\x90\x80\x80").has_value());  // above U+10FFFF
  EXPECT_FALSE(DecodeUtf8("a\x80z").has_value());            // stray continuation
  EXPECT_FALSE(DecodeUtf8("\xFF").has_value());
}

TEST(StrictUtf8, DecodesBmpAndSupplementaryTextAndDropsTheBom) {
  EXPECT_EQ(DecodeUtf8("\xEF\xBB\xBF"
                       "A=\xE7\x81\xAF"),
            std::u16string(u"A=灯"));
  EXPECT_EQ(DecodeUtf8("\xF0\x9F\x8E\xAE"), std::u16string(u"\U0001F3AE"));
  EXPECT_EQ(EncodeUtf8(u"\U0001F3AE 灯"), "\xF0\x9F\x8E\xAE \xE7\x81\xAF");
}

TEST(Utf16Le, RoundTripsWithBomAndRefusesBrokenInput) {
  const std::u16string text = u"[TEXT]\nIDS_A=灯光 \U0001F3AE\n";
  const std::string bytes = EncodeUtf16LeWithBom(text);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\xFF\xFE[\0", 4));
  EXPECT_EQ(DecodeUtf16Le(bytes), text);
  EXPECT_FALSE(DecodeUtf16Le(bytes.substr(0, bytes.size() - 1)).has_value());  // odd size
  EXPECT_FALSE(DecodeUtf16Le(std::string("\xFF\xFE\x00\xD8"
                                         "A\0",
                                         6))
                   .has_value());
  EXPECT_FALSE(DecodeUtf16Le(std::string("\x00\xDC", 2)).has_value());
}

TEST(IniText, ReadsAsTheProgramDoes) {
  const IniText ini = IniText::Parse(
      u"; comment = not a key\r\n"
      u"[ Text ] trailing words\r\n"
      u"  Key One =  value with blanks  \r\n"
      u"EQU==\n"
      u"QUOTED=\" kept \"\n"
      u"single='\n");
  EXPECT_TRUE(ini.Problems().empty());
  EXPECT_EQ(ini.Find(u"TEXT", u"key one"), std::u16string_view(u"value with blanks"));
  EXPECT_EQ(ini.Find(u"text", u"EQU"), std::u16string_view(u"="));
  EXPECT_EQ(ini.Find(u"TEXT", u"QUOTED"), std::u16string_view(u" kept "));
  EXPECT_EQ(ini.Find(u"TEXT", u"single"), std::u16string_view(u"'"));
  EXPECT_FALSE(ini.Find(u"TEXT", u"comment").has_value());
  EXPECT_FALSE(ini.Find(u"OTHER", u"EQU").has_value());
}

TEST(IniText, ReportsWhatTheReaderWouldSilentlyIgnore) {
  const IniText ini = IniText::Parse(
      u"orphan=1\n"
      u"[A]\n"
      u"key=1\n"
      u"KEY=2\n"
      u"no equals sign\n"
      u"[a]\n"
      u"[broken\n"
      u"=empty key\n");
  std::vector<int> lines;
  for (const auto& problem : ini.Problems()) lines.push_back(problem.line);
  EXPECT_EQ(lines, (std::vector<int>{1, 4, 5, 6, 7, 8}));
  // The first of duplicates wins, as for the program.
  EXPECT_EQ(ini.Find(u"A", u"key"), std::u16string_view(u"1"));
}

TEST(Placement, ReadsFourNumbersAndIgnoresTheRest) {
  EXPECT_EQ(ParseRect(u"10,20,30,40"), (Rect{10, 20, 30, 40}));
  EXPECT_EQ(ParseRect(u"10,20,30,40,extra"), (Rect{10, 20, 30, 40}));
  EXPECT_EQ(ParseRect(u" 10 , 20,30 ,40"), (Rect{10, 20, 30, 40}));
  EXPECT_EQ(ParseRect(u"-5,3,2,1"), (Rect{-5, 3, 2, 1}));
  EXPECT_FALSE(ParseRect(u"1,2,3").has_value());
  EXPECT_FALSE(ParseRect(u"a,b,c,d").has_value());
  EXPECT_FALSE(ParseRect(u"1;2;3;4").has_value());
  EXPECT_TRUE(ParseRect(u"1,1,50,20")->IsHidden());
  EXPECT_FALSE(ParseRect(u"1,10,50,20")->IsHidden());
}

TEST(Placement, OverlapAndContainmentUseHalfOpenEdges) {
  const Rect a{0, 0, 10, 10};
  EXPECT_FALSE(a.Intersects({10, 0, 5, 5}));  // touching edges do not overlap
  EXPECT_TRUE(a.Intersects({9, 9, 5, 5}));
  EXPECT_TRUE(a.Contains({0, 0, 10, 10}));
  EXPECT_FALSE(a.Contains({1, 1, 10, 9}));
}

}  // namespace
}  // namespace ombrex::assetkit
