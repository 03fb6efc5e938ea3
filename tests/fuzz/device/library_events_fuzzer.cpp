// The service library's side: arbitrary reports and device counts from a
// backend, requests made and cancelled in between, and arbitrary frames from
// the daemon's socket through the virtual backend's stream parsing.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "device/razizid_wire.h"
#include "device/vkbd_wire.h"
#include "razizid/core.h"
#include "razizid/virtual_backend.h"
#include "tests/fuzz/device/fuzz_input.h"

namespace ombrex::razizid {
namespace {

class ScriptedBackend : public Backend {
 public:
  bool Start(BackendSink& sink) override {
    sink_ = &sink;
    return true;
  }
  void Stop() override { sink_ = nullptr; }
  DeviceCounts Counts() override { return counts_; }
  int Write(protocol::Interface, std::span<const std::uint8_t> report, bool) override {
    return static_cast<int>(report.size());
  }
  BackendSink* sink_ = nullptr;
  DeviceCounts counts_ = DeviceCounts::All(1);
};

std::atomic<int> badRecords{0};
int RAZIZID_CALL Check(const RazIzidEvent* event) {
  if (event->kind == RAZIZID_EVENT_DATA) {
    volatile std::uint8_t sum = 0;
    for (std::uint32_t i = 0; i < event->count; ++i) sum = std::uint8_t(sum + event->data[i]);
  } else if (event->kind != RAZIZID_EVENT_DEVICE_COUNT || event->data != nullptr) {
    ++badRecords;
  }
  return 1;
}

constexpr protocol::Interface kInterfaces[] = {
    protocol::kControl, protocol::kConsumer, protocol::kBankLed, {0x1234, 0x0001}};

class NullSink : public BackendSink {
 public:
  void OnReport(protocol::Interface, std::span<const std::uint8_t> report) override {
    volatile std::uint8_t sum = 0;
    for (std::uint8_t byte : report) sum = std::uint8_t(sum + byte);
  }
  void OnDevicesChanged(const DeviceCounts&) override {}
};

void FuzzCore(fuzz::Input& in) {
  ScriptedBackend backend;
  Core core(backend);
  core.Init(0);
  std::vector<std::uint32_t> units;
  for (int step = 0; step < 24 && !in.Empty(); ++step) {
    const std::uint8_t op = in.Byte();
    const protocol::Interface on = kInterfaces[op >> 6];
    switch (op % 5) {
      case 0:
        if (units.size() < 4) {
          const RazIzidSelector selector = MakeSelector(on);
          std::uint32_t unit = 0;
          const std::uint32_t tag = in.U32();
          core.RequestAsyncRead(&selector, &Check, tag, Verification(selector, &Check, tag), &unit);
          if (unit != 0) units.push_back(unit);
        }
        break;
      case 1:
        if (!units.empty()) {
          core.DeleteRequestFromUnitId(units.back());
          units.pop_back();
        }
        break;
      case 2:
        backend.sink_->OnReport(on, in.Bytes(in.Byte()));
        break;
      case 3: {
        const DeviceCounts counts{in.Byte() % 3, in.Byte() % 3, in.Byte() % 3};
        backend.counts_ = counts;
        backend.sink_->OnDevicesChanged(counts);
        break;
      }
      default: {
        // A request with whatever selector and verification the input says.
        RazIzidSelector selector{};
        const auto bytes = in.Bytes(16);
        std::copy(bytes.begin(), bytes.end(), selector.bytes);
        const auto data = in.Bytes(in.Byte() % 70);
        core.RequestWriteOne(&selector, nullptr, 0, data.data(),
                             static_cast<std::uint32_t>(data.size()), in.U32(), nullptr);
        break;
      }
    }
  }
  core.End();
}

void FuzzDaemonStream(fuzz::Input& in) {
  // No daemon listens at this path: frames come only from the input.
  NullSink sink;
  VirtualBackend backend("/nonexistent/ombrex-fuzz.sock", std::chrono::hours(1));
  backend.Start(sink);
  std::vector<std::uint8_t> stream = in.Bytes(4096);
  bool broken = false;
  while (auto frame = vkbd_wire::TakeFrame(stream, broken)) backend.HandleFrame(*frame);
  backend.Stop();
}

}  // namespace
}  // namespace ombrex::razizid

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ombrex::fuzz::Input in(data, size);
  if (in.Byte() & 1) {
    ombrex::razizid::FuzzDaemonStream(in);
  } else {
    ombrex::razizid::FuzzCore(in);
  }
  if (ombrex::razizid::badRecords != 0) std::abort();
  return 0;
}
