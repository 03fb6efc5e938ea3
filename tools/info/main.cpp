// ombrex-info: the program's version and what its language files say for a
// few texts, in both languages. A quick check of an installation: a missing
// language file shows as "#Error", exactly as the program would show it.

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "ombrex_version.h"
#include "platform/command_line.h"
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
      "the language files in the program folder (default: the program's own).\n"
      "  --version  the version alone\n"
      "Exit codes: 0 done, 2 unknown option.");
}

void PrintFile(const char* label, const std::filesystem::path& file) {
  std::printf("%-16s %s%s\n", label, ombrex::Utf8FromPath(file).c_str(),
              std::filesystem::exists(file) ? "" : "  (missing)");
}

}  // namespace

int main(int argc, char** argv) {
  ombrex::UseUtf8Console();
  std::filesystem::path programFolder = ombrex::ProgramFolder();
  const std::vector<std::string> args = ombrex::Utf8Arguments(argc, argv);
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--program-folder" && i + 1 < args.size()) {
      programFolder = ombrex::PathFromUtf8(args[++i]);
    } else if (args[i] == "--version") {
      std::puts("ombrex-info " OMBREX_VERSION);
      return 0;
    } else {
      PrintUsage();
      return args[i] == "--help" ? 0 : 2;
    }
  }

  // Lookups only read; the store is there because Texts needs one, and is
  // never written by what this tool calls.
  const std::unique_ptr<ombrex::SettingsStore> store = ombrex::OpenUserSettings();
  const ombrex::Texts texts(programFolder, *store, ombrex::SystemDefaultLanguageId());

  std::printf("Ombrex %s\n", OMBREX_VERSION);
  std::printf("%-16s %s\n", "program folder", ombrex::Utf8FromPath(programFolder).c_str());
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
