#pragma once

// The lighting panel's rules in plain C++: what the panel shows for the host
// lighting state (the refresh), which controls each mode shows, what every
// control writes to the keyboard, the light button that switches between the
// key view and the lighting view, painting keys in mode 20 with the user and
// base colours, the user modes, and the lighting reset. The Qt panel
// (CLightingPanel) creates the controls, draws what these rules decide through
// LightingPanelView and forwards only what the user does; so showing the host
// state never writes anything.
//
//   LightingPanel panel({.lighting = lighting, .commands = commands, ...});
//   panel.AttachView(qtPanel);            // the controls exist
//   panel.SetupLightingPanel(skin);       // first pictures and labels
//   panel.SetLightingProfile(1);
//   panel.ReadLighting(false);
//   panel.RefreshLightingPanel();
//   panel.OnClicked(lighting_control::kLightButton);   // the user pressed it
//
// Window thread only.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/lighting_panel_host.h"
#include "device/profile_number.h"
#include "device/results.h"
#include "model/key_buttons.h"

namespace ombrex {

class CommandSet;
class Lighting;
struct HostLightingState;
class SkinFile;
class Texts;

// The panel's controls.
namespace lighting_control {
inline constexpr int kLightButton = 1167;
inline constexpr int kLightLabel = 1171;
inline constexpr int kModeList = 1146;
inline constexpr int kBrightnessLabel = 1172;
inline constexpr int kBrightnessSlider = 1178;
inline constexpr int kSpeedLabel = 1166;
inline constexpr int kSpeedSlider = 1179;
inline constexpr int kDirectionLabel = 1148;
inline constexpr int kDirectionFirst = 1149;   // left, up, spread: writes 255
inline constexpr int kDirectionSecond = 1150;  // right, down, gather: writes 0
inline constexpr int kColourLabelA = 1154;
inline constexpr int kColourButtonA = 1155;
inline constexpr int kColourfulLabelA = 1173;
inline constexpr int kColourfulA = 1156;
inline constexpr int kColourLabelB = 1151;
inline constexpr int kColourButtonB = 1152;
inline constexpr int kColourfulLabelB = 1176;
inline constexpr int kColourfulB = 1175;
// Red, yellow, green, blue of mode 17.
inline constexpr std::array<int, 4> kMode17Colours{1194, 1195, 1196, 1197};
inline constexpr int kUserColourLabel = 1159;
inline constexpr int kUserColourButton = 1160;
inline constexpr int kBaseColourLabel = 1161;
inline constexpr int kBaseColourButton = 1162;
inline constexpr int kToolLabel = 1163;
inline constexpr int kUserColourTool = 1164;
inline constexpr int kBaseColourTool = 1165;
inline constexpr int kUserModeList = 1198;
inline constexpr int kReportRateLabel = 1204;
inline constexpr std::array<int, 4> kReportRates{1147, 1168, 1169, 1170};
inline constexpr int kRgbLabel = 1207;
inline constexpr std::array<int, 3> kRgbFields{1208, 1209, 1210};
// Shown while Apply runs; the Apply commands draw it, the panel places it.
inline constexpr int kBusyIndicator = 1177;
}  // namespace lighting_control

// What kind of widget a control of the panel is.
enum class LightingControlKind {
  Label,         // text from the language file (the skin's until 'PA')
  Picture,       // an image that reports clicks
  Slider,        // 0..4, thumb picture per position
  ColourButton,  // colour picker with "other"
  ModeList,      // drop-down list of the offered modes
  UserModeList,  // editable drop-down list of the ten user modes
  ReportButton,  // image button cut from the window's pictures
  NumberField,   // decimal digits, at most 255
};

// One control of the panel: its id, where the skin places it ("BUTTONINFO"),
// and for a label its language key and the skin's own caption key
// ("Control_Name"/"Control_Name1"). A literal caption is used as it stands.
struct LightingControl {
  int id;
  LightingControlKind kind;
  std::u16string_view skinKey;
  std::u16string_view textKey = {};
  std::u16string_view skinCaptionKey = {};
  std::u16string_view literalText = {};
};

// Every control of the panel, in the order they are created.
std::span<const LightingControl> LightingControls();

// The controls a lighting mode shows in the lighting view. The mode list is
// among them in every mode, even those that show nothing else (19, 21, or a
// number the keyboard should not report), so the user can always leave.
std::vector<int> ControlsOfMode(int mode);
// Every control that only the lighting view shows.
std::span<const int> ModeControls();

// The skin keys that place the direction label and buttons in a mode.
struct DirectionPlaces {
  std::u16string_view label;
  std::u16string_view first;
  std::u16string_view second;
};
DirectionPlaces DirectionPlacesOf(int mode);
// The pictures of the two direction buttons for a mode and direction.
struct DirectionPictures {
  std::u16string_view first;
  std::u16string_view second;
};
DirectionPictures DirectionPicturesOf(int mode, std::uint8_t direction);

// What a RGB field shows after the user typed `text`: its digits, and "255"
// for a number above 255.
std::u16string RgbFieldText(std::u16string_view text);

// What the panel draws through: one control at a time, by id. Pictures are
// named as in the skin folder ("dengdown.bmp").
class LightingPanelView {
 public:
  virtual ~LightingPanelView() = default;
  virtual void ShowControl(int control, bool shown) = 0;
  // Moves a control to where another skin key places it.
  virtual void PlaceControl(int control, std::u16string_view skinKey) = 0;
  virtual void SetText(int control, std::u16string_view text) = 0;
  virtual void SetPicture(int control, std::u16string_view picture) = 0;
  virtual void SetSliderPosition(int control, int position) = 0;
  virtual void SetColour(int control, Rgb colour) = 0;
  // The report-rate buttons: pressed or released.
  virtual void SetPressed(int control, bool pressed) = 0;
  // The drop-down lists: their entries, the selected one (-1 none), one entry
  // renamed. None of these is reported back as the user's choice.
  virtual void SetListEntries(int control, std::span<const std::u16string> entries) = 0;
  virtual void SelectListEntry(int control, int index) = 0;
  virtual void SetListEntry(int control, int index, std::u16string_view text) = 0;
  virtual void Focus(int control) = 0;
};

// What the panel needs of the rest of the program.
struct LightingPanelParts {
  Lighting& lighting;
  CommandSet& commands;  // the keyboard's active profile
  KeyButtons& buttons;   // colour frames and marks of the key grid
  const Texts& texts;
  // ProfileSwitcher::SelectProfile: 1 when the keyboard switched, 0 refused.
  std::function<int(ProfileNumber)> selectProfile;
  // The key grid's marks and tooltips from the working image.
  std::function<void()> refreshAllKeys;
};

class LightingPanel final : public LightingPanelHost {
 public:
  explicit LightingPanel(LightingPanelParts parts);

