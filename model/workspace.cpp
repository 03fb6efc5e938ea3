#include "model/workspace.h"

#include <algorithm>
#include <limits>
#include <new>
#include <system_error>

#include "model/binary_file.h"
#include "model/image_file.h"
#include "platform/paths.h"
#include "platform/prompter.h"
#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace ombrex {
namespace {

// The bytes a file's header says it holds (64-bit: the sum must not wrap).
std::uint64_t ClaimedLength(std::span<const std::uint8_t> header) {
  const ImageHeader h = ReadImageHeader(header);
  return ImageTotalSize(h.macroCount, h.stringAreaSize);
}

void ShowFormatMessage(const std::filesystem::path& file, Prompter& prompter) {
  prompter.ShowMessage(FormatWithText(text_catalogue::kProfileFormatError, file.u16string()));
}

bool IsWrongOrder(const std::vector<MacroRecord>& old, const std::vector<MacroRecord>& next) {
  for (std::size_t k = 0; k < old.size(); ++k) {
    if (k >= next.size() || next[k].fresh != 0 || next[k].id != old[k].id) return true;
  }
  return false;
}

const MacroRecord* FindById(const std::vector<MacroRecord>& list, std::uint32_t id) {
  for (const MacroRecord& record : list) {
    if (record.id == id) return &record;
  }
  return nullptr;
}

ImageResult OkIf(bool done) {
  return done ? ImageResult::kOk : ImageResult::kFailed;
}

// Runs one image operation; running out of memory anywhere in it gives
// kOutOfMemory, the same for every operation.
template <typename Operation>
ImageResult MemoryGuarded(Operation&& operation) {
  try {
    return operation();
  } catch (const std::bad_alloc&) {
    return ImageResult::kOutOfMemory;
  }
}

// The file's bytes as far as its header claims them (at least the block);
// nullopt when it cannot be read or is shorter than a header.
std::optional<std::vector<std::uint8_t>> ReadClaimedBytes(const std::filesystem::path& file) {
  const auto header = ReadFilePrefix(file, image::kHeaderSize);
  if (!header || header->size() != image::kHeaderSize) return std::nullopt;
  if (!ClaimWithinSizeRule(ReadImageHeader(*header))) return std::nullopt;
  return ReadFilePrefix(file, std::max<std::uint64_t>(ClaimedLength(*header), image::kBlockSize));
}

}  // namespace

std::filesystem::path DefaultProfileFolder() {
  return DocumentsFolder() / kProfileFolderName;
}

namespace {

// What a read of a user's file says, told as the program tells it.
ImageResult JudgeImageFile(const std::filesystem::path& file, const ImageFileRead& read,
                           Prompter& prompter) {
  switch (read.verdict) {
    case ImageFileVerdict::kValid:
      return ImageResult::kOk;
    case ImageFileVerdict::kCannotOpen:
      return ImageResult::kCannotOpen;
    case ImageFileVerdict::kOutOfMemory:
      return ImageResult::kOutOfMemory;
    case ImageFileVerdict::kInvalid:
      // Too short for the entries at all (the size rule): silent.
      if (read.check != ImageCheck::TooShort) ShowFormatMessage(file, prompter);
      return ImageResult::kFailed;
    case ImageFileVerdict::kTooLarge:
      // A header claiming too much is a file of the format gone wrong: named
      // like any other. A file of 4 GiB and more is no image at all.
      if (read.check == ImageCheck::TooLarge) ShowFormatMessage(file, prompter);
      break;
    case ImageFileVerdict::kMissing:
      break;
  }
  return ImageResult::kFailed;
}

}  // namespace

ImageResult ValidateImageFile(const std::filesystem::path& file, Prompter& prompter) {
  return JudgeImageFile(file, ReadImageFile(file), prompter);
}

Workspace::Workspace(std::filesystem::path profileFolder)
    : profileFolder_(std::move(profileFolder)) {}

bool Workspace::EnsureProfileFolder() const {
  std::error_code error;
  std::filesystem::create_directories(profileFolder_, error);
  return std::filesystem::is_directory(profileFolder_, error);
}

std::filesystem::path Workspace::ProfileFilePath() const {
  return profileFolder_ / "$Profile0";
}

