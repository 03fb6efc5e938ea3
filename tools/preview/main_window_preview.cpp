#include "tools/preview/main_window_preview.h"

#include <unistd.h>

#include <array>
#include <optional>
#include <string>
#include <variant>

#include "app/lighting_panel.h"
#include "app/lighting_panel_controls.h"
#include "device/app_state.h"
#include "device/device_link.h"
#include "device/service_library.h"
#include "model/key_buttons_table.h"
#include "model/lighting.h"
#include "model/user_mode_files.h"
#include "platform/ini.h"
#include "platform/settings_store.h"
#include "platform/text.h"
#include "razizid/in_process.h"
#include "resources/texts.h"
#include "vkbd/keyboard.h"
#include "widgets/skin_pictures.h"

namespace ombrex::preview {
namespace {

QPixmap Bitmap(SkinPictures& pictures, const std::string& name) {
  return pictures.Picture(std::filesystem::path("Skins") / name);
}

std::u16string Key(const char* format, int value) {
  return FormatWithInt(Utf16FromAscii(format), value);
}

struct ImageButtonKey {
  std::u16string_view key;
  int id;
  std::u16string_view caption;  // language key; empty for none
  bool enabled;
};

// Image buttons of the main window other than the key grid.
constexpr ImageButtonKey kCommandButtons[] = {
    {u"TIRVAN_LINK", 1121, u"", true},
    {u"FUNC_PROFILES", 1005, u"IDS_DEFAULT_PROFILE_NAME", true},
    {u"FUNC_MACRO", 1007, u"IDS_MAIN_MACRO", true},
    {u"CONTROL_OK", 1, u"IDS_MAIN_OK", true},
    {u"CONTROL_CANCEL", 2, u"IDS_MAIN_Cancel", true},
    {u"CONTROL_HELP", 1122, u"", true},
    {u"CONTROL_CLOSE", 1124, u"", true},
    {u"CONTROL_MINIMIZE", 1123, u"", true},
    {u"CONTROL_MENU", 1139, u"", true},
    {u"CONTROL2_APPLY", 1006, u"IDS_MAIN_Apply", false},
    {u"LOCK_CAPS", 1125, u"", false},
    {u"LOCK_NUM", 1126, u"", false},
    {u"LOCK_SCROLL", 1127, u"", false},
    {u"LOCK_AB", 1128, u"", false},
    {u"FLIP_0", 1129, u"", false},
    {u"FLIP_1", 1130, u"", true},
    {u"FLIP_2", 1131, u"", true},
    {u"TIRVAN_VER", 1134, u"MAIN_BUTTON_TIRVAN_VER", false},
    {u"FUNC_PROFILE1", 1135, u"IDS_MAIN_PROFILE1", true},
    {u"FUNC_PROFILE2", 1136, u"IDS_MAIN_PROFILE2", true},
    {u"FUNC_PROFILE3", 1137, u"IDS_MAIN_PROFILE3", true},
    {u"FUNC_PROFILE4", 1199, u"IDS_MAIN_PROFILE4", true},
    {u"FUNC_DEFAULT", 1138, u"IDS_MAIN_DEFAULT", true},
    {u"FUNC_SWITCH", 1008, u"", true},
    {u"CONTROL_Network", 1219, u"", true},
    {u"CONTROL_Facebook", 1220, u"", true},
    {u"CONTROL_twitter", 1221, u"", true},
};

constexpr int kGKeyControls[] = {1000, 1001, 1002, 1003, 1004, 1140, 1141, 1142, 1143};

// Keys a few assignments would mark, to show the marked look.
bool ShownAssigned(int slot) {
  return slot == 0x1E || slot == 0x11 || slot == 0x1F || slot == 0x20;
}

// The key view's marks; the lighting view's frames are the panel's own.
void PlaceKeyGrid(PreviewDialog& preview, const ButtonPictures& faces, const MainView& view) {
  for (const KeyButtonInfo& key : kKeyButtons) {
    CPngButton& button = preview.ImageButton(Key("KEY_%03X", key.slot), key.control, faces);
    button.SetMarked(!view.lighting && ShownAssigned(key.slot));
  }
  for (int j = 0; j < 9; ++j) {
    CPngButton& g = preview.ImageButton(Key("FUNC_G%d", j + 1), kGKeyControls[j], faces);
    g.setEnabled(j < 7);
    g.SetMarked(!view.lighting && (j == 0 || j == 2));
  }
  preview.ImageButton(u"KEY_FN", kFnControl, faces);
  // D1..D6 are there for the other Flip setting; with Flip 0 they are disabled.
  for (int d = 1; d <= 6; ++d) {
    preview.ImageButton(Key("FUNC_D%d", d), 1015 + d, faces).setEnabled(false);
  }
}

void PlaceCommands(PreviewDialog& preview, const ButtonPictures& faces) {
  for (const ImageButtonKey& command : kCommandButtons) {
    const QString caption =
        command.caption.empty() ? QString() : preview.Texts().Text(command.caption);
    preview.ImageButton(command.key, command.id, faces, caption).setEnabled(command.enabled);
  }
  // With Flip 0 the arrows show their "down" pictures.
  const QPixmap arrow = preview.Dialog().Pictures().Picture("Skins/Arrow.jpg");
  for (auto [place, origin, id] : {std::tuple{u"LEFT_ARROW", u"DOWN_ARROW_LEFT1", 1132},
                                   std::tuple{u"RIGHT_ARROW", u"DOWN_ARROW_RIGHT1", 1133}}) {
    auto& button = preview.ImageButton(place, id, faces);
    preview.Dialog().PlaceTwoKeyButton(button, place, origin, arrow);
    button.setEnabled(false);
  }
}

// The preview's keyboard: every mode offered, profile 0 showing `view.mode`
// with a few values that make each control show something.
std::array<std::uint8_t, protocol::kStatusModeCount> EveryMode() {
  std::array<std::uint8_t, protocol::kStatusModeCount> modes{};
  for (std::size_t i = 0; i < 23; ++i) modes[i] = static_cast<std::uint8_t>(i + 1);
  return modes;
}

// A user mode whose keys run through the colour wheel by their light, with a
// base colour the keys without a light of their own follow.
std::string PaintedUserModes() {
  std::string file =
      "[PRESENTMODE]\nmode=0\n[MODENAME]\n0=Wheel\n[Mode0]\ntool=1\n"
      "jcolor=255,174,43\ncolor=229,72,77\n";
  for (int led = 0; led < 63; ++led) {
    const QColor colour = QColor::fromHsv((led * 23) % 360, 200, 255);
    file += std::to_string(led) + "=" + std::to_string(colour.red()) + "," +
            std::to_string(colour.green()) + "," + std::to_string(colour.blue()) + ",0\n";
  }
  return file;
}

// The key grid's buttons, as the lighting panel marks and frames them.
class PreviewKeyButtons final : public KeyButtons {
 public:
  explicit PreviewKeyButtons(PreviewDialog& preview) {
    for (std::size_t i = 0; i < kKeyButtonCount; ++i) {
      buttons_[i] = preview.Find(Key("KEY_%03X", kKeyButtons[i].slot));
    }
    for (int j = 0; j < 9; ++j) buttons_[GKeyButton(j)] = preview.Find(Key("FUNC_G%d", j + 1));
    buttons_[kFnButton] = preview.Find(u"KEY_FN");
  }
  void SetAssigned(int button, bool assigned) override {
    if (CPngButton* key = At(button)) key->SetMarked(assigned);
  }
  void SetTooltip(int, std::u16string_view) override {}
  void SetColourFrame(int button, std::optional<Rgb> colour) override {
    if (CPngButton* key = At(button)) {
      key->SetFrameColour(colour ? std::optional(QColor(colour->red, colour->green, colour->blue))
                                 : std::nullopt);
    }
  }
  void ApplyFlip() override {}

