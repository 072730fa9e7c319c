#include "panels/port_watcher.h"

#include <windows.h>
#include <dbt.h>

#include <cstddef>
#include <cwctype>
#include <future>
#include <thread>
#include <utility>

#include "panels/serial_win32.h"

namespace brelvik {
namespace {

// Ours alone, so that nothing another program sends ends the watcher.
constexpr UINT kStopMessage = WM_APP + 1;

// "LPT1" from a DEV_BROADCAST_PORT_W, read no further than its stated size.
bool namesPrinterPort(const DEV_BROADCAST_PORT_W& port) {
    const std::size_t nameOffset = offsetof(DEV_BROADCAST_PORT_W, dbcp_name);
    if (port.dbcp_size < nameOffset + 3 * sizeof(wchar_t)) return false;
    const wchar_t* name = port.dbcp_name;
    return std::towupper(name[0]) == L'L' && std::towupper(name[1]) == L'P' && std::towupper(name[2]) == L'T';
}

// The hidden window and its thread. A top-level window, not a message-only
// one: ports that register no COM-port interface are told of only by the
// WM_DEVICECHANGE broadcast to top-level windows, which message-only windows
// never get.
class Win32PortWatcher final : public PortWatcher {
public:
    explicit Win32PortWatcher(std::function<void()> changed) : changed_(std::move(changed)) {
        std::promise<HWND> created;
        std::future<HWND> window = created.get_future();
        thread_ = std::thread([this, &created] { run(created); });
        window_ = window.get();
        if (window_ == nullptr) thread_.join();
    }

    ~Win32PortWatcher() override {
        if (window_ == nullptr) return;
        // Posted, not sent: the thread unregisters and destroys its own
        // window, which only the thread that made it may do.
        ::PostMessageW(window_, kStopMessage, 0, 0);
        thread_.join();
    }

    bool started() const { return window_ != nullptr; }

private:
    void run(std::promise<HWND>& created) {
        const HINSTANCE module = ::GetModuleHandleW(nullptr);
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = &Win32PortWatcher::windowProc;
        windowClass.hInstance = module;
        windowClass.lpszClassName = kPortWatcherWindowClass;
        // A second watcher finds the class already there.
        ::RegisterClassExW(&windowClass);
        const HWND window = ::CreateWindowExW(WS_EX_TOOLWINDOW, kPortWatcherWindowClass, L"", WS_POPUP, 0, 0, 0, 0,
                                              nullptr, nullptr, module, this);
        if (window == nullptr) {
            created.set_value(nullptr);
            return;
        }
        DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
        filter.dbcc_size = sizeof filter;
        filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        filter.dbcc_classguid = kComPortInterface;
        // Without it the port broadcasts still arrive, so a failure is not fatal.
        notification_ = ::RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
        created.set_value(window);  // `created` is gone after this

        MSG message;
        while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }

    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<Win32PortWatcher*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (message) {
        case WM_DEVICECHANGE:
            if (self != nullptr && isSerialPortChange(wParam, lParam)) self->changed_();
            return TRUE;
        case WM_CLOSE:
            return 0;  // only kStopMessage ends the watcher
        case kStopMessage:
            if (self != nullptr && self->notification_ != nullptr) {
                ::UnregisterDeviceNotification(self->notification_);
                self->notification_ = nullptr;
            }
            ::DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            ::PostQuitMessage(0);
            return 0;
        default:
            return ::DefWindowProcW(window, message, wParam, lParam);
        }
    }

    std::function<void()> changed_;
    HWND window_ = nullptr;
    HDEVNOTIFY notification_ = nullptr;  // the thread's
    std::thread thread_;
};

}  // namespace

bool isSerialPortChange(WPARAM event, LPARAM data) {
    if ((event != DBT_DEVICEARRIVAL && event != DBT_DEVICEREMOVECOMPLETE) || data == 0) return false;
    const auto* header = reinterpret_cast<const DEV_BROADCAST_HDR*>(data);
    switch (header->dbch_devicetype) {
    case DBT_DEVTYP_DEVICEINTERFACE: {
        if (header->dbch_size < offsetof(DEV_BROADCAST_DEVICEINTERFACE_W, dbcc_name)) return false;
        const auto* device = reinterpret_cast<const DEV_BROADCAST_DEVICEINTERFACE_W*>(data);
        return ::IsEqualGUID(device->dbcc_classguid, kComPortInterface) != 0;
    }
    case DBT_DEVTYP_PORT:
        return !namesPrinterPort(*reinterpret_cast<const DEV_BROADCAST_PORT_W*>(data));
    default:
        return false;
    }
}

std::unique_ptr<PortWatcher> watchSerialPorts(std::function<void()> changed) {
    auto watcher = std::make_unique<Win32PortWatcher>(std::move(changed));
    if (!watcher->started()) return nullptr;
    return watcher;
}

}  // namespace brelvik
