#pragma once

// The virtual keyboard model inside the library's process: no daemon, no
// socket, but the same request and callback paths as with a real keyboard.
// Faults (latency, dropped, refused or mislabelled replies, a keyboard that
// vanishes after some packets) follow a FaultPlan, as the daemon's do.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "razizid/backend.h"
#include "vkbd/keyboard.h"

namespace ombrex::razizid {

class ModelBackend : public Backend {
 public:
  // The caller owns the keyboard and keeps it alive longer than this.
  ModelBackend(vkbd::Keyboard& keyboard, vkbd::FaultOptions faults = {}, bool plugged = true);
  // A keyboard of its own (the environment-chosen backend).
  ModelBackend(std::unique_ptr<vkbd::Keyboard> keyboard, vkbd::FaultOptions faults);
  ~ModelBackend() override;

  bool Start(BackendSink& sink) override;
  void Stop() override;
  DeviceCounts Counts() override;
  int Write(protocol::Interface to, std::span<const std::uint8_t> report, bool toEvery) override;

  // What a hand at the USB port and the keyboard's own keys do.
  void Plug();
  void Unplug();
  // Raises a consumer event on the keyboard; reported when it is plugged in.
  bool RaiseEvent(std::uint16_t code);

  vkbd::Keyboard& Keyboard() { return keyboard_; }

 private:
  using Clock = std::chrono::steady_clock;
  struct DelayedReply {
    Clock::time_point due;
    vkbd::Packet reply;
  };

  int WriteControl(std::span<const std::uint8_t> packet);
  void SetPlugged(bool plugged);
  void DeliverDelayed();
  BackendSink* Sink();

  std::unique_ptr<vkbd::Keyboard> ownKeyboard_;
  vkbd::Keyboard& keyboard_;
  const unsigned latencyMs_;

  std::mutex mutex_;
  BackendSink* sink_ = nullptr;
  vkbd::FaultPlan plan_;
  bool plugged_;

  // Replies that wait for their latency, in order, delivered by one thread.
  std::condition_variable delayedChanged_;
  std::deque<DelayedReply> delayed_;
  bool stopping_ = false;
  std::thread deliverer_;
};

}  // namespace ombrex::razizid
