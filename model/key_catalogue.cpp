#include "model/key_catalogue.h"

namespace ombrex {
namespace {

struct Row {
  std::uint8_t index;
  std::u16string_view textKey;
  std::u16string_view label;
  std::uint8_t vk;
  std::uint8_t altVk;
  std::uint8_t deviceCode;
  std::uint8_t listPosition;
};

// The used records; every other index is an empty record.
constexpr Row kRows[] = {
    {0x01, u"IDS_KEYBOARD_ESC", u"Esc", 0x1B, 0x1B, 0x29, 37},
    {0x02, u"IDS_KEYBOARD_1", u"1", 0x31, 0x31, 0x1E, 26},
    {0x03, u"IDS_KEYBOARD_2", u"2", 0x32, 0x32, 0x1F, 27},
    {0x04, u"IDS_KEYBOARD_3", u"3", 0x33, 0x33, 0x20, 28},
    {0x05, u"IDS_KEYBOARD_4", u"4", 0x34, 0x34, 0x21, 29},
    {0x06, u"IDS_KEYBOARD_5", u"5", 0x35, 0x35, 0x22, 30},
    {0x07, u"IDS_KEYBOARD_6", u"6", 0x36, 0x36, 0x23, 31},
    {0x08, u"IDS_KEYBOARD_7", u"7", 0x37, 0x37, 0x24, 32},
    {0x09, u"IDS_KEYBOARD_8", u"8", 0x38, 0x38, 0x25, 33},
    {0x0A, u"IDS_KEYBOARD_9", u"9", 0x39, 0x39, 0x26, 34},
    {0x0B, u"IDS_KEYBOARD_0", u"0", 0x30, 0x30, 0x27, 35},
    {0x0C, u"IDS_KEYBOARD_MINUS", u"-", 0xBD, 0xBD, 0x2D, 41},
    {0x0D, u"IDS_KEYBOARD_EQU", u"=", 0xBB, 0xBB, 0x2E, 42},
    {0x0E, u"IDS_KEYBOARD_BS", u"Backspace", 0x08, 0x08, 0x2A, 38},
    {0x0F, u"IDS_KEYBOARD_TAB", u"Tab", 0x09, 0x09, 0x2B, 39},
    {0x10, u"IDS_KEYBOARD_Q", u"Q", 0x51, 0x51, 0x14, 16},
    {0x11, u"IDS_KEYBOARD_W", u"W", 0x57, 0x57, 0x1A, 22},
    {0x12, u"IDS_KEYBOARD_E", u"E", 0x45, 0x45, 0x08, 4},
    {0x13, u"IDS_KEYBOARD_R", u"R", 0x52, 0x52, 0x15, 17},
    {0x14, u"IDS_KEYBOARD_T", u"T", 0x54, 0x54, 0x17, 19},
    {0x15, u"IDS_KEYBOARD_Y", u"Y", 0x59, 0x59, 0x1C, 24},
    {0x16, u"IDS_KEYBOARD_U", u"U", 0x55, 0x55, 0x18, 20},
    {0x17, u"IDS_KEYBOARD_I", u"I", 0x49, 0x49, 0x0C, 8},
    {0x18, u"IDS_KEYBOARD_O", u"O", 0x4F, 0x4F, 0x12, 14},
    {0x19, u"IDS_KEYBOARD_P", u"P", 0x50, 0x50, 0x13, 15},
    {0x1A, u"IDS_KEYBOARD_SB1", u"[", 0xDB, 0xDB, 0x2F, 43},
    {0x1B, u"IDS_KEYBOARD_SB2", u"]", 0xDD, 0xDD, 0x30, 44},
    {0x1C, u"IDS_KEYBOARD_ENTER", u"Enter", 0x0D, 0x0D, 0x28, 36},
    {0x1D, u"IDS_KEYBOARD_LCTRL", u"Ctrl", 0xA2, 0xA2, 0xE0, kNoListPosition},
    {0x1E, u"IDS_KEYBOARD_A", u"A", 0x41, 0x41, 0x04, 0},
    {0x1F, u"IDS_KEYBOARD_S", u"S", 0x53, 0x53, 0x16, 18},
    {0x20, u"IDS_KEYBOARD_D", u"D", 0x44, 0x44, 0x07, 3},
    {0x21, u"IDS_KEYBOARD_F", u"F", 0x46, 0x46, 0x09, 5},
    {0x22, u"IDS_KEYBOARD_G", u"G", 0x47, 0x47, 0x0A, 6},
    {0x23, u"IDS_KEYBOARD_H", u"H", 0x48, 0x48, 0x0B, 7},
    {0x24, u"IDS_KEYBOARD_J", u"J", 0x4A, 0x4A, 0x0D, 9},
    {0x25, u"IDS_KEYBOARD_K", u"K", 0x4B, 0x4B, 0x0E, 10},
    {0x26, u"IDS_KEYBOARD_L", u"L", 0x4C, 0x4C, 0x0F, 11},
    {0x27, u"IDS_KEYBOARD_SEM", u";", 0xBA, 0xBA, 0x33, 46},
    {0x28, u"IDS_KEYBOARD_QUOT", u"'", 0xDE, 0xDE, 0x34, 47},
    {0x29, u"IDS_KEYBOARD_AID1", u"`", 0xC0, 0xC0, 0x35, 48},
    {0x2A, u"IDS_KEYBOARD_LSHIFT", u"Shift", 0xA0, 0xA0, 0xE1, kNoListPosition},
    {0x2B, u"IDS_KEYBOARD_AV", u"\\", 0xDC, 0xDC, 0x31, 45},
    {0x2C, u"IDS_KEYBOARD_Z", u"Z", 0x5A, 0x5A, 0x1D, 25},
    {0x2D, u"IDS_KEYBOARD_X", u"X", 0x58, 0x58, 0x1B, 23},
    {0x2E, u"IDS_KEYBOARD_C", u"C", 0x43, 0x43, 0x06, 2},
    {0x2F, u"IDS_KEYBOARD_V", u"V", 0x56, 0x56, 0x19, 21},
    {0x30, u"IDS_KEYBOARD_B", u"B", 0x42, 0x42, 0x05, 1},
    {0x31, u"IDS_KEYBOARD_N", u"N", 0x4E, 0x4E, 0x11, 13},
    {0x32, u"IDS_KEYBOARD_M", u"M", 0x4D, 0x4D, 0x10, 12},
    {0x33, u"IDS_KEYBOARD_COMMA", u",", 0xBC, 0xBC, 0x36, 49},
    {0x34, u"IDS_KEYBOARD_PER", u".", 0xBE, 0xBE, 0x37, 50},
    {0x35, u"IDS_KEYBOARD_VIR", u"/", 0xBF, 0xBF, 0x38, 51},
    {0x36, u"IDS_KEYBOARD_RSHIFT", u"Right Shift", 0xA1, 0xA1, 0xE5, kNoListPosition},
    {0x37, u"IDS_KEYBOARD_S_AST", u"Num *", 0x6A, 0x6A, 0x55, kNoListPosition},
    {0x38, u"IDS_KEYBOARD_LALT", u"Alt", 0xA4, 0xA4, 0xE2, kNoListPosition},
    {0x39, u"IDS_KEYBOARD_SPACE", u"Space", 0x20, 0x20, 0x2C, 40},
    {0x3A, u"IDS_KEYBOARD_CAPS", u"Caps Lock", 0x14, 0x14, 0x39, kNoListPosition},
    {0x3B, u"IDS_KEYBOARD_F1", u"F1", 0x70, 0x70, 0x3A, 52},
    {0x3C, u"IDS_KEYBOARD_F2", u"F2", 0x71, 0x71, 0x3B, 53},
    {0x3D, u"IDS_KEYBOARD_F3", u"F3", 0x72, 0x72, 0x3C, 54},
    {0x3E, u"IDS_KEYBOARD_F4", u"F4", 0x73, 0x73, 0x3D, 55},
    {0x3F, u"IDS_KEYBOARD_F5", u"F5", 0x74, 0x74, 0x3E, 56},
    {0x40, u"IDS_KEYBOARD_F6", u"F6", 0x75, 0x75, 0x3F, 57},
    {0x41, u"IDS_KEYBOARD_F7", u"F7", 0x76, 0x76, 0x40, 58},
    {0x42, u"IDS_KEYBOARD_F8", u"F8", 0x77, 0x77, 0x41, 59},
    {0x43, u"IDS_KEYBOARD_F9", u"F9", 0x78, 0x78, 0x42, 60},
    {0x44, u"IDS_KEYBOARD_F10", u"F10", 0x79, 0x79, 0x43, 61},
    {0x45, u"IDS_KEYBOARD_PAUSE", u"Pause", 0x13, 0x13, 0x48, 65},
    {0x46, u"IDS_KEYBOARD_SCROLL", u"Scroll Lock", 0x91, 0x91, 0x47, kNoListPosition},
    {0x47, u"IDS_KEYBOARD_S_7", u"Num 7", 0x67, 0x24, 0x5F, kNoListPosition},
    {0x48, u"IDS_KEYBOARD_S_8", u"Num 8", 0x68, 0x26, 0x60, kNoListPosition},
    {0x49, u"IDS_KEYBOARD_S_9", u"Num 9", 0x69, 0x21, 0x61, kNoListPosition},
    {0x4A, u"IDS_KEYBOARD_S_MINUS", u"Num -", 0x6D, 0x6D, 0x56, kNoListPosition},
    {0x4B, u"IDS_KEYBOARD_S_4", u"Num 4", 0x64, 0x25, 0x5C, kNoListPosition},
    {0x4C, u"IDS_KEYBOARD_S_5", u"Num 5", 0x65, 0x0C, 0x5D, kNoListPosition},
    {0x4D, u"IDS_KEYBOARD_S_6", u"Num 6", 0x66, 0x27, 0x5E, kNoListPosition},
    {0x4E, u"IDS_KEYBOARD_S_PLUS", u"Num +", 0x6B, 0x6B, 0x57, kNoListPosition},
    {0x4F, u"IDS_KEYBOARD_S_1", u"Num 1", 0x61, 0x23, 0x59, kNoListPosition},
    {0x50, u"IDS_KEYBOARD_S_2", u"Num 2", 0x62, 0x28, 0x5A, kNoListPosition},
    {0x51, u"IDS_KEYBOARD_S_3", u"Num 3", 0x63, 0x22, 0x5B, kNoListPosition},
    {0x52, u"IDS_KEYBOARD_S_0", u"Num 0", 0x60, 0x2D, 0x62, kNoListPosition},
    {0x53, u"IDS_KEYBOARD_S_DEL", u"Num .", 0x6E, 0x2E, 0x63, kNoListPosition},
    {0x54, u"IDS_KEYBOARD_SYSREQ", u"Sys Req", 0x2C, 0x2C, 0x00, kNoListPosition},
    {0x56, u"IDS_KEYBOARD_K45", u"K45", 0xE2, 0xE2, 0x64, kNoListPosition},
    {0x57, u"IDS_KEYBOARD_F11", u"F11", 0x7A, 0x7A, 0x44, 62},
    {0x58, u"IDS_KEYBOARD_F12", u"F12", 0x7B, 0x7B, 0x45, 63},
    {0x64, u"", u"F13", 0x7C, 0x7C, 0x00, kNoListPosition},
    {0x70, u"IDS_KEYBOARD_ROMA", u"ROMA (133)", 0xFF, 0xFF, 0x88, kNoListPosition},
    {0x71, u"IDS_KEYBOARD_KL", u"KL", 0xE9, 0xE9, 0x91, kNoListPosition},
    {0x72, u"IDS_KEYBOARD_KR", u"KR", 0xFF, 0xFF, 0x90, kNoListPosition},
    {0x73, u"IDS_KEYBOARD_K56", u"K56", 0xC1, 0xC1, 0x87, kNoListPosition},
    {0x79, u"IDS_KEYBOARD_CHG", u"CHG (132)", 0xFF, 0xFF, 0x8A, kNoListPosition},
    {0x7B, u"IDS_KEYBOARD_N_CHG", u"N-CHG (131)", 0xEB, 0xEB, 0x8B, kNoListPosition},
    {0x7D, u"IDS_KEYBOARD_K14", u"K14", 0xFF, 0xFF, 0x89, kNoListPosition},
    {0x7E, u"IDS_KEYBOARD_K107", u"K107", 0xC2, 0xC2, 0x85, kNoListPosition},
    {0x90, u"IDS_KEYBOARD_PREV_TRACK", u"Prev Track", 0xB1, 0xB1, 0xD0, kNoListPosition},
    {0x99, u"IDS_KEYBOARD_NEXT_TRACK", u"Next Track", 0xB0, 0xB0, 0xD1, kNoListPosition},
    {0x9C, u"IDS_KEYBOARD_S_ENTER", u"Num Enter", 0x0D, 0x0D, 0x58, kNoListPosition},
    {0x9D, u"IDS_KEYBOARD_RCTRL", u"Right Ctrl", 0xA3, 0xA3, 0xE4, kNoListPosition},
    {0xA0, u"IDS_KEYBOARD_MUTE", u"Mute", 0xAD, 0xAD, 0xCD, kNoListPosition},
    {0xA1, u"IDS_KEYBOARD_CALC", u"Calc", 0xB7, 0xB7, 0xC4, kNoListPosition},
    {0xA2, u"IDS_KEYBOARD_PLAY", u"Play/Pause", 0xB3, 0xB3, 0xCE, kNoListPosition},
    {0xA4, u"IDS_KEYBOARD_STOP", u"Stop Play", 0xB2, 0xB2, 0xCF, kNoListPosition},
    {0xAE, u"IDS_KEYBOARD_VOL_SUB", u"V-", 0xAE, 0xAE, 0xC1, kNoListPosition},
    {0xB0, u"IDS_KEYBOARD_VOL_ADD", u"V+", 0xAF, 0xAF, 0xC0, kNoListPosition},
    {0xB2, u"IDS_KEYBOARD_W_HOME", u"WWW Home", 0xAC, 0xAC, 0xC7, kNoListPosition},
    {0xB5, u"IDS_KEYBOARD_S_VIR", u"Num /", 0x6F, 0x6F, 0x54, kNoListPosition},
    {0xB6, u"IDS_KEYBOARD_RSHIFT", u"Right Shift", 0xA1, 0xA1, 0xE5, kNoListPosition},
    {0xB7, u"IDS_KEYBOARD_PRINT", u"Print Screen", 0x2C, 0x2C, 0x46, 64},
    {0xB8, u"IDS_KEYBOARD_RALT", u"Right Alt", 0xA5, 0xA5, 0xE6, kNoListPosition},
    {0xC5, u"IDS_KEYBOARD_NUM", u"Num Lock", 0x90, 0x90, 0x53, kNoListPosition},
    {0xC6, u"IDS_KEYBOARD_BREAK", u"Break", 0x03, 0x03, 0x48, 66},
    {0xC7, u"IDS_KEYBOARD_HOME", u"Home", 0x24, 0x24, 0x4A, 69},
    {0xC8, u"IDS_KEYBOARD_UP", u"\u2191", 0x26, 0x26, 0x52, 73},
    {0xC9, u"IDS_KEYBOARD_PAGE_UP", u"Page Up", 0x21, 0x21, 0x4B, 71},
    {0xCB, u"IDS_KEYBOARD_LEFT", u"\u2190", 0x25, 0x25, 0x50, kNoListPosition},
    {0xCD, u"IDS_KEYBOARD_RIGHT", u"\u2192", 0x27, 0x27, 0x4F, kNoListPosition},
    {0xCF, u"IDS_KEYBOARD_END", u"End", 0x23, 0x23, 0x4D, 70},
    {0xD0, u"IDS_KEYBOARD_DOWN", u"\u2193", 0x28, 0x28, 0x51, 74},
    {0xD1, u"IDS_KEYBOARD_PAGE_DOWN", u"Page Down", 0x22, 0x22, 0x4E, 72},
    {0xD2, u"IDS_KEYBOARD_INSERT", u"Insert", 0x2D, 0x2D, 0x49, 67},
    {0xD3, u"IDS_KEYBOARD_DELETE", u"Delete", 0x2E, 0x2E, 0x4C, 68},
    {0xDB, u"IDS_KEYBOARD_LWIN", u"Win", 0x5B, 0x5B, 0xE3, kNoListPosition},
    {0xDC, u"IDS_KEYBOARD_RWIN", u"Right Win", 0x5C, 0x5C, 0xE7, kNoListPosition},
    {0xDD, u"IDS_KEYBOARD_APP", u"App", 0x5D, 0x5D, 0x65, kNoListPosition},
    {0xDE, u"IDS_KEYBOARD_POWER", u"Power", 0xFF, 0xFF, 0x81, kNoListPosition},
    {0xDF, u"IDS_KEYBOARD_SLEEP", u"Sleep", 0x5F, 0x5F, 0x82, kNoListPosition},
    {0xE1, u"IDS_ROLL_UP", u"Roll Up", 0xD1, 0xD1, 0xF4, kNoListPosition},
    {0xE2, u"IDS_ROLL_DOWN", u"Roll Down", 0xD2, 0xD2, 0xF5, kNoListPosition},
    {0xE3, u"IDS_KEYBOARD_WAKE", u"Wake", 0xFF, 0xFF, 0x83, kNoListPosition},
    {0xE5, u"IDS_KEYBOARD_W_SEARCH", u"WWW Search", 0xAA, 0xAA, 0xC6, kNoListPosition},
    {0xE6, u"IDS_KEYBOARD_W_FAVORITE", u"WWW Favorite", 0xAB, 0xAB, 0xCC, kNoListPosition},
    {0xE7, u"IDS_KEYBOARD_W_REFRESH", u"WWW Refresh", 0xA8, 0xA8, 0xCB, kNoListPosition},
    {0xE8, u"IDS_KEYBOARD_W_STOP", u"WWW Stop", 0xA9, 0xA9, 0xCA, kNoListPosition},
    {0xE9, u"IDS_KEYBOARD_W_FORWARD", u"WWW Forward", 0xA7, 0xA7, 0xC9, kNoListPosition},
    {0xEA, u"IDS_KEYBOARD_W_BACK", u"WWW Back", 0xA6, 0xA6, 0xC8, kNoListPosition},
    {0xEB, u"IDS_KEYBOARD_MY_PC", u"My PC", 0xB6, 0xB6, 0xC5, kNoListPosition},
    {0xEC, u"IDS_KEYBOARD_MAIL", u"Mail", 0xB4, 0xB4, 0xC3, kNoListPosition},
    {0xED, u"IDS_KEYBOARD_MEDIA", u"Media Player", 0xB5, 0xB5, 0xC2, kNoListPosition},
    {0xEE, u"IDS_KEYBOARD_MOU_PANLEFT", u"Pan Left", 0x88, 0x88, 0x00, kNoListPosition},
    {0xEF, u"IDS_KEYBOARD_MOU_PANRIGHT", u"Pan Right", 0x89, 0x89, 0x00, kNoListPosition},
    {0xF0, u"IDS_KEYBOARD_MOU_DBCLICK", u"Double Click", 0x8A, 0x8A, 0x00, kNoListPosition},
    {0xF1, u"IDS_KEYBOARD_MOU_LEFT", u"Left Button", 0x01, 0x01, 0xF1, kNoListPosition},
    {0xF2, u"IDS_KEYBOARD_MOU_RIGHT", u"Right Button", 0x02, 0x02, 0xF2, kNoListPosition},
    {0xF3, u"IDS_KEYBOARD_MOU_MIDDLE", u"Middle Button", 0x04, 0x04, 0xF3, kNoListPosition},
    {0xF4, u"IDS_KEYBOARD_FUNC_ZOOMOUT", u"Zoom-", 0x8B, 0x8B, 0xD2, kNoListPosition},
    {0xF5, u"IDS_KEYBOARD_FUNC_ZOOMIN", u"Zoom+", 0x8C, 0x8C, 0xD3, kNoListPosition},
    {0xF6, u"IDS_KEYBOARD_FUNC_COPY", u"Copy", 0x97, 0x97, 0x00, kNoListPosition},
    {0xF7, u"IDS_KEYBOARD_FUNC_CUT", u"Cut", 0x98, 0x98, 0x00, kNoListPosition},
    {0xF8, u"IDS_KEYBOARD_FUNC_PASTE", u"Paste", 0x99, 0x99, 0x00, kNoListPosition},
    {0xF9, u"IDS_KEYBOARD_FUNC_MINI", u"Minimize", 0x9A, 0x9A, 0x00, kNoListPosition},
    {0xFA, u"IDS_KEYBOARD_FUNC_MAXI", u"Maximize", 0x9B, 0x9B, 0x00, kNoListPosition},
    {0xFB, u"IDS_KEYBOARD_FUNC_WORD", u"Word", 0x9C, 0x9C, 0xD4, kNoListPosition},
    {0xFC, u"IDS_KEYBOARD_FUNC_EXCEL", u"Excel", 0x9D, 0x9D, 0xD5, kNoListPosition},
    {0xFD, u"IDS_KEYBOARD_FUNC_POWERPOINT", u"PowerPoint", 0x9E, 0x9E, 0x00, kNoListPosition},
    {0xFE, u"IDS_KEYBOARD_FUNC_CALENDAR", u"Calendar", 0x9F, 0x9F, 0x00, kNoListPosition},
};

constexpr std::array<KeyRecord, kCatalogueSize> BuildCatalogue() {
  std::array<KeyRecord, kCatalogueSize> table{};
  for (const Row& row : kRows) {
    table[row.index] = {row.textKey, row.label,      row.vk,
                        row.altVk,   row.deviceCode, row.listPosition};
  }
  return table;
}

constexpr std::array<KeyRecord, kCatalogueSize> kCatalogue = BuildCatalogue();

constexpr std::array<std::uint16_t, kConsumerTableSize> kConsumerUsages{
    0x0E9, 0x0EA, 0x183, 0x18A, 0x192, 0x194, 0x221, 0x223, 0x224,
    0x225, 0x226, 0x227, 0x22A, 0x0E2, 0x0CD, 0x0B7, 0x0B6, 0x0B5};

// The inverse of the VK column: the lowest index carrying a VK, with the
// choices the platform's reports need where the column is ambiguous or silent.
constexpr std::array<std::uint8_t, 256> BuildVirtualKeyMap() {
  std::array<std::uint8_t, 256> map{};
  for (std::size_t i = kCatalogueSize; i-- > 0;) {
    if (kCatalogue[i].vk != 0) map[kCatalogue[i].vk] = static_cast<std::uint8_t>(i);
  }
  map[0x2C] = 0xB7;  // Print Screen, not Sys Req
  map[0x10] = 0x2A;  // generic Shift, Ctrl, Alt: the left keys
  map[0x11] = 0x1D;
  map[0x12] = 0x38;
  map[0xFF] = 0;
  return map;
}

constexpr std::array<std::uint8_t, 256> kVirtualKeyMap = BuildVirtualKeyMap();

// The lowest catalogue index of every device code (0 = none).
constexpr std::array<std::uint8_t, 256> BuildDeviceCodeIndex() {
  std::array<std::uint8_t, 256> index{};
  for (std::size_t i = kCatalogueSize; i-- > 0;) {
    index[kCatalogue[i].deviceCode] = static_cast<std::uint8_t>(i);
  }
  index[0] = 0;
  return index;
}

constexpr std::array<std::uint8_t, 256> kIndexByDeviceCode = BuildDeviceCodeIndex();

// The catalogue index at each list position.
constexpr std::array<std::uint8_t, kKeyListSize> BuildListIndex() {
  std::array<std::uint8_t, kKeyListSize> index{};
  for (std::size_t i = kCatalogueSize; i-- > 0;) {
    const std::uint8_t position = kCatalogue[i].listPosition;
    if (position < kKeyListSize) index[position] = static_cast<std::uint8_t>(i);
  }
  return index;
}

constexpr std::array<std::uint8_t, kKeyListSize> kIndexByListPosition = BuildListIndex();

// Modifier keys in the bit order of the HID keyboard report's modifier byte.
constexpr std::array<KeyCode, 8> kModifierCodes{0x01D, 0x02A, 0x038, 0x15B,
                                                0x11D, 0x036, 0x138, 0x15C};

constexpr bool InRange(unsigned value, unsigned low, unsigned high) {
  return value >= low && value <= high;
}

}  // namespace

const KeyRecord& CatalogueRecord(std::size_t index) {
  return kCatalogue[index & 0xFF];
}

const KeyRecord* RecordFromCode(KeyCode code) {
  const unsigned slot = KeySlotFromCode(code);
  return slot < kCatalogueSize ? &kCatalogue[slot] : nullptr;
}

std::uint16_t ConsumerUsageAt(std::size_t position) {
  return position < kConsumerUsages.size() ? kConsumerUsages[position] : 0;
}

KeyCode KeyCodeFromIndex(std::size_t index) {
  index &= 0xFF;
  return static_cast<KeyCode>(index < 0x80 ? index : index + 0x80);
}

unsigned KeySlotFromCode(KeyCode code) {
  if (code < 0x100) return code;
  if (code < 0x200) return (code - 0x80u) & 0xFFu;
  return code - 0x100u;
}

DeviceUsage DeviceUsageFromCode(KeyCode code) {
  const KeyRecord* record = RecordFromCode(code);
  if (record == nullptr) return {};
  const std::uint8_t d = record->deviceCode;
  if (d == 0x00 || d == 0xFF) return {};
  if (InRange(d, 0x81, 0x83)) return {1, d};
  if (InRange(d, 0xF1, 0xF8)) return {2, d};
  return {7, d};
}

KeyCode CodeFromDeviceUsage(DeviceUsage usage) {
  unsigned d = 0;
  if (usage.kind == 7) {
    d = usage.value;
  } else if (usage.kind == 1) {
    d = InRange(usage.value, 0x81, 0x83) ? usage.value : 0;
  } else if (usage.kind == 12) {
    for (std::size_t i = 0; i < kConsumerUsages.size(); ++i) {
      if (kConsumerUsages[i] == usage.value) {
        d = static_cast<unsigned>(0xC0 + i);
        break;
      }
    }
  }
  if (d == 0 || d > 0xFF) return 0;
  const std::uint8_t index = kIndexByDeviceCode[d];
  return index == 0 ? 0 : KeyCodeFromIndex(index);
}

KeyCode CodeFromModifierBits(std::uint8_t bits) {
  for (std::size_t bit = 0; bit < kModifierCodes.size(); ++bit) {
    if (bits & (1u << bit)) return kModifierCodes[bit];
  }
  return 0;
}

KeyCode CodeFromDeviceKeyRecord(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2) {
  switch (b0) {
    case 1:
      if (b1 == 1) {
        if (b2 == 1) return 0x171;
        if (b2 == 2) return 0x172;
        if (b2 == 4) return 0x173;
      } else if (b1 == 5) {
        if (b2 == 0x01) return 0x161;
        if (b2 == 0xFF) return 0x162;
      }
      return 0;
    case 2:
      return b1 == 2 ? CodeFromDeviceUsage({7, b2}) : CodeFromModifierBits(b2);
    case 3:
      return CodeFromDeviceUsage({12, static_cast<std::uint16_t>(b1 | (b2 << 8))});
    case 4:
      return CodeFromDeviceUsage({1, static_cast<std::uint16_t>(b1 | (b2 << 8))});
    case 6:
      return b1 == 0xA2 ? static_cast<KeyCode>(0x1FF + b2) : 0;
    default:
      return 0;
  }
}

KeyCode CodeFromVirtualKey(std::uint8_t vk) {
  return KeyCodeFromIndex(kVirtualKeyMap[vk]);
}

KeyCode CodeFromKeyMessage(std::uint8_t vk, std::uint32_t message) {
  const auto scanned = static_cast<KeyCode>((message >> 16) & 0x1FF);
  if (scanned == 0x036) return 0x036;  // Right Shift, whatever the virtual key says
  const KeyCode mapped = CodeFromVirtualKey(vk);
  if (vk == 0xFF) return scanned;
  const auto scanByte = static_cast<std::uint8_t>(scanned & 0xFF);
  if (scanByte == 0) return mapped;
  const KeyRecord& record = kCatalogue[KeySlotFromCode(scanned)];
  const bool tied = record.vk == vk || record.altVk == vk || kVirtualKeyMap[vk] == scanByte;
  return tied ? scanned : mapped;
}

unsigned ListPositionFromCode(KeyCode code) {
  const KeyRecord* record = RecordFromCode(code);
  return record == nullptr ? kNoListPosition : record->listPosition;
}

KeyCode CodeFromListPosition(std::size_t position) {
  if (position >= kKeyListSize) return 0;
  return KeyCodeFromIndex(kIndexByListPosition[position]);
}

HidUsage HidUsageFromCode(KeyCode code) {
  const KeyRecord* record = RecordFromCode(code);
  if (record == nullptr) return {};
  const std::uint8_t d = record->deviceCode;
  if (d == 0x00 || d == 0xFF) return {};
  if (InRange(d, 0x81, 0x83)) return {UsagePage::GenericDesktop, d};
  if (InRange(d, 0xC0, 0xDF)) return {UsagePage::Consumer, ConsumerUsageAt(d - 0xC0u)};
  if (InRange(d, 0xF1, 0xF8)) return {UsagePage::Mouse, d};
  return {UsagePage::Keyboard, d};
}

bool IsOneShotKey(KeyCode code) {
  return code == 0x054 || code == 0x071 || code == 0x072 || code == 0x137;
}

std::uint8_t ModifierBitFromCode(KeyCode code) {
  for (std::size_t bit = 0; bit < kModifierCodes.size(); ++bit) {
    if (kModifierCodes[bit] == code) return static_cast<std::uint8_t>(1u << bit);
  }
  return 0;
}

}  // namespace ombrex
