// The panels' groups of the main dialog against scripted devices: the port
// lists, Connect/Disconnect with their frames, a pulled cable, and the
// automatic search with its probes and its guard.
#include <gtest/gtest.h>

#include <set>

#include "base/control_ids.h"
#include "support/fake_serial.h"
#include "support/fakes.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

const Bytes kGreeting = {0xFF, 0xFF, 0xFE, 0x00};
const Bytes kFarewell = {0xFF, 0xFF, 0x02, 0x00};

SSerInfo port(const std::string& name, const std::string& path) {
    SSerInfo info;
    info.friendlyName = name;
    info.devicePath = path;
    return info;
}

Bytes repeated(const Bytes& bytes, int times) {
    Bytes out;
    for (int i = 0; i < times; ++i) out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
}

Bytes joined(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A switch panel or pedestal that reports one control when greeted.
auto answersGreetingWith(std::uint8_t code) {
    return [code](const Bytes& written) {
        return written == kGreeting ? Bytes{0xFF, 0xFF, code, 0x01} : Bytes{};
    };
}

class PanelConnectionsTest : public ::testing::Test {
protected:
    void list(std::vector<SSerInfo> ports, std::string error = {}) {
        enumerator.result = {std::move(ports), std::move(error)};
    }
    void refresh() { connections.onCommand(ids::kRefreshPorts); }
    void checkAutoConnect(bool checked) {
        controls.setChecked(ids::kPanelAutoConnect, checked);
        connections.onCommand(ids::kPanelAutoConnect);
    }
    std::string status(Panel panel) const { return controls.text(groupOf(panel).statusText); }
    std::string setting(const char* key) const { return settings.read("B_keyCheck", key).value_or("<none>"); }
    // The dialog's event loop: hand every queued notice to the connections.
    void pump(std::chrono::milliseconds wait = 0ms) {
        testing::QueuedNotices::Notice notice{};
        while (notices.next(notice, wait)) connections.onNotice(notice.panel, notice.session, notice.notice);
    }

    testing::FakeControls controls;
    testing::FakeMessageBoxes boxes;
    testing::MemorySettingsStore settings;
    testing::FakeSerialOpener opener;
    testing::QueuedNotices notices;
    testing::FakePortEnumerator enumerator;
    testing::FakeSleeper sleeper;
    PanelPorts ports{opener, notices};
    PanelConnections connections{controls, boxes, settings, ports, enumerator, opener, sleeper};
};

TEST_F(PanelConnectionsTest, RefreshListsEveryPortInEveryBoxOrDisablesConnectWhenThereIsNone) {
    list({port("A USB (ttyACM0)", "/dev/a"), port("B", "/dev/b"), port("C", "/dev/c")});
    refresh();
    for (const Panel panel : {Panel::StandbyGauges, Panel::SwitchPanel, Panel::Pedestal}) {
        const PanelGroup& group = groupOf(panel);
        EXPECT_EQ(controls.states[group.portBox].items, (std::vector<std::string>{"A USB (ttyACM0)", "B", "C"}));
        EXPECT_EQ(controls.selection(group.portBox), 0);
        EXPECT_TRUE(controls.isEnabled(group.connectButton));
        EXPECT_EQ(status(panel), "Not connected");
    }

    list({});
    refresh();
    for (const Panel panel : {Panel::StandbyGauges, Panel::SwitchPanel, Panel::Pedestal}) {
        EXPECT_TRUE(controls.states[groupOf(panel).portBox].items.empty());
        EXPECT_FALSE(controls.isEnabled(groupOf(panel).connectButton));
        EXPECT_EQ(status(panel), "Not connected");
    }
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(PanelConnectionsTest, EnumerationFailureIsShownAndThePortsFoundBeforeItAreListed) {
    list({port("COM3", "\\\\.\\COM3")}, "SetupDiEnumDeviceInterfaces failed. (err=5)");
    refresh();
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"SetupDiEnumDeviceInterfaces failed. (err=5)"}));
    EXPECT_EQ(controls.states[ids::kSwitchPanelPort].items, (std::vector<std::string>{"COM3"}));
}

