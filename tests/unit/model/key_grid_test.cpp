#include "model/key_grid.h"

#include <gtest/gtest.h>

#include "model/key_buttons_table.h"
#include "model/workspace.h"
#include "platform/ini.h"
#include "tests/unit/model/model_test_support.h"

namespace ombrex {
namespace {

using test::Entry;
using test::Macro;

constexpr int kButtonA = 0;  // slot 30
constexpr int kButtonB = 1;  // slot 48
constexpr int kSlotA = 30;

class KeyGridTest : public testing::Test {
 protected:
  KeyGridTest() : workspace_(dir_.path()), grid_(workspace_, texts_.Get(), buttons_, changes_) {
    workspace_.CreateDefaultImage({}, 0, true);
    std::vector<MacroRecord> list{Macro(4, u"Combo")};
    workspace_.ApplyMacroList(list);
  }

  std::u16string Tip(int gKey, KeyCode code, const KeyEntry& entry) {
    return TooltipText(texts_.Get(), workspace_.Working()->Macros(), gKey, code, entry).text;
  }

  test::TempDir dir_;
  test::TestTexts texts_;
  test::RecordingKeyButtons buttons_;
  test::RecordingPendingChanges changes_;
  Workspace workspace_;
  KeyGrid grid_;
};

TEST_F(KeyGridTest, TooltipsNameTheKeyAndWhatItDoes) {
  EXPECT_EQ(Tip(-1, 0x01E, {}), u"A");
  EXPECT_EQ(Tip(-1, 0x01E, Entry(AssignKind::SingleKey, 0x030)), u"A[set]key(B)");
  EXPECT_EQ(Tip(-1, 0x01E, Entry(AssignKind::Macro, 4)), u"A[set]macro(Combo)");
  EXPECT_EQ(Tip(-1, 0x01E, Entry(AssignKind::Macro, 5)), u"A[set]macro()");
  EXPECT_EQ(Tip(-1, 0x01E, Entry(AssignKind::Media, 7)), u"A[set]media(Mute)");
  EXPECT_EQ(Tip(-1, 0x01E, Entry(AssignKind::Media, 99)), u"A[set]media()");
  EXPECT_EQ(Tip(-1, 0x01E, Entry(AssignKind::Function, 4)), u"A[set]function(Copy it)");
  EXPECT_EQ(Tip(-1, 0x01E, Entry(AssignKind::Disabled)), u"A[set]");
  EXPECT_EQ(Tip(2, 0, Entry(AssignKind::StopMacro)), u"G3[set]");
  EXPECT_EQ(Tip(2, 0, {}), u"G3");
  EXPECT_TRUE(TooltipText(texts_.Get(), {}, -1, 0x01E, Entry(AssignKind::Disabled)).assigned);
  EXPECT_FALSE(TooltipText(texts_.Get(), {}, -1, 0x01E, {}).assigned);
}

TEST_F(KeyGridTest, RefreshingShowsTheActiveProfileAndBank) {
  workspace_.StoreEntry(1, kSlotA, Entry(AssignKind::SingleKey, 0x030));
  workspace_.StoreEntry(1, GKeySlot(2, 1), Entry(AssignKind::Macro, 4));
  workspace_.StoreEntry(1, GKeySlot(2, 0), Entry(AssignKind::Disabled));
  grid_.RefreshAllKeys(1, 1);
  EXPECT_TRUE(buttons_.assigned.at(kButtonA));
  EXPECT_FALSE(buttons_.assigned.at(kButtonB));
  EXPECT_TRUE(buttons_.assigned.at(GKeyButton(2)));
  EXPECT_EQ(buttons_.tooltips.at(GKeyButton(2)), u"G3[set]macro(Combo)");
  EXPECT_EQ(buttons_.assigned.size(), kKeyButtonCount + kGKeyCount);
  EXPECT_EQ(buttons_.flips, 1);

  grid_.RefreshGKeyStates(1, 0);
  EXPECT_TRUE(buttons_.assigned.at(GKeyButton(2)));
  grid_.RefreshGKeyStates(1, 1);
  EXPECT_TRUE(buttons_.assigned.at(GKeyButton(2)));
  workspace_.StoreEntry(1, GKeySlot(2, 1), {});
  grid_.RefreshGKeyStates(1, 1);
  EXPECT_FALSE(buttons_.assigned.at(GKeyButton(2)));
}

TEST_F(KeyGridTest, KeysTheKeyboardLacksAreMarkedUnavailable) {
  // A keyboard with G1..G6 of the first bank only.
  KeyTableBytes bytes = DefaultKeyTable::BuiltIn();
  for (std::uint8_t n = 1; n <= 6; ++n) SetCodeAt(bytes, n - 1, {0x06, 0xA2, n});
  DefaultKeyTable table;
  table.Replace(bytes);
  struct Case {
    int bank;
    int button;
    std::u16string_view name;
    bool unavailable;
  };
  const Case cases[] = {{0, kButtonA, u"A", false},
                        {0, GKeyButton(5), u"G6", false},
                        {0, GKeyButton(6), u"G7", true},
                        {1, GKeyButton(0), u"G1", true},
                        {1, kButtonA, u"A", false}};
  grid_.SetKeyboardTable(&table);
  for (const Case& c : cases) {
    grid_.RefreshAllKeys(0, c.bank);
    EXPECT_EQ(buttons_.unavailable.at(c.button), c.unavailable) << c.bank << " " << c.button;
    // The tooltip of a missing key says so after the name.
    const std::u16string& tip = buttons_.tooltips.at(c.button);
    EXPECT_TRUE(tip.starts_with(c.name));
    EXPECT_EQ(tip != c.name, c.unavailable) << c.bank << " " << c.button;
  }
  grid_.SetKeyboardTable(nullptr);
  grid_.RefreshAllKeys(0, 1);
  EXPECT_FALSE(buttons_.unavailable.at(GKeyButton(0))) << "no table read: every key counts";
}

TEST_F(KeyGridTest, RebuildingTooltipsLeavesTheMarkers) {
  grid_.RefreshAllKeys(0, 0);
  workspace_.StoreEntry(0, kSlotA, Entry(AssignKind::Disabled));
  grid_.RebuildTooltips(0, 0);
  EXPECT_FALSE(buttons_.assigned.at(kButtonA));
  EXPECT_EQ(buttons_.tooltips.at(kButtonA), u"A[set]");
}

TEST_F(KeyGridTest, EachRefreshShowsTheTextsOfTheMoment) {
  workspace_.StoreEntry(0, kSlotA, Entry(AssignKind::SingleKey, 0x030));
  grid_.RefreshAllKeys(0, 0);
  EXPECT_EQ(buttons_.tooltips.at(kButtonA), u"A[set]key(B)");
  const auto file = texts_.ProgramFolder() / "Lang0409.ini";
  ASSERT_TRUE(ini::WriteString(file, u"TEXT", u"IDS_KEYBOARD_B", u"Bee"));
  ASSERT_TRUE(ini::WriteString(file, u"TEXT", u"IDS_KEY_PROMPT_SET", u"[is]"));
  grid_.RefreshAllKeys(0, 0);
  EXPECT_EQ(buttons_.tooltips.at(kButtonA), u"A[is]key(Bee)");
  EXPECT_EQ(buttons_.tooltips.at(kButtonB), u"Bee");
}

TEST_F(KeyGridTest, RefreshingOneKeyFindsItsButtonInTheBank) {
  buttons_.assigned[kButtonA] = true;
  buttons_.assigned[GKeyButton(2)] = true;
  grid_.RefreshOneKey(kSlotA, 0);
  EXPECT_FALSE(buttons_.assigned.at(kButtonA));
  EXPECT_EQ(buttons_.tooltips.at(kButtonA), u"A");
  grid_.RefreshOneKey(GKeySlot(2, 1), 0);  // not shown in bank 0
  EXPECT_TRUE(buttons_.assigned.at(GKeyButton(2)));
  grid_.RefreshOneKey(GKeySlot(2, 1), 1);
  EXPECT_FALSE(buttons_.assigned.at(GKeyButton(2)));
  grid_.RefreshOneKey(400, 0);  // no button: nothing
  EXPECT_EQ(buttons_.tooltips.size(), 2u);
}

TEST_F(KeyGridTest, ResettingKeysClearsTheActiveProfileAndBankOnly) {
  {
    const auto image = workspace_.Working();
    image->SetEntry(image::EntryIndex(2, kSlotA), Entry(AssignKind::TextBlock));
    image->SetText(image::EntryIndex(2, kSlotA), u"typed");
  }
  workspace_.StoreEntry(2, GKeySlot(0, 0), Entry(AssignKind::Disabled, 0, 0x0301));
  workspace_.StoreEntry(2, GKeySlot(0, 1), Entry(AssignKind::Disabled, 0, 0x1301));
  workspace_.StoreEntry(3, kSlotA, Entry(AssignKind::Disabled));
  workspace_.StoreEntry(2, 0x70, Entry(AssignKind::Disabled));  // a key without a button

  grid_.ResetKeys(2, 0);
  EXPECT_EQ(workspace_.ReadEntry(2, kSlotA), KeyEntry{});
  EXPECT_EQ(workspace_.ReadEntry(2, GKeySlot(0, 0)), KeyEntry{});  // G-key code cleared too
  EXPECT_EQ(workspace_.ReadEntry(2, GKeySlot(0, 1)), Entry(AssignKind::Disabled, 0, 0x1301));
  EXPECT_EQ(workspace_.ReadEntry(3, kSlotA), Entry(AssignKind::Disabled));
  EXPECT_EQ(workspace_.ReadEntry(2, 0x70), Entry(AssignKind::Disabled));
  EXPECT_EQ(workspace_.Working()->TextTotal(), 0u);  // the text went with its entry
  EXPECT_FALSE(buttons_.assigned.at(kButtonA));
  EXPECT_EQ(changes_.calls, std::vector<bool>{true});
}

TEST_F(KeyGridTest, HandingOverAMacroListRefreshesRepairedKeys) {
  workspace_.StoreEntry(0, kSlotA, Entry(AssignKind::Macro, 4));
  workspace_.StoreEntry(1, kSlotA, Entry(AssignKind::Macro, 4));
  buttons_.assigned[kButtonA] = true;
  std::vector<MacroRecord> none;
  const MacroListChange change = grid_.ApplyMacroList(none, 1, 0);
  EXPECT_EQ(change.defaultedEntries.size(), 2u);
  EXPECT_FALSE(buttons_.assigned.at(kButtonA));
  EXPECT_EQ(buttons_.tooltips.size(), 1u);  // only the active profile's key
  EXPECT_EQ(changes_.calls, std::vector<bool>{true});

  std::vector<MacroRecord> one{Macro(1, u"x")};
  grid_.ApplyMacroList(one, 1, 0);
  EXPECT_EQ(changes_.calls.size(), 1u);  // no entry changed: nothing pending
}

}  // namespace
}  // namespace ombrex
