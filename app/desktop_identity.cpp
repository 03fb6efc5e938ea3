#include "app/desktop_identity.h"

#include <QGuiApplication>

namespace ombrex {

void IntroduceToDesktop() {
  // The application name is also X11's window class (first letter raised),
  // which the entry's StartupWMClass names, and the title of every window
  // that sets none; left to Qt it would be the file name, "ombrex".
  QCoreApplication::setApplicationName(QStringLiteral("Ombrex"));
  QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopFileId));
}

}  // namespace ombrex
