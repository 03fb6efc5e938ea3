// Profile image files from outside: validation, loading, and saving what was
// loaded. Small inputs are expanded into a whole image (a header, a few
// entries patched into a default block, and a tail of macros and string area)
// so the fuzzer reaches past the 32832 bytes every image starts with; an input
// whose first byte has bit 7 set is used as the file as it stands.
//
// Properties: a file that validates loads; whatever loads saves to a file that
// validates and loads back to the same texts and macros.

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <mutex>
#include <span>
#include <vector>

#include "model/byte_io.h"
#include "model/profile_image.h"
#include "model/workspace.h"
#include "platform/prompter.h"
#include "tests/fuzz/scratch_folder.h"

namespace {

using namespace ombrex;

constexpr std::uint8_t kRawFile = 0x80;
constexpr std::uint8_t kFixChecksum = 0x01;
constexpr std::uint8_t kFixTotalSize = 0x02;
constexpr std::size_t kPatchSize = 8;  // u16 entry index, u16 kind, u32 value

std::vector<std::uint8_t> Expand(std::span<const std::uint8_t> input) {
  if (input.empty() || (input[0] & kRawFile)) return {input.begin(), input.end()};
  const std::uint8_t flags = input[0];
  input = input.subspan(1);
  std::vector<std::uint8_t> file = DefaultImageBlock(0);
  const std::size_t header = std::min(input.size(), image::kHeaderSize);
  std::copy_n(input.begin(), header, file.begin());
  input = input.subspan(header);
  std::size_t patches = input.empty() ? 0 : input[0] % 32;
  input = input.subspan(input.empty() ? 0 : 1);
  for (; patches > 0 && input.size() >= kPatchSize; --patches, input = input.subspan(kPatchSize)) {
    const std::size_t index = bytes::Get16(input, 0) % image::kEntryCount;
    const std::size_t at = image::EntryOffset(index);
    bytes::Put16(file, at, bytes::Get16(input, 2) % 10);
    bytes::Put32(file, at + 4, bytes::Get32(input, 4));
  }
  const ImageHeader h = ReadImageHeader(file);
  if (flags & kFixTotalSize) {
    bytes::Put32(file, image::kTotalSizeAt,
                 static_cast<std::uint32_t>(ImageTotalSize(h.macroCount, h.stringAreaSize)));
  }
  if (flags & kFixChecksum) file[image::kChecksumAt] = HeaderChecksum(file);
  // The tail stands for the macros (zero-filled to the count the header
  // claims) followed by the string area.
  const std::size_t macroBytes = std::min<std::size_t>(h.macroCount, 3) * kMacroRecordSize;
  file.resize(file.size() + macroBytes);
  file.insert(file.end(), input.begin(), input.end());
  return file;
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static fuzz::ScratchFolder folder;
  static SilentPrompter prompter;
  const std::filesystem::path input = folder.path() / "input.fwc";
  const std::filesystem::path saved = folder.path() / "saved.fwc";
  WriteFile(input, Expand({data, size}));

  const ImageResult valid = ValidateImageFile(input, prompter);
  fuzz::Require(valid == ImageResult::kFailed || valid == ImageResult::kOk);
  Workspace workspace(folder.path());
  const ImageResult loaded = workspace.LoadImageFile(input);
  if (valid == ImageResult::kOk) fuzz::Require(loaded == ImageResult::kOk);
  if (loaded != ImageResult::kOk) return 0;

  fuzz::Require(workspace.SaveImageFile(saved) == ImageResult::kOk);
  fuzz::Require(ValidateImageFile(saved, prompter) == ImageResult::kOk);
  Workspace again(folder.path());
  fuzz::Require(again.LoadImageFile(saved) == ImageResult::kOk);
  const auto first = workspace.Working();
  const auto second = again.Working();
  fuzz::Require(second->Macros() == first->Macros());
  fuzz::Require(second->TextTotal() == first->TextTotal());
  for (std::size_t i = 0; i < image::kEntryCount; ++i) {
    fuzz::Require(second->Text(i) == first->Text(i));
  }
  return 0;
}
