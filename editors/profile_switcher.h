#pragma once

// Switching the keyboard's onboard profile and keeping the working image in
// step with the keyboard: the reload after the keyboard is attached, the
// switch the user asks for (with the question about unapplied changes), the
// key grid of a profile and the profile menu that names the current profile
// on the Profiles button. Plain rules; the window shows what they decide.
// Everything here runs on the window's thread.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/profile_number.h"

namespace ombrex {

class CommandSet;
class KeyGrid;
class KeyboardSync;
class Prompter;
class ProfileManager;
class RunState;
class Texts;
class UnappliedEdits;
class Workspace;

inline constexpr int kProfileMenuDefaultId = 9000;
inline constexpr int kProfileMenuFirstId = 9001;

struct ProfileMenuItem {
  int id = 0;  // 0 for the separator
  std::u16string text;
  bool checked = false;
  friend bool operator==(const ProfileMenuItem&, const ProfileMenuItem&) = default;
};

// The profile menu: never shown, it names the current profile for the
// Profiles button's caption and tooltip.
struct ProfileMenu {
  std::vector<ProfileMenuItem> items;
  std::u16string caption;
  std::u16string tooltip;
};

// What the profile switching needs of the main window.
class ProfileSwitchHost {
 public:
  virtual ~ProfileSwitchHost() = default;
  // The main window's Apply button is enabled.
  virtual bool HasPendingChanges() const = 0;
  virtual void SetPendingChanges(bool pending) = 0;
  // The command of the main window's Apply button: save and send.
  virtual void ApplyChanges() = 0;
  // A key assignment editor is open.
  virtual bool EditorOpen() const = 0;
  // The Profiles button's caption and tooltip.
  virtual void ShowProfileMenu(const ProfileMenu& menu) = 0;
};

class ProfileSwitcher {
 public:
  // `bank` tells the G-key bank whose G keys the grid shows.
  ProfileSwitcher(Workspace& workspace, CommandSet& commands, KeyboardSync& sync, KeyGrid& grid,
                  const Texts& texts, Prompter& prompter, ProfileSwitchHost& host,
                  const RunState& run, std::function<int()> bank);

  // The profile manager while it exists, so a switch shows in its list.
  void AttachManager(ProfileManager* manager) { manager_ = manager; }
  // The copy of edits not yet applied, which a reload brings back and the
  // switch's No drops.
  void AttachUnappliedEdits(UnappliedEdits* edits) { unapplied_ = edits; }

  // Rebuilds the working image from the keyboard (the profile file is written
  // from the keyboard's memories and loaded), or makes it the default image
  // when the current profile is unknown or the keyboard cannot be read; then
  // redraws the grid. Unless `keepApply`, nothing is pending afterwards. Edits
  // not yet applied are not lost: when their copy is valid it becomes the
  // working image and the changes stay pending.
  void ReloadCurrentProfile(bool keepApply);

  // Redraws the key grid from a profile of the working image.
  void ShowProfile(ProfileNumber profile);

  // The switch the user asks for; an index outside 0..3 asks for profile 0.
  // 1 when the keyboard switched; 0 when it was refused: an editor is open,
  // this switch's own question is still on screen, the program is shutting
  // down, or the keyboard did not take it.
  int SelectProfile(int index);

  // The menu of the default entry and the four profiles, the current one
  // checked (the default entry while it is unknown), shown on the Profiles
  // button. `create` makes a new menu rather than refilling the old one; the
  // entries are the same.
  ProfileMenu BuildProfileMenu(bool create);

  // Before something replaces the working image while the main window has
  // unapplied changes: asks whether to apply them (Yes applies, No drops
  // them). True when the caller may go on: nothing was pending, or the
  // answer was carried out. False while this question is already on screen
  // or when the program began to shut down meanwhile.
  bool SettleMainWindowChanges();

 private:
  bool HasUnappliedChanges() const;
  // The user's answer about unapplied changes; false when switching must stop.
  bool SettleUnappliedChanges();
  void DropEdits();
  std::optional<ProfileNumber> CurrentProfile();
  // False, after a message, when a folder or a link to a file of another kind
  // stands where the profile file belongs: the keyboard is not read into it.
  bool ProfileFileUsable(const std::filesystem::path& file);

  Workspace& workspace_;
  CommandSet& commands_;
  KeyboardSync& sync_;
  KeyGrid& grid_;
  const Texts& texts_;
  Prompter& prompter_;
  ProfileSwitchHost& host_;
  const RunState& run_;
  std::function<int()> bank_;
  ProfileManager* manager_ = nullptr;
  UnappliedEdits* unapplied_ = nullptr;
  bool questionOnScreen_ = false;
  // The text key of the profile file problem last reported.
  std::u16string_view reportedProblem_;
};

}  // namespace ombrex
