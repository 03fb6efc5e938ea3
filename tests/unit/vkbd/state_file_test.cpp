#include "vkbd/state_file.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "vkbd/packets.h"

namespace ombrex::vkbd {
namespace {

using protocol::Command;

// A keyboard whose every memory differs from the factory's.
void UseEveryMemory(Keyboard& keyboard) {
  std::vector<std::uint8_t> data(56);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(0xA0 + i);
  keyboard.HandleCommand(BuildPacket(Command::WriteSettings, 56, 100, data));
  keyboard.HandleCommand(BuildPacket(Command::WriteKeyTable, 56, 700, data));
  keyboard.HandleCommand(BuildPacket(Command::WriteMacroMemory, 56, 0, data));
  keyboard.HandleCommand(BuildPacket(Command::WriteKeyColours, 54, 300, data));
  keyboard.RaiseEvent(protocol::kEventProfileChanged);
  keyboard.RaiseEvent(protocol::kEventProfileChanged);
  const std::uint8_t led[] = {0x05, 0x03};
  keyboard.WriteBankLed(led);
}

// Saves a used keyboard of that configuration to `file`; its memories.
Memories SaveUsed(const std::filesystem::path& file, FactoryConfig config = {}) {
  Keyboard keyboard(config);
  UseEveryMemory(keyboard);
  EXPECT_TRUE(keyboard.SaveState(file));
  return keyboard.Snapshot();
}

void ExpectSameMemories(const Memories& a, const Memories& b) {
  EXPECT_EQ(a.status, b.status);
  EXPECT_EQ(a.settings, b.settings);
  EXPECT_EQ(a.keyTables, b.keyTables);
  EXPECT_EQ(a.macro, b.macro);
  EXPECT_EQ(a.keyColours, b.keyColours);
  EXPECT_EQ(a.defaultKeyTable, b.defaultKeyTable);
  EXPECT_EQ(a.bankLed, b.bankLed);
}

TEST(VirtualKeyboardState, SavedMemoriesComeBackInAFreshKeyboard) {
  test::TempDir dir;
  const Memories used = SaveUsed(dir / "state");
  Keyboard fresh;
  ASSERT_TRUE(fresh.LoadState(dir / "state"));
  ExpectSameMemories(fresh.Snapshot(), used);
  EXPECT_EQ(fresh.Snapshot().status[10], 2);
}

TEST(VirtualKeyboardState, SavingReplacesTheFileAndLeavesNothingBeside) {
  test::TempDir dir;
  dir.Write("state", "old contents");
  SaveUsed(dir / "state");
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"state"});
  EXPECT_FALSE(Keyboard().SaveState(dir / "missing-folder" / "state"));
}

TEST(VirtualKeyboardState, HardwareComesFromTheConfigurationNotTheFile) {
  test::TempDir dir;
  SaveUsed(dir / "state");
  FactoryConfig other;
  other.modes = {20, 1};
  other.defaultKeyTable.fill(0x33);
  Keyboard keyboard(other);
  ASSERT_TRUE(keyboard.LoadState(dir / "state"));
  const Memories m = keyboard.Snapshot();
  EXPECT_EQ(m.status[12], 20);
  EXPECT_EQ(m.status[13], 1);
  EXPECT_EQ(m.status[14], 0);
  EXPECT_EQ(m.defaultKeyTable[0], 0x33);
  EXPECT_EQ(m.status[10], 2);  // while the memories are the file's
}

TEST(VirtualKeyboardState, FilesOfTheWrongShapeAreRefusedAndChangeNothing) {
  test::TempDir dir;
  const std::vector<std::uint8_t> good = EncodeState(SaveUsed(dir / "unused"));
  // The checksum repaired, so the check behind it is what refuses the file.
  auto withCrc = [](std::vector<std::uint8_t> bytes) {
    const std::size_t body = bytes.size() - 4;
    const std::uint32_t crc = Crc32(std::span(bytes).first(body));
    for (std::size_t i = 0; i < 4; ++i) bytes[body + i] = static_cast<std::uint8_t>(crc >> (8 * i));
    return bytes;
  };
  struct Case {
    const char* what;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Case> cases = {
      {"empty", {}},
      {"header only", {good.begin(), good.begin() + 12}},
      {"cut in the macro memory", {good.begin(), good.begin() + 5000}},
      {"one byte short", {good.begin(), good.end() - 1}},
      {"one byte too many",
       [&] {
         auto b = good;
         b.push_back(0);
         return b;
       }()},
      {"a flipped bit",
       [&] {
         auto b = good;
         b[2000] ^= 0x10;
         return b;
       }()},
      {"another magic",
       [&] {
         auto b = good;
         b[0] = 'X';
         return withCrc(b);
       }()},
      {"a later version",
       [&] {
         auto b = good;
         b[8] = 2;
         return withCrc(b);
       }()},
      {"an active profile of 4",
       [&] {
         auto b = good;
         b[12 + 10] = 4;
         return withCrc(b);
       }()},
      {"a macro size that lies",
       [&] {
         auto b = good;
         b[1850] = 0;  // 32640 -> 32512
         return withCrc(b);
       }()},
  };
  for (const Case& c : cases) {
    const auto file = dir.Write("state", c.bytes);
    Keyboard keyboard;
    keyboard.HandleCommand(BuildPacket(Command::WriteSettings, 1, 0, std::vector<std::uint8_t>{9}));
    const std::vector<std::uint8_t> before = EncodeState(keyboard.Snapshot());
    EXPECT_FALSE(keyboard.LoadState(file)) << c.what;
    EXPECT_EQ(EncodeState(keyboard.Snapshot()), before) << c.what;
  }
  EXPECT_FALSE(Keyboard().LoadState(dir / "no-such-file"));
  EXPECT_FALSE(Keyboard().LoadState(dir.path()));
}

TEST(VirtualKeyboardState, AFileForAnotherMacroMemorySizeIsRefused) {
  test::TempDir dir;
  SaveUsed(dir / "state");
  FactoryConfig smaller;
  smaller.macroCapacityUnits = 10;
  EXPECT_FALSE(Keyboard(smaller).LoadState(dir / "state"));

  SaveUsed(dir / "small", smaller);
  Keyboard keyboard(smaller);
  EXPECT_TRUE(keyboard.LoadState(dir / "small"));
  EXPECT_EQ(keyboard.Snapshot().macro.size(), 1280u);
}

TEST(VirtualKeyboardState, Crc32MatchesTheStandardCheckValue) {
  const std::string check = "123456789";
  EXPECT_EQ(Crc32({reinterpret_cast<const std::uint8_t*>(check.data()), check.size()}),
            0xCBF43926u);
}

}  // namespace
}  // namespace ombrex::vkbd
