// Arbitrary replies and event records through the device link: the callback
// path, the transaction engine and the command set's handling of what comes
// back. The keyboard's side is the input: for each packet, how many replies
// and which bytes.
//
// Seeds: with OMBREX_FUZZ_WRITE_SEEDS=FOLDER the harness runs a few planned
// sessions against the virtual keyboard instead and writes, for each, the
// input that replays it with the keyboard's real replies.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "device/app_state.h"
#include "device/device_link.h"
#include "device/razizid_wire.h"
#include "tests/fuzz/device/fuzz_input.h"
#include "vkbd/keyboard.h"

namespace ombrex {
namespace {

fuzz::Input* input = nullptr;
DeviceLink* theLink = nullptr;
int deviceCount = 1;
vkbd::Keyboard* realKeyboard = nullptr;  // while seeds are written

void Deliver(std::vector<std::uint8_t>& reply) {
  RazIzidEvent event{RAZIZID_EVENT_DATA, RAZIZID_TAG_CONTROL,
                     static_cast<std::uint32_t>(reply.size()), 1, reply.data()};
  theLink->EventCallback()(&event);
}

// The keyboard's one reply, recorded as the input that gives it: one reply,
// taken as it stands, 64 bytes, and the keyboard stays.
void AnswerForReal(const std::uint8_t* packet) {
  const vkbd::Packet real = realKeyboard->HandleCommand({packet, protocol::kPacketSize});
  const std::uint8_t shape[] = {1, 0, protocol::kPacketSize};
  input->Record(shape);
  input->Record(real);
  input->Record(std::vector<std::uint8_t>{0});
  std::vector<std::uint8_t> reply(real.begin(), real.end());
  Deliver(reply);
}

// The keyboard answers a packet with zero to three replies of any length,
// built from the input, often shaped like a real reply so the deeper paths
// are reached.
void Answer(const std::uint8_t* packet) {
  if (realKeyboard != nullptr) return AnswerForReal(packet);
  const int replies = input->Byte() % 4;
  for (int i = 0; i < replies; ++i) {
    const std::uint8_t shape = input->Byte();
    std::vector<std::uint8_t> reply = input->Bytes(input->Byte() % 80);
    if (shape & 1) {
      reply.resize(std::max<std::size_t>(reply.size(), 64));
      std::copy_n(packet, 8, reply.begin());
      reply[7] = (shape & 2) ? input->Byte() : 0;
    }
    Deliver(reply);
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

namespace ombrex {
namespace {

void RunSession(fuzz::Input& in) {
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
}

// Sessions as the program holds them, as the bytes RunOne takes: the
// operation, the profile, then the operation's own values.
const std::vector<std::pair<std::string, std::vector<std::uint8_t>>> kPlans{
    {"status", {0, 0}},
    {"active-profile", {2, 0}},
    {"switch-to-3", {3, 2, 2, 0}},
    {"settings-of-2", {4, 1, 56, 64, 0}},
    {"write-settings", {5, 0, 6, 1, 2, 3, 4, 5, 6, 65, 0}},
    {"key-table-of-4", {6, 3}},
    {"write-key-table", {7, 1}},
    {"macro-memory", {8, 0, 200, 0}},
    {"default-key-table", {9, 0}},
    {"key-colours", {10, 2, 6, 255, 0, 0, 0, 255, 0, 5}},
    // Consumer records as the library delivers them: the bank key, a profile change.
    {"bank-key-event", {11, 0, 2, 0xFF, 0x02, 1, 0x53, 0x4E, 0x4F, 0x43, 1, 0, 0, 0}},
    {"profile-event", {11, 0, 2, 0x01, 0x04, 1, 0x53, 0x4E, 0x4F, 0x43, 1, 0, 0, 0}},
    {"arrival", {0, 0, 2, 0, 6, 0, 6, 1, 6, 2, 6, 3, 8, 0, 128, 0, 9, 0}},
};

void WriteSeeds(const std::filesystem::path& folder) {
  for (const auto& [name, plan] : kPlans) {
    vkbd::Keyboard keyboard;
    realKeyboard = &keyboard;
    std::vector<std::uint8_t> record;
    fuzz::Input in(plan.data(), plan.size(), &record);
    RunSession(in);
    realKeyboard = nullptr;
    std::ofstream(folder / ("seed-" + name), std::ios::binary)
        .write(reinterpret_cast<const char*>(record.data()),
               static_cast<std::streamsize>(record.size()));
  }
}

}  // namespace
}  // namespace ombrex

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* folder = std::getenv("OMBREX_FUZZ_WRITE_SEEDS")) {
    ombrex::WriteSeeds(folder);
    std::exit(0);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ombrex::fuzz::Input in(data, size);
  ombrex::RunSession(in);
  return 0;
}
