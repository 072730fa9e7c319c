// The avionics handler wired as in the program: a real tablet link over a fake
// datagram sender (to see "ClientAv" replies) and a real simulator connection to
// an in-process bench simulator (to see every event, data write and priority).
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/control_ids.h"
#include "sim/data_definitions.h"
#include "sim/sim_event_table.h"
#include "simconnect/standin.h"
#include "support/fakes.h"
#include "tablet/avionics.h"
#include "tools/benchsim/bench_simulator.h"

namespace brelvik::testing {

inline const std::string kTabletAddress = "127.0.0.5";

class AvionicsFixture {
protected:
    AvionicsFixture() : link(controls, timers, boxes, sender, sim), avionics(controls, link, sim, settings) {}

    void setUpAvionics() {
        standin::standinUseInProcess(&bench);
        ASSERT_EQ(SimConnect_Open(&sim.handle, "Brelvik", nullptr, 0, nullptr, SIMCONNECT_OPEN_CONFIGINDEX_LOCAL), 0);
        sim.connected = true;
        sim.versionMajor = 11;
        declareConnection(sim.handle);
        SimConnect_CallDispatch(sim.handle, ignore, nullptr);
        // Masters off, so that only the tests about them see their reports.
        bench.setValue("ELECTRICAL MASTER BATTERY", 0);
        bench.setValue("AVIONICS MASTER SWITCH", 0);
        bench.takeReports();
        controls.setChecked(ids::kSyncAutopilotMaster, true);
        link.setMessageSink(&avionics);
        connectTablet();
    }
    void tearDownAvionics() {
        SimConnect_Close(sim.handle);
        standin::standinUseInProcess(nullptr);
    }

    void connectTablet() {
        controls.setText(ids::kTabletAddress, kTabletAddress);
        link.onStartButton();
        link.onDatagram("ServerReady", kTabletAddress);
        sender.sent.clear();
    }
    void serverAv(const std::string& fields) { link.onDatagram("ServerAv|" + fields, kTabletAddress); }
    void serverData(const std::string& fields) { link.onDatagram("ServerData|" + fields, kTabletAddress); }

    // What the simulator received since the last call ("event NAME data group",
    // "priority 0 p", "setdata 1 x y").
    std::vector<std::string> simReports() { return bench.takeReports(); }
    // "ClientAv" lines sent to the tablet since the last call.
    std::vector<std::string> replies() {
        std::vector<std::string> out;
        for (const auto& d : sender.sent) {
            EXPECT_EQ(d.destination, kTabletAddress);
            EXPECT_EQ(d.port, 15684);
            out.push_back(d.text);
        }
        sender.sent.clear();
        return out;
    }

    // Asks the bench for a radio sample and hands it over, as the simulator link
    // does with the reply to request 1.
    void feedRadioSample() {
        RadioSample sample{};
        SimConnect_RequestDataOnSimObjectType(sim.handle, kRadioSampleRequest, kRadioSampleDefinition, 0,
                                              SIMCONNECT_SIMOBJECT_TYPE_USER);
        bool received = false;
        Capture capture{&sample, &received};
        SimConnect_CallDispatch(sim.handle, captureRadio, &capture);
        ASSERT_TRUE(received);
        avionics.onRadioSample(sample);
    }
    // The pilot changes a value in the simulator, and the next sample shows it.
    void pilotSets(const char* variable, double value) {
        bench.setValue(variable, value);
        feedRadioSample();
    }

    FakeControls controls;
    FakeTimers timers;
    FakeMessageBoxes boxes;
    FakeDatagramSender sender;
    MemorySettingsStore settings;
    SimSession sim;
    benchsim::BenchSimulator bench;
    TabletLink link;
    Avionics avionics;

private:
    struct Capture {
        RadioSample* sample;
        bool* received;
    };
    static void ignore(SIMCONNECT_RECV*, DWORD, void*) {}
    static void captureRadio(SIMCONNECT_RECV* message, DWORD size, void* context) {
        if (message->dwID != SIMCONNECT_RECV_ID_SIMOBJECT_DATA_BYTYPE) return;
        const auto* data = reinterpret_cast<const SIMCONNECT_RECV_SIMOBJECT_DATA_BYTYPE*>(message);
        if (data->dwRequestID != kRadioSampleRequest || size < 40 + sizeof(RadioSample)) return;
        auto* capture = static_cast<Capture*>(context);
        std::memcpy(capture->sample, reinterpret_cast<const char*>(message) + 40, sizeof(RadioSample));
        *capture->received = true;
    }
};

class AvionicsTest : public AvionicsFixture, public ::testing::Test {
protected:
    void SetUp() override { setUpAvionics(); }
    void TearDown() override { tearDownAvionics(); }
};

template <typename Param>
class AvionicsTableTest : public AvionicsFixture, public ::testing::TestWithParam<Param> {
protected:
    void SetUp() override { setUpAvionics(); }
    void TearDown() override { tearDownAvionics(); }
};

}  // namespace brelvik::testing
