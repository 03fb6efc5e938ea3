#include "tests/support/device/keyboard_tap.h"

#include <algorithm>

namespace ombrex::test {

KeyboardTap::KeyboardTap(vkbd::Keyboard& keyboard) : keyboard_(keyboard) {
  keyboard_.SetCommandHook([this](const vkbd::Packet& request) { OnPacket(request); });
}

KeyboardTap::~KeyboardTap() {
  Release();
  keyboard_.SetCommandHook({});
}

void KeyboardTap::OnPacket(const vkbd::Packet& request) {
  SentPacket sent{static_cast<protocol::Command>(request[protocol::kCommandAt]),
                  request[protocol::kCountAt],
                  static_cast<std::uint16_t>(request[protocol::kAddressAt] |
                                             request[protocol::kAddressAt + 1] << 8),
                  {}};
  const std::size_t length = std::min<std::size_t>(sent.count, protocol::kPayloadSize);
  const auto payload = request.begin() + protocol::kPayloadOffset;
  sent.payload.assign(payload, payload + length);
  std::unique_lock lock(mutex_);
  packets_.push_back(std::move(sent));
  if (holdFor_ == packets_.back().command) {
    holdFor_.reset();
    holding_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return !holding_; });
    return;
  }
  changed_.notify_all();
}

std::vector<SentPacket> KeyboardTap::Packets() const {
  std::lock_guard lock(mutex_);
  return packets_;
}

std::size_t KeyboardTap::CountLocked(protocol::Command command) const {
  return static_cast<std::size_t>(
      std::count_if(packets_.begin(), packets_.end(),
                    [command](const SentPacket& p) { return p.command == command; }));
}

std::size_t KeyboardTap::Count(protocol::Command command) const {
  std::lock_guard lock(mutex_);
  return CountLocked(command);
}

std::size_t KeyboardTap::Total() const {
  std::lock_guard lock(mutex_);
  return packets_.size();
}

void KeyboardTap::Clear() {
  std::lock_guard lock(mutex_);
  packets_.clear();
}

void KeyboardTap::HoldNext(protocol::Command command) {
  std::lock_guard lock(mutex_);
  holdFor_ = command;
}

bool KeyboardTap::WaitHeld(std::chrono::milliseconds guard) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, guard, [this] { return holding_; });
}

void KeyboardTap::Release() {
  std::lock_guard lock(mutex_);
  holdFor_.reset();
  holding_ = false;
  changed_.notify_all();
}

bool KeyboardTap::WaitCount(protocol::Command command, std::size_t count,
                            std::chrono::milliseconds guard) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, guard, [&] { return CountLocked(command) >= count; });
}

}  // namespace ombrex::test
