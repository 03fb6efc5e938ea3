#pragma once

// The one way into the Windows headers. Every file that calls Windows itself
// includes this instead of <windows.h>, so the same macros are set everywhere
// and the names Windows turns into macros cannot rename our own functions in
// one file and not in another.

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

// The settings store has members of these names (the registry functions they
// stand in for); as macros they would become ...A or ...W.
#undef GetProfileString
#undef WriteProfileString

namespace ombrex {

// Owns a handle and closes it; INVALID_HANDLE_VALUE and null both mean none
// (Windows answers failure with one or the other, depending on the call).
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(HANDLE handle) : handle_(handle) {}
  ~OwnedHandle() {
    if (Valid()) CloseHandle(handle_);
  }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;

  HANDLE Get() const { return handle_; }
  bool Valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace ombrex

#endif
