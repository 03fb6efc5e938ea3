#include "model/profile_image.h"

#include <algorithm>
#include <limits>

#include "model/byte_io.h"

namespace ombrex {
namespace {

constexpr std::array<std::uint32_t, 8> kFixedBlockWords{
    0x0020484B, 0x00008020, 0x02000004, 0x00000000, 0x50040C45, 0x000E1C4F, 0x00000000, 0x00000000};
static_assert(kFixedBlockWords.size() * 4 == image::kFixedBlockSize);

std::span<std::uint8_t> EntryBytes(std::vector<std::uint8_t>& block, std::size_t index) {
  return std::span<std::uint8_t>(block).subspan(image::EntryOffset(index), kEntrySize);
}

KeyEntry EntryOf(const std::vector<std::uint8_t>& block, std::size_t index) {
  if (block.size() < image::kBlockSize || index >= image::kEntryCount) return {};
  return ReadKeyEntry(
      std::span<const std::uint8_t>(block).subspan(image::EntryOffset(index), kEntrySize));
}

bool HeaderFieldsValid(const ImageHeader& h, std::span<const std::uint8_t> header) {
  return h.magic == image::kMagic && h.headerSize == image::kHeaderSize &&
         h.version == image::kVersion && h.subVersion == image::kSubVersion &&
         h.totalSize >= image::kBlockSize && h.entryCount == image::kEntryCount &&
         h.macroCount <= kMaxMacros && h.flag <= 1 &&
         h.totalSize == ImageTotalSize(h.macroCount, h.stringAreaSize) &&
         h.checksum == HeaderChecksum(header);
}

// The string area of a file as its header places it, cut to the bytes there.
std::span<const std::uint8_t> StringAreaOf(std::span<const std::uint8_t> file,
                                           const ImageHeader& header) {
  const std::uint64_t start =
      image::kBlockSize + std::uint64_t{header.macroCount} * kMacroRecordSize;
  if (start >= file.size()) return {};
  const std::uint64_t size = std::min<std::uint64_t>(header.stringAreaSize, file.size() - start);
  return file.subspan(static_cast<std::size_t>(start), static_cast<std::size_t>(size));
}

// The bytes of the text at an offset (rounded down to even), terminator
// included; nullopt when the offset lies outside the area or the text has no
// terminator there.
std::optional<std::size_t> TextBytesAt(std::span<const std::uint8_t> area, std::uint32_t offset) {
  for (std::size_t at = offset & ~std::uint32_t{1}; at + 1 < area.size(); at += 2) {
    if (bytes::Get16(area, at) == 0) return at + 2 - (offset & ~std::uint32_t{1});
  }
  return std::nullopt;
}

// Every text must be there and end, and together they may take no more room
// than the area they come from: a file this program writes lays each text out
// once, so entries sharing one text could only make a small file take up
// gigabytes once loaded and saved.
bool TextsValid(std::span<const std::uint8_t> file, const ImageHeader& header) {
  const auto area = StringAreaOf(file, header);
  std::uint64_t total = 0;
  for (std::size_t i = 0; i < image::kEntryCount; ++i) {
    const KeyEntry entry = ReadKeyEntry(file.subspan(image::EntryOffset(i), kEntrySize));
    if (!entry.HasText()) continue;
    const std::optional<std::size_t> bytes = TextBytesAt(area, entry.value);
    if (!bytes) return false;
    total += *bytes;
    if (total > area.size()) return false;
  }
  return true;
}

}  // namespace

std::uint64_t ImageTotalSize(std::uint64_t macroCount, std::uint64_t stringAreaSize) {
  return macroCount * kMacroRecordSize + stringAreaSize + image::kBlockSize;
}

std::uint8_t HeaderChecksum(std::span<const std::uint8_t> header) {
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < image::kChecksumAt; ++i)
    sum = static_cast<std::uint8_t>(sum + header[i]);
  return sum;
}

ImageHeader ReadImageHeader(std::span<const std::uint8_t> header) {
  ImageHeader h;
  h.magic = bytes::Get16(header, 0);
  h.headerSize = bytes::Get16(header, 2);
  h.version = bytes::Get16(header, 4);
  h.subVersion = bytes::Get16(header, 6);
  h.totalSize = bytes::Get32(header, image::kTotalSizeAt);
  h.entryCount = bytes::Get16(header, image::kEntryCountAt);
  h.macroCount = bytes::Get16(header, image::kMacroCountAt);
  h.stringAreaSize = bytes::Get32(header, image::kStringAreaSizeAt);
  h.flag = header[image::kFlagAt];
  h.checksum = header[image::kChecksumAt];
  return h;
}

