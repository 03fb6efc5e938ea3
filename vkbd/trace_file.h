#pragma once

// The packet trace: one line per command packet the keyboard received, its 64
// bytes as 128 lower-case hex digits and nothing else. Every line is flushed
// at once, so a test (or a person with `tail -f`) sees a packet as soon as
// the keyboard has it. A trace is appended to, never truncated: restarting the
// daemon on the same trace file keeps what earlier runs recorded.

#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>
#include <string>

namespace ombrex::vkbd {

std::string TraceLine(std::span<const std::uint8_t> packet);  // without the '\n'

class TraceFile {
 public:
  bool Open(const std::filesystem::path& file);
  bool IsOpen() const { return file_ != nullptr; }
  // False when the line could not be written (the disk is full, ...).
  bool Write(std::span<const std::uint8_t> packet);

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Closer> file_;
};

}  // namespace ombrex::vkbd
