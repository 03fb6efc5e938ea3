#pragma once

// The notification-area icon: its picture follows the keyboard, its menu's
// texts follow the language, and a double-click runs the default command.
// Where the desktop has no tray yet the icon is absent and every call still
// works on the rules alone; it docks, with its current picture and tip, as
// soon as a tray appears, and again whenever the tray restarts.

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "widgets/text_menu.h"
#include "widgets/tray_picture_rules.h"

namespace ombrex {

class CTrayIcon : public QObject {
  Q_OBJECT

 public:
  // The icon of a picture number (kTrayNoKeyboard and so on).
  using PictureSource = std::function<QIcon(int picture)>;

  CTrayIcon(PictureSource pictures, BCMenu::TextSource texts, QObject* parent = nullptr);
  ~CTrayIcon() override;

  // Adds the icon with its tip and picture; false when there is no tray now
  // (it then shows once one appears, where the desktop can have one).
  bool CreateTrayIcon(std::u16string_view tip, int picture);
  void RemoveTrayIcon();
  // The icon sits in a tray now.
  bool IsAdded() const;
  // The icon waits for a tray or sits in one.
  bool IsWanted() const { return icon_ != nullptr; }

  // Safe from any thread: the picture is decided at once and shown on the
  // thread that owns the icon.
  void SetTrayPicture(int kind, int picture);
  int CurrentPicture() const { return rules_.Current(); }
  // The picture the icon shows now (0 while it is absent).
  int ShownPicture() const { return IsAdded() ? shownPicture_ : 0; }

  void SetTip(std::u16string_view tip);
  BCMenu& Menu() { return *menu_; }

  // What a double-click on the icon does.
  void RunDefaultCommand();

  // Whether an activation of the icon opens like a double-click. Trays that
  // speak the StatusNotifier protocol report a click only, never a double
  // one (and give the icon no place on screen, which is how they are told
  // apart); where double-clicks come, a single click does nothing.
  static bool Opens(QSystemTrayIcon::ActivationReason reason, bool trayReportsDoubleClicks);

 signals:
  void commandChosen(int commandId);
  // On the icon's thread, each time the picture it carries changes.
  void pictureShown(int picture);

 private:
  void ShowCurrentPicture();
  void OnActivated(QSystemTrayIcon::ActivationReason reason);

  PictureSource pictures_;
  TrayPictureRules rules_;
  std::unique_ptr<BCMenu> menu_;
  std::unique_ptr<QSystemTrayIcon> icon_;
  QString tip_;
  int shownPicture_ = 0;
};

}  // namespace ombrex
