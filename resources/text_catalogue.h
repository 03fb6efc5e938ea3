#pragma once

// Texts compiled into the program. A slot's content is used either as a text
// key (looked up in the language file with Texts::LookupText) or as a text that
// stands as it is; the comment on each slot says which.

#include <array>
#include <optional>
#include <string_view>

namespace ombrex::text_catalogue {

// Text keys.
inline constexpr std::u16string_view kMacroActionRecordDelay = u"IDS_MACRO_ACTION_RECORD_DELAY";
inline constexpr std::u16string_view kMacroNewPrefix = u"IDS_MACRO_NEW_PREFIX";
inline constexpr std::u16string_view kMacroErrMax = u"IDS_MACRO_ERR_MAX";
inline constexpr std::u16string_view kMacroActionClearConfirm = u"IDS_MACRO_ACTION_CLEAR_CONFIRM";
inline constexpr std::u16string_view kMacroActionErrModify = u"IDS_MACRO_ACTION_ERR_MODIFY";
inline constexpr std::u16string_view kMacroActionErrDelayMax = u"IDS_MACRO_ACTION_ERR_DELAY_MAX";
inline constexpr std::u16string_view kMacroActionRecord = u"IDS_MACRO_ACTION_RECORD";
inline constexpr std::u16string_view kMacroActionStopRecord = u"IDS_MACRO_ACTION_STOP_RECORD";
inline constexpr std::u16string_view kExtraMacroTooLong = u"IDS_MACRO_OVER";
// A text key whose text is a format with one integer ("%03x" by default).
inline constexpr std::u16string_view kUnknownKey = u"Unknown Key: %03x";
inline constexpr std::u16string_view kMacroDeleteConfirmOfKeys =
    u"IDS_KEY_MACRO_DELETE_CONFIRM_OF_KEYS";
inline constexpr std::u16string_view kKeyPromptSet = u"IDS_KEY_PROMPT_SET";
inline constexpr std::u16string_view kKeyPromptSingle = u"IDS_KEY_PROMPT_SINGLE";
inline constexpr std::u16string_view kKeyPromptMacro = u"IDS_KEY_PROMPT_MACRO";
inline constexpr std::u16string_view kKeyPromptMedia = u"IDS_KEY_PROMPT_MEDIA";
inline constexpr std::u16string_view kKeyPromptFunction = u"IDS_KEY_PROMPT_FUNCTION";
inline constexpr std::u16string_view kDefaultProfileName = u"IDS_DEFAULT_PROFILE_NAME";
inline constexpr std::u16string_view kProfileSelectPrompt = u"IDS_PROFILE_SELECT_PROMPT";
inline constexpr std::u16string_view kExtraProfileSpaceTight = u"EXTRA_PROFILE_SPACE_TIGHT";
inline constexpr std::u16string_view kKeyboardTrayDesc = u"IDS_KEYBOARD_TRAY_DESC";
inline constexpr std::u16string_view kMainCaption = u"IDS_MAIN_CAPTION";
inline constexpr std::u16string_view kMainHelpPrompt = u"IDS_MAIN_HELP_PROMPT";
inline constexpr std::u16string_view kMainMinimizePrompt = u"IDS_MAIN_MINIMIZE_PROMPT";
inline constexpr std::u16string_view kMainMenuPrompt = u"IDS_MAIN_MENU_PROMPT";
inline constexpr std::u16string_view kMainClosePrompt = u"IDS_MAIN_CLOSE_PROMPT";
inline constexpr std::u16string_view kMainPromptDefault = u"IDS_MAIN_PROMPT_DEFAULT";
inline constexpr std::u16string_view kMainPromptImport = u"IDS_MAIN_PROMPT_INPORT";
inline constexpr std::u16string_view kMainPromptApplyFailed = u"IDS_MAIN_PROMPT_APPLY_FAILED";
inline constexpr std::u16string_view kMainPromptExportFailed = u"IDS_MAIN_PROMPT_EXPORT_FAILED";
inline constexpr std::u16string_view kMainPromptUnapplied = u"IDS_MAIN_PROMPT_UNAPPLIED";
inline constexpr std::u16string_view kMainPromptExitUnapplied = u"IDS_MAIN_PROMPT_EXIT_UNAPPLIED";
inline constexpr std::u16string_view kMainPromptImportUnapplied =
    u"IDS_MAIN_PROMPT_IMPORT_UNAPPLIED";
inline constexpr std::u16string_view kMainPromptProfileNotSaved =
    u"IDS_MAIN_PROMPT_PROFILE_NOT_SAVED";
inline constexpr std::u16string_view kProfileRemoveConfirm = u"IDS_PROFILE_REMOVE_CONFIRM";
inline constexpr std::u16string_view kMainDefaultMatrixPrompt = u"IDS_MIAN_DEFAULT_PROMPT";
inline constexpr std::u16string_view kMainNoDevicePrompt = u"IDS_MAIN_DEVICE_PROMRT";

// Texts used as they stand.
inline constexpr std::u16string_view kProfileSelectPrompt2 =
    u"When fast switch scene mode, you must first close the editor dialog box.";
// A format with one "%s" (the file's path); "\n" is a line break.
inline constexpr std::u16string_view kProfileFormatError =
    u"wrong file format, revert to the default values: \n  %s";
inline constexpr std::u16string_view kProfileNew = u"\\The new contextual  mode";
inline constexpr std::u16string_view kProfileTip = u"The current contextual  mode: ";
inline constexpr std::u16string_view kMainButtonVersion = u"";

struct Slot {
  std::u16string_view name;
  std::u16string_view content;
};

// Every slot by name, for tools and tests that list them.
inline constexpr std::array<Slot, 34> kSlots{{
    {u"MACRO_ACTION_RECORD_DELAY", kMacroActionRecordDelay},
    {u"MACRO_NEW_PREFIX", kMacroNewPrefix},
    {u"MACRO_ERR_MAX", kMacroErrMax},
    {u"MACRO_ACTION_CLEAR_CONFIRM", kMacroActionClearConfirm},
    {u"MACRO_ACTION_ERR_MODIFY", kMacroActionErrModify},
    {u"MACRO_ACTION_ERR_DELAY_MAX", kMacroActionErrDelayMax},
    {u"MACRO_ACTION_RECORD", kMacroActionRecord},
    {u"MACRO_ACTION_STOP_RECORD", kMacroActionStopRecord},
    {u"EXTRA_MACRO_TOO_LONG", kExtraMacroTooLong},
    {u"UNKNOWN_KEY", kUnknownKey},
    {u"MACRO_DELETE_CONFIRM_OF_KEYS", kMacroDeleteConfirmOfKeys},
    {u"KEY_PROMPT_SET", kKeyPromptSet},
    {u"KEY_PROMPT_SINGLE", kKeyPromptSingle},
    {u"KEY_PROMPT_MACRO", kKeyPromptMacro},
    {u"KEY_PROMPT_MEDIA", kKeyPromptMedia},
    {u"KEY_PROMPT_FUNCTION", kKeyPromptFunction},
    {u"DEFAULT_PROFILE_NAME", kDefaultProfileName},
    {u"PROFILE_SELECT_PROMPT", kProfileSelectPrompt},
    {u"PROFILE_SEELCT_PROMPT2", kProfileSelectPrompt2},
    {u"PROFILE_FORMAT_ERROR", kProfileFormatError},
    {u"PROFILE_NEW", kProfileNew},
    {u"PROFILE_TIP", kProfileTip},
    {u"EXTRA_PROFILE_SPACE_TIGHT", kExtraProfileSpaceTight},
    {u"KEYBOARD_TRAY_DESC", kKeyboardTrayDesc},
    {u"MAIN_CAPTION", kMainCaption},
    {u"MAIN_HELP_PROMPT", kMainHelpPrompt},
    {u"MAIN_MINIMIZE_PROMPT", kMainMinimizePrompt},
    {u"MAIN_MENU_PROMPT", kMainMenuPrompt},
    {u"MAIN_CLOSE_PROMPT", kMainClosePrompt},
    {u"MAIN_BUTTON_TIRVAN_VER", kMainButtonVersion},
    {u"MAIN_PROMPT_DEFAULT", kMainPromptDefault},
    {u"MAIN_PROMPT_INPORT", kMainPromptImport},
    {u"MAIN_DEFAULT_MATRIX_PROMPT", kMainDefaultMatrixPrompt},
    {u"MAIN_NO_DEVICE_PROMPT", kMainNoDevicePrompt},
}};

// The content of the slot with that name, if there is one.
constexpr std::optional<std::u16string_view> SlotContent(std::u16string_view name) {
  for (const Slot& slot : kSlots) {
    if (slot.name == name) return slot.content;
  }
  return std::nullopt;
}

}  // namespace ombrex::text_catalogue
