#pragma once

// The host's copy of the keyboard's lighting: the four 64-byte lighting records,
// the modes the keyboard offers, the per-LED key colours of every profile, the
// state of the shown profile and the per-key follow marks of user-painted mode
// 20. Plain data and rules; Lighting moves it to and from the keyboard.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "device/profile_number.h"
#include "device/protocol.h"
#include "model/key_buttons.h"
#include "model/key_buttons_table.h"

namespace ombrex {

inline constexpr std::size_t kLedCount = 64;
inline constexpr std::size_t kDefaultLightingRecordSize = 35;
inline constexpr std::uint8_t kUserPaintedMode = 20;
inline constexpr int kUserModeCount = 10;

// Offsets of the fields in a lighting record.
namespace lighting_field {
inline constexpr std::size_t kMode = 0;
inline constexpr std::size_t kBrightness = 1;
inline constexpr std::size_t kSpeed = 2;
inline constexpr std::size_t kDirection = 3;
inline constexpr std::size_t kColourful = 4;
inline constexpr std::size_t kColour = 5;
inline constexpr std::size_t kReferenceColour = 9;
inline constexpr std::size_t kReportRate = 15;
inline constexpr std::size_t kMode17Colour = 17;
// What the program reads of each record.
inline constexpr std::size_t kReadSize = 56;
static_assert(kMode17Colour < kReadSize && kReadSize <= protocol::kLightingRecordSize &&
              kReadSize <= protocol::kPayloadSize);
}  // namespace lighting_field

using LightingRecord = std::array<std::uint8_t, protocol::kLightingRecordSize>;
using KeyColourTable = std::array<std::uint8_t, protocol::kKeyColoursSize>;

// The record a profile returns to on reset (offsets 0..34).
std::array<std::uint8_t, kDefaultLightingRecordSize> DefaultLightingRecord(ProfileNumber profile);

// The modes of the status block in the order the mode list shows them.
class ModeList {
 public:
  struct Item {
    int listIndex;
    std::uint8_t mode;
  };

  ModeList() = default;
  static ModeList FromStatusBlock(std::span<const std::uint8_t, protocol::kStatusBlockSize> block);

  const std::vector<Item>& Items() const { return items_; }
  // The first list index showing the mode; -1 when it is not offered.
  int ListIndexOf(std::uint8_t mode) const;
  // The mode at a list index; 0 outside the list.
  std::uint8_t ModeAt(int listIndex) const;
  bool SupportsMode(std::uint8_t mode) const { return ListIndexOf(mode) >= 0; }
  bool SupportsUserPainting() const { return SupportsMode(kUserPaintedMode); }

 private:
  std::vector<Item> items_;
};

// The shown profile's lighting as the panel edits it.
struct HostLightingState {
  ProfileNumber shownProfile = 0;
  std::uint8_t mode = 0;
  std::uint8_t brightness = 0;
  std::uint8_t speed = 0;
  std::uint8_t direction = 0;
  bool colourful = false;
  Rgb colour;
  std::uint8_t reportRate = 0;
  std::uint8_t mode17Colour = 0;
  // Mode 20, from the user-mode file.
  Rgb userColour;
  Rgb baseColour;
  int tool = 0;  // 0 paint with the user colour, 1 with the base colour
  int currentUserMode = 0;
};

class HostLighting {
 public:
  HostLighting();

  HostLightingState& State() { return state_; }
  const HostLightingState& State() const { return state_; }
  ProfileNumber ShownProfile() const { return state_.shownProfile; }

  LightingRecord& Record(ProfileNumber profile);
  const LightingRecord& Record(ProfileNumber profile) const;
  ModeList& Modes() { return modes_; }
  const ModeList& Modes() const { return modes_; }

  // Fills the state from the shown profile's record.
  void FillStateFromRecord();

  KeyColourTable& KeyColours() { return colours_; }
  const KeyColourTable& KeyColours() const { return colours_; }
  // An LED outside 0..63 reads as black and is not written.
  Rgb LedColour(ProfileNumber profile, int led) const;
  void SetLedColour(ProfileNumber profile, int led, Rgb colour);
  // The bytes of one profile's 64 LEDs.
  std::span<const std::uint8_t, protocol::kKeyColoursPerProfile> ProfileColours(
      ProfileNumber profile) const;

  // Whether a button's key follows the base colour in a profile.
  bool FollowMark(ProfileNumber profile, int button) const;
  void SetFollowMark(ProfileNumber profile, int button, bool follows);
  // A key follows exactly when its LED shows the record's reference colour.
  // Covers the 104 keys, G1..G7 and Fn of all four profiles.
  void RecomputeFollowMarks();

  // The colour frames of the shown profile on every lit button; G8 and G9,
  // which have no light, get none.
  void SetKeyColourFrames(KeyButtons& buttons) const;
  void ClearKeyColourFrames(KeyButtons& buttons) const;

  bool LightingView() const { return lightingView_; }
  void SetLightingView(bool on) { lightingView_ = on; }

 private:
  HostLightingState state_;
  std::array<LightingRecord, ProfileNumber::kCount> records_{};
  ModeList modes_;
  KeyColourTable colours_{};
  std::array<std::array<bool, kButtonCount>, ProfileNumber::kCount> marks_{};
  bool lightingView_ = false;
};

}  // namespace ombrex
