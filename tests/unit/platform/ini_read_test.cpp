#include <gtest/gtest.h>

#include "platform/ini.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/platform/ini_test_util.h"

namespace ombrex::ini {
namespace {

using test::TempDir;
using test::Utf16LeBytes;
using test::Utf8Bytes;

class IniRead : public ::testing::Test {
 protected:
  std::filesystem::path Write(std::string_view bytes) { return dir_.Write("t.ini", bytes); }
  std::u16string Read(const std::filesystem::path& file, std::u16string_view section,
                      std::u16string_view key, std::u16string_view fallback = u"<none>") {
    return ReadString(file, section, key, fallback);
  }
  TempDir dir_;
};

TEST_F(IniRead, BufferIsCutToCapacityLessOneAndTerminated) {
  const auto file = Write("[S]\r\nk=abcdef\r\n");
  char16_t buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), u'#');

  EXPECT_EQ(ReadString(file, u"S", u"k", u"", buffer, 4), 3u);
  EXPECT_EQ(std::u16string_view(buffer), u"abc");
  EXPECT_EQ(ReadString(file, u"S", u"k", u"", buffer, 7), 6u);
  EXPECT_EQ(std::u16string_view(buffer), u"abcdef");
  EXPECT_EQ(ReadString(file, u"S", u"k", u"", buffer, 1), 0u);
  EXPECT_EQ(buffer[0], u'\0');

  buffer[0] = u'#';
  EXPECT_EQ(ReadString(file, u"S", u"k", u"", buffer, 0), 0u);
  EXPECT_EQ(buffer[0], u'#') << "a zero-sized buffer is never written";
  EXPECT_EQ(ReadString(file, u"S", u"missing", u"defaultvalue", buffer, 5), 4u);
  EXPECT_EQ(std::u16string_view(buffer), u"defa");
}

TEST_F(IniRead, MissingFileSectionOrKeyGivesDefaultWithoutTrailingBlanks) {
  const auto file = Write("[S]\r\nk=v\r\n");
  EXPECT_EQ(Read(dir_ / "absent.ini", u"S", u"k", u"fallback \t\r\n"), u"fallback");
  EXPECT_EQ(Read(file, u"Other", u"k", u"  lead kept  "), u"  lead kept");
  EXPECT_EQ(Read(file, u"S", u"other", u" "), u"");
  EXPECT_EQ(Read(file, u"S", u"other", u"\"quoted\""), u"quoted");
  EXPECT_EQ(Read(dir_.path(), u"S", u"k", u"dir"), u"dir") << "a folder reads as a missing file";
}

TEST_F(IniRead, NamesIgnoreCaseAndBlanksAroundNamesAndValuesGo) {
  const auto file = Write("[ \tText Section ]\r\n \t Key One\t=  two words \t\r\n");
  EXPECT_EQ(Read(file, u"TEXT SECTION", u"key one"), u"two words");
  EXPECT_EQ(Read(file, u"text section", u"KEY ONE"), u"two words");
  EXPECT_EQ(Read(file, u"Text Section", u"Key  One"), u"<none>");
  // Only ASCII letters fold: other characters must match exactly.
  const auto wide = Write(Utf8Bytes(u"[Ä]\nÄ=1\n"));
  EXPECT_EQ(Read(wide, u"ä", u"Ä"), u"<none>");
  EXPECT_EQ(Read(wide, u"Ä", u"Ä"), u"1");
}

TEST_F(IniRead, OnlyAsciiLettersFoldWhereverTheyStand) {
  // Units whose low byte looks like a letter must not fold: U+0141 is not
  // U+0161, U+8041 not U+8061. Names of every length end in every position.
  const auto document = Parse(
      Utf8Bytes(u"[Sec]\nAbCdEfGhI=ascii\n\u0141=stroke\nX\u8041yZ=cjk\nQRSTUVWX\u00C4=nine\n"));
  EXPECT_EQ(Find(*document, u"sEC", u"aBcDeFgHi"), u"ascii");
  EXPECT_EQ(Find(*document, u"SEC", u"x\u8041Yz"), u"cjk");
  EXPECT_EQ(Find(*document, u"sec", u"qrstuvwx\u00C4"), u"nine");
  EXPECT_EQ(Find(*document, u"Sec", u"\u0141"), u"stroke");
  EXPECT_FALSE(Find(*document, u"Sec", u"\u0161").has_value());
  EXPECT_FALSE(Find(*document, u"Sec", u"X\u8061yZ").has_value());
  EXPECT_FALSE(Find(*document, u"Sec", u"qrstuvwx\u00E4").has_value());
  EXPECT_FALSE(Find(*document, u"Sec", u"AbCdEfGh").has_value());
}

TEST_F(IniRead, OnePairOfMatchingQuotesIsRemoved) {
  const auto file = Write(
      "[S]\n"
      "double=\"a b\"\n"
      "single=' padded '\n"
      "mixed=\"a'\n"
      "lone=\"\n"
      "empty=\"\"\n"
      "nested=\"\"x\"\"\n"
      "inner=a\"b\"\n");
  EXPECT_EQ(Read(file, u"S", u"double"), u"a b");
  EXPECT_EQ(Read(file, u"S", u"single"), u" padded ");
  EXPECT_EQ(Read(file, u"S", u"mixed"), u"\"a'");
  EXPECT_EQ(Read(file, u"S", u"lone"), u"\"");
  EXPECT_EQ(Read(file, u"S", u"empty"), u"");
  EXPECT_EQ(Read(file, u"S", u"nested"), u"\"x\"");
  EXPECT_EQ(Read(file, u"S", u"inner"), u"a\"b\"");
}

