#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/benchsim/tcp_server.h"

namespace brelvik::benchsim {
namespace {

constexpr std::size_t kMaxPending = std::size_t{64} << 20;

}  // namespace

TcpServer::~TcpServer() {
    for (auto& client : clients_) close(client);
    if (listenFd_ >= 0) ::close(listenFd_);
}

bool TcpServer::listen(const std::string& address, std::string& error) {
    // "[::1]:port" for a client that names the simulator by its IPv6 address;
    // otherwise an IPv4 loopback address.
    const bool ipv6 = address.rfind("[::1]:", 0) == 0;
    std::uint32_t ip = 0;
    std::uint16_t port = 0;
    if (!standin::wire::parseLoopbackAddress(ipv6 ? "127.0.0.1" + address.substr(5) : address, ip, port, true)) {
        error = "not a loopback address with a port: " + address;
        return false;
    }
    const int fd = ::socket(ipv6 ? AF_INET6 : AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    const int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_storage local{};
    socklen_t length = 0;
    if (ipv6) {
        auto& v6 = reinterpret_cast<sockaddr_in6&>(local);
        v6.sin6_family = AF_INET6;
        v6.sin6_port = htons(port);
        v6.sin6_addr = in6addr_loopback;
        length = sizeof v6;
    } else {
        auto& v4 = reinterpret_cast<sockaddr_in&>(local);
        v4.sin_family = AF_INET;
        v4.sin_port = htons(port);
        v4.sin_addr.s_addr = htonl(ip);
        length = sizeof v4;
    }
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), length) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        error = address + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    listenFd_ = fd;
    port_ = ntohs(ipv6 ? reinterpret_cast<const sockaddr_in6&>(local).sin6_port
                       : reinterpret_cast<const sockaddr_in&>(local).sin_port);
    return true;
}

bool TcpServer::poll(int timeoutMs, int watchFd) {
    std::vector<pollfd> fds;
    fds.push_back({listenFd_, POLLIN, 0});
    fds.push_back({watchFd, POLLIN, 0});  // a negative descriptor is ignored by poll
    for (const auto& client : clients_) {
        fds.push_back({client.fd, static_cast<short>(POLLIN | (client.pending.empty() ? 0 : POLLOUT)), 0});
    }
    if (::poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR) return false;
    const bool watchReadable = watchFd >= 0 && (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) != 0;
    const std::size_t known = clients_.size();  // accept() below adds to clients_
    for (std::size_t i = 0; i < known; ++i) {
        if ((fds[i + 2].revents & (POLLIN | POLLHUP | POLLERR)) != 0 && !readFrom(clients_[i])) close(clients_[i]);
    }
    if ((fds[0].revents & POLLIN) != 0) accept();
    flush();
    return watchReadable;
}

void TcpServer::flush() {
    for (auto& client : clients_) {
        if (client.fd < 0) continue;
        if (!writeTo(client)) {
            close(client);
        } else if (client.session->ended() && client.pending.empty()) {
            close(client);  // the simulator finished with it and everything went out
        }
    }
    std::erase_if(clients_, [](const Client& c) { return c.fd < 0; });
}

void TcpServer::accept() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        const int one = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        Client client;
        client.fd = fd;
        client.session = simulator_.openSession();
        clients_.push_back(std::move(client));
        readFrom(clients_.back());  // the greeting is usually there already
    }
}

bool TcpServer::readFrom(Client& client) {
    if (client.fd < 0) return true;
    std::uint8_t chunk[16384];
    for (;;) {
        const ssize_t n = ::recv(client.fd, chunk, sizeof chunk, 0);
        if (n > 0) {
            client.session->receive(chunk, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        }
    }
}

bool TcpServer::writeTo(Client& client) {
    const auto fresh = client.session->takeOutput();
    client.pending.insert(client.pending.end(), fresh.begin(), fresh.end());
    std::size_t sent = 0;
    while (sent < client.pending.size()) {
        const ssize_t n = ::send(client.fd, client.pending.data() + sent, client.pending.size() - sent, MSG_NOSIGNAL);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            return false;
        }
    }
    client.pending.erase(client.pending.begin(), client.pending.begin() + static_cast<std::ptrdiff_t>(sent));
    return client.pending.size() <= kMaxPending;  // a client that never reads is dropped
}

void TcpServer::close(Client& client) {
    if (client.fd < 0) return;
    ::close(client.fd);
    client.fd = -1;
    if (client.session->simulator() != nullptr) simulator_.closeSession(*client.session);
}

}  // namespace brelvik::benchsim
