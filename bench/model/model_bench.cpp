// The model's hot paths: key conversions on the macro recorder's path (every
// key event) and the save and load of a full profile image. Conversions also
// report how many heap allocations one call makes; the goal is none.
//
//   build/<preset>/bench/model_bench

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <string>

#include "bench/model/allocation_counter.h"
#include "model/key_buttons_table.h"
#include "model/key_catalogue.h"
#include "model/key_grid.h"
#include "model/key_names.h"
#include "model/workspace.h"
#include "platform/settings_store.h"
#include "platform/text.h"
#include "resources/texts.h"

namespace {

using namespace ombrex;

std::filesystem::path ScratchFolder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "ombrex-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    return std::filesystem::path(pattern);
  }();
  return folder;
}

void WriteText(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << text;
}

// An English program folder with every key's name, as the program has.
const Texts& EnglishTexts() {
  static std::unique_ptr<SettingsStore> store;
  static std::unique_ptr<Texts> texts = [] {
    const std::filesystem::path folder = ScratchFolder() / "program";
    std::string lines =
        "[TEXT]\nUnknown Key: %03x=Unknown Key: %03x\nIDS_KEY_PROMPT_SET=, set to \n"
        "IDS_KEY_PROMPT_SINGLE=key (\n";
    for (std::size_t i = 0; i < kCatalogueSize; ++i) {
      const KeyRecord& record = CatalogueRecord(i);
      if (!record.textKey.empty()) {
        lines += Utf8FromUtf16(record.textKey) + "=" + Utf8FromUtf16(record.label) + "\n";
      }
    }
    WriteText(folder / "Lang0409.ini", lines);
    WriteText(folder / "Skins" / "language.ini", "[LANGUAGE]\nlanguage=1\n");
    store = OpenSettingsIn(ScratchFolder() / "config");
    return std::make_unique<Texts>(folder, *store, 0x0409);
  }();
  return *texts;
}

struct KeyEvent {
  std::uint8_t vk;
  std::uint32_t message;
};

// A typing mix: letters, an extended key, a keypad key with Num Lock off, a
// modifier and a key the VK alone would get wrong.
constexpr std::array<KeyEvent, 6> kEvents{{{0x41, 0x001E0001},
                                           {0x26, 0x01480001},
                                           {0x24, 0x00470001},
                                           {0xA1, 0x00360001},
                                           {0x0D, 0x011C0001},
                                           {0x20, 0x00390001}}};

void ReportAllocations(benchmark::State& state, long long before) {
  state.counters["allocs_per_call"] = benchmark::Counter(
      static_cast<double>(AllocationCount() - before), benchmark::Counter::kAvgIterations);
}

void BM_CodeFromKeyMessage(benchmark::State& state) {
  std::size_t i = 0;
  const long long before = AllocationCount();
  for (auto _ : state) {
    const KeyEvent& event = kEvents[i++ % kEvents.size()];
    benchmark::DoNotOptimize(CodeFromKeyMessage(event.vk, event.message));
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_CodeFromKeyMessage);

void BM_KeyName(benchmark::State& state) {
  const Texts& texts = EnglishTexts();
  const std::array<KeyCode, 4> codes{0x01E, 0x148, 0x15B, 0x045};
  std::array<char16_t, 64> buffer{};
  KeyName(texts, codes[0], buffer.data(), buffer.size());  // the file is cached from here on
  std::size_t i = 0;
  const long long before = AllocationCount();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        KeyName(texts, codes[i++ % codes.size()], buffer.data(), buffer.size()));
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_KeyName);

void BM_KeyNameInDecidedLanguage(benchmark::State& state) {
  const Texts& texts = EnglishTexts();
  const int language = texts.CurrentLanguageIndex();
  const std::array<KeyCode, 4> codes{0x01E, 0x148, 0x15B, 0x045};
  std::array<char16_t, 64> buffer{};
  std::size_t i = 0;
  const long long before = AllocationCount();
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        KeyName(texts, language, codes[i++ % codes.size()], buffer.data(), buffer.size()));
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_KeyNameInDecidedLanguage);

