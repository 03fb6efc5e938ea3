// Language, skin and picture files nobody should trust, through the windows
// laid out from them. Each case breaks one file of a copy of the program's
// own and has ombrex-preview draw every window in the language broken: a
// broken text or layout still gives every window; a picture that is not
// there (or not a picture, named by no skin file, or not of its window's
// size) ends the run naming it, before any window; nothing crashes.

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <random>

#include "tests/support/processes.h"
#include "tests/support/temp_dir.h"

namespace ombrex::e2e {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

std::u16string FromUtf16Le(const Bytes& bytes) {
  std::u16string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {  // after the BOM
    text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
  }
  return text;
}

Bytes Utf16(const std::u16string& text, bool bigEndian) {
  Bytes bytes = bigEndian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
  for (const char16_t c : text) {
    const auto low = static_cast<std::uint8_t>(c);
    const auto high = static_cast<std::uint8_t>(c >> 8);
    bytes.insert(bytes.end(), bigEndian ? std::initializer_list<std::uint8_t>{high, low}
                                        : std::initializer_list<std::uint8_t>{low, high});
  }
  return bytes;
}

// Every "key=value" line of a text with its value replaced, but for the
// lines of section `keep` (when given).
std::u16string EveryValue(const std::u16string& text,
                          const std::function<std::u16string(std::size_t)>& value,
                          const std::u16string& keep = {}) {
  std::u16string out;
  std::size_t line = 0;
  bool kept = false;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find(u'\n', at);
    if (end == std::u16string::npos) end = text.size();
    std::u16string row = text.substr(at, end - at);
    if (!row.empty() && row[0] == u'[')
      kept = !keep.empty() && row.rfind(u"[" + keep + u"]", 0) == 0;
    const std::size_t equals = row.find(u'=');
    if (equals != std::u16string::npos && row[0] != u';' && !kept) {
      row = row.substr(0, equals + 1) + value(line++);
    }
    out += row + u"\n";
    at = end + 1;
  }
  return out;
}

// Every other "key=value" line left out.
std::u16string HalfTheKeys(const std::u16string& text) {
  std::u16string out;
  bool keep = true;
  for (std::size_t at = 0; at < text.size();) {
    std::size_t end = text.find(u'\n', at);
    if (end == std::u16string::npos) end = text.size();
    const std::u16string row = text.substr(at, end - at + 1);
    const bool isKey = row.find(u'=') != std::u16string::npos;
    if (!isKey || keep) out += row;
    if (isKey) keep = !keep;
    at = end + 1;
  }
  return out;
}

Bytes Noise(std::size_t size) {
  std::mt19937 random(static_cast<unsigned>(size));
  Bytes bytes(size);
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random());
  return bytes;
}

