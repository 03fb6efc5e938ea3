#pragma once

// The packet trace: one line per command packet the keyboard received, its 64
// bytes as 128 lower-case hex digits and nothing else. Every line is flushed
// at once, so a test (or a person with `tail -f`) sees a packet as soon as
// the keyboard has it. A trace is appended to, never truncated: restarting the
// daemon on the same trace file keeps what earlier runs recorded.
//
// A recorded session (device/session_record.h) is this trace grown by a time,
// a direction and an interface per line; the reader here takes both.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/protocol.h"
#include "device/session_record.h"

namespace ombrex::vkbd {

std::string TraceLine(std::span<const std::uint8_t> packet);  // without the '\n'

class TraceFile {
 public:
  bool Open(const std::filesystem::path& file);
  bool IsOpen() const { return file_ != nullptr; }
  // False when the line could not be written (the disk is full, ...).
  bool Write(std::span<const std::uint8_t> packet);

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
};

// One report of a trace or a recorded session. A line of the keyboard's own
// trace is a command packet sent to its control interface, at no known time.
struct TracedReport {
  std::optional<std::uint64_t> microseconds;
  session_record::Direction direction = session_record::Direction::Out;
  protocol::Interface hidInterface = protocol::kControl;
  std::vector<std::uint8_t> report;
  friend bool operator==(const TracedReport&, const TracedReport&) = default;
};

// nullopt for a line that is neither form (remarks and empty lines included:
// the reader below skips those before asking).
std::optional<TracedReport> ParseTraceLine(std::string_view line);

struct TraceReading {
  std::vector<TracedReport> reports;
  std::size_t badLine = 0;  // 1-based; 0 when every line was read
};
// The reports of a whole trace or session, in order; stops at the first line
// that is neither a report, a remark ('#') nor empty. "\r\n" ends a line too.
TraceReading ReadTrace(std::string_view text);

}  // namespace ombrex::vkbd
