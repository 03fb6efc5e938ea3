#include "app/busy_indicator.h"

#include <utility>

namespace ombrex {

BusyIndicator::BusyIndicator(Clock clock) : clock_(std::move(clock)) {}

BusyIndicator::TimePoint BusyIndicator::Now() const {
  return clock_ ? clock_() : std::chrono::steady_clock::now();
}

void BusyIndicator::AttachView(BusyIndicatorView* view) {
  if (view_ != nullptr && shown_) {
    view_->SetBusyTicking(false);
    view_->HideBusy();
  }
  view_ = view;
  if (view_ != nullptr && shown_) {
    view_->ShowBusyFrame(frame_);
    view_->SetBusyTicking(true);
  }
}

void BusyIndicator::Begin() {
  working_ = true;
  if (shown_) return;
  shown_ = true;
  frame_ = 1;
  lastStep_ = Now();
  if (view_ == nullptr) return;
  view_->ShowBusyFrame(frame_);
  view_->SetBusyTicking(true);
}

void BusyIndicator::StepWhenDue(TimePoint now) {
  if (now - lastStep_ < kBusyStep) return;
  // A long packet skips no pictures: the animation only says "still busy".
  frame_ = frame_ % kBusyFrameCount + 1;
  lastStep_ = now;
  if (view_ != nullptr) view_->ShowBusyFrame(frame_);
}

void BusyIndicator::Progress() {
  if (shown_) StepWhenDue(Now());
}

void BusyIndicator::End() {
  if (!shown_) return;
  working_ = false;
  hideAt_ = Now() + kBusyLinger;
}

void BusyIndicator::Tick() {
  if (!shown_) return;
  const TimePoint now = Now();
  if (!working_ && now >= hideAt_) {
    shown_ = false;
    frame_ = 0;
    if (view_ == nullptr) return;
    view_->SetBusyTicking(false);
    view_->HideBusy();
    return;
  }
  StepWhenDue(now);
}

}  // namespace ombrex