void WriteImageHeader(std::span<std::uint8_t> block, std::uint16_t macroCount,
                      std::uint32_t stringAreaSize, std::uint8_t flag) {
  bytes::Put16(block, 0, image::kMagic);
  bytes::Put16(block, 2, image::kHeaderSize);
  bytes::Put16(block, 4, image::kVersion);
  bytes::Put16(block, 6, image::kSubVersion);
  // Callers keep the sum inside 32 bits (Serialize refuses otherwise).
  bytes::Put32(block, image::kTotalSizeAt,
               static_cast<std::uint32_t>(ImageTotalSize(macroCount, stringAreaSize)));
  bytes::Put16(block, image::kEntryCountAt, image::kEntryCount);
  bytes::Put16(block, image::kMacroCountAt, macroCount);
  bytes::Put32(block, image::kStringAreaSizeAt, stringAreaSize);
  std::fill(block.begin() + 20, block.begin() + image::kFlagAt, std::uint8_t{0});
  block[image::kFlagAt] = flag;
  block[image::kChecksumAt] = HeaderChecksum(block);
}

void WriteFixedBlock(std::span<std::uint8_t> block) {
  for (std::size_t i = 0; i < kFixedBlockWords.size(); ++i) {
    bytes::Put32(block, image::kFixedBlockAt + 4 * i, kFixedBlockWords[i]);
  }
}

void InitProfileBlock(std::span<std::uint8_t> profileBlock) {
  std::fill_n(profileBlock.begin(), image::kProfileBlockSize, std::uint8_t{0});
  for (unsigned slot = 256; slot <= 273; ++slot) {
    bytes::Put16(profileBlock, kEntrySize * slot + 2, GKeyCodeOfSlot(slot));
  }
}

std::vector<std::uint8_t> DefaultImageBlock(std::uint8_t flag) {
  std::vector<std::uint8_t> block(image::kBlockSize);
  WriteImageHeader(block, 0, 0, flag);
  WriteFixedBlock(block);
  InitProfileBlock(std::span(block).subspan(image::kEntriesAt, image::kProfileBlockSize));
  return block;
}

bool ClaimWithinSizeRule(const ImageHeader& header) {
  return header.macroCount <= kMaxMacros && header.stringAreaSize <= image::kLargestStringAreaSize;
}

ImageCheck CheckImageHeader(std::span<const std::uint8_t> header, std::uint64_t fileLength) {
  if (header.size() < image::kHeaderSize) return ImageCheck::TooShort;
  header = header.first(image::kHeaderSize);
  const ImageHeader h = ReadImageHeader(header);
  if (!HeaderFieldsValid(h, header)) return ImageCheck::BadHeader;
  if (!ClaimWithinSizeRule(h)) return ImageCheck::TooLarge;
  if (fileLength < h.totalSize) return ImageCheck::Truncated;
  return ImageCheck::Valid;
}

ImageCheck CheckImageBytes(std::span<const std::uint8_t> file) {
  if (file.size() < image::kBlockSize) return ImageCheck::TooShort;
  if (const ImageCheck header = CheckImageHeader(file, file.size()); header != ImageCheck::Valid) {
    return header;
  }
  if (!TextsValid(file, ReadImageHeader(file))) return ImageCheck::BadText;
  return ImageCheck::Valid;
}

std::optional<std::u16string> TextAt(std::span<const std::uint8_t> area, std::uint32_t offset,
                                     bool* terminated) {
  const std::size_t start = offset & ~std::uint32_t{1};
  if (terminated != nullptr) *terminated = false;
  if (start >= area.size()) return std::nullopt;
  std::u16string text;
  for (std::size_t at = start; at + 1 < area.size(); at += 2) {
    const char16_t c = bytes::Get16(area, at);
    if (c == u'\0') {
      if (terminated != nullptr) *terminated = true;
      break;
    }
    text.push_back(c);
  }
  return text;
}

ProfileImage::ProfileImage() : paths_(image::kEntryCount) {}

KeyEntry ProfileImage::Entry(std::size_t index) const {
  return EntryOf(block_, index);
}

KeyEntry ProfileImage::Entry(ProfileNumber profile, std::size_t slot) const {
  if (slot >= kSlotsPerProfile) return {};
  return Entry(image::EntryIndex(profile.Index(), slot));
}

void ProfileImage::SetEntry(std::size_t index, const KeyEntry& entry) {
  if (!HasBlock() || index >= image::kEntryCount) return;
  WriteKeyEntry(EntryBytes(block_, index), entry);
}

