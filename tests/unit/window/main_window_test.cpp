// The main window offscreen on the built skins, with the core on an
// in-process virtual keyboard: where the controls sit, what the keyboard's
// contents and events show, what the user's keys and clicks do, the about
// box, the shutdown with dialogs open, and an idle window that stays idle.

#include <gtest/gtest.h>

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include "app/about_dlg.h"
#include "app/apply_commands_host.h"
#include "app/busy_indicator_widget.h"
#include "device/results.h"
#include "device/window_link.h"
#include "editors/views/vantrel_dlg_composite.h"
#include "model/app_settings.h"
#include "model/key_buttons_table.h"
#include "model/keyboard_sync.h"
#include "model/lighting.h"
#include "model/workspace.h"
#include "resources/skin_file.h"
#include "tests/unit/window/window_rig.h"
#include "widgets/hyperlink.h"
#include "widgets/qt_text.h"

namespace ombrex {
namespace {

namespace msg = window_message;
using test::BuiltProgramFolder;
using test::WindowRig;

constexpr int kKeyA = 1058;
constexpr int kSlotA = 30;
constexpr int kKeyB = 1075;
constexpr int kPrintScreen = 1091;

QRect Placed(std::u16string_view key) {
  const SkinFile skin(BuiltProgramFolder() / "Skins" / "Main.ini");
  const Placement place = skin.Button(key);
  return QRect(place.x, place.y, place.w, place.h);
}

KeyEntry Disabled() {
  KeyEntry entry;
  entry.kind = static_cast<std::uint16_t>(AssignKind::Disabled);
  return entry;
}

// A program folder like the build's whose main skin leaves one key out.
class SkinWithout {
 public:
  explicit SkinWithout(const std::string& key) {
    const std::filesystem::path built = BuiltProgramFolder();
    for (const auto& entry : std::filesystem::directory_iterator(built)) {
      if (entry.path().filename() == "Skins") continue;
      std::filesystem::create_symlink(entry.path(), dir_.path() / entry.path().filename());
    }
    std::filesystem::create_directories(dir_.path() / "Skins");
    for (const auto& entry : std::filesystem::directory_iterator(built / "Skins")) {
      if (entry.path().filename() == "Main.ini") continue;
      std::filesystem::create_symlink(entry.path(),
                                      dir_.path() / "Skins" / entry.path().filename());
    }
    // The layout as written (UTF-8); the build's copy is UTF-16.
    std::string skin = test::ReadText(std::filesystem::path(std::getenv("OMBREX_SOURCE_DIR")) /
                                      "assets" / "skins" / "Main.ini");
    const std::size_t at = skin.find("\n" + key + "=");
    if (at != std::string::npos) skin.erase(at + 1, skin.find('\n', at + 1) - at);
    dir_.Write("Skins/Main.ini", skin);
  }
  const std::filesystem::path& Folder() const { return dir_.path(); }

 private:
  test::TempDir dir_;
};

// Counts paints of a window and its children.
class PaintCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) ++paints;
    return false;
  }
  int paints = 0;
};

int RegisteredTimers(QObject& root) {
  QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance();
  int timers = static_cast<int>(dispatcher->registeredTimers(&root).size());
  for (QObject* child : root.findChildren<QObject*>()) {
    timers += static_cast<int>(dispatcher->registeredTimers(child).size());
  }
  return timers;
}

void SendKey(QWidget& to, QEvent::Type type, int key) {
  // As X delivers it: with native scan code and key symbol.
  QKeyEvent event(type, key, Qt::NoModifier, key == Qt::Key_Escape ? 9 : 36,
                  key == Qt::Key_Escape ? 0xff1b : 0xff0d, 0);
  QApplication::sendEvent(&to, &event);
}

