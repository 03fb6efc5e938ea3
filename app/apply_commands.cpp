#include "app/apply_commands.h"

#include <optional>

#include "app/busy_indicator.h"
#include "app/trace_log.h"
#include "device/command_set.h"
#include "device/run_state.h"
#include "model/key_grid.h"
#include "model/keyboard_sync.h"
#include "model/unapplied_edits.h"
#include "model/workspace.h"
#include "platform/prompter.h"
#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace ombrex {

namespace {

namespace catalogue = text_catalogue;

FileDialogOptions ProfileFileDialog(bool save) {
  return {.defaultExtension = u"fwc",
          .initialName = u"*.fwc",
          .filter = u"(*.fwc)|*.fwc|(*.*)|*.*||",
          .overwritePrompt = save};
}

// The user is waiting for these; the others happen without being asked for.
bool UserAsked(ApplyOrigin origin) {
  return origin != ApplyOrigin::TimeChange && origin != ApplyOrigin::KeyboardReset;
}

bool Saved(ImageResult result) {
  // Without a profile file there is no copy of the keyboard to keep in step.
  return result == ImageResult::kOk || result == ImageResult::kNoProfileFile;
}

}  // namespace

ApplyCommands::ApplyCommands(ApplyCommandsParts parts) : parts_(std::move(parts)) {
  parts_.sync.SetProgress([this] { parts_.busy.Progress(); });
}

void ApplyCommands::Trace(const char* line) {
  if (parts_.trace != nullptr) parts_.trace->Line(line);
}

void ApplyCommands::Tell(std::u16string_view textKey) {
  parts_.prompter.ShowMessage(parts_.texts.Text(textKey));
}

void ApplyCommands::TellFailure(ApplyOrigin origin, std::size_t downloadMessagesBefore, Sent sent) {
  if (!UserAsked(origin)) return;
  if (sent == Sent::FileNotSaved) {
    // The keyboard took it: only the copy in the file is missing.
    parts_.prompter.ShowMessage(
        FormatWithText(parts_.texts.Text(catalogue::kMainPromptProfileNotSaved),
                       parts_.workspace.ProfileFilePath().u16string()));
    return;
  }
  // The download explained it already: one message is enough.
  if (parts_.sync.MessagesShown() != downloadMessagesBefore) return;
  Tell(catalogue::kMainPromptApplyFailed);
}

ApplyCommands::Sent ApplyCommands::Send(bool allProfiles) {
  if (parts_.lighting.flush) parts_.lighting.flush();
  // The profile file is the keyboard's copy: it takes the edits once the
  // keyboard has them, so dropping edits later brings back what the keyboard
  // really holds.
  Sent sent = Sent::KeyboardFailed;
  if (parts_.sync.CommitImage(allProfiles) == result::kOk) {
    sent = Saved(parts_.workspace.SaveProfileFile()) ? Sent::Held : Sent::FileNotSaved;
  }
  parts_.unapplied.Applied(sent == Sent::Held);
  return sent;
}

bool ApplyCommands::SaveAndSend(ApplyOrigin origin) {
  const std::size_t messagesBefore = parts_.sync.MessagesShown();
  // Nobody is waiting for a send of the time change or the keyboard's reset:
  // a message about it would come out of nowhere.
  parts_.sync.SetSilent(!UserAsked(origin));
  const bool held = SaveAndSendAsAsked(origin, messagesBefore);
  parts_.sync.SetSilent(false);
  return held;
}

bool ApplyCommands::SaveAndSendAsAsked(ApplyOrigin origin, std::size_t messagesBefore) {
  // Without the keyboard's profile there is nothing to send to and the
  // profile file must not take a working image the keyboard never gave.
  if (!parts_.commands.ActiveProfile()) {
    TellFailure(origin, messagesBefore, Sent::KeyboardFailed);
    return false;
  }
  parts_.unapplied.Note();
  Sent sent = Sent::KeyboardFailed;
  {
    const auto image = parts_.workspace.Working();
    sent = Send(parts_.unapplied.AllProfilesDue());
  }
  if (sent == Sent::Held) {
    parts_.window.SetPendingChanges(false);
  } else {
    TellFailure(origin, messagesBefore, sent);
  }
  return sent == Sent::Held;
}

void ApplyCommands::ApplyChanges(ApplyOrigin origin) {
  Trace("apply");
  parts_.busy.Begin();
  if (parts_.window.HasPendingChanges()) SaveAndSend(origin);
  parts_.busy.End();
}

void ApplyCommands::Ok() {
  ApplyChanges(ApplyOrigin::Ok);
  parts_.window.HideMainWindow();
}

