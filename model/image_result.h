#pragma once

// The result of an operation on a profile image or its file (check, load,
// save, create, commit). Every operation gives kOutOfMemory, and nothing
// else, when memory runs out.
//
//   if (ValidateImageFile(file, prompter) != ImageResult::kOk) return ...;
//   if (workspace.SaveProfileFile() == ImageResult::kNoProfileFile) ...  // nothing to save
//
// The enumerators carry the integer codes the image operations have always
// had; Code() gives them where one leaves the program.

#include <iosfwd>

namespace ombrex {

enum class ImageResult : int {
  kOk = 1,              // done; for a check: the file is a valid image
  kFailed = 0,          // missing, not a valid image, or not written
  kNoProfileFile = -1,  // there is no profile file yet, so nothing was saved
  kCannotOpen = -2,     // the file is there but cannot be opened
  kOutOfMemory = -3,
};

constexpr int Code(ImageResult result) {
  return static_cast<int>(result);
}

// Prints the code, so test failures and logs show -2 rather than raw bytes.
std::ostream& operator<<(std::ostream& out, ImageResult result);

}  // namespace ombrex
