#pragma once

// The paths the program derives from its own executable once at start.

#include <filesystem>

namespace ombrex {

struct ProgramPaths {
  std::filesystem::path programFolder;
  std::filesystem::path ownFileName;
  std::filesystem::path helpFolder;        // Help
  std::filesystem::path mainSkin;          // Skins/Main.ini
  std::filesystem::path skinFolder;        // the main skin's folder
  std::filesystem::path userColourPrefix;  // Skins/UserDengColor_
  std::filesystem::path profileSkin;       // Skins/Profile.ini
  std::filesystem::path compositeSkin;     // Skins/Composite.ini
  std::filesystem::path serviceFolder;     // the service library's folder
  std::filesystem::path companion;         // the companion program

  // `serviceFolder` empty: the service library and companion sit in the
  // program folder, as in the build tree.
  static ProgramPaths For(const std::filesystem::path& programFolder,
                          const std::filesystem::path& ownFileName,
                          const std::filesystem::path& serviceFolder = {});
};

// "ZaRezavu" here, "ZaRezavu.exe" on Windows.
std::filesystem::path CompanionFileName();

}  // namespace ombrex
