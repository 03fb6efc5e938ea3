#pragma once

// Writes a recorded session (device/session_record.h) of everything a bound
// library passes: the file a user attaches to a report about their keyboard,
// and that the virtual keyboard can replay as that keyboard. Every line is
// flushed as it is written, so a session that ends in a crash keeps all that
// came before it.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <span>

#include "device/service_library.h"

namespace ombrex {

class SessionRecorder {
 public:
  // Replaces `file`; null when it cannot be made.
  static std::unique_ptr<SessionRecorder> Create(const std::filesystem::path& file);

  // For LibraryListener; safe from any thread.
  LibraryListener::Monitor Monitor();
  void Write(session_record::Direction direction, protocol::Interface hidInterface,
             std::span<const std::uint8_t> report);
  // A line could not be written (a full disk, ...): the recording is not whole.
  bool Failed() const;

 private:
  struct Closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  explicit SessionRecorder(std::FILE* file);

  const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  mutable std::mutex mutex_;
  std::unique_ptr<std::FILE, Closer> file_;
  bool failed_ = false;
};

}  // namespace ombrex
