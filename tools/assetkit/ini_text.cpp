#include "tools/assetkit/ini_text.h"

#include <cstdint>

#include "tools/assetkit/utf.h"

namespace ombrex::assetkit {
namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::u16string_view Unquote(std::u16string_view s) {
  if (s.size() >= 2 && (s.front() == u'"' || s.front() == u'\'') && s.back() == s.front()) {
    return s.substr(1, s.size() - 2);
  }
  return s;
}

char16_t Lower(char16_t c) {
  return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
}

std::vector<std::u16string_view> SplitLines(std::u16string_view text) {
  std::vector<std::u16string_view> lines;
  while (!text.empty()) {
    const auto end = text.find(u'\n');
    lines.push_back(text.substr(0, end));
    if (end == std::u16string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

}  // namespace

bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

IniText IniText::Parse(std::u16string_view text) {
  IniText ini;
  const auto lines = SplitLines(text);
  for (std::size_t n = 0; n < lines.size(); ++n) {
    const int lineNo = static_cast<int>(n) + 1;
    const std::u16string_view line = Trim(lines[n]);
    if (line.empty() || line.front() == u';') continue;
    if (line.front() == u'[') {
      const auto close = line.find(u']');
      if (close == std::u16string_view::npos) {
        ini.problems_.push_back({lineNo, "section header without ']'"});
        continue;
      }
      const std::u16string name{Trim(line.substr(1, close - 1))};
      if (ini.FindSection(name) != nullptr) {
        ini.problems_.push_back({lineNo, "section [" + EncodeUtf8(name) + "] appears twice"});
      }
      ini.sections_.push_back({name, {}, lineNo});
      continue;
    }
    const auto eq = line.find(u'=');
    if (eq == std::u16string_view::npos) {
      ini.problems_.push_back({lineNo, "line is not key=value"});
      continue;
    }
    if (ini.sections_.empty()) {
      ini.problems_.push_back({lineNo, "key outside any section"});
      continue;
    }
    const std::u16string_view key = Trim(line.substr(0, eq));
    if (key.empty()) {
      ini.problems_.push_back({lineNo, "empty key"});
      continue;
    }
    IniSection& section = ini.sections_.back();
    for (const IniEntry& e : section.entries) {
      if (EqualsIgnoreAsciiCase(e.key, key)) {
        ini.problems_.push_back({lineNo, "key " + EncodeUtf8(key) + " appears twice in [" +
                                             EncodeUtf8(section.name) + "]"});
        break;
      }
    }
    section.entries.push_back(
        {std::u16string(key), std::u16string(Unquote(Trim(line.substr(eq + 1)))), lineNo});
  }
  return ini;
}

const IniSection* IniText::FindSection(std::u16string_view name) const {
  for (const IniSection& s : sections_) {
    if (EqualsIgnoreAsciiCase(s.name, name)) return &s;
  }
  return nullptr;
}

std::optional<std::u16string_view> IniText::Find(std::u16string_view section,
                                                 std::u16string_view key) const {
  const IniSection* s = FindSection(section);
  if (s == nullptr) return std::nullopt;
  for (const IniEntry& e : s->entries) {
    if (EqualsIgnoreAsciiCase(e.key, key)) return std::u16string_view(e.value);
  }
  return std::nullopt;
}

std::optional<Rect> ParseRect(std::u16string_view value) {
  int numbers[4] = {0, 0, 0, 0};
  std::size_t i = 0;
  for (int n = 0; n < 4; ++n) {
    while (i < value.size() && IsBlank(value[i])) ++i;
    if (n > 0) {
      if (i >= value.size() || value[i] != u',') return std::nullopt;
      ++i;
      while (i < value.size() && IsBlank(value[i])) ++i;
    }
    bool negative = false;
    if (i < value.size() && (value[i] == u'-' || value[i] == u'+')) negative = value[i++] == u'-';
    const std::size_t digitsStart = i;
    std::int64_t number = 0;
    while (i < value.size() && value[i] >= u'0' && value[i] <= u'9') {
      number = number * 10 + (value[i++] - u'0');
      if (number > 1'000'000) return std::nullopt;
    }
    if (i == digitsStart) return std::nullopt;
    numbers[n] = static_cast<int>(negative ? -number : number);
  }
  return Rect{numbers[0], numbers[1], numbers[2], numbers[3]};
}

}  // namespace ombrex::assetkit