TEST(MainWindowTest, EveryControlSitsWhereTheSkinPutsItAndTheWindowStaysHidden) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start());
  CVantrelDlg& window = rig.Window();
  EXPECT_EQ(window.size(), QSize(1056, 660));
  const std::pair<int, std::u16string_view> places[] = {
      {kKeyA, u"KEY_01E"},       {kPrintScreen, u"KEY_0B7"},  {1002, u"FUNC_G3"},
      {1174, u"KEY_FN"},         {1016, u"FUNC_D1"},          {1021, u"FUNC_D6"},
      {1135, u"FUNC_PROFILE1"},  {1199, u"FUNC_PROFILE4"},    {1005, u"FUNC_PROFILES"},
      {1007, u"FUNC_MACRO"},     {1, u"CONTROL_OK"},          {2, u"CONTROL_CANCEL"},
      {1006, u"CONTROL2_APPLY"}, {1138, u"FUNC_DEFAULT"},     {1122, u"CONTROL_HELP"},
      {1124, u"CONTROL_CLOSE"},  {1123, u"CONTROL_MINIMIZE"}, {1139, u"CONTROL_MENU"},
      {1121, u"TIRVAN_LINK"},    {1134, u"TIRVAN_VER"},       {1128, u"LOCK_AB"},
      {1125, u"LOCK_CAPS"},      {1129, u"FLIP_0"},           {1130, u"FLIP_1"},
      {1131, u"FLIP_2"},         {1132, u"LEFT_ARROW"},       {1133, u"RIGHT_ARROW"},
      {1147, u"FUNC_REPORT1"},   {1170, u"FUNC_REPORT4"}};
  for (const auto& [id, key] : places) {
    ASSERT_NE(window.Button(id), nullptr) << id;
    EXPECT_EQ(window.Button(id)->geometry(), Placed(key)) << ToQString(key).toStdString();
  }
  EXPECT_EQ(window.ColourField(0)->geometry(), Placed(u"COLOR_R"));
  EXPECT_EQ(window.ColourField(2)->geometry(), Placed(u"COLOR_B"));

  EXPECT_FALSE(window.Button(1006)->isEnabled()) << "nothing to apply at start";
  EXPECT_FALSE(window.Button(1142)->isEnabled());
  EXPECT_FALSE(window.Button(1143)->isEnabled());
  EXPECT_FALSE(window.Button(1128)->isEnabled());
  EXPECT_FALSE(window.Button(1016)->isEnabled()) << "D1..D6 wait for the other Flip";
  EXPECT_TRUE(window.Button(1010)->isEnabled());
  EXPECT_EQ(window.Button(1000)->text(), QStringLiteral("A1"));
  EXPECT_EQ(window.Button(1004)->text(), QStringLiteral("A5"));
  EXPECT_TRUE(window.Button(1140)->text().isEmpty());
  EXPECT_EQ(window.Button(1)->text(), QStringLiteral("OK"));
  EXPECT_EQ(window.Button(1122)->toolTip(), QStringLiteral("Help"));
  EXPECT_EQ(window.windowTitle(), QStringLiteral("Ombrex Keyboard"));

  ASSERT_TRUE(rig.RunUntilLine("refreshed from the keyboard"));
  rig.Settle();
  EXPECT_FALSE(window.isVisible()) << "started with /Start: only Open shows it";
  EXPECT_FALSE(rig.Trace().HasLine("show"));
  EXPECT_TRUE(window.Button(1135)->IsSelected()) << "the keyboard's profile 1";
  rig.SaveScreenshot("main-window-1x");
}

TEST(MainWindowTest, ASkinWithoutPrintScreenHidesAndDisablesItsButton) {
  SkinWithout skin("KEY_0B7");
  WindowRig rig(skin.Folder());
  ASSERT_TRUE(rig.Start());
  CPngButton* printScreen = rig.Window().Button(kPrintScreen);
  ASSERT_NE(printScreen, nullptr);
  EXPECT_FALSE(printScreen->isEnabled());
  EXPECT_TRUE(printScreen->isHidden());
  printScreen->click();
  rig.Settle();
  EXPECT_FALSE(rig.Trace().HasLine("key editor: slot 183 control 1091 profile 0"));
  EXPECT_TRUE(rig.Window().Button(kKeyA)->isVisibleTo(&rig.Window()));
}

