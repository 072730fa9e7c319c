#include "app/timer_resolution.h"

#include <windows.h>
#include <timeapi.h>

namespace brelvik {

void keepTimersFine() {
    // Undone by the system when the process ends.
    ::timeBeginPeriod(1);
    // Windows 11: keep honouring that resolution while the window is hidden
    // or covered (PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION with its
    // state bit clear). Looked up at run time: Windows 7 lacks the function,
    // and Windows 10 before 1709 refuses the class, which is harmless.
    using SetInformation = BOOL(WINAPI*)(HANDLE, PROCESS_INFORMATION_CLASS, LPVOID, DWORD);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) return;
    const auto set = reinterpret_cast<SetInformation>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetProcessInformation")));
    if (set == nullptr) return;
    PROCESS_POWER_THROTTLING_STATE state{};
    state.Version = PROCESS_POWER_THROTTLING_CURRENT_VERSION;
    state.ControlMask = PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION;
    state.StateMask = 0;
    set(::GetCurrentProcess(), ProcessPowerThrottling, &state, sizeof state);
}

}  // namespace brelvik
