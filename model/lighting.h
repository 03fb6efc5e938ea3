#pragma once

// The keyboard's lighting as the program reads and writes it: the records and
// mode list read from the keyboard, single fields written at once, the key
// colours of the shown profile, the user modes of mode 20 and the lighting-view
// setting. One Lighting per program, owned by the application; tests make
// their own. Runs on the user-interface thread.
//
// Writes change the host copy at once and go to the keyboard through the
// LightingWriter this object owns: they return before the keyboard has the
// bytes. A write's bool says whether it was taken (false: outside the record
// or the LEDs, nothing changed); whether the keyboard took it is what Flush
// says. Reads flush first, so they never see the keyboard behind the host.

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "device/profile_number.h"
#include "device/results.h"
#include "model/host_lighting.h"
#include "model/lighting_writer.h"
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

  // Flushes the writes, then reads the mode list and the four records and
  // fills the shown profile's state. With `full`, also reloads the user modes
  // of mode 20 (when offered) and takes the lighting view from the setting
  // file. When the status block cannot be read, its failure and the mode
  // list stays empty; otherwise the first failed record read, if any.
  DeviceResult ReadLighting(bool full);

  // Bytes of the shown profile's record from `offset`.
  bool WriteLightingField(std::size_t offset, std::span<const std::uint8_t> bytes);
  bool WriteLightingByte(std::size_t offset, std::uint8_t value);
  // The six zero bytes at offset 18 of the shown profile's record (the mode-7
  // option, the trigger and four reserved bytes) that Default writes.
  bool ClearRecordOptions();
  // The shown profile's default record, its 35 bytes in one write, as the
  // lighting reset sends it. The host record takes it too; the shown state
  // is the caller's to change.
  bool WriteDefaultRecord();
  // One LED of the shown profile; the host table keeps the colour.
  bool WriteKeyColour(int led, Rgb colour);
  // Exactly the shown profile's 64 LEDs.
  void SendKeyColours();

  // Waits until every write reached the keyboard; the first failure since the
  // last flush. Never while holding the command set's session.
  DeviceResult Flush() { return writer_.Flush(); }
  // The same within a bound (the shutdown's): nullopt when still busy.
  std::optional<DeviceResult> FlushFor(std::chrono::milliseconds bound) {
    return writer_.FlushFor(bound);
  }
  LightingWriter& Writer() { return writer_; }

  // Reads the shown profile's current user mode (tool, colours, every key's
  // colour and follow mark), then sends the key colours.
  void LoadUserMode();
  bool SaveUserModeTools(int userMode);
  bool SaveKeyColour(int userMode, int led, Rgb colour, bool follows);
  // Several LEDs of one user mode in one rewrite of the file.
  bool SaveKeyColours(int userMode, std::span<const LedKeyColour> keys);
  bool SaveCurrentUserMode(int userMode);
  bool SaveUserModeName(int userMode, std::u16string_view name);
  std::u16string ReadUserModeName(ProfileNumber profile, int userMode) const;
  // One profile's user-mode file becomes a copy of another's.
  bool CopyUserModes(ProfileNumber from, ProfileNumber to);
  std::array<std::u16string, kUserModeCount> UserModeNames(ProfileNumber profile) const;

  // The lighting view ("DengCheck" in section "KEYCOLOR" of wskb.ini).
  bool ReadLightingViewSetting() const;
  bool WriteLightingViewSetting(bool on);

 private:
  CommandSet& commands_;
  LightingWriter writer_;
  UserModeFiles& files_;
  std::filesystem::path settingFile_;
  HostLighting host_;
};

}  // namespace ombrex
