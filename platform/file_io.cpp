#include "platform/file_io.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <system_error>

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

std::uint64_t Join(DWORD high, DWORD low) {
  return (std::uint64_t{high} << 32) | low;
}

}  // namespace

FileStamp StampOf(const std::filesystem::path& file) {
  FileStamp stamp;
  // The file index tells a file renamed over this one from the old file even
  // when size and time agree, as the inode does elsewhere. Opening for no
  // access at all works while other programs hold the file open.
  HANDLE handle =
      CreateFileW(file.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle != INVALID_HANDLE_VALUE) {
    BY_HANDLE_FILE_INFORMATION info{};
    const bool known = GetFileInformationByHandle(handle, &info);
    CloseHandle(handle);
    if (known) {
      stamp.exists = true;
      stamp.regular = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
      stamp.size = Join(info.nFileSizeHigh, info.nFileSizeLow);
      stamp.modifiedNs = static_cast<std::int64_t>(
          Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
      stamp.inode = Join(info.nFileIndexHigh, info.nFileIndexLow);
      stamp.device = info.dwVolumeSerialNumber;
      return stamp;
    }
  }
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)) return stamp;
  stamp.exists = true;
  stamp.regular = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  stamp.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
  stamp.modifiedNs = static_cast<std::int64_t>(
      Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime));
  return stamp;
}

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
  if (!StampOf(file).regular) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return std::nullopt;
  return bytes;
}

bool ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
  const std::filesystem::path file = ResolveLink(target);
  const std::filesystem::path temporary = TemporarySibling(file);
  HANDLE handle = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  bool ok = WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
            written == bytes.size() && FlushFileBuffers(handle);
  ok = CloseHandle(handle) && ok;
  ok = ok && MoveFileExW(temporary.c_str(), file.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  if (!ok) DeleteFileW(temporary.c_str());
  return ok;
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

std::optional<std::string> ReadWholeFile(const std::filesystem::path& file) {
  const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  struct stat info {};
  std::optional<std::string> bytes;
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
    std::string data;
    data.reserve(static_cast<std::size_t>(info.st_size));
    char chunk[16384];
    ssize_t got = 0;
    while ((got = ::read(fd, chunk, sizeof chunk)) != 0) {
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) break;
      data.append(chunk, static_cast<std::size_t>(got));
    }
    if (got == 0) bytes = std::move(data);
  }
  ::close(fd);
  return bytes;
}

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

bool ReplaceFileAtomically(const std::filesystem::path& target, std::string_view bytes) {
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

}  // namespace ombrex
