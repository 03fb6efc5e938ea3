// A keyboard that answers wrongly, through the real device link and the
// service library's core: what the program reads when it finds the keyboard,
// the lighting it shows, and an Apply. A wrong answer is never taken for a
// success that leaves the profile file or the working image in pieces: either
// the operation fails and the old file stays, or what it wrote is a file both
// the program and ombrexctl take in.

#include <gtest/gtest.h>

#include <mutex>
#include <random>
#include <variant>

#include "device/device_link.h"
#include "device/results.h"
#include "model/image_file.h"
#include "model/keyboard_sync.h"
#include "model/lighting.h"
#include "model/user_mode_files.h"
#include "model/workspace.h"
#include "razizid/in_process.h"
#include "tests/support/core/small_texts.h"
#include "tests/support/ombrexctl/ctl_run.h"
#include "tests/support/recording_prompter.h"
#include "tests/support/temp_dir.h"
#include "vkbd/keyboard.h"

namespace ombrex {
namespace {

using Bytes = std::vector<std::uint8_t>;

// How the keyboard spoils its replies, from a chosen packet on.
enum class Spoil {
  None,
  Garbage,         // 64 random bytes
  GarbagePayload,  // the right command and status, random data
  Short,           // cut to six bytes: too short to name its command
  Empty,           // a report without bytes
  Long,            // the reply, then 100 bytes of junk
  Twice,           // every reply sent twice
  Stale,           // the reply to the packet before
  WrongCode,       // the reply with another command's code
  Refused,         // the reply with a refusing status
  Silent,          // no reply at all
  Vanish,          // the keyboard is gone
};

// A backend for the library's core: the virtual keyboard, with its replies
// spoiled as asked.
class SpoilingBackend : public razizid::Backend {
 public:
  SpoilingBackend(vkbd::Keyboard& keyboard, Spoil spoil, std::size_t fromPacket)
      : keyboard_(keyboard), spoil_(spoil), fromPacket_(fromPacket) {}

  bool Start(razizid::BackendSink& sink) override {
    std::lock_guard lock(mutex_);
    sink_ = &sink;
    return true;
  }
  void Stop() override {
    std::lock_guard lock(mutex_);
    sink_ = nullptr;
  }
  razizid::DeviceCounts Counts() override {
    std::lock_guard lock(mutex_);
    return razizid::DeviceCounts::All(gone_ ? 0 : 1);
  }
  int Write(protocol::Interface to, std::span<const std::uint8_t> report, bool) override {
    std::vector<Bytes> replies;
    razizid::BackendSink* sink = nullptr;
    bool vanishing = false;
    {
      std::lock_guard lock(mutex_);
      if (gone_) return RAZIZID_NONE;
      if (to != protocol::kControl) return static_cast<int>(report.size());
      if (report.size() != protocol::kPacketSize) return RAZIZID_IO_ERROR;
      const vkbd::Packet real = keyboard_.HandleCommand(report);
      Bytes reply(real.begin(), real.end());
      if (packets_++ < fromPacket_ || spoil_ == Spoil::None) {
        replies.push_back(reply);
      } else {
        vanishing = spoil_ == Spoil::Vanish;
        gone_ = vanishing;
        replies = Spoiled(reply);
      }
      previous_ = Bytes(real.begin(), real.end());
      sink = sink_;
    }
    if (sink == nullptr) return static_cast<int>(report.size());
    if (vanishing) sink->OnDevicesChanged(razizid::DeviceCounts::All(0));
    for (const Bytes& reply : replies) sink->OnReport(protocol::kControl, reply);
    return static_cast<int>(report.size());
  }

