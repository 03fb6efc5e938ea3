#include "app/headless_window.h"

#include <cstdio>

#include "app/application.h"
#include "app/apply_commands.h"
#include "app/command_guard.h"
#include "app/lighting_panel.h"
#include "app/main_window_rules.h"
#include "device/device_link.h"
#include "platform/text.h"

namespace ombrex {

namespace {

std::string Hex(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

}  // namespace

HeadlessWindow::HeadlessWindow(UiLoop& loop, std::ostream* log) : loop_(loop), trace_(log) {}

void HeadlessWindow::Log(std::string line) {
  trace_.Line(std::move(line));
}

void HeadlessWindow::ScriptAnswer(Answer answer) {
  answers_.push_back(answer);
}

void HeadlessWindow::WhileAsking(std::function<void()> action) {
  whileAsking_ = std::move(action);
}

void HeadlessWindow::OnLoop(std::function<void()> action) {
  if (loop_.OnLoopThread()) {
    action();
  } else {
    loop_.Post(std::move(action));
  }
}

void HeadlessWindow::ShowMainWindow() {
  Log("show");
}

void HeadlessWindow::HideMainWindow() {
  OnLoop([this] { Log("hide"); });
}

void HeadlessWindow::CreateTrayIcon() {
  Log("tray icon added");
}
void HeadlessWindow::RemoveTrayIcon() {
  Log("tray icon removed");
}
void HeadlessWindow::CloseDialogs() {
  Log("dialogs closed");
}
void HeadlessWindow::CloseEditors() {
  Log("editors closed");
}
void HeadlessWindow::RefreshAfterDeviceChange() {
  Log("refreshed from the keyboard");
  // No screen, but the lighting state the commands work on follows the
  // keyboard all the same.
  if (app_ == nullptr || app_->Panel() == nullptr || app_->GetLighting() == nullptr) return;
  ShowKeyboardLighting(*app_->GetLighting(), *app_->Panel(),
                       app_->Link()->Commands().ActiveProfile(), true);
}
void HeadlessWindow::RefreshGKeyStates() {
  Log("g-keys refreshed");
}

void HeadlessWindow::EndMainLoop() {
  Log("main loop ended");
  loop_.Quit();
}

void HeadlessWindow::SetPendingChanges(bool pending) {
  if (pending != pending_) Log(pending ? "apply enabled" : "apply disabled");
  pending_ = pending;
  if (pending && app_ != nullptr && app_->Commands() != nullptr) {
    app_->Commands()->NoteUnappliedEdits();
  }
}

void HeadlessWindow::ApplyChanges() {
  if (app_ != nullptr && app_->Commands() != nullptr) {
    app_->Commands()->ApplyChanges(ApplyOrigin::ProfileSwitch);
  }
}

void HeadlessWindow::ShowProfileMenu(const ProfileMenu& menu) {
  Log("profiles button: " + Utf8FromUtf16(menu.caption));
}

void HeadlessWindow::Deliver(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam,
                             bool posted, HandOverReply reply) {
  Log(std::string(posted ? "posted " : "sent ") + Hex(message) + " " + Hex(wParam));
  if (app_ != nullptr) app_->HandleMessage(message, wParam, lParam, posted, std::move(reply));
}

bool HeadlessWindow::Send(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) {
  return loop_.CallWithReply([this, message, wParam, lParam](HandOverReply reply) {
    Deliver(message, wParam, lParam, false, std::move(reply));
  });
}

void HeadlessWindow::Post(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) {
  loop_.Post([this, message, wParam, lParam] { Deliver(message, wParam, lParam, true, {}); });
}

void HeadlessWindow::StartTimer(int id, int) {
  OnLoop([this, id] {
    Log("timer " + std::to_string(id));
    // The keyboard's reset is followed up at once; the other timers belong
    // to the window's own rules.
    if (id == kTimerResetFromKeyboard && app_ != nullptr && app_->Commands() != nullptr) {
      app_->Guard().Arrive(GuardedCommand::ResetFromKeyboard,
                           [this] { app_->Commands()->ResetFromKeyboard(); });
    }
  });
}

void HeadlessWindow::SetTrayPicture(int kind, int picture) {
  OnLoop([this, kind, picture] {
    Log("tray picture " + std::to_string(kind) + " " + std::to_string(picture));
  });
}

void HeadlessWindow::SetBankIndicator(bool bankB) {
  OnLoop([this, bankB] { Log(bankB ? "bank B" : "bank A"); });
}

void HeadlessWindow::SetGKeyCaptions(const GKeyCaptions& captions) {
  std::string joined = Utf8FromUtf16(captions[0]);
  OnLoop([this, joined] { Log("g-key captions from " + joined); });
}

void HeadlessWindow::ShowMessage(std::u16string_view text) {
  std::string line = "message: " + Utf8FromUtf16(text);
  loop_.Call([this, line] { Log(line); });
}

void HeadlessWindow::LoggingPrompter::ShowMessage(std::u16string_view text, bool) {
  window_.Log("message: " + Utf8FromUtf16(text));
}

Answer HeadlessWindow::LoggingPrompter::AskYesNo(std::u16string_view text) {
  window_.Log("question: " + Utf8FromUtf16(text));
  if (window_.whileAsking_) window_.whileAsking_();
  Answer answer = Answer::No;
  if (!window_.answers_.empty()) {
    answer = window_.answers_.front();
    window_.answers_.pop_front();
  }
  return answer;
}

Answer HeadlessWindow::LoggingPrompter::AskApplyOrDiscard(std::u16string_view text) {
  // Nobody to answer: the edits stay as they are unless a test says otherwise.
  if (window_.answers_.empty()) {
    window_.Log("question: " + Utf8FromUtf16(text));
    return Answer::Cancel;
  }
  return AskYesNo(text);
}

std::optional<std::filesystem::path> HeadlessWindow::LoggingPrompter::ChooseOpenFile(
    const FileDialogOptions&) {
  window_.Log("open file: cancelled");
  return std::nullopt;
}

std::optional<std::filesystem::path> HeadlessWindow::LoggingPrompter::ChooseSaveFile(
    const FileDialogOptions&) {
  window_.Log("save file: cancelled");
  return std::nullopt;
}

}  // namespace ombrex