// A new file in place of the old one (the copy may share the old one's data).
void Replace(const fs::path& file, const Bytes& bytes) {
  fs::remove(file);
  std::ofstream(file, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

class AssetsTest : public ::testing::Test {
 protected:
  // A program folder of the test's own with everything the windows read.
  fs::path CopyProgramFolder(const std::string& name) {
    const fs::path copy = dir_ / name;
    fs::create_directories(copy);
    for (const char* part : {"Skins", "Icons", "Lang0409.ini", "Lang0804.ini"}) {
      fs::copy(ProgramDir() / part, copy / part, fs::copy_options::recursive);
    }
    return copy;
  }
  // The preview's run on `folder` and the count of windows it drew.
  std::pair<Finished, std::size_t> Draw(const fs::path& folder, const fs::path& out,
                                        const char* scale = "1") {
    Finished run = RunToEnd(
        "ombrex-preview",
        {out.string(), "--program-folder", folder.string(), "--scales", scale, "--languages", "en"},
        dir_.path(), std::chrono::seconds(120));
    std::size_t shots = 0;
    if (fs::is_directory(out)) {
      for ([[maybe_unused]] const auto& shot : fs::directory_iterator(out)) ++shots;
    }
    return {std::move(run), shots};
  }
  test::TempDir dir_;
};

struct AssetCase {
  const char* name;
  std::function<void(const fs::path& folder)> breakIt;
  const char* refusal = nullptr;  // the run must end saying so
  const char* scale = "1";
};

TEST_F(AssetsTest, BrokenTextsSkinsAndPicturesStillGiveEveryWindowOrAReason) {
  const Bytes english = test::ReadBytes(ProgramDir() / "Lang0409.ini");
  const std::u16string text = FromUtf16Le(english);
  const Bytes mainSkin = test::ReadBytes(ProgramDir() / "Skins" / "Main.ini");
  const std::u16string skin = FromUtf16Le(mainSkin);
  const auto write = [](const char* file, Bytes bytes) {
    return [file, bytes](const fs::path& folder) { Replace(folder / file, bytes); };
  };
  const auto remove = [](const char* file) {
    return [file](const fs::path& folder) { fs::remove(folder / file); };
  };
  const auto copyOver = [](const char* from, const char* to) {
    return [from, to](const fs::path& folder) {
      fs::copy_file(folder / from, folder / to, fs::copy_options::overwrite_existing);
    };
  };
  Bytes cut = english;
  cut.resize(english.size() / 2 + 1);  // an odd count: half a character at the end
  std::u16string withNul = text;
  for (std::size_t at = withNul.find(u'='); at != std::u16string::npos;
       at = withNul.find(u'=', at + 2)) {
    withNul.insert(at + 1, 1, u'\0');
  }
  Bytes latin1;
  for (const char c : std::string("[TEXT]\nIDS_ABOUT=Caf\xE9 \xFF\xFE na\xEFve\n"))
    latin1.push_back(c);

  const std::vector<AssetCase> cases{
      // Language files.
      {"no English text file", remove("Lang0409.ini")},
      {"half the text keys gone", write("Lang0409.ini", Utf16(HalfTheKeys(text), false))},
      {"every text a hostile format",
       write("Lang0409.ini", Utf16(EveryValue(text,
                                              [](std::size_t) {
                                                return std::u16string(
                                                    u"%s%n%ls%999999999d%.99999f%p%x%c%%%");
                                              }),
                                   false))},
      {"every text 100000 characters",
       write("Lang0409.ini",
             Utf16(EveryValue(text, [](std::size_t) { return std::u16string(100000, u'W'); }),
                   false))},
      {"the text file big-endian", write("Lang0409.ini", Utf16(text, true))},
      {"the text file cut inside a character", write("Lang0409.ini", cut)},
      {"NUL characters in every text", write("Lang0409.ini", Utf16(withNul, false))},
      {"bytes that are no UTF-8", write("Lang0409.ini", latin1)},
      {"the text file noise", write("Lang0409.ini", Noise(20000))},
      // Skin files. One that cannot be read names no background, which then
      // cannot be loaded either.
      {"no main window skin", remove("Skins/Main.ini"), "Skins/"},
      {"every place absurd",
       write("Skins/Main.ini", Utf16(EveryValue(
                                         skin,
                                         [](std::size_t line) {
                                           return line % 2 ? std::u16string(
                                                                 u"-99999,-99999,"
                                                                 u"99999,99999")
                                                           : std::u16string(u"x,,9e99");
                                         },
                                         u"SCREEN"),
                                     false))},
      {"a background named by a hostile text",
       write("Skins/Main.ini", Utf16(u"[SCREEN]\nMain=../../%s%n\x1b[2J\n", false)), "%s%n"},
      {"the main skin big-endian", write("Skins/Main.ini", Utf16(skin, true)), "Skins/"},
      {"the main skin noise", write("Skins/Main.ini", Noise(5000)), "Skins/"},
      // Pictures of the wrong size: a window takes its size from its
      // background, and every other picture of it must match.
      {"a background far too small", copyOver("Skins/Arrow.jpg", "Skins/main_normal.jpg"),
       "not the window's"},
      {"a window shape of another size", copyOver("Skins/0.bmp", "Skins/main_mask.bmp"),
       "main_mask.bmp is "},
      {"button faces too small to cut", copyOver("Skins/Arrow.jpg", "Skins/key_normal.jpg"),
       "not the window's"},
      {"a sharp picture of the wrong size", copyOver("Skins/Arrow.jpg", "Skins/main_over@2x.jpg"),
       nullptr, "2"},
      // Pictures that are not there.
      {"a background missing", remove("Skins/main_normal.jpg"), "main_normal.jpg"},
      {"a face that is noise", write("Skins/key_over.jpg", Noise(4000)), "key_over.jpg"},
      {"an empty picture", write("Skins/Profile_down.jpg", {}), "Profile_down.jpg"},
  };
  // What an intact copy gives, every window the preview knows.
  const auto [intact, windows] = Draw(CopyProgramFolder("intact"), dir_ / "intact-shots");
  ASSERT_EQ(intact.exitCode, 0) << intact.err;
  ASSERT_GT(windows, 10u);
  int index = 0;
  for (const AssetCase& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path folder = CopyProgramFolder("case" + std::to_string(index));
    c.breakIt(folder);
    const auto [run, shots] = Draw(folder, dir_ / ("shots" + std::to_string(index++)), c.scale);
    if (c.refusal != nullptr) {
      EXPECT_EQ(run.exitCode, 1) << run.err;
      EXPECT_NE(run.err.find(c.refusal), std::string::npos) << run.err;
      EXPECT_EQ(shots, 0u);
    } else {
      EXPECT_EQ(run.exitCode, 0) << run.err;
      EXPECT_EQ(shots, windows);
    }
    fs::remove_all(folder);
  }
}

}  // namespace
}  // namespace ombrex::e2e
