#include "app/vantrel_dlg.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QThread>
#include <QUrl>
#include <cstdio>

#include "app/about_dlg.h"
#include "app/application.h"
#include "app/apply_commands.h"
#include "app/apply_commands_host.h"
#include "app/busy_indicator_widget.h"
#include "app/language_switch.h"
#include "app/lighting_panel.h"
#include "app/trace_log.h"
#include "device/device_events.h"
#include "device/device_link.h"
#include "model/app_settings.h"
#include "model/key_buttons_table.h"
#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"
#include "widgets/qt_text.h"
#include "widgets/skin_pictures.h"
#include "widgets/skin_style.h"

namespace ombrex {

namespace msg = window_message;

namespace {

constexpr std::uint32_t kSliderMessage = 0x28D1;

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

std::u16string Key(const char* format, int value) {
  return FormatWithInt(Utf16FromAscii(format), value);
}

// Which faces a button can ever show; those it cannot are not kept.
enum class FaceUse {
  Key,        // every face: keys are marked when assigned
  Command,    // never marked
  Indicator,  // always disabled: the idle face only
  Bank,       // always disabled, marked for bank B
};

ButtonPictures FacesFor(const ButtonPictures& all, FaceUse use) {
  ButtonPictures faces = all;
  if (use != FaceUse::Key && use != FaceUse::Bank) faces.marked = all.normal;
  if (use == FaceUse::Indicator || use == FaceUse::Bank) faces.hover = faces.pressed = all.normal;
  return faces;
}

struct CommandButton {
  std::u16string_view key;
  int id;
  bool enabled;
  FaceUse use = FaceUse::Command;
};

// Every image button besides the keys, with the state it starts in.
constexpr CommandButton kCommandButtons[] = {
    {u"TIRVAN_LINK", control::kLink, true},
    {u"FUNC_PROFILES", control::kProfiles, true},
    {u"FUNC_MACRO", control::kMacro, true},
    {u"CONTROL_OK", control::kOk, true},
    {u"CONTROL_CANCEL", control::kCancel, true},
    {u"CONTROL_HELP", control::kHelp, true},
    {u"CONTROL_CLOSE", control::kClose, true},
    {u"CONTROL_MINIMIZE", control::kMinimize, true},
    {u"CONTROL_MENU", control::kMenu, true},
    {u"CONTROL2_APPLY", control::kApply, false},
    {u"LOCK_CAPS", control::kLockCaps, false, FaceUse::Indicator},
    {u"LOCK_NUM", control::kLockNum, false, FaceUse::Indicator},
    {u"LOCK_SCROLL", control::kLockScroll, false, FaceUse::Indicator},
    {u"LOCK_AB", control::kLockAB, false, FaceUse::Bank},
    {u"FLIP_0", control::kFlip0, false, FaceUse::Indicator},
    {u"FLIP_1", control::kFlip1, true},
    {u"FLIP_2", control::kFlip2, true},
    {u"TIRVAN_VER", control::kVersion, false, FaceUse::Indicator},
    {u"FUNC_PROFILE1", control::kProfileButtons[0], true},
    {u"FUNC_PROFILE2", control::kProfileButtons[1], true},
    {u"FUNC_PROFILE3", control::kProfileButtons[2], true},
    {u"FUNC_PROFILE4", control::kProfileButtons[3], true},
    {u"FUNC_DEFAULT", control::kDefault, true},
    {u"FUNC_SWITCH", 1008, true},
    {u"FUNC_REPORT1", control::kReportRates[0], true},
    {u"FUNC_REPORT2", control::kReportRates[1], true},
    {u"FUNC_REPORT3", control::kReportRates[2], true},
    {u"FUNC_REPORT4", control::kReportRates[3], true},
    {u"CONTROL_Network", control::kNetwork, true},
    {u"CONTROL_Facebook", control::kFacebook, true},
    {u"CONTROL_twitter", control::kTwitter, true},
};

constexpr std::u16string_view kColourFieldKeys[] = {u"COLOR_R", u"COLOR_G", u"COLOR_B"};
constexpr std::u16string_view kBankACaptions[] = {u"A1", u"A2", u"A3", u"A4", u"A5"};
constexpr int kFirstFunctionKey = 1010;

std::optional<ProfileNumber> ProfileOfButton(int controlId) {
  for (const ProfileNumber profile : ProfileNumber::All()) {
    if (control::kProfileButtons[profile.Index()] == controlId) return profile;
  }
  return std::nullopt;
}

bool IsArrowKey(int key) {
  return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_Left || key == Qt::Key_Right;
}

}  // namespace

CVantrelDlg::CVantrelDlg(Application& app, SkinPictures& pictures, TraceLog& trace)
    : CBaseDialog(pictures, std::filesystem::path("Skins") / "Main.ini"),
      app_(app),
      trace_(trace),
      link_(app.Run(), *this),
      prompter_([this] { return windowTitle(); }, trace),
      tray_(
          [this](int picture) {
            return Icon(picture == kTrayKeyboard    ? "icon_present"
                        : picture == kTrayIndicator ? "icon_indicator"
                                                    : "icon_absent");
          },
          [&app](std::u16string_view key) { return app.GetTexts().Text(key); }),
      buttonMenu_([&app](std::u16string_view key) { return app.GetTexts().Text(key); }),
      // The window's own menu speaks one word, as the system menu does.
      windowMenu_([](std::u16string_view text) { return std::u16string(text); }),
      opener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
  // No taskbar button until the window is opened.
  setWindowFlag(Qt::Tool);
  SetSwallowEnterAndEscape(true);
  tray_.Menu().AddItem(command::kOpen, u"IDS_POP_UP_MENU_OPEN");
  tray_.Menu().AddItem(command::kTrayAbout, u"IDS_POP_UP_MENU_ABOUT");
  AddLanguageMenu(tray_.Menu(), app.GetTexts());
  tray_.Menu().AddItem(command::kExit, u"IDS_POP_UP_MENU_EXIT");
  buttonMenu_.AddItem(command::kImport, u"IDS_BUTTON_MENU_IMPORT");
  buttonMenu_.AddItem(command::kExport, u"IDS_BUTTON_MENU_EXPORT");
  AddLanguageMenu(buttonMenu_, app.GetTexts());
  windowMenu_.AddItem(command::kAbout, u"&About...");
  for (BCMenu* menu : {&tray_.Menu(), &buttonMenu_, &windowMenu_}) {
    connect(menu, &BCMenu::commandChosen, this, &CVantrelDlg::RunCommand);
  }
  connect(&tray_, &CTrayIcon::commandChosen, this, &CVantrelDlg::RunCommand);
  appIcon_ = Icon("icon_app");
  setWindowIcon(appIcon_);
  QCoreApplication::instance()->installEventFilter(this);
}

