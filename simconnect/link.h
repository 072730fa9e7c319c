// The byte stream between the stand-in library and a simulator. Only standard
// headers here: the socket code includes this beside the system's socket
// headers, whose Windows types clash with the ones sim/simconnect.h declares.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace brelvik::standin {

// One byte stream to a simulator. Neither call may wait: the library runs on the
// user-interface thread.
class SimulatorLink {
public:
    virtual ~SimulatorLink() = default;
    // Hands bytes to the simulator, or keeps them for a later write when the
    // stream is momentarily full; a write of nothing retries what was kept.
    // False once the stream is broken.
    virtual bool write(const std::uint8_t* data, std::size_t size) = 0;
    // Appends whatever has arrived to `into`. False once the stream is broken or
    // the simulator has closed it (bytes that arrived before are still appended).
    virtual bool readAvailable(std::vector<std::uint8_t>& into) = 0;
};

// Connects to the bench simulator's TCP address ("127.0.0.1:15690" form), or
// nullptr when nothing answers within a short time or the address is refused.
std::unique_ptr<SimulatorLink> connectTcp(const char* address);

}  // namespace brelvik::standin
