#include "resources/texts.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>

#include "platform/ini.h"
#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "tests/support/memory/allocations.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/resources/fake_settings_store.h"

namespace ombrex {
namespace {

using test::TempDir;

class TextsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("Lang0409.ini",
                  "[TEXT]\r\nIDS_KEYBOARD_ESC=Esc\r\nIDS_EMPTY=\r\n[Mode]\r\nM1=Wave\r\n");
    folder_.Write("Lang0804.ini",
                  Utf8FromUtf16(u"[TEXT]\r\nIDS_KEYBOARD_ESC=退出\r\n[Mode]\r\nM1=波浪\r\n"));
  }
  // Written as the program's own settings dialog would, so it is seen at once.
  void ChooseLanguage(std::string_view value) {
    std::filesystem::create_directories(folder_ / "Skins");
    ASSERT_TRUE(ini::ReplaceFile(folder_ / "Skins/language.ini",
                                 "[LANGUAGE]\r\nlanguage=" + std::string(value) +
                                     "\r\n[ENGINSH]\r\nTitle=Settings\r\n"
                                     "[CHINESE]\r\nTitle=" +
                                     Utf8FromUtf16(u"设置") + "\r\n"));
  }

  TempDir folder_;
  test::FakeSettingsStore store_;
  Texts texts_{folder_.path(), store_, 0x0409};
};

TEST_F(TextsTest, LooksKeysUpInTheFileOfTheLanguage) {
  EXPECT_EQ(texts_.LookupText(u"IDS_KEYBOARD_ESC", 1), u"Esc");
  EXPECT_EQ(texts_.LookupText(u"ids_keyboard_esc", 0), u"退出");
  EXPECT_EQ(texts_.LookupText(u"IDS_NOT_THERE", 1), u"#Error");
  EXPECT_EQ(texts_.LookupText(u"IDS_EMPTY", 1), u"") << "an empty text is a text";
  EXPECT_EQ(texts_.LookupText(u"IDS_KEYBOARD_ESC", 2), u"#Error") << "no Lang040C.ini";
  EXPECT_EQ(texts_.TextFile(8), folder_ / "Lang0404.ini");
}

TEST_F(TextsTest, IndexesOutsideTheTableReadTheFirstLanguage) {
  for (int index : {9, 12, -1, 1000}) {
    EXPECT_EQ(texts_.LookupText(u"IDS_KEYBOARD_ESC", index), u"退出") << index;
    EXPECT_EQ(LanguageIdAt(index), 0x0804) << index;
  }
  EXPECT_EQ(LanguageIdAt(8), 0x0404);
}

TEST_F(TextsTest, TextsAreCutTo259Characters) {
  ASSERT_TRUE(ini::ReplaceFile(folder_ / "Lang0409.ini",
                               "[TEXT]\r\nLONG=" + std::string(400, 'x') + "\r\n"));
  EXPECT_EQ(texts_.LookupText(u"LONG", 1).size(), 259u);

  char16_t big[1000];
  EXPECT_EQ(texts_.LookupTextInto(u"LONG", 1, big, 1000), 259u);
  char16_t small[5];
  EXPECT_EQ(texts_.LookupTextInto(u"LONG", 1, small, 5), 4u);
  EXPECT_EQ(std::u16string_view(small), u"xxxx");
  EXPECT_EQ(texts_.LookupTextInto(u"MISSING", 1, small, 5), 4u);
  EXPECT_EQ(std::u16string_view(small), u"#Err");
  EXPECT_EQ(texts_.LookupTextInto(u"LONG", 1, small, 0), 0u);
}

