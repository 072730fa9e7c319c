#include "panels/serial_ports.h"

#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <memory>

#include "base/utf_text_win32.h"
#include "panels/serial_win32.h"

namespace brelvik {
namespace {

// The Ports device setup class: serial and printer ports, also those whose
// driver registers no COM-port interface.
const GUID kPortsSetupClass = {0x4D36E978, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

std::string failure(const char* what, DWORD error) {
    char message[96];
    std::snprintf(message, sizeof message, "%s failed. (err=%lx)", what, static_cast<unsigned long>(error));
    return message;
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
    out = utf8Text(buffer);
    return true;
}

// The hardware ids, as one text with a zero after each id; empty when they
// cannot be read. A few ids of some 60 characters each fit with room to spare.
std::string readHardwareIds(HDEVINFO set, SP_DEVINFO_DATA& device) {
    wchar_t buffer[1024] = {};
    DWORD type = 0;
    DWORD size = 0;
    if (!::SetupDiGetDeviceRegistryPropertyW(set, &device, SPDRP_HARDWAREID, &type, reinterpret_cast<BYTE*>(buffer),
                                             sizeof buffer - 2 * sizeof(wchar_t), &size) ||
        type != REG_MULTI_SZ) {
        return {};
    }
    return utf8Text(std::wstring(buffer, std::min<std::size_t>(size / sizeof(wchar_t), 1022)));
}

// "COM5", from the device's hardware key; empty when it has none.
std::string readPortName(HDEVINFO set, SP_DEVINFO_DATA& device) {
    const HKEY key = ::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return {};
    wchar_t buffer[64] = {};
    DWORD type = 0;
    DWORD size = sizeof buffer - sizeof(wchar_t);
    const LSTATUS status =
        ::RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return {};
    buffer[std::min<std::size_t>(size / sizeof(wchar_t), 63)] = L'\0';
    return utf8Text(buffer);
}

bool sameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

// What both methods read of a device: false when it is not to be listed.
bool describeDevice(HDEVINFO set, SP_DEVINFO_DATA& device, SSerInfo& record) {
    if (!readTextProperty(set, device, SPDRP_FRIENDLYNAME, record.friendlyName) ||
        !readTextProperty(set, device, SPDRP_DEVICEDESC, record.portDescription)) {
        return false;
    }
    record.friendlyName = nameWithMaker(readHardwareIds(set, device), record.friendlyName);
    std::string location;
    record.isUsbDevice = readTextProperty(set, device, SPDRP_LOCATION_INFORMATION, location) &&
                         location.compare(0, 3, "USB") == 0;
    return true;
}

struct DeviceSetCloser {
    void operator()(void* set) const { ::SetupDiDestroyDeviceInfoList(static_cast<HDEVINFO>(set)); }
};
using DeviceSet = std::unique_ptr<void, DeviceSetCloser>;

// The ports whose driver registers the COM-port interface, opened by the
// interface path; `listedNames` gets their port names.
std::string listInterfacePorts(std::vector<SSerInfo>& ports, std::vector<std::string>& listedNames) {
    const HDEVINFO set = ::SetupDiGetClassDevsW(&kComPortInterface, nullptr, nullptr,
                                                DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (set == INVALID_HANDLE_VALUE) return failure("SetupDiGetClassDevs", ::GetLastError());
    const DeviceSet closer(set);

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

        // Known by name even when it is not listed, so that the other method
        // does not list it either.
        const std::string portName = readPortName(set, device);
        if (!portName.empty()) listedNames.push_back(portName);
        SSerInfo record;
        if (!describeDevice(set, device, record)) continue;
        record.devicePath = utf8Text(detail->DevicePath);
        ports.push_back(std::move(record));
    }
    return {};
}

// Serial ports of the Ports setup class that the interface did not list (a
// driver need not register the interface), opened by their port name.
std::string listClassPorts(std::vector<SSerInfo>& ports, const std::vector<std::string>& listedNames) {
    const HDEVINFO set = ::SetupDiGetClassDevsW(&kPortsSetupClass, nullptr, nullptr, DIGCF_PRESENT);
    if (set == INVALID_HANDLE_VALUE) return failure("SetupDiGetClassDevs", ::GetLastError());
    const DeviceSet closer(set);

    for (DWORD index = 0; ports.size() < kMaxPlatformPorts; ++index) {
        SP_DEVINFO_DATA device = {};
        device.cbSize = sizeof device;
        if (!::SetupDiEnumDeviceInfo(set, index, &device)) {
            const DWORD error = ::GetLastError();
            if (error == ERROR_NO_MORE_ITEMS) break;
            return failure("SetupDiEnumDeviceInfo", error);
        }
        const std::string portName = readPortName(set, device);
        if (portName.empty() || sameName(portName.substr(0, 3), "LPT")) continue;
        if (std::any_of(listedNames.begin(), listedNames.end(),
                        [&](const std::string& listed) { return sameName(listed, portName); })) {
            continue;
        }
        SSerInfo record;
        if (!describeDevice(set, device, record)) continue;
        record.portName = portName;
        record.devicePath = "\\\\.\\" + portName;
        ports.push_back(std::move(record));
    }
    return {};
}

}  // namespace

std::string nameWithMaker(std::string_view hardwareIds, const std::string& friendlyName) {
    if (friendlyName.find("STMicro") != std::string::npos) return friendlyName;
    // Ids look like "USB\VID_0483&PID_5740&REV_0200", in either case.
    std::string ids(hardwareIds);
    std::transform(ids.begin(), ids.end(), ids.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    if (ids.find("VID_0483") != std::string::npos) return "STMicroelectronics " + friendlyName;
    return friendlyName;
}

std::string enumeratePlatformPorts(std::vector<SSerInfo>& ports) {
    std::vector<std::string> listedNames;
    const std::string error = listInterfacePorts(ports, listedNames);
    if (!error.empty()) return error;
    return listClassPorts(ports, listedNames);
}

}  // namespace brelvik
