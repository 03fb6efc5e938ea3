// ombrex-headless: the program with every part but its window. It starts as
// the program does (options, single instance, companion, the link to the
// keyboard, the watcher, the ready point), answers the window messages, and
// writes one line to standard output for everything the window would show or
// do. SIGTERM or SIGINT exit as the tray's Exit does.
//
//   ombrex-headless [--instance NAME] [--events PREFIX] [--profile-folder DIR]
//                   [--trace] [/Start] [/Kill]
//
// It always writes its lines; --trace is accepted so scripts can start it
// like the program.

#include <pthread.h>
#include <signal.h>

#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "app/application.h"
#include "app/developer_options.h"
#include "app/headless_window.h"
#include "app/ui_loop.h"
#include "device/window_link.h"
#include "platform/settings_store.h"

int main(int argc, char** argv) {
  // Before any thread exists, so that only the waiter below takes them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGUSR1);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  ombrex::ApplicationConfig config = ombrex::ApplicationConfig::ForThisProgram();
  const std::vector<std::string> all(argv + 1, argv + argc);
  if (const auto answer = ombrex::InformationRequested(all, ombrex::OptionSet::Headless)) {
    std::cout << *answer << std::flush;
    return 0;
  }
  const ombrex::ParsedOptions parsed =
      ombrex::ParseDeveloperOptions(all, config, ombrex::OptionSet::Headless);
  if (!parsed.ok) {
    std::cerr << "ombrex-headless: unknown option " << parsed.error << "\n"
              << ombrex::DeveloperUsage("ombrex-headless", ombrex::OptionSet::Headless) << "\n";
    return 2;
  }
  const std::vector<std::string>& arguments = parsed.options.programArguments;

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