TEST_F(TextsTest, CachedLookupsDoNotAllocate) {
  char16_t buffer[kLookupCapacity];
  texts_.LookupTextInto(u"IDS_KEYBOARD_ESC", 1, buffer, kLookupCapacity);  // parse once
  texts_.LookupTextInto(u"IDS_KEYBOARD_ESC", 0, buffer, kLookupCapacity);
  {
    test::AllocationCounter probe;  // the counter itself must see allocations
    const auto held = std::make_unique<int>(1);
    ASSERT_EQ(probe.count(), 1u);
  }
  test::AllocationCounter counter;
  for (int i = 0; i < 1000; ++i) {
    texts_.LookupTextInto(u"IDS_KEYBOARD_ESC", i % 2, buffer, kLookupCapacity);
    texts_.LookupTextInto(u"IDS_NOT_THERE", 1, buffer, kLookupCapacity);
  }
  EXPECT_EQ(counter.count(), 0u);
}

TEST_F(TextsTest, ChangedTextFilesAreSeen) {
  ASSERT_EQ(texts_.LookupText(u"IDS_KEYBOARD_ESC", 1), u"Esc");
  ASSERT_TRUE(ini::WriteString(folder_ / "Lang0409.ini", u"TEXT", u"IDS_KEYBOARD_ESC", u"Escape"));
  EXPECT_EQ(texts_.LookupText(u"IDS_KEYBOARD_ESC", 1), u"Escape");
}

// Lists with static storage, as the program's are: a table is kept per list.
constexpr std::array<std::u16string_view, 4> kEscList{u"IDS_KEYBOARD_ESC", u"ids_empty",
                                                      u"IDS_NOT_THERE", u"LONG"};
constexpr std::array<std::u16string_view, 1> kOtherList{u"IDS_KEYBOARD_ESC"};

TEST_F(TextsTest, TablesHoldWhatLookupsGive) {
  ASSERT_TRUE(
      ini::WriteString(folder_ / "Lang0409.ini", u"TEXT", u"LONG", std::u16string(300, u'y')));
  const auto english = texts_.Table(kEscList, 1);
  ASSERT_EQ(english->size(), 4u);
  EXPECT_EQ(english->LanguageIndex(), 1);
  EXPECT_EQ((*english)[0], u"Esc");
  EXPECT_EQ((*english)[1], u"") << "an empty text is a text";
  EXPECT_EQ((*english)[2], u"#Error");
  EXPECT_EQ((*english)[3], std::u16string(259, u'y'));
  EXPECT_EQ((*english)[4], u"") << "past the list";

  const auto chinese = texts_.Table(kEscList, 0);
  EXPECT_EQ((*chinese)[0], u"退出");
  EXPECT_EQ((*chinese)[1], u"#Error");
  EXPECT_EQ(texts_.Table(kEscList, 12)->LanguageIndex(), 0) << "outside the table: the first";
  EXPECT_EQ((*texts_.Table(kEscList, 2))[0], u"#Error") << "no Lang040C.ini";
}

TEST_F(TextsTest, ATableIsKeptUntilItsFileChanges) {
  const auto first = texts_.Table(kEscList, 1);
  const auto other = texts_.Table(kOtherList, 1);
  EXPECT_NE(other, first) << "each list has its own";
  EXPECT_EQ((*other)[0], u"Esc");
  const auto chinese = texts_.Table(kEscList, 0);
  {
    test::AllocationCounter counter;
    EXPECT_EQ(texts_.Table(kEscList, 1), first);
    EXPECT_EQ(texts_.Table(kEscList, 0), chinese) << "one kept per language";
    EXPECT_EQ(texts_.Table(kOtherList, 1), other);
    EXPECT_EQ(counter.count(), 0u);
  }

  ASSERT_TRUE(ini::WriteString(folder_ / "Lang0409.ini", u"TEXT", u"IDS_KEYBOARD_ESC", u"Escape"));
  const auto renewed = texts_.Table(kEscList, 1);
  EXPECT_EQ((*renewed)[0], u"Escape");
  EXPECT_EQ((*first)[0], u"Esc") << "a held table never changes";
  EXPECT_EQ((*texts_.Table(kOtherList, 1))[0], u"Escape");
  EXPECT_EQ((*texts_.Table(kEscList, 0))[0], u"退出");
}