TEST(MainWindowTest, AReloadShowsTheKeyboardsAssignmentsAsMarksAndTooltips) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start());
  ASSERT_TRUE(rig.RunUntilLine("refreshed from the keyboard"));
  EXPECT_FALSE(rig.Window().Button(kKeyA)->IsMarked());

  // Key A disabled in the keyboard itself, then the keyboard is read again.
  Workspace& workspace = rig.App().GetWorkspace();
  workspace.StoreEntry(0, 30, Disabled());
  ASSERT_EQ(rig.App().Sync()->CommitImage(true), result::kOk);
  rig.App().HandleMessage(msg::kReload, msg::kProfile, 0, false);

  EXPECT_TRUE(rig.Window().Button(kKeyA)->IsMarked());
  EXPECT_FALSE(rig.Window().Button(kKeyA)->toolTip().isEmpty());
  EXPECT_FALSE(rig.Window().Button(kKeyB)->IsMarked());
  EXPECT_NE(rig.Window().Button(kKeyA)->toolTip(), QStringLiteral("A"))
      << "more than the key's name";
}

TEST(MainWindowTest, TheBankKeyShowsBankBOnTheGKeysAndTheIndicator) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start());
  ASSERT_TRUE(rig.RunUntilLine("refreshed from the keyboard"));
  CPngButton& ab = *rig.Window().Button(1128);
  const QImage bankA = ab.grab().toImage();

  ASSERT_TRUE(rig.Library().Model()->RaiseEvent(0x02FF));
  ASSERT_TRUE(rig.RunUntilLine("g-key captions from B1"));
  EXPECT_TRUE(rig.Trace().HasLine("bank B"));
  EXPECT_EQ(rig.Window().Button(1000)->text(), QStringLiteral("B1"));
  EXPECT_EQ(rig.Window().Button(1004)->text(), QStringLiteral("B5"));
  EXPECT_NE(ab.grab().toImage(), bankA) << "the indicator shows bank B";
  rig.SaveScreenshot("main-window-bank-b");

  ASSERT_TRUE(rig.Library().Model()->RaiseEvent(0x02FF));
  ASSERT_TRUE(rig.RunUntilLine("g-key captions from A1"));
  EXPECT_EQ(ab.grab().toImage(), bankA);
}

TEST(MainWindowTest, EnterAndEscapeLeaveTheWindowShownAndAWindowManagerCloseHidesIt) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start({}));
  ASSERT_TRUE(rig.RunUntilLine("show"));
  CVantrelDlg& window = rig.Window();
  QWidget& focus = *window.ColourField(0);
  focus.setFocus();
  for (QWidget* target : {static_cast<QWidget*>(&window), &focus}) {
    for (int key : {Qt::Key_Return, Qt::Key_Escape}) {
      SendKey(*target, QEvent::KeyPress, key);
      SendKey(*target, QEvent::KeyRelease, key);
    }
  }
  rig.Settle();
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(rig.Trace().Count("hide"), 1u) << "only the ready point's";

  QCloseEvent close;
  QApplication::sendEvent(&window, &close);
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(close.isAccepted()) << "hidden, not closed";
  EXPECT_FALSE(rig.App().Exited());
}

KeyEntry DisabledKey() {
  KeyEntry entry;
  entry.kind = static_cast<std::uint16_t>(AssignKind::Disabled);
  return entry;
}

// What the keyboard holds of its four key tables.
auto KeyTables(WindowRig& rig) {
  return rig.Keyboard().Snapshot().keyTables;
}

