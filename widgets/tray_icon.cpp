#include "widgets/tray_icon.h"

#include <QGuiApplication>
#include <QMetaObject>

#include "widgets/qt_text.h"

namespace ombrex {

namespace {

// Platforms that never have a tray: nothing could ever dock there.
bool PlatformMayHaveTray() {
  const QString platform = QGuiApplication::platformName();
  return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

}  // namespace

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
  if (icon_ == nullptr && PlatformMayHaveTray()) {
    // Shown even without a tray: a program started before the desktop's
    // panel must not stay out of reach for the rest of its run. Qt docks a
    // shown icon whenever a tray appears or restarts.
    icon_ = std::make_unique<QSystemTrayIcon>();
    icon_->setToolTip(tip_);
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this, &CTrayIcon::OnActivated);
    ShowCurrentPicture();
    icon_->show();
  }
  return IsAdded();
}

void CTrayIcon::RemoveTrayIcon() {
  if (icon_ == nullptr) return;
  icon_->hide();
  icon_.reset();
  shownPicture_ = 0;
}

bool CTrayIcon::IsAdded() const {
  return icon_ != nullptr && QSystemTrayIcon::isSystemTrayAvailable();
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
  emit pictureShown(picture);
}

void CTrayIcon::SetTip(std::u16string_view tip) {
  tip_ = ToQString(tip);
  if (icon_ != nullptr) icon_->setToolTip(tip_);
}

void CTrayIcon::RunDefaultCommand() {
  const int command = menu_->DefaultCommand();
  if (command != 0) emit commandChosen(command);
}

bool CTrayIcon::Opens(QSystemTrayIcon::ActivationReason reason, bool trayReportsDoubleClicks) {
  if (reason == QSystemTrayIcon::DoubleClick) return true;
  return reason == QSystemTrayIcon::Trigger && !trayReportsDoubleClicks;
}

void CTrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
  const bool placed = icon_ != nullptr && !icon_->geometry().isEmpty();
  if (Opens(reason, placed)) RunDefaultCommand();
}

}  // namespace ombrex
