// The application's core from start to exit: options, the single-instance
// rule between two copies in one process, the start-up order, the ready
// point, the window messages and the shutdown, with a headless window and the
// service library's core on an in-process virtual keyboard.

#include "app/application.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <sstream>
#include <thread>

#include "app/headless_window.h"
#include "app/program_paths.h"
#include "app/start_options.h"
#include "app/ui_loop.h"
#include "device/protocol.h"
#include "device/window_link.h"
#include "editors/profile_switcher.h"
#include "model/host_lighting.h"
#include "model/key_entry.h"
#include "model/lighting.h"
#include "model/workspace.h"
#include "platform/settings_store.h"
#include "platform/single_instance.h"
#include "razizid/in_process.h"
#include "tests/support/temp_dir.h"
#include "vkbd/keyboard.h"

namespace ombrex {
namespace {

using namespace std::chrono_literals;
namespace msg = window_message;

TEST(StartOptionsTest, RecognisedInAnyCaseAndInOrderOthersIgnored) {
  const std::vector<std::string> args{"/start", "--verbose", "/KILL", "/Kill", "Kill", "/Startx"};
  EXPECT_EQ(ParseStartOptions(args),
            (std::vector<StartOption>{StartOption::Start, StartOption::Kill, StartOption::Kill}));
  EXPECT_TRUE(ParseStartOptions({}).empty());
}

TEST(ProgramPathsTest, EverythingLivesBesideTheProgram) {
  const ProgramPaths paths = ProgramPaths::For("/opt/ombrex", "ombrex");
  EXPECT_EQ(paths.mainSkin, std::filesystem::path("/opt/ombrex/Skins/Main.ini"));
  EXPECT_EQ(paths.skinFolder, std::filesystem::path("/opt/ombrex/Skins"));
  EXPECT_EQ(paths.helpFolder, std::filesystem::path("/opt/ombrex/Help"));
  EXPECT_EQ(paths.userColourPrefix, std::filesystem::path("/opt/ombrex/Skins/UserDengColor_"));
  EXPECT_EQ(paths.companion, std::filesystem::path("/opt/ombrex/ZaRezavu"));
}

TEST(ProgramPathsTest, InstalledTheCompanionSitsWithTheServiceLibrary) {
  const ProgramPaths paths = ProgramPaths::For("/usr/share/ombrex", "ombrex", "/usr/lib/ombrex");
  EXPECT_EQ(paths.mainSkin, std::filesystem::path("/usr/share/ombrex/Skins/Main.ini"));
  EXPECT_EQ(paths.serviceFolder, std::filesystem::path("/usr/lib/ombrex"));
  EXPECT_EQ(paths.companion, std::filesystem::path("/usr/lib/ombrex/ZaRezavu"));
}

// One copy of the program: its folders, keyboard, core and headless window.
class Copy {
 public:
  Copy(const std::string& instance, vkbd::Keyboard& keyboard, bool plugged,
       const std::filesystem::path& programFolder)
      : library_(keyboard, {}, plugged),
        store_(OpenSettingsIn(home_.path() / "config")),
        app_(Config(instance, programFolder), *store_, errors_),
        loop_(app_.Run()),
        window_(loop_, nullptr) {
    window_.SetApplication(app_);
  }
  // The device threads end before the window and its loop go away.
  ~Copy() { app_.Finish(); }

  StartOutcome Start(const std::vector<std::string>& args) {
    StartOutcome outcome = app_.Construct(args);
    if (outcome.proceed) outcome = app_.Initialise(window_, window_);
    return outcome;
  }
  // Runs the window's loop on this thread until the condition holds.
  bool RunUntil(const std::function<bool()>& done) { return loop_.RunUntil(done, 10s); }
  bool RunUntilLine(const std::string& line) {
    return RunUntil([&] { return window_.HasLine(line); });
  }
  // The position of a line in the log; the end when missing.
  std::size_t IndexOf(const std::string& line) const {
    const auto lines = window_.Lines();
    return std::find(lines.begin(), lines.end(), line) - lines.begin();
  }

