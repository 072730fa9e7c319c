// The bench simulator seen through the stand-in client library, in-process and
// over TCP: data definitions, key events, exceptions, quits and the control
// channel.
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/data_definitions.h"
#include "sim/simconnect.h"
#include "simconnect/standin.h"
#include "tools/benchsim/bench_simulator.h"
#include "tools/benchsim/control_channel.h"
#include "tools/benchsim/tcp_server.h"
#include "tools/benchsim/units.h"

namespace {

using brelvik::benchsim::BenchOptions;
using brelvik::benchsim::BenchSimulator;
using brelvik::benchsim::ControlChannel;
using ::testing::Contains;
using ::testing::ElementsAre;

struct Message {
    DWORD id;
    std::vector<std::uint8_t> bytes;
    template <typename T>
    T at(std::size_t offset) const {
        T value;
        std::memcpy(&value, bytes.data() + offset, sizeof value);
        return value;
    }
    std::vector<std::uint8_t> block() const { return {bytes.begin() + 40, bytes.end()}; }
};

std::vector<Message>* gMessages = nullptr;

void SIMCONNECT_CALLBACK collect(SIMCONNECT_RECV* message, DWORD size, void*) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(message);
    gMessages->push_back({message->dwID, std::vector<std::uint8_t>(bytes, bytes + size)});
}

// A client of an in-process bench simulator, as the bridge is one.
class BenchTest : public ::testing::Test {
protected:
    explicit BenchTest(BenchOptions options = {}) : sim(std::make_unique<BenchSimulator>(options)) {}
    void SetUp() override {
        gMessages = &messages;
        brelvik::standin::standinUseInProcess(sim.get());
        open();
    }
    void TearDown() override {
        if (handle != nullptr) SimConnect_Close(handle);
        brelvik::standin::standinUseInProcess(nullptr);
        gMessages = nullptr;
    }
    void open() {
        ASSERT_EQ(SimConnect_Open(&handle, "Brelvik", nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL), 0);
    }
    std::vector<Message> dispatch() {
        messages.clear();
        SimConnect_CallDispatch(handle, collect, nullptr);
        return messages;
    }
    void declare(DWORD definition, const char* name, const char* unit, SIMCONNECT_DATATYPE type) {
        ASSERT_EQ(SimConnect_AddToDataDefinition(handle, definition, name, unit, type, 0, SIMCONNECT_UNUSED), 0);
    }
    // The data block of one reply to a request for `definition`.
    std::vector<std::uint8_t> request(DWORD definition) {
        dispatch();
        SimConnect_RequestDataOnSimObjectType(handle, 7, definition, 0, SIMCONNECT_SIMOBJECT_TYPE_USER);
        const auto replies = dispatch();
        EXPECT_EQ(replies.size(), 1u);
        if (replies.empty() || replies[0].id != SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE) return {};
        EXPECT_EQ(replies[0].at<DWORD>(12), 7u);  // request number
        return replies[0].block();
    }
    void transmit(const char* event, std::int32_t data) {
        SimConnect_MapClientEventToSimEvent(handle, 100, event);
        SimConnect_TransmitClientEvent(handle, 0, 100, static_cast<DWORD>(data), SIMCONNECT_GROUP_PRIORITY_STANDARD,
                                       SIMCONNECT_EVENT_FLAG_GROUPID_IS_PRIORITY);
    }
    double value(const char* name) { return sim->value(name).value_or(NAN); }

    std::unique_ptr<BenchSimulator> sim;
    HANDLE handle = nullptr;
    std::vector<Message> messages;
};

template <typename T>
T fieldAt(const std::vector<std::uint8_t>& block, std::size_t offset) {
    T value{};
    if (offset + sizeof value <= block.size()) std::memcpy(&value, block.data() + offset, sizeof value);
    return value;
}

