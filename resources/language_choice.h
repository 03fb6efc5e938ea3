#pragma once

// Which of the two languages the windows speak, per user: a language the user
// chose in the program wins; without one, a Chinese locale picks Chinese;
// otherwise the language choice file installed beside the program decides,
// as it does for every user who never chose.

#include <cstdint>
#include <optional>
#include <string_view>

namespace ombrex {

class SettingsStore;

// The values are the language indexes of the two text files.
enum class UiLanguage : int { Chinese = 0, English = 1 };

struct LanguageSources {
  std::optional<UiLanguage> userChoice;
  // The locale's language as a language id (SystemDefaultLanguageId: the
  // first of LC_ALL, LC_MESSAGES and LANG that is set, as POSIX orders them).
  std::uint16_t localeLanguageId = 0;
  bool installedFileSaysEnglish = false;
};

UiLanguage DecideUiLanguage(const LanguageSources& sources);

// Any Chinese of any region ("zh", "zh_CN", "zh_TW.UTF-8", ...).
bool IsChineseLanguageId(std::uint16_t languageId);

// The user's own choice, kept in the user's settings (so an upgrade, which
// replaces the installed file, leaves it alone); nullopt when never made or
// unreadable.
std::optional<UiLanguage> ReadUserLanguage(SettingsStore& settings);
bool WriteUserLanguage(SettingsStore& settings, UiLanguage language);

}  // namespace ombrex
