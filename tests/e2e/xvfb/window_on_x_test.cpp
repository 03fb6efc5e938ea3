// ombrex on a real X server with a tray host, on the virtual keyboard daemon,
// driven as a user would with xdotool: the window maps once and is shaped,
// the icon docks, changes with the keyboard, comes back when the tray
// restarts and docks even when the tray comes after the program; a second
// start maps the window; clicks reach the keyboard, the lighting panel's too.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QColor>
#include <QImage>
#include <fstream>

#include "tests/e2e/xvfb/x_session.h"
#include "tests/support/processes.h"
#include "tests/support/temp_dir.h"

namespace ombrex::e2e {
namespace {

using namespace std::chrono_literals;

constexpr const char* kTitle = "^Ombrex Keyboard$";

std::filesystem::path ScreenshotFolder() {
  const char* folder = std::getenv("OMBREX_SCREENSHOT_DIR");
  return folder != nullptr && *folder != '\0' ? std::filesystem::path(folder)
                                              : ProgramDir().parent_path() / "screenshots";
}

class WindowOnXTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(keyboard_.Answering()); }

  std::unique_ptr<Process> StartProgram(std::vector<std::string> options) {
    std::vector<std::string> args{"--trace", "--instance", Instance(), "--events",
                                  Instance() + "_"};
    args.insert(args.end(), options.begin(), options.end());
    return std::make_unique<Process>("ombrex", args, dir_.path());
  }
  static std::string Instance() { return "Wx" + std::to_string(::getpid()); }

  std::vector<WindowId> MainWindows(Process& program) {
    return WindowsOf(program.Pid(), true, kTitle);
  }
  // The keyboard's active profile as its status block holds it.
  int KeyboardProfile() {
    const Finished dump = keyboard_.Control({"dump", "status", "--raw"});
    return dump.out.size() > 22 ? std::stoi(dump.out.substr(20, 2), nullptr, 16) : -1;
  }

  test::TempDir dir_;
  VirtualKeyboard keyboard_{dir_.path()};
};

TEST_F(WindowOnXTest, TheWindowMapsOnceShapedAndTheIconDocksAndFollowsTheKeyboard) {
  TrayHost tray(dir_.path());
  ASSERT_TRUE(tray.Ready()) << "trayer (scripts/setup.sh installs it)";
  const QImage before = Grab(0);

  auto program = StartProgram({});
  ASSERT_TRUE(program->WaitForOutput("window: show", 20s)) << program->Out() << program->Err();
  ASSERT_TRUE(Eventually([&] { return MainWindows(*program).size() == 1; }));
  const std::optional<QRect> place = Geometry(MainWindows(*program).front());
  ASSERT_TRUE(place.has_value());
  EXPECT_EQ(place->size(), QSize(1056, 660));

  // Outside the shape the root shows through; inside, the window.
  std::optional<WindowId> icon;
  ASSERT_TRUE(Eventually([&] {
    return (icon = DockedIcon(program->Pid(), tray.Pid())).has_value();
  })) << "the icon docks in the tray";
  // Mapped is not yet drawn: the inside is looked at once the window painted.
  const QPoint corner = place->topLeft() + QPoint(1, 1);
  const QPoint inside = place->topLeft() + QPoint(40, 40);
  QImage screen;
  EXPECT_TRUE(Eventually([&] {
    screen = Grab(0);
    return screen.pixelColor(inside) != before.pixelColor(inside);
  })) << "the window draws itself";
  EXPECT_EQ(screen.pixelColor(corner), before.pixelColor(corner))
      << "the corner is not the window's";
  std::filesystem::create_directories(ScreenshotFolder());
  screen.save(QString::fromStdString((ScreenshotFolder() / "xvfb-root.png").string()), "PNG");

  const QImage present = Grab(*icon);
  ASSERT_EQ(keyboard_.Control({"event", "0x1811"}).exitCode, 0);
  ASSERT_TRUE(program->WaitForOutput("window: tray shows 142")) << program->Out() << program->Err();
  EXPECT_TRUE(Eventually([&] { return Grab(*icon) != present; })) << "the indicator picture";
  ASSERT_EQ(keyboard_.Control({"event", "0x1810"}).exitCode, 0);
  EXPECT_TRUE(Eventually([&] { return Grab(*icon) == present; })) << "back to the keyboard's";

  program->Signal(SIGTERM);
  EXPECT_EQ(program->WaitForExit(), 0) << program->Err();
  const std::string log = program->Out();
  EXPECT_EQ(log.find("window: show"), log.rfind("window: show")) << "mapped once";
}

