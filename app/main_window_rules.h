#pragma once

// The main window's rules in plain C++: what a click on a key, a G key, Fn,
// D1..D6 or the Macro button does in each view; the profile buttons; the
// follow-up when the keyboard switched its profile; the refresh after the
// keyboard was read; the G-key marks of the bank shown; the Flip setting with
// its arrows and stacking; the texts the language message sets. The Qt
// window only wires its controls to these and draws what they decide.
// Window thread only.

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/editor_host.h"
#include "device/profile_number.h"

namespace ombrex {

class AppSettings;
class CommandSet;
class KeyButtons;
class KeyGrid;
class LightingPanelHost;
class Lighting;
class ProfileSwitcher;
class Texts;

namespace control {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kProfiles = 1005;
inline constexpr int kApply = 1006;
inline constexpr int kMacro = 1007;
inline constexpr int kFirstD = 1016;  // D1..D6: 1016..1021
inline constexpr int kLink = 1121;
inline constexpr int kHelp = 1122;
inline constexpr int kMinimize = 1123;
inline constexpr int kClose = 1124;
inline constexpr int kLockCaps = 1125;
inline constexpr int kLockNum = 1126;
inline constexpr int kLockScroll = 1127;
inline constexpr int kLockAB = 1128;
inline constexpr int kFlip0 = 1129;
inline constexpr int kFlip1 = 1130;
inline constexpr int kFlip2 = 1131;
inline constexpr int kLeftArrow = 1132;
inline constexpr int kRightArrow = 1133;
inline constexpr int kVersion = 1134;
inline constexpr int kDefault = 1138;
inline constexpr int kMenu = 1139;
inline constexpr int kReportRate1 = 1147;
inline constexpr int kNetwork = 1219;
inline constexpr int kFacebook = 1220;
inline constexpr int kTwitter = 1221;
inline constexpr std::array<int, 4> kProfileButtons{1135, 1136, 1137, 1199};
inline constexpr std::array<int, 4> kReportRates{1147, 1168, 1169, 1170};
inline constexpr std::array<int, 3> kColourFields{1208, 1209, 1210};
// The G key the Macro button edits: G9.
inline constexpr int kMacroGKey = 8;
}  // namespace control

// Which of F1..F4 and D1..D6 the Flip setting enables, and the picture
// origins of the two arrows that point at the enabled set.
struct FlipLayout {
  bool functionKeysEnabled = true;
  bool dKeysEnabled = false;
  std::u16string leftArrowOrigin;
  std::u16string rightArrowOrigin;
  friend bool operator==(const FlipLayout&, const FlipLayout&) = default;
};
FlipLayout FlipLayoutFor(int flip);

// Skin buttons overlap. Each group lists controls in the order they are
// stacked, lowest first: later controls lie over earlier ones.
std::vector<std::vector<int>> StackingOrder(int flip);

// A text the language message sets: a control's caption or tooltip. Control
// 0 is the window's own caption.
struct WindowText {
  int controlId;
  std::u16string_view key;
  bool tooltip = false;
};
std::span<const WindowText> WindowTexts();

// What the follow-up does once the keyboard said its profile (status byte
// 10): a profile that both the panel and the grid show already needs only
// the lighting read again; another of the four is pressed; any other number
// changes nothing.
enum class FollowUp { Nothing, RefreshLighting, PressProfile };
// `keyboardProfile` is the byte as the keyboard gave it.
FollowUp DecideFollowUp(int keyboardProfile, ProfileNumber lightingProfile,
                        std::optional<ProfileNumber> currentProfile);

// The keyboard's lighting read into the panel for `profile` (unknown: the
// panel's own): the profile buttons' steps without `full`, and the part of
// 'TR' after the keyboard was read in full, with the user-mode list and the
// follow marks where mode 20 is offered. The window without a screen runs
// it for 'TR' as well.
void ShowKeyboardLighting(Lighting& lighting, LightingPanelHost& panel,
                          std::optional<ProfileNumber> profile, bool full);

enum class ClickAction { Nothing, EditKey, PaintKey };
struct KeyClick {
  ClickAction action = ClickAction::Nothing;
  KeyEditRequest request;  // EditKey
  int button = -1;         // EditKey, PaintKey
};

// What the rules draw through.
class MainWindowFace {
 public:
  virtual ~MainWindowFace() = default;
  // The profile's button pressed and the other three released; none: all
  // four released.
  virtual void ShowProfileButtons(std::optional<ProfileNumber> pressed) = 0;
  virtual void ShowFlip(const FlipLayout& layout) = 0;
  virtual void SetControlText(const WindowText& text, std::u16string_view value) = 0;
  // After the keyboard went away and the editors closed.
  virtual void FocusReportRate() = 0;
};

struct MainWindowParts {
  CommandSet& commands;
  ProfileSwitcher& switcher;
  KeyGrid& grid;
  KeyButtons& buttons;
  Lighting& lighting;
  AppSettings& settings;
  const Texts& texts;
  std::function<int()> bank;
  EditorHost& editors;
  EditorWindow& editorWindow;
  LightingPanelHost& panel;
  MainWindowFace& face;
  // Runs the profile follow-up again as the window's command; empty: at once.
  std::function<void()> followAgain = {};
};

class MainWindowRules {
 public:
  explicit MainWindowRules(MainWindowParts parts);

  // What a click on a control of the key grid, Fn, D1..D6 or Macro does
  // now; Nothing for any other control.
  KeyClick DecideClick(int controlId);
  // Carries the click out: the editor runs on the key (the key highlighted
  // meanwhile) or the panel paints it.
  void ClickControl(int controlId);

  void PressProfileButton(ProfileNumber profile);
  // Timer 1051: the keyboard changed its profile. Refused while a key editor
  // is open, it runs again once the editor has closed.
  void FollowKeyboardProfile();
  // 'TR', after the working image was rebuilt from the keyboard.
  void RefreshAfterDeviceChange();
  // 'PE': the G-key marks of the bank shown.
  void RefreshGKeyStates();
  // 'GS', after the window closed its own dialogs.
  void CloseEditors();
  // Where the focus goes when the window opens and after 'GS': the lighting
  // controls, never a text field whose caret would blink while idle.
  void FocusLightingControls();

  // Flip1 or Flip2: the setting flips and is applied.
  void ToggleFlip();
  void ApplyFlip();
  int Flip() const;

  // 'PA': the window's texts, the editors' and the panel's.
  void ApplyLanguage(int languageIndex);

  // The profile the lighting panel shows and edits.
  ProfileNumber LightingProfile() const;

 private:
  int ButtonOfControl(int controlId) const;
  void FollowIfRefused();

  MainWindowParts parts_;
  // The keyboard's profile was not followed while an editor was open.
  bool followDue_ = false;
};

}  // namespace ombrex
