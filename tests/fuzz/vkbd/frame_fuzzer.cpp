// Arbitrary bytes on a client's socket: the frame decoder takes them in
// pieces of fuzzer-chosen sizes, and every frame it yields goes to the
// daemon's request handling, as the socket server does.

#include <chrono>
#include <cstdlib>

#include "device/vkbd_wire.h"
#include "vkbd/keyboard.h"
#include "vkbd/service.h"

namespace {

using namespace ombrex;

void Check(bool condition) {
  if (!condition) std::abort();
}

class CheckingSink : public vkbd::FrameSink {
 public:
  void Send(vkbd::ClientId, std::vector<std::uint8_t> frame) override {
    bool broken = false;
    const auto decoded = vkbd_wire::TakeFrame(frame, broken);
    Check(decoded.has_value() && frame.empty() && !broken);
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vkbd::FactoryConfig config;
  config.macroCapacityUnits = 2;
  vkbd::Keyboard keyboard(config);
  CheckingSink sink;
  vkbd::ServiceOptions options;
  options.faults.latencyMs = 3;
  options.faults.refuseRate = 0.1;
  options.faults.unplugAfter = 40;
  vkbd::Service service(keyboard, sink, options);
  service.Connect(1);
  service.Connect(2);
  auto now = std::chrono::steady_clock::time_point{};

  std::vector<std::uint8_t> buffer;
  std::size_t at = 0;
  while (at < size) {
    const std::size_t piece = std::min<std::size_t>(size - at, 1 + data[at] % 64);
    buffer.insert(buffer.end(), data + at + 1, data + std::min(size, at + 1 + piece));
    at += 1 + piece;
    bool broken = false;
    while (auto frame = vkbd_wire::TakeFrame(buffer, broken)) {
      service.Receive(frame->payload.size() % 2 ? 1 : 2, *frame, now);
      now += std::chrono::milliseconds(1);
    }
    if (broken) break;  // the server drops such a client
    service.RunDue(now);
  }
  service.RunDue(now + std::chrono::seconds(1));
  Check(!service.NextDue());
  return 0;
}