TEST_F(PanelConnectionsTest, SwitchPanelIsGreetedOnConnectAndToldGoodbyeOnDisconnect) {
    auto device = opener.add("/dev/switch");
    list({port("Switch", "/dev/switch")});
    refresh();
    bool flapsResent = false;
    connections.onSwitchPanelConnected([&] { flapsResent = true; });
    connections.onCommand(ids::kSwitchPanelConnect);
    EXPECT_TRUE(ports.isConnected(Panel::SwitchPanel));
    EXPECT_EQ(device->writtenBytes(), kGreeting);
    EXPECT_EQ(device->openedAtBaud, std::vector<int>{9600});
    EXPECT_EQ(controls.text(ids::kSwitchPanelConnect), "Disconnect");
    EXPECT_EQ(status(Panel::SwitchPanel), "Connected");
    EXPECT_TRUE(flapsResent);

    controls.setChecked(ids::kFirstBreaker + 5, true);
    controls.setChecked(ids::kLastBreaker, true);
    connections.onCommand(ids::kSwitchPanelConnect);
    EXPECT_FALSE(ports.isConnected(Panel::SwitchPanel));
    EXPECT_EQ(device->writtenBytes(), joined(kGreeting, kFarewell));
    EXPECT_EQ(controls.text(ids::kSwitchPanelConnect), "Connect");
    EXPECT_EQ(status(Panel::SwitchPanel), "Not connected");
    for (int id = ids::kFirstBreaker; id <= ids::kLastBreaker; ++id) EXPECT_FALSE(controls.isChecked(id)) << id;
}

TEST_F(PanelConnectionsTest, GaugesAndPedestalOpenAtTheirRatesAndOnlyThePedestalIsGreeted) {
    auto gauges = opener.add("/dev/g");
    auto pedestal = opener.add("/dev/p");
    list({port("G", "/dev/g"), port("P", "/dev/p")});
    refresh();
    connections.onCommand(ids::kGaugesConnect);
    controls.select(ids::kPedestalPort, 1);
    connections.onCommand(ids::kPedestalConnect);
    EXPECT_TRUE(gauges->writtenBytes().empty());
    EXPECT_EQ(gauges->openedAtBaud, std::vector<int>{115200});
    EXPECT_EQ(pedestal->writtenBytes(), kGreeting);

    // Disconnecting them says nothing to either.
    connections.onCommand(ids::kGaugesConnect);
    connections.onCommand(ids::kPedestalConnect);
    EXPECT_TRUE(gauges->writtenBytes().empty());
    EXPECT_EQ(pedestal->writtenBytes(), kGreeting);
}

TEST_F(PanelConnectionsTest, FailedOpenShowsTheBoxAndChangesNoText) {
    list({port("Busy", "/dev/missing")});
    refresh();
    connections.onCommand(ids::kSwitchPanelConnect);
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"Failed to open COM port!"});
    EXPECT_EQ(status(Panel::SwitchPanel), "Not connected");
    EXPECT_EQ(controls.text(ids::kSwitchPanelConnect), "");
    EXPECT_FALSE(ports.isConnected(Panel::SwitchPanel));

    // Before any refresh selected a port, a click only asks for one.
    testing::FakeControls fresh;
    PanelConnections unlisted{fresh, boxes, settings, ports, enumerator, opener, sleeper};
    unlisted.onCommand(ids::kPedestalConnect);
    EXPECT_EQ(fresh.text(ids::kPedestalStatus), "Please select a COM port");
}

