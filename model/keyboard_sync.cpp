#include "model/keyboard_sync.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "device/app_state.h"
#include "device/command_set.h"
#include "device/results.h"
#include "model/assignment_tables.h"
#include "model/binary_file.h"
#include "model/byte_io.h"
#include "model/key_buttons_table.h"
#include "model/key_names.h"
#include "model/workspace.h"
#include "platform/prompter.h"
#include "platform/text.h"
#include "resources/text_catalogue.h"
#include "resources/texts.h"

namespace ombrex {
namespace {

namespace catalogue = text_catalogue;

// A refusal that has no message of its own.
constexpr std::u16string_view kNothingToSend = u"-";
// A format with one "%s": the keys by profile.
constexpr std::u16string_view kKeysNotOnKeyboard = u"IDS_KEYS_NOT_ON_KEYBOARD";

std::vector<ProfileNumber> ProfilesToSend(bool all, CommandSet& commands) {
  if (all) {
    const auto every = ProfileNumber::All();
    return {every.begin(), every.end()};
  }
  if (const auto active = commands.ActiveProfile()) return {*active};
  return {};
}

}  // namespace

KeyboardSync::KeyboardSync(Workspace& workspace, CommandSet& commands, const Texts& texts,
                           Prompter& prompter)
    : workspace_(workspace), commands_(commands), texts_(texts), prompter_(prompter) {}

std::u16string SlotName(const Texts& texts, unsigned slot) {
  if (slot >= static_cast<unsigned>(kFirstGKeySlot) &&
      slot < static_cast<unsigned>(kFirstGKeySlot + kGKeySlotCount)) {
    const unsigned k = slot - kFirstGKeySlot;
    return u"G" + DecimalText(k % kGKeyCount + 1) + (k < kGKeyCount ? u"" : u" (B)");
  }
  if (slot >= kFirstGKeySlot) return u"#" + DecimalText(slot);
  // Slots 0x80..0xFF are the E0 keys, 0x100..0x17F.
  return KeyNameTable(texts).Text(static_cast<KeyCode>(slot >= 0x80 ? slot + 0x80 : slot));
}

void KeyboardSync::Tell(std::u16string_view textKey) {
  TellText(std::u16string(texts_.Text(textKey)));
}

void KeyboardSync::TellText(const std::u16string& text) {
  if (silent_) return;
  ++messagesShown_;
  prompter_.ShowMessage(text, true);
}

void KeyboardSync::TellUnplaced(const Download& plan) {
  // "1: G7, G8; 2: G1 (B)", profiles numbered as the window shows them.
  std::u16string list;
  std::optional<ProfileNumber> listed;
  for (const auto& [profile, slot] : plan.unplaced) {
    if (listed != profile) {
      if (listed) list += u"; ";
      list += DecimalText(profile.Index() + 1) + u": ";
      listed = profile;
    } else {
      list += u", ";
    }
    list += SlotName(texts_, slot);
  }
  TellText(FormatWithText(texts_.Text(kKeysNotOnKeyboard), list));
}

unsigned KeyboardSync::KnownMacroCapacity() {
  AppState& state = commands_.State();
  if (state.macroCapacity.load() == 0) {
    StatusBlock status{};
    if (commands_.ReadStatusBlock(status) == result::kOk) {
      state.macroCapacity.store(status[protocol::kStatusMacroUnitsAt] * protocol::kMacroUnitBytes);
    }
  }
  return state.macroCapacity.load();
}

DeviceResult KeyboardSync::CommitImage(bool allProfiles) {
  const auto working = workspace_.Working();
  const auto applied = workspace_.Applied();
  if (workspace_.RebuildAppliedImage() != ImageResult::kOk) return result::kFailed;
  return DownloadAssignments(allProfiles);
}

std::u16string_view KeyboardSync::Plan(bool allProfiles, Download& plan) {
  const auto applied = std::as_const(workspace_).Applied();
  if (applied->block.empty()) return kNothingToSend;
  const unsigned capacity = KnownMacroCapacity();
  const bool everyProfile = allProfiles || workspace_.AppliedMacroOrderChanged();
  plan.profiles = ProfilesToSend(everyProfile, commands_);
  // Without the status block the macros cannot be measured against the
  // keyboard: say that it could not be read, not that the macros are too large.
  if (capacity == 0 || plan.profiles.empty()) return catalogue::kMainNoDevicePrompt;
  const BlobChoice choice = ChooseMacroBlob(ComputeMacroBlobSizes(applied->macros), capacity);
  if (choice == BlobChoice::TooLarge) return catalogue::kExtraMacroTooLong;
  plan.withNames = choice == BlobChoice::WithNames;
  plan.blob = BuildMacroBlob(applied->macros, plan.withNames);
  const KeyTableBytes defaults = commands_.DefaultTable().Get();
  for (const ProfileNumber p : plan.profiles) {
    plan.tables.push_back(BuildDeviceKeyTable(*applied, p, defaults));
    for (const unsigned slot : UnplacedSlots(*applied, p, defaults))
      plan.unplaced.emplace_back(p, slot);
  }
  return {};
}

DeviceResult KeyboardSync::DownloadAssignments(bool allProfiles) {
  // The applied image and what the keyboard knows of it change together.
  const auto applied = workspace_.Applied();
  Download plan;
  lastDownload_ = {};
  if (const auto refusal = Plan(allProfiles, plan); !refusal.empty()) {
    if (refusal != kNothingToSend) Tell(refusal);
    return result::kFailed;
  }
  DownloadRun run(commands_, plan, options_, onPacket_);
  const DeviceResult result = run.Run();
  lastDownload_ = run.Report();
  if (result == result::kOk && plan.profiles.size() == ProfileNumber::kCount) {
    workspace_.KeyboardHasAppliedMacroOrder();
  }
  if (!plan.withNames) Tell(catalogue::kExtraProfileSpaceTight);
  if (!plan.unplaced.empty()) {
    TellUnplaced(plan);
    // The keyboard holds what it can, but not what was asked for.
    if (result == result::kOk) return result::kFailed;
  }
  return result;
}

DeviceResult KeyboardSync::BuildImageFromKeyboard(const std::filesystem::path& file) {
  std::array<DeviceKeyTable, ProfileNumber::kCount> tables{};
  std::vector<std::uint8_t> macroMemory;
  {
    auto session = commands_.Session();
    if (!commands_.ActiveProfile()) return result::kFailed;
    for (const ProfileNumber p : ProfileNumber::All()) {
      if (commands_.ReadKeyTable(tables[p.Index()], p) != result::kOk) return result::kFailed;
    }
    const unsigned capacity = commands_.State().macroCapacity.load();
    // The header comes in a whole first packet: what follows it in that
    // packet is the start of the macros, not to be asked for again.
    std::array<std::uint8_t, protocol::kPayloadSize> first{};
    const std::size_t firstSize =
        capacity == 0 ? first.size() : std::min<std::size_t>(first.size(), capacity);
    if (commands_.ReadMacroMemory(std::span(first).first(firstSize)) != result::kOk) {
      return result::kFailed;
    }
    const std::size_t length = bytes::Get16(first, 2);
    // A header that claims more than the memory holds describes no macros.
    const bool consistent = length >= kMacroBlobHeaderSize && (capacity == 0 || length <= capacity);
    if (bytes::Get16(first, 0) == kMacroBlobMagic && consistent) {
      macroMemory.assign(first.begin(), first.begin() + std::min(length, firstSize));
      macroMemory.resize(length);
      if (length > firstSize &&
          commands_.ReadMacroMemoryAt(firstSize, std::span(macroMemory).subspan(firstSize)) !=
              result::kOk) {
        return result::kFailed;
      }
    }
  }
  const KeyTableBytes defaults = commands_.DefaultTable().Get();
  const std::vector<std::uint8_t> bytes =
      ImageFromKeyboard(tables, defaults, macroMemory, texts_.Text(catalogue::kMacroNewPrefix));
  return WriteFileAtomically(file, bytes) ? result::kOk : result::kFailed;
}

}  // namespace ombrex