TEST_F(BenchTest, OpenMessageCarriesTheVersionOfTheNextConnection) {
    auto first = dispatch();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].id, SIMCONNECT_RECV_ID_OPEN);
    EXPECT_EQ(first[0].at<DWORD>(12 + 256), 11u);
    EXPECT_THAT(sim->takeReports(), ElementsAre("client Brelvik"));

    sim->setVersion(10, 2);
    SimConnect_Close(handle);
    open();
    const auto second = dispatch();
    ASSERT_EQ(second.size(), 1u);
    SIMCONNECT_RECV_OPEN info;
    std::memcpy(&info, second[0].bytes.data(), sizeof info);
    EXPECT_STREQ(info.szApplicationName, "Benchsim");
    EXPECT_EQ(info.dwApplicationVersionMajor, 10u);
    EXPECT_EQ(info.dwApplicationVersionMinor, 2u);
}

TEST_F(BenchTest, PacksFieldsInDeclarationOrderByDeclaredType) {
    sim->setTitle("Trainer");
    sim->setValue("NAV OBS:1", 123.9);
    sim->setValue("AUTOPILOT VERTICAL HOLD VAR", -550.7);
    declare(0, "Title", nullptr, SIMCONNECT_DATATYPE_STRING256);
    declare(0, "Category", nullptr, SIMCONNECT_DATATYPE_STRING64);
    declare(0, "NAV OBS:1", "Degrees", SIMCONNECT_DATATYPE_FLOAT64);
    declare(0, "NAV OBS:1", "Degrees", SIMCONNECT_DATATYPE_INT32);
    declare(0, "AUTOPILOT VERTICAL HOLD VAR", "Feet/minute", SIMCONNECT_DATATYPE_INT32);
    declare(0, "Plane Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64);
    const auto block = request(0);
    ASSERT_EQ(block.size(), 256u + 64 + 8 + 4 + 4 + 8);
    EXPECT_STREQ(reinterpret_cast<const char*>(block.data()), "Trainer");
    EXPECT_EQ(block[255], 0);
    EXPECT_STREQ(reinterpret_cast<const char*>(block.data() + 256), "Airplane");
    EXPECT_DOUBLE_EQ(fieldAt<double>(block, 320), 123.9);
    EXPECT_EQ(fieldAt<std::int32_t>(block, 328), 123);   // truncated
    EXPECT_EQ(fieldAt<std::int32_t>(block, 332), -550);  // toward zero
    EXPECT_DOUBLE_EQ(fieldAt<double>(block, 336), 3000);
}

TEST_F(BenchTest, SameVariableInTwoUnitsIsOneValue) {
    sim->setValue("PLANE ALTITUDE", 1000);
    sim->setValue("PLANE HEADING DEGREES MAGNETIC", M_PI);
    sim->setValue("COM ACTIVE FREQUENCY:1", 124.85);
    declare(0, "PLANE ALTITUDE", "Feet", SIMCONNECT_DATATYPE_FLOAT64);
    declare(0, "Plane Altitude", "Meters", SIMCONNECT_DATATYPE_FLOAT64);
    declare(0, "PLANE HEADING DEGREES MAGNETIC", "Degrees", SIMCONNECT_DATATYPE_FLOAT64);
    declare(0, "COM ACTIVE FREQUENCY:1", "Hz", SIMCONNECT_DATATYPE_INT32);
    declare(0, "COM ACTIVE FREQUENCY:1", "Frequency BCD16", SIMCONNECT_DATATYPE_INT32);
    const auto block = request(0);
    EXPECT_DOUBLE_EQ(fieldAt<double>(block, 0), 1000);
    EXPECT_NEAR(fieldAt<double>(block, 8), 304.8, 1e-9);
    EXPECT_NEAR(fieldAt<double>(block, 16), 180, 1e-9);
    EXPECT_EQ(fieldAt<std::int32_t>(block, 24), 124850000);
    EXPECT_EQ(fieldAt<std::int32_t>(block, 28), 0x2485);
}

TEST_F(BenchTest, RadioSampleIs200BytesWithTheIntegersInTheMiddle) {
    // The bridge's own radio definition, as it declares it.
    for (const auto& f : brelvik::findDataDefinition(brelvik::kRadioSampleDefinition)->fields) declare(2, f.name, f.unit, f.type);
    sim->setValue("ADF ACTIVE FREQUENCY:1", 350500);
    sim->setValue("AUTOPILOT MASTER", 1);
    const auto block = request(2);
    ASSERT_EQ(block.size(), 200u);
    EXPECT_EQ(fieldAt<std::int32_t>(block, 80), 350500);
    EXPECT_EQ(fieldAt<std::int32_t>(block, 84), 0x1200);
    EXPECT_DOUBLE_EQ(fieldAt<double>(block, 112), 1.0);
    for (const auto& line : sim->takeReports()) EXPECT_NE(line.rfind("exception", 0), 0u) << line;
}

TEST_F(BenchTest, TitleOf256CharactersCarriesNoNul) {
    declare(0, "Title", nullptr, SIMCONNECT_DATATYPE_STRING256);
    sim->setTitle(std::string(300, 'T'));
    const auto block = request(0);
    ASSERT_EQ(block.size(), 256u);
    EXPECT_EQ(std::count(block.begin(), block.end(), 0), 0);
}

TEST_F(BenchTest, UnknownNamesYieldExceptionsAndAreLeftOut) {
    sim->refuseName("NO SUCH VARIABLE");
    dispatch();
    declare(0, "Plane Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64);
    declare(0, "NO SUCH VARIABLE", "feet", SIMCONNECT_DATATYPE_FLOAT64);    // packet 3
    declare(0, "Plane Altitude", "furlongs", SIMCONNECT_DATATYPE_FLOAT64);  // packet 4
    SimConnect_MapClientEventToSimEvent(handle, 5, "NOT AN EVENT");         // packet 5
    SimConnect_TransmitClientEvent(handle, 0, 6, 0, 1, 16);                 // packet 6: never mapped
    const auto replies = dispatch();
    ASSERT_EQ(replies.size(), 4u);
    const DWORD expected[][3] = {{7, 3, 2}, {7, 4, 3}, {7, 5, 2}, {3, 6, 2}};  // code, packet, argument
    for (std::size_t i = 0; i < replies.size(); ++i) {
        EXPECT_EQ(replies[i].id, SIMCONNECT_RECV_ID_EXCEPTION);
        SIMCONNECT_RECV_EXCEPTION e;
        std::memcpy(&e, replies[i].bytes.data(), sizeof e);
        EXPECT_EQ(e.dwException, expected[i][0]) << i;
        EXPECT_EQ(e.dwSendID, expected[i][1]) << i;
        EXPECT_EQ(e.dwIndex, expected[i][2]) << i;
    }
    EXPECT_EQ(request(0).size(), 8u);  // only the variable that was accepted
}

TEST_F(BenchTest, AddOnEventsAreKnownOnlyWithAddOns) {
    dispatch();
    SimConnect_MapClientEventToSimEvent(handle, 60, "MobiFlight.C172_ALTERNATOR_ON");
    EXPECT_TRUE(dispatch().empty());
    BenchSimulator bare(BenchOptions{.addons = false});
    brelvik::standin::standinUseInProcess(&bare);
    HANDLE other = nullptr;
    ASSERT_EQ(SimConnect_Open(&other, "Brelvik", nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL), 0);
    SimConnect_MapClientEventToSimEvent(other, 60, "MobiFlight.C172_ALTERNATOR_ON");
    messages.clear();
    SimConnect_CallDispatch(other, collect, nullptr);
    SimConnect_Close(other);
    brelvik::standin::standinUseInProcess(sim.get());
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].id, SIMCONNECT_RECV_ID_EXCEPTION);
}

