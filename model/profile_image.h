#pragma once

// The profile image: the assignment set of all four onboard profiles as one
// block of bytes, laid out exactly as the .fwc file holds it:
//
//   0      32-byte header (magic "FD", sizes, 8-bit checksum)
//   32     32-byte fixed block
//   64     2048 KeyEntry records (4 profiles x 512 key slots)
//   32832  MacroRecords of 16512 bytes
//   ...    string area: the texts of LaunchProgram and TextBlock entries
//
// In memory the working image keeps its texts in a path table beside the
// entries and lays the string area out only when it writes the image.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "device/profile_number.h"
#include "model/key_entry.h"
#include "model/macro.h"

namespace ombrex {

namespace image {
inline constexpr std::size_t kHeaderSize = 32;
inline constexpr std::size_t kFixedBlockAt = 32;
inline constexpr std::size_t kFixedBlockSize = 32;
inline constexpr std::size_t kEntriesAt = 64;
inline constexpr std::size_t kEntryCount = 2048;
inline constexpr std::size_t kProfileBlockSize = kSlotsPerProfile * kEntrySize;   // 8192
inline constexpr std::size_t kBlockSize = kEntriesAt + kEntryCount * kEntrySize;  // 32832

// The largest string area taken in: a text for every entry, each as long as
// the longest path the platform knows (32767 UTF-16 units) with its
// terminator. A header claiming more describes no file anybody wrote, and
// is refused before a byte of it is read.
inline constexpr std::uint64_t kLargestStringAreaSize = kEntryCount * 65536;  // 128 MiB

inline constexpr std::uint16_t kMagic = 0x4446;  // "FD"
inline constexpr std::uint16_t kVersion = 3;
inline constexpr std::uint16_t kSubVersion = 1;

// Header field offsets.
inline constexpr std::size_t kTotalSizeAt = 8;
inline constexpr std::size_t kEntryCountAt = 12;
inline constexpr std::size_t kMacroCountAt = 14;
inline constexpr std::size_t kStringAreaSizeAt = 16;
inline constexpr std::size_t kFlagAt = 30;
inline constexpr std::size_t kChecksumAt = 31;

// What the file format fixes: a change of a size above must not move any of
// it without notice.
static_assert(kFixedBlockAt == kHeaderSize && kEntriesAt == kFixedBlockAt + kFixedBlockSize);
static_assert(kEntrySize == 16 && kProfileBlockSize == 8192 && kBlockSize == 32832);
static_assert(kFlagAt + 1 == kChecksumAt && kChecksumAt + 1 == kHeaderSize);
static_assert(kTotalSizeAt == 8 && kEntryCountAt == 12 && kMacroCountAt == 14 &&
              kStringAreaSizeAt == 16);

constexpr std::size_t EntryIndex(std::size_t profile, std::size_t slot) {
  return profile * kSlotsPerProfile + slot;
}
constexpr std::size_t EntryOffset(std::size_t index) {
  return kEntriesAt + kEntrySize * index;
}
}  // namespace image

struct ImageHeader {
  std::uint16_t magic = 0;
  std::uint16_t headerSize = 0;
  std::uint16_t version = 0;
  std::uint16_t subVersion = 0;
  std::uint32_t totalSize = 0;
  std::uint16_t entryCount = 0;
  std::uint16_t macroCount = 0;
  std::uint32_t stringAreaSize = 0;
  std::uint8_t flag = 0;
  std::uint8_t checksum = 0;
};

// The sum, in 64 bits so that it cannot wrap, that the header's total size must
// equal.
std::uint64_t ImageTotalSize(std::uint64_t macroCount, std::uint64_t stringAreaSize);
// The size rule of every reader (import, command-line tool, profile file
// loader): at most 100 macros and a string area no larger than the largest.
bool ClaimWithinSizeRule(const ImageHeader& header);

// The 8-bit sum of header bytes 0..30.
std::uint8_t HeaderChecksum(std::span<const std::uint8_t> header);
ImageHeader ReadImageHeader(std::span<const std::uint8_t> header);

// Fills header bytes 0..31; the checksum last.
void WriteImageHeader(std::span<std::uint8_t> block, std::uint16_t macroCount,
                      std::uint32_t stringAreaSize, std::uint8_t flag);
void WriteFixedBlock(std::span<std::uint8_t> block);
// Zeroes the 512 records of one profile block, then presets the G-key codes.
void InitProfileBlock(std::span<std::uint8_t> profileBlock);
// Header (no macros, no texts, the flag), fixed block, all entries zero and the
// G-key codes preset in profile 0's block only.
std::vector<std::uint8_t> DefaultImageBlock(std::uint8_t flag);

// Why a file is not a profile image this program takes in.
enum class ImageCheck {
  Valid,
  TooShort,   // shorter than the entries
  BadHeader,  // a header field or the checksum is wrong
  Truncated,  // shorter than its header's total size
  TooLarge,   // the header claims more than the size rule allows
  BadText,    // a text offset outside the string area, a text without terminator, or
              // texts taking more room than the area (entries sharing one text)
};

// Checks a header alone against the length of the file it starts: every
// field and the checksum, then the total size it claims against that length.
// What a header says can be judged before anything it claims is read.
ImageCheck CheckImageHeader(std::span<const std::uint8_t> header, std::uint64_t fileLength);

// Checks a whole file's bytes: the header as above, and the texts of
// LaunchProgram and TextBlock entries against the string area.
ImageCheck CheckImageBytes(std::span<const std::uint8_t> file);

// One pair of the path table: a text and its size in bytes with the
// terminator (0 = no text).
struct PathText {
  std::u16string text;
  std::uint32_t byteLength = 0;
};

// The working image: the 32832-byte block, the macros and the path table. Not
// thread-safe on its own; the Workspace guards it with the image lock.
class ProfileImage {
 public:
  ProfileImage();

