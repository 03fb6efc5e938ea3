// What the built service library and its model module carry, as the system's
// own symbol lister sees them.

#include <gtest/gtest.h>
#include <stdio.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>

#include "device/razizid_api.h"
#include "device/service_library.h"
#include "razizid/model_module.h"

namespace ombrex {
namespace {

std::filesystem::path ProgramDir() {
  const char* dir = std::getenv("OMBREX_PROGRAM_DIR");
  return dir != nullptr ? dir : ".";
}

std::string Run(const std::string& command) {
  std::string out;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
  EXPECT_EQ(::pclose(pipe), 0) << command;
  return out;
}

// The names of the functions and data a library exports.
std::set<std::string> Exported(const std::filesystem::path& library) {
  std::set<std::string> names;
  std::istringstream lines(Run("nm -D --defined-only '" + library.string() + "'"));
  for (std::string address, kind, name; lines >> address >> kind >> name;) {
    if (kind == "T" || kind == "D" || kind == "B" || kind == "R") names.insert(name);
  }
  return names;
}

// Every symbol of the library, exported or not, demangled.
std::string AllSymbols(const std::filesystem::path& library) {
  return Run("nm -C '" + library.string() + "'");
}

TEST(ShippedLibrary, ExportsTheContractsFunctionsAndNothingElse) {
#define OMBREX_NAME(name, parameters, arguments) #name,
#define OMBREX_EXTRA_NAME(name, parameters, arguments) "RazIzid" #name,
  const std::set<std::string> contract = {RAZIZID_FUNCTIONS(OMBREX_NAME)
                                              RAZIZID_EXTRA_FUNCTIONS(OMBREX_EXTRA_NAME)};
#undef OMBREX_NAME
#undef OMBREX_EXTRA_NAME
  EXPECT_EQ(contract.size(), 15u);
  EXPECT_EQ(Exported(ProgramDir() / ServiceLibraryFileName()), contract);
  EXPECT_EQ(Exported(ProgramDir() / razizid::ModelModuleFileName()),
            std::set<std::string>{razizid::kModelModuleEntry});
}

TEST(ShippedLibrary, TheKeyboardModelLivesInTheModuleAndNotInTheLibrary) {
  const std::string model = AllSymbols(ProgramDir() / razizid::ModelModuleFileName());
  ASSERT_NE(model.find("ombrex::vkbd::Keyboard::HandleCommand"), std::string::npos)
      << "the symbol lister shows no model anywhere";
  const std::string library = AllSymbols(ProgramDir() / ServiceLibraryFileName());
  ASSERT_NE(library.find("ombrex::razizid::Core::Init"), std::string::npos);
  EXPECT_EQ(library.find("ombrex::vkbd::"), std::string::npos);
  EXPECT_EQ(library.find("ModelBackend::"), std::string::npos);
}

}  // namespace
}  // namespace ombrex