TEST_F(BenchTest, ReportsWhatTheClientSends) {
    declare(1, "YOKE X POSITION", "Position", SIMCONNECT_DATATYPE_FLOAT64);
    declare(1, "YOKE Y POSITION", "Position", SIMCONNECT_DATATYPE_FLOAT64);
    declare(3, "GENERAL ENG MASTER ALTERNATOR:0", nullptr, SIMCONNECT_DATATYPE_INT32);
    declare(3, "ELECTRICAL MASTER BATTERY", nullptr, SIMCONNECT_DATATYPE_INT32);
    declare(3, "LIGHT BEACON", nullptr, SIMCONNECT_DATATYPE_INT32);
    declare(3, "LIGHT NAV", nullptr, SIMCONNECT_DATATYPE_INT32);
    double yoke[2] = {0.25, -0.5};
    std::int32_t switches[4] = {0, 1, 0, 1};
    SimConnect_SetDataOnSimObject(handle, 1, SIMCONNECT_OBJECT_ID_USER, 0, 0, 16, yoke);
    SimConnect_SetDataOnSimObject(handle, 3, SIMCONNECT_OBJECT_ID_USER, 0, 0, 16, switches);
    SimConnect_MapClientEventToSimEvent(handle, 23, "AP_VS_VAR_SET_ENGLISH");
    SimConnect_TransmitClientEvent(handle, 0, 23, static_cast<DWORD>(-500), SIMCONNECT_GROUP_PRIORITY_STANDARD, 16);
    SimConnect_SetNotificationGroupPriority(handle, 0, SIMCONNECT_GROUP_PRIORITY_HIGHEST_MASKABLE);
    EXPECT_THAT(sim->takeReports(), ElementsAre("client Brelvik", "setdata 1 0.25 -0.5", "setdata 3 0 1 0 1",
                                                "map 23 AP_VS_VAR_SET_ENGLISH",
                                                "event AP_VS_VAR_SET_ENGLISH -500 1900000000", "priority 0 10000000"));
    EXPECT_EQ(value("YOKE Y POSITION"), -0.5);
    EXPECT_EQ(value("GENERAL ENG MASTER ALTERNATOR:0"), 0);
    EXPECT_EQ(value("LIGHT NAV"), 1);
    EXPECT_EQ(value("AUTOPILOT VERTICAL HOLD VAR"), -500);
}

