// Downloads that leave out what the keyboard holds must leave it exactly as
// the full sequence would, and a download may only report success when the
// keyboard really holds what was sent.

#include <gtest/gtest.h>

#include <algorithm>
#include <bitset>
#include <random>

#include "device/default_key_table.h"
#include "model/assignment_download.h"
#include "model/assignment_tables.h"
#include "model/keyboard_sync.h"
#include "model/workspace.h"
#include "tests/support/device/virtual_keyboard_rig.h"
#include "tests/support/portable.h"
#include "tests/support/recording_prompter.h"
#include "tests/unit/model/model_test_support.h"
#include "vkbd/packets.h"

namespace ombrex {
namespace {

using test::Entry;
using test::Macro;

constexpr DownloadOptions kFull{.delta = false, .verify = true};
constexpr DownloadOptions kDelta{.delta = true, .verify = true};

// One program (workspace, link, sync) on its own in-process keyboard.
struct Side {
  explicit Side(DownloadOptions options, test::RigOptions rigOptions = {})
      : rig(rigOptions),
        workspace(dir.path()),
        sync(workspace, rig.Commands(), texts.Get(), prompter) {
    workspace.CreateDefaultImage({}, 0, true);
    sync.SetDownloadOptions(options);
    Arrive();
  }

  // As on every arrival: nothing of the keyboard is known, its factory table
  // is read, and the reload reads its memories into the profile file.
  void Arrive() {
    rig.Commands().Content().ForgetAll();
    KeyTableBytes table{};
    if (rig.Commands().ReadDefaultKeyTable(table) == result::kOk) rig.DefaultTable().Replace(table);
    ASSERT_EQ(sync.BuildImageFromKeyboard(dir / "read.fwc"), result::kOk);
  }

