#include "vkbd/state_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <system_error>

namespace ombrex::vkbd {

namespace {

constexpr std::array<std::uint8_t, 8> kMagic = {'O', 'M', 'B', 'X', 'V', 'K', 'B', 'D'};

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

template <typename Bytes>
void Put(std::vector<std::uint8_t>& out, const Bytes& bytes) {
  out.insert(out.end(), std::begin(bytes), std::end(bytes));
}

// Reads fixed fields front to back; any read past the end poisons the reader.
class Reader {
 public:
  explicit Reader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

  template <std::size_t N>
  void Take(std::array<std::uint8_t, N>& out) {
    if (const auto field = Next(N)) std::copy(field->begin(), field->end(), out.begin());
  }
  void Take(std::vector<std::uint8_t>& out, std::size_t n) {
    if (const auto field = Next(n)) out.assign(field->begin(), field->end());
  }
  std::uint32_t TakeU32() {
    std::array<std::uint8_t, 4> b{};
    Take(b);
    return std::uint32_t(b[0]) | (std::uint32_t(b[1]) << 8) | (std::uint32_t(b[2]) << 16) |
           (std::uint32_t(b[3]) << 24);
  }
  std::size_t Position() const { return at_; }
  bool Ok() const { return ok_; }

 private:
  std::optional<std::span<const std::uint8_t>> Next(std::size_t n) {
    if (!ok_ || n > bytes_.size() - at_) {
      ok_ = false;
      return std::nullopt;
    }
    const auto field = bytes_.subspan(at_, n);
    at_ += n;
    return field;
  }

  std::span<const std::uint8_t> bytes_;
  std::size_t at_ = 0;
  bool ok_ = true;
};

std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

}  // namespace

std::uint32_t Crc32(std::span<const std::uint8_t> bytes) {
  static const std::array<std::uint32_t, 256> table = MakeCrcTable();
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::uint8_t b : bytes) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::vector<std::uint8_t> EncodeState(const Memories& memories) {
  std::vector<std::uint8_t> out;
  out.reserve(1858 + memories.macro.size());
  Put(out, kMagic);
  PutU32(out, kStateVersion);
  Put(out, memories.status);
  Put(out, memories.settings);
  Put(out, memories.keyTables);
  Put(out, memories.keyColours);
  Put(out, memories.bankLed);
  PutU32(out, static_cast<std::uint32_t>(memories.macro.size()));
  Put(out, memories.macro);
  PutU32(out, Crc32(out));
  return out;
}

std::optional<Memories> DecodeState(std::span<const std::uint8_t> bytes,
                                    const FactoryConfig& config) {
  Reader reader(bytes);
  std::array<std::uint8_t, kMagic.size()> magic{};
  reader.Take(magic);
  if (!reader.Ok() || magic != kMagic || reader.TakeU32() != kStateVersion) return std::nullopt;

  Memories m;
  reader.Take(m.status);
  reader.Take(m.settings);
  reader.Take(m.keyTables);
  reader.Take(m.keyColours);
  reader.Take(m.bankLed);
  const std::size_t macroSize = reader.TakeU32();
  if (macroSize != std::size_t(config.macroCapacityUnits) * protocol::kMacroUnitBytes) {
    return std::nullopt;
  }
  reader.Take(m.macro, macroSize);
  const std::size_t checkedLength = reader.Position();
  const std::uint32_t crc = reader.TakeU32();
  if (!reader.Ok() || reader.Position() != bytes.size()) return std::nullopt;
  if (crc != Crc32(bytes.first(checkedLength))) return std::nullopt;
  if (m.status[protocol::kStatusActiveProfileAt] >= protocol::kProfileCount) return std::nullopt;

  // What the hardware is comes from the configuration, not from the file.
  const Memories factory = FactoryMemories(config);
  std::copy(factory.status.begin() + protocol::kStatusMacroUnitsAt, factory.status.end(),
            m.status.begin() + protocol::kStatusMacroUnitsAt);
  m.defaultKeyTable = factory.defaultKeyTable;
  return m;
}

bool WriteFileAtomically(const std::filesystem::path& file, std::span<const std::uint8_t> bytes) {
  std::filesystem::path temporary = file;
  temporary += ".tmp";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temporary, ignored);
      return false;
    }
  }
  std::error_code error;
  std::filesystem::rename(temporary, file, error);
  if (error) {
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return false;
  }
  return true;
}

std::optional<std::vector<std::uint8_t>> ReadStateFileBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::vector<std::uint8_t> bytes;
  char buffer[4096];
  while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
    bytes.insert(bytes.end(), buffer, buffer + in.gcount());
    if (bytes.size() > kMaxStateFileSize) return std::nullopt;
  }
  if (in.bad()) return std::nullopt;
  return bytes;
}

}  // namespace ombrex::vkbd
