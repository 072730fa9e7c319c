#include "panels/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

namespace brelvik {
namespace {

std::string failure(const char* what, int error) { return std::string(what) + ": " + std::strerror(error); }

speed_t speedOf(int baudRate) {
    switch (baudRate) {
    case 115200:
        return B115200;
    case 57600:
        return B57600;
    case 38400:
        return B38400;
    case 19200:
        return B19200;
    default:
        return B9600;
    }
}

// The last close() of a tty waits, up to the port's closing_wait (30 s by
// default), until its unsent output has drained; a panel that stopped taking
// bytes would freeze the window that long. Discarding the output first does
// not help on the USB drivers (their URBs in flight still count), only
// CAP_SYS_ADMIN may set closing_wait to none, and either would cut off the
// switch panel's farewell. So a close that would wait runs on a thread of its
// own, where a farewell still drains; until it is done the device counts as
// closing: an open of it would block on the tty's lock, so it fails at once.
class PendingCloses {
public:
    bool contains(dev_t device) {
        std::lock_guard lock(mutex_);
        return devices_.count(device) != 0;
    }
    void closeLater(int fd, dev_t device) {
        {
            std::lock_guard lock(mutex_);
            devices_.insert(device);
        }
        try {
            std::thread([this, fd, device] {
                close(fd);
                forget(device);
            }).detach();
        } catch (const std::system_error&) {
            close(fd);  // no thread to be had: better late than a lost descriptor
            forget(device);
        }
    }

private:
    void forget(dev_t device) {
        std::lock_guard lock(mutex_);
        devices_.erase(devices_.find(device));
    }

    std::mutex mutex_;
    std::multiset<dev_t> devices_;
};

PendingCloses& pendingCloses() {
    static auto* closes = new PendingCloses;  // never destroyed: a close may outlive main()
    return *closes;
}

bool outputQueued(int fd) {
    int count = 0;
    return ioctl(fd, TIOCOUTQ, &count) == 0 && count > 0;
}

void closeWithoutWaiting(int fd) {
    struct stat info {};
    if (!outputQueued(fd) || fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode)) {
        close(fd);
        return;
    }
    pendingCloses().closeLater(fd, info.st_rdev);
}

class PosixSerialPort final : public SerialPort {
public:
    PosixSerialPort(int fd, int wakeRead, int wakeWrite) : fd_(fd), wakeRead_(wakeRead), wakeWrite_(wakeWrite) {}
    ~PosixSerialPort() override {
        // The lock goes with the descriptor; TIOCEXCL is cleared so the next
        // opener (a replugged panel's new session, another program) is let in.
        ioctl(fd_, TIOCNXCL);
        close(wakeRead_);
        close(wakeWrite_);
        closeWithoutWaiting(fd_);
    }

    std::size_t queued() override {
        int count = 0;
        if (ioctl(fd_, FIONREAD, &count) != 0 || count < 0) return 0;
        return static_cast<std::size_t>(count);
    }

    std::size_t read(std::span<std::uint8_t> bytes) override {
        if (bytes.empty()) return 0;
        ssize_t got;
        do {
            got = ::read(fd_, bytes.data(), bytes.size());
        } while (got < 0 && errno == EINTR);
        return got > 0 ? static_cast<std::size_t>(got) : 0;
    }

    std::size_t write(std::span<const std::uint8_t> bytes) override {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(writeTimeoutMs(bytes.size()));
        std::size_t written = 0;
        while (written < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.data() + written, bytes.size() - written);
            if (n > 0) {
                written += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            if (n < 0 && errno != EAGAIN) break;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) break;
            pollfd out{fd_, POLLOUT, 0};
            const int ready = poll(&out, 1, static_cast<int>(left));
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) break;
            if ((out.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) break;
        }
        return written;
    }

    PortWait waitForInput() override {
        // A hung-up pseudo-terminal may report readable with nothing queued;
        // that for a second without a byte is a device that is gone.
        int emptyWakes = 0;
        for (;;) {
            pollfd fds[2] = {{wakeRead_, POLLIN, 0}, {fd_, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return PortWait::Gone;
            }
            if (fds[0].revents != 0) return PortWait::Woken;
            if ((fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return PortWait::Gone;
            if ((fds[1].revents & POLLIN) == 0) continue;
            if (queued() > 0) return PortWait::Input;
            if (++emptyWakes >= 100) return PortWait::Gone;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    void wake() override {
        // The pipe is never drained: once woken, every wait returns at once.
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeWrite_, &byte, 1);
    }

private:
    int fd_;
    int wakeRead_;
    int wakeWrite_;
};

}  // namespace

OpenedPort openSerialPort(const std::string& devicePath, int baudRate) {
    struct stat info {};
    if (stat(devicePath.c_str(), &info) == 0 && S_ISCHR(info.st_mode) && pendingCloses().contains(info.st_rdev))
        return {nullptr, "still closing: its last output has not drained"};
    const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {nullptr, failure("open", errno)};
    auto fail = [fd](const char* what) {
        const int error = errno;
        close(fd);
        return OpenedPort{nullptr, failure(what, error)};
    };
    // Root ignores TIOCEXCL, so a second bridge is kept out by the lock as well.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return fail("flock");
    if (ioctl(fd, TIOCEXCL) != 0) return fail("TIOCEXCL");

    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return fail("tcgetattr");
    // Without raw mode the line discipline echoes and rewrites bytes, and the
    // binary frames break.
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CSIZE | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    cfsetispeed(&tio, speedOf(baudRate));
    cfsetospeed(&tio, speedOf(baudRate));
    if (tcsetattr(fd, TCSANOW, &tio) != 0) return fail("tcsetattr");

    int wake[2];
    if (pipe2(wake, O_CLOEXEC | O_NONBLOCK) != 0) return fail("pipe");
    return {std::make_unique<PosixSerialPort>(fd, wake[0], wake[1]), {}};
}

}  // namespace brelvik
