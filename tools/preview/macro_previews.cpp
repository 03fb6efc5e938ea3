#include "tools/preview/macro_previews.h"

#include <QObject>
#include <array>

#include "device/app_state.h"
#include "editors/macro_page.h"
#include "editors/views/macro_page_panel.h"
#include "model/app_settings.h"
#include "model/workspace.h"
#include "platform/prompter.h"
#include "tools/preview/editor_previews.h"
#include "tools/preview/editor_stage.h"

namespace ombrex::preview {
namespace {

constexpr int kKeyA = 1058;
constexpr int kSlotA = 30;

MacroRecord Macro(std::uint16_t id, std::u16string_view name,
                  std::initializer_list<MacroAction> actions, std::uint8_t cycles = 1) {
  MacroRecord record;
  record.id = id;
  record.cycles = cycles;
  record.SetName(name);
  record.count = static_cast<std::uint16_t>(actions.size());
  std::copy(actions.begin(), actions.end(), record.actions.begin());
  return record;
}

std::vector<MacroRecord> SampleMacros() {
  return {Macro(1, u"Copy and paste",
                {{40, 0x01D, 0},
                 {60, 0x02E, 0},
                 {40, 0x02E, 1},
                 {200, 0x01D, 1},
                 {40, 0x01D, 0},
                 {60, 0x02F, 0},
                 {40, 0x02F, 1},
                 {0, 0x01D, 1}},
                2),
          Macro(2, u"gg", {{50, 0x022, 0}, {50, 0x022, 1}, {50, 0x022, 0}, {0, 0x022, 1}}),
          Macro(3, u"Screenshot", {{2, 0x137, 0}, {0, 0x137, 1}})};
}

const char* NameOf(MacroPageState state) {
  switch (state) {
    case MacroPageState::Rows:
      return "composite-macro-rows";
    case MacroPageState::Recording:
      return "composite-macro-recording";
    case MacroPageState::NearlyFull:
      return "composite-macro-nearly-full";
    case MacroPageState::Over:
      break;
  }
  return "composite-macro-over";
}

// A recording of "Hi!" typed with Shift, fed as the X server would.
void RecordSample(MacroPage& page) {
  page.ToggleRecording();
  constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 4> keys{
      {{42, 0xffe1}, {35, 'H'}, {23, 'I'}, {2, '!'}}};
  std::uint32_t stamp = 1000;
  for (const auto& [evdev, keysym] : keys) {
    page.TakeKey({KeyMessageFromXkb(evdev + 8, keysym, {}), stamp += 90});
  }
  for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
    page.TakeKey({KeyMessageFromXkb(it->first + 8, it->second, {.release = true}), stamp += 60});
  }
}

}  // namespace

std::unique_ptr<PreviewWindow> BuildMacroPage(SkinPictures& pictures, const PreviewTexts& texts,
                                              MacroPageState state) {
  // The shown macro is the one key A plays.
  const std::uint32_t shown = state == MacroPageState::Recording    ? 2
                              : state == MacroPageState::NearlyFull ? 3
                                                                    : 1;
  // S0 of the sample = 16 + 6 + 36 + 20 + 12 = 90 bytes; the names add 52 more.
  // Nearly full leaves the names out; over does not fit even without them;
  // else the keyboard's usual macro memory of 255 units of 128 bytes.
  const unsigned capacity = state == MacroPageState::NearlyFull ? 96
                            : state == MacroPageState::Over     ? 84
                                                                : 255 * 128;
  const auto open = [shown, capacity](EditorStage& stage) {
    stage.GetWorkspace().Working()->ReplaceMacros(SampleMacros());
    KeyEntry entry;
    entry.kind = static_cast<std::uint16_t>(AssignKind::Macro);
    entry.value = shown;
    entry.aux = 1;
    stage.GetWorkspace().StoreEntry(0, kSlotA, entry);
    stage.State().macroCapacity.store(capacity);
    stage.Editor().Open(kKeyA, 0, ProfileNumber(0));
  };
  const auto act = [state](EditorStage& stage) {
    MacroPage& page = stage.Editor().Macros();
    switch (state) {
      case MacroPageState::Rows:
        page.SelectRow(1);
        break;
      case MacroPageState::Recording:
        page.SelectRow(1);
        if (!page.RecordsRealDelays()) page.ToggleRecordDelay();
        RecordSample(page);
        break;
      case MacroPageState::NearlyFull:
      case MacroPageState::Over:
        break;
    }
  };
  return BuildEditorDialog(pictures, texts, QString::fromLatin1(NameOf(state)), open, act);
}

}  // namespace ombrex::preview
