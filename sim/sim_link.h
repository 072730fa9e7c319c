// The connection to the simulator: opened and pumped from timer 1, polled every
// 50 ms while connected, with the dispatch callback that stores each sample and
// drives the messages to the tablet. Everything runs on the UI thread.
#pragma once

#include <array>
#include <cstdint>

#include "base/calibration_state.h"
#include "base/panel_output.h"
#include "base/seams.h"
#include "base/tablet_output.h"
#include "settings/startup_settings.h"
#include "sim/data_definitions.h"
#include "sim/flight_data_message.h"
#include "sim/gauge_line.h"
#include "sim/sim_session.h"

namespace brelvik {

// Receives each radio sample: the tablet side keeps it to echo the pilot's
// changes and to compare with the tablet's own values.
class RadioSampleSink {
public:
    virtual ~RadioSampleSink() = default;
    virtual void onRadioSample(const RadioSample& sample) = 0;
};

// What the simulator drives on the panels, with the state the panel decoders
// share with it: the pedestal's trim indicator and fuel valve, the switch
// panel's flaps indicator and compass.
struct PanelDrive {
    std::int32_t fuelValve = 0;
    float trimIndicator = 0;
    std::int32_t trimSettleCount = 0;  // the trim wheel is ignored while above 0
    float flapIndicatorSent = 0;          // outside 0...1: nothing sent since the panel connected
    float lastFlapsFraction = -1;         // of the last flaps sample since then; negative: none
    std::uint8_t flapIndicatorLow = 125;  // servo value for flaps up
    std::uint8_t flapIndicatorHigh = 125;  // and for flaps down
    std::int32_t compassOffset = 0;        // tenths of a degree
    bool compassSettlePending = false;
    std::int32_t compassSettleCount = 0;

    // Where the flaps needle points, as a fraction of its travel: what was
    // last sent, else the last sample, else flaps up. Never outside 0...1, so
    // the servo is never driven into its stop.
    float indicatorFraction() const {
        if (flapIndicatorSent >= 0.0f && flapIndicatorSent <= 1.0f) return flapIndicatorSent;
        return lastFlapsFraction >= 0.0f ? lastFlapsFraction : 0.0f;
    }
};

class SimLink {
public:
    static constexpr int kTrimSettleSamples = 5;
    static constexpr int kCompassSettleCallbacks = 35;
    static constexpr std::size_t kInlineReadBytes = 255;

    static constexpr int kDisconnectedPeriodMs = 1000;
    static constexpr int kConnectedPeriodMs = 50;
    // Dispatch calls per tick at most: every queued message is handled in
    // its tick, yet a simulator that never stops sending cannot hold the tick.
    static constexpr int kMaxDispatchCalls = 2048;
    static constexpr int kLostAfterFailedDispatches = 3;

    SimLink(Controls& controls, Timers& timers, SimSession& session, TabletOutput& tablet, RadioSampleSink& radio,
            PanelOutput& panels);

    // Timer 1: pump the connection and request the next samples, or try to open one.
    void service();
    // One message from the library (also reachable by tests with hand-made messages).
    void onMessage(const SIMCONNECT_RECV* message, DWORD size);

    void setPanelOutput(PanelOutput& panels) { panels_ = &panels; }
    // The selection is read for every line, so a change shows in the next one.
    void setGaugeSelection(const GaugeSelection& selection) { gauges_ = &selection; }
    FlightDataComposer& composer() { return composer_; }
    GaugeLineComposer& gaugeLine() { return gaugeLine_; }
    // The last radio sample, zero before the first.
    const RadioSample& radioState() const { return radioState_; }
    std::int32_t parkingBrake() const { return parkingBrake_; }
    const SwitchSample& switchState() const { return switchState_; }
    double flapsPercent() const { return flapsPercent_; }
    PanelDrive& panelDrive() { return drive_; }
    const PanelDrive& panelDrive() const { return drive_; }
    void setCalibrationState(const CalibrationState& state) { calibration_ = &state; }
    double compassHeading() const { return compassHeading_; }
    double altStaticOpen() const { return altStaticOpen_; }
    const std::array<std::uint8_t, 11>& lastFailureFlags() const { return lastFailureFlags_; }

private:
    static void SIMCONNECT_CALLBACK dispatch(SIMCONNECT_RECV* message, DWORD size, void* context) noexcept;
    void pumpMessages();
    bool open();
    void onOpen(const SIMCONNECT_RECV_OPEN& open);
    void onQuit();
    void onData(const SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE& data, DWORD size);
    void onFlightSample(FlightSample& sample);
    void driveTrimIndicator(double trim);
    void driveFlapsIndicator(double flaps);
    void driveCompass(double heading);
    void settleCompass();
    // Steps 3-5 of a flight sample: the tablet's datagrams, then the gauge line
    // from the sample as the tablet's composer left it.
    void deliverFlightSample(FlightSample& sample, const std::array<std::uint8_t, 11>& flags,
                             const std::array<std::uint8_t, 11>& lastFlags);
    void request(DWORD id);
    void forgetRequests() { askedAtTick_.fill(kNotAsked); }
    std::array<std::uint8_t, 11> readFailureFlags() const;

    Controls& controls_;
    Timers& timers_;
    SimSession& session_;
    TabletOutput& tablet_;
    RadioSampleSink& radio_;
    PanelOutput* panels_;
    const GaugeSelection* gauges_;
    CalibrationState noCalibration_;
    const CalibrationState* calibration_ = &noCalibration_;
    PanelDrive drive_;
    FlightDataComposer composer_;
    GaugeLineComposer gaugeLine_;
    RadioSample radioState_{};

    std::int32_t parkingBrake_ = 0;
    SwitchSample switchState_{};
    double flapsPercent_ = 0;
    double compassHeading_ = 0;
    double altStaticOpen_ = 0;
    std::array<std::uint8_t, 11> failureFlags_{};      // read at the start of the current message
    std::array<std::uint8_t, 11> lastFailureFlags_{};  // as the previous message left them

    // At most one request of each kind is outstanding, so a simulator that
    // stalls and resumes answers once instead of replaying every tick it missed.
    // A request unanswered for a second (20 ticks) may be asked again.
    static constexpr long kNotAsked = -1;
    static constexpr long kReaskTicks = 20;
    long tick_ = 0;
    std::array<long, 6> askedAtTick_{kNotAsked, kNotAsked, kNotAsked, kNotAsked, kNotAsked, kNotAsked};

    // Within one dispatch only the newest flight sample reaches the tablet and
    // the gauges: older ones queued behind a stall are stale by then. The
    // failure flags compare against what they were before the first of them.
    bool inDispatch_ = false;
    int delivered_ = 0;          // messages the current dispatch call handed over
    int failedDispatches_ = 0;   // in a row
    bool closePending_ = false;  // the quit came: close once the dispatch returns
    bool flightPending_ = false;
    FlightSample pendingFlight_{};
    std::array<std::uint8_t, 11> pendingFlags_{};
    std::array<std::uint8_t, 11> pendingLastFlags_{};
};

}  // namespace brelvik
