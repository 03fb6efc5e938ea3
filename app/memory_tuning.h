#pragma once

// What the program holds for its whole run, kept small: it lives in the tray
// all day.
//
// The window decodes full-size pictures once, cuts each button's faces from
// them and lets them go. With glibc's default, the allocator raises its
// threshold for handing large blocks back to the system each time one is
// freed, so those megabytes would stay counted against the program for its
// whole run; and each of the program's dozen threads would get an arena of
// its own. A no-op where the allocator has neither.

namespace ombrex {

void ReturnLargeBlocksWhenFreed();

}  // namespace ombrex
