// The gauges selection dialog, opened from the real main dialog's "Config".
//
// To look at it:
//   BRELVIK_SCREENSHOT=/tmp/gauges.png tests/private_net.sh
//   build/default/tests/gui/gui_tests --gtest_filter='*LaidOut*'
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/modalhook.h>
#include <wx/uiaction.h>

#include <cstdlib>
#include <functional>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "base/control_ids.h"
#include "dialogs/gauge_selection_dlg_wx.h"
#include "res/gauge_selection_layout.h"
#include "sim/gauge_line.h"
#include "support/hosted_dialog.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using testing::pumpFor;
using testing::pumpUntil;
namespace gid = res::gauge_ids;

using Script = std::function<void(GaugeOutputConfig&)>;

// The test main's hook answers every modal dialog unseen. This one is asked
// first: it shows the gauges dialog instead, which loads the boxes just as a
// modal opening does, and runs the test's script on it. OK, Cancel and the
// close box hide a dialog that is not modal, so the script sees it close.
class GaugeDialogScript : public wxModalDialogHook {
public:
    explicit GaugeDialogScript(Script script) : script_(std::move(script)) { Register(); }
    ~GaugeDialogScript() override { Unregister(); }

    int openings = 0;
    bool leftOpen = false;

protected:
    int Enter(wxDialog* dialog) override {
        auto* gauges = dynamic_cast<GaugeOutputConfig*>(dialog);
        if (gauges == nullptr) return wxID_NONE;
        ++openings;
        gauges->Show();
        pumpUntil([&] { return gauges->IsShownOnScreen(); }, 2s);
        script_(*gauges);
        leftOpen = gauges->IsShown();
        gauges->Hide();
        return wxID_CANCEL;  // the main dialog ignores it
    }
    void Exit(wxDialog*) override {}

private:
    Script script_;
};

wxCheckBox& box(GaugeOutputConfig& gauges, std::size_t flag) {
    auto* found = dynamic_cast<wxCheckBox*>(gauges.FindWindow(gid::kBoxes[flag]));
    if (found == nullptr) throw std::runtime_error("no box for flag " + std::to_string(flag));
    return *found;
}

// The keys of the checked boxes, in flag order.
std::string checkedKeys(GaugeOutputConfig& gauges) {
    std::string keys;
    for (std::size_t i = 0; i < std::size(kGaugeKeys); ++i)
        if (box(gauges, i).GetValue()) keys += std::string(keys.empty() ? "" : " ") + kGaugeKeys[i].key;
    return keys;
}

// What a mouse click does: a box toggles, then its window is told.
void press(wxWindow& control) {
    if (auto* checkBox = dynamic_cast<wxCheckBox*>(&control)) {
        checkBox->SetValue(!checkBox->GetValue());
        wxCommandEvent event(wxEVT_CHECKBOX, control.GetId());
        event.SetEventObject(&control);
        event.SetInt(checkBox->GetValue());
        control.ProcessWindowEvent(event);
    } else {
        wxCommandEvent event(wxEVT_BUTTON, control.GetId());
        event.SetEventObject(&control);
        control.ProcessWindowEvent(event);
    }
}

void pressButton(GaugeOutputConfig& gauges, int id) { press(*gauges.FindWindow(id)); }

// The room a control's caption needs. A check box is measured as GTK would
// size it on its own (a size given at creation becomes its best size). A
// button's own wish includes generous theme padding that a 14 DLU button
// never gets on either platform: its label needs 4 px on every side.
wxSize neededSize(wxWindow& control) {
    if (dynamic_cast<wxCheckBox*>(&control) == nullptr) return control.GetTextExtent(control.GetLabel()) + wxSize(8, 8);
    auto* probe = new wxCheckBox(control.GetParent(), wxID_ANY, control.GetLabel());
    const wxSize size = probe->GetBestSize();
    probe->Destroy();
    return size;
}

class GaugeSelectionDialogTest : public testing::HostedDialogTest {
protected:
    void openGauges(const Script& script) {
        if (dialog == nullptr) openDialog();
        GaugeDialogScript hook(script);
        click(ids::kGaugesConfig);
        EXPECT_EQ(hook.openings, 1);
        EXPECT_FALSE(hook.leftOpen) << "the gauges dialog did not close";
    }
    std::optional<std::string> stored(const char* key) const {
        return IniSettingsStore(defaultSettingsFile()).read("CfgGauge", key);
    }
};

TEST_F(GaugeSelectionDialogTest, FreshProfileShowsAirspeedAttitudeAndAltitude) {
    openGauges([](GaugeOutputConfig& gauges) {
        EXPECT_EQ(gauges.GetTitle(), "Gauges Selection");
        EXPECT_EQ(checkedKeys(gauges), "G_IAS G_ATT G_ALT");
        for (std::size_t i = 0; i < std::size(kGaugeKeys); ++i)
            EXPECT_EQ(box(gauges, i).GetLabel(), wxString::FromUTF8(res::gaugeSelectionControls()[i].caption));
        EXPECT_EQ(gauges.GetDefaultItem(), gauges.FindWindow(gid::kOk));
        pressButton(gauges, gid::kCancel);
    });
}

TEST_F(GaugeSelectionDialogTest, OkWithEverythingClearedStoresZeroesAndTheLineKeepsOnlyItsTail) {
    openGauges([](GaugeOutputConfig& gauges) {
        for (std::size_t flag : {0, 1, 2}) press(box(gauges, flag));
        pressButton(gauges, gid::kOk);
    });
    for (const auto& gauge : kGaugeKeys) EXPECT_EQ(stored(gauge.key), "0") << gauge.key;
    // The flags the simulator link reads for its next line.
    GaugeLineComposer line;
    EXPECT_EQ(line.compose(FlightSample{}, {dialog->core()->gauges(), false, 0.0}), "HPA=0|VAC=0|VF=0\r\n");
    openGauges([](GaugeOutputConfig& gauges) {
        EXPECT_EQ(checkedKeys(gauges), "");
        pressButton(gauges, gid::kCancel);
    });
}

