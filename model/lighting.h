#pragma once

// The keyboard's lighting as the program reads and writes it: the records and
// mode list read from the keyboard, single fields written at once, the key
// colours of the shown profile, the user modes of mode 20 and the lighting-view
// setting. One Lighting per program, owned by the application; tests make
// their own. Runs on the user-interface thread.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "device/profile_number.h"
#include "device/results.h"
#include "model/host_lighting.h"
#include "model/user_mode_files.h"

namespace ombrex {

class CommandSet;

class Lighting {
 public:
  // `profileFolder` holds the lighting-view setting file "wskb.ini".
  Lighting(CommandSet& commands, UserModeFiles& files, std::filesystem::path profileFolder);

  HostLighting& Host() { return host_; }
  const HostLighting& Host() const { return host_; }
  HostLightingState& State() { return host_.State(); }
  void SetShownProfile(ProfileNumber profile);

  // Reads the mode list and the four records and fills the shown profile's
  // state. With `full`, also reloads the user modes of mode 20 (when offered)
  // and takes the lighting view from the setting file. When the status block
  // cannot be read, its failure and the mode list stays empty; otherwise the
  // first failed record read, if any.
  DeviceResult ReadLighting(bool full);

  // One field of the shown profile's record, in its own begin/end pair.
  DeviceResult WriteLightingField(std::size_t offset, std::span<const std::uint8_t> bytes);
  DeviceResult WriteLightingByte(std::size_t offset, std::uint8_t value);
  // One LED of the shown profile; the host table keeps the colour.
  DeviceResult WriteKeyColour(int led, Rgb colour);
  // Exactly the shown profile's 64 LEDs, in chunks of 18, 18, 18 and 10.
  DeviceResult SendKeyColours();

  // Reads the shown profile's current user mode (tool, colours, every key's
  // colour and follow mark), then sends the key colours.
  DeviceResult LoadUserMode();
  bool SaveUserModeTools(int userMode);
  bool SaveKeyColour(int userMode, int led, Rgb colour, bool follows);
  bool SaveCurrentUserMode(int userMode);
  bool SaveUserModeName(int userMode, std::u16string_view name);
  std::u16string ReadUserModeName(ProfileNumber profile, int userMode) const;
  std::array<std::u16string, kUserModeCount> UserModeNames(ProfileNumber profile) const;

  // The lighting view ("DengCheck" in section "KEYCOLOR" of wskb.ini).
  bool ReadLightingViewSetting() const;
  bool WriteLightingViewSetting(bool on);

 private:
  CommandSet& commands_;
  UserModeFiles& files_;
  std::filesystem::path settingFile_;
  HostLighting host_;
};

}  // namespace ombrex
