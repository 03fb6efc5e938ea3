#pragma once

// A profile image file someone hands the program (an import, a file given to
// ombrexctl), read the one way every door reads it: the size rule first, then
// the header on its own, and only then the bytes the header claims, never the
// rest of the file. A header that cannot be right, or that claims more than
// the file holds, is refused before anything it claims is read.
//
//   const ImageFileRead read = ReadImageFile(file);
//   if (read.verdict == ImageFileVerdict::kValid) image.Parse(read.bytes);

#include <cstdint>
#include <filesystem>
#include <vector>

#include "model/profile_image.h"

namespace ombrex {

namespace image {
// The size rule: a file holds at least the block and stays below 4 GiB, the
// most the header's 32-bit total size can describe.
inline constexpr std::uint64_t kLargestFileSize = 0xFFFFFFFFull;
}  // namespace image

enum class ImageFileVerdict {
  kValid,
  kMissing,      // no such regular file
  kCannotOpen,   // there, but it cannot be opened or read
  kTooLarge,     // 4 GiB or longer, or (with check TooLarge) its header claims more than
                 // the size rule allows
  kInvalid,      // read, and `check` says what is wrong
  kOutOfMemory,  // what the header claims does not fit in memory
};

struct ImageFileRead {
  ImageFileVerdict verdict = ImageFileVerdict::kMissing;
  ImageCheck check = ImageCheck::Valid;  // with kInvalid: the failed check
  std::vector<std::uint8_t> bytes;       // with kValid: the file up to its claimed size
};

// Never throws; never writes.
ImageFileRead ReadImageFile(const std::filesystem::path& file);

}  // namespace ombrex
