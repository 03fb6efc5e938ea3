// The language of the windows, per user: the user's choice, then a Chinese
// locale, then the installed choice file; a choice made in the program holds
// at once and for the next start.

#include "resources/language_choice.h"

#include <gtest/gtest.h>

#include "platform/ini.h"
#include "resources/texts.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/resources/fake_settings_store.h"

namespace ombrex {
namespace {

constexpr int kChinese = 0;
constexpr int kEnglish = 1;

class LanguageChoiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_.Write("Lang0409.ini", "[TEXT]\nIDS_OK=OK\n");
    folder_.Write("Lang0804.ini", "[TEXT]\nIDS_OK=\xE7\xA1\xAE\xE5\xAE\x9A\n");
  }
  void Install(std::string_view language) {
    std::filesystem::create_directories(folder_ / "Skins");
    ASSERT_TRUE(ini::ReplaceFile(folder_ / "Skins/language.ini",
                                 "[LANGUAGE]\nlanguage=" + std::string(language) + "\n"));
  }

  test::TempDir folder_;
  test::FakeSettingsStore store_;
};

TEST_F(LanguageChoiceTest, UserChoiceThenChineseLocaleThenInstalledFile) {
  struct Case {
    std::optional<std::uint32_t> chosen;  // the stored choice, a language id
    std::uint16_t locale;
    const char* installed;
    int expected;
  };
  const Case cases[] = {
      {std::nullopt, 0x0409, "1", kEnglish},  // never chose: the installed file
      {std::nullopt, 0x0409, "0", kChinese},
      {std::nullopt, 0x0411, "0", kChinese},
      {std::nullopt, 0x0804, "1", kChinese},  // zh_CN
      {std::nullopt, 0x0404, "1", kChinese},  // zh_TW
      {std::nullopt, 0x0C04, "1", kChinese},  // zh_HK
      {std::nullopt, 0x0407, "1", kEnglish},
      {0x0409u, 0x0804, "0", kEnglish},  // a choice beats locale and file
      {0x0804u, 0x0409, "1", kChinese},
      {0x0407u, 0x0409, "1", kEnglish},  // no choice of ours: ignored
      {0u, 0x0804, "1", kChinese},
  };
  for (const Case& c : cases) {
    Install(c.installed);
    test::FakeSettingsStore store;
    if (c.chosen) store.dwords[u"dwUserLanguageId"] = *c.chosen;
    Texts texts(folder_.path(), store, c.locale);
    EXPECT_EQ(texts.CurrentLanguageIndex(), c.expected)
        << std::hex << c.chosen.value_or(0) << " " << c.locale << " " << c.installed;
    EXPECT_EQ(texts.LanguageIsEnglish(), c.expected == kEnglish);
  }
}

TEST_F(LanguageChoiceTest, AChoiceHoldsAtOnceAndForTheNextStart) {
  Install("1");
  Texts texts(folder_.path(), store_, 0x0409);
  ASSERT_EQ(texts.Text(u"IDS_OK"), u"OK");
  EXPECT_FALSE(texts.UserLanguage().has_value());

  EXPECT_TRUE(texts.ChooseUserLanguage(UiLanguage::Chinese));
  EXPECT_EQ(texts.CurrentLanguageIndex(), kChinese) << "without waiting for a recheck";
  EXPECT_EQ(texts.Text(u"IDS_OK"), u"\u786E\u5B9A");

  Install("1");  // an upgrade puts its own file back
  Texts nextStart(folder_.path(), store_, 0x0409);
  EXPECT_EQ(nextStart.UserLanguage(), UiLanguage::Chinese);
  EXPECT_EQ(nextStart.CurrentLanguageIndex(), kChinese);

  nextStart.ChooseUserLanguage(UiLanguage::English);
  Texts chineseLocale(folder_.path(), store_, 0x0804);
  EXPECT_EQ(chineseLocale.CurrentLanguageIndex(), kEnglish);
}

}  // namespace
}  // namespace ombrex
