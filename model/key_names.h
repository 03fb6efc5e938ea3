#pragma once

// Display names of keys, looked up in the current language's text file. KeyName
// runs for every recorded key event: it writes into the caller's buffer and
// allocates nothing once the language file is cached.

#include <cstddef>
#include <string>

#include "model/key_catalogue.h"

namespace ombrex {

class Texts;

// The language text of the key's text key; a key without a record, without a
// text key or with an empty text gets the unknown-key text ("Unknown Key: %03x"
// looked up and formatted with the code). Cut to capacity - 1 characters and
// terminated; returns the number of characters written.
std::size_t KeyName(const Texts& texts, KeyCode code, char16_t* buffer, std::size_t capacity);
// The same in a language the caller decided once (a recording asks for the
// current language when it starts, not for every key event).
std::size_t KeyName(const Texts& texts, int languageIndex, KeyCode code, char16_t* buffer,
                    std::size_t capacity);

// KeyName as a string, for texts that are built anyway (tooltips, lists).
std::u16string KeyNameText(const Texts& texts, KeyCode code);

// The language text of the record at a list position; empty when no record has
// that position or the record has no text key.
std::u16string ListLabel(const Texts& texts, std::size_t position);

}  // namespace ombrex