TEST_F(BenchTest, SetDataOfTheWrongSizeIsRefused) {
    declare(1, "YOKE X POSITION", "Position", SIMCONNECT_DATATYPE_FLOAT64);
    dispatch();
    double yoke[2] = {0.25, -0.5};
    SimConnect_SetDataOnSimObject(handle, 1, SIMCONNECT_OBJECT_ID_USER, 0, 0, 16, yoke);
    const auto replies = dispatch();
    ASSERT_EQ(replies.size(), 1u);
    EXPECT_EQ(replies[0].at<DWORD>(12), static_cast<DWORD>(brelvik::standin::kExceptionSizeMismatch));
    EXPECT_EQ(value("YOKE X POSITION"), 0);
}

TEST_F(BenchTest, PilotEventIsHeldBackByAMaskingGroup) {
    SimConnect_MapClientEventToSimEvent(handle, 26, "AILERONS_LEFT");
    SimConnect_AddClientEventToNotificationGroup(handle, 0, 26, 1);
    SimConnect_SetNotificationGroupPriority(handle, 0, SIMCONNECT_GROUP_PRIORITY_HIGHEST);
    dispatch();
    sim->takeReports();
    sim->pilotEvent("AILERONS_LEFT", 0);
    EXPECT_NEAR(value("YOKE X POSITION"), -0.1, 1e-12);
    const auto notified = dispatch();
    ASSERT_EQ(notified.size(), 1u);
    EXPECT_EQ(notified[0].id, brelvik::standin::kRecvIdEvent);
    EXPECT_EQ(notified[0].at<DWORD>(16), 26u);  // the client's own event number

    SimConnect_SetNotificationGroupPriority(handle, 0, SIMCONNECT_GROUP_PRIORITY_HIGHEST_MASKABLE);
    sim->pilotEvent("AILERONS_LEFT", 0);
    EXPECT_NEAR(value("YOKE X POSITION"), -0.1, 1e-12);
    EXPECT_THAT(sim->takeReports(),
                ElementsAre("pilot AILERONS_LEFT 0 applied", "priority 0 10000000", "pilot AILERONS_LEFT 0 masked"));
}

