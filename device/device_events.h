#pragma once

// What the program does when the keyboard speaks: the event callback and its
// dispatch (bank key, profile change, reset, indicator), the G-key bank state
// that the bank key toggles and writes back to the keyboard, and the device
// watcher that runs when keyboards arrive or go away.
//
// Threads: OnDeviceEvent runs on the service library's threads and never
// waits for the keyboard. Device watchers run one after another on one worker
// thread, in the order of the events that started them; indicator changes run
// in order on another. The window is reached only through the WindowLink, and
// nothing here sends it a message before the window is ready.

#include <array>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "device/device_link.h"
#include "device/run_state.h"
#include "device/serial_worker.h"
#include "device/window_link.h"

namespace ombrex {

class Texts;

using BankLedState = std::array<std::uint8_t, protocol::kBankLedSize>;

// The bank LED report at start-up: bank A. Bit 0 of the second byte is the
// bank; the keyboard is never asked, so every run starts in bank A.
inline constexpr BankLedState kBankLedStart{0x05, 0x02};

class DeviceEvents {
 public:
  DeviceEvents(DeviceLink& link, WindowLink& window, RunState& run, const Texts& texts);
  // Stop().
  ~DeviceEvents();
  DeviceEvents(const DeviceEvents&) = delete;
  DeviceEvents& operator=(const DeviceEvents&) = delete;

  // Takes every event of the link that is not a command reply.
  void Attach();

  // The standing read of the keyboard's event codes (tag 'CONS'), replacing
  // the one made before. The library's result.
  int RegisterEventRead();
  // Writes the bank LED state to the keyboard, replacing the request made
  // before; its result says nothing the program acts on.
  int WriteBankState();

  // The event callback's work for one event record.
  void OnDeviceEvent(const DeviceEvent& event);

  // Queues a device watcher for `count` attached keyboards.
  void StartDeviceWatcher(int count);

  // The G-key bank: 0 (A) or 1 (B).
  int Bank() const;
  BankLedState BankLed() const;

  // Until every watcher and indicator change queued so far has run.
  void WaitIdle();

  // Part of the shutdown: begins it on the run state (so every wait gives
  // up), lets callbacks in progress end, takes no further events, cancels the
  // requests made here and ends the workers. Idempotent.
  void Stop();

 private:
  class InFlight;

  void RunWatcher(int count);
  // The reads on arrival; false when the default key table could not be read.
  bool ReadOnArrival();
  void Dispatch(std::uint16_t code);
  void ToggleBank();
  int WriteBankStateLocked();

  DeviceLink& link_;
  WindowLink& window_;
  RunState& run_;
  const Texts& texts_;

  mutable std::mutex bankMutex_;
  BankLedState bankLed_ = kBankLedStart;
  std::uint32_t ledUnitId_ = 0;
  std::mutex consumerMutex_;
  std::uint32_t consumerUnitId_ = 0;

  // Callbacks in progress, so Stop() can wait for them to leave.
  std::mutex flightMutex_;
  std::condition_variable flightEnded_;
  int inFlight_ = 0;
  bool stopped_ = false;

  SerialWorker watchers_;
  SerialWorker indicators_;
};

}  // namespace ombrex
