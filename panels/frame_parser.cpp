#include "panels/frame_parser.h"

namespace brelvik {

std::optional<PanelFramePair> FrameParser::feed(std::uint8_t byte) {
    switch (state_) {
    case 0:
    case 1:
        state_ = byte == 0xFF ? state_ + 1 : 0;
        return std::nullopt;
    case 2:
        code_ = byte;
        state_ = 3;
        return std::nullopt;
    default:
        state_ = 0;
        return PanelFramePair{code_, byte};
    }
}

}  // namespace brelvik
