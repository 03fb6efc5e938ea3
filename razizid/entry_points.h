#pragma once

// The C functions of one core, made from the contract's list: the shared
// library exports those of its process core, and each in-process library
// hands out those of its own. Whatever a core throws ends here, as the
// contract's I/O error: a caller of a C library may not be C++ at all, and
// even one that is cannot catch across a module built with its own runtime.

#include <exception>
#include <string>

#include "device/razizid_api.h"
#include "razizid/core.h"

namespace ombrex::razizid {

template <typename Call>
int Contained(Core& core, const char* function, Call&& call) noexcept {
  try {
    return call();
  } catch (const std::exception& error) {
    try {
      core.Log().Error(std::string(function) + " failed: " + error.what());
    } catch (...) {
      core.Log().Error("a call failed");  // no memory left for the whole line
    }
  } catch (...) {
    core.Log().Error("a call failed");
  }
  return RAZIZID_IO_ERROR;
}

// `TheCore` gives the core every function reaches.
template <Core& (*TheCore)()>
struct EntryPoints {
#define RAZIZID_ENTRY_POINT(name, parameters, arguments)                  \
  static int RAZIZID_CALL name parameters noexcept {                      \
    Core* core = nullptr;                                                 \
    try {                                                                 \
      core = &TheCore();                                                  \
    } catch (...) {                                                       \
      return RAZIZID_IO_ERROR; /* no core, so nowhere to say it */        \
    }                                                                     \
    return Contained(*core, #name, [&] { return core->name arguments; }); \
  }
  RAZIZID_FUNCTIONS(RAZIZID_ENTRY_POINT)
  RAZIZID_EXTRA_FUNCTIONS(RAZIZID_ENTRY_POINT)
#undef RAZIZID_ENTRY_POINT

#define RAZIZID_TABLE_ENTRY(name, parameters, arguments) .name = &name,
  static constexpr RazIzidFunctions kTable = {RAZIZID_FUNCTIONS(RAZIZID_TABLE_ENTRY)
                                                  RAZIZID_EXTRA_FUNCTIONS(RAZIZID_TABLE_ENTRY)};
#undef RAZIZID_TABLE_ENTRY
};

}  // namespace ombrex::razizid
