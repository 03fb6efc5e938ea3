// Recording on a clock the test moves: the rows the action list ends with,
// and the pauses measured from the platform's stamps or the steady clock.

#include "editors/macro_recorder.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(Rows().size(), 1u);
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
  recorder_.Stop();
  recorder_.Start();
  EXPECT_EQ(recorder_.Take(Press(kKeyA), true).count, 1u);
}

}  // namespace
}  // namespace ombrex
