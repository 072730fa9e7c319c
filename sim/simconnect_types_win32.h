// The Windows types of the simulator client interface are the system's own:
// the wx window files see <windows.h> too, and would otherwise meet DWORD twice.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// The vendor's calling convention: the same as the default on x64, and what
// a 32-bit build must use to call its library.
#define SIMCONNECT_API __stdcall
#define SIMCONNECT_CALLBACK __stdcall