  test::TempDir dir;
  test::TestTexts texts;
  test::RecordingPrompter prompter;
  test::VirtualKeyboardRig rig;
  Workspace workspace;
  KeyboardSync sync;
};

// What a download can change.
void ExpectSameMemories(Side& a, Side& b, const std::string& step) {
  const vkbd::Memories ma = a.rig.Keyboard().Snapshot();
  const vkbd::Memories mb = b.rig.Keyboard().Snapshot();
  EXPECT_EQ(ma.keyTables, mb.keyTables) << step;
  EXPECT_EQ(ma.macro, mb.macro) << step;
  EXPECT_EQ(ma.settings, mb.settings) << step;
}

// One random edit, the same on every side.
void Edit(std::mt19937& random, std::vector<Side*> sides) {
  const int what = std::uniform_int_distribution(0, 9)(random);
  const ProfileNumber profile = *ProfileNumber::From(std::uniform_int_distribution(0, 3)(random));
  int slot = std::uniform_int_distribution(1, 0x58)(random);
  // Only keys the keyboard has: an assignment elsewhere is never sent.
  static const std::bitset<kSlotsPerProfile> onKeyboard =
      SlotsOnKeyboard(DefaultKeyTable::BuiltIn());
  while (!onKeyboard.test(static_cast<std::size_t>(slot))) slot = slot % 0x58 + 1;
  const std::uint32_t key = std::uniform_int_distribution(1, 0x58)(random);
  const std::size_t actions = std::uniform_int_distribution(0, 300)(random);
  for (Side* side : sides) {
    Workspace& workspace = side->workspace;
    if (what < 6) {
      workspace.StoreEntry(profile, slot, Entry(AssignKind::SingleKey, key));
    } else if (what < 8) {
      std::vector<MacroRecord> list = workspace.MacroList();
      MacroRecord record = Macro(workspace.LowestFreeId(), u"m", actions);
      record.fresh = 1;
      if (list.size() < 5) list.push_back(record);
      workspace.ApplyMacroList(list);
      if (!list.empty()) {
        workspace.StoreEntry(profile, slot, Entry(AssignKind::Macro, list.back().id, 1));
      }
    } else {
      std::vector<MacroRecord> list = workspace.MacroList();
      if (!list.empty()) list.erase(list.begin());
      workspace.ApplyMacroList(list);
    }
  }
}

TEST(DeltaDownload, RandomEditsImportsAndReplugsLeaveTheKeyboardAsTheFullSequenceDoes) {
  for (unsigned seed : {1u, 2u, 3u}) {
    Side full(kFull);
    Side delta(kDelta);
    std::mt19937 random(seed);
    std::size_t fullPackets = 0;
    std::size_t deltaPackets = 0;
    for (int step = 0; step < 25; ++step) {
      const std::string name = "seed " + std::to_string(seed) + " step " + std::to_string(step);
      Edit(random, {&full, &delta});
      const int event = std::uniform_int_distribution(0, 9)(random);
      if (event == 0) {
        // A replug: the keyboard keeps its memories, the program knows none.
        full.Arrive();
        delta.Arrive();
      }
      const bool all = event == 1;  // as an import
      ASSERT_EQ(full.sync.CommitImage(all), result::kOk) << name;
      fullPackets += full.sync.LastDownload().packets;
      ASSERT_EQ(delta.sync.CommitImage(all), result::kOk) << name;
      deltaPackets += delta.sync.LastDownload().packets;
      EXPECT_FALSE(delta.sync.LastDownload().retried) << name;
      ExpectSameMemories(full, delta, name);
    }
    // Macro edits move every later byte of the macro image, so the saving
    // here is smaller than for a key change; the survey costs some too.
    EXPECT_LT(deltaPackets, fullPackets) << seed;
  }
}

class OneKeyChangeTest : public testing::Test {
 protected:
  // A full macro memory: five macros of 1500 actions nearly fill 32640 bytes.
  // Named, so the image read back builds the same macro image again.
  void FillMacros(Side& side) {
    std::vector<MacroRecord> list;
    for (std::uint16_t id = 1; id <= 5; ++id) {
      list.push_back(Macro(id, u"macro", 1500));
      list.back().fresh = 1;
    }
    side.workspace.ApplyMacroList(list);
    ASSERT_EQ(side.sync.CommitImage(true), result::kOk);
    side.Arrive();  // and the program reads it back as after a start
    const auto held = side.workspace.Working();
    side.workspace.ClearWorkingImage();
    ASSERT_EQ(side.workspace.LoadImageFile(side.dir / "read.fwc"), ImageResult::kOk);
  }
};

TEST_F(OneKeyChangeTest, SendsOnlyTheChangedChunkOfAKeyboardItHasRead) {
  Side side(kDelta);
  FillMacros(side);
  ASSERT_GT(side.workspace.Applied()->macros.size(), 0u);
  side.workspace.StoreEntry(0, 0x1E, Entry(AssignKind::SingleKey, 0x30));  // A sends B
  ASSERT_EQ(side.sync.CommitImage(false), result::kOk);
  const DownloadReport& report = side.sync.LastDownload();
  // Survey 1 + 4, begin, the four zero bytes, one key-table chunk, end, two
  // read-backs.
  EXPECT_EQ(report.chunksSent, 2u);
  EXPECT_LE(report.packets, 20u);
  EXPECT_FALSE(report.sentInFull);

  Side full(kFull);
  FillMacros(full);
  full.workspace.StoreEntry(0, 0x1E, Entry(AssignKind::SingleKey, 0x30));
  ASSERT_EQ(full.sync.CommitImage(false), result::kOk);
  EXPECT_GT(full.sync.LastDownload().packets, 1000u);  // about 580 written, as many read
  ExpectSameMemories(side, full, "one key");
}

TEST_F(OneKeyChangeTest, ANewProcessReadsTheMacrosBeforeSendingThemWhileTheyMatch) {
  struct Case {
    const char* name;
    bool spoilAfterTheFirstChunk;  // the keyboard's macros differ past their start
  };
  for (const Case& c : {Case{"as left", false}, Case{"spoilt", true}}) {
    SCOPED_TRACE(c.name);
    Side side(kDelta);
    FillMacros(side);
    const std::vector<std::uint8_t> blob = BuildMacroBlob(side.workspace.Applied()->macros, true);
    const std::size_t macroChunks = (blob.size() + 55) / 56;
    if (c.spoilAfterTheFirstChunk) {
      const std::vector<std::uint8_t> other(56, 0x11);
      for (std::size_t at = 56; at < blob.size(); at += 56) {
        side.rig.Keyboard().HandleCommand(vkbd::BuildPacket(protocol::Command::WriteMacroMemory, 56,
                                                            static_cast<std::uint16_t>(at), other));
      }
    }
    side.rig.Commands().Content().ForgetAll();  // a new process knows nothing
    side.workspace.StoreEntry(0, 0x1E, Entry(AssignKind::SingleKey, 0x30));
    ASSERT_EQ(side.sync.CommitImage(false), result::kOk);
    const DownloadReport& report = side.sync.LastDownload();
    if (c.spoilAfterTheFirstChunk) {
      EXPECT_EQ(report.chunksSent, macroChunks + 1);
      // Survey 1 + 4 + a few macro chunks, the sequence, the read-backs.
      EXPECT_LE(report.packets, 2 * report.chunksSent + 5 + 4 + 2);
    } else {
      EXPECT_EQ(report.chunksSent, 2u);
      EXPECT_LE(report.packets, macroChunks + 4 + 4 + 2);
    }
    const vkbd::Memories memories = side.rig.Keyboard().Snapshot();
    EXPECT_TRUE(std::equal(blob.begin(), blob.end(), memories.macro.begin()));
  }
}

TEST_F(OneKeyChangeTest, AKeyboardChangedBehindTheProgramsBackIsSentInFull) {
  Side side(kDelta);
  FillMacros(side);
  // Another program rewrites the start of the macro memory and a key.
  std::vector<std::uint8_t> other(56, 0x11);
  side.rig.Keyboard().HandleCommand(
      vkbd::BuildPacket(protocol::Command::WriteMacroMemory, 56, 0, other));
  side.rig.Keyboard().HandleCommand(
      vkbd::BuildPacket(protocol::Command::WriteKeyTable, 3, 192 * 3, other));
  side.workspace.StoreEntry(0, 0x1E, Entry(AssignKind::SingleKey, 0x30));
  ASSERT_EQ(side.sync.CommitImage(false), result::kOk);
  const std::vector<std::uint8_t> blob = BuildMacroBlob(side.workspace.Applied()->macros, true);
  // Every macro chunk goes; of the key table only what the survey did not
  // just read as it should be.
  const std::size_t macroChunks = (blob.size() + 55) / 56;
  EXPECT_EQ(side.sync.LastDownload().chunksSent, macroChunks + 2);
  const vkbd::Memories memories = side.rig.Keyboard().Snapshot();
  EXPECT_TRUE(std::equal(blob.begin(), blob.end(), memories.macro.begin()));
  // Profile 3 was not sent: what the other program put there stays.
  EXPECT_EQ(memories.keyTables[192 * 3], 0x11);
}

// Every seed of a keyboard that loses writes: success exactly when the
// keyboard holds the download, and a lost write caught on the first try is
// sent again.
TEST(VerifiedDownload, LostWritesAreCaughtAndSuccessMeansTheKeyboardHoldsIt) {
  int retriedAndHeld = 0;
  int failed = 0;
  for (std::uint64_t seed = 1; seed <= 12; ++seed) {
    test::RigOptions options;
    options.faults.seed = seed;
    options.faults.loseWriteRate = 0.05;
    Side side(kDelta, options);
    std::vector<MacroRecord> list{Macro(1, u"lost", 200)};
    list[0].fresh = 1;
    side.workspace.ApplyMacroList(list);
    for (const ProfileNumber p : ProfileNumber::All()) {
      side.workspace.StoreEntry(p, 0x10 + static_cast<int>(p.Index()),
                                Entry(AssignKind::Macro, 1, 1));
    }
    const DeviceResult result = side.sync.CommitImage(true);
    const vkbd::Memories memories = side.rig.Keyboard().Snapshot();
    const auto applied = side.workspace.Applied();
    const std::vector<std::uint8_t> blob = BuildMacroBlob(applied->macros, true);
    bool holds = std::equal(blob.begin(), blob.end(), memories.macro.begin());
    const KeyTableBytes defaults = side.rig.DefaultTable().Get();
    for (const ProfileNumber p : ProfileNumber::All()) {
      const DeviceKeyTable table = BuildDeviceKeyTable(*applied, p, defaults);
      holds = holds &&
              std::equal(table.begin(), table.end(), memories.keyTables.begin() + 192 * p.Index());
      for (std::size_t i = 18; i < 22; ++i)
        holds = holds && memories.settings[p.Index() * 64 + i] == 0;
    }
    EXPECT_EQ(result == result::kOk, holds) << "seed " << seed;
    if (side.sync.LastDownload().retried && result == result::kOk) ++retriedAndHeld;
    if (result != result::kOk) ++failed;
  }
  EXPECT_GT(retriedAndHeld, 0);
  EXPECT_GT(failed + retriedAndHeld, 3);  // the rate is high enough to matter
}

TEST(VerifiedDownload, AKeyboardThatKeepsNothingFailsAfterOneFullRetry) {
  test::RigOptions options;
  options.faults.loseWriteRate = 1;
  Side side(kDelta, options);
  side.workspace.StoreEntry(0, 0x1E, Entry(AssignKind::Disabled));
  EXPECT_EQ(side.sync.CommitImage(false), result::kFailed);
  EXPECT_TRUE(side.sync.LastDownload().retried);
  EXPECT_TRUE(side.sync.LastDownload().sentInFull);
}

TEST(VerifiedDownload, AReplugDuringTheDownloadFailsIt) {
  Side side(kDelta);
  side.workspace.StoreEntry(0, 0x1E, Entry(AssignKind::Disabled));
  // The keyboard goes and comes back while the packets go: the program
  // learns of it through the content's generation.
  int packets = 0;
  side.sync.SetProgress([&] {
    if (++packets == 8) side.rig.Commands().Content().ForgetAll();
  });
  EXPECT_EQ(side.sync.CommitImage(false), result::kFailed);
  EXPECT_TRUE(side.sync.LastDownload().keyboardChanged);
}

TEST(DownloadOptions, TheEnvironmentForcesTheFullSequence) {
  test::ScopedEnvironment environment(kFullDownloadVariable, std::nullopt);
  EXPECT_TRUE(DownloadOptions::FromEnvironment().delta);
  environment.Set(kFullDownloadVariable, "0");
  EXPECT_TRUE(DownloadOptions::FromEnvironment().delta);
  environment.Set(kFullDownloadVariable, "1");
  EXPECT_FALSE(DownloadOptions::FromEnvironment().delta);
  EXPECT_TRUE(DownloadOptions::FromEnvironment().verify);
}

}  // namespace
}  // namespace ombrex