TEST_F(PanelConnectionsTest, ReceivedBytesReachTheConsumersFramedInOrder) {
    struct Recorder : PanelInput {
        void onStandbyByte(std::uint8_t byte) override { letters.push_back(static_cast<char>(byte)); }
        void onSwitchFrame(PanelFramePair pair) override { frames.push_back(pair); }
        std::string letters;
        std::vector<PanelFramePair> frames;
    } input;
    ports.setInput(input);
    auto gauges = opener.add("/dev/g");
    auto panel = opener.add("/dev/s");
    list({port("G", "/dev/g"), port("S", "/dev/s")});
    refresh();
    connections.onCommand(ids::kGaugesConnect);
    controls.select(ids::kSwitchPanelPort, 1);
    connections.onCommand(ids::kSwitchPanelConnect);

    gauges->send({'A', 'F'});
    panel->send({0x00, 0xFF, 0xFF, 0x13});  // a frame cut after its code
    pump(200ms);
    panel->send({0x80, 0xFF, 0xFF, 0x02, 0x01});
    pump(200ms);
    EXPECT_EQ(input.letters, "AF");
    EXPECT_EQ(input.frames, (std::vector<PanelFramePair>{{0x13, 0x80}, {0x02, 0x01}}));
}

TEST_F(PanelConnectionsTest, InlineReadFinishesAFrameANotificationBeganAndTakesAtMost255Bytes) {
    struct Recorder : PanelInput {
        void onSwitchFrame(PanelFramePair pair) override { frames.push_back(pair); }
        std::vector<PanelFramePair> frames;
    } input;
    ports.setInput(input);
    auto panel = opener.add("/dev/s");
    list({port("S", "/dev/s")});
    refresh();
    connections.onCommand(ids::kSwitchPanelConnect);
    panel->send({0xFF, 0xFF, 0x13});
    pump(200ms);
    EXPECT_TRUE(input.frames.empty());

    Bytes queued = {0x64};
    for (int i = 0; i < 100; ++i) queued.insert(queued.end(), {0xFF, 0xFF, 0x15, 0x00});
    panel->send(queued);
    ports.readQueuedInput(Panel::SwitchPanel, 255);
    ASSERT_FALSE(input.frames.empty());
    EXPECT_EQ(input.frames[0], (PanelFramePair{0x13, 0x64}));
    EXPECT_EQ(input.frames.size(), 1u + (255 - 1) / 4);  // 255 bytes read, the rest left queued
}

// A panel still plugged in whose firmware stopped taking bytes: three writes
// in a row that time out and it is gone as a pulled cable is; one that goes
// through in between starts the count again, and the other panels stay.
TEST_F(PanelConnectionsTest, PanelThatStopsTakingBytesIsTakenAsGoneAfterThreeTimeOuts) {
    auto device = opener.add("/dev/s");
    auto gauges = opener.add("/dev/g");
    list({port("S", "/dev/s"), port("G", "/dev/g")});
    refresh();
    connections.onCommand(ids::kSwitchPanelConnect);
    controls.select(ids::kGaugesPort, 1);
    connections.onCommand(ids::kGaugesConnect);
    controls.setChecked(ids::kFirstBreaker, true);
    const Bytes frame = {0xFF, 0xFF, 0x06, 0x00};
    const auto setStalled = [&](bool stalled) {
        std::lock_guard lock(device->mutex);
        device->stalled = stalled;
    };
    setStalled(true);
    ports.writePanel(Panel::SwitchPanel, frame);
    ports.writePanel(Panel::SwitchPanel, frame);
    setStalled(false);
    ports.writePanel(Panel::SwitchPanel, frame);  // taken: the count starts again
    setStalled(true);
    ports.writePanel(Panel::SwitchPanel, frame);
    ports.writePanel(Panel::SwitchPanel, frame);
    pump(200ms);
    EXPECT_EQ(status(Panel::SwitchPanel), "Connected");
    ports.writePanel(Panel::SwitchPanel, frame);
    pump(300ms);
    EXPECT_FALSE(ports.isConnected(Panel::SwitchPanel));
    EXPECT_EQ(status(Panel::SwitchPanel), "Not connected");
    EXPECT_FALSE(controls.isChecked(ids::kFirstBreaker));
    EXPECT_EQ(status(Panel::StandbyGauges), "Connected");
}

