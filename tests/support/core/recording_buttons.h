#pragma once

// A key grid that records what the model shows on it: each button's marker
// and tooltip, its colour frame, and how often the window was asked to apply
// its Flip setting.

#include <map>
#include <optional>
#include <string>

#include "model/key_buttons.h"

namespace ombrex::test {

class RecordingButtons : public KeyButtons {
 public:
  void SetAssigned(int button, bool assigned) override { marks[button] = assigned; }
  void SetTooltip(int button, std::u16string_view text) override {
    tooltips[button] = std::u16string(text);
  }
  void SetColourFrame(int button, std::optional<Rgb> colour) override { frames[button] = colour; }
  void ApplyFlip() override { ++refreshes; }

  std::map<int, bool> marks;
  std::map<int, std::u16string> tooltips;
  std::map<int, std::optional<Rgb>> frames;
  int refreshes = 0;
};

}  // namespace ombrex::test
