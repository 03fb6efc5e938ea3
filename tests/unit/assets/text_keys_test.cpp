// The language files hold every text the program looks up, in both
// languages, so "#Error" never reaches a screen.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <string>

#include "model/key_catalogue.h"
#include "platform/settings_store.h"
#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"
#include "tests/support/temp_dir.h"
#include "tests/unit/assets/asset_files.h"

namespace ombrex {
namespace {

using test::KeysOf;
using test::LoadBuiltIni;
using test::Narrow;
using test::ProgramDir;

constexpr int kChinese = 0;
constexpr int kEnglish = 1;

// Texts the windows, menus, tray, editors and messages look up by key,
// including those whose code is still being written.
constexpr std::u16string_view kKeysOfTheWindows[] = {
    // main window, messages, tray, menus, about
    u"IDS_MAIN_CAPTION", u"IDS_MAIN_PROFILE1", u"IDS_MAIN_PROFILE2", u"IDS_MAIN_PROFILE3",
    u"IDS_MAIN_PROFILE4", u"IDS_MAIN_MACRO", u"IDS_MAIN_DEFAULT", u"IDS_MAIN_OK",
    u"IDS_MAIN_Cancel", u"IDS_MAIN_Apply", u"IDS_MAIN_HELP_PROMPT", u"IDS_MAIN_MINIMIZE_PROMPT",
    u"IDS_MAIN_MENU_PROMPT", u"IDS_MAIN_CLOSE_PROMPT", u"IDS_MAIN_DEVICE_PROMRT",
    u"IDS_MAIN_PROMPT_DEFAULT", u"IDS_MAIN_PROMPT_INPORT", u"IDS_MIAN_DEFAULT_PROMPT",
    u"IDS_DEFAULT_PROFILE_NAME", u"IDS_PROFILE_SELECT_PROMPT", u"IDS_KEYBOARD_TRAY_DESC",
    u"IDS_POP_UP_MENU_OPEN", u"IDS_POP_UP_MENU_ABOUT", u"IDS_POP_UP_MENU_EXIT",
    u"IDS_BUTTON_MENU_IMPORT", u"IDS_BUTTON_MENU_EXPORT", u"IDS_ABOUT_TITLE", u"IDS_ABOUT_VERSION",
    u"IDS_ABOUT_COPYRIGHT", u"IDS_ABOUT_OK",
    // the version field beside the logo, looked up by its catalogue name
    u"MAIN_BUTTON_TIRVAN_VER",
    // key tooltips
    u"IDS_KEY_PROMPT_SET", u"IDS_KEY_PROMPT_SINGLE", u"IDS_KEY_PROMPT_MACRO",
    u"IDS_KEY_PROMPT_MEDIA", u"IDS_KEY_PROMPT_FUNCTION",
    // lighting panel
    u"IDS_KEYBOARD_FUNC_DENG", u"IDS_KEYBOARD_FUNC_TEXTLIGHT", u"IDS_KEYBOARD_FUNC_SPEED",
    u"IDS_KEYBOARD_FUNC_FX", u"IDS_KEYBOARD_FUNC_COLOR", u"IDS_KEYBOARD_FUNC_COLOURFUL",
    u"IDS_KEYBOARD_FUNC_JCOLOR", u"IDS_KEYBOARD_FUNC_TOOL", u"IDS_KEYBOARD_FUNC_USB",
    // key assignment editor
    u"IDS_KEYBOARD_KEY_SETTING", u"IDS_KEYBOARD_EDIT_TISHI", u"IDS_COMPOSITE_SELECT_KEY",
    u"IDS_COMPOSITE_SELECT_MACRO", u"IDS_COMPOSITE_SELECT_MEDIA", u"IDS_COMPOSITE_SELECT_FUNCTION",
    u"IDS_COMPOSITE_OK", u"IDS_COMPOSITE_CANCEL", u"IDS_KEYBOARD_MARCO_RESET",
    u"IDS_KEYBOARD_KEY_SINGLE", u"IDS_MACRO_KB_KEY", u"IDS_MACRO_MOU_KEY", u"IDS_MEDIA_EDIT",
    u"IDS_FUNCTION_EDIT", u"IDS_COMPOSITE_FUNC_KEY_OPEN", u"IDS_COMPOSITE_FUNC_KEY_NEW",
    u"IDS_COMPOSITE_FUNC_KEY_UNDO", u"IDS_COMPOSITE_FUNC_KEY_SAVE", u"IDS_COMPOSITE_FUNC_KEY_COPY",
    u"IDS_COMPOSITE_FUNC_KEY_CUT", u"IDS_COMPOSITE_FUNC_KEY_PASTE", u"IDS_COMPOSITE_FUNC_KEY_FIND",
    u"IDS_COMPOSITE_FUNC_KEY_SELECT_ALL", u"IDS_COMPOSITE_FUNC_KEY_ZOOMOUT",
    u"IDS_COMPOSITE_FUNC_KEY_ZOOMIN",
    // macro page
    u"IDS_MACRO_NAME", u"IDS_MACRO_CYCLES", u"IDS_MACRO_RECORD_DELAY",
    u"IDS_MACRO_MACRO_ACTION_COLUME_KEYS", u"IDS_MACRO_MACRO_ACTION_COLUME_ACTION",
    u"IDS_MACRO_MACRO_ACTION_COLUME_DELAY", u"IDS_COMPOSITE_MACRO_ACTION_RECORD",
    u"IDS_COMPOSITE_MACRO_ACTION_DELETE", u"IDS_COMPOSITE_MACRO_ACTION_CLEAR",
    u"IDS_COMPOSITE_MACRO_ACTION_UPTOP", u"IDS_COMPOSITE_MACRO_ACTION_UP",
    u"IDS_COMPOSITE_MACRO_ACTION_DOWN", u"IDS_COMPOSITE_MACRO_ACTION_DOWNBOTTOM",
    u"IDS_KEY_MACRO_DELETE_CONFIRM_OF_KEYS", u"IDS_MACRO_OVER",
    // apply, import and export
    u"IDS_MAIN_PROMPT_APPLY_FAILED", u"IDS_MAIN_PROMPT_EXPORT_FAILED",
    u"IDS_MAIN_PROMPT_UNAPPLIED", u"IDS_MAIN_PROMPT_PROFILE_NOT_SAVED",
    // questions about edits not yet applied, the profile manager's Remove
    u"IDS_MAIN_PROMPT_EXIT_UNAPPLIED", u"IDS_MAIN_PROMPT_IMPORT_UNAPPLIED",
    u"IDS_PROFILE_REMOVE_CONFIRM"};

// Catalogue slots whose content is shown as it stands rather than looked up.
const std::set<std::u16string_view> kSlotsUsedAsText{u"PROFILE_SEELCT_PROMPT2",
                                                     u"PROFILE_FORMAT_ERROR", u"PROFILE_NEW",
                                                     u"PROFILE_TIP", u"MAIN_BUTTON_TIRVAN_VER"};

std::set<std::u16string> KeysTheProgramLooksUp() {
  std::set<std::u16string> keys = test::TextKeysInSource();
  for (std::size_t i = 0; i < 256; ++i) {
    const auto& key = CatalogueRecord(i).textKey;
    if (!key.empty()) keys.emplace(key);
  }
  for (const auto& slot : text_catalogue::kSlots) {
    if (kSlotsUsedAsText.count(slot.name) == 0) keys.emplace(slot.content);
  }
  for (auto key : kKeysOfTheWindows) keys.emplace(key);
  return keys;
}

// The lookup the program itself uses, over the built program folder.
class BuiltTexts : public ::testing::Test {
 protected:
  test::TempDir home_;
  std::unique_ptr<SettingsStore> settings_ = OpenSettingsIn(home_.path());
  Texts texts_{ProgramDir(), *settings_, 0x0409};
};

TEST_F(BuiltTexts, EveryKeyTheProgramLooksUpHasATextInBothLanguages) {
  const auto keys = KeysTheProgramLooksUp();
  // The catalogue alone names well over a hundred keys; far fewer means the
  // source scan or the catalogue went missing, not that all is well.
  ASSERT_GT(keys.size(), 200u);
  for (int language : {kChinese, kEnglish}) {
    std::string missing;
    for (const auto& key : keys) {
      const std::u16string text = texts_.LookupText(key, language);
      if (text == kMissingText || text.empty()) missing += " " + Narrow(key);
    }
    EXPECT_EQ(missing, "") << "language " << language << " lacks these texts";
  }
}

TEST_F(BuiltTexts, TextsJoinedToOthersKeepTheirBlanks) {
  // New macro names are the prefix followed by a number; tooltips join the
  // key name, these texts and the assigned thing.
  for (int language : {kChinese, kEnglish}) {
    EXPECT_EQ(texts_.LookupText(u"IDS_MACRO_NEW_PREFIX", language).back(), u' ');
    const auto set = texts_.LookupText(u"IDS_KEY_PROMPT_SET", language);
    EXPECT_EQ(set.front(), u' ');
    EXPECT_EQ(set.back(), u' ');
  }
}

TEST_F(BuiltTexts, ChoiceFileSelectsEnglishAndOffersTheComponentTexts) {
  EXPECT_TRUE(texts_.LanguageIsEnglish());
  EXPECT_EQ(texts_.CurrentLanguageIndex(), kEnglish);
  EXPECT_EQ(texts_.ComponentText(u"COMPOSITE_PROMPT_OSK", u"?"), u"Open the on-screen keyboard");
}

TEST_F(BuiltTexts, FormatsFillTheirOneNumber) {
  for (int language : {kChinese, kEnglish}) {
    for (auto key : {u"IDS_MACRO_ERR_MAX", u"IDS_MACRO_ACTION_ERR_DELAY_MAX"}) {
      const std::u16string text = FormatWithInt(texts_.LookupText(key, language), 40000);
      EXPECT_NE(text.find(u"40000"), std::u16string::npos) << Narrow(key);
      EXPECT_EQ(text.find(u'%'), std::u16string::npos) << Narrow(key);
    }
    const std::u16string unknown =
        FormatWithInt(texts_.LookupText(text_catalogue::kUnknownKey, language), 0x64);
    EXPECT_NE(unknown.find(u"064"), std::u16string::npos) << Narrow(unknown);
  }
}

bool IsAsciiLetter(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

// The conversions of a text, in order ("%d", "%03X", ...); "%%" is none.
std::vector<std::u16string> Conversions(std::u16string_view text) {
  std::vector<std::u16string> found;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != u'%') continue;
    if (i + 1 < text.size() && text[i + 1] == u'%') {
      ++i;
      continue;
    }
    std::size_t end = i + 1;
    while (end < text.size() && !IsAsciiLetter(text[end])) ++end;
    found.emplace_back(text.substr(i, end - i + 1));
    i = end;
  }
  return found;
}

TEST(LanguageFiles, EnglishAndChineseHaveTheSameKeysAndConversions) {
  const auto english = LoadBuiltIni(ProgramDir() / "Lang0409.ini");
  const auto chinese = LoadBuiltIni(ProgramDir() / "Lang0804.ini");
  for (auto section : {u"TEXT", u"Mode"}) {
    auto a = KeysOf(english, section);
    auto b = KeysOf(chinese, section);
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    EXPECT_EQ(a, b) << "section " << Narrow(section);
  }
  for (const auto& key : KeysOf(english, u"TEXT")) {
    const auto en = english.Find(u"TEXT", key).value_or(u"");
    const auto zh = chinese.Find(u"TEXT", key).value_or(u"");
    EXPECT_EQ(Conversions(en), Conversions(zh)) << Narrow(key);
  }
}

TEST(LanguageFiles, NameEveryLightingMode) {
  for (auto file : {"Lang0409.ini", "Lang0804.ini"}) {
    const auto ini = LoadBuiltIni(ProgramDir() / file);
    for (int mode = 1; mode <= 23; ++mode) {
      const auto name = ini.Find(u"Mode", DecimalText(mode));
      EXPECT_TRUE(name && !name->empty()) << file << " mode " << mode;
    }
  }
}

TEST_F(BuiltTexts, KeyNamesTellEveryKeyApart) {
  // The macro list and the tooltips show keys by name only; two keys with
  // one name could not be told apart.
  for (int language : {kChinese, kEnglish}) {
    std::map<std::u16string, std::u16string> owner;  // name -> text key
    for (std::size_t i = 0; i < 256; ++i) {
      const auto key = std::u16string(CatalogueRecord(i).textKey);
      if (key.empty()) continue;
      const auto name = texts_.LookupText(key, language);
      const auto [it, added] = owner.emplace(name, key);
      EXPECT_TRUE(added || it->second == key)
          << Narrow(name) << " names both " << Narrow(it->second) << " and " << Narrow(key);
    }
  }
}

TEST(LanguageChoiceFile, BothLanguagesOfferTheSameComponentTexts) {
  const auto ini = LoadBuiltIni(ProgramDir() / "Skins" / "language.ini");
  EXPECT_EQ(ini.Find(u"LANGUAGE", u"language"), std::optional<std::u16string_view>(u"1"));
  auto english = KeysOf(ini, u"ENGINSH");
  auto chinese = KeysOf(ini, u"CHINESE");
  std::sort(english.begin(), english.end());
  std::sort(chinese.begin(), chinese.end());
  EXPECT_EQ(english, chinese);
  EXPECT_TRUE(ini.Find(u"CHINESE", u"COMPOSITE_PROMPT_OSK").has_value());
}

}  // namespace
}  // namespace ombrex