  Application& App() { return app_; }
  HeadlessWindow& Window() { return window_; }
  UiLoop& Loop() { return loop_; }
  razizid::InProcessLibrary& Library() { return library_; }
  std::string Errors() const { return errors_.str(); }
  std::filesystem::path ProfileFolder() const { return home_.path() / "Documents" / "Vantrel_09A"; }

 private:
  ApplicationConfig Config(const std::string& instance, const std::filesystem::path& program) {
    ApplicationConfig config;
    config.programFolder = program;
    config.ownFileName = "ombrex";
    config.profileFolder = ProfileFolder();
    config.instanceName = instance;
    config.eventPrefix = instance + "_Event_";
    config.instancePatience = 2s;
    config.inProcessLibrary = library_.Functions();
    return config;
  }

  test::TempDir home_;
  razizid::InProcessLibrary library_;
  std::unique_ptr<SettingsStore> store_;
  std::ostringstream errors_;
  Application app_;
  UiLoop loop_;
  HeadlessWindow window_;
};

class ApplicationTest : public ::testing::Test {
 protected:
  ApplicationTest() {
    program_.Write("Lang0409.ini",
                   "[TEXT]\nIDS_MAIN_DEVICE_PROMRT=No keyboard attached\n"
                   "IDS_DEFAULT_PROFILE_NAME=Factory profile\n"
                   "IDS_PROFILE_SELECT_PROMPT=Apply first?\n");
    program_.Write("Skins/language.ini", "[LANGUAGE]\nlanguage=1\n");
    const auto companion = program_.Write("ZaRezavu", "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(companion, std::filesystem::perms::owner_all);
  }

  std::unique_ptr<Copy> MakeCopy(bool plugged = true) {
    return std::make_unique<Copy>(instance_, keyboard_, plugged, program_.path());
  }

  // Short: the socket path must fit its 108 bytes.
  const std::string instance_ = "Zt" + std::to_string(::getpid()) + "_" + std::to_string(next_++);
  static inline int next_ = 0;
  test::TempDir program_;
  vkbd::Keyboard keyboard_;
};

TEST_F(ApplicationTest, KeyboardAtStartOpensTheWindowOnceAfterTheReadyPointAndTheReload) {
  auto copy = MakeCopy();
  ASSERT_TRUE(copy->Start({}).proceed);
  ASSERT_TRUE(copy->RunUntilLine("show"));

  EXPECT_TRUE(copy->App().Instance().Holds());
  EXPECT_TRUE(copy->App().CompanionStarted());
  EXPECT_EQ(copy->App().Events().Count(), kNamedEventCount);
  EXPECT_TRUE(copy->App().Run().Ready());
  EXPECT_EQ(copy->App().State().devicePresence, 1);
  // Tray icon, profile menu and hiding at the ready point; the reload only
  // after it, then the icon and the opening.
  const std::size_t ready = copy->IndexOf("tray icon added");
  EXPECT_LT(ready, copy->IndexOf("profiles button: $Profile0"));
  EXPECT_LT(copy->IndexOf("profiles button: $Profile0"), copy->IndexOf("hide"));
  EXPECT_LT(copy->IndexOf("hide"), copy->IndexOf("refreshed from the keyboard"));
  EXPECT_LT(copy->IndexOf("refreshed from the keyboard"), copy->IndexOf("tray picture 0 141"));
  EXPECT_LT(copy->IndexOf("tray picture 0 141"), copy->IndexOf("show"));
  EXPECT_TRUE(std::filesystem::exists(copy->ProfileFolder() / "$Profile0"));
}

TEST_F(ApplicationTest, WithoutAScreenTheReloadStillReadsTheKeyboardsLighting) {
  keyboard_.SetActiveProfile(2);
  auto copy = MakeCopy();
  ASSERT_TRUE(copy->Start({"/Start"}).proceed);
  ASSERT_TRUE(copy->RunUntilLine("refreshed from the keyboard"));
  const Lighting& lighting = *copy->App().GetLighting();
  EXPECT_EQ(lighting.Host().ShownProfile(), ProfileNumber(2));
  EXPECT_EQ(lighting.Host().State().mode, DefaultLightingRecord(2)[lighting_field::kMode]);
  EXPECT_FALSE(lighting.Host().Modes().Items().empty());
}

TEST_F(ApplicationTest, StartOptionKeepsTheWindowHiddenWhenTheKeyboardIsReported) {
  auto copy = MakeCopy();
  ASSERT_TRUE(copy->Start({"/START"}).proceed);
  ASSERT_TRUE(copy->RunUntilLine("tray picture 0 141"));
  copy->Loop().RunUntil([] { return false; }, 200ms);  // let anything queued run
  EXPECT_FALSE(copy->Window().HasLine("show"));
  EXPECT_TRUE(copy->Window().HasLine("refreshed from the keyboard"));

  copy->App().HandleMessage(msg::kShowPanel, msg::kOpen, 0, false);
  EXPECT_TRUE(copy->Window().HasLine("show"));
}

TEST_F(ApplicationTest, WithoutAKeyboardOpenSaysSoAndALaterKeyboardDoesNotOpen) {
  auto copy = MakeCopy(false);
  ASSERT_TRUE(copy->Start({}).proceed);
  ASSERT_TRUE(copy->RunUntil([&] { return copy->App().Run().Ready(); }));
  EXPECT_TRUE(copy->App().State().autoOpenSuppressed);

  copy->App().HandleMessage(msg::kShowPanel, msg::kOpen, 0, false);
  EXPECT_TRUE(copy->Window().HasLine("message: No keyboard attached"));

  copy->Library().Model()->Plug();
  ASSERT_TRUE(copy->RunUntilLine("tray picture 0 141"));
  EXPECT_TRUE(copy->Window().HasLine("refreshed from the keyboard"));
  EXPECT_FALSE(copy->Window().HasLine("show"));
  // A version tag and unknown tags change nothing.
  copy->App().HandleMessage(msg::kShowPanel, msg::kVersion, 0, false);
  copy->App().HandleMessage(msg::kKill, msg::kOpen, 0, false);
  EXPECT_FALSE(copy->Window().HasLine("show"));
  EXPECT_FALSE(copy->App().Exited());
}

TEST_F(ApplicationTest, ExitRunsTheShutdownInOrderAndLetsGoOfEverything) {
  auto copy = MakeCopy();
  ASSERT_TRUE(copy->Start({}).proceed);
  ASSERT_TRUE(copy->RunUntilLine("show"));
  const std::size_t before = copy->Window().Lines().size();

  copy->App().HandleMessage(msg::kKill, msg::kKillTag, 0, false);

  const auto lines = copy->Window().Lines();
  const std::vector<std::string> shutdown(lines.begin() + before, lines.end());
  EXPECT_EQ(shutdown, (std::vector<std::string>{"hide", "dialogs closed", "tray icon removed",
                                                "main loop ended"}));
  EXPECT_TRUE(copy->App().Exited());
  EXPECT_TRUE(copy->Loop().Ended());
  EXPECT_FALSE(copy->App().Instance().Holds());
  EXPECT_EQ(copy->App().Events().Count(), 0);
  EXPECT_FALSE(copy->App().GetWorkspace().Working()->HasBlock());
  SingleInstance next(instance_);
  EXPECT_TRUE(next.TryAcquire());
}

TEST_F(ApplicationTest, ExitDuringAQuestionWaitsUntilTheMainLoopHasControl) {
  auto copy = MakeCopy();
  ASSERT_TRUE(copy->Start({"/Start"}).proceed);
  ASSERT_TRUE(copy->RunUntilLine("tray picture 0 141"));
  copy->Window().SetPendingChanges(true);
  bool imageDuringQuestion = false;
  copy->Window().WhileAsking([&] {
    copy->App().HandleMessage(msg::kKill, msg::kKillTag, 0, false);
    imageDuringQuestion = copy->App().GetWorkspace().Working()->HasBlock();
  });
  copy->Window().ScriptAnswer(Answer::Yes);

  int switched = -1;
  copy->Loop().Post([&] {
    switched = copy->App().Switcher()->SelectProfile(2);
    // Still here: the images are in use until this returns.
    EXPECT_FALSE(copy->App().Exited());
    EXPECT_TRUE(copy->App().GetWorkspace().Working()->HasBlock());
  });
  ASSERT_TRUE(copy->RunUntil([&] { return copy->App().Exited(); }));

  EXPECT_EQ(switched, 0);
  EXPECT_TRUE(imageDuringQuestion);
  EXPECT_FALSE(copy->Window().HasLine("apply"));
  EXPECT_LT(copy->IndexOf("dialogs closed"), copy->IndexOf("main loop ended"));
  EXPECT_EQ(keyboard_.Snapshot().status[protocol::kStatusActiveProfileAt], 0);
}

TEST_F(ApplicationTest, OnlyAQueuedTimeChangeApplies) {
  auto copy = MakeCopy();
  ASSERT_TRUE(copy->Start({"/Start"}).proceed);
  ASSERT_TRUE(copy->RunUntil([&] { return copy->App().Run().Ready(); }));
  ASSERT_TRUE(copy->RunUntilLine("refreshed from the keyboard"));
  KeyEntry disabled;
  disabled.kind = static_cast<std::uint16_t>(AssignKind::Disabled);
  copy->App().GetWorkspace().StoreEntry(ProfileNumber(0), 0x1E, disabled);
  copy->Window().SetPendingChanges(true);
  const auto before = keyboard_.Snapshot().keyTables;

  copy->App().HandleMessage(msg::kTimeChange, 0, 0, false);
  EXPECT_TRUE(copy->Window().HasPendingChanges());
  EXPECT_EQ(keyboard_.Snapshot().keyTables, before);

  copy->App().HandleMessage(msg::kTimeChange, 0, 0, true);
  EXPECT_FALSE(copy->Window().HasPendingChanges());
  EXPECT_NE(keyboard_.Snapshot().keyTables, before);
  // Nobody asked for it: no message either way.
  const auto lines = copy->Window().Lines();
  EXPECT_FALSE(std::any_of(lines.begin(), lines.end(),
                           [](const std::string& line) { return line.starts_with("message"); }));
}

TEST_F(ApplicationTest, TheKeyboardsResetPutsTheProfilesKeysBackAndAppliesSilently) {
  auto copy = MakeCopy();
  ASSERT_TRUE(copy->Start({"/Start"}).proceed);
  ASSERT_TRUE(copy->RunUntilLine("refreshed from the keyboard"));
  Workspace& workspace = copy->App().GetWorkspace();
  KeyEntry disabled;
  disabled.kind = static_cast<std::uint16_t>(AssignKind::Disabled);
  workspace.StoreEntry(ProfileNumber(0), 0x1E, disabled);
  workspace.StoreEntry(ProfileNumber(1), 0x1E, disabled);
  copy->Window().SetPendingChanges(true);

  ASSERT_TRUE(copy->Library().Model()->RaiseEvent(protocol::kEventReset));
  ASSERT_TRUE(copy->RunUntil([&] { return !copy->Window().HasPendingChanges(); }));

  EXPECT_TRUE(copy->Window().HasLine("timer 1053"));
  // The current profile's keys only.
  EXPECT_EQ(workspace.ReadEntry(ProfileNumber(0), 0x1E).kind,
            static_cast<std::uint16_t>(AssignKind::Default));
  EXPECT_EQ(workspace.ReadEntry(ProfileNumber(1), 0x1E), disabled);
  const auto lines = copy->Window().Lines();
  EXPECT_FALSE(std::any_of(lines.begin(), lines.end(),
                           [](const std::string& line) { return line.starts_with("message"); }));
}

TEST_F(ApplicationTest, AMissingServiceLibraryEndsTheStartWithOneLine) {
  test::TempDir home;
  auto store = OpenSettingsIn(home.path());
  std::ostringstream errors;
  ApplicationConfig config;
  config.programFolder = program_.path();
  config.profileFolder = home.path() / "Vantrel_09A";
  config.instanceName = instance_;
  config.eventPrefix = instance_ + "_Event_";
  Application app(config, *store, errors);
  RunState run;
  UiLoop loop(run);
  HeadlessWindow window(loop, nullptr);
  ASSERT_TRUE(app.Construct({}).proceed);
  const StartOutcome outcome = app.Initialise(window, window);
  EXPECT_FALSE(outcome.proceed);
  EXPECT_EQ(outcome.exitCode, 1);
  const std::string text = errors.str();
  EXPECT_EQ(text.rfind("RazIzid service library ", 0), 0u) << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1);
}

// The running copy on a thread of its own, as in its own process.
class RunningCopy {
 public:
  RunningCopy(std::unique_ptr<Copy> copy, std::vector<std::string> args)
      : copy_(std::move(copy)), thread_([this, args] {
          started_ = copy_->Start(args).proceed;
          ready_ = true;
          if (started_) copy_->Loop().Run();
        }) {}
  ~RunningCopy() {
    copy_->Loop().Post([this] { copy_->App().ExitProgram(); });
    thread_.join();
  }
  bool WaitReady() {
    for (int i = 0; i < 1000 && !copy_->App().Run().Ready(); ++i) std::this_thread::sleep_for(5ms);
    return copy_->App().Run().Ready();
  }
  bool WaitEnded() {
    for (int i = 0; i < 1000 && !copy_->Loop().Ended(); ++i) std::this_thread::sleep_for(5ms);
    return copy_->Loop().Ended();
  }
  Copy& Get() { return *copy_; }

