#pragma once

// The language menu of the window's menu and the tray menu, and what a choice
// in it sets going: the user's choice is kept in the user's settings, Qt's own
// texts (standard buttons, the file and colour dialogs) follow, and the
// window's language message carries the change to every open window and
// dialog at once. The help opens in the same language.

#include <filesystem>
#include <optional>

#include "resources/language_choice.h"

namespace ombrex {

class BCMenu;
class Texts;

namespace command {
inline constexpr int kLanguageEnglish = 32790;
inline constexpr int kLanguageChinese = 32791;
}  // namespace command

// A submenu "Language" with each language under its own name, the current
// one checked.
void AddLanguageMenu(BCMenu& menu, const Texts& texts);

// The language that a command of that submenu chooses.
std::optional<UiLanguage> LanguageOfCommand(int commandId);

// Qt's translations of its own texts for the language at `languageIndex`,
// from the system's Qt translations (English needs none).
void FollowInQt(int languageIndex);

// The user guide's page in the language at `languageIndex`.
std::filesystem::path HelpPage(const std::filesystem::path& helpFolder, int languageIndex);

}  // namespace ombrex
