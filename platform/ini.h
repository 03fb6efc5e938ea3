#pragma once

// Private-profile ini files: the program's small settings, skin, language and
// user-mode files. The rules are those of the Windows private-profile string
// functions, because the files are shared with that world:
//  - section and key names compare without regard to case;
//  - blanks (space, tab, CR, LF) are trimmed around section names inside the
//    brackets, around keys and around values;
//  - a value or default of at least two characters wrapped in the same quote
//    character (' or ") loses both quotes;
//  - text after the ']' of a section header is ignored; a line splits at its
//    first '='; a line without '=' is not a key; lines starting with ';' are
//    comments and survive a rewrite;
//  - duplicate sections or keys are kept; reads, writes and deletions act on
//    the first.
// Files in UTF-16LE with BOM, UTF-8 with or without BOM and plain ASCII are
// read; a rewrite keeps the file's encoding; a new file is UTF-16LE with BOM.
// Writes replace the file atomically (temporary file in the same folder,
// flushed, renamed). Parsed files are cached (see DocumentCache).

#include <chrono>
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

namespace ombrex::ini {

// One key and its value, for writing several keys of a section at once.
struct KeyValue {
  std::u16string_view key;
  std::u16string_view value;
};

// A parsed file, immutable once made. Holders may keep it as long as they like;
// a later change of the file produces a new document, never changes this one.
class Document;
struct Section;

// Parsed documents by file. Every Load looks at the file: a document is parsed
// again when the file's size, modification time or identity (inode; a rename
// over it makes a new one) changed, which is how other programs' writes are
// seen. Writes through the cache forget the file's document and advance its
// generation, so this process's own writes are seen at once, even within one
// tick of the file system's clock. Nothing ever needs clearing.
//
// The program has one cache, ProcessCache(), behind the free functions below:
// like the system's own private-profile functions, every part of the process
// sees every other part's writes at once. A test that wants a cold cache, or
// one no other test has touched, makes its own. Two caches do not see each
// other's writes sooner than another program's, so one file is written through
// one cache only. Safe to share between threads.
class DocumentCache {
 public:
  DocumentCache();
  ~DocumentCache();
  DocumentCache(const DocumentCache&) = delete;
  DocumentCache& operator=(const DocumentCache&) = delete;

  // The document of a file (an empty document when the file is missing,
  // unreadable or far larger than any file of ours).
  std::shared_ptr<const Document> Load(const std::filesystem::path& file);

  // As the free functions of the same names.
  bool WriteString(const std::filesystem::path& file, std::u16string_view section,
                   std::optional<std::u16string_view> key,
                   std::optional<std::u16string_view> value);
  bool WriteStrings(const std::filesystem::path& file, std::u16string_view section,
                    std::span<const KeyValue> values);
  bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes);

  // Changes whenever a write goes through this cache; a holder of a value
  // derived from a file keeps it only while this stays the same.
  std::uint64_t Generation() const;

 private:
  struct State;
  // The file's current bytes for a rewrite (empty when it does not exist);
  // nullopt when it cannot be rewritten. With writeMutex held.
  std::optional<std::string> BytesToRewrite(const std::filesystem::path& file);
  bool Store(const std::filesystem::path& file, std::string_view bytes);

  std::unique_ptr<State> state_;
};

// The program's cache.
DocumentCache& ProcessCache();

// Reads `key` of `section` into `buffer` of `capacity` characters (terminator
// included). A missing file, section or key gives `defaultValue` with its
// trailing blanks stripped. The text is cut to capacity - 1 characters and
// terminated; the number of characters stored is returned. capacity 0 stores
// nothing and returns 0. Never allocates once the file is cached.
std::size_t ReadString(const std::filesystem::path& file, std::u16string_view section,
                       std::u16string_view key, std::u16string_view defaultValue, char16_t* buffer,
                       std::size_t capacity);

// The same without a length limit.
std::u16string ReadString(const std::filesystem::path& file, std::u16string_view section,
                          std::u16string_view key, std::u16string_view defaultValue);

