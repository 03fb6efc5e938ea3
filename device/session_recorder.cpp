#include "device/session_recorder.h"

#include <string>

namespace ombrex {

std::unique_ptr<SessionRecorder> SessionRecorder::Create(const std::filesystem::path& file) {
  // Binary: a line ends in "\n" on every system, as the readers expect.
#ifdef _WIN32
  std::FILE* opened = _wfopen(file.c_str(), L"wb");
#else
  std::FILE* opened = std::fopen(file.c_str(), "wb");
#endif
  if (opened == nullptr) return nullptr;
  return std::unique_ptr<SessionRecorder>(new SessionRecorder(opened));
}

SessionRecorder::SessionRecorder(std::FILE* file) : file_(file) {}

LibraryListener::Monitor SessionRecorder::Monitor() {
  return [this](session_record::Direction direction, protocol::Interface hidInterface,
                std::span<const std::uint8_t> report) { Write(direction, hidInterface, report); };
}

void SessionRecorder::Write(session_record::Direction direction, protocol::Interface hidInterface,
                            std::span<const std::uint8_t> report) {
  const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(
      std::chrono::steady_clock::now() - start_);
  const std::string line = session_record::Line(static_cast<std::uint64_t>(elapsed.count()),
                                                direction, hidInterface, report) +
                           '\n';
  std::lock_guard lock(mutex_);
  const bool written = std::fwrite(line.data(), 1, line.size(), file_.get()) == line.size();
  if (!written || std::fflush(file_.get()) != 0) failed_ = true;
}

bool SessionRecorder::Failed() const {
  std::lock_guard lock(mutex_);
  return failed_;
}

}  // namespace ombrex
