#include "model/app_settings.h"

#include <system_error>

#include "platform/ini.h"
#include "platform/settings_store.h"
#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace ombrex {
namespace {

constexpr std::u16string_view kSection = u"PROFILES";
constexpr std::u16string_view kFlip = u"Flip";

// Switch values are stored as "0" or "1"; nothing else ever reaches the store.
int SwitchValue(int value) {
  return value == 1 ? 1 : 0;
}

std::u16string ProfileValueName(std::size_t row) {
  return FormatWithInt(u"PROFILE%02d", static_cast<long long>(row));
}

}  // namespace

AppSettings::AppSettings(SettingsStore& store, const Texts& texts,
                         std::filesystem::path profileFolder)
    : store_(store), texts_(texts), profileFolder_(std::move(profileFolder)) {}

int AppSettings::ReadFlipSetting() const {
  return LeadingInt(store_.ReadProfileString(kSection, kFlip, u"0"), 0);
}

int AppSettings::WriteFlipSetting(int value) {
  const int stored = SwitchValue(value);
  store_.WriteProfileString(kSection, kFlip, DecimalText(stored));
  return stored;
}

std::u16string AppSettings::RecordDelayName() const {
  return texts_.LookupText(text_catalogue::kMacroActionRecordDelay, texts_.CurrentLanguageIndex());
}

int AppSettings::ReadRecordDelaySetting() const {
  return LeadingInt(store_.ReadProfileString(kSection, RecordDelayName(), u"0"), 0);
}

int AppSettings::WriteRecordDelaySetting(int value) {
  const int stored = SwitchValue(value);
  store_.WriteProfileString(kSection, RecordDelayName(), DecimalText(stored));
  return stored;
}

bool AppSettings::StoreProfileList(std::span<const std::u16string> rows) {
  bool stored = store_.WriteProfileString(kSection, ProfileValueName(0),
                                          DecimalText(static_cast<long long>(rows.size())));
  for (std::size_t i = 0; i < rows.size(); ++i) {
    stored = store_.WriteProfileString(kSection, ProfileValueName(i + 1), rows[i]) && stored;
  }
  return stored;
}

std::filesystem::path AppSettings::LightingViewFile() const {
  return profileFolder_ / "wskb.ini";
}

int AppSettings::ReadDengCheck() const {
  return ini::ReadInt(LightingViewFile(), u"KEYCOLOR", u"DengCheck", 0);
}

bool AppSettings::WriteDengCheck(int value) {
  std::error_code ec;
  std::filesystem::create_directories(profileFolder_, ec);
  return !ec && ini::WriteString(LightingViewFile(), u"KEYCOLOR", u"DengCheck",
                                 std::u16string_view(DecimalText(SwitchValue(value))));
}

}  // namespace ombrex
