#include "app/application.h"

#include <array>
#include <mutex>
#include <variant>

#include "app/apply_commands.h"
#include "app/apply_commands_host.h"
#include "app/busy_indicator.h"
#include "app/lighting_panel.h"
#include "app/start_options.h"
#include "app/trace_log.h"
#include "device/device_events.h"
#include "device/device_link.h"
#include "device/service_library.h"
#include "device/session_recorder.h"
#include "device/window_link.h"
#include "editors/key_assignment_editor.h"
#include "editors/profile_manager.h"
#include "editors/profile_switcher.h"
#include "model/app_settings.h"
#include "model/key_grid.h"
#include "model/keyboard_sync.h"
#include "model/lighting.h"
#include "model/unapplied_edits.h"
#include "model/user_mode_files.h"
#include "model/workspace.h"
#include "platform/command_line.h"
#include "platform/paths.h"
#include "platform/process_launch.h"
#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace ombrex {

namespace msg = window_message;

// How long the end waits for lighting writes still on their way.
constexpr std::chrono::milliseconds kLightingFlushBound{2000};

// The window's prompter; while a question or chooser is on screen the
// program sits in a nested loop. Once the program is on its way out nothing
// new is put on screen: code below a closed box may go on to ask again.
class Application::CountingPrompter : public Prompter {
 public:
  CountingPrompter(Application& app, Prompter& inner) : app_(app), inner_(inner) {}

  void ShowMessage(std::u16string_view text, bool topmost) override {
    if (Leaving()) return;
    NestedLoop nested(app_);
    inner_.ShowMessage(text, topmost);
  }
  Answer AskYesNo(std::u16string_view text) override {
    if (Leaving()) return Answer::Cancel;
    NestedLoop nested(app_);
    return inner_.AskYesNo(text);
  }
  Answer AskApplyOrDiscard(std::u16string_view text) override {
    if (Leaving()) return Answer::Cancel;
    NestedLoop nested(app_);
    return inner_.AskApplyOrDiscard(text);
  }
  std::optional<std::filesystem::path> ChooseOpenFile(const FileDialogOptions& options) override {
    if (Leaving()) return std::nullopt;
    NestedLoop nested(app_);
    return inner_.ChooseOpenFile(options);
  }
  std::optional<std::filesystem::path> ChooseSaveFile(const FileDialogOptions& options) override {
    if (Leaving()) return std::nullopt;
    NestedLoop nested(app_);
    return inner_.ChooseSaveFile(options);
  }

 private:
  bool Leaving() const { return app_.exitPending_ || app_.exited_ || app_.run_.ShuttingDown(); }

  Application& app_;
  Prompter& inner_;
};

// The Apply commands' view of the main window.
class Application::ApplyWindow : public ApplyCommandsWindow {
 public:
  explicit ApplyWindow(MainWindowView& view) : view_(view) {}
  bool HasPendingChanges() const override { return view_.HasPendingChanges(); }
  void SetPendingChanges(bool pending) override { view_.SetPendingChanges(pending); }
  void HideMainWindow() override { view_.HideMainWindow(); }

 private:
  MainWindowView& view_;
};

ApplicationConfig ApplicationConfig::ForThisProgram() {
  ApplicationConfig config;
  config.programFolder = ProgramFolder();
  config.serviceFolder = ServiceFolder();
  config.ownFileName = ProgramFileName();
  config.profileFolder = DefaultProfileFolder();
  config.userDataFolder = UserDataFolder();
  return config;
}

Application::Application(ApplicationConfig config, SettingsStore& settings, std::ostream& errors)
    : config_(std::move(config)),
      paths_(ProgramPaths::For(config_.programFolder, config_.ownFileName, config_.serviceFolder)),
      errors_(errors),
      instance_(config_.instanceName),
      namedEvents_(config_.eventPrefix),
      texts_(std::make_unique<Texts>(config_.programFolder, settings, SystemDefaultLanguageId())),
      settings_(std::make_unique<AppSettings>(settings, *texts_, config_.profileFolder)),
      workspace_(std::make_unique<Workspace>(config_.profileFolder)) {}

Application::~Application() {
  Finish();
}

