#include "model/image_file.h"

#include <algorithm>
#include <new>

#include "model/binary_file.h"

namespace ombrex {
namespace {

ImageFileRead Verdict(ImageFileVerdict verdict, ImageCheck check = ImageCheck::Valid) {
  ImageFileRead read;
  read.verdict = verdict;
  read.check = check;
  return read;
}

ImageFileRead Read(const std::filesystem::path& file) {
  const auto size = RegularFileSize(file);
  if (!size) return Verdict(ImageFileVerdict::kMissing);
  const auto header = ReadFilePrefix(file, image::kHeaderSize);
  if (!header) return Verdict(ImageFileVerdict::kCannotOpen);
  if (*size > image::kLargestFileSize) return Verdict(ImageFileVerdict::kTooLarge);
  if (*size < image::kBlockSize) return Verdict(ImageFileVerdict::kInvalid, ImageCheck::TooShort);
  if (const ImageCheck check = CheckImageHeader(*header, *size); check != ImageCheck::Valid) {
    return Verdict(
        check == ImageCheck::TooLarge ? ImageFileVerdict::kTooLarge : ImageFileVerdict::kInvalid,
        check);
  }
  // Bytes past the claimed total belong to no image and are never read.
  const std::uint64_t claimed =
      std::max<std::uint64_t>(ReadImageHeader(*header).totalSize, image::kBlockSize);
  auto bytes = ReadFilePrefix(file, claimed);
  if (!bytes) return Verdict(ImageFileVerdict::kCannotOpen);
  // Judged on what was read: the file may have changed since its header was.
  if (const ImageCheck check = CheckImageBytes(*bytes); check != ImageCheck::Valid) {
    return Verdict(ImageFileVerdict::kInvalid, check);
  }
  ImageFileRead read = Verdict(ImageFileVerdict::kValid);
  read.bytes = std::move(*bytes);
  return read;
}

}  // namespace

ImageFileRead ReadImageFile(const std::filesystem::path& file) {
  try {
    return Read(file);
  } catch (const std::bad_alloc&) {
    return Verdict(ImageFileVerdict::kOutOfMemory);
  }
}

}  // namespace ombrex