 private:
  std::unique_ptr<Copy> copy_;
  std::atomic<bool> started_{false};
  std::atomic<bool> ready_{false};
  std::thread thread_;
};

TEST_F(ApplicationTest, APlainSecondStartOpensTheRunningCopyAndEnds) {
  RunningCopy first(MakeCopy(), {"/Start"});
  ASSERT_TRUE(first.WaitReady());
  auto second = MakeCopy();

  const StartOutcome outcome = second->App().Construct({});

  EXPECT_FALSE(outcome.proceed);
  EXPECT_EQ(outcome.exitCode, 0);
  // Sent, so handled before the second start ended.
  EXPECT_TRUE(first.Get().Window().HasLine("sent 0x5350 0x4F50454E"));
  EXPECT_FALSE(second->App().CompanionStarted());
}

TEST_F(ApplicationTest, KillMakesTheRunningCopyShutDownBeforeTheSecondStartEnds) {
  RunningCopy first(MakeCopy(), {"/Start"});
  ASSERT_TRUE(first.WaitReady());
  auto second = MakeCopy();

  const std::vector<std::string> kill{"/kill"};
  const StartOutcome outcome = second->App().Construct(kill);

  EXPECT_FALSE(outcome.proceed);
  EXPECT_EQ(outcome.exitCode, 0);
  EXPECT_TRUE(first.Get().Window().HasLine("main loop ended"));
  EXPECT_TRUE(first.WaitEnded());
}

TEST_F(ApplicationTest, OtherProcessesReachOnlyOpenExitAndTheQueuedTimeChange) {
  RunningCopy first(MakeCopy(), {"/Start"});
  ASSERT_TRUE(first.WaitReady());
  const std::filesystem::path socket = first.Get().App().Instance().Places()->socketFile;

  EXPECT_TRUE(SendToListener(socket, {msg::kReload, msg::kProfile, 0, false}));
  EXPECT_TRUE(SendToListener(socket, {msg::kCloseEditors, 0, 0, false}));
  EXPECT_TRUE(SendToListener(socket, {msg::kTimeChange, 0, 0, false}));
  EXPECT_TRUE(SendToListener(socket, {msg::kKill, msg::kKillTag, 0, true}));
  EXPECT_TRUE(SendToListener(socket, {msg::kShowPanel, msg::kOpen, 0, false}));
  EXPECT_TRUE(SendToListener(socket, {msg::kTimeChange, 0, 0, true}));
  for (int i = 0; i < 1000 && !first.Get().Window().HasLine("apply"); ++i) {
    std::this_thread::sleep_for(5ms);
  }

  const auto lines = first.Get().Window().Lines();
  // The watcher's own reload is the only one; nothing else from outside came
  // through but the opening and the queued time change.
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "sent 0x5452 0x50524F46"), 1);
  EXPECT_FALSE(first.Get().Window().HasLine("editors closed"));
  EXPECT_FALSE(first.Get().Window().HasLine("sent 0x1E 0x0"));
  EXPECT_FALSE(first.Get().Window().HasLine("posted 0x4D4B 0x4C4C494B"));
  EXPECT_TRUE(first.Get().Window().HasLine("sent 0x5350 0x4F50454E"));
  EXPECT_TRUE(first.Get().Window().HasLine("posted 0x1E 0x0"));
  EXPECT_FALSE(first.Get().App().Exited());
}

