#include "tools/preview/language_texts.h"

#include <unistd.h>

#include <atomic>
#include <string>
#include <system_error>

#include "platform/ini.h"
#include "platform/text.h"

namespace ombrex::preview {
namespace {

std::filesystem::path FreshFolder() {
  static std::atomic<int> made{0};
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() /
      ("ombrex-preview-" + std::to_string(getpid()) + "-" + std::to_string(made++));
  std::filesystem::create_directories(folder / "Skins");
  return folder;
}

}  // namespace

LanguageTexts::LanguageTexts(const std::filesystem::path& programFolder, int languageIndex)
    : folder_(FreshFolder()) {
  std::error_code error;
  for (const int index : {0, 1}) {
    const auto name = std::filesystem::path(FormatWithInt(u"Lang%04X.ini", LanguageIdAt(index)));
    std::filesystem::copy_file(programFolder / name, folder_ / name, error);
  }
  const std::filesystem::path choice = folder_ / "Skins" / "language.ini";
  std::filesystem::copy_file(programFolder / "Skins" / "language.ini", choice, error);
  ini::WriteString(choice, u"LANGUAGE", u"language", languageIndex == 1 ? u"1" : u"0");
  store_ = OpenSettingsIn(folder_ / "config");
  texts_ = std::make_unique<Texts>(folder_, *store_, LanguageIdAt(languageIndex));
}

LanguageTexts::~LanguageTexts() {
  texts_.reset();
  store_.reset();
  std::error_code error;
  std::filesystem::remove_all(folder_, error);
}

}  // namespace ombrex::preview
