// The calibration wizard's real window over the real main dialog, with the
// switch panel on a pseudo-terminal: captions that fit as GTK draws them,
// lever frames that reach the open wizard, and Escape or the close box
// giving the lever back to the simulator.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <functional>
#include <unistd.h>

#include <wx/button.h>
#include <wx/modalhook.h>
#include <wx/timer.h>
#include <wx/checkbox.h>
#include <wx/stattext.h>

#include "base/control_ids.h"
#include "dialogs/calibration_wizard_dlg_wx.h"
#include "res/calibration_layout.h"
#include "support/hosted_dialog.h"
#include "tools/panel-emu/pty_posix.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using namespace wizard_ids;
using testing::pumpFor;
using testing::pumpUntil;

class CalibrationDialogTest : public testing::HostedDialogTest {
protected:
    void SetUp() override {
        HostedDialogTest::SetUp();
        std::string error;
        auto pty = panelemu::openPseudoTerminal(9600, error);
        ASSERT_TRUE(pty) << error;
        panel = *pty;
        ::setenv("BRELVIK_EXTRA_PORTS", ("Switch (pts)=" + panel.path).c_str(), 1);
        openDialog();
        const int last = static_cast<int>(dialog->core()->panelConnections().portList().size()) - 1;
        dialog->select(ids::kSwitchPanelPort, last);
        click(ids::kSwitchPanelConnect);
        ASSERT_EQ(dialog->text(ids::kSwitchPanelStatus), "Connected");
        wizard = new FlapsDialog(dialog, dialog->core()->wizard());
        wizard->Show();
        pumpUntil([&] { return wizard->IsShownOnScreen(); }, 2s);
    }
    void TearDown() override {
        if (wizard != nullptr) wizard->Destroy();
        HostedDialogTest::TearDown();
        dialog = nullptr;
        if (panel.fd >= 0) panelemu::closePort(panel);
        ::unsetenv("BRELVIK_EXTRA_PORTS");
    }
    void press(int id) {
        wxCommandEvent event(wxEVT_BUTTON, id);
        event.SetEventObject(wizard->controls().control(id));
        wizard->ProcessWindowEvent(event);
    }
    void key(int code) {
        wxKeyEvent event(wxEVT_CHAR_HOOK);
        event.m_keyCode = code;
        event.SetEventObject(wizard);
        wizard->ProcessWindowEvent(event);
    }
    // What the switch panel sends, as it would send it.
    void panelSends(std::uint8_t code, std::uint8_t value) {
        const std::uint8_t frame[4] = {0xFF, 0xFF, code, value};
        ASSERT_EQ(::write(panel.fd, frame, sizeof frame), 4);
    }
    const CalibrationState& shared() { return dialog->core()->calibrationState(); }

    panelemu::PanelPortFds panel;
    FlapsDialog* wizard = nullptr;
};

TEST_F(CalibrationDialogTest, EveryCaptionFitsItsControlAsDrawn) {
    for (const res::ControlSpec& spec : res::calibrationDialogControls()) {
        wxWindow* window = spec.id >= 0 ? wizard->controls().control(spec.id) : nullptr;
        if (window == nullptr || dynamic_cast<wxStaticText*>(window) != nullptr) continue;
        const int needed = window->GetTextExtent(window->GetLabel()).GetWidth();
        // A button's bevel and a check box's mark take some of the width.
        const int room = window->GetSize().GetWidth() - (dynamic_cast<wxCheckBox*>(window) ? 24 : 12);
        EXPECT_LE(needed, room) << spec.id << " \"" << spec.caption << '"';
    }
}

TEST_F(CalibrationDialogTest, LeverFramesReachTheOpenWizardAndEscapeGivesTheLeverBack) {
    press(kFlapsLever);
    press(kNext);
    EXPECT_FALSE(shared().leverLive);
    panelSends(19, 128);
    panelSends(19, 60);
    panelSends(19, 200);
    EXPECT_TRUE(pumpUntil([&] { return wizard->controls().isEnabled(kNext); }, 2s));
    EXPECT_EQ(shared().leverMin, 60);
    EXPECT_EQ(shared().leverMax, 200);

    key(WXK_ESCAPE);
    EXPECT_TRUE(shared().leverLive);
    EXPECT_FALSE(shared().leverCalibrating);
    EXPECT_EQ(dialog->core()->wizard().step(CalibrationWizard::FlapsLever), 0);
    EXPECT_FALSE(wizard->IsShown());
}

TEST_F(CalibrationDialogTest, CloseBoxAbortsTheIndicatorAndEnterOnAButtonDoesNot) {
    press(kFlapsIndicator);
    press(kNext);
    press(kNext);
    EXPECT_FALSE(shared().indicatorLive);
    wizard->controls().control(kUp)->SetFocus();
    key(WXK_RETURN);  // a focused button takes Enter as a press, not as the close box
    EXPECT_TRUE(wizard->IsShown());
    wxCloseEvent close(wxEVT_CLOSE_WINDOW, wizard->GetId());
    close.SetCanVeto(true);
    wizard->ProcessWindowEvent(close);
    EXPECT_TRUE(shared().indicatorLive);
    EXPECT_FALSE(wizard->IsShown());
}

// The real modal loop, opened by the switch panel's "Config": the panel's
// notices and the simulator timer keep running inside it, so a lever moved
// while the wizard is open is measured.
class RunWizardModally : public wxModalDialogHook {
public:
    explicit RunWizardModally(std::function<void(FlapsDialog&)> script) : script_(std::move(script)) { Register(); }
    ~RunWizardModally() override { Unregister(); }
    bool ran = false;

protected:
    int Enter(wxDialog* dialog) override {
        auto* wizard = dynamic_cast<FlapsDialog*>(dialog);
        if (wizard == nullptr) return wxID_NONE;
        ran = true;
        wizard->SetName(testing::kRunModally);
        wizard->CallAfter([this, wizard] { script_(*wizard); });
        return wxID_NONE;
    }
    void Exit(wxDialog*) override {}

private:
    std::function<void(FlapsDialog&)> script_;
};

TEST_F(CalibrationDialogTest, ModalWizardMeasuresTheLeverWhileItRuns) {
    wizard->Destroy();
    wizard = nullptr;
    bool nextCameAlive = false;
    wxTimer poll;
    int polls = 0;
    RunWizardModally hook([&](FlapsDialog& modal) {
        for (const int id : {kFlapsLever, kNext}) {
            wxCommandEvent press(wxEVT_BUTTON, id);
            modal.ProcessWindowEvent(press);
        }
        panelSends(19, 128);
        panelSends(19, 60);
        panelSends(19, 200);
        // Checked from the modal loop itself, then Escape ends it.
        poll.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            nextCameAlive = modal.controls().isEnabled(kNext);
            if (nextCameAlive || ++polls > 100) {
                poll.Stop();
                wxKeyEvent escape(wxEVT_CHAR_HOOK);
                escape.m_keyCode = WXK_ESCAPE;
                modal.ProcessWindowEvent(escape);
            }
        });
        poll.Start(20);
    });
    click(ids::kCalibrationConfig);  // returns when the modal loop ends
    EXPECT_TRUE(hook.ran);
    EXPECT_TRUE(nextCameAlive);
    EXPECT_EQ(shared().leverMax, 200);
    EXPECT_TRUE(shared().leverLive);  // Escape gave the lever back
}

}  // namespace
}  // namespace brelvik