ImageResult Workspace::CreateDefaultImage(const std::filesystem::path& file, std::uint8_t flag,
                                          bool inMemory) {
  return MemoryGuarded([&] {
    if (!inMemory) return OkIf(WriteFileAtomically(file, DefaultImageBlock(flag)));
    std::lock_guard lock(imageLock_);
    working_.ResetToDefault(flag);
    workingOrderChanged_ = false;
    return ImageResult::kOk;
  });
}

ImageResult Workspace::LoadImageFile(const std::filesystem::path& file) {
  std::lock_guard lock(imageLock_);
  workingOrderChanged_ = false;
  const ImageResult loaded = MemoryGuarded([&] {
    const auto bytes = ReadClaimedBytes(file);
    return OkIf(bytes && working_.Parse(*bytes));
  });
  if (loaded != ImageResult::kOk) {
    // Whatever stopped the load, nothing of the file stays behind. Should
    // even the default image not fit, the image is left without a block:
    // empty, never half loaded.
    MemoryGuarded([this] {
      working_.ResetToDefault();
      return ImageResult::kOk;
    });
  }
  return loaded;
}

ImageResult Workspace::ImportImageFile(const std::filesystem::path& file, Prompter& prompter) {
  return MemoryGuarded([&] {
    // Read once: what is judged is what is then taken in.
    const ImageFileRead read = ReadImageFile(file);
    const ImageResult result = JudgeImageFile(file, read, prompter);
    if (result != ImageResult::kOk) return result;
    ProfileImage image;
    if (!image.Parse(read.bytes)) return ImageResult::kFailed;
    std::lock_guard lock(imageLock_);
    working_ = std::move(image);
    workingOrderChanged_ = false;
    return ImageResult::kOk;
  });
}

ImageResult Workspace::SaveImageFile(const std::filesystem::path& file) {
  std::lock_guard lock(imageLock_);
  return MemoryGuarded([&] {
    const std::vector<std::uint8_t> bytes = working_.Serialize();
    if (bytes.empty()) return ImageResult::kFailed;
    return OkIf(WriteFileAtomically(file, bytes));
  });
}

Workspace::ProfileFileUse Workspace::ProfileFileState() const {
  const std::filesystem::path file = ProfileFilePath();
  std::error_code error;
  const std::filesystem::file_status own = std::filesystem::symlink_status(file, error);
  if (own.type() == std::filesystem::file_type::not_found) return ProfileFileUse::kMissing;
  if (std::filesystem::is_symlink(own)) {
    const std::filesystem::file_status target = std::filesystem::status(file, error);
    if (std::filesystem::is_directory(target)) return ProfileFileUse::kFolder;
    // A link the program made nothing of may still be the user's way to keep
    // the profile file elsewhere: only a profile image there is taken for one.
    return ReadImageFile(file).verdict == ImageFileVerdict::kValid ? ProfileFileUse::kWritable
                                                                   : ProfileFileUse::kForeignLink;
  }
  return std::filesystem::is_regular_file(own) ? ProfileFileUse::kWritable
                                               : ProfileFileUse::kFolder;
}

ImageResult Workspace::SaveProfileFile() {
  std::lock_guard lock(imageLock_);
  return MemoryGuarded([this] {
    switch (ProfileFileState()) {
      case ProfileFileUse::kMissing:
        return ImageResult::kNoProfileFile;
      case ProfileFileUse::kFolder:
      case ProfileFileUse::kForeignLink:
        return ImageResult::kFailed;
      case ProfileFileUse::kWritable:
        break;
    }
    return SaveImageFile(ProfileFilePath());
  });
}

void Workspace::ClearWorkingImage() {
  std::lock_guard lock(imageLock_);
  working_.Clear();
}

KeyEntry Workspace::ReadEntry(ProfileNumber profile, int slot) const {
  std::lock_guard lock(imageLock_);
  if (slot < 0) return {};
  return working_.Entry(profile, static_cast<std::size_t>(slot));
}

void Workspace::StoreEntry(ProfileNumber profile, int slot, const KeyEntry& entry) {
  std::lock_guard lock(imageLock_);
  if (slot < 0) return;
  working_.StoreEntry(profile, static_cast<std::size_t>(slot), entry);
}

std::vector<MacroRecord> Workspace::MacroList() const {
  std::lock_guard lock(imageLock_);
  return working_.Macros();
}

