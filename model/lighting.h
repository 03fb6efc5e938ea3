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
  void SetShownProfile(int profile);

  // Reads the mode list and the four records and fills the shown profile's
  // state. With `full`, also reloads the user modes of mode 20 (when offered)
  // and takes the lighting view from the setting file. -1 when the status
  // block cannot be read (the mode list then stays empty).
  int ReadLighting(bool full);

  // One field of the shown profile's record, in its own begin/end pair.
  int WriteLightingField(std::size_t offset, std::span<const std::uint8_t> bytes);
  int WriteLightingByte(std::size_t offset, std::uint8_t value);
  // One LED of the shown profile; the host table keeps the colour.
  int WriteKeyColour(int led, Rgb colour);
  // Exactly the shown profile's 64 LEDs, in chunks of 18, 18, 18 and 10.
  int SendKeyColours();

  // Reads the shown profile's current user mode (tool, colours, every key's
  // colour and follow mark), then sends the key colours.
  int LoadUserMode();
  bool SaveUserModeTools(int userMode);
  bool SaveKeyColour(int userMode, int led, Rgb colour, bool follows);
  bool SaveCurrentUserMode(int userMode);
  bool SaveUserModeName(int userMode, std::u16string_view name);
  std::u16string ReadUserModeName(int profile, int userMode) const;
  std::array<std::u16string, kUserModeCount> UserModeNames(int profile) const;

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
