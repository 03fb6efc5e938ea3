// ombrex-info: the program's version and what its language files say for a
// few texts, in both languages. A quick check of an installation: a missing
// language file shows as "#Error", exactly as the program would show it.

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "ombrex_version.h"
#include "platform/paths.h"
#include "platform/settings_store.h"
#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace {

constexpr int kChineseIndex = 0;
constexpr int kEnglishIndex = 1;

void PrintUsage() {
  std::puts(
      "usage: ombrex-info [--program-folder FOLDER]\n"
      "Prints the version and the texts of a few keys in both languages, read from\n"
      "the language files in the program folder (default: the folder of this tool).");
}

void PrintFile(const char* label, const std::filesystem::path& file) {
  std::printf("%-16s %s%s\n", label, file.string().c_str(),
              std::filesystem::exists(file) ? "" : "  (missing)");
}

}  // namespace

int main(int argc, char** argv) {
  std::filesystem::path programFolder = ombrex::ProgramFolder();
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--program-folder") == 0 && i + 1 < argc) {
      programFolder = argv[++i];
    } else {
      PrintUsage();
      return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
    }
  }

  // Lookups only read; the store is there because Texts needs one, and is
  // never written by what this tool calls.
  const std::unique_ptr<ombrex::SettingsStore> store = ombrex::OpenUserSettings();
  const ombrex::Texts texts(programFolder, *store, ombrex::SystemDefaultLanguageId());

  std::printf("Ombrex %s\n", OMBREX_VERSION);
  std::printf("%-16s %s\n", "program folder", programFolder.string().c_str());
  PrintFile("language choice", texts.LanguageChoiceFile());
  PrintFile("Chinese texts", texts.TextFile(kChineseIndex));
  PrintFile("English texts", texts.TextFile(kEnglishIndex));
  std::printf("%-16s %s\n\n", "language", texts.LanguageIsEnglish() ? "English" : "Chinese");

  namespace catalogue = ombrex::text_catalogue;
  for (std::u16string_view key : {std::u16string_view(u"IDS_KEYBOARD_ESC"), catalogue::kMainCaption,
                                  catalogue::kExtraMacroTooLong}) {
    const std::string name = ombrex::Utf8FromUtf16(key);
    for (int index : {kEnglishIndex, kChineseIndex}) {
      std::printf("%-18s %04X  %s\n", name.c_str(), ombrex::LanguageIdAt(index),
                  ombrex::Utf8FromUtf16(texts.LookupText(key, index)).c_str());
    }
  }
  return 0;
}
