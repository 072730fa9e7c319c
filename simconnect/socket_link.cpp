#include "simconnect/socket_link.h"

namespace brelvik::standin {

bool SocketLink::write(const std::uint8_t* data, std::size_t size) {
    if (broken_) return false;
    if (size > 0) unsent_.insert(unsent_.end(), data, data + size);
    while (sent_ < unsent_.size()) {
        std::size_t done = 0;
        const Io result = sendSome(unsent_.data() + sent_, unsent_.size() - sent_, done);
        if (result == Io::WouldBlock) break;
        if (result == Io::Broken) {
            broken_ = true;
            return false;
        }
        sent_ += done;
    }
    if (sent_ == unsent_.size()) {
        unsent_.clear();
        sent_ = 0;
    } else if (unsent_.size() - sent_ > kMaxUnsent) {
        broken_ = true;
    }
    return !broken_;
}

bool SocketLink::readAvailable(std::vector<std::uint8_t>& into) {
    if (broken_) return false;
    std::uint8_t chunk[16384];
    for (;;) {
        std::size_t done = 0;
        const Io result = receiveSome(chunk, sizeof chunk, done);
        if (result == Io::WouldBlock) return true;
        if (result == Io::Broken) {
            broken_ = true;
            return false;
        }
        into.insert(into.end(), chunk, chunk + done);
    }
}

}  // namespace brelvik::standin
