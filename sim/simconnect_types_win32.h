// The Windows types of the simulator client interface are the system's own:
// the wx window files see <windows.h> too, and would otherwise meet DWORD twice.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
