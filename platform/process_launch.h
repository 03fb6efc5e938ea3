#pragma once

// Starting another program and forgetting it: the companion program at every
// start. The program runs on its own, without a window or console of ours,
// and is never waited for or stopped.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ombrex {

// Starts `program` with `arguments`, detached and hidden: its own session,
// standard streams on the null device, nothing inherited that this process
// holds open. True when the program was started; callers that must not care
// ignore it.
bool StartDetached(const std::filesystem::path& program,
                   const std::vector<std::string>& arguments = {});

// Windows hands a program one command line that the program splits again by
// the rules of CommandLineToArgvW. These make the line from UTF-8 words so that
// each comes back exactly as given: blanks, quotes, backslashes, empty words.
std::u16string QuoteWindowsArgument(std::u16string_view argument);
std::u16string WindowsCommandLine(const std::filesystem::path& program,
                                  const std::vector<std::string>& arguments);

// The program `name` as the shell would find it: the first executable file
// of that name in the folders of `searchPath` (PATH's format; the process's
// own PATH when empty). nullopt when there is none.
std::optional<std::filesystem::path> FindProgram(std::string_view name,
                                                 std::string_view searchPath = {});

// Whether a process of this user runs the program `name` (matched against
// the file name the process was started from, letter case as the system
// compares file names).
bool IsProgramRunning(std::string_view name);

}  // namespace ombrex
