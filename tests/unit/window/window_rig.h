#pragma once

// The Qt program in the test's own process: the core on an in-process
// virtual keyboard, the real main window laid out from a program folder's
// skins (the build's own unless told otherwise), offscreen.
//
//   WindowRig rig;
//   ASSERT_TRUE(rig.Start({"/Start"}));         // until the ready point
//   rig.Window().Button(1058)->click();
//   ASSERT_TRUE(rig.RunUntilLine("show"));

#include <QObject>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/application.h"
#include "app/trace_log.h"
#include "app/vantrel_dlg.h"
#include "platform/settings_store.h"
#include "razizid/in_process.h"
#include "tests/support/temp_dir.h"
#include "vkbd/keyboard.h"
#include "widgets/skin_pictures.h"

namespace ombrex::test {

std::filesystem::path BuiltProgramFolder();
// $OMBREX_SCREENSHOT_DIR, else the build's "screenshots" folder.
std::filesystem::path ScreenshotFolder();

class WindowRig {
 public:
  explicit WindowRig(std::filesystem::path programFolder = BuiltProgramFolder(),
                     bool plugged = true);
  ~WindowRig();

  // Construct, lay out, initialise, attach, and run until the ready point.
  bool Start(const std::vector<std::string>& args = {"/Start"});
  // The window's loop until `done` holds (a limit only against a hang).
  bool RunUntil(const std::function<bool()>& done);
  bool RunUntilLine(const std::string& line, std::size_t count = 1);
  // Runs what is queued now, and what that queues, until nothing is left.
  void Settle();

  CVantrelDlg& Window() { return *window_; }
  Application& App() { return *app_; }
  TraceLog& Trace() { return trace_; }
  vkbd::Keyboard& Keyboard() { return keyboard_; }
  razizid::InProcessLibrary& Library() { return library_; }
  std::size_t IndexOf(const std::string& line) const;
  std::string Errors() const { return errors_.str(); }
  // The window's picture as the screen shows it, saved as `name`.png.
  void SaveScreenshot(const std::string& name);
  // Runs `steps` on the next dialog of type T that is shown, once it runs
  // (the click that opens a modal dialog returns only after it has closed).
  template <typename T>
  void WhenShown(std::function<void(T&)> steps) {
    WhenWindowShown([steps = std::move(steps)](QWidget& window) {
      T* dialog = qobject_cast<T*>(&window);
      if (dialog != nullptr) steps(*dialog);
      return dialog != nullptr;
    });
  }

 private:
  void WhenWindowShown(std::function<bool(QWidget&)> steps);

  static inline int next_ = 0;
  TempDir home_;
  vkbd::Keyboard keyboard_;
  razizid::InProcessLibrary library_;
  std::unique_ptr<SettingsStore> store_;
  std::ostringstream errors_;
  std::unique_ptr<Application> app_;
  std::unique_ptr<SkinPictures> pictures_;
  TraceLog trace_;
  std::unique_ptr<CVantrelDlg> window_;
  bool started_ = false;
  std::unique_ptr<QObject> showWatch_;
};

}  // namespace ombrex::test
