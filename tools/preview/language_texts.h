#pragma once

// The program's own text lookup fixed to one language, for previews of the
// real dialogs: a private folder holds copies of the language files and a
// language choice that names the language asked for, so the user's settings
// and the program folder are never touched.

#include <filesystem>
#include <memory>

#include "platform/settings_store.h"
#include "resources/texts.h"

namespace ombrex::preview {

class LanguageTexts {
 public:
  // Language index 0 is Chinese, 1 English.
  LanguageTexts(const std::filesystem::path& programFolder, int languageIndex);
  ~LanguageTexts();
  LanguageTexts(const LanguageTexts&) = delete;
  LanguageTexts& operator=(const LanguageTexts&) = delete;

  const Texts& Get() const { return *texts_; }
  SettingsStore& Store() { return *store_; }
  // A folder of this object's own, for profile files and the like.
  const std::filesystem::path& Scratch() const { return folder_; }

 private:
  std::filesystem::path folder_;
  std::unique_ptr<SettingsStore> store_;
  std::unique_ptr<Texts> texts_;
};

}  // namespace ombrex::preview
