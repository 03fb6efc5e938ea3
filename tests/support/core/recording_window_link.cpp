#include "tests/support/core/recording_window_link.h"

#include <cstdio>

#include "platform/text.h"

namespace ombrex::test {

std::string Describe(const WindowCall& call) {
  static const char* const kNames[] = {"Send", "Post",          "Timer",    "Hide",
                                       "Tray", "BankIndicator", "Captions", "Message"};
  char numbers[64];
  std::snprintf(numbers, sizeof numbers, "(0x%X,0x%X,%u", call.a, call.b, call.c);
  std::string text = kNames[static_cast<int>(call.kind)] + std::string(numbers);
  if (!call.text.empty()) text += ",\"" + Utf8FromUtf16(call.text) + "\"";
  return text + ")";
}

std::string Describe(const std::vector<WindowCall>& calls) {
  std::string text;
  for (const WindowCall& call : calls) text += Describe(call) + "\n";
  return text;
}

void RecordingWindowLink::Record(WindowCall call) {
  {
    std::lock_guard lock(mutex_);
    calls_.push_back(std::move(call));
  }
  changed_.notify_all();
}

bool RecordingWindowLink::Send(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) {
  if (run_ != nullptr && run_->ShuttingDown()) return false;
  std::function<void(std::uint32_t, std::uint32_t, std::uint32_t)> handler;
  {
    std::lock_guard lock(mutex_);
    handler = onSend_;
  }
  if (handler) handler(message, wParam, lParam);
  Record({WindowCall::Kind::Send, message, wParam, lParam, {}});
  return true;
}

void RecordingWindowLink::Post(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) {
  Record({WindowCall::Kind::Post, message, wParam, lParam, {}});
}

void RecordingWindowLink::StartTimer(int id, int periodMs) {
  Record({WindowCall::Kind::Timer, std::uint32_t(id), std::uint32_t(periodMs), 0, {}});
}

void RecordingWindowLink::HideMainWindow() {
  Record({WindowCall::Kind::Hide, 0, 0, 0, {}});
}

void RecordingWindowLink::SetTrayPicture(int kind, int picture) {
  Record({WindowCall::Kind::Tray, std::uint32_t(kind), std::uint32_t(picture), 0, {}});
}

void RecordingWindowLink::SetBankIndicator(bool bankB) {
  Record({WindowCall::Kind::BankIndicator, bankB ? 1u : 0u, 0, 0, {}});
}

void RecordingWindowLink::SetGKeyCaptions(const GKeyCaptions& captions) {
  std::u16string joined;
  for (std::size_t i = 0; i < captions.size(); ++i) {
    if (i > 0) joined += u'|';
    joined += captions[i];
  }
  Record({WindowCall::Kind::Captions, 0, 0, 0, joined});
}

void RecordingWindowLink::ShowMessage(std::u16string_view text) {
  Record({WindowCall::Kind::Message, 0, 0, 0, std::u16string(text)});
}

void RecordingWindowLink::OnSend(
    std::function<void(std::uint32_t, std::uint32_t, std::uint32_t)> handler) {
  std::lock_guard lock(mutex_);
  onSend_ = std::move(handler);
}

std::vector<WindowCall> RecordingWindowLink::Calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

std::vector<WindowCall> RecordingWindowLink::CallsOf(WindowCall::Kind kind) const {
  std::vector<WindowCall> found;
  for (const WindowCall& call : Calls()) {
    if (call.kind == kind) found.push_back(call);
  }
  return found;
}

void RecordingWindowLink::Clear() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

bool RecordingWindowLink::WaitFor(const std::function<bool(const std::vector<WindowCall>&)>& done,
                                  std::chrono::milliseconds timeout) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout, [&] { return done(calls_); });
}

bool RecordingWindowLink::WaitForCount(WindowCall::Kind kind, std::size_t count,
                                       std::chrono::milliseconds timeout) {
  return WaitFor(
      [&](const std::vector<WindowCall>& calls) {
        std::size_t n = 0;
        for (const WindowCall& call : calls) n += call.kind == kind ? 1 : 0;
        return n >= count;
      },
      timeout);
}

}  // namespace ombrex::test
