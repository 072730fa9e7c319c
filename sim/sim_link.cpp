#include "sim/sim_link.h"

#include <cmath>
#include <cstring>
#include <span>
#include <string>

#include "base/control_ids.h"
#include "base/display_text.h"
#include "base/text_numbers.h"
#include "sim/sim_event_table.h"

namespace brelvik {
namespace {

constexpr char kClientName[] = "Brelvik";

// Until the core hands over the stored selection: the first-run defaults.
const GaugeSelection kDefaultGauges{};

template <typename Block>
bool copyBlock(const SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE& data, DWORD size, Block& into) {
    constexpr DWORD kDataOffset = kSimObjectDataOffset;
    // A message shorter than its definition would have us read past its end.
    if (size < kDataOffset + sizeof(Block)) return false;
    std::memcpy(&into, reinterpret_cast<const std::uint8_t*>(&data) + kDataOffset, sizeof(Block));
    return true;
}

}  // namespace

SimLink::SimLink(Controls& controls, Timers& timers, SimSession& session, TabletOutput& tablet, RadioSampleSink& radio,
                 PanelOutput& panels)
    : controls_(controls), timers_(timers), session_(session), tablet_(tablet), radio_(radio), panels_(&panels),
      gauges_(&kDefaultGauges) {}

void SimLink::service() {
    if (session_.connected) {
        ++tick_;
        pumpMessages();
        if (flightPending_) {
            flightPending_ = false;
            if (session_.connected) deliverFlightSample(pendingFlight_, pendingFlags_, pendingLastFlags_);
        }
        if (session_.connected) {
            request(kFlightSampleRequest);
            if (controls_.isChecked(ids::kSendSimOperations)) request(kRadioSampleRequest);
            if (panels_->isConnected(Panel::SwitchPanel)) {
                for (DWORD id = kSwitchSampleRequest; id <= kAltStaticSampleRequest; ++id) request(id);
            }
            return;
        }
        // The quit came in this dispatch: try to open again in the same tick.
    }
    open();
}

// The vendor's library hands over one message per call, ours all that have
// arrived: calling until a call delivers nothing serves both, so the burst of
// name exceptions at connect does not hold the first samples back.
void SimLink::pumpMessages() {
    inDispatch_ = true;
    bool failed = false;
    for (int call = 0; call < kMaxDispatchCalls && session_.connected; ++call) {
        delivered_ = 0;
        if (SimConnect_CallDispatch(session_.handle, &SimLink::dispatch, this) < 0) {
            failed = true;
            break;
        }
        if (delivered_ == 0) break;
    }
    inDispatch_ = false;
    // A simulator that crashed sends no quit, and the vendor's library fails
    // every dispatch from then on: that too is the end of the connection.
    failedDispatches_ = failed ? failedDispatches_ + 1 : 0;
    if (session_.connected && failedDispatches_ >= kLostAfterFailedDispatches) onQuit();
    if (closePending_) {
        closePending_ = false;
        failedDispatches_ = 0;
        SimConnect_Close(session_.handle);
        session_.handle = nullptr;
    }
}

void SimLink::request(DWORD id) {
    long& askedAt = askedAtTick_[id];
    if (askedAt != kNotAsked && tick_ - askedAt < kReaskTicks) return;
    askedAt = tick_;
    SimConnect_RequestDataOnSimObjectType(session_.handle, id, kDataRequests[id].definition, 0,
                                          SIMCONNECT_SIMOBJECT_TYPE_USER);
}

bool SimLink::open() {
    HANDLE handle = nullptr;
    if (SimConnect_Open(&handle, kClientName, nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL) < 0) {
        return false;
    }
    session_.handle = handle;
    session_.connected = true;
    forgetRequests();
    controls_.setText(ids::kSimStatus, "Connected");
    declareConnection(handle);
    timers_.start(ids::kSimTimer, kConnectedPeriodMs);
    return true;
}

void SimLink::dispatch(SIMCONNECT_RECV* message, DWORD size, void* context) noexcept {
    auto* self = static_cast<SimLink*>(context);
    ++self->delivered_;
    // Nothing may unwind into the simulator's library.
    try {
        self->onMessage(message, size);
    } catch (...) {
    }
}

void SimLink::onMessage(const SIMCONNECT_RECV* message, DWORD size) {
    failureFlags_ = readFailureFlags();
    // A message too short for its header is handled as one we do not know.
    const DWORD id = message != nullptr && size >= sizeof(SIMCONNECT_RECV) ? message->dwID : SIMCONNECT_RECV_ID_NULL;
    switch (id) {
    case SIMCONNECT_RECV_ID_OPEN:
        if (size >= sizeof(SIMCONNECT_RECV_OPEN)) onOpen(*static_cast<const SIMCONNECT_RECV_OPEN*>(message));
        break;
    case SIMCONNECT_RECV_ID_QUIT:
        onQuit();
        break;
    case SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE:
        if (size >= kSimObjectDataOffset) {
            onData(*static_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE*>(message), size);
        }
        break;
    default:
        break;  // exceptions for names this simulator lacks, events, the null message
    }
    settleCompass();
    lastFailureFlags_ = failureFlags_;
}

std::array<std::uint8_t, 11> SimLink::readFailureFlags() const {
    std::array<std::uint8_t, 11> flags{};
    for (std::size_t i = 0; i < flags.size(); ++i) flags[i] = controls_.isChecked(ids::kFailureBoxesInFlagOrder[i]) ? 0 : 1;
    return flags;
}

void SimLink::onOpen(const SIMCONNECT_RECV_OPEN& open) {
    // The name need not be terminated: never read past its 256 bytes.
    // It is in the simulator's narrow code page, which need not be UTF-8.
    const std::string name = toDisplayText(
        std::string_view(open.szApplicationName, strnlen(open.szApplicationName, sizeof open.szApplicationName)));
    controls_.setText(ids::kSimStatus,
                      formatText("%s v%d.%d b%d.%d, SimConnect v%d.%d b%d.%d", name.c_str(),
                                 static_cast<int>(open.dwApplicationVersionMajor),
                                 static_cast<int>(open.dwApplicationVersionMinor),
                                 static_cast<int>(open.dwApplicationBuildMajor),
                                 static_cast<int>(open.dwApplicationBuildMinor),
                                 static_cast<int>(open.dwSimConnectVersionMajor),
                                 static_cast<int>(open.dwSimConnectVersionMinor),
                                 static_cast<int>(open.dwSimConnectBuildMajor),
                                 static_cast<int>(open.dwSimConnectBuildMinor)));
    session_.versionMajor = open.dwApplicationVersionMajor;
    if (session_.isNewGeneration()) {
        controls_.setChecked(ids::kSyncAutopilotMaster, false);
        if (tablet_.isTabletConnected()) tablet_.sendToTablet("ClientData|FS2020=1");
    }
}

void SimLink::onQuit() {
    session_.connected = false;
    controls_.setText(ids::kSimStatus, "Not connected");
    timers_.stop(ids::kSimTimer);
    // Closed once the dispatch has returned: the vendor's library is still
    // inside the call that delivered this message.
    closePending_ = true;
    timers_.start(ids::kSimTimer, kDisconnectedPeriodMs);
}

void SimLink::onData(const SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE& data, DWORD size) {
    if (data.dwRequestID < askedAtTick_.size()) askedAtTick_[data.dwRequestID] = kNotAsked;
    switch (data.dwRequestID) {
    case kFlightSampleRequest: {
        FlightSample sample;
        if (copyBlock(data, size, sample)) onFlightSample(sample);
        break;
    }
    case kRadioSampleRequest: {
        RadioSample sample;
        if (copyBlock(data, size, sample)) {
            radioState_ = sample;
            radio_.onRadioSample(sample);
        }
        break;
    }
    // The switch panel's switches are compared with these by its decoder.
    case kSwitchSampleRequest:
        copyBlock(data, size, switchState_);
        break;
    case kFlapsSampleRequest: {
        FlapsSample sample;
        if (copyBlock(data, size, sample)) {
            flapsPercent_ = sample.trailingEdgeFlapsLeftPercent;
            driveFlapsIndicator(sample.trailingEdgeFlapsLeftPercent);
        }
        break;
    }
    case kCompassSampleRequest: {
        CompassSample sample;
        if (copyBlock(data, size, sample)) {
            compassHeading_ = sample.wiskeyCompassIndicationDegrees;
            driveCompass(sample.wiskeyCompassIndicationDegrees);
        }
        break;
    }
    case kAltStaticSampleRequest: {
        AltStaticSample sample;
        if (copyBlock(data, size, sample)) altStaticOpen_ = sample.alternateStaticSourceOpen;
        break;
    }
    default:
        break;
    }
}

void SimLink::onFlightSample(FlightSample& sample) {
    parkingBrake_ = saturatingTrunc(sample.brakeParkingPosition);
    if (panels_->isConnected(Panel::Pedestal)) {
        drive_.fuelValve = saturatingTrunc(sample.generalEngFuelValve1);
        driveTrimIndicator(sample.elevatorTrimPct);
    }

    // A title without its NUL means a garbled block: nothing of it reaches the tablet.
    if (std::memchr(sample.title, '\0', sizeof sample.title) == nullptr) return;

    if (!inDispatch_) {
        deliverFlightSample(sample, failureFlags_, lastFailureFlags_);
        return;
    }
    if (!flightPending_) pendingLastFlags_ = lastFailureFlags_;
    flightPending_ = true;
    pendingFlight_ = sample;
    pendingFlags_ = failureFlags_;
}

void SimLink::deliverFlightSample(FlightSample& sample, const std::array<std::uint8_t, 11>& flags,
                                  const std::array<std::uint8_t, 11>& lastFlags) {
    if (tablet_.isTabletConnected()) {
        tablet_.setYoke(sample.yokeXPosition, sample.yokeYPosition);
        tablet_.sendToTablet(composer_.composeFlightData(sample, session_.versionMajor, tablet_.tabletOptionValue()));
        const std::string failures = composer_.composeFailureFlags(flags, lastFlags);
        if (!failures.empty()) tablet_.sendToTablet(failures);
    }
    if (panels_->isConnected(Panel::StandbyGauges)) {
        const std::string line =
            gaugeLine_.compose(sample, {*gauges_, controls_.isChecked(ids::kSyncBaro), radioState_.kohlsmanSettingMb});
        panels_->writePanel(Panel::StandbyGauges,
                            std::span(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()));
    }
}

void SimLink::driveTrimIndicator(double trim) {
    const float difference = static_cast<float>(static_cast<double>(drive_.trimIndicator) - trim);
    if (std::fabs(difference) > 0.05) {
        panels_->writeFrame(Panel::Pedestal, 0x0B, saturatingByte((trim + 1.0) * 0.5 * 255.0));
        // The wheel reports the indicator's new position back for a while:
        // those frames must not move the trim again.
        drive_.trimSettleCount = kTrimSettleSamples;
        drive_.trimIndicator = static_cast<float>(trim);
    } else if (drive_.trimSettleCount >= 1) {
        --drive_.trimSettleCount;
    }
}

void SimLink::driveFlapsIndicator(double flaps) {
    // A value from the simulator outside the flaps' travel must not drive the
    // servo into its stop.
    float f = static_cast<float>(flaps);
    if (!(f > 0.0f)) f = 0.0f;
    if (f > 1.0f) f = 1.0f;
    if (calibration_->newIndicatorUp != 0 && calibration_->newIndicatorDown != 0) {
        drive_.flapIndicatorLow = calibration_->newIndicatorUp;
        drive_.flapIndicatorHigh = calibration_->newIndicatorDown;
    }
    if (!panels_->isConnected(Panel::SwitchPanel)) return;
    drive_.lastFlapsFraction = f;
    if (!calibration_->indicatorLive) return;
    if (!(std::fabs(drive_.flapIndicatorSent - f) > 0.005f)) return;
    const float low = drive_.flapIndicatorLow;
    const float high = drive_.flapIndicatorHigh;
    panels_->writeFrame(Panel::SwitchPanel, 0x80, saturatingByte(f * (high - low) + low));
    drive_.flapIndicatorSent = f;
}

void SimLink::driveCompass(double heading) {
    if (calibration_->newCompassOffset != 0) drive_.compassOffset = calibration_->newCompassOffset;
    if (!panels_->isConnected(Panel::SwitchPanel) || !session_.connected) return;
    // In single precision throughout: a double product would put 0.7 degrees
    // at 6 tenths, and many another heading a tenth low.
    const float h = static_cast<float>(heading);
    const float shown = calibration_->compassReversed ? 360.0f - h : h;
    const float scaled = shown * 10.0f;
    const auto tenths = static_cast<std::uint16_t>(saturatingTrunc(scaled));
    panels_->writeFrame(Panel::SwitchPanel, 0x06, static_cast<std::uint8_t>(tenths >> 8));
    if (panels_->isConnected(Panel::SwitchPanel)) {
        panels_->writeFrame(Panel::SwitchPanel, 0x07, static_cast<std::uint8_t>(tenths & 0xFF));
    }
    // The panel answers a compass update at once; what it sent goes through
    // the same parser and decoder as a notification would take it.
    panels_->readQueuedInput(Panel::SwitchPanel, kInlineReadBytes);
}

void SimLink::settleCompass() {
    if (!drive_.compassSettlePending) return;
    if (++drive_.compassSettleCount < kCompassSettleCallbacks) return;
    if (panels_->isConnected(Panel::SwitchPanel)) panels_->writeFrame(Panel::SwitchPanel, 0x05, 0x00);
    drive_.compassSettlePending = false;
    drive_.compassSettleCount = 0;
}

}  // namespace brelvik
