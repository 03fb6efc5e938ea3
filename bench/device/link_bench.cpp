// Host overhead of one command-packet round trip, and how close a long
// transfer through the daemon comes to the keyboard's own pace.
//
//   build/release/bench/device_link_bench
//
// BM_TransactInProcess: Transact through the service library's core against
// the in-process keyboard model without latency: the cost the host adds to
// every packet (round trips per second, median microseconds per trip).
//
// BM_ReadEverythingThroughDaemon: starts ombrex-vkbd from the program folder
// on a private socket with --latency-ms 1 and reads the four key tables and a
// full macro memory; "ratio" is the time taken over packets x 1 ms.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <variant>
#include <vector>

#include "bench/support/daemon_link.h"
#include "device/device_link.h"
#include "device/results.h"
#include "razizid/in_process.h"
#include "vkbd/keyboard.h"

namespace ombrex {
namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// A link through the real library core to an in-process keyboard, ready for
// transactions.
class LinkOnModel {
 public:
  explicit LinkOnModel(vkbd::FaultOptions faults = {})
      : library_(keyboard_, faults), bound_(BindServiceLibrary(library_.Functions())) {
    if (!std::holds_alternative<ServiceLibrary>(bound_)) return;
    link_.emplace(std::get<ServiceLibrary>(bound_), appState_);
    link_->RegisterReplyRead();
  }
  // Nullptr when the library did not start.
  DeviceLink* Link() { return link_ ? &*link_ : nullptr; }

 private:
  vkbd::Keyboard keyboard_;
  razizid::InProcessLibrary library_;
  ServiceLibraryResult bound_;
  AppState appState_;
  std::optional<DeviceLink> link_;
};

const PacketBytes kStatusRequest =
    CommandPacket::Request(protocol::Command::ReadStatusBlock, 0x2C, 0).Bytes();

void BM_TransactInProcess(benchmark::State& state) {
  LinkOnModel model;
  DeviceLink* link = model.Link();
  if (link == nullptr) {
    state.SkipWithError("the in-process library did not start");
    return;
  }
  const PacketBytes& request = kStatusRequest;
  PacketBytes reply{};
  std::vector<double> micros;
  micros.reserve(1 << 20);
  for (auto _ : state) {
    std::uint32_t received = 0;
    const auto start = Clock::now();
    const DeviceResult result = link->Transactions().Transact(request, reply, received);
    micros.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    if (result != result::kOk) {
      state.SkipWithError("a transaction failed");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.counters["round_trips_per_s"] =
      benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["median_us"] = Median(micros);
}
BENCHMARK(BM_TransactInProcess)->MinTime(2.0)->UseRealTime();

// The same 1 ms per reply, but from the in-process model: what the library
// and the link add to the keyboard's own pace, without the daemon's share.
void BM_PacketInProcessWithLatency(benchmark::State& state) {
  vkbd::FaultOptions faults;
  faults.latencyMs = 1;
  LinkOnModel model(faults);
  DeviceLink* link = model.Link();
  if (link == nullptr) {
    state.SkipWithError("the in-process library did not start");
    return;
  }
  const PacketBytes& request = kStatusRequest;
  PacketBytes reply{};
  std::vector<double> millis;
  for (auto _ : state) {
    std::uint32_t received = 0;
    const auto start = Clock::now();
    link->Transactions().Transact(request, reply, received);
    millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  state.counters["median_ms"] = Median(millis);
}
BENCHMARK(BM_PacketInProcessWithLatency)
    ->Iterations(300)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The daemon with 1 ms per reply, and a device link to it through the
// library's virtual backend.
class DaemonLink : public bench::DaemonLink {
 public:
  DaemonLink() : bench::DaemonLink({"--latency-ms", "1"}) {}
};

void BM_PacketThroughDaemon(benchmark::State& state) {
  DaemonLink daemonLink;
  DeviceLink* link = daemonLink.Link();
  if (link == nullptr) {
    state.SkipWithError("the daemon's keyboard never arrived");
    return;
  }
  const PacketBytes request =
      CommandPacket::Request(protocol::Command::ReadStatusBlock, 0x2C, 0).Bytes();
  PacketBytes reply{};
  std::vector<double> millis;
  for (auto _ : state) {
    std::uint32_t received = 0;
    const auto start = Clock::now();
    link->Transactions().Transact(request, reply, received);
    millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  state.counters["median_ms"] = Median(millis);
}
BENCHMARK(BM_PacketThroughDaemon)->Iterations(300)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_ReadEverythingThroughDaemon(benchmark::State& state) {
  DaemonLink daemonLink;
  DeviceLink* link = daemonLink.Link();
  if (link == nullptr) {
    state.SkipWithError("the daemon's keyboard never arrived");
    return;
  }

  constexpr std::size_t kPackets = 4 * 4 + (protocol::kMaxMacroCapacity + 55) / 56;  // 599
  std::vector<std::uint8_t> macros(protocol::kMaxMacroCapacity);
  std::array<std::uint8_t, protocol::kKeyTableSize> table{};
  std::vector<double> ratios;
  for (auto _ : state) {
    const auto start = Clock::now();
    bool ok = true;
    for (const ProfileNumber profile : ProfileNumber::All()) {
      ok &= link->Commands().ReadKeyTable(table, profile) == result::kOk;
    }
    ok &= link->Commands().ReadMacroMemory(macros) == result::kOk;
    const double ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
    if (!ok) {
      state.SkipWithError("a read failed");
      break;
    }
    ratios.push_back(ms / double(kPackets));
  }
  state.counters["packets"] = double(kPackets);
  state.counters["ratio"] = Median(ratios);
}
BENCHMARK(BM_ReadEverythingThroughDaemon)
    ->Iterations(5)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace ombrex
