#include "model/lighting.h"

#include <algorithm>
#include <system_error>

#include "device/command_set.h"
#include "device/results.h"
#include "platform/ini.h"

namespace ombrex {
namespace {

constexpr std::u16string_view kViewSection = u"KEYCOLOR";
constexpr std::u16string_view kViewKey = u"DengCheck";
constexpr std::size_t kOptionsAt = 18;
constexpr std::size_t kOptionsSize = 6;

DeviceResult FirstFailure(DeviceResult current, DeviceResult next) {
  return current != result::kOk ? current : next;
}

std::size_t SettingsAddress(ProfileNumber profile, std::size_t offset) {
  return profile.Index() * protocol::kLightingRecordSize + offset;
}

}  // namespace

Lighting::Lighting(CommandSet& commands, UserModeFiles& files, std::filesystem::path profileFolder)
    : commands_(commands),
      writer_(commands),
      files_(files),
      settingFile_(std::move(profileFolder) / "wskb.ini") {}

void Lighting::SetShownProfile(ProfileNumber profile) {
  host_.State().shownProfile = profile;
}

DeviceResult Lighting::ReadLighting(bool full) {
  // What the keyboard answers must already hold every change the host made.
  writer_.Flush();
  host_.Modes() = ModeList();
  StatusBlock status{};
  if (const DeviceResult read = commands_.ReadStatusBlock(status); read != result::kOk) {
    return read;
  }
  host_.Modes() = ModeList::FromStatusBlock(status);
  DeviceResult outcome = result::kOk;
  {
    auto session = commands_.Session();
    commands_.BeginTransfer();
    if (full && host_.Modes().SupportsUserPainting()) LoadUserMode();
    for (const ProfileNumber p : ProfileNumber::All()) {
      std::array<std::uint8_t, protocol::kPayloadSize> data{};
      const DeviceResult read = commands_.ReadSettings(
          data, lighting_field::kReadSize, static_cast<std::uint16_t>(SettingsAddress(p, 0)));
      if (read == result::kOk) {
        std::copy_n(data.begin(), lighting_field::kReadSize, host_.Record(p).begin());
      }
      outcome = FirstFailure(outcome, read);
    }
    commands_.EndTransfer();
  }
  host_.FillStateFromRecord();
  const bool viewSetting = ReadLightingViewSetting();
  if (full || viewSetting) host_.SetLightingView(viewSetting);
  return outcome;
}

bool Lighting::WriteLightingField(std::size_t offset, std::span<const std::uint8_t> bytes) {
  if (bytes.empty() || offset > protocol::kLightingRecordSize ||
      bytes.size() > protocol::kLightingRecordSize - offset) {
    return false;
  }
  const ProfileNumber profile = host_.ShownProfile();
  std::copy(bytes.begin(), bytes.end(), host_.Record(profile).begin() + offset);
  return writer_.WriteSettings(SettingsAddress(profile, offset), bytes);
}

bool Lighting::WriteLightingByte(std::size_t offset, std::uint8_t value) {
  return WriteLightingField(offset, std::span<const std::uint8_t>(&value, 1));
}

bool Lighting::ClearRecordOptions() {
  const std::array<std::uint8_t, kOptionsSize> zeros{};
  return WriteLightingField(kOptionsAt, zeros);
}

bool Lighting::WriteDefaultRecord() {
  return WriteLightingField(0, DefaultLightingRecord(host_.ShownProfile()));
}

bool Lighting::WriteKeyColour(int led, Rgb colour) {
  if (led < 0 || led >= static_cast<int>(kLedCount)) return false;
  const ProfileNumber profile = host_.ShownProfile();
  host_.SetLedColour(profile, led, colour);
  const std::array<std::uint8_t, 3> bytes{colour.red, colour.green, colour.blue};
  return writer_.WriteKeyColours(profile, led, bytes);
}

void Lighting::SendKeyColours() {
  const ProfileNumber profile = host_.ShownProfile();
  writer_.WriteKeyColours(profile, 0, host_.ProfileColours(profile));
}

void Lighting::LoadUserMode() {
  HostLightingState& state = host_.State();
  const ProfileNumber p = state.shownProfile;
  state.currentUserMode = files_.CurrentUserMode(p);
  const UserModeTools tools = files_.Tools(p, state.currentUserMode);
  state.tool = tools.tool;
  state.baseColour = tools.baseColour;
  state.userColour = tools.userColour;
  // The 104 keys and Fn; keys that share a LED read the same entry. G keys keep
  // their colours.
  for (int button = 0; button <= kFnButton; ++button) {
    if (button >= kFirstGKeyButton && button < kFnButton) continue;
    const int led = LedOfButton(button);
    const UserKeyColour key = files_.KeyColour(p, state.currentUserMode, led);
    host_.SetLedColour(p, led, key.colour);
    host_.SetFollowMark(p, button, key.follows);
  }
  SendKeyColours();
}

bool Lighting::SaveUserModeTools(int userMode) {
  const HostLightingState& state = host_.State();
  return files_.SaveTools(state.shownProfile, userMode,
                          {state.tool, state.baseColour, state.userColour});
}

bool Lighting::SaveKeyColour(int userMode, int led, Rgb colour, bool follows) {
  return files_.SaveKeyColour(host_.ShownProfile(), userMode, led, {colour, follows});
}

bool Lighting::SaveKeyColours(int userMode, std::span<const LedKeyColour> keys) {
  return files_.SaveKeyColours(host_.ShownProfile(), userMode, keys);
}

bool Lighting::SaveCurrentUserMode(int userMode) {
  return files_.SaveCurrentUserMode(host_.ShownProfile(), userMode);
}

bool Lighting::SaveUserModeName(int userMode, std::u16string_view name) {
  return files_.SaveUserModeName(host_.ShownProfile(), userMode, name);
}

bool Lighting::CopyUserModes(ProfileNumber from, ProfileNumber to) {
  return files_.CopyProfile(from, to);
}

std::u16string Lighting::ReadUserModeName(ProfileNumber profile, int userMode) const {
  return files_.UserModeName(profile, userMode);
}

std::array<std::u16string, kUserModeCount> Lighting::UserModeNames(ProfileNumber profile) const {
  std::array<std::u16string, kUserModeCount> names;
  for (int i = 0; i < kUserModeCount; ++i) names[i] = ReadUserModeName(profile, i);
  return names;
}

bool Lighting::ReadLightingViewSetting() const {
  return ini::ReadInt(settingFile_, kViewSection, kViewKey, 0) == 1;
}

bool Lighting::WriteLightingViewSetting(bool on) {
  std::error_code error;
  std::filesystem::create_directories(settingFile_.parent_path(), error);
  return ini::WriteString(settingFile_, kViewSection, kViewKey, on ? u"1" : u"0");
}

}  // namespace ombrex
