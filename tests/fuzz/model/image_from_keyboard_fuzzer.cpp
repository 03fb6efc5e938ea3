// The whole file the program builds from what a keyboard holds: the macro
// memory, four key tables and the factory table, all of any content. Besides
// crashes: whatever the keyboard holds, the file built from it is one the
// program's own check takes, and reading it back gives the macros it was
// built with.
//
// Input: u16 length of the macro memory, the macro memory, then the five
// tables (missing bytes are zero), so short inputs already reach the macros.
// Seeds: with OMBREX_FUZZ_WRITE_SEEDS=FOLDER the harness writes the factory
// keyboard and one holding macros instead.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "model/assignment_tables.h"
#include "model/macro.h"
#include "model/profile_image.h"
#include "tests/fuzz/scratch_folder.h"
#include "vkbd/keyboard.h"

using namespace ombrex;

namespace {

void Check(std::span<const std::uint8_t> bytes) {
  const std::size_t length =
      bytes.size() < 2 ? 0 : std::min<std::size_t>(bytes[0] | bytes[1] << 8, bytes.size() - 2);
  const std::span<const std::uint8_t> macroMemory = bytes.subspan(bytes.size() < 2 ? 0 : 2, length);
  std::size_t taken = (bytes.size() < 2 ? 0 : 2) + length;
  const auto take = [&](std::span<std::uint8_t> into) {
    const std::size_t n = std::min(into.size(), bytes.size() - taken);
    std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(taken), n, into.begin());
    taken += n;
  };
  std::array<DeviceKeyTable, ProfileNumber::kCount> tables{};
  for (DeviceKeyTable& table : tables) take(table);
  std::array<std::uint8_t, protocol::kKeyTableSize> defaults{};
  take(defaults);

  const std::vector<std::uint8_t> file =
      ImageFromKeyboard(tables, defaults, macroMemory, u"Macro ");
  fuzz::Require(CheckImageBytes(file) == ImageCheck::Valid);
  ProfileImage image;
  fuzz::Require(image.Parse(file));
  fuzz::Require(image.Macros().size() == DecodeMacroBlob(macroMemory, u"Macro ").size());
}

void WriteSeed(const std::filesystem::path& file, std::span<const std::uint8_t> macroMemory,
               const vkbd::Memories& memories) {
  std::vector<std::uint8_t> seed = {static_cast<std::uint8_t>(macroMemory.size()),
                                    static_cast<std::uint8_t>(macroMemory.size() >> 8)};
  seed.insert(seed.end(), macroMemory.begin(), macroMemory.end());
  seed.insert(seed.end(), memories.keyTables.begin(), memories.keyTables.end());
  seed.insert(seed.end(), memories.defaultKeyTable.begin(), memories.defaultKeyTable.end());
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(seed.data()), static_cast<std::streamsize>(seed.size()));
}

void WriteSeeds(const std::filesystem::path& folder) {
  const vkbd::Keyboard keyboard;
  const vkbd::Memories memories = keyboard.Snapshot();
  WriteSeed(folder / "seed-factory", std::span(memories.macro).first(64), memories);
  std::vector<MacroRecord> macros(2);
  for (std::size_t i = 0; i < macros.size(); ++i) {
    macros[i].id = static_cast<std::uint16_t>(i + 1);
    macros[i].cycles = 1;
    macros[i].count = 2;
    macros[i].actions[0] = MacroAction{20, 0x1E, 0};
    macros[i].actions[1] = MacroAction{20, 0x1E, 1};
  }
  WriteSeed(folder / "seed-two-macros", BuildMacroBlob(macros, true), memories);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (const char* folder = std::getenv("OMBREX_FUZZ_WRITE_SEEDS")) {
    WriteSeeds(folder);
    std::exit(0);
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Check(std::span<const std::uint8_t>(data, size));
  return 0;
}
