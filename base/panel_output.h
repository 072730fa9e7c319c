// The one write path to the hardware panels, as the rest of the bridge sees it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace brelvik {

enum class Panel { StandbyGauges = 0, SwitchPanel = 1, Pedestal = 2 };

class PanelOutput {
public:
    virtual ~PanelOutput() = default;
    virtual bool isConnected(Panel panel) const = 0;
    virtual void writePanel(Panel panel, std::span<const std::uint8_t> bytes) = 0;
    // Reads at most maxBytes of what the panel has queued and hands them to
    // its parser and decoder at once, as a notification would.
    virtual void readQueuedInput(Panel, std::size_t /*maxBytes*/) {}

    void writeFrame(Panel panel, std::uint8_t code, std::uint8_t value) {
        const std::uint8_t frame[4] = {0xFF, 0xFF, code, value};
        writePanel(panel, frame);
    }
};

// Until panel ports can be opened no panel is ever connected.
class NoPanels final : public PanelOutput {
public:
    bool isConnected(Panel) const override { return false; }
    void writePanel(Panel, std::span<const std::uint8_t>) override {}
};

}  // namespace brelvik
