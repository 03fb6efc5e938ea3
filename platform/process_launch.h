#pragma once

// Starting another program and forgetting it: the companion program at every
// start. The program runs on its own, without a window or console of ours,
// and is never waited for or stopped.

#include <filesystem>
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

}  // namespace ombrex
