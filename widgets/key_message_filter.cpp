#include "widgets/key_message_filter.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>

namespace ombrex {

KeyMessageFilter::KeyMessageFilter(QObject* parent) : QObject(parent) {}

KeyMessageFilter::~KeyMessageFilter() {
  Stop();
}

void KeyMessageFilter::Start(QWidget& window, Handler handler) {
  Stop();
  window_ = &window;
  handler_ = std::move(handler);
  held_.clear();
  qApp->installEventFilter(this);
  running_ = true;
  TurnInputMethodsOff();
}

void KeyMessageFilter::Stop() {
  if (!running_) return;
  qApp->removeEventFilter(this);
  running_ = false;
  held_.clear();
  RestoreInputMethods();
  // The owner's function stays: Stop may be called from inside it (a
  // recording that ends on a key), and it must not be destroyed while it runs.
}

void KeyMessageFilter::TurnInputMethodsOff() {
  inputMethodWidgets_.clear();
  if (!window_) return;
  QList<QWidget*> widgets = window_->findChildren<QWidget*>();
  widgets.append(window_.data());
  for (QWidget* widget : widgets) {
    if (!widget->testAttribute(Qt::WA_InputMethodEnabled)) continue;
    widget->setAttribute(Qt::WA_InputMethodEnabled, false);
    inputMethodWidgets_.emplace_back(widget);
  }
  QGuiApplication::inputMethod()->reset();
  QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

void KeyMessageFilter::RestoreInputMethods() {
  for (const QPointer<QWidget>& widget : inputMethodWidgets_) {
    if (widget) widget->setAttribute(Qt::WA_InputMethodEnabled, true);
  }
  inputMethodWidgets_.clear();
  QGuiApplication::inputMethod()->update(Qt::ImEnabled);
}

KeyMessage KeyMessageFilter::MessageOf(const QKeyEvent& event, bool repeat) {
  const KeyTransition transition{.release = event.type() == QEvent::KeyRelease, .repeat = repeat};
#ifdef Q_OS_WIN
  return KeyMessageFromWindows(event.nativeScanCode(), event.nativeVirtualKey(), transition);
#else
  return KeyMessageFromXkb(event.nativeScanCode(), event.nativeVirtualKey(), transition);
#endif
}

bool KeyMessageFilter::IsFirstReceiver(QObject* watched) const {
  if (!window_ || !watched->isWidgetType()) return false;
  QWidget* focus = window_->focusWidget();
  return watched == (focus != nullptr ? focus : window_.data());
}

bool KeyMessageFilter::eventFilter(QObject* watched, QEvent* event) {
  const QEvent::Type type = event->type();
  if (type == QEvent::ContextMenu) {
    // The Menu key opens a context menu before its key event arrives; while
    // keys are taken it is a key like any other.
    const auto* menu = static_cast<QContextMenuEvent*>(event);
    const bool ours = running_ && window_ && watched->isWidgetType() &&
                      static_cast<QWidget*>(watched)->window() == window_;
    return ours && menu->reason() == QContextMenuEvent::Keyboard;
  }
  if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride) {
    return false;
  }
  if (!running_ || !IsFirstReceiver(watched)) return false;
  if (type == QEvent::ShortcutOverride) {
    // Accepted, the key is not a shortcut: it goes on to the widget as a key
    // press, where the owner decides.
    event->accept();
    return true;
  }
  return TakeKey(*static_cast<QKeyEvent*>(event));
}

bool KeyMessageFilter::TakeKey(QKeyEvent& event) {
  const bool release = event.type() == QEvent::KeyRelease;
  const quint32 scan = event.nativeScanCode();
  // X repeats a held key as release+press pairs; only the press says
  // anything (that the key is still down).
  if (release && event.isAutoRepeat()) {
    event.accept();
    return true;
  }
  // Events without a native code (synthesised ones) cannot be told apart.
  const bool known = scan != 0;
  const bool repeat = !release && (event.isAutoRepeat() || (known && held_.count(scan) > 0));
  if (release) {
    held_.erase(scan);
  } else if (known) {
    held_.insert(scan);
  }
  TimedKeyMessage key{MessageOf(event, repeat), std::nullopt};
  if (event.timestamp() != 0) key.stampMs = static_cast<std::uint32_t>(event.timestamp());
  if (!handler_ || handler_(key) == KeyDisposition::Pass) return false;
  event.accept();
  return true;
}

}  // namespace ombrex