StartOutcome Application::Construct(std::span<const std::string> arguments) {
  state_.autoOpenSuppressed = false;
  for (StartOption option : ParseStartOptions(arguments)) {
    if (option == StartOption::Start) {
      state_.autoOpenSuppressed = true;
      continue;
    }
    // /Kill: with a running copy this start ends, whether or not it
    // answered; without one, the lock is now ours and the start goes on.
    const Delivery delivery = instance_.DeliverToRunningCopy({msg::kKill, msg::kKillTag, 0, false},
                                                             config_.instancePatience);
    if (delivery != Delivery::NoRunningCopy) return {false, 0};
  }
  if (!instance_.Holds()) {
    const Delivery delivery = instance_.DeliverToRunningCopy(
        {msg::kShowPanel, msg::kOpen, 0, false}, config_.instancePatience);
    if (delivery == Delivery::Delivered) return {false, 0};
    if (delivery == Delivery::NoAnswer) {
      errors_ << "ombrex: another copy holds the instance lock but does not answer; starting anyway"
              << std::endl;
    }
  }
  if (instance_.Holds()) {
    instance_.Listen([this](const InstanceMessage& message) { OnInstanceMessage(message); });
  }
  // Started hidden at every start that gets this far; never waited for.
  companionStarted_ = StartDetached(paths_.companion);
  return {};
}

void Application::OnInstanceMessage(const InstanceMessage& message) {
  // Other processes may ask the window to open or to exit, and queue the
  // time change; the window's inner messages are its own business.
  const bool fromOutside =
      message.posted
          ? message.message == msg::kTimeChange || message.message == msg::kKeyboardChanged
          : message.message == msg::kShowPanel || message.message == msg::kKill;
  if (!fromOutside) return;
  // Later starts reach the window once it is ready for messages.
  if (!run_.WaitUntilReady()) return;
  if (message.posted) {
    window_->Post(message.message, message.wParam, message.lParam);
  } else {
    window_->Send(message.message, message.wParam, message.lParam);
  }
}

bool Application::BindLink() {
  ServiceLibraryResult bound =
      config_.inProcessLibrary
          ? BindServiceLibrary(*config_.inProcessLibrary)
          : LoadServiceLibrary(paths_.serviceFolder / ServiceLibraryFileName());
  if (const auto* error = std::get_if<ServiceLibraryError>(&bound)) {
    errors_ << Utf8FromUtf16(error->Text()) << std::endl;
    return false;
  }
  link_ = std::make_unique<DeviceLink>(std::get<ServiceLibrary>(bound), state_);
  return true;
}

bool Application::Listen(TraceLog& trace) {
  if (!config_.recordFile.empty()) {
    recorder_ = SessionRecorder::Create(config_.recordFile);
    if (!recorder_) {
      errors_ << "ombrex: cannot make the recording " << Utf8FromPath(config_.recordFile)
              << std::endl;
      return false;
    }
  }
  listener_ = std::make_unique<LibraryListener>(
      link_->Library(),
      [&trace](int, std::string_view message) { trace.Line("library: " + std::string(message)); },
      recorder_ ? recorder_->Monitor() : LibraryListener::Monitor{});
  return true;
}

void Application::BuildEditors(MainWindowView& view) {
  prompter_ = std::make_unique<CountingPrompter>(*this, view.Prompts());
  sync_ = std::make_unique<KeyboardSync>(*workspace_, link_->Commands(), *texts_, *prompter_);
  grid_ = std::make_unique<KeyGrid>(*workspace_, *texts_, view.Buttons(), view);
  grid_->SetKeyboardTable(&link_->Commands().DefaultTable());
  switcher_ =
      std::make_unique<ProfileSwitcher>(*workspace_, link_->Commands(), *sync_, *grid_, *texts_,
                                        *prompter_, view, run_, [this] { return events_->Bank(); });
  manager_ = std::make_unique<ProfileManager>(*switcher_, *workspace_, link_->Commands(),
                                              *settings_, *texts_, *prompter_);
  manager_->SetMainApplyDisabler([&view] { view.SetPendingChanges(false); });
  manager_->SetAfterSwitch([this] { ShowKeyboardProfile(false); });
  const std::filesystem::path userData =
      config_.userDataFolder.empty() ? UserDataFolder() : config_.userDataFolder;
  userModes_ = std::make_unique<UserModeFiles>(userData, config_.programFolder);
  lighting_ = std::make_unique<Lighting>(link_->Commands(), *userModes_, config_.profileFolder);
  panel_ = std::make_unique<LightingPanel>(LightingPanelParts{
      .lighting = *lighting_,
      .commands = link_->Commands(),
      .buttons = view.Buttons(),
      .texts = *texts_,
      .selectProfile =
          [this](ProfileNumber profile) {
            return switcher_->SelectProfile(static_cast<int>(profile.Index()));
          },
      .refreshAllKeys =
          [this] {
            grid_->RefreshAllKeys(link_->Commands().ActiveProfile().value_or(ProfileNumber(0)),
                                  events_->Bank());
          }});
  unapplied_ = std::make_unique<UnappliedEdits>(*workspace_);
  switcher_->AttachUnappliedEdits(unapplied_.get());
  busy_ = std::make_unique<BusyIndicator>();
  applyWindow_ = std::make_unique<ApplyWindow>(view);
  commands_ = std::make_unique<ApplyCommands>(
      ApplyCommandsParts{.workspace = *workspace_,
                         .sync = *sync_,
                         .commands = link_->Commands(),
                         .grid = *grid_,
                         .unapplied = *unapplied_,
                         .busy = *busy_,
                         .texts = *texts_,
                         .prompter = *prompter_,
                         .window = *applyWindow_,
                         .run = run_,
                         .lighting = LightingForApply(),
                         .bank = [this] { return events_->Bank(); },
                         .trace = &view.Trace(),
                         .showKeyboardProfile = [this] { ShowKeyboardProfile(true); }});
  keyEditor_ = std::make_unique<KeyAssignmentEditor>(KeyEditorParts{
      .workspace = *workspace_,
      .grid = *grid_,
      .settings = *settings_,
      .state = state_,
      .texts = *texts_,
      .prompter = *prompter_,
      .changes = view,
      .clock = clock_,
      .bank = [this] { return events_->Bank(); },
  });
}