CVantrelDlg::~CVantrelDlg() {
  QCoreApplication::instance()->removeEventFilter(this);
}

QIcon CVantrelDlg::Icon(const char* name) const {
  const std::filesystem::path folder = const_cast<CVantrelDlg*>(this)->Pictures().ProgramFolder();
  QIcon icon;
  for (const char* suffix : {"", "@2x"}) {
    const auto file = folder / "Skins" / (std::string(name) + suffix + ".png");
    if (std::filesystem::exists(file)) icon.addFile(PathToQString(file));
  }
  return icon;
}

CPngButton& CVantrelDlg::AddButton(int controlId, std::u16string_view key,
                                   const ButtonPictures& faces) {
  auto button = std::make_unique<CPngButton>(controlId, this);
  button->setObjectName(ToQString(key));
  // The faces are stand-ins until LayOut cuts them; the state pictures
  // cover the whole window, whose size the background has set.
  PlaceImageButton(*button, key, faces, size());
  CPngButton& placed = *button;
  byControl_[controlId] = &placed;
  buttons_.push_back(std::move(button));
  return placed;
}

void CVantrelDlg::PlaceKeys(const ButtonPictures& faces) {
  for (const KeyButtonInfo& key : kKeyButtons)
    AddButton(key.control, Key("KEY_%03X", key.slot), faces);
  for (std::size_t j = 0; j < kGKeyCount; ++j) {
    // G8 and G9 have no key on the keyboard: always disabled.
    const bool present = j < 7;
    CPngButton& g = AddButton(kGKeyControls[j], Key("FUNC_G%d", static_cast<int>(j) + 1),
                              present ? faces : FacesFor(faces, FaceUse::Indicator));
    if (!present) g.setEnabled(false);
    // The bank's name sits in a corner, clear of the key's own legend.
    g.SetCaptionPlacement(Qt::AlignRight | Qt::AlignBottom, 10);
    g.SetCaptionColour(QColor(0x27, 0xd3, 0xf2));
    if (j < std::size(kBankACaptions)) g.SetCaption(kBankACaptions[j]);
  }
  AddButton(kFnControl, u"KEY_FN", faces);
  // D1..D6 have no key slot: never marked.
  for (int d = 0; d < 6; ++d) {
    AddButton(control::kFirstD + d, Key("FUNC_D%d", d + 1), FacesFor(faces, FaceUse::Command));
  }
}

