#pragma once

// The rules of the profile manager dialog: the list of profile files with one
// checked row, Add, Load, Delete, and Apply, which stores the list in the
// settings, switches the keyboard to the checked profile and reloads. The
// dialog itself only draws the rows and forwards clicks.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/profile_number.h"

namespace ombrex {

class AppSettings;
class CommandSet;
class Prompter;
class ProfileSwitcher;
class Texts;
class Workspace;

struct ProfileRow {
  std::u16string name;    // file name without extension
  std::u16string folder;  // drive and folder, with the trailing separator
  // The keyboard profile the row was listed for; none for a file the user
  // added or loaded. Checking a row selects this profile, wherever the row
  // has moved since.
  std::optional<ProfileNumber> profile;
  friend bool operator==(const ProfileRow&, const ProfileRow&) = default;
};

class ProfileManager {
 public:
  ProfileManager(ProfileSwitcher& switcher, Workspace& workspace, CommandSet& commands,
                 AppSettings& settings, const Texts& texts, Prompter& prompter);
  ~ProfileManager();
  ProfileManager(const ProfileManager&) = delete;
  ProfileManager& operator=(const ProfileManager&) = delete;

  // Opening: one row per profile (all four name the one profile file), the
  // current profile's row checked, Apply disabled.
  void Open();
  bool IsOpen() const { return openCount_ > 0; }

  const std::vector<ProfileRow>& Rows() const { return rows_; }
  int CheckedRow() const { return checked_; }
  bool ApplyEnabled() const { return applyEnabled_; }
  // The main window's Apply button, disabled along with this one by Apply.
  void SetMainApplyDisabler(std::function<void()> disable);
  // Runs after Apply switched and reloaded: the main window shows the
  // keyboard's profile.
  void SetAfterSwitch(std::function<void()> shown) { afterSwitch_ = std::move(shown); }

  // A new default profile file where the user chooses; false when cancelled
  // or the file could not be written (the user is told which). Cancel before
  // the next Apply removes the file again.
  bool Add();
  // A row for a file the user picks; its content is not examined.
  bool Load();
  // Removes a row; the row then selected (the next one, else the previous
  // one), -1 when none is left or `row` names no row.
  int Delete(int row);
  // The Remove button: Delete once the user said Yes; otherwise nothing
  // changes and `row` stays selected.
  int Remove(int row);
  // -1 checks none.
  void Check(int row);

  // Stores the rows ("PROFILE00" = count, "PROFILE01".. = folder + name +
  // ".fwc"), switches the keyboard to the checked row's profile and reloads.
  // Unapplied changes of the main window would be lost by the reload: the
  // user is asked first whether to apply them (No drops them). False when
  // the list could not be stored, or the program began to shut down while
  // the question was on screen (nothing is done then).
  bool Apply();
  // Apply, then close.
  bool Ok();
  // Files made by Add since the last Apply go again.
  void Cancel();

  // The switcher changed the keyboard's profile while the dialog is open.
  void ShowSwitchedTo(ProfileNumber profile);

 private:
  void Close();
  void AppendRow(const std::filesystem::path& file);

  ProfileSwitcher& switcher_;
  Workspace& workspace_;
  CommandSet& commands_;
  AppSettings& settings_;
  const Texts& texts_;
  Prompter& prompter_;
  std::function<void()> disableMainApply_;
  std::function<void()> afterSwitch_;
  // Made by Add, not yet kept by an Apply.
  std::vector<std::filesystem::path> made_;
  std::vector<ProfileRow> rows_;
  int checked_ = -1;
  bool applyEnabled_ = false;
  int openCount_ = 0;
};

}  // namespace ombrex
