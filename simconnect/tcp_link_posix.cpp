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

#include "simconnect/connection.h"

namespace brelvik::standin {
namespace {

// Loopback refuses at once when nothing listens; this only bounds a listener
// that is too busy to accept.
constexpr int kConnectTimeoutMs = 200;
// A simulator that has not read this much is not reading at all.
constexpr std::size_t kMaxPending = std::size_t{16} << 20;

class TcpLink final : public SimulatorLink {
public:
    explicit TcpLink(int fd) : fd_(fd) {}
    ~TcpLink() override { ::close(fd_); }
    TcpLink(const TcpLink&) = delete;
    TcpLink& operator=(const TcpLink&) = delete;

    bool write(const std::uint8_t* data, std::size_t size) override {
        if (broken_) return false;
        if (size > 0) pending_.insert(pending_.end(), data, data + size);
        while (sent_ < pending_.size()) {
            const ssize_t n = ::send(fd_, pending_.data() + sent_, pending_.size() - sent_, MSG_NOSIGNAL);
            if (n > 0) {
                sent_ += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                break;
            } else {
                broken_ = true;
                return false;
            }
        }
        if (sent_ == pending_.size()) {
            pending_.clear();
            sent_ = 0;
        } else if (pending_.size() - sent_ > kMaxPending) {
            broken_ = true;
        }
        return !broken_;
    }

    bool readAvailable(std::vector<std::uint8_t>& into) override {
        if (broken_) return false;
        std::uint8_t chunk[16384];
        for (;;) {
            const ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
            if (n > 0) {
                into.insert(into.end(), chunk, chunk + n);
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                return true;
            } else {
                broken_ = true;  // 0: the simulator closed; otherwise an error
                return false;
            }
        }
    }

private:
    int fd_;
    std::vector<std::uint8_t> pending_;
    std::size_t sent_ = 0;
    bool broken_ = false;
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
