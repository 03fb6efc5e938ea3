// A slider burst: the user drags the brightness slider back and forth, 200
// changes 2 ms apart, against a keyboard that answers each packet after 1 ms.
//
//   build/release/bench/lighting_bench
//
// BM_SliderBurstThroughWriter: the program's way, every change handed to the
// lighting writer; BM_SliderBurstsOfAnyLengthThroughWriter the same with
// 150..250 changes a burst. BM_SliderBurstOneTransferEach: every change sent as its
// own begin / write / end on the caller's thread, as a change was sent
// before the writer existed. Counters per burst: transfers (begin...end
// sequences) and packets sent; the time from the last change until the
// keyboard holds it (median and 95th percentile over the bursts, ms); the
// longest a single change kept its caller (ms), which is how long the window
// would not answer.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <optional>
#include <random>
#include <thread>
#include <variant>
#include <vector>

#include "device/app_state.h"
#include "device/command_set.h"
#include "device/device_link.h"
#include "device/service_library.h"
#include "model/lighting_writer.h"
#include "razizid/in_process.h"
#include "vkbd/keyboard.h"

namespace ombrex {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kChanges = 200;
constexpr auto kApart = std::chrono::milliseconds(2);
constexpr std::size_t kBrightness = 1;

double Millis(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const auto at = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(at, values.size() - 1)];
}

// The in-process keyboard at 1 ms a packet, counting what reaches it.
class SlowKeyboard {
 public:
  SlowKeyboard() : library_(keyboard_, Faults()), bound_(BindServiceLibrary(library_.Functions())) {
    keyboard_.SetCommandHook([this](const vkbd::Packet& request) {
      ++packets_;
      if (request[protocol::kCommandAt] == std::uint8_t(protocol::Command::BeginTransfer)) {
        ++transfers_;
      }
    });
    if (!std::holds_alternative<ServiceLibrary>(bound_)) return;
    link_.emplace(std::get<ServiceLibrary>(bound_), state_);
    link_->RegisterReplyRead();
  }
  ~SlowKeyboard() { keyboard_.SetCommandHook({}); }

  CommandSet* Commands() { return link_ ? &link_->Commands() : nullptr; }
  std::uint8_t Brightness() const { return keyboard_.Snapshot().settings[kBrightness]; }
  long Packets() const { return packets_; }
  long Transfers() const { return transfers_; }

 private:
  static vkbd::FaultOptions Faults() {
    vkbd::FaultOptions faults;
    faults.latencyMs = 1;
    return faults;
  }

  vkbd::Keyboard keyboard_;
  razizid::InProcessLibrary library_;
  ServiceLibraryResult bound_;
  AppState state_;
  std::optional<DeviceLink> link_;
  std::atomic<long> packets_{0};
  std::atomic<long> transfers_{0};
};

// Brightness 0..4 and back, ending on a value the keyboard did not hold.
std::uint8_t ValueOf(int change) {
  const int phase = change % 8;
  return static_cast<std::uint8_t>(phase <= 4 ? phase : 8 - phase);
}

// How many changes each burst has. Fixed, every burst's last change meets
// the writer at the same point of its cycle; bursts of random lengths
// (seeded, the same every run) spread that point over the whole cycle.
class BurstLengths {
 public:
  explicit BurstLengths(bool vary) : vary_(vary) {}
  int Next() { return vary_ ? std::uniform_int_distribution<int>(150, 250)(random_) : kChanges; }

 private:
  bool vary_;
  std::mt19937 random_{23};
};

template <typename SendChange, typename Settle>
void RunBursts(benchmark::State& state, SlowKeyboard& keyboard, SendChange send, Settle settle,
               BurstLengths lengths = BurstLengths(false)) {
  std::vector<double> lags;
  double longestCall = 0;
  const long packetsBefore = keyboard.Packets();
  const long transfersBefore = keyboard.Transfers();
  for (auto _ : state) {
    const Clock::time_point start = Clock::now();
    std::uint8_t last = 0;
    Clock::time_point lastChange;
    const int changes = lengths.Next();
    for (int i = 0; i < changes; ++i) {
      std::this_thread::sleep_until(start + i * kApart);
      last = ValueOf(i);
      // When the change was asked for: a caller held up by the previous one
      // asks late, and that lateness is the user's wait too.
      lastChange = start + i * kApart;
      const Clock::time_point called = Clock::now();
      send(last);
      longestCall = std::max(longestCall, Millis(Clock::now() - called));
    }
    settle();
    lags.push_back(Millis(Clock::now() - lastChange));
    if (keyboard.Brightness() != last) {
      state.SkipWithError("the keyboard does not hold the last change");
      return;
    }
  }
  const double bursts = static_cast<double>(state.iterations());
  state.counters["transfers_per_burst"] =
      static_cast<double>(keyboard.Transfers() - transfersBefore) / bursts;
  state.counters["packets_per_burst"] =
      static_cast<double>(keyboard.Packets() - packetsBefore) / bursts;
  state.counters["lag_median_ms"] = Percentile(lags, 0.5);
  state.counters["lag_p95_ms"] = Percentile(lags, 0.95);
  state.counters["longest_call_ms"] = longestCall;
}

void BM_SliderBurstThroughWriter(benchmark::State& state) {
  SlowKeyboard keyboard;
  if (keyboard.Commands() == nullptr) return state.SkipWithError("the library did not start");
  LightingWriter writer(*keyboard.Commands());
  RunBursts(
      state, keyboard,
      [&](std::uint8_t value) {
        writer.WriteSettings(kBrightness, std::span<const std::uint8_t>(&value, 1));
      },
      // Flush returns once the batch holding the last value was committed.
      [&] { writer.Flush(); });
}
BENCHMARK(BM_SliderBurstThroughWriter)
    ->Iterations(20)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_SliderBurstsOfAnyLengthThroughWriter(benchmark::State& state) {
  SlowKeyboard keyboard;
  if (keyboard.Commands() == nullptr) return state.SkipWithError("the library did not start");
  LightingWriter writer(*keyboard.Commands());
  RunBursts(
      state, keyboard,
      [&](std::uint8_t value) {
        writer.WriteSettings(kBrightness, std::span<const std::uint8_t>(&value, 1));
      },
      [&] { writer.Flush(); }, BurstLengths(true));
}
BENCHMARK(BM_SliderBurstsOfAnyLengthThroughWriter)
    ->Iterations(60)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_SliderBurstOneTransferEach(benchmark::State& state) {
  SlowKeyboard keyboard;
  CommandSet* commands = keyboard.Commands();
  if (commands == nullptr) return state.SkipWithError("the library did not start");
  RunBursts(
      state, keyboard,
      [&](std::uint8_t value) {
        auto session = commands->Session();
        commands->BeginTransfer();
        commands->WriteSettings(std::span<const std::uint8_t>(&value, 1), kBrightness);
        commands->EndTransfer();
      },
      [] {});
}
BENCHMARK(BM_SliderBurstOneTransferEach)
    ->Iterations(3)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ombrex
