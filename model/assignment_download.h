#pragma once

// Sending a planned download to the keyboard and proving that it arrived.
//
// The keyboard is first asked for the start of its macro memory and for the
// key tables about to be sent: a byte that differs from what the program
// knew means someone else changed the keyboard, and nothing known is trusted
// any more. When the keyboard's macro memory starts as the one to send, the
// rest of it that the program does not know is read too, for as long as it
// matches (a new process knows nothing, and reading a chunk costs half of
// sending it). Then the begin...end sequence goes out as always (macro image,
// for each profile four zero bytes at 18 of its lighting record and its key
// table), except for each 56-byte chunk the keyboard is known to hold
// already. After the end every written chunk is read back; a difference or a
// failed read sends the whole sequence once more, read back again. Success
// means every write was taken, every chunk read back as sent, and the
// keyboard was the same one from start to end.
//
//   DownloadRun run(commands, plan, DownloadOptions::FromEnvironment(), [&] { busy.Progress(); });
//   if (run.Run() == result::kOk) ...  // the keyboard holds the plan

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "device/keyboard_content.h"
#include "device/profile_number.h"
#include "device/results.h"

namespace ombrex {

class CommandSet;
struct Download;

// Set to anything but empty or "0", every download sends everything.
inline constexpr const char* kFullDownloadVariable = "OMBREX_FULL_DOWNLOAD";

struct DownloadOptions {
  // Leave out the chunks the keyboard is known to hold.
  bool delta = true;
  // Read back every written chunk.
  bool verify = true;

  // Both, unless the environment asks for the full sequence.
  static DownloadOptions FromEnvironment();
};

// What one run did, for the tests and the measurements.
struct DownloadReport {
  std::size_t packets = 0;  // survey, sequence and read-back alike
  std::size_t chunksSent = 0;
  std::size_t chunksSkipped = 0;
  bool sentInFull = false;       // the full sequence went, at first or as a retry
  bool retried = false;          // the read-back found a difference
  bool keyboardChanged = false;  // the keyboard came, went or was reset meanwhile
};

class DownloadRun {
 public:
  // `onPacket` runs on this thread after every packet.
  DownloadRun(CommandSet& commands, const Download& plan, DownloadOptions options,
              std::function<void()> onPacket = {});

  DeviceResult Run();
  const DownloadReport& Report() const { return report_; }

 private:
  enum class Area { Macros, KeyTable, Settings };
  // One packet's worth of the sequence: its place and the bytes it carries.
  struct Chunk {
    Area area;
    std::optional<ProfileNumber> profile;  // key tables and settings
    std::size_t offset;                    // in the macro memory, the table, or the record
    std::span<const std::uint8_t> bytes;
  };

  std::vector<Chunk> Sequence() const;
  void Survey();
  // Sends the sequence, leaving out what the keyboard holds when `delta`;
  // the chunks written go to `written`.
  DeviceResult Send(bool delta, std::vector<Chunk>& written);
  bool Holds(const Chunk& chunk) const;
  DeviceResult Write(const Chunk& chunk);
  bool ReadsBackAsSent(const Chunk& chunk);
  bool Verify(const std::vector<Chunk>& written);
  DeviceResult Counted(DeviceResult result);

  CommandSet& commands_;
  const Download& plan_;
  DownloadOptions options_;
  std::function<void()> onPacket_;
  DownloadReport report_;
};

}  // namespace ombrex
