// The keyboard held from other programs of ours: for every hold, nested holds
// taking it once, let go however an operation ends, and what a hold changed.

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "device/app_state.h"
#include "device/command_set.h"
#include "device/results.h"
#include "device/transactor.h"
#include "platform/keyboard_lock.h"
#include "tests/support/lock_elsewhere.h"
#include "tests/unit/device/fake_library.h"

namespace ombrex {
namespace {

using namespace std::chrono_literals;
using test::FakeLibrary;
using Replies = std::vector<FakeLibrary::Reply>;

bool AnotherProgramCouldTakeTheKeyboard() {
  return test::TakenElsewhereAtOnce();
}

LinkTiming ShortPatience() {
  LinkTiming timing = LinkTiming::Fast();
  timing.keyboardPatience = 30ms;
  return timing;
}

class KeyboardHoldTest : public ::testing::Test {
 protected:
  KeyboardHoldTest()
      : library_(fake_.Library()),
        transactor_(library_, ShortPatience()),
        commands_(transactor_, state_, defaultTable_) {
    fake_.RespondWith(test::AcceptAll(), &transactor_);
  }

  FakeLibrary fake_;
  ServiceLibrary library_;
  Transactor transactor_;
  AppState state_;
  DefaultKeyTable defaultTable_;
  CommandSet commands_;
  std::array<std::uint8_t, protocol::kKeyTableSize> table_{};
  StatusBlock status_{};
};

TEST_F(KeyboardHoldTest, NestedHoldsTakeTheKeyboardOnceForTheWholeTransfer) {
  {
    auto transfer = commands_.Session();
    ASSERT_TRUE(transfer);
    // Lone operations inside the transfer do not wait for their own program.
    EXPECT_EQ(commands_.BeginTransfer(), result::kOk);
    EXPECT_EQ(commands_.WriteKeyTable(table_, ProfileNumber(1)), result::kOk);
    EXPECT_FALSE(AnotherProgramCouldTakeTheKeyboard()) << "between two packets of the transfer";
    EXPECT_EQ(commands_.EndTransfer(), result::kOk);
  }
  EXPECT_TRUE(AnotherProgramCouldTakeTheKeyboard());
}

TEST_F(KeyboardHoldTest, EveryWayAnOperationEndsLetsTheKeyboardGo) {
  struct Case {
    const char* what;
    FakeLibrary::Responder keyboard;
    int devices;
    DeviceResult expected;
  };
  const std::vector<Case> cases{
      {"answered", test::AcceptAll(), 1, result::kOk},
      {"never answered", [](const PacketBytes&) { return Replies{}; }, 1, result::kNoReply},
      {"refused", [](const PacketBytes& p) { return Replies{test::ReplyTo(p, 0xFE)}; }, 1,
       result::kRefusedFE},
      {"no keyboard", test::AcceptAll(), 0, result::kFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    bool heldWhileSending = true;
    fake_.RespondWith(
        [&](const PacketBytes& p) {
          heldWhileSending = heldWhileSending && !AnotherProgramCouldTakeTheKeyboard();
          return c.keyboard(p);
        },
        &transactor_);
    fake_.SetDeviceCount(c.devices);
    EXPECT_EQ(commands_.ReadKeyTable(table_, ProfileNumber(0)), c.expected);
    EXPECT_TRUE(heldWhileSending);
    EXPECT_TRUE(AnotherProgramCouldTakeTheKeyboard());
  }
}

TEST_F(KeyboardHoldTest, WhileAnotherProgramKeepsTheKeyboardNothingIsSentAndTheResultSaysSo) {
  test::HeldElsewhere other;
  ASSERT_TRUE(other.Held());
  EXPECT_EQ(commands_.ReadStatusBlock(status_), result::kKeyboardBusy);
  {
    // A transfer that did not get the keyboard fails in every step without
    // waiting again in each.
    auto transfer = commands_.Session();
    EXPECT_FALSE(transfer);
    EXPECT_EQ(commands_.BeginTransfer(), result::kKeyboardBusy);
    EXPECT_EQ(commands_.WriteKeyTable(table_, ProfileNumber(0)), result::kKeyboardBusy);
    EXPECT_EQ(commands_.EndTransfer(), result::kKeyboardBusy);
  }
  EXPECT_EQ(fake_.WrittenCount(), 0u);
  other.Release();
  EXPECT_EQ(commands_.ReadStatusBlock(status_), result::kOk);
}

TEST_F(KeyboardHoldTest, TheOutermostHoldReportsOnceWhatItChanged) {
  std::vector<unsigned> reported;
  commands_.SetChangeHook([&](unsigned changed) { reported.push_back(changed); });
  ASSERT_EQ(commands_.ReadKeyTable(table_, ProfileNumber(0)), result::kOk);
  EXPECT_TRUE(reported.empty()) << "a read changes nothing";
  {
    auto transfer = commands_.Session();
    commands_.BeginTransfer();
    commands_.WriteKeyTable(table_, ProfileNumber(0));
    commands_.WriteSettings(std::array<std::uint8_t, 4>{}, 18);
    commands_.EndTransfer();
    EXPECT_TRUE(reported.empty()) << "not before the transfer ends";
  }
  ASSERT_EQ(commands_.SetActiveProfile(ProfileNumber(2)), result::kOk);
  EXPECT_EQ(reported,
            (std::vector<unsigned>{keyboard_change::kAssignments | keyboard_change::kLighting,
                                   keyboard_change::kActiveProfile}));
}

TEST_F(KeyboardHoldTest, WhatAnotherProgramChangedIsNoLongerTakenAsKnown) {
  for (const bool otherChanged : {false, true}) {
    SCOPED_TRACE(otherChanged ? "the other program wrote" : "the other program only read");
    ASSERT_EQ(commands_.ReadKeyTable(table_, ProfileNumber(0)), result::kOk);
    state_.deviceProfile = ProfileNumber(1);
    {
      KeyboardLock other;
      ASSERT_TRUE(other.Acquire(0ms));
      other.Release(otherChanged);
    }
    // An untracked read: it only takes the keyboard back.
    ASSERT_EQ(commands_.ReadStatusBlock(status_), result::kOk);
    EXPECT_EQ(commands_.Content().KnownBytes(ContentMemory::KeyTables) == 0, otherChanged);
    EXPECT_EQ(state_.deviceProfile.load() == std::nullopt, otherChanged);
  }
}

}  // namespace
}  // namespace ombrex
