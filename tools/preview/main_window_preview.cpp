#include "tools/preview/main_window_preview.h"

#include <algorithm>
#include <initializer_list>
#include <string>

#include "model/key_buttons_table.h"
#include "platform/text.h"
#include "widgets/skin_pictures.h"

namespace ombrex::preview {
namespace {

// The modes the preview's mode list offers (a keyboard offers its own).
constexpr int kListedModes[] = {1, 2, 3, 5, 6, 12, 17, 18, 20};

bool InModes(int mode, std::initializer_list<int> modes) {
  return std::find(modes.begin(), modes.end(), mode) != modes.end();
}

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
    {u"FUNC_REPORT1", 1147, u"", true},
    {u"FUNC_REPORT2", 1168, u"", true},
    {u"FUNC_REPORT3", 1169, u"", true},
    {u"FUNC_REPORT4", 1170, u"", true},
    {u"CONTROL_Network", 1219, u"", true},
    {u"CONTROL_Facebook", 1220, u"", true},
    {u"CONTROL_twitter", 1221, u"", true},
};

constexpr int kGKeyControls[] = {1000, 1001, 1002, 1003, 1004, 1140, 1141, 1142, 1143};

// Keys a few assignments would mark, to show the marked look.
bool ShownAssigned(int slot) {
  return slot == 0x1E || slot == 0x11 || slot == 0x1F || slot == 0x20;
}

void PlaceKeyGrid(PreviewDialog& preview, const ButtonPictures& faces, const MainView& view) {
  const bool painting = view.lighting && view.mode == 20;
  for (const KeyButtonInfo& key : kKeyButtons) {
    CPngButton& button = preview.ImageButton(Key("KEY_%03X", key.slot), key.control, faces);
    button.SetMarked(!view.lighting && ShownAssigned(key.slot));
    if (painting) button.SetFrameColour(QColor::fromHsv((key.led * 23) % 360, 200, 255));
  }
  for (int j = 0; j < 9; ++j) {
    CPngButton& g = preview.ImageButton(Key("FUNC_G%d", j + 1), kGKeyControls[j], faces);
    g.setEnabled(j < 7);
    g.SetMarked(!view.lighting && (j == 0 || j == 2));
    if (painting && j < 7) g.SetFrameColour(QColor::fromHsv(40 * j, 200, 255));
  }
  CPngButton& fn = preview.ImageButton(u"KEY_FN", kFnControl, faces);
  if (painting) fn.SetFrameColour(QColor(0xff, 0xae, 0x2b));
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

QString Caption(const PreviewTexts& texts, std::u16string_view languageKey) {
  return texts.Text(languageKey);
}

void PlaceLightingPanel(PreviewDialog& preview, SkinPictures& pictures) {
  const PreviewTexts& texts = preview.Texts();
  preview.Picture(u"CONTROL_DengStaPic", 1167, Bitmap(pictures, "dengup.bmp"));
  preview.Label(u"CONTROL_DengStatic", Caption(texts, u"IDS_KEYBOARD_FUNC_DENG"));
  QStringList modes;
  for (int mode : kListedModes) modes << texts.ModeName(mode);
  preview.DropDown(u"CONTROL_XGcombox", modes, false);
  preview.Label(u"CONTROL_LightStatic", Caption(texts, u"IDS_KEYBOARD_FUNC_TEXTLIGHT"));
  preview.Slider(u"CONTROL_LightSlider", 1178, Bitmap(pictures, "3.bmp")).SetPos(3);
  preview.Label(u"CONTROL_SpeedStatic", Caption(texts, u"IDS_KEYBOARD_FUNC_SPEED"));
  preview.Slider(u"CONTROL_SpeedSlider", 1179, Bitmap(pictures, "7.bmp")).SetPos(2);
  preview.Label(u"CONTROL_BLFXStatic", Caption(texts, u"IDS_KEYBOARD_FUNC_FX"));
  preview.Picture(u"CONTROL_BLFXLStaPic", 1149, Bitmap(pictures, "leftdown.bmp"));
  preview.Picture(u"CONTROL_BLFXRStaPic", 1150, Bitmap(pictures, "rightup.bmp"));
  preview.Label(u"CONTROL_HXysStatic", Caption(texts, u"IDS_KEYBOARD_FUNC_COLOR"));
  preview.ColourButton(u"CONTROL_HXysButton", 1155, QColor(0x27, 0xd3, 0xf2));
  preview.Label(u"CONTROL_HXsjsStatic", Caption(texts, u"IDS_KEYBOARD_FUNC_COLOURFUL"));
  preview.Picture(u"CONTROL_HXsjsStaPic", 1156, Bitmap(pictures, "sjsup.bmp"));
  preview.Label(u"CONTROL_FYYSStatic", Caption(texts, u"IDS_KEYBOARD_FUNC_COLOR"));
  preview.ColourButton(u"CONTROL_FYYSButton", 1152, QColor(0x27, 0xd3, 0xf2));
  preview.Label(u"CONTROL_FYSJSStatic", Caption(texts, u"IDS_KEYBOARD_FUNC_COLOURFUL"));
  preview.Picture(u"CONTROL_FYSJSStaPic", 1175, Bitmap(pictures, "sjsdown.bmp"));
  preview.Picture(u"CONTROL_HONGPIC", 1194, Bitmap(pictures, "hongok.bmp"));
  preview.Picture(u"CONTROL_HUANGPIC", 1195, Bitmap(pictures, "huang.bmp"));
  preview.Picture(u"CONTROL_LVPIC", 1196, Bitmap(pictures, "lv.bmp"));
  preview.Picture(u"CONTROL_LANPIC", 1197, Bitmap(pictures, "lan.bmp"));
  preview.Label(u"CONTROL_USERysStatic", Caption(texts, u"IDS_KEYBOARD_FUNC_COLOR"));
  preview.ColourButton(u"CONTROL_USERysButton", 1160, QColor(0xe5, 0x48, 0x4d));
  preview.Label(u"CONTROL_USERjsStatic", Caption(texts, u"IDS_KEYBOARD_FUNC_JCOLOR"));
  preview.ColourButton(u"CONTROL_USERjsButton", 1162, QColor(0x20, 0x20, 0x20));
  preview.Label(u"CONTROL_USERgjStatic", Caption(texts, u"IDS_KEYBOARD_FUNC_TOOL"));
  preview.Picture(u"CONTROL_USERgjStaPic1", 1164, Bitmap(pictures, "user1down.bmp"));
  preview.Picture(u"CONTROL_USERgjStaPic2", 1165, Bitmap(pictures, "user2up.bmp"));
  QStringList userModes;
  for (int i = 1; i <= 10; ++i) userModes << QStringLiteral("User %1").arg(i);
  preview.DropDown(u"CONTROL_umCombo", userModes, true);
  preview.Label(u"CONTROL_UsbStatic", Caption(texts, u"IDS_KEYBOARD_FUNC_USB"));
  preview.Label(u"CONTROL_RGBStatic", QStringLiteral("RGB"));
  preview.Edit(u"COLOR_R", QStringLiteral("39"), true);
  preview.Edit(u"COLOR_G", QStringLiteral("211"), true);
  preview.Edit(u"COLOR_B", QStringLiteral("242"), true);
  preview.Picture(u"CONTROL_JDTStatic", 1180, Bitmap(pictures, "jdt1.bmp"));
  preview.Show(u"CONTROL_JDTStatic", false);  // only while Apply runs
}

struct Group {
  std::initializer_list<std::u16string_view> keys;
  std::initializer_list<int> modes;
};

const Group kModeGroups[] = {
    {{u"CONTROL_XGcombox", u"CONTROL_LightStatic", u"CONTROL_LightSlider"},
     {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 20, 22, 23}},
    {{u"CONTROL_SpeedStatic", u"CONTROL_SpeedSlider"},
     {1, 2, 3, 4, 5, 7, 8, 9, 10, 11, 12, 13, 14, 15, 23}},
    {{u"CONTROL_BLFXStatic", u"CONTROL_BLFXLStaPic", u"CONTROL_BLFXRStaPic"}, {1, 2, 3, 12, 18}},
    {{u"CONTROL_HXysStatic", u"CONTROL_HXysButton", u"CONTROL_HXsjsStatic", u"CONTROL_HXsjsStaPic"},
     {1, 2, 3, 5, 7, 8, 9, 10, 13, 14, 15}},
    {{u"CONTROL_FYYSStatic", u"CONTROL_FYYSButton", u"CONTROL_FYSJSStatic", u"CONTROL_FYSJSStaPic"},
     {6, 16}},
    {{u"CONTROL_HONGPIC", u"CONTROL_HUANGPIC", u"CONTROL_LVPIC", u"CONTROL_LANPIC"}, {17}},
    {{u"CONTROL_USERysStatic", u"CONTROL_USERysButton", u"CONTROL_USERjsStatic",
      u"CONTROL_USERjsButton", u"CONTROL_USERgjStatic", u"CONTROL_USERgjStaPic1",
      u"CONTROL_USERgjStaPic2", u"CONTROL_umCombo"},
     {20}},
};

void ShowMode(PreviewDialog& preview, SkinPictures& pictures, const MainView& view) {
  for (const Group& group : kModeGroups) {
    const bool shown = view.lighting && InModes(view.mode, group.modes);
    for (auto key : group.keys) preview.Show(key, shown);
  }
  if (!view.lighting) return;
  auto* modes = static_cast<QComboBox*>(preview.Find(u"CONTROL_XGcombox"));
  const auto listed = std::find(std::begin(kListedModes), std::end(kListedModes), view.mode);
  modes->setCurrentIndex(listed == std::end(kListedModes) ? -1 : listed - std::begin(kListedModes));
  auto* light = static_cast<CImageStatic*>(preview.Find(u"CONTROL_DengStaPic"));
  light->SetPicture(Bitmap(pictures, "dengdown.bmp"));
  // The direction controls move to the places of the mode's own keys.
  const char* suffix = view.mode >= 1 && view.mode <= 3 ? "2" : view.mode == 12 ? "3" : "";
  for (const char* key : {"CONTROL_BLFXStatic", "CONTROL_BLFXLStaPic", "CONTROL_BLFXRStaPic"}) {
    const std::u16string from = Utf16FromAscii(std::string(key) + suffix);
    preview.Dialog().MoveControl(*preview.Find(Utf16FromAscii(key)), from);
  }
  const auto [first, second] = view.mode == 18   ? std::pair{"kuosandown.bmp", "julong.bmp"}
                               : view.mode == 12 ? std::pair{"updown.bmp", "downup.bmp"}
                                                 : std::pair{"leftdown.bmp", "rightup.bmp"};
  static_cast<CImageStatic*>(preview.Find(u"CONTROL_BLFXLStaPic"))
      ->SetPicture(Bitmap(pictures, first));
  static_cast<CImageStatic*>(preview.Find(u"CONTROL_BLFXRStaPic"))
      ->SetPicture(Bitmap(pictures, second));
}

}  // namespace

std::unique_ptr<PreviewDialog> BuildMainWindow(SkinPictures& pictures, const PreviewTexts& texts,
                                               MainView view) {
  const QString name = view.lighting ? QStringLiteral("main-lighting-mode%1").arg(view.mode)
                                     : QStringLiteral("main-keys");
  auto preview = std::make_unique<PreviewDialog>(pictures, "Skins/Main.ini", texts, name);
  const ButtonPictures faces = MainWindowFaces(pictures);
  PlaceKeyGrid(*preview, faces, view);
  PlaceCommands(*preview, faces);
  PlaceLightingPanel(*preview, pictures);
  ShowMode(*preview, pictures, view);
  auto* report = static_cast<CPngButton*>(preview->Find(u"FUNC_REPORT4"));
  report->SetSelected(true);
  return preview;
}

}  // namespace ombrex::preview
