#pragma once

// The one way into the Windows headers. Every file that calls Windows itself
// includes this instead of <windows.h>, so the same macros are set everywhere
// and the names Windows turns into macros cannot rename our own functions in
// one file and not in another.

#ifdef _WIN32

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif

#include <windows.h>

// The settings store has members of these names (the registry functions they
// stand in for); as macros they would become ...A or ...W.
#undef GetProfileString
#undef WriteProfileString

#endif