void CVantrelDlg::PlaceCommands(const ButtonPictures& faces) {
  for (const CommandButton& command : kCommandButtons) {
    CPngButton& button = AddButton(command.id, command.key, FacesFor(faces, command.use));
    if (!command.enabled) button.setEnabled(false);
  }
  for (int id : {control::kLeftArrow, control::kRightArrow}) {
    auto arrow = std::make_unique<CPngButton>(id, this);
    arrow->setEnabled(false);
    byControl_[id] = arrow.get();
    buttons_.push_back(std::move(arrow));
  }
  digits_.setRegularExpression(QRegularExpression(QStringLiteral("[0-9]{0,3}")));
  for (std::u16string_view key : kColourFieldKeys) {
    auto field = std::make_unique<QLineEdit>(this);
    field->setObjectName(ToQString(key));
    field->setValidator(&digits_);
    // Typed into only when clicked: a blinking caret would keep the idle
    // window waking up.
    field->setFocusPolicy(Qt::ClickFocus);
    PlaceControl(*field, key);
    colourFields_.push_back(std::move(field));
  }
}

std::optional<PictureProblem> CVantrelDlg::LayOut() {
  const std::filesystem::path folder = Pictures().ProgramFolder();
  if (!ApplySkinScreen()) {
    return PictureProblem{folder / "Skins" / Skin().BackgroundPicture(), "will not decode"};
  }
  arrow_ = Pictures().Picture("Skins/Arrow.jpg");
  if (arrow_.isNull()) return PictureProblem{folder / "Skins/Arrow.jpg", "will not decode"};

  // The buttons are placed with small stand-ins for the state pictures, each
  // of which is then decoded, cut for every button and let go before the
  // next: at twice the density one whole-window picture takes megabytes.
  const ButtonPictureFiles files = MainWindowFaceFiles();
  std::vector<std::pair<std::filesystem::path, QPixmap>> standIns;
  auto standInFor = [&](const std::filesystem::path& file) {
    auto known =
        std::ranges::find(standIns, file, &std::pair<std::filesystem::path, QPixmap>::first);
    if (known == standIns.end()) known = standIns.insert(standIns.end(), {file, QPixmap(1, 1)});
    return known->second;
  };
  const ButtonPictures faces{standInFor(files.normal), standInFor(files.hover),
                             standInFor(files.pressed), standInFor(files.disabled),
                             standInFor(files.marked)};
  PlaceKeys(faces);
  PlaceCommands(faces);
  // Each button keeps its own rectangles, drawing its idle face from the
  // window's background, which the window keeps anyway.
  const std::filesystem::path background =
      std::filesystem::path("Skins") / Skin().BackgroundPicture();
  CompactBackground();
  Pictures().ForgetAll();
  for (const auto& [file, standIn] : standIns) {
    const bool isWhole = file == background;
    const QPixmap picture = isWhole ? QPixmap() : Pictures().Picture(file);
    if (!isWhole && picture.isNull()) return PictureProblem{folder / file, "will not decode"};
    for (const auto& button : buttons_) {
      if (button->ControlId() == control::kLeftArrow || button->ControlId() == control::kRightArrow)
        continue;
      button->CutFacesShowing(standIn, picture, isWhole ? CompactBackgroundImage() : QImage());
      // A face covers the whole button: nothing under it needs drawing first.
      button->setAttribute(Qt::WA_OpaquePaintEvent);
    }
    Pictures().ForgetAll();
  }
  Pictures().ForgetAll();
  linkAddress_ = Skin().Link(kDefaultLinkAddress);
  panelWidgets_ = MakeLightingPanelWidgets({app_, *this, *this, trace_, Pictures()});
  panelWidgets_->Setup(*this);
  // The lighting panel's setup places the busy indicator; a panel without
  // it still lets an Apply show that it works.
  if (CBusyIndicator::Find(*this) == nullptr) busy_ = CBusyIndicator::Place(*this);
  ShowFlip(FlipLayoutFor(app_.Settings().ReadFlipSetting()));
  // Only the standard controls take the skin's style: a style sheet over the
  // whole window would be worked through for every one of its image buttons.
  for (const auto& field : colourFields_) ApplySkinStyle(*field);
  Wire();
  return std::nullopt;
}

