#include "vkbd/trace_file.h"

#include "vkbd/hex.h"

namespace ombrex::vkbd {

std::string TraceLine(std::span<const std::uint8_t> packet) {
  return HexString(packet);
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Exactly pairs of hex digits, 1..kMaxReport bytes.
std::optional<std::vector<std::uint8_t>> Report(std::string_view text) {
  if (text.empty() || text.size() % 2 != 0 || text.size() / 2 > session_record::kMaxReport) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  for (std::size_t i = 0; i < text.size(); i += 2) {
    const int high = HexDigit(text[i]);
    const int low = HexDigit(text[i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
  }
  return bytes;
}

std::optional<std::uint16_t> Hex16(std::string_view text) {
  if (text.size() != 4) return std::nullopt;
  std::uint16_t value = 0;
  for (const char c : text) {
    const int digit = HexDigit(c);
    if (digit < 0) return std::nullopt;
    value = static_cast<std::uint16_t>(value << 4 | digit);
  }
  return value;
}

// "S.UUUUUU": whole seconds (at most twelve digits, so no overflow) and six
// digits of microseconds.
std::optional<std::uint64_t> Microseconds(std::string_view text) {
  const std::size_t dot = text.find('.');
  if (dot == 0 || dot == std::string_view::npos || dot > 12 || text.size() - dot - 1 != 6) {
    return std::nullopt;
  }
  std::uint64_t seconds = 0;
  std::uint64_t micros = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (i == dot) continue;
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    std::uint64_t& part = i < dot ? seconds : micros;
    part = part * 10 + static_cast<std::uint64_t>(text[i] - '0');
  }
  return seconds * 1000000 + micros;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  for (;;) {
    const std::size_t space = line.find(' ');
    fields.push_back(line.substr(0, space));
    if (space == std::string_view::npos) return fields;
    line.remove_prefix(space + 1);
  }
}

}  // namespace

std::optional<TracedReport> ParseTraceLine(std::string_view line) {
  const std::vector<std::string_view> fields = Fields(line);
  TracedReport traced;
  if (fields.size() == 1) {
    auto report = Report(fields[0]);
    if (!report || report->size() != protocol::kPacketSize) return std::nullopt;
    traced.report = std::move(*report);
    return traced;
  }
  if (fields.size() != 4) return std::nullopt;
  traced.microseconds = Microseconds(fields[0]);
  if (fields[1] == "out") {
    traced.direction = session_record::Direction::Out;
  } else if (fields[1] == "in") {
    traced.direction = session_record::Direction::In;
  } else {
    return std::nullopt;
  }
  const std::string_view usages = fields[2];
  const auto page =
      usages.size() == 9 && usages[4] == ':' ? Hex16(usages.substr(0, 4)) : std::nullopt;
  const auto usage = page ? Hex16(usages.substr(5)) : std::nullopt;
  auto report = Report(fields[3]);
  if (!traced.microseconds || !usage || !report) return std::nullopt;
  traced.hidInterface = protocol::Interface{*page, *usage};
  traced.report = std::move(*report);
  return traced;
}

TraceReading ReadTrace(std::string_view text) {
  TraceReading reading;
  std::size_t number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++number;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty() || line.front() == '#') continue;
    auto traced = ParseTraceLine(line);
    if (!traced) {
      reading.badLine = number;
      return reading;
    }
    reading.reports.push_back(std::move(*traced));
  }
  return reading;
}

bool TraceFile::Open(const std::filesystem::path& file) {
  // Binary: a trace line ends in "\n" on every system, never "\r\n".
#ifdef _WIN32
  file_.reset(_wfopen(file.c_str(), L"ab"));
#else
  file_.reset(std::fopen(file.c_str(), "ab"));
#endif
  return file_ != nullptr;
}

bool TraceFile::Write(std::span<const std::uint8_t> packet) {
  if (!file_) return false;
  const std::string line = TraceLine(packet) + '\n';
  const bool written = std::fwrite(line.data(), 1, line.size(), file_.get()) == line.size();
  return std::fflush(file_.get()) == 0 && written;
}

}  // namespace ombrex::vkbd
