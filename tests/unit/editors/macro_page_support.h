#pragma once

// The macro page on a working image of its own, with scripted answers, a
// clock the test moves, and key events built as the X server delivers them.

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "device/app_state.h"
#include "editors/macro_page.h"
#include "model/app_settings.h"
#include "model/workspace.h"
#include "platform/key_messages.h"
#include "tests/support/core/small_texts.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_prompter.h"
#include "tests/support/temp_dir.h"

namespace ombrex::test {

inline constexpr std::string_view kMacroTexts =
    "IDS_MACRO_NEW_PREFIX=\"Macro \"\n"
    "IDS_MACRO_ERR_MAX=At most %d macros.\n"
    "IDS_MACRO_ACTION_ERR_DELAY_MAX=At most %d ms.\n"
    "IDS_MACRO_ACTION_ERR_MODIFY=Not editable.\n"
    "IDS_MACRO_ACTION_CLEAR_CONFIRM=Delete every action?\n"
    "IDS_KEY_MACRO_DELETE_CONFIRM_OF_KEYS=Keys play this macro. Delete?\n"
    "IDS_MACRO_ACTION_RECORD_DELAY=MacroRecordDelay\n"
    "IDS_MACRO_MEMORY_NO_ROOM=No room for another macro.\n"
    "IDS_MACRO_RECORD_MEMORY_FULL=Memory full, recording stopped.\n"
    "IDS_MACRO_RECORD_ACTIONS_FULL=At most %d actions, recording stopped.\n";

// Evdev codes and keysyms of the keys the tests type.
struct TestKey {
  std::uint32_t evdev;
  std::uint32_t keysym;
};
inline constexpr TestKey kKeyA{30, 'a'};
inline constexpr TestKey kKeyB{48, 'b'};
inline constexpr TestKey kKeyC{46, 'c'};
inline constexpr TestKey kPrintScreen{99, 0xff61};
inline constexpr TestKey kMute{113, 0x1008ff12};
inline constexpr TestKey kLeftSuper{125, 0xffeb};

inline TimedKeyMessage KeyEvent(TestKey key, KeyTransition transition,
                                std::optional<std::uint32_t> stamp = std::nullopt) {
  return {KeyMessageFromXkb(key.evdev + 8, key.keysym, transition), stamp};
}
inline TimedKeyMessage Press(TestKey key, std::optional<std::uint32_t> stamp = std::nullopt) {
  return KeyEvent(key, {}, stamp);
}
inline TimedKeyMessage Repeat(TestKey key) {
  return KeyEvent(key, {.repeat = true});
}
inline TimedKeyMessage Release(TestKey key, std::optional<std::uint32_t> stamp = std::nullopt) {
  return KeyEvent(key, {.release = true}, stamp);
}

// A row as the action list shows it: key, press or release, delay.
struct Row {
  KeyCode key;
  std::uint16_t state;
  std::uint32_t delay;
  friend bool operator==(const Row&, const Row&) = default;
};
inline std::vector<Row> RowsOf(std::span<const MacroAction> actions) {
  std::vector<Row> rows;
  for (const MacroAction& a : actions) rows.push_back({a.key, a.state, a.delay});
  return rows;
}
std::ostream& operator<<(std::ostream& out, const Row& row);

MacroRecord MakeMacro(std::uint16_t id, std::u16string_view name, std::vector<MacroAction> actions,
                      std::uint8_t cycles = 1);

class MacroPageRig {
 public:
  MacroPageRig();

  // Puts `macros` in the working list as if a file had been loaded.
  void SetWorkingMacros(std::vector<MacroRecord> macros);
  std::vector<std::u16string> Names() const;
  void SetCapacity(unsigned bytes) { state.macroCapacity.store(bytes); }

  TempDir dir;
  SmallTexts texts;
  RecordingPrompter prompter;
  AppState state;
  Workspace workspace;
  AppSettings settings;
  FakeClock clock;
  MacroPage page;
  int dirtyMarks = 0;
};

}  // namespace ombrex::test
