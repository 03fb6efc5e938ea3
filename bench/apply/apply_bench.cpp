// One key changed and applied while the keyboard's macro memory is full, on
// the virtual keyboard daemon at 1 ms a reply.
//
//   build/release/bench/apply_bench
//
// The keyboard holds five macros filling nearly all of its 32640 bytes and
// the program has read it, as after every arrival. Each iteration changes
// key A of the active profile and applies. Three ways to send:
//   BM_OneKeyFullSequence    everything, nothing read back (how Apply sent)
//   BM_OneKeyFullVerified    everything, every chunk read back
//   BM_OneKeyDelta           only what the keyboard does not hold, read back
//   BM_OneKeyDeltaFromANewProcess  the same by a process that knows nothing
//                            of the keyboard yet (ombrexctl write)
// Counters per Apply: "packets" as the daemon's trace counts them (one line
// per packet received) and "ms" (median wall time of the download).

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/support/daemon_link.h"
#include "device/command_set.h"
#include "model/key_entry.h"
#include "model/keyboard_sync.h"
#include "model/workspace.h"
#include "platform/prompter.h"
#include "platform/settings_store.h"
#include "resources/texts.h"

namespace ombrex {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kKeyA = 0x1E;

std::size_t LinesOf(const std::filesystem::path& file) {
  std::ifstream in(file);
  return static_cast<std::size_t>(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

KeyEntry SingleKey(std::uint32_t code) {
  KeyEntry entry;
  entry.kind = static_cast<std::uint16_t>(AssignKind::SingleKey);
  entry.value = code;
  return entry;
}

void OneKeyChange(benchmark::State& state, DownloadOptions options, bool newProcess = false) {
  const std::filesystem::path trace = std::filesystem::temp_directory_path() /
                                      ("ombrex-apply-bench-" + std::to_string(getpid()) + ".trace");
  bench::DaemonLink daemon({"--latency-ms", "1", "--trace", trace.string()});
  DeviceLink* link = daemon.Link();
  if (link == nullptr) {
    state.SkipWithError("the daemon's keyboard never arrived");
    return;
  }
  CommandSet& commands = link->Commands();
  std::unique_ptr<SettingsStore> settings = OpenSettingsIn(daemon.Folder() / "config");
  Texts texts(bench::ProgramFolder(), *settings, 0x0409);
  SilentPrompter prompter;
  Workspace workspace(daemon.Folder());
  KeyboardSync sync(workspace, commands, texts, prompter);

  // A full macro memory, sent once; then read as an arrival reads it.
  workspace.CreateDefaultImage({}, 0, true);
  std::vector<MacroRecord> list(5);
  for (std::uint16_t i = 0; i < 5; ++i) {
    list[i].id = i + 1;
    list[i].cycles = 1;
    list[i].SetName(u"macro");
    list[i].count = 1500;
    for (std::size_t a = 0; a < 1500; ++a) list[i].actions[a] = {10, 0x01E, std::uint16_t(a % 2)};
    list[i].fresh = 1;
  }
  workspace.ApplyMacroList(list);
  KeyTableBytes table{};
  if (commands.ReadDefaultKeyTable(table) == result::kOk) link->DefaultTable().Replace(table);
  if (sync.CommitImage(true) != result::kOk) {
    state.SkipWithError("the macros could not be sent");
    return;
  }
  commands.Content().ForgetAll();
  const auto file = daemon.Folder() / "read.fwc";
  if (sync.BuildImageFromKeyboard(file) != result::kOk ||
      workspace.LoadImageFile(file) != ImageResult::kOk) {
    state.SkipWithError("the keyboard could not be read");
    return;
  }

  sync.SetDownloadOptions(options);
  std::vector<double> millis;
  std::vector<double> packets;
  std::uint32_t key = 0x30;
  for (auto _ : state) {
    key = key == 0x30 ? 0x2E : 0x30;  // B and C in turn: always a change
    workspace.StoreEntry(0, kKeyA, SingleKey(key));
    // A process that starts now, as ombrexctl does, knows nothing of the keyboard.
    if (newProcess) commands.Content().ForgetAll();
    const std::size_t before = LinesOf(trace);
    const auto start = Clock::now();
    const DeviceResult result = sync.CommitImage(false);
    millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    packets.push_back(double(LinesOf(trace) - before));
    if (result != result::kOk) {
      state.SkipWithError("the Apply failed");
      break;
    }
  }
  std::filesystem::remove(trace);
  state.counters["packets"] = Median(packets);
  state.counters["ms"] = Median(millis);
  state.counters["messages"] = double(sync.MessagesShown());
}

void BM_OneKeyFullSequence(benchmark::State& state) {
  OneKeyChange(state, {.delta = false, .verify = false});
}
void BM_OneKeyFullVerified(benchmark::State& state) {
  OneKeyChange(state, {.delta = false, .verify = true});
}
void BM_OneKeyDelta(benchmark::State& state) {
  OneKeyChange(state, {.delta = true, .verify = true});
}
void BM_OneKeyDeltaFromANewProcess(benchmark::State& state) {
  OneKeyChange(state, {.delta = true, .verify = true}, true);
}
BENCHMARK(BM_OneKeyFullSequence)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneKeyFullVerified)->Iterations(5)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneKeyDelta)->Iterations(20)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OneKeyDeltaFromANewProcess)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ombrex
