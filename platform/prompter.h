#pragma once

// Messages, questions and file choosers. Core code asks through this interface;
// the Qt program shows real message boxes and file dialogs, tests script the
// answers with a recording fake.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace ombrex {

// Cancel: the question went away unanswered (its premise is gone) or the
// user chose Cancel of a three-way question; the caller leaves everything as
// it was.
enum class Answer { Yes, No, Cancel };

struct FileDialogOptions {
  std::u16string defaultExtension;  // without the dot, e.g. u"fwc"
  std::u16string initialName;       // e.g. u"*.fwc" or a full path
  std::u16string filter;            // e.g. u"(*.fwc)|*.fwc|(*.*)|*.*||"
  bool overwritePrompt = false;     // save dialogs only
};

class Prompter {
 public:
  virtual ~Prompter() = default;

  // A plain message box with an OK button. `topmost` keeps it above every
  // other window.
  virtual void ShowMessage(std::u16string_view text, bool topmost = false) = 0;

  // A Yes/No question whose default button is No.
  virtual Answer AskYesNo(std::u16string_view text) = 0;

  // Apply (Yes), Discard (No) or Cancel about edits not yet applied; Cancel is
  // the default. A prompter that cannot ask leaves everything as it was.
  virtual Answer AskApplyOrDiscard(std::u16string_view) { return Answer::Cancel; }

  // File choosers; nullopt when the user cancels.
  virtual std::optional<std::filesystem::path> ChooseOpenFile(const FileDialogOptions& options) = 0;
  virtual std::optional<std::filesystem::path> ChooseSaveFile(const FileDialogOptions& options) = 0;
};

// Shows nothing and answers No to everything: for work nobody watches (the
// program's own files, tools, benchmarks).
class SilentPrompter final : public Prompter {
 public:
  void ShowMessage(std::u16string_view, bool = false) override {}
  Answer AskYesNo(std::u16string_view) override { return Answer::No; }
  std::optional<std::filesystem::path> ChooseOpenFile(const FileDialogOptions&) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> ChooseSaveFile(const FileDialogOptions&) override {
    return std::nullopt;
  }
};

}  // namespace ombrex