TEST_F(IniRead, LineStructureRules) {
  const auto file = Write(
      "orphan=before any section\n"
      "[S] text after the bracket\n"
      "formula=a=b=c\n"
      "no equals sign here\n"
      ";commented=1\n"
      "  ;indented=1\n"
      "=empty name\n"
      "[Unclosed\n"
      "u=1\n"
      "[T]\rcr=only\r\n");
  EXPECT_EQ(Read(file, u"S", u"formula"), u"a=b=c");
  EXPECT_EQ(Read(file, u"S", u"no equals sign here"), u"<none>");
  EXPECT_EQ(Read(file, u"S", u";commented"), u"<none>");
  EXPECT_EQ(Read(file, u"S", u";indented"), u"<none>");
  EXPECT_EQ(Read(file, u"S", u"orphan"), u"<none>");
  EXPECT_EQ(Read(file, u"S", u""), u"empty name");
  EXPECT_EQ(Read(file, u"Unclosed", u"u"), u"1");
  EXPECT_EQ(Read(file, u"T", u"cr"), u"only") << "a lone CR ends a line";
}

TEST_F(IniRead, DuplicatesResolveToTheFirst) {
  const auto file = Write(
      "[S]\nk=first\nK=second\nk=third\n"
      "[s]\nk=other section\nonly=in second\n");
  EXPECT_EQ(Read(file, u"S", u"k"), u"first");
  EXPECT_EQ(Read(file, u"S", u"only"), u"<none>") << "the second section of a name is unseen";
}

TEST_F(IniRead, EveryEncodingReadsTheSameText) {
  const std::u16string text = u"[文本]\r\nKEY=中文 text ✓\r\n";
  const std::pair<const char*, std::string> files[] = {
      {"utf16 bom", Utf16LeBytes(text)},
      {"utf16 without bom", Utf16LeBytes(text, false)},
      {"utf8 bom", Utf8Bytes(text, true)},
      {"utf8", Utf8Bytes(text)},
  };
  for (const auto& [name, bytes] : files) {
    SCOPED_TRACE(name);
    const auto file = dir_.Write(std::string(name) + ".ini", bytes);
    EXPECT_EQ(Read(file, u"文本", u"key"), u"中文 text ✓");
  }
  const auto ascii = Write("[A]\nk=plain\n");
  EXPECT_EQ(Read(ascii, u"a", u"K"), u"plain");
}

TEST_F(IniRead, BrokenBytesSpoilOnlyTheirOwnLine) {
  const auto file = Write("[S]\nbad=caf\xE9\nk=fine\n");
  EXPECT_EQ(Read(file, u"S", u"bad"), u"caf\uFFFD");
  EXPECT_EQ(Read(file, u"S", u"k"), u"fine");
  // An odd trailing byte of a UTF-16 file is ignored, not read as text.
  const auto odd = dir_.Write("odd.ini", Utf16LeBytes(u"[S]\r\nk=v") + "\x41");
  EXPECT_EQ(Read(odd, u"S", u"k"), u"v");
}

TEST_F(IniRead, ReadIntTakesTheLeadingNumber) {
  const auto file = Write("[S]\na= -12abc\nb=abc\nc=+7\nd=99999999999\ne=-\n");
  EXPECT_EQ(ReadInt(file, u"S", u"a", 5), -12);
  EXPECT_EQ(ReadInt(file, u"S", u"b", 5), 5);
  EXPECT_EQ(ReadInt(file, u"S", u"c", 5), 7);
  EXPECT_EQ(ReadInt(file, u"S", u"d", 5), 2147483647);
  EXPECT_EQ(ReadInt(file, u"S", u"e", 5), 5);
  EXPECT_EQ(ReadInt(file, u"S", u"missing", 5), 5);
}

TEST_F(IniRead, EnumeratesSectionsAndKeysInFileOrder) {
  const auto document = Parse("[One]\nb=1\na=2\nb=3\n[Two]\n[one]\nc=4\n");
  EXPECT_EQ(SectionNames(*document), (std::vector<std::u16string>{u"One", u"Two", u"one"}));
  EXPECT_EQ(KeyNames(*document, u"ONE"), (std::vector<std::u16string>{u"b", u"a", u"b"}));
  EXPECT_TRUE(KeyNames(*document, u"three").empty());
}

TEST_F(IniRead, ManyKeysFindTheirOwnValue) {
  // Enough keys for hash neighbours; every key must come back with its value.
  std::string content = "[TEXT]\n";
  for (int i = 0; i < 2000; ++i) {
    content += "IDS_KEY_" + std::to_string(i) + "=value " + std::to_string(i) + "\n";
  }
  const auto document = Parse(content);
  for (int i = 0; i < 2000; i += 7) {
    const std::u16string key = u"ids_key_" + DecimalText(i);
    ASSERT_EQ(Find(*document, u"text", key), u"value " + DecimalText(i));
  }
  EXPECT_FALSE(Find(*document, u"TEXT", u"IDS_KEY_2000").has_value());
}

}  // namespace
}  // namespace ombrex::ini
