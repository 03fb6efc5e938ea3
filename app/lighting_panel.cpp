#include "app/lighting_panel.h"

#include <algorithm>
#include <initializer_list>

#include "device/command_set.h"
#include "model/host_lighting.h"
#include "model/key_buttons_table.h"
#include "model/lighting.h"
#include "platform/ini.h"
#include "platform/text.h"
#include "resources/skin_file.h"
#include "resources/texts.h"

namespace ombrex {

namespace lc = lighting_control;
using Kind = LightingControlKind;

namespace {

constexpr LightingControl kControls[] = {
    {lc::kLightButton, Kind::Picture, u"CONTROL_DengStaPic"},
    {lc::kLightLabel, Kind::Label, u"CONTROL_DengStatic", u"IDS_KEYBOARD_FUNC_DENG", u"Deng"},
    {lc::kModeList, Kind::ModeList, u"CONTROL_XGcombox"},
    {lc::kBrightnessLabel, Kind::Label, u"CONTROL_LightStatic", u"IDS_KEYBOARD_FUNC_TEXTLIGHT",
     u"Light"},
    {lc::kBrightnessSlider, Kind::Slider, u"CONTROL_LightSlider"},
    {lc::kSpeedLabel, Kind::Label, u"CONTROL_SpeedStatic", u"IDS_KEYBOARD_FUNC_SPEED", u"Speed"},
    {lc::kSpeedSlider, Kind::Slider, u"CONTROL_SpeedSlider"},
    {lc::kDirectionLabel, Kind::Label, u"CONTROL_BLFXStatic", u"IDS_KEYBOARD_FUNC_FX", u"FX"},
    {lc::kDirectionFirst, Kind::Picture, u"CONTROL_BLFXLStaPic"},
    {lc::kDirectionSecond, Kind::Picture, u"CONTROL_BLFXRStaPic"},
    {lc::kColourLabelA, Kind::Label, u"CONTROL_HXysStatic", u"IDS_KEYBOARD_FUNC_COLOR", u"Color"},
    {lc::kColourButtonA, Kind::ColourButton, u"CONTROL_HXysButton"},
    {lc::kColourfulLabelA, Kind::Label, u"CONTROL_HXsjsStatic", u"IDS_KEYBOARD_FUNC_COLOURFUL",
     u"DC"},
    {lc::kColourfulA, Kind::Picture, u"CONTROL_HXsjsStaPic"},
    {lc::kColourLabelB, Kind::Label, u"CONTROL_FYYSStatic", u"IDS_KEYBOARD_FUNC_COLOR", u"Color"},
    {lc::kColourButtonB, Kind::ColourButton, u"CONTROL_FYYSButton"},
    {lc::kColourfulLabelB, Kind::Label, u"CONTROL_FYSJSStatic", u"IDS_KEYBOARD_FUNC_COLOURFUL",
     u"DC"},
    {lc::kColourfulB, Kind::Picture, u"CONTROL_FYSJSStaPic"},
    {lc::kMode17Colours[0], Kind::Picture, u"CONTROL_HONGPIC"},
    {lc::kMode17Colours[1], Kind::Picture, u"CONTROL_HUANGPIC"},
    {lc::kMode17Colours[2], Kind::Picture, u"CONTROL_LVPIC"},
    {lc::kMode17Colours[3], Kind::Picture, u"CONTROL_LANPIC"},
    {lc::kUserColourLabel, Kind::Label, u"CONTROL_USERysStatic", u"IDS_KEYBOARD_FUNC_COLOR",
     u"Color"},
    {lc::kUserColourButton, Kind::ColourButton, u"CONTROL_USERysButton"},
    {lc::kBaseColourLabel, Kind::Label, u"CONTROL_USERjsStatic", u"IDS_KEYBOARD_FUNC_JCOLOR",
     u"JColor"},
    {lc::kBaseColourButton, Kind::ColourButton, u"CONTROL_USERjsButton"},
    {lc::kToolLabel, Kind::Label, u"CONTROL_USERgjStatic", u"IDS_KEYBOARD_FUNC_TOOL", u"Tool"},
    {lc::kUserColourTool, Kind::Picture, u"CONTROL_USERgjStaPic1"},
    {lc::kBaseColourTool, Kind::Picture, u"CONTROL_USERgjStaPic2"},
    {lc::kUserModeList, Kind::UserModeList, u"CONTROL_umCombo"},
    {lc::kReportRateLabel, Kind::Label, u"CONTROL_UsbStatic", u"IDS_KEYBOARD_FUNC_USB", u"Usb"},
    {lc::kReportRates[0], Kind::ReportButton, u"FUNC_REPORT1"},
    {lc::kReportRates[1], Kind::ReportButton, u"FUNC_REPORT2"},
    {lc::kReportRates[2], Kind::ReportButton, u"FUNC_REPORT3"},
    {lc::kReportRates[3], Kind::ReportButton, u"FUNC_REPORT4"},
    {lc::kRgbLabel, Kind::Label, u"CONTROL_RGBStatic", {}, {}, u"RGB"},
    {lc::kRgbFields[0], Kind::NumberField, u"COLOR_R"},
    {lc::kRgbFields[1], Kind::NumberField, u"COLOR_G"},
    {lc::kRgbFields[2], Kind::NumberField, u"COLOR_B"},
};

// The controls of each group and the modes that show it.
struct ModeGroup {
  std::initializer_list<int> controls;
  std::initializer_list<int> modes;
};

const ModeGroup kModeGroups[] = {
    {{lc::kBrightnessLabel, lc::kBrightnessSlider},
     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20, 22, 23}},
    {{lc::kSpeedLabel, lc::kSpeedSlider}, {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 23}},
    {{lc::kDirectionLabel, lc::kDirectionFirst, lc::kDirectionSecond}, {1, 2, 3, 12, 18}},
    {{lc::kColourLabelA, lc::kColourButtonA, lc::kColourfulLabelA, lc::kColourfulA},
     {1, 2, 3, 5, 7, 8, 9, 10, 13, 14, 15}},
    {{lc::kColourLabelB, lc::kColourButtonB, lc::kColourfulLabelB, lc::kColourfulB}, {6, 16}},
    {{lc::kMode17Colours[0], lc::kMode17Colours[1], lc::kMode17Colours[2], lc::kMode17Colours[3]},
     {17}},
    {{lc::kUserColourLabel, lc::kUserColourButton, lc::kBaseColourLabel, lc::kBaseColourButton,
      lc::kToolLabel, lc::kUserColourTool, lc::kBaseColourTool, lc::kUserModeList},
     {20}},
};

constexpr int kModeControls[] = {
    lc::kModeList,         lc::kBrightnessLabel,  lc::kBrightnessSlider, lc::kSpeedLabel,
    lc::kSpeedSlider,      lc::kDirectionLabel,   lc::kDirectionFirst,   lc::kDirectionSecond,
    lc::kColourLabelA,     lc::kColourButtonA,    lc::kColourfulLabelA,  lc::kColourfulA,
    lc::kColourLabelB,     lc::kColourButtonB,    lc::kColourfulLabelB,  lc::kColourfulB,
    lc::kMode17Colours[0], lc::kMode17Colours[1], lc::kMode17Colours[2], lc::kMode17Colours[3],
    lc::kUserColourLabel,  lc::kUserColourButton, lc::kBaseColourLabel,  lc::kBaseColourButton,
    lc::kToolLabel,        lc::kUserColourTool,   lc::kBaseColourTool,   lc::kUserModeList,
};

bool In(int value, std::initializer_list<int> values) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

constexpr std::u16string_view kLightOn = u"dengdown.bmp";
constexpr std::u16string_view kLightOff = u"dengup.bmp";
constexpr std::u16string_view kColourfulOn = u"sjsdown.bmp";
constexpr std::u16string_view kColourfulOff = u"sjsup.bmp";
constexpr std::array<std::u16string_view, 4> kMode17Plain{u"hong.bmp", u"huang.bmp", u"lv.bmp",
                                                          u"lan.bmp"};
constexpr std::array<std::u16string_view, 4> kMode17Selected{u"hongok.bmp", u"huangok.bmp",
                                                             u"lvok.bmp", u"lanok.bmp"};
constexpr std::uint8_t kDirectionLeft = 255;
constexpr std::uint8_t kDirectionRight = 0;
constexpr int kSliderMax = 4;
constexpr Rgb kWhite{255, 255, 255};

// Slider thumbs: "0.bmp".."4.bmp" for brightness, "5.bmp".."9.bmp" for speed.
std::u16string Thumb(int number) {
  return DecimalText(number) + u".bmp";
}

int ClampToSlider(int value) {
  return std::clamp(value, 0, kSliderMax);
}

}  // namespace

