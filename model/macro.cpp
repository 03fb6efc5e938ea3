#include "model/macro.h"

#include <algorithm>

#include "model/byte_io.h"
#include "platform/text.h"

namespace ombrex {
namespace {

constexpr std::size_t kNameAt = 0;
constexpr std::size_t kCyclesAt = 500;
constexpr std::size_t kReserved501At = 501;
constexpr std::size_t kFreshAt = 502;
constexpr std::size_t kReserved504At = 504;
constexpr std::size_t kIdAt = 506;
constexpr std::size_t kCountAt = 508;
constexpr std::size_t kReserved510At = 510;
constexpr std::size_t kActionsAt = 512;
constexpr std::size_t kActionSize = 8;
// The record's layout as the file format fixes it.
static_assert(kCyclesAt == kNameAt + 2 * kMacroNameCapacity);
static_assert(kReserved510At + 2 == kActionsAt);
static_assert(kActionsAt + kMaxMacroActions * kActionSize == kMacroRecordSize);

constexpr std::size_t kBlockHeaderSize = 4;
constexpr std::size_t kBlobActionSize = 4;

std::size_t NameLength(const MacroRecord& record) {
  const auto end = std::find(record.name.begin(), record.name.end(), u'\0');
  return static_cast<std::size_t>(end - record.name.begin());
}

std::uint8_t KeyType(KeyCode key, std::uint8_t& c0, std::uint8_t& c1) {
  if (const std::uint8_t bit = ModifierBitFromCode(key); bit != 0) {
    c0 = 0x01;
    c1 = bit;
    return 2;
  }
  const HidUsage usage = HidUsageFromCode(key);
  switch (usage.page) {
    case UsagePage::Keyboard:
      c0 = 0x02;
      c1 = static_cast<std::uint8_t>(usage.usage);
      return 2;
    case UsagePage::Consumer:
    case UsagePage::GenericDesktop:
      c0 = static_cast<std::uint8_t>(usage.usage);
      c1 = static_cast<std::uint8_t>(usage.usage >> 8);
      return usage.page == UsagePage::Consumer ? 3 : 4;
    case UsagePage::Mouse: {
      // Left, right, middle button, wheel up, wheel down.
      static constexpr std::uint8_t kCodes[][2] = {
          {0x01, 0x01}, {0x01, 0x02}, {0x01, 0x04}, {0x05, 0x01}, {0x05, 0xFF}};
      const unsigned i = usage.usage - 0xF1u;
      if (i >= std::size(kCodes)) break;
      c0 = kCodes[i][0];
      c1 = kCodes[i][1];
      return 1;
    }
    default:
      break;
  }
  c0 = c1 = 0;
  return 0;
}

// Bounds of one block of a blob; false when any part reaches past `limit`.
struct BlockView {
  std::size_t offset = 0;
  std::size_t actions = 0;
  std::size_t nameLength = 0;
};

bool ReadBlockView(std::span<const std::uint8_t> blob, std::size_t offset, BlockView& view) {
  if (offset + kBlockHeaderSize > blob.size()) return false;
  view.offset = offset;
  view.actions = bytes::Get16(blob, offset);
  view.nameLength = blob[offset + 3];
  const std::size_t nameAt = offset + kBlockHeaderSize + kBlobActionSize * view.actions;
  return nameAt + 2 * view.nameLength <= blob.size();
}

MacroRecord DecodeBlock(std::span<const std::uint8_t> blob, const BlockView& view, std::size_t i,
                        std::u16string_view namePrefix) {
  MacroRecord record;
  record.cycles = blob[view.offset + 2];
  record.id = static_cast<std::uint16_t>(i + 1);
  record.count = static_cast<std::uint16_t>(std::min(view.actions, kMaxMacroActions));
  std::size_t at = view.offset + kBlockHeaderSize;
  for (std::size_t a = 0; a < record.count; ++a, at += kBlobActionSize) {
    record.actions[a] = DecodeBlobAction({bytes::Get16(blob, at), blob[at + 2], blob[at + 3]});
  }
  at = view.offset + kBlockHeaderSize + kBlobActionSize * view.actions;
  if (view.nameLength > 0) {
    std::u16string name(view.nameLength, u'\0');
    for (std::size_t c = 0; c < view.nameLength; ++c) name[c] = bytes::Get16(blob, at + 2 * c);
    record.SetName(name);
  } else {
    record.SetName(std::u16string(namePrefix) + DecimalText(static_cast<long long>(i + 1)));
  }
  return record;
}

}  // namespace

std::u16string_view MacroRecord::Name() const {
  return std::u16string_view(name.data(), NameLength(*this));
}

void MacroRecord::SetName(std::u16string_view text) {
  name.fill(u'\0');
  std::copy_n(text.begin(), std::min(text.size(), kMaxMacroNameLength), name.begin());
}

MacroRecord MakeMacroRecord(std::uint16_t id, std::u16string_view name,
                            std::span<const MacroAction> actions, std::uint8_t cycles) {
  MacroRecord record;
  record.id = id;
  record.cycles = cycles;
  record.SetName(name);
  actions = actions.first(std::min(actions.size(), kMaxMacroActions));
  record.count = static_cast<std::uint16_t>(actions.size());
  std::copy(actions.begin(), actions.end(), record.actions.begin());
  return record;
}

std::span<const MacroAction> MacroRecord::Actions() const {
  return {actions.data(), std::min<std::size_t>(count, kMaxMacroActions)};
}

void WriteMacroRecord(const MacroRecord& record, std::span<std::uint8_t> out) {
  for (std::size_t c = 0; c < kMacroNameCapacity; ++c) {
    bytes::Put16(out, kNameAt + 2 * c, record.name[c]);
  }
  out[kCyclesAt] = record.cycles;
  out[kReserved501At] = record.reserved501;
  bytes::Put16(out, kFreshAt, record.fresh);
  bytes::Put16(out, kReserved504At, record.reserved504);
  bytes::Put16(out, kIdAt, record.id);
  bytes::Put16(out, kCountAt, record.count);
  bytes::Put16(out, kReserved510At, record.reserved510);
  for (std::size_t a = 0; a < kMaxMacroActions; ++a) {
    const std::size_t at = kActionsAt + kActionSize * a;
    bytes::Put32(out, at, record.actions[a].delay);
    bytes::Put16(out, at + 4, record.actions[a].key);
    bytes::Put16(out, at + 6, record.actions[a].state);
  }
}

MacroRecord ReadMacroRecord(std::span<const std::uint8_t> in) {
  MacroRecord record;
  for (std::size_t c = 0; c < kMacroNameCapacity; ++c) {
    record.name[c] = bytes::Get16(in, kNameAt + 2 * c);
  }
  record.name[kMaxMacroNameLength] = u'\0';
  record.cycles = in[kCyclesAt];
  record.reserved501 = in[kReserved501At];
  record.fresh = bytes::Get16(in, kFreshAt);
  record.reserved504 = bytes::Get16(in, kReserved504At);
  record.id = bytes::Get16(in, kIdAt);
  record.count = std::min<std::uint16_t>(bytes::Get16(in, kCountAt), kMaxMacroActions);
  record.reserved510 = bytes::Get16(in, kReserved510At);
  for (std::size_t a = 0; a < kMaxMacroActions; ++a) {
    const std::size_t at = kActionsAt + kActionSize * a;
    record.actions[a] = {bytes::Get32(in, at), bytes::Get16(in, at + 4), bytes::Get16(in, at + 6)};
  }
  return record;
}

std::size_t PositionOfId(std::span<const MacroRecord> list, std::uint32_t id) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    if (list[i].id == id) return i;
  }
  return 0;
}

