#include "tools/skingen/user_modes.h"

#include <QColor>
#include <QDir>
#include <QSaveFile>
#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <set>

#include "model/key_buttons_table.h"
#include "tools/assetkit/utf.h"

namespace ombrex::skingen {
namespace {

constexpr int kLeds = 64;
constexpr int kUserModes = 10;

struct KeyLight {
  QColor colour;
  bool followsBase = true;
};

struct UserMode {
  QString name;
  QColor userColour;
  QColor baseColour;
  int tool = 0;
  std::array<KeyLight, kLeds> leds;
};

QString Rgb(const QColor& c) {
  return QString("%1,%2,%3").arg(c.red()).arg(c.green()).arg(c.blue());
}

// Where each LED sits across the keyboard, from 0 (left) to 1 (right): the
// first key that carries it decides.
std::map<int, double> LedPositions(const Layout& layout) {
  std::map<int, double> positions;
  const QRectF all = layout.Bounds();
  for (const auto& button : kKeyButtons) {
    char key[16];
    std::snprintf(key, sizeof key, "KEY_%03X", button.slot);
    if (positions.count(button.led) > 0) continue;
    if (const auto r = layout.Place(key)) positions[button.led] = r->center().x() / all.width();
  }
  if (const auto fn = layout.Place("KEY_FN")) positions[kFnLed] = fn->center().x() / all.width();
  return positions;
}

UserMode PlainMode(const QString& name, const QColor& base) {
  UserMode mode{name, QColor(0x27, 0xd3, 0xf2), base, 0, {}};
  for (auto& led : mode.leds) led = {base, true};
  return mode;
}

// Movement and ability keys lit over a deep blue that follows the base.
UserMode GamingMode() {
  UserMode mode = PlainMode("Gaming", QColor(0, 40, 130));
  const int lit[] = {1, 10, 11, 12, 13, 17, 18, 19, 20, 21, 25, 26, 27, 28, 29, 33, 41, 46};
  for (int led : lit) mode.leds[led] = {mode.userColour, false};
  return mode;
}

UserMode RainbowMode(const std::map<int, double>& positions) {
  UserMode mode = PlainMode("Rainbow", Qt::white);
  for (const auto& [led, x] : positions) {
    mode.leds[led] = {QColor::fromHsv(static_cast<int>(x * 300) % 360, 255, 255), false};
  }
  return mode;
}

std::array<UserMode, kUserModes> DefaultModes(const Layout& layout) {
  std::array<UserMode, kUserModes> modes{GamingMode(), RainbowMode(LedPositions(layout)),
                                         PlainMode("Amber", QColor(255, 120, 0)),
                                         PlainMode("Arctic", QColor(160, 230, 255))};
  for (int i = 4; i < kUserModes; ++i)
    modes[i] = PlainMode(QString("Custom %1").arg(i + 1), Qt::white);
  return modes;
}

QString FileText(const std::array<UserMode, kUserModes>& modes) {
  QString text =
      "; Painted key colours of one profile, as the program starts with them.\n"
      "[PRESENTMODE]\nmode=0\n\n[MODENAME]\n";
  for (int i = 0; i < kUserModes; ++i) text += QString("%1=%2\n").arg(i).arg(modes[i].name);
  for (int i = 0; i < kUserModes; ++i) {
    const UserMode& m = modes[i];
    text += QString("\n[Mode%1]\ntool=%2\njcolor=%3\ncolor=%4\n")
                .arg(i)
                .arg(m.tool)
                .arg(Rgb(m.baseColour), Rgb(m.userColour));
    for (int led = 0; led < kLeds; ++led) {
      text += QString("%1=%2,%3\n")
                  .arg(led)
                  .arg(Rgb(m.leds[led].colour))
                  .arg(m.leds[led].followsBase ? 1 : 0);
    }
  }
  return text;
}

}  // namespace

bool WriteDefaultUserModes(const QString& folder, const Layout& mainLayout) {
  const std::string bytes =
      assetkit::EncodeUtf16LeWithBom(FileText(DefaultModes(mainLayout)).toStdU16String());
  for (int profile = 0; profile < 4; ++profile) {
    const QString path = QDir(folder).filePath(QString("UserDengColor_%1.userd").arg(profile));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.commit()) {
      std::fprintf(stderr, "ombrex-skingen: cannot write %s\n", qPrintable(path));
      return false;
    }
  }
  return true;
}

}  // namespace ombrex::skingen
