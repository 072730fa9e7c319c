// The links to the simulator on Windows: TCP, and the simulator's named pipe
// on this PC. Same behaviour as the POSIX link: nothing blocks, connecting
// waits a short moment at most, and data the system cannot take yet is kept
// and sent by a later call.
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

#include "base/utf_text_win32.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include "simconnect/link.h"
#include "simconnect/socket_link.h"

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

constexpr int kLocalConnectMs = 20;

// send and recv take an int length.
int chunkLength(std::size_t size) { return static_cast<int>(std::min<std::size_t>(size, INT_MAX)); }

class TcpLink final : public SocketLink {
public:
    TcpLink(SOCKET sock, bool remote) : socket_(sock), remote_(remote), started_(::GetTickCount64()) {}
    ~TcpLink() override { ::closesocket(socket_); }
    TcpLink(const TcpLink&) = delete;
    TcpLink& operator=(const TcpLink&) = delete;

    State progress() override {
        if (state_ != State::Connecting) return state_;
        if (::GetTickCount64() - started_ > static_cast<ULONGLONG>(kConnectTimeoutMs)) return state_ = State::Failed;
        // Windows reports a refused connect as an exception, not as writable.
        fd_set writable;
        fd_set failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(socket_, &writable);
        FD_SET(socket_, &failed);
        timeval now{0, 0};
        if (::select(0, nullptr, &writable, &failed, &now) != 1) return state_;
        if (FD_ISSET(socket_, &failed)) return state_ = State::Failed;
        int error = 0;
        int length = sizeof error;
        if (::getsockopt(socket_, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &length) != 0 || error != 0) {
            return state_ = State::Failed;
        }
        return state_ = State::Ready;
    }

    void wait(int ms) override {
        if (ms <= 0) return;
        fd_set set;
        FD_ZERO(&set);
        FD_SET(socket_, &set);
        timeval timeout{0, ms * 1000};
        if (state_ == State::Connecting) {
            ::select(0, nullptr, &set, nullptr, &timeout);
        } else {
            ::select(0, &set, nullptr, nullptr, &timeout);
        }
    }

    bool silenceMeansLost() const override { return remote_; }
    void connectedAlready() { state_ = State::Ready; }

private:
    Io sendSome(const std::uint8_t* data, std::size_t size, std::size_t& done) override {
        if (state_ != State::Ready) return state_ == State::Failed ? Io::Broken : Io::WouldBlock;
        const int n = ::send(socket_, reinterpret_cast<const char*>(data), chunkLength(size), 0);
        if (n > 0) {
            done = static_cast<std::size_t>(n);
            return Io::Done;
        }
        return n == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK ? Io::WouldBlock : Io::Broken;
    }

    Io receiveSome(std::uint8_t* data, std::size_t size, std::size_t& done) override {
        if (state_ != State::Ready) return state_ == State::Failed ? Io::Broken : Io::WouldBlock;
        const int n = ::recv(socket_, reinterpret_cast<char*>(data), chunkLength(size), 0);
        if (n > 0) {
            done = static_cast<std::size_t>(n);
            return Io::Done;
        }
        // 0: the simulator closed
        return n == SOCKET_ERROR && ::WSAGetLastError() == WSAEWOULDBLOCK ? Io::WouldBlock : Io::Broken;
    }

    SOCKET socket_;
    bool remote_;
    ULONGLONG started_;
    State state_ = State::Connecting;
};

class FailedLink final : public SimulatorLink {
public:
    State progress() override { return State::Failed; }
    bool write(const std::uint8_t*, std::size_t) override { return false; }
    bool readAvailable(std::vector<std::uint8_t>&) override { return false; }
};

// The simulator's named pipe on this PC. Reads take only what PeekNamedPipe
// reports queued, so they return at once.
class PipeLink final : public SimulatorLink {
public:
    explicit PipeLink(HANDLE pipe) : pipe_(pipe) {}
    ~PipeLink() override { ::CloseHandle(pipe_); }
    PipeLink(const PipeLink&) = delete;
    PipeLink& operator=(const PipeLink&) = delete;