std::uint16_t IdAtPosition(std::span<const MacroRecord> list, long long position) {
  if (position < 0 || static_cast<unsigned long long>(position) >= list.size()) return 0;
  return list[static_cast<std::size_t>(position)].id;
}

std::uint16_t LowestFreeId(std::span<const MacroRecord> list) {
  std::array<bool, kMaxMacros + 1> used{};
  for (const MacroRecord& record : list) {
    if (record.id >= 1 && record.id <= kMaxMacros) used[record.id] = true;
  }
  for (std::uint16_t id = 1; id <= kMaxMacros; ++id) {
    if (!used[id]) return id;
  }
  return 0;
}

std::vector<std::uint16_t> MacroIds(std::span<const MacroRecord> list) {
  std::vector<std::uint16_t> ids;
  ids.reserve(list.size());
  for (const MacroRecord& record : list) ids.push_back(record.id);
  return ids;
}

MacroBlobSizes ComputeMacroBlobSizes(std::span<const MacroRecord> list) {
  MacroBlobSizes sizes;
  sizes.withoutNames = kMacroBlobHeaderSize + 2ull * list.size();
  std::uint64_t names = 0;
  for (const MacroRecord& record : list) {
    sizes.withoutNames += kBlockHeaderSize + kBlobActionSize * record.Actions().size();
    names += 2ull * NameLength(record);
  }
  sizes.withNames = sizes.withoutNames + names;
  return sizes;
}