TEST_F(BenchTest, QuitCommandReachesTheClientOnce) {
    dispatch();
    ControlChannel control(*sim);
    control.execute("quit");
    EXPECT_EQ(dispatch().size(), 1u);
    EXPECT_EQ(messages[0].id, SIMCONNECT_RECV_ID_QUIT);
    EXPECT_TRUE(dispatch().empty());
    SimConnect_Close(handle);
    open();  // the bench takes the next connection
    EXPECT_EQ(dispatch().at(0).id, SIMCONNECT_RECV_ID_OPEN);
}

// No quit message from a simulator that crashed or vanished: the dispatch
// fails, as the vendor's library does.
TEST_F(BenchTest, DroppedOrVanishedSimulatorFailsTheDispatch) {
    dispatch();
    sim->dropClients();
    EXPECT_TRUE(dispatch().empty());
    EXPECT_LT(SimConnect_CallDispatch(handle, collect, nullptr), 0);

    SimConnect_Close(handle);
    open();
    dispatch();
    brelvik::standin::standinUseInProcess(nullptr);
    sim.reset();
    EXPECT_LT(SimConnect_CallDispatch(handle, collect, nullptr), 0);
}

// Key events and their effect on one variable, as the bridge sends them.
struct KeyEventCase {
    const char* event;
    std::int32_t data;
    const char* variable;
    double expected;
    const char* presetVariable = nullptr;
    double presetValue = 0;
};

class KeyEventTest : public BenchTest, public ::testing::WithParamInterface<KeyEventCase> {};

TEST_P(KeyEventTest, Applies) {
    const auto& c = GetParam();
    if (c.presetVariable != nullptr) sim->setValue(c.presetVariable, c.presetValue);
    transmit(c.event, c.data);
    EXPECT_NEAR(value(c.variable), c.expected, 1e-9) << c.event << " " << c.data;
}

