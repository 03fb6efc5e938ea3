#pragma once

// Text lookup: every user-visible text outside the dialog layouts is looked up
// by key in "Lang%04X.ini" beside the program (section "TEXT"); the language
// choice file "Skins\language.ini" picks English or Chinese and holds the
// components' own texts in its sections "ENGINSH" and "CHINESE".
//
// One Texts object per program (tests make their own). All members are safe to
// call from any thread. Single lookups go through the ini cache; a view that
// shows many texts at once (every key name, every tooltip) takes a TextTable of
// them once and reads that.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "resources/language_choice.h"

namespace ombrex {

class SettingsStore;
namespace ini {
class CachedFile;
class Document;
}  // namespace ini

// The language ids the text files are named after, by language index.
inline constexpr std::array<std::uint16_t, 9> kLanguageIds{0x0804, 0x0409, 0x040C, 0x0C0A, 0x0416,
                                                           0x0413, 0x0421, 0x0412, 0x0404};

// What a lookup gives for a key that neither file nor section holds.
inline constexpr std::u16string_view kMissingText = u"#Error";

// Characters a lookup reads at most, terminator included.
inline constexpr std::size_t kLookupCapacity = 260;

// The language id of an index; an index outside 0..8 counts as 0.
std::uint16_t LanguageIdAt(int languageIndex);

// Maps a system language id as the program does before it stores one (the
// regional variants to their base language; ids without a text file of their
// own end as 0x0804).
std::uint16_t MapSystemLanguageId(std::uint16_t systemId);

// The texts of a fixed list of keys in one language, looked up once, so that a
// view showing many of them at a time (the key grid's tooltips, a key list)
// reads them by position instead of asking the text file for each. Immutable:
// a changed language or text file makes a new table, and one already held
// stays as it was.
class TextTable {
 public:
  // The texts of `keys` in section "TEXT" of a parsed text file.
  TextTable(const ini::Document& textFile, std::span<const std::u16string_view> keys,
            int languageIndex);

  // The text of the list's key at `position` as LookupText gives it ("#Error"
  // for a key the file lacks, at most 259 characters); empty past the list.
  std::u16string_view operator[](std::size_t position) const;
  std::size_t size() const { return ends_.size(); }
  int LanguageIndex() const { return languageIndex_; }

 private:
  std::u16string texts_;
  std::vector<std::size_t> ends_;
  int languageIndex_;
};

class Texts {
 public:
  // `programFolder` holds the language files; `settings` the "dwLanguageId"
  // value. `systemLanguageId` stands for the system's default language (the
  // program passes SystemDefaultLanguageId()).
  Texts(std::filesystem::path programFolder, SettingsStore& settings,
        std::uint16_t systemLanguageId);
  ~Texts();
  Texts(const Texts&) = delete;
  Texts& operator=(const Texts&) = delete;

  // The text of `key` in the text file of the language at `languageIndex`, or
  // "#Error" when the file or the key is missing. Cut to 259 characters.
  std::u16string LookupText(std::u16string_view key, int languageIndex) const;

  // The same into a caller's buffer, terminated and cut to capacity - 1; the
  // number of characters stored. Does not allocate once the file is cached.
  std::size_t LookupTextInto(std::u16string_view key, int languageIndex, char16_t* buffer,
                             std::size_t capacity) const;

  // LookupText with the current language index.
  std::u16string Text(std::u16string_view key) const;

  // The texts of `keys` in the language at `languageIndex` (an index outside
  // 0..8 counts as 0), or in the current language. `keys` must stay where it
  // is while this object lives (a constant list): its table is kept, and
  // handed out again without allocating until the text file changes.
  std::shared_ptr<const TextTable> Table(std::span<const std::u16string_view> keys,
                                         int languageIndex) const;
  std::shared_ptr<const TextTable> Table(std::span<const std::u16string_view> keys) const;

  // Any key of any section of the current language's text file (the lighting
  // mode names live in section "Mode").
  std::u16string SectionText(std::u16string_view section, std::u16string_view key,
                             std::u16string_view defaultValue) const;

  // Index 1 (English, 0x0409) when LanguageIsEnglish, index 0 (Chinese,
  // 0x0804) otherwise; decides "dwLanguageId" first, once.
  int CurrentLanguageIndex() const;

  // The stored "dwLanguageId", deciding and storing it from the system
  // language when it is 0, missing or not a DWORD.
  std::uint16_t DecideLanguageId() const;

  // The language the windows speak is English: the user's own choice when
  // there is one, else Chinese for a Chinese locale (the system language id
  // given at construction), else what the installed choice file says
  // ("language" of section "LANGUAGE" is 1).
  bool LanguageIsEnglish() const;

  // The user chose a language in the program: it is kept in the user's
  // settings and every lookup in the current language follows it from now on.
  // False when the settings could not keep it (it still holds for this run).
  bool ChooseUserLanguage(UiLanguage language) const;
  // The user's own choice, if any.
  std::optional<UiLanguage> UserLanguage() const;

  // A component's own text from section "ENGINSH" (English) or "CHINESE" of the
  // language choice file, `defaultValue` when missing.
  std::u16string ComponentText(std::u16string_view key, std::u16string_view defaultValue) const;
  // The same text for the language at `languageIndex` (English for index 1,
  // else Chinese), so that a language message names the section itself.
  std::u16string ComponentText(std::u16string_view key, std::u16string_view defaultValue,
                               int languageIndex) const;

  const std::filesystem::path& ProgramFolder() const { return programFolder_; }
  std::filesystem::path LanguageChoiceFile() const;
  std::filesystem::path TextFile(int languageIndex) const;

 private:
  const ini::CachedFile& TextFileOf(int languageIndex) const;

  std::filesystem::path programFolder_;
  SettingsStore& settings_;
  std::uint16_t systemLanguageId_;
  struct KeptTable {
    std::span<const std::u16string_view> keys;
    std::shared_ptr<const ini::Document> source;
    std::shared_ptr<const TextTable> table;
  };

  std::array<std::unique_ptr<ini::CachedFile>, kLanguageIds.size()> textFiles_;
  std::unique_ptr<ini::CachedFile> choiceFile_;
  mutable std::mutex tablesMutex_;
  mutable std::vector<KeptTable> tables_;
  mutable std::once_flag decidedOnce_;
  mutable std::mutex decideMutex_;
  // The id decided while the store could not keep it.
  mutable std::optional<std::uint16_t> unstoredId_;
  // The current language index as last read from the choice file, and when
  // (steady-clock ticks; 0 = never). Every key name asks for it, so it is
  // answered from here between the file's rechecks.
  mutable std::atomic<int> languageIndex_{0};
  mutable std::atomic<std::int64_t> languageIndexReadAt_{0};
  mutable std::atomic<std::uint64_t> languageIndexGeneration_{0};
  // The user's choice as read from the settings once: kNotRead, kNoChoice or
  // a UiLanguage value.
  static constexpr int kNotRead = -2;
  static constexpr int kNoChoice = -1;
  mutable std::atomic<int> userLanguage_{kNotRead};
};

}  // namespace ombrex
