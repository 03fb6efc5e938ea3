#pragma once

// The notification-area icon: its picture follows the keyboard, its menu's
// texts follow the language, and a double-click runs the default command.
// Where the desktop has no tray the icon is simply absent and every call
// still works on the rules alone.

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

  // Adds the icon with its tip and picture; false when there is no tray.
  bool CreateTrayIcon(std::u16string_view tip, int picture);
  void RemoveTrayIcon();
  bool IsAdded() const { return icon_ != nullptr; }

  // Safe from any thread: the picture is decided at once and shown on the
  // thread that owns the icon.
  void SetTrayPicture(int kind, int picture);
  int CurrentPicture() const { return rules_.Current(); }
  // The picture the icon shows now (0 while it is absent).
  int ShownPicture() const { return shownPicture_; }

  void SetTip(std::u16string_view tip);
  BCMenu& Menu() { return *menu_; }

  // What a double-click on the icon does.
  void RunDefaultCommand();

 signals:
  void commandChosen(int commandId);

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
