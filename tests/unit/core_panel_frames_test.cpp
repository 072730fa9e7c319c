// The frames the main dialog's own controls send to connected panels, and the
// order of the goodbyes when the bridge closes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/control_ids.h"
#include "support/core_harness.h"

namespace brelvik {
namespace {

using testing::FakePanelOutput;
using Frame = std::vector<std::uint8_t>;

const std::string kTablet = "127.0.0.5";

class CorePanelFramesTest : public ::testing::Test, protected testing::NoSimulator, protected testing::CoreHarness {
protected:
    CorePanelFramesTest() {
        core.start({});
        core.setPanelOutput(&panels);
        sender.sent.clear();
    }

    std::vector<Frame> framesTo(Panel panel) const {
        std::vector<Frame> out;
        for (const auto& [to, bytes] : panels.written) {
            if (to == panel) out.push_back(bytes);
        }
        return out;
    }
    // The user's click on a box: the box has already changed when the handler runs.
    void click(int id) {
        controls.setChecked(id, !controls.isChecked(id));
        core.onCommand(id);
    }

    FakePanelOutput panels;
};

TEST_F(CorePanelFramesTest, ClearingAPoppedBreakerResetsItOnTheSwitchPanel) {
    panels.connected[static_cast<int>(Panel::SwitchPanel)] = true;
    std::vector<Frame> expected;
    for (int i = 0; i < ids::kBreakerCount; ++i) {
        const int id = ids::kFirstBreaker + i;
        controls.setChecked(id, true);  // the panel reported it popped
        click(id);
        EXPECT_FALSE(controls.isChecked(id)) << id;
        expected.push_back({0xFF, 0xFF, static_cast<std::uint8_t>(0x81 + i), 0x00});
    }
    EXPECT_EQ(framesTo(Panel::SwitchPanel), expected);
}

TEST_F(CorePanelFramesTest, TryingToPopABreakerUndoesTheClickAndSendsNothing) {
    panels.connected[static_cast<int>(Panel::SwitchPanel)] = true;
    click(1021);  // unchecked -> checked by the click, cleared again by the rule
    EXPECT_FALSE(controls.isChecked(1021));
    EXPECT_TRUE(panels.written.empty());
}

TEST_F(CorePanelFramesTest, FramesGoOnlyToConnectedPanels) {
    controls.setChecked(1014, true);
    click(1014);
    core.onCommand(ids::kPedestalInitialize);
    EXPECT_TRUE(panels.written.empty());

    panels.connected[static_cast<int>(Panel::Pedestal)] = true;
    core.onCommand(ids::kPedestalInitialize);
    EXPECT_EQ(framesTo(Panel::Pedestal), (std::vector<Frame>{{0xFF, 0xFF, 0x0C, 0x00}}));
}

TEST_F(CorePanelFramesTest, CloseSaysGoodbyeToTheTabletFirstThenTheSwitchPanel) {
    panels.connected[static_cast<int>(Panel::SwitchPanel)] = true;
    connectTablet(kTablet);
    std::size_t datagramsBeforeFrame = 0;
    panels.onWrite = [&](Panel) { datagramsBeforeFrame = sender.sent.size(); };

    EXPECT_TRUE(core.onCommand(ids::kClose));
    ASSERT_EQ(sender.sent.size(), 1u);
    EXPECT_EQ(sender.sent[0], (testing::SentDatagram{"ClientOut", kTablet, 15684}));
    EXPECT_EQ(datagramsBeforeFrame, 1u);
    EXPECT_EQ(framesTo(Panel::SwitchPanel), (std::vector<Frame>{{0xFF, 0xFF, 0x02, 0x00}}));
}

TEST_F(CorePanelFramesTest, EachTabletBoxIsStoredUnderItsKey) {
    const std::pair<int, const char*> boxes[] = {{ids::kSendSimOperations, "SendCtrlCheck"},
                                                 {ids::kTabletAutoConnect, "ReconnectCheck"},
                                                 {ids::kSyncAutopilotMaster, "MasterCheck"},
                                                 {ids::kSyncBaro, "SyncBaro"}};
    for (const auto& [id, key] : boxes) {
        click(id);
        EXPECT_EQ(settings.read("B_keyCheck", key), controls.isChecked(id) ? "1" : "0") << key;
        click(id);
        EXPECT_EQ(settings.read("B_keyCheck", key), controls.isChecked(id) ? "1" : "0") << key;
    }
}

}  // namespace
}  // namespace brelvik
