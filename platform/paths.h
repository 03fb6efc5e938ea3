#pragma once

// Where things are: the program folder (skins, language files, help and the
// service library sit beside the executable), the user's documents folder (the
// profile folder lives there) and the per-user data folder (files the program
// would otherwise write beside itself, where it may not be allowed to write).

#include <cstdint>
#include <filesystem>
#include <string_view>

namespace ombrex {

// Folder of the running executable.
std::filesystem::path ProgramFolder();
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
