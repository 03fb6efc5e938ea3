#include "model/key_catalogue.h"

#include <gtest/gtest.h>

namespace ombrex {
namespace {

std::uint32_t KeyMessage(KeyCode scanCode) {
  return (static_cast<std::uint32_t>(scanCode & 0xFF) << 16) | ((scanCode & 0x100u) << 16);
}

TEST(KeyCatalogueTest, SlotsAndIndexesFollowTheScanCodeForm) {
  EXPECT_EQ(KeySlotFromCode(0x01E), 30u);
  EXPECT_EQ(KeySlotFromCode(0x11D), 157u);
  EXPECT_EQ(KeySlotFromCode(0x145), 197u);
  EXPECT_EQ(KeySlotFromCode(0x205), 261u);
  EXPECT_EQ(KeySlotFromCode(0x1A0), 32u);
  EXPECT_EQ(KeyCodeFromIndex(157), 0x11D);
  // Every record's code leads back to its own index, so slot and index agree.
  for (std::size_t i = 0; i < kCatalogueSize; ++i) {
    EXPECT_EQ(KeySlotFromCode(KeyCodeFromIndex(i)), i);
  }
  EXPECT_EQ(RecordFromCode(0x200), nullptr);
  EXPECT_EQ(RecordFromCode(0x01E)->label, u"A");
}

TEST(KeyCatalogueTest, DeviceUsagesOfCodes) {
  EXPECT_EQ(DeviceUsageFromCode(0x120), (DeviceUsage{7, 0xCD}));
  EXPECT_EQ(DeviceUsageFromCode(0x15E), (DeviceUsage{1, 0x81}));
  EXPECT_EQ(DeviceUsageFromCode(0x171), (DeviceUsage{2, 0xF1}));
  EXPECT_EQ(DeviceUsageFromCode(0x16E), (DeviceUsage{0, 0}));
  EXPECT_EQ(DeviceUsageFromCode(0x01E), (DeviceUsage{7, 0x04}));
  EXPECT_EQ(DeviceUsageFromCode(0x203), (DeviceUsage{0, 0}));
}

TEST(KeyCatalogueTest, CodesOfDeviceUsagesTakeTheLowestIndex) {
  EXPECT_EQ(CodeFromDeviceUsage({7, 0x48}), 0x045);  // Pause, not Break
  EXPECT_EQ(CodeFromDeviceUsage({7, 0xE5}), 0x036);
  EXPECT_EQ(CodeFromDeviceUsage({12, 0x0E2}), 0x120);
  EXPECT_EQ(CodeFromDeviceUsage({12, 0x0E9}), 0x130);
  EXPECT_EQ(CodeFromDeviceUsage({1, 0x82}), 0x15F);
  EXPECT_EQ(CodeFromDeviceUsage({1, 0x84}), 0);
  EXPECT_EQ(CodeFromDeviceUsage({12, 0}), 0x174);  // the first consumer place holding 0
  EXPECT_EQ(CodeFromDeviceUsage({7, 0}), 0);
  EXPECT_EQ(CodeFromDeviceUsage({7, 0x104}), 0);
  EXPECT_EQ(CodeFromDeviceUsage({3, 0x04}), 0);
}

TEST(KeyCatalogueTest, EveryDeviceCodeComesBackToAKeyWithTheSameCode) {
  for (std::size_t i = 0; i < kCatalogueSize; ++i) {
    const KeyCode code = KeyCodeFromIndex(i);
    const DeviceUsage usage = DeviceUsageFromCode(code);
    if (usage.kind == 0) continue;
    const KeyCode back = CodeFromDeviceUsage(usage);
    if (usage.kind == 2) {  // mouse records travel in their own form, never as a usage
      EXPECT_EQ(back, 0);
      continue;
    }
    ASSERT_NE(back, 0) << std::hex << code;
    EXPECT_EQ(RecordFromCode(back)->deviceCode, CatalogueRecord(i).deviceCode);
  }
  for (std::size_t position = 0; position < 18; ++position) {
    const KeyCode code = CodeFromDeviceUsage({12, ConsumerUsageAt(position)});
    EXPECT_EQ(RecordFromCode(code)->deviceCode, 0xC0 + position);
  }
}

TEST(KeyCatalogueTest, ModifierBitsTakeTheLowestBit) {
  EXPECT_EQ(CodeFromModifierBits(0x22), 0x02A);
  EXPECT_EQ(CodeFromModifierBits(0x80), 0x15C);
  EXPECT_EQ(CodeFromModifierBits(0), 0);
  for (unsigned bit = 0; bit < 8; ++bit) {
    const KeyCode code = CodeFromModifierBits(static_cast<std::uint8_t>(1u << bit));
    EXPECT_EQ(ModifierBitFromCode(code), 1u << bit);
  }
  EXPECT_EQ(ModifierBitFromCode(0x01E), 0);
}

TEST(KeyCatalogueTest, DeviceKeyRecords) {
  EXPECT_EQ(CodeFromDeviceKeyRecord(1, 5, 0xFF), 0x162);
  EXPECT_EQ(CodeFromDeviceKeyRecord(1, 5, 0x01), 0x161);
  EXPECT_EQ(CodeFromDeviceKeyRecord(1, 1, 0x04), 0x173);
  EXPECT_EQ(CodeFromDeviceKeyRecord(1, 1, 0x03), 0);
  EXPECT_EQ(CodeFromDeviceKeyRecord(1, 2, 0x01), 0);
  EXPECT_EQ(CodeFromDeviceKeyRecord(2, 2, 0x04), 0x01E);
  EXPECT_EQ(CodeFromDeviceKeyRecord(2, 1, 0x10), 0x11D);
  EXPECT_EQ(CodeFromDeviceKeyRecord(3, 0xE2, 0x00), 0x120);
  EXPECT_EQ(CodeFromDeviceKeyRecord(4, 0x83, 0x00), 0x163);
  EXPECT_EQ(CodeFromDeviceKeyRecord(6, 0xA2, 1), 0x200);
  EXPECT_EQ(KeySlotFromCode(CodeFromDeviceKeyRecord(6, 0xA2, 1)), 256u);
  EXPECT_EQ(CodeFromDeviceKeyRecord(6, 0xA1, 1), 0);
  EXPECT_EQ(CodeFromDeviceKeyRecord(5, 0, 0), 0);
  // The largest G-key number still lands inside a profile block.
  EXPECT_LT(KeySlotFromCode(CodeFromDeviceKeyRecord(6, 0xA2, 0xFF)), 512u);
}

TEST(KeyCatalogueTest, VirtualKeysResolveAmbiguitiesAsThePlatformReports) {
  EXPECT_EQ(CodeFromVirtualKey(0x41), 0x01E);
  EXPECT_EQ(CodeFromVirtualKey(0x0D), 0x01C);  // Enter, not Num Enter
  EXPECT_EQ(CodeFromVirtualKey(0x2C), 0x137);  // Print Screen, not Sys Req
  EXPECT_EQ(CodeFromVirtualKey(0xA1), 0x036);
  EXPECT_EQ(CodeFromVirtualKey(0x10), 0x02A);
  EXPECT_EQ(CodeFromVirtualKey(0x11), 0x01D);
  EXPECT_EQ(CodeFromVirtualKey(0x12), 0x038);
  EXPECT_EQ(CodeFromVirtualKey(0xFF), 0);
  EXPECT_EQ(CodeFromVirtualKey(0x07), 0);
  EXPECT_EQ(CodeFromVirtualKey(0x24), 0x147);  // Home; keypad 7's Num-Lock-off VK is not used
}

TEST(KeyCatalogueTest, KeyMessages) {
  EXPECT_EQ(CodeFromKeyMessage(0xA1, KeyMessage(0x036)), 0x036);
  EXPECT_EQ(CodeFromKeyMessage(0x10, KeyMessage(0x036)), 0x036);
  EXPECT_EQ(CodeFromKeyMessage(0x41, 0), 0x01E);
  EXPECT_EQ(CodeFromKeyMessage(0x0D, KeyMessage(0x11C)), 0x11C);
  EXPECT_EQ(CodeFromKeyMessage(0xFF, KeyMessage(0x070)), 0x070);
  // Keypad 7 with Num Lock off reports VK Home with the keypad's scan code.
  EXPECT_EQ(CodeFromKeyMessage(0x24, KeyMessage(0x047)), 0x047);
  // A scan code the VK does not belong to: the VK decides.
  EXPECT_EQ(CodeFromKeyMessage(0x41, KeyMessage(0x030)), 0x01E);
  // Bits outside 16..24 are ignored.
  EXPECT_EQ(CodeFromKeyMessage(0x41, KeyMessage(0x01E) | 0xC000FFFFu), 0x01E);
}

TEST(KeyCatalogueTest, EveryKeyIsFoundFromItsOwnKeyMessage) {
  for (std::size_t i = 1; i < kCatalogueSize; ++i) {
    const KeyRecord& record = CatalogueRecord(i);
    if (record.vk == 0 || record.vk == 0xFF) continue;
    const KeyCode code = KeyCodeFromIndex(i);
    EXPECT_EQ(CodeFromKeyMessage(record.vk, KeyMessage(code)), code) << std::hex << code;
  }
}

TEST(KeyCatalogueTest, KeyListPositions) {
  EXPECT_EQ(ListPositionFromCode(0x01D), kNoListPosition);
  EXPECT_EQ(ListPositionFromCode(0x205), kNoListPosition);
  EXPECT_EQ(CodeFromListPosition(66), 0x146);
  EXPECT_EQ(CodeFromListPosition(0), 0x01E);
  EXPECT_EQ(CodeFromListPosition(74), 0x150);
  EXPECT_EQ(CodeFromListPosition(75), 0);
  for (std::size_t position = 0; position < kKeyListSize; ++position) {
    EXPECT_EQ(ListPositionFromCode(CodeFromListPosition(position)), position);
  }
}

TEST(KeyCatalogueTest, UsagePagesOfKeys) {
  EXPECT_EQ(HidUsageFromCode(0x01E), (HidUsage{UsagePage::Keyboard, 0x04}));
  EXPECT_EQ(HidUsageFromCode(0x120), (HidUsage{UsagePage::Consumer, 0xE2}));
  EXPECT_EQ(HidUsageFromCode(0x16D), (HidUsage{UsagePage::Consumer, 0x183}));
  EXPECT_EQ(HidUsageFromCode(0x15E), (HidUsage{UsagePage::GenericDesktop, 0x81}));
  EXPECT_EQ(HidUsageFromCode(0x162), (HidUsage{UsagePage::Mouse, 0xF5}));
  EXPECT_EQ(HidUsageFromCode(0x054), HidUsage{});
  EXPECT_EQ(HidUsageFromCode(0x200), HidUsage{});
}

TEST(KeyCatalogueTest, OneShotKeys) {
  for (KeyCode code : {0x054, 0x071, 0x072, 0x137}) EXPECT_TRUE(IsOneShotKey(code));
  for (KeyCode code : {0x000, 0x01E, 0x037, 0x154}) EXPECT_FALSE(IsOneShotKey(code));
}

}  // namespace
}  // namespace ombrex
