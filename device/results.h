#pragma once

// The result of every device operation (transactions, the command set and
// what the model sends through it). Callers pass a failure on unchanged; a
// multi-packet operation gives the result of the first packet that failed.
//
//   if (commands.ReadStatusBlock(block) != result::kOk) return ...;
//   log << "result " << Code(written);   // the integer, where one leaves the program
//
// The enumerators carry the integer codes the keyboard link has always used,
// so Code() is all a log line, a message or a test needs.

#include <iosfwd>

namespace ombrex {

enum class DeviceResult : int {
  kOk = 1,
  kFailed = 0,        // no keyboard (nothing written), or nothing could be sent
  kNotWritten = -1,   // the service library did not write the packet
  kNoReply = -2,      // three attempts without a matching reply
  kRefusedFF = -102,  // the keyboard refused: status 0xFF
  kRefusedFE = -103,  // the keyboard refused: status 0xFE
  // The link's code for a number that names no profile (outside 0..3), for
  // an edge that reports one in these terms. The command set itself takes
  // only a ProfileNumber, so it never gives this.
  kBadProfile = -201,
  // Another program of ours kept the keyboard for longer than the link
  // waits; nothing was sent.
  kKeyboardBusy = -301,
};

// result::kOk rather than DeviceResult::kOk at the call sites.
namespace result {
using enum DeviceResult;
}

constexpr int Code(DeviceResult result) {
  return static_cast<int>(result);
}

// Prints the code, so test failures and logs show -2 rather than raw bytes.
std::ostream& operator<<(std::ostream& out, DeviceResult result);

}  // namespace ombrex
