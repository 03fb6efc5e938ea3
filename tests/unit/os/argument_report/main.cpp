// Started by the process-launch tests on Windows: writes the words it was
// given, as this program's own argument reading sees them, to the file named
// by the first one, one line each, then whether it got a console window. The
// file is replaced atomically, so the test never reads half a report.

#include <string>
#include <vector>

#include "platform/command_line.h"
#include "platform/file_io.h"
#include "platform/win32.h"

int main(int argc, char** argv) {
  const std::vector<std::string> words = ombrex::Utf8Arguments(argc, argv);
  if (words.empty()) return 2;
  std::string report;
  for (std::size_t i = 1; i < words.size(); ++i) report += words[i] + "\n";
  report += GetConsoleWindow() == nullptr ? "console=none\n" : "console=shown\n";
  return ombrex::ReplaceFileAtomically(ombrex::PathFromUtf8(words[0]), report) ? 0 : 3;
}