TEST_F(ApplicationTest, KillWithoutARunningCopyStartsNormally) {
  auto copy = MakeCopy();
  const StartOutcome outcome = copy->Start({"/Kill"});
  EXPECT_TRUE(outcome.proceed);
  EXPECT_TRUE(copy->App().Instance().Holds());
  EXPECT_TRUE(copy->App().CompanionStarted());
  ASSERT_TRUE(copy->RunUntilLine("show"));
}

}  // namespace
}  // namespace ombrex

namespace ombrex {
namespace {

// A command runs in a nested loop (its question on screen): the reload the
// watcher sends and a queued time change wait for it, in order, while the
// watcher itself is answered at once and goes on following the keyboard.
TEST_F(ApplicationTest, ReloadAndTimeChangeArrivingDuringACommandRunAfterIt) {
  auto copy = MakeCopy();
  ASSERT_TRUE(copy->Start({"/Start"}).proceed);
  ASSERT_TRUE(copy->RunUntilLine("tray picture 0 141"));
  HeadlessWindow& window = copy->Window();
  std::atomic<bool> sent{false};
  std::thread watcher;
  bool sentBeforeTheCommandEnded = false;

  copy->Loop().Post([&] {
    copy->App().Guard().Arrive(GuardedCommand::Import, [&] {
      window.Trace().Line("import begins");
      watcher = std::thread([&] {
        window.Send(msg::kReload, msg::kProfile, 0);
        sent = true;
      });
      window.Post(msg::kTimeChange, 0, 0);
      copy->Loop().RunUntil([&] { return sent.load() && window.HasLine("posted 0x1E 0x0"); }, 10s);
      sentBeforeTheCommandEnded = sent;
      window.Trace().Line("import ends");
    });
  });
  ASSERT_TRUE(copy->RunUntil([&] { return window.HasLine("apply"); }));
  watcher.join();

  EXPECT_TRUE(sentBeforeTheCommandEnded);
  EXPECT_LT(copy->IndexOf("import begins"), copy->IndexOf("held: reload"));
  EXPECT_LT(copy->IndexOf("import ends"), copy->IndexOf("apply"));
  const auto lines = window.Lines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "refreshed from the keyboard"), 2)
      << "the start's reload and the held one";
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "apply"), 1);
}

