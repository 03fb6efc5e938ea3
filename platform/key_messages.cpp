#include "platform/key_messages.h"

#include <algorithm>
#include <array>

namespace ombrex {
namespace {

// Keysyms by their X names (X11/keysymdef.h, XF86keysym.h).
namespace xk {
inline constexpr std::uint32_t kBackSpace = 0xff08, kTab = 0xff09, kReturn = 0xff0d,
                               kPause = 0xff13, kScrollLock = 0xff14, kSysReq = 0xff15,
                               kEscape = 0xff1b, kMuhenkan = 0xff22, kHome = 0xff50, kLeft = 0xff51,
                               kUp = 0xff52, kRight = 0xff53, kDown = 0xff54, kPrior = 0xff55,
                               kNext = 0xff56, kEnd = 0xff57, kPrint = 0xff61, kInsert = 0xff63,
                               kMenu = 0xff67, kModeSwitch = 0xff7e, kNumLock = 0xff7f,
                               kKpEnter = 0xff8d, kKpHome = 0xff95, kKpLeft = 0xff96,
                               kKpUp = 0xff97, kKpRight = 0xff98, kKpDown = 0xff99,
                               kKpPrior = 0xff9a, kKpNext = 0xff9b, kKpEnd = 0xff9c,
                               kKpBegin = 0xff9d, kKpInsert = 0xff9e, kKpDelete = 0xff9f,
                               kKpMultiply = 0xffaa, kKpAdd = 0xffab, kKpSubtract = 0xffad,
                               kKpDecimal = 0xffae, kKpDivide = 0xffaf, kKp0 = 0xffb0, kF1 = 0xffbe,
                               kShiftL = 0xffe1, kShiftR = 0xffe2, kControlL = 0xffe3,
                               kControlR = 0xffe4, kCapsLock = 0xffe5, kMetaL = 0xffe7,
                               kMetaR = 0xffe8, kAltL = 0xffe9, kAltR = 0xffea, kSuperL = 0xffeb,
                               kSuperR = 0xffec, kDelete = 0xffff, kIsoLevel3Shift = 0xfe03,
                               kIsoLeftTab = 0xfe20;
inline constexpr std::uint32_t kAudioLowerVolume = 0x1008ff11, kAudioMute = 0x1008ff12,
                               kAudioRaiseVolume = 0x1008ff13, kAudioPlay = 0x1008ff14,
                               kAudioStop = 0x1008ff15, kAudioPrev = 0x1008ff16,
                               kAudioNext = 0x1008ff17, kHomePage = 0x1008ff18, kMail = 0x1008ff19,
                               kSearch = 0x1008ff1b, kCalculator = 0x1008ff1d, kBack = 0x1008ff26,
                               kForward = 0x1008ff27, kStop = 0x1008ff28, kRefresh = 0x1008ff29,
                               kSleep = 0x1008ff2f, kFavorites = 0x1008ff30,
                               kAudioPause = 0x1008ff31, kAudioMedia = 0x1008ff32,
                               kMyComputer = 0x1008ff33, kTools = 0x1008ff81;
}  // namespace xk

using Syms = std::initializer_list<KeysymVk>;

// A letter gives the same virtual key in both cases.
constexpr std::array<KeysymVk, 2> Letter(char upper) {
  return {{{static_cast<std::uint32_t>(upper), static_cast<std::uint8_t>(upper)},
           {static_cast<std::uint32_t>(upper - 'A' + 'a'), static_cast<std::uint8_t>(upper)}}};
}

constexpr std::array<KeysymVk, 1> Plain(std::uint32_t keysym, std::uint8_t vk) {
  return {{{keysym, vk}}};
}

// Keysyms per physical key. Letters and digits are named by their unshifted
// and (letters) shifted keysym; shifted punctuation depends on the layout
// and is left to the scan code.
constexpr auto kEscape = Plain(xk::kEscape, 0x1B);
constexpr auto kDigit1 = Plain('1', 0x31);
constexpr auto kDigit2 = Plain('2', 0x32);
constexpr auto kDigit3 = Plain('3', 0x33);
constexpr auto kDigit4 = Plain('4', 0x34);
constexpr auto kDigit5 = Plain('5', 0x35);
constexpr auto kDigit6 = Plain('6', 0x36);
constexpr auto kDigit7 = Plain('7', 0x37);
constexpr auto kDigit8 = Plain('8', 0x38);
constexpr auto kDigit9 = Plain('9', 0x39);
constexpr auto kDigit0 = Plain('0', 0x30);
constexpr auto kMinus = Plain('-', 0xBD);
constexpr auto kEqual = Plain('=', 0xBB);
constexpr auto kBackSpace = Plain(xk::kBackSpace, 0x08);
constexpr std::array<KeysymVk, 2> kTab{{{xk::kTab, 0x09}, {xk::kIsoLeftTab, 0x09}}};
constexpr auto kQ = Letter('Q'), kW = Letter('W'), kE = Letter('E'), kR = Letter('R'),
               kT = Letter('T'), kY = Letter('Y'), kU = Letter('U'), kI = Letter('I'),
               kO = Letter('O'), kP = Letter('P'), kA = Letter('A'), kS = Letter('S'),
               kD = Letter('D'), kF = Letter('F'), kG = Letter('G'), kH = Letter('H'),
               kJ = Letter('J'), kK = Letter('K'), kL = Letter('L'), kZ = Letter('Z'),
               kX = Letter('X'), kC = Letter('C'), kV = Letter('V'), kB = Letter('B'),
               kN = Letter('N'), kM = Letter('M');
constexpr auto kBracketLeft = Plain('[', 0xDB);
constexpr auto kBracketRight = Plain(']', 0xDD);
constexpr auto kReturn = Plain(xk::kReturn, 0x0D);
constexpr auto kControlL = Plain(xk::kControlL, 0xA2);
constexpr auto kSemicolon = Plain(';', 0xBA);
constexpr auto kApostrophe = Plain('\'', 0xDE);
constexpr auto kGrave = Plain('`', 0xC0);
constexpr auto kShiftL = Plain(xk::kShiftL, 0xA0);
constexpr auto kBackslash = Plain('\\', 0xDC);
constexpr auto kComma = Plain(',', 0xBC);
constexpr auto kPeriod = Plain('.', 0xBE);
constexpr auto kSlash = Plain('/', 0xBF);
constexpr auto kShiftR = Plain(xk::kShiftR, 0xA1);
constexpr auto kKpMultiply = Plain(xk::kKpMultiply, 0x6A);
// Shift+Alt gives Meta on the Alt keys.
constexpr std::array<KeysymVk, 2> kAltL{{{xk::kAltL, 0xA4}, {xk::kMetaL, 0xA4}}};
constexpr auto kSpace = Plain(' ', 0x20);
constexpr auto kCapsLock = Plain(xk::kCapsLock, 0x14);
constexpr auto kF1 = Plain(xk::kF1 + 0, 0x70), kF2 = Plain(xk::kF1 + 1, 0x71),
               kF3 = Plain(xk::kF1 + 2, 0x72), kF4 = Plain(xk::kF1 + 3, 0x73),
               kF5 = Plain(xk::kF1 + 4, 0x74), kF6 = Plain(xk::kF1 + 5, 0x75),
               kF7 = Plain(xk::kF1 + 6, 0x76), kF8 = Plain(xk::kF1 + 7, 0x77),
               kF9 = Plain(xk::kF1 + 8, 0x78), kF10 = Plain(xk::kF1 + 9, 0x79),
               kF11 = Plain(xk::kF1 + 10, 0x7A), kF12 = Plain(xk::kF1 + 11, 0x7B),
               kF13 = Plain(xk::kF1 + 12, 0x7C);
constexpr auto kNumLock = Plain(xk::kNumLock, 0x90);
constexpr auto kScrollLock = Plain(xk::kScrollLock, 0x91);
// Keypad digits: the digit with Num Lock on, the movement without.
constexpr std::array<KeysymVk, 2> Keypad(int digit, std::uint32_t moveSym, std::uint8_t moveVk) {
  return {{{xk::kKp0 + digit, static_cast<std::uint8_t>(0x60 + digit)}, {moveSym, moveVk}}};
}
constexpr auto kKp7 = Keypad(7, xk::kKpHome, 0x24), kKp8 = Keypad(8, xk::kKpUp, 0x26),
               kKp9 = Keypad(9, xk::kKpPrior, 0x21), kKp4 = Keypad(4, xk::kKpLeft, 0x25),
               kKp5 = Keypad(5, xk::kKpBegin, 0x0C), kKp6 = Keypad(6, xk::kKpRight, 0x27),
               kKp1 = Keypad(1, xk::kKpEnd, 0x23), kKp2 = Keypad(2, xk::kKpDown, 0x28),
               kKp3 = Keypad(3, xk::kKpNext, 0x22), kKp0 = Keypad(0, xk::kKpInsert, 0x2D);
constexpr auto kKpSubtract = Plain(xk::kKpSubtract, 0x6D);
constexpr auto kKpAdd = Plain(xk::kKpAdd, 0x6B);
constexpr std::array<KeysymVk, 2> kKpDecimal{{{xk::kKpDecimal, 0x6E}, {xk::kKpDelete, 0x2E}}};
constexpr auto kMuhenkan = Plain(xk::kMuhenkan, 0xEB);
constexpr auto kKpEnter = Plain(xk::kKpEnter, 0x0D);
constexpr auto kControlR = Plain(xk::kControlR, 0xA3);
constexpr auto kKpDivide = Plain(xk::kKpDivide, 0x6F);
// Alt+Print gives Sys_Req; Windows still reports the Print Screen key.
constexpr std::array<KeysymVk, 2> kPrint{{{xk::kPrint, 0x2C}, {xk::kSysReq, 0x2C}}};
// Layouts with AltGr put ISO_Level3_Shift (or Mode_switch) there: Right Alt.
constexpr std::array<KeysymVk, 4> kAltR{
    {{xk::kAltR, 0xA5}, {xk::kIsoLevel3Shift, 0xA5}, {xk::kModeSwitch, 0xA5}, {xk::kMetaR, 0xA5}}};
constexpr auto kHome = Plain(xk::kHome, 0x24);
constexpr auto kUp = Plain(xk::kUp, 0x26);
constexpr auto kPrior = Plain(xk::kPrior, 0x21);
constexpr auto kLeft = Plain(xk::kLeft, 0x25);
constexpr auto kRight = Plain(xk::kRight, 0x27);
constexpr auto kEnd = Plain(xk::kEnd, 0x23);
constexpr auto kDown = Plain(xk::kDown, 0x28);
constexpr auto kNext = Plain(xk::kNext, 0x22);
constexpr auto kInsert = Plain(xk::kInsert, 0x2D);
constexpr auto kDelete = Plain(xk::kDelete, 0x2E);
constexpr auto kMute = Plain(xk::kAudioMute, 0xAD);
constexpr auto kVolumeDown = Plain(xk::kAudioLowerVolume, 0xAE);
constexpr auto kVolumeUp = Plain(xk::kAudioRaiseVolume, 0xAF);
// Ctrl+Pause gives the Break keysym; the scan code then names the Pause key,
// which is what the keyboard plays with Ctrl held.
constexpr auto kPause = Plain(xk::kPause, 0x13);
constexpr auto kSuperL = Plain(xk::kSuperL, 0x5B);
constexpr auto kSuperR = Plain(xk::kSuperR, 0x5C);
constexpr auto kMenu = Plain(xk::kMenu, 0x5D);
constexpr auto kWwwStop = Plain(xk::kStop, 0xA9);
constexpr auto kCalculator = Plain(xk::kCalculator, 0xB7);
constexpr auto kSleep = Plain(xk::kSleep, 0x5F);
constexpr auto kMail = Plain(xk::kMail, 0xB4);
constexpr auto kFavorites = Plain(xk::kFavorites, 0xAB);
constexpr auto kMyComputer = Plain(xk::kMyComputer, 0xB6);
constexpr auto kBack = Plain(xk::kBack, 0xA6);
constexpr auto kForward = Plain(xk::kForward, 0xA7);
constexpr auto kAudioNext = Plain(xk::kAudioNext, 0xB0);
constexpr std::array<KeysymVk, 2> kAudioPlay{{{xk::kAudioPlay, 0xB3}, {xk::kAudioPause, 0xB3}}};
constexpr auto kAudioPrev = Plain(xk::kAudioPrev, 0xB1);
constexpr auto kAudioStop = Plain(xk::kAudioStop, 0xB2);
constexpr auto kTools = Plain(xk::kTools, 0xB5);
constexpr auto kHomePage = Plain(xk::kHomePage, 0xAC);
constexpr auto kRefresh = Plain(xk::kRefresh, 0xA8);
constexpr auto kSearch = Plain(xk::kSearch, 0xAA);
constexpr auto kAudioMedia = Plain(xk::kAudioMedia, 0xB5);

// Every key we know, by evdev code (linux/input-event-codes.h). The set-1
// codes are those Windows reports: Num Lock extended, Pause not, Print Screen
// as E0 37. Keys whose keysym depends on the layout alone (the ISO key, the
// Japanese and Korean keys) carry no keysym: the scan code names them.
constexpr std::array kRows{
    KeyMessageRow{1, 0x001, kEscape},
    KeyMessageRow{2, 0x002, kDigit1},
    KeyMessageRow{3, 0x003, kDigit2},
    KeyMessageRow{4, 0x004, kDigit3},
    KeyMessageRow{5, 0x005, kDigit4},
    KeyMessageRow{6, 0x006, kDigit5},
    KeyMessageRow{7, 0x007, kDigit6},
    KeyMessageRow{8, 0x008, kDigit7},
    KeyMessageRow{9, 0x009, kDigit8},
    KeyMessageRow{10, 0x00A, kDigit9},
    KeyMessageRow{11, 0x00B, kDigit0},
    KeyMessageRow{12, 0x00C, kMinus},
    KeyMessageRow{13, 0x00D, kEqual},
    KeyMessageRow{14, 0x00E, kBackSpace},
    KeyMessageRow{15, 0x00F, kTab},
    KeyMessageRow{16, 0x010, kQ},
    KeyMessageRow{17, 0x011, kW},
    KeyMessageRow{18, 0x012, kE},
    KeyMessageRow{19, 0x013, kR},
    KeyMessageRow{20, 0x014, kT},
    KeyMessageRow{21, 0x015, kY},
    KeyMessageRow{22, 0x016, kU},
    KeyMessageRow{23, 0x017, kI},
    KeyMessageRow{24, 0x018, kO},
    KeyMessageRow{25, 0x019, kP},
    KeyMessageRow{26, 0x01A, kBracketLeft},
    KeyMessageRow{27, 0x01B, kBracketRight},
    KeyMessageRow{28, 0x01C, kReturn},
    KeyMessageRow{29, 0x01D, kControlL},
    KeyMessageRow{30, 0x01E, kA},
    KeyMessageRow{31, 0x01F, kS},
    KeyMessageRow{32, 0x020, kD},
    KeyMessageRow{33, 0x021, kF},
    KeyMessageRow{34, 0x022, kG},
    KeyMessageRow{35, 0x023, kH},
    KeyMessageRow{36, 0x024, kJ},
    KeyMessageRow{37, 0x025, kK},
    KeyMessageRow{38, 0x026, kL},
    KeyMessageRow{39, 0x027, kSemicolon},
    KeyMessageRow{40, 0x028, kApostrophe},
    KeyMessageRow{41, 0x029, kGrave},
    KeyMessageRow{42, 0x02A, kShiftL},
    KeyMessageRow{43, 0x02B, kBackslash},
    KeyMessageRow{44, 0x02C, kZ},
    KeyMessageRow{45, 0x02D, kX},
    KeyMessageRow{46, 0x02E, kC},
    KeyMessageRow{47, 0x02F, kV},
    KeyMessageRow{48, 0x030, kB},
    KeyMessageRow{49, 0x031, kN},
    KeyMessageRow{50, 0x032, kM},
    KeyMessageRow{51, 0x033, kComma},
    KeyMessageRow{52, 0x034, kPeriod},
    KeyMessageRow{53, 0x035, kSlash},
    KeyMessageRow{54, 0x036, kShiftR},
    KeyMessageRow{55, 0x037, kKpMultiply},
    KeyMessageRow{56, 0x038, kAltL},
    KeyMessageRow{57, 0x039, kSpace},
    KeyMessageRow{58, 0x03A, kCapsLock},
    KeyMessageRow{59, 0x03B, kF1},
    KeyMessageRow{60, 0x03C, kF2},
    KeyMessageRow{61, 0x03D, kF3},
    KeyMessageRow{62, 0x03E, kF4},
    KeyMessageRow{63, 0x03F, kF5},
    KeyMessageRow{64, 0x040, kF6},
    KeyMessageRow{65, 0x041, kF7},
    KeyMessageRow{66, 0x042, kF8},
    KeyMessageRow{67, 0x043, kF9},
    KeyMessageRow{68, 0x044, kF10},
    KeyMessageRow{69, 0x145, kNumLock},
    KeyMessageRow{70, 0x046, kScrollLock},
    KeyMessageRow{71, 0x047, kKp7},
    KeyMessageRow{72, 0x048, kKp8},
    KeyMessageRow{73, 0x049, kKp9},
    KeyMessageRow{74, 0x04A, kKpSubtract},
    KeyMessageRow{75, 0x04B, kKp4},
    KeyMessageRow{76, 0x04C, kKp5},
    KeyMessageRow{77, 0x04D, kKp6},
    KeyMessageRow{78, 0x04E, kKpAdd},
    KeyMessageRow{79, 0x04F, kKp1},
    KeyMessageRow{80, 0x050, kKp2},
    KeyMessageRow{81, 0x051, kKp3},
    KeyMessageRow{82, 0x052, kKp0},
    KeyMessageRow{83, 0x053, kKpDecimal},
    KeyMessageRow{86, 0x056, {}},
    KeyMessageRow{87, 0x057, kF11},
    KeyMessageRow{88, 0x058, kF12},
    KeyMessageRow{89, 0x073, {}},
    KeyMessageRow{92, 0x079, {}},
    KeyMessageRow{93, 0x070, {}},
    KeyMessageRow{94, 0x07B, kMuhenkan},
    KeyMessageRow{96, 0x11C, kKpEnter},
    KeyMessageRow{97, 0x11D, kControlR},
    KeyMessageRow{98, 0x135, kKpDivide},
    KeyMessageRow{99, 0x137, kPrint},
    KeyMessageRow{100, 0x138, kAltR},
    KeyMessageRow{102, 0x147, kHome},
    KeyMessageRow{103, 0x148, kUp},
    KeyMessageRow{104, 0x149, kPrior},
    KeyMessageRow{105, 0x14B, kLeft},
    KeyMessageRow{106, 0x14D, kRight},
    KeyMessageRow{107, 0x14F, kEnd},
    KeyMessageRow{108, 0x150, kDown},
    KeyMessageRow{109, 0x151, kNext},
    KeyMessageRow{110, 0x152, kInsert},
    KeyMessageRow{111, 0x153, kDelete},
    KeyMessageRow{113, 0x120, kMute},
    KeyMessageRow{114, 0x12E, kVolumeDown},
    KeyMessageRow{115, 0x130, kVolumeUp},
    KeyMessageRow{116, 0x15E, {}},
    KeyMessageRow{119, 0x045, kPause},
    KeyMessageRow{121, 0x07E, {}},
    KeyMessageRow{122, 0x072, {}},
    KeyMessageRow{123, 0x071, {}},
    KeyMessageRow{124, 0x07D, {}},
    KeyMessageRow{125, 0x15B, kSuperL},
    KeyMessageRow{126, 0x15C, kSuperR},
    KeyMessageRow{127, 0x15D, kMenu},
    KeyMessageRow{128, 0x168, kWwwStop},
    KeyMessageRow{140, 0x121, kCalculator},
    KeyMessageRow{142, 0x15F, kSleep},
    KeyMessageRow{143, 0x163, {}},
    KeyMessageRow{155, 0x16C, kMail},
    KeyMessageRow{156, 0x166, kFavorites},
    KeyMessageRow{157, 0x16B, kMyComputer},
    KeyMessageRow{158, 0x16A, kBack},
    KeyMessageRow{159, 0x169, kForward},
    KeyMessageRow{163, 0x119, kAudioNext},
    KeyMessageRow{164, 0x122, kAudioPlay},
    KeyMessageRow{165, 0x110, kAudioPrev},
    KeyMessageRow{166, 0x124, kAudioStop},
    KeyMessageRow{171, 0x16D, kTools},
    KeyMessageRow{172, 0x132, kHomePage},
    KeyMessageRow{173, 0x167, kRefresh},
    KeyMessageRow{183, 0x064, kF13},
    KeyMessageRow{217, 0x165, kSearch},
    KeyMessageRow{226, 0x16D, kAudioMedia},
};

constexpr std::uint32_t kXKeycodeOffset = 8;
constexpr std::uint8_t kUnknownVk = 0xFF;

}  // namespace

std::uint16_t KeyMessage::ScanCode() const {
  return static_cast<std::uint16_t>((param >> key_message_bits::kScanShift) &
                                    key_message_bits::kScanMask);
}

std::uint32_t KeyMessageParam(std::uint16_t scanCode, KeyTransition transition) {
  using namespace key_message_bits;
  std::uint32_t param = 1 | ((std::uint32_t{scanCode} & kScanMask) << kScanShift);
  if (transition.release) param |= kRelease | kWasDown;
  if (transition.repeat && !transition.release) param |= kWasDown;
  return param;
}

std::span<const KeyMessageRow> KeyMessageTable() {
  return kRows;
}

std::uint16_t ScanCodeFromEvdev(std::uint32_t evdev) {
  const auto row = std::find_if(kRows.begin(), kRows.end(),
                                [evdev](const KeyMessageRow& r) { return r.evdev == evdev; });
  return row == kRows.end() ? 0 : row->scanCode;
}

std::uint16_t ScanCodeFromXKeycode(std::uint32_t keycode) {
  return keycode < kXKeycodeOffset ? 0 : ScanCodeFromEvdev(keycode - kXKeycodeOffset);
}

std::uint8_t VirtualKeyFromKeysym(std::uint32_t keysym) {
  for (const KeyMessageRow& row : kRows) {
    for (const KeysymVk& sym : row.keysyms) {
      if (sym.keysym == keysym) return sym.vk;
    }
  }
  return kUnknownVk;
}

KeyMessage KeyMessageFromXkb(std::uint32_t keycode, std::uint32_t keysym,
                             KeyTransition transition) {
  return {VirtualKeyFromKeysym(keysym), KeyMessageParam(ScanCodeFromXKeycode(keycode), transition)};
}

KeyMessage KeyMessageFromWindows(std::uint32_t scanCode, std::uint32_t vk,
                                 KeyTransition transition) {
  return {static_cast<std::uint8_t>(vk),
          KeyMessageParam(static_cast<std::uint16_t>(scanCode), transition)};
}

}  // namespace ombrex