TEST(MainWindowTest, OkAppliesThenHidesCancelOnlyHidesAndDefaultAndMenuCommandsRun) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start({}));
  ASSERT_TRUE(rig.RunUntilLine("show"));
  ASSERT_TRUE(rig.RunUntilLine("refreshed from the keyboard"));
  CVantrelDlg& window = rig.Window();
  const auto factory = KeyTables(rig);
  rig.App().GetWorkspace().StoreEntry(ProfileNumber(0), kSlotA, DisabledKey());
  window.SetPendingChanges(true);
  window.Button(2)->click();
  EXPECT_FALSE(window.isVisible());
  EXPECT_FALSE(rig.Trace().HasLine("apply"));
  EXPECT_TRUE(window.Button(1006)->isEnabled()) << "Cancel keeps what is pending";
  EXPECT_EQ(KeyTables(rig), factory);

  rig.App().OpenMainWindow();
  const std::size_t before = rig.Trace().Lines().size();
  window.Button(1)->click();
  const auto lines = rig.Trace().Lines();
  EXPECT_EQ(std::vector<std::string>(lines.begin() + before, lines.end()),
            (std::vector<std::string>{"apply", "apply disabled", "hide"}));
  EXPECT_NE(KeyTables(rig), factory);

  // Default asks first: No changes nothing, Yes puts the keys back and
  // applies.
  rig.App().OpenMainWindow();
  const auto edited = KeyTables(rig);
  window.Prompter().WhenShown([](QDialog& box) { box.reject(); });
  window.Button(1138)->click();
  EXPECT_EQ(KeyTables(rig), edited);
  constexpr std::array<std::uint8_t, 6> kOptions{1, 2, 3, 4, 5, 6};
  ASSERT_TRUE(rig.App().GetLighting()->WriteLightingField(18, kOptions));
  ASSERT_EQ(rig.App().GetLighting()->Flush(), result::kOk);
  window.Prompter().WhenShown(
      [](QDialog& box) { static_cast<QMessageBox&>(box).button(QMessageBox::Yes)->click(); });
  window.Button(1138)->click();
  const auto settings = rig.Keyboard().Snapshot().settings;
  EXPECT_EQ(std::vector<std::uint8_t>(settings.begin() + 18, settings.begin() + 24),
            std::vector<std::uint8_t>(6, 0));
  EXPECT_EQ(rig.App().GetWorkspace().ReadEntry(ProfileNumber(0), kSlotA).kind,
            static_cast<std::uint16_t>(AssignKind::Default));
  EXPECT_EQ(KeyTables(rig), factory);

  // The menu's Import and Export open their choosers; closed, nothing happens.
  window.Prompter().WhenShown([](QDialog& box) { box.reject(); });
  window.ButtonMenu().Choose(command::kImport);
  window.ButtonMenu().Choose(command::kExport);
  EXPECT_TRUE(rig.Trace().HasLine("open file"));
  EXPECT_TRUE(rig.Trace().HasLine("save file"));
  EXPECT_EQ(KeyTables(rig), factory);
}

TEST(MainWindowTest, ApplySendsTheEditToTheKeyboardWhileTheBusyIndicatorShows) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start({}));
  ASSERT_TRUE(rig.RunUntilLine("refreshed from the keyboard"));
  CVantrelDlg& window = rig.Window();
  CBusyIndicator* busy = CBusyIndicator::Find(window);
  ASSERT_NE(busy, nullptr);
  EXPECT_TRUE(busy->isHidden());
  const auto factory = KeyTables(rig);
  rig.App().GetWorkspace().StoreEntry(ProfileNumber(0), kSlotA, DisabledKey());
  window.SetPendingChanges(true);
  ASSERT_TRUE(window.Button(1006)->isEnabled());

  window.Button(1006)->click();

  EXPECT_NE(KeyTables(rig), factory);
  EXPECT_FALSE(window.Button(1006)->isEnabled());
  // Shown from the start of the Apply, gone a moment after its end.
  EXPECT_FALSE(busy->isHidden());
  rig.SaveScreenshot("main_window_apply_busy");
  ASSERT_TRUE(rig.RunUntil([&] { return busy->isHidden(); }));
  // The profile file, the keyboard's copy, took it too.
  Workspace read(rig.App().GetWorkspace().ProfileFilePath().parent_path());
  ASSERT_EQ(read.LoadImageFile(rig.App().GetWorkspace().ProfileFilePath()), ImageResult::kOk);
  EXPECT_EQ(read.ReadEntry(ProfileNumber(0), kSlotA), DisabledKey());
}