 private:
  CPngButton* At(int button) const {
    if (button < 0 || button >= static_cast<int>(kButtonCount)) return nullptr;
    return static_cast<CPngButton*>(buttons_[static_cast<std::size_t>(button)]);
  }
  std::array<QWidget*, kButtonCount> buttons_{};
};

// The real lighting panel, its rules and controls, on an in-process virtual
// keyboard whose profile 0 shows the previewed mode.
class LightingScene {
 public:
  LightingScene(PreviewDialog& preview, const PreviewTexts& texts, MainView view)
      : folder_(ScratchFolder()),
        library_(keyboard_),
        bound_(BindServiceLibrary(library_.Functions())),
        store_(OpenSettingsIn(folder_ / "config")),
        texts_(texts.ProgramFolder(), *store_, 0x0409),
        files_(folder_ / "data", texts.ProgramFolder()),
        buttons_(preview) {
    if (!std::holds_alternative<ServiceLibrary>(bound_)) return;
    link_.emplace(std::get<ServiceLibrary>(bound_), state_);
    link_->RegisterReplyRead();
    lighting_.emplace(link_->Commands(), files_, folder_ / "docs");
    panel_.emplace(LightingPanelParts{.lighting = *lighting_,
                                      .commands = link_->Commands(),
                                      .buttons = buttons_,
                                      .texts = texts_,
                                      .selectProfile = [](ProfileNumber) { return 1; },
                                      .refreshAllKeys = {}});
    controls_.emplace(preview.Dialog(), *panel_);
    controls_->SetupLightingPanel();
    for (const LightingControl& control : LightingControls()) {
      preview.Adopt(control.skinKey, *controls_->Control(control.id));
    }
    Show(texts, view);
  }
  ~LightingScene() {
    controls_.reset();
    panel_.reset();
    lighting_.reset();
    link_.reset();
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
  }

