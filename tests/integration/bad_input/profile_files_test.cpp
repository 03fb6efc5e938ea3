// Profile files nobody should trust, through both doors that read one: the
// check and load of the program's model, and ombrexctl. Each door refuses the
// same files with a reason, takes in the same others whole, and leaves every
// file as it found it.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "model/byte_io.h"
#include "model/image_file.h"
#include "model/workspace.h"
#include "tests/support/ombrexctl/ctl_run.h"
#include "tests/support/recording_prompter.h"
#include "tests/support/temp_dir.h"

namespace ombrex {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::filesystem::path SampleFile() {
  return std::filesystem::path(std::getenv("OMBREX_TEST_DATA")) / "model" / "sample.fwc";
}

KeyEntry Kind(AssignKind kind, std::uint32_t value = 0) {
  KeyEntry entry;
  entry.kind = static_cast<std::uint16_t>(kind);
  entry.value = value;
  return entry;
}

// A good file with what a file can hold: macros, both kinds of text, and a
// macro played by a key.
Bytes GoodImage() {
  ProfileImage image;
  image.ResetToDefault();
  MacroRecord macro;
  macro.id = 1;
  macro.cycles = 1;
  macro.count = 2;
  macro.SetName(u"Combo");
  image.ReplaceMacros({macro});
  image.SetEntry(image::EntryIndex(0, 30), Kind(AssignKind::Macro, 1));
  image.SetEntry(40, Kind(AssignKind::LaunchProgram));
  image.SetText(40, u"/usr/bin/true");
  image.SetEntry(700, Kind(AssignKind::TextBlock));
  image.SetText(700, u"typed");
  return image.Serialize();
}

void Rechecksum(Bytes& file) {
  file[image::kChecksumAt] = HeaderChecksum(file);
}

// The header made to claim what the file now holds.
void Reclaim(Bytes& file, std::uint16_t macros, std::uint32_t area) {
  bytes::Put16(file, image::kMacroCountAt, macros);
  bytes::Put32(file, image::kStringAreaSizeAt, area);
  bytes::Put32(file, image::kTotalSizeAt, static_cast<std::uint32_t>(ImageTotalSize(macros, area)));
  Rechecksum(file);
}

Bytes Cut(Bytes file, std::size_t size) {
  file.resize(std::min(size, file.size()));
  return file;
}

Bytes Noise(std::size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

// Every entry plays one long text: a 1 MiB file that would take 2 GiB once
// taken in, and as much again when saved.
Bytes SharedText() {
  Bytes file = DefaultImageBlock(0);
  constexpr std::size_t kCharacters = 512 * 1024;
  for (std::size_t i = 0; i < image::kEntryCount; ++i) {
    const std::size_t at = image::EntryOffset(i);
    bytes::Put16(file, at, static_cast<std::uint16_t>(AssignKind::LaunchProgram));
    bytes::Put32(file, at + 4, 0);
  }
  file.resize(file.size() + 2 * kCharacters, 'a');
  file.insert(file.end(), {0, 0});
  Reclaim(file, 0, static_cast<std::uint32_t>(2 * kCharacters + 2));
  return file;
}

struct FileCase {
  std::string name;
  Bytes bytes;
  bool valid;
};

std::vector<FileCase> HostileFiles() {
  const Bytes good = GoodImage();
  const std::size_t macrosAt = image::kBlockSize;
  const std::size_t areaAt = macrosAt + kMacroRecordSize;
  const ImageHeader header = ReadImageHeader(good);
  std::vector<FileCase> cases{
      {"good", good, true},
      {"the sample file", test::ReadBytes(SampleFile()), true},
      // Truncated: at every boundary of the layout, and by one byte.
      {"empty", {}, false},
      {"half a header", Cut(good, 16), false},
      {"the header only", Cut(good, image::kHeaderSize), false},
      {"one byte short of the entries", Cut(good, image::kBlockSize - 1), false},
      {"cut inside the macros", Cut(good, macrosAt + 100), false},
      {"cut before the texts", Cut(good, areaAt), false},
      {"one byte short", Cut(good, good.size() - 1), false},
  };
  // Longer than the header says: what follows is nobody's and is ignored.
  Bytes trailer = good;
  trailer.resize(good.size() + 100000, 0xEE);
  cases.push_back({"a megabyte of junk after the image", trailer, true});
  // Random bytes, as short, as long and longer than an image.
  cases.push_back({"noise of a header's size", Noise(image::kHeaderSize, 1), false});
  cases.push_back({"noise of an image's size", Noise(image::kBlockSize, 2), false});
  cases.push_back({"noise past an image", Noise(100000, 3), false});

  // Hostile headers.
  const auto patched = [&](std::string name, std::size_t at, std::uint8_t value, bool fix) {
    Bytes file = good;
    file[at] = value;
    if (fix) Rechecksum(file);
    cases.push_back({std::move(name), std::move(file), false});
  };
  patched("a wrong checksum", image::kChecksumAt, std::uint8_t(good[image::kChecksumAt] + 1),
          false);
  patched("another version", 4, 4, true);
  patched("a flag other than 0 or 1", image::kFlagAt, 2, true);
  patched("2047 entries", image::kEntryCountAt, 0xFF, true);
  Bytes manyMacros = good;
  Reclaim(manyMacros, 101, header.stringAreaSize);
  manyMacros.resize(ImageTotalSize(101, header.stringAreaSize));
  cases.push_back({"101 macros, all there", manyMacros, false});
  Bytes hugeClaim = good;
  Reclaim(hugeClaim, 100, 0xFFFFFFFFu - std::uint32_t(ImageTotalSize(100, 0)));
  cases.push_back({"a claim of 4 GiB in a small file", hugeClaim, false});

  // Hostile texts.
  Bytes outside = good;
  bytes::Put32(outside, image::EntryOffset(700) + 4, header.stringAreaSize);
  cases.push_back({"a text past the text area", outside, false});
  Bytes unterminated = good;
  unterminated[unterminated.size() - 2] = 'x';
  cases.push_back({"a text without an end", unterminated, false});
  cases.push_back({"every entry sharing one long text", SharedText(), false});

  // Hostile but well-formed: taken in as they are, printed safely.
  Bytes unknownKind = good;
  bytes::Put16(unknownKind, image::EntryOffset(5), 0x7777);
  cases.push_back({"a kind this program does not know", unknownKind, true});
  Bytes endlessMacro = good;
  bytes::Put16(endlessMacro, macrosAt + 508, 0xFFFF);                     // 65535 actions claimed
  std::fill_n(endlessMacro.begin() + macrosAt, 500, std::uint8_t{0x41});  // name without end
  cases.push_back({"a macro claiming 65535 actions and a name without end", endlessMacro, true});
  ProfileImage steering;
  steering.ResetToDefault();
  steering.SetEntry(9, Kind(AssignKind::TextBlock));
  steering.SetText(9, u"\x1b]0;owned\x07\x1b[2J\nfaked line\r");
  cases.push_back({"texts that steer a terminal", steering.Serialize(), true});
  return cases;
}

// Both doors, one verdict; the file untouched; a refusal names the file; a
// file taken in comes out of a save as a file both doors take in again.
void ExpectEveryDoorAgrees(const FileCase& c, const std::filesystem::path& file) {
  SCOPED_TRACE(c.name);
  test::RecordingPrompter prompter;
  const ImageResult checked = ValidateImageFile(file, prompter);
  const ctl::test::CtlRun validate = ctl::test::Ctl({"validate", file.string()});
  const ctl::test::CtlRun dump = ctl::test::Ctl({"dump", file.string()});
  EXPECT_EQ(checked == ImageResult::kOk, c.valid) << checked;
  EXPECT_EQ(validate.exitCode, c.valid ? 0 : 1) << validate.err;
  EXPECT_EQ(dump.exitCode, c.valid ? 0 : 1) << dump.err;
  EXPECT_EQ(test::ReadBytes(file), c.bytes);
  if (!c.valid) {
    EXPECT_NE(validate.err.find(file.filename().string()), std::string::npos) << validate.err;
    // The program says so for anything that could be an image at all.
    if (c.bytes.size() >= image::kBlockSize) {
      EXPECT_EQ(prompter.messages.size(), 1u);
    }
    return;
  }
  for (const char byte : dump.out) {
    EXPECT_TRUE(static_cast<unsigned char>(byte) >= 0x20 || byte == '\n') << int(byte);
  }
  Workspace workspace(file.parent_path());
  ASSERT_EQ(workspace.LoadImageFile(file), ImageResult::kOk);
  const auto saved = file.parent_path() / "saved.fwc";
  ASSERT_EQ(workspace.SaveImageFile(saved), ImageResult::kOk);
  EXPECT_EQ(ValidateImageFile(saved, prompter), ImageResult::kOk);
  EXPECT_EQ(ctl::test::Ctl({"validate", saved.string()}).exitCode, 0);
}

TEST(BadProfileFiles, TruncatedOversizedRandomAndHostileFilesThroughEveryDoor) {
  test::TempDir dir;
  for (const FileCase& c : HostileFiles()) {
    ExpectEveryDoorAgrees(c, dir.Write("case.fwc", c.bytes));
  }
}

TEST(BadProfileFiles, EveryFuzzInputOfEveryTargetIsJudgedAlikeByBothDoors) {
  // Whatever other parsers were fed makes a fine stock of files that are
  // almost, but not quite, something.
  test::TempDir dir;
  std::size_t files = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(OMBREX_FUZZ_CORPORA)) {
    if (!entry.is_regular_file()) continue;
    const Bytes bytes = test::ReadBytes(entry.path());
    const auto file = dir.Write("fuzz.fwc", bytes);
    const bool valid = ReadImageFile(file).verdict == ImageFileVerdict::kValid;
    ExpectEveryDoorAgrees({entry.path().filename().string(), bytes, valid}, file);
    ++files;
  }
  EXPECT_GT(files, 20u);
}

}  // namespace
}  // namespace ombrex
