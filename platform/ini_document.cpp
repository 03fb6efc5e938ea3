#include "platform/ini_document.h"

#include <algorithm>
#include <cstring>

#include "platform/text.h"

namespace ombrex::ini {
namespace {

Encoding DetectEncoding(std::string_view bytes, std::size_t& prefix) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
  prefix = 0;
  if (bytes.size() >= 2 && byte(0) == 0xFF && byte(1) == 0xFE) {
    prefix = 2;
    return Encoding::kUtf16LeBom;
  }
  if (bytes.size() >= 3 && byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) {
    prefix = 3;
    return Encoding::kUtf8Bom;
  }
  // Text in UTF-8 never holds a zero byte; an ASCII character in UTF-16LE
  // always has one after it.
  if (bytes.size() >= 2 && byte(0) != 0 && byte(1) == 0) return Encoding::kUtf16Le;
  return Encoding::kUtf8;
}

bool IsUtf16(Encoding encoding) {
  return encoding == Encoding::kUtf16LeBom || encoding == Encoding::kUtf16Le;
}

TextRange RangeOf(std::u16string_view whole, std::u16string_view part) {
  return {static_cast<std::uint32_t>(part.data() - whole.data()),
          static_cast<std::uint32_t>(part.size())};
}

// Folds four UTF-16 units at once: 'A'..'Z' gain 0x20; every other unit stays,
// also one whose low byte looks like a letter (U+0141, U+8041).
std::uint64_t FoldChunk(std::uint64_t units) {
  constexpr std::uint64_t kHigh = 0x8000800080008000ull;
  const std::uint64_t low = units & ~kHigh;
  const std::uint64_t atLeastA = low + 0x7FBF7FBF7FBF7FBFull;  // per unit 0x8000 - 'A'
  const std::uint64_t pastZ = low + 0x7FA57FA57FA57FA5ull;     // per unit 0x8000 - ('Z' + 1)
  const std::uint64_t upper = atLeastA & ~pastZ & ~units & kHigh;
  return units | (upper >> 10);
}

// Four units from `at` (fewer at the end, the rest zero), as one number.
std::uint64_t ChunkAt(std::u16string_view text, std::size_t at) {
  std::uint64_t chunk = 0;
  if (at + 4 <= text.size()) {
    std::memcpy(&chunk, text.data() + at, sizeof chunk);
  } else {
    std::memcpy(&chunk, text.data() + at, (text.size() - at) * sizeof(char16_t));
  }
  return chunk;
}

}  // namespace

// Four characters per multiplication: names are short and looked up on hot
// paths, so the hash is a short dependency chain rather than one per character.
std::uint64_t FoldedHash(std::u16string_view text) {
  const auto mix = [](std::uint64_t hash, std::uint64_t chunk) {
    hash = (hash ^ FoldChunk(chunk)) * 0xFF51AFD7ED558CCDull;
    return hash ^ (hash >> 29);
  };
  std::uint64_t hash = 0x9E3779B97F4A7C15ull ^ text.size();
  for (std::size_t i = 0; i < text.size(); i += 4) hash = mix(hash, ChunkAt(text, i));
  hash *= 0xC4CEB9FE1A85EC53ull;
  return hash ^ (hash >> 32);
}

// Four units at a time, as the hash reads them; equal units need no folding.
bool EqualsFolded(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); i += 4) {
    const std::uint64_t x = ChunkAt(a, i);
    const std::uint64_t y = ChunkAt(b, i);
    if (x != y && FoldChunk(x) != FoldChunk(y)) return false;
  }
  return true;
}

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

