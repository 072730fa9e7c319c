// The byte stream between the client library and a simulator. Only standard
// headers here: the socket code includes this beside the system's socket
// headers, whose Windows types clash with the ones sim/simconnect.h declares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brelvik::standin {

// One byte stream to a simulator. No call may wait: the library runs on the
// user-interface thread, so a stream is made step by step.
class SimulatorLink {
public:
    enum class State { Connecting, Ready, Failed };
    virtual ~SimulatorLink() = default;
    // Takes the next step of making the stream (a name resolved, a connect
    // answered) and says where it stands.
    virtual State progress() { return State::Ready; }
    // Waits at most `ms` for the stream to be made or for bytes to arrive.
    virtual void wait(int /*ms*/) {}
    // Hands bytes to the simulator, or keeps them for a later write when the
    // stream is momentarily full; a write of nothing retries what was kept.
    // False once the stream is broken.
    virtual bool write(const std::uint8_t* data, std::size_t size) = 0;
    // Appends whatever has arrived to `into`. False once the stream is broken or
    // the simulator has closed it (bytes that arrived before are still appended).
    virtual bool readAvailable(std::vector<std::uint8_t>& into) = 0;
    // A simulator on another PC that loses power says nothing, and TCP would
    // notice only after many minutes: such a stream counts as lost once the
    // simulator stays silent while requests wait.
    virtual bool silenceMeansLost() const { return false; }
};

// Where a simulator is reached.
struct SimulatorTarget {
    enum class Transport { Ipv4, Ipv6, Pipe };
    Transport transport = Transport::Ipv4;
    std::string address;  // a numeric address or a host name; unused for a pipe
    std::string port;     // a TCP port number, or the pipe's name under \\.\pipe\ (Windows)
};

// Gives up on a stream that is not made within this time; the next open
// attempt starts afresh.
constexpr int kConnectTimeoutMs = 5000;

// Starts connecting to a TCP target without waiting; a host name is resolved
// on a thread of its own. Failed at once for a target that cannot be used.
std::unique_ptr<SimulatorLink> connectTcp(const SimulatorTarget& target);
// The simulator's named pipe on this PC (Windows); nullptr elsewhere.
std::unique_ptr<SimulatorLink> connectPipe(const SimulatorTarget& target);

}  // namespace brelvik::standin
