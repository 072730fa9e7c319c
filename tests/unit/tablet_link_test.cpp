#include <gtest/gtest.h>

#include "base/control_ids.h"
#include "support/fakes.h"
#include "tablet/tablet_link.h"

namespace brelvik {
namespace {

using testing::FakeControls;
using testing::FakeDatagramSender;
using testing::FakeMessageBoxes;
using testing::FakeTimers;

const std::string kTablet = "127.0.0.5";
const std::string kOther = "127.0.0.9";

class RecordingSink : public TabletMessageSink {
public:
    void onTabletReady() override { ++ready; }
    void onServerAv(const SplitDatagram& m) override { av.push_back(m.fields.size()); }
    void onServerData(const SplitDatagram& m) override { data.push_back(m.fields.size()); }
    int ready = 0;
    std::vector<std::size_t> av, data;
};

class TabletLinkTest : public ::testing::Test {
protected:
    TabletLinkTest() : link(controls, timers, boxes, sender, sim) {
        link.setBroadcastTable({"127.255.255.255"});
        link.setMessageSink(&sink);
    }
    std::string status() const { return controls.text(ids::kTabletStatus); }
    std::string button() const { return controls.text(ids::kStart); }
    bool buttonEnabled() const { return controls.isEnabled(ids::kStart); }
    void setAutoConnect(bool on) { controls.setChecked(ids::kTabletAutoConnect, on); }
    void connect(const std::string& from = kTablet) {
        controls.setText(ids::kTabletAddress, from);
        link.onStartButton();
        link.onDatagram("ServerReady", from);
        sender.sent.clear();
    }
    std::size_t count(const std::string& text, const std::string& to) const {
        std::size_t n = 0;
        for (const auto& d : sender.sent) n += d.text == text && d.destination == to && d.port == 15684;
        return n;
    }

