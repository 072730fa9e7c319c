// A key mapped in the input mapping dialog fires its simulator event when the
// tablet reports the key: the real main dialog and mapping dialog hosted here,
// the real benchsim and tablet-emu beside them.
#include <gtest/gtest.h>

#include <memory>

#include "base/control_ids.h"
#include "dialogs/input_mapping_dlg_wx.h"
#include "support/child_process.h"
#include "support/hosted_dialog.h"
#include "support/input_mapping_driver.h"
#include "support/peers.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using testing::ChildProcess;
using testing::pumpFor;
using testing::pumpUntil;

constexpr int kPilot = 1108;  // the tablet reports it as key code 138

bool startsWith(const std::string& line, const std::string& prefix) { return line.rfind(prefix, 0) == 0; }

class InputMappingEndToEnd : public testing::HostedDialogTest {
protected:
    void TearDown() override {
        if (mapping != nullptr) mapping->Destroy();
        HostedDialogTest::TearDown();
    }
    // Opened over the main window as its button does, but not modally, so the
    // test can click in it while the bridge keeps running.
    void openMapping() {
        mapping = new displayWidget(dialog, *settings, current);
        mapping->Show();
    }
    bool simSees(const std::string& prefix, std::size_t from, std::chrono::milliseconds within = 3s) {
        const auto seen = [&] {
            return sim->waitForLine([&](const std::string& l) { return startsWith(l, prefix); }, 0ms, from) >= 0;
        };
        return pumpUntil(seen, within);
    }

    std::unique_ptr<ChildProcess> sim;
    std::unique_ptr<ChildProcess> tablet;
    CurrentKey current;
    displayWidget* mapping = nullptr;
    testing::InputMappingDriver user{mapping};
};

TEST_F(InputMappingEndToEnd, MappedTabletKeyFiresItsEventAndClearedKeyFiresNothing) {
    sim = testing::startBenchsim();
    tablet = testing::startTabletEmu();
    openDialog();
    ASSERT_TRUE(pumpUntil([&] { return dialog->text(ids::kSimStatus).find(" v11.") != std::string::npos &&
                                       dialog->text(ids::kTabletStatus) == "Connected"; },
                          5s))
        << dialog->text(ids::kSimStatus);

    openMapping();
    user.press(kPilot);
    user.chooseCategory("Lights");
    user.chooseEvent("STROBES_TOGGLE");

    std::size_t mark = sim->lineCount();
    tablet->sendLine("ServerAv|UKP=138");
    EXPECT_TRUE(simSees("event STROBES_TOGGLE ", mark));

    // A new choice takes effect on the next press, with the dialog still open.
    user.chooseCategory("Helicopter Specific Systems");
    user.chooseEvent("ROTOR_BRAKE");
    mark = sim->lineCount();
    tablet->sendLine("ServerAv|UKP=138");
    EXPECT_TRUE(simSees("event ROTOR_BRAKE ", mark));

    user.clickClear();
    mark = sim->lineCount();
    tablet->sendLine("ServerAv|UKP=138");
    pumpFor(1s);
    EXPECT_FALSE(simSees("event ", mark, 0ms)) << "a cleared key fires nothing";
}

}  // namespace
}  // namespace brelvik