std::u16string_view TrimBlanks(std::u16string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

std::u16string_view StripQuotes(std::u16string_view text) {
  if (text.size() >= 2 && (text.front() == u'"' || text.front() == u'\'') &&
      text.back() == text.front()) {
    return text.substr(1, text.size() - 2);
  }
  return text;
}

const std::shared_ptr<const Document>& Document::Empty() {
  static const std::shared_ptr<const Document> empty = Parse(std::string());
  return empty;
}

std::shared_ptr<const Document> Document::Parse(std::string bytes) {
  auto document = std::make_shared<Document>();
  document->bytes_ = std::move(bytes);
  document->encoding_ = DetectEncoding(document->bytes_, document->prefixBytes_);
  document->SplitLines();
  document->IndexLines();
  return document;
}

// Splits at LF, CR LF or a lone CR, and decodes line by line: line breaks are
// never part of a multi-byte character, so one bad sequence spoils one line.
void Document::SplitLines() {
  const bool wide = IsUtf16(encoding_);
  const std::size_t unit = wide ? 2 : 1;
  const std::size_t end = prefixBytes_ + (bytes_.size() - prefixBytes_) / unit * unit;
  const auto unitAt = [&](std::size_t at) -> char16_t {
    if (!wide) return static_cast<unsigned char>(bytes_[at]);
    return static_cast<char16_t>(static_cast<unsigned char>(bytes_[at]) |
                                 (static_cast<unsigned char>(bytes_[at + 1]) << 8));
  };
  std::size_t begin = prefixBytes_;
  while (begin < end) {
    std::size_t at = begin;
    while (at < end && unitAt(at) != u'\n' && unitAt(at) != u'\r') at += unit;
    std::size_t terminator = 0;
    if (at < end) {
      terminator = unit;
      if (unitAt(at) == u'\r' && at + unit < end && unitAt(at + unit) == u'\n') terminator += unit;
    }
    Line line;
    line.byteBegin = begin;
    line.byteEnd = at + terminator;
    line.terminatorBytes = terminator;
    line.text.begin = static_cast<std::uint32_t>(text_.size());
    if (wide) {
      for (std::size_t i = begin; i < at; i += 2) text_.push_back(unitAt(i));
    } else {
      text_ += Utf16FromUtf8(std::string_view(bytes_).substr(begin, at - begin));
    }
    line.text.length = static_cast<std::uint32_t>(text_.size() - line.text.begin);
    lines_.push_back(line);
    begin = line.byteEnd;
  }
}

void Document::IndexLines() {
  const std::u16string_view whole = text_;
  for (std::uint32_t i = 0; i < lines_.size(); ++i) {
    const std::u16string_view line = TrimBlanks(Text(lines_[i].text));
    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[') {
      if (!sections_.empty()) sections_.back().endLine = i;
      std::u16string_view name = line.substr(1);
      name = name.substr(0, name.find(u']'));
      Section section;
      section.headerLine = i;
      section.endLine = static_cast<std::uint32_t>(lines_.size());
      section.name = RangeOf(whole, TrimBlanks(name));
      sections_.push_back(std::move(section));
      continue;
    }
    const std::size_t equals = line.find(u'=');
    if (equals == std::u16string_view::npos || sections_.empty()) continue;
    Entry entry;
    entry.line = i;
    entry.key = RangeOf(whole, TrimBlanks(line.substr(0, equals)));
    const std::u16string_view raw = TrimBlanks(line.substr(equals + 1));
    entry.rawValue = RangeOf(whole, raw);
    entry.value = RangeOf(whole, StripQuotes(raw));
    sections_.back().entries.push_back(entry);
  }
  for (Section& section : sections_) {
    section.index.Build(static_cast<std::uint32_t>(section.entries.size()),
                        [&](std::uint32_t e) { return Text(section.entries[e].key); });
  }
  sectionIndex_.Build(static_cast<std::uint32_t>(sections_.size()),
                      [this](std::uint32_t s) { return Text(sections_[s].name); });
}

const Section* Document::FindSection(std::u16string_view name) const {
  const auto found =
      sectionIndex_.Find(name, [this](std::uint32_t s) { return Text(sections_[s].name); });
  return found ? &sections_[*found] : nullptr;
}

const Entry* Document::FindEntry(const Section& section, std::u16string_view key) const {
  const auto found =
      section.index.Find(key, [&](std::uint32_t e) { return Text(section.entries[e].key); });
  return found ? &section.entries[*found] : nullptr;
}

}  // namespace ombrex::ini
