#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <memory>

#include "app/brelvik_dlg_wx.h"
#include "base/control_ids.h"
#include "settings/ini_settings_store.h"
#include "res/main_dialog_layout.h"
#include "support/hosted_dialog.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using testing::answeredBoxes;
using testing::pumpFor;
using testing::pumpUntil;

class MainDialogTest : public testing::HostedDialogTest {
protected:
    void open() {
        openDialog();
        pumpUntil([&] { return dialog->IsShownOnScreen(); }, 2s);
    }
};

TEST_F(MainDialogTest, EveryControlExistsWithItsCaptionAndStartState) {
    open();
    EXPECT_EQ(dialog->GetTitle(), "Brelvik V4.9.0");
    for (const auto& spec : res::mainDialogControls()) {
        if (spec.id < 0) continue;
        wxWindow* window = dialog->control(spec.id);
        ASSERT_NE(window, nullptr) << spec.id;
        EXPECT_EQ(window->GetId(), spec.id);
        EXPECT_EQ(window->IsShown(), spec.visible) << spec.id;
        if (spec.kind == res::ControlKind::PushButton || spec.kind == res::ControlKind::CheckBox) {
            wxString label = window->GetLabel();
            label.Replace("\n", "");  // a two-line check box shows its caption broken
            EXPECT_EQ(label, wxString::FromUTF8(spec.caption)) << spec.id;
        }
    }
    EXPECT_EQ(dialog->text(ids::kStart), "Start");
    EXPECT_EQ(dialog->GetDefaultItem(), dialog->control(ids::kStart));
    EXPECT_EQ(dialog->text(ids::kSimStatus), "Not connected");
    EXPECT_EQ(dialog->text(ids::kTabletStatus), "Not connected");
    for (const int id : {ids::kGaugesStatus, ids::kSwitchPanelStatus, ids::kPedestalStatus}) {
        EXPECT_EQ(dialog->text(id), "Not connected") << id;
    }
    for (const int id : ids::kFailureBoxes) EXPECT_TRUE(dialog->isChecked(id)) << id;
    for (int id = ids::kFirstBreaker; id <= ids::kLastBreaker; ++id) EXPECT_FALSE(dialog->isChecked(id)) << id;
    // First run: the three tablet boxes come up checked; Sync Baro and panel Auto-Connect do not.
    EXPECT_TRUE(dialog->isChecked(ids::kSendSimOperations));
    EXPECT_TRUE(dialog->isChecked(ids::kTabletAutoConnect));
    EXPECT_TRUE(dialog->isChecked(ids::kSyncAutopilotMaster));
    EXPECT_FALSE(dialog->isChecked(ids::kSyncBaro));
    EXPECT_FALSE(dialog->isChecked(ids::kPanelAutoConnect));
}

TEST_F(MainDialogTest, EscapeAndWindowCloseLeaveTheDialogOpen) {
    open();
    dialog->control(ids::kTabletAddress)->SetFocus();
    wxUIActionSimulator sim;
    sim.Char(WXK_ESCAPE);
    pumpFor(200ms);
    EXPECT_TRUE(dialog->IsShown());
    EXPECT_FALSE(dialog->Close());  // the window manager's close is refused
    pumpFor(50ms);
    EXPECT_TRUE(dialog->IsShown());
}

TEST_F(MainDialogTest, EnterActsAsStart) {
    open();
    auto* address = dynamic_cast<wxTextCtrl*>(dialog->control(ids::kTabletAddress));
    address->ChangeValue("127.0.0.1");
    address->SetFocus();
    pumpFor(50ms);
    wxUIActionSimulator sim;
    sim.Char(WXK_RETURN);
    EXPECT_TRUE(pumpUntil([&] { return dialog->text(ids::kTabletStatus) == "Waiting for connection"; }, 2s));
    EXPECT_EQ(dialog->text(ids::kStart), "Waiting");
    EXPECT_FALSE(dialog->isEnabled(ids::kStart));
}

// Regression: one byte that was not UTF-8 showed the whole status as empty.
TEST_F(MainDialogTest, StatusInANarrowCodePageIsShown) {
    open();
    dialog->setText(ids::kSimStatus, "Simulateur \xe9t\xe9 v11");
    EXPECT_EQ(dialog->text(ids::kSimStatus), "Simulateur \xc3\xa9t\xc3\xa9 v11");
}

// Regression: pasted text bypassed the filter that typed keys go through.
TEST_F(MainDialogTest, PastedAddressKeepsOnlyDigitsAndDots) {
    open();
    auto* field = dynamic_cast<wxTextCtrl*>(dialog->control(ids::kTabletAddress));
    ASSERT_NE(field, nullptr);
    field->WriteText("ip 127.1 ");
    EXPECT_EQ(dialog->text(ids::kTabletAddress), "127.1");
    field->SetInsertionPointEnd();
    field->WriteText(".0.0\n");
    EXPECT_EQ(dialog->text(ids::kTabletAddress), "127.1.0.0");
}

// A second bridge, or anything else on the receive port: the user is told the
// system's error number, and the dialog runs on without receiving.
TEST_F(MainDialogTest, TakenReceivePortIsReportedWithItsErrorNumber) {
    const int blocker = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(blocker, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(15683);
    ASSERT_EQ(::bind(blocker, reinterpret_cast<const sockaddr*>(&local), sizeof local), 0);
    open();
    ::close(blocker);
    EXPECT_EQ(answeredBoxes(), (std::vector<std::string>{"Server Receive Socket Create() failed: 98"}));
    answeredBoxes().clear();
    EXPECT_EQ(dialog->text(ids::kTabletStatus), "Not connected");
}

TEST_F(MainDialogTest, StartWithoutAnAddressSaysFailedSend) {
    open();
    click(ids::kStart);
    EXPECT_EQ(answeredBoxes(), (std::vector<std::string>{"Failed send"}));
    answeredBoxes().clear();
    EXPECT_EQ(dialog->text(ids::kStart), "Start");
}

TEST_F(MainDialogTest, BreakerBoxesCanOnlyBeCleared) {
    open();
    click(ids::kFirstBreaker);  // unchecked -> the click would set it: refused
    EXPECT_FALSE(dialog->isChecked(ids::kFirstBreaker));
    dialog->setChecked(ids::kFirstBreaker + 5, true);  // popped, as the panel reports it
    click(ids::kFirstBreaker + 5);
    EXPECT_FALSE(dialog->isChecked(ids::kFirstBreaker + 5));
}

TEST_F(MainDialogTest, TabletBoxesAreStoredTheMomentTheyChange) {
    open();
    click(ids::kTabletAutoConnect);
    click(ids::kSyncBaro);
    IniSettingsStore reread(defaultSettingsFile());
    EXPECT_EQ(reread.read("B_keyCheck", "ReconnectCheck"), "0");
    EXPECT_EQ(reread.read("B_keyCheck", "SyncBaro"), "1");
    EXPECT_EQ(reread.read("B_keyCheck", "SendCtrlCheck"), "1");
}

TEST_F(MainDialogTest, CloseEndsTheDialog) {
    open();
    click(ids::kClose);
    EXPECT_FALSE(dialog->IsShown());
}

}  // namespace
}  // namespace brelvik
