// Recording on a clock the test moves: the rows the action list ends with,
// and the pauses measured from the platform's stamps or the steady clock.

#include "editors/macro_recorder.h"

#include <gtest/gtest.h>

#include "editors/macro_memory.h"

#include "tests/unit/editors/macro_page_support.h"

namespace ombrex {
namespace {

using test::kKeyA;
using test::kKeyB;
using test::kKeyC;
using test::kLeftSuper;
using test::kMute;
using test::kPrintScreen;
using test::Press;
using test::Release;
using test::Repeat;
using test::Row;
using test::RowsOf;

constexpr KeyCode kA = 0x01E, kB = 0x030, kC = 0x02E, kPrint = 0x137;

class RecordingTest : public ::testing::Test {
 protected:
  RecordingTest() {
    rig_.SetWorkingMacros({test::MakeMacro(1, u"m", {})});
    rig_.page.Load();
    rig_.page.EnsureCurrent();
  }
  // A fresh opening of the page, recording with or without real delays.
  void StartRecording(bool realDelays) {
    rig_.page.Load();
    rig_.page.EnsureCurrent();
    SetRealDelays(realDelays);
    rig_.page.ToggleRecording();
  }
  void SetRealDelays(bool on) {
    if (rig_.page.RecordsRealDelays() != on) rig_.page.ToggleRecordDelay();
  }
  KeyDisposition Type(const TimedKeyMessage& key, int msLater = 0) {
    rig_.clock.Advance(msLater);
    return rig_.page.TakeKey(key);
  }
  std::vector<Row> Rows() const { return RowsOf(rig_.page.Rows()); }