INSTANTIATE_TEST_SUITE_P(
    Effects, KeyEventTest,
    ::testing::Values(
        KeyEventCase{"COM_RADIO_SET", 0x11825, "COM ACTIVE FREQUENCY:1", 118.25},
        KeyEventCase{"COM_RADIO_SET", 0x1825, "COM ACTIVE FREQUENCY:1", 118.25},
        KeyEventCase{"COM_STBY_RADIO_SET", 0x13697, "COM STANDBY FREQUENCY:1", 136.97},
        KeyEventCase{"COM2_RADIO_SET", 0x12150, "COM ACTIVE FREQUENCY:2", 121.5},
        KeyEventCase{"COM2_STBY_RADIO_SET", 0x11900, "COM STANDBY FREQUENCY:2", 119.0},
        KeyEventCase{"COM_STBY_RADIO_SWAP", 0, "COM ACTIVE FREQUENCY:1", 118.5},
        KeyEventCase{"COM2_RADIO_SWAP", 0, "COM STANDBY FREQUENCY:2", 121.5},
        KeyEventCase{"COM_RADIO_FRACT_INC", 0, "COM STANDBY FREQUENCY:1", 118.255, "COM STANDBY FREQUENCY:1", 118.25},
        KeyEventCase{"COM_RADIO_FRACT_INC", 0, "COM STANDBY FREQUENCY:1", 118.025, "COM STANDBY FREQUENCY:1", 118.015},
        KeyEventCase{"COM2_RADIO_FRACT_INC", 0, "COM STANDBY FREQUENCY:2", 121.0, "COM STANDBY FREQUENCY:2", 121.99},
        KeyEventCase{"NAV1_RADIO_SET", 0x11030, "NAV ACTIVE FREQUENCY:1", 110.3},
        KeyEventCase{"NAV1_STBY_SET", 0x11795, "NAV STANDBY FREQUENCY:1", 117.95},
        KeyEventCase{"NAV2_RADIO_SET", 0x10800, "NAV ACTIVE FREQUENCY:2", 108.0},
        KeyEventCase{"NAV2_STBY_SET", 0x1125, "NAV STANDBY FREQUENCY:2", 111.25},
        KeyEventCase{"KOHLSMAN_SET", 16210, "KOHLSMAN SETTING MB", 1013.125},
        KeyEventCase{"XPNDR_SET", 0x7700, "TRANSPONDER CODE:1", 0x7700},
        KeyEventCase{"ADF_COMPLETE_SET", 0x3505000, "ADF ACTIVE FREQUENCY:1", 350500},
        KeyEventCase{"DME_SELECT", 2, "SELECTED DME", 2},
        KeyEventCase{"HEADING_BUG_SET", 370, "AUTOPILOT HEADING LOCK DIR", 10},
        KeyEventCase{"AP_ALT_VAR_SET_ENGLISH", 4500, "AUTOPILOT ALTITUDE LOCK VAR", 4500},
        KeyEventCase{"AP_ALT_VAR_INC", 1000, "AUTOPILOT ALTITUDE LOCK VAR", 4000, "AUTOPILOT ALTITUDE LOCK VAR", 3000},
        KeyEventCase{"AP_ALT_VAR_INC", 0, "AUTOPILOT ALTITUDE LOCK VAR", 3100, "AUTOPILOT ALTITUDE LOCK VAR", 3000},
        KeyEventCase{"AP_ALT_VAR_DEC", 1000, "AUTOPILOT ALTITUDE LOCK VAR", 2000, "AUTOPILOT ALTITUDE LOCK VAR", 3000},
        KeyEventCase{"AP_ALT_VAR_DEC", 0, "AUTOPILOT ALTITUDE LOCK VAR", 2900, "AUTOPILOT ALTITUDE LOCK VAR", 3000},
        KeyEventCase{"AP_ALT_VAR_DEC", 1000, "AUTOPILOT ALTITUDE LOCK VAR", 0, "AUTOPILOT ALTITUDE LOCK VAR", 500},
        KeyEventCase{"VOR1_SET", 45, "NAV OBS:1", 45}, KeyEventCase{"VOR2_SET", 360, "NAV OBS:2", 0},
        KeyEventCase{"AP_VS_VAR_SET_ENGLISH", -700, "AUTOPILOT VERTICAL HOLD VAR", -700},
        KeyEventCase{"AP_SPD_VAR_SET", 95, "AUTOPILOT AIRSPEED HOLD VAR", 95},
        KeyEventCase{"AUTOPILOT_ON", 0, "AUTOPILOT MASTER", 1},
        KeyEventCase{"AUTOPILOT_OFF", 0, "AUTOPILOT MASTER", 0, "AUTOPILOT MASTER", 1},
        KeyEventCase{"COM2_TRANSMIT_SELECT", 0, "COM TRANSMIT:1", 0},
        KeyEventCase{"COM_RECEIVE_ALL_SET", 1, "COM RECIEVE ALL", 1},
        KeyEventCase{"MARKER_SOUND_TOGGLE", 0, "MARKER SOUND", 1},
        KeyEventCase{"RADIO_VOR2_IDENT_SET", 1, "NAV SOUND:2", 1},
        KeyEventCase{"FLAPS_2", 0, "TRAILING EDGE FLAPS LEFT PERCENT", 2.0 / 3},
        KeyEventCase{"FLAPS_UP", 0, "TRAILING EDGE FLAPS LEFT PERCENT", 0, "TRAILING EDGE FLAPS LEFT PERCENT", 1},
        KeyEventCase{"MAGNETO_LEFT", 0, "RECIP ENG RIGHT MAGNETO:1", 0},
        KeyEventCase{"AXIS_ELEV_TRIM_SET", 16384, "ELEVATOR TRIM PCT", -1},
        KeyEventCase{"TOGGLE_TAXI_LIGHTS", 0, "LIGHT TAXI", 1},
        KeyEventCase{"MobiFlight.C_172_AVIONICS_BUS_2_ON", 0, "AVIONICS MASTER SWITCH", 1, "AVIONICS MASTER SWITCH",
                     0}));

struct UnitCase {
    const char* from;
    const char* to;
    double value;
    double expected;
};

