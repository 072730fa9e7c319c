#include "panels/serial_ports.h"

#include <libserialport.h>

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

// libserialport reads the USB maker and product from sysfs and, unlike a
// plain walk of /sys/class/tty, leaves out the legacy ttyS ports the 8250
// driver registers whether or not a UART is fitted.
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
        ports.push_back(portRecordFromFacts(facts));
    }
    sp_free_port_list(list);
    return {};
}

}  // namespace brelvik