  test::MacroPageRig rig_;
};

TEST_F(RecordingTest, EachRowKeepsThePauseAfterItsAction) {
  for (const bool real : {true, false}) {
    SCOPED_TRACE(real ? "real delays" : "fixed delays");
    StartRecording(real);
    Type(Press(kKeyA), 500);
    Type(Release(kKeyA), 120);
    Type(Press(kKeyB), 120);
    Type(Release(kKeyB), 120);
    rig_.page.ToggleRecording();
    const std::uint32_t d = real ? 120 : 50;
    EXPECT_EQ(Rows(), (std::vector<Row>{{kA, 0, d}, {kA, 1, d}, {kB, 0, d}, {kB, 1, 0}}));
  }
}

TEST_F(RecordingTest, AHeldKeyGivesOnePressAndOneRelease) {
  SetRealDelays(true);
  rig_.page.ToggleRecording();
  Type(Press(kKeyA));
  // X's repeats arrive as presses marked as repeats; a platform that does not
  // mark them still sends a press of a key that is down.
  for (int i = 0; i < 5; ++i) EXPECT_EQ(Type(Repeat(kKeyA), 30), KeyDisposition::Swallow);
  EXPECT_EQ(Type(Press(kKeyA), 30), KeyDisposition::Swallow);
  Type(Release(kKeyA), 30);
  EXPECT_EQ(Rows().size(), 2u);
  EXPECT_EQ(rig_.page.Rows()[0].delay, 210u) << "the whole hold, measured from the press";
}

TEST_F(RecordingTest, APrintScreenReleaseWithoutItsPressGetsOneInFront) {
  for (const bool real : {true, false}) {
    SCOPED_TRACE(real ? "real delays" : "fixed delays");
    StartRecording(real);
    Type(Press(kKeyC), 10);
    Type(Release(kKeyC), 70);
    Type(Release(kPrintScreen), 300);
    const std::uint32_t beforePress = real ? 2 : 50;
    const std::uint32_t pressed = real ? 300 : 50;
    EXPECT_EQ(Rows(), (std::vector<Row>{{kC, 0, real ? 70u : 50u},
                                        {kC, 1, beforePress},
                                        {kPrint, 0, pressed},
                                        {kPrint, 1, 0}}));
  }
}

TEST_F(RecordingTest, APrintScreenPressThatArrivesIsNotDoubled) {
  SetRealDelays(true);
  rig_.page.ToggleRecording();
  Type(Press(kPrintScreen), 10);
  Type(Release(kPrintScreen), 90);
  EXPECT_EQ(Rows(), (std::vector<Row>{{kPrint, 0, 90}, {kPrint, 1, 0}}));
}

TEST_F(RecordingTest, MediaKeysAndKeysWithoutACodePassAndLeaveNoRow) {
  rig_.page.ToggleRecording();
  EXPECT_EQ(Type(Press(kMute)), KeyDisposition::Pass);
  EXPECT_EQ(Type(Release(kMute)), KeyDisposition::Pass);
  EXPECT_EQ(Type({KeyMessageFromXkb(8 + 240, 0x1008ffb2, {}), {}}), KeyDisposition::Pass);
  EXPECT_EQ(Type(Press(kLeftSuper)), KeyDisposition::Swallow);
  EXPECT_EQ(Rows(), (std::vector<Row>{{0x15B, 0, 0}}));
}

TEST_F(RecordingTest, NothingIsTakenOnceStopped) {
  rig_.page.ToggleRecording();
  Type(Press(kKeyA));
  rig_.page.ToggleRecording();
  EXPECT_EQ(Type(Release(kKeyA)), KeyDisposition::Pass);
  EXPECT_EQ(Type(Press(kKeyB)), KeyDisposition::Pass);
  // A's press and the release the stop gave it.
  EXPECT_EQ(Rows().size(), 2u);
  EXPECT_EQ(rig_.page.RecordButtonTextKey(), u"IDS_MACRO_ACTION_RECORD");
}

TEST_F(RecordingTest, RowsGoInAfterTheSelectedRowWhichTakesTheMeasuredPause) {
  rig_.SetWorkingMacros({test::MakeMacro(1, u"m", {{40, kA, 0}, {30, kA, 1}, {0, kC, 0}})});
  rig_.page.Load();
  rig_.page.EnsureCurrent();
  SetRealDelays(true);
  rig_.page.SelectRow(0);
  rig_.page.ToggleRecording();
  Type(Press(kKeyB), 200);
  Type(Release(kKeyB), 75);
  EXPECT_EQ(Rows(),
            (std::vector<Row>{{kA, 0, 200}, {kB, 0, 75}, {kB, 1, 40}, {kA, 1, 30}, {kC, 0, 0}}));
  EXPECT_EQ(rig_.page.SelectedRow(), 2);
}

TEST_F(RecordingTest, XsRepeatPairsAreTakenBackWhateverTheToolkitMarked) {
  SetRealDelays(true);
  rig_.page.ToggleRecording();
  Type(Press(kKeyB, 900));
  Type(Release(kKeyB, 950));
  Type(Press(kKeyA, 1000));
  // Under load the toolkit delivers X's repeats unmarked: a release and a
  // press of the held key, both with the server's one stamp.
  for (const std::uint32_t stamp : {1500u, 1533u, 1566u}) {
    EXPECT_EQ(Type(Release(kKeyA, stamp)), KeyDisposition::Swallow);
    EXPECT_EQ(Type(Press(kKeyA, stamp)), KeyDisposition::Swallow);
  }
  Type(Release(kKeyA, 1600));
  // A real release and a new press, however quick, are two events.
  Type(Press(kKeyA, 1610));
  Type(Release(kKeyA, 1650));
  EXPECT_EQ(Rows(),
            (std::vector<Row>{
                {kB, 0, 50}, {kB, 1, 50}, {kA, 0, 600}, {kA, 1, 10}, {kA, 0, 40}, {kA, 1, 0}}));
  EXPECT_EQ(rig_.page.SelectedRow(), 5);
}

TEST_F(RecordingTest, WhateverStopsARecordingEveryKeyPressedIsReleased) {
  struct Case {
    const char* stop;
    std::size_t rowsBefore;
    bool memoryTight;
    std::u16string_view message;
    std::vector<Row> recorded;
  };
  const Case cases[] = {
      // The releases come when the user stops; the keys went up together.
      {"the user",
       0,
       false,
       u"",
       {{kA, 0, 10}, {kB, 0, 10}, {kC, 0, 300}, {kA, 1, 0}, {kB, 1, 0}, {kC, 1, 0}}},
      // Rows for two more presses and their releases: C's press is refused.
      {"the most actions",
       1996,
       false,
       u"At most 2000 actions, recording stopped.",
       {{kA, 0, 10}, {kB, 0, 10}, {kA, 1, 0}, {kB, 1, 10}}},
      // Memory for three more actions: B's press and two releases would not fit.
      {"a full memory", 10, true, u"Memory full, recording stopped.", {{kA, 0, 10}, {kA, 1, 10}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stop);
    const std::vector<MacroAction> before(c.rowsBefore, MacroAction{10, 0x010, 0});
    rig_.SetWorkingMacros({test::MakeMacro(1, u"m", before)});
    rig_.SetCapacity(0);
    if (c.memoryTight) {
      const std::vector<MacroRecord> list = rig_.workspace.MacroList();
      rig_.SetCapacity(static_cast<unsigned>(MeasureMacroMemory(list, 1).sizes.withoutNames +
                                             3 * kMacroActionBytes));
    }
    rig_.prompter.messages.clear();
    rig_.page.Load();
    rig_.page.EnsureCurrent();
    SetRealDelays(true);
    rig_.page.ToggleRecording();
    Type(Press(kKeyA), 10);
    Type(Press(kKeyB), 10);
    Type(Press(kKeyC), 10);
    if (rig_.page.IsRecording()) {
      rig_.clock.Advance(300);
      rig_.page.ToggleRecording();
    }
    EXPECT_FALSE(rig_.page.IsRecording());
    EXPECT_EQ(RowsOf(rig_.page.Rows().subspan(c.rowsBefore)), c.recorded);
    EXPECT_EQ(rig_.prompter.messages.empty() ? u"" : rig_.prompter.messages.back().text, c.message);
  }
}

// The recorder alone: where its pauses come from.
class RecorderClockTest : public ::testing::Test {
 protected:
  std::uint32_t PauseOf(const TimedKeyMessage& key) {
    const RecordedKey taken = recorder_.Take(key, true);
    EXPECT_EQ(taken.count, 1u);
    return taken.count == 1 ? taken.actions[0].delay : 0;
  }
  test::FakeClock clock_;
  MacroRecorder recorder_{clock_};
};

TEST_F(RecorderClockTest, StampsOfThePlatformWinOverALateDelivery) {
  recorder_.Start();
  clock_.Advance(40);
  EXPECT_EQ(PauseOf(Press(kKeyA, 1000)), 40u) << "no earlier stamp: the clock since Start";
  // The window was busy: the release is delivered 900 ms after the press,
  // though the server saw it 300 ms after.
  clock_.Advance(900);
  EXPECT_EQ(PauseOf(Release(kKeyA, 1300)), 300u);
  clock_.Advance(5);
  EXPECT_EQ(PauseOf(Press(kKeyB)), 5u) << "an event without a stamp: the clock";
  clock_.Advance(7);
  EXPECT_EQ(PauseOf(Release(kKeyB, 2000)), 7u) << "one stamp alone measures nothing";
}

TEST_F(RecorderClockTest, StampsThatWrapStillMeasure) {
  recorder_.Start();
  PauseOf(Press(kKeyA, 0xFFFFFFF0u));
  EXPECT_EQ(PauseOf(Release(kKeyA, 0x20)), 0x30u);
}

TEST_F(RecorderClockTest, PausesStopAtTheLongestTheKeyboardPlays) {
  recorder_.Start();
  clock_.Advance(60'000);
  EXPECT_EQ(PauseOf(Press(kKeyA)), 40950u);
  EXPECT_EQ(PauseOf(Release(kKeyA, 5)), 0u);
  EXPECT_EQ(PauseOf(Press(kKeyB, 5 + 41'000)), 40950u);
}

TEST_F(RecorderClockTest, StartForgetsKeysHeldInAnEarlierRecording) {
  recorder_.Start();
  PauseOf(Press(kKeyA));
  recorder_.Stop(true);
  recorder_.Start();
  EXPECT_EQ(recorder_.Take(Press(kKeyA), true).count, 1u);
}

}  // namespace
}  // namespace ombrex
