#include "app/program_paths.h"

namespace ombrex {

std::filesystem::path CompanionFileName() {
#ifdef _WIN32
  return "ZaRezavu.exe";
#else
  return "ZaRezavu";
#endif
}

ProgramPaths ProgramPaths::For(const std::filesystem::path& programFolder,
                               const std::filesystem::path& ownFileName,
                               const std::filesystem::path& serviceFolder) {
  ProgramPaths paths;
  paths.programFolder = programFolder;
  paths.ownFileName = ownFileName;
  paths.helpFolder = programFolder / "Help";
  paths.skinFolder = programFolder / "Skins";
  paths.mainSkin = paths.skinFolder / "Main.ini";
  paths.userColourPrefix = paths.skinFolder / "UserDengColor_";
  paths.profileSkin = paths.skinFolder / "Profile.ini";
  paths.compositeSkin = paths.skinFolder / "Composite.ini";
  paths.serviceFolder = serviceFolder.empty() ? programFolder : serviceFolder;
  paths.companion = paths.serviceFolder / CompanionFileName();
  return paths;
}

}  // namespace ombrex
