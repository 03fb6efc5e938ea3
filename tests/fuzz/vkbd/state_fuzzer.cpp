// Arbitrary state files: the decoder must refuse or accept without fault, and
// what it accepts must survive a save and load unchanged. The checksum is
// repaired on a second pass so the checks behind it are reached too.

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "vkbd/keyboard.h"
#include "vkbd/state_file.h"

namespace {

using namespace ombrex;

void Check(bool condition) {
  if (!condition) std::abort();
}

std::vector<std::uint8_t> WithRepairedCrc(std::vector<std::uint8_t> bytes) {
  if (bytes.size() < 4) return bytes;
  bytes.resize(bytes.size() - 4);
  const std::uint32_t crc = vkbd::Crc32(bytes);
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(crc >> (8 * i)));
  return bytes;
}

void CheckDecode(const std::vector<std::uint8_t>& bytes, const vkbd::FactoryConfig& config) {
  const auto memories = vkbd::DecodeState(bytes, config);
  if (!memories) return;
  Check(memories->macro.size() == config.macroCapacityUnits * protocol::kMacroUnitBytes);
  Check(memories->status[protocol::kStatusActiveProfileAt] < protocol::kProfileCount);
  const auto again = vkbd::DecodeState(vkbd::EncodeState(*memories), config);
  Check(again && vkbd::EncodeState(*again) == vkbd::EncodeState(*memories));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  vkbd::FactoryConfig config;
  // Small memories keep the interesting sizes within reach of the fuzzer.
  config.macroCapacityUnits = size > 0 ? data[0] % 4 : 0;
  const std::vector<std::uint8_t> bytes(data + std::min<std::size_t>(size, 1), data + size);
  CheckDecode(bytes, config);
  CheckDecode(WithRepairedCrc(bytes), config);

  // The same bytes through the file path the daemon uses.
  static const struct ScratchFile {
    std::string path = "/tmp/vkbd-state-fuzz-" + std::to_string(::getpid());
    ~ScratchFile() { std::remove(path.c_str()); }
  } scratch;
  const std::string& file = scratch.path;
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  vkbd::Keyboard keyboard(config);
  const auto before = vkbd::EncodeState(keyboard.Snapshot());
  if (!keyboard.LoadState(file)) Check(vkbd::EncodeState(keyboard.Snapshot()) == before);
  return 0;
}
