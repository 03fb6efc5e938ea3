#pragma once

// The program's spine without its window: the command-line options and the
// single-instance rule, the companion launch, the ordered start of the link
// to the keyboard, the ready point, the window messages the core answers, and
// the orderly shutdown. The Qt application drives it; so do the headless
// program and the tests.
//
//   Application app(config, settings, std::cerr);
//   if (auto out = app.Construct(arguments); !out.proceed) return out.exitCode;
//   ... build the window ...
//   if (auto out = app.Initialise(view, windowLink); !out.proceed) return out.exitCode;
//   ... run the window's loop; it hands every custom message to HandleMessage ...
//   app.Finish();
//
// Threads: everything runs on the window's thread except the instance
// listener (which hands each message to the window through the WindowLink)
// and the device threads (see device_events.h).

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "app/command_guard.h"
#include "app/hand_over.h"
#include "app/main_window_view.h"
#include "app/program_paths.h"
#include "device/app_state.h"
#include "device/razizid_api.h"
#include "device/run_state.h"
#include "editors/macro_recorder.h"
#include "platform/named_events.h"
#include "platform/prompter.h"
#include "platform/single_instance.h"

namespace ombrex {

class AppSettings;
class ApplyCommands;
struct ApplyLighting;
class BusyIndicator;
class DeviceEvents;
class DeviceLink;
class KeyAssignmentEditor;
class KeyGrid;
class KeyboardSync;
class LibraryListener;
class LightingPanel;
class Lighting;
class ProfileManager;
class ProfileSwitcher;
class SessionRecorder;
class SettingsStore;
class Texts;
class TraceLog;
class UnappliedEdits;
class UserModeFiles;
class WindowLink;
class Workspace;

inline constexpr std::string_view kInstanceName = kProgramInstanceName;

struct ApplicationConfig {
  std::filesystem::path programFolder;  // holds the skins, texts and help
  // Holds the service library and the companion; the program folder when empty.
  std::filesystem::path serviceFolder;
  std::filesystem::path ownFileName;
  std::filesystem::path profileFolder;  // DefaultProfileFolder() in the program
  // The user's copies of files the program would write beside itself (the
  // user-mode colours); the per-user data folder when empty.
  std::filesystem::path userDataFolder;
  std::string instanceName{kInstanceName};
  std::string eventPrefix{kNamedEventPrefix};
  // How long a second start waits for a running copy that is still starting.
  std::chrono::milliseconds instancePatience{10000};
  // Tests bind a service-library core linked into the process instead of the
  // shared library of the program folder.
  std::optional<RazIzidFunctions> inProcessLibrary;
  // --record: every report to and from the keyboard, as a recorded session.
  std::filesystem::path recordFile;

  // The program's own places: its folder, the user's documents folder.
  static ApplicationConfig ForThisProgram();
};

struct StartOutcome {
  bool proceed = true;
  int exitCode = 0;
};

class Application {
 public:
  Application(ApplicationConfig config, SettingsStore& settings, std::ostream& errors);
  // Finish().
  ~Application();
  Application(const Application&) = delete;
  Application& operator=(const Application&) = delete;

  // Before the window exists: the options in order, the single-instance
  // rule (a second start delivers its message and ends with 0), the listener
  // for later starts and the companion.
  StartOutcome Construct(std::span<const std::string> arguments);

  // The window's initialisation: the service library (a failure ends the
  // program with 1 and one line on the error stream), the standing reads,
  // the working image, the watcher for the keyboards attached now, the named
  // events, and the start-up message posted to the window.
  StartOutcome Initialise(MainWindowView& view, WindowLink& window);

  // A custom message for the main window, on its thread. False for a
  // message the core does not handle (the window's own, such as 'PA').
  // `reply` answers the sender of a sent message: a reload that arrives
  // while another command runs keeps it until the reload has run.
  bool HandleMessage(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam, bool posted,
                     HandOverReply reply = {});

  // Shows the window when a keyboard is attached, else says there is none
  // (unless a box is on screen already: nothing is stacked on it).
  void OpenMainWindow();
  // Who asked for the end: the user (the window's close button, the tray's
  // Exit) is asked about edits not yet applied; another program ("/Kill",
  // a signal, the end of the session) never waits for an answer, and the
  // edits stay in their copy for the next start.
  enum class ExitOrigin { User, Outside };
  // The shutdown. Asked for inside a nested loop (a question or dialog on
  // screen), it closes the dialogs at once, innermost first, and is carried
  // out when the main loop has control again.
  void ExitProgram(ExitOrigin origin = ExitOrigin::Outside);
  bool Exited() const { return exited_; }