std::span<const LightingControl> LightingControls() {
  return kControls;
}

std::span<const int> ModeControls() {
  return kModeControls;
}

std::vector<int> ControlsOfMode(int mode) {
  std::vector<int> shown{lc::kModeList};
  for (const ModeGroup& group : kModeGroups) {
    if (In(mode, group.modes)) shown.insert(shown.end(), group.controls);
  }
  return shown;
}

DirectionPlaces DirectionPlacesOf(int mode) {
  if (mode >= 1 && mode <= 3) {
    return {u"CONTROL_BLFXStatic2", u"CONTROL_BLFXLStaPic2", u"CONTROL_BLFXRStaPic2"};
  }
  if (mode == 12) return {u"CONTROL_BLFXStatic3", u"CONTROL_BLFXLStaPic3", u"CONTROL_BLFXRStaPic3"};
  return {u"CONTROL_BLFXStatic", u"CONTROL_BLFXLStaPic", u"CONTROL_BLFXRStaPic"};
}

DirectionPictures DirectionPicturesOf(int mode, std::uint8_t direction) {
  // Anything but 0 reads as the first direction, as the keyboard takes it.
  const bool first = direction != kDirectionRight;
  if (mode == 18) {
    return first ? DirectionPictures{u"kuosandown.bmp", u"julong.bmp"}
                 : DirectionPictures{u"kuosan.bmp", u"julongdown.bmp"};
  }
  if (mode == 12) {
    return first ? DirectionPictures{u"updown.bmp", u"downup.bmp"}
                 : DirectionPictures{u"upup.bmp", u"downdown.bmp"};
  }
  return first ? DirectionPictures{u"leftdown.bmp", u"rightup.bmp"}
               : DirectionPictures{u"leftup.bmp", u"rightdown.bmp"};
}

