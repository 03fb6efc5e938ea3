#pragma once

// What the application's core asks of its main window. The Qt window
// implements it; the headless program and the tests implement it with
// recorders. Every call comes on the window's own thread.

#include "editors/profile_switcher.h"
#include "model/key_buttons.h"

namespace ombrex {

class Prompter;
class TraceLog;

class MainWindowView : public ProfileSwitchHost, public PendingChanges {
 public:
  // The Apply button, for the profile switching and the key grid alike.
  void SetPendingChanges(bool pending) override = 0;
  // Open: a taskbar button, shown normally, brought to the front.
  virtual void ShowMainWindow() = 0;
  virtual void HideMainWindow() = 0;
  virtual void CreateTrayIcon() = 0;
  virtual void RemoveTrayIcon() = 0;
  // Closes whichever of the about box, the profile manager and the key
  // assignment editor is open.
  virtual void CloseDialogs() = 0;
  // The keyboard went away: the dialogs close and the focus moves to the
  // lighting controls.
  virtual void CloseEditors() = 0;
  // The rest of the refresh after the keyboard was read into the working
  // image: profile buttons, lighting.
  virtual void RefreshAfterDeviceChange() = 0;
  // The G-key buttons of the bank now shown.
  virtual void RefreshGKeyStates() = 0;
  // Ends the window's main loop; the program then ends.
  virtual void EndMainLoop() = 0;

  virtual Prompter& Prompts() = 0;
  virtual KeyButtons& Buttons() = 0;
  // Where the window and the stand-ins of its unfinished parts say what
  // they did.
  virtual TraceLog& Trace() = 0;
};

}  // namespace ombrex
