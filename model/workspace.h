#pragma once

// The two in-memory profile images and their locks: the working image that the
// editors change (with its path table) and the applied image last committed for
// the keyboard. One Workspace per program, owned by the application; tests make
// their own.
//
// Locking: every member takes the lock it needs itself; both locks are
// recursive, so a caller that strings several steps together (clear, load,
// save, commit) holds ImageLock() around them. The image lock is always taken
// before the applied-image lock.

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <vector>

#include "model/profile_image.h"

namespace ombrex {

class Prompter;
class Texts;

// SaveProfileFile's result when there is no profile file yet: nothing was
// written, and that is no failure of the caller's save.
inline constexpr int kNoProfileFile = -1;

// ValidateImageFile's results besides 1 (valid) and 0 (not a valid image).
inline constexpr int kCannotOpen = -2;
inline constexpr int kOutOfMemory = -3;

// Checks a user's file before it is taken in. 1 valid; 0 missing, shorter than
// the entries, 4 GiB or longer (silently), or failing a check (after the format
// message naming the path); -2 cannot be opened; -3 out of memory. Opens the
// file read-only and never touches an image.
int ValidateImageFile(const std::filesystem::path& file, Prompter& prompter);

// What ApplyMacroList did to the entries.
struct MacroListChange {
  bool applied = false;         // false: no room for the new list, nothing changed
  bool entriesChanged = false;  // some Macro entry was repaired
  // Entries made Default because their macro is gone or was replaced.
  std::vector<std::size_t> defaultedEntries;
};

class Workspace {
 public:
  // `profileFolder` is where the profile file lives (the documents folder's
  // "Vantrel_09A" in the program).
  explicit Workspace(std::filesystem::path profileFolder);

  std::recursive_mutex& ImageLock() { return imageLock_; }
  std::recursive_mutex& AppliedLock() { return appliedLock_; }
  // The images themselves, for callers holding the matching lock.
  ProfileImage& Working() { return working_; }
  const ProfileImage& Working() const { return working_; }
  AppliedImage& Applied() { return applied_; }

  // Files.
  const std::filesystem::path& ProfileFolder() const { return profileFolder_; }
  // Creates the profile folder and any missing parent. True when it exists.
  bool EnsureProfileFolder() const;
  // The one file that holds all four profiles: the same path for every index.
  std::filesystem::path ProfileFilePath(int profile = 0) const;

  // A default image in memory (it becomes the working image) or written to a
  // file. 1 on success.
  int CreateDefaultImage(const std::filesystem::path& file, std::uint8_t flag, bool inMemory);
  // Replaces the working image with the file's content, taken only as far as it
  // is whole. On failure the working image is a default image, never half
  // loaded. 1 on success.
  int LoadImageFile(const std::filesystem::path& file);
  // Writes the working image (offsets of its texts refreshed). 1 on success.
  int SaveImageFile(const std::filesystem::path& file);
  // SaveImageFile on the profile file when it exists; kNoProfileFile otherwise.
  int SaveProfileFile();
  void ClearWorkingImage();

  // Entries of the working image.
  KeyEntry ReadEntry(int profile, int slot) const;
  // Releases the entry's text, then writes the entry.
  void StoreEntry(int profile, int slot, const KeyEntry& entry);

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

  // Rebuilds the applied image from the working image. 1 on success.
  int RebuildAppliedImage();

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