std::size_t Workspace::PositionOfId(std::uint32_t id) const {
  std::lock_guard lock(imageLock_);
  return ombrex::PositionOfId(working_.Macros(), id);
}

std::uint16_t Workspace::IdAtPosition(long long position) const {
  std::lock_guard lock(imageLock_);
  return ombrex::IdAtPosition(working_.Macros(), position);
}

std::uint16_t Workspace::LowestFreeId() const {
  std::lock_guard lock(imageLock_);
  return ombrex::LowestFreeId(working_.Macros());
}

bool Workspace::IsMacroIdInUse(std::uint16_t id) const {
  std::lock_guard lock(imageLock_);
  for (std::size_t i = 0; i < image::kEntryCount; ++i) {
    const KeyEntry entry = working_.Entry(i);
    if (entry.Is(AssignKind::Macro) && (entry.value & 0xFFFF) == id) return true;
  }
  return false;
}

bool Workspace::ConfirmMacroDeletion(const MacroRecord& record, Prompter& prompter,
                                     const Texts& texts) const {
  if (record.fresh != 0) return true;  // no key can play a macro that was never applied
  // The question is asked without the lock: the user may take their time.
  if (!IsMacroIdInUse(record.id)) return true;
  return prompter.AskYesNo(texts.Text(text_catalogue::kMacroDeleteConfirmOfKeys)) == Answer::Yes;
}

MacroListChange Workspace::ApplyMacroList(std::vector<MacroRecord>& records) {
  MacroListChange change;
  std::vector<MacroRecord> next;
  // Everything the hand-over allocates is allocated before the first entry
  // changes, so running out of memory leaves the image as it was.
  try {
    next.reserve(records.size());
    change.defaultedEntries.reserve(image::kEntryCount);
  } catch (const std::bad_alloc&) {
    return {};
  }
  std::lock_guard lock(imageLock_);
  for (std::size_t i = 0; i < image::kEntryCount; ++i) {
    KeyEntry entry = working_.Entry(i);
    if (!entry.Is(AssignKind::Macro)) continue;
    if (entry.value != 0) {
      const MacroRecord* named = FindById(records, entry.value);
      if (named != nullptr && named->fresh == 0) continue;
      entry.kind = static_cast<std::uint16_t>(AssignKind::Default);
      change.defaultedEntries.push_back(i);
    } else if (!records.empty()) {
      entry.value = records.front().id;
    } else {
      continue;
    }
    working_.SetEntry(i, entry);
    change.entriesChanged = true;
  }
  if (IsWrongOrder(working_.Macros(), records)) workingOrderChanged_ = true;
  for (MacroRecord& record : records) {
    record.fresh = 0;
    next.push_back(record);
  }
  working_.ReplaceMacros(std::move(next));
  change.applied = true;
  return change;
}

ImageResult Workspace::RebuildAppliedImage() {
  std::lock_guard imageLock(imageLock_);
  std::lock_guard appliedLock(appliedLock_);
  if (!working_.HasBlock() || working_.Macros().size() > kMaxMacros) return ImageResult::kFailed;
  if (ImageTotalSize(working_.Macros().size(), working_.TextTotal()) >
      std::numeric_limits<std::uint32_t>::max()) {
    return ImageResult::kFailed;
  }
  return MemoryGuarded([&] {
    AppliedImage next;
    // Texts first, so that the offsets in the copied block are the ones the
    // applied string area has.
    next.stringArea = working_.LayOutStringArea(true);
    next.block.assign(working_.Block().begin(), working_.Block().end());
    WriteImageHeader(next.block, static_cast<std::uint16_t>(working_.Macros().size()),
                     static_cast<std::uint32_t>(working_.TextTotal()), 0);
    next.macros = working_.Macros();
    applied_ = std::move(next);
    appliedOrderChanged_ = appliedOrderChanged_ || workingOrderChanged_;
    workingOrderChanged_ = false;
    return ImageResult::kOk;
  });
}

bool Workspace::AppliedMacroOrderChanged() const {
  std::lock_guard lock(appliedLock_);
  return appliedOrderChanged_;
}

void Workspace::KeyboardHasAppliedMacroOrder() {
  std::lock_guard lock(appliedLock_);
  appliedOrderChanged_ = false;
}

}  // namespace ombrex