 private:
  static std::filesystem::path ScratchFolder() {
    static int made = 0;
    return std::filesystem::temp_directory_path() /
           ("ombrex-preview-" + std::to_string(getpid()) + "-" + std::to_string(++made));
  }

  void Show(const PreviewTexts& texts, MainView view) {
    const std::uint8_t mode = static_cast<std::uint8_t>(view.mode);
    //                                       mode bright speed dir colourful  colour
    const std::array<std::uint8_t, 8> record{mode, 3, 2, 255, 0, 0x27, 0xd3, 0xf2};
    link_->Commands().WriteSettings(record, 0);
    const std::array<std::uint8_t, 3> rateAndMode17{3, 0, 1};  // report rate 4, yellow
    link_->Commands().WriteSettings(rateAndMode17, 15);
    std::error_code error;
    std::filesystem::create_directories(files_.UserFile(0).parent_path(), error);
    ini::ReplaceFile(files_.UserFile(0), PaintedUserModes());
    lighting_->WriteLightingViewSetting(view.lighting);
    panel_->SetLightingProfile(0);
    panel_->ReadLighting(true);
    panel_->RefreshLightingPanel();
    panel_->ApplyLanguage(texts.LanguageIndex());
    lighting_->Flush();
  }

  std::filesystem::path folder_;
  vkbd::Keyboard keyboard_{vkbd::FactoryConfig{.modes = EveryMode()}};
  razizid::InProcessLibrary library_;
  ServiceLibraryResult bound_;
  AppState state_;
  std::optional<DeviceLink> link_;
  std::unique_ptr<SettingsStore> store_;
  Texts texts_;
  UserModeFiles files_;
  PreviewKeyButtons buttons_;
  std::optional<Lighting> lighting_;
  std::optional<LightingPanel> panel_;
  std::optional<CLightingPanel> controls_;
};

void PlaceBusyIndicator(PreviewDialog& preview, SkinPictures& pictures, bool busy) {
  preview.Picture(u"CONTROL_JDTStatic", lighting_control::kBusyIndicator,
                  Bitmap(pictures, busy ? "jdt4.bmp" : "jdt1.bmp"));
  preview.Show(u"CONTROL_JDTStatic", busy);  // only while Apply runs
}

}  // namespace

std::unique_ptr<PreviewDialog> BuildMainWindow(SkinPictures& pictures, const PreviewTexts& texts,
                                               MainView view) {
  const QString name = view.busy       ? QStringLiteral("main-applying")
                       : view.lighting ? QStringLiteral("main-lighting-mode%1").arg(view.mode)
                                       : QStringLiteral("main-keys");
  auto preview = std::make_unique<PreviewDialog>(pictures, "Skins/Main.ini", texts, name);
  const ButtonPictures faces = MainWindowFaces(pictures);
  PlaceKeyGrid(*preview, faces, view);
  PlaceCommands(*preview, faces);
  preview->KeepAlive(std::make_shared<LightingScene>(*preview, texts, view));
  PlaceBusyIndicator(*preview, pictures, view.busy);
  return preview;
}

}  // namespace ombrex::preview