TEST_F(WindowOnXTest, AnIconStartedBeforeTheTrayDocksWhenItAppearsAndAgainAfterItRestarts) {
  auto program = StartProgram({"/Start"});
  ASSERT_TRUE(program->WaitForOutput("window: tray shows 141", 20s)) << program->Out();

  TrayHost tray(dir_.path());
  ASSERT_TRUE(tray.Ready());
  EXPECT_TRUE(Eventually([&] { return DockedIcon(program->Pid(), tray.Pid()).has_value(); }))
      << "a tray that came later";

  tray.Stop();
  TrayHost again(dir_.path());
  ASSERT_TRUE(again.Ready());
  std::optional<WindowId> icon;
  EXPECT_TRUE(Eventually([&] {
    return (icon = DockedIcon(program->Pid(), again.Pid())).has_value();
  })) << "a tray that restarted";
  ASSERT_TRUE(icon.has_value());

  // A double-click on the icon opens the window; the tray menu's last item exits.
  EXPECT_TRUE(MainWindows(*program).empty()) << "/Start: not opened by the keyboard";
  ASSERT_TRUE(PointAt(*icon) && XdoTool({"click", "--repeat", "2", "--delay", "60", "1"}));
  ASSERT_TRUE(Eventually([&] { return MainWindows(*program).size() == 1; }));

  ASSERT_TRUE(PointAt(*icon) && XdoTool({"click", "3"}));
  std::optional<QRect> menu;
  ASSERT_TRUE(Eventually([&] {
    for (WindowId window : WindowsOf(program->Pid(), true)) {
      const auto place = Geometry(window);
      if (place && place->height() > 40 && place->height() < 120) menu = place;
    }
    return menu.has_value();
  }));
  const QPoint exitItem = menu->bottomLeft() + QPoint(menu->width() / 2, -menu->height() / 6);
  ASSERT_TRUE(PointAt(exitItem) && XdoTool({"click", "1"}));
  EXPECT_EQ(program->WaitForExit(20s), 0) << program->Out();
  EXPECT_NE(program->Out().find("window: main loop ended"), std::string::npos);
}

TEST_F(WindowOnXTest, ASecondStartMapsTheWindowAndClicksReachTheKeyboard) {
  auto program = StartProgram({"/Start"});
  ASSERT_TRUE(program->WaitForOutput("window: tray shows 141", 20s)) << program->Out();
  EXPECT_TRUE(MainWindows(*program).empty());

  const Finished second =
      RunToEnd("ombrex", {"--instance", Instance(), "--events", Instance() + "_"}, dir_.path());
  EXPECT_EQ(second.exitCode, 0) << second.err;
  ASSERT_TRUE(Eventually([&] { return MainWindows(*program).size() == 1; }));
  // Clicks go to a window that has drawn itself, not one still being mapped.
  ASSERT_TRUE(program->WaitForOutput("window: drawn", 20s)) << program->Out();
  const QRect place = *Geometry(MainWindows(*program).front());

  // Profile 3 at its place in the skin (FUNC_PROFILE3=238,62,104,34).
  ASSERT_EQ(KeyboardProfile(), 0);
  const QPoint profile3 = place.topLeft() + QPoint(238 + 52, 62 + 17);
  ASSERT_TRUE(PointAt(profile3) && XdoTool({"click", "1"}));
  // A switch reads the whole profile: slow under the sanitizers, hence the guard.
  EXPECT_TRUE(Eventually([&] { return KeyboardProfile() == 2; }, 60s)) << program->Out();

  // Escape and Enter pressed on the window change nothing. A click after
  // them shows they were handled: X delivers in order.
  const std::string window = std::to_string(MainWindows(*program).front());
  ASSERT_TRUE(XdoTool({"windowfocus", "--sync", window}));
  ASSERT_TRUE(XdoTool({"key", "Escape", "Return", "KP_Enter"}));
  const QPoint profile4 = place.topLeft() + QPoint(346 + 52, 62 + 17);
  ASSERT_TRUE(PointAt(profile4) && XdoTool({"click", "1"}));
  EXPECT_TRUE(Eventually([&] { return KeyboardProfile() == 3; }, 60s));
  EXPECT_EQ(MainWindows(*program).size(), 1u);
  EXPECT_EQ(program->Out().find("window: hide\nwindow: hide"), std::string::npos);

  // Close exits.
  const QPoint close = place.topLeft() + QPoint(1008 + 15, 13 + 15);
  ASSERT_TRUE(PointAt(close) && XdoTool({"click", "1"}));
  EXPECT_EQ(program->WaitForExit(20s), 0) << program->Out();
}

