#pragma once

// What tests need of the operating system, in one form for Linux and Windows:
// environment variables, the process id, unique temporary folders. Paths as
// UTF-8 text: Utf8FromPath in platform/command_line.h.

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ombrex::test {

// Sets (value) or removes (nullopt) a variable of this process; values are
// UTF-8.
void SetEnvironment(const std::string& name, const std::optional<std::string>& value);
std::optional<std::string> GetEnvironment(const std::string& name);

// Sets variables for one scope and gives each its old value (or absence)
// back at the end, in reverse order.
class ScopedEnvironment {
 public:
  ScopedEnvironment() = default;
  ScopedEnvironment(const std::string& name, const std::optional<std::string>& value) {
    Set(name, value);
  }
  ~ScopedEnvironment();
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

  void Set(const std::string& name, const std::optional<std::string>& value);

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

unsigned long ProcessId();

// Creates a new folder `<stem>XXXXXX` below the system's temporary folder
// that did not exist before, readable by this user only where the platform
// has such modes. Empty when none could be made.
std::filesystem::path MakeUniqueTempFolder(const std::string& stem);

}  // namespace ombrex::test
