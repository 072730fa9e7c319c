// The tablet's avionics operations and their way into the simulator, and the
// echo of simulator-side changes back to the tablet so both sides agree.
//
// Three records share the layout of RadioSample, so each simulator field has its
// tablet value and its difference marker at the same position:
//  - radioState: the latest radio sample from the simulator;
//  - tablet values: the last value the tablet sent for each avionics key;
//  - difference markers: per field, kDiffers (-10000) where the two disagree and 0
//    where they agree (double markers for double fields, int32 markers for int32
//    fields). The battery and avionics master slots carry no marker: they hold
//    the values last reported to the tablet.
// A key whose marker is set after the first "ServerAv" of a connection is not
// applied: the pilot changed it in the simulator, so the simulator's value goes
// back to the tablet instead.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "base/seams.h"
#include "sim/data_definitions.h"
#include "sim/fixed_events.h"
#include "sim/sim_session.h"
#include "tablet/datagram.h"
#include "tablet/event_budget.h"
#include "tablet/tablet_link.h"

namespace brelvik {

using DifferenceMarkers = RadioSample;

class Avionics : public TabletMessageSink {
public:
    static constexpr std::int32_t kDiffers = -10000;
    // The tablet's "no target" value for VS and SPD.
    static constexpr std::int32_t kNoTarget = -10000;

    Avionics(Controls& controls, TabletLink& tablet, const SimSession& sim, const SettingsStore& settings);

    void onTabletReady() override;
    void onServerAv(const SplitDatagram& message) override;
    void onServerData(const SplitDatagram& message) override;

    // Reply to the radio sample request: kept as radioState; the markers follow
    // it once the connection's first "ServerAv" has been applied.
    void onRadioSample(const RadioSample& sample);
    // The yoke position of each flight sample while the tablet is connected,
    // kept within -1...1; an axis that is not a number keeps its last position.
    void setYoke(double x, double y);
    // Each simulator tick renews what tablet datagrams may cause per tick.
    void onSimulatorTick() { budget_.refill(); }
    // "Send FSX operations" was cleared: markers and last-sent values start over.
    void onSendOperationsUnchecked();
    // A tablet audio-panel key: fires the user's mapped event while the
    // simulator is connected.
    void OnTabletKeyCode(int keyCode);

    const RadioSample& radioState() const { return radioState_; }
    const RadioSample& tabletValues() const { return tablet_; }
    const DifferenceMarkers& markers() const { return markers_; }
    double lastSentBattery() const { return markers_.electricalMasterBattery; }
    double lastSentAvionics() const { return markers_.avionicsMasterSwitch; }
    bool firstMessageApplied() const { return firstMessageApplied_; }
    bool messageInProgress() const { return messageInProgress_; }
    std::int32_t tabletAutopilot() const { return tabletAutopilot_; }
    bool altitudeChangeInProgress() const { return altitudeChanging_; }
    float yokeX() const { return yokeX_; }
    float yokeY() const { return yokeY_; }

private:
    void handleField(std::string_view key, std::string_view value);
    void reportMasterSwitches();
    void computeMarkers();

    void handleCom(std::string_view key, double RadioSample::*field, bool standby, FixedEvent set, FixedEvent fine,
                   std::int32_t v);
    void handleAltitude(std::int32_t v);
    void handleComSelection(std::int32_t v);
    void handleAudioSelection(std::int32_t v);
    void handleAutopilot(std::int32_t v);
    void engageAutopilot();

    bool syncAutopilot() const;
    // True when a key must be echoed rather than applied: the connection's
    // first message has been applied and the field's marker is set.
    bool marked(double DifferenceMarkers::*field) const;
    bool marked(std::int32_t DifferenceMarkers::*field) const;
    // Within the budget of this message and tick; the rest is left out.
    void transmit(FixedEvent event, std::uint32_t data = 0, DWORD priority = SIMCONNECT_GROUP_PRIORITY_STANDARD);
    void transmitAlways(FixedEvent event, std::uint32_t data, DWORD priority) const;
    // Sends "ClientAv|KEY=value" to the tablet.
    void echo(std::string_view key, const std::string& value);

    Controls& controls_;
    TabletLink& link_;
    const SimSession& sim_;
    const SettingsStore& settings_;

    RadioSample radioState_{};
    RadioSample tablet_{};
    DifferenceMarkers markers_{};
    bool firstMessageApplied_ = false;
    bool messageInProgress_ = false;
    std::int32_t tabletAutopilot_ = 0;
    bool altitudeChanging_ = false;
    bool altitudeSteppedThisMessage_ = false;
    EventBudget budget_;
    float yokeX_ = 0;
    float yokeY_ = 0;
};

// The COM frequency code of a tablet frequency in kHz: the frequency in tens of
// kHz, one decimal digit per nibble (118250 gives 0x11825).
std::uint32_t comFrequencyCode(std::int32_t kilohertz);

}  // namespace brelvik