TEST_F(PanelConnectionsTest, PulledCableDisconnectsWithoutAFarewell) {
    auto device = opener.add("/dev/s");
    list({port("S", "/dev/s")});
    refresh();
    connections.onCommand(ids::kSwitchPanelConnect);
    controls.setChecked(ids::kFirstBreaker, true);
    device->unplug();
    pump(300ms);
    EXPECT_FALSE(ports.isConnected(Panel::SwitchPanel));
    EXPECT_EQ(status(Panel::SwitchPanel), "Not connected");
    EXPECT_EQ(controls.text(ids::kSwitchPanelConnect), "Connect");
    EXPECT_FALSE(controls.isChecked(ids::kFirstBreaker));
    EXPECT_EQ(device->writtenBytes(), kGreeting);

    // Plugged in again, a click brings it back.
    {
        std::lock_guard lock(device->mutex);
        device->gone = false;
    }
    connections.onCommand(ids::kSwitchPanelConnect);
    EXPECT_EQ(status(Panel::SwitchPanel), "Connected");
}

TEST_F(PanelConnectionsTest, RefreshKeepsConnectedPanelsConnectedOnTheirPort) {
    opener.add("/dev/b");
    list({port("A", "/dev/a"), port("B", "/dev/b")});
    refresh();
    controls.select(ids::kPedestalPort, 1);
    connections.onCommand(ids::kPedestalConnect);
    refresh();
    EXPECT_TRUE(ports.isConnected(Panel::Pedestal));
    EXPECT_EQ(status(Panel::Pedestal), "Connected");
    EXPECT_EQ(controls.selection(ids::kPedestalPort), 1);
    EXPECT_EQ(status(Panel::SwitchPanel), "Not connected");
}

TEST_F(PanelConnectionsTest, AutoConnectFindsEachPanelByNameOrByItsAnswer) {
    auto gauges = opener.add("/dev/stm");
    auto pedestal = opener.add("/dev/ped");
    auto panel = opener.add("/dev/sw");
    // What the bridge does to the port, in order: "w" a write, a number a sleep.
    std::vector<std::string> trace;
    sleeper.onSleep = [&](int ms) { trace.push_back(std::to_string(ms)); };
    pedestal->answer = [&](const Bytes& written) {
        trace.push_back("w");
        return answersGreetingWith(94)(written);
    };
    panel->answer = answersGreetingWith(19);
    list({port("STMicroelectronics Virtual COM Port USB (ttyACM0)", "/dev/stm"),
          port("Pedestal USB (ttyUSB0)", "/dev/ped"), port("Switch USB (ttyUSB1)", "/dev/sw"),
          port("Native (ttyS0)", "/dev/native")});
    refresh();
    checkAutoConnect(true);

    EXPECT_TRUE(ports.isConnected(Panel::StandbyGauges));
    EXPECT_TRUE(ports.isConnected(Panel::SwitchPanel));
    EXPECT_TRUE(ports.isConnected(Panel::Pedestal));
    EXPECT_EQ(controls.selection(ids::kGaugesPort), 0);
    EXPECT_EQ(controls.selection(ids::kPedestalPort), 1);
    EXPECT_EQ(controls.selection(ids::kSwitchPanelPort), 2);
    EXPECT_EQ(controls.text(ids::kPanelAutoConnectStatus), "Completed");
    EXPECT_EQ(setting("AutoPanelConn"), "1");
    EXPECT_EQ(setting("AutoPanelConnFail"), "0");
    // The gauges port is known by its maker and never probed; a port without
    // "USB" in its name is not touched; the pedestal port was first tried as
    // the switch panel.
    EXPECT_EQ(opener.opens, (std::vector<std::string>{"/dev/stm", "/dev/ped", "/dev/ped", "/dev/ped", "/dev/sw",
                                                      "/dev/sw"}));
    EXPECT_TRUE(gauges->writtenBytes().empty());
    EXPECT_EQ(panel->writtenBytes(), repeated(kGreeting, 4));  // three probes, then the greeting
    // The pedestal's port: first probed as the switch panel (three greetings
    // 10 ms apart, 100 ms, ten unanswered reads 10 ms apart), then as the
    // pedestal, found in its first read, then greeted once connected.
    const std::vector<std::string> greetings = {"w", "10", "w", "10", "w", "10", "100"};
    std::vector<std::string> expected = greetings;
    expected.insert(expected.end(), 10, "10");
    expected.insert(expected.end(), greetings.begin(), greetings.end());
    expected.push_back("w");
    trace.resize(std::min(trace.size(), expected.size()));
    EXPECT_EQ(trace, expected);
    EXPECT_EQ(sleeper.total, (3 * 10 + 100 + 10 * 10) + 2 * (3 * 10 + 100));
}