    bool write(const std::uint8_t* data, std::size_t size) override {
        if (broken_) return false;
        while (size > 0) {
            DWORD done = 0;
            if (!::WriteFile(pipe_, data, static_cast<DWORD>(std::min<std::size_t>(size, 65536)), &done, nullptr) ||
                done == 0) {
                broken_ = true;
                return false;
            }
            data += done;
            size -= done;
        }
        return true;
    }

    bool readAvailable(std::vector<std::uint8_t>& into) override {
        if (broken_) return false;
        for (;;) {
            DWORD queued = 0;
            if (!::PeekNamedPipe(pipe_, nullptr, 0, nullptr, &queued, nullptr)) {
                broken_ = true;
                return false;
            }
            if (queued == 0) return true;
            const std::size_t at = into.size();
            into.resize(at + queued);
            DWORD done = 0;
            if (!::ReadFile(pipe_, into.data() + at, queued, &done, nullptr)) {
                into.resize(at);
                broken_ = true;
                return false;
            }
            into.resize(at + done);
        }
    }

    void wait(int ms) override {
        DWORD queued = 0;
        for (int waited = 0; waited < ms; ++waited) {
            if (!::PeekNamedPipe(pipe_, nullptr, 0, nullptr, &queued, nullptr) || queued > 0) return;
            ::Sleep(1);
        }
    }

private:
    HANDLE pipe_;
    bool broken_ = false;
};


}  // namespace

// Numeric addresses only here: a host name would have to be resolved off the
// user-interface thread (the POSIX link does so).
std::unique_ptr<SimulatorLink> connectTcp(const SimulatorTarget& target) {
    if (target.transport == SimulatorTarget::Transport::Pipe || !winsockReady()) return std::make_unique<FailedLink>();
    char* end = nullptr;
    const unsigned long port = std::strtoul(target.port.c_str(), &end, 10);
    if (end == target.port.c_str() || *end != '\0' || port == 0 || port > 65535) return std::make_unique<FailedLink>();
    sockaddr_storage peer{};
    int length = 0;
    bool loopback = false;
    const int family = target.transport == SimulatorTarget::Transport::Ipv6 ? AF_INET6 : AF_INET;
    if (family == AF_INET6) {
        auto* a = reinterpret_cast<sockaddr_in6*>(&peer);
        if (::inet_pton(AF_INET6, target.address.c_str(), &a->sin6_addr) != 1) return std::make_unique<FailedLink>();
        a->sin6_family = AF_INET6;
        a->sin6_port = htons(static_cast<u_short>(port));
        length = sizeof *a;
        loopback = IN6_IS_ADDR_LOOPBACK(&a->sin6_addr);
    } else {
        auto* a = reinterpret_cast<sockaddr_in*>(&peer);
        if (::inet_pton(AF_INET, target.address.c_str(), &a->sin_addr) != 1) return std::make_unique<FailedLink>();
        a->sin_family = AF_INET;
        a->sin_port = htons(static_cast<u_short>(port));
        length = sizeof *a;
        loopback = ntohl(a->sin_addr.s_addr) == INADDR_LOOPBACK;  // see the POSIX link
    }
    // Not inherited, like SOCK_CLOEXEC: a child process must not keep the
    // simulator's connection open.
    const SOCKET sock = ::WSASocketW(family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
    if (sock == INVALID_SOCKET) return std::make_unique<FailedLink>();
    auto link = std::make_unique<TcpLink>(sock, !loopback);
    u_long nonBlocking = 1;
    const BOOL one = TRUE;
    ::setsockopt(sock, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&one), sizeof one);
    if (::ioctlsocket(sock, FIONBIO, &nonBlocking) != 0) return std::make_unique<FailedLink>();
    if (::connect(sock, reinterpret_cast<const sockaddr*>(&peer), length) == 0) {
        link->connectedAlready();
    } else if (::WSAGetLastError() != WSAEWOULDBLOCK) {
        return std::make_unique<FailedLink>();
    }
    // A simulator on this PC answers a connect within this; one elsewhere is
    // looked at again on later calls.
    link->wait(kLocalConnectMs);
    return link;
}

std::unique_ptr<SimulatorLink> connectPipe(const SimulatorTarget& target) {
    const std::wstring name = L"\\\\.\\pipe\\" + brelvik::wideText(target.port);
    const HANDLE pipe = ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) return std::make_unique<FailedLink>();
    return std::make_unique<PipeLink>(pipe);
}

}  // namespace brelvik::standin
