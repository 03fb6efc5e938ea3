#pragma once

// The words a program was started with, and text paths, as UTF-8 on every
// platform. On Windows `main`'s argv is in the ANSI code page, which cannot
// hold every file name; the wide command line can.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace ombrex {

// argv[1..] as UTF-8. On Windows taken from the process's wide command line,
// split by the rules programs started with CreateProcess expect.
std::vector<std::string> Utf8Arguments(int argc, char** argv);

// A path from UTF-8 text and back, the same file name on every platform.
std::filesystem::path PathFromUtf8(std::string_view utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

// Makes a Windows console show the UTF-8 this program prints; elsewhere the
// terminal already does.
void UseUtf8Console();

}  // namespace ombrex
