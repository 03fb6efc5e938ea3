#pragma once

// Where things are: the program folder (skins, language files, help), the
// service folder (the service library, its model module and the companion),
// the user's documents folder (the profile folder lives there) and the
// per-user data folder (files the program would otherwise write beside
// itself, where it may not be allowed to write).
//
// Built, everything sits beside the executable. Installed, the read-only
// files are in ../share/ombrex and the service library and companion in
// ../lib/ombrex, both relative to the executable, so a moved tree still
// finds itself. Which of the two is decided once, at the first question.

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace ombrex {

// Folder of the running executable.
std::filesystem::path ExecutableFolder();

struct ProgramLayout {
  std::filesystem::path programFolder;
  std::filesystem::path serviceFolder;
};

// The layout around an executable in `executableFolder`: beside it when
// its skins are there or when there is no ../share/ombrex, else the
// installed one.
ProgramLayout LayoutAround(const std::filesystem::path& executableFolder);

// LayoutAround(ExecutableFolder()), computed once.
std::filesystem::path ProgramFolder();
std::filesystem::path ServiceFolder();
// File name of the running executable ("ombrex", "ombrex.exe").
std::filesystem::path ProgramFileName();

// XDG_DOCUMENTS_DIR, then the XDG user-dirs file, then ~/Documents.
std::filesystem::path DocumentsFolder();

// $XDG_DATA_HOME/Ombrex (default ~/.local/share/Ombrex); not created here.
std::filesystem::path UserDataFolder();

// The system's default language id, a Windows LANGID, from the locale
// (LC_ALL, LC_MESSAGES, LANG): zh_CN 0x0804, zh_TW 0x0404, en_US 0x0409,
// de_DE 0x0407, es_MX 0x080A and so on; C, POSIX or unknown give 0x0409.
std::uint16_t SystemDefaultLanguageId();
std::uint16_t LanguageIdFromLocale(std::string_view localeName);

}  // namespace ombrex
