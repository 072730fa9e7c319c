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
};

// Until panel ports can be opened no panel is ever connected.
class NoPanels final : public PanelOutput {
public:
    bool isConnected(Panel) const override { return false; }
    void writePanel(Panel, std::span<const std::uint8_t>) override {}
};

}  // namespace brelvik
