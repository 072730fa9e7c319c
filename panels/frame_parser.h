// Cuts the bytes a switch panel or pedestal sends into four-byte frames
// FF FF code value. The state survives between batches, because the reader
// hands over whatever the port had queued and a frame may straddle two reads
// (or a notify read and the inline read after a compass update).
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace brelvik {

struct PanelFramePair {
    std::uint8_t code = 0;
    std::uint8_t value = 0;
    friend bool operator==(const PanelFramePair&, const PanelFramePair&) = default;
};

class FrameParser {
public:
    // Only FF FF starts a frame, and the byte after it is the code whatever
    // it is: FF FF FF 05 gives (FF, 05), as it always has for the panels.
    std::optional<PanelFramePair> feed(std::uint8_t byte);

    // Calls sink(PanelFramePair) for every frame the batch completes, in order.
    template <typename Sink>
    void feed(std::span<const std::uint8_t> bytes, Sink&& sink) {
        for (const std::uint8_t byte : bytes) {
            if (const auto pair = feed(byte)) sink(*pair);
        }
    }

    // A port that is reopened must not finish a frame the old connection began.
    void reset() { state_ = 0; }

    int state() const { return state_; }

private:
    int state_ = 0;  // 0, 1: FFs seen; 2: code next; 3: value next
    std::uint8_t code_ = 0;
};

}  // namespace brelvik
