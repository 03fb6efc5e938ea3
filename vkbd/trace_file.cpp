#include "vkbd/trace_file.h"

#include "vkbd/hex.h"

namespace ombrex::vkbd {

std::string TraceLine(std::span<const std::uint8_t> packet) {
  return HexString(packet);
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