TEST_F(TextsTest, TheCurrentLanguagesTableFollowsTheChoice) {
  EXPECT_EQ((*texts_.Table(kEscList))[0], u"退出");
  ChooseLanguage("1");
  const auto english = texts_.Table(kEscList);
  EXPECT_EQ(english->LanguageIndex(), 1);
  EXPECT_EQ((*english)[0], u"Esc");
  ChooseLanguage("0");
  EXPECT_EQ((*texts_.Table(kEscList))[0], u"退出");
}

TEST_F(TextsTest, TablesFromManyThreadsWhileTheFileChanges) {
  std::vector<std::thread> threads;
  std::atomic<int> bad{0};
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        const auto table = i % 2 ? texts_.Table(kEscList, 1) : texts_.Table(kOtherList, 1);
        if ((*table)[0] != u"Esc" && (*table)[0] != u"Escape") ++bad;
      }
    });
  }
  for (int i = 0; i < 20; ++i) {
    ini::WriteString(folder_ / "Lang0409.ini", u"TEXT", u"IDS_KEYBOARD_ESC",
                     i % 2 ? u"Esc" : u"Escape");
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(bad.load(), 0);
}

TEST(MapSystemLanguageId, VariantsGoToTheirBaseLanguageOrChinese) {
  // Mapped to a language that has a text file.
  EXPECT_EQ(MapSystemLanguageId(0x0C04), 0x0409);
  EXPECT_EQ(MapSystemLanguageId(0x1004), 0x0404);
  EXPECT_EQ(MapSystemLanguageId(0x0809), 0x0409);
  EXPECT_EQ(MapSystemLanguageId(0x2C09), 0x0409);
  EXPECT_EQ(MapSystemLanguageId(0x140C), 0x040C);
  EXPECT_EQ(MapSystemLanguageId(0x0816), 0x0416);
  EXPECT_EQ(MapSystemLanguageId(0x0813), 0x0413);
  // Mapped to a language without one.
  for (std::uint16_t id : {0x080A, 0x0C0A, 0x500A, 0x0810, 0x081D, 0x0807, 0x1407}) {
    EXPECT_EQ(MapSystemLanguageId(id), 0x0804) << std::hex << id;
  }
  // Language ids with a text file stay, except Spanish, whose variants all
  // map away first.
  for (std::uint16_t id : kLanguageIds) {
    EXPECT_EQ(MapSystemLanguageId(id), id == 0x0C0A ? 0x0804 : id) << std::hex << id;
  }
  EXPECT_EQ(MapSystemLanguageId(0x0411), 0x0804);
  EXPECT_EQ(MapSystemLanguageId(0x0000), 0x0804);
}

TEST_F(TextsTest, AStoredLanguageIdIsKept) {
  store_.dwords[u"dwLanguageId"] = 0x0407;
  EXPECT_EQ(texts_.DecideLanguageId(), 0x0407);
  EXPECT_EQ(store_.writes, 0);
}

TEST(DecideLanguageId, DecidesFromTheSystemAndStores) {
  TempDir folder;
  struct Case {
    std::optional<std::uint32_t> stored;
    std::uint16_t system;
    std::uint16_t expected;
  };
  for (const Case& c : {Case{std::nullopt, 0x0C0A, 0x0804}, Case{0u, 0x0C04, 0x0409},
                        Case{std::nullopt, 0x0412, 0x0412}}) {
    test::FakeSettingsStore store;
    if (c.stored) store.dwords[u"dwLanguageId"] = *c.stored;
    Texts texts(folder.path(), store, c.system);
    EXPECT_EQ(texts.DecideLanguageId(), c.expected);
    EXPECT_EQ(store.dwords[u"dwLanguageId"], c.expected);
  }
}

TEST(DecideLanguageId, AStoreThatCannotWriteKeepsTheIdInMemory) {
  TempDir folder;
  test::FakeSettingsStore store;
  store.failWrites = true;
  Texts texts(folder.path(), store, 0x0809);
  EXPECT_EQ(texts.DecideLanguageId(), 0x0409);
  EXPECT_EQ(texts.DecideLanguageId(), 0x0409);
  EXPECT_EQ(store.writes, 1) << "a failed store is not retried on every call";
}

