#include "tests/unit/assets/asset_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tools/assetkit/utf.h"

namespace ombrex::test {
namespace {

// The environment wins; the build's own folders stand in when a runner
// passes only part of the environment.
std::filesystem::path FromEnvironment(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != 0 ? std::filesystem::path(value)
                                         : std::filesystem::path(fallback);
}

std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool IsKeyCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

void CollectKeys(const std::string& text, std::set<std::u16string>& keys) {
  for (std::size_t at = text.find("\"IDS_"); at != std::string::npos;
       at = text.find("\"IDS_", at + 1)) {
    std::size_t end = at + 1;
    while (end < text.size() && IsKeyCharacter(text[end])) ++end;
    if (end < text.size() && text[end] == '"') {
      const std::string key = text.substr(at + 1, end - at - 1);
      keys.insert(std::u16string(key.begin(), key.end()));
    }
  }
}

}  // namespace

std::filesystem::path ProgramDir() {
  return FromEnvironment("OMBREX_PROGRAM_DIR", OMBREX_BUILT_PROGRAM_DIR);
}
std::filesystem::path SourceDir() {
  return FromEnvironment("OMBREX_SOURCE_DIR", OMBREX_SOURCE_TREE);
}

assetkit::IniText LoadBuiltIni(const std::filesystem::path& file) {
  const std::string bytes = ReadBytes(file);
  EXPECT_FALSE(bytes.empty()) << file << " is missing or empty";
  EXPECT_TRUE(bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE')
      << file << " is not UTF-16LE with BOM";
  const auto text = assetkit::DecodeUtf16Le(bytes);
  EXPECT_TRUE(text.has_value()) << file << " is not valid UTF-16";
  const assetkit::IniText ini = assetkit::IniText::Parse(text.value_or(u""));
  for (const auto& problem : ini.Problems()) {
    ADD_FAILURE() << file << ":" << problem.line << ": " << problem.message;
  }
  return ini;
}

std::vector<std::u16string> KeysOf(const assetkit::IniText& ini, std::u16string_view section) {
  std::vector<std::u16string> keys;
  if (const auto* s = ini.FindSection(section)) {
    for (const auto& entry : s->entries) keys.push_back(entry.key);
  }
  return keys;
}

std::string Narrow(std::u16string_view text) {
  return assetkit::EncodeUtf8(text);
}

std::set<std::u16string> TextKeysInSource() {
  std::set<std::u16string> keys;
  const std::filesystem::path root = SourceDir();
  const std::set<std::string> skipped{"build", "tests", "bench", "assets", ".git"};
  for (auto it = std::filesystem::recursive_directory_iterator(root);
       it != std::filesystem::recursive_directory_iterator(); ++it) {
    const auto& path = it->path();
    if (it->is_directory() && it.depth() == 0 && skipped.count(path.filename().string()) > 0) {
      it.disable_recursion_pending();
      continue;
    }
    const auto ext = path.extension();
    if (it->is_regular_file() && (ext == ".h" || ext == ".cpp")) CollectKeys(ReadBytes(path), keys);
  }
  return keys;
}

QImage LoadPicture(std::string_view name, int scale) {
  std::string file(name);
  if (scale != 1) file.insert(file.rfind('.'), "@" + std::to_string(scale) + "x");
  return QImage(QString::fromStdString((ProgramDir() / "Skins" / file).string()));
}

}  // namespace ombrex::test
