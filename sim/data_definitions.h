// The eight data definitions through which the bridge reads and writes the
// simulated aircraft. The simulator returns a definition as one packed block:
// its variables in declaration order, each in its declared type, no padding.
// Each table below is that declaration order, and each struct mirrors its table
// field by field so that a received block can be read as the struct.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "sim/simconnect.h"

namespace brelvik {

// One simulation variable of a data definition.
struct DataField {
    const char* name;
    const char* unit;  // nullptr: the simulator's default unit
    SIMCONNECT_DATATYPE type;
};

// Bytes a variable of this type occupies in a block; 0 for types we never declare.
constexpr std::size_t dataTypeSize(SIMCONNECT_DATATYPE type) {
    switch (type) {
    case SIMCONNECT_DATATYPE_INT32: return 4;
    case SIMCONNECT_DATATYPE_FLOAT64: return 8;
    case SIMCONNECT_DATATYPE_STRING64: return 64;
    case SIMCONNECT_DATATYPE_STRING256: return 256;
    default: return 0;
    }
}

// Offset of field `index` within the packed block.
constexpr std::size_t fieldOffset(std::span<const DataField> fields, std::size_t index) {
    std::size_t offset = 0;
    for (std::size_t i = 0; i < index && i < fields.size(); ++i) offset += dataTypeSize(fields[i].type);
    return offset;
}

constexpr std::size_t packedSize(std::span<const DataField> fields) {
    return fieldOffset(fields, fields.size());
}

// Definition numbers.
inline constexpr DWORD kFlightSampleDefinition = 0;
inline constexpr DWORD kYokeWriteDefinition = 1;
inline constexpr DWORD kRadioSampleDefinition = 2;
inline constexpr DWORD kSwitchWriteDefinition = 3;
inline constexpr DWORD kSwitchSampleDefinition = 4;
inline constexpr DWORD kFlapsSampleDefinition = 5;
inline constexpr DWORD kCompassSampleDefinition = 6;
inline constexpr DWORD kAltStaticSampleDefinition = 7;

// Definitions are declared in two groups around the event mapping when a
// connection opens; within each group in this order.
inline constexpr DWORD kDefinitionsBeforeEvents[] = {0, 1, 2, 7};
inline constexpr DWORD kDefinitionsAfterEvents[] = {3, 4, 5, 6};

// Request numbers; the simulator echoes them in each reply.
inline constexpr DWORD kFlightSampleRequest = 0;
inline constexpr DWORD kRadioSampleRequest = 1;
inline constexpr DWORD kSwitchSampleRequest = 2;
inline constexpr DWORD kFlapsSampleRequest = 3;
inline constexpr DWORD kCompassSampleRequest = 4;
inline constexpr DWORD kAltStaticSampleRequest = 5;
inline constexpr DWORD kLastDataRequest = 5;  // replies to higher numbers are not ours

struct DataRequest {
    DWORD request;
    DWORD definition;
};

// Which definition each request asks for; requests 2-5 go out in this order.
inline constexpr DataRequest kDataRequests[] = {
    {kFlightSampleRequest, kFlightSampleDefinition},     {kRadioSampleRequest, kRadioSampleDefinition},
    {kSwitchSampleRequest, kSwitchSampleDefinition},     {kFlapsSampleRequest, kFlapsSampleDefinition},
    {kCompassSampleRequest, kCompassSampleDefinition},   {kAltStaticSampleRequest, kAltStaticSampleDefinition},
};

// The two written definitions go to the simulator as 16-byte blocks.
inline constexpr DWORD kWriteBlockSize = 16;

// Blocks as the simulator packs them. Field names follow the variable names;
// types follow the tables (FLOAT64 double, INT32 int32_t, STRINGn char[n]).
#pragma pack(push, 1)

struct FlightSample {
    char title[256];
    char category[64];
    double planeAltitude;
    double planeLatitude;
    double planeLongitude;
    double planeBankDegrees;
    double planePitchDegrees;
    double verticalSpeed;
    double planeHeadingDegreesMagnetic;
    double airspeedTrue;
    double airspeedIndicated;
    double magvar;
    double ambientWindVelocity;
    double ambientWindDirection;
    double totalAirTemperature;
    double turnCoordinatorBall;
    double gpsGroundMagneticTrack;
    double gpsGroundSpeed;
    double yokeXPosition;
    double yokeYPosition;
    double seaLevelPressure;
    double turnIndicatorRate;
    double propRpm1;
    double accelerationBodyX;
    double accelerationBodyY;
    double accelerationBodyZ;
    double localTime;
    double localYear;
    double localMonthOfYear;
    double localDayOfMonth;
    double engManifoldPressure1;
    double generalEngOilPressure1;
    double generalEngOilTemperature1;
    double engFuelFlowGph1;
    double engCylinderHeadTemperature1;
    double engExhaustGasTemperature1;
    double fuelLeftQuantity;
    double fuelRightQuantity;
    double suctionPressure;
    double electricalMainBusVoltage;
    double electricalAvionicsBusVoltage;
    double electricalBatteryLoad;
    double lightPanel;
    double elevatorTrimPct;
    double rudderTrimPct;
    double generalEngFuelValve1;
    double brakeParkingPosition;
    double propRpm2;
    double engManifoldPressure2;
    double generalEngOilPressure2;
    double generalEngOilTemperature2;
    double engFuelFlowGph2;
    double engCylinderHeadTemperature2;
    double engExhaustGasTemperature2;
    double electricalGenaltBusAmps1;
    double electricalGenaltBusVoltage1;
    double electricalGenaltBusAmps2;
    double electricalGenaltBusVoltage2;
    double turbEngN1_1;
    double turbEngN1_2;
    double turbEngN2_1;
    double turbEngN2_2;
    double engTorque1;
    double engTorque2;
    double turbEngItt1;
    double turbEngItt2;
    double trailingEdgeFlapsLeftPercent;
    double recipEngBrakePower1;
    double recipEngBrakePower2;
    double generalEngRpm1;
    double generalEngRpm2;
    double rotorRpmPct1;
    double adfRadial1;
    double adfCard;
    double generalEngElapsedTime1;
    double generalEngElapsedTime2;
    double navObs1;
    double navObs2;
    double navCdi1;
    double navCdi2;
    double navTofrom1;
    double navTofrom2;
    double navGsFlag1;
    double navGsi1;
    double recipEngTurbineInletTemperature1;
    double recipEngTurbineInletTemperature2;
};

struct YokeWrite {
    double yokeXPosition;
    double yokeYPosition;
};

struct RadioSample {
    double kohlsmanSettingMb;
    double comActiveFrequency1;
    double comStandbyFrequency1;
    double comActiveFrequency2;
    double comStandbyFrequency2;
    double navActiveFrequency1;
    double navStandbyFrequency1;
    double navActiveFrequency2;
    double navStandbyFrequency2;
    double selectedDme;
    std::int32_t adfActiveFrequency1;
    std::int32_t transponderCode1;
    std::int32_t autopilotHeadingLockDir;
    std::int32_t autopilotAltitudeLockVar;
    std::int32_t navObs1;
    std::int32_t navObs2;
    std::int32_t autopilotVerticalHoldVar;
    std::int32_t autopilotAirspeedHoldVar;
    double autopilotMaster;
    double electricalMasterBattery;
    double avionicsMasterSwitch;
    double comTransmit1;
    double comTransmit2;
    double comRecieveAll;
    double markerSound;
    double dmeSound;
    double adfSound0;
    double navSound1;
    double navSound2;
};

struct SwitchWrite {
    std::int32_t generalEngMasterAlternator0;
    std::int32_t electricalMasterBattery;
    std::int32_t lightBeacon;
    std::int32_t lightNav;
};

struct SwitchSample {
    double avionicsMasterSwitch;
    double lightTaxi;
    double generalEngFuelPumpSwitch1;
};

struct FlapsSample {
    double trailingEdgeFlapsLeftPercent;
};

struct CompassSample {
    double wiskeyCompassIndicationDegrees;
};

struct AltStaticSample {
    double alternateStaticSourceOpen;
};

#pragma pack(pop)

static_assert(sizeof(FlightSample) == 992);
static_assert(sizeof(YokeWrite) == kWriteBlockSize);
static_assert(sizeof(RadioSample) == 200);
static_assert(sizeof(SwitchWrite) == kWriteBlockSize);
static_assert(sizeof(SwitchSample) == 24);
static_assert(sizeof(FlapsSample) == 8);
static_assert(sizeof(CompassSample) == 8);
static_assert(sizeof(AltStaticSample) == 8);

struct DataDefinition {
    DWORD id;
    const char* name;
    std::span<const DataField> fields;
    std::size_t size;  // bytes of the packed block
};

// All eight, indexed by definition number.
std::span<const DataDefinition> allDataDefinitions();
// nullptr for a number that is not one of ours.
const DataDefinition* findDataDefinition(DWORD id);

// The declaration calls made on every new connection. The program passes them
// to the simulator client library; tests record them.
class SimDeclarations {
public:
    virtual ~SimDeclarations() = default;
    virtual void addToDataDefinition(DWORD definition, const DataField& field) = 0;
    virtual void mapClientEvent(DWORD event, const char* name) = 0;
    virtual void addToNotificationGroup(DWORD group, DWORD event, bool maskable) = 0;
    virtual void setNotificationGroupPriority(DWORD group, DWORD priority) = 0;
};

// Issues the declarations on an open connection; results are not checked, since
// the simulator reports a name it does not know as an exception message, which
// the dispatch ignores.
class SimConnectDeclarations final : public SimDeclarations {
public:
    explicit SimConnectDeclarations(HANDLE handle) : handle_(handle) {}
    void addToDataDefinition(DWORD definition, const DataField& field) override;
    void mapClientEvent(DWORD event, const char* name) override;
    void addToNotificationGroup(DWORD group, DWORD event, bool maskable) override;
    void setNotificationGroupPriority(DWORD group, DWORD priority) override;

private:
    HANDLE handle_;
};

// Declares every variable of each listed definition, definitions in the order given.
void declareDataDefinitions(SimDeclarations& sink, std::span<const DWORD> definitions);

}  // namespace brelvik
