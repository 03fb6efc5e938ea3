// ombrex itself, offscreen, with --trace, on the virtual keyboard daemon:
// what the keyboard's coming and going shows, second starts, "/Kill" while a
// second start waits, the time change from outside, the screenshots, and the
// one-line ends.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>

#include "platform/single_instance.h"
#include "tests/support/processes.h"
#include "tests/support/temp_dir.h"

namespace ombrex::e2e {
namespace {

// Only a hang guard: a drawing at twice the density under the thread
// sanitizer on a busy machine takes well over the usual half minute.
constexpr std::chrono::seconds kScreenshotGuard{120};

using namespace std::chrono_literals;

constexpr const char* kNoKeyboardMessage =
    "window: message: No Ombrex keyboard is connected. Plug in the keyboard, wait a moment and try "
    "again.";

std::size_t Count(const std::string& text, const std::string& line) {
  std::size_t count = 0;
  for (std::size_t at = text.find(line); at != std::string::npos; at = text.find(line, at + 1)) {
    ++count;
  }
  return count;
}

// Until the output holds `line` `count` times; a limit only against a hang.
bool WaitForCount(Process& process, const std::string& line, std::size_t count) {
  return process.WaitForOutputWhere(
      [&](const std::string& out) { return Count(out, line) >= count; }, 20s);
}

// Width and height from a PNG file's header.
std::pair<int, int> PngSize(const std::filesystem::path& file) {
  const std::vector<std::uint8_t> bytes = test::ReadBytes(file);
  if (bytes.size() < 24) return {0, 0};
  auto at = [&](std::size_t i) {
    return (bytes[i] << 24) | (bytes[i + 1] << 16) | (bytes[i + 2] << 8) | bytes[i + 3];
  };
  return {at(16), at(20)};
}

class WindowOffscreenTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(keyboard_.Answering()); }

  // The program with --trace, and an instance and named events of this
  // test's own.
  std::vector<std::string> Args(std::vector<std::string> options) const {
    std::vector<std::string> args{"--trace", "--instance", Instance(), "--events",
                                  Instance() + "_"};
    args.insert(args.end(), options.begin(), options.end());
    return args;
  }

  static std::string Instance() { return "Wo" + std::to_string(::getpid()); }

  test::TempDir dir_;
  VirtualKeyboard keyboard_{dir_.path()};
};

TEST_F(WindowOffscreenTest, TheKeyboardOpensTheWindowOnceItsGoingHidesItAndItsReturnDoesNot) {
  Process program("ombrex", Args({}), dir_.path());
  ASSERT_TRUE(program.WaitForOutput("window: show")) << program.Out() << program.Err();
  ASSERT_TRUE(WaitForCount(program, "window: tray shows 141", 1)) << program.Out();

  ASSERT_EQ(keyboard_.Control({"unplug"}).exitCode, 0);
  ASSERT_TRUE(WaitForCount(program, "window: tray shows 128", 1)) << program.Out();
  EXPECT_EQ(Count(program.Out(), "window: hide"), 2u) << "the ready point's and the removal's";
  EXPECT_EQ(Count(program.Out(), "window: editors closed"), 1u);

  ASSERT_EQ(keyboard_.Control({"plug"}).exitCode, 0);
  ASSERT_TRUE(WaitForCount(program, "window: tray shows 141", 2)) << program.Out();

  ASSERT_EQ(keyboard_.Control({"event", "0x1811"}).exitCode, 0);
  ASSERT_TRUE(WaitForCount(program, "window: tray shows 142", 1)) << program.Out();
  ASSERT_EQ(keyboard_.Control({"event", "0x1810"}).exitCode, 0);
  ASSERT_TRUE(WaitForCount(program, "window: tray shows 141", 3)) << program.Out();

  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(), 0);
  const std::string log = program.Out();
  EXPECT_EQ(Count(log, "window: show"), 1u) << log;
  EXPECT_NE(log.find("window: main loop ended"), std::string::npos) << log;
}

TEST_F(WindowOffscreenTest, ASecondStartOpensTheFirstWindowAndEndsAfterIt) {
  Process first("ombrex", Args({"/Start"}), dir_.path());
  ASSERT_TRUE(first.WaitForOutput("window: tray picture 0 141")) << first.Out() << first.Err();
  EXPECT_EQ(first.Out().find("window: show"), std::string::npos);

  const Finished second = RunToEnd("ombrex", Args({}), dir_.path());

  EXPECT_EQ(second.exitCode, 0) << second.err;
  const std::string log = first.Out();
  const std::size_t sent = log.find("window: sent 0x5350 0x4F50454E");
  ASSERT_NE(sent, std::string::npos) << log;
  EXPECT_NE(log.find("window: show", sent), std::string::npos) << "shown before the second ended";
  EXPECT_TRUE(first.Running());
}

