#include "platform/command_line.h"

#include "platform/text.h"

#ifdef _WIN32
#include "platform/win32.h"
// After windows.h, which it needs.
#include <shellapi.h>
#endif

namespace ombrex {

std::vector<std::string> Utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (words != nullptr) {
    std::vector<std::string> arguments;
    for (int i = 1; i < count; ++i) {
      const std::wstring word = words[i];
      arguments.push_back(Utf8FromUtf16(std::u16string(word.begin(), word.end())));
    }
    LocalFree(words);
    return arguments;
  }
#endif
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

void UseUtf8Console() {
#ifdef _WIN32
  SetConsoleOutputCP(CP_UTF8);
#endif
}

}  // namespace ombrex