// What each key of a refresh costs once its view holds the table.
void BM_KeyNameFromHeldTable(benchmark::State& state) {
  const KeyNameTable names(EnglishTexts());
  const std::array<KeyCode, 4> codes{0x01E, 0x148, 0x15B, 0x045};
  std::array<char16_t, 64> buffer{};
  std::size_t i = 0;
  const long long before = AllocationCount();
  for (auto _ : state) {
    benchmark::DoNotOptimize(names.Name(codes[i++ % codes.size()], buffer.data(), buffer.size()));
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_KeyNameFromHeldTable);

void BM_KeyNameUnknown(benchmark::State& state) {
  const Texts& texts = EnglishTexts();
  std::array<char16_t, 64> buffer{};
  KeyName(texts, 0x064, buffer.data(), buffer.size());
  const long long before = AllocationCount();
  for (auto _ : state) {
    benchmark::DoNotOptimize(KeyName(texts, 0x064, buffer.data(), buffer.size()));
  }
  ReportAllocations(state, before);
}
BENCHMARK(BM_KeyNameUnknown);

// The key grid's refresh: a tooltip for each of the 104 keys and nine G keys,
// once with every entry at its default (names only) and once with every key
// assigned another key (two names and two prompts each).
class DiscardingButtons : public KeyButtons {
 public:
  void SetAssigned(int, bool) override {}
  void SetTooltip(int, std::u16string_view text) override { benchmark::DoNotOptimize(text.data()); }
  void SetColourFrame(int, std::optional<Rgb>) override {}
  void ApplyFlip() override {}
};

class NoPendingChanges : public PendingChanges {
 public:
  void SetPendingChanges(bool) override {}
};

void RefreshGrid(benchmark::State& state, bool assigned) {
  Workspace workspace(ScratchFolder());
  workspace.CreateDefaultImage({}, 0, true);
  if (assigned) {
    KeyEntry entry;
    entry.kind = static_cast<std::uint16_t>(AssignKind::SingleKey);
    entry.value = 0x030;
    for (int button = 0; button < kFnButton; ++button) {
      workspace.StoreEntry(0, SlotOfButton(button, 0), entry);
    }
  }
  DiscardingButtons buttons;
  NoPendingChanges changes;
  KeyGrid grid(workspace, EnglishTexts(), buttons, changes);
  grid.RefreshAllKeys(0, 0);
  const long long before = AllocationCount();
  for (auto _ : state) grid.RefreshAllKeys(0, 0);
  state.counters["allocs_per_refresh"] = benchmark::Counter(
      static_cast<double>(AllocationCount() - before), benchmark::Counter::kAvgIterations);
  state.counters["keys_per_s"] = benchmark::Counter(static_cast<double>(kFnButton),
                                                    benchmark::Counter::kIsIterationInvariantRate);
}

void BM_RefreshGridNames(benchmark::State& state) {
  RefreshGrid(state, false);
}
BENCHMARK(BM_RefreshGridNames)->Unit(benchmark::kMicrosecond);

void BM_RefreshGridAssigned(benchmark::State& state) {
  RefreshGrid(state, true);
}
BENCHMARK(BM_RefreshGridAssigned)->Unit(benchmark::kMicrosecond);

// 100 macros of 2000 actions and a text on every one of the 2048 entries.
void Fill(Workspace& w) {
  w.CreateDefaultImage({}, 0, true);
  const auto image = w.Working();
  std::vector<MacroRecord> macros(kMaxMacros);
  for (std::size_t m = 0; m < macros.size(); ++m) {
    macros[m].id = static_cast<std::uint16_t>(m + 1);
    macros[m].cycles = 1;
    macros[m].SetName(u"Macro " + DecimalText(static_cast<long long>(m + 1)));
    macros[m].count = kMaxMacroActions;
    for (std::size_t a = 0; a < kMaxMacroActions; ++a) {
      macros[m].actions[a] = {10, 0x01E, static_cast<std::uint16_t>(a % 2)};
    }
  }
  image->ReplaceMacros(std::move(macros));
  for (std::size_t i = 0; i < image::kEntryCount; ++i) {
    KeyEntry entry;
    entry.kind = static_cast<std::uint16_t>(AssignKind::LaunchProgram);
    image->SetEntry(i, entry);
    image->SetText(i, u"/usr/local/bin/program-" + DecimalText(static_cast<long long>(i)));
  }
}

Workspace& FullWorkspace() {
  static Workspace workspace(ScratchFolder());
  static const bool filled = (Fill(workspace), true);
  (void)filled;
  return workspace;
}

void BM_SaveFullImage(benchmark::State& state) {
  Workspace& workspace = FullWorkspace();
  const std::filesystem::path file = ScratchFolder() / "full.fwc";
  for (auto _ : state) {
    if (workspace.SaveImageFile(file) != ImageResult::kOk) state.SkipWithError("save failed");
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(file));
}
BENCHMARK(BM_SaveFullImage)->Unit(benchmark::kMillisecond);

void BM_LoadFullImage(benchmark::State& state) {
  const std::filesystem::path file = ScratchFolder() / "full.fwc";
  if (FullWorkspace().SaveImageFile(file) != ImageResult::kOk) state.SkipWithError("save failed");
  Workspace workspace(ScratchFolder());
  for (auto _ : state) {
    if (workspace.LoadImageFile(file) != ImageResult::kOk) state.SkipWithError("load failed");
  }
}
BENCHMARK(BM_LoadFullImage)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// A single text lookup and the language check, beside which a key name read
// from its table is measured above.
void BM_LookupTextInto(benchmark::State& state) {
  const Texts& texts = EnglishTexts();
  std::array<char16_t, 260> buffer{};
  texts.LookupTextInto(u"IDS_KEYBOARD_A", 1, buffer.data(), buffer.size());
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        texts.LookupTextInto(u"IDS_KEYBOARD_A", 1, buffer.data(), buffer.size()));
  }
}
BENCHMARK(BM_LookupTextInto);

void BM_CurrentLanguageIndex(benchmark::State& state) {
  const Texts& texts = EnglishTexts();
  for (auto _ : state) benchmark::DoNotOptimize(texts.CurrentLanguageIndex());
}
BENCHMARK(BM_CurrentLanguageIndex);

}  // namespace