void CVantrelDlg::Wire() {
  for (const auto& button : buttons_) {
    const int id = button->ControlId();
    connect(button.get(), &QAbstractButton::clicked, this, [this, id] { OnClicked(id); });
  }
}

void CVantrelDlg::Attach() {
  const SeamContext context{app_, *this, *this, trace_, Pictures()};
  editors_ = MakeEditorHost(context);
  if (panelWidgets_) panelWidgets_->Attach();
  rules_ = std::make_unique<MainWindowRules>(
      MainWindowParts{.commands = app_.Link()->Commands(),
                      .switcher = *app_.Switcher(),
                      .grid = *app_.Grid(),
                      .buttons = *this,
                      .lighting = *app_.GetLighting(),
                      .settings = app_.Settings(),
                      .texts = app_.GetTexts(),
                      .bank = [this] { return app_.KeyboardEvents()->Bank(); },
                      .editors = *editors_,
                      .editorWindow = *this,
                      .panel = *app_.Panel(),
                      .face = *this,
                      .followAgain =
                          [this] {
                            app_.Guard().Arrive(GuardedCommand::FollowProfile,
                                                [this] { rules_->FollowKeyboardProfile(); });
                          }});
  rules_->ApplyFlip();
  if (CBusyIndicator* busy = CBusyIndicator::Find(*this)) {
    app_.Busy()->AttachView(busy);
    busy->SetTickHandler([this] { app_.Commands()->BusyTick(); });
  }
  // The window sends itself the language message at the end of its start.
  OnWindowMessage(msg::kLanguage, msg::kLanguageTag,
                  static_cast<std::uint32_t>(app_.GetTexts().CurrentLanguageIndex()), false, {});
}

CPngButton* CVantrelDlg::Button(int controlId) const {
  auto found = byControl_.find(controlId);
  return found == byControl_.end() ? nullptr : found->second;
}

CPngButton* CVantrelDlg::KeyButton(int button) const {
  if (button >= 0 && button < static_cast<int>(kKeyButtonCount)) {
    return Button(kKeyButtons[button].control);
  }
  if (button >= kFirstGKeyButton && button < kFirstGKeyButton + static_cast<int>(kGKeyCount)) {
    return Button(kGKeyControls[button - kFirstGKeyButton]);
  }
  return button == kFnButton ? Button(kFnControl) : nullptr;
}

