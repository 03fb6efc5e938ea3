#pragma once

// Helpers shared by the model's tests: a Texts over a small English text file
// of the test's own, recording fakes of the key grid and the Apply button, and
// builders of entries and macros.

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/key_buttons.h"
#include "model/key_entry.h"
#include "model/macro.h"
#include "platform/settings_store.h"
#include "resources/texts.h"
#include "tests/support/temp_dir.h"

namespace ombrex::test {

// A program folder choosing English and holding Lang0409.ini with every key name of the catalogue
// (its English labels), the unknown-key format and the texts the model shows,
// each spelt so a test can recognise it. `extraLines` go first in [TEXT] and
// so override the built-in lines.
class TestTexts {
 public:
  explicit TestTexts(std::string_view extraLines = {});

  const Texts& Get() const { return *texts_; }
  const std::filesystem::path& ProgramFolder() const { return dir_.path(); }

 private:
  TempDir dir_;
  std::unique_ptr<SettingsStore> store_;
  std::unique_ptr<Texts> texts_;
};

class RecordingKeyButtons : public KeyButtons {
 public:
  void SetAssigned(int button, bool assigned) override { this->assigned[button] = assigned; }
  void SetTooltip(int button, std::u16string_view text) override {
    tooltips[button] = std::u16string(text);
  }
  void SetColourFrame(int button, std::optional<Rgb> colour) override { frames[button] = colour; }
  void ApplyFlip() override { ++flips; }
  void SetUnavailable(int button, bool value) override { unavailable[button] = value; }

  std::map<int, bool> assigned;
  std::map<int, bool> unavailable;
  std::map<int, std::u16string> tooltips;
  std::map<int, std::optional<Rgb>> frames;
  int flips = 0;
};

class RecordingPendingChanges : public PendingChanges {
 public:
  void SetPendingChanges(bool value) override { calls.push_back(value); }
  std::vector<bool> calls;
};

KeyEntry Entry(AssignKind kind, std::uint32_t value = 0, std::uint16_t aux = 0);

// The G-key codes of key slots 256..273, G1..G9 of bank A and then of bank B,
// as the keyboard names them.
inline constexpr std::array<std::uint16_t, 18> kGKeyCodes{
    0x0301, 0x0302, 0x0303, 0x0304, 0x0305, 0x0306, 0x0307, 0x0308, 0x0309,
    0x1301, 0x1302, 0x1303, 0x1304, 0x1305, 0x1306, 0x1307, 0x1308, 0x1309};

// The bytes of a hex dump ("46 44 20 00 ..."); spaces are ignored.
std::vector<std::uint8_t> Bytes(std::string_view hex);

// A macro with an id, a name and `actions` alternating press and release of
// key A with the given delay.
MacroRecord Macro(std::uint16_t id, std::u16string_view name, std::size_t actions = 0,
                  std::uint32_t delay = 10);

}  // namespace ombrex::test
