// The ports panel-emu plays on: a new pseudo-terminal, a device it is given, or
// the host's end of an emulated USB-serial adapter (a virtual machine's socket).
#pragma once

#include <optional>
#include <string>

namespace brelvik::panelemu {

struct PanelPortFds {
    int fd = -1;  // what the emulator reads and writes: the master side, or the device
    // The emulator keeps the slave side open too, so the master neither reports
    // a hang-up nor loses queued bytes between the bridge's probe and its open.
    int heldSlave = -1;
    std::string path;  // what the bridge opens
    bool isSocket = false;
};

// Raw 8N1 at `baud` (9600 or 115200), no flow control; false with errno set.
bool makeRaw(int fd, int baud);

std::optional<PanelPortFds> openPseudoTerminal(int baud, std::string& error);
// "unix:<socket path>" connects to a Unix stream socket that carries the
// adapter's bytes, such as a QEMU socket chardev behind -device usb-serial;
// any other path is a tty device, set raw.
std::optional<PanelPortFds> openDevice(const std::string& path, int baud, std::string& error);

inline constexpr char kSocketPrefix[] = "unix:";

// Closing the master is how a cable is pulled: the bridge's reads then fail.
void closePort(PanelPortFds& port);

}  // namespace brelvik::panelemu
