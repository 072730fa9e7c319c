#include "panels/serial_ports.h"

#include <fcntl.h>
#include <libserialport.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace brelvik {
namespace {

std::string text(const char* value) { return value != nullptr ? value : ""; }

PortTransport transportOf(const sp_port* port) {
    switch (sp_get_port_transport(port)) {
    case SP_TRANSPORT_USB:
        return PortTransport::Usb;
    case SP_TRANSPORT_BLUETOOTH:
        return PortTransport::Bluetooth;
    default:
        return PortTransport::Native;
    }
}

}  // namespace

std::string readUartType(const std::string& ttyClassDir, std::string_view device) {
    if (device.empty() || device.find('/') != std::string_view::npos || device == "." || device == "..") return {};
    const std::string path = ttyClassDir + "/" + std::string(device) + "/type";
    // Non-blocking, and only a regular file: a FIFO or device planted in the
    // tree must not stall the refresh.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return {};
    struct stat info {};
    char buffer[16];
    ssize_t got = -1;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) got = ::read(fd, buffer, sizeof buffer);
    ::close(fd);
    return got > 0 ? std::string(buffer, static_cast<std::size_t>(got)) : std::string();
}

// libserialport reads each port's transport and USB strings from sysfs; of
// the legacy ttyS ports it may still list, those without a UART are dropped.
std::string enumeratePlatformPorts(std::vector<SSerInfo>& ports) {
    sp_port** list = nullptr;
    if (sp_list_ports(&list) != SP_OK) {
        char message[64];
        std::snprintf(message, sizeof message, "sp_list_ports failed. (err=%lx)",
                      static_cast<unsigned long>(sp_last_error_code()));
        return message;
    }
    for (sp_port** it = list; *it != nullptr && ports.size() < kMaxPlatformPorts; ++it) {
        PortFacts facts;
        facts.path = text(sp_get_port_name(*it));
        if (facts.path.empty()) continue;
        facts.transport = transportOf(*it);
        facts.description = text(sp_get_port_description(*it));
        facts.manufacturer = text(sp_get_port_usb_manufacturer(*it));
        facts.product = text(sp_get_port_usb_product(*it));
        if (facts.transport == PortTransport::Native) {
            const std::size_t slash = facts.path.rfind('/');
            facts.uartType = readUartType("/sys/class/tty", facts.path.substr(slash == std::string::npos ? 0 : slash + 1));
            if (isPhantomUart(facts)) continue;
        }
        ports.push_back(portRecordFromFacts(facts));
    }
    sp_free_port_list(list);
    return {};
}

}  // namespace brelvik