void CVantrelDlg::OnClicked(int controlId) {
  if (rules_ == nullptr) return;
  CommandGuard& guard = app_.Guard();
  ApplyCommandsHost& commands = *app_.Commands();
  if (const std::optional<ProfileNumber> profile = ProfileOfButton(controlId)) {
    rules_->PressProfileButton(*profile);
    return;
  }
  switch (controlId) {
    case control::kOk:
      guard.Arrive(GuardedCommand::Apply, [this, &commands] {
        commands.ApplyChanges(ApplyOrigin::Ok);
        HideMainWindow();
      });
      return;
    case control::kCancel:
      HideMainWindow();
      return;
    case control::kApply:
      guard.Arrive(GuardedCommand::Apply,
                   [&commands] { commands.ApplyChanges(ApplyOrigin::Button); });
      return;
    case control::kDefault:
      guard.Arrive(GuardedCommand::RestoreDefaults, [&commands] { commands.RestoreDefaults(); });
      return;
    case control::kProfiles:
      editors_->RunProfileManager();
      return;
    case control::kHelp:
      OpenHelp();
      return;
    case control::kClose:
      app_.ExitProgram(Application::ExitOrigin::User);
      return;
    case control::kMinimize:
      showMinimized();
      return;
    case control::kMenu:
      buttonMenu_.popup(QCursor::pos());
      return;
    case control::kLink:
    case control::kNetwork:
    case control::kFacebook:
    case control::kTwitter:
      Open(ToQString(AddressOf(controlId)));
      return;
    case control::kFlip1:
    case control::kFlip2:
      rules_->ToggleFlip();
      return;
    default:
      rules_->ClickControl(controlId);
      return;
  }
}

std::u16string_view CVantrelDlg::AddressOf(int controlId) const {
  switch (controlId) {
    case control::kNetwork:
      return kNetworkAddress;
    case control::kFacebook:
      return kFacebookAddress;
    case control::kTwitter:
      return kTwitterAddress;
    default:
      return linkAddress_;
  }
}

void CVantrelDlg::RunCommand(int commandId) {
  ApplyCommandsHost* commands = app_.Commands();
  switch (commandId) {
    case command::kOpen:
      app_.OpenMainWindow();
      break;
    case command::kAbout:
    case command::kTrayAbout:
      ShowAbout();
      break;
    case command::kExit:
      app_.ExitProgram(Application::ExitOrigin::User);
      break;
    case command::kImport:
      if (commands)
        app_.Guard().Arrive(GuardedCommand::Import, [commands] { commands->ImportFile(); });
      break;
    case command::kExport:
      if (commands)
        app_.Guard().Arrive(GuardedCommand::Export, [commands] { commands->ExportFile(); });
      break;
    default:
      if (const std::optional<UiLanguage> language = LanguageOfCommand(commandId)) {
        app_.GetTexts().ChooseUserLanguage(*language);
        OnWindowMessage(msg::kLanguage, msg::kLanguageTag,
                        static_cast<std::uint32_t>(app_.GetTexts().CurrentLanguageIndex()), false,
                        {});
      }
      break;
  }
}

void CVantrelDlg::ShowAbout() {
  if (about_) {
    about_->raise();
    about_->activateWindow();
    return;
  }
  about_ = std::make_unique<CAboutDlg>(
      app_.GetTexts(), appIcon_, linkAddress_,
      [this](const QString& address) { return Open(address); }, [this] { OpenHelp(); });
  CAboutDlg* box = about_.get();
  // Closing the box lets it go, once its own handling has ended.
  connect(box, &QDialog::finished, this, [this, box] {
    QMetaObject::invokeMethod(
        this,
        [this, box] {
          if (about_.get() == box) CloseAbout();
        },
        Qt::QueuedConnection);
  });
  about_->ApplyLanguage(app_.GetTexts().CurrentLanguageIndex());
  about_->show();
  trace_.Line("about box opened");
}

void CVantrelDlg::CloseAbout() {
  if (!about_) return;
  about_.reset();
  trace_.Line("about box closed");
}