TEST_F(PanelConnectionsTest, PortFoundIsClaimedEvenWhenItsFinalOpenFails) {
    auto panel = opener.add("/dev/sw");
    panel->answer = answersGreetingWith(19);
    panel->opensLeft = 1;  // the probe's open only
    list({port("Switch USB (ttyUSB1)", "/dev/sw")});
    refresh();
    checkAutoConnect(true);
    EXPECT_FALSE(ports.isConnected(Panel::SwitchPanel));
    EXPECT_EQ(boxes.texts, std::vector<std::string>{"Failed to open COM port!"});
    // Not probed again as the pedestal or the gauges.
    EXPECT_EQ(opener.opens, (std::vector<std::string>{"/dev/sw", "/dev/sw"}));
    EXPECT_EQ(controls.text(ids::kPanelAutoConnectStatus), "Completed");
}

TEST_F(PanelConnectionsTest, AutoConnectRecognisesTheGaugesByTheirAnswerToAQuery) {
    auto device = opener.add("/dev/g");
    device->answer = [](const Bytes& written) {
        return written == Bytes{'Q', '\r', '\n'} ? Bytes{'G', 'A', 'U', 'G', 'E', 'S', '\n'} : Bytes{};
    };
    list({port("Gauges USB (ttyACM3)", "/dev/g")});
    refresh();
    checkAutoConnect(true);
    EXPECT_TRUE(ports.isConnected(Panel::StandbyGauges));
    EXPECT_EQ(status(Panel::StandbyGauges), "Connected");
    EXPECT_EQ(status(Panel::SwitchPanel), "");
    EXPECT_EQ(status(Panel::Pedestal), "");
    EXPECT_EQ(device->openedAtBaud, (std::vector<int>{9600, 9600, 115200, 115200}));
}

