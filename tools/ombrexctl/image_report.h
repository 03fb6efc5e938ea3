#pragma once

// A profile image file in words: whether it is one the program takes in (and
// why not), and every assignment, macro and text it holds, as text or JSON.

#include <filesystem>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

#include "model/profile_image.h"

namespace ombrex::ctl {

struct FileCheck {
  bool valid = false;
  std::string reason;  // why not, when not valid
  std::vector<std::uint8_t> bytes;
};

// Reads a file and checks it as the program checks a file before it is
// taken in. Never changes the file.
FileCheck CheckProfileFile(const std::filesystem::path& file);
// The same for bytes already read.
std::string ReasonOf(ImageCheck check);

void WriteReport(const ProfileImage& image, std::ostream& out);
void WriteJsonReport(const ProfileImage& image, std::ostream& out);

// A string as a JSON literal, quotes included, escaped as PrintableText
// escapes it.
std::string JsonString(std::string_view utf8);

}  // namespace ombrex::ctl
