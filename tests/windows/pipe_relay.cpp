// Plays a simulator's named pipe under Wine: each client of \\.\pipe\<name> is
// relayed, byte for byte, to the bench simulator's TCP port on loopback, so
// brelvik.exe's pipe path is tried end to end against the native benchsim.
// One client at a time, as brelvik.exe holds one connection; prints a line
// when a client comes and when it goes.
//
//   pipe_relay <pipe name> <benchsim port>
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

void say(const char* line) {
    std::printf("%s\n", line);
    std::fflush(stdout);
}

// Waits for one overlapped pipe operation; false once the client is gone.
bool finish(HANDLE pipe, OVERLAPPED& pending, BOOL started, DWORD& done) {
    if (!started && ::GetLastError() != ERROR_IO_PENDING) return false;
    return ::GetOverlappedResult(pipe, &pending, &done, TRUE) != 0;
}

void pipeToSocket(HANDLE pipe, SOCKET socket) {
    OVERLAPPED pending{};
    pending.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    char buffer[4096];
    for (;;) {
        DWORD done = 0;
        ::ResetEvent(pending.hEvent);
        if (!finish(pipe, pending, ::ReadFile(pipe, buffer, sizeof buffer, nullptr, &pending), done)) break;
        if (done > 0 && ::send(socket, buffer, static_cast<int>(done), 0) != static_cast<int>(done)) break;
    }
    ::shutdown(socket, SD_BOTH);
    ::CloseHandle(pending.hEvent);
}

void socketToPipe(SOCKET socket, HANDLE pipe) {
    OVERLAPPED pending{};
    pending.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    char buffer[4096];
    for (;;) {
        const int got = ::recv(socket, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        DWORD done = 0;
        ::ResetEvent(pending.hEvent);
        if (!finish(pipe, pending, ::WriteFile(pipe, buffer, static_cast<DWORD>(got), nullptr, &pending), done) ||
            done != static_cast<DWORD>(got)) {
            break;
        }
    }
    ::CancelIoEx(pipe, nullptr);  // ends the other direction's read
    ::CloseHandle(pending.hEvent);
}

SOCKET connectToBenchsim(unsigned short port) {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return s;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = ::htons(port);
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    if (::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    BOOL noDelay = TRUE;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&noDelay), sizeof noDelay);
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pipe_relay <pipe name> <benchsim port>\n");
        return 2;
    }
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in LF, as the test reads them
    WSADATA wsa;
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
    const std::string path = std::string("\\\\.\\pipe\\") + argv[1];
    const auto port = static_cast<unsigned short>(std::strtoul(argv[2], nullptr, 10));
    for (;;) {
        HANDLE pipe = ::CreateNamedPipeA(path.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                                         PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 65536, 65536, 0,
                                         nullptr);
        if (pipe == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "pipe_relay: cannot create %s (error %lu)\n", path.c_str(), ::GetLastError());
            return 1;
        }
        say("waiting");
        OVERLAPPED pending{};
        pending.hEvent = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        DWORD unused = 0;
        const BOOL started = ::ConnectNamedPipe(pipe, &pending);
        const bool connected = ::GetLastError() == ERROR_PIPE_CONNECTED || finish(pipe, pending, started, unused);
        ::CloseHandle(pending.hEvent);
        const SOCKET socket = connected ? connectToBenchsim(port) : INVALID_SOCKET;
        if (socket != INVALID_SOCKET) {
            say("pipe client");
            std::thread back(socketToPipe, socket, pipe);
            pipeToSocket(pipe, socket);
            back.join();
            ::closesocket(socket);
            say("pipe client gone");
        }
        ::DisconnectNamedPipe(pipe);
        ::CloseHandle(pipe);
    }
}
