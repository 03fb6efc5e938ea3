#include "tests/support/recording_prompter.h"

namespace ombrex::test {

void RecordingPrompter::ShowMessage(std::u16string_view text, bool topmost) {
  messages.push_back({std::u16string(text), topmost});
}

Answer RecordingPrompter::AskYesNo(std::u16string_view text) {
  questions.emplace_back(text);
  if (answers_.empty()) return Answer::No;
  const Answer answer = answers_.front();
  answers_.pop_front();
  return answer;
}

Answer RecordingPrompter::AskApplyOrDiscard(std::u16string_view text) {
  if (answers_.empty()) {
    questions.emplace_back(text);
    return Answer::Cancel;
  }
  return AskYesNo(text);
}

std::optional<std::filesystem::path> RecordingPrompter::ChooseOpenFile(
    const FileDialogOptions& options) {
  fileDialogs.push_back(options);
  if (files_.empty()) return std::nullopt;
  auto path = files_.front();
  files_.pop_front();
  return path;
}

std::optional<std::filesystem::path> RecordingPrompter::ChooseSaveFile(
    const FileDialogOptions& options) {
  return ChooseOpenFile(options);
}

}  // namespace ombrex::test
