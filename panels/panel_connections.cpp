#include "panels/panel_connections.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/control_ids.h"
#include "settings/startup_settings.h"

namespace brelvik {
namespace {

constexpr std::array<PanelGroup, kPanelCount> kGroups = {{
    {ids::kGaugesPort, ids::kGaugesConnect, ids::kGaugesStatus},
    {ids::kSwitchPanelPort, ids::kSwitchPanelConnect, ids::kSwitchPanelStatus},
    {ids::kPedestalPort, ids::kPedestalConnect, ids::kPedestalStatus},
}};

constexpr std::uint8_t kGreeting[4] = {0xFF, 0xFF, 0xFE, 0x00};
constexpr std::uint8_t kFarewell[4] = {0xFF, 0xFF, 0x02, 0x00};
constexpr std::uint8_t kQuery[3] = {'Q', '\r', '\n'};
constexpr std::size_t kProbeReadBytes = 255;
constexpr int kProbeAttempts = 10;

constexpr Panel kPanels[kPanelCount] = {Panel::StandbyGauges, Panel::SwitchPanel, Panel::Pedestal};

bool contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// One read attempt of a probe: what the port has queued, up to a buffer full.
std::span<const std::uint8_t> readProbeAnswer(SerialPort& port, std::array<std::uint8_t, kProbeReadBytes>& buffer) {
    const std::size_t count = std::min(port.queued(), kProbeReadBytes);
    const std::size_t got = count == 0 ? 0 : port.read(std::span(buffer.data(), count));
    return {buffer.data(), got};
}

}  // namespace

void ThreadSleeper::sleepMs(int milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

const PanelGroup& groupOf(Panel panel) { return kGroups[static_cast<std::size_t>(indexOf(panel))]; }

PanelConnections::PanelConnections(Controls& controls, MessageBoxes& boxes, SettingsStore& settings,
                                   PanelPorts& ports, PortEnumerator& enumerator, SerialOpener& probeOpener,
                                   Sleeper& sleeper)
    : controls_(controls),
      boxes_(boxes),
      settings_(settings),
      ports_(ports),
      enumerator_(enumerator),
      probeOpener_(probeOpener),
      sleeper_(sleeper) {}

bool PanelConnections::onCommand(int id) {
    switch (id) {
    case ids::kRefreshPorts:
        refreshPortLists();
        return true;
    case ids::kGaugesConnect:
        connectClicked(Panel::StandbyGauges);
        return true;
    case ids::kSwitchPanelConnect:
        connectClicked(Panel::SwitchPanel);
        return true;
    case ids::kPedestalConnect:
        connectClicked(Panel::Pedestal);
        return true;
    case ids::kPanelAutoConnect:
        onAutoConnectClicked();
        return true;
    default:
        return false;
    }
}

void PanelConnections::refreshPortLists() {
    listPorts();
    if (controls_.isChecked(ids::kPanelAutoConnect)) autoConnectPanels();
    ++refreshCount_;
}

void PanelConnections::listPorts() {
    PortEnumeration found = enumerator_.enumerate();
    list_ = std::move(found.ports);
    // The boxes keep what was listed before a failure; the bridge goes on.
    if (!found.error.empty()) boxes_.show(found.error);

    std::vector<std::string> names;
    names.reserve(list_.size());
    for (const SSerInfo& port : list_) names.push_back(port.friendlyName);
    for (const Panel panel : kPanels) {
        const PanelGroup& group = groupOf(panel);
        const int index = indexOf(panel);
        controls_.setItems(group.portBox, names);
        // A panel that is connected stays connected and says so, with its
        // own port selected when it is still listed.
        const bool connected = ports_.isConnected(panel);
        controls_.setText(group.statusText, connected ? "Connected" : "Not connected");
        if (names.empty()) {
            controls_.enable(group.connectButton, false);
            continue;
        }
        int selected = 0;
        if (connected) {
            const auto open = std::find_if(list_.begin(), list_.end(),
                                           [&](const SSerInfo& port) { return port.devicePath == openPath_[index]; });
            if (open != list_.end()) selected = static_cast<int>(open - list_.begin());
        }
        controls_.select(group.portBox, selected);
        portSelected_[static_cast<std::size_t>(index)] = true;
        controls_.enable(group.connectButton, true);
    }
}

void PanelConnections::onPortsChanged(Clock::time_point now) { changeSeen_ = now; }

void PanelConnections::onTick(Clock::time_point now) {
    // On every simulator tick (every 50 ms while a simulator is connected,
    // every second otherwise): nothing to do but this test, unless a port
    // changed.
    if (!changeSeen_ && !retryAt_) return;
    if (!controls_.isChecked(ids::kPanelAutoConnect)) {
        changeSeen_.reset();
        retryAt_.reset();
        return;
    }
    // A device brings several events (a hub, then its ports): one search.
    if (changeSeen_ && now - *changeSeen_ >= kSettleTime) {
        changeSeen_.reset();
        retryAt_.reset();
        searchAfterPortChange(now);
    } else if (retryAt_ && now >= *retryAt_) {
        retryAt_.reset();
        searchAfterPortChange(now);
    }
}

void PanelConnections::searchAfterPortChange(Clock::time_point now) {
    std::set<std::string> before;
    for (const SSerInfo& port : list_) before.insert(port.devicePath);
    listPorts();
    std::map<std::string, Clock::time_point> appeared;
    for (const SSerInfo& port : list_) {
        const auto seen = appeared_.find(port.devicePath);
        if (seen != appeared_.end() && now - seen->second < kBusyRetryWindow) {
            appeared.insert(*seen);
        } else if (before.count(port.devicePath) == 0) {
            appeared.emplace(port.devicePath, now);
        }
    }
    appeared_ = std::move(appeared);

    openFailed_.clear();
    portChangeSearch_ = now;
    autoConnectPanels();
    if (std::any_of(openFailed_.begin(), openFailed_.end(),
                    [this](const std::string& path) { return mayRetry(path) && !isHeld(path); })) {
        retryAt_ = now + kBusyRetryPeriod;
    }
    portChangeSearch_.reset();
    ++refreshCount_;
}

bool PanelConnections::isHeld(const std::string& path) const {
    return std::find(openPath_.begin(), openPath_.end(), path) != openPath_.end();
}

void PanelConnections::noteOpenFailure(const std::string& path) {
    if (portChangeSearch_) openFailed_.insert(path);
}

// Only during a search after a port change: a port that appeared moments ago
// and could not be opened is likely still held by the program that probes it.
bool PanelConnections::mayRetry(const std::string& path) const {
    if (!portChangeSearch_) return false;
    const auto seen = appeared_.find(path);
    return seen != appeared_.end() && *portChangeSearch_ - seen->second < kBusyRetryWindow;
}

void PanelConnections::connectClicked(Panel panel) {
    if (ports_.isConnected(panel)) {
        disconnect(panel, true);
    } else if (portSelected_[static_cast<std::size_t>(indexOf(panel))]) {
        openPanelPort(panel);
    } else {
        controls_.setText(groupOf(panel).statusText, "Please select a COM port");
    }
}

bool PanelConnections::openPanelPort(Panel panel) {
    const PanelGroup& group = groupOf(panel);
    const int selected = controls_.selection(group.portBox);
    if (selected < 0 || static_cast<std::size_t>(selected) >= list_.size()) {
        controls_.setText(group.statusText, "Please select a COM port");
        return false;
    }
    const std::string& path = list_[static_cast<std::size_t>(selected)].devicePath;
    if (!ports_.open(panel, path)) {
        noteOpenFailure(path);
        // It is tried again in a moment; the box would only stop the bridge.
        if (!mayRetry(path)) boxes_.show("Failed to open COM port!");
        return false;
    }
    openPath_[static_cast<std::size_t>(indexOf(panel))] = path;
    controls_.setText(group.connectButton, "Disconnect");
    controls_.setText(group.statusText, "Connected");
    if (panel == Panel::SwitchPanel && switchConnected_) switchConnected_();
    if (panel != Panel::StandbyGauges) ports_.write(panel, kGreeting);
    return true;
}

void PanelConnections::disconnect(Panel panel, bool sayFarewell) {
    if (panel == Panel::SwitchPanel && sayFarewell) ports_.write(panel, kFarewell);
    ports_.close(panel);
    openPath_[static_cast<std::size_t>(indexOf(panel))].clear();
    const PanelGroup& group = groupOf(panel);
    controls_.setText(group.connectButton, "Connect");
    controls_.setText(group.statusText, "Not connected");
    if (panel != Panel::SwitchPanel) return;
    for (int id = ids::kFirstBreaker; id <= ids::kLastBreaker; ++id) controls_.setChecked(id, false);
    if (switchDisconnected_) switchDisconnected_();
}

void PanelConnections::onNotice(Panel panel, std::uint32_t session, PanelNotice notice) {
    // A pulled cable: the panel is disconnected, without the farewell that
    // could no longer reach it.
    if (ports_.onNotice(panel, session, notice) == PanelPorts::NoticeResult::Gone) disconnect(panel, false);
}

void PanelConnections::onAutoConnectClicked() {
    if (controls_.isChecked(ids::kPanelAutoConnect)) {
        settings_.write(setting::kCheckBoxSection, setting::kAutoPanelConn, "1");
        settings_.write(setting::kCheckBoxSection, setting::kAutoPanelConnFail, "0");
        autoConnectPanels();
    } else {
        settings_.write(setting::kCheckBoxSection, setting::kAutoPanelConn, "0");
        controls_.setText(ids::kPanelAutoConnectStatus, "");
    }
}

void PanelConnections::autoConnectPanels() {
    // A search that never finished (a port that hung the bridge) is not
    // started again until the user asks for it.
    if (settingNumber(settings_.read(setting::kCheckBoxSection, setting::kAutoPanelConnFail)) != 0) {
        controls_.setText(ids::kPanelAutoConnectStatus, "Last time failed");
        controls_.setChecked(ids::kPanelAutoConnect, false);
        settings_.write(setting::kCheckBoxSection, setting::kAutoPanelConn, "0");
        return;
    }
    controls_.setText(ids::kPanelAutoConnectStatus, "Connecting...");
    settings_.write(setting::kCheckBoxSection, setting::kAutoPanelConnFail, "1");

    std::vector<bool> claimed(list_.size(), false);
    // After a port change, the ports the connected panels hold are theirs.
    if (portChangeSearch_) {
        for (std::size_t i = 0; i < list_.size(); ++i) claimed[i] = isHeld(list_[i].devicePath);
    }
    for (std::size_t i = 0; i < list_.size(); ++i) {
        // Copies: connecting a panel must not depend on the list staying put.
        const std::string name = list_[i].friendlyName;
        const std::string path = list_[i].devicePath;
        if ((contains(name, "STMicro") || contains(name, "usbmodem")) && !claimed[i] &&
            !ports_.isConnected(Panel::StandbyGauges)) {
            connectFound(Panel::StandbyGauges, i);
            claimed[i] = true;
        }
        if (!contains(name, "USB")) continue;
        const struct {
            Panel panel;
            std::uint8_t codeA, codeB;
        } framed[] = {{Panel::SwitchPanel, 14, 19}, {Panel::Pedestal, 94, 95}};
        for (const auto& probe : framed) {
            if (ports_.isConnected(probe.panel) || claimed[i]) continue;
            if (probeForFrames(path, probe.codeA, probe.codeB)) {
                connectFound(probe.panel, i);
                claimed[i] = true;
            } else {
                controls_.setText(groupOf(probe.panel).statusText, "");
            }
        }
        if (!ports_.isConnected(Panel::StandbyGauges) && !claimed[i]) {
            if (probeForLine(path)) {
                connectFound(Panel::StandbyGauges, i);
                claimed[i] = true;
            } else {
                controls_.setText(groupOf(Panel::StandbyGauges).statusText, "");
            }
        }
    }
    controls_.setText(ids::kPanelAutoConnectStatus, "Completed");
    settings_.write(setting::kCheckBoxSection, setting::kAutoPanelConnFail, "0");
}

void PanelConnections::connectFound(Panel panel, std::size_t portIndex) {
    controls_.select(groupOf(panel).portBox, static_cast<int>(portIndex));
    portSelected_[static_cast<std::size_t>(indexOf(panel))] = true;
    openPanelPort(panel);
}

bool PanelConnections::probeForFrames(const std::string& path, std::uint8_t codeA, std::uint8_t codeB) {
    probeParser_.reset();
    OpenedPort opened = probeOpener_.open(path, 9600);
    if (opened.port == nullptr) {
        noteOpenFailure(path);
        return false;
    }
    for (int i = 0; i < 3; ++i) {
        opened.port->write(kGreeting);
        sleeper_.sleepMs(10);
    }
    sleeper_.sleepMs(100);
    return probeForCode(*opened.port, codeA, codeB);
}

bool PanelConnections::probeForCode(SerialPort& port, std::uint8_t codeA, std::uint8_t codeB) {
    std::array<std::uint8_t, kProbeReadBytes> buffer{};
    for (int attempt = 0; attempt < kProbeAttempts; ++attempt) {
        // Only the code byte matters here: the parser stops at state 2 and
        // the value that follows is skipped.
        for (const std::uint8_t byte : readProbeAnswer(port, buffer)) {
            if (probeParser_.state() == 2) {
                if (byte == codeA || byte == codeB) return true;
            }
            probeParser_.feed(byte);
        }
        sleeper_.sleepMs(10);
    }
    return false;
}

bool PanelConnections::probeForLine(const std::string& path) {
    OpenedPort opened = probeOpener_.open(path, 115200);
    if (opened.port == nullptr) {
        noteOpenFailure(path);
        return false;
    }
    for (int i = 0; i < 5; ++i) {
        opened.port->write(kQuery);
        sleeper_.sleepMs(10);
    }
    sleeper_.sleepMs(100);
    std::array<std::uint8_t, kProbeReadBytes> buffer{};
    for (int attempt = 0; attempt < kProbeAttempts; ++attempt) {
        const std::span<const std::uint8_t> answer = readProbeAnswer(*opened.port, buffer);
        if (std::find(answer.begin(), answer.end(), '\n') != answer.end()) return true;
    }
    return false;
}

}  // namespace brelvik