void ProfileImage::StoreEntry(ProfileNumber profile, std::size_t slot, const KeyEntry& entry) {
  if (slot >= kSlotsPerProfile) return;
  const std::size_t index = image::EntryIndex(profile.Index(), slot);
  ReleaseText(index);
  SetEntry(index, entry);
}

std::u16string_view ProfileImage::Text(std::size_t index) const {
  return index < paths_.size() ? std::u16string_view(paths_[index].text) : std::u16string_view();
}

std::uint32_t ProfileImage::TextByteLength(std::size_t index) const {
  return index < paths_.size() ? paths_[index].byteLength : 0;
}

void ProfileImage::SetText(std::size_t index, std::u16string text) {
  if (index >= paths_.size()) return;
  ReleaseText(index);
  PathText& pair = paths_[index];
  pair.byteLength = static_cast<std::uint32_t>(2 * text.size() + 2);
  pair.text = std::move(text);
  textTotal_ += pair.byteLength;
}

void ProfileImage::ReleaseText(std::size_t index) {
  if (index >= paths_.size()) return;
  PathText& pair = paths_[index];
  textTotal_ -= pair.byteLength;
  pair = PathText{};
}

void ProfileImage::Clear() {
  for (PathText& pair : paths_) pair = PathText{};
  textTotal_ = 0;
  macros_.clear();
  block_.clear();
}

void ProfileImage::ResetToDefault(std::uint8_t flag) {
  Clear();
  block_ = DefaultImageBlock(flag);
}

std::vector<std::uint8_t> ProfileImage::LayOutStringArea(bool storeOffsets) {
  std::vector<std::uint8_t> area(static_cast<std::size_t>(textTotal_));
  std::size_t offset = 0;
  for (std::size_t i = 0; i < paths_.size(); ++i) {
    const PathText& pair = paths_[i];
    if (pair.byteLength == 0 || offset + pair.byteLength > area.size()) continue;
    KeyEntry entry = Entry(i);
    if (!entry.HasText()) continue;
    for (std::size_t c = 0; c < pair.text.size(); ++c) {
      bytes::Put16(area, offset + 2 * c, pair.text[c]);
    }
    if (storeOffsets) {
      entry.value = static_cast<std::uint32_t>(offset);
      SetEntry(i, entry);
    }
    offset += pair.byteLength;
  }
  return area;
}

std::vector<std::uint8_t> ProfileImage::Serialize() {
  if (!HasBlock() || macros_.size() > kMaxMacros) return {};
  const std::uint64_t total = ImageTotalSize(macros_.size(), textTotal_);
  if (total > std::numeric_limits<std::uint32_t>::max()) return {};
  std::vector<std::uint8_t> area = LayOutStringArea(true);
  WriteImageHeader(block_, static_cast<std::uint16_t>(macros_.size()),
                   static_cast<std::uint32_t>(textTotal_), 0);
  std::vector<std::uint8_t> file(static_cast<std::size_t>(total));
  std::copy(block_.begin(), block_.end(), file.begin());
  std::size_t at = image::kBlockSize;
  for (const MacroRecord& record : macros_) {
    WriteMacroRecord(record, std::span(file).subspan(at, kMacroRecordSize));
    at += kMacroRecordSize;
  }
  std::copy(area.begin(), area.end(), file.begin() + static_cast<std::ptrdiff_t>(at));
  return file;
}

bool ProfileImage::Parse(std::span<const std::uint8_t> file) {
  if (file.size() < image::kBlockSize) return false;
  const ImageHeader header = ReadImageHeader(file.first(image::kHeaderSize));
  const std::size_t present = (file.size() - image::kBlockSize) / kMacroRecordSize;
  const std::size_t macroCount = std::min({std::size_t{header.macroCount}, kMaxMacros, present});
  Clear();
  block_.assign(file.begin(), file.begin() + image::kBlockSize);
  macros_.reserve(macroCount);
  for (std::size_t i = 0; i < macroCount; ++i) {
    macros_.push_back(
        ReadMacroRecord(file.subspan(image::kBlockSize + i * kMacroRecordSize, kMacroRecordSize)));
  }
  const auto area = StringAreaOf(file, header);
  for (std::size_t i = 0; i < image::kEntryCount; ++i) {
    const KeyEntry entry = Entry(i);
    if (entry.HasText()) SetText(i, TextAt(area, entry.value).value_or(std::u16string()));
  }
  return true;
}

KeyEntry AppliedImage::Entry(ProfileNumber profile, std::size_t slot) const {
  if (slot >= kSlotsPerProfile) return {};
  return EntryOf(block, image::EntryIndex(profile.Index(), slot));
}

void AppliedImage::Clear() {
  block.clear();
  macros.clear();
  stringArea.clear();
}

}  // namespace ombrex
