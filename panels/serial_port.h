// One open panel port. The UI thread reads and writes it; the port's reader
// thread only waits on it (waitForInput) and is ended through wake(). One file
// per platform opens it: termios on POSIX, overlapped I/O on Windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace brelvik {

enum class PortWait {
    Input,  // bytes are queued
    Woken,  // wake() was called: the reader must end
    Gone,   // the device went away (cable pulled, hang-up, read error)
};

class SerialPort {
public:
    virtual ~SerialPort() = default;

    // Bytes the driver has queued; 0 when none or when the device is gone.
    virtual std::size_t queued() = 0;
    // What is queued, up to bytes.size(), without waiting for more; 0 when
    // nothing could be read.
    virtual std::size_t read(std::span<std::uint8_t> bytes) = 0;
    // Gives up after 50 ms + 10 ms per byte, so a device that stops taking
    // bytes cannot hold the UI thread; returns the bytes written.
    virtual std::size_t write(std::span<const std::uint8_t> bytes) = 0;

    // Reader thread: blocks until input is queued, wake() was called or the
    // device is gone. After wake() every call returns Woken at once.
    virtual PortWait waitForInput() = 0;
    // Any thread, any number of times.
    virtual void wake() = 0;
};

// Line settings of every panel port besides the rate: 8 data bits, no parity,
// one stop bit, raw bytes, no flow control, nobody else on the port.
struct OpenedPort {
    std::unique_ptr<SerialPort> port;  // null when the open failed
    std::string error;                 // why, for logs and tests; the user sees the fixed text
};

// One per platform.
OpenedPort openSerialPort(const std::string& devicePath, int baudRate);

// Opening goes through this, so tests can hand out ports of their own.
class SerialOpener {
public:
    virtual ~SerialOpener() = default;
    virtual OpenedPort open(const std::string& devicePath, int baudRate) = 0;
};

class SystemSerialOpener final : public SerialOpener {
public:
    OpenedPort open(const std::string& devicePath, int baudRate) override {
        return openSerialPort(devicePath, baudRate);
    }
};

// The write time-out of the panel ports, in milliseconds.
inline constexpr int writeTimeoutMs(std::size_t byteCount) {
    return 50 + 10 * static_cast<int>(byteCount > 100000 ? 100000 : byteCount);
}

}  // namespace brelvik
