#include "panels/serial_ports.h"

#include <algorithm>
#include <cstdlib>

namespace brelvik {
namespace {

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool hasControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return isControl(static_cast<unsigned char>(c)); });
}

// The part after the last separator of either platform: "ttyACM0", "COM7".
std::string_view lastPathPart(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string cleanDeviceText(std::string_view text, std::size_t maxBytes) {
    std::string out;
    out.reserve(std::min(text.size(), maxBytes));
    bool pendingBlank = false;
    bool cut = false;
    for (const char c : text) {
        if (isControl(static_cast<unsigned char>(c)) || c == ' ') {
            pendingBlank = !out.empty();
            continue;
        }
        if (out.size() + (pendingBlank ? 2 : 1) > maxBytes) {
            cut = true;
            break;
        }
        if (pendingBlank) out += ' ';
        pendingBlank = false;
        out += c;
    }
    // A cut inside a UTF-8 sequence would leave text the combo box cannot show.
    if (cut) {
        std::size_t lead = out.size();
        while (lead > 0 && (static_cast<unsigned char>(out[lead - 1]) & 0xC0) == 0x80) --lead;
        if (lead > 0) {
            const auto first = static_cast<unsigned char>(out[lead - 1]);
            const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
            if (out.size() - (lead - 1) < length) out.resize(lead - 1);
        }
        while (!out.empty() && out.back() == ' ') out.pop_back();
    }
    return out;
}

std::string usbFriendlyName(std::string_view manufacturer, std::string_view product, std::string_view device) {
    const std::string maker = cleanDeviceText(manufacturer);
    const std::string model = cleanDeviceText(product);
    std::string label;
    // Many boards repeat their maker in the product string.
    if (!maker.empty() && model.rfind(maker, 0) != 0) label = maker;
    if (!model.empty()) label += (label.empty() ? "" : " ") + model;
    if (label.empty()) {
        label = "USB Serial Port";
    } else if (label.find("USB") == std::string::npos) {
        label += " USB";
    }
    return label + " (" + cleanDeviceText(device) + ")";
}

SSerInfo portRecordFromFacts(const PortFacts& facts) {
    SSerInfo record;
    record.devicePath = facts.path;
    const std::string device = cleanDeviceText(lastPathPart(facts.path));
    record.portName = device;
    record.isUsbDevice = facts.transport == PortTransport::Usb;
    if (record.isUsbDevice) {
        // Without a product string the library's description is the best name left.
        const std::string description = cleanDeviceText(facts.description);
        const std::string_view product =
            !facts.product.empty() || description == device ? std::string_view(facts.product) : description;
        record.friendlyName = usbFriendlyName(facts.manufacturer, product, device);
    } else {
        // Never "USB" here: auto-connect must not send probes to a plain UART.
        const char* kind = facts.transport == PortTransport::Bluetooth ? "Bluetooth Serial Port" : "Serial Port";
        record.friendlyName = std::string(kind) + " (" + device + ")";
    }
    return record;
}

bool isPhantomUart(const PortFacts& facts) {
    return facts.transport == PortTransport::Native && trimmed(facts.uartType) == "0";
}

std::vector<SSerInfo> parseExtraPorts(std::string_view text) {
    std::vector<SSerInfo> ports;
    while (!text.empty() && ports.size() < kMaxExtraPorts) {
        const std::size_t end = text.find(';');
        const std::string_view entry = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

        const std::size_t equals = entry.rfind('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view name = trimmed(entry.substr(0, equals));
        const std::string_view path = trimmed(entry.substr(equals + 1));
        if (name.empty() || path.empty() || name.size() > kMaxExtraNameBytes || path.size() > kMaxExtraPathBytes) {
            continue;
        }
        if (hasControl(name) || hasControl(path)) continue;

        SSerInfo record;
        record.devicePath = std::string(path);
        record.portName = std::string(lastPathPart(path));
        record.friendlyName = std::string(name);
        ports.push_back(std::move(record));
    }
    return ports;
}

void finishPortRecords(std::vector<SSerInfo>& ports) {
    for (SSerInfo& port : ports) {
        if (port.friendlyName.empty()) port.friendlyName = port.portName;
        if (port.portDescription.empty()) port.portDescription = port.friendlyName;
        std::string& description = port.portDescription;
        const std::size_t open = description.find(" (");
        if (open != std::string::npos && open > 0 && description.find(')') == description.size() - 1) {
            description.resize(open);
        }
    }
}

PortEnumeration collectPorts(const std::function<std::string(std::vector<SSerInfo>&)>& platform,
                             const char* extraPorts) {
    PortEnumeration result;
    result.error = platform(result.ports);
    if (result.ports.size() > kMaxPlatformPorts) result.ports.resize(kMaxPlatformPorts);
    if (extraPorts != nullptr) {
        std::vector<SSerInfo> extras = parseExtraPorts(extraPorts);
        result.ports.insert(result.ports.end(), std::make_move_iterator(extras.begin()),
                            std::make_move_iterator(extras.end()));
    }
    finishPortRecords(result.ports);
    return result;
}

PortEnumeration EnumerateSerialPorts() {
    return collectPorts(enumeratePlatformPorts, std::getenv("BRELVIK_EXTRA_PORTS"));
}

}  // namespace brelvik
