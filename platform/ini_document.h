#pragma once

// The parsed form of an ini file, shared by the reader and the writer. It keeps
// the file's bytes line by line, so a rewrite reproduces every line it does not
// change byte for byte (comments, odd spacing, bytes that do not decode), and a
// hashed index of sections and keys, so a lookup neither allocates nor scans.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ini.h"

namespace ombrex::ini {

enum class Encoding {
  kUtf16LeBom,
  kUtf16Le,  // no BOM: recognised by its zero high bytes
  kUtf8Bom,
  kUtf8,  // plain ASCII included
};

// A piece of the decoded text.
struct TextRange {
  std::uint32_t begin = 0;
  std::uint32_t length = 0;
};

struct Line {
  std::size_t byteBegin = 0;
  std::size_t byteEnd = 0;          // after the terminator
  std::size_t terminatorBytes = 0;  // 0 for a last line without one
  TextRange text;                   // without the terminator
};

struct Entry {
  std::uint32_t line = 0;
  TextRange key;       // trimmed
  TextRange rawValue;  // trimmed, quotes kept: what was written
  TextRange value;     // trimmed, one pair of quotes removed: what is read
};

// The hash the index uses: ASCII letters folded to lower case, as names compare.
std::uint64_t FoldedHash(std::u16string_view text);
bool EqualsFolded(std::u16string_view a, std::u16string_view b);

// An open-addressing table from names to their position in file order. Only the
// first of equal names is entered, so a lookup finds the first, as reads must.
class NameIndex {
 public:
  template <typename NameOf>
  void Build(std::uint32_t count, NameOf nameOf) {
    std::size_t size = 4;
    while (size < 2 * std::size_t{count}) size *= 2;
    slots_.assign(size, Slot{});
    for (std::uint32_t i = 0; i < count; ++i) {
      const std::u16string_view name = nameOf(i);
      const std::uint64_t hash = FoldedHash(name);
      std::size_t at = Start(hash);
      for (; slots_[at].indexPlusOne != 0; at = Next(at)) {
        if (slots_[at].hash == Tag(hash) &&
            EqualsFolded(nameOf(slots_[at].indexPlusOne - 1), name)) {
          break;
        }
      }
      if (slots_[at].indexPlusOne == 0) slots_[at] = Slot{Tag(hash), i + 1};
    }
  }

  template <typename NameOf>
  std::optional<std::uint32_t> Find(std::u16string_view name, NameOf nameOf) const {
    if (slots_.empty()) return std::nullopt;
    const std::uint64_t hash = FoldedHash(name);
    for (std::size_t at = Start(hash); slots_[at].indexPlusOne != 0; at = Next(at)) {
      if (slots_[at].hash == Tag(hash) && EqualsFolded(nameOf(slots_[at].indexPlusOne - 1), name)) {
        return slots_[at].indexPlusOne - 1;
      }
    }
    return std::nullopt;
  }

 private:
  struct Slot {
    std::uint32_t hash = 0;
    std::uint32_t indexPlusOne = 0;  // 0: empty
  };
  static std::uint32_t Tag(std::uint64_t hash) { return static_cast<std::uint32_t>(hash); }
  std::size_t Start(std::uint64_t hash) const { return (hash >> 32) & (slots_.size() - 1); }
  std::size_t Next(std::size_t at) const { return (at + 1) & (slots_.size() - 1); }

  std::vector<Slot> slots_;
};

struct Section {
  std::uint32_t headerLine = 0;
  std::uint32_t endLine = 0;  // the next header, or the number of lines
  TextRange name;
  std::vector<Entry> entries;
  NameIndex index;
};

class Document {
 public:
  static std::shared_ptr<const Document> Parse(std::string bytes);
  static const std::shared_ptr<const Document>& Empty();

  Encoding encoding() const { return encoding_; }
  std::string_view bytes() const { return bytes_; }
  std::size_t prefixBytes() const { return prefixBytes_; }  // the BOM
  std::span<const Line> lines() const { return lines_; }
  std::span<const Section> sections() const { return sections_; }

  std::u16string_view Text(TextRange range) const {
    return std::u16string_view(text_).substr(range.begin, range.length);
  }
  std::string_view LineBytes(const Line& line) const {
    return std::string_view(bytes_).substr(line.byteBegin, line.byteEnd - line.byteBegin);
  }

  // First section / first entry of the name, compared without regard to case.
  const Section* FindSection(std::u16string_view name) const;
  const Entry* FindEntry(const Section& section, std::u16string_view key) const;

 private:
  void SplitLines();
  void IndexLines();

  std::string bytes_;
  Encoding encoding_ = Encoding::kUtf8;
  std::size_t prefixBytes_ = 0;
  std::u16string text_;
  std::vector<Line> lines_;
  std::vector<Section> sections_;
  NameIndex sectionIndex_;
};

bool IsBlank(char16_t c);
std::u16string_view TrimBlanks(std::u16string_view text);
// One pair of the same quote character around at least two characters goes.
std::u16string_view StripQuotes(std::u16string_view text);

}  // namespace ombrex::ini