 private:
  std::vector<Bytes> Spoiled(Bytes reply) {
    switch (spoil_) {
      case Spoil::Garbage:
        for (std::uint8_t& b : reply) b = Random();
        return {reply};
      case Spoil::GarbagePayload:
        for (std::size_t i = protocol::kStatusAt + 1; i < reply.size(); ++i) reply[i] = Random();
        return {reply};
      case Spoil::Short:
        reply.resize(6);
        return {reply};
      case Spoil::Empty:
        return {Bytes{}};
      case Spoil::Long:
        reply.resize(reply.size() + 100, 0xA5);
        return {reply};
      case Spoil::Twice:
        return {reply, reply};
      case Spoil::Stale:
        return {previous_.empty() ? reply : previous_};
      case Spoil::WrongCode:
        reply[protocol::kCommandAt] ^= 0x40;
        return {reply};
      case Spoil::Refused:
        reply[protocol::kStatusAt] =
            Random() % 2 ? protocol::kStatusRefusedFF : protocol::kStatusRefusedFE;
        return {reply};
      case Spoil::None:
      case Spoil::Silent:
      case Spoil::Vanish:
        break;
    }
    return {};
  }
  std::uint8_t Random() { return static_cast<std::uint8_t>(random_()); }

  vkbd::Keyboard& keyboard_;
  const Spoil spoil_;
  const std::size_t fromPacket_;
  std::mutex mutex_;
  razizid::BackendSink* sink_ = nullptr;
  std::size_t packets_ = 0;
  bool gone_ = false;
  Bytes previous_;
  std::mt19937 random_{7};
};

// The program's side on such a keyboard: link, working image, texts.
class SpoiledKeyboard {
 public:
  // `state`, when given, is a state file of the virtual keyboard's memories.
  SpoiledKeyboard(const vkbd::FactoryConfig& factory, Spoil spoil, std::size_t fromPacket,
                  const std::filesystem::path& folder, const std::filesystem::path& state = {})
      : keyboard_(factory),
        backend_(keyboard_, spoil, fromPacket),
        library_(backend_),
        workspace_(folder),
        texts_("IDS_MACRO_NEW_PREFIX=Macro\n") {
    if (!state.empty()) {
      EXPECT_TRUE(keyboard_.LoadState(state));
    }
    ServiceLibraryResult bound = BindServiceLibrary(library_.Functions());
    const ServiceLibrary* service = std::get_if<ServiceLibrary>(&bound);
    link_.emplace(service != nullptr ? *service : ServiceLibrary(library_.Functions()), state_,
                  LinkTiming::Fast());
    ready_ = service != nullptr && link_->RegisterReplyRead() > 0;
    workspace_.CreateDefaultImage({}, 0, true);
    sync_.emplace(workspace_, link_->Commands(), texts_.Get(), prompter_);
  }
  ~SpoiledKeyboard() {
    sync_.reset();
    link_.reset();
  }
  SpoiledKeyboard(const SpoiledKeyboard&) = delete;
  SpoiledKeyboard& operator=(const SpoiledKeyboard&) = delete;

  bool Ready() const { return ready_; }
  KeyboardSync& Sync() { return *sync_; }
  CommandSet& Commands() { return link_->Commands(); }
  Workspace& Work() { return workspace_; }
  vkbd::Keyboard& Keyboard() { return keyboard_; }

