// The service library's side: arbitrary reports and device counts from a
// backend, requests made and cancelled in between, and arbitrary frames from
// the daemon's socket through the virtual backend's stream parsing.
//
// Seeds: with OMBREX_FUZZ_WRITE_SEEDS=FOLDER the harness writes inputs made of
// what the virtual keyboard really sends: its replies, event reports and bank
// LED reports for the backend's side, and the frames its daemon pushes to a
// library for the socket's side.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "device/command_packet.h"
#include "device/razizid_wire.h"
#include "device/vkbd_wire.h"
#include "razizid/core.h"
#include "razizid/virtual_backend.h"
#include "tests/fuzz/device/fuzz_input.h"
#include "vkbd/keyboard.h"
#include "vkbd/service.h"

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

using Seed = std::vector<std::uint8_t>;

void Write(const std::filesystem::path& file, const Seed& seed) {
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(seed.data()), static_cast<std::streamsize>(seed.size()));
}

std::vector<std::uint8_t> Request(protocol::Command command, std::uint8_t count,
                                  std::uint16_t address) {
  const CommandPacket packet = CommandPacket::Request(command, count, address);
  return {packet.Bytes().begin(), packet.Bytes().end()};
}

// The operation byte FuzzCore reads as step `step` on interface `index`.
std::uint8_t Op(unsigned index, unsigned step) {
  const unsigned base = index << 6;
  return static_cast<std::uint8_t>(base + (step + 5 - base % 5) % 5);
}

// The backend's side: a read request on each interface, then what the
// keyboard sends there.
Seed BackendSession(vkbd::Keyboard& keyboard) {
  Seed seed{0};
  const auto report = [&seed](unsigned index, std::span<const std::uint8_t> bytes) {
    seed.push_back(Op(index, 2));
    seed.push_back(static_cast<std::uint8_t>(bytes.size()));
    seed.insert(seed.end(), bytes.begin(), bytes.end());
  };
  for (unsigned i = 0; i < 3; ++i) seed.insert(seed.end(), {Op(i, 0), 1, 0, 0, 0});
  for (const protocol::Command command :
       {protocol::Command::BeginTransfer, protocol::Command::ReadStatusBlock,
        protocol::Command::ReadKeyTable, protocol::Command::EndTransfer}) {
    report(0, keyboard.HandleCommand(Request(command, 56, 0)));
  }
  report(1, keyboard.RaiseEvent(protocol::kEventBankKey));
  report(1, keyboard.RaiseEvent(protocol::kEventProfileChanged));
  report(2, std::vector<std::uint8_t>{0x01, 0x02});
  seed.insert(seed.end(), {Op(0, 3), 0, 0, 0, Op(0, 3), 1, 1, 1});  // unplugged, plugged again
  seed.push_back(Op(0, 1));                                         // a request cancelled
  return seed;
}

// The socket's side: everything the daemon sends a library during a short
// session, frame after frame.
class StreamSink : public vkbd::FrameSink {
 public:
  void Send(vkbd::ClientId client, std::vector<std::uint8_t> frame) override {
    if (client == kLibrary) stream.insert(stream.end(), frame.begin(), frame.end());
  }
  static constexpr vkbd::ClientId kLibrary = 1;
  Seed stream{1};
};

Seed DaemonSession(vkbd::Keyboard& keyboard) {
  using vkbd_wire::Type;
  StreamSink sink;
  vkbd::Service service(keyboard, sink, {});
  const auto now = vkbd::SteadyClock::now();
  const auto send = [&](vkbd::ClientId client, Type type, std::vector<std::uint8_t> payload) {
    service.Receive(client, {type, std::move(payload)}, now);
  };
  service.Connect(StreamSink::kLibrary);
  service.Connect(2);
  send(StreamSink::kLibrary, Type::Hello, {0});
  send(2, Type::Hello, {1});
  send(StreamSink::kLibrary, Type::GetDeviceCount, {});
  for (const protocol::Command command :
       {protocol::Command::BeginTransfer, protocol::Command::ReadStatusBlock,
        protocol::Command::EndTransfer}) {
    std::vector<std::uint8_t> payload;
    vkbd_wire::PutU16(payload, protocol::kControl.usagePage);
    vkbd_wire::PutU16(payload, protocol::kControl.usage);
    const auto packet = Request(command, 56, 0);
    payload.insert(payload.end(), packet.begin(), packet.end());
    send(StreamSink::kLibrary, Type::WriteReport, payload);
  }
  send(2, Type::Event, {0x01, 0x04});
  send(2, Type::Unplug, {});
  send(2, Type::Plug, {});
  service.RunDue(now + std::chrono::seconds(1));
  return sink.stream;
}

void WriteSeeds(const std::filesystem::path& folder) {
  vkbd::Keyboard backendKeyboard;
  Write(folder / "seed-backend-session", BackendSession(backendKeyboard));
  vkbd::Keyboard daemonKeyboard;
  Write(folder / "seed-daemon-session", DaemonSession(daemonKeyboard));
}

}  // namespace
}  // namespace ombrex::razizid

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* folder = std::getenv("OMBREX_FUZZ_WRITE_SEEDS")) {
    ombrex::razizid::WriteSeeds(folder);
    std::exit(0);
  }
  return 0;
}

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
