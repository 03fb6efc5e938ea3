#include "resources/texts.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "platform/coarse_clock.h"
#include "platform/ini.h"
#include "platform/settings_store.h"
#include "platform/text.h"

namespace ombrex {
namespace {

constexpr std::u16string_view kTextSection = u"TEXT";
constexpr std::u16string_view kLanguageIdValue = u"dwLanguageId";
constexpr std::uint16_t kChinese = 0x0804;
constexpr int kChineseIndex = 0;
constexpr int kEnglishIndex = 1;

struct IdMapping {
  std::uint16_t from;
  std::uint16_t to;
};

// Regional variants to the language whose text file serves them.
constexpr std::array<IdMapping, 43> kSystemIdMap{{
    {0x0C04, 0x0409}, {0x1004, 0x0404}, {0x080A, 0x040A}, {0x0C0A, 0x040A}, {0x100A, 0x040A},
    {0x140A, 0x040A}, {0x180A, 0x040A}, {0x1C0A, 0x040A}, {0x200A, 0x040A}, {0x240A, 0x040A},
    {0x280A, 0x040A}, {0x2C0A, 0x040A}, {0x300A, 0x040A}, {0x340A, 0x040A}, {0x380A, 0x040A},
    {0x3C0A, 0x040A}, {0x400A, 0x040A}, {0x440A, 0x040A}, {0x480A, 0x040A}, {0x4C0A, 0x040A},
    {0x500A, 0x040A}, {0x080C, 0x040C}, {0x0C0C, 0x040C}, {0x100C, 0x040C}, {0x140C, 0x040C},
    {0x0810, 0x0410}, {0x0816, 0x0416}, {0x0813, 0x0413}, {0x081D, 0x041D}, {0x0809, 0x0409},
    {0x0C09, 0x0409}, {0x1009, 0x0409}, {0x1409, 0x0409}, {0x1809, 0x0409}, {0x1C09, 0x0409},
    {0x2009, 0x0409}, {0x2409, 0x0409}, {0x2809, 0x0409}, {0x2C09, 0x0409}, {0x0807, 0x0407},
    {0x0C07, 0x0407}, {0x1007, 0x0407}, {0x1407, 0x0407},
}};

int ValidIndex(int languageIndex) {
  return languageIndex >= 0 && languageIndex < static_cast<int>(kLanguageIds.size()) ? languageIndex
                                                                                     : 0;
}

}  // namespace

std::uint16_t LanguageIdAt(int languageIndex) {
  return kLanguageIds[ValidIndex(languageIndex)];
}

std::uint16_t MapSystemLanguageId(std::uint16_t systemId) {
  std::uint16_t id = systemId;
  for (const IdMapping& mapping : kSystemIdMap) {
    if (mapping.from == systemId) {
      id = mapping.to;
      break;
    }
  }
  const bool hasTextFile =
      std::find(kLanguageIds.begin(), kLanguageIds.end(), id) != kLanguageIds.end();
  return hasTextFile ? id : kChinese;
}

TextTable::TextTable(const ini::Document& textFile, std::span<const std::u16string_view> keys,
                     int languageIndex)
    : languageIndex_(languageIndex) {
  ends_.reserve(keys.size());
  for (const std::u16string_view key : keys) {
    const std::u16string_view text = ini::Find(textFile, kTextSection, key).value_or(kMissingText);
    texts_.append(text.substr(0, kLookupCapacity - 1));
    ends_.push_back(texts_.size());
  }
}

std::u16string_view TextTable::operator[](std::size_t position) const {
  if (position >= ends_.size()) return {};
  const std::size_t begin = position == 0 ? 0 : ends_[position - 1];
  return std::u16string_view(texts_).substr(begin, ends_[position] - begin);
}

Texts::Texts(std::filesystem::path programFolder, SettingsStore& settings,
             std::uint16_t systemLanguageId)
    : programFolder_(std::move(programFolder)),
      settings_(settings),
      systemLanguageId_(systemLanguageId),
      choiceFile_(std::make_unique<ini::CachedFile>(LanguageChoiceFile())) {
  for (std::size_t i = 0; i < textFiles_.size(); ++i) {
    textFiles_[i] = std::make_unique<ini::CachedFile>(TextFile(static_cast<int>(i)));
  }
}

Texts::~Texts() = default;

std::filesystem::path Texts::LanguageChoiceFile() const {
  return programFolder_ / "Skins" / "language.ini";
}

std::filesystem::path Texts::TextFile(int languageIndex) const {
  char name[16];
  std::snprintf(name, sizeof name, "Lang%04X.ini", LanguageIdAt(languageIndex));
  return programFolder_ / name;
}

const ini::CachedFile& Texts::TextFileOf(int languageIndex) const {
  return *textFiles_[ValidIndex(languageIndex)];
}

std::size_t Texts::LookupTextInto(std::u16string_view key, int languageIndex, char16_t* buffer,
                                  std::size_t capacity) const {
  return TextFileOf(languageIndex)
      .ReadString(kTextSection, key, kMissingText, buffer, std::min(capacity, kLookupCapacity));
}

std::u16string Texts::LookupText(std::u16string_view key, int languageIndex) const {
  char16_t buffer[kLookupCapacity];
  const std::size_t length = LookupTextInto(key, languageIndex, buffer, kLookupCapacity);
  return std::u16string(buffer, length);
}

std::u16string Texts::Text(std::u16string_view key) const {
  return LookupText(key, CurrentLanguageIndex());
}

std::shared_ptr<const TextTable> Texts::Table(std::span<const std::u16string_view> keys,
                                              int languageIndex) const {
  const int index = ValidIndex(languageIndex);
  std::shared_ptr<const ini::Document> source = TextFileOf(index).Current();
  std::lock_guard lock(tablesMutex_);
  const auto kept = std::find_if(tables_.begin(), tables_.end(), [&](const KeptTable& table) {
    return table.keys.data() == keys.data() && table.keys.size() == keys.size() &&
           table.table->LanguageIndex() == index;
  });
  if (kept != tables_.end() && kept->source == source) return kept->table;
  auto table = std::make_shared<const TextTable>(*source, keys, index);
  if (kept != tables_.end()) {
    *kept = KeptTable{keys, std::move(source), table};
  } else {
    tables_.push_back(KeptTable{keys, std::move(source), table});
  }
  return table;
}

std::shared_ptr<const TextTable> Texts::Table(std::span<const std::u16string_view> keys) const {
  return Table(keys, CurrentLanguageIndex());
}

std::u16string Texts::SectionText(std::u16string_view section, std::u16string_view key,
                                  std::u16string_view defaultValue) const {
  return TextFileOf(CurrentLanguageIndex()).ReadString(section, key, defaultValue);
}

int Texts::CurrentLanguageIndex() const {
  const std::int64_t now = CoarseNow().time_since_epoch().count();
  const std::uint64_t generation = ini::CacheGeneration();
  const std::int64_t readAt = languageIndexReadAt_.load(std::memory_order_acquire);
  const std::int64_t recheck = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                   ini::CachedFile::kDefaultRecheck)
                                   .count();
  if (readAt != 0 && now - readAt < recheck &&
      languageIndexGeneration_.load(std::memory_order_relaxed) == generation) {
    return languageIndex_.load(std::memory_order_relaxed);
  }
  std::call_once(decidedOnce_, [this] { DecideLanguageId(); });
  const int index = LanguageIsEnglish() ? kEnglishIndex : kChineseIndex;
  languageIndex_.store(index, std::memory_order_relaxed);
  languageIndexGeneration_.store(generation, std::memory_order_relaxed);
  languageIndexReadAt_.store(now, std::memory_order_release);
  return index;
}

