#pragma once

// Moving assignments between the images and the keyboard: committing the
// working image and downloading the applied image's macros and key tables, and
// building a .fwc file from what the keyboard holds.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "device/protocol.h"

namespace ombrex {

class CommandSet;
class Prompter;
class Texts;
class Workspace;

// What one download sends.
struct Download {
  std::vector<std::uint8_t> blob;
  bool withNames = true;
  std::vector<int> profiles;
  std::vector<std::array<std::uint8_t, protocol::kKeyTableSize>> tables;
};

class KeyboardSync {
 public:
  KeyboardSync(Workspace& workspace, CommandSet& commands, const Texts& texts, Prompter& prompter);

  // Rebuilds the applied image from the working image, then downloads it.
  // Takes the image lock, then the applied-image lock.
  int CommitImage(bool allProfiles);

  // Sends the macro blob and the key tables of the active profile (of all four
  // with `allProfiles`, or when the macro order changed since the keyboard last
  // received it) between begin and end of one transfer. A failed write does not
  // stop the sequence, but the result is 1 only when every write succeeded;
  // otherwise the first failing code (0 when nothing could be sent).
  int DownloadAssignments(bool allProfiles);

  // Reads the four key tables and the macro memory of the keyboard and writes
  // them to `file` as a .fwc image. 1 on success; the working image is not
  // touched.
  int BuildImageFromKeyboard(const std::filesystem::path& file);

 private:
  // Everything a download sends, computed under the applied-image lock; the
  // text key of the refusal message when nothing may be sent.
  std::u16string_view Plan(bool allProfiles, Download& plan);
  unsigned KnownMacroCapacity();
  void Tell(std::u16string_view textKey);

  Workspace& workspace_;
  CommandSet& commands_;
  const Texts& texts_;
  Prompter& prompter_;
};

}  // namespace ombrex
