#pragma once

// The main window's key buttons as data: the 104 keys of the key grid with
// their control id, key code, key slot and LED, the nine G keys with their
// controls and LEDs, and Fn. The window lays its buttons out from these tables;
// the model walks them to mark, colour and name the buttons.
//
// Buttons are numbered 0..113 wherever the model talks to the window: 0..103
// the key grid in table order, 104..112 G1..G9, 113 Fn.

#include <array>
#include <cstddef>
#include <cstdint>

#include "device/g_keys.h"
#include "model/key_catalogue.h"

namespace ombrex {

struct KeyButtonInfo {
  int control;
  KeyCode code;
  std::uint16_t slot;
  std::uint8_t led;
};

inline constexpr std::size_t kKeyButtonCount = 104;
inline constexpr int kFirstGKeyButton = 104;
inline constexpr int kFnButton = 113;
inline constexpr std::size_t kButtonCount = 114;

inline constexpr int kFnControl = 1174;
inline constexpr int kFnLed = 42;
// Every key without a light of its own shares this LED.
inline constexpr int kSharedLed = 63;
inline constexpr int kNoLed = -1;

inline constexpr int kFirstGKeySlot = 256;
inline constexpr int kGKeySlotCount = 18;  // nine G keys in two banks

inline constexpr std::array<KeyButtonInfo, kKeyButtonCount> kKeyButtons{{
    {1058, 0x01E, 30, 26},   // A
    {1075, 0x030, 48, 38},   // B
    {1073, 0x02E, 46, 36},   // C
    {1060, 0x020, 32, 28},   // D
    {1046, 0x012, 18, 20},   // E
    {1061, 0x021, 33, 29},   // F
    {1062, 0x022, 34, 30},   // G
    {1063, 0x023, 35, 63},   // H
    {1051, 0x017, 23, 63},   // I
    {1064, 0x024, 36, 63},   // J
    {1065, 0x025, 37, 63},   // K
    {1066, 0x026, 38, 63},   // L
    {1077, 0x032, 50, 7},    // M
    {1076, 0x031, 49, 44},   // N
    {1052, 0x018, 24, 63},   // O
    {1053, 0x019, 25, 45},   // P
    {1044, 0x010, 16, 18},   // Q
    {1047, 0x013, 19, 21},   // R
    {1059, 0x01F, 31, 27},   // S
    {1048, 0x014, 20, 63},   // T
    {1050, 0x016, 22, 63},   // U
    {1074, 0x02F, 47, 37},   // V
    {1045, 0x011, 17, 19},   // W
    {1072, 0x02D, 45, 35},   // X
    {1049, 0x015, 21, 63},   // Y
    {1071, 0x02C, 44, 34},   // Z
    {1030, 0x002, 2, 10},    // 1
    {1031, 0x003, 3, 11},    // 2
    {1032, 0x004, 4, 12},    // 3
    {1033, 0x005, 5, 13},    // 4
    {1034, 0x006, 6, 14},    // 5
    {1035, 0x007, 7, 15},    // 6
    {1036, 0x008, 8, 63},    // 7
    {1037, 0x009, 9, 63},    // 8
    {1038, 0x00A, 10, 63},   // 9
    {1039, 0x00B, 11, 63},   // 0
    {1070, 0x01C, 28, 63},   // Enter
    {1022, 0x001, 1, 1},     // Esc
    {1043, 0x00E, 14, 34},   // Backspace
    {1056, 0x00F, 15, 17},   // Tab
    {1090, 0x039, 57, 46},   // Space
    {1040, 0x00C, 12, 63},   // Minus
    {1041, 0x00D, 13, 63},   // Equals
    {1054, 0x01A, 26, 63},   // Left bracket
    {1055, 0x01B, 27, 63},   // Right bracket
    {1042, 0x02B, 43, 63},   // Backslash
    {1067, 0x027, 39, 63},   // Semicolon
    {1068, 0x028, 40, 63},   // Apostrophe
    {1029, 0x029, 41, 63},   // Grave
    {1078, 0x033, 51, 63},   // Comma
    {1079, 0x034, 52, 63},   // Period
    {1080, 0x035, 53, 63},   // Slash
    {1010, 0x03B, 59, 3},    // F1
    {1011, 0x03C, 60, 4},    // F2
    {1012, 0x03D, 61, 5},    // F3
    {1013, 0x03E, 62, 6},    // F4
    {1014, 0x03F, 63, 63},   // F5
    {1015, 0x040, 64, 63},   // F6
    {1023, 0x041, 65, 63},   // F7
    {1024, 0x042, 66, 63},   // F8
    {1025, 0x043, 67, 63},   // F9
    {1026, 0x044, 68, 63},   // F10
    {1027, 0x057, 87, 63},   // F11
    {1028, 0x058, 88, 63},   // F12
    {1091, 0x137, 183, 63},  // Print Screen
    {1093, 0x045, 69, 63},   // Pause
    {1094, 0x152, 210, 63},  // Insert
    {1097, 0x153, 211, 63},  // Delete
    {1095, 0x147, 199, 63},  // Home
    {1098, 0x14F, 207, 63},  // End
    {1096, 0x149, 201, 63},  // Page Up
    {1099, 0x151, 209, 63},  // Page Down
    {1103, 0x148, 200, 63},  // Up
    {1101, 0x150, 208, 63},  // Down
    {1100, 0x14B, 203, 63},  // Left
    {1102, 0x14D, 205, 63},  // Right
    {1092, 0x046, 70, 63},   // Scroll Lock
    {1069, 0x03A, 58, 25},   // Caps Lock
    {1088, 0x15D, 221, 63},  // Menu
    {1083, 0x01D, 29, 41},   // Left Ctrl
    {1089, 0x11D, 157, 63},  // Right Ctrl
    {1082, 0x02A, 42, 33},   // Left Shift
    {1081, 0x036, 54, 63},   // Right Shift
    {1085, 0x038, 56, 43},   // Left Alt
    {1086, 0x138, 184, 63},  // Right Alt
    {1084, 0x15B, 219, 63},  // Left Win
    {1087, 0x15C, 220, 63},  // Right Win
    {1115, 0x04F, 79, 63},   // Keypad 1
    {1116, 0x050, 80, 63},   // Keypad 2
    {1117, 0x051, 81, 63},   // Keypad 3
    {1112, 0x04B, 75, 63},   // Keypad 4
    {1113, 0x04C, 76, 63},   // Keypad 5
    {1114, 0x04D, 77, 63},   // Keypad 6
    {1108, 0x047, 71, 63},   // Keypad 7
    {1109, 0x048, 72, 63},   // Keypad 8
    {1110, 0x049, 73, 63},   // Keypad 9
    {1120, 0x052, 82, 63},   // Keypad 0
    {1104, 0x145, 197, 63},  // Num Lock
    {1118, 0x11C, 156, 63},  // Keypad Enter
    {1119, 0x053, 83, 63},   // Keypad period
    {1105, 0x135, 181, 63},  // Keypad slash
    {1106, 0x037, 55, 63},   // Keypad asterisk
    {1107, 0x04A, 74, 63},   // Keypad minus
    {1111, 0x04E, 78, 63},   // Keypad plus
}};

inline constexpr std::array<int, kGKeyCount> kGKeyControls{1000, 1001, 1002, 1003, 1004,
                                                           1140, 1141, 1142, 1143};
// G8 and G9 have no light.
inline constexpr std::array<int, kGKeyCount> kGKeyLeds{39, 8, 16, 24, 32, 9, 22, kNoLed, kNoLed};

constexpr int GKeyButton(int j) {
  return kFirstGKeyButton + j;
}

// G key j (0..8) of bank b (0, 1).
constexpr int GKeySlot(int j, int bank) {
  return kFirstGKeySlot + 9 * bank + j;
}

// The LED a button lights, kNoLed for G8, G9 and numbers outside the buttons.
constexpr int LedOfButton(int button) {
  if (button >= 0 && button < static_cast<int>(kKeyButtonCount)) return kKeyButtons[button].led;
  if (button >= kFirstGKeyButton && button < kFirstGKeyButton + static_cast<int>(kGKeyCount)) {
    return kGKeyLeds[button - kFirstGKeyButton];
  }
  return button == kFnButton ? kFnLed : kNoLed;
}

// The button that shows a key slot in the given G-key bank; -1 when none does.
constexpr int ButtonForSlot(int slot, int bank) {
  if (slot >= kFirstGKeySlot) {
    const int j = slot - GKeySlot(0, bank);
    return j >= 0 && j < static_cast<int>(kGKeyCount) ? GKeyButton(j) : -1;
  }
  for (std::size_t i = 0; i < kKeyButtonCount; ++i) {
    if (kKeyButtons[i].slot == slot) return static_cast<int>(i);
  }
  return -1;
}

// The key slot a button edits in a bank; -1 for Fn.
constexpr int SlotOfButton(int button, int bank) {
  if (button >= 0 && button < static_cast<int>(kKeyButtonCount)) return kKeyButtons[button].slot;
  if (button >= kFirstGKeyButton && button < kFirstGKeyButton + static_cast<int>(kGKeyCount)) {
    return GKeySlot(button - kFirstGKeyButton, bank);
  }
  return -1;
}

}  // namespace ombrex
