#include "app/main_window_rules.h"

#include "app/lighting_panel_host.h"
#include "device/command_set.h"
#include "device/protocol.h"
#include "device/results.h"
#include "editors/profile_switcher.h"
#include "model/app_settings.h"
#include "model/key_buttons.h"
#include "model/key_buttons_table.h"
#include "model/key_grid.h"
#include "model/lighting.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace ombrex {

namespace catalogue = text_catalogue;

namespace {

constexpr int kFirstFunctionKey = 1010;  // F1..F4: 1010..1013
constexpr int kF5 = 1014;
constexpr int kEnter = 1070;
constexpr int kRightBracket = 1055;

constexpr WindowText kWindowTexts[] = {
    {0, catalogue::kMainCaption},
    {control::kProfileButtons[0], u"IDS_MAIN_PROFILE1"},
    {control::kProfileButtons[1], u"IDS_MAIN_PROFILE2"},
    {control::kProfileButtons[2], u"IDS_MAIN_PROFILE3"},
    {control::kProfileButtons[3], u"IDS_MAIN_PROFILE4"},
    {control::kMacro, u"IDS_MAIN_MACRO"},
    {control::kDefault, u"IDS_MAIN_DEFAULT"},
    {control::kOk, u"IDS_MAIN_OK"},
    {control::kCancel, u"IDS_MAIN_Cancel"},
    {control::kApply, u"IDS_MAIN_Apply"},
    {control::kVersion, u"MAIN_BUTTON_TIRVAN_VER"},
    {control::kHelp, catalogue::kMainHelpPrompt, true},
    {control::kClose, catalogue::kMainClosePrompt, true},
    {control::kMinimize, catalogue::kMainMinimizePrompt, true},
    {control::kMenu, catalogue::kMainMenuPrompt, true},
};

std::vector<int> Range(int first, int count) {
  std::vector<int> ids;
  for (int i = 0; i < count; ++i) ids.push_back(first + i);
  return ids;
}

}  // namespace

FlipLayout FlipLayoutFor(int flip) {
  // Any stored value but 0 counts as flipped.
  const bool flipped = flip != 0;
  return {.functionKeysEnabled = !flipped,
          .dKeysEnabled = flipped,
          .leftArrowOrigin = flipped ? u"UP_ARROW_LEFT1" : u"DOWN_ARROW_LEFT1",
          .rightArrowOrigin = flipped ? u"UP_ARROW_RIGHT1" : u"DOWN_ARROW_RIGHT1"};
}

std::vector<std::vector<int>> StackingOrder(int flip) {
  std::vector<int> gKeys{control::kLockAB};
  for (int id : kGKeyControls) gKeys.push_back(id);
  // The set Flip disables lies under the tray behind the group; the enabled
  // one over it.
  const std::vector<int> functionKeys = Range(kFirstFunctionKey, 4);
  const std::vector<int> dKeys = Range(control::kFirstD, 6);
  const bool flipped = flip != 0;
  std::vector<int> group = flipped ? functionKeys : dKeys;
  for (int id : {control::kFlip0, kF5, control::kFlip1, control::kFlip2}) group.push_back(id);
  for (int id : flipped ? dKeys : functionKeys) group.push_back(id);
  return {gKeys,
          {kEnter, kRightBracket},
          group,
          {control::kFlip1, control::kLeftArrow},
          {control::kFlip2, control::kRightArrow}};
}

FollowUp DecideFollowUp(int keyboardProfile, ProfileNumber lightingProfile,
                        std::optional<ProfileNumber> currentProfile) {
  const std::optional<ProfileNumber> keyboard = ProfileNumber::From(keyboardProfile);
  if (!keyboard) return FollowUp::Nothing;
  // After a refused switch the panel shows the keyboard's profile while the
  // grid, the buttons and the cached profile stayed on the old one: only
  // both equal mean nothing is left to switch.
  if (*keyboard == lightingProfile && keyboard == currentProfile) return FollowUp::RefreshLighting;
  return FollowUp::PressProfile;
}

std::span<const WindowText> WindowTexts() {
  return kWindowTexts;
}

MainWindowRules::MainWindowRules(MainWindowParts parts) : parts_(std::move(parts)) {}

int MainWindowRules::ButtonOfControl(int controlId) const {
  if (controlId == control::kMacro) return GKeyButton(control::kMacroGKey);
  if (controlId == kFnControl) return kFnButton;
  for (std::size_t i = 0; i < kKeyButtonCount; ++i) {
    if (kKeyButtons[i].control == controlId) return static_cast<int>(i);
  }
  for (std::size_t j = 0; j < kGKeyCount; ++j) {
    if (kGKeyControls[j] == controlId) return GKeyButton(static_cast<int>(j));
  }
  return -1;
}

KeyClick MainWindowRules::DecideClick(int controlId) {
  const int button = ButtonOfControl(controlId);
  if (button < 0) return {};  // D1..D6 and every other control
  const bool macro = controlId == control::kMacro;
  if (!macro && parts_.panel.LightingView()) {
    // G8 and G9 have no light to paint.
    if (!parts_.panel.Paints() || LedOfButton(button) == kNoLed) return {};
    return {.action = ClickAction::PaintKey, .button = button};
  }
  if (button == kFnButton) return {};
  // Which profile an edit would go to is not known: nothing opens.
  const std::optional<ProfileNumber> profile = parts_.commands.ActiveProfile();
  if (!profile) return {};
  KeyEditRequest request{.layer = 0,
                         .slot = SlotOfButton(button, parts_.bank()),
                         .controlId = macro ? kGKeyControls[control::kMacroGKey] : controlId,
                         .macroEntry = macro,
                         .profile = *profile,
                         .button = button};
  return {.action = ClickAction::EditKey, .request = request, .button = button};
}

