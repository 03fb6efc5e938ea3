#pragma once

// Display names of keys in one language, looked up once.
//
// Take a KeyNameTable where a view starts to show names (a refresh of the key
// grid, a recording, a key list) and read it for every key; take a new one for
// the next refresh, so that a changed language or text file shows up:
//
//   const KeyNameTable names(texts);  // once, in the current language
//   for (std::size_t b = 0; b < kKeyButtonCount; ++b) {
//     list.Add(names.Text(kKeyButtons[b].code));
//   }
//
// Making a table costs about one text lookup and allocates nothing once the
// language's names have been looked up (Texts keeps them). Reading one never
// touches the text file; Name() allocates nothing. A table is a snapshot that
// may be kept and read from any thread.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

#include "model/key_catalogue.h"

namespace ombrex {

class Texts;
class TextTable;

class KeyNameTable {
 public:
  // The names in the current language.
  explicit KeyNameTable(const Texts& texts);
  // The names in a language the caller decided once (a recording asks for the
  // current language when it starts, not for every key event).
  KeyNameTable(const Texts& texts, int languageIndex);

  // The key's language text. A key without a record, without a text key or
  // with an empty text gets the unknown-key text ("Unknown Key: %03x")
  // formatted with its code. Cut to capacity - 1 characters and terminated;
  // the number of characters written.
  std::size_t Name(KeyCode code, char16_t* buffer, std::size_t capacity) const;
  // The same as a string, or added to the end of one (for texts built anyway:
  // tooltips, lists).
  std::u16string Text(KeyCode code) const;
  void AppendTo(std::u16string& text, KeyCode code) const;

  // The language text of the record at a list position; empty when no record
  // has that position or the record has no text key. Lives as long as the table.
  std::u16string_view ListLabel(std::size_t position) const;

  int LanguageIndex() const;

 private:
  // The key's own text; empty when it has none and gets the unknown-key text.
  std::u16string_view OwnName(KeyCode code) const;

  std::shared_ptr<const TextTable> texts_;
};

// One-off lookups through a table of the moment.
std::size_t KeyName(const Texts& texts, KeyCode code, char16_t* buffer, std::size_t capacity);
std::size_t KeyName(const Texts& texts, int languageIndex, KeyCode code, char16_t* buffer,
                    std::size_t capacity);
std::u16string KeyNameText(const Texts& texts, KeyCode code);
std::u16string ListLabel(const Texts& texts, std::size_t position);

}  // namespace ombrex
