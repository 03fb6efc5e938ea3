#pragma once

// The key grid's view of the working image: each key button's assigned marker
// and tooltip, refreshed from the entries of the active profile, and the
// operations that change entries and then the buttons (reset keys, the macro
// list hand-over).

#include <string>
#include <vector>

#include "device/default_key_table.h"
#include "device/profile_number.h"
#include "model/key_buttons.h"
#include "model/key_entry.h"
#include "model/macro.h"
#include "model/workspace.h"

namespace ombrex {

class Texts;
class TooltipTexts;
class Workspace;

// Added to the tooltip of a key the keyboard does not have.
inline constexpr std::u16string_view kKeyNotOnKeyboardTip = u"IDS_KEY_NOT_ON_KEYBOARD_TIP";

struct Tooltip {
  std::u16string text;
  bool assigned = false;
};

// The tooltip of a key and whether its button is marked. The key is G key
// `gKey` (0..8 in its bank) or, with gKey -1, the key `code`. `macros` names
// the macro of a Macro entry.
Tooltip TooltipText(const Texts& texts, std::span<const MacroRecord> macros, int gKey, KeyCode code,
                    const KeyEntry& entry);

class KeyGrid {
 public:
  KeyGrid(Workspace& workspace, const Texts& texts, KeyButtons& buttons, PendingChanges& changes);

  // The keyboard's factory table, which names the keys it has; without one
  // every key counts as present.
  void SetKeyboardTable(const DefaultKeyTable* table) { keyboardTable_ = table; }
  // Whether the keyboard has a key for `slot`: an assignment elsewhere cannot
  // be sent.
  bool SlotOnKeyboard(int slot) const;

  // Marks and tooltips of the 104 keys and the nine G keys of `bank` from the
  // entries of `profile`, then the window applies its Flip setting.
  void RefreshAllKeys(ProfileNumber profile, int bank);
  // The same without touching the markers.
  void RebuildTooltips(ProfileNumber profile, int bank);
  // The button showing `slot` in `bank` (if any) unmarked, its tooltip that of
  // a Default entry.
  void RefreshOneKey(int slot, int bank);
  // Marker and tooltip of one button from an entry about to be stored.
  void ShowEntry(int button, const KeyEntry& entry);
  // Marks exactly the G keys of `bank` whose entries are assigned.
  void RefreshGKeyStates(ProfileNumber profile, int bank);
  // Clears the entries (and their texts) of the 104 keys and of the G keys of
  // `bank` in `profile`, unmarks their buttons and sets pending changes.
  void ResetKeys(ProfileNumber profile, int bank);
  // Workspace::ApplyMacroList, then the buttons of the repaired entries of the
  // active profile are refreshed and pending changes set when entries changed.
  MacroListChange ApplyMacroList(std::vector<MacroRecord>& records, ProfileNumber profile,
                                 int bank);
  // What ApplyMacroList does after the hand-over, for a list handed over
  // elsewhere: the repaired keys of `profile` unmarked, pending changes set
  // when entries changed.
  void ShowMacroListChange(const MacroListChange& change, ProfileNumber profile, int bank);

 private:
  void ShowButton(const TooltipTexts& texts, int button, const KeyEntry& entry, bool setMarker,
                  std::span<const MacroRecord> macros);

  Workspace& workspace_;
  const Texts& texts_;
  KeyButtons& buttons_;
  PendingChanges& changes_;
  const DefaultKeyTable* keyboardTable_ = nullptr;
  // The G-key bank the buttons show, for the buttons drawn one at a time.
  int shownBank_ = 0;
};

}  // namespace ombrex
