#include "sim/data_definitions.h"

#include <array>
#include <cstdint>
#include <type_traits>

namespace brelvik {
namespace {

// Variables, in declaration order. The names and units are passed to the
// simulator verbatim, misspellings included.

constexpr DataField kFlightSampleFields[] = {
    {"Title", nullptr, SIMCONNECT_DATATYPE_STRING256},
    {"Category", nullptr, SIMCONNECT_DATATYPE_STRING64},
    {"Plane Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64},
    {"Plane Latitude", "degrees", SIMCONNECT_DATATYPE_FLOAT64},
    {"Plane Longitude", "degrees", SIMCONNECT_DATATYPE_FLOAT64},
    {"PLANE BANK DEGREES", "Radians", SIMCONNECT_DATATYPE_FLOAT64},
    {"PLANE PITCH DEGREES", "Radians", SIMCONNECT_DATATYPE_FLOAT64},
    {"VERTICAL SPEED", "Feet per second", SIMCONNECT_DATATYPE_FLOAT64},
    {"PLANE HEADING DEGREES MAGNETIC", "Radians", SIMCONNECT_DATATYPE_FLOAT64},
    {"AIRSPEED TRUE", "Knots", SIMCONNECT_DATATYPE_FLOAT64},
    {"AIRSPEED INDICATED", "Knots", SIMCONNECT_DATATYPE_FLOAT64},
    {"MAGVAR", "Degrees", SIMCONNECT_DATATYPE_FLOAT64},
    {"AMBIENT WIND VELOCITY", "Knots", SIMCONNECT_DATATYPE_FLOAT64},
    {"AMBIENT WIND DIRECTION", "Degrees", SIMCONNECT_DATATYPE_FLOAT64},
    {"TOTAL AIR TEMPERATURE", "Celsius", SIMCONNECT_DATATYPE_FLOAT64},
    {"TURN COORDINATOR BALL", "Position 128", SIMCONNECT_DATATYPE_FLOAT64},
    {"GPS GROUND MAGNETIC TRACK", "Radians", SIMCONNECT_DATATYPE_FLOAT64},
    {"GPS GROUND SPEED", "Meters per second", SIMCONNECT_DATATYPE_FLOAT64},
    {"YOKE X POSITION", "Position", SIMCONNECT_DATATYPE_FLOAT64},
    {"YOKE Y POSITION", "Position", SIMCONNECT_DATATYPE_FLOAT64},
    {"SEA LEVEL PRESSURE", "Millibars", SIMCONNECT_DATATYPE_FLOAT64},
    {"TURN INDICATOR RATE", "Radians per second", SIMCONNECT_DATATYPE_FLOAT64},
    {"PROP RPM:1", "Rpm", SIMCONNECT_DATATYPE_FLOAT64},
    {"ACCELERATION BODY X", "Feet per second squared", SIMCONNECT_DATATYPE_FLOAT64},
    {"ACCELERATION BODY Y", "Feet per second squared", SIMCONNECT_DATATYPE_FLOAT64},
    {"ACCELERATION BODY Z", "Feet per second squared", SIMCONNECT_DATATYPE_FLOAT64},
    {"LOCAL TIME", "Seconds", SIMCONNECT_DATATYPE_FLOAT64},
    {"LOCAL YEAR", "Number", SIMCONNECT_DATATYPE_FLOAT64},
    {"LOCAL MONTH OF YEAR", "Number", SIMCONNECT_DATATYPE_FLOAT64},
    {"LOCAL DAY OF MONTH", "Number", SIMCONNECT_DATATYPE_FLOAT64},
    {"ENG MANIFOLD PRESSURE:1", "inHG", SIMCONNECT_DATATYPE_FLOAT64},
    {"GENERAL ENG OIL PRESSURE:1", "Psf", SIMCONNECT_DATATYPE_FLOAT64},
    {"GENERAL ENG OIL TEMPERATURE:1", "Rankine", SIMCONNECT_DATATYPE_FLOAT64},
    {"ENG FUEL FLOW GPH:1", "Gallons per hour", SIMCONNECT_DATATYPE_FLOAT64},
    {"ENG CYLINDER HEAD TEMPERATURE:1", "Rankine", SIMCONNECT_DATATYPE_FLOAT64},
    {"ENG EXHAUST GAS TEMPERATURE:1", "Rankine", SIMCONNECT_DATATYPE_FLOAT64},
    {"FUEL LEFT QUANTITY", "Gallons", SIMCONNECT_DATATYPE_FLOAT64},
    {"FUEL RIGHT QUANTITY", "Gallons", SIMCONNECT_DATATYPE_FLOAT64},
    {"SUCTION PRESSURE", "inHg", SIMCONNECT_DATATYPE_FLOAT64},
    {"ELECTRICAL MAIN BUS VOLTAGE", "Volts", SIMCONNECT_DATATYPE_FLOAT64},
    {"ELECTRICAL AVIONICS BUS VOLTAGE", "Volts", SIMCONNECT_DATATYPE_FLOAT64},
    {"ELECTRICAL BATTERY LOAD", "Amperes", SIMCONNECT_DATATYPE_FLOAT64},
    {"LIGHT PANEL", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"ELEVATOR TRIM PCT", "Percent Over 100", SIMCONNECT_DATATYPE_FLOAT64},
    {"RUDDER TRIM PCT", "Percent Over 100", SIMCONNECT_DATATYPE_FLOAT64},
    {"GENERAL ENG FUEL VALVE:1", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"BRAKE PARKING POSITION", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"PROP RPM:2", "Rpm", SIMCONNECT_DATATYPE_FLOAT64},
    {"ENG MANIFOLD PRESSURE:2", "inHG", SIMCONNECT_DATATYPE_FLOAT64},
    {"GENERAL ENG OIL PRESSURE:2", "Psf", SIMCONNECT_DATATYPE_FLOAT64},
    {"GENERAL ENG OIL TEMPERATURE:2", "Rankine", SIMCONNECT_DATATYPE_FLOAT64},
    {"ENG FUEL FLOW GPH:2", "Gallons per hour", SIMCONNECT_DATATYPE_FLOAT64},
    {"ENG CYLINDER HEAD TEMPERATURE:2", "Rankine", SIMCONNECT_DATATYPE_FLOAT64},
    {"ENG EXHAUST GAS TEMPERATURE:2", "Rankine", SIMCONNECT_DATATYPE_FLOAT64},
    {"ELECTRICAL GENALT BUS AMPS:1", "Amperes", SIMCONNECT_DATATYPE_FLOAT64},
    {"ELECTRICAL GENALT BUS VOLTAGE:1", "Volts", SIMCONNECT_DATATYPE_FLOAT64},
    {"ELECTRICAL GENALT BUS AMPS:2", "Amperes", SIMCONNECT_DATATYPE_FLOAT64},
    {"ELECTRICAL GENALT BUS VOLTAGE:2", "Volts", SIMCONNECT_DATATYPE_FLOAT64},
    {"TURB ENG N1:1", "Percent", SIMCONNECT_DATATYPE_FLOAT64},
    {"TURB ENG N1:2", "Percent", SIMCONNECT_DATATYPE_FLOAT64},
    {"TURB ENG N2:1", "Percent", SIMCONNECT_DATATYPE_FLOAT64},
    {"TURB ENG N2:2", "Percent", SIMCONNECT_DATATYPE_FLOAT64},
    {"ENG TORQUE:1", "Foot pounds", SIMCONNECT_DATATYPE_FLOAT64},
    {"ENG TORQUE:2", "Foot pounds", SIMCONNECT_DATATYPE_FLOAT64},
    {"TURB ENG ITT:1", "Rankine", SIMCONNECT_DATATYPE_FLOAT64},
    {"TURB ENG ITT:2", "Rankine", SIMCONNECT_DATATYPE_FLOAT64},
    {"TRAILING EDGE FLAPS LEFT PERCENT", "Percent over 100", SIMCONNECT_DATATYPE_FLOAT64},
    {"RECIP ENG BRAKE POWER:1", "ft lb per second", SIMCONNECT_DATATYPE_FLOAT64},
    {"RECIP ENG BRAKE POWER:2", "ft lb per second", SIMCONNECT_DATATYPE_FLOAT64},
    {"GENERAL ENG RPM:1", "Rpm", SIMCONNECT_DATATYPE_FLOAT64},
    {"GENERAL ENG RPM:2", "Rpm", SIMCONNECT_DATATYPE_FLOAT64},
    {"ROTOR RPM PCT:1", "Percent over 100", SIMCONNECT_DATATYPE_FLOAT64},
    {"ADF RADIAL:1", "Degrees", SIMCONNECT_DATATYPE_FLOAT64},
    {"ADF CARD", "Degrees", SIMCONNECT_DATATYPE_FLOAT64},
    {"GENERAL ENG ELAPSED TIME:1", "Hours", SIMCONNECT_DATATYPE_FLOAT64},
    {"GENERAL ENG ELAPSED TIME:2", "Hours", SIMCONNECT_DATATYPE_FLOAT64},
    {"NAV OBS:1", "Degrees", SIMCONNECT_DATATYPE_FLOAT64},
    {"NAV OBS:2", "Degrees", SIMCONNECT_DATATYPE_FLOAT64},
    {"NAV CDI:1", "Number", SIMCONNECT_DATATYPE_FLOAT64},
    {"NAV CDI:2", "Number", SIMCONNECT_DATATYPE_FLOAT64},
    {"NAV TOFROM:1", "Enum", SIMCONNECT_DATATYPE_FLOAT64},
    {"NAV TOFROM:2", "Enum", SIMCONNECT_DATATYPE_FLOAT64},
    {"NAV GS FLAG:1", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"NAV GSI:1", "Number", SIMCONNECT_DATATYPE_FLOAT64},
    {"RECIP ENG TURBINE INLET TEMPERATURE:1", "Celsius", SIMCONNECT_DATATYPE_FLOAT64},
    {"RECIP ENG TURBINE INLET TEMPERATURE:2", "Celsius", SIMCONNECT_DATATYPE_FLOAT64},
};

constexpr DataField kYokeWriteFields[] = {
    {"YOKE X POSITION", "Position", SIMCONNECT_DATATYPE_FLOAT64},
    {"YOKE Y POSITION", "Position", SIMCONNECT_DATATYPE_FLOAT64},
};

constexpr DataField kRadioSampleFields[] = {
    {"KOHLSMAN SETTING MB", "Millibars", SIMCONNECT_DATATYPE_FLOAT64},
    {"COM ACTIVE FREQUENCY:1", "MHz", SIMCONNECT_DATATYPE_FLOAT64},
    {"COM STANDBY FREQUENCY:1", "MHz", SIMCONNECT_DATATYPE_FLOAT64},
    {"COM ACTIVE FREQUENCY:2", "MHz", SIMCONNECT_DATATYPE_FLOAT64},
    {"COM STANDBY FREQUENCY:2", "MHz", SIMCONNECT_DATATYPE_FLOAT64},
    {"NAV ACTIVE FREQUENCY:1", "MHz", SIMCONNECT_DATATYPE_FLOAT64},
    {"NAV STANDBY FREQUENCY:1", "MHz", SIMCONNECT_DATATYPE_FLOAT64},
    {"NAV ACTIVE FREQUENCY:2", "MHz", SIMCONNECT_DATATYPE_FLOAT64},
    {"NAV STANDBY FREQUENCY:2", "MHz", SIMCONNECT_DATATYPE_FLOAT64},
    {"SELECTED DME", "Number", SIMCONNECT_DATATYPE_FLOAT64},
    {"ADF ACTIVE FREQUENCY:1", "Hz", SIMCONNECT_DATATYPE_INT32},
    {"TRANSPONDER CODE:1", "BCO16", SIMCONNECT_DATATYPE_INT32},
    {"AUTOPILOT HEADING LOCK DIR", "Degrees", SIMCONNECT_DATATYPE_INT32},
    {"AUTOPILOT ALTITUDE LOCK VAR", "Feet", SIMCONNECT_DATATYPE_INT32},
    {"NAV OBS:1", "Degrees", SIMCONNECT_DATATYPE_INT32},
    {"NAV OBS:2", "Degrees", SIMCONNECT_DATATYPE_INT32},
    {"AUTOPILOT VERTICAL HOLD VAR", "Feet/minute", SIMCONNECT_DATATYPE_INT32},
    {"AUTOPILOT AIRSPEED HOLD VAR", "Knots", SIMCONNECT_DATATYPE_INT32},
    {"AUTOPILOT MASTER", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"ELECTRICAL MASTER BATTERY", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"AVIONICS MASTER SWITCH", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"COM TRANSMIT:1", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"COM TRANSMIT:2", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"COM RECIEVE ALL", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"MARKER SOUND", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"DME SOUND", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"ADF SOUND:0", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"NAV SOUND:1", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"NAV SOUND:2", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
};

constexpr DataField kSwitchWriteFields[] = {
    {"GENERAL ENG MASTER ALTERNATOR:0", nullptr, SIMCONNECT_DATATYPE_INT32},
    {"ELECTRICAL MASTER BATTERY", nullptr, SIMCONNECT_DATATYPE_INT32},
    {"LIGHT BEACON", nullptr, SIMCONNECT_DATATYPE_INT32},
    {"LIGHT NAV", nullptr, SIMCONNECT_DATATYPE_INT32},
};

constexpr DataField kSwitchSampleFields[] = {
    {"AVIONICS MASTER SWITCH", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"LIGHT TAXI", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
    {"GENERAL ENG FUEL PUMP SWITCH:1", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
};

constexpr DataField kFlapsSampleFields[] = {
    {"TRAILING EDGE FLAPS LEFT PERCENT", "Percent over 100", SIMCONNECT_DATATYPE_FLOAT64},
};

constexpr DataField kCompassSampleFields[] = {
    {"WISKEY COMPASS INDICATION DEGREES", "Degrees", SIMCONNECT_DATATYPE_FLOAT64},
};

constexpr DataField kAltStaticSampleFields[] = {
    {"ALTERNATE STATIC SOURCE OPEN", "Bool", SIMCONNECT_DATATYPE_FLOAT64},
};

template <typename T>
constexpr bool holdsType(SIMCONNECT_DATATYPE type) {
    switch (type) {
    case SIMCONNECT_DATATYPE_INT32: return std::is_same_v<T, std::int32_t>;
    case SIMCONNECT_DATATYPE_FLOAT64: return std::is_same_v<T, double>;
    case SIMCONNECT_DATATYPE_STRING64: return std::is_same_v<T, char[64]>;
    case SIMCONNECT_DATATYPE_STRING256: return std::is_same_v<T, char[256]>;
    default: return false;
    }
}

// Every struct member sits where its table entry puts it in the packed block, at
// the offset its readers rely on, with the table's type. A table edit that forgets the
// struct (or the reverse) fails to compile instead of shifting every later field.
#define BRELVIK_FIELD_AT(Block, index, member, offset)                                         \
    static_assert(offsetof(Block, member) == (offset) &&                                       \
                      fieldOffset(k##Block##Fields, index) == (offset) &&                      \
                      holdsType<decltype(Block::member)>(k##Block##Fields[index].type),        \
                  #Block "::" #member)

BRELVIK_FIELD_AT(FlightSample, 0, title, 0);
BRELVIK_FIELD_AT(FlightSample, 1, category, 256);
BRELVIK_FIELD_AT(FlightSample, 2, planeAltitude, 320);
BRELVIK_FIELD_AT(FlightSample, 3, planeLatitude, 328);
BRELVIK_FIELD_AT(FlightSample, 4, planeLongitude, 336);
BRELVIK_FIELD_AT(FlightSample, 5, planeBankDegrees, 344);
BRELVIK_FIELD_AT(FlightSample, 6, planePitchDegrees, 352);
BRELVIK_FIELD_AT(FlightSample, 7, verticalSpeed, 360);
BRELVIK_FIELD_AT(FlightSample, 8, planeHeadingDegreesMagnetic, 368);
BRELVIK_FIELD_AT(FlightSample, 9, airspeedTrue, 376);
BRELVIK_FIELD_AT(FlightSample, 10, airspeedIndicated, 384);
BRELVIK_FIELD_AT(FlightSample, 11, magvar, 392);
BRELVIK_FIELD_AT(FlightSample, 12, ambientWindVelocity, 400);
BRELVIK_FIELD_AT(FlightSample, 13, ambientWindDirection, 408);
BRELVIK_FIELD_AT(FlightSample, 14, totalAirTemperature, 416);
BRELVIK_FIELD_AT(FlightSample, 15, turnCoordinatorBall, 424);
BRELVIK_FIELD_AT(FlightSample, 16, gpsGroundMagneticTrack, 432);
BRELVIK_FIELD_AT(FlightSample, 17, gpsGroundSpeed, 440);
BRELVIK_FIELD_AT(FlightSample, 18, yokeXPosition, 448);
BRELVIK_FIELD_AT(FlightSample, 19, yokeYPosition, 456);
BRELVIK_FIELD_AT(FlightSample, 20, seaLevelPressure, 464);
BRELVIK_FIELD_AT(FlightSample, 21, turnIndicatorRate, 472);
BRELVIK_FIELD_AT(FlightSample, 22, propRpm1, 480);
BRELVIK_FIELD_AT(FlightSample, 23, accelerationBodyX, 488);
BRELVIK_FIELD_AT(FlightSample, 24, accelerationBodyY, 496);
BRELVIK_FIELD_AT(FlightSample, 25, accelerationBodyZ, 504);
BRELVIK_FIELD_AT(FlightSample, 26, localTime, 512);
BRELVIK_FIELD_AT(FlightSample, 27, localYear, 520);
BRELVIK_FIELD_AT(FlightSample, 28, localMonthOfYear, 528);
BRELVIK_FIELD_AT(FlightSample, 29, localDayOfMonth, 536);
BRELVIK_FIELD_AT(FlightSample, 30, engManifoldPressure1, 544);
BRELVIK_FIELD_AT(FlightSample, 31, generalEngOilPressure1, 552);
BRELVIK_FIELD_AT(FlightSample, 32, generalEngOilTemperature1, 560);
BRELVIK_FIELD_AT(FlightSample, 33, engFuelFlowGph1, 568);
BRELVIK_FIELD_AT(FlightSample, 34, engCylinderHeadTemperature1, 576);
BRELVIK_FIELD_AT(FlightSample, 35, engExhaustGasTemperature1, 584);
BRELVIK_FIELD_AT(FlightSample, 36, fuelLeftQuantity, 592);
BRELVIK_FIELD_AT(FlightSample, 37, fuelRightQuantity, 600);
BRELVIK_FIELD_AT(FlightSample, 38, suctionPressure, 608);
BRELVIK_FIELD_AT(FlightSample, 39, electricalMainBusVoltage, 616);
BRELVIK_FIELD_AT(FlightSample, 40, electricalAvionicsBusVoltage, 624);
BRELVIK_FIELD_AT(FlightSample, 41, electricalBatteryLoad, 632);
BRELVIK_FIELD_AT(FlightSample, 42, lightPanel, 640);
BRELVIK_FIELD_AT(FlightSample, 43, elevatorTrimPct, 648);
BRELVIK_FIELD_AT(FlightSample, 44, rudderTrimPct, 656);
BRELVIK_FIELD_AT(FlightSample, 45, generalEngFuelValve1, 664);
BRELVIK_FIELD_AT(FlightSample, 46, brakeParkingPosition, 672);
BRELVIK_FIELD_AT(FlightSample, 47, propRpm2, 680);
BRELVIK_FIELD_AT(FlightSample, 48, engManifoldPressure2, 688);
BRELVIK_FIELD_AT(FlightSample, 49, generalEngOilPressure2, 696);
BRELVIK_FIELD_AT(FlightSample, 50, generalEngOilTemperature2, 704);
BRELVIK_FIELD_AT(FlightSample, 51, engFuelFlowGph2, 712);
BRELVIK_FIELD_AT(FlightSample, 52, engCylinderHeadTemperature2, 720);
BRELVIK_FIELD_AT(FlightSample, 53, engExhaustGasTemperature2, 728);
BRELVIK_FIELD_AT(FlightSample, 54, electricalGenaltBusAmps1, 736);
BRELVIK_FIELD_AT(FlightSample, 55, electricalGenaltBusVoltage1, 744);
BRELVIK_FIELD_AT(FlightSample, 56, electricalGenaltBusAmps2, 752);
BRELVIK_FIELD_AT(FlightSample, 57, electricalGenaltBusVoltage2, 760);
BRELVIK_FIELD_AT(FlightSample, 58, turbEngN1_1, 768);
BRELVIK_FIELD_AT(FlightSample, 59, turbEngN1_2, 776);
BRELVIK_FIELD_AT(FlightSample, 60, turbEngN2_1, 784);
BRELVIK_FIELD_AT(FlightSample, 61, turbEngN2_2, 792);
BRELVIK_FIELD_AT(FlightSample, 62, engTorque1, 800);
BRELVIK_FIELD_AT(FlightSample, 63, engTorque2, 808);
BRELVIK_FIELD_AT(FlightSample, 64, turbEngItt1, 816);
BRELVIK_FIELD_AT(FlightSample, 65, turbEngItt2, 824);
BRELVIK_FIELD_AT(FlightSample, 66, trailingEdgeFlapsLeftPercent, 832);
BRELVIK_FIELD_AT(FlightSample, 67, recipEngBrakePower1, 840);
BRELVIK_FIELD_AT(FlightSample, 68, recipEngBrakePower2, 848);
BRELVIK_FIELD_AT(FlightSample, 69, generalEngRpm1, 856);
BRELVIK_FIELD_AT(FlightSample, 70, generalEngRpm2, 864);
BRELVIK_FIELD_AT(FlightSample, 71, rotorRpmPct1, 872);
BRELVIK_FIELD_AT(FlightSample, 72, adfRadial1, 880);
BRELVIK_FIELD_AT(FlightSample, 73, adfCard, 888);
BRELVIK_FIELD_AT(FlightSample, 74, generalEngElapsedTime1, 896);
BRELVIK_FIELD_AT(FlightSample, 75, generalEngElapsedTime2, 904);
BRELVIK_FIELD_AT(FlightSample, 76, navObs1, 912);
BRELVIK_FIELD_AT(FlightSample, 77, navObs2, 920);
BRELVIK_FIELD_AT(FlightSample, 78, navCdi1, 928);
BRELVIK_FIELD_AT(FlightSample, 79, navCdi2, 936);
BRELVIK_FIELD_AT(FlightSample, 80, navTofrom1, 944);
BRELVIK_FIELD_AT(FlightSample, 81, navTofrom2, 952);
BRELVIK_FIELD_AT(FlightSample, 82, navGsFlag1, 960);
BRELVIK_FIELD_AT(FlightSample, 83, navGsi1, 968);
BRELVIK_FIELD_AT(FlightSample, 84, recipEngTurbineInletTemperature1, 976);
BRELVIK_FIELD_AT(FlightSample, 85, recipEngTurbineInletTemperature2, 984);

BRELVIK_FIELD_AT(YokeWrite, 0, yokeXPosition, 0);
BRELVIK_FIELD_AT(YokeWrite, 1, yokeYPosition, 8);

BRELVIK_FIELD_AT(RadioSample, 0, kohlsmanSettingMb, 0);
BRELVIK_FIELD_AT(RadioSample, 1, comActiveFrequency1, 8);
BRELVIK_FIELD_AT(RadioSample, 2, comStandbyFrequency1, 16);
BRELVIK_FIELD_AT(RadioSample, 3, comActiveFrequency2, 24);
BRELVIK_FIELD_AT(RadioSample, 4, comStandbyFrequency2, 32);
BRELVIK_FIELD_AT(RadioSample, 5, navActiveFrequency1, 40);
BRELVIK_FIELD_AT(RadioSample, 6, navStandbyFrequency1, 48);
BRELVIK_FIELD_AT(RadioSample, 7, navActiveFrequency2, 56);
BRELVIK_FIELD_AT(RadioSample, 8, navStandbyFrequency2, 64);
BRELVIK_FIELD_AT(RadioSample, 9, selectedDme, 72);
BRELVIK_FIELD_AT(RadioSample, 10, adfActiveFrequency1, 80);
BRELVIK_FIELD_AT(RadioSample, 11, transponderCode1, 84);
BRELVIK_FIELD_AT(RadioSample, 12, autopilotHeadingLockDir, 88);
BRELVIK_FIELD_AT(RadioSample, 13, autopilotAltitudeLockVar, 92);
BRELVIK_FIELD_AT(RadioSample, 14, navObs1, 96);
BRELVIK_FIELD_AT(RadioSample, 15, navObs2, 100);
BRELVIK_FIELD_AT(RadioSample, 16, autopilotVerticalHoldVar, 104);
BRELVIK_FIELD_AT(RadioSample, 17, autopilotAirspeedHoldVar, 108);
BRELVIK_FIELD_AT(RadioSample, 18, autopilotMaster, 112);
BRELVIK_FIELD_AT(RadioSample, 19, electricalMasterBattery, 120);
BRELVIK_FIELD_AT(RadioSample, 20, avionicsMasterSwitch, 128);
BRELVIK_FIELD_AT(RadioSample, 21, comTransmit1, 136);
BRELVIK_FIELD_AT(RadioSample, 22, comTransmit2, 144);
BRELVIK_FIELD_AT(RadioSample, 23, comRecieveAll, 152);
BRELVIK_FIELD_AT(RadioSample, 24, markerSound, 160);
BRELVIK_FIELD_AT(RadioSample, 25, dmeSound, 168);
BRELVIK_FIELD_AT(RadioSample, 26, adfSound0, 176);
BRELVIK_FIELD_AT(RadioSample, 27, navSound1, 184);
BRELVIK_FIELD_AT(RadioSample, 28, navSound2, 192);

BRELVIK_FIELD_AT(SwitchWrite, 0, generalEngMasterAlternator0, 0);
BRELVIK_FIELD_AT(SwitchWrite, 1, electricalMasterBattery, 4);
BRELVIK_FIELD_AT(SwitchWrite, 2, lightBeacon, 8);
BRELVIK_FIELD_AT(SwitchWrite, 3, lightNav, 12);

BRELVIK_FIELD_AT(SwitchSample, 0, avionicsMasterSwitch, 0);
BRELVIK_FIELD_AT(SwitchSample, 1, lightTaxi, 8);
BRELVIK_FIELD_AT(SwitchSample, 2, generalEngFuelPumpSwitch1, 16);

BRELVIK_FIELD_AT(FlapsSample, 0, trailingEdgeFlapsLeftPercent, 0);

BRELVIK_FIELD_AT(CompassSample, 0, wiskeyCompassIndicationDegrees, 0);

BRELVIK_FIELD_AT(AltStaticSample, 0, alternateStaticSourceOpen, 0);

#undef BRELVIK_FIELD_AT

constexpr std::array<DataDefinition, 8> kDefinitions{{
    {kFlightSampleDefinition, "FlightSample", kFlightSampleFields, sizeof(FlightSample)},
    {kYokeWriteDefinition, "YokeWrite", kYokeWriteFields, sizeof(YokeWrite)},
    {kRadioSampleDefinition, "RadioSample", kRadioSampleFields, sizeof(RadioSample)},
    {kSwitchWriteDefinition, "SwitchWrite", kSwitchWriteFields, sizeof(SwitchWrite)},
    {kSwitchSampleDefinition, "SwitchSample", kSwitchSampleFields, sizeof(SwitchSample)},
    {kFlapsSampleDefinition, "FlapsSample", kFlapsSampleFields, sizeof(FlapsSample)},
    {kCompassSampleDefinition, "CompassSample", kCompassSampleFields, sizeof(CompassSample)},
    {kAltStaticSampleDefinition, "AltStaticSample", kAltStaticSampleFields, sizeof(AltStaticSample)},
}};

constexpr bool definitionsConsistent() {
    for (std::size_t i = 0; i < kDefinitions.size(); ++i) {
        if (kDefinitions[i].id != i || packedSize(kDefinitions[i].fields) != kDefinitions[i].size) return false;
    }
    return true;
}
static_assert(definitionsConsistent());

}  // namespace

std::span<const DataDefinition> allDataDefinitions() { return kDefinitions; }

const DataDefinition* findDataDefinition(DWORD id) {
    return id < kDefinitions.size() ? &kDefinitions[id] : nullptr;
}

void SimConnectDeclarations::addToDataDefinition(DWORD definition, const DataField& field) {
    SimConnect_AddToDataDefinition(handle_, definition, field.name, field.unit, field.type, 0.0f, SIMCONNECT_UNUSED);
}

void SimConnectDeclarations::mapClientEvent(DWORD event, const char* name) {
    SimConnect_MapClientEventToSimEvent(handle_, event, name);
}

void SimConnectDeclarations::addToNotificationGroup(DWORD group, DWORD event, bool maskable) {
    SimConnect_AddClientEventToNotificationGroup(handle_, group, event, maskable ? 1 : 0);
}

void SimConnectDeclarations::setNotificationGroupPriority(DWORD group, DWORD priority) {
    SimConnect_SetNotificationGroupPriority(handle_, group, priority);
}

void declareDataDefinitions(SimDeclarations& sink, std::span<const DWORD> definitions) {
    for (DWORD id : definitions) {
        const DataDefinition* definition = findDataDefinition(id);
        if (definition == nullptr) continue;
        for (const DataField& field : definition->fields) sink.addToDataDefinition(id, field);
    }
}

}  // namespace brelvik
