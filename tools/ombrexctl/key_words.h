#pragma once

// Keys and assignments in words, for people and scripts: the catalogue's
// English names ("A", "F1", "Left Ctrl"), G keys as "G1".."G9" (bank A) and
// "G1:B".."G9:B" (bank B), and hex key codes ("0x1E").

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/key_catalogue.h"
#include "model/key_entry.h"
#include "model/macro.h"

namespace ombrex::ctl {

// The name of a key slot 0..273; "slot N" for a slot without a key.
std::string SlotName(unsigned slot);
// The name of a key code.
std::string KeyCodeName(KeyCode code);

// A key slot from a name or a hex key code; nullopt when nothing matches.
std::optional<unsigned> SlotFromName(std::string_view name);
// A key code from a name (not a G key) or a hex key code.
std::optional<KeyCode> KeyCodeFromName(std::string_view name);

// A text from a file as it may safely reach a terminal: control characters
// (C0, DEL, C1) and the marks that reorder text are shown as escapes (\n, \t,
// \r, \u001b, ...), so that a macro name can neither retitle or clear the
// terminal nor fake a line of output. Backslashes and double quotes are
// escaped too, so the text shown between quotes reads back unambiguously.
std::string PrintableText(std::u16string_view text);

// The kind of an entry as a word: "default", "disabled", "key", ...
std::string KindName(std::uint16_t kind);
// What an entry does, in words: "key B", "macro 3 \"Combo\"", ...
std::string DescribeEntry(const KeyEntry& entry, std::u16string_view text,
                          std::span<const MacroRecord> macros);

}  // namespace ombrex::ctl
