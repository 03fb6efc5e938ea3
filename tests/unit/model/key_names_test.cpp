#include "model/key_names.h"

#include <gtest/gtest.h>

#include <array>

#include "platform/ini.h"
#include "tests/unit/model/model_test_support.h"

namespace ombrex {
namespace {

using test::TestTexts;

TEST(KeyNameTest, NamesComeFromTheLanguageFile) {
  TestTexts texts;
  EXPECT_EQ(KeyNameText(texts.Get(), 0x01E), u"A");
  EXPECT_EQ(KeyNameText(texts.Get(), 0x148), u"\u2191");
  EXPECT_EQ(KeyNameText(texts.Get(), 0x136), u"Right Shift");
}

TEST(KeyNameTest, ALanguageDecidedOnceGivesTheSameNames) {
  TestTexts texts;
  std::array<char16_t, 32> buffer{};
  const int language = texts.Get().CurrentLanguageIndex();
  EXPECT_EQ(KeyName(texts.Get(), language, 0x030, buffer.data(), buffer.size()), 1u);
  EXPECT_EQ(std::u16string(buffer.data()), u"B");
  KeyName(texts.Get(), language, 0x064, buffer.data(), buffer.size());
  EXPECT_EQ(std::u16string(buffer.data()), u"Unknown Key: 064");
}

TEST(KeyNameTest, KeysWithoutNameReadAsUnknownWithTheirCode) {
  TestTexts texts("IDS_KEYBOARD_Q=\n");
  EXPECT_EQ(KeyNameText(texts.Get(), 0x064), u"Unknown Key: 064");  // no text key
  EXPECT_EQ(KeyNameText(texts.Get(), 0x203), u"Unknown Key: 203");  // no record
  EXPECT_EQ(KeyNameText(texts.Get(), 0x010), u"Unknown Key: 010");  // empty text
}

TEST(KeyNameTest, NameIsCutToTheCapacity) {
  TestTexts texts;
  std::array<char16_t, 8> buffer{};
  EXPECT_EQ(KeyName(texts.Get(), 0x064, buffer.data(), 5), 4u);
  EXPECT_EQ(std::u16string(buffer.data()), u"Unkn");
  // A long name that does not fit is cut, not replaced by the unknown text.
  EXPECT_EQ(KeyName(texts.Get(), 0x00E, buffer.data(), 5), 4u);
  EXPECT_EQ(std::u16string(buffer.data()), u"Back");
  EXPECT_EQ(KeyName(texts.Get(), 0x00E, buffer.data(), 1), 0u);
  EXPECT_EQ(buffer[0], u'\0');
}

TEST(KeyNameTest, MissingTextFileShowsTheLookupsErrorText) {
  test::TempDir empty;
  auto store = OpenSettingsIn(empty.path() / "config");
  Texts texts(empty.path(), *store, 0x0409);
  EXPECT_EQ(KeyNameText(texts, 0x01E), kMissingText);
  EXPECT_EQ(KeyNameText(texts, 0x064), kMissingText);  // the format itself is missing
}

TEST(KeyNameTableTest, ATableIsASnapshotOfOneLanguage) {
  TestTexts texts;
  const KeyNameTable before(texts.Get());
  EXPECT_EQ(before.LanguageIndex(), 1);
  ASSERT_TRUE(ini::WriteString(texts.ProgramFolder() / "Lang0409.ini", u"TEXT", u"IDS_KEYBOARD_A",
                               u"Key A"));
  const KeyNameTable after(texts.Get());
  EXPECT_EQ(after.Text(0x01E), u"Key A");
  EXPECT_EQ(after.ListLabel(0), u"Key A");
  EXPECT_EQ(before.Text(0x01E), u"A") << "a table taken earlier keeps its names";
  EXPECT_EQ(before.ListLabel(0), u"A");

  const KeyNameTable chinese(texts.Get(), 0);  // no Lang0804.ini
  EXPECT_EQ(chinese.LanguageIndex(), 0);
  EXPECT_EQ(chinese.Text(0x01E), kMissingText);
}

TEST(KeyNameTableTest, NamesAreAddedToATextOrCutIntoABuffer) {
  TestTexts texts("IDS_KEYBOARD_Q=\n");
  const KeyNameTable names(texts.Get());
  std::u16string text = u"key(";
  names.AppendTo(text, 0x030);
  names.AppendTo(text, 0x010);  // empty text
  names.AppendTo(text, 0x203);  // no record
  EXPECT_EQ(text, u"key(BUnknown Key: 010Unknown Key: 203");

  std::array<char16_t, 8> buffer{};
  EXPECT_EQ(names.Name(0x00E, buffer.data(), 5), 4u);
  EXPECT_EQ(std::u16string(buffer.data()), u"Back");
  EXPECT_EQ(names.Name(0x064, buffer.data(), 8), 7u);
  EXPECT_EQ(std::u16string(buffer.data()), u"Unknown");
  EXPECT_EQ(names.Name(0x01E, buffer.data(), 0), 0u);
  EXPECT_EQ(names.ListLabel(75), u"");
}

TEST(KeyNameTest, ListLabels) {
  TestTexts texts;
  EXPECT_EQ(ListLabel(texts.Get(), 0), u"A");
  EXPECT_EQ(ListLabel(texts.Get(), 66), u"Break");
  EXPECT_EQ(ListLabel(texts.Get(), 75), u"");
  EXPECT_EQ(ListLabel(texts.Get(), 1000), u"");
}

}  // namespace
}  // namespace ombrex
