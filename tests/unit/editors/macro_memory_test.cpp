// The macro memory gauge judges a list as the download does, and the page
// refuses the edits that would pass the keyboard's memory.

#include "editors/macro_memory.h"

#include <gtest/gtest.h>

#include "model/keyboard_sync.h"
#include "model/workspace.h"
#include "tests/support/device/virtual_keyboard_rig.h"
#include "tests/unit/editors/macro_page_support.h"

namespace ombrex {
namespace {

using test::MakeMacro;

constexpr KeyCode kA = 0x01E;

// Two macros: 3 actions named "ab", none named "": S0 = 40, S1 = 44.
std::vector<MacroRecord> TwoMacros() {
  return {MakeMacro(1, u"ab", {{0, kA, 0}, {0, kA, 1}, {0, kA, 0}}), MakeMacro(2, u"", {})};
}

TEST(MacroMemory, TheBoundariesOfNamesAndOfTheWholeList) {
  struct Case {
    std::uint64_t capacity;
    bool namesLeftOut;
    bool tooLarge;
    std::uint64_t used;
    std::uint64_t percent;
  };
  for (const Case c : {Case{44, false, false, 44, 100}, Case{88, false, false, 44, 50},
                       Case{43, true, false, 40, 93}, Case{40, true, false, 40, 100},
                       Case{39, false, true, 40, 102}}) {
    const MacroMemoryUse use = MeasureMacroMemory(TwoMacros(), c.capacity);
    EXPECT_EQ(use.NamesLeftOut(), c.namesLeftOut) << c.capacity;
    EXPECT_EQ(use.TooLarge(), c.tooLarge) << c.capacity;
    EXPECT_EQ(use.Used(), c.used) << c.capacity;
    EXPECT_EQ(use.Percent(), c.percent) << c.capacity;
  }
  EXPECT_TRUE(MeasureMacroMemory(TwoMacros(), 48).NearlyFull()) << "44 of 48";
  EXPECT_FALSE(MeasureMacroMemory(TwoMacros(), 49).NearlyFull()) << "44 of 49";
  const MacroMemoryUse unknown = MeasureMacroMemory(TwoMacros(), 0);
  EXPECT_FALSE(unknown.Known() || unknown.TooLarge() || unknown.NamesLeftOut());
  EXPECT_TRUE(HasMacroRoom(unknown, 1'000'000)) << "nothing is refused on a guess";
}

TEST(MacroMemory, TheShownMacrosUnsavedRowsCount) {
  const MacroMemoryUse use = MeasureMacroMemory(TwoMacros(), 50, 0, 1);
  EXPECT_EQ(use.sizes.withoutNames, 32u);
  EXPECT_EQ(use.sizes.withNames, 36u);
  EXPECT_TRUE(HasMacroRoom(MeasureMacroMemory(TwoMacros(), 50, 1, 2), 2)) << "40 + 8 + 2 = 50";
  EXPECT_FALSE(HasMacroRoom(MeasureMacroMemory(TwoMacros(), 50, 1, 2), 3));
}

TEST(MacroMemory, AgreesWithTheDownloadsRefusalOnTheVirtualKeyboard) {
  test::VirtualKeyboardRig rig;
  ASSERT_TRUE(rig.Ready());
  test::TempDir dir;
  test::SmallTexts texts("IDS_MACRO_OVER=Too long.\nEXTRA_PROFILE_SPACE_TIGHT=No names.\n");
  test::RecordingPrompter prompter;
  Workspace workspace(dir.path() / "Vantrel_09A");
  workspace.CreateDefaultImage({}, 0, true);
  KeyboardSync sync(workspace, rig.Commands(), texts.Get(), prompter);
  struct Case {
    unsigned capacity;
    DeviceResult sent;
    std::size_t messages;
  };
  for (const Case c :
       {Case{44, result::kOk, 0}, Case{40, result::kOk, 1}, Case{39, result::kFailed, 1}}) {
    prompter.messages.clear();
    rig.State().macroCapacity.store(c.capacity);
    workspace.Working()->ReplaceMacros(TwoMacros());
    const MacroMemoryUse gauge = MeasureMacroMemory(TwoMacros(), c.capacity);
    EXPECT_EQ(sync.CommitImage(true), c.sent) << c.capacity;
    EXPECT_EQ(gauge.TooLarge(), c.sent != result::kOk) << c.capacity;
    EXPECT_EQ(prompter.messages.size(), c.messages) << c.capacity;
    if (c.messages == 1) {
      EXPECT_EQ(prompter.messages[0].text, gauge.TooLarge() ? u"Too long." : u"No names.");
    }
  }
}

class MacroMemoryRefusalTest : public ::testing::Test {
 protected:
  test::MacroPageRig rig_;
  MacroPage& page_ = rig_.page;
};

TEST_F(MacroMemoryRefusalTest, ANewMacroThatWouldPassTheMemoryIsRefused) {
  rig_.SetWorkingMacros(TwoMacros());
  rig_.page.Load();
  rig_.page.EnsureCurrent();
  rig_.SetCapacity(40 + kEmptyMacroBytes);
  page_.Add();
  EXPECT_EQ(page_.ItemCount(), 3u) << "filling the memory exactly is accepted";
  page_.Add();
  EXPECT_EQ(page_.ItemCount(), 3u);
  ASSERT_EQ(rig_.prompter.messages.size(), 1u);
  EXPECT_EQ(rig_.prompter.messages[0].text, u"No room for another macro.");

  rig_.SetWorkingMacros({});
  rig_.SetCapacity(16 + kEmptyMacroBytes - 1);
  page_.Load();
  page_.TypeName(u"x");
  EXPECT_TRUE(page_.Empty()) << "typing into an empty list makes a macro too";
  EXPECT_EQ(rig_.prompter.messages.size(), 2u);
}

TEST_F(MacroMemoryRefusalTest, ARecordingStopsWithAMessageWhenTheMemoryIsFull) {
  rig_.SetWorkingMacros({MakeMacro(1, u"m", {})});
  rig_.page.Load();
  rig_.page.EnsureCurrent();
  // Header, one offset, one block and two actions.
  rig_.SetCapacity(16 + 2 + 4 + 2 * 4);
  page_.ToggleRecording();
  page_.TakeKey(test::Press(test::kKeyA));
  page_.TakeKey(test::Release(test::kKeyA));
  EXPECT_TRUE(page_.IsRecording());
  EXPECT_EQ(page_.TakeKey(test::Press(test::kKeyB)), KeyDisposition::Swallow);
  EXPECT_FALSE(page_.IsRecording());
  EXPECT_EQ(page_.Rows().size(), 2u);
  ASSERT_EQ(rig_.prompter.messages.size(), 1u);
  EXPECT_EQ(rig_.prompter.messages[0].text, u"Memory full, recording stopped.");
  EXPECT_FALSE(page_.MemoryUse().TooLarge());
}

}  // namespace
}  // namespace ombrex