// Reads a value and converts its leading decimal number as "%d" would
// (optional sign, digits; anything else gives `defaultValue`).
int ReadInt(const std::filesystem::path& file, std::u16string_view section, std::u16string_view key,
            int defaultValue);

// Writes `key`=`value` into `section`, creating the file, the section (at the
// end of the file) and the key (at the end of its section) as needed; an
// existing key keeps its place and spelling. A null value deletes the key; a
// null key deletes the whole section. An unchanged value writes nothing.
// Returns false when the file could not be written (the old file is intact),
// and for names and values that the file could not give back as they were
// written: a line break anywhere, a ']' in the section, a '=' in the key, a key
// that starts with '[' or ';'.
bool WriteString(const std::filesystem::path& file, std::u16string_view section,
                 std::optional<std::u16string_view> key, std::optional<std::u16string_view> value);

// WriteString of several keys of one section, in order, with one rewrite of
// the file: a change to many keys replaces the file once rather than once per
// key. False, and nothing written, when any of them could not be written.
bool WriteStrings(const std::filesystem::path& file, std::u16string_view section,
                  std::span<const KeyValue> values);

// Replaces the whole file with `bytes` (atomically, as every write) for files
// the program makes without WriteString, such as a copy of another ini file:
// readers in this process see the new content at once. False when the file
// could not be written (the old one is intact).
bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes);

// ProcessCache().Load(file).
std::shared_ptr<const Document> Load(const std::filesystem::path& file);

// Parses bytes as the content of an ini file (nothing is cached).
std::shared_ptr<const Document> Parse(std::string bytes);

// Looks a key up in a document with the rules above, without allocating.
// Returns nullopt when the section or key is missing. The view lives as long as
// the document.
std::optional<std::u16string_view> Find(const Document& document, std::u16string_view section,
                                        std::u16string_view key);

// The keys of the first section of that name, in file order (duplicates kept).
std::vector<std::u16string> KeyNames(const Document& document, std::u16string_view section);
// The section names, in file order.
std::vector<std::u16string> SectionNames(const Document& document);

// ProcessCache().Generation().
std::uint64_t CacheGeneration();

// A file read on a hot path. Load() looks at the file on every call; a
// CachedFile keeps its document and looks again only when `recheck` has passed
// since it last did, or at once after any write through its cache. Lookups
// through it neither allocate nor touch the file system in between. Safe to
// share between threads.
class CachedFile {
 public:
  static constexpr std::chrono::milliseconds kDefaultRecheck{500};

  // Through the program's cache.
  explicit CachedFile(std::filesystem::path file,
                      std::chrono::milliseconds recheck = kDefaultRecheck);
  CachedFile(DocumentCache& cache, std::filesystem::path file,
             std::chrono::milliseconds recheck = kDefaultRecheck);
  CachedFile(const CachedFile&) = delete;
  CachedFile& operator=(const CachedFile&) = delete;

  const std::filesystem::path& Path() const { return file_; }

  // As the free functions of the same names.
  std::size_t ReadString(std::u16string_view section, std::u16string_view key,
                         std::u16string_view defaultValue, char16_t* buffer,
                         std::size_t capacity) const;
  std::u16string ReadString(std::u16string_view section, std::u16string_view key,
                            std::u16string_view defaultValue) const;
  int ReadInt(std::u16string_view section, std::u16string_view key, int defaultValue) const;

  std::shared_ptr<const Document> Current() const;

 private:
  // Both need mutex_ held.
  const Document& Refresh() const;
  std::optional<std::u16string_view> Lookup(std::u16string_view section,
                                            std::u16string_view key) const;

  DocumentCache& cache_;
  std::filesystem::path file_;
  std::chrono::milliseconds recheck_;
  mutable std::mutex mutex_;
  mutable std::shared_ptr<const Document> document_;
  mutable std::chrono::steady_clock::time_point checkedAt_{};
  mutable std::uint64_t generation_ = 0;
  // The section of the previous lookup: callers ask one section over and over
  // ("TEXT"), so it is resolved once per document.
  mutable std::u16string lastSectionName_;
  mutable const Section* lastSection_ = nullptr;
  mutable bool lastSectionKnown_ = false;
};

}  // namespace ombrex::ini
