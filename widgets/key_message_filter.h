#pragma once

// Takes the keys typed into one window while key capture or a macro recording
// runs, as key messages (platform/key_messages.h), and lets the owner decide
// for each whether the window sees it.
//
// The filter sits on the application only between Start and Stop, and acts
// only on key events whose window is the one given: another window, a message
// box or a menu of the program gets its keys as always. No global hook, no
// grab, no input device: keys the desktop keeps for itself (a window
// manager's shortcuts) never reach it.
//
//   KeyMessageFilter filter;                       // one per owner, idle
//   filter.Start(dialog, [&](const TimedKeyMessage& key) {
//     return recorder.Take(key);                   // KeyDisposition::Swallow / Pass
//   });
//   ...
//   filter.Stop();                                 // or the destructor
//
// While it runs, for the window's key events:
// - the ShortcutOverride of every key is taken, so no shortcut or mnemonic
//   acts on the window's keys; a swallowed key reaches no widget, so neither
//   Tab nor Enter nor Escape moves the focus or closes the window;
// - X's auto-repeat arrives as release+press pairs: the release is dropped,
//   the press reaches the owner as a repeat (bit 30 set); a press of a key
//   already held counts as a repeat on every platform;
// - input methods are off for the window's focus widget (restored at Stop),
//   so an input method cannot eat keys before the owner sees them.
// - the context menu the Menu key would open first is not opened (the owner
//   may still give the window Qt::NoContextMenu).
//
// Only on the thread that runs the window; the owner's function is called
// there, during the event's delivery.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <set>
#include <vector>

#include "platform/key_messages.h"

class QKeyEvent;

namespace ombrex {

class KeyMessageFilter : public QObject {
  Q_OBJECT

 public:
  using Handler = std::function<KeyDisposition(const TimedKeyMessage& key)>;

  explicit KeyMessageFilter(QObject* parent = nullptr);
  ~KeyMessageFilter() override;
  KeyMessageFilter(const KeyMessageFilter&) = delete;
  KeyMessageFilter& operator=(const KeyMessageFilter&) = delete;

  // Starts, or moves to another window and owner function.
  void Start(QWidget& window, Handler handler);
  void Stop();
  bool IsRunning() const { return running_; }

  // The key message a key event stands for on this platform; exposed for
  // tests and for owners that see key events of their own.
  static KeyMessage MessageOf(const QKeyEvent& event, bool repeat);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The widget the window's key events go to first: its focus widget, else
  // the window. Events propagated to parents are not looked at twice.
  bool IsFirstReceiver(QObject* watched) const;
  bool TakeKey(QKeyEvent& event);
  void TurnInputMethodsOff();
  void RestoreInputMethods();

  QPointer<QWidget> window_;
  Handler handler_;
  bool running_ = false;
  // Native scan codes of the keys held down since Start.
  std::set<quint32> held_;
  // The widgets whose input methods were on at Start.
  std::vector<QPointer<QWidget>> inputMethodWidgets_;
};

}  // namespace ombrex
