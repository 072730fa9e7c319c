#include "panels/serial_port.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

namespace brelvik {
namespace {

struct HandleCloser {
    void operator()(void* handle) const { ::CloseHandle(handle); }
};
using OwnedHandle = std::unique_ptr<void, HandleCloser>;

OwnedHandle manualResetEvent() { return OwnedHandle(::CreateEventW(nullptr, TRUE, FALSE, nullptr)); }

std::string failure(const char* what, const std::string& path, DWORD error) {
    char code[32];
    std::snprintf(code, sizeof code, " (error %lu)", static_cast<unsigned long>(error));
    return what + (" " + path) + code;
}

// One request per block at a time; the block is cleared for each new request
// and keeps only its event, which is reset so that a stale signal cannot pass
// for the new request's completion.
OVERLAPPED& fresh(OVERLAPPED& block, const OwnedHandle& event) {
    block = OVERLAPPED{};
    block.hEvent = event.get();
    ::ResetEvent(event.get());
    return block;
}

DWORD clampedSize(std::size_t size) { return static_cast<DWORD>(std::min<std::size_t>(size, 1u << 20)); }

// The port is opened for overlapped I/O so that the reader thread's
// WaitCommEvent and the UI thread's reads and writes can be outstanding at the
// same time; each kind has its own block and event.
class Win32SerialPort final : public SerialPort {
public:
    explicit Win32SerialPort(HANDLE port) : port_(port) {}

    bool ready() const { return readDone_ && writeDone_ && commEvent_ && wakeEvent_; }

    std::size_t queued() override {
        COMSTAT status{};
        DWORD errors = 0;
        return ::ClearCommError(port_.get(), &errors, &status) ? status.cbInQue : 0;
    }

    std::size_t read(std::span<std::uint8_t> bytes) override {
        if (bytes.empty()) return 0;
        OVERLAPPED& block = fresh(readBlock_, readDone_);
        DWORD got = 0;
        if (::ReadFile(port_.get(), bytes.data(), clampedSize(bytes.size()), nullptr, &block)) {
            ::GetOverlappedResult(port_.get(), &block, &got, FALSE);
            return got;
        }
        if (::GetLastError() != ERROR_IO_PENDING) return 0;
        // Fewer bytes were queued than asked for, and the driver would wait
        // for the rest. The caller's buffer goes away on return, so the read
        // is ended here; what it had already taken is counted, not lost.
        ::CancelIoEx(port_.get(), &block);
        ::GetOverlappedResult(port_.get(), &block, &got, TRUE);
        return got;
    }

    std::size_t write(std::span<const std::uint8_t> bytes) override {
        if (bytes.empty()) return 0;
        // A line error (overrun, framing) blocks all I/O on the port until cleared.
        DWORD errors = 0;
        ::ClearCommError(port_.get(), &errors, nullptr);
        OVERLAPPED& block = fresh(writeBlock_, writeDone_);
        const DWORD size = clampedSize(bytes.size());
        DWORD written = 0;
        if (::WriteFile(port_.get(), bytes.data(), size, nullptr, &block)) {
            ::GetOverlappedResult(port_.get(), &block, &written, FALSE);
            return written;
        }
        if (::GetLastError() != ERROR_IO_PENDING) return 0;
        if (::WaitForSingleObject(writeDone_.get(), static_cast<DWORD>(writeTimeoutMs(size))) != WAIT_OBJECT_0) {
            ::CancelIoEx(port_.get(), &block);
        }
        ::GetOverlappedResult(port_.get(), &block, &written, TRUE);
        return written;
    }

