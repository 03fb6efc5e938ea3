#pragma once

// Key events as Qt makes them from what the X server delivers: the X keycode
// and keysym in the event's native codes (QTest's key clicks carry none),
// sent as Qt sends them, the shortcut override first, to the focus widget of
// the window (or the window itself).
//
//   const auto sent = test::SendNativeKey(dialog, test::kNativeA, QEvent::KeyPress);
//   sent.overrideTaken;     // no shortcut of the window would have run
//   test::TypeNativeKey(dialog, test::kNativeKeypadEnter);     // press and release

#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace ombrex::test {

struct NativeKey {
  int qtKey;
  quint32 keycode;  // evdev code + 8
  quint32 keysym;
  const char* text;
};

inline constexpr NativeKey kNativeA{Qt::Key_A, 38, 'a', "a"};
inline constexpr NativeKey kNativeB{Qt::Key_B, 56, 'b', "b"};
inline constexpr NativeKey kNativeRightShift{Qt::Key_Shift, 62, 0xffe2, ""};
inline constexpr NativeKey kNativeRightCtrl{Qt::Key_Control, 105, 0xffe4, ""};
inline constexpr NativeKey kNativeKeypadEnter{Qt::Key_Enter, 104, 0xff8d, "\r"};
inline constexpr NativeKey kNativeReturn{Qt::Key_Return, 36, 0xff0d, "\r"};
inline constexpr NativeKey kNativeEscape{Qt::Key_Escape, 9, 0xff1b, "\x1b"};
inline constexpr NativeKey kNativeTab{Qt::Key_Tab, 23, 0xff09, "\t"};
inline constexpr NativeKey kNativeSuperL{Qt::Key_Super_L, 133, 0xffeb, ""};
inline constexpr NativeKey kNativeMenu{Qt::Key_Menu, 135, 0xff67, ""};
inline constexpr NativeKey kNativePrint{Qt::Key_Print, 107, 0xff61, ""};
inline constexpr NativeKey kNativeMute{Qt::Key_VolumeMute, 121, 0x1008ff12, ""};

struct SentKey {
  bool overrideTaken = false;  // the shortcut override was accepted
  bool delivered = false;      // the key event was filtered or accepted
};

inline QWidget& FocusTarget(QWidget& window) {
  QWidget* focus = window.window()->focusWidget();
  return focus != nullptr ? *focus : *window.window();
}

// `stamp` is the event's own time (X server milliseconds; 0 for none).
inline SentKey SendNativeKey(QWidget& window, const NativeKey& key, QEvent::Type type,
                             bool autoRepeat = false, ulong stamp = 0) {
  QWidget& target = FocusTarget(window);
  const QString text = QString::fromLatin1(key.text);
  SentKey sent;
  if (type == QEvent::KeyPress) {
    QKeyEvent shortcut(QEvent::ShortcutOverride, key.qtKey, Qt::NoModifier, key.keycode, key.keysym,
                       0, text, autoRepeat);
    shortcut.setTimestamp(stamp);
    shortcut.ignore();
    QApplication::sendEvent(&target, &shortcut);
    sent.overrideTaken = shortcut.isAccepted();
  }
  QKeyEvent event(type, key.qtKey, Qt::NoModifier, key.keycode, key.keysym, 0, text, autoRepeat);
  event.setTimestamp(stamp);
  sent.delivered = QApplication::sendEvent(&target, &event);
  return sent;
}

inline void TypeNativeKey(QWidget& window, const NativeKey& key, ulong stamp = 0) {
  SendNativeKey(window, key, QEvent::KeyPress, false, stamp);
  SendNativeKey(window, key, QEvent::KeyRelease, false, stamp == 0 ? 0 : stamp + 1);
}

}  // namespace ombrex::test
