// The keyboard's answers when the program reads its lighting: the status
// block with the modes it offers and the four lighting records, each reply of
// any length and content, some lost, some doubled. Besides crashes: what the
// panel is given stays in the ranges its controls have.
//
// Seeds: with OMBREX_FUZZ_WRITE_SEEDS=FOLDER the harness reads the lighting
// of the virtual keyboard instead and writes the input that replays it with
// the keyboard's real replies.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "device/app_state.h"
#include "device/device_link.h"
#include "model/host_lighting.h"
#include "model/lighting.h"
#include "model/user_mode_files.h"
#include "tests/fuzz/device/fuzz_input.h"
#include "tests/fuzz/scratch_folder.h"
#include "vkbd/keyboard.h"

namespace ombrex {
namespace {

fuzz::Input* input = nullptr;
DeviceLink* theLink = nullptr;
vkbd::Keyboard* realKeyboard = nullptr;  // while seeds are written

void Deliver(std::vector<std::uint8_t>& reply) {
  RazIzidEvent event{RAZIZID_EVENT_DATA, RAZIZID_TAG_CONTROL,
                     static_cast<std::uint32_t>(reply.size()), 1, reply.data()};
  theLink->EventCallback()(&event);
}

// Replies as the input gives them: how many (0..2), then for each whether it
// is the real reply's shape and its bytes.
void Answer(const std::uint8_t* packet) {
  if (realKeyboard != nullptr) {
    const vkbd::Packet real = realKeyboard->HandleCommand({packet, protocol::kPacketSize});
    const std::uint8_t shape[] = {1, 1};
    input->Record(shape);
    input->Record(real);
    std::vector<std::uint8_t> reply(real.begin(), real.end());
    Deliver(reply);
    return;
  }
  const int replies = input->Byte() % 3;
  for (int i = 0; i < replies; ++i) {
    std::vector<std::uint8_t> reply;
    if (input->Byte() & 1) {
      reply = input->Bytes(protocol::kPacketSize);
      reply.resize(protocol::kPacketSize);
    } else {
      reply = input->Bytes(input->Byte() % 80);
    }
    Deliver(reply);
  }
}

int RAZIZID_CALL Nop(int) {
  return 1;
}
int RAZIZID_CALL NopVoid() {
  return 1;
}
int RAZIZID_CALL Count(const RazIzidSelector*, RazIzidCallback, std::uint32_t, std::uint32_t,
                       std::uint32_t*) {
  return 1;
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

constexpr RazIzidFunctions kFunctions = {&Nop,   &Nop,   &NopVoid, &Count, &Delete, &DeleteHandle,
                                         &Write, &Write, &Write,   &Get,   &Read,   &Write};

void ReadOnce(fuzz::Input& in) {
  static fuzz::ScratchFolder scratch;
  input = &in;
  {
    AppState state;
    DeviceLink link(ServiceLibrary(kFunctions), state,
                    LinkTiming{std::chrono::milliseconds(0), {}, {}, 3});
    theLink = &link;
    link.RegisterReplyRead();
    UserModeFiles files(scratch.path(), scratch.path());
    Lighting lighting(link.Commands(), files, scratch.path());
    lighting.SetShownProfile(*ProfileNumber::From(in.Byte() % ProfileNumber::kCount));
    (void)lighting.ReadLighting((in.Byte() & 1) != 0);
    // The colours a read may send on (user painting) go from the writer's
    // thread; the input is theirs until they are sent.
    (void)lighting.Flush();

    const HostLightingState& shown = lighting.State();
    fuzz::Require(shown.reportRate <= 3);
    fuzz::Require(shown.currentUserMode >= 0 && shown.currentUserMode < kUserModeCount);
    const ModeList& modes = lighting.Host().Modes();
    fuzz::Require(modes.Items().size() <= protocol::kStatusModeCount);
    for (std::size_t i = 0; i < modes.Items().size(); ++i) {
      fuzz::Require(modes.Items()[i].listIndex == static_cast<int>(i));
      fuzz::Require(modes.Items()[i].mode != 0);
      fuzz::Require(modes.ListIndexOf(modes.Items()[i].mode) <= static_cast<int>(i));
    }
  }
  theLink = nullptr;
  input = nullptr;
}

void WriteSeeds(const std::filesystem::path& folder) {
  for (std::uint8_t plan = 0; plan < 8; ++plan) {
    vkbd::Keyboard keyboard;
    realKeyboard = &keyboard;
    const std::uint8_t choices[] = {static_cast<std::uint8_t>(plan % 4),
                                    static_cast<std::uint8_t>(plan / 4)};
    std::vector<std::uint8_t> record;
    fuzz::Input in(choices, sizeof choices, &record);
    ReadOnce(in);
    realKeyboard = nullptr;
    std::ofstream(folder / ("seed-lighting-" + std::to_string(plan)), std::ios::binary)
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
  ombrex::ReadOnce(in);
  return 0;
}