    FakeControls controls;
    FakeTimers timers;
    FakeMessageBoxes boxes;
    FakeDatagramSender sender;
    SimSession sim;
    RecordingSink sink;
    TabletLink link;
};

TEST_F(TabletLinkTest, AnnouncementWhileNotConnectedOnlyFillsAddressWithoutAutoConnect) {
    link.onDatagram("ServerHere", kTablet);
    EXPECT_EQ(controls.text(ids::kTabletAddress), kTablet);
    EXPECT_EQ(status(), "IP detected");
    EXPECT_TRUE(sender.sent.empty());

    link.onDatagram("ServerStart", kOther);
    EXPECT_EQ(controls.text(ids::kTabletAddress), kOther);
}

TEST_F(TabletLinkTest, AnnouncementWithAutoConnectInvitesThatTablet) {
    setAutoConnect(true);
    link.onDatagram("ServerHere", kTablet);
    EXPECT_EQ(count("ClientComing", kTablet), 1u);
    EXPECT_EQ(status(), "Waiting for connection");
    EXPECT_EQ(button(), "Waiting");
    EXPECT_FALSE(buttonEnabled());
    EXPECT_EQ(timers.period(ids::kInvitationTimer), 3000);
}

TEST_F(TabletLinkTest, AnnouncementWhileConnectedChangesNothing) {
    connect();
    setAutoConnect(true);
    link.onDatagram("ServerHere", kOther);
    EXPECT_EQ(controls.text(ids::kTabletAddress), kTablet);
    EXPECT_EQ(status(), "Connected");
    EXPECT_TRUE(sender.sent.empty());
}

TEST_F(TabletLinkTest, StartInvitesTheTypedAddressAndReadyConnects) {
    controls.setText(ids::kTabletAddress, kTablet);
    link.onStartButton();
    EXPECT_EQ(count("ClientComing", kTablet), 1u);
    link.onDatagram("ServerReady", kTablet);
    EXPECT_TRUE(link.connected());
    EXPECT_EQ(link.peerAddress(), kTablet);
    EXPECT_EQ(status(), "Connected");
    EXPECT_EQ(button(), "Stop");
    EXPECT_TRUE(buttonEnabled());
    EXPECT_FALSE(timers.isRunning(ids::kInvitationTimer));
    EXPECT_EQ(timers.period(ids::kKeepAliveTimer), 1000);
    EXPECT_EQ(sink.ready, 1);
    EXPECT_EQ(count("ClientData|FS2020=1", kTablet), 0u);  // no simulator yet
}

TEST_F(TabletLinkTest, ReadyTellsANewGenerationSimulatorToTheTablet) {
    sim.versionMajor = 11;
    controls.setText(ids::kTabletAddress, kTablet);
    link.onDatagram("ServerReady", kTablet);
    EXPECT_EQ(count("ClientData|FS2020=1", kTablet), 1u);
}

TEST_F(TabletLinkTest, ReadyFromASecondTabletMakesItThePeer) {
    connect();
    link.onDatagram("ServerReady", kOther);
    EXPECT_EQ(link.peerAddress(), kOther);
    link.onTimer(ids::kKeepAliveTimer);
    EXPECT_EQ(count("Request", kOther), 1u);
}

TEST_F(TabletLinkTest, FailedInvitationShowsBoxAndChangesNothing) {
    controls.setText(ids::kTabletAddress, "");
    controls.setText(ids::kTabletStatus, "Not connected");
    link.onStartButton();
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Failed send"}));
    EXPECT_EQ(status(), "Not connected");
    EXPECT_FALSE(timers.isRunning(ids::kInvitationTimer));
}

TEST_F(TabletLinkTest, InvitationTimesOutAndRetriesWithAutoConnect) {
    controls.setText(ids::kTabletAddress, kTablet);
    link.onStartButton();
    link.onTimer(ids::kInvitationTimer);
    EXPECT_EQ(status(), "Connection timed out");
    EXPECT_EQ(button(), "Start");
    EXPECT_TRUE(buttonEnabled());
    EXPECT_FALSE(timers.isRunning(ids::kInvitationTimer));

    setAutoConnect(true);
    link.onStartButton();
    link.onTimer(ids::kInvitationTimer);
    EXPECT_EQ(status(), "Timed out, reconnecting...");
    EXPECT_EQ(button(), "Waiting");
    EXPECT_FALSE(buttonEnabled());
    EXPECT_TRUE(timers.isRunning(ids::kInvitationTimer));
    EXPECT_EQ(count("ClientComing", kTablet), 3u);
}

TEST_F(TabletLinkTest, TenProbesMayGoUnansweredTheEleventhTickLosesTheLink) {
    connect();
    for (int i = 0; i < 10; ++i) link.onTimer(ids::kKeepAliveTimer);
    EXPECT_EQ(count("Request", kTablet), 10u);
    EXPECT_TRUE(link.connected());

    link.onTimer(ids::kKeepAliveTimer);
    EXPECT_FALSE(link.connected());
    EXPECT_EQ(count("Request", kTablet), 10u);
    EXPECT_EQ(status(), "Lost connection");
    EXPECT_EQ(button(), "Start");
    EXPECT_FALSE(timers.isRunning(ids::kKeepAliveTimer));
    EXPECT_EQ(timers.period(ids::kDiscoveryTimer), 3000);
}

TEST_F(TabletLinkTest, LostLinkWithAutoConnectInvitesAgain) {
    connect();
    setAutoConnect(true);
    for (int i = 0; i < 11; ++i) link.onTimer(ids::kKeepAliveTimer);
    EXPECT_EQ(status(), "Lost, reconnecting...");
    EXPECT_EQ(button(), "Waiting");
    EXPECT_FALSE(buttonEnabled());
    EXPECT_EQ(count("ClientComing", kTablet), 1u);
}

TEST_F(TabletLinkTest, AnswerResetsTheProbeCountAndCarriesTheOptionValue) {
    connect();
    for (int i = 0; i < 9; ++i) link.onTimer(ids::kKeepAliveTimer);
    link.onDatagram("Answer|X=7|A=1", kTablet);
    EXPECT_EQ(link.keepAliveCount(), 0);
    EXPECT_EQ(link.optionValue(), 1);
    for (int i = 0; i < 10; ++i) link.onTimer(ids::kKeepAliveTimer);
    EXPECT_TRUE(link.connected());

    link.onDatagram("Answer|A=x", kTablet);
    EXPECT_EQ(link.optionValue(), 0);
    link.onDatagram("Answer|A=-3", kTablet);
    EXPECT_EQ(link.optionValue(), -3);
    link.onDatagram("Answer", kTablet);  // no A: the value stays
    EXPECT_EQ(link.optionValue(), -3);
}

// Regression: the field's text went to the socket layer as it was, which also
// takes shorthands such as "127.1" and invited a host the user never typed.
struct AddressCase {
    const char* name;
    const char* typed;
    const char* invited;  // empty: "Failed send" and nothing sent
};

class TabletAddressTest : public TabletLinkTest, public ::testing::WithParamInterface<AddressCase> {};

TEST_P(TabletAddressTest, OnlyFourDecimalOctetsAreInvited) {
    controls.setText(ids::kTabletAddress, GetParam().typed);
    link.onStartButton();
    const std::string invited = GetParam().invited;
    if (invited.empty()) {
        EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Failed send"}));
        EXPECT_FALSE(timers.isRunning(ids::kInvitationTimer));
        for (const auto& d : sender.sent) EXPECT_TRUE(d.destination.empty()) << d.destination;
    } else {
        EXPECT_TRUE(boxes.texts.empty());
        EXPECT_EQ(count("ClientComing", invited), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Typed, TabletAddressTest,
    ::testing::Values(AddressCase{"Plain", "127.0.0.5", "127.0.0.5"},
                      AddressCase{"LeadingZerosAreDecimal", "127.000.000.010", "127.0.0.10"},
                      AddressCase{"TwoParts", "127.1", ""}, AddressCase{"ThreeParts", "127.0.1", ""},
                      AddressCase{"OneNumber", "2130706433", ""}, AddressCase{"Octet256", "127.0.0.256", ""},
                      AddressCase{"FiveParts", "127.0.0.1.5", ""}, AddressCase{"TrailingDot", "127.0.0.1.", ""},
                      AddressCase{"EmptyOctet", "127..0.1", ""}, AddressCase{"FourDigits", "127.0.0.0001", ""},
                      AddressCase{"HostName", "localhost", ""}, AddressCase{"Blank", " 127.0.0.5", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TabletLinkTest, StopToAShorthandAddressKeepsTheLink) {
    connect();
    controls.setText(ids::kTabletAddress, "127.5");
    link.onStartButton();
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Failed send"}));
    EXPECT_TRUE(link.connected());
}

TEST_F(TabletLinkTest, StopSaysGoodbyeToTheAddressInTheField) {
    connect();
    controls.setText(ids::kTabletAddress, kOther);  // the user edited the field
    link.onStartButton();
    EXPECT_EQ(count("ClientOut", kOther), 1u);
    EXPECT_FALSE(link.connected());
    EXPECT_EQ(status(), "Not connected");
    EXPECT_EQ(button(), "Start");
    EXPECT_FALSE(timers.isRunning(ids::kKeepAliveTimer));
}

TEST_F(TabletLinkTest, StopThatCannotBeSentKeepsTheLink) {
    connect();
    sender.unresolvable[kTablet] = true;
    link.onStartButton();
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Failed send"}));
    EXPECT_TRUE(link.connected());
    EXPECT_EQ(status(), "Connected");
}

TEST_F(TabletLinkTest, TabletStopEndsTheLinkAndResumesDiscovery) {
    connect();
    link.onDatagram("ServerStop", kTablet);
    EXPECT_FALSE(link.connected());
    EXPECT_EQ(status(), "Stopped");
    EXPECT_EQ(button(), "Start");
    EXPECT_FALSE(timers.isRunning(ids::kKeepAliveTimer));
    EXPECT_TRUE(timers.isRunning(ids::kDiscoveryTimer));
}

TEST_F(TabletLinkTest, DiscoveryTimerBroadcastsOnlyWhileWantedAndNeeded) {
    link.setBroadcastTable({"127.255.255.255", "bad.address", "127.0.0.255"});
    sender.unresolvable["bad.address"] = true;
    timers.start(ids::kDiscoveryTimer, 3000);

    link.onTimer(ids::kDiscoveryTimer);  // Auto-Connect off: the timer stops itself
    EXPECT_FALSE(timers.isRunning(ids::kDiscoveryTimer));
    EXPECT_TRUE(sender.sent.empty());

    setAutoConnect(true);
    link.onAutoConnectClicked();
    EXPECT_EQ(timers.period(ids::kDiscoveryTimer), 3000);
    link.onTimer(ids::kDiscoveryTimer);
    EXPECT_EQ(count("ClientRequest", "127.255.255.255"), 1u);
    EXPECT_EQ(count("ClientRequest", "127.0.0.255"), 1u);
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Failed send"}));  // one box per failing address

    connect();
    link.onTimer(ids::kDiscoveryTimer);
    EXPECT_FALSE(timers.isRunning(ids::kDiscoveryTimer));
    EXPECT_TRUE(sender.sent.empty());
}

TEST_F(TabletLinkTest, AutoConnectBoxStartsAndStopsDiscoveryOnlyWhileNotConnected) {
    setAutoConnect(true);
    link.onAutoConnectClicked();
    EXPECT_TRUE(timers.isRunning(ids::kDiscoveryTimer));
    setAutoConnect(false);
    link.onAutoConnectClicked();
    EXPECT_FALSE(timers.isRunning(ids::kDiscoveryTimer));

    connect();
    timers.start(ids::kDiscoveryTimer, 3000);
    link.onAutoConnectClicked();
    EXPECT_TRUE(timers.isRunning(ids::kDiscoveryTimer));  // left for its own tick to stop
}

TEST_F(TabletLinkTest, RequestIsAnsweredWhateverTheState) {
    link.onDatagram("Request", kOther);
    EXPECT_EQ(count("Answer", kOther), 1u);
    connect();
    link.onDatagram("Request|A=1", kOther);
    EXPECT_EQ(count("Answer", kOther), 1u);
}

TEST_F(TabletLinkTest, DataMessagesGoToTheSinkOthersAreIgnored) {
    link.onDatagram("ServerAv", kTablet);
    link.onDatagram("ServerAv||COM1=118250||", kTablet);
    link.onDatagram("ServerData|JOYX=0.5|JOYY=0.1", kTablet);
    link.onDatagram("serverav|COM1=1", kTablet);  // words are case-sensitive
    link.onDatagram("Bogus|A=5", kTablet);
    EXPECT_EQ(sink.av, (std::vector<std::size_t>{0, 1}));
    EXPECT_EQ(sink.data, (std::vector<std::size_t>{2}));
    EXPECT_EQ(link.optionValue(), 0);
    EXPECT_TRUE(sender.sent.empty());
}

TEST_F(TabletLinkTest, CloseSaysGoodbyeToThePeerOnlyWhenConnected) {
    link.onClose();
    EXPECT_TRUE(sender.sent.empty());
    connect();
    controls.setText(ids::kTabletAddress, kOther);
    link.onClose();
    EXPECT_EQ(count("ClientOut", kTablet), 1u);
    EXPECT_EQ(count("ClientOut", kOther), 0u);
}

}  // namespace
}  // namespace brelvik