std::u16string RgbFieldText(std::u16string_view text) {
  std::u16string digits;
  for (char16_t c : text) {
    if (c >= u'0' && c <= u'9') digits.push_back(c);
  }
  long long value = 0;
  for (char16_t c : digits) value = std::min<long long>(value * 10 + (c - u'0'), 1000);
  return value > 255 ? std::u16string(u"255") : digits;
}

// Draws nowhere: the panel before its controls exist.
class LightingPanel::NoView final : public LightingPanelView {
 public:
  void ShowControl(int, bool) override {}
  void PlaceControl(int, std::u16string_view) override {}
  void SetText(int, std::u16string_view) override {}
  void SetPicture(int, std::u16string_view) override {}
  void SetSliderPosition(int, int) override {}
  void SetColour(int, Rgb) override {}
  void SetPressed(int, bool) override {}
  void SetListEntries(int, std::span<const std::u16string>) override {}
  void SelectListEntry(int, int) override {}
  void SetListEntry(int, int, std::u16string_view) override {}
  void Focus(int) override {}
};

LightingPanel::LightingPanel(LightingPanelParts parts)
    : parts_(std::move(parts)), noView_(std::make_unique<NoView>()), view_(noView_.get()) {
  languageIndex_ = parts_.texts.CurrentLanguageIndex();
}

void LightingPanel::AttachView(LightingPanelView& view) {
  view_ = &view;
}

void LightingPanel::DetachView(const LightingPanelView& view) {
  if (view_ == &view) view_ = noView_.get();
}

HostLightingState& LightingPanel::State() {
  return parts_.lighting.State();
}

void LightingPanel::SetupLightingPanel(const SkinFile& skin) {
  view_->SetSliderPosition(lc::kBrightnessSlider, 0);
  view_->SetPicture(lc::kBrightnessSlider, Thumb(0));
  view_->SetSliderPosition(lc::kSpeedSlider, 0);
  view_->SetPicture(lc::kSpeedSlider, Thumb(6));
  const int choice = parts_.texts.LanguageIsEnglish() ? 1 : 0;
  SetLabels([&](const LightingControl& control) {
    return control.skinCaptionKey.empty() ? std::u16string()
                                          : skin.ControlName(control.skinCaptionKey, choice);
  });
  // Until the keyboard is read: the key view, and every picture of the panel
  // showing something.
  ShowColourful();
  ShowMode17();
  ShowDirection(State().mode);
  ShowUserPainting();
  ShowModeControls(false);
  view_->SetPicture(lc::kLightButton, kLightOff);
}

