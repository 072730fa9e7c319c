// The bridge without its window: owns every long-lived object and receives what
// the dialog forwards (commands, timer ticks, datagrams). Never includes wx.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/panel_output.h"
#include "base/seams.h"
#include "base/tablet_output.h"
#include "base/calibration_state.h"
#include "dialogs/calibration_wizard.h"
#include "panels/panel_connections.h"
#include "panels/panel_decoders.h"
#include "panels/panel_ports.h"
#include "panels/serial_port.h"
#include "panels/serial_ports.h"
#include "settings/startup_settings.h"
#include "sim/sim_link.h"
#include "sim/sim_session.h"
#include "tablet/avionics.h"
#include "tablet/tablet_link.h"

namespace brelvik {

// What the panel side reaches the machine through; a null member means the
// machine's own (ports, opener, real sleeps). Without a notifier the readers'
// notices go nowhere, which only a run without a window may accept.
struct PanelDevices {
    PanelNotifier* notifier = nullptr;
    PortEnumerator* enumerator = nullptr;
    SerialOpener* opener = nullptr;
    Sleeper* sleeper = nullptr;
};

class BrelvikCore : private TabletOutput, private RadioSampleSink {
public:
    BrelvikCore(Controls& controls, Timers& timers, MessageBoxes& boxes, DatagramSender& sender,
                SettingsStore& settings, PanelDevices devices = {});
    ~BrelvikCore();
    BrelvikCore(const BrelvikCore&) = delete;
    BrelvikCore& operator=(const BrelvikCore&) = delete;

    // The start-up steps that follow the creation of both sockets: status
    // texts, timer 1, the first discovery broadcast, settings, failure boxes.
    void start(std::vector<std::string> broadcastTable);

    // A button or check box; returns true when the dialog must end ("Close").
    bool onCommand(int id);
    void onTimer(int id);
    void onDatagram(std::string_view text, const std::string& sender);
    // The last step of the window's initialisation: list the ports (and search
    // them for the panels when Auto-Connect is on).
    void refreshPortLists() { connections_.refreshPortLists(); }
    // A reader thread's notice, on the UI thread.
    void onPanelNotice(Panel panel, std::uint32_t session, PanelNotice notice) {
        connections_.onNotice(panel, session, notice);
    }
    // The port watcher's news that a serial port came or went, on the UI thread.
    void onSerialPortsChanged() { connections_.onPortsChanged(PanelConnections::Clock::now()); }
    PanelPorts& panelPorts() { return panelPorts_; }
    PanelConnections& panelConnections() { return connections_; }

    TabletLink& tablet() { return tablet_; }
    SimSession& sim() { return sim_; }
    SimLink& simLink() { return simLink_; }
    Avionics& avionics() { return avionics_; }
    const CalibrationValues& calibration() const { return calibration_; }
    const GaugeSelection& gauges() const { return gauges_; }
    // The simulator link reads this very object for every gauge line.
    GaugeSelection& gauges() { return gauges_; }
    // The 42 breaker control ids in order, for the switch-panel decoder.
    const std::array<std::uint16_t, 42>& breakerIds() const { return breakerIds_; }
    void setPanelOutput(PanelOutput* panels) {
        panels_ = panels;
        simLink_.setPanelOutput(*panels);
        decoders_.setPanelOutput(*panels);
        wizard_.setPanelOutput(*panels);
    }
    CalibrationWizard& wizard() { return wizard_; }
    PanelDecoders& decoders() { return decoders_; }
    // Alive for the whole run; the calibration wizard writes it.
    CalibrationState& calibrationState() { return calibrationState_; }

private:
    // The simulator link's view of the tablet side.
    bool isTabletConnected() const override { return tablet_.connected(); }
    int tabletOptionValue() const override { return tablet_.optionValue(); }
    void sendToTablet(const std::string& text) override { tablet_.sendToPeer(text); }
    void setYoke(double x, double y) override { avionics_.setYoke(x, y); }
    void onRadioSample(const RadioSample& sample) override { avionics_.onRadioSample(sample); }

    void onBreakerClicked(int id);
    void onClose();
    void storeBox(int id, const char* key);

    Controls& controls_;
    Timers& timers_;
    MessageBoxes& boxes_;
    SettingsStore& settings_;
    SimSession sim_;
    TabletLink tablet_;
    Avionics avionics_;
    class DroppedNotices final : public PanelNotifier {
        void post(Panel, std::uint32_t, PanelNotice) override {}
    } droppedNotices_;
    SystemPortEnumerator systemEnumerator_;
    SystemSerialOpener systemOpener_;
    ThreadSleeper threadSleeper_;
    PanelPorts panelPorts_;
    PanelConnections connections_;
    PanelOutput* panels_ = &panelPorts_;
    SimLink simLink_;
    CalibrationValues calibration_;
    CalibrationState calibrationState_;
    PanelDecoders decoders_;
    CalibrationWizard wizard_;
    GaugeSelection gauges_;
    std::array<std::uint16_t, 42> breakerIds_{};
};

}  // namespace brelvik