TEST(MainWindowTest, KeyClicksReachTheEditorAndProfileButtonsSwitchTheKeyboard) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start());
  ASSERT_TRUE(rig.RunUntilLine("refreshed from the keyboard"));
  // Each click runs the editor's dialog until it is closed.
  for (const int clicked : {kKeyA, 1007}) {
    rig.WhenShown<Vantrel_DlgComposite>([](Vantrel_DlgComposite& dialog) { dialog.reject(); });
    rig.Window().Button(clicked)->click();
  }
  EXPECT_TRUE(rig.Trace().HasLine("key editor: slot 30 control 1058 profile 0"));
  EXPECT_TRUE(rig.Trace().HasLine("key editor: slot 264 control 1143 macro profile 0"));
  EXPECT_EQ(rig.Trace().Count("key editor closed: Cancel"), 2u);

  rig.Window().Button(1137)->click();
  EXPECT_EQ(rig.Keyboard().Snapshot().status[protocol::kStatusActiveProfileAt], 2);
  EXPECT_TRUE(rig.Window().Button(1137)->IsSelected());
  EXPECT_FALSE(rig.Window().Button(1135)->IsSelected());
}

TEST(MainWindowTest, FlipSwapsTheEnabledSetAndTheArrowsAndIsKept) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start());
  CPngButton& left = *rig.Window().Button(1132);
  const QPoint down = left.PictureOrigin();
  rig.Window().Button(1130)->click();
  EXPECT_TRUE(rig.Window().Button(1016)->isEnabled());
  EXPECT_FALSE(rig.Window().Button(1010)->isEnabled());
  EXPECT_NE(left.PictureOrigin(), down);
  EXPECT_EQ(rig.App().Settings().ReadFlipSetting(), 1);
  rig.Window().Button(1131)->click();
  EXPECT_EQ(left.PictureOrigin(), down);
  EXPECT_EQ(rig.App().Settings().ReadFlipSetting(), 0);
}

TEST(MainWindowTest, AboutTwiceShowsOneBoxAndClosingItWhileHiddenEndsNothing) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start());
  rig.Window().RunCommand(command::kTrayAbout);
  CAboutDlg* first = rig.Window().About();
  ASSERT_NE(first, nullptr);
  rig.Window().RunCommand(command::kAbout);
  EXPECT_EQ(rig.Window().About(), first);
  EXPECT_EQ(rig.Trace().Count("about box opened"), 1u);
  EXPECT_EQ(first->Version().text().toStdString().rfind("Ombrex Keyboard Utility, version ", 0),
            0u);
  EXPECT_EQ(first->Link().Address(), ToQString(rig.Window().LinkAddress()));

  EXPECT_FALSE(rig.Window().isVisible());
  first->Ok().click();
  ASSERT_TRUE(rig.RunUntilLine("about box closed"));
  EXPECT_EQ(rig.Window().About(), nullptr);
  rig.Settle();
  EXPECT_FALSE(rig.App().Exited());
  EXPECT_FALSE(rig.Trace().HasLine("main loop ended"));
}

