#include "razizid/model_backend.h"

#include <utility>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace ombrex::razizid {

ModelBackend::ModelBackend(vkbd::Keyboard& keyboard, vkbd::FaultOptions faults, bool plugged)
    : keyboard_(keyboard), latencyMs_(faults.latencyMs), plan_(faults), plugged_(plugged) {}

ModelBackend::ModelBackend(std::unique_ptr<vkbd::Keyboard> keyboard, vkbd::FaultOptions faults)
    : ownKeyboard_(std::move(keyboard)),
      keyboard_(*ownKeyboard_),
      latencyMs_(faults.latencyMs),
      plan_(faults),
      plugged_(true) {}

ModelBackend::~ModelBackend() {
  Stop();
}

bool ModelBackend::Start(BackendSink& sink) {
  std::lock_guard lock(mutex_);
  sink_ = &sink;
  stopping_ = false;
  if (latencyMs_ > 0 && !deliverer_.joinable())
    deliverer_ = std::thread([this] { DeliverDelayed(); });
  return true;
}

void ModelBackend::Stop() {
  {
    std::lock_guard lock(mutex_);
    sink_ = nullptr;
    stopping_ = true;
    delayed_.clear();
    delayedChanged_.notify_all();
  }
  if (deliverer_.joinable()) deliverer_.join();
}

DeviceCounts ModelBackend::Counts() {
  std::lock_guard lock(mutex_);
  return DeviceCounts::All(plugged_ ? 1 : 0);
}

BackendSink* ModelBackend::Sink() {
  std::lock_guard lock(mutex_);
  return sink_;
}

int ModelBackend::Write(protocol::Interface to, std::span<const std::uint8_t> report, bool) {
  {
    std::lock_guard lock(mutex_);
    if (!plugged_) return RAZIZID_NONE;
  }
  if (to == protocol::kControl) return WriteControl(report);
  if (to == protocol::kBankLed) {
    keyboard_.WriteBankLed(report);
    return static_cast<int>(report.size());
  }
  return RAZIZID_IO_ERROR;  // the consumer interface only sends
}

int ModelBackend::WriteControl(std::span<const std::uint8_t> packet) {
  // Control reports are whole packets; anything else never reaches the
  // keyboard's command handler.
  if (packet.size() != protocol::kPacketSize) return RAZIZID_IO_ERROR;
  bool lost = false;
  {
    std::lock_guard lock(mutex_);
    lost = plan_.LosesWrite(packet);
  }
  vkbd::Packet reply = keyboard_.HandleCommand(packet, lost);
  vkbd::FaultPlan::Action fate;
  bool vanished = false;
  {
    std::lock_guard lock(mutex_);
    fate = plan_.Next(reply);
    vanished = plan_.ShouldUnplugNow();
    if (!vanished && fate != vkbd::FaultPlan::Action::Drop && latencyMs_ > 0) {
      delayed_.push_back({Clock::now() + std::chrono::milliseconds(latencyMs_), reply});
      delayedChanged_.notify_all();
      return static_cast<int>(packet.size());
    }
  }
  if (vanished) {
    // Gone before it could answer this packet, as the daemon's keyboard.
    SetPlugged(false);
  } else if (fate != vkbd::FaultPlan::Action::Drop) {
    if (BackendSink* sink = Sink()) sink->OnReport(protocol::kControl, reply);
  }
  return static_cast<int>(packet.size());
}

void ModelBackend::Plug() {
  SetPlugged(true);
}
void ModelBackend::Unplug() {
  SetPlugged(false);
}

void ModelBackend::SetPlugged(bool plugged) {
  BackendSink* sink = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (plugged_ == plugged) return;
    plugged_ = plugged;
    // Replies still on their way are lost with the keyboard.
    if (!plugged) delayed_.clear();
    sink = sink_;
  }
  if (sink != nullptr) sink->OnDevicesChanged(DeviceCounts::All(plugged ? 1 : 0));
}

bool ModelBackend::RaiseEvent(std::uint16_t code) {
  BackendSink* sink = nullptr;
  {
    std::lock_guard lock(mutex_);
    if (!plugged_) return false;
    sink = sink_;
  }
  const auto report = keyboard_.RaiseEvent(code);
  if (sink != nullptr) sink->OnReport(protocol::kConsumer, report);
  return true;
}

void ModelBackend::DeliverDelayed() {
#ifdef __linux__
  // The default 50 us of timer slack would add itself to every reply's
  // latency; a latency is meant to be what it says.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
#endif
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    if (delayed_.empty()) {
      delayedChanged_.wait(lock);
      continue;
    }
    const Clock::time_point due = delayed_.front().due;
    if (Clock::now() < due) {
      delayedChanged_.wait_until(lock, due);
      continue;
    }
    const vkbd::Packet reply = delayed_.front().reply;
    delayed_.pop_front();
    BackendSink* sink = sink_;
    lock.unlock();
    if (sink != nullptr) sink->OnReport(protocol::kControl, reply);
    lock.lock();
  }
}

}  // namespace ombrex::razizid
