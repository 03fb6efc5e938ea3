#include "platform/ini.h"

#include <time.h>

#include <algorithm>
#include <atomic>
#include <unordered_map>

#include "platform/coarse_clock.h"
#include "platform/file_io.h"
#include "platform/ini_document.h"
#include "platform/text.h"

namespace ombrex::ini {

namespace {

// Settings, skin and language files are a few kilobytes; a file far beyond
// that is not one of ours and is neither parsed nor rewritten.
constexpr std::uint64_t kMaxFileBytes = 16u << 20;
// Enough for every settings, skin and language file the program opens.
constexpr std::size_t kMaxCachedFiles = 256;

std::u16string_view DefaultText(std::u16string_view defaultValue) {
  while (!defaultValue.empty() && IsBlank(defaultValue.back())) defaultValue.remove_suffix(1);
  return StripQuotes(defaultValue);
}

std::size_t CopyOut(std::optional<std::u16string_view> found, std::u16string_view defaultValue,
                    char16_t* buffer, std::size_t capacity) {
  if (capacity == 0 || buffer == nullptr) return 0;
  const std::u16string_view text = found ? *found : DefaultText(defaultValue);
  const std::size_t count = std::min(text.size(), capacity - 1);
  std::copy_n(text.data(), count, buffer);
  buffer[count] = u'\0';
  return count;
}

bool HasLineBreak(std::u16string_view text) {
  return text.find_first_of(u"\r\n") != std::u16string_view::npos;
}

// Names and values the file would give back differently from how they were
// written are refused rather than written wrong.
bool CanWrite(std::u16string_view section, std::optional<std::u16string_view> key,
              std::optional<std::u16string_view> value) {
  if (HasLineBreak(section) || section.find(u']') != std::u16string_view::npos) return false;
  if (key) {
    const std::u16string_view name = TrimBlanks(*key);
    if (HasLineBreak(*key) || key->find(u'=') != std::u16string_view::npos) return false;
    if (!name.empty() && (name.front() == u'[' || name.front() == u';')) return false;
  }
  return !(value && HasLineBreak(*value));
}

class Rewriter {
 public:
  explicit Rewriter(const Document& document) : document_(document) {
    if (document.bytes().empty()) {
      encoding_ = Encoding::kUtf16LeBom;
      out_ = "\xFF\xFE";
    } else {
      encoding_ = document.encoding();
      out_ = std::string(document.bytes().substr(0, document.prefixBytes()));
    }
  }

  // Lines the write does not change keep their bytes exactly.
  void CopyLines(std::size_t begin, std::size_t end) {
    const auto lines = document_.lines();
    for (std::size_t i = begin; i < end && i < lines.size(); ++i) {
      out_ += document_.LineBytes(lines[i]);
    }
  }
  void CopyLineBreak(std::size_t lineIndex) {
    const Line& line = document_.lines()[lineIndex];
    out_ += document_.bytes().substr(line.byteEnd - line.terminatorBytes, line.terminatorBytes);
  }
  // Text after a last line that has no line break must start a line of its own.
  void EndLineIfOpen(std::size_t lineIndex) {
    const auto lines = document_.lines();
    if (lineIndex < lines.size() && lines[lineIndex].terminatorBytes == 0) Append(u"\r\n");
  }
  void Append(std::u16string_view text) {
    if (encoding_ == Encoding::kUtf16LeBom || encoding_ == Encoding::kUtf16Le) {
      for (char16_t c : text) {
        out_.push_back(static_cast<char>(c & 0xFF));
        out_.push_back(static_cast<char>(c >> 8));
      }
    } else {
      out_ += Utf8FromUtf16(text);
    }
  }
  void AppendLine(std::u16string_view a, std::u16string_view b, std::u16string_view c) {
    Append(a);
    Append(b);
    Append(c);
    Append(u"\r\n");
  }
  std::string Take() { return std::move(out_); }