  // An image without a block (after Clear) holds no entries: reads give zero
  // entries, writes are ignored, saving refuses.
  bool HasBlock() const { return !block_.empty(); }
  std::span<const std::uint8_t> Block() const { return block_; }

  // Entries by index 0..2047, or by profile and slot 0..511; outside, reads
  // give zero entries and writes are ignored.
  KeyEntry Entry(std::size_t index) const;
  KeyEntry Entry(ProfileNumber profile, std::size_t slot) const;
  // Writes the 16 bytes as given; the caller keeps the path table in step.
  void SetEntry(std::size_t index, const KeyEntry& entry);
  // Releases the entry's text first, then writes the entry.
  void StoreEntry(ProfileNumber profile, std::size_t slot, const KeyEntry& entry);

  std::u16string_view Text(std::size_t index) const;
  std::uint32_t TextByteLength(std::size_t index) const;
  void SetText(std::size_t index, std::u16string text);
  void ReleaseText(std::size_t index);
  std::uint64_t TextTotal() const { return textTotal_; }

  const std::vector<MacroRecord>& Macros() const { return macros_; }
  std::vector<MacroRecord>& MutableMacros() { return macros_; }
  void ReplaceMacros(std::vector<MacroRecord> macros) { macros_ = std::move(macros); }

  // Frees every text, the macros and the block.
  void Clear();
  // Clears, then takes a default block.
  void ResetToDefault(std::uint8_t flag = 0);

  // The string area of the texts in entry order; with `storeOffsets` each
  // text's offset is written into its entry's value (the offsets a written
  // image refers to).
  std::vector<std::uint8_t> LayOutStringArea(bool storeOffsets);

  // The whole file: the header rewritten for the current macros and texts
  // (flag 0), the block, the macros and the string area. Offsets in the
  // entries are refreshed. Empty when there is no block or the sizes do not fit
  // the header's 32-bit fields.
  std::vector<std::uint8_t> Serialize();

  // Takes in a file's bytes without judging their content, but only as far as
  // they are whole: the macro count is held to 100 and to the records present,
  // the string area to the bytes present, a text to the area (an offset outside
  // it gives an empty text). False (and the image untouched) when the bytes are
  // shorter than the block.
  bool Parse(std::span<const std::uint8_t> file);

 private:
  std::vector<std::uint8_t> block_;
  std::vector<MacroRecord> macros_;
  std::vector<PathText> paths_;
  std::uint64_t textTotal_ = 0;
};

// The image last committed for sending to the keyboard.
struct AppliedImage {
  std::vector<std::uint8_t> block;
  std::vector<MacroRecord> macros;
  std::vector<std::uint8_t> stringArea;

  KeyEntry Entry(ProfileNumber profile, std::size_t slot) const;
  void Clear();
};

// The text of a string area at an offset (rounded down to even), up to its
// terminator or the end of the area; nullopt for an offset outside the area.
// `terminated` tells whether a terminator was found.
std::optional<std::u16string> TextAt(std::span<const std::uint8_t> area, std::uint32_t offset,
                                     bool* terminated = nullptr);

}  // namespace ombrex