void LightingPanel::SetLabels(const std::function<std::u16string(const LightingControl&)>& text) {
  for (const LightingControl& control : LightingControls()) {
    if (control.kind != Kind::Label) continue;
    if (!control.literalText.empty()) {
      view_->SetText(control.id, control.literalText);
      continue;
    }
    // An empty text leaves the caption as it is.
    if (const std::u16string caption = text(control); !caption.empty()) {
      view_->SetText(control.id, caption);
    }
  }
}

void LightingPanel::SetLightingProfile(ProfileNumber profile) {
  parts_.lighting.SetShownProfile(profile);
}

ProfileNumber LightingPanel::LightingProfile() const {
  return parts_.lighting.Host().ShownProfile();
}

DeviceResult LightingPanel::ReadLighting(bool full) {
  const DeviceResult read = parts_.lighting.ReadLighting(full);
  // The full read loaded the current user mode; the list shows its profile's.
  if (full && parts_.lighting.Host().Modes().SupportsUserPainting()) RefillUserModes();
  return read;
}

void LightingPanel::RefillUserModes() {
  const auto names = parts_.lighting.UserModeNames(LightingProfile());
  userModeNames_.assign(names.begin(), names.end());
  view_->SetListEntries(lc::kUserModeList, userModeNames_);
  view_->SelectListEntry(lc::kUserModeList, State().currentUserMode);
}

void LightingPanel::LoadCurrentUserMode() {
  parts_.lighting.LoadUserMode();
}

void LightingPanel::RecomputeFollowMarks() {
  parts_.lighting.Host().RecomputeFollowMarks();
}

void LightingPanel::RefreshLightingPanel() {
  ShowModeList();
  ShowReportRate();
  ShowSliders();
  ShowColours();
  ShowColourful();
  ShowMode17();
  ShowUserPainting();
  ShowView();
  ShowDirection(State().mode);
}

void LightingPanel::ShowView() {
  if (!LightingView()) {
    ShowModeControls(false);
    view_->SetPicture(lc::kLightButton, kLightOff);
    return;
  }
  ShowModeControls(true);
  view_->SetPicture(lc::kLightButton, kLightOn);
  if (FramesShown()) SetKeyColourFrames();
}

std::u16string LightingPanel::ModeName(std::uint8_t mode) const {
  return ini::ReadString(parts_.texts.TextFile(languageIndex_), u"Mode", DecimalText(mode), u"1");
}

void LightingPanel::ShowModeList() {
  std::vector<std::u16string> names;
  for (const ModeList::Item& item : parts_.lighting.Host().Modes().Items()) {
    names.push_back(ModeName(item.mode));
  }
  view_->SetListEntries(lc::kModeList, names);
  view_->SelectListEntry(lc::kModeList, parts_.lighting.Host().Modes().ListIndexOf(State().mode));
}

void LightingPanel::ShowReportRate() {
  for (std::size_t r = 0; r < lc::kReportRates.size(); ++r) {
    view_->SetPressed(lc::kReportRates[r], State().reportRate == r);
  }
}

void LightingPanel::ShowSliders() {
  // A value the keyboard should never hold shows at the nearest end.
  const int brightness = ClampToSlider(State().brightness);
  view_->SetSliderPosition(lc::kBrightnessSlider, brightness);
  view_->SetPicture(lc::kBrightnessSlider, Thumb(brightness));
  const int speedPosition = kSliderMax - ClampToSlider(State().speed);
  view_->SetSliderPosition(lc::kSpeedSlider, speedPosition);
  view_->SetPicture(lc::kSpeedSlider, Thumb(5 + speedPosition));
}

void LightingPanel::ShowColours() {
  view_->SetColour(lc::kColourButtonA, State().colour);
  view_->SetColour(lc::kColourButtonB, State().colour);
}

void LightingPanel::ShowColourful() {
  const std::u16string_view picture = State().colourful ? kColourfulOn : kColourfulOff;
  view_->SetPicture(lc::kColourfulA, picture);
  view_->SetPicture(lc::kColourfulB, picture);
}

void LightingPanel::ShowMode17() {
  if (State().mode17Colour >= kMode17Plain.size()) State().mode17Colour = 0;
  for (std::size_t k = 0; k < kMode17Plain.size(); ++k) {
    view_->SetPicture(lc::kMode17Colours[k],
                      k == State().mode17Colour ? kMode17Selected[k] : kMode17Plain[k]);
  }
}