void CVantrelDlg::ShowMainWindow() {
  if (!placed_) {
    // Centred the first time; where the user leaves it afterwards.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
      move(screen->availableGeometry().center() - rect().center());
    }
    placed_ = true;
  }
  // Shown, the window has a taskbar button like any other.
  setWindowFlag(Qt::Tool, false);
  awaitingDraw_ = true;
  // A minimised window comes back as the user left it, not as an icon.
  setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
  show();
  if (rules_) rules_->FocusLightingControls();
  // Without a screen there is nothing to bring forward (and Qt says so).
  if (QGuiApplication::platformName() != QLatin1String("offscreen")) {
    raise();
    activateWindow();
  }
  trace_.Line("show");
}

void CVantrelDlg::HideMainWindow() {
  hide();
  trace_.Line("hide");
}

void CVantrelDlg::CreateTrayIcon() {
  tray_.CreateTrayIcon(app_.GetTexts().Text(text_catalogue::kKeyboardTrayDesc), kTrayNoKeyboard);
  trace_.Line("tray icon added");
}

void CVantrelDlg::RemoveTrayIcon() {
  tray_.RemoveTrayIcon();
  trace_.Line("tray icon removed");
}

void CVantrelDlg::CloseDialogs() {
  // The innermost first: boxes lie on the editors, the editors on the window.
  prompter_.CloseOpen();
  if (editors_) editors_->CloseEditors();
  CloseAbout();
  trace_.Line("dialogs closed");
}

void CVantrelDlg::CloseEditors() {
  // The keyboard went away: a question about it has nothing left to ask.
  prompter_.WithdrawQuestions();
  if (rules_) rules_->CloseEditors();
  CloseAbout();
  trace_.Line("editors closed");
}

void CVantrelDlg::RefreshAfterDeviceChange() {
  if (rules_) rules_->RefreshAfterDeviceChange();
  trace_.Line("refreshed from the keyboard");
  emit keyboardRead();
}

void CVantrelDlg::RefreshGKeyStates() {
  if (rules_) rules_->RefreshGKeyStates();
  trace_.Line("g-keys refreshed");
}

void CVantrelDlg::EndMainLoop() {
  trace_.Line("main loop ended");
  // Only a running loop is ended: telling Qt to quit while none runs would
  // make the next one end at once.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::exit(0);
}

bool CVantrelDlg::HasPendingChanges() const {
  return pending_;
}

void CVantrelDlg::SetPendingChanges(bool pending) {
  if (CPngButton* apply = Button(control::kApply)) apply->setEnabled(pending);
  if (pending != pending_) trace_.Line(pending ? "apply enabled" : "apply disabled");
  pending_ = pending;
  // Whatever ends the program from now on, these edits are not lost.
  if (pending && app_.Commands() != nullptr) app_.Commands()->NoteUnappliedEdits();
}

void CVantrelDlg::ApplyChanges() {
  // A profile switch's Yes: part of the switch, not a command of its own.
  if (ApplyCommandsHost* commands = app_.Commands()) {
    commands->ApplyChanges(ApplyOrigin::ProfileSwitch);
  }
}

bool CVantrelDlg::EditorOpen() const {
  return editors_ != nullptr && editors_->EditorOpen();
}

void CVantrelDlg::ShowProfileMenu(const ProfileMenu& menu) {
  if (CPngButton* profiles = Button(control::kProfiles)) {
    profiles->SetCaption(menu.caption);
    profiles->SetTooltip(menu.tooltip);
  }
  trace_.Line("profiles button: " + Utf8FromUtf16(menu.caption));
}

void CVantrelDlg::SetAssigned(int button, bool assigned) {
  if (CPngButton* key = KeyButton(button)) key->SetMarked(assigned);
}

void CVantrelDlg::SetUnavailable(int button, bool unavailable) {
  if (CPngButton* key = KeyButton(button)) key->SetDimmed(unavailable);
}

void CVantrelDlg::SetTooltip(int button, std::u16string_view text) {
  if (CPngButton* key = KeyButton(button)) key->SetTooltip(text);
}

void CVantrelDlg::SetColourFrame(int button, std::optional<Rgb> colour) {
  CPngButton* key = KeyButton(button);
  if (key == nullptr) return;
  key->SetFrameColour(colour
                          ? std::optional<QColor>(QColor(colour->red, colour->green, colour->blue))
                          : std::nullopt);
}

