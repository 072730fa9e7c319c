// The TCP link to the bench simulator on Windows, for running the Windows
// program against it without the vendor's library. Same behaviour as the POSIX
// link: the socket never blocks, connecting waits a short moment at most, and
// data the system cannot take yet is kept and sent by a later call.
//
// Nothing here may include sim/simconnect.h: its DWORD and HRESULT are not the
// ones winsock2.h brings along.
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <climits>

#include "simconnect/link.h"
#include "simconnect/socket_link.h"
#include "simconnect/wire.h"

namespace brelvik::standin {
namespace {

// Winsock is started once for the whole process, on first use, and never shut
// down: WSACleanup while the library is being unloaded would run under the
// loader lock, and other code in the process may use Winsock too.
bool winsockReady() {
    static const bool ready = [] {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    return ready;
}

// send and recv take an int length.
int chunkLength(std::size_t size) { return static_cast<int>(std::min<std::size_t>(size, INT_MAX)); }

class TcpLink final : public SocketLink {
public:
    explicit TcpLink(SOCKET sock) : socket_(sock) {}
    ~TcpLink() override { ::closesocket(socket_); }
    TcpLink(const TcpLink&) = delete;
    TcpLink& operator=(const TcpLink&) = delete;

private:
    Io sendSome(const std::uint8_t* data, std::size_t size, std::size_t& done) override {
        const int n = ::send(socket_, reinterpret_cast<const char*>(data), chunkLength(size), 0);
        if (n > 0) {
            done = static_cast<std::size_t>(n);
            return Io::Done;
        }
        return n == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK ? Io::WouldBlock : Io::Broken;
    }

    Io receiveSome(std::uint8_t* data, std::size_t size, std::size_t& done) override {
        const int n = ::recv(socket_, reinterpret_cast<char*>(data), chunkLength(size), 0);
        if (n > 0) {
            done = static_cast<std::size_t>(n);
            return Io::Done;
        }
        // 0: the simulator closed
        return n == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK ? Io::WouldBlock : Io::Broken;
    }

    SOCKET socket_;
};

// Windows reports a refused connect as an exception, not as writable.
bool connectedWithin(SOCKET sock, int timeoutMs) {
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(sock, &writable);
    FD_SET(sock, &failed);
    timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
    if (::select(0, nullptr, &writable, &failed, &timeout) != 1 || !FD_ISSET(sock, &writable)) return false;
    int error = 0;
    int length = sizeof error;
    return ::getsockopt(sock, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) == 0 && error == 0;
}

}  // namespace

std::unique_ptr<SimulatorLink> connectTcp(const char* address) {
    std::uint32_t ip = 0;
    std::uint16_t port = 0;
    if (address == nullptr || !wire::parseLoopbackAddress(address, ip, port)) return nullptr;
    if (!winsockReady()) return nullptr;
    // Not inherited, like SOCK_CLOEXEC: a child process must not keep the
    // simulator's connection open.
    const SOCKET sock = ::WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (sock == INVALID_SOCKET) return nullptr;
    u_long nonBlocking = 1;
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(port);
    peer.sin_addr.s_addr = htonl(ip);
    bool connected = false;
    if (::ioctlsocket(sock, FIONBIO, &nonBlocking) == 0) {
        if (::connect(sock, reinterpret_cast<const sockaddr*>(&peer), sizeof peer) == 0) {
            connected = true;
        } else if (::WSAGetLastError() == WSAEWOULDBLOCK) {
            connected = connectedWithin(sock, kConnectTimeoutMs);
        }
    }
    if (!connected) {
        ::closesocket(sock);
        return nullptr;
    }
    const BOOL one = TRUE;
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    return std::make_unique<TcpLink>(sock);
}

}  // namespace brelvik::standin
