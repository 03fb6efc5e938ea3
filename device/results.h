#pragma once

// Result codes of every device operation. 1 is success; the others say what
// went wrong, and callers pass them on unchanged.

namespace ombrex::result {

inline constexpr int kOk = 1;
inline constexpr int kFailed = 0;         // no keyboard (nothing written) or the wait failed
inline constexpr int kNotWritten = -1;    // the service library did not write the packet
inline constexpr int kNoReply = -2;       // three attempts without a matching reply
inline constexpr int kRefusedFF = -102;   // the keyboard refused: status 0xFF
inline constexpr int kRefusedFE = -103;   // the keyboard refused: status 0xFE
inline constexpr int kBadProfile = -201;  // profile number outside 0..3; nothing sent

}  // namespace ombrex::result