class UnitTest : public ::testing::TestWithParam<UnitCase> {};

TEST_P(UnitTest, Converts) {
    const auto from = brelvik::benchsim::findUnit(GetParam().from);
    const auto to = brelvik::benchsim::findUnit(GetParam().to);
    ASSERT_TRUE(from && to);
    EXPECT_NEAR(brelvik::benchsim::convert(GetParam().value, *from, *to), GetParam().expected,
                1e-8 * std::max(1.0, std::fabs(GetParam().expected)));
}

INSTANTIATE_TEST_SUITE_P(
    Conversions, UnitTest,
    ::testing::Values(UnitCase{"Feet", "Meters", 1000, 304.8}, UnitCase{"Radians", "degrees", M_PI / 2, 90},
                      UnitCase{"MHz", "Hz", 118.25, 118250000}, UnitCase{"MHz", "Frequency BCD16", 118.25, 0x1825},
                      UnitCase{"Frequency BCD16", "MHz", 0x2485, 124.85}, UnitCase{"BCO16", "squawk", 0x7700, 7700},
                      UnitCase{"Rankine", "Celsius", 491.67, 0}, UnitCase{"Rankine", "Fahrenheit", 459.67 + 180, 180},
                      UnitCase{"Psf", "psi", 144, 1}, UnitCase{"inHg", "Millibars", 29.92, 1013.2074891},
                      UnitCase{"Percent over 100", "Percent", 0.5, 50},
                      UnitCase{"Knots", "Meters per second", 100, 51.444444444},
                      UnitCase{"Feet per second", "Feet/minute", 10, 600}, UnitCase{"Bool", "Feet", 1, 1}));

TEST(BenchUnits, EveryUnitTheBridgeDeclaresIsKnown) {
    for (const char* unit : {"feet",
                             "degrees",
                             "Radians",
                             "Feet per second",
                             "Knots",
                             "Degrees",
                             "Celsius",
                             "Position 128",
                             "Meters per second",
                             "Position",
                             "Millibars",
                             "Radians per second",
                             "Rpm",
                             "Feet per second squared",
                             "Seconds",
                             "Number",
                             "inHG",
                             "Psf",
                             "Rankine",
                             "Gallons per hour",
                             "Gallons",
                             "inHg",
                             "Volts",
                             "Amperes",
                             "Bool",
                             "Percent Over 100",
                             "Percent",
                             "Foot pounds",
                             "Percent over 100",
                             "ft lb per second",
                             "Hours",
                             "Enum",
                             "MHz",
                             "Hz",
                             "BCO16",
                             "Feet",
                             "Feet/minute"}) {
        EXPECT_TRUE(brelvik::benchsim::findUnit(unit).has_value()) << unit;
    }
}

TEST(BenchControl, CommandsAndReplies) {
    BenchSimulator sim;
    ControlChannel control(sim);
    EXPECT_TRUE(control.execute("set COM ACTIVE FREQUENCY:1 121.5").empty());
    EXPECT_THAT(control.execute("get COM ACTIVE FREQUENCY:1"), ElementsAre("value COM ACTIVE FREQUENCY:1 121.5"));
    control.execute("set TRANSPONDER CODE:1 0x7000");
    EXPECT_THAT(control.execute("get transponder code:1"), ElementsAre("value transponder code:1 28672"));
    control.execute("title  Two  spaces ");
    EXPECT_THAT(control.execute("get TITLE"), ElementsAre("value TITLE  Two  spaces "));
    control.execute("set CATEGORY Helicopter");
    EXPECT_THAT(control.execute("get Category"), ElementsAre("value Category Helicopter"));
    EXPECT_THAT(control.execute("set PLANE ALTITUDE high"), ElementsAre("error not a number: high"));
    EXPECT_THAT(control.execute("get NOTHING HERE"), ElementsAre("error unknown variable NOTHING HERE"));
    EXPECT_THAT(control.execute("fly"), ElementsAre("error unknown command fly"));
    EXPECT_THAT(control.execute("freeze maybe"), ElementsAre("error usage: freeze on|off"));
    EXPECT_THAT(control.execute("list"), Contains("var PLANE ALTITUDE = 3000 (Feet)"));
    EXPECT_FALSE(control.exitRequested());
    control.execute("exit");
    EXPECT_TRUE(control.exitRequested());
}

