#include "model/assignment_download.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

#include "device/command_set.h"
#include "device/protocol.h"
#include "model/keyboard_sync.h"

namespace ombrex {

namespace {

// The bytes of each lighting record that every download clears.
constexpr std::size_t kClearedAt = 18;
constexpr std::array<std::uint8_t, 4> kClearedBytes{0, 0, 0, 0};

// Remembers the first failing result of a sequence that goes on regardless.
class Outcome {
 public:
  void Note(DeviceResult result) {
    if (result != result::kOk && result_ == result::kOk) result_ = result;
  }
  DeviceResult Result() const { return result_; }

 private:
  DeviceResult result_ = result::kOk;
};

// Calls `each(offset, length)` for the 56-byte pieces of `size` bytes, the
// pieces every write and read of these memories is cut into.
template <typename PerPiece>
void ForEachPiece(std::size_t size, PerPiece&& each) {
  for (std::size_t offset = 0; offset < size; offset += protocol::kPayloadSize) {
    each(offset, std::min(protocol::kPayloadSize, size - offset));
  }
}

std::uint16_t RecordAddress(ProfileNumber profile) {
  return static_cast<std::uint16_t>(profile.Index() * protocol::kLightingRecordSize);
}

}  // namespace

DownloadOptions DownloadOptions::FromEnvironment() {
  DownloadOptions options;
  const char* value = std::getenv(kFullDownloadVariable);
  if (value != nullptr && *value != '\0' && std::string_view(value) != "0") options.delta = false;
  return options;
}

DownloadRun::DownloadRun(CommandSet& commands, const Download& plan, DownloadOptions options,
                         std::function<void()> onPacket)
    : commands_(commands), plan_(plan), options_(options), onPacket_(std::move(onPacket)) {}

DeviceResult DownloadRun::Counted(DeviceResult result) {
  ++report_.packets;
  if (onPacket_) onPacket_();
  return result;
}

std::vector<DownloadRun::Chunk> DownloadRun::Sequence() const {
  std::vector<Chunk> chunks;
  const std::span<const std::uint8_t> blob(plan_.blob);
  ForEachPiece(blob.size(), [&](std::size_t offset, std::size_t length) {
    chunks.push_back({Area::Macros, std::nullopt, offset, blob.subspan(offset, length)});
  });
  for (std::size_t i = 0; i < plan_.profiles.size(); ++i) {
    const ProfileNumber profile = plan_.profiles[i];
    chunks.push_back({Area::Settings, profile, kClearedAt, kClearedBytes});
    const std::span<const std::uint8_t> table(plan_.tables[i]);
    ForEachPiece(table.size(), [&](std::size_t offset, std::size_t length) {
      chunks.push_back({Area::KeyTable, profile, offset, table.subspan(offset, length)});
    });
  }
  return chunks;
}

void DownloadRun::Survey() {
  // What was read is recorded by the command set, and a contradiction there
  // forgets everything: the results themselves need no look here.
  std::array<std::uint8_t, protocol::kPayloadSize> piece{};
  const std::span<const std::uint8_t> blob(plan_.blob);
  const std::size_t header = std::min(blob.size(), piece.size());
  Counted(commands_.ReadMacroMemoryAt(0, std::span(piece).first(header)));
  for (const ProfileNumber profile : plan_.profiles) {
    ForEachPiece(protocol::kKeyTableSize, [&](std::size_t offset, std::size_t length) {
      Counted(commands_.ReadKeyTableAt(profile, offset, std::span(piece).first(length)));
    });
  }
  // A chunk read costs one packet; one sent costs two, with its read-back.
  // A macro memory that starts as ours (the same size, the same list) most
  // likely holds the rest of it too, so what is not known of it is read:
  // a new process that changes one key then sends one key. Reading stops
  // once it keeps finding differences, which are sent whatever it learns.
  const KeyboardContent& content = commands_.Content();
  if (header == 0 || !content.Holds(ContentMemory::Macros, 0, blob.first(header))) return;
  constexpr int kDifferencesInARow = 4;
  int differences = 0;
  ForEachPiece(blob.size(), [&](std::size_t offset, std::size_t length) {
    if (differences >= kDifferencesInARow || content.Knows(ContentMemory::Macros, offset, length)) {
      return;
    }
    const std::span<std::uint8_t> read = std::span(piece).first(length);
    if (Counted(commands_.ReadMacroMemoryAt(offset, read)) != result::kOk) {
      differences = kDifferencesInARow;
      return;
    }
    differences = std::ranges::equal(read, blob.subspan(offset, length)) ? 0 : differences + 1;
  });
}

bool DownloadRun::Holds(const Chunk& chunk) const {
  const KeyboardContent& content = commands_.Content();
  switch (chunk.area) {
    case Area::Macros:
      return content.Holds(ContentMemory::Macros, chunk.offset, chunk.bytes);
    case Area::KeyTable:
      return content.Holds(ContentMemory::KeyTables,
                           chunk.profile->Index() * protocol::kKeyTableSize + chunk.offset,
                           chunk.bytes);
    case Area::Settings:
      return false;  // cleared on every download: nothing keeps track of them
  }
  return false;
}

DeviceResult DownloadRun::Write(const Chunk& chunk) {
  switch (chunk.area) {
    case Area::Macros:
      return Counted(commands_.WriteMacroMemoryAt(chunk.offset, chunk.bytes));
    case Area::KeyTable:
      return Counted(commands_.WriteKeyTableAt(*chunk.profile, chunk.offset, chunk.bytes));
    case Area::Settings:
      return Counted(commands_.WriteSettings(
          chunk.bytes, static_cast<std::uint16_t>(RecordAddress(*chunk.profile) + chunk.offset)));
  }
  return result::kFailed;
}

DeviceResult DownloadRun::Send(bool delta, std::vector<Chunk>& written) {
  Outcome outcome;
  outcome.Note(Counted(commands_.BeginTransfer()));
  for (const Chunk& chunk : Sequence()) {
    if (delta && Holds(chunk)) {
      ++report_.chunksSkipped;
      continue;
    }
    outcome.Note(Write(chunk));
    written.push_back(chunk);
    ++report_.chunksSent;
  }
  outcome.Note(Counted(commands_.EndTransfer()));
  return outcome.Result();
}

bool DownloadRun::ReadsBackAsSent(const Chunk& chunk) {
  std::array<std::uint8_t, protocol::kPayloadSize> back{};
  const std::span<std::uint8_t> piece = std::span(back).first(chunk.bytes.size());
  DeviceResult read = result::kFailed;
  switch (chunk.area) {
    case Area::Macros:
      read = Counted(commands_.ReadMacroMemoryAt(chunk.offset, piece));
      break;
    case Area::KeyTable:
      read = Counted(commands_.ReadKeyTableAt(*chunk.profile, chunk.offset, piece));
      break;
    case Area::Settings: {
      std::array<std::uint8_t, protocol::kPayloadSize> record{};
      read = Counted(
          commands_.ReadSettings(record, protocol::kPayloadSize, RecordAddress(*chunk.profile)));
      std::copy_n(record.begin() + chunk.offset, piece.size(), piece.begin());
      break;
    }
  }
  return read == result::kOk && std::ranges::equal(piece, chunk.bytes);
}

bool DownloadRun::Verify(const std::vector<Chunk>& written) {
  // The first difference decides: everything goes again anyway.
  return std::ranges::all_of(written,
                             [this](const Chunk& chunk) { return ReadsBackAsSent(chunk); });
}

DeviceResult DownloadRun::Run() {
  // No other packet between the survey and the last read-back.
  auto session = commands_.Session();
  if (options_.delta) Survey();
  // After the survey, which forgets everything when the keyboard surprised it.
  const KeyboardContent::Generation generation = commands_.Content().CurrentGeneration();
  const auto keyboardChanged = [&] {
    return commands_.Content().CurrentGeneration() != generation;
  };

  std::vector<Chunk> written;
  DeviceResult result = Send(options_.delta, written);
  report_.sentInFull = report_.chunksSkipped == 0;
  if (options_.verify) {
    bool held = !keyboardChanged() && result != result::kFailed && Verify(written);
    // kFailed is a keyboard that is not there: sending again would not help.
    if ((!held || result != result::kOk) && !keyboardChanged() && result != result::kFailed) {
      report_.retried = true;
      report_.sentInFull = true;
      written.clear();
      result = Send(false, written);
      held = !keyboardChanged() && Verify(written);
    }
    if (result == result::kOk && !held) result = result::kFailed;
  }
  if (keyboardChanged()) {
    report_.keyboardChanged = true;
    if (result == result::kOk) result = result::kFailed;
  }
  return result;
}

}  // namespace ombrex
