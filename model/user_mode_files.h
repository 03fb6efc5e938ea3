#pragma once

// The user-mode files of lighting mode 20: one ini file per profile,
// "UserDengColor_<p>.userd", holding up to ten named user modes with their
// tool, base and user colour and every LED's colour and follow mark.
//
// An installed program folder is not writable, so the files are written under
// the user's data folder; they are read from there, or from beside the program
// while the user has no copy of their own yet.

#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "device/profile_number.h"
#include "model/key_buttons.h"

namespace ombrex {

struct UserKeyColour {
  Rgb colour{255, 0, 0};
  bool follows = true;  // the key takes the base colour
  friend bool operator==(const UserKeyColour&, const UserKeyColour&) = default;
};

// One LED's entry of a user mode.
struct LedKeyColour {
  int led = 0;
  UserKeyColour colour;
};

struct UserModeTools {
  int tool = 0;
  Rgb baseColour;
  Rgb userColour;
  friend bool operator==(const UserModeTools&, const UserModeTools&) = default;
};

// "r,g,b[,f]" as the files hold it: components are read as far as they are
// there (missing ones keep `fallback`'s) and held to 0..255; any non-zero F
// follows.
Rgb ParseRgb(std::u16string_view text, Rgb fallback);
UserKeyColour ParseKeyColour(std::u16string_view text);
std::u16string RgbText(Rgb colour);
// "r,g,b,f" of a key's entry.
std::u16string KeyColourText(const UserKeyColour& colour);

class UserModeFiles {
 public:
  // The "Skins" folders below the user's data folder and the program folder.
  UserModeFiles(const std::filesystem::path& userDataFolder,
                const std::filesystem::path& programFolder);

  std::filesystem::path UserFile(ProfileNumber profile) const;
  std::filesystem::path ProgramFile(ProfileNumber profile) const;
  // The file read for a profile: the user's copy, else the one beside the program.
  std::filesystem::path ReadFile(ProfileNumber profile) const;

  // The current user mode 0..9 (a value outside becomes 0).
  int CurrentUserMode(ProfileNumber profile) const;
  std::u16string UserModeName(ProfileNumber profile, int mode) const;
  UserModeTools Tools(ProfileNumber profile, int mode) const;
  UserKeyColour KeyColour(ProfileNumber profile, int mode, int led) const;

  bool SaveCurrentUserMode(ProfileNumber profile, int mode);
  bool SaveUserModeName(ProfileNumber profile, int mode, std::u16string_view name);
  bool SaveTools(ProfileNumber profile, int mode, const UserModeTools& tools);
  bool SaveKeyColour(ProfileNumber profile, int mode, int led, const UserKeyColour& colour);
  // Several LEDs of one user mode with one rewrite of the file.
  bool SaveKeyColours(ProfileNumber profile, int mode, std::span<const LedKeyColour> keys);

  // Replaces a profile's user modes with a byte-for-byte copy of another's
  // (the lighting reset gives every profile those of profile 3).
  bool CopyProfile(ProfileNumber from, ProfileNumber to);

 private:
  bool Write(ProfileNumber profile, std::u16string_view section, std::u16string_view key,
             std::u16string_view value);
  // Before the first write, the user's copy starts as the program's file, so
  // that one written key does not lose all the others.
  bool EnsureUserCopy(ProfileNumber profile);

  std::filesystem::path userFolder_;
  std::filesystem::path programFolder_;
};

}  // namespace ombrex
