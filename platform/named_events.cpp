#include "platform/named_events.h"

#include <cstdio>

#ifdef _WIN32
#include "platform/win32.h"
#else
#include <fcntl.h>
#include <semaphore.h>
#include <cerrno>
#endif

#include "platform/text.h"

namespace ombrex {

namespace {

#ifdef _WIN32
void* CreateOne(const std::string& name) {
  const std::u16string wide = Utf16FromUtf8(name);
  HANDLE event =
      CreateEventW(nullptr, FALSE, FALSE, reinterpret_cast<const wchar_t*>(wide.c_str()));
  return event;
}
void CloseOne(void* handle, const std::string&) {
  CloseHandle(static_cast<HANDLE>(handle));
}
#else
// POSIX names start with a slash.
std::string PosixName(const std::string& name) {
  return "/" + name;
}

void* CreateOne(const std::string& name) {
  const std::string posix = PosixName(name);
  sem_t* event = sem_open(posix.c_str(), O_CREAT | O_EXCL, 0600, 0);
  if (event == SEM_FAILED && errno == EEXIST) {
    // Left by a run that did not get to remove it: start afresh.
    sem_unlink(posix.c_str());
    event = sem_open(posix.c_str(), O_CREAT | O_EXCL, 0600, 0);
  }
  return event == SEM_FAILED ? nullptr : event;
}

void CloseOne(void* handle, const std::string& name) {
  sem_close(static_cast<sem_t*>(handle));
  sem_unlink(PosixName(name).c_str());
}
#endif

}  // namespace

std::string NamedEventName(std::string_view prefix, int number) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%02d", number);
  return std::string(prefix) + "Main_" + digits;
}

NamedEvents::NamedEvents(std::string prefix) : prefix_(std::move(prefix)) {}

NamedEvents::~NamedEvents() {
  Close();
}

int NamedEvents::Create() {
  Close();
  for (int number = 1; number <= kNamedEventCount; ++number) {
    std::string name = NamedEventName(prefix_, number);
    if (void* handle = CreateOne(name)) {
      handles_.push_back(handle);
      names_.push_back(std::move(name));
    }
  }
  return Count();
}

void NamedEvents::Close() {
  for (std::size_t i = 0; i < handles_.size(); ++i) CloseOne(handles_[i], names_[i]);
  handles_.clear();
  names_.clear();
}

int NamedEvents::Count() const {
  return static_cast<int>(handles_.size());
}

}  // namespace ombrex
