#pragma once

// Starting another program and forgetting it: the companion program at every
// start. The program runs on its own, without a window or console of ours,
// and is never waited for or stopped.

#include <filesystem>
#include <string>
#include <vector>

namespace ombrex {

// Starts `program` with `arguments`, detached and hidden: its own session,
// standard streams on the null device, nothing inherited that this process
// holds open. True when the program was started; callers that must not care
// ignore it.
bool StartDetached(const std::filesystem::path& program,
                   const std::vector<std::string>& arguments = {});

}  // namespace ombrex
