// Key events of every platform become the key codes the catalogue names:
// the one table of physical keys, read back through the catalogue's own
// conversion of key messages.

#include "platform/key_messages.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "model/key_catalogue.h"

namespace ombrex {
namespace {

constexpr std::uint32_t kXOffset = 8;

KeyCode CodeOf(const KeyMessage& message) {
  return CodeFromKeyMessage(message.vk, message.param);
}

std::string Hex(unsigned value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%X", value);
  return text;
}

TEST(KeyMessageTable, EveryKeysymOfEveryKeyReadsBackAsThatKey) {
  for (const KeyMessageRow& row : KeyMessageTable()) {
    const std::uint32_t keycode = row.evdev + kXOffset;
    SCOPED_TRACE("evdev " + std::to_string(row.evdev));
    // Whatever keysym the layout gives, and a keysym nobody knows (0xFF
    // leaves the key to its scan code).
    EXPECT_EQ(CodeOf(KeyMessageFromXkb(keycode, 0x00FFFFFF, {})), row.scanCode);
    for (const KeysymVk& sym : row.keysyms) {
      SCOPED_TRACE("keysym " + Hex(sym.keysym));
      EXPECT_EQ(VirtualKeyFromKeysym(sym.keysym), sym.vk) << "a keysym with two meanings";
      EXPECT_EQ(CodeOf(KeyMessageFromXkb(keycode, sym.keysym, {})), row.scanCode);
      EXPECT_EQ(CodeOf(KeyMessageFromWindows(row.scanCode, sym.vk, {.release = true})),
                row.scanCode);
    }
  }
}

TEST(KeyMessageTable, NamesEachPhysicalKeyOnceAndOnlyKeysTheCatalogueKnows) {
  std::set<std::uint16_t> evdevCodes;
  for (const KeyMessageRow& row : KeyMessageTable()) {
    EXPECT_TRUE(evdevCodes.insert(row.evdev).second) << "evdev " << row.evdev << " twice";
    const KeyRecord* record = RecordFromCode(row.scanCode);
    ASSERT_NE(record, nullptr);
    EXPECT_FALSE(record->label.empty()) << Hex(row.scanCode) << " has no catalogue record";
  }
  // Every key of the editor's key list can be typed.
  for (std::size_t position = 0; position < kKeyListSize; ++position) {
    const KeyCode code = CodeFromListPosition(position);
    if (code == 0x146) continue;  // Break is Ctrl+Pause, not a key of its own
    bool found = false;
    for (const KeyMessageRow& row : KeyMessageTable()) found = found || row.scanCode == code;
    EXPECT_TRUE(found) << "list position " << position << " (" << Hex(code) << ")";
  }
}

struct XKey {
  const char* name;
  std::uint32_t evdev;
  std::uint32_t keysym;
  KeyCode expected;
};

TEST(KeyMessagesFromX, KeysWindowsReportsWithTheirOwnScanCodes) {
  const XKey keys[] = {
      {"A", 30, 'a', 0x01E},
      {"shifted A", 30, 'A', 0x01E},
      {"Right Shift", 54, 0xffe2, 0x036},
      {"Num Lock, extended", 69, 0xff7f, 0x145},
      {"Pause, not extended", 119, 0xff13, 0x045},
      {"Ctrl+Pause", 119, 0xff6b, 0x045},
      {"Print Screen", 99, 0xff61, 0x137},
      {"Alt+Print Screen", 99, 0xff15, 0x137},
      {"keypad Enter", 96, 0xff8d, 0x11C},
      {"Enter", 28, 0xff0d, 0x01C},
      {"Right Ctrl", 97, 0xffe4, 0x11D},
      {"Right Alt", 100, 0xffea, 0x138},
      {"AltGr", 100, 0xfe03, 0x138},
      {"left Super", 125, 0xffeb, 0x15B},
      {"right Super", 126, 0xffec, 0x15C},
      {"Menu", 127, 0xff67, 0x15D},
      {"keypad 7 with Num Lock", 71, 0xffb7, 0x047},
      {"keypad 7 without Num Lock", 71, 0xff95, 0x047},
      {"keypad . without Num Lock", 83, 0xff9f, 0x053},
      {"Home", 102, 0xff50, 0x147},
      {"Mute", 113, 0x1008ff12, 0x120},
      {"shifted 1", 2, '!', 0x002},
      {"ISO key", 86, '<', 0x056},
      {"Shift+Tab", 15, 0xfe20, 0x00F},
  };
  for (const XKey& key : keys) {
    EXPECT_EQ(CodeOf(KeyMessageFromXkb(key.evdev + kXOffset, key.keysym, {})), key.expected)
        << key.name;
  }
}

TEST(KeyMessagesFromX, AKeyNoTableKnowsHasNoCode) {
  // No scan code and no virtual key: nothing to capture, so it passes.
  EXPECT_EQ(CodeOf(KeyMessageFromXkb(kXOffset + 240, 0x1008ffb2, {})), 0);
  EXPECT_EQ(ScanCodeFromXKeycode(3), 0);
  // A layout that puts Q where A is: the keysym decides, as on Windows.
  EXPECT_EQ(CodeOf(KeyMessageFromXkb(30 + kXOffset, 'q', {})), 0x010);
}

TEST(KeyMessageBits, PressRepeatAndReleaseAsTheWindowsHookSeesThem) {
  const KeyMessage press = KeyMessageFromXkb(30 + kXOffset, 'a', {});
  const KeyMessage repeat = KeyMessageFromXkb(30 + kXOffset, 'a', {.repeat = true});
  const KeyMessage release = KeyMessageFromXkb(30 + kXOffset, 'a', {.release = true});
  EXPECT_TRUE(press.IsFirstPress());
  EXPECT_FALSE(press.IsRepeat() || press.IsRelease());
  EXPECT_TRUE(repeat.IsRepeat());
  EXPECT_FALSE(repeat.IsFirstPress() || repeat.IsRelease());
  EXPECT_TRUE(release.IsRelease());
  EXPECT_FALSE(release.IsRepeat() || release.IsFirstPress());
  EXPECT_EQ(press.param, 0x001E0001u);
  EXPECT_EQ(repeat.param, 0x401E0001u);
  EXPECT_EQ(release.param, 0xC01E0001u);
  EXPECT_EQ(KeyMessageFromXkb(96 + kXOffset, 0xff8d, {}).ScanCode(), 0x11C);
}

TEST(KeyMessagesFromWindows, TheMessagesOwnScanCodeAndVirtualKey) {
  // Windows reports the generic Shift key; the scan code tells the sides apart.
  EXPECT_EQ(CodeOf(KeyMessageFromWindows(0x2A, 0x10, {})), 0x02A);
  EXPECT_EQ(CodeOf(KeyMessageFromWindows(0x36, 0x10, {})), 0x036);
  EXPECT_EQ(CodeOf(KeyMessageFromWindows(0x11C, 0x0D, {})), 0x11C);
  EXPECT_EQ(CodeOf(KeyMessageFromWindows(0x146, 0x03, {})), 0x146);
}

}  // namespace
}  // namespace ombrex
