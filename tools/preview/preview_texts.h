#pragma once

// Texts of one language straight from its language file, so the preview can
// show both languages in one run without touching the user's settings.

#include <QString>
#include <filesystem>
#include <string_view>

#include "model/key_catalogue.h"

namespace ombrex::preview {

class PreviewTexts {
 public:
  // Language index 0 is Chinese, 1 English, as the program numbers them.
  PreviewTexts(std::filesystem::path programFolder, int languageIndex);

  int LanguageIndex() const { return languageIndex_; }
  const std::filesystem::path& ProgramFolder() const { return programFolder_; }
  QString Tag() const { return languageIndex_ == 1 ? QStringLiteral("en") : QStringLiteral("zh"); }

  // Section "TEXT"; "#Error" when the file lacks the key, as the program shows it.
  QString Text(std::u16string_view key) const;
  QString ModeName(int mode) const;
  QString KeyName(KeyCode code) const;
  // A main-window label caption from the skin ("Control_Name" / "Control_Name1").
  QString SkinCaption(std::u16string_view key) const;

 private:
  std::filesystem::path programFolder_;
  int languageIndex_;
  std::filesystem::path file_;
};

}  // namespace ombrex::preview
