// The bench simulator's TCP side: accepts stand-in clients on a loopback
// address and carries bytes between their sockets and their sessions. Sockets
// never block; everything happens inside poll().
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/benchsim/bench_simulator.h"
#include "tools/benchsim/client_session.h"

namespace brelvik::benchsim {

class TcpServer {
public:
    explicit TcpServer(BenchSimulator& simulator) : simulator_(simulator) {}
    ~TcpServer();
    TcpServer(const TcpServer&) = delete;
    TcpServer& operator=(const TcpServer&) = delete;

    // Listens on "127.x.x.x:port" or "[::1]:port" (port 0: any free port).
    // False with a reason for any other address or when the port is taken.
    bool listen(const std::string& address, std::string& error);
    std::uint16_t port() const { return port_; }

    // Waits up to `timeoutMs` for client traffic or for `watchFd` (-1: none) to
    // become readable, then accepts, reads, answers and writes what it can.
    // True when `watchFd` is readable.
    bool poll(int timeoutMs, int watchFd = -1);

    // Sends what is still queued, as far as the sockets take it, and closes
    // the clients the simulator has finished with.
    void flush();

private:
    struct Client {
        int fd = -1;
        std::shared_ptr<ClientSession> session;
        std::vector<std::uint8_t> pending;
    };
    void accept();
    bool readFrom(Client& client);  // false when the socket closed
    bool writeTo(Client& client);   // false when the socket broke
    void close(Client& client);

    BenchSimulator& simulator_;
    int listenFd_ = -1;
    std::uint16_t port_ = 0;
    std::vector<Client> clients_;
};

}  // namespace brelvik::benchsim