// "Apply first?" is on screen: the keyboard goes and comes back meanwhile.
// The program knows at once, an Open tells the truth, and the keyboard is
// read again once the question has been answered.
TEST_F(ApplicationTest, WhileAQuestionIsOnScreenTheKeyboardsComingAndGoingIsFollowed) {
  auto copy = MakeCopy();
  ASSERT_TRUE(copy->Start({"/Start"}).proceed);
  ASSERT_TRUE(copy->RunUntilLine("refreshed from the keyboard"));
  HeadlessWindow& window = copy->Window();
  window.SetPendingChanges(true);
  bool goneSeen = false;
  bool backSeen = false;
  window.WhileAsking([&] {
    AppState& state = copy->App().State();
    copy->Library().Model()->Unplug();
    goneSeen = copy->Loop().RunUntil([&] { return state.devicePresence == 0; }, 10s);
    copy->Library().Model()->Plug();
    backSeen = copy->Loop().RunUntil([&] { return state.devicePresence == 1; }, 10s);
    copy->App().OpenMainWindow();
  });
  window.ScriptAnswer(Answer::No);
  // As the keyboard's profile key would: the switch is the window's command.
  copy->Loop().Post([&] {
    copy->App().Guard().Arrive(GuardedCommand::FollowProfile,
                               [&] { copy->App().Switcher()->SelectProfile(2); });
  });
  auto reloads = [&] {
    const auto lines = window.Lines();
    return std::count(lines.begin(), lines.end(), "refreshed from the keyboard");
  };
  ASSERT_TRUE(copy->RunUntil([&] { return reloads() == 2; }));

  EXPECT_TRUE(goneSeen);
  EXPECT_TRUE(backSeen);
  EXPECT_TRUE(window.HasLine("show"));
  EXPECT_FALSE(window.HasLine("message: No keyboard attached"));
  EXPECT_LT(copy->IndexOf("question: Apply first?"), copy->IndexOf("held: reload"));
}

