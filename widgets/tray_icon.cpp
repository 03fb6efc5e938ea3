#include "widgets/tray_icon.h"

#include <QMetaObject>

#include "widgets/qt_text.h"

namespace ombrex {

CTrayIcon::CTrayIcon(PictureSource pictures, BCMenu::TextSource texts, QObject* parent)
    : QObject(parent),
      pictures_(std::move(pictures)),
      menu_(std::make_unique<BCMenu>(std::move(texts))) {
  connect(menu_.get(), &BCMenu::commandChosen, this, &CTrayIcon::commandChosen);
}

CTrayIcon::~CTrayIcon() {
  RemoveTrayIcon();
}

bool CTrayIcon::CreateTrayIcon(std::u16string_view tip, int picture) {
  tip_ = ToQString(tip);
  rules_.SetTrayPicture(kTrayPresence, picture);
  if (icon_ != nullptr) return true;
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return false;
  icon_ = std::make_unique<QSystemTrayIcon>();
  icon_->setToolTip(tip_);
  icon_->setContextMenu(menu_.get());
  connect(icon_.get(), &QSystemTrayIcon::activated, this, &CTrayIcon::OnActivated);
  ShowCurrentPicture();
  icon_->show();
  return true;
}

void CTrayIcon::RemoveTrayIcon() {
  if (icon_ == nullptr) return;
  icon_->hide();
  icon_.reset();
  shownPicture_ = 0;
}

void CTrayIcon::SetTrayPicture(int kind, int picture) {
  if (!rules_.SetTrayPicture(kind, picture)) return;
  // The icon shows whatever the rules hold when this runs, so two threads
  // racing each other cannot leave it on a picture the rules moved past.
  QMetaObject::invokeMethod(
      this, [this] { ShowCurrentPicture(); }, Qt::AutoConnection);
}

void CTrayIcon::ShowCurrentPicture() {
  const int picture = rules_.Current();
  if (icon_ == nullptr || picture == shownPicture_) return;
  icon_->setIcon(pictures_ ? pictures_(picture) : QIcon());
  shownPicture_ = picture;
}

void CTrayIcon::SetTip(std::u16string_view tip) {
  tip_ = ToQString(tip);
  if (icon_ != nullptr) icon_->setToolTip(tip_);
}

void CTrayIcon::RunDefaultCommand() {
  const int command = menu_->DefaultCommand();
  if (command != 0) emit commandChosen(command);
}

void CTrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
  if (reason == QSystemTrayIcon::DoubleClick) RunDefaultCommand();
}

}  // namespace ombrex