    PortWait waitForInput() override {
        for (;;) {
            if (::WaitForSingleObject(wakeEvent_.get(), 0) == WAIT_OBJECT_0) return PortWait::Woken;
            // A pulled USB device fails every call on its handle from then on.
            COMSTAT status{};
            DWORD errors = 0;
            if (!::ClearCommError(port_.get(), &errors, &status)) return PortWait::Gone;
            if (status.cbInQue > 0) return PortWait::Input;

            if (polling_) {
                if (::WaitForSingleObject(wakeEvent_.get(), kPollMs) == WAIT_OBJECT_0) return PortWait::Woken;
                continue;
            }
            DWORD mask = 0;
            OVERLAPPED& block = fresh(waitBlock_, commEvent_);
            if (::WaitCommEvent(port_.get(), &mask, &block)) continue;
            if (::GetLastError() != ERROR_IO_PENDING) {
                // Wine's serial layer refuses the wait on a pseudo-terminal
                // outright, where a working Windows port never does. Either
                // way the queue count still answers, so the port is polled
                // from now on; if the count fails too, the device is gone and
                // the next round says so.
                polling_ = true;
                continue;
            }

            const HANDLE signals[] = {commEvent_.get(), wakeEvent_.get()};
            const DWORD which = ::WaitForMultipleObjects(2, signals, FALSE, INFINITE);
            DWORD unused = 0;
            if (which != WAIT_OBJECT_0) {
                // wake() has already emptied the mask, which ends the wait;
                // cancelling makes sure before the block is reused or freed.
                ::CancelIoEx(port_.get(), &block);
                ::GetOverlappedResult(port_.get(), &block, &unused, TRUE);
                return which == WAIT_OBJECT_0 + 1 ? PortWait::Woken : PortWait::Gone;
            }
            // A wait that ends in an error is not trusted again, or a driver
            // that keeps failing it would keep this thread spinning.
            if (!::GetOverlappedResult(port_.get(), &block, &unused, FALSE)) polling_ = true;
        }
    }

    void wake() override {
        ::SetEvent(wakeEvent_.get());
        ::SetCommMask(port_.get(), 0);
    }

private:
    static constexpr DWORD kPollMs = 10;

    OwnedHandle readDone_ = manualResetEvent();
    OwnedHandle writeDone_ = manualResetEvent();
    OwnedHandle commEvent_ = manualResetEvent();
    OwnedHandle wakeEvent_ = manualResetEvent();
    OwnedHandle port_;  // last, so it is closed before the events it used
    OVERLAPPED readBlock_{};
    OVERLAPPED writeBlock_{};
    OVERLAPPED waitBlock_{};
    bool polling_ = false;  // reader thread only
};

}  // namespace

OpenedPort openSerialPort(const std::string& devicePath, int baudRate) {
    const HANDLE handle = ::CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return {nullptr, failure("could not open", devicePath, ::GetLastError())};
    auto port = std::make_unique<Win32SerialPort>(handle);
    if (!port->ready()) return {nullptr, failure("no events for", devicePath, ::GetLastError())};

    // The line format is ours, and so is binary mode: a frame may hold any
    // byte, so nothing may be swallowed as XON/XOFF, dropped as a NUL or held
    // back by a handshake line an earlier program left on. The rest stays as
    // the driver reports it.
    DCB line{};
    line.DCBlength = sizeof line;
    if (::GetCommState(handle, &line)) {
        line.BaudRate = static_cast<DWORD>(baudRate);
        line.ByteSize = 8;
        line.Parity = NOPARITY;
        line.StopBits = ONESTOPBIT;
        line.fBinary = TRUE;
        line.fParity = FALSE;
        line.fOutX = FALSE;
        line.fInX = FALSE;
        line.fOutxCtsFlow = FALSE;
        line.fOutxDsrFlow = FALSE;
        line.fDsrSensitivity = FALSE;
        line.fNull = FALSE;
        line.fErrorChar = FALSE;
        line.fAbortOnError = FALSE;
        if (line.fRtsControl == RTS_CONTROL_HANDSHAKE) line.fRtsControl = RTS_CONTROL_ENABLE;
        if (line.fDtrControl == DTR_CONTROL_HANDSHAKE) line.fDtrControl = DTR_CONTROL_ENABLE;
        ::SetCommState(handle, &line);
    }
    COMMTIMEOUTS timeouts{};
    timeouts.ReadIntervalTimeout = 50;
    timeouts.ReadTotalTimeoutMultiplier = 10;
    timeouts.ReadTotalTimeoutConstant = 50;
    timeouts.WriteTotalTimeoutMultiplier = 10;
    timeouts.WriteTotalTimeoutConstant = 50;
    ::SetCommTimeouts(handle, &timeouts);
    ::SetCommMask(handle, EV_RXCHAR);
    return {std::move(port), {}};
}

}  // namespace brelvik
