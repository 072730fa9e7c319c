// The TCP link to the bench simulator. The socket never blocks: connecting waits
// a short moment at most, and data the kernel cannot take yet is kept and sent
// by a later call.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "simconnect/link.h"
#include "simconnect/socket_link.h"
#include "simconnect/wire.h"

namespace brelvik::standin {
namespace {

class TcpLink final : public SocketLink {
public:
    explicit TcpLink(int fd) : fd_(fd) {}
    ~TcpLink() override { ::close(fd_); }
    TcpLink(const TcpLink&) = delete;
    TcpLink& operator=(const TcpLink&) = delete;

private:
    Io sendSome(const std::uint8_t* data, std::size_t size, std::size_t& done) override {
        for (;;) {
            const ssize_t n = ::send(fd_, data, size, MSG_NOSIGNAL);
            if (n > 0) {
                done = static_cast<std::size_t>(n);
                return Io::Done;
            }
            if (n < 0 && errno == EINTR) continue;
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? Io::WouldBlock : Io::Broken;
        }
    }

    Io receiveSome(std::uint8_t* data, std::size_t size, std::size_t& done) override {
        for (;;) {
            const ssize_t n = ::recv(fd_, data, size, 0);
            if (n > 0) {
                done = static_cast<std::size_t>(n);
                return Io::Done;
            }
            if (n < 0 && errno == EINTR) continue;
            // 0: the simulator closed
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) ? Io::WouldBlock : Io::Broken;
        }
    }

    int fd_;
};

}  // namespace

std::unique_ptr<SimulatorLink> connectTcp(const char* address) {
    std::uint32_t ip = 0;
    std::uint16_t port = 0;
    if (address == nullptr || !wire::parseLoopbackAddress(address, ip, port)) return nullptr;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(ip);
    int result = ::connect(fd, reinterpret_cast<const sockaddr*>(&peer), sizeof peer);
    if (result < 0 && errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        if (::poll(&p, 1, kConnectTimeoutMs) == 1 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 &&
            error == 0) {
            result = 0;
        }
    }
    if (result != 0) {
        ::close(fd);
        return nullptr;
    }
    const int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return std::make_unique<TcpLink>(fd);
}

}  // namespace brelvik::standin
