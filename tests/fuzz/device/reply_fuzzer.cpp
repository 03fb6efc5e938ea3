// Arbitrary replies and event records through the device link: the callback
// path, the transaction engine and the command set's handling of what comes
// back. The keyboard's side is the input: for each packet, how many replies
// and which bytes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/app_state.h"
#include "device/device_link.h"
#include "device/razizid_wire.h"
#include "tests/fuzz/device/fuzz_input.h"

namespace ombrex {
namespace {

fuzz::Input* input = nullptr;
DeviceLink* theLink = nullptr;
int deviceCount = 1;

// The keyboard answers a packet with zero to three replies of any length,
// built from the input, often shaped like a real reply so the deeper paths
// are reached.
void Answer(const std::uint8_t* packet) {
  const int replies = input->Byte() % 4;
  for (int i = 0; i < replies; ++i) {
    const std::uint8_t shape = input->Byte();
    std::vector<std::uint8_t> reply = input->Bytes(input->Byte() % 80);
    if (shape & 1) {
      reply.resize(std::max<std::size_t>(reply.size(), 64));
      std::copy_n(packet, 8, reply.begin());
      reply[7] = (shape & 2) ? input->Byte() : 0;
    }
    RazIzidEvent event{RAZIZID_EVENT_DATA, RAZIZID_TAG_CONTROL,
                       static_cast<std::uint32_t>(reply.size()), 1, reply.data()};
    theLink->EventCallback()(&event);
  }
  if (input->Byte() == 0xA5) deviceCount = 0;  // gone mid-transfer
}

int RAZIZID_CALL Nop(int) {
  return 1;
}
int RAZIZID_CALL NopVoid() {
  return 1;
}
int RAZIZID_CALL Count(const RazIzidSelector*, RazIzidCallback, std::uint32_t, std::uint32_t,
                       std::uint32_t*) {
  return deviceCount;
}
int RAZIZID_CALL Delete(std::uint32_t) {
  return 1;
}
int RAZIZID_CALL DeleteHandle(RazIzidCallback) {
  return 0;
}
int RAZIZID_CALL Write(const RazIzidSelector*, RazIzidCallback, std::uint32_t,
                       const std::uint8_t* data, std::uint32_t length, std::uint32_t,
                       std::uint32_t*) {
  if (length != protocol::kPacketSize) return 0;
  Answer(data);
  return static_cast<int>(length);
}
int RAZIZID_CALL Get(const RazIzidSelector*, RazIzidCallback, std::uint32_t, std::uint8_t*,
                     std::uint32_t, std::uint32_t, std::uint32_t*) {
  return 0;
}
int RAZIZID_CALL Read(const RazIzidSelector*, RazIzidCallback, std::uint32_t, std::uint32_t,
                      std::uint32_t* unit) {
  *unit = 1;
  return 1;
}

constexpr RazIzidFunctions kFunctions = {&Nop,          &Nop,   &NopVoid, &Count, &Delete,
                                         &DeleteHandle, &Write, &Write,   &Write, &Get,
                                         &Read,         &Write, nullptr};

void RunOne(CommandSet& commands, std::uint8_t op) {
  std::array<std::uint8_t, 192> table{};
  std::array<std::uint8_t, 56> settings{};
  StatusBlock block{};
  const ProfileNumber profile = *ProfileNumber::From(input->Byte() % ProfileNumber::kCount);
  switch (op % 12) {
    case 0:
      commands.ReadStatusBlock(block);
      break;
    case 1:
      commands.WriteStatusBlock(block);
      break;
    case 2:
      commands.ActiveProfile();
      break;
    case 3:
      commands.SetActiveProfile(profile);
      break;
    case 4:
      commands.ReadSettings(settings, input->Byte(), input->U16());
      break;
    case 5:
      commands.WriteSettings(input->Bytes(input->Byte() % 70), input->U16());
      break;
    case 6:
      commands.ReadKeyTable(table, profile);
      break;
    case 7:
      commands.WriteKeyTable(table, profile);
      break;
    case 8: {
      std::vector<std::uint8_t> memory(input->U16() % 400);
      commands.ReadMacroMemory(memory);
      break;
    }
    case 9:
      commands.ReadDefaultKeyTable(table);
      break;
    case 10:
      commands.WriteKeyColours(input->Bytes(input->Byte() % 120), profile,
                               static_cast<std::int8_t>(input->Byte()));
      break;
    default: {
      // A stray event record of any kind and tag, outside any transaction.
      std::vector<std::uint8_t> data = input->Bytes(input->Byte() % 70);
      RazIzidEvent event{input->Byte() % 3u, input->U32(), static_cast<std::uint32_t>(data.size()),
                         input->U32(), data.empty() ? nullptr : data.data()};
      theLink->EventCallback()(&event);
      break;
    }
  }
}

}  // namespace
}  // namespace ombrex

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace ombrex;
  fuzz::Input in(data, size);
  input = &in;
  deviceCount = 1;
  AppState state;
  DeviceLink deviceLink(ServiceLibrary(kFunctions), state,
                        LinkTiming{std::chrono::milliseconds(0), {}, {}, 3});
  theLink = &deviceLink;
  deviceLink.SetEventSink([](const DeviceEvent& event) {
    // What a sink may rely on: the data is as long as the count says.
    volatile std::uint8_t sum = 0;
    for (std::uint8_t byte : event.data) sum = static_cast<std::uint8_t>(sum + byte);
  });
  deviceLink.RegisterReplyRead();
  for (int ops = 0; ops < 16 && !in.Empty(); ++ops) RunOne(deviceLink.Commands(), in.Byte());
  theLink = nullptr;
  input = nullptr;
  return 0;
}