 private:
  const Document& document_;
  Encoding encoding_;
  std::string out_;
};

// The new content of the file, or nullopt when the write changes nothing.
std::optional<std::string> Rewrite(const Document& document, std::u16string_view sectionName,
                                   std::optional<std::u16string_view> key,
                                   std::optional<std::u16string_view> value) {
  const std::size_t lineCount = document.lines().size();
  Rewriter out(document);
  const Section* section = document.FindSection(sectionName);
  if (section == nullptr) {
    if (!key || !value) return std::nullopt;
    out.CopyLines(0, lineCount);
    if (lineCount != 0) out.EndLineIfOpen(lineCount - 1);
    out.AppendLine(u"[", sectionName, u"]");
    out.AppendLine(*key, u"=", *value);
    return out.Take();
  }
  if (!key) {
    out.CopyLines(0, section->headerLine);
    out.CopyLines(section->endLine, lineCount);
    return out.Take();
  }
  if (const Entry* entry = document.FindEntry(*section, *key)) {
    if (value && document.Text(entry->rawValue) == *value) return std::nullopt;
    out.CopyLines(0, entry->line);
    if (value) {
      out.Append(document.Text(entry->key));
      out.Append(u"=");
      out.Append(*value);
      out.CopyLineBreak(entry->line);
    }
    out.CopyLines(entry->line + 1, lineCount);
    return out.Take();
  }
  if (!value) return std::nullopt;
  const std::uint32_t after =
      section->entries.empty() ? section->headerLine : section->entries.back().line;
  out.CopyLines(0, after + 1);
  out.EndLineIfOpen(after);
  out.AppendLine(*key, u"=", *value);
  out.CopyLines(after + 1, lineCount);
  return out.Take();
}

}  // namespace

std::shared_ptr<const Document> Parse(std::string bytes) {
  return Document::Parse(std::move(bytes));
}

std::shared_ptr<const Document> Load(const std::filesystem::path& file) {
  return ProcessCache().Load(file);
}

std::optional<std::u16string_view> Find(const Document& document, std::u16string_view section,
                                        std::u16string_view key) {
  const Section* found = document.FindSection(section);
  if (found == nullptr) return std::nullopt;
  const Entry* entry = document.FindEntry(*found, key);
  if (entry == nullptr) return std::nullopt;
  return document.Text(entry->value);
}

std::size_t ReadString(const std::filesystem::path& file, std::u16string_view section,
                       std::u16string_view key, std::u16string_view defaultValue, char16_t* buffer,
                       std::size_t capacity) {
  if (capacity == 0) return 0;
  const std::shared_ptr<const Document> document = Load(file);
  return CopyOut(Find(*document, section, key), defaultValue, buffer, capacity);
}

std::u16string ReadString(const std::filesystem::path& file, std::u16string_view section,
                          std::u16string_view key, std::u16string_view defaultValue) {
  const std::shared_ptr<const Document> document = Load(file);
  return std::u16string(Find(*document, section, key).value_or(DefaultText(defaultValue)));
}

int ReadInt(const std::filesystem::path& file, std::u16string_view section, std::u16string_view key,
            int defaultValue) {
  return LeadingInt(ReadString(file, section, key, u""), defaultValue);
}

bool WriteString(const std::filesystem::path& file, std::u16string_view section,
                 std::optional<std::u16string_view> key, std::optional<std::u16string_view> value) {
  return ProcessCache().WriteString(file, section, key, value);
}

bool WriteStrings(const std::filesystem::path& file, std::u16string_view section,
                  std::span<const KeyValue> values) {
  return ProcessCache().WriteStrings(file, section, values);
}

bool ReplaceFile(const std::filesystem::path& file, std::string_view bytes) {
  return ProcessCache().ReplaceFile(file, bytes);
}

std::vector<std::u16string> KeyNames(const Document& document, std::u16string_view section) {
  std::vector<std::u16string> names;
  if (const Section* found = document.FindSection(section)) {
    for (const Entry& entry : found->entries) names.emplace_back(document.Text(entry.key));
  }
  return names;
}

std::vector<std::u16string> SectionNames(const Document& document) {
  std::vector<std::u16string> names;
  for (const Section& section : document.sections())
    names.emplace_back(document.Text(section.name));
  return names;
}

std::uint64_t CacheGeneration() {
  return ProcessCache().Generation();
}

struct DocumentCache::State {
  struct Entry {
    FileStamp stamp;
    std::shared_ptr<const Document> document;
  };

  // Both with `mutex` held.
  void Forget(const std::filesystem::path& file) {
    entries.erase(file.native());
    generation.fetch_add(1, std::memory_order_acq_rel);
  }
  void Keep(const std::filesystem::path& file, FileStamp stamp,
            std::shared_ptr<const Document> document) {
    if (entries.size() >= kMaxCachedFiles) entries.clear();
    entries[file.native()] = Entry{stamp, std::move(document)};
  }