TEST(MainWindowTest, ExitWithTheAboutBoxAndAMessageBoxOpenClosesBothThenShutsDownInOrder) {
  WindowRig rig(BuiltProgramFolder(), false);
  ASSERT_TRUE(rig.Start());
  rig.Window().RunCommand(command::kTrayAbout);
  // The tray's Open without a keyboard: a message box, in a nested loop.
  // Exit is chosen while it is up.
  rig.Window().Prompter().WhenShown([&](QDialog&) { rig.Window().RunCommand(command::kExit); });
  rig.Window().RunCommand(command::kOpen);
  ASSERT_TRUE(rig.RunUntil([&] { return rig.App().Exited(); }));

  const std::size_t message = rig.IndexOf(
      "message: No Ombrex keyboard is connected. Plug in the keyboard, wait a moment and try "
      "again.");
  ASSERT_LT(message, rig.Trace().Lines().size());
  EXPECT_LT(message, rig.IndexOf("about box closed"));
  EXPECT_LT(rig.IndexOf("about box closed"), rig.IndexOf("dialogs closed"));
  EXPECT_LT(rig.IndexOf("dialogs closed"), rig.IndexOf("tray icon removed"));
  EXPECT_LT(rig.IndexOf("tray icon removed"), rig.IndexOf("main loop ended"));
  EXPECT_EQ(rig.Window().About(), nullptr);
  EXPECT_FALSE(rig.Window().Prompter().Showing());
  EXPECT_FALSE(rig.Trace().HasLine("show"));
}

TEST(MainWindowTest, OpenBringsAMinimisedWindowBack) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start());
  ASSERT_TRUE(rig.RunUntilLine("refreshed from the keyboard"));
  rig.Window().RunCommand(command::kOpen);
  rig.Window().Button(control::kMinimize)->click();
  ASSERT_TRUE(rig.RunUntil([&] { return rig.Window().isMinimized(); }));

  rig.Window().RunCommand(command::kOpen);

  EXPECT_FALSE(rig.Window().isMinimized());
  EXPECT_TRUE(rig.Window().isVisible());
}

// The close button is the user's Exit: with edits pending it asks, Cancel
// stays, Discard ends and lets the copy of the edits go.
TEST(MainWindowTest, TheCloseButtonAsksAboutPendingEditsFirst) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start());
  ASSERT_TRUE(rig.RunUntilLine("refreshed from the keyboard"));
  rig.App().GetWorkspace().StoreEntry(ProfileNumber(0), kSlotA, Disabled());
  rig.Window().SetPendingChanges(true);
  const std::filesystem::path copy =
      rig.App().GetWorkspace().ProfileFilePath().parent_path() / "$Profile0.unapplied";
  ASSERT_TRUE(std::filesystem::exists(copy));
  for (const auto button : {QMessageBox::Cancel, QMessageBox::Discard}) {
    rig.Window().Prompter().WhenShown([button](QDialog& dialog) {
      static_cast<QMessageBox&>(dialog).button(button)->click();
    });
    rig.Window().Button(control::kClose)->click();
    EXPECT_EQ(rig.App().Exited(), button == QMessageBox::Discard);
  }
  EXPECT_EQ(rig.Trace().Count(
                "question: Some changes have not been applied to the keyboard yet. Apply them "
                "before exiting, discard them, or cancel and keep working?"),
            2u);
  EXPECT_FALSE(std::filesystem::exists(copy));
}

TEST(MainWindowTest, HelpAndLinksGoToTheOpenerAndAFailureSaysSo) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start());
  std::vector<QUrl> opened;
  bool succeed = true;
  rig.Window().SetOpener([&](const QUrl& url) {
    opened.push_back(url);
    return succeed;
  });
  rig.Window().Button(1122)->click();
  rig.Window().Button(1121)->click();
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_TRUE(opened[0].isLocalFile());
  EXPECT_TRUE(opened[0].toLocalFile().endsWith(QStringLiteral("/Help/index.html")));
  EXPECT_EQ(opened[1], QUrl(QStringLiteral("https://ombrex.example.org/")));

  succeed = false;
  rig.Window().Prompter().WhenShown([](QDialog& box) { box.reject(); });
  rig.Window().OpenHelp();
  bool said = false;
  for (const std::string& line : rig.Trace().Lines()) {
    said = said || (line.rfind("message: Could not open ", 0) == 0 &&
                    line.find("index.html") != std::string::npos);
  }
  EXPECT_TRUE(said);
}

