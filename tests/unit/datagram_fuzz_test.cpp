// Seeded, bounded fuzzing of what the bridge receives from the network: any
// host may send any datagram, and the bridge must neither crash nor let one
// datagram, or a stream of them, swamp the simulator or stop the flight data.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/control_ids.h"
#include "support/core_harness.h"
#include "tablet/event_budget.h"

namespace brelvik {
namespace {

const std::string kTablet = "127.0.0.5";
const std::string kStranger = "127.0.0.9";

class DatagramFuzzTest : public ::testing::Test, protected testing::BenchHarness, protected testing::CoreHarness {
protected:
    DatagramFuzzTest() {
        core.start({"127.255.255.255"});
        tick(2);
        connectTablet(kTablet);
        bench.takeReports();
    }

    std::size_t simEvents() {
        std::size_t n = 0;
        for (const auto& line : bench.takeReports()) n += line.rfind("event ", 0) == 0;
        return n;
    }

    // Anything from random bytes to well-formed avionics fields with absurd values.
    std::string randomDatagram(std::mt19937& random, bool controlWords) {
        static const char* const kWords[] = {"ServerAv", "ServerData", "Answer", "Request", "Bogus", ""};
        static const char* const kControl[] = {"ServerHere", "ServerStart", "ServerReady", "ServerStop"};
        static const char* const kKeys[] = {"HPA",  "COM1", "COM1S", "COM2", "COM2S", "NAV1", "NAV1S", "NAV2",
                                            "NAV2S", "DME", "ADF",   "XPDR", "SHDG",  "SALT", "SCRS1", "SCRS2",
                                            "VS",   "SPD",  "CS",    "AS",   "AP",    "UKP",  "UKM",   "JOYX",
                                            "JOYY", "A",    "",      "=",    "SALT=1=2"};
        static const char* const kValues[] = {"0",          "1",    "-1",   "2147483647", "-2147483648", "99999999999",
                                              "1e300",      "nan",  "-inf", "0x7f",       "",            "abc",
                                              "118250",     "-10000", "5",  "4.5"};
        std::uniform_int_distribution<int> percent(0, 99);
        std::string text;
        if (percent(random) < 10) {  // raw bytes
            const int length = percent(random) * 50;
            for (int i = 0; i < length; ++i) text += static_cast<char>(random() & 0xFF);
            return text;
        }
        text = controlWords && percent(random) < 10 ? kControl[random() % std::size(kControl)]
                                                    : kWords[random() % std::size(kWords)];
        const int fields = percent(random) < 20 ? 400 : percent(random) % 30;
        for (int i = 0; i < fields && text.size() < 5000; ++i) {
            text += percent(random) < 5 ? "||" : "|";
            text += kKeys[random() % std::size(kKeys)];
            text += '=';
            text += percent(random) < 50 ? kValues[random() % std::size(kValues)] : std::to_string(static_cast<int>(random()));
        }
        return text;
    }
};

TEST_F(DatagramFuzzTest, HostileDatagramsAreBoundedAndTheFlightDataFlows) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 200; ++round) {
        std::size_t eventsThisTick = 0;
        for (int i = 0; i < 10; ++i) {
            core.onDatagram(randomDatagram(random, false), i % 2 == 0 ? kStranger : kTablet);
            const std::size_t events = simEvents();
            ASSERT_LE(events, static_cast<std::size_t>(EventBudget::kEventsPerMessage)) << "round " << round;
            eventsThisTick += events;
        }
        ASSERT_LE(eventsThisTick, static_cast<std::size_t>(EventBudget::kEventsPerTick)) << "round " << round;
        sender.sent.clear();
        tick();
        std::size_t flightData = 0;
        for (const auto& d : sender.sent) flightData += d.text.rfind("ClientData|LAT=", 0) == 0 && d.destination == kTablet;
        ASSERT_EQ(flightData, 1u) << "round " << round;
        ASSERT_TRUE(core.sim().connected);
    }
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(DatagramFuzzTest, ControlWordsFromAnyoneNeverBreakTheBridge) {
    std::mt19937 random(8122026);
    for (int i = 0; i < 3000; ++i) {
        core.onDatagram(randomDatagram(random, true), random() % 2 == 0 ? kStranger : kTablet);
        if (i % 10 == 0) tick();
        if (i % 50 == 0) core.onTimer(ids::kKeepAliveTimer);
    }
    tick();
    EXPECT_TRUE(core.sim().connected);
    // Whatever the datagrams did to the link, it still answers a probe.
    sender.sent.clear();
    core.onDatagram("Request", kStranger);
    ASSERT_FALSE(sender.sent.empty());
    EXPECT_EQ(sender.sent.back(), (testing::SentDatagram{"Answer", kStranger, 15684}));
}

}  // namespace
}  // namespace brelvik