void LightingPanel::ShowDirection(int mode) {
  const DirectionPlaces places = DirectionPlacesOf(mode);
  view_->PlaceControl(lc::kDirectionLabel, places.label);
  view_->PlaceControl(lc::kDirectionFirst, places.first);
  view_->PlaceControl(lc::kDirectionSecond, places.second);
  const DirectionPictures pictures = DirectionPicturesOf(mode, State().direction);
  view_->SetPicture(lc::kDirectionFirst, pictures.first);
  view_->SetPicture(lc::kDirectionSecond, pictures.second);
}

void LightingPanel::ShowTools() {
  const bool baseTool = State().tool == 1;
  view_->SetPicture(lc::kUserColourTool, baseTool ? u"user1up.bmp" : u"user1down.bmp");
  view_->SetPicture(lc::kBaseColourTool, baseTool ? u"user2down.bmp" : u"user2up.bmp");
}

void LightingPanel::ShowUserPainting() {
  view_->SelectListEntry(lc::kUserModeList, State().currentUserMode);
  view_->SetColour(lc::kUserColourButton, State().userColour);
  view_->SetColour(lc::kBaseColourButton, State().baseColour);
  ShowTools();
}

void LightingPanel::ShowModeControls(bool shown) {
  const std::vector<int> ofMode = shown ? ControlsOfMode(State().mode) : std::vector<int>{};
  for (int control : ModeControls()) {
    view_->ShowControl(control, In(control, ofMode));
  }
}

bool LightingPanel::In(int control, const std::vector<int>& controls) {
  return std::find(controls.begin(), controls.end(), control) != controls.end();
}

bool LightingPanel::LightingView() const {
  return parts_.lighting.Host().LightingView();
}

bool LightingPanel::FramesShown() const {
  return LightingView() && parts_.lighting.Host().State().mode == kUserPaintedMode;
}

bool LightingPanel::Paints() const {
  return FramesShown();
}

void LightingPanel::SetKeyColourFrames() {
  parts_.lighting.Host().SetKeyColourFrames(parts_.buttons);
}

void LightingPanel::ClearKeyMarksAndFrames() {
  parts_.lighting.Host().ClearKeyColourFrames(parts_.buttons);
  for (int button = 0; button < static_cast<int>(kButtonCount); ++button) {
    parts_.buttons.SetAssigned(button, false);
  }
}

void LightingPanel::LightingViewOn() {
  // Switching to the profile the keyboard already has settles unapplied
  // edits and is refused while an editor is open. Unknown, there is nothing
  // to switch to: asking would switch the keyboard to profile 0.
  if (const std::optional<ProfileNumber> current = parts_.commands.ActiveProfile()) {
    if (parts_.selectProfile(*current) == 0) return;
  }
  parts_.lighting.Host().SetLightingView(true);
  parts_.lighting.WriteLightingViewSetting(true);
  ShowView();
}

void LightingPanel::LightingViewOff() {
  parts_.lighting.Host().SetLightingView(false);
  parts_.lighting.WriteLightingViewSetting(false);
  view_->SetPicture(lc::kLightButton, kLightOff);
  ClearKeyMarksAndFrames();
  if (parts_.refreshAllKeys) parts_.refreshAllKeys();
  ShowModeControls(false);
}

void LightingPanel::FocusModeList() {
  view_->Focus(lc::kModeList);
}

void LightingPanel::ApplyLanguage(int languageIndex) {
  languageIndex_ = languageIndex;
  SetLabels([&](const LightingControl& control) {
    return control.textKey.empty() ? std::u16string()
                                   : parts_.texts.LookupText(control.textKey, languageIndex);
  });
  ShowModeList();
}

void LightingPanel::OnClicked(int control) {
  if (control == lc::kLightButton) {
    LightingView() ? LightingViewOff() : LightingViewOn();
  } else if (control == lc::kDirectionFirst || control == lc::kDirectionSecond) {
    SetDirection(control == lc::kDirectionFirst ? kDirectionLeft : kDirectionRight);
  } else if (control == lc::kColourfulA || control == lc::kColourfulB) {
    ToggleColourful();
  } else if (control == lc::kUserColourTool || control == lc::kBaseColourTool) {
    PickTool(control == lc::kUserColourTool ? 0 : 1);
  } else if (const auto k = IndexIn(lc::kMode17Colours, control)) {
    PickMode17Colour(*k);
  } else if (const auto r = IndexIn(lc::kReportRates, control)) {
    PickReportRate(*r);
  }
}

