#pragma once

// What the model needs from the main window's key grid, as interfaces the
// window implements and tests fake. Buttons are numbered as in
// key_buttons_table.h (0..103 keys, 104..112 G1..G9, 113 Fn).

#include <cstdint>
#include <optional>
#include <string_view>

namespace ombrex {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend constexpr bool operator==(const Rgb&, const Rgb&) = default;
};

class KeyButtons {
 public:
  virtual ~KeyButtons() = default;

  // The assigned marker: the button shows its "marked" face.
  virtual void SetAssigned(int button, bool assigned) = 0;
  virtual void SetTooltip(int button, std::u16string_view text) = 0;
  // A colour frame replaces the face while it is set; nullopt removes it.
  virtual void SetColourFrame(int button, std::optional<Rgb> colour) = 0;
  // Refreshing the whole grid ends with the window applying its Flip setting.
  virtual void ApplyFlip() = 0;
  // A key the connected keyboard does not have: shown as such, still open to
  // the editor (so an assignment that cannot be sent can be cleared).
  virtual void SetUnavailable(int /*button*/, bool /*unavailable*/) {}
};

// The main window's pending changes (its Apply button).
class PendingChanges {
 public:
  virtual ~PendingChanges() = default;
  virtual void SetPendingChanges(bool pending) = 0;
};

}  // namespace ombrex
