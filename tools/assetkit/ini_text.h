#pragma once

// A read-only view of an ini text as the asset build needs it: the sections and
// keys in file order, looked up with the private-profile rules the program uses
// (names compare without regard to ASCII case, blanks around names and values
// are trimmed, a value wrapped in matching quotes loses them), plus the
// problems a hand-edited file tends to have, so the build can refuse them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrex::assetkit {

struct IniEntry {
  std::u16string key;
  std::u16string value;
  int line = 0;
};

struct IniSection {
  std::u16string name;
  std::vector<IniEntry> entries;
  int line = 0;
};

struct IniProblem {
  int line = 0;
  std::string message;
};

class IniText {
 public:
  static IniText Parse(std::u16string_view text);

  const std::vector<IniSection>& Sections() const { return sections_; }
  const IniSection* FindSection(std::u16string_view name) const;
  // The first value of `key` in the first section called `section`.
  std::optional<std::u16string_view> Find(std::u16string_view section,
                                          std::u16string_view key) const;

  // Things the reader tolerates but a file we ship must not contain: a key
  // outside any section, a line that is neither a comment, a section header
  // nor key=value, a section or key that appears twice (the reader would use
  // only the first), a header without its closing bracket.
  const std::vector<IniProblem>& Problems() const { return problems_; }

 private:
  std::vector<IniSection> sections_;
  std::vector<IniProblem> problems_;
};

bool EqualsIgnoreAsciiCase(std::u16string_view a, std::u16string_view b);

// x, y, w, h of a placement value, read as "%d,%d,%d,%d" would, but strictly:
// four integers separated by commas (blanks allowed), trailing text ignored.
struct Rect {
  int x = 1;
  int y = 1;
  int w = 1;
  int h = 1;
  int Right() const { return x + w; }
  int Bottom() const { return y + h; }
  bool IsHidden() const { return x == 1 && y == 1; }
  bool Intersects(const Rect& o) const {
    return x < o.Right() && o.x < Right() && y < o.Bottom() && o.y < Bottom();
  }
  bool Contains(const Rect& o) const {
    return o.x >= x && o.y >= y && o.Right() <= Right() && o.Bottom() <= Bottom();
  }
  friend bool operator==(const Rect&, const Rect&) = default;
};
std::optional<Rect> ParseRect(std::u16string_view value);

}  // namespace ombrex::assetkit