  std::mutex mutex;
  std::unordered_map<std::filesystem::path::string_type, Entry> entries;
  std::atomic<std::uint64_t> generation{1};
  // Serialises read-modify-write cycles, so two writers in this process never
  // lose each other's change.
  std::mutex writeMutex;
};

DocumentCache::DocumentCache() : state_(std::make_unique<State>()) {}
DocumentCache::~DocumentCache() = default;

std::shared_ptr<const Document> DocumentCache::Load(const std::filesystem::path& file) {
  const FileStamp stamp = StampOf(file);
  if (!stamp.regular || stamp.size > kMaxFileBytes) return Document::Empty();
  {
    std::lock_guard lock(state_->mutex);
    const auto found = state_->entries.find(file.native());
    if (found != state_->entries.end() && found->second.stamp == stamp) {
      return found->second.document;
    }
  }
  // Read after the stamp was taken: a change in between leaves a stamp older
  // than the content, which only costs one more parse later.
  std::optional<std::string> bytes = ReadWholeFile(file);
  if (!bytes) return Document::Empty();
  std::shared_ptr<const Document> document = Document::Parse(std::move(*bytes));
  std::lock_guard lock(state_->mutex);
  state_->Keep(file, stamp, document);
  return document;
}

std::optional<std::string> DocumentCache::BytesToRewrite(const std::filesystem::path& file) {
  // Always from the disk, never from the cache: another process may have
  // changed the file within the cache's blind spot.
  const FileStamp stamp = StampOf(file);
  if (!stamp.exists) return std::string();
  if (!stamp.regular || stamp.size > kMaxFileBytes) return std::nullopt;
  return ReadWholeFile(file);
}

bool DocumentCache::Store(const std::filesystem::path& file, std::string_view bytes) {
  const bool written = ReplaceFileAtomically(file, bytes);
  std::lock_guard lock(state_->mutex);
  state_->Forget(file);
  return written;
}

bool DocumentCache::WriteString(const std::filesystem::path& file, std::u16string_view section,
                                std::optional<std::u16string_view> key,
                                std::optional<std::u16string_view> value) {
  if (!CanWrite(section, key, value)) return false;
  std::lock_guard writing(state_->writeMutex);
  std::optional<std::string> bytes = BytesToRewrite(file);
  if (!bytes) return false;
  const std::shared_ptr<const Document> document = Document::Parse(std::move(*bytes));
  const std::optional<std::string> rewritten = Rewrite(*document, section, key, value);
  return !rewritten || Store(file, *rewritten);
}

bool DocumentCache::WriteStrings(const std::filesystem::path& file, std::u16string_view section,
                                 std::span<const KeyValue> values) {
  for (const KeyValue& pair : values) {
    if (!CanWrite(section, pair.key, pair.value)) return false;
  }
  std::lock_guard writing(state_->writeMutex);
  std::optional<std::string> bytes = BytesToRewrite(file);
  if (!bytes) return false;
  // Each key is rewritten into the text in memory; the disk sees the result once.
  std::shared_ptr<const Document> document = Document::Parse(std::move(*bytes));
  bool changed = false;
  for (const KeyValue& pair : values) {
    std::optional<std::string> rewritten = Rewrite(*document, section, pair.key, pair.value);
    if (!rewritten) continue;
    document = Document::Parse(std::move(*rewritten));
    changed = true;
  }
  return !changed || Store(file, document->bytes());
}

bool DocumentCache::ReplaceFile(const std::filesystem::path& file, std::string_view bytes) {
  std::lock_guard writing(state_->writeMutex);
  return Store(file, bytes);
}

std::uint64_t DocumentCache::Generation() const {
  return state_->generation.load(std::memory_order_acquire);
}

DocumentCache& ProcessCache() {
  static DocumentCache cache;
  return cache;
}

CachedFile::CachedFile(std::filesystem::path file, std::chrono::milliseconds recheck)
    : CachedFile(ProcessCache(), std::move(file), recheck) {}

CachedFile::CachedFile(DocumentCache& cache, std::filesystem::path file,
                       std::chrono::milliseconds recheck)
    : cache_(cache), file_(std::move(file)), recheck_(recheck) {}

const Document& CachedFile::Refresh() const {
  const auto now = CoarseNow();
  // Taken before the load: a write that lands during it bumps the generation
  // again and the next call looks once more.
  const std::uint64_t generation = cache_.Generation();
  if (!document_ || generation != generation_ || now - checkedAt_ >= recheck_) {
    std::shared_ptr<const Document> loaded = cache_.Load(file_);
    if (loaded != document_) lastSectionKnown_ = false;
    document_ = std::move(loaded);
    checkedAt_ = now;
    generation_ = generation;
  }
  return *document_;
}

std::optional<std::u16string_view> CachedFile::Lookup(std::u16string_view section,
                                                      std::u16string_view key) const {
  const Document& document = Refresh();
  if (!lastSectionKnown_ || lastSectionName_ != section) {
    lastSectionName_.assign(section);
    lastSection_ = document.FindSection(section);
    lastSectionKnown_ = true;
  }
  if (lastSection_ == nullptr) return std::nullopt;
  const Entry* entry = document.FindEntry(*lastSection_, key);
  if (entry == nullptr) return std::nullopt;
  return document.Text(entry->value);
}

std::shared_ptr<const Document> CachedFile::Current() const {
  std::lock_guard lock(mutex_);
  Refresh();
  return document_;
}

std::size_t CachedFile::ReadString(std::u16string_view section, std::u16string_view key,
                                   std::u16string_view defaultValue, char16_t* buffer,
                                   std::size_t capacity) const {
  if (capacity == 0) return 0;
  std::lock_guard lock(mutex_);
  return CopyOut(Lookup(section, key), defaultValue, buffer, capacity);
}

std::u16string CachedFile::ReadString(std::u16string_view section, std::u16string_view key,
                                      std::u16string_view defaultValue) const {
  std::lock_guard lock(mutex_);
  return std::u16string(Lookup(section, key).value_or(DefaultText(defaultValue)));
}

int CachedFile::ReadInt(std::u16string_view section, std::u16string_view key,
                        int defaultValue) const {
  std::lock_guard lock(mutex_);
  return LeadingInt(Lookup(section, key).value_or(u""), defaultValue);
}

}  // namespace ombrex::ini
