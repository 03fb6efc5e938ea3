#pragma once

// Moving assignments between the images and the keyboard: committing the
// working image and downloading the applied image's macros and key tables, and
// building a .fwc file from what the keyboard holds.

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "device/profile_number.h"
#include "device/protocol.h"
#include "device/results.h"
#include "model/assignment_download.h"

namespace ombrex {

class CommandSet;
class Prompter;
class Texts;
class Workspace;

// What one download sends.
struct Download {
  std::vector<std::uint8_t> blob;
  bool withNames = true;
  std::vector<ProfileNumber> profiles;
  std::vector<std::array<std::uint8_t, protocol::kKeyTableSize>> tables;
  // Assignments of the profiles sent on keys the keyboard does not have.
  std::vector<std::pair<ProfileNumber, unsigned>> unplaced;
};

// The name of a key slot in messages: the key's name, "G7" for a G key of
// the first bank and "G7 (B)" for one of the second.
std::u16string SlotName(const Texts& texts, unsigned slot);

class KeyboardSync {
 public:
  KeyboardSync(Workspace& workspace, CommandSet& commands, const Texts& texts, Prompter& prompter);

  // Rebuilds the applied image from the working image, then downloads it.
  // Takes the image lock, then the applied-image lock.
  DeviceResult CommitImage(bool allProfiles);

  // Sends the macro blob and the key tables of the active profile (of all four
  // with `allProfiles`, or when the macro order changed since the keyboard last
  // received it) between begin and end of one transfer, leaving out what the
  // keyboard holds already and reading back what was written (DownloadRun). A
  // failed write does not stop the sequence, but the result is kOk only when
  // the keyboard holds it all; otherwise the first failure (kFailed when
  // nothing could be sent or what was read back differs). Assignments on
  // keys the keyboard does not have cannot be sent: a message names them and
  // the result is kFailed even when the rest arrived.
  DeviceResult DownloadAssignments(bool allProfiles);

  // Runs after every packet of a download, on the download's thread.
  void SetProgress(std::function<void()> onPacket) { onPacket_ = std::move(onPacket); }
  // DownloadOptions::FromEnvironment() unless changed here.
  void SetDownloadOptions(DownloadOptions options) { options_ = options; }
  const DownloadReport& LastDownload() const { return lastDownload_; }
  // Messages the downloads have shown so far, so a caller can tell whether
  // one already explained a failure.
  std::size_t MessagesShown() const { return messagesShown_; }
  // While silent, the downloads show nothing: for sends nobody asked for.
  void SetSilent(bool silent) { silent_ = silent; }

  // Reads the four key tables and the macro memory of the keyboard and writes
  // them to `file` as a .fwc image; the working image is not touched.
  // kFailed when the file could not be written.
  DeviceResult BuildImageFromKeyboard(const std::filesystem::path& file);

 private:
  // Everything a download sends, computed under the applied-image lock; the
  // text key of the refusal message when nothing may be sent.
  std::u16string_view Plan(bool allProfiles, Download& plan);
  unsigned KnownMacroCapacity();
  void Tell(std::u16string_view textKey);
  void TellText(const std::u16string& text);
  void TellUnplaced(const Download& plan);

  Workspace& workspace_;
  CommandSet& commands_;
  const Texts& texts_;
  Prompter& prompter_;
  DownloadOptions options_ = DownloadOptions::FromEnvironment();
  std::function<void()> onPacket_;
  DownloadReport lastDownload_;
  std::size_t messagesShown_ = 0;
  bool silent_ = false;
};

}  // namespace ombrex
