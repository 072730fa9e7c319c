#include "panels/serial_port.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

#include "panels/serial_win32.h"

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
        // Only what the driver has queued is asked for, so the read never
        // waits for bytes that may not come; nothing queued, nothing to ask.
        const std::size_t available = std::min(bytes.size(), queued());
        if (available == 0) return 0;
        const DWORD asked = clampedSize(available);
        OVERLAPPED& block = fresh(readBlock_, readDone_);
        DWORD got = 0;
        if (::ReadFile(port_.get(), bytes.data(), asked, nullptr, &block)) {
            ::GetOverlappedResult(port_.get(), &block, &got, FALSE);
            return got;
        }
        if (::GetLastError() != ERROR_IO_PENDING) return 0;
        return finishPendingRead(port_.get(), block, asked);
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
        bool waitEnded = false;  // the last wait ended on its own
        for (;;) {
            if (::WaitForSingleObject(wakeEvent_.get(), 0) == WAIT_OBJECT_0) return PortWait::Woken;
            // A pulled USB device fails every call on its handle from then on.
            COMSTAT status{};
            DWORD errors = 0;
            if (!::ClearCommError(port_.get(), &errors, &status)) return PortWait::Gone;
            if (status.cbInQue > 0) return PortWait::Input;

            // A wait that ends with nothing queued happens (the UI thread may
            // have read the bytes first), but a driver that keeps ending it so
            // would keep this thread spinning: the next look comes a little
            // later.
            if (polling_ || waitEnded) {
                waitEnded = false;
                if (::WaitForSingleObject(wakeEvent_.get(), kPollMs) == WAIT_OBJECT_0) return PortWait::Woken;
                continue;
            }
            DWORD mask = 0;
            OVERLAPPED& block = fresh(waitBlock_, commEvent_);
            if (::WaitCommEvent(port_.get(), &mask, &block)) {
                waitEnded = true;
                continue;
            }
            if (::GetLastError() != ERROR_IO_PENDING) {
                // The queue count still answers, so a port that refuses the
                // wait is polled from now on; if the count fails too, the
                // device is gone and the next round says so.
                polling_ = true;
                continue;
            }

            // Bounded, so that an event a driver never signals costs a second
            // at most: then the queue and the wake event are looked at again.
            const HANDLE signals[] = {commEvent_.get(), wakeEvent_.get()};
            const DWORD which = ::WaitForMultipleObjects(2, signals, FALSE, kRecheckMs);
            DWORD unused = 0;
            if (which == WAIT_OBJECT_0) {
                // A wait that ends in an error is not trusted again, or a
                // driver that keeps failing it would keep this thread
                // spinning. Wine ends every wait on a pseudo-terminal so
                // (error 995), where a working Windows port never does.
                if (!::GetOverlappedResult(port_.get(), &block, &unused, FALSE)) polling_ = true;
                waitEnded = true;
                continue;
            }
            // Woken, timed out or failed: the wait is ended before its block
            // is reused or freed (on a wake, emptying the mask has already
            // ended it; cancelling makes sure).
            ::CancelIoEx(port_.get(), &block);
            ::GetOverlappedResult(port_.get(), &block, &unused, TRUE);
            if (which == WAIT_TIMEOUT) continue;
            return which == WAIT_OBJECT_0 + 1 ? PortWait::Woken : PortWait::Gone;
        }
    }

    void wake() override {
        ::SetEvent(wakeEvent_.get());
        ::SetCommMask(port_.get(), 0);
    }

private:
    static constexpr DWORD kPollMs = 10;
    static constexpr DWORD kRecheckMs = 1000;

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

DWORD finishPendingRead(HANDLE port, OVERLAPPED& block, DWORD asked) {
    // A driver may complete even a read of bytes it reported queued later,
    // from a work item; cancelled at once, such a read loses them or leaves
    // the reader woken for nothing. The port's own time-outs bound the wait,
    // with a margin for the driver's completion to reach us.
    constexpr DWORD kMarginMs = 50;
    if (::WaitForSingleObject(block.hEvent, readTimeoutMs(asked) + kMarginMs) != WAIT_OBJECT_0) {
        ::CancelIoEx(port, &block);
    }
    // The caller's buffer goes away on return, so the read must be over; a
    // read cut short still reports the bytes it took.
    DWORD got = 0;
    ::GetOverlappedResult(port, &block, &got, TRUE);
    return got;
}

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
