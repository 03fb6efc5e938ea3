#include "platform/file_io.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <mutex>
#include <system_error>
#include <thread>

#ifdef _WIN32
#include "platform/win32.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace ombrex {
namespace {

std::filesystem::path TemporarySibling(const std::filesystem::path& target) {
  static std::atomic<unsigned> counter{0};
#ifdef _WIN32
  const unsigned long pid = GetCurrentProcessId();
#else
  const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
  std::filesystem::path name = target.filename();
  name += ".tmp-" + std::to_string(pid) + "-" + std::to_string(counter++);
  return target.parent_path() / (std::filesystem::path(".") += name);
}

// A symbolic link stays a link: the file it points to is what gets replaced.
std::filesystem::path ResolveLink(const std::filesystem::path& target) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(target, ec)) return target;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(target, ec);
  return ec ? target : resolved;
}

}  // namespace

#ifdef _WIN32

namespace {

// Readers share everything, deletion included, so that a replacement by us
// or by anyone else is never refused because of them.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Some Windows file systems (and wine) refuse to rename over a file while any
// handle to it is open, shared or not. Within this process no handle of ours
// is open while we rename: opening, reading and closing, and each rename,
// happen under this lock. Other processes are what the retries are for.
std::mutex& HandleLock() {
  static std::mutex lock;
  return lock;
}

std::uint64_t Join(DWORD high, DWORD low) {
  return (std::uint64_t{high} << 32) | low;
}

bool IsRefusal(DWORD error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION ||
         error == ERROR_LOCK_VIOLATION;
}

enum class Temporary { Written, NameTaken, Failed };

Temporary WriteTemporary(const std::filesystem::path& temporary, std::string_view bytes) {
  const HANDLE handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_FILE_EXISTS ? Temporary::NameTaken : Temporary::Failed;
  }
  bool ok = true;
  while (ok && !bytes.empty()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
    DWORD written = 0;
    ok = WriteFile(handle, bytes.data(), chunk, &written, nullptr) && written == chunk;
    bytes.remove_prefix(written);
  }
  ok = ok && FlushFileBuffers(handle);
  ok = CloseHandle(handle) && ok;
  if (!ok) DeleteFileW(temporary.c_str());
  return ok ? Temporary::Written : Temporary::Failed;
}

}  // namespace

