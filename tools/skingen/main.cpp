// ombrex-skingen --skins <folder of the skin sources> --out <Skins folder>
//                --icons <Icons folder> [--stamp <file>]
//
// Draws every picture the skin files name, from the layouts in the skin
// files, so a change of a layout redraws the pictures. Runs on the offscreen
// platform at build time; the same inputs always give the same bytes.

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <cstdio>

#include "tools/skingen/canvas.h"
#include "tools/skingen/dialog_art.h"
#include "tools/skingen/icon_art.h"
#include "tools/skingen/layout.h"
#include "tools/skingen/main_art.h"
#include "tools/skingen/user_modes.h"

namespace {

bool WriteStamp(const QString& path, int written) {
  QFile stamp(path);
  if (!stamp.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  return stamp.write(QByteArray::number(written) + " pictures\n") > 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QCommandLineParser parser;
  parser.addOptions({{"skins", "Folder of Main.ini, Composite.ini, Profile.ini.", "folder"},
                     {"out", "Folder the skin pictures are written to.", "folder"},
                     {"icons", "Folder the icons are written to.", "folder"},
                     {"stamp", "File written last, when everything succeeded.", "file"}});
  parser.process(app);
  if (!parser.isSet("skins") || !parser.isSet("out") || !parser.isSet("icons")) {
    std::fputs("usage: ombrex-skingen --skins <dir> --out <dir> --icons <dir> [--stamp <file>]\n",
               stderr);
    return 2;
  }
  const QDir skins(parser.value("skins"));
  const auto main = ombrex::skingen::Layout::Load(skins.filePath("Main.ini"));
  const auto composite = ombrex::skingen::Layout::Load(skins.filePath("Composite.ini"));
  const auto profile = ombrex::skingen::Layout::Load(skins.filePath("Profile.ini"));
  if (!main || !composite || !profile) return 1;

  ombrex::skingen::PictureWriter pictures(parser.value("out"));
  ombrex::skingen::WriteMainPictures(pictures, *main);
  ombrex::skingen::WriteCompositePictures(pictures, *composite);
  ombrex::skingen::WriteProfilePictures(pictures, *profile);
  ombrex::skingen::PictureWriter icons(parser.value("icons"));
  ombrex::skingen::WriteIcons(icons, pictures);
  if (pictures.Failures() + icons.Failures() > 0) return 1;
  if (!ombrex::skingen::WriteDefaultUserModes(parser.value("out"), *main)) return 1;
  const int written = pictures.Written() + icons.Written();
  if (parser.isSet("stamp") && !WriteStamp(parser.value("stamp"), written)) return 1;
  return 0;
}
