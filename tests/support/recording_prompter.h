#pragma once

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/prompter.h"

namespace ombrex::test {

// A Prompter that records every message and question and answers from a
// script. Questions without a scripted answer get No (the default button);
// file choosers without a scripted path are cancelled.
class RecordingPrompter : public Prompter {
 public:
  struct Message {
    std::u16string text;
    bool topmost = false;
  };

  void ShowMessage(std::u16string_view text, bool topmost = false) override;
  Answer AskYesNo(std::u16string_view text) override;
  // Recorded among the questions; unscripted, Cancel (its default).
  Answer AskApplyOrDiscard(std::u16string_view text) override;
  std::optional<std::filesystem::path> ChooseOpenFile(const FileDialogOptions& options) override;
  std::optional<std::filesystem::path> ChooseSaveFile(const FileDialogOptions& options) override;

  void ScriptAnswer(Answer answer) { answers_.push_back(answer); }
  void ScriptFile(std::optional<std::filesystem::path> path) { files_.push_back(std::move(path)); }

  std::vector<Message> messages;
  std::vector<std::u16string> questions;
  std::vector<FileDialogOptions> fileDialogs;

 private:
  std::deque<Answer> answers_;
  std::deque<std::optional<std::filesystem::path>> files_;
};

}  // namespace ombrex::test
