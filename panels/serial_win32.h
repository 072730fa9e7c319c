// The decisions of the Windows serial code that real hardware would be needed
// to reach through the handles: kept apart so that tests call them with
// handles and records of their own. Windows only.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "panels/serial_port.h"

namespace brelvik {

// The COM-port device-interface class.
inline constexpr GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

// How long a read of `asked` bytes may take before the driver must have ended
// it: the ports' read time-outs are set as their write time-outs.
inline constexpr DWORD readTimeoutMs(DWORD asked) { return static_cast<DWORD>(writeTimeoutMs(asked)); }

// Ends a ReadFile on `port` that went pending on `block` (whose event is
// manual-reset), having asked for `asked` bytes: it is given the port's own
// read time-out to complete, and only then cancelled. Returns the bytes the
// read delivered, also those of a read cut short. The block and the buffer
// are free again on return.
DWORD finishPendingRead(HANDLE port, OVERLAPPED& block, DWORD asked);

// The name a port is listed under: its friendly name, with the maker put in
// front when Windows' own driver named it without one ("USB Serial Device
// (COM5)") and the hardware ids (SPDRP_HARDWAREID, a multi-string such as
// "USB\VID_0483&PID_5740&REV_0200\0USB\VID_0483&PID_5740\0\0") show a
// maker we know.
std::string nameWithMaker(std::string_view hardwareIds, const std::string& friendlyName);

// Whether a WM_DEVICECHANGE with these parameters tells of a serial port that
// came or went: an arrival or a completed removal of a COM-port interface, or
// of a port other than a printer port. Nothing else counts, not even
// DBT_DEVNODES_CHANGED, which any device at all sends and which would make
// every mouse plugged in cost a refresh and its probes. lParam may be 0.
bool isSerialPortChange(WPARAM event, LPARAM data);

// The class of the port watcher's hidden window.
inline constexpr wchar_t kPortWatcherWindowClass[] = L"BrelvikPortWatcher";

}  // namespace brelvik
