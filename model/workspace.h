#pragma once

// The two in-memory profile images and their locks: the working image that the
// editors change (with its path table) and the applied image last committed for
// the keyboard. One Workspace per program, owned by the application; tests make
// their own.
//
// Every member takes the lock it needs itself. The images themselves are
// reached only through an accessor that holds the matching lock for as long
// as it lives, so nothing touches an image unlocked:
//
//   { auto image = workspace.Working(); image->SetText(index, u"/usr/bin/true"); }
//   const auto macros = workspace.Working()->Macros();        // a copy, lock released
//
// Steps that belong together (clear, load, save, commit) run under one
// accessor; both locks are recursive, so the members inside take them again:
//
//   const auto held = workspace.Working();
//   workspace.ClearWorkingImage();
//   workspace.LoadImageFile(file);
//
// The image lock is always taken before the applied-image lock: where both are
// needed, Working() comes first.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <vector>

#include "device/profile_number.h"
#include "model/image_result.h"
#include "model/profile_image.h"

namespace ombrex {

class Prompter;
class Texts;

// The folder below the user's documents that holds the profile file and the
// lighting-view setting.
inline constexpr std::string_view kProfileFolderName = "Vantrel_09A";
std::filesystem::path DefaultProfileFolder();

// An image with its lock held for the accessor's lifetime.
template <typename Image>
class [[nodiscard]] Locked {
 public:
  Locked(std::recursive_mutex& mutex, Image& image) : lock_(mutex), image_(image) {}

  Image& operator*() const { return image_; }
  Image* operator->() const { return &image_; }

 private:
  std::unique_lock<std::recursive_mutex> lock_;
  Image& image_;
};

// Checks a user's file before it is taken in: kOk valid; kFailed missing,
// shorter than the entries, 4 GiB or longer (silently), or failing a check
// (after the format message naming the path); kCannotOpen; kOutOfMemory. Opens
// the file read-only and never touches an image.
ImageResult ValidateImageFile(const std::filesystem::path& file, Prompter& prompter);

// What ApplyMacroList did to the entries.
struct MacroListChange {
  bool applied = false;         // false: no room for the new list, nothing changed
  bool entriesChanged = false;  // some Macro entry was repaired
  // Entries made Default because their macro is gone or was replaced.
  std::vector<std::size_t> defaultedEntries;
};

class Workspace {
 public:
  // `profileFolder` is where the profile file lives (DefaultProfileFolder()
  // in the program).
  explicit Workspace(std::filesystem::path profileFolder);

  Locked<ProfileImage> Working() { return {imageLock_, working_}; }
  Locked<const ProfileImage> Working() const { return {imageLock_, working_}; }
  Locked<AppliedImage> Applied() { return {appliedLock_, applied_}; }
  Locked<const AppliedImage> Applied() const { return {appliedLock_, applied_}; }

  // Files.
  const std::filesystem::path& ProfileFolder() const { return profileFolder_; }
  // Creates the profile folder and any missing parent. True when it exists.
  bool EnsureProfileFolder() const;
  // The one file that holds all four profiles.
  std::filesystem::path ProfileFilePath() const;
  // Whether the profile file may be written. It is the program's own file,
  // but its path is the user's: a link there may lead to any file of theirs,
  // which must never become a profile image behind their back.
  enum class ProfileFileUse {
    kWritable,     // a regular file, or a link to a profile image
    kMissing,      // nothing there yet: it may be made
    kFolder,       // a folder (or another thing that is no file) stands there
    kForeignLink,  // a link to something that is no profile image (or to nothing)
  };
  ProfileFileUse ProfileFileState() const;

  // A default image in memory (it becomes the working image) or written to a
  // file.
  ImageResult CreateDefaultImage(const std::filesystem::path& file, std::uint8_t flag,
                                 bool inMemory);
  // Replaces the working image with the file's content, taken only as far as it
  // is whole. On failure the working image is a default image, never half
  // loaded.
  ImageResult LoadImageFile(const std::filesystem::path& file);
  // A user's file read once, checked as ValidateImageFile checks it (with
  // its results and message) and parsed into an image of its own; only then
  // does that image replace the working image. On any failure the working
  // image is as it was.
  ImageResult ImportImageFile(const std::filesystem::path& file, Prompter& prompter);
  // Writes the working image (offsets of its texts refreshed).
  ImageResult SaveImageFile(const std::filesystem::path& file);
  // SaveImageFile on the profile file when it exists; kNoProfileFile, and
  // nothing written, when it does not: that is no failure of the caller's
  // save. A folder or a foreign link in its place is left alone: kFailed.
  ImageResult SaveProfileFile();
  void ClearWorkingImage();

  // Entries of the working image; a slot outside 0..511 reads as a zero entry
  // and is not written.
  KeyEntry ReadEntry(ProfileNumber profile, int slot) const;
  // Releases the entry's text, then writes the entry.
  void StoreEntry(ProfileNumber profile, int slot, const KeyEntry& entry);

  // The working macro list.
  std::vector<MacroRecord> MacroList() const;
  std::size_t PositionOfId(std::uint32_t id) const;
  std::uint16_t IdAtPosition(long long position) const;
  std::uint16_t LowestFreeId() const;
  // True when some entry of any profile plays the macro with this id.
  bool IsMacroIdInUse(std::uint16_t id) const;
  // Whether the editor may delete this macro: always for a fresh one; else,
  // when a key plays it, only when the user says Yes.
  bool ConfirmMacroDeletion(const MacroRecord& record, Prompter& prompter,
                            const Texts& texts) const;
  // Replaces the working macro list with the editor's records (their fresh
  // flags cleared, in the editor's copies too) and repairs the Macro entries
  // that would play nothing or the wrong macro.
  MacroListChange ApplyMacroList(std::vector<MacroRecord>& records);

  // Rebuilds the applied image from the working image; kFailed when there is
  // nothing to commit or it would not fit a file's header.
  ImageResult RebuildAppliedImage();

  // The keyboard names macros by position. Once the list's order changed
  // (a macro removed or moved) since the keyboard last received it, every
  // profile's key table must be sent again, not only the active one's. A change
  // in the working list travels to the applied image with the next rebuild and
  // is forgotten once a download of all four profiles succeeded.
  bool AppliedMacroOrderChanged() const;
  void KeyboardHasAppliedMacroOrder();

 private:
  std::filesystem::path profileFolder_;
  mutable std::recursive_mutex imageLock_;
  mutable std::recursive_mutex appliedLock_;
  ProfileImage working_;
  AppliedImage applied_;
  bool workingOrderChanged_ = false;  // under the image lock
  bool appliedOrderChanged_ = false;  // under the applied-image lock
};

}  // namespace ombrex