TEST(BenchFlight, MovesUnlessFrozen) {
    BenchSimulator sim;
    ControlChannel control(sim);
    const double time = *sim.value("LOCAL TIME");
    const double longitude = *sim.value("PLANE LONGITUDE");
    control.execute("freeze on");
    sim.advance(10);
    EXPECT_EQ(*sim.value("LOCAL TIME"), time);
    EXPECT_EQ(*sim.value("PLANE LONGITUDE"), longitude);
    control.execute("freeze off");
    sim.advance(10);
    EXPECT_NEAR(*sim.value("LOCAL TIME"), time + 10, 1e-6);
    EXPECT_GT(*sim.value("PLANE LONGITUDE"), longitude);  // heading east
    control.execute("set LOCAL TIME 86399");
    control.execute("set LOCAL DAY OF MONTH 30");
    control.execute("freeze on");
    control.execute("step 2");
    EXPECT_NEAR(*sim.value("LOCAL TIME"), 1, 1e-6);
    EXPECT_EQ(*sim.value("LOCAL MONTH OF YEAR"), 7);
    EXPECT_EQ(*sim.value("LOCAL DAY OF MONTH"), 1);
}

// The whole path over TCP in one thread: the test steps the server between
// library calls. Runs inside the private network namespace of the test run.
TEST(BenchTcp, QuitAndVanishOverTcp) {
    auto sim = std::make_unique<BenchSimulator>();
    auto server = std::make_unique<brelvik::benchsim::TcpServer>(*sim);
    std::string error;
    if (!server->listen("127.0.0.1:0", error)) GTEST_SKIP() << error;
    const std::string address = "127.0.0.1:" + std::to_string(server->port());
    ::setenv(brelvik::standin::kAddressVariable, address.c_str(), 1);
    std::vector<Message> received;
    gMessages = &received;
    HANDLE h = nullptr;
    // The server answers only when polled, so the open takes several steps.
    auto openOverTcp = [&] {
        for (int i = 0; i < 200; ++i) {
            if (SimConnect_Open(&h, "Brelvik", nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL) == 0) return true;
            server->poll(5);
        }
        return false;
    };
    ASSERT_TRUE(openOverTcp());
    auto step = [&](std::size_t count) {
        for (int i = 0; i < 200 && received.size() < count; ++i) {
            if (server) server->poll(5);
            ::usleep(server ? 0 : 5000);
            SimConnect_CallDispatch(h, collect, nullptr);
        }
    };
    SimConnect_AddToDataDefinition(h, 0, "Plane Altitude", "feet", SIMCONNECT_DATATYPE_FLOAT64, 0, SIMCONNECT_UNUSED);
    SimConnect_RequestDataOnSimObjectType(h, 0, 0, 0, SIMCONNECT_SIMOBJECT_TYPE_USER);
    step(2);
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[1].id, SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE);
    EXPECT_DOUBLE_EQ(fieldAt<double>(received[1].block(), 0), 3000);

    sim->quitClients();
    step(3);
    ASSERT_EQ(received.size(), 3u);
    EXPECT_EQ(received[2].id, SIMCONNECT_RECV_ID_QUIT);
    SimConnect_Close(h);

    received.clear();
    ASSERT_TRUE(openOverTcp());
    step(1);
    server.reset();  // the simulator process dies: its sockets close, no quit message
    HRESULT result = 0;
    for (int i = 0; i < 200 && result == 0; ++i) {
        ::usleep(5000);
        result = SimConnect_CallDispatch(h, collect, nullptr);
    }
    EXPECT_LT(result, 0);
    EXPECT_EQ(received.size(), 1u);
    SimConnect_Close(h);
    ::unsetenv(brelvik::standin::kAddressVariable);
    gMessages = nullptr;
}

}  // namespace