BlobAction EncodeBlobAction(const MacroAction& action) {
  BlobAction out;
  const std::uint8_t type = KeyType(action.key, out.c0, out.c1);
  // A pause longer than the field holds is sent as the longest one, never
  // wrapped round to a short one.
  const std::uint32_t units = std::min(action.delay / 10, kMaxDelayUnits);
  out.word = static_cast<std::uint16_t>(units | (type << 12) | (action.IsRelease() ? 0 : 0x8000));
  return out;
}

MacroAction DecodeBlobAction(const BlobAction& action) {
  MacroAction out;
  out.delay = (action.word & kMaxDelayUnits) * 10u;
  out.state = (action.word & 0x8000) ? 0 : 1;
  out.key = CodeFromDeviceKeyRecord(static_cast<std::uint8_t>((action.word >> 12) & 0x7), action.c0,
                                    action.c1);
  return out;
}

std::vector<std::uint8_t> BuildMacroBlob(std::span<const MacroRecord> list, bool withNames) {
  const MacroBlobSizes sizes = ComputeMacroBlobSizes(list);
  const std::uint64_t size = withNames ? sizes.withNames : sizes.withoutNames;
  if (size > 0xFFFF || list.size() > 0xFFFF) return {};
  std::vector<std::uint8_t> blob(static_cast<std::size_t>(size));
  bytes::Put16(blob, 0, kMacroBlobMagic);
  bytes::Put16(blob, 2, static_cast<std::uint16_t>(size));
  bytes::Put16(blob, 4, static_cast<std::uint16_t>(list.size()));
  bytes::Put16(blob, 6, withNames ? 1 : 0);
  std::size_t at = kMacroBlobHeaderSize + 2 * list.size();
  for (std::size_t i = 0; i < list.size(); ++i) {
    const MacroRecord& record = list[i];
    const auto actions = record.Actions();
    const std::size_t nameLength = withNames ? NameLength(record) : 0;
    bytes::Put16(blob, kMacroBlobHeaderSize + 2 * i, static_cast<std::uint16_t>(at));
    bytes::Put16(blob, at, static_cast<std::uint16_t>(actions.size()));
    blob[at + 2] = record.cycles;
    blob[at + 3] = static_cast<std::uint8_t>(nameLength);
    at += kBlockHeaderSize;
    for (const MacroAction& action : actions) {
      const BlobAction encoded = EncodeBlobAction(action);
      bytes::Put16(blob, at, encoded.word);
      blob[at + 2] = encoded.c0;
      blob[at + 3] = encoded.c1;
      at += kBlobActionSize;
    }
    for (std::size_t c = 0; c < nameLength; ++c, at += 2) bytes::Put16(blob, at, record.name[c]);
  }
  return blob;
}

std::vector<MacroRecord> DecodeMacroBlob(std::span<const std::uint8_t> blob,
                                         std::u16string_view namePrefix) {
  if (blob.size() < kMacroBlobHeaderSize || bytes::Get16(blob, 0) != kMacroBlobMagic) return {};
  const std::size_t total = bytes::Get16(blob, 2);
  if (total > blob.size()) return {};
  const auto data = blob.first(total);
  const std::size_t count = std::min<std::size_t>(bytes::Get16(data, 4), kMaxMacros);
  if (kMacroBlobHeaderSize + 2 * count > data.size()) return {};
  std::vector<MacroRecord> list;
  list.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    BlockView view;
    if (!ReadBlockView(data, bytes::Get16(data, kMacroBlobHeaderSize + 2 * i), view)) continue;
    list.push_back(DecodeBlock(data, view, i, namePrefix));
  }
  return list;
}

}  // namespace ombrex
