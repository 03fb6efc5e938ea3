#pragma once

// The key assignment editor's rules: which key it edits, the page it shows
// (single key, macro, media, shortcut function), the key it captured, and
// the entry that Apply stores. The Qt dialog only draws what this holds and
// forwards the user's actions; after each action it redraws from the
// getters.
//
//   KeyAssignmentEditor editor(parts);            // one for the program's life
//   if (!editor.Open(controlId, bank, profile)) return -1;   // not a key, or no profile
//   ... show the dialog; forward clicks:
//   editor.ClickTab(EditorPage::Media);
//   editor.ChooseMedia(5);
//   const KeyDisposition d = editor.CaptureKey(message);   // while Capturing()
//   editor.Ok();                                  // Apply, then Close
//
// Edits stay in the editor (and its macro page's copies) until Apply or OK
// puts them into the working image, for the profile read at opening; the
// keyboard gets them only with the main window's Apply. Cancel drops what
// was edited since the last Apply.
//
// Plain rules; everything runs on the UI thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "device/profile_number.h"
#include "editors/macro_page.h"
#include "model/key_catalogue.h"
#include "model/key_entry.h"
#include "platform/key_messages.h"

namespace ombrex {

class AppSettings;
class KeyGrid;
class MonotonicClock;
class PendingChanges;
class Prompter;
class Texts;
class Workspace;
struct AppState;

// The dialog's controls.
namespace composite_control {
inline constexpr int kOk = 1;
inline constexpr int kCancel = 2;
inline constexpr int kApply = 1015;
inline constexpr int kTabKey = 1028;
inline constexpr int kTabMacro = 1029;
inline constexpr int kTabMedia = 1030;
inline constexpr int kTabFunction = 1031;
inline constexpr int kClear = 1032;
inline constexpr int kPageMask = 1033;
inline constexpr int kKeyField = 1127;
inline constexpr int kMediaList = 1128;
inline constexpr int kFunctionList = 1129;
inline constexpr int kTitle = 1131;
inline constexpr int kOnScreenKeyboard = 1132;
inline constexpr int kKeyboardCaption = 1134;
inline constexpr int kMouseCaption = 1135;
inline constexpr int kRadioKeyboard = 1185;
inline constexpr int kRadioMouse = 1186;
inline constexpr int kMouseList = 1187;
inline constexpr int kHeading = 1199;
inline constexpr int kMacroLabel = 1200;
inline constexpr int kKeyLabel = 1201;
inline constexpr int kMediaLabel = 1202;
inline constexpr int kFunctionLabel = 1203;
// The Macro button passes the ninth G key's id and opens the macro page only.
inline constexpr int kMacroOnly = 1143;
}  // namespace composite_control

enum class EditorPage { Key, Macro, Media, Function };

// The editor's messages: a key the keyboard does not have, and a captured
// key the keyboard cannot send (a format with one "%s", the key's name).
inline constexpr std::u16string_view kKeyNotOnKeyboard = u"IDS_KEY_NOT_ON_KEYBOARD";
inline constexpr std::u16string_view kKeyNotSendable = u"IDS_KEY_NOT_SENDABLE";

// The mouse action list, with the key code each entry stores.
struct MouseAction {
  std::u16string_view text;
  KeyCode code;
};
inline constexpr std::array<MouseAction, 5> kMouseActions{{
    {u"Left Button", 0x171},
    {u"Right Button", 0x172},
    {u"Middle Button", 0x173},
    {u"Roll Up", 0x161},
    {u"Roll Down", 0x162},
}};

// A control's text as the language message sets it: the text of `key`, or
// an empty text when `key` is empty.
struct ControlText {
  int controlId;
  std::u16string_view key;
};
// The texts of the dialog's own controls (the macro page sets its own).
std::span<const ControlText> EditorControlTexts(bool macroOnly);

// Places on one screen, in that screen's coordinates; right and bottom are
// one past the last pixel.
struct ScreenRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};
struct ScreenPoint {
  int x = 0;
  int y = 0;
  friend bool operator==(const ScreenPoint&, const ScreenPoint&) = default;
};

// Where the dialog of `width` x `height` goes on `screen` (the screen that
// shows the key): centred when `centred`; otherwise beside the key's button
// `key`, the first that fits of right-below, right-above, left-below,
// left-above, else right-below.
ScreenPoint PlaceEditor(ScreenRect screen, ScreenRect key, int width, int height, bool centred);

// What the editor works with, owned by the application.
struct KeyEditorParts {
  Workspace& workspace;
  KeyGrid& grid;
  AppSettings& settings;
  const AppState& state;
  const Texts& texts;
  Prompter& prompter;
  PendingChanges& changes;
  const MonotonicClock& clock;
  // The G-key bank the key grid shows now.
  std::function<int()> bank;
};

