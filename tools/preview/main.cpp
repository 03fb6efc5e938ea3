// ombrex-preview: lays out every skinned window from the skin files beside the
// program and saves screenshots, so a skin can be checked without a keyboard
// or a display.
//
//   ombrex-preview OUTPUT_FOLDER [--program-folder DIR] [--scales 1,2] [--languages en,zh]
//                  [--strict]
//
// Writes <language>-<scale>x-<window>.png for the main window (key view and the
// lighting view of several modes), the key assignment editor on each page and
// in its macro-only look, and the profile manager; prints every control that
// leaves its window or overlaps another. Exit status: 0 done, 1 a picture or
// the output folder is missing, 2 usage, 3 layout problems found with --strict.

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QStringList>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "platform/paths.h"
#include "tools/preview/editor_previews.h"
#include "tools/preview/macro_previews.h"
#include "tools/preview/main_window_preview.h"
#include "tools/preview/preview_texts.h"
#include "widgets/qt_text.h"
#include "widgets/skin_pictures.h"

namespace ombrex::preview {
namespace {

struct Options {
  std::filesystem::path output;
  std::filesystem::path programFolder;
  std::vector<qreal> scales{1.0, 2.0};
  std::vector<int> languages{1, 0};
  bool strict = false;
};

int Usage() {
  std::fprintf(stderr,
               "usage: ombrex-preview OUTPUT_FOLDER [--program-folder DIR] [--scales 1,2] "
               "[--languages en,zh] [--strict]\n");
  return 2;
}

std::optional<Options> ParseOptions(const QStringList& args) {
  Options options;
  options.programFolder = ProgramFolder();
  for (int i = 1; i < args.size(); ++i) {
    const QString& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == QLatin1String("--program-folder") && hasValue) {
      options.programFolder = args[++i].toStdString();
    } else if (arg == QLatin1String("--scales") && hasValue) {
      options.scales.clear();
      for (const QString& scale : args[++i].split(',')) {
        const double value = scale.toDouble();
        if (value < 1.0 || value > 4.0) return std::nullopt;
        options.scales.push_back(value);
      }
    } else if (arg == QLatin1String("--languages") && hasValue) {
      options.languages.clear();
      for (const QString& language : args[++i].split(',')) {
        if (language != QLatin1String("en") && language != QLatin1String("zh")) return std::nullopt;
        options.languages.push_back(language == QLatin1String("en") ? 1 : 0);
      }
    } else if (arg == QLatin1String("--strict")) {
      options.strict = true;
    } else if (!arg.startsWith(QLatin1String("--")) && options.output.empty()) {
      options.output = arg.toStdString();
    } else {
      return std::nullopt;
    }
  }
  if (options.output.empty()) return std::nullopt;
  return options;
}

// The window as the screen would show it: drawn at `scale`, with everything
// outside its shape transparent.
QImage Snapshot(CBaseDialog& dialog, qreal scale) {
  dialog.show();
  QApplication::processEvents();
  // A focus frame on whichever control came first would only distract.
  if (QWidget* focused = QApplication::focusWidget()) focused->clearFocus();
  QImage image(dialog.size() * scale, QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(scale);
  image.fill(Qt::transparent);
  dialog.render(&image);
  if (!dialog.WindowRegion().isEmpty()) {
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setClipRegion(QRegion(dialog.rect()).subtracted(dialog.WindowRegion()));
    painter.fillRect(dialog.rect(), Qt::transparent);
  }
  return image;
}

using Builder = std::function<std::unique_ptr<PreviewWindow>(SkinPictures&, const PreviewTexts&)>;

std::vector<Builder> Windows() {
  std::vector<Builder> builders;
  builders.push_back([](auto& p, auto& t) { return BuildMainWindow(p, t, {false, 1}); });
  builders.push_back([](auto& p, auto& t) { return BuildMainWindow(p, t, {false, 1, true}); });
  for (int mode : {1, 2, 6, 12, 17, 18, 19, 20}) {
    builders.push_back([mode](auto& p, auto& t) { return BuildMainWindow(p, t, {true, mode}); });
  }
  for (CompositePage page : {CompositePage::Key, CompositePage::Media, CompositePage::Function}) {
    builders.push_back([page](auto& p, auto& t) { return BuildComposite(p, t, page); });
  }
  builders.push_back([](auto& p, auto& t) { return BuildMacroOnly(p, t); });
  for (MacroPageState state : {MacroPageState::Rows, MacroPageState::Recording,
                               MacroPageState::NearlyFull, MacroPageState::Over}) {
    builders.push_back([state](auto& p, auto& t) { return BuildMacroPage(p, t, state); });
  }
  builders.push_back([](auto& p, auto& t) { return BuildProfileManager(p, t); });
  return builders;
}

int Run(const Options& options) {
  std::error_code error;
  std::filesystem::create_directories(options.output, error);
  if (!std::filesystem::is_directory(options.output)) {
    std::fprintf(stderr, "cannot create %s\n", options.output.c_str());
    return 1;
  }
  int problems = 0;
  for (qreal scale : options.scales) {
    if (auto problem = CheckPictures(options.programFolder)) {
      std::fprintf(stderr, "%s %s\n", problem->file.c_str(), problem->reason.c_str());
      return 1;
    }
    SkinPictures pictures(options.programFolder, scale);
    for (int language : options.languages) {
      const PreviewTexts texts(options.programFolder, language);
      for (const Builder& build : Windows()) {
        std::unique_ptr<PreviewWindow> preview = build(pictures, texts);
        const QImage image = Snapshot(preview->Dialog(), scale);
        const QString file =
            QStringLiteral("%1-%2x-%3.png").arg(texts.Tag()).arg(scale).arg(preview->Name());
        const std::filesystem::path path = options.output / file.toStdString();
        if (!image.save(PathToQString(path), "PNG")) {
          std::fprintf(stderr, "cannot write %s\n", path.c_str());
          return 1;
        }
        if (scale == options.scales.front() && language == options.languages.front()) {
          for (const QString& problem :
               preview->Problems({QStringLiteral("CONTROL_MASK"), QStringLiteral("FLIP_0")})) {
            std::fprintf(stderr, "%s\n", qPrintable(problem));
            ++problems;
          }
        }
        std::printf("%s\n", path.c_str());
      }
    }
  }
  std::fprintf(stderr, "%d layout problem(s)\n", problems);
  return options.strict && problems > 0 ? 3 : 0;
}

}  // namespace
}  // namespace ombrex::preview

int main(int argc, char** argv) {
  // Screenshots need no display.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  const auto options = ombrex::preview::ParseOptions(QApplication::arguments());
  if (!options) return ombrex::preview::Usage();
  return ombrex::preview::Run(*options);
}