  // The controls the panel draws on; until then it draws nowhere.
  void AttachView(LightingPanelView& view);
  // The controls go away before the panel: it draws nowhere again.
  void DetachView(const LightingPanelView& view);

  // The window's start-up: the sliders' first thumbs and the labels' texts
  // from the skin's own captions (the language message replaces them).
  void SetupLightingPanel(const SkinFile& skin);

  // The profile whose lighting the panel shows and edits.
  void SetLightingProfile(ProfileNumber profile);
  ProfileNumber LightingProfile() const;
  // Reads the keyboard's lighting (the writes flushed first).
  DeviceResult ReadLighting(bool full);
  // The ten user modes of the shown profile into the user-mode list.
  void RefillUserModes() override;
  // The shown profile's current user mode, its colours sent to the keyboard.
  void LoadCurrentUserMode() override;
  // Every control from the host lighting state; writes nothing.
  void RefreshLightingPanel() override;
  // After the keyboard was read in full: which keys follow the base colour.
  void RecomputeFollowMarks();

  bool LightingView() const override;
  void LightingViewOff() override;
  // A key click paints now: the lighting view in mode 20.
  bool Paints() const override;
  // Paints a button of the key grid (0..113) with the current tool.
  void PaintKey(int button) override;
  // The keyboard went away: the focus goes to the mode list.
  void FocusModeList() override;
  // 'PA': labels and mode names in the language.
  void ApplyLanguage(int languageIndex) override;

  // The shown profile's lighting back to its defaults (Default and the
  // keyboard's reset, while the lighting view is on).
  void ResetLighting();

  // The user's actions.
  void OnClicked(int control);  // light button, pictures, report rates
  void OnModeSelected(int listIndex);
  void OnSlider(int control, int position) override;
  void OnColourPicked(int control, Rgb colour);
  void OnUserModeSelected(int index);
  void OnUserModeEdited(std::u16string_view text);
  void OnRgbEdited(int control, std::u16string_view text);

 private:
  class NoView;

  HostLightingState& State();
  std::u16string ModeName(std::uint8_t mode) const;
  void SetLabels(const std::function<std::u16string(const LightingControl&)>& text);

  // Parts of the refresh.
  void ShowModeList();
  void ShowReportRate();
  void ShowSliders();
  void ShowColours();
  void ShowColourful();
  void ShowMode17();
  void ShowDirection(int mode);
  void ShowTools();
  void ShowUserPainting();
  void ShowView();
  // The controls of the current mode, or none.
  void ShowModeControls(bool shown);

  // What the controls do.
  void LightingViewOn();
  void SelectMode(std::uint8_t mode);
  void StoreAndWrite(std::uint8_t& stored, std::size_t offset, int value);
  void SetDirection(std::uint8_t direction);
  void PickGroupColour(Rgb colour);
  void ToggleColourful();
  void PickMode17Colour(int colour);
  void PickReportRate(int rate);
  void PickTool(int tool);
  void PickUserColour(Rgb colour);
  void PickBaseColour(Rgb colour);

  // The key grid in mode 20.
  bool FramesShown() const;
  void SetKeyColourFrames();
  void ClearKeyMarksAndFrames();

  static bool In(int control, const std::vector<int>& controls);
  template <std::size_t N>
  static std::optional<int> IndexIn(const std::array<int, N>& controls, int control);

  LightingPanelParts parts_;
  std::unique_ptr<LightingPanelView> noView_;
  LightingPanelView* view_;
  int languageIndex_ = 0;
  std::vector<std::u16string> userModeNames_;
};

}  // namespace ombrex
