#include "platform/keyboard_lock.h"

#include <string>

#include "platform/single_instance.h"
#include "platform/win32.h"

namespace ombrex {

KeyboardLock::KeyboardLock(std::string_view name) {
  if (const auto places = InstancePlacesFor(name)) place_ = places->lockFile;
}

KeyboardLock::~KeyboardLock() {
  Release();
  if (counter_ != nullptr) UnmapViewOfFile(counter_);
  if (counterMapping_ != nullptr) CloseHandle(static_cast<HANDLE>(counterMapping_));
  if (mutex_ != nullptr) CloseHandle(static_cast<HANDLE>(mutex_));
}

bool KeyboardLock::Acquire(std::chrono::milliseconds patience) {
  if (held_) return true;
  if (!place_) return held_ = true;
  if (mutex_ == nullptr) {
    mutex_ = CreateMutexW(nullptr, FALSE, place_->c_str());
    // Nobody can lock without the mutex: refusing the keyboard then would
    // blame another program.
    if (mutex_ == nullptr) return held_ = true;
    // The count lives as long as one program of the session maps it, which
    // is as long as any of them may compare it.
    const std::wstring counterName = place_->native() + L"_Changes";
    counterMapping_ = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                         sizeof(std::uint64_t), counterName.c_str());
    if (counterMapping_ != nullptr) {
      counter_ = MapViewOfFile(static_cast<HANDLE>(counterMapping_), FILE_MAP_ALL_ACCESS, 0, 0,
                               sizeof(std::uint64_t));
    }
  }
  const DWORD waited =
      WaitForSingleObject(static_cast<HANDLE>(mutex_), static_cast<DWORD>(patience.count()));
  // A holder that died mid-transfer abandons the mutex; the keyboard is
  // ours then, and a transfer begins from its start anyway.
  held_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
  if (held_) changes_ = counter_ != nullptr ? *static_cast<std::uint64_t*>(counter_) : 0;
  return held_;
}

void KeyboardLock::Release(bool changed) {
  if (!held_) return;
  held_ = false;
  if (changed && counter_ != nullptr) *static_cast<std::uint64_t*>(counter_) = ++changes_;
  // The mutex belongs to the thread that took it, which is the thread that
  // lets it go: the device link takes and releases on the caller's thread.
  if (mutex_ != nullptr) ReleaseMutex(static_cast<HANDLE>(mutex_));
}

}  // namespace ombrex
