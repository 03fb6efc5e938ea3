#pragma once

// The program keeps its texts and paths as UTF-16 and std::filesystem; Qt
// wants QString. These are the only crossings.

#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

namespace ombrex {

inline QString ToQString(std::u16string_view text) {
  return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::u16string FromQString(const QString& text) {
  return text.toStdU16String();
}

inline QString PathToQString(const std::filesystem::path& path) {
  return QString::fromStdU16String(path.generic_u16string());
}

}  // namespace ombrex