 private:
  vkbd::Keyboard keyboard_;
  SpoilingBackend backend_;
  razizid::InProcessLibrary library_;
  AppState state_;
  std::optional<DeviceLink> link_;
  Workspace workspace_;
  test::SmallTexts texts_;
  test::RecordingPrompter prompter_;
  std::optional<KeyboardSync> sync_;
  bool ready_ = false;
};

// A keyboard with something in every memory the arrival reads: a macro and
// keys changed in each profile.
vkbd::FactoryConfig Factory() {
  vkbd::FactoryConfig factory;
  factory.activeProfile = 1;
  factory.macroCapacityUnits = 40;
  return factory;
}

// The memories of a keyboard that was given two macros and a changed key in
// every profile, as a state file.
std::filesystem::path KeyboardInUse(const std::filesystem::path& folder) {
  SpoiledKeyboard keyboard(Factory(), Spoil::None, 0, folder);
  EXPECT_TRUE(keyboard.Ready());
  std::vector<MacroRecord> macros(2);
  for (std::uint16_t i = 0; i < 2; ++i) {
    macros[i].id = i + 1;
    macros[i].cycles = 1;
    macros[i].count = 6;
    macros[i].SetName(i == 0 ? u"first" : u"second");
    for (std::uint16_t a = 0; a < 6; ++a) macros[i].actions[a] = {20, 0x01E, std::uint16_t(a % 2)};
  }
  keyboard.Work().ApplyMacroList(macros);
  for (const ProfileNumber p : ProfileNumber::All()) {
    KeyEntry entry;
    entry.kind =
        static_cast<std::uint16_t>(p.Index() % 2 ? AssignKind::Disabled : AssignKind::Macro);
    entry.value = p.Index() % 2 ? 0 : 2;
    keyboard.Work().StoreEntry(p, 30, entry);
  }
  EXPECT_EQ(keyboard.Sync().CommitImage(true), result::kOk);
  const auto state = folder / "keyboard.state";
  EXPECT_TRUE(keyboard.Keyboard().SaveState(state));
  return state;
}

// What a clean keyboard gives, the file every harmless spoiling must give too.
Bytes CleanArrival(const std::filesystem::path& folder, const std::filesystem::path& state) {
  SpoiledKeyboard clean(Factory(), Spoil::None, 0, folder, state);
  EXPECT_TRUE(clean.Ready());
  const auto file = folder / "clean.fwc";
  EXPECT_EQ(clean.Sync().BuildImageFromKeyboard(file), result::kOk);
  return test::ReadBytes(file);
}

struct SpoilCase {
  const char* name;
  Spoil spoil;
  std::size_t fromPacket;
  enum Expect { kSameAsClean, kFails, kFailsOrValid } expect;
};

const std::vector<SpoilCase> kSpoils{
    {"harmless: replies with junk after them", Spoil::Long, 0, SpoilCase::kSameAsClean},
    {"garbage", Spoil::Garbage, 0, SpoilCase::kFails},
    {"garbage from the fifth packet", Spoil::Garbage, 4, SpoilCase::kFails},
    {"too short to read", Spoil::Short, 0, SpoilCase::kFails},
    {"empty reports", Spoil::Empty, 2, SpoilCase::kFails},
    {"silent from the third packet", Spoil::Silent, 2, SpoilCase::kFails},
    {"another command's code", Spoil::WrongCode, 0, SpoilCase::kFails},
    {"refused from the third packet", Spoil::Refused, 2, SpoilCase::kFails},
    {"gone mid-transfer", Spoil::Vanish, 9, SpoilCase::kFails},
    {"gone at once", Spoil::Vanish, 0, SpoilCase::kFails},
    // Replies the link cannot tell from good ones: the data may be wrong,
    // the file written from it may not.
    {"garbage data under a right header", Spoil::GarbagePayload, 0, SpoilCase::kFailsOrValid},
    {"the answer to the packet before", Spoil::Stale, 3, SpoilCase::kFailsOrValid},
    // A second copy names the count and address of the packet it answered,
    // so the next read does not take it for its own.
    {"every reply twice", Spoil::Twice, 0, SpoilCase::kSameAsClean},
};

TEST(BadKeyboardReplies, TheArrivalReadWritesAWholeProfileFileOrLeavesTheOldOne) {
  test::TempDir dir;
  const auto state = KeyboardInUse(dir.path());
  const Bytes clean = CleanArrival(dir.path(), state);
  ASSERT_EQ(ReadImageHeader(clean).macroCount, 2);
  const Bytes old = DefaultImageBlock(1);
  for (const SpoilCase& c : kSpoils) {
    SCOPED_TRACE(c.name);
    const auto file = dir.Write("$Profile0", old);
    SpoiledKeyboard keyboard(Factory(), c.spoil, c.fromPacket, dir.path(), state);
    ASSERT_TRUE(keyboard.Ready());
    const DeviceResult read = keyboard.Sync().BuildImageFromKeyboard(file);
    const Bytes now = test::ReadBytes(file);
    switch (c.expect) {
      case SpoilCase::kSameAsClean:
        EXPECT_EQ(read, result::kOk);
        EXPECT_EQ(now, clean);
        break;
      case SpoilCase::kFails:
        EXPECT_NE(read, result::kOk);
        EXPECT_EQ(now, old);
        break;
      case SpoilCase::kFailsOrValid:
        if (read != result::kOk) {
          EXPECT_EQ(now, old);
        } else {
          EXPECT_EQ(ReadImageFile(file).verdict, ImageFileVerdict::kValid);
          const ctl::test::CtlRun dump = ctl::test::Ctl({"dump", file.string()});
          EXPECT_EQ(dump.exitCode, 0) << dump.err;
          EXPECT_EQ(keyboard.Work().LoadImageFile(file), ImageResult::kOk);
        }
        break;
    }
  }
}

TEST(BadKeyboardReplies, AnApplyAnsweredWronglyIsNeverReportedAsDone) {
  test::TempDir dir;
  for (const SpoilCase& c : kSpoils) {
    SCOPED_TRACE(c.name);
    SpoiledKeyboard keyboard(Factory(), c.spoil, c.fromPacket, dir.path());
    ASSERT_TRUE(keyboard.Ready());
    {
      const auto image = keyboard.Work().Working();
      KeyEntry disabled;
      disabled.kind = static_cast<std::uint16_t>(AssignKind::Disabled);
      image->StoreEntry(1, 30, disabled);
    }
    const auto before = keyboard.Work().Working()->Block();
    const Bytes working(before.begin(), before.end());
    const DeviceResult applied = keyboard.Sync().CommitImage(true);
    // The edits stay in the working image whatever the keyboard did.
    const auto after = keyboard.Work().Working()->Block();
    EXPECT_EQ(Bytes(after.begin(), after.end()), working);
    if (c.expect == SpoilCase::kSameAsClean) {
      EXPECT_EQ(applied, result::kOk);
    }
    // Writes carry no data back, so only a reply that cannot be matched, or
    // one that refuses, tells a failed write: a failure then must be reported.
    const bool unmatchable = c.spoil == Spoil::Garbage || c.spoil == Spoil::Short ||
                             c.spoil == Spoil::Empty || c.spoil == Spoil::Silent ||
                             c.spoil == Spoil::Vanish || c.spoil == Spoil::WrongCode;
    if (unmatchable || c.spoil == Spoil::Refused) {
      EXPECT_NE(applied, result::kOk);
    }
  }
}

// The four lighting records as read, or nothing when the read failed.
std::optional<std::vector<LightingRecord>> ReadRecords(SpoiledKeyboard& keyboard,
                                                       const std::filesystem::path& folder) {
  UserModeFiles files(folder / "data", folder / "program");
  Lighting lighting(keyboard.Commands(), files, folder);
  if (lighting.ReadLighting(false) != result::kOk) return std::nullopt;
  std::vector<LightingRecord> records;
  for (const ProfileNumber p : ProfileNumber::All()) records.push_back(lighting.Host().Record(p));
  return records;
}

TEST(BadKeyboardReplies, LightingAndStatusReadsFailOrReadWhatTheKeyboardHolds) {
  test::TempDir dir;
  SpoiledKeyboard clean(Factory(), Spoil::None, 0, dir.path());
  ASSERT_TRUE(clean.Ready());
  const auto cleanRecords = ReadRecords(clean, dir.path());
  ASSERT_TRUE(cleanRecords);
  for (const SpoilCase& c : kSpoils) {
    SCOPED_TRACE(c.name);
    SpoiledKeyboard keyboard(Factory(), c.spoil, c.fromPacket, dir.path());
    ASSERT_TRUE(keyboard.Ready());
    const auto records = ReadRecords(keyboard, dir.path());
    if (c.expect == SpoilCase::kSameAsClean) {
      EXPECT_EQ(records, cleanRecords);
    }
    if (c.expect == SpoilCase::kFails && c.fromPacket == 0) {
      EXPECT_FALSE(records);
      // A profile the keyboard never told is not known.
      EXPECT_FALSE(keyboard.Commands().ActiveProfile().has_value());
    }
  }
}

}  // namespace
}  // namespace ombrex
