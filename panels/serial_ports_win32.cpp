#include "panels/serial_ports.h"

#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <memory>

namespace brelvik {
namespace {

// The COM-port device-interface class.
const GUID kComPortInterface = {0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};

std::string failure(const char* what, DWORD error) {
    char message[96];
    std::snprintf(message, sizeof message, "%s failed. (err=%lx)", what, static_cast<unsigned long>(error));
    return message;
}

std::string utf8(const wchar_t* text) {
    const int wideLength = static_cast<int>(std::wcslen(text));
    if (wideLength == 0) return {};
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text, wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return {};
    std::string out(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, wideLength, out.data(), length, nullptr, nullptr);
    return out;
}

// A string property of at most 255 characters. The registry does not promise
// a terminating zero, so one is put after what was read.
bool readTextProperty(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property, std::string& out) {
    wchar_t buffer[256] = {};
    DWORD type = 0;
    DWORD size = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(buffer),
                                             sizeof buffer - sizeof(wchar_t), &size)) {
        return false;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ) return false;
    buffer[std::min<std::size_t>(size / sizeof(wchar_t), 255)] = L'\0';
    out = utf8(buffer);
    return true;
}

struct DeviceSetCloser {
    void operator()(void* set) const { ::SetupDiDestroyDeviceInfoList(static_cast<HDEVINFO>(set)); }
};

}  // namespace

std::string enumeratePlatformPorts(std::vector<SSerInfo>& ports) {
    const HDEVINFO set = ::SetupDiGetClassDevsW(&kComPortInterface, nullptr, nullptr,
                                                DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return failure("SetupDiGetClassDevs", ::GetLastError());
    const std::unique_ptr<void, DeviceSetCloser> closer(set);

    for (DWORD index = 0; ports.size() < kMaxPlatformPorts; ++index) {
        SP_DEVICE_INTERFACE_DATA interfaceData = {};
        interfaceData.cbSize = sizeof interfaceData;
        if (!::SetupDiEnumDeviceInterfaces(set, nullptr, &kComPortInterface, index, &interfaceData)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_NO_MORE_ITEMS) break;
            return failure("SetupDiEnumDeviceInterfaces", error);
        }

        // Asked for its size first: the path carries the device's serial
        // number, which a fixed buffer of 261 bytes does not always hold.
        DWORD detailSize = 0;
        ::SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, nullptr, 0, &detailSize, nullptr);
        if (detailSize < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W) || detailSize > 64 * 1024) {
            detailSize = 261 + sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        }
        const std::unique_ptr<BYTE[]> detailBuffer(new BYTE[detailSize + sizeof(wchar_t)]());
        auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_W*>(detailBuffer.get());
        detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_W);
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof device;
        if (!::SetupDiGetDeviceInterfaceDetailW(set, &interfaceData, detail, detailSize, nullptr, &device)) {
            return failure("SetupDiGetDeviceInterfaceDetail", ::GetLastError());
        }

        SSerInfo record;
        if (!readTextProperty(set, device, SPDRP_FRIENDLYNAME, record.friendlyName) ||
            !readTextProperty(set, device, SPDRP_DEVICEDESC, record.portDescription)) {
            continue;
        }
        std::string location;
        record.isUsbDevice = readTextProperty(set, device, SPDRP_LOCATION_INFORMATION, location) &&
                             location.compare(0, 3, "USB") == 0;
        record.devicePath = utf8(detail->DevicePath);
        ports.push_back(std::move(record));
    }
    return {};
}

}  // namespace brelvik
