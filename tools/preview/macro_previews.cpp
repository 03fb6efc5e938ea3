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
#include "tools/preview/language_texts.h"

namespace ombrex::preview {
namespace {

class SilentPrompter final : public Prompter {
 public:
  void ShowMessage(std::u16string_view, bool) override {}
  Answer AskYesNo(std::u16string_view) override { return Answer::No; }
  std::optional<std::filesystem::path> ChooseOpenFile(const FileDialogOptions&) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> ChooseSaveFile(const FileDialogOptions&) override {
    return std::nullopt;
  }
};

// A clock that stands still: the recording preview feeds its own pauses.
class StillClock final : public MonotonicClock {
 public:
  std::chrono::steady_clock::time_point Now() const override { return {}; }
};

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

// Everything the real page needs, kept as long as the dialog that shows it.
class MacroPageModel : public QObject {
 public:
  MacroPageModel(CBaseDialog& dialog, const PreviewTexts& texts)
      : QObject(&dialog),
        texts_(texts.ProgramFolder(), texts.LanguageIndex()),
        workspace_(texts_.Scratch() / "profiles"),
        settings_(texts_.Store(), texts_.Get(), texts_.Scratch() / "profiles"),
        page_(workspace_, settings_, state_, texts_.Get(), prompter_, clock_) {
    workspace_.CreateDefaultImage({}, 0, true);
    workspace_.Working()->ReplaceMacros(SampleMacros());
    // The keyboard's own macro memory: 255 units of 128 bytes.
    state_.macroCapacity.store(255 * 128);
    panel_ = std::make_unique<MacroPagePanel>(dialog, page_, texts_.Get());
    page_.Load();
  }
  ~MacroPageModel() override { panel_.reset(); }

  MacroPage& Page() { return page_; }
  MacroPagePanel& Panel() { return *panel_; }
  AppState& State() { return state_; }

 private:
  LanguageTexts texts_;
  SilentPrompter prompter_;
  StillClock clock_;
  AppState state_;
  Workspace workspace_;
  AppSettings settings_;
  MacroPage page_;
  std::unique_ptr<MacroPagePanel> panel_;
};

constexpr std::array<std::u16string_view, 15> kMockedControls{
    u"FUNC_MACRO_LIST",          u"FUNC_MACRO_ADD",          u"FUNC_MACRO_DELETE",
    u"FUNC_MACRO_CYCLES_PROMPT", u"FUNC_MACRO_CYCLES",       u"FUNC_MACRO_LIST2",
    u"FUNC_MACRO_RECORD",        u"FUNC_MACRO_DELETE2",      u"FUNC_MACRO_CLEAR",
    u"FUNC_MACRO_UP_TOP",        u"FUNC_MACRO_UP",           u"FUNC_MACRO_DOWN",
    u"FUNC_MACRO_DOWN_BOTTOM",   u"FUNC_MACRO_RECORD_DELAY", u"FUNC_MACRO_RECORD_DELAY2"};

struct Adopted {
  std::u16string_view key;
  int control;
};
constexpr std::array<Adopted, 16> kPanelControls{{
    {u"FUNC_MACRO_LIST", macro_control::kNames},
    {u"FUNC_MACRO_ADD", macro_control::kAdd},
    {u"FUNC_MACRO_DELETE", macro_control::kDelete},
    {u"FUNC_MACRO_CYCLES_PROMPT", macro_control::kCyclesCaption},
    {u"FUNC_MACRO_CYCLES", macro_control::kCycles},
    {u"FUNC_MACRO_LIST2", macro_control::kActions},
    {u"FUNC_MACRO_RECORD", macro_control::kRecord},
    {u"FUNC_MACRO_DELETE2", macro_control::kDeleteAction},
    {u"FUNC_MACRO_CLEAR", macro_control::kClearActions},
    {u"FUNC_MACRO_UP_TOP", macro_control::kMoveTop},
    {u"FUNC_MACRO_UP", macro_control::kMoveUp},
    {u"FUNC_MACRO_DOWN", macro_control::kMoveDown},
    {u"FUNC_MACRO_DOWN_BOTTOM", macro_control::kMoveBottom},
    {u"FUNC_MACRO_RECORD_DELAY", macro_control::kRecordDelay},
    {u"FUNC_MACRO_RECORD_DELAY2", macro_control::kRecordDelayCaption},
    {kMemoryGaugeSkinKey, macro_control::kMemoryGauge},
}};

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

std::unique_ptr<PreviewDialog> BuildMacroPage(SkinPictures& pictures, const PreviewTexts& texts,
                                              MacroPageState state) {
  std::unique_ptr<PreviewDialog> preview =
      BuildComposite(pictures, texts, CompositePage::Macro, false);
  for (const std::u16string_view key : kMockedControls) preview->Show(key, false);
  auto* model = new MacroPageModel(preview->Dialog(), texts);
  MacroPage& page = model->Page();
  switch (state) {
    case MacroPageState::Rows:
      page.ShowForKey(1);
      page.SelectRow(1);
      break;
    case MacroPageState::Recording:
      page.ShowForKey(2);
      page.SelectRow(1);
      if (!page.RecordsRealDelays()) page.ToggleRecordDelay();
      RecordSample(page);
      break;
    case MacroPageState::NearlyFull:
      // S0 = 16 + 6 + 36 + 20 + 12 = 90 bytes; the names add 52 more.
      model->State().macroCapacity.store(96);
      page.ShowForKey(3);
      break;
    case MacroPageState::Over:
      model->State().macroCapacity.store(84);
      page.ShowForKey(1);
      break;
  }
  model->Panel().SetVisible(true);
  for (const Adopted& control : kPanelControls) {
    preview->Adopt(control.key, *model->Panel().Control(control.control));
  }
  preview->SetName(QString::fromLatin1(NameOf(state)));
  return preview;
}

}  // namespace ombrex::preview
