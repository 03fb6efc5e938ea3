// The settings store on files of any content, and values of any text. Besides
// crashes: a value the store takes reads back exactly as it was written, a
// DWORD too, and writing one value leaves another one alone.

#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/settings_store.h"
#include "tests/fuzz/device/fuzz_input.h"
#include "tests/fuzz/scratch_folder.h"

namespace {

using ombrex::fuzz::Input;
using ombrex::fuzz::Require;

void WriteFile(const std::filesystem::path& file, const std::vector<std::uint8_t>& bytes) {
  std::filesystem::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// Section and value names are the program's own (letters and digits); the
// values are what may come from anywhere.
std::u16string Name(Input& in) {
  static constexpr char16_t kLetters[] =
      u"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::u16string name;
  const std::size_t length = 1 + in.Byte() % 8;
  for (std::size_t i = 0; i < length; ++i) name.push_back(kLetters[in.Byte() % 62]);
  return name;
}

std::u16string Value(Input& in) {
  std::u16string value;
  const std::size_t length = in.Byte() % 40;
  for (std::size_t i = 0; i < length && !in.Empty(); ++i) {
    // Mostly characters that mean something to a text file, sometimes any unit.
    const std::uint8_t kind = in.Byte();
    value.push_back(kind < 0xC0 ? static_cast<char16_t>(kind) : static_cast<char16_t>(in.U16()));
  }
  return value;
}

// Names compare as the registry compares them: without regard to case.
bool SameName(std::u16string_view a, std::u16string_view b) {
  const auto lower = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c; };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static ombrex::fuzz::ScratchFolder scratch;
  const std::filesystem::path root = scratch.path();
  std::error_code ec;
  std::filesystem::remove_all(root / "Ombrex", ec);
  std::filesystem::remove_all(root / "Vantrel_Pellucid", ec);
  Input in(data, size);
  // What was there before: both files as any bytes.
  WriteFile(root / "Ombrex" / "registry.ini", in.Bytes(in.U16() % 600));
  WriteFile(root / "Vantrel_Pellucid" / "Ombrex.ini", in.Bytes(in.U16() % 600));
  const std::unique_ptr<ombrex::SettingsStore> store = ombrex::OpenSettingsIn(root);
  (void)store->ReadDword(u"dwLanguageId");
  (void)store->ReadProfileString(u"PROFILES", u"Profile", u"");

  const bool guarded = store->WriteProfileString(u"Guard", u"Kept", u"kept value");
  const bool guardedDword = store->WriteDword(u"GuardDword", 0x12345678);
  while (!in.Empty()) {
    const std::u16string section = Name(in);
    const std::u16string name = Name(in);
    if (in.Byte() & 1) {
      const std::uint32_t number = in.U32();
      if (store->WriteDword(name, number)) {
        Require(store->ReadDword(name) == number);
      }
    } else {
      const std::u16string value = Value(in);
      if (store->WriteProfileString(section, name, value)) {
        Require(store->ReadProfileString(section, name, u"\uFFFE") == value);
      }
    }
    if (guarded && !(SameName(section, u"Guard") && SameName(name, u"Kept"))) {
      Require(store->ReadProfileString(u"Guard", u"Kept", u"") == u"kept value");
    }
    if (guardedDword && !SameName(name, u"GuardDword")) {
      Require(store->ReadDword(u"GuardDword") == 0x12345678u);
    }
  }
  return 0;
}