class KeyAssignmentEditor {
 public:
  explicit KeyAssignmentEditor(KeyEditorParts parts);
  KeyAssignmentEditor(const KeyAssignmentEditor&) = delete;
  KeyAssignmentEditor& operator=(const KeyAssignmentEditor&) = delete;

  // ---- Opening
  // For a click on one of the nine G keys (of `bank`), one of the 104 keys,
  // or the Macro button (kMacroOnly). False, and nothing opens, for any other
  // control or while the profile is not known: the edit would have nowhere
  // to go. The entry is read from `profile`, and Apply stores into it.
  bool Open(int controlId, int bank, std::optional<ProfileNumber> profile);
  bool IsOpen() const { return openCount_ > 0; }

  int ControlId() const { return controlId_; }
  // The key grid's button (0..112) the editor edits.
  int Button() const { return button_; }
  int Slot() const { return slot_; }
  ProfileNumber Profile() const { return profile_; }
  bool MacroOnly() const { return macroOnly_; }
  // Whether the keyboard has this key. An assignment to a key it lacks could
  // not be sent: Apply refuses it with a message (Default stays possible).
  bool Available() const { return available_; }

  // ---- What the dialog shows
  EditorPage Page() const;
  // The kind Apply is about to store.
  AssignKind Kind() const { return kind_; }
  bool TabEnabled(EditorPage tab) const { return !macroOnly_ || tab == EditorPage::Macro; }
  bool ClearEnabled() const { return !macroOnly_; }
  // Exactly while the single-key page is shown keys are captured.
  bool Capturing() const { return IsOpen() && Page() == EditorPage::Key; }
  bool KeyboardChecked() const { return keyboardChecked_; }  // 1185; else 1186
  KeyCode CapturedKey() const { return captured_; }
  // The captured key's name; empty while none is captured.
  std::u16string KeyFieldText() const;
  std::size_t MouseChoice() const { return mouseChoice_; }
  std::size_t MediaChoice() const { return mediaChoice_; }
  std::size_t FunctionChoice() const { return functionChoice_; }
  bool Dirty() const { return dirty_; }  // Apply is enabled exactly then

  // ---- The user's actions
  // Tabs 1028..1031. A tab of the page shown (the key tab also while the
  // kind is Default) does nothing; one that switches enables Apply.
  void ClickTab(EditorPage tab);
  // Clear 1032: the single-key page with nothing captured, which stores the
  // key's default.
  void Clear();
  void CheckKeyboard();  // 1185
  void CheckMouse();     // 1186
  void ChooseMouse(std::size_t index);
  void ChooseMedia(std::size_t index);
  void ChooseFunction(std::size_t index);
  // A key typed into the dialog while Capturing(): media keys and keys
  // without a code pass, every other key is swallowed; with 1185 checked a
  // first press (Print Screen also on its release) is captured.
  KeyDisposition CaptureKey(const KeyMessage& key);

  // ---- Closing
  // Stores the entry (see EntryToStore) and hands the macro page's copies to
  // the working list; the key's button and every tooltip follow.
  void Apply();
  void Ok();
  void Cancel();

  // The entry Apply would store now; nullopt when the key's entry stays as
  // it is (a kind this editor does not make, and nothing was changed).
  std::optional<KeyEntry> EntryToStore() const;

  MacroPage& Macros() { return macros_; }
  const MacroPage& Macros() const { return macros_; }
  // Called when an edit of the macro page enables Apply (the editor's own
  // actions are followed by the caller's redraw anyway).
  void SetDirtyListener(std::function<void()> listener) { dirtyListener_ = std::move(listener); }

 private:
  void Initialise(const KeyEntry& entry);
  void SwitchPage(AssignKind kind, bool withInitialValues);
  void SwitchByTab(AssignKind kind);
  void ShowKeyPage(bool withInitialValues);
  void CaptureCode(KeyCode code);
  void Close();

  KeyEditorParts parts_;
  MacroPage macros_;
  std::function<void()> dirtyListener_;

  int openCount_ = 0;
  int controlId_ = 0;
  int button_ = -1;
  int slot_ = 0;
  ProfileNumber profile_ = 0;
  bool macroOnly_ = false;
  bool available_ = true;
  AssignKind kind_ = AssignKind::Default;
  AssignKind initialKind_ = AssignKind::Default;
  std::uint32_t initialValue_ = 0;
  // The key's entry as it was, while it is of a kind this editor does not
  // make and the user has not changed the assignment yet.
  std::optional<KeyEntry> keptEntry_;
  KeyCode captured_ = 0;
  bool keyboardChecked_ = true;
  std::size_t mouseChoice_ = 0;
  std::size_t mediaChoice_ = 0;
  std::size_t functionChoice_ = 0;
  bool dirty_ = false;
};

}  // namespace ombrex
