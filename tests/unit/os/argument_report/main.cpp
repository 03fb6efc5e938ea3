// Started by the process-launch tests on Windows: writes the words it was
// given, as Windows splits its command line, to the file named by the first
// one, one UTF-8 line each, then whether it got a console window. Written
// under a temporary name and renamed, so the test never reads half a report.

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

namespace {

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size - 1 : 0, '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), size, nullptr, nullptr);
  return out;
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** words = CommandLineToArgvW(GetCommandLineW(), &count);
  if (words == nullptr || count < 2) return 2;
  std::string report;
  for (int i = 2; i < count; ++i) report += Utf8(words[i]) + "\n";
  report += GetConsoleWindow() == nullptr ? "console=none\n" : "console=shown\n";

  const std::wstring target = words[1];
  const std::wstring temporary = target + L".part";
  const HANDLE file =
      CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 3;
  DWORD written = 0;
  WriteFile(file, report.data(), static_cast<DWORD>(report.size()), &written, nullptr);
  CloseHandle(file);
  return MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 4;
}
