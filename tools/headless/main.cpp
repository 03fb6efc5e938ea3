// ombrex-headless: the program with every part but its window. It starts as
// the program does (options, single instance, companion, the link to the
// keyboard, the watcher, the ready point), answers the window messages, and
// writes one line to standard output for everything the window would show or
// do. SIGTERM or SIGINT exit as the tray's Exit does.
//
//   ombrex-headless [--instance NAME] [--events PREFIX] [--profile-folder DIR]
//                   [/Start] [/Kill]

#include <pthread.h>
#include <signal.h>

#include <cstring>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/headless_window.h"
#include "app/ui_loop.h"
#include "device/window_link.h"
#include "platform/settings_store.h"

namespace {

using ombrex::ApplicationConfig;

// Developer options first; everything else goes to the program's own options.
bool ParseArguments(int argc, char** argv, ApplicationConfig& config,
                    std::vector<std::string>& programArguments) {
  for (int i = 1; i < argc; ++i) {
    const std::string argument = argv[i];
    const bool hasValue = i + 1 < argc;
    if (argument == "--instance" && hasValue) {
      config.instanceName = argv[++i];
    } else if (argument == "--events" && hasValue) {
      config.eventPrefix = argv[++i];
    } else if (argument == "--profile-folder" && hasValue) {
      config.profileFolder = argv[++i];
    } else if (argument.rfind("--", 0) == 0) {
      std::cerr << "ombrex-headless: unknown option " << argument << "\n"
                << "usage: ombrex-headless [--instance NAME] [--events PREFIX] "
                   "[--profile-folder DIR] [/Start] [/Kill]\n";
      return false;
    } else {
      programArguments.push_back(argument);
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Before any thread exists, so that only the waiter below takes them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  ApplicationConfig config = ApplicationConfig::ForThisProgram();
  std::vector<std::string> arguments;
  if (!ParseArguments(argc, argv, config, arguments)) return 2;

  std::unique_ptr<ombrex::SettingsStore> settings = ombrex::OpenUserSettings();
  ombrex::Application app(config, *settings, std::cerr);
  ombrex::StartOutcome outcome = app.Construct(arguments);
  if (!outcome.proceed) {
    std::cout << "headless: delivered to the running copy" << std::endl;
    return outcome.exitCode;
  }
  ombrex::UiLoop loop(app.Run());
  ombrex::HeadlessWindow window(loop, &std::cout);
  window.SetApplication(app);
  outcome = app.Initialise(window, window);
  if (!outcome.proceed) return outcome.exitCode;

  // SIGUSR1 only ends the waiter when the program ends by other means.
  std::thread waiter([&] {
    int received = 0;
    sigwait(&signals, &received);
    if (received != SIGUSR1) {
      window.Post(ombrex::window_message::kKill, ombrex::window_message::kKillTag, 0);
    }
  });
  loop.Run();
  pthread_kill(waiter.native_handle(), SIGUSR1);
  waiter.join();
  app.Finish();
  std::cout << "headless: ended" << std::endl;
  return 0;
}