void ApplyCommands::Cancel() {
  parts_.window.HideMainWindow();
}

void ApplyCommands::ResetKeysAndLighting(bool clearOptions) {
  // With the profile unknown there is no current profile whose keys to
  // reset: the grid shows profile 0's keys only for want of another.
  if (const std::optional<ProfileNumber> profile = parts_.commands.ActiveProfile()) {
    parts_.grid.ResetKeys(*profile, parts_.bank());
  }
  if (clearOptions && parts_.lighting.clearRecordOptions) parts_.lighting.clearRecordOptions();
  if (parts_.lighting.lightingView && parts_.lighting.lightingView() &&
      parts_.lighting.resetLighting) {
    parts_.lighting.resetLighting();
  }
}

void ApplyCommands::RestoreDefaults() {
  Trace("default");
  const Answer answer = parts_.prompter.AskYesNo(parts_.texts.Text(catalogue::kMainPromptDefault));
  if (parts_.run.ShuttingDown() || answer != Answer::Yes) return;
  ResetKeysAndLighting(true);
  ApplyChanges(ApplyOrigin::Defaults);
}

void ApplyCommands::ResetFromKeyboard() {
  Trace("reset from the keyboard");
  // The reset put the keyboard back on its first profile: what the window
  // shows and the keys reset below are of that one.
  if (parts_.showKeyboardProfile) parts_.showKeyboardProfile();
  ResetKeysAndLighting(false);
  ApplyChanges(ApplyOrigin::KeyboardReset);
}

bool ApplyCommands::SettleEditsBeforeImport() {
  if (!parts_.window.HasPendingChanges()) return true;
  const Answer answer =
      parts_.prompter.AskApplyOrDiscard(parts_.texts.Text(catalogue::kMainPromptImportUnapplied));
  if (parts_.run.ShuttingDown() || answer == Answer::Cancel) return false;
  if (answer == Answer::No) return true;
  ApplyChanges(ApplyOrigin::Button);
  // What the keyboard did not take is not overwritten unasked.
  return !parts_.window.HasPendingChanges();
}

void ApplyCommands::ImportFile() {
  Trace("import");
  const std::optional<std::filesystem::path> file =
      parts_.prompter.ChooseOpenFile(ProfileFileDialog(false));
  if (!file || parts_.run.ShuttingDown()) return;
  if (!SettleEditsBeforeImport()) return;
  parts_.busy.Begin();
  const std::size_t messagesBefore = parts_.sync.MessagesShown();
  bool taken = false;
  Sent sent = Sent::KeyboardFailed;
  {
    const auto image = parts_.workspace.Working();
    taken = parts_.workspace.ImportImageFile(*file, parts_.prompter) == ImageResult::kOk;
    if (taken) {
      parts_.unapplied.Note();
      sent = Send(true);
      const std::optional<ProfileNumber> profile = parts_.commands.ActiveProfile();
      parts_.grid.RefreshAllKeys(profile.value_or(ProfileNumber(0)), parts_.bank());
    }
  }
  parts_.busy.End();
  if (!taken) {
    Tell(catalogue::kMainPromptImport);
    return;
  }
  // What the keyboard did not take is still to be applied.
  parts_.window.SetPendingChanges(sent != Sent::Held);
  if (sent != Sent::Held) TellFailure(ApplyOrigin::Button, messagesBefore, sent);
}

void ApplyCommands::ExportFile() {
  Trace("export");
  const std::optional<std::filesystem::path> file =
      parts_.prompter.ChooseSaveFile(ProfileFileDialog(true));
  if (!file || parts_.run.ShuttingDown()) return;
  ImageResult saved = ImageResult::kFailed;
  {
    const auto image = parts_.workspace.Working();
    saved = parts_.workspace.SaveImageFile(*file);
  }
  if (saved == ImageResult::kOk) return;
  parts_.prompter.ShowMessage(
      FormatWithText(parts_.texts.Text(catalogue::kMainPromptExportFailed), file->u16string()));
}

void ApplyCommands::BusyTick() {
  parts_.busy.Tick();
}

void ApplyCommands::NoteUnappliedEdits() {
  parts_.unapplied.Note();
}

void ApplyCommands::WindowShown() {
  if (parts_.unapplied.TakeRestoredNotice()) Tell(catalogue::kMainPromptUnapplied);
}

void ApplyCommands::DiscardEdits() {
  parts_.window.SetPendingChanges(false);
  parts_.unapplied.Remove();
}

void ApplyCommands::AtExit() {
  parts_.unapplied.AtExit(parts_.window.HasPendingChanges());
}

}  // namespace ombrex