TEST_F(GaugeSelectionDialogTest, StoredTwoShowsCheckedAndGoesBackAsOne) {
    settings->write("CfgGauge", "G_NAV1", "2");
    settings->write("CfgGauge", "G_ATT", "abc");
    openGauges([](GaugeOutputConfig& gauges) {
        EXPECT_EQ(checkedKeys(gauges), "G_IAS G_ALT G_NAV1");
        pressButton(gauges, gid::kOk);
    });
    EXPECT_EQ(stored("G_NAV1"), "1");
    EXPECT_EQ(stored("G_ATT"), "0");
    EXPECT_EQ(stored("G_IAS"), "1");
}

// Every way out but OK: the flags, the stored keys and the next opening stay
// as they were, whatever the boxes showed.
enum class Dismissal { CancelButton, CloseBox, EscapeKey };

class GaugeSelectionDismissalTest : public GaugeSelectionDialogTest,
                                    public ::testing::WithParamInterface<Dismissal> {};

TEST_P(GaugeSelectionDismissalTest, ChangesNothing) {
    openGauges([this](GaugeOutputConfig& gauges) {
        for (std::size_t flag : {0, 5, 20}) press(box(gauges, flag));
        switch (GetParam()) {
        case Dismissal::CancelButton:
            pressButton(gauges, gid::kCancel);
            break;
        case Dismissal::CloseBox:
            gauges.Close();
            break;
        case Dismissal::EscapeKey:
            box(gauges, 5).SetFocus();
            pumpFor(50ms);
            wxUIActionSimulator().Char(WXK_ESCAPE);
            pumpUntil([&] { return !gauges.IsShown(); }, 2s);
            break;
        }
    });
    const GaugeSelection& flags = dialog->core()->gauges();
    EXPECT_TRUE(flags.ias);
    EXPECT_FALSE(flags.vs);
    EXPECT_FALSE(flags.rpme);
    for (const auto& gauge : kGaugeKeys) EXPECT_EQ(stored(gauge.key), std::nullopt) << gauge.key;
    openGauges([](GaugeOutputConfig& gauges) {
        EXPECT_EQ(checkedKeys(gauges), "G_IAS G_ATT G_ALT");
        pressButton(gauges, gid::kCancel);
    });
}

INSTANTIATE_TEST_SUITE_P(Ways, GaugeSelectionDismissalTest,
                         ::testing::Values(Dismissal::CancelButton, Dismissal::CloseBox, Dismissal::EscapeKey));

// Its ids repeat the main dialog's: 1007 is also "Sync Baro", 1008 "Refresh
// serial port lists", 1 "Start" (which, without an address, says "Failed send").
TEST_F(GaugeSelectionDialogTest, ItsClicksNeverReachTheMainDialog) {
    openDialog();
    const int refreshes = dialog->core()->panelConnections().refreshCount();
    openGauges([](GaugeOutputConfig& gauges) {
        for (std::size_t flag : {3, 4}) press(box(gauges, flag));  // ids 1007, 1008
        pressButton(gauges, gid::kOk);
    });
    EXPECT_TRUE(dialog->core()->gauges().slip);
    EXPECT_TRUE(dialog->core()->gauges().hdg);
    EXPECT_FALSE(dialog->isChecked(ids::kSyncBaro));
    EXPECT_EQ(IniSettingsStore(defaultSettingsFile()).read("B_keyCheck", "SyncBaro"), std::nullopt);
    EXPECT_EQ(dialog->core()->panelConnections().refreshCount(), refreshes);
    EXPECT_EQ(dialog->text(ids::kTabletStatus), "Not connected");
    // TearDown fails on any message box.
}

// In the platform's own font: each caption fits its control, nothing overlaps.
TEST_F(GaugeSelectionDialogTest, LaidOutWithNothingClippedOrOverlapping) {
    openGauges([](GaugeOutputConfig& gauges) {
        EXPECT_EQ(gauges.GetClientSize(),
                  gauges.ConvertDialogToPixels(wxSize(res::kGaugeSelectionWidth, res::kGaugeSelectionHeight)));
        const wxRect client(gauges.GetClientSize());
        std::vector<wxWindow*> controls;
        for (const res::ControlSpec& spec : res::gaugeSelectionControls()) {
            wxWindow* control = gauges.FindWindow(spec.id);
            ASSERT_NE(control, nullptr) << spec.caption;
            const wxSize needed = neededSize(*control), size = control->GetSize();
            EXPECT_LE(needed.x, size.x) << spec.caption;
            EXPECT_LE(needed.y, size.y) << spec.caption;
            EXPECT_TRUE(client.Contains(control->GetRect())) << spec.caption;
            for (wxWindow* other : controls)
                EXPECT_FALSE(other->GetRect().Intersects(control->GetRect()))
                    << spec.caption << " overlaps " << other->GetLabel();
            controls.push_back(control);
        }
        if (const char* path = std::getenv("BRELVIK_SCREENSHOT")) {
            pumpFor(300ms);
            const wxRect shown = gauges.GetScreenRect();
            const std::string crop = std::to_string(shown.width) + "x" + std::to_string(shown.height) + "+" +
                                     std::to_string(shown.x) + "+" + std::to_string(shown.y);
            EXPECT_EQ(std::system(("import -window root -crop " + crop + " '" + path + "'").c_str()), 0);
        }
        pressButton(gauges, gid::kCancel);
    });
}

}  // namespace
}  // namespace brelvik
