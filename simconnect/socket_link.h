// What the POSIX and the Windows TCP link share: keeping the bytes the socket
// cannot take yet, giving up on a simulator that stops reading, and reading
// until the socket has nothing more. Each platform supplies only the socket
// calls themselves.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "simconnect/link.h"

namespace brelvik::standin {

// A simulator that has not read this much is not reading at all.
constexpr std::size_t kMaxUnsent = std::size_t{16} << 20;

class SocketLink : public SimulatorLink {
public:
    bool write(const std::uint8_t* data, std::size_t size) final;
    bool readAvailable(std::vector<std::uint8_t>& into) final;

protected:
    enum class Io { Done, WouldBlock, Broken };
    // One non-blocking call each, `size` > 0. Done moved `done` > 0 bytes; a
    // closed stream is Broken.
    virtual Io sendSome(const std::uint8_t* data, std::size_t size, std::size_t& done) = 0;
    virtual Io receiveSome(std::uint8_t* data, std::size_t size, std::size_t& done) = 0;

private:
    std::vector<std::uint8_t> unsent_;
    std::size_t sent_ = 0;  // the front of unsent_ the socket has already taken
    bool broken_ = false;
};

}  // namespace brelvik::standin