ApplyLighting Application::LightingForApply() {
  return {.lightingView = [this] { return panel_->LightingView(); },
          .resetLighting = [this] { panel_->ResetLighting(); },
          .clearRecordOptions = [this] { lighting_->ClearRecordOptions(); },
          .flush = [this] { lighting_->Flush(); }};
}

StartOutcome Application::Initialise(MainWindowView& view, WindowLink& window) {
  state_.deviceProfile = std::nullopt;
  if (!BindLink() || !Listen(view.Trace())) return {false, 1};
  view_ = &view;
  window_ = &window;
  // The bank starts in A and no request is made yet.
  events_ = std::make_unique<DeviceEvents>(*link_, window, run_, *texts_);
  events_->Attach();
  events_->RegisterEventRead();
  link_->RegisterReplyRead();
  // The working image exists before any watcher can ask the window to
  // reload it.
  {
    const auto held = workspace_->Working();
    workspace_->ClearWorkingImage();
    workspace_->CreateDefaultImage({}, 0, true);
  }
  view.SetPendingChanges(false);
  BuildEditors(view);
  const int count = link_->DeviceCount();
  keyboardAtStart_ = count > 0;
  if (count == 0) state_.autoOpenSuppressed = true;
  events_->StartDeviceWatcher(count);
  namedEvents_.Create();
  window.Post(msg::kInit, msg::kInitTag, 0);
  return {};
}

bool Application::HandleMessage(std::uint32_t message, std::uint32_t wParam, std::uint32_t,
                                bool posted, HandOverReply reply) {
  if (view_ == nullptr) return false;
  switch (message) {
    case msg::kShowPanel:
      if (wParam == msg::kOpen) OpenMainWindow();
      return true;
    case msg::kKill:
      if (wParam != msg::kKillTag) return true;
      if (nestedLoops_ > 0 && reply.WaitedFor()) exitWaiters_.push_back(std::move(reply));
      ExitProgram();
      return true;
    case msg::kInit:
      if (wParam == msg::kInitTag) ReadyPoint();
      return true;
    case msg::kReload:
      if (wParam == msg::kProfile && !exited_) Reload(std::move(reply));
      return true;
    case msg::kCloseEditors:
      if (!exited_) view_->CloseEditors();
      return true;
    case msg::kBankChanged:
      if (wParam == msg::kLedTag && !exited_) view_->RefreshGKeyStates();
      return true;
    case msg::kTimeChange:
      // Only a message queued from outside applies; a sent one is ignored.
      if (posted && !exited_) {
        guard_.Arrive(GuardedCommand::Apply,
                      [this] { commands_->ApplyChanges(ApplyOrigin::TimeChange); });
      }
      return true;
    case msg::kKeyboardChanged:
      if (posted && wParam == msg::kChangedTag && !exited_) KeyboardChangedElsewhere();
      return true;
    default:
      return false;
  }
}

void Application::KeyboardChangedElsewhere() {
  // The window shows what it read before another program of ours changed
  // the keyboard; reading it again as on an arrival keeps a later Apply from
  // writing the old state back over that change unseen. The link forgets
  // the cached active profile itself when it next takes the keyboard.
  view_->Trace().Line("keyboard changed by another program");
  Reload({});
}

void Application::Reload(HandOverReply reply) {
  // Run now, its sender (the device watcher) waits until it has run. Held
  // behind a command (a question on screen), the watcher is answered at once
  // so it goes on tracking arrivals and removals; one held reload reads
  // whatever the keyboard holds by then, and none is needed once it is gone.
  if (!guard_.Running()) {
    guard_.Arrive(GuardedCommand::Reload, [this] { RunReload(); });
    return;
  }
  reply = {};
  if (reloadHeld_) return;
  reloadHeld_ = true;
  guard_.Arrive(
      GuardedCommand::Reload,
      [this] {
        reloadHeld_ = false;
        if (state_.devicePresence != 0) RunReload();
      },
      [this] { reloadHeld_ = false; });
  view_->Trace().Line("held: reload");
}