TEST_F(PanelConnectionsTest, SilentOrBusyUsbPortsLeaveEmptyStatusTextsAndTheSearchCompletes) {
    opener.add("/dev/silent");
    list({port("Silent USB (ttyUSB0)", "/dev/silent"), port("Busy USB (ttyUSB1)", "/dev/busy")});
    refresh();
    std::set<std::string> seenWhileProbing;
    sleeper.onSleep = [&](int) {
        seenWhileProbing.insert(controls.text(ids::kPanelAutoConnectStatus) + " guard=" + setting("AutoPanelConnFail"));
    };
    checkAutoConnect(true);
    EXPECT_EQ(seenWhileProbing, std::set<std::string>{"Connecting... guard=1"});
    for (const Panel panel : {Panel::StandbyGauges, Panel::SwitchPanel, Panel::Pedestal}) {
        EXPECT_FALSE(ports.isConnected(panel));
        EXPECT_EQ(status(panel), "");
    }
    EXPECT_EQ(controls.text(ids::kPanelAutoConnectStatus), "Completed");
    EXPECT_EQ(setting("AutoPanelConnFail"), "0");
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(PanelConnectionsTest, UnfinishedSearchIsReportedAndSwitchesAutoConnectOff) {
    settings.write("B_keyCheck", "AutoPanelConnFail", "1");
    controls.setChecked(ids::kPanelAutoConnect, true);
    opener.add("/dev/stm");
    list({port("STMicro USB", "/dev/stm")});
    refresh();
    EXPECT_EQ(controls.text(ids::kPanelAutoConnectStatus), "Last time failed");
    EXPECT_FALSE(controls.isChecked(ids::kPanelAutoConnect));
    EXPECT_EQ(setting("AutoPanelConn"), "0");
    EXPECT_EQ(setting("AutoPanelConnFail"), "1");
    EXPECT_TRUE(opener.opens.empty());

    // Checking the box again clears the guard and searches at once.
    checkAutoConnect(true);
    EXPECT_TRUE(ports.isConnected(Panel::StandbyGauges));
    EXPECT_EQ(setting("AutoPanelConnFail"), "0");

    checkAutoConnect(false);
    EXPECT_EQ(setting("AutoPanelConn"), "0");
    EXPECT_EQ(controls.text(ids::kPanelAutoConnectStatus), "");
}

// A panel plugged in while the bridge runs is found without a click, once
// the device's events have settled; ports held by connected panels are left
// alone, and nothing happens while Auto-Connect is off.
TEST_F(PanelConnectionsTest, PanelPluggedInWhileRunningIsSearchedForOnlyWithAutoConnectOn) {
    opener.add("/dev/stm");
    auto panel = opener.add("/dev/sw");
    panel->answer = answersGreetingWith(19);
    const SSerInfo gaugesPort = port("STMicro USB (ttyACM0)", "/dev/stm");
    list({gaugesPort});
    refresh();
    const auto t0 = PanelConnections::Clock::time_point{} + 1h;
    list({gaugesPort, port("Switch USB (ttyUSB0)", "/dev/sw")});

    connections.onPortsChanged(t0);
    connections.onTick(t0 + 1s);
    EXPECT_EQ(connections.refreshCount(), 1);

    checkAutoConnect(true);
    ASSERT_TRUE(ports.isConnected(Panel::StandbyGauges));
    opener.opens.clear();
    connections.onPortsChanged(t0 + 2s);
    connections.onTick(t0 + 2s + PanelConnections::kSettleTime - 1ms);
    EXPECT_TRUE(opener.opens.empty());
    connections.onTick(t0 + 2s + PanelConnections::kSettleTime);
    EXPECT_TRUE(ports.isConnected(Panel::SwitchPanel));
    EXPECT_EQ(status(Panel::SwitchPanel), "Connected");
    EXPECT_EQ(panel->writtenBytes(), repeated(kGreeting, 4));
    EXPECT_EQ(opener.opens, (std::vector<std::string>{"/dev/sw", "/dev/sw"}));
    EXPECT_EQ(controls.text(ids::kPanelAutoConnectStatus), "Completed");
    connections.onTick(t0 + 10s);
    EXPECT_EQ(opener.opens.size(), 2u);
}

// ModemManager holds a new port for a few seconds: it is tried again, quietly,
// until it opens or five seconds have passed.
TEST_F(PanelConnectionsTest, NewPortHeldByAnotherProgramIsTriedAgainForFiveSeconds) {
    list({});
    checkAutoConnect(true);
    const auto t0 = PanelConnections::Clock::time_point{} + 1h;
    auto held = opener.add("/dev/held");
    auto late = opener.add("/dev/late");
    held->open = late->open = true;
    late->answer = answersGreetingWith(94);
    list({port("Held USB (ttyUSB0)", "/dev/held"), port("Late USB (ttyUSB1)", "/dev/late")});
    connections.onPortsChanged(t0);
    int searches = 0;
    for (auto t = t0; t <= t0 + 8s; t += 100ms) {
        if (t == t0 + 2s) late->open = false;
        const std::size_t before = opener.opens.size();
        connections.onTick(t);
        if (opener.opens.size() != before) ++searches;
    }
    EXPECT_TRUE(ports.isConnected(Panel::Pedestal));
    EXPECT_TRUE(boxes.texts.empty());
    // At 0.3 s, then a second after each search that met a port held since
    // less than five seconds; the pedestal probe stops once it is found.
    EXPECT_EQ(searches, 6);
    EXPECT_EQ(std::count(opener.opens.begin(), opener.opens.end(), "/dev/held"), 3 * 3 + 3 * 2);
}

TEST_F(PanelConnectionsTest, SearchWithNoPortsGoesStraightToCompleted) {
    list({});
    controls.setChecked(ids::kPanelAutoConnect, true);
    refresh();
    EXPECT_EQ(controls.text(ids::kPanelAutoConnectStatus), "Completed");
    EXPECT_EQ(setting("AutoPanelConnFail"), "0");
}

}  // namespace
}  // namespace brelvik
