#pragma once

// The service library's callbacks carry nothing of the caller's but the event
// record, so a receiver cannot be found from a pointer passed along. Instead
// each receiver takes one of a fixed set of distinct C functions; that
// function's slot remembers the receiver it serves. A process has one device
// link, tests a few at a time, so the set is small.

#include <cstddef>

#include "device/razizid_api.h"

namespace ombrex {

class EventReceiver {
 public:
  virtual void OnLibraryEvent(const RazIzidEvent& event) = 0;

 protected:
  ~EventReceiver() = default;
};

class CallbackSlot {
 public:
  static constexpr std::size_t kSlots = 32;

  // Takes a free slot for `receiver`; Function() is null when none was free.
  explicit CallbackSlot(EventReceiver& receiver);
  // Frees the slot. The caller first cancels every request made with the
  // function, so no call can be on its way to the receiver.
  ~CallbackSlot();
  CallbackSlot(const CallbackSlot&) = delete;
  CallbackSlot& operator=(const CallbackSlot&) = delete;

  RazIzidCallback Function() const { return function_; }

 private:
  std::size_t index_ = kSlots;
  RazIzidCallback function_ = nullptr;
};

}  // namespace ombrex
