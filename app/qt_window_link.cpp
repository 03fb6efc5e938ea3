#include "app/qt_window_link.h"

#include <QMetaObject>
#include <QThread>
#include <QTimer>

#include "device/run_state.h"

namespace ombrex {

QtWindowLink::QtWindowLink(RunState& run, WindowLinkTarget& target)
    : run_(run),
      target_(target),
      handOver_(
          run, [this](std::function<void()> task) { Queue(std::move(task)); },
          [this] { return loopEnded_; }) {}

QtWindowLink::~QtWindowLink() = default;

bool QtWindowLink::OnWindowThread() const {
  return QThread::currentThread() == thread();
}

void QtWindowLink::Queue(std::function<void()> task) {
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void QtWindowLink::LoopEnded() {
  run_.Change([this] { loopEnded_ = true; });
}

bool QtWindowLink::Send(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) {
  if (OnWindowThread()) {
    // Nobody waits on a reply kept for later: the caller is handled inline.
    target_.OnWindowMessage(message, wParam, lParam, false, HandOverReply());
    return true;
  }
  return handOver_.Call([this, message, wParam, lParam](HandOverReply reply) {
    target_.OnWindowMessage(message, wParam, lParam, false, std::move(reply));
  });
}

void QtWindowLink::Post(std::uint32_t message, std::uint32_t wParam, std::uint32_t lParam) {
  Queue([this, message, wParam, lParam] {
    target_.OnWindowMessage(message, wParam, lParam, true, HandOverReply());
  });
}

void QtWindowLink::RestartTimer(int id, int periodMs) {
  std::unique_ptr<QTimer>& timer = timers_[id];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    connect(timer.get(), &QTimer::timeout, this, [this, id] { target_.OnTimer(id); });
  }
  timer->setSingleShot(periodMs == 0);
  timer->start(periodMs);
}

void QtWindowLink::StartTimer(int id, int periodMs) {
  if (OnWindowThread()) {
    RestartTimer(id, periodMs);
    return;
  }
  Queue([this, id, periodMs] { RestartTimer(id, periodMs); });
}

void QtWindowLink::KillTimer(int id) {
  auto stop = [this, id] {
    if (auto found = timers_.find(id); found != timers_.end()) found->second->stop();
  };
  if (OnWindowThread()) {
    stop();
  } else {
    Queue(stop);
  }
}

int QtWindowLink::ActiveTimers() const {
  int active = 0;
  for (const auto& [id, timer] : timers_) active += timer->isActive() ? 1 : 0;
  return active;
}

void QtWindowLink::HideMainWindow() {
  Queue([this] { target_.OnHideMainWindow(); });
}

void QtWindowLink::SetTrayPicture(int kind, int picture) {
  target_.OnTrayPicture(kind, picture);
}

void QtWindowLink::SetBankIndicator(bool bankB) {
  Queue([this, bankB] { target_.OnBankIndicator(bankB); });
}

void QtWindowLink::SetGKeyCaptions(const GKeyCaptions& captions) {
  // The views point at the caller's texts: the queue keeps copies.
  GKeyCaptionTexts texts;
  for (std::size_t j = 0; j < captions.size(); ++j) texts[j] = std::u16string(captions[j]);
  Queue([this, texts] { target_.OnGKeyCaptions(texts); });
}

void QtWindowLink::ShowMessage(std::u16string_view text) {
  if (OnWindowThread()) {
    target_.OnShowMessage(text);
    return;
  }
  // The box waits for a person; the device watcher that asked for it does
  // not: arrivals and removals go on being followed meanwhile.
  Queue([this, owned = std::u16string(text)] {
    if (!run_.ShuttingDown()) target_.OnShowMessage(owned);
  });
}

}  // namespace ombrex
