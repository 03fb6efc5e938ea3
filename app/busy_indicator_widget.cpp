#include "app/busy_indicator_widget.h"

#include <string>

#include "widgets/base_dialog.h"
#include "widgets/skin_pictures.h"

namespace ombrex {

namespace {

constexpr std::u16string_view kSkinKey = u"CONTROL_JDTStatic";

}  // namespace

CBusyIndicator::CBusyIndicator(Key, CBaseDialog& window)
    : CImageStatic(kBusyIndicatorControl, &window) {
  setObjectName(QStringLiteral("CONTROL_JDTStatic"));
  for (int frame = 1; frame <= kBusyFrameCount; ++frame) {
    frames_[frame - 1] = window.Pictures().Picture("Skins/jdt" + std::to_string(frame) + ".bmp");
  }
  ticker_.setInterval(static_cast<int>(kBusyStep.count()));
  connect(&ticker_, &QTimer::timeout, this, [this] {
    if (tick_) tick_();
  });
}

std::unique_ptr<CBusyIndicator> CBusyIndicator::Place(CBaseDialog& window) {
  auto busy = std::make_unique<CBusyIndicator>(Key{}, window);
  window.PlaceControl(*busy, kSkinKey);
  busy->hide();
  return busy;
}

CBusyIndicator* CBusyIndicator::Find(const QWidget& window) {
  return window.findChild<CBusyIndicator*>(QStringLiteral("CONTROL_JDTStatic"),
                                           Qt::FindDirectChildrenOnly);
}

void CBusyIndicator::SetTickHandler(std::function<void()> tick) {
  tick_ = std::move(tick);
}

void CBusyIndicator::ShowBusyFrame(int frame) {
  if (frame < 1 || frame > kBusyFrameCount) return;
  SetPicture(frames_[frame - 1]);
  show();
  // The window's thread goes straight back to sending: a paint queued for
  // its loop would come only when the work is done.
  repaint();
}

void CBusyIndicator::HideBusy() {
  hide();
}

void CBusyIndicator::SetBusyTicking(bool on) {
  if (on) {
    ticker_.start();
  } else {
    ticker_.stop();
  }
}

}  // namespace ombrex