TEST(MainWindowTest, AnIdleShownWindowPaintsNothingAndRunsNoTimer) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start({}));
  ASSERT_TRUE(rig.RunUntilLine("show"));
  rig.Settle();
  PaintCounter counter;
  rig.Window().installEventFilter(&counter);
  for (QWidget* child : rig.Window().findChildren<QWidget*>()) child->installEventFilter(&counter);
  // Whatever was due has run: from here on the window only waits.
  rig.Settle();
  counter.paints = 0;
  rig.Settle();
  EXPECT_EQ(counter.paints, 0);
  EXPECT_EQ(RegisteredTimers(rig.Window()), 0);
  EXPECT_EQ(rig.Window().Link().ActiveTimers(), 0);
  QWidget* focus = QApplication::focusWidget();
  EXPECT_EQ(qobject_cast<QLineEdit*>(focus), nullptr) << "no blinking caret";
}

}  // namespace
}  // namespace ombrex

namespace ombrex {
namespace {

TEST(MainWindowTest, ARightClickOnTheBackgroundOffersAboutAndOnAKeyNothing) {
  WindowRig rig;
  ASSERT_TRUE(rig.Start());
  CVantrelDlg& window = rig.Window();
  const QPoint onKey = window.Button(kKeyA)->geometry().center();
  QContextMenuEvent keyClick(QContextMenuEvent::Mouse, onKey, window.mapToGlobal(onKey));
  QApplication::sendEvent(&window, &keyClick);
  QMenu* menu = nullptr;
  for (QMenu* candidate : window.findChildren<QMenu*>()) {
    if (candidate->isVisible()) menu = candidate;
  }
  EXPECT_EQ(menu, nullptr);

  const QPoint background(600, 600);
  ASSERT_EQ(window.childAt(background), nullptr);
  QContextMenuEvent click(QContextMenuEvent::Mouse, background, window.mapToGlobal(background));
  QApplication::sendEvent(&window, &click);
  QMenu* shown = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (auto* candidate = qobject_cast<QMenu*>(top); candidate && candidate->isVisible()) {
      shown = candidate;
    }
  }
  ASSERT_NE(shown, nullptr);
  ASSERT_EQ(shown->actions().size(), 1);
  EXPECT_EQ(shown->actions()[0]->text(), QStringLiteral("&About..."));
  shown->actions()[0]->trigger();
  shown->close();
  EXPECT_NE(window.About(), nullptr);
}

TEST(MainWindowTest, ADialogWhosePicturesWillNotDecodeStaysClosedAndSaysWhich) {
  test::TempDir folder;
  // The build's program folder, with the profile manager's over picture broken.
  for (const auto& entry : std::filesystem::directory_iterator(BuiltProgramFolder())) {
    if (entry.path().filename() != "Skins") {
      std::filesystem::create_symlink(entry.path(), folder / entry.path().filename().string());
    }
  }
  std::filesystem::create_directories(folder / "Skins");
  for (const auto& entry : std::filesystem::directory_iterator(BuiltProgramFolder() / "Skins")) {
    std::filesystem::create_symlink(entry.path(),
                                    folder / ("Skins/" + entry.path().filename().string()));
  }
  WindowRig rig(folder.path());
  ASSERT_TRUE(rig.Start());
  std::filesystem::remove(folder / "Skins/Profile_over.jpg");
  folder.Write("Skins/Profile_over.jpg", "no longer a picture");
  rig.Window().Prompter().WhenShown([](QDialog& box) { box.reject(); });
  SkinPictures pictures(folder.path(), 1.0);
  const SeamContext context{rig.App(), rig.Window(), rig.Window(), rig.Trace(), pictures};

  EXPECT_TRUE(OpenDialogPictures(context, u"key assignment editor"));
  EXPECT_FALSE(OpenDialogPictures(context, u"profile manager"));
  bool said = false;
  for (const std::string& line : rig.Trace().Lines()) {
    said = said || (line.rfind("message: This window cannot open", 0) == 0 &&
                    line.find("Profile_over.jpg") != std::string::npos);
  }
  EXPECT_TRUE(said);
  EXPECT_EQ(pictures.Decoded(), 0u) << "what was decoded for it is let go";
}

}  // namespace
}  // namespace ombrex