// What the user's Exit (close button, tray) does with edits not yet applied,
// by answer, and an exit from outside, which asks nothing and keeps them.
TEST_F(ApplicationTest, TheUsersExitAsksAboutUnappliedEditsAndAnExitFromOutsideKeepsThem) {
  struct Case {
    const char* what;
    std::optional<Answer> answer;  // none: "/Kill"
    bool exits;
    bool copyKept;
    bool keyboardHasIt;
  };
  const Case cases[] = {
      {"cancel", Answer::Cancel, false, true, false},
      {"discard", Answer::No, true, false, false},
      {"apply", Answer::Yes, true, false, true},
      {"outside", std::nullopt, true, true, false},
  };
  for (const Case& c : cases) {
    vkbd::Keyboard keyboard;
    Copy copy(instance_ + c.what[0], keyboard, true, program_.path());
    ASSERT_TRUE(copy.Start({"/Start"}).proceed) << c.what;
    ASSERT_TRUE(copy.RunUntilLine("refreshed from the keyboard")) << c.what;
    KeyEntry disabled;
    disabled.kind = static_cast<std::uint16_t>(AssignKind::Disabled);
    copy.App().GetWorkspace().StoreEntry(ProfileNumber(0), 0x1E, disabled);
    copy.Window().SetPendingChanges(true);
    const std::filesystem::path unapplied = copy.ProfileFolder() / "$Profile0.unapplied";
    ASSERT_TRUE(std::filesystem::exists(unapplied)) << c.what;
    const auto before = keyboard.Snapshot().keyTables;

    if (c.answer) {
      copy.Window().ScriptAnswer(*c.answer);
      copy.App().ExitProgram(Application::ExitOrigin::User);
    } else {
      copy.App().HandleMessage(msg::kKill, msg::kKillTag, 0, false);
    }

    const auto lines = copy.Window().Lines();
    const bool asked = std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
      return line.starts_with("question: ");
    });
    EXPECT_EQ(asked, c.answer.has_value()) << c.what;
    EXPECT_EQ(copy.App().Exited(), c.exits) << c.what;
    EXPECT_EQ(std::filesystem::exists(unapplied), c.copyKept) << c.what;
    EXPECT_EQ(keyboard.Snapshot().keyTables != before, c.keyboardHasIt) << c.what;
  }
}

