#include "app/display_check.h"

#include <unistd.h>
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

void OnQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type != QtFatalMsg) {
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
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

}  // namespace ombrex
