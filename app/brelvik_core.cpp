#include "app/brelvik_core.h"

#include "base/control_ids.h"

namespace brelvik {
namespace {

template <typename T>
T& orDefault(T* given, T& fallback) {
    return given != nullptr ? *given : fallback;
}

}  // namespace

BrelvikCore::BrelvikCore(Controls& controls, Timers& timers, MessageBoxes& boxes, DatagramSender& sender,
                         SettingsStore& settings, PanelDevices devices)
    : controls_(controls),
      timers_(timers),
      boxes_(boxes),
      settings_(settings),
      tablet_(controls, timers, boxes, sender, sim_),
      avionics_(controls, tablet_, sim_, settings),
      panelPorts_(orDefault<SerialOpener>(devices.opener, systemOpener_),
                  orDefault<PanelNotifier>(devices.notifier, droppedNotices_)),
      connections_(controls, boxes, settings, panelPorts_,
                   orDefault<PortEnumerator>(devices.enumerator, systemEnumerator_),
                   orDefault<SerialOpener>(devices.opener, systemOpener_),
                   orDefault<Sleeper>(devices.sleeper, threadSleeper_)),
      simLink_(controls, timers, sim_, *this, *this, *panels_),
      decoders_(controls, sim_, simLink_, *this, calibrationState_),
      wizard_(settings, calibrationState_, decoders_, simLink_) {
    tablet_.setMessageSink(&avionics_);
    simLink_.setGaugeSelection(gauges_);
    simLink_.setCalibrationState(calibrationState_);
    decoders_.setPanelOutput(*panels_);
    wizard_.setPanelOutput(*panels_);
    panelPorts_.setInput(decoders_);
    // A newly connected switch panel must be told where the flaps are.
    connections_.onSwitchPanelConnected([this] {
        simLink_.panelDrive().flapIndicatorSent = 100.0f;  // not sent yet
        simLink_.panelDrive().lastFlapsFraction = -1;
    });
    connections_.onSwitchPanelDisconnected([this] { decoders_.onSwitchPanelDisconnected(); });
}

BrelvikCore::~BrelvikCore() = default;

void BrelvikCore::start(std::vector<std::string> broadcastTable) {
    tablet_.setBroadcastTable(std::move(broadcastTable));
    controls_.setText(ids::kSimStatus, "Not connected");
    controls_.setText(ids::kTabletStatus, "Not connected");
    sim_ = SimSession{};
    timers_.start(ids::kSimTimer, SimLink::kDisconnectedPeriodMs);
    tablet_.broadcastClientRequest();

    calibration_ = loadCalibration(settings_);
    decoders_.load(calibration_);
    PanelDrive& drive = simLink_.panelDrive();
    drive.flapIndicatorLow = calibration_.flapsIndUp;
    drive.flapIndicatorHigh = calibration_.flapsIndDown;
    drive.compassOffset = calibration_.compassValue;
    calibrationState_.compassReversed = calibration_.compassReverse;
    loadCheckBoxSettings(settings_, controls_);
    gauges_ = loadGaugeSelection(settings_);
    if (const std::string problem = settings_.problem(); !problem.empty()) boxes_.show(problem);
    // A tablet started after the bridge must still be found when Auto-Connect
    // was left on: the first broadcast alone would miss it.
    tablet_.syncDiscoveryWithAutoConnect();

    for (const int id : ids::kFailureBoxes) controls_.setChecked(id, true);
    for (int i = 0; i < ids::kBreakerCount; ++i) breakerIds_[i] = static_cast<std::uint16_t>(ids::kFirstBreaker + i);
}

bool BrelvikCore::onCommand(int id) {
    if (id >= ids::kFirstBreaker && id <= ids::kLastBreaker) {
        onBreakerClicked(id);
        return false;
    }
    if (connections_.onCommand(id)) return false;
    switch (id) {
    case ids::kStart:
        tablet_.onStartButton();
        break;
    case ids::kClose:
        onClose();
        return true;
    case ids::kSendSimOperations:
        // Without radio samples the markers would go stale: start again from agreement.
        if (!controls_.isChecked(id)) avionics_.onSendOperationsUnchecked();
        storeBox(id, setting::kSendCtrlCheck);
        break;
    case ids::kTabletAutoConnect:
        tablet_.onAutoConnectClicked();
        storeBox(id, setting::kReconnectCheck);
        break;
    case ids::kSyncAutopilotMaster:
        storeBox(id, setting::kMasterCheck);
        break;
    case ids::kSyncBaro:
        storeBox(id, setting::kSyncBaro);
        break;
    case ids::kPedestalInitialize:
        if (panels_->isConnected(Panel::Pedestal)) {
            panels_->writeFrame(Panel::Pedestal, 0x0C, 0x00);
        }
        break;
    default:
        break;  // the panel and configuration buttons arrive with their features
    }
    return false;
}

void BrelvikCore::storeBox(int id, const char* key) { storeCheckBox(settings_, key, controls_.isChecked(id)); }

void BrelvikCore::onBreakerClicked(int id) {
    // The panel reports popped breakers; the user may only reset one, never pop it.
    if (controls_.isChecked(id)) {
        controls_.setChecked(id, false);
        return;
    }
    if (panels_->isConnected(Panel::SwitchPanel)) {
        panels_->writeFrame(Panel::SwitchPanel, static_cast<std::uint8_t>((id - 117) & 0xFF), 0x00);
    }
}

void BrelvikCore::onClose() {
    tablet_.onClose();
    if (panels_->isConnected(Panel::SwitchPanel)) {
        panels_->writeFrame(Panel::SwitchPanel, 0x02, 0x00);
    }
}

void BrelvikCore::onTimer(int id) {
    if (id == ids::kSimTimer) {
        avionics_.onSimulatorTick();
        simLink_.service();
        decoders_.onSimulatorTick();
        // The one timer that always runs: it also carries out the search
        // that a panel plugged in while the bridge runs asks for.
        connections_.onTick(PanelConnections::Clock::now());
        return;
    }
    tablet_.onTimer(id);
}

void BrelvikCore::onDatagram(std::string_view text, const std::string& sender) { tablet_.onDatagram(text, sender); }

}  // namespace brelvik