// The keyboard's reset puts it back on its first profile: the window shows
// that one and the reset's keys are that profile's, not the one shown before.
TEST_F(ApplicationTest, AfterTheKeyboardsResetTheWindowShowsTheProfileItWentBackTo) {
  auto copy = MakeCopy();
  ASSERT_TRUE(copy->Start({"/Start"}).proceed);
  ASSERT_TRUE(copy->RunUntilLine("refreshed from the keyboard"));
  ASSERT_EQ(copy->App().Switcher()->SelectProfile(2), 1);
  Workspace& workspace = copy->App().GetWorkspace();
  KeyEntry disabled;
  disabled.kind = static_cast<std::uint16_t>(AssignKind::Disabled);
  workspace.StoreEntry(ProfileNumber(2), 0x1E, disabled);
  copy->Window().SetPendingChanges(true);

  ASSERT_TRUE(copy->Library().Model()->RaiseEvent(protocol::kEventReset));
  ASSERT_TRUE(copy->RunUntil([&] { return !copy->Window().HasPendingChanges(); }));

  EXPECT_EQ(keyboard_.Snapshot().status[protocol::kStatusActiveProfileAt], 0);
  EXPECT_EQ(copy->App().State().deviceProfile.load(), ProfileNumber(0));
  EXPECT_EQ(workspace.ReadEntry(ProfileNumber(2), 0x1E), disabled) << "not the reset profile";
}

}  // namespace
}  // namespace ombrex
