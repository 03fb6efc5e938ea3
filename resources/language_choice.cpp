#include "resources/language_choice.h"

#include "platform/settings_store.h"

namespace ombrex {
namespace {

constexpr std::u16string_view kUserLanguageValue = u"dwUserLanguageId";
constexpr std::uint32_t kEnglishId = 0x0409;
constexpr std::uint32_t kChineseId = 0x0804;
// The primary language of a Windows language id sits in its low ten bits.
constexpr std::uint16_t kPrimaryLanguageMask = 0x03FF;
constexpr std::uint16_t kPrimaryChinese = 0x04;

}  // namespace

UiLanguage DecideUiLanguage(const LanguageSources& sources) {
  if (sources.userChoice) return *sources.userChoice;
  if (IsChineseLanguageId(sources.localeLanguageId)) return UiLanguage::Chinese;
  return sources.installedFileSaysEnglish ? UiLanguage::English : UiLanguage::Chinese;
}

bool IsChineseLanguageId(std::uint16_t languageId) {
  return (languageId & kPrimaryLanguageMask) == kPrimaryChinese;
}

std::optional<UiLanguage> ReadUserLanguage(SettingsStore& settings) {
  const std::optional<std::uint32_t> id = settings.ReadDword(kUserLanguageValue);
  if (id == kEnglishId) return UiLanguage::English;
  if (id == kChineseId) return UiLanguage::Chinese;
  return std::nullopt;
}

bool WriteUserLanguage(SettingsStore& settings, UiLanguage language) {
  return settings.WriteDword(kUserLanguageValue,
                             language == UiLanguage::English ? kEnglishId : kChineseId);
}

}  // namespace ombrex
