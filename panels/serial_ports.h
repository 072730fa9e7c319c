// The machine's serial ports, as the three port combo boxes list them: item i
// of every box is record i. The list is what the platform reports, then the
// ports named in BRELVIK_EXTRA_PORTS (pseudo-terminals of panel-emu, or any
// device the user wants listed), each record finished by the same rules.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace brelvik {

struct SSerInfo {
    std::string devicePath;       // what a panel port is opened with
    std::string portName;         // short name (COM3, ttyACM0); empty from SetupAPI
    std::string friendlyName;     // what the boxes show; auto-connect tests it for "USB", "STMicro"
    bool isUsbDevice = false;
    std::string portDescription;  // device description without the "(port)" ending
};

struct PortEnumeration {
    std::vector<SSerInfo> ports;
    // Empty when the system listed its ports; otherwise the text for the
    // user, and `ports` holds what was found before the failure, followed by
    // the extra ports, which do not depend on the system's list.
    std::string error;
};

// Nobody has this many serial ports; a larger count means a broken or
// hostile device tree, and the boxes must stay usable.
inline constexpr std::size_t kMaxPlatformPorts = 256;
inline constexpr std::size_t kMaxExtraPorts = 32;
inline constexpr std::size_t kMaxExtraNameBytes = 255;
inline constexpr std::size_t kMaxExtraPathBytes = 4095;

PortEnumeration EnumerateSerialPorts();

// The refresh takes its list through this, so tests can hand it a fixed one.
class PortEnumerator {
public:
    virtual ~PortEnumerator() = default;
    virtual PortEnumeration enumerate() = 0;
};

class SystemPortEnumerator final : public PortEnumerator {
public:
    PortEnumeration enumerate() override { return EnumerateSerialPorts(); }
};

// One per platform: appends the system's ports, at most kMaxPlatformPorts,
// and returns the failure text, empty when all went well.
std::string enumeratePlatformPorts(std::vector<SSerInfo>& ports);

// EnumerateSerialPorts with its two sources given: the platform's lister and
// the text of BRELVIK_EXTRA_PORTS (nullptr when it is not set).
PortEnumeration collectPorts(const std::function<std::string(std::vector<SSerInfo>&)>& platform,
                             const char* extraPorts);

// "friendly name=path;friendly name=path". The path follows the last '=', so
// a name may hold one; a path may not. Entries without a name or a path, with
// control characters or too long are left out; blanks around names and paths
// are dropped.
std::vector<SSerInfo> parseExtraPorts(std::string_view text);

// An empty friendly name becomes the port name, an empty description the
// friendly name, and a description ending in " (port)" loses that ending.
void finishPortRecords(std::vector<SSerInfo>& ports);

// What the POSIX lister learns of one port, kept apart from the library so
// the record it makes can be tested without hardware.
enum class PortTransport { Native, Usb, Bluetooth };

struct PortFacts {
    std::string path;          // /dev/ttyACM0
    PortTransport transport = PortTransport::Native;
    std::string description;   // the library's one-line description
    std::string manufacturer;  // USB string descriptors, as the device sends them
    std::string product;
    std::string uartType;      // the serial core's "type" of the tty, empty when it has none
};

SSerInfo portRecordFromFacts(const PortFacts& facts);

// The 8250 driver registers its legacy ttyS ports whether or not a UART is
// fitted; the serial core reports type 0 (unknown) for those. libserialport
// filters them only while the driver link reads "serial8250", which newer
// kernels no longer show, so the lister asks the type itself.
bool isPhantomUart(const PortFacts& facts);

// POSIX only: the "type" attribute of <ttyClassDir>/<device>, read as at most
// a few bytes of a regular file; empty when there is none.
std::string readUartType(const std::string& ttyClassDir, std::string_view device);

// "<maker> <product> USB (<device>)": "USB" so auto-connect probes the port,
// the maker so a gauges board from STMicroelectronics is known by its name.
std::string usbFriendlyName(std::string_view manufacturer, std::string_view product, std::string_view device);

// Text a device reports, made fit for a combo box: control characters become
// blanks, runs of blanks one, none at the ends, at most maxBytes bytes
// without splitting a UTF-8 sequence.
std::string cleanDeviceText(std::string_view text, std::size_t maxBytes = 126);

}  // namespace brelvik
