// The Windows types of the simulator client interface, where there is no
// <windows.h>: types of the same size stand in.
#pragma once

#include <cstdint>

extern "C" {
using HRESULT = std::int32_t;
using HANDLE = void*;
using HWND = void*;
using DWORD = std::uint32_t;
using BOOL = std::int32_t;
}

// The vendor's calling convention; only 32-bit Windows has another.
#define SIMCONNECT_API
#define SIMCONNECT_CALLBACK