std::uint16_t Texts::DecideLanguageId() const {
  std::lock_guard lock(decideMutex_);
  const std::optional<std::uint32_t> stored = settings_.ReadDword(kLanguageIdValue);
  if (stored && *stored != 0) return static_cast<std::uint16_t>(*stored);
  if (unstoredId_) return *unstoredId_;
  const std::uint16_t id = MapSystemLanguageId(systemLanguageId_);
  if (!settings_.WriteDword(kLanguageIdValue, id)) unstoredId_ = id;
  return id;
}

bool Texts::LanguageIsEnglish() const {
  LanguageSources sources{.userChoice = UserLanguage(), .localeLanguageId = systemLanguageId_};
  // Read as a number straight from the cached file: this runs with every
  // lookup in the current language.
  if (!sources.userChoice && !IsChineseLanguageId(systemLanguageId_)) {
    sources.installedFileSaysEnglish = choiceFile_->ReadInt(u"LANGUAGE", u"language", 0) == 1;
  }
  return DecideUiLanguage(sources) == UiLanguage::English;
}

std::optional<UiLanguage> Texts::UserLanguage() const {
  int stored = userLanguage_.load(std::memory_order_acquire);
  if (stored == kNotRead) {
    std::lock_guard lock(decideMutex_);
    stored = userLanguage_.load(std::memory_order_acquire);
    if (stored == kNotRead) {
      const std::optional<UiLanguage> read = ReadUserLanguage(settings_);
      stored = read ? static_cast<int>(*read) : kNoChoice;
      userLanguage_.store(stored, std::memory_order_release);
    }
  }
  if (stored == kNoChoice) return std::nullopt;
  return static_cast<UiLanguage>(stored);
}

bool Texts::ChooseUserLanguage(UiLanguage language) const {
  bool kept = false;
  {
    std::lock_guard lock(decideMutex_);
    kept = WriteUserLanguage(settings_, language);
    userLanguage_.store(static_cast<int>(language), std::memory_order_release);
  }
  // The next CurrentLanguageIndex reads afresh rather than from its cache.
  languageIndexReadAt_.store(0, std::memory_order_release);
  return kept;
}

std::u16string Texts::ComponentText(std::u16string_view key,
                                    std::u16string_view defaultValue) const {
  return ComponentText(key, defaultValue, LanguageIsEnglish() ? 1 : 0);
}

std::u16string Texts::ComponentText(std::u16string_view key, std::u16string_view defaultValue,
                                    int languageIndex) const {
  return choiceFile_->ReadString(languageIndex == 1 ? u"ENGINSH" : u"CHINESE", key, defaultValue);
}

}  // namespace ombrex