TEST_F(WindowOnXTest, TheLightButtonOpensTheLightingPanelWhoseSliderReachesTheKeyboard) {
  auto program = StartProgram({});
  ASSERT_TRUE(program->WaitForOutput("window: refreshed from the keyboard", 20s))
      << program->Out() << program->Err();
  ASSERT_TRUE(Eventually([&] { return MainWindows(*program).size() == 1; }));
  ASSERT_TRUE(program->WaitForOutput("window: drawn", 20s)) << program->Out();
  const QRect place = *Geometry(MainWindows(*program).front());
  auto brightness = [&] {
    const Finished dump = keyboard_.Control({"dump", "settings", "--raw"});
    return dump.out.size() > 4 ? std::stoi(dump.out.substr(2, 2), nullptr, 16) : -1;
  };
  ASSERT_EQ(brightness(), 4) << "profile 1's default record";

  // The light button (CONTROL_DengStaPic=902,62,36,34), then the brightness
  // slider's left end (CONTROL_LightSlider=550,486,130,24).
  ASSERT_TRUE(PointAt(place.topLeft() + QPoint(902 + 18, 62 + 17)) && XdoTool({"click", "1"}));
  ASSERT_TRUE(PointAt(place.topLeft() + QPoint(550 + 2, 486 + 12)) && XdoTool({"click", "1"}));
  EXPECT_TRUE(Eventually([&] { return brightness() == 0; })) << program->Out();

  program->Signal(SIGTERM);
  EXPECT_EQ(program->WaitForExit(), 0);
}

// The value of `key` in the source tree's menu entry.
std::string DesktopEntryValue(const std::string& key) {
  std::ifstream entry(std::filesystem::path(OMBREX_BUILD_SOURCE_DIR) / "packaging" /
                      "org.ombrex.Ombrex.desktop");
  std::string line;
  while (std::getline(entry, line)) {
    if (line.starts_with(key + "=")) return line.substr(key.size() + 1);
  }
  return {};
}

TEST_F(WindowOnXTest, TheWindowsBelongToTheMenuEntryAndAreTitledOmbrex) {
  const std::string windowClass = DesktopEntryValue("StartupWMClass");
  ASSERT_EQ(windowClass, "Ombrex") << "the menu entry names the window class";
  auto program = StartProgram({});
  ASSERT_TRUE(program->WaitForOutput("window: drawn", 20s)) << program->Out() << program->Err();
  ASSERT_TRUE(Eventually([&] { return MainWindows(*program).size() == 1; }));
  const WindowId main = MainWindows(*program).front();
  // WM_CLASS is instance, class: the shell matches StartupWMClass to the class.
  EXPECT_EQ(Property(main, "WM_CLASS"), "\"ombrex\", \"" + windowClass + "\"");

  // The profile manager (FUNC_PROFILES=464,62,200,34) sets no title of its own.
  const QRect place = *Geometry(main);
  ASSERT_TRUE(PointAt(place.topLeft() + QPoint(464 + 100, 62 + 17)) && XdoTool({"click", "1"}));
  std::vector<WindowId> dialogs;
  ASSERT_TRUE(Eventually([&] {
    dialogs = WindowsOf(program->Pid(), true);
    std::erase(dialogs, main);
    return !dialogs.empty();
  })) << program->Out();
  for (WindowId dialog : dialogs) {
    EXPECT_EQ(Property(dialog, "_NET_WM_NAME"), "\"Ombrex\"");
    EXPECT_EQ(Property(dialog, "WM_CLASS"), Property(main, "WM_CLASS"));
  }

  program->Signal(SIGTERM);
  EXPECT_EQ(program->WaitForExit(), 0);
}

}  // namespace
}  // namespace ombrex::e2e
