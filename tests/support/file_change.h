#pragma once

#include <chrono>
#include <filesystem>
#include <vector>

namespace ombrex::test {

// Wakes a test when anything in its folders is created, written, renamed into
// place or closed after writing, so the test waits for another program's
// file instead of looking at it again and again. A program that ends closes
// its output, which counts as a change too. Create the watch before the
// first look at what it guards, so no change can slip in between.
class FolderChange {
 public:
  explicit FolderChange(const std::vector<std::filesystem::path>& folders);
  ~FolderChange();
  FolderChange(const FolderChange&) = delete;
  FolderChange& operator=(const FolderChange&) = delete;

  // Until a folder changed or `limit` passed; false when the limit came first.
  bool Wait(std::chrono::milliseconds limit);

 private:
#ifdef _WIN32
  std::vector<void*> handles_;
#else
  int fd_ = -1;
#endif
};

// Until `done()` holds, looked at again on each change in `folders`; the
// limit only guards against a hang. Returns `done()`'s last answer.
template <typename Condition>
bool UntilChanged(const std::vector<std::filesystem::path>& folders, Condition done,
                  std::chrono::milliseconds limit) {
  FolderChange change(folders);
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left <= std::chrono::milliseconds(0) || !change.Wait(left)) return done();
  }
  return true;
}

}  // namespace ombrex::test
