#pragma once

// The program's message boxes and file choosers. Questions default to No;
// choosers take the program's "(*.fwc)|*.fwc|(*.*)|*.*||" filters and add the
// default extension to a name typed without one. Whatever is on screen can be
// closed from outside (as No or Cancel), boxes stacked on one another
// included, so an Exit asked for while boxes are up ends promptly.

#include <QPointer>
#include <QString>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/prompter.h"

class QDialog;

namespace ombrex {

class TraceLog;

// "(*.fwc)|*.fwc|(*.*)|*.*||" -> "(*.fwc);;(*.*) (*)": each description keeps
// its text and gets Qt's pattern list when it does not end in it already;
// "*.*" matches every file, dotted or not.
QString QtFileFilter(std::u16string_view filter);

// `file` with ".ext" added when its name has no extension of its own.
std::filesystem::path WithDefaultExtension(const std::filesystem::path& file,
                                           std::u16string_view extension);

class QtPrompter final : public Prompter {
 public:
  // `title` is asked at each showing, so it follows the language.
  QtPrompter(std::function<QString()> title, TraceLog& trace);

  void ShowMessage(std::u16string_view text, bool topmost) override;
  Answer AskYesNo(std::u16string_view text) override;
  Answer AskApplyOrDiscard(std::u16string_view text) override;
  std::optional<std::filesystem::path> ChooseOpenFile(const FileDialogOptions& options) override;
  std::optional<std::filesystem::path> ChooseSaveFile(const FileDialogOptions& options) override;

  // Closes every box and chooser on screen, the innermost first: No, Cancel.
  void CloseOpen();
  // Takes back the questions on screen, whose premise is gone: they answer
  // Cancel. Messages and choosers stay.
  void WithdrawQuestions();
  bool Showing() const;
  // Runs with each box or chooser once it is on screen (tests answer there).
  void WhenShown(std::function<void(QDialog&)> shown) { whenShown_ = std::move(shown); }

 private:
  int Run(QDialog& dialog);
  Answer AskQuestion(std::u16string_view text, bool threeWay);
  std::optional<std::filesystem::path> ChooseFile(const FileDialogOptions& options, bool save);

  std::function<QString()> title_;
  TraceLog& trace_;
  // What is on screen, the innermost last.
  std::vector<QPointer<QDialog>> open_;
  std::function<void(QDialog&)> whenShown_;
};

}  // namespace ombrex
