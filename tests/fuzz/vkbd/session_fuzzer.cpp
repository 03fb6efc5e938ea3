// Any text as a recorded session (or a packet trace) for the replaying
// keyboard. Besides crashes: every report read is written back as the line
// it came from would be and reads the same again, and the replay answers
// every request of the session it was given.

#include <cstdint>
#include <string>
#include <string_view>

#include "device/session_record.h"
#include "tests/fuzz/scratch_folder.h"
#include "vkbd/replay.h"
#include "vkbd/trace_file.h"

using namespace ombrex;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  vkbd::TraceReading reading = vkbd::ReadTrace(text);
  for (const vkbd::TracedReport& traced : reading.reports) {
    fuzz::Require(!traced.report.empty() && traced.report.size() <= session_record::kMaxReport);
    const std::string line = traced.microseconds
                                 ? session_record::Line(*traced.microseconds, traced.direction,
                                                        traced.hidInterface, traced.report)
                                 : vkbd::TraceLine(traced.report);
    const auto again = vkbd::ParseTraceLine(line);
    fuzz::Require(again && *again == traced);
  }
  const std::vector<vkbd::TracedReport> session = reading.reports;
  vkbd::Replay replay(std::move(reading.reports));
  for (const vkbd::TracedReport& traced : session) {
    if (traced.direction != session_record::Direction::Out) continue;
    fuzz::Require(replay.Answer(traced.hidInterface, traced.report).has_value());
  }
  return 0;
}
