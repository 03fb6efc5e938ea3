#include "file_change.h"

#ifdef _WIN32
#include "platform/win32.h"
#else
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <array>
#endif

namespace ombrex::test {

#ifdef _WIN32
FolderChange::FolderChange(const std::vector<std::filesystem::path>& folders) {
  for (const std::filesystem::path& folder : folders) {
    const HANDLE handle = FindFirstChangeNotificationW(
        folder.c_str(), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    if (handle != INVALID_HANDLE_VALUE) handles_.push_back(handle);
  }
}

FolderChange::~FolderChange() {
  for (void* handle : handles_) FindCloseChangeNotification(handle);
}

bool FolderChange::Wait(std::chrono::milliseconds limit) {
  if (handles_.empty()) return false;
  const DWORD woke = WaitForMultipleObjects(static_cast<DWORD>(handles_.size()), handles_.data(),
                                            FALSE, static_cast<DWORD>(limit.count()));
  if (woke >= WAIT_OBJECT_0 + handles_.size()) return false;
  for (void* handle : handles_) FindNextChangeNotification(handle);
  return true;
}
#else
FolderChange::FolderChange(const std::vector<std::filesystem::path>& folders)
    : fd_(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
  if (fd_ < 0) return;
  for (const std::filesystem::path& folder : folders) {
    inotify_add_watch(fd_, folder.c_str(),
                      IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_ATTRIB);
  }
}
FolderChange::~FolderChange() {
  if (fd_ >= 0) ::close(fd_);
}

bool FolderChange::Wait(std::chrono::milliseconds limit) {
  if (fd_ < 0) return false;
  pollfd ready{fd_, POLLIN, 0};
  if (::poll(&ready, 1, static_cast<int>(limit.count())) <= 0) return false;
  // Every event waiting is taken: one wake-up for a burst of writes.
  std::array<char, 4096> events;
  while (::read(fd_, events.data(), events.size()) > 0) {
  }
  return true;
}
#endif

}  // namespace ombrex::test
