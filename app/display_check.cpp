#include "app/display_check.h"

#include <unistd.h>
#include <QStringList>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace ombrex {

namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// What Qt said while its platform started, for when the start succeeds.
QStringList& KeptBack() {
  static QStringList lines;
  return lines;
}

void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type != QtFatalMsg) {
    KeptBack() << qFormatLogMessage(type, context, text);
    return;
  }
  // Qt's advice runs over several lines; the first says what failed.
  const QString first = text.section(QLatin1Char('\n'), 0, 0).trimmed();
  std::fprintf(stderr, "ombrex: cannot open the display: %s\n", qPrintable(first));
  std::fflush(stderr);
  ::_exit(1);
}

}  // namespace

std::optional<std::string> MissingDisplay() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
  if (Set("QT_QPA_PLATFORM") || Set("DISPLAY") || Set("WAYLAND_DISPLAY")) return std::nullopt;
  return "no display: set DISPLAY (or WAYLAND_DISPLAY), or run with QT_QPA_PLATFORM=offscreen";
#else
  return std::nullopt;
#endif
}

void EndQuietlyOnPlatformFailure() {
  qInstallMessageHandler(&OnQtMessage);
}

void PlatformStarted() {
  qInstallMessageHandler(nullptr);
  for (const QString& line : KeptBack()) std::fprintf(stderr, "%s\n", qPrintable(line));
  KeptBack().clear();
}

}  // namespace ombrex
