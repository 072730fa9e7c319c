#include "sim/data_definitions.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

namespace brelvik {
namespace {

struct DefinitionCase {
    DWORD id;
    const char* name;
    std::size_t variables;
    std::size_t blockSize;
};

class DataDefinitionSizes : public ::testing::TestWithParam<DefinitionCase> {};

TEST_P(DataDefinitionSizes, TableAndBlockMatchTheSimulatorsPacking) {
    const DefinitionCase& c = GetParam();
    const DataDefinition* definition = findDataDefinition(c.id);
    ASSERT_NE(definition, nullptr);
    EXPECT_EQ(definition->id, c.id);
    EXPECT_STREQ(definition->name, c.name);
    EXPECT_EQ(definition->fields.size(), c.variables);
    EXPECT_EQ(definition->size, c.blockSize);
    EXPECT_EQ(packedSize(definition->fields), c.blockSize);
}

INSTANTIATE_TEST_SUITE_P(AllEight, DataDefinitionSizes,
                         ::testing::Values(DefinitionCase{0, "FlightSample", 86, 992},
                                           DefinitionCase{1, "YokeWrite", 2, 16},
                                           DefinitionCase{2, "RadioSample", 29, 200},
                                           DefinitionCase{3, "SwitchWrite", 4, 16},
                                           DefinitionCase{4, "SwitchSample", 3, 24},
                                           DefinitionCase{5, "FlapsSample", 1, 8},
                                           DefinitionCase{6, "CompassSample", 1, 8},
                                           DefinitionCase{7, "AltStaticSample", 1, 8}));

TEST(DataDefinitions, NumbersOutsideZeroToSevenAreNotOurs) {
    EXPECT_EQ(allDataDefinitions().size(), 8u);
    EXPECT_EQ(findDataDefinition(8), nullptr);
    EXPECT_EQ(findDataDefinition(SIMCONNECT_UNUSED), nullptr);
}

// Where readers of a block find a variable: by the table, and by the struct member.
struct FieldCase {
    DWORD definition;
    std::size_t index;  // position in the declaration order
    const char* variable;
    const char* unit;   // nullptr: the simulator's default unit
    SIMCONNECT_DATATYPE type;
    std::size_t offset;
    std::size_t memberOffset;
};

class DataFieldPlacement : public ::testing::TestWithParam<FieldCase> {};

TEST_P(DataFieldPlacement, VariableSitsAtItsOffsetWithItsUnitAndType) {
    const FieldCase& c = GetParam();
    const DataDefinition* definition = findDataDefinition(c.definition);
    ASSERT_NE(definition, nullptr);
    ASSERT_LT(c.index, definition->fields.size());
    const DataField& field = definition->fields[c.index];
    EXPECT_STREQ(field.name, c.variable);
    if (c.unit == nullptr) {
        EXPECT_EQ(field.unit, nullptr);
    } else {
        EXPECT_STREQ(field.unit, c.unit);
    }
    EXPECT_EQ(field.type, c.type);
    EXPECT_EQ(fieldOffset(definition->fields, c.index), c.offset);
    EXPECT_EQ(c.memberOffset, c.offset);
}

constexpr auto F64 = SIMCONNECT_DATATYPE_FLOAT64;
constexpr auto I32 = SIMCONNECT_DATATYPE_INT32;

INSTANTIATE_TEST_SUITE_P(
    NamedFields, DataFieldPlacement,
    ::testing::Values(
        FieldCase{0, 0, "Title", nullptr, SIMCONNECT_DATATYPE_STRING256, 0, offsetof(FlightSample, title)},
        FieldCase{0, 1, "Category", nullptr, SIMCONNECT_DATATYPE_STRING64, 256, offsetof(FlightSample, category)},
        FieldCase{0, 2, "Plane Altitude", "feet", F64, 320, offsetof(FlightSample, planeAltitude)},
        FieldCase{0, 5, "PLANE BANK DEGREES", "Radians", F64, 344, offsetof(FlightSample, planeBankDegrees)},
        FieldCase{0, 15, "TURN COORDINATOR BALL", "Position 128", F64, 424,
                  offsetof(FlightSample, turnCoordinatorBall)},
        FieldCase{0, 43, "ELEVATOR TRIM PCT", "Percent Over 100", F64, 648, offsetof(FlightSample, elevatorTrimPct)},
        FieldCase{0, 46, "BRAKE PARKING POSITION", "Bool", F64, 672, offsetof(FlightSample, brakeParkingPosition)},
        FieldCase{0, 58, "TURB ENG N1:1", "Percent", F64, 768, offsetof(FlightSample, turbEngN1_1)},
        FieldCase{0, 76, "NAV OBS:1", "Degrees", F64, 912, offsetof(FlightSample, navObs1)},
        FieldCase{0, 85, "RECIP ENG TURBINE INLET TEMPERATURE:2", "Celsius", F64, 984,
                  offsetof(FlightSample, recipEngTurbineInletTemperature2)},
        FieldCase{1, 1, "YOKE Y POSITION", "Position", F64, 8, offsetof(YokeWrite, yokeYPosition)},
        FieldCase{2, 0, "KOHLSMAN SETTING MB", "Millibars", F64, 0, offsetof(RadioSample, kohlsmanSettingMb)},
        FieldCase{2, 9, "SELECTED DME", "Number", F64, 72, offsetof(RadioSample, selectedDme)},
        FieldCase{2, 10, "ADF ACTIVE FREQUENCY:1", "Hz", I32, 80, offsetof(RadioSample, adfActiveFrequency1)},
        FieldCase{2, 11, "TRANSPONDER CODE:1", "BCO16", I32, 84, offsetof(RadioSample, transponderCode1)},
        FieldCase{2, 14, "NAV OBS:1", "Degrees", I32, 96, offsetof(RadioSample, navObs1)},
        FieldCase{2, 17, "AUTOPILOT AIRSPEED HOLD VAR", "Knots", I32, 108,
                  offsetof(RadioSample, autopilotAirspeedHoldVar)},
        FieldCase{2, 18, "AUTOPILOT MASTER", "Bool", F64, 112, offsetof(RadioSample, autopilotMaster)},
        FieldCase{2, 23, "COM RECIEVE ALL", "Bool", F64, 152, offsetof(RadioSample, comRecieveAll)},
        FieldCase{2, 28, "NAV SOUND:2", "Bool", F64, 192, offsetof(RadioSample, navSound2)},
        FieldCase{3, 0, "GENERAL ENG MASTER ALTERNATOR:0", nullptr, I32, 0,
                  offsetof(SwitchWrite, generalEngMasterAlternator0)},
        FieldCase{3, 3, "LIGHT NAV", nullptr, I32, 12, offsetof(SwitchWrite, lightNav)},
        FieldCase{4, 2, "GENERAL ENG FUEL PUMP SWITCH:1", "Bool", F64, 16,
                  offsetof(SwitchSample, generalEngFuelPumpSwitch1)},
        FieldCase{5, 0, "TRAILING EDGE FLAPS LEFT PERCENT", "Percent over 100", F64, 0,
                  offsetof(FlapsSample, trailingEdgeFlapsLeftPercent)},
        FieldCase{6, 0, "WISKEY COMPASS INDICATION DEGREES", "Degrees", F64, 0,
                  offsetof(CompassSample, wiskeyCompassIndicationDegrees)},
        FieldCase{7, 0, "ALTERNATE STATIC SOURCE OPEN", "Bool", F64, 0,
                  offsetof(AltStaticSample, alternateStaticSourceOpen)}));

// Packs values the way the simulator does, from the table alone: each field in its
// declared type right after the previous one.
std::vector<unsigned char> packBlock(const DataDefinition& definition) {
    std::vector<unsigned char> block(packedSize(definition.fields), 0);
    for (std::size_t i = 0; i < definition.fields.size(); ++i) {
        unsigned char* at = block.data() + fieldOffset(definition.fields, i);
        if (definition.fields[i].type == SIMCONNECT_DATATYPE_FLOAT64) {
            const double value = 1000.0 + static_cast<double>(i) + 0.25;
            std::memcpy(at, &value, sizeof value);
        } else if (definition.fields[i].type == SIMCONNECT_DATATYPE_INT32) {
            const std::int32_t value = -2000 - static_cast<std::int32_t>(i);
            std::memcpy(at, &value, sizeof value);
        } else {
            const std::string text = "field " + std::to_string(i);
            std::memcpy(at, text.c_str(), text.size() + 1);
        }
    }
    return block;
}

TEST(DataBlocks, RadioSampleReadsAPackedReplyFieldByField) {
    const auto block = packBlock(*findDataDefinition(kRadioSampleDefinition));
    ASSERT_EQ(block.size(), sizeof(RadioSample));
    RadioSample radio;
    std::memcpy(&radio, block.data(), sizeof radio);
    EXPECT_EQ(radio.kohlsmanSettingMb, 1000.25);
    EXPECT_EQ(radio.selectedDme, 1009.25);
    EXPECT_EQ(radio.adfActiveFrequency1, -2010);
    EXPECT_EQ(radio.autopilotAirspeedHoldVar, -2017);
    EXPECT_EQ(radio.autopilotMaster, 1018.25);
    EXPECT_EQ(radio.navSound2, 1028.25);
}

TEST(DataBlocks, FlightSampleReadsStringsThenDoubles) {
    const auto block = packBlock(*findDataDefinition(kFlightSampleDefinition));
    ASSERT_EQ(block.size(), sizeof(FlightSample));
    FlightSample sample;
    std::memcpy(&sample, block.data(), sizeof sample);
    EXPECT_STREQ(sample.title, "field 0");
    EXPECT_STREQ(sample.category, "field 1");
    EXPECT_EQ(sample.planeAltitude, 1002.25);
    EXPECT_EQ(sample.recipEngTurbineInletTemperature2, 1085.25);
}

TEST(DataRequests, EachRequestAsksForItsDefinition) {
    const std::vector<std::pair<DWORD, DWORD>> expected = {{0, 0}, {1, 2}, {2, 4}, {3, 5}, {4, 6}, {5, 7}};
    ASSERT_EQ(std::size(kDataRequests), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(kDataRequests[i].request, expected[i].first);
        EXPECT_EQ(kDataRequests[i].definition, expected[i].second);
    }
    EXPECT_EQ(kLastDataRequest, 5u);
}

class VariableRecorder : public SimDeclarations {
public:
    struct Variable {
        DWORD definition;
        std::string name;
    };
    std::vector<Variable> variables;