TEST_F(WindowOffscreenTest, KillWhileASecondStartWaitsOnTheMessageEndsEveryCopyInOrder) {
  ASSERT_EQ(keyboard_.Control({"unplug"}).exitCode, 0);
  Process first("ombrex", Args({}), dir_.path());
  ASSERT_TRUE(first.WaitForOutput("window: hide")) << first.Out() << first.Err();

  // The second start asks the first to open; without a keyboard the first
  // shows its message and the second waits for it to be closed.
  Process second("ombrex", Args({}), dir_.path());
  ASSERT_TRUE(first.WaitForOutput(kNoKeyboardMessage)) << first.Out();
  EXPECT_TRUE(second.Running());

  const Finished killer = RunToEnd("ombrex", Args({"/Kill"}), dir_.path());

  EXPECT_EQ(killer.exitCode, 0) << killer.err;
  EXPECT_EQ(first.WaitForExit(), 0) << first.Out();
  EXPECT_EQ(second.WaitForExit(), 0) << second.Err();
  const std::string log = first.Out();
  const std::size_t kill = log.find("window: sent 0x4D4B 0x4C4C494B");
  ASSERT_NE(kill, std::string::npos) << log;
  const std::size_t dialogs = log.find("window: dialogs closed", kill);
  const std::size_t tray = log.find("window: tray icon removed", kill);
  const std::size_t ended = log.find("window: main loop ended", kill);
  EXPECT_LT(dialogs, tray) << log;
  EXPECT_LT(tray, ended) << log;
  EXPECT_NE(ended, std::string::npos) << log;
}

TEST_F(WindowOffscreenTest, ATimeChangePostedFromOutsideAppliesOnceASentOneNever) {
  Process program("ombrex", Args({"/Start"}), dir_.path());
  ASSERT_TRUE(program.WaitForOutput("window: tray picture 0 141")) << program.Out();
  const auto places = InstancePlacesFor(Instance());
  ASSERT_TRUE(places.has_value());

  EXPECT_TRUE(SendToListener(places->socketFile, {0x001E, 0, 0, false}));
  EXPECT_TRUE(SendToListener(places->socketFile, {0x001E, 0, 0, true}));
  // A posted message is answered before it is handled, and each sender is
  // served on its own, so the post is waited for where the window takes it.
  // A sent Open after that is handled behind the queued Apply and after the
  // sent time change, whose sender was answered only once it was handled.
  ASSERT_TRUE(program.WaitForOutput("window: posted 0x1E 0x0")) << program.Out();
  EXPECT_TRUE(SendToListener(places->socketFile, {0x5350, 0x4F50454E, 0, false}));

  const std::string log = program.Out();
  EXPECT_EQ(Count(log, "window: apply\n"), 1u) << log;
  EXPECT_EQ(Count(log, "window: posted 0x1E 0x0"), 1u) << log;
  EXPECT_EQ(Count(log, "window: sent 0x1E"), 0u) << log;
  EXPECT_NE(log.find("window: show"), std::string::npos) << log;
}

TEST_F(WindowOffscreenTest, EditsLeftUnappliedComeBackAndTheQueuedTimeChangeSendsThem) {
  // Key A of profile 1 disabled, as a program killed before its Apply
  // reached the keyboard leaves it beside the profile file.
  const std::filesystem::path profiles = dir_.path() / "profiles";
  const std::filesystem::path edit = dir_.path() / "edit.fwc";
  ASSERT_EQ(RunToEnd("ombrexctl", {"read", edit.string()}, dir_.path()).exitCode, 0);
  ASSERT_EQ(
      RunToEnd("ombrexctl", {"assign", edit.string(), "1", "A", "disabled"}, dir_.path()).exitCode,
      0);
  std::filesystem::create_directories(profiles);
  std::filesystem::copy_file(edit, profiles / "$Profile0.unapplied");
  const std::string before = keyboard_.Control({"dump", "keytable", "0", "--raw"}).out;

  Process program("ombrex", Args({"--profile-folder", profiles.string(), "/Start"}), dir_.path());
  ASSERT_TRUE(program.WaitForOutput("window: apply enabled")) << program.Out() << program.Err();
  EXPECT_EQ(keyboard_.Control({"dump", "keytable", "0", "--raw"}).out, before);
  const auto places = InstancePlacesFor(Instance());
  ASSERT_TRUE(places.has_value());
  EXPECT_TRUE(SendToListener(places->socketFile, {0x001E, 0, 0, true}));
  ASSERT_TRUE(program.WaitForOutput("window: apply disabled")) << program.Out();
  program.Signal(SIGTERM);
  EXPECT_EQ(program.WaitForExit(), 0);

  EXPECT_NE(keyboard_.Control({"dump", "keytable", "0", "--raw"}).out, before);
  EXPECT_FALSE(std::filesystem::exists(profiles / "$Profile0.unapplied"));
  const std::filesystem::path held = dir_.path() / "held.fwc";
  ASSERT_EQ(RunToEnd("ombrexctl", {"read", held.string()}, dir_.path()).exitCode, 0);
  const Finished dump = RunToEnd("ombrexctl", {"dump", held.string()}, dir_.path());
  EXPECT_NE(dump.out.find("profile 1:\n  A: disabled\n"), std::string::npos) << dump.out;
}

