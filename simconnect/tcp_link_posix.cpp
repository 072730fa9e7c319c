// TCP to a simulator, on this PC or another. The socket never blocks: the
// connect is started and looked at again on each call, a host name is resolved
// on a thread of its own, and data the kernel cannot take yet is kept and sent
// by a later call.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "simconnect/link.h"
#include "simconnect/socket_link.h"

namespace brelvik::standin {
namespace {

using Clock = std::chrono::steady_clock;

// What a resolver thread leaves for the link; shared, so a link given up
// while the thread still waits on the resolver frees nothing under it.
struct Resolution {
    std::mutex mutex;
    bool done = false;
    sockaddr_storage address{};
    socklen_t length = 0;
};

bool numericAddress(const SimulatorTarget& target, std::uint16_t port, sockaddr_storage& out, socklen_t& length) {
    std::memset(&out, 0, sizeof out);
    if (target.transport == SimulatorTarget::Transport::Ipv6) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&out);
        if (::inet_pton(AF_INET6, target.address.c_str(), &a->sin6_addr) != 1) return false;
        a->sin6_family = AF_INET6;
        a->sin6_port = htons(port);
        length = sizeof *a;
        return true;
    }
    auto* a = reinterpret_cast<sockaddr_in*>(&out);
    if (::inet_pton(AF_INET, target.address.c_str(), &a->sin_addr) != 1) return false;
    a->sin_family = AF_INET;
    a->sin_port = htons(port);
    length = sizeof *a;
    return true;
}

// The simulator on this PC answers at 127.0.0.1 or ::1. Any other address was
// configured as another PC, so its silence counts (the tests let another
// loopback address stand in for the simulator PC).
bool isLoopback(const sockaddr_storage& address) {
    if (address.ss_family == AF_INET) {
        return ntohl(reinterpret_cast<const sockaddr_in&>(address).sin_addr.s_addr) == INADDR_LOOPBACK;
    }
    return IN6_IS_ADDR_LOOPBACK(&reinterpret_cast<const sockaddr_in6&>(address).sin6_addr);
}

class TcpLink final : public SocketLink {
public:
    TcpLink(const SimulatorTarget& target, std::uint16_t port) : started_(Clock::now()) {
        if (numericAddress(target, port, address_, length_)) {
            startConnect();
            return;
        }
        resolution_ = std::make_shared<Resolution>();
        const int family = target.transport == SimulatorTarget::Transport::Ipv6 ? AF_INET6 : AF_INET;
        std::thread([resolution = resolution_, host = target.address, port, family] {
            addrinfo hints{};
            hints.ai_family = family;
            hints.ai_socktype = SOCK_STREAM;
            addrinfo* found = nullptr;
            const bool ok = ::getaddrinfo(host.c_str(), nullptr, &hints, &found) == 0 && found != nullptr &&
                            found->ai_addrlen <= sizeof(sockaddr_storage);
            std::lock_guard lock(resolution->mutex);
            if (ok) {
                std::memcpy(&resolution->address, found->ai_addr, found->ai_addrlen);
                resolution->length = found->ai_addrlen;
                if (family == AF_INET6) {
                    reinterpret_cast<sockaddr_in6*>(&resolution->address)->sin6_port = htons(port);
                } else {
                    reinterpret_cast<sockaddr_in*>(&resolution->address)->sin_port = htons(port);
                }
            }
            if (found != nullptr) ::freeaddrinfo(found);
            resolution->done = true;
        }).detach();
        state_ = State::Connecting;
    }
    ~TcpLink() override {
        if (fd_ >= 0) ::close(fd_);
    }
    TcpLink(const TcpLink&) = delete;
    TcpLink& operator=(const TcpLink&) = delete;

    State progress() override {
        if (state_ != State::Connecting) return state_;
        if (Clock::now() - started_ > std::chrono::milliseconds(kConnectTimeoutMs)) return state_ = State::Failed;
        if (fd_ < 0) {
            std::lock_guard lock(resolution_->mutex);
            if (!resolution_->done) return state_;
            if (resolution_->length == 0) return state_ = State::Failed;
            address_ = resolution_->address;
            length_ = resolution_->length;
        }
        if (fd_ < 0) {
            startConnect();
            if (state_ != State::Connecting) return state_;
        }
        pollfd p{fd_, POLLOUT, 0};
        if (::poll(&p, 1, 0) != 1) return state_;
        int error = 0;
        socklen_t length = sizeof error;
        if (::getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) return state_ = State::Failed;
        return state_ = State::Ready;
    }

    void wait(int ms) override {
        if (fd_ < 0 || ms <= 0) return;
        pollfd p{fd_, static_cast<short>(state_ == State::Connecting ? POLLOUT : POLLIN), 0};
        ::poll(&p, 1, ms);
    }

    bool silenceMeansLost() const override { return !isLoopback(address_); }

private:
    void startConnect() {
        fd_ = ::socket(address_.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            state_ = State::Failed;
            return;
        }
        // One tick's requests leave at once rather than waiting for an answer.
        const int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        const int result = ::connect(fd_, reinterpret_cast<const sockaddr*>(&address_), length_);
        if (result == 0) {
            state_ = State::Ready;
        } else if (errno == EINPROGRESS || errno == EINTR) {
            state_ = State::Connecting;
        } else {
            state_ = State::Failed;
        }
    }

    Io sendSome(const std::uint8_t* data, std::size_t size, std::size_t& done) override {
        if (state_ != State::Ready) return state_ == State::Failed ? Io::Broken : Io::WouldBlock;
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
        if (state_ != State::Ready) return state_ == State::Failed ? Io::Broken : Io::WouldBlock;
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

    int fd_ = -1;
    State state_ = State::Connecting;
    Clock::time_point started_;
    sockaddr_storage address_{};
    socklen_t length_ = 0;
    std::shared_ptr<Resolution> resolution_;
};

class FailedLink final : public SimulatorLink {
public:
    State progress() override { return State::Failed; }
    bool write(const std::uint8_t*, std::size_t) override { return false; }
    bool readAvailable(std::vector<std::uint8_t>&) override { return false; }
};

}  // namespace

std::unique_ptr<SimulatorLink> connectTcp(const SimulatorTarget& target) {
    char* end = nullptr;
    const unsigned long port = std::strtoul(target.port.c_str(), &end, 10);
    if (target.transport == SimulatorTarget::Transport::Pipe || target.address.empty() || end == target.port.c_str() ||
        *end != '\0' || port == 0 || port > 65535) {
        return std::make_unique<FailedLink>();
    }
    return std::make_unique<TcpLink>(target, static_cast<std::uint16_t>(port));
}

std::unique_ptr<SimulatorLink> connectPipe(const SimulatorTarget&) { return std::make_unique<FailedLink>(); }

}  // namespace brelvik::standin
