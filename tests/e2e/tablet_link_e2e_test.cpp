#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <wx/button.h>

#include <cstdlib>
#include <memory>

#include "app/brelvik_dlg_wx.h"
#include "base/control_ids.h"
#include "settings/ini_settings_store.h"
#include "support/child_process.h"
#include "support/hosted_dialog.h"
#include "support/peers.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using testing::answeredBoxes;
using testing::builtProgram;
using testing::ChildProcess;
using testing::pumpFor;
using testing::pumpUntil;

class TabletLinkEndToEnd : public testing::HostedDialogTest {
protected:
    void startTablet() { tablet = testing::startTabletEmu(); }
    std::string status() const { return dialog->text(ids::kTabletStatus); }
    bool waitStatus(const std::string& text, std::chrono::milliseconds timeout) {
        return pumpUntil([&] { return status() == text; }, timeout);
    }
    void press(int id) {
        wxCommandEvent event(wxEVT_BUTTON, id);
        dialog->control(id)->ProcessWindowEvent(event);
    }
    bool tabletPrinted(const std::string& line, std::chrono::milliseconds timeout) {
        return pumpUntil([&] { return tablet->countOf(line) > 0; }, timeout);
    }

    std::unique_ptr<ChildProcess> tablet;
};

TEST_F(TabletLinkEndToEnd, BroadcastDiscoveryShowsTheTabletsAddress) {
    profile(false);
    startTablet();
    openDialog();
    EXPECT_TRUE(tabletPrinted("ClientRequest", 3s));
    EXPECT_TRUE(waitStatus("IP detected", 3s)) << status();
    EXPECT_EQ(dialog->text(ids::kTabletAddress), "127.0.0.1");
    EXPECT_EQ(dialog->text(ids::kStart), "Start");
    EXPECT_EQ(tablet->countOf("ClientComing"), 0u);
}

TEST_F(TabletLinkEndToEnd, AutoConnectConnectsAndKeepAliveHolds) {
    startTablet();
    openDialog();  // first run: Auto-Connect comes up on
    ASSERT_TRUE(waitStatus("Connected", 5s)) << status();
    EXPECT_EQ(dialog->text(ids::kStart), "Stop");
    EXPECT_TRUE(dialog->isEnabled(ids::kStart));
    const std::size_t mark = tablet->lineCount();
    pumpFor(15s);
    EXPECT_EQ(status(), "Connected");
    EXPECT_GE(tablet->countOf("Request", mark), 13u);
    EXPECT_EQ(tablet->countOf("ClientComing", mark), 0u);
}

TEST_F(TabletLinkEndToEnd, TabletStartedAfterTheBridgeIsFoundWithAutoConnect) {
    openDialog();  // first run: Auto-Connect on, and nobody answers the first broadcast
    pumpFor(1s);
    startTablet();
    EXPECT_TRUE(waitStatus("Connected", 6s)) << status();
}

TEST_F(TabletLinkEndToEnd, SilentTabletIsDeclaredLostAfterElevenProbes) {
    profile(false);
    startTablet();
    openDialog();
    ASSERT_TRUE(waitStatus("IP detected", 3s)) << status();
    press(ids::kStart);
    ASSERT_TRUE(waitStatus("Connected", 3s)) << status();
    tablet->sendLine("!silent on");
    const auto silentSince = std::chrono::steady_clock::now();
    ASSERT_TRUE(waitStatus("Lost connection", 14s)) << status();
    EXPECT_GE(std::chrono::steady_clock::now() - silentSince, 9s);
    EXPECT_EQ(dialog->text(ids::kStart), "Start");
}

TEST_F(TabletLinkEndToEnd, SilentTabletWithAutoConnectIsInvitedAgain) {
    startTablet();
    openDialog();
    ASSERT_TRUE(waitStatus("Connected", 5s)) << status();
    tablet->sendLine("!silent on");
    const std::size_t mark = tablet->lineCount();
    ASSERT_TRUE(waitStatus("Lost, reconnecting...", 14s)) << status();
    EXPECT_EQ(dialog->text(ids::kStart), "Waiting");
    EXPECT_TRUE(tabletPrinted("ClientComing", 2s));
    EXPECT_GT(tablet->countOf("ClientComing", mark), 0u);
    tablet->sendLine("!silent off");
    EXPECT_TRUE(waitStatus("Connected", 8s)) << status();
}

TEST_F(TabletLinkEndToEnd, CloseSaysGoodbyeToTheTablet) {
    startTablet();
    openDialog();
    ASSERT_TRUE(waitStatus("Connected", 5s)) << status();
    press(ids::kClose);
    EXPECT_TRUE(tabletPrinted("ClientOut", 2s));
    EXPECT_FALSE(dialog->IsShown());
}

void sendToBridge(const std::string& text) {
    const int s = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(15683);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(sendto(s, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
              static_cast<ssize_t>(text.size()));
    close(s);
}

TEST_F(TabletLinkEndToEnd, EmptyAndOversizedDatagramsDoNotSilenceTheBridge) {
    profile(false);
    startTablet();
    openDialog();
    ASSERT_TRUE(waitStatus("IP detected", 3s)) << status();

    dialog->setText(ids::kTabletStatus, "Not connected");
    sendToBridge("");
    pumpFor(200ms);
    tablet->sendLine("ServerHere");
    EXPECT_TRUE(waitStatus("IP detected", 3s)) << status();

    // Longer than the receive buffer: the first 4095 bytes are handled.
    dialog->setText(ids::kTabletStatus, "Not connected");
    sendToBridge("ServerStart|X=" + std::string(5000, 'x'));
    EXPECT_TRUE(waitStatus("IP detected", 3s)) << status();
    dialog->setText(ids::kTabletStatus, "Not connected");
    tablet->sendLine("ServerHere");
    EXPECT_TRUE(waitStatus("IP detected", 3s)) << status();
}

// A laptop whose network comes up after the bridge started: the next discovery
// broadcast reaches it. The new network is another address on loopback with a
// broadcast address of its own, and a socket bound to that address listens.
TEST_F(TabletLinkEndToEnd, ANetworkThatComesUpLaterIsSearchedToo) {
    openDialog();  // first run: Auto-Connect on, and no tablet anywhere
    pumpFor(500ms);
    ASSERT_EQ(std::system("ip addr add 127.6.0.1/16 brd 127.6.255.255 dev lo label lo:6"), 0);
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in where{};
    where.sin_family = AF_INET;
    where.sin_port = htons(15684);
    ::inet_pton(AF_INET, "127.6.255.255", &where.sin_addr);
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&where), sizeof where), 0);
    std::string got;
    pumpUntil(
        [&] {
            char buffer[256];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n > 0) got.assign(buffer, static_cast<std::size_t>(n));
            return got == "ClientRequest";
        },
        10s);
    ::close(fd);
    EXPECT_EQ(got, "ClientRequest");
}

TEST(BrelvikProgram, FindsInvitesAndProbesTheTablet) {
    const std::string config = testing::freshSettingsFolder();
    auto tablet = testing::startTabletEmu();
    // The program takes no arguments and must not stop at one it does not know.
    ChildProcess bridge(builtProgram("brelvik"), {"--unknown"}, {"XDG_CONFIG_HOME=" + config});
    EXPECT_GE(tablet->waitForLine("ClientRequest", 10s), 0);
    EXPECT_GE(tablet->waitForLine("ClientComing", 5s), 0);
    EXPECT_GE(tablet->waitForLine("Request", 5s), 0);
    EXPECT_TRUE(bridge.running());
}

}  // namespace
}  // namespace brelvik