// Edits pending, the keyboard's own profile key puts "apply before
// switching?" on screen, and a second start asks for the window meanwhile.
// "/Kill" and SIGTERM each end the program with the question still up,
// without anyone answering it, and the edits stay in their copy. The
// keyboard going and coming back meanwhile is followed.
TEST_F(WindowOffscreenTest, KillAndTerminateEndTheProgramWhileItsQuestionIsOpenKeepingTheEdits) {
  const std::filesystem::path edit = dir_.path() / "edit.fwc";
  ASSERT_EQ(RunToEnd("ombrexctl", {"read", edit.string()}, dir_.path()).exitCode, 0);
  ASSERT_EQ(
      RunToEnd("ombrexctl", {"assign", edit.string(), "1", "A", "disabled"}, dir_.path()).exitCode,
      0);
  for (const bool kill : {true, false}) {
    SCOPED_TRACE(kill ? "/Kill" : "SIGTERM");
    const std::filesystem::path profiles = dir_.path() / (kill ? "kill" : "term");
    std::filesystem::create_directories(profiles);
    std::filesystem::copy_file(edit, profiles / "$Profile0.unapplied");
    Process program("ombrex", Args({"--profile-folder", profiles.string(), "/Start"}), dir_.path());
    ASSERT_TRUE(program.WaitForOutput("window: apply enabled")) << program.Out() << program.Err();

    ASSERT_EQ(keyboard_.Control({"event", "0x0401"}).exitCode, 0);
    ASSERT_TRUE(program.WaitForOutput("window: question: ")) << program.Out();
    const Finished second = RunToEnd("ombrex", Args({}), dir_.path());
    EXPECT_EQ(second.exitCode, 0) << second.err;
    EXPECT_EQ(program.Out().find(kNoKeyboardMessage), std::string::npos) << program.Out();

    if (kill) {
      // The keyboard going takes the question back; the edits stay pending.
      ASSERT_EQ(keyboard_.Control({"unplug"}).exitCode, 0);
      ASSERT_TRUE(program.WaitForOutput("window: question withdrawn")) << program.Out();
      ASSERT_EQ(keyboard_.Control({"plug"}).exitCode, 0);
      ASSERT_TRUE(WaitForCount(program, "window: tray shows 141", 2)) << program.Out();
      // A new question to end the program over.
      ASSERT_EQ(keyboard_.Control({"event", "0x0401"}).exitCode, 0);
      ASSERT_TRUE(WaitForCount(program, "window: question: ", 2)) << program.Out();
      const Finished killer = RunToEnd("ombrex", Args({"/Kill"}), dir_.path());
      EXPECT_EQ(killer.exitCode, 0) << killer.err;
    } else {
      program.Signal(SIGTERM);
    }
    EXPECT_EQ(program.WaitForExit(), 0) << program.Out();
    const std::string log = program.Out();
    EXPECT_LT(log.find("window: dialogs closed"), log.find("window: main loop ended")) << log;
    EXPECT_TRUE(std::filesystem::exists(profiles / "$Profile0.unapplied"));
  }
}

TEST_F(WindowOffscreenTest, ScreenshotsAreTakenOnceTheKeyboardIsShownAtEitherDensity) {
  const std::filesystem::path shots = dir_.path() / "shots";
  const Finished one =
      RunToEnd("ombrex", Args({"--screenshot", shots.string()}), dir_.path(), kScreenshotGuard);
  ASSERT_EQ(one.exitCode, 0) << one.err;
  EXPECT_NE(one.out.find((shots / "main-1x.png").string()), std::string::npos) << one.out;
  EXPECT_LT(one.out.find("window: refreshed from the keyboard"),
            one.out.find((shots / "main-1x.png").string()));
  EXPECT_EQ(PngSize(shots / "main-1x.png"), std::make_pair(1056, 660));

  ::setenv("QT_SCALE_FACTOR", "2", 1);
  const Finished two =
      RunToEnd("ombrex", Args({"--screenshot", shots.string()}), dir_.path(), kScreenshotGuard);
  ::unsetenv("QT_SCALE_FACTOR");
  ASSERT_EQ(two.exitCode, 0) << two.err;
  EXPECT_EQ(PngSize(shots / "main-2x.png"), std::make_pair(2112, 1320));

  // Kept for a person to look at.
  const char* folder = std::getenv("OMBREX_SCREENSHOT_DIR");
  const std::filesystem::path keep = folder != nullptr ? std::filesystem::path(folder)
                                                       : ProgramDir().parent_path() / "screenshots";
  std::filesystem::create_directories(keep);
  for (const char* name : {"main-1x.png", "main-2x.png"}) {
    std::filesystem::copy_file(shots / name, keep / name,
                               std::filesystem::copy_options::overwrite_existing);
  }
}