    void addToDataDefinition(DWORD definition, const DataField& field) override {
        variables.push_back({definition, field.name});
    }
    void mapClientEvent(DWORD, const char*) override { ADD_FAILURE() << "event mapped while declaring data"; }
    void addToNotificationGroup(DWORD, DWORD, bool) override { ADD_FAILURE() << "group used while declaring data"; }
    void setNotificationGroupPriority(DWORD, DWORD) override { ADD_FAILURE() << "priority set while declaring data"; }
};

TEST(DeclareDataDefinitions, DeclaresWholeDefinitionsInTheOrderGiven) {
    VariableRecorder recorder;
    declareDataDefinitions(recorder, kDefinitionsBeforeEvents);
    ASSERT_EQ(recorder.variables.size(), 86u + 2u + 29u + 1u);
    EXPECT_EQ(recorder.variables[0].definition, 0u);
    EXPECT_EQ(recorder.variables[0].name, "Title");
    EXPECT_EQ(recorder.variables[85].name, "RECIP ENG TURBINE INLET TEMPERATURE:2");
    EXPECT_EQ(recorder.variables[86].definition, 1u);
    EXPECT_EQ(recorder.variables[88].definition, 2u);
    EXPECT_EQ(recorder.variables[88].name, "KOHLSMAN SETTING MB");
    EXPECT_EQ(recorder.variables[117].definition, 7u);
    EXPECT_EQ(recorder.variables[117].name, "ALTERNATE STATIC SOURCE OPEN");
}

TEST(DeclareDataDefinitions, UnknownDefinitionNumberDeclaresNothing) {
    VariableRecorder recorder;
    const DWORD ids[] = {8, 6};
    declareDataDefinitions(recorder, ids);
    ASSERT_EQ(recorder.variables.size(), 1u);
    EXPECT_EQ(recorder.variables[0].name, "WISKEY COMPASS INDICATION DEGREES");
}

}  // namespace
}  // namespace brelvik
