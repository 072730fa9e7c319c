// The panels' groups of the main dialog: the port lists, Connect/Disconnect,
// the frames that greet and leave a panel, and the automatic search that
// finds the three panels among the machine's ports.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <set>
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

    // Panels plugged in (again) while the bridge runs. onPortsChanged takes
    // the port watcher's news; onTick, called on every tick of a running
    // timer, runs the search it asks for once the device's events have
    // settled: with Auto-Connect on, the lists are refreshed as the refresh
    // button does and the ports no connected panel holds are searched. A new
    // port another program still holds (ModemManager probes new modems for a
    // few seconds) is tried again for up to kBusyRetryWindow.
    using Clock = std::chrono::steady_clock;
    static constexpr auto kSettleTime = std::chrono::milliseconds(300);
    static constexpr auto kBusyRetryPeriod = std::chrono::milliseconds(1000);
    static constexpr auto kBusyRetryWindow = std::chrono::milliseconds(5000);
    void onPortsChanged(Clock::time_point now);
    void onTick(Clock::time_point now);

    const std::vector<SSerInfo>& portList() const { return list_; }
    int refreshCount() const { return refreshCount_; }

private:
    void listPorts();
    void searchAfterPortChange(Clock::time_point now);
    bool isHeld(const std::string& path) const;  // by a connected panel
    void noteOpenFailure(const std::string& path);
    bool mayRetry(const std::string& path) const;
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

    std::optional<Clock::time_point> changeSeen_;  // a change not searched yet
    std::optional<Clock::time_point> retryAt_;
    std::map<std::string, Clock::time_point> appeared_;  // ports new since an earlier list
    // Set only while a search that follows a port change runs.
    std::optional<Clock::time_point> portChangeSearch_;
    std::set<std::string> openFailed_;
};

}  // namespace brelvik