TEST_F(WindowOffscreenTest, WithoutAKeyboardTheScreenshotIsTakenAtTheReadyPoint) {
  ASSERT_EQ(keyboard_.Control({"unplug"}).exitCode, 0);
  const std::filesystem::path shots = dir_.path() / "shots";
  const Finished run =
      RunToEnd("ombrex", Args({"--screenshot", shots.string()}), dir_.path(), kScreenshotGuard);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(std::filesystem::exists(shots / "main-1x.png"));
  EXPECT_EQ(run.out.find("window: refreshed from the keyboard"), std::string::npos);
}

// A program folder of its own: the program and what it loads copied (the
// program finds its folder from its own file), everything else linked.
class ProgramCopy {
 public:
  explicit ProgramCopy(const std::filesystem::path& where, std::initializer_list<const char*> left)
      : folder_(where) {
    std::filesystem::create_directories(folder_ / "Skins");
    for (const auto& entry : std::filesystem::directory_iterator(ProgramDir())) {
      const std::string name = entry.path().filename().string();
      if (Left(left, name) || name == "Skins") continue;
      if (name == "ombrex" || name == "libRazIzid.so" || name == "ZaRezavu") {
        std::filesystem::copy_file(entry.path(), folder_ / name);
      } else {
        std::filesystem::create_symlink(entry.path(), folder_ / name);
      }
    }
    for (const auto& entry : std::filesystem::directory_iterator(ProgramDir() / "Skins")) {
      const std::string name = entry.path().filename().string();
      if (!Left(left, "Skins/" + name)) {
        std::filesystem::create_symlink(entry.path(), folder_ / "Skins" / name);
      }
    }
  }
  std::string Program() const { return (folder_ / "ombrex").string(); }

 private:
  static bool Left(std::initializer_list<const char*> left, const std::string& name) {
    for (const char* l : left) {
      if (name == l) return true;
    }
    return false;
  }
  std::filesystem::path folder_;
};

TEST_F(WindowOffscreenTest, WhatStopsTheStartSaysSoInOneLineAndEndsWithOne) {
  struct Case {
    const char* what;
    std::initializer_list<const char*> left;
    const char* said;
  };
  const Case cases[] = {
      {"a state picture", {"Skins/main_over.jpg"}, "main_over.jpg is missing"},
      {"the shape", {"Skins/main_mask.bmp"}, "main_mask.bmp is missing"},
      {"the service library", {"libRazIzid.so"}, "RazIzid service library "},
  };
  int n = 0;
  for (const Case& c : cases) {
    const ProgramCopy copy(dir_.path() / ("copy" + std::to_string(n++)), c.left);
    const Finished run = RunToEnd(copy.Program(), Args({}), dir_.path());
    EXPECT_EQ(run.exitCode, 1) << c.what << ": " << run.err;
    EXPECT_NE(run.err.find(c.said), std::string::npos) << c.what << ": " << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.what << ": " << run.err;
  }
}

TEST_F(WindowOffscreenTest, WithoutADisplayTheProgramSaysSoInOneLine) {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const std::string saved = platform != nullptr ? platform : "";
  ::unsetenv("QT_QPA_PLATFORM");
  ::unsetenv("DISPLAY");
  ::unsetenv("WAYLAND_DISPLAY");
  const Finished run = RunToEnd("ombrex", Args({}), dir_.path());
  ::setenv("QT_QPA_PLATFORM", saved.c_str(), 1);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err.rfind("ombrex: no display", 0), 0u) << run.err;
  EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;

  ::setenv("QT_QPA_PLATFORM", "xcb", 1);
  ::setenv("DISPLAY", ":98765", 1);
  const Finished unreachable = RunToEnd("ombrex", Args({}), dir_.path());
  ::setenv("QT_QPA_PLATFORM", saved.c_str(), 1);
  ::unsetenv("DISPLAY");
  EXPECT_EQ(unreachable.exitCode, 1);
  EXPECT_EQ(unreachable.err.rfind("ombrex: cannot open the display", 0), 0u) << unreachable.err;
  EXPECT_EQ(std::count(unreachable.err.begin(), unreachable.err.end(), '\n'), 1) << unreachable.err;
}

}  // namespace
}  // namespace ombrex::e2e
