// Text lookups sit under every key name and tooltip; these measure a cached
// lookup, the kept table of a list of texts and a read from it (the hot path
// of views showing many texts), a lookup through a stat on every call, and
// what a cold parse of a large language file costs.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/ini.h"
#include "platform/settings_store.h"
#include "resources/texts.h"

namespace {

using namespace ombrex;

std::string LanguageFile(int keys) {
  std::string content = "[TEXT]\r\n";
  for (int i = 0; i < keys; ++i) {
    content +=
        "IDS_KEY_NAME_" + std::to_string(i) + "=Key name number " + std::to_string(i) + "\r\n";
  }
  return content;
}

class Folder {
 public:
  Folder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ombrex-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) abort();
    path_ = pattern;
    std::ofstream(path_ / "Lang0409.ini", std::ios::binary) << LanguageFile(300);
    std::ofstream(path_ / "Large.ini", std::ios::binary) << LanguageFile(1000);
  }
  ~Folder() { std::filesystem::remove_all(path_); }
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

Folder& TheFolder() {
  static Folder folder;
  return folder;
}

void BM_LookupTextInto_Cached(benchmark::State& state) {
  auto store = OpenSettingsIn(TheFolder().path() / "config");
  const Texts texts(TheFolder().path(), *store, 0x0409);
  char16_t buffer[kLookupCapacity];
  texts.LookupTextInto(u"IDS_KEY_NAME_150", 1, buffer, kLookupCapacity);
  for (auto _ : state) {
    benchmark::DoNotOptimize(texts.LookupTextInto(u"IDS_KEY_NAME_150", 1, buffer, kLookupCapacity));
  }
}
BENCHMARK(BM_LookupTextInto_Cached);

void BM_LookupTextInto_MissingKey(benchmark::State& state) {
  auto store = OpenSettingsIn(TheFolder().path() / "config");
  const Texts texts(TheFolder().path(), *store, 0x0409);
  char16_t buffer[kLookupCapacity];
  for (auto _ : state) {
    benchmark::DoNotOptimize(texts.LookupTextInto(u"IDS_NOT_THERE", 1, buffer, kLookupCapacity));
  }
}
BENCHMARK(BM_LookupTextInto_MissingKey);

constexpr std::array<std::u16string_view, 3> kTableKeys{u"IDS_KEY_NAME_1", u"IDS_KEY_NAME_150",
                                                        u"IDS_NOT_THERE"};

// Handing out the kept table of a list: what a view pays once per refresh.
void BM_Table_Kept(benchmark::State& state) {
  auto store = OpenSettingsIn(TheFolder().path() / "config");
  const Texts texts(TheFolder().path(), *store, 0x0409);
  texts.Table(kTableKeys, 1);
  for (auto _ : state) benchmark::DoNotOptimize(texts.Table(kTableKeys, 1));
}
BENCHMARK(BM_Table_Kept);

void BM_Table_Read(benchmark::State& state) {
  auto store = OpenSettingsIn(TheFolder().path() / "config");
  const Texts texts(TheFolder().path(), *store, 0x0409);
  const auto table = texts.Table(kTableKeys, 1);
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize((*table)[i++ % kTableKeys.size()].size());
}
BENCHMARK(BM_Table_Read);

void BM_ReadString_StatEveryCall(benchmark::State& state) {
  const auto file = TheFolder().path() / "Lang0409.ini";
  char16_t buffer[kLookupCapacity];
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        ini::ReadString(file, u"TEXT", u"IDS_KEY_NAME_150", u"#Error", buffer, kLookupCapacity));
  }
}
BENCHMARK(BM_ReadString_StatEveryCall);

void BM_Parse_1000Keys(benchmark::State& state) {
  const std::string content = LanguageFile(1000);
  for (auto _ : state) benchmark::DoNotOptimize(ini::Parse(content));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * content.size()));
}
BENCHMARK(BM_Parse_1000Keys);

void BM_LoadCold_1000Keys(benchmark::State& state) {
  const auto file = TheFolder().path() / "Large.ini";
  for (auto _ : state) {
    ini::DocumentCache cache;
    benchmark::DoNotOptimize(cache.Load(file));
  }
}
BENCHMARK(BM_LoadCold_1000Keys);

}  // namespace
