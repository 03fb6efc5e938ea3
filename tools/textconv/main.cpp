// ombrex-textconv [--max-value N] <source.ini> <target.ini>
//
// Checks an ini source (strict UTF-8, every line a comment, a section header or
// key=value, no section or key twice, no value longer than N characters) and
// writes it as UTF-16LE with BOM. The target is replaced only when the check
// passes, through a temporary file, so a failed build never leaves half a file.

#include <charconv>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>

#include "tools/assetkit/ini_text.h"
#include "tools/assetkit/utf.h"

namespace {

using ombrex::assetkit::IniText;

struct Options {
  std::size_t maxValue = 0;  // 0: no limit
  std::string source;
  std::string target;
};

bool ParseOptions(int argc, char** argv, Options& options) {
  int i = 1;
  for (; i < argc && std::string_view(argv[i]).starts_with("--"); ++i) {
    if (std::string_view(argv[i]) != "--max-value" || i + 1 >= argc) return false;
    const std::string_view number(argv[++i]);
    const auto [end, ec] =
        std::from_chars(number.data(), number.data() + number.size(), options.maxValue);
    if (ec != std::errc() || end != number.data() + number.size()) return false;
  }
  if (argc - i != 2) return false;
  options.source = argv[i];
  options.target = argv[i + 1];
  return true;
}

bool Check(const Options& options, const IniText& ini) {
  bool ok = true;
  for (const auto& problem : ini.Problems()) {
    std::cerr << options.source << ":" << problem.line << ": " << problem.message << "\n";
    ok = false;
  }
  if (options.maxValue == 0) return ok;
  for (const auto& section : ini.Sections()) {
    for (const auto& entry : section.entries) {
      if (entry.value.size() > options.maxValue) {
        std::cerr << options.source << ":" << entry.line << ": value of "
                  << ombrex::assetkit::EncodeUtf8(entry.key) << " is longer than "
                  << options.maxValue << " characters\n";
        ok = false;
      }
    }
  }
  return ok;
}

bool WriteReplacing(const std::string& target, const std::string& bytes) {
  const std::filesystem::path path(target);
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  const std::filesystem::path temp = path.string() + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.flush();
    if (!out) return false;
  }
  std::filesystem::rename(temp, path, ec);
  return !ec;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, options)) {
    std::cerr << "usage: ombrex-textconv [--max-value N] <source.ini> <target.ini>\n";
    return 2;
  }
  const auto text = ombrex::assetkit::ReadTextFile(options.source);
  if (!text) {
    std::cerr << options.source << ": cannot be read or is not valid UTF-8\n";
    return 1;
  }
  if (!Check(options, IniText::Parse(*text))) return 1;
  if (!WriteReplacing(options.target, ombrex::assetkit::EncodeUtf16LeWithBom(*text))) {
    std::cerr << options.target << ": cannot be written\n";
    return 1;
  }
  return 0;
}
