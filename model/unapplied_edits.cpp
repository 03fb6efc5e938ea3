#include "model/unapplied_edits.h"

#include <system_error>

#include "model/workspace.h"
#include "platform/prompter.h"

namespace ombrex {

namespace {

constexpr const char* kUnappliedSuffix = ".unapplied";
constexpr const char* kSetAsideSuffix = ".unapplied.invalid";

std::filesystem::path WithSuffix(std::filesystem::path file, const char* suffix) {
  file += suffix;
  return file;
}

}  // namespace

UnappliedEdits::UnappliedEdits(Workspace& workspace) : workspace_(workspace) {}

std::filesystem::path UnappliedEdits::File() const {
  return WithSuffix(workspace_.ProfileFilePath(), kUnappliedSuffix);
}

std::filesystem::path UnappliedEdits::SetAsideFile() const {
  return WithSuffix(workspace_.ProfileFilePath(), kSetAsideSuffix);
}

bool UnappliedEdits::Note() {
  workspace_.EnsureProfileFolder();
  return workspace_.SaveImageFile(File()) == ImageResult::kOk;
}

void UnappliedEdits::Remove() {
  std::error_code ignored;
  std::filesystem::remove(File(), ignored);
}

UnappliedEdits::Restored UnappliedEdits::Restore(bool tell) {
  std::error_code error;
  if (!std::filesystem::exists(File(), error)) return Restored::Nothing;
  // The copy is the program's own file: a bad one is set aside without a
  // word about file formats the user never chose.
  SilentPrompter silent;
  if (workspace_.ImportImageFile(File(), silent) != ImageResult::kOk) {
    std::filesystem::rename(File(), SetAsideFile(), error);
    if (error) Remove();  // never loaded again either way
    return Restored::SetAside;
  }
  allProfilesDue_ = true;
  noticeDue_ = noticeDue_ || tell;
  return Restored::Edits;
}

void UnappliedEdits::Applied(bool succeeded) {
  lastApplyFailed_ = !succeeded;
  allProfilesDue_ = !succeeded;
  if (succeeded) Remove();
}

bool UnappliedEdits::TakeRestoredNotice() {
  const bool due = noticeDue_;
  noticeDue_ = false;
  return due;
}

void UnappliedEdits::AtExit(bool editsPending) {
  if (!editsPending && !lastApplyFailed_) Remove();
}

}  // namespace ombrex