void MainWindowRules::ClickControl(int controlId) {
  const KeyClick click = DecideClick(controlId);
  switch (click.action) {
    case ClickAction::EditKey:
      parts_.editorWindow.HighlightKey(click.button, true);
      parts_.editors.RunKeyEditor(click.request);
      parts_.editorWindow.HighlightKey(click.button, false);
      FollowIfRefused();
      break;
    case ClickAction::PaintKey:
      parts_.panel.PaintKey(click.button);
      break;
    case ClickAction::Nothing:
      break;
  }
}

ProfileNumber MainWindowRules::LightingProfile() const {
  return parts_.lighting.Host().ShownProfile();
}

void ShowKeyboardLighting(Lighting& lighting, LightingPanelHost& panel,
                          std::optional<ProfileNumber> profile, bool full) {
  if (profile) lighting.SetShownProfile(*profile);
  lighting.ReadLighting(full);
  const bool painting = lighting.Host().Modes().SupportsUserPainting();
  if (painting) {
    panel.RefillUserModes();
    // The full read has loaded it already.
    if (!full) panel.LoadCurrentUserMode();
  }
  panel.RefreshLightingPanel();
  if (full && painting) lighting.Host().RecomputeFollowMarks();
}

void MainWindowRules::PressProfileButton(ProfileNumber profile) {
  ShowKeyboardLighting(parts_.lighting, parts_.panel, profile, false);
  if (parts_.panel.LightingView()) parts_.panel.LightingViewOff();
  // Already current: the keyboard is not told again and the buttons stay.
  if (parts_.commands.ActiveProfile() == profile) return;
  if (parts_.switcher.SelectProfile(static_cast<int>(profile.Index())) == 0) return;
  parts_.face.ShowProfileButtons(profile);
}

void MainWindowRules::FollowKeyboardProfile() {
  StatusBlock status{};
  if (parts_.commands.ReadStatusBlock(status) != result::kOk) return;
  const int keyboard = status[protocol::kStatusActiveProfileAt];
  switch (DecideFollowUp(keyboard, LightingProfile(), parts_.commands.ActiveProfile())) {
    case FollowUp::RefreshLighting:
      parts_.lighting.ReadLighting(false);
      parts_.panel.RefreshLightingPanel();
      break;
    case FollowUp::PressProfile:
      PressProfileButton(*ProfileNumber::From(keyboard));
      // The editor kept the grid where the edit goes; the window catches up
      // with the keyboard once it has closed.
      followDue_ = parts_.commands.ActiveProfile() != ProfileNumber::From(keyboard) &&
                   parts_.editors.EditorOpen();
      break;
    case FollowUp::Nothing:
      break;
  }
}

void MainWindowRules::FollowIfRefused() {
  if (!followDue_) return;
  followDue_ = false;
  if (parts_.followAgain) {
    parts_.followAgain();
  } else {
    FollowKeyboardProfile();
  }
}

void MainWindowRules::RefreshAfterDeviceChange() {
  const std::optional<ProfileNumber> current = parts_.commands.ActiveProfile();
  // An unknown profile presses no button and leaves the panel on its profile.
  parts_.face.ShowProfileButtons(current);
  ShowKeyboardLighting(parts_.lighting, parts_.panel, current, true);
}

void MainWindowRules::RefreshGKeyStates() {
  if (const std::optional<ProfileNumber> current = parts_.commands.ActiveProfile()) {
    parts_.grid.RefreshGKeyStates(*current, parts_.bank());
    return;
  }
  // No profile to read the entries from: no G key is shown assigned.
  for (int j = 0; j < static_cast<int>(kGKeyCount); ++j) {
    parts_.buttons.SetAssigned(GKeyButton(j), false);
  }
}

void MainWindowRules::CloseEditors() {
  parts_.editors.CloseEditors();
  FocusLightingControls();
}

void MainWindowRules::FocusLightingControls() {
  parts_.panel.FocusModeList();
  parts_.face.FocusReportRate();
}

int MainWindowRules::Flip() const {
  return parts_.settings.ReadFlipSetting();
}

void MainWindowRules::ToggleFlip() {
  parts_.settings.WriteFlipSetting(Flip() != 0 ? 0 : 1);
  ApplyFlip();
}

void MainWindowRules::ApplyFlip() {
  parts_.face.ShowFlip(FlipLayoutFor(Flip()));
}

void MainWindowRules::ApplyLanguage(int languageIndex) {
  parts_.editors.SetLanguage(languageIndex);
  for (const WindowText& text : WindowTexts()) {
    parts_.face.SetControlText(text, parts_.texts.LookupText(text.key, languageIndex));
  }
  parts_.panel.ApplyLanguage(languageIndex);
  // The keys' tooltips name keys and macros in the language too.
  if (const std::optional<ProfileNumber> current = parts_.commands.ActiveProfile()) {
    parts_.grid.RebuildTooltips(*current, parts_.bank());
  }
}

}  // namespace ombrex
