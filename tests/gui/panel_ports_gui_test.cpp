// The panel groups of the real main dialog with panels on real
// pseudo-terminals: the lists, the frames on connect and disconnect, one
// owner per port, and a cable pulled while connected.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <vector>

#include "base/control_ids.h"
#include "panels/panel_connections.h"
#include "support/fd_reading.h"
#include "support/hosted_dialog.h"
#include "tools/panel-emu/pty_posix.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using testing::pumpFor;
using testing::pumpUntil;
using testing::readUpTo;

class PanelPortsDialogTest : public testing::HostedDialogTest {
protected:
    void SetUp() override {
        HostedDialogTest::SetUp();
        std::string extra;
        for (const char* name : {"Gauges (pts)", "Switch (pts)", "Pedestal (pts)"}) {
            std::string error;
            auto pty = panelemu::openPseudoTerminal(9600, error);
            ASSERT_TRUE(pty) << error;
            ptys.push_back(*pty);
            extra += std::string(name) + "=" + pty->path + ";";
        }
        ::setenv("BRELVIK_EXTRA_PORTS", extra.c_str(), 1);
        openDialog();
        pumpUntil([&] { return dialog->IsShownOnScreen(); }, 2s);
        // The machine's own ports, if it has any, come first.
        first = static_cast<int>(dialog->core()->panelConnections().portList().size()) - 3;
        ASSERT_GE(first, 0);
    }
    void TearDown() override {
        HostedDialogTest::TearDown();
        dialog = nullptr;
        pumpFor(50ms);
        for (auto& pty : ptys) {
            if (pty.fd >= 0) panelemu::closePort(pty);
        }
        ::unsetenv("BRELVIK_EXTRA_PORTS");
    }
    void connect(Panel panel, int pty) {
        dialog->select(groupOf(panel).portBox, first + pty);
        click(groupOf(panel).connectButton);
    }
    std::string status(Panel panel) const { return dialog->text(groupOf(panel).statusText); }

    std::vector<panelemu::PanelPortFds> ptys;
    int first = 0;
};

TEST_F(PanelPortsDialogTest, EveryBoxListsThePortsAndTheFirstIsSelected) {
    const std::vector<std::string> ours = {"Gauges (pts)", "Switch (pts)", "Pedestal (pts)"};
    for (const Panel panel : {Panel::StandbyGauges, Panel::SwitchPanel, Panel::Pedestal}) {
        const PanelGroup& group = groupOf(panel);
        for (int i = 0; i < 3; ++i) {
            dialog->select(group.portBox, first + i);
            EXPECT_EQ(dialog->text(group.portBox), ours[static_cast<std::size_t>(i)]);
        }
        EXPECT_TRUE(dialog->isEnabled(group.connectButton));
        EXPECT_EQ(status(panel), "Not connected");
    }
}

TEST_F(PanelPortsDialogTest, SwitchPanelGetsGreetingThenGoodbyeAndTheGaugesNoGreeting) {
    connect(Panel::SwitchPanel, 1);
    EXPECT_EQ(status(Panel::SwitchPanel), "Connected");
    EXPECT_EQ(dialog->text(ids::kSwitchPanelConnect), "Disconnect");
    EXPECT_EQ(readUpTo(ptys[1].fd, 8, 300), (Bytes{0xFF, 0xFF, 0xFE, 0x00}));

    // A second bridge cannot take the port while this one has it.
    EXPECT_EQ(openSerialPort(ptys[1].path, 9600).port, nullptr);

    connect(Panel::StandbyGauges, 0);
    EXPECT_EQ(status(Panel::StandbyGauges), "Connected");
    EXPECT_TRUE(readUpTo(ptys[0].fd, 1, 300).empty());

    dialog->setChecked(ids::kFirstBreaker + 3, true);
    dialog->setChecked(ids::kFirstBreaker + 40, true);
    click(ids::kSwitchPanelConnect);
    EXPECT_EQ(readUpTo(ptys[1].fd, 8, 300), (Bytes{0xFF, 0xFF, 0x02, 0x00}));
    EXPECT_EQ(status(Panel::SwitchPanel), "Not connected");
    EXPECT_EQ(dialog->text(ids::kSwitchPanelConnect), "Connect");
    for (int id = ids::kFirstBreaker; id <= ids::kLastBreaker; ++id) EXPECT_FALSE(dialog->isChecked(id)) << id;
    EXPECT_NE(openSerialPort(ptys[1].path, 9600).port, nullptr);
}

TEST_F(PanelPortsDialogTest, PulledCableShowsNotConnectedAndTheDialogStaysResponsive) {
    connect(Panel::Pedestal, 2);
    ASSERT_EQ(status(Panel::Pedestal), "Connected");
    panelemu::closePort(ptys[2]);
    EXPECT_TRUE(pumpUntil([&] { return status(Panel::Pedestal) == "Not connected"; }, 1s)) << status(Panel::Pedestal);
    EXPECT_EQ(dialog->text(ids::kPedestalConnect), "Connect");

    // Still answering: the other panels connect, and the pulled one can be
    // tried again without harm.
    connect(Panel::SwitchPanel, 1);
    EXPECT_EQ(status(Panel::SwitchPanel), "Connected");
    EXPECT_EQ(readUpTo(ptys[1].fd, 4, 300), (Bytes{0xFF, 0xFF, 0xFE, 0x00}));
}

}  // namespace
}  // namespace brelvik