TEST_F(TextsTest, TheLanguageChoiceDecidesTheCurrentLanguage) {
  EXPECT_FALSE(texts_.LanguageIsEnglish()) << "no choice file: Chinese";
  EXPECT_EQ(texts_.CurrentLanguageIndex(), 0);
  ChooseLanguage("1");
  EXPECT_TRUE(texts_.LanguageIsEnglish());
  EXPECT_EQ(texts_.CurrentLanguageIndex(), 1);
  EXPECT_EQ(texts_.Text(u"IDS_KEYBOARD_ESC"), u"Esc");
  EXPECT_EQ(texts_.SectionText(u"mode", u"m1", u"-"), u"Wave");
  for (std::string_view other : {"2", "0", "", "english", "11"}) {
    ChooseLanguage(other);
    EXPECT_EQ(texts_.CurrentLanguageIndex(), 0) << other;
  }
  EXPECT_EQ(texts_.Text(u"IDS_KEYBOARD_ESC"), u"退出");
  EXPECT_EQ(texts_.SectionText(u"Mode", u"M1", u"-"), u"波浪");
  ChooseLanguage(" 1 ");
  EXPECT_EQ(texts_.CurrentLanguageIndex(), 1);
}

TEST_F(TextsTest, CurrentLanguageDecidesTheStoredIdOnce) {
  EXPECT_EQ(texts_.CurrentLanguageIndex(), 0);
  EXPECT_EQ(store_.dwords[u"dwLanguageId"], 0x0409u);
  const int reads = store_.dwordReads;
  texts_.CurrentLanguageIndex();
  texts_.CurrentLanguageIndex();
  EXPECT_EQ(store_.dwordReads, reads);
}

TEST_F(TextsTest, ComponentTextsFollowTheLanguageChoice) {
  ChooseLanguage("1");
  EXPECT_EQ(texts_.ComponentText(u"title", u"-"), u"Settings");
  ChooseLanguage("2");
  EXPECT_EQ(texts_.ComponentText(u"Title", u"-"), u"设置");
  EXPECT_EQ(texts_.ComponentText(u"Missing", u"fallback"), u"fallback");
  // A language message names its language whatever the choice file says.
  EXPECT_EQ(texts_.ComponentText(u"title", u"-", 1), u"Settings");
  EXPECT_EQ(texts_.ComponentText(u"title", u"-", 0), u"设置");
}

TEST_F(TextsTest, LookupsFromManyThreadsWhileTheFileChanges) {
  ChooseLanguage("1");
  std::vector<std::thread> threads;
  std::atomic<int> bad{0};
  for (int t = 0; t < 3; ++t) {
    threads.emplace_back([&] {
      char16_t buffer[kLookupCapacity];
      for (int i = 0; i < 2000; ++i) {
        const std::size_t n = texts_.LookupTextInto(
            u"IDS_KEYBOARD_ESC", texts_.CurrentLanguageIndex(), buffer, kLookupCapacity);
        const std::u16string_view text(buffer, n);
        if (text != u"Esc" && text != u"Escape") ++bad;
      }
    });
  }
  for (int i = 0; i < 20; ++i) {
    ini::WriteString(folder_ / "Lang0409.ini", u"TEXT", u"IDS_KEYBOARD_ESC",
                     i % 2 ? u"Esc" : u"Escape");
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(bad.load(), 0);
}

TEST(TextCatalogue, SlotsAreFoundByName) {
  EXPECT_EQ(text_catalogue::SlotContent(u"UNKNOWN_KEY"), u"Unknown Key: %03x");
  EXPECT_EQ(text_catalogue::SlotContent(u"EXTRA_MACRO_TOO_LONG"), u"IDS_MACRO_OVER");
  EXPECT_EQ(text_catalogue::SlotContent(u"MAIN_BUTTON_TIRVAN_VER"), u"");
  EXPECT_FALSE(text_catalogue::SlotContent(u"NO_SUCH_SLOT").has_value());
}

}  // namespace
}  // namespace ombrex
