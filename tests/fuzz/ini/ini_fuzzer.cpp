// Feeds arbitrary bytes to the ini reader and writer: parse, look up every
// name the parse found, read through the file cache with small buffers, and
// rewrite the file in place. Besides crashes it checks that every key the
// parser reports can be found again and that written values read back.

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/ini.h"
#include "tests/fuzz/scratch_folder.h"

namespace {

using namespace ombrex;

using fuzz::Require;
using fuzz::ScratchFolder;

void LookUpEverything(const ini::Document& document) {
  for (const std::u16string& section : ini::SectionNames(document)) {
    for (const std::u16string& key : ini::KeyNames(document, section)) {
      Require(ini::Find(document, section, key).has_value());
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ScratchFolder folder;
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::filesystem::path file = folder.path() / "fuzz.ini";

  const auto document = ini::Parse(bytes);
  LookUpEverything(*document);

  Require(ini::ReplaceFile(file, bytes));
  const auto sections = ini::SectionNames(*document);
  const std::u16string section = sections.empty() ? u"S" : sections.front();
  const auto keys = ini::KeyNames(*document, section);
  const std::u16string key = keys.empty() ? u"k" : keys.back();
  char16_t buffer[8];
  for (std::size_t capacity = 0; capacity <= 8; capacity += 3) {
    const std::size_t n = ini::ReadString(file, section, key, u" dflt \"", buffer, capacity);
    Require(capacity == 0 ? n == 0 : n < capacity && buffer[n] == u'\0');
  }
  ini::ReadInt(file, section, key, -1);

  // Existing names are always writable, and a plain value reads back as written.
  if (!keys.empty()) {
    Require(ini::WriteString(file, section, key, u"rewritten"));
    Require(ini::ReadString(file, section, key, u"") == u"rewritten");
  }
  Require(ini::WriteString(file, u"Fuzz Section", u"added", u"value"));
  Require(ini::ReadString(file, u"fuzz section", u"ADDED", u"") == u"value");
  LookUpEverything(*ini::Load(file));

  // Several keys in one rewrite end as the same keys written one by one would.
  if (!keys.empty()) {
    const ini::KeyValue several[] = {{key, u"first"}, {u"more", u"second"}, {key, u"third"}};
    Require(ini::WriteStrings(file, section, several));
    Require(ini::ReadString(file, section, key, u"") == u"third");
    Require(ini::ReadString(file, section, u"more", u"") == u"second");
    Require(ini::ReadString(file, u"fuzz section", u"added", u"") == u"value");
  }

  // Values made of the input itself, line breaks included, must never break
  // the file for other keys.
  const std::u16string raw(bytes.begin(), bytes.begin() + std::min<std::size_t>(size, 24));
  ini::WriteString(file, u"Fuzz Section", u"raw", raw);
  Require(ini::ReadString(file, u"Fuzz Section", u"added", u"") == u"value");
  ini::WriteString(file, u"Fuzz Section", u"added", std::nullopt);
  ini::WriteString(file, section, std::nullopt, std::nullopt);
  LookUpEverything(*ini::Load(file));
  return 0;
}