void CVantrelDlg::ApplyFlip() {
  if (rules_) {
    rules_->ApplyFlip();
  } else {
    ShowFlip(FlipLayoutFor(app_.Settings().ReadFlipSetting()));
  }
}

void CVantrelDlg::ShowProfileButtons(std::optional<ProfileNumber> pressed) {
  for (const ProfileNumber profile : ProfileNumber::All()) {
    if (CPngButton* button = Button(control::kProfileButtons[profile.Index()])) {
      button->SetSelected(profile == pressed);
    }
  }
}

void CVantrelDlg::PlaceArrows(const FlipLayout& layout) {
  if (CPngButton* left = Button(control::kLeftArrow)) {
    PlaceTwoKeyButton(*left, u"LEFT_ARROW", layout.leftArrowOrigin, arrow_);
  }
  if (CPngButton* right = Button(control::kRightArrow)) {
    PlaceTwoKeyButton(*right, u"RIGHT_ARROW", layout.rightArrowOrigin, arrow_);
  }
}

void CVantrelDlg::ShowFlip(const FlipLayout& layout) {
  for (int f = 0; f < 4; ++f) {
    if (CPngButton* key = Button(kFirstFunctionKey + f))
      key->setEnabled(layout.functionKeysEnabled);
  }
  for (int d = 0; d < 6; ++d) {
    if (CPngButton* key = Button(control::kFirstD + d)) key->setEnabled(layout.dKeysEnabled);
  }
  PlaceArrows(layout);
  ApplyStacking(layout.dKeysEnabled ? 1 : 0);
}

void CVantrelDlg::ApplyStacking(int flip) {
  // Overlapping buttons lie in this order once, rather than repainting one
  // another after every paint.
  for (const std::vector<int>& group : StackingOrder(flip)) {
    for (int id : group) {
      if (CPngButton* button = Button(id)) button->raise();
    }
  }
}

void CVantrelDlg::SetControlText(const WindowText& text, std::u16string_view value) {
  if (text.controlId == 0) {
    setWindowTitle(ToQString(value));
    return;
  }
  CPngButton* button = Button(text.controlId);
  if (button == nullptr) return;
  if (text.tooltip) {
    button->SetTooltip(value);
  } else {
    button->SetCaption(value);
  }
}

void CVantrelDlg::FocusReportRate() {
  if (CPngButton* first = Button(control::kReportRate1)) first->setFocus(Qt::OtherFocusReason);
}

void CVantrelDlg::HighlightKey(int button, bool on) {
  if (CPngButton* key = KeyButton(button)) key->SetHighlighted(on);
}

bool CVantrelDlg::Open(const QString& address) {
  const QUrl url = QUrl::fromUserInput(address);
  if (opener_ && opener_(url)) {
    trace_.Line("opened " + address.toStdString());
    return true;
  }
  const std::u16string text =
      FormatWithText(app_.GetTexts().Text(u"IDS_MAIN_OPEN_FAILED"), FromQString(address));
  app_.Prompts().ShowMessage(text);
  return false;
}

bool CVantrelDlg::OpenFile(const std::filesystem::path& file) {
  return Open(PathToQString(file));
}

void CVantrelDlg::OpenHelp() {
  OpenFile(HelpPage(app_.Paths().helpFolder, app_.GetTexts().CurrentLanguageIndex()));
}

void CVantrelDlg::OnLanguage(int languageIndex) {
  FollowInQt(languageIndex);
  if (rules_) rules_->ApplyLanguage(languageIndex);
  if (about_) about_->ApplyLanguage(languageIndex);
  tray_.SetTip(app_.GetTexts().LookupText(text_catalogue::kKeyboardTrayDesc, languageIndex));
  trace_.Line("language " + std::to_string(languageIndex));
}