template <std::size_t N>
std::optional<int> LightingPanel::IndexIn(const std::array<int, N>& controls, int control) {
  const auto found = std::find(controls.begin(), controls.end(), control);
  if (found == controls.end()) return std::nullopt;
  return static_cast<int>(found - controls.begin());
}

void LightingPanel::OnModeSelected(int listIndex) {
  const std::uint8_t mode = parts_.lighting.Host().Modes().ModeAt(listIndex);
  if (mode != 0) SelectMode(mode);
}

void LightingPanel::SelectMode(std::uint8_t mode) {
  ClearKeyMarksAndFrames();
  ShowDirection(mode);
  Lighting& lighting = parts_.lighting;
  if (In(mode, {1, 2, 3, 5, 7, 8, 9, 13, 14, 15})) {
    lighting.WriteLightingByte(lighting_field::kMode, mode);
    lighting.WriteLightingByte(lighting_field::kColourful, State().colourful ? 1 : 0);
  } else if (In(mode, {4, 6, 10, 11, 12, 16, 17, 18, 22, 23, kUserPaintedMode})) {
    lighting.WriteLightingByte(lighting_field::kMode, mode);
  }
  State().mode = mode;
  if (FramesShown()) SetKeyColourFrames();
  if (LightingView()) ShowModeControls(true);
}

void LightingPanel::OnSlider(int control, int position) {
  position = ClampToSlider(position);
  if (control == lc::kBrightnessSlider) {
    view_->SetPicture(control, Thumb(position));
    StoreAndWrite(State().brightness, lighting_field::kBrightness, position);
  } else if (control == lc::kSpeedSlider) {
    view_->SetPicture(control, Thumb(5 + position));
    StoreAndWrite(State().speed, lighting_field::kSpeed, kSliderMax - position);
  }
}

void LightingPanel::StoreAndWrite(std::uint8_t& stored, std::size_t offset, int value) {
  // A drag passes the same position many times: only a change is sent.
  if (stored == value) return;
  stored = static_cast<std::uint8_t>(value);
  parts_.lighting.WriteLightingByte(offset, stored);
}

void LightingPanel::SetDirection(std::uint8_t direction) {
  State().direction = direction;
  parts_.lighting.WriteLightingByte(lighting_field::kDirection, direction);
  const DirectionPictures pictures = DirectionPicturesOf(State().mode, direction);
  view_->SetPicture(lc::kDirectionFirst, pictures.first);
  view_->SetPicture(lc::kDirectionSecond, pictures.second);
}

void LightingPanel::OnColourPicked(int control, Rgb colour) {
  if (control == lc::kColourButtonA || control == lc::kColourButtonB) {
    PickGroupColour(colour);
  } else if (control == lc::kUserColourButton) {
    PickUserColour(colour);
  } else if (control == lc::kBaseColourButton) {
    PickBaseColour(colour);
  }
}

void LightingPanel::PickGroupColour(Rgb colour) {
  State().colour = colour;
  State().colourful = false;
  ShowColourful();
  ShowColours();
  // Colourful off, then the colour: bytes 4..7 in one go.
  const std::array<std::uint8_t, 4> bytes{0, colour.red, colour.green, colour.blue};
  parts_.lighting.WriteLightingField(lighting_field::kColourful, bytes);
}

void LightingPanel::ToggleColourful() {
  State().colourful = !State().colourful;
  ShowColourful();
  parts_.lighting.WriteLightingByte(lighting_field::kColourful, State().colourful ? 1 : 0);
}

void LightingPanel::PickMode17Colour(int colour) {
  State().mode17Colour = static_cast<std::uint8_t>(colour);
  ShowMode17();
  parts_.lighting.WriteLightingByte(lighting_field::kMode17Colour, State().mode17Colour);
}

void LightingPanel::PickReportRate(int rate) {
  State().reportRate = static_cast<std::uint8_t>(rate);
  ShowReportRate();
  parts_.lighting.WriteLightingByte(lighting_field::kReportRate, State().reportRate);
}

void LightingPanel::PickTool(int tool) {
  State().tool = tool;
  ShowTools();
  parts_.lighting.SaveUserModeTools(State().currentUserMode);
}

