#pragma once

// The WindowLink of the Qt program: device code on any thread reaches the
// main window through it, and everything it carries runs on the window's
// thread. A send from that thread runs at once; from another it is queued
// and waited for, through the same hand-over as the headless loop, so the
// start of the shutdown (or the end of exec()) releases a sender whose
// message has not begun, and one that has begun is waited for to its end.
// Posts always queue. Each timer id has one QTimer; starting it again
// restarts it, so two starts before its tick give one tick.

#include <QObject>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "app/hand_over.h"
#include "device/window_link.h"

class QTimer;

namespace ombrex {

class RunState;

using GKeyCaptionTexts = std::array<std::u16string, kGKeyCount>;

// What the link delivers, always on the window's thread.
class WindowLinkTarget {
 public:
  virtual ~WindowLinkTarget() = default;
  virtual void OnWindowMessage(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam,
                               bool posted, HandOverReply reply) = 0;
  virtual void OnTimer(int id) = 0;
  virtual void OnHideMainWindow() = 0;
  virtual void OnBankIndicator(bool bankB) = 0;
  virtual void OnGKeyCaptions(const GKeyCaptionTexts& captions) = 0;
  virtual void OnShowMessage(std::u16string_view text) = 0;
  // Called on the caller's thread: the tray decides the picture at once.
  virtual void OnTrayPicture(int kind, int picture) = 0;
};

class QtWindowLink final : public QObject, public WindowLink {
  Q_OBJECT

 public:
  // Made on the window's thread, which it then serves.
  QtWindowLink(RunState& run, WindowLinkTarget& target);
  ~QtWindowLink() override;

  bool Send(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) override;
  void Post(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) override;
  // Period 0: one shot, as soon as the loop runs; otherwise it repeats until
  // KillTimer.
  void StartTimer(int id, int periodMs) override;
  void KillTimer(int id);
  void HideMainWindow() override;
  void SetTrayPicture(int kind, int picture) override;
  void SetBankIndicator(bool bankB) override;
  void SetGKeyCaptions(const GKeyCaptions& captions) override;
  void ShowMessage(std::u16string_view text) override;

  // exec() returned: nothing queued runs any more, no sender waits for it.
  void LoopEnded();
  bool OnWindowThread() const;
  // Timers running now (a test of the idle window counts them).
  int ActiveTimers() const;

 private:
  void Queue(std::function<void()> task);
  void RestartTimer(int id, int periodMs);

  RunState& run_;
  WindowLinkTarget& target_;
  bool loopEnded_ = false;  // changed through the run state
  HandOver handOver_;
  std::map<int, std::unique_ptr<QTimer>> timers_;
};

}  // namespace ombrex
