#pragma once

// The user settings kept outside the profile files: the arrow-picture flip and
// the macro recorder's delay choice (application profile strings, section
// "PROFILES"), the profile manager's list of files, and the lighting-view
// choice in "wskb.ini" of the profile folder.

#include <filesystem>
#include <span>
#include <string>

namespace ombrex {

class SettingsStore;
class Texts;

class AppSettings {
 public:
  AppSettings(SettingsStore& store, const Texts& texts, std::filesystem::path profileFolder);

  // "Flip": any value other than 0 selects the flipped arrows.
  int ReadFlipSetting() const;
  // Stores 0 or 1 (anything else as 0) and returns what was stored.
  int WriteFlipSetting(int value);

  // The record-delay check box, kept under the current language's text of
  // "IDS_MACRO_ACTION_RECORD_DELAY" ("#Error" when the language file lacks it).
  int ReadRecordDelaySetting() const;
  int WriteRecordDelaySetting(int value);

  // "PROFILE00" = the number of rows, "PROFILE01".. = the rows. Values of
  // rows beyond the new count stay as they were. False when a value could not
  // be stored.
  bool StoreProfileList(std::span<const std::u16string> rows);

  // "DengCheck" of section "KEYCOLOR": 1 opens the main window in the lighting
  // view. Writing makes the profile folder when it does not exist yet.
  int ReadDengCheck() const;
  bool WriteDengCheck(int value);
  std::filesystem::path LightingViewFile() const;

 private:
  std::u16string RecordDelayName() const;

  SettingsStore& store_;
  const Texts& texts_;
  std::filesystem::path profileFolder_;
};

}  // namespace ombrex