void CVantrelDlg::OnWindowMessage(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam,
                                  bool posted, HandOverReply reply) {
  trace_.Line(std::string(posted ? "posted " : "sent ") + Hex(message) + " " + Hex(wParam));
  if (app_.HandleMessage(message, wParam, lParam, posted, std::move(reply))) {
    if (message == msg::kInit && wParam == msg::kInitTag && !readyNoted_ && app_.Run().Ready()) {
      readyNoted_ = true;
      emit readyPointReached();
    }
    return;
  }
  if (message == msg::kLanguage && wParam == msg::kLanguageTag) {
    OnLanguage(static_cast<int>(lParam));
  } else if (message == kSliderMessage && app_.Panel() != nullptr) {
    app_.Panel()->OnSlider(static_cast<int>(wParam), static_cast<int>(lParam));
  }
}

void CVantrelDlg::OnTimer(int id) {
  trace_.Line("timer " + std::to_string(id));
  ApplyCommandsHost* commands = app_.Commands();
  if (rules_ == nullptr || commands == nullptr) return;
  switch (id) {
    case kTimerFollowProfile:
      app_.Guard().Arrive(GuardedCommand::FollowProfile,
                          [this] { rules_->FollowKeyboardProfile(); });
      break;
    case kTimerResetFromKeyboard:
      app_.Guard().Arrive(GuardedCommand::ResetFromKeyboard,
                          [commands] { commands->ResetFromKeyboard(); });
      break;
    case kTimerBusy:
      commands->BusyTick();
      break;
    default:
      break;
  }
}

void CVantrelDlg::OnHideMainWindow() {
  HideMainWindow();
}

void CVantrelDlg::OnBankIndicator(bool bankB) {
  if (CPngButton* ab = Button(control::kLockAB)) {
    // Always disabled: bank B shows the marked face in the disabled place.
    ab->ShowDisabledAs(bankB ? ButtonFace::Marked : ButtonFace::Disabled);
    ab->SetMarked(bankB);
  }
  trace_.Line(bankB ? "bank B" : "bank A");
}

void CVantrelDlg::OnGKeyCaptions(const GKeyCaptionTexts& captions) {
  for (std::size_t j = 0; j < captions.size(); ++j) {
    if (CPngButton* g = Button(kGKeyControls[j])) g->SetCaption(captions[j]);
  }
  trace_.Line("g-key captions from " + Utf8FromUtf16(captions[0]));
}

void CVantrelDlg::OnShowMessage(std::u16string_view text) {
  app_.Prompts().ShowMessage(text);
}

void CVantrelDlg::OnTrayPicture(int kind, int picture) {
  tray_.SetTrayPicture(kind, picture);
  // After the icon has taken the picture, on the window's thread.
  QMetaObject::invokeMethod(
      this,
      [this, kind, picture] {
        trace_.Line("tray picture " + std::to_string(kind) + " " + std::to_string(picture));
        trace_.Line("tray shows " + std::to_string(tray_.CurrentPicture()));
      },
      Qt::AutoConnection);
}

bool CVantrelDlg::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::Wheel) {
    return false;
  }
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr || widget->window() != this) return false;
  const bool modeList = panelWidgets_ != nullptr && panelWidgets_->IsModeList(watched);
  if (type == QEvent::Wheel) return modeList;
  const int key = static_cast<QKeyEvent*>(event)->key();
  // Neither closes nor confirms anything, wherever the focus is.
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) return true;
  // The mode list never changes by arrow keys: each change writes to the keyboard.
  if (modeList && IsArrowKey(key)) return true;
  if (type == QEvent::KeyPress && key == Qt::Key_F1) {
    OpenHelp();
    return true;
  }
  return false;
}

void CVantrelDlg::paintEvent(QPaintEvent* event) {
  CBaseDialog::paintEvent(event);
  if (!awaitingDraw_) return;
  awaitingDraw_ = false;
  trace_.Line("drawn");
}

void CVantrelDlg::closeEvent(QCloseEvent* event) {
  // The window manager's close hides, as Cancel does; Exit is in the tray.
  event->ignore();
  HideMainWindow();
}

void CVantrelDlg::contextMenuEvent(QContextMenuEvent* event) {
  if (childAt(event->pos()) != nullptr) return;
  windowMenu_.popup(event->globalPos());
}

}  // namespace ombrex
