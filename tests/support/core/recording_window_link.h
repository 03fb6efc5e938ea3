#pragma once

// A WindowLink that records every call in order and answers sends through an
// optional handler, for tests of the event path and the watcher. Safe to call
// from any thread; tests wait for calls with WaitFor().

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device/run_state.h"
#include "device/window_link.h"

namespace ombrex::test {

struct WindowCall {
  enum class Kind { Send, Post, Timer, Hide, Tray, BankIndicator, Captions, Message };
  Kind kind;
  std::uint32_t a = 0;  // message / timer id / tray kind / bank B
  std::uint32_t b = 0;  // wParam / period / picture
  std::uint32_t c = 0;  // lParam
  std::u16string text;  // message text, or the captions joined by '|'

  bool operator==(const WindowCall&) const = default;
};

// Readable in test failures: "Send(0x5452,0x50524F46,0)".
std::string Describe(const WindowCall& call);
std::string Describe(const std::vector<WindowCall>& calls);

class RecordingWindowLink : public WindowLink {
 public:
  // With a run state, sends give up (return false, not recorded as handled)
  // once the shutdown began, as the real window link does.
  explicit RecordingWindowLink(RunState* run = nullptr) : run_(run) {}

  bool Send(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) override;
  void Post(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) override;
  void StartTimer(int id, int periodMs) override;
  void HideMainWindow() override;
  void SetTrayPicture(int kind, int picture) override;
  void SetBankIndicator(bool bankB) override;
  void SetGKeyCaptions(const GKeyCaptions& captions) override;
  void ShowMessage(std::u16string_view text) override;

  // Runs for every send, on the sender's thread, before Send returns.
  void OnSend(std::function<void(std::uint32_t, std::uint32_t, std::uint32_t)> handler);

  std::vector<WindowCall> Calls() const;
  std::vector<WindowCall> CallsOf(WindowCall::Kind kind) const;
  void Clear();
  // Until `done(calls)` holds; false after the timeout.
  bool WaitFor(const std::function<bool(const std::vector<WindowCall>&)>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));
  // Until at least `count` calls of `kind` were made.
  bool WaitForCount(WindowCall::Kind kind, std::size_t count,
                    std::chrono::milliseconds timeout = std::chrono::seconds(10));

 private:
  void Record(WindowCall call);

  RunState* run_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<WindowCall> calls_;
  std::function<void(std::uint32_t, std::uint32_t, std::uint32_t)> onSend_;
};

// Shorthands for expected calls.
inline WindowCall SendCall(std::uint32_t m, std::uint32_t w, std::uint32_t l = 0) {
  return {WindowCall::Kind::Send, m, w, l, {}};
}
inline WindowCall PostCall(std::uint32_t m, std::uint32_t w, std::uint32_t l = 0) {
  return {WindowCall::Kind::Post, m, w, l, {}};
}
inline WindowCall TrayCall(int kind, int picture) {
  return {WindowCall::Kind::Tray, std::uint32_t(kind), std::uint32_t(picture), 0, {}};
}
inline WindowCall TimerCall(int id) {
  return {WindowCall::Kind::Timer, std::uint32_t(id), 0, 0, {}};
}
inline WindowCall HideCall() {
  return {WindowCall::Kind::Hide, 0, 0, 0, {}};
}

}  // namespace ombrex::test