void Application::ShowKeyboardProfile(bool readAgain) {
  if (readAgain) state_.deviceProfile = std::nullopt;
  const std::optional<ProfileNumber> current = link_->Commands().ActiveProfile();
  if (current) switcher_->ShowProfile(*current);
  view_->RefreshAfterDeviceChange();
}

void Application::RunReload() {
  switcher_->ReloadCurrentProfile(false);
  view_->RefreshAfterDeviceChange();
}

void Application::ReadyPoint() {
  if (exited_ || run_.Ready()) return;
  view_->CreateTrayIcon();
  switcher_->BuildProfileMenu(true);
  run_.MarkReady();
  view_->HideMainWindow();
}

void Application::OpenMainWindow() {
  if (exited_ || view_ == nullptr) return;
  if (state_.devicePresence != 0) {
    view_->ShowMainWindow();
    // The notice waits for an Open with no box on screen to stack on.
    if (nestedLoops_ == 0) commands_->WindowShown();
  } else if (nestedLoops_ > 0) {
    // A box is up already (its window comes forward with the main one when
    // there is one); a second box on it would only have to be closed first.
    view_->Trace().Line("no keyboard: not stacked on the box on screen");
  } else {
    Prompts().ShowMessage(texts_->Text(text_catalogue::kMainNoDevicePrompt));
  }
}

Prompter& Application::Prompts() {
  return *prompter_;
}

void Application::ExitProgram(ExitOrigin origin) {
  if (exited_ || view_ == nullptr) return;
  if (nestedLoops_ > 0) {
    // Code below the nested loop still uses the images: end the loops now
    // and shut down once the main loop has control again. The edits stay in
    // their copy: nobody is asked now.
    exitPending_ = true;
    run_.BeginShutdown();
    view_->CloseDialogs();
    return;
  }
  if (origin == ExitOrigin::User && !SettleEditsBeforeExit()) return;
  Shutdown();
}

bool Application::SettleEditsBeforeExit() {
  if (!view_->HasPendingChanges()) return true;
  const Answer answer =
      Prompts().AskApplyOrDiscard(texts_->Text(text_catalogue::kMainPromptExitUnapplied));
  // An exit from outside arrived meanwhile and is on its way.
  if (exitPending_ || exited_) return false;
  switch (answer) {
    case Answer::Yes:
      commands_->ApplyChanges(ApplyOrigin::Button);
      // What the keyboard did not take stays, and so does the program.
      return !view_->HasPendingChanges();
    case Answer::No:
      commands_->DiscardEdits();
      return true;
    case Answer::Cancel:
      return false;
  }
  return false;
}

void Application::Shutdown() {
  exited_ = true;
  exitPending_ = false;
  run_.BeginShutdown();
  view_->HideMainWindow();
  view_->CloseDialogs();
  instance_.Close();
  namedEvents_.Close();
  guard_.DropHeld();
  view_->RemoveTrayIcon();
  // Before the pending state goes: edits not applied keep their copy.
  commands_->AtExit();
  view_->SetPendingChanges(false);
  workspace_->ClearWorkingImage();
  workspace_->Applied()->Clear();
  view_->EndMainLoop();
  exitWaiters_.clear();
}

Application::NestedLoop::NestedLoop(Application& app) : app_(app) {
  ++app_.nestedLoops_;
}

Application::NestedLoop::~NestedLoop() {
  app_.LeaveNestedLoop();
}

void Application::LeaveNestedLoop() {
  --nestedLoops_;
  // The exit asked for meanwhile arrives at the main loop as a fresh
  // message, after whatever called the nested loop has finished.
  if (nestedLoops_ == 0 && exitPending_) window_->Post(msg::kKill, msg::kKillTag, 0);
}

void Application::Finish() {
  run_.BeginShutdown();
  if (events_) events_->Stop();
  commands_.reset();
  panel_.reset();
  // Lighting changes the user made last are still on their way; a keyboard
  // that stopped answering is not waited for long.
  if (lighting_) lighting_->FlushFor(kLightingFlushBound);
  lighting_.reset();
  // The editor reads the bank from the device events.
  keyEditor_.reset();
  manager_.reset();
  switcher_.reset();
  events_.reset();
  // The trace the listener writes to may go before this object does.
  listener_.reset();
  link_.reset();
  // The listener may be handing a later start's message to the window; it
  // gives up now and ends before the window goes away.
  instance_.CloseAndWait();
  namedEvents_.Close();
}

}  // namespace ombrex