FileStamp StampOf(const std::filesystem::path& file) {
  FileStamp stamp;
  const std::lock_guard lock(HandleLock());
  // The file index tells a file renamed over this one from the old file even
  // when size and time agree, as the inode does elsewhere. Attributes only:
  // opening for them works while other programs hold the file exclusively;
  // folders need the backup flag to be opened at all.
  const OwnedHandle handle(CreateFileW(file.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  BY_HANDLE_FILE_INFORMATION info{};
  if (handle.Valid() && GetFileInformationByHandle(handle.Get(), &info)) {
    stamp.exists = true;
    stamp.regular = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    stamp.size = Join(info.nFileSizeHigh, info.nFileSizeLow);
    stamp.modifiedNs = static_cast<std::int64_t>(
        Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime) * 100);
    stamp.inode = Join(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.device = info.dwVolumeSerialNumber;
    return stamp;
  }
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return stamp;
  stamp.exists = true;
  stamp.regular = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  stamp.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
  stamp.modifiedNs = static_cast<std::int64_t>(
      Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime) * 100);
  return stamp;
}

namespace {

// Reads into whichever container the caller keeps, so that a large binary
// file is never copied once more after the read.
template <typename Bytes>
std::optional<Bytes> ReadStart(const std::filesystem::path& file, std::size_t maxBytes) {
  const std::lock_guard lock(HandleLock());
  const OwnedHandle handle(CreateFileW(file.c_str(), GENERIC_READ, kShareAll, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!handle.Valid() || GetFileType(handle.Get()) != FILE_TYPE_DISK) return std::nullopt;
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(handle.Get(), &size)) return std::nullopt;
  Bytes data;
  data.reserve(std::min<std::size_t>(static_cast<std::size_t>(size.QuadPart), maxBytes));
  char chunk[16384];
  while (data.size() < maxBytes) {
    const DWORD wanted =
        static_cast<DWORD>(std::min<std::size_t>(sizeof chunk, maxBytes - data.size()));
    DWORD got = 0;
    if (!ReadFile(handle.Get(), chunk, wanted, &got, nullptr)) return std::nullopt;
    if (got == 0) break;
    data.insert(data.end(), chunk, chunk + got);
  }
  return data;
}

}  // namespace

bool ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                           const ReplaceRetry& retry) {
  const std::filesystem::path file = ResolveLink(target);
  const FileStamp old = StampOf(file);
  if (old.exists && !old.regular) return false;
  // Windows never renames over a read-only file, however often asked; the
  // user made it so, and it stays as it is.
  const DWORD attributes = GetFileAttributesW(file.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
    return false;
  }
  std::filesystem::path temporary;
  Temporary made = Temporary::NameTaken;
  for (int attempt = 0; attempt < 8 && made == Temporary::NameTaken; ++attempt) {
    temporary = TemporarySibling(file);
    made = WriteTemporary(temporary, bytes);
  }
  if (made != Temporary::Written) return false;
  std::chrono::milliseconds pause = retry.firstPause;
  for (int attempt = 1;; ++attempt) {
    DWORD error = ERROR_SUCCESS;
    {
      const std::lock_guard lock(HandleLock());
      if (MoveFileExW(temporary.c_str(), file.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
      }
      error = GetLastError();
    }
    if (!IsRefusal(error) || attempt >= retry.attempts) break;
    if (retry.refused) retry.refused(attempt);
    std::this_thread::sleep_for(pause);
    pause *= 2;
  }
  DeleteFileW(temporary.c_str());
  return false;
}

#else

FileStamp StampOf(const std::filesystem::path& file) {
  struct stat info {};
  FileStamp stamp;
  if (::stat(file.c_str(), &info) != 0) return stamp;
  stamp.exists = true;
  stamp.regular = S_ISREG(info.st_mode);
  stamp.size = static_cast<std::uint64_t>(info.st_size);
  stamp.modifiedNs =
      static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
  stamp.inode = info.st_ino;
  stamp.device = info.st_dev;
  return stamp;
}

namespace {

// Reads into whichever container the caller keeps, so that a large binary
// file is never copied once more after the read.
template <typename Bytes>
std::optional<Bytes> ReadStart(const std::filesystem::path& file, std::size_t maxBytes) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  // Closed however the read ends, running out of memory included.
  struct ClosedAtEnd {
    int fd;
    ~ClosedAtEnd() { ::close(fd); }
  } const closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  Bytes data;
  data.reserve(std::min(static_cast<std::size_t>(info.st_size), maxBytes));
  char chunk[16384];
  ssize_t got = 0;
  while (data.size() < maxBytes &&
         (got = ::read(fd, chunk, std::min(sizeof chunk, maxBytes - data.size()))) != 0) {
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return std::nullopt;
    data.insert(data.end(), chunk, chunk + got);
  }
  return data;
}

}  // namespace

namespace {

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t done = ::write(fd, bytes.data(), bytes.size());
    if (done < 0 && errno == EINTR) continue;
    if (done <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(done));
  }
  return true;
}

// The rename itself is only durable once the folder's entry is on the disk.
void SyncFolder(const std::filesystem::path& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

bool ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes,
                           const ReplaceRetry&) {
  const std::filesystem::path file = ResolveLink(target);
  struct stat old {};
  const bool replacing = ::stat(file.c_str(), &old) == 0;
  if (replacing && !S_ISREG(old.st_mode)) return false;

  std::filesystem::path temporary;
  int fd = -1;
  for (int attempt = 0; attempt < 8 && fd < 0; ++attempt) {
    temporary = TemporarySibling(file);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return false;
  }
  if (fd < 0) return false;

  bool ok = WriteAll(fd, bytes);
  if (ok && replacing) {
    // Root may write a user's file; the file stays the user's, with its mode.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // Not owner and not allowed to give it away: keep our ownership.
    }
    ok = ::fchmod(fd, old.st_mode & 07777) == 0;
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  ok = ok && ::rename(temporary.c_str(), file.c_str()) == 0;
  if (!ok) {
    ::unlink(temporary.c_str());
    return false;
  }
  SyncFolder(file.parent_path());
  return true;
}

#endif

std::optional<std::string> ReadFileStart(const std::filesystem::path& file, std::size_t maxBytes) {
  return ReadStart<std::string>(file, maxBytes);
}

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& file,
                                                       std::size_t maxBytes) {
  return ReadStart<std::vector<std::uint8_t>>(file, maxBytes);
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
  return ReadFileStart(file, std::numeric_limits<std::size_t>::max());
}

bool ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
  return ReplaceFileAtomically(target, bytes, ReplaceRetry{});
}

}  // namespace ombrex
