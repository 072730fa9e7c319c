// The panels' groups of the main dialog: the port lists, Connect/Disconnect,
// the frames that greet and leave a panel, and the automatic search that
// finds the three panels among the machine's ports.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "base/seams.h"
#include "panels/panel_ports.h"
#include "panels/serial_ports.h"

namespace brelvik {

// The probes pause between their writes and reads.
class Sleeper {
public:
    virtual ~Sleeper() = default;
    virtual void sleepMs(int milliseconds) = 0;
};

class ThreadSleeper final : public Sleeper {
public:
    void sleepMs(int milliseconds) override;
};

struct PanelGroup {
    int portBox;
    int connectButton;
    int statusText;
};

const PanelGroup& groupOf(Panel panel);

class PanelConnections {
public:
    PanelConnections(Controls& controls, MessageBoxes& boxes, SettingsStore& settings, PanelPorts& ports,
                     PortEnumerator& enumerator, SerialOpener& probeOpener, Sleeper& sleeper);

    // Run after a switch panel was connected (the flaps indicator must be sent
    // again) and after it was disconnected, by the user or by its cable.
    void onSwitchPanelConnected(std::function<void()> hook) { switchConnected_ = std::move(hook); }
    void onSwitchPanelDisconnected(std::function<void()> hook) { switchDisconnected_ = std::move(hook); }

    // Refresh, the three Connect buttons and the Auto-Connect box; false for
    // any other id.
    bool onCommand(int id);
    void refreshPortLists();
    void autoConnectPanels();
    void onNotice(Panel panel, std::uint32_t session, PanelNotice notice);

    const std::vector<SSerInfo>& portList() const { return list_; }
    int refreshCount() const { return refreshCount_; }

private:
    bool openPanelPort(Panel panel);
    void disconnect(Panel panel, bool sayFarewell);
    void connectClicked(Panel panel);
    void onAutoConnectClicked();

    // Probes of the search: each opens the port itself, without a reader.
    bool probeForFrames(const std::string& path, std::uint8_t codeA, std::uint8_t codeB);
    bool probeForLine(const std::string& path);
    bool probeForCode(SerialPort& port, std::uint8_t codeA, std::uint8_t codeB);
    void connectFound(Panel panel, std::size_t portIndex);

    Controls& controls_;
    MessageBoxes& boxes_;
    SettingsStore& settings_;
    PanelPorts& ports_;
    PortEnumerator& enumerator_;
    SerialOpener& probeOpener_;
    Sleeper& sleeper_;
    std::function<void()> switchConnected_;
    std::function<void()> switchDisconnected_;

    std::vector<SSerInfo> list_;
    std::array<bool, kPanelCount> portSelected_{};
    std::array<std::string, kPanelCount> openPath_;  // the port each connected panel has open
    FrameParser probeParser_;
    int refreshCount_ = 0;
};

}  // namespace brelvik