  // Counts a nested loop (a modal dialog or message box) for as long as it
  // lives. The window wraps every modal run in one.
  class NestedLoop {
   public:
    explicit NestedLoop(Application& app);
    ~NestedLoop();
    NestedLoop(const NestedLoop&) = delete;
    NestedLoop& operator=(const NestedLoop&) = delete;

   private:
    Application& app_;
  };
  // The window's prompter, each question counted as a nested loop.
  Prompter& Prompts();

  // After the main loop: the device threads end and the link lets go.
  void Finish();

  AppState& State() { return state_; }
  RunState& Run() { return run_; }
  const ProgramPaths& Paths() const { return paths_; }
  const Texts& GetTexts() const { return *texts_; }
  AppSettings& Settings() { return *settings_; }
  Workspace& GetWorkspace() { return *workspace_; }
  SingleInstance& Instance() { return instance_; }
  NamedEvents& Events() { return namedEvents_; }
  // The window's long commands, never started inside one another.
  CommandGuard& Guard() { return guard_; }
  // Whether a keyboard was attached when the link started.
  bool KeyboardAtStart() const { return keyboardAtStart_; }
  // Present once Initialise bound the service library.
  DeviceLink* Link() { return link_.get(); }
  KeyGrid* Grid() { return grid_.get(); }
  Lighting* GetLighting() { return lighting_.get(); }
  LightingPanel* Panel() { return panel_.get(); }
  DeviceEvents* KeyboardEvents() { return events_.get(); }
  ProfileSwitcher* Switcher() { return switcher_.get(); }
  ProfileManager* Manager() { return manager_.get(); }
  KeyAssignmentEditor* KeyEditor() { return keyEditor_.get(); }
  KeyboardSync* Sync() { return sync_.get(); }
  // Present once Initialise built the window's parts.
  ApplyCommands* Commands() { return commands_.get(); }
  BusyIndicator* Busy() { return busy_.get(); }
  bool CompanionStarted() const { return companionStarted_; }

 private:
  class CountingPrompter;
  class ApplyWindow;

  void OnInstanceMessage(const InstanceMessage& message);
  void Reload(HandOverReply reply);
  void RunReload();
  // The window shows the keyboard's profile: buttons, grid and lighting.
  // `readAgain`: the keyboard changed it by itself.
  void ShowKeyboardProfile(bool readAgain);
  void KeyboardChangedElsewhere();
  bool BindLink();
  // The library's errors into the window's trace, its reports into the
  // recording when one is asked for; false when that cannot be made.
  bool Listen(TraceLog& trace);
  void BuildEditors(MainWindowView& view);
  ApplyLighting LightingForApply();
  void ReadyPoint();
  // The user's Exit with edits pending: false when the program stays.
  bool SettleEditsBeforeExit();
  void Shutdown();
  void LeaveNestedLoop();

  ApplicationConfig config_;
  ProgramPaths paths_;
  std::ostream& errors_;
  AppState state_;
  RunState run_;
  SingleInstance instance_;
  NamedEvents namedEvents_;
  std::unique_ptr<Texts> texts_;
  std::unique_ptr<AppSettings> settings_;
  std::unique_ptr<Workspace> workspace_;
  std::unique_ptr<DeviceLink> link_;
  std::unique_ptr<SessionRecorder> recorder_;
  std::unique_ptr<LibraryListener> listener_;
  std::unique_ptr<DeviceEvents> events_;
  std::unique_ptr<KeyboardSync> sync_;
  std::unique_ptr<KeyGrid> grid_;
  std::unique_ptr<UserModeFiles> userModes_;
  std::unique_ptr<Lighting> lighting_;
  std::unique_ptr<LightingPanel> panel_;
  std::unique_ptr<ProfileSwitcher> switcher_;
  std::unique_ptr<ProfileManager> manager_;
  SteadyClock clock_;
  std::unique_ptr<KeyAssignmentEditor> keyEditor_;
  std::unique_ptr<CountingPrompter> prompter_;
  std::unique_ptr<UnappliedEdits> unapplied_;
  std::unique_ptr<BusyIndicator> busy_;
  std::unique_ptr<ApplyWindow> applyWindow_;
  std::unique_ptr<ApplyCommands> commands_;

  MainWindowView* view_ = nullptr;
  WindowLink* window_ = nullptr;
  CommandGuard guard_{run_};
  // Senders of an Exit asked for inside a nested loop: answered once the
  // shutdown has run, as they would be had it run at once.
  std::vector<HandOverReply> exitWaiters_;
  bool companionStarted_ = false;
  bool keyboardAtStart_ = false;
  int nestedLoops_ = 0;
  bool exitPending_ = false;
  bool reloadHeld_ = false;
  bool exited_ = false;
};

}  // namespace ombrex