void LightingPanel::PickUserColour(Rgb colour) {
  State().userColour = colour;
  parts_.lighting.SaveUserModeTools(State().currentUserMode);
}

void LightingPanel::PickBaseColour(Rgb colour) {
  if (colour == State().baseColour) return;
  State().baseColour = colour;
  Lighting& lighting = parts_.lighting;
  lighting.SaveUserModeTools(State().currentUserMode);
  const ProfileNumber profile = LightingProfile();
  std::vector<LedKeyColour> followers;
  for (int button = 0; button < static_cast<int>(kButtonCount); ++button) {
    const int led = LedOfButton(button);
    if (led == kNoLed || !lighting.Host().FollowMark(profile, button)) continue;
    lighting.Host().SetLedColour(profile, led, colour);
    if (FramesShown()) parts_.buttons.SetColourFrame(button, colour);
    const bool listed = std::any_of(followers.begin(), followers.end(),
                                    [led](const LedKeyColour& key) { return key.led == led; });
    if (!listed) followers.push_back({led, {colour, true}});
  }
  lighting.SaveKeyColours(State().currentUserMode, followers);
  lighting.SendKeyColours();
}

void LightingPanel::PaintKey(int button) {
  if (!Paints()) return;
  // G8, G9 and D1..D6 have no light: nothing to paint.
  const int led = LedOfButton(button);
  if (led == kNoLed) return;
  const HostLightingState& state = State();
  if (state.tool != 0 && state.tool != 1) return;
  const bool follows = state.tool == 1;
  const Rgb colour = follows ? state.baseColour : state.userColour;
  Lighting& lighting = parts_.lighting;
  lighting.WriteKeyColour(led, colour);
  // Every key on the same light changes with it, on the keyboard and in the
  // file, so the screen shows them all.
  for (int other = 0; other < static_cast<int>(kButtonCount); ++other) {
    if (LedOfButton(other) != led) continue;
    parts_.buttons.SetColourFrame(other, colour);
    lighting.Host().SetFollowMark(LightingProfile(), other, follows);
  }
  lighting.SaveKeyColour(state.currentUserMode, led, colour, follows);
}

void LightingPanel::OnUserModeSelected(int index) {
  if (index < 0 || index >= kUserModeCount) return;
  State().currentUserMode = index;
  parts_.lighting.SaveCurrentUserMode(index);
  parts_.lighting.LoadUserMode();
  ShowUserPainting();
  if (FramesShown()) SetKeyColourFrames();
}

void LightingPanel::OnUserModeEdited(std::u16string_view text) {
  const int mode = State().currentUserMode;
  if (mode < 0 || mode >= static_cast<int>(userModeNames_.size())) return;
  userModeNames_[static_cast<std::size_t>(mode)] = std::u16string(text);
  view_->SetListEntry(lc::kUserModeList, mode, text);
  parts_.lighting.SaveUserModeName(mode, text);
}

void LightingPanel::OnRgbEdited(int control, std::u16string_view text) {
  const std::u16string shown = RgbFieldText(text);
  if (shown != text) view_->SetText(control, shown);
}

void LightingPanel::ResetLighting() {
  Lighting& lighting = parts_.lighting;
  const ProfileNumber profile = LightingProfile();
  const std::uint8_t mode = DefaultLightingRecord(profile)[lighting_field::kMode];
  view_->SelectListEntry(lc::kModeList, lighting.Host().Modes().ListIndexOf(mode));
  SelectMode(mode);
  // The host takes the whole default record, so that the next move of a
  // slider to its old place is seen as the change it is on the keyboard.
  HostLightingState& state = State();
  state.brightness = 4;
  state.speed = 2;
  state.direction = kDirectionRight;
  state.colour = kWhite;
  state.colourful = true;
  state.reportRate = 0;
  state.mode17Colour = 0;
  ShowSliders();
  ShowDirection(mode);
  ShowColours();
  ShowColourful();
  ShowReportRate();
  ShowMode17();
  if (lighting.Host().Modes().SupportsUserPainting()) {
    // Profile 3's user modes are every profile's defaults; its own stay.
    lighting.CopyUserModes(3, profile);
    RefillUserModes();
    lighting.LoadUserMode();
    ShowUserPainting();
  }
  lighting.WriteDefaultRecord();
}

}  // namespace ombrex
