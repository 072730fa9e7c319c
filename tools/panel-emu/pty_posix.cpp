#include "tools/panel-emu/pty_posix.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace brelvik::panelemu {

bool makeRaw(int fd, int baud) {
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) return false;
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB | PARENB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD | CS8;
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    const speed_t speed = baud == 115200 ? B115200 : B9600;
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    return ::tcsetattr(fd, TCSANOW, &tio) == 0;
}

std::optional<PanelPortFds> openPseudoTerminal(int baud, std::string& error) {
    PanelPortFds port;
    port.fd = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (port.fd < 0 || ::grantpt(port.fd) != 0 || ::unlockpt(port.fd) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        closePort(port);
        return std::nullopt;
    }
    char name[128] = {};
    if (::ptsname_r(port.fd, name, sizeof name) != 0) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        closePort(port);
        return std::nullopt;
    }
    port.path = name;
    port.heldSlave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    // Both sides raw: whoever opens the slave before setting its own mode must
    // not see echoes or CR LF rewriting of the binary frames.
    if (port.heldSlave < 0 || !makeRaw(port.fd, baud) || !makeRaw(port.heldSlave, baud)) {
        error = std::string("cannot set up ") + name + ": " + std::strerror(errno);
        closePort(port);
        return std::nullopt;
    }
    ::fcntl(port.fd, F_SETFL, ::fcntl(port.fd, F_GETFL) | O_NONBLOCK);
    ::fcntl(port.fd, F_SETFD, FD_CLOEXEC);
    return port;
}

namespace {

std::optional<PanelPortFds> connectSocket(const std::string& path, std::string& error) {
    const std::string socketPath = path.substr(sizeof kSocketPrefix - 1);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.empty() || socketPath.size() >= sizeof address.sun_path) {
        error = "bad socket path in " + path;
        return std::nullopt;
    }
    socketPath.copy(address.sun_path, socketPath.size());
    PanelPortFds port;
    port.path = path;
    port.isSocket = true;
    port.fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (port.fd < 0 || ::connect(port.fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        error = "cannot connect to " + socketPath + ": " + std::strerror(errno);
        closePort(port);
        return std::nullopt;
    }
    ::fcntl(port.fd, F_SETFL, ::fcntl(port.fd, F_GETFL) | O_NONBLOCK);
    return port;
}

}  // namespace

std::optional<PanelPortFds> openDevice(const std::string& path, int baud, std::string& error) {
    if (path.rfind(kSocketPrefix, 0) == 0) return connectSocket(path, error);
    PanelPortFds port;
    port.path = path;
    port.fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (port.fd < 0) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return std::nullopt;
    }
    if (!makeRaw(port.fd, baud)) {
        error = "cannot set up " + path + ": " + std::strerror(errno);
        closePort(port);
        return std::nullopt;
    }
    return port;
}

void closePort(PanelPortFds& port) {
    if (port.fd >= 0) ::close(port.fd);
    if (port.heldSlave >= 0) ::close(port.heldSlave);
    port.fd = -1;
    port.heldSlave = -1;
}

}  // namespace brelvik::panelemu
