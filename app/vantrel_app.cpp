#include "app/vantrel_app.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>
#include <iostream>
#include <memory>

#include "app/application.h"
#include "app/desktop_identity.h"
#include "app/developer_options.h"
#include "app/display_check.h"
#include "app/exit_signals.h"
#include "app/memory_tuning.h"
#include "app/trace_log.h"
#include "app/vantrel_dlg.h"
#include "device/window_link.h"
#include "platform/settings_store.h"
#include "widgets/qt_text.h"
#include "widgets/skin_pictures.h"

namespace ombrex {

namespace msg = window_message;

namespace {

// Saves the window's picture as DIR/main-<scale>x.png, says where, and ends
// the program.
void TakeScreenshot(CVantrelDlg& window, const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  const QString scale = QString::number(window.devicePixelRatioF());
  const std::filesystem::path file = folder / ("main-" + scale.toStdString() + "x.png");
  if (window.GrabShaped().save(PathToQString(file), "PNG")) {
    std::cout << file.string() << std::endl;
  } else {
    std::cerr << "ombrex: cannot write " << file.string() << std::endl;
  }
  window.Link().Post(msg::kKill, msg::kKillTag, 0);
}

}  // namespace

int CVantrelApp::Run(int argc, char** argv) {
  ReturnLargeBlocksWhenFreed();
  ApplicationConfig config = ApplicationConfig::ForThisProgram();
  const std::vector<std::string> all(argv + 1, argv + argc);
  const ParsedOptions parsed = ParseDeveloperOptions(all, config, OptionSet::Window);
  if (!parsed.ok) {
    std::cerr << "ombrex: unknown option " << parsed.error << "\n"
              << DeveloperUsage("ombrex", OptionSet::Window) << std::endl;
    return 2;
  }
  const DeveloperOptions& options = parsed.options;

  std::unique_ptr<SettingsStore> settings = OpenUserSettings();
  Application app(config, *settings, std::cerr);
  // A second start hands its message to the running copy and ends here,
  // with or without a display.
  if (StartOutcome outcome = app.Construct(options.programArguments); !outcome.proceed) {
    return outcome.exitCode;
  }
  if (auto missing = MissingDisplay()) {
    std::cerr << "ombrex: " << *missing << std::endl;
    return 1;
  }
  EndQuietlyOnPlatformFailure();
  QApplication qt(argc, argv);
  PlatformStarted();
  IntroduceToDesktop();
  QApplication::setQuitOnLastWindowClosed(false);

  if (auto problem = CheckPictures(config.programFolder)) {
    std::cerr << "ombrex: " << problem->file.string() << " " << problem->reason << std::endl;
    return 1;
  }
  TraceLog trace(options.trace ? &std::cout : nullptr);
  SkinPictures pictures(config.programFolder, qt.devicePixelRatio());
  CVantrelDlg window(app, pictures, trace);
  if (auto problem = window.LayOut()) {
    std::cerr << "ombrex: " << problem->file.string() << " " << problem->reason << std::endl;
    return 1;
  }

  ExitSignals exitSignals;
  std::unique_ptr<QSocketNotifier> notifier;
  if (exitSignals.Install()) {
    notifier = std::make_unique<QSocketNotifier>(exitSignals.ReadEnd(), QSocketNotifier::Read);
    QObject::connect(notifier.get(), &QSocketNotifier::activated, &window, [&] {
      if (exitSignals.Take() != 0) window.Link().Post(msg::kKill, msg::kKillTag, 0);
    });
  }

  if (StartOutcome outcome = app.Initialise(window, window.Link()); !outcome.proceed) {
    return outcome.exitCode;
  }
  window.Attach();

  if (options.screenshotFolder) {
    // With a keyboard, once its contents are shown; without one, at the
    // ready point.
    auto shoot = [&window, folder = *options.screenshotFolder] {
      QTimer::singleShot(0, &window, [&window, folder] { TakeScreenshot(window, folder); });
    };
    if (app.KeyboardAtStart()) {
      QObject::connect(&window, &CVantrelDlg::keyboardRead, &window, shoot,
                       Qt::SingleShotConnection);
    } else {
      QObject::connect(&window, &CVantrelDlg::readyPointReached, &window, shoot,
                       Qt::SingleShotConnection);
    }
  }

  const int code = QApplication::exec();
  window.Link().LoopEnded();
  app.Finish();
  return code;
}

}  // namespace ombrex
