#include "model/host_lighting.h"

#include <algorithm>

namespace ombrex {
namespace {

std::size_t ColourOffset(ProfileNumber profile, int led) {
  return profile.Index() * protocol::kKeyColoursPerProfile + 3 * static_cast<std::size_t>(led);
}

bool IsLed(int led) {
  return led >= 0 && led < static_cast<int>(kLedCount);
}

}  // namespace

std::array<std::uint8_t, kDefaultLightingRecordSize> DefaultLightingRecord(ProfileNumber profile) {
  static constexpr std::array<std::uint8_t, ProfileNumber::kCount> kModes{1, 4, 8, 7};
  std::array<std::uint8_t, kDefaultLightingRecordSize> record{};
  record[lighting_field::kMode] = kModes[profile.Index()];
  record[lighting_field::kBrightness] = 4;
  record[lighting_field::kSpeed] = 2;
  record[lighting_field::kDirection] = 0;
  record[lighting_field::kColourful] = 0xFF;
  record[lighting_field::kColour] = 255;
  record[lighting_field::kColour + 1] = 255;
  record[lighting_field::kColour + 2] = 255;
  return record;
}

ModeList ModeList::FromStatusBlock(
    std::span<const std::uint8_t, protocol::kStatusBlockSize> block) {
  ModeList list;
  for (std::size_t i = 0; i < protocol::kStatusModeCount; ++i) {
    const std::uint8_t mode = block[protocol::kStatusModesAt + i];
    if (mode != 0) list.items_.push_back({static_cast<int>(list.items_.size()), mode});
  }
  return list;
}

int ModeList::ListIndexOf(std::uint8_t mode) const {
  for (const Item& item : items_) {
    if (item.mode == mode) return item.listIndex;
  }
  return -1;
}

std::uint8_t ModeList::ModeAt(int listIndex) const {
  if (listIndex < 0 || listIndex >= static_cast<int>(items_.size())) return 0;
  return items_[static_cast<std::size_t>(listIndex)].mode;
}

HostLighting::HostLighting() {
  for (const ProfileNumber p : ProfileNumber::All()) {
    const auto defaults = DefaultLightingRecord(p);
    std::copy(defaults.begin(), defaults.end(), Record(p).begin());
  }
}

LightingRecord& HostLighting::Record(ProfileNumber profile) {
  return records_[profile.Index()];
}

const LightingRecord& HostLighting::Record(ProfileNumber profile) const {
  return records_[profile.Index()];
}

void HostLighting::FillStateFromRecord() {
  using namespace lighting_field;
  const LightingRecord& record = Record(state_.shownProfile);
  state_.mode = record[kMode];
  state_.brightness = record[kBrightness];
  state_.speed = record[kSpeed];
  state_.direction = record[kDirection];
  state_.colourful = record[kColourful] != 0;
  state_.colour = {record[kColour], record[kColour + 1], record[kColour + 2]};
  state_.reportRate = std::min<std::uint8_t>(record[kReportRate], 3);
  state_.mode17Colour = record[kMode17Colour];
}

Rgb HostLighting::LedColour(ProfileNumber profile, int led) const {
  if (!IsLed(led)) return {};
  const std::size_t at = ColourOffset(profile, led);
  return {colours_[at], colours_[at + 1], colours_[at + 2]};
}

void HostLighting::SetLedColour(ProfileNumber profile, int led, Rgb colour) {
  if (!IsLed(led)) return;
  const std::size_t at = ColourOffset(profile, led);
  colours_[at] = colour.red;
  colours_[at + 1] = colour.green;
  colours_[at + 2] = colour.blue;
}

std::span<const std::uint8_t, protocol::kKeyColoursPerProfile> HostLighting::ProfileColours(
    ProfileNumber profile) const {
  return std::span<const std::uint8_t, protocol::kKeyColoursPerProfile>(
      colours_.data() + ColourOffset(profile, 0), protocol::kKeyColoursPerProfile);
}

bool HostLighting::FollowMark(ProfileNumber profile, int button) const {
  if (button < 0 || button >= static_cast<int>(kButtonCount)) return false;
  return marks_[profile.Index()][static_cast<std::size_t>(button)];
}

void HostLighting::SetFollowMark(ProfileNumber profile, int button, bool follows) {
  if (button < 0 || button >= static_cast<int>(kButtonCount)) return;
  marks_[profile.Index()][static_cast<std::size_t>(button)] = follows;
}

void HostLighting::RecomputeFollowMarks() {
  using lighting_field::kReferenceColour;
  for (const ProfileNumber p : ProfileNumber::All()) {
    const LightingRecord& record = Record(p);
    const Rgb reference{record[kReferenceColour], record[kReferenceColour + 1],
                        record[kReferenceColour + 2]};
    for (int button = 0; button < static_cast<int>(kButtonCount); ++button) {
      const int led = LedOfButton(button);
      SetFollowMark(p, button, led != kNoLed && LedColour(p, led) == reference);
    }
  }
}

void HostLighting::SetKeyColourFrames(KeyButtons& buttons) const {
  for (int button = 0; button < static_cast<int>(kButtonCount); ++button) {
    const int led = LedOfButton(button);
    if (led != kNoLed) buttons.SetColourFrame(button, LedColour(state_.shownProfile, led));
  }
}

void HostLighting::ClearKeyColourFrames(KeyButtons& buttons) const {
  for (int button = 0; button < static_cast<int>(kButtonCount); ++button) {
    buttons.SetColourFrame(button, std::nullopt);
  }
}

}  // namespace ombrex
