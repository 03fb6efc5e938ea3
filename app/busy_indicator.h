#pragma once

// The busy indicator of the main window (control 1177): while an Apply saves
// and sends, the pictures "jdt1.bmp".."jdt10.bmp" follow one another, a step
// every 50 ms, and the indicator goes 100 ms after the work ended.
//
// The work runs on the window's thread, so none of the window's timers fires
// while it runs: the indicator steps when the download reports a packet, and
// on ticks of the window's loop before and after. BusyIndicator holds the
// rules; a BusyIndicatorView shows them (the Qt one is CBusyIndicator).
//
//   busy.Begin();                     // shown at once, first picture
//   download(..., [&] { busy.Progress(); });
//   busy.End();                       // gone 100 ms later, through Tick()

#include <chrono>
#include <functional>

namespace ombrex {

inline constexpr int kBusyIndicatorControl = 1177;
inline constexpr int kBusyFrameCount = 10;
inline constexpr std::chrono::milliseconds kBusyStep{50};
inline constexpr std::chrono::milliseconds kBusyLinger{100};

class BusyIndicatorView {
 public:
  virtual ~BusyIndicatorView() = default;
  // Shows "jdt<frame>.bmp" (frame 1..10) and paints it before returning: the
  // window's thread may not reach its loop again for a while.
  virtual void ShowBusyFrame(int frame) = 0;
  virtual void HideBusy() = 0;
  // While on, the view has BusyIndicator::Tick() called every 50 ms from the
  // window's loop.
  virtual void SetBusyTicking(bool on) = 0;
};

class BusyIndicator {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // `clock` is the steady clock unless a test steps one of its own.
  explicit BusyIndicator(Clock clock = {});

  // The view to show; null shows nothing (the program without a window).
  void AttachView(BusyIndicatorView* view);

  // The work begins: shown now with the first picture, ticking. A Begin while
  // the indicator still lingers from the last work keeps it and goes on.
  void Begin();
  // Some work was done (a packet went): the next picture once 50 ms passed
  // since the last one.
  void Progress();
  // The work ended: hidden on the first tick 100 ms from now.
  void End();
  // A tick of the window's loop: the next picture when due, and the end of
  // the linger.
  void Tick();

  bool Shown() const { return shown_; }
  int Frame() const { return frame_; }

 private:
  using TimePoint = std::chrono::steady_clock::time_point;
  TimePoint Now() const;
  void StepWhenDue(TimePoint now);

  Clock clock_;
  BusyIndicatorView* view_ = nullptr;
  bool shown_ = false;
  bool working_ = false;
  int frame_ = 0;  // 1..10 while shown
  TimePoint lastStep_{};
  TimePoint hideAt_{};
};

}  // namespace ombrex
