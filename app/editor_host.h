#pragma once

// The main window's side of the key assignment editor and the profile
// manager dialog. The window decides what a click asks for; an EditorHost
// runs the dialogs (DialogEditorHost, app/editor_dialogs.h). TracingEditorHost
// only writes what it was asked for to the trace and opens nothing.

#include <string>

#include "device/profile_number.h"

namespace ombrex {

class TraceLog;

// What a click on a key, a G key or the Macro button asks the editor for.
struct KeyEditRequest {
  int layer = 0;
  int slot = 0;
  int controlId = 0;
  // Opened by the Macro button: the macro page of G9 only.
  bool macroEntry = false;
  // The keyboard's profile as read at the click; edits go to this profile.
  ProfileNumber profile = 0;
  // The clicked button (0..113 as the key grid numbers them).
  int button = -1;
  friend bool operator==(const KeyEditRequest&, const KeyEditRequest&) = default;
};

std::string Describe(const KeyEditRequest& request);

class EditorHost {
 public:
  virtual ~EditorHost() = default;
  // Runs the key assignment editor on one key, as a modal run: 1 OK, 0
  // Cancel, -1 when it did not open.
  virtual int RunKeyEditor(const KeyEditRequest& request) = 0;
  // The profile manager dialog (the Profiles button).
  virtual void RunProfileManager() = 0;
  // Closes whichever editor dialog is open, without applying.
  virtual void CloseEditors() = 0;
  // The key assignment editor is open (profile switches are refused then).
  virtual bool EditorOpen() const = 0;
  // The language message, relayed to open dialogs.
  virtual void SetLanguage(int languageIndex) = 0;
};

// What the editor dialogs need of the main window.
class EditorWindow {
 public:
  virtual ~EditorWindow() = default;
  // While the editor runs, the clicked key shows its hover face.
  virtual void HighlightKey(int button, bool on) = 0;
  virtual void OpenHelp() = 0;
};

class TracingEditorHost final : public EditorHost {
 public:
  explicit TracingEditorHost(TraceLog& trace) : trace_(trace) {}

  int RunKeyEditor(const KeyEditRequest& request) override;
  void RunProfileManager() override;
  void CloseEditors() override;
  bool EditorOpen() const override { return false; }
  void SetLanguage(int languageIndex) override;

 private:
  TraceLog& trace_;
};

}  // namespace ombrex
