#pragma once

// A main window without a screen: it answers the core's calls by writing one
// line per call to a log, keeps the lines for tests, and carries calls from
// other threads over to its UiLoop. The headless program runs the whole core
// with it; tests drive the core through it.

#include <deque>
#include <ostream>
#include <string>
#include <vector>

#include "app/main_window_view.h"
#include "app/trace_log.h"
#include "app/ui_loop.h"
#include "device/window_link.h"
#include "platform/prompter.h"

namespace ombrex {

class Application;

class HeadlessWindow final : public MainWindowView, public WindowLink {
 public:
  // `log` may be null: the lines are kept all the same.
  HeadlessWindow(UiLoop& loop, std::ostream* log);

  void SetApplication(Application& app) { app_ = &app; }
  // Answers for the questions to come; unscripted questions get No.
  void ScriptAnswer(Answer answer);
  // Runs on the loop's thread while a question is on screen.
  void WhileAsking(std::function<void()> action);
  void SetEditorOpen(bool open) { editorOpen_ = open; }

  std::vector<std::string> Lines() const { return trace_.Lines(); }
  bool HasLine(std::string_view line) const { return trace_.HasLine(line); }

  // MainWindowView.
  void ShowMainWindow() override;
  void HideMainWindow() override;  // also WindowLink's
  void CreateTrayIcon() override;
  void RemoveTrayIcon() override;
  void CloseDialogs() override;
  void CloseEditors() override;
  void RefreshAfterDeviceChange() override;
  void RefreshGKeyStates() override;
  void EndMainLoop() override;
  Prompter& Prompts() override { return prompter_; }
  KeyButtons& Buttons() override { return buttons_; }
  TraceLog& Trace() override { return trace_; }
  bool HasPendingChanges() const override { return pending_; }
  void SetPendingChanges(bool pending) override;
  void ApplyChanges() override;
  bool EditorOpen() const override { return editorOpen_; }
  void ShowProfileMenu(const ProfileMenu& menu) override;

  // WindowLink.
  bool Send(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) override;
  void Post(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) override;
  void StartTimer(int id, int periodMs) override;
  void SetTrayPicture(int kind, int picture) override;
  void SetBankIndicator(bool bankB) override;
  void SetGKeyCaptions(const GKeyCaptions& captions) override;
  void ShowMessage(std::u16string_view text) override;

 private:
  class LoggingPrompter : public Prompter {
   public:
    explicit LoggingPrompter(HeadlessWindow& window) : window_(window) {}
    void ShowMessage(std::u16string_view text, bool topmost) override;
    Answer AskYesNo(std::u16string_view text) override;
    Answer AskApplyOrDiscard(std::u16string_view text) override;
    std::optional<std::filesystem::path> ChooseOpenFile(const FileDialogOptions&) override;
    std::optional<std::filesystem::path> ChooseSaveFile(const FileDialogOptions&) override;

   private:
    HeadlessWindow& window_;
  };
  class CountingButtons : public KeyButtons {
   public:
    void SetAssigned(int, bool assigned) override { marked += assigned ? 1 : 0; }
    void SetTooltip(int, std::u16string_view) override {}
    void SetColourFrame(int, std::optional<Rgb>) override {}
    void ApplyFlip() override {}
    int marked = 0;
  };

  void Log(std::string line);
  // On the loop's thread: now when already there, else queued.
  void OnLoop(std::function<void()> action);
  void Deliver(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam, bool posted,
               HandOverReply reply);

  UiLoop& loop_;
  TraceLog trace_;
  Application* app_ = nullptr;
  LoggingPrompter prompter_{*this};
  CountingButtons buttons_;
  bool pending_ = false;
  bool editorOpen_ = false;
  std::deque<Answer> answers_;
  std::function<void()> whileAsking_;
};

}  // namespace ombrex
