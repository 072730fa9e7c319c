// The real input mapping dialog under a virtual display: its controls, and
// that every choice reaches the settings file at once.
#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/tglbtn.h>
#include <wx/uiaction.h>

#include <memory>

#include "base/control_ids.h"
#include "dialogs/input_mapping_dlg_wx.h"
#include "res/input_mapping_layout.h"
#include "settings/ini_settings_store.h"
#include "sim/sim_event_table.h"
#include "support/hosted_dialog.h"
#include "support/input_mapping_driver.h"
#include "support/wx_harness.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using testing::answeredBoxes;
using testing::pumpFor;
using testing::pumpUntil;
namespace im = res::input_mapping;

constexpr int kPilot = 1108;  // slot 10
constexpr int kCoplt = 1109;  // slot 11

class InputMappingDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::freshSettingsFolder();
        answeredBoxes().clear();
        settings = std::make_unique<IniSettingsStore>(defaultSettingsFile());
    }
    void TearDown() override {
        close();
        EXPECT_TRUE(answeredBoxes().empty()) << "unexpected box: " << answeredBoxes().front();
    }
    void open() {
        dialog = new displayWidget(nullptr, *settings, current);
        dialog->Show();
        pumpUntil([&] { return dialog->IsShownOnScreen(); }, 2s);
    }
    void close() {
        if (dialog != nullptr) dialog->Destroy();
        dialog = nullptr;
        pumpFor(20ms);
    }

    wxToggleButton* key(int id) const { return user.key(id); }
    wxChoice* categories() const { return user.categories(); }
    wxListBox* events() const { return user.events(); }
    void press(int id) { user.press(id); }
    void chooseCategory(const char* name) { user.chooseCategory(name); }
    void chooseEvent(const char* name) { user.chooseEvent(name); }
    void clickClear() { user.clickClear(); }
    std::vector<wxString> shownEvents() const {
        std::vector<wxString> shown;
        for (unsigned i = 0; i < events()->GetCount(); ++i) shown.push_back(events()->GetString(i));
        return shown;
    }
    // Read from the file by a store of its own: what another run would find.
    std::vector<std::optional<std::string>> storedOnDisk(int slot) const {
        IniSettingsStore disk(defaultSettingsFile());
        return {disk.read("C_buttonEvent", "button[" + std::to_string(slot) + "]ComIndex"),
                disk.read("L_buttonEvent", "button[" + std::to_string(slot) + "]ListIndex"),
                disk.read("L_buttonEvent", "button[" + std::to_string(slot) + "]Event")};
    }

    CurrentKey current;
    std::unique_ptr<IniSettingsStore> settings;
    displayWidget* dialog = nullptr;
    testing::InputMappingDriver user{dialog};
};

using Stored = std::vector<std::optional<std::string>>;
const std::optional<std::string> kAbsent;

TEST_F(InputMappingDialogTest, OpensWithSeventeenKeysEmptyListsAndNoOkOrCancel) {
    open();
    EXPECT_EQ(dialog->GetTitle(), "Input Mapping");
    EXPECT_EQ(dialog->GetClientSize(), dialog->ConvertDialogToPixels(wxSize(258, 386)));
    for (const res::InputMappingControl& spec : res::inputMappingControls()) {
        wxWindow* window = dialog->control(spec.id);
        ASSERT_NE(window, nullptr) << spec.id;
        EXPECT_EQ(window->GetId(), spec.id);
        EXPECT_EQ(window->GetPosition(), dialog->ConvertDialogToPixels(wxPoint(spec.x, spec.y))) << spec.id;
        if (spec.kind == res::InputMappingKind::KeyButton) {
            ASSERT_NE(key(spec.id), nullptr) << spec.id;
            EXPECT_EQ(key(spec.id)->GetLabel(), spec.caption);
            EXPECT_FALSE(key(spec.id)->GetValue()) << spec.id;
        }
    }
    EXPECT_EQ(dialog->control(im::kClear)->GetLabel(), "Clear");
    EXPECT_EQ(categories()->GetCount(), 0u);
    EXPECT_EQ(events()->GetCount(), 0u);
    EXPECT_EQ(dialog->FindWindow(wxID_OK), nullptr);
    EXPECT_EQ(dialog->FindWindow(wxID_CANCEL), nullptr);
}

TEST_F(InputMappingDialogTest, CaptionsAndCategoryNamesFitTheirControls) {
    open();
    press(kPilot);  // fills the category list
    EXPECT_LE(categories()->GetBestSize().x, categories()->GetSize().x) << "a category name would be cut short";
    for (const res::InputMappingControl& spec : res::inputMappingControls()) {
        if (spec.kind != res::InputMappingKind::KeyButton && spec.kind != res::InputMappingKind::PushButton) continue;
        wxWindow* button = dialog->control(spec.id);
        const wxSize text = button->GetTextExtent(button->GetLabel());
        EXPECT_LE(text.x + 16, button->GetSize().x) << spec.caption;
        EXPECT_LE(text.y + 8, button->GetSize().y) << spec.caption;
    }
}

TEST_F(InputMappingDialogTest, PilotLightsStrobesToggleIsStoredAtOnce) {
    open();
    press(kPilot);
    EXPECT_TRUE(key(kPilot)->GetValue());
    EXPECT_EQ(categories()->GetCount(), 15u);
    EXPECT_EQ(categories()->GetStringSelection(), "Flight Controls");
    EXPECT_EQ(events()->GetSelection(), wxNOT_FOUND);

    chooseCategory("Lights");
    EXPECT_EQ(storedOnDisk(10), (Stored{kAbsent, kAbsent, kAbsent})) << "a category alone stores nothing";
    chooseEvent("STROBES_TOGGLE");
    EXPECT_EQ(events()->GetSelection(), 15);
    EXPECT_EQ(storedOnDisk(10), (Stored{"6", "15", "10716"}));
}

TEST_F(InputMappingDialogTest, RotorBrakeStoresItsTableNumber) {
    open();
    press(kCoplt);
    chooseCategory("Helicopter Specific Systems");
    chooseEvent("ROTOR_BRAKE");
    EXPECT_EQ(storedOnDisk(11)[0], "9");
    EXPECT_EQ(storedOnDisk(11)[2], "10851");
}

TEST_F(InputMappingDialogTest, ACategoryChangeAloneKeepsTheMapping) {
    open();
    press(kPilot);
    chooseCategory("Lights");
    chooseEvent("STROBES_TOGGLE");
    chooseCategory("Engine");
    EXPECT_EQ(events()->GetCount(), 192u);
    EXPECT_EQ(events()->GetSelection(), wxNOT_FOUND);
    EXPECT_EQ(storedOnDisk(10), (Stored{"6", "15", "10716"}));

    press(kCoplt);
    press(kPilot);  // shows what the key fires
    EXPECT_EQ(categories()->GetStringSelection(), "Lights");
    EXPECT_EQ(events()->GetStringSelection(), "STROBES_TOGGLE");
    EXPECT_FALSE(key(kCoplt)->GetValue());
    EXPECT_TRUE(key(kPilot)->GetValue());
}

TEST_F(InputMappingDialogTest, ClearDeletesTheKeysEntriesAndShowsAllFlightControlsUnsorted) {
    open();
    press(kPilot);
    chooseCategory("Lights");
    chooseEvent("STROBES_TOGGLE");
    clickClear();
    EXPECT_EQ(storedOnDisk(10), (Stored{kAbsent, kAbsent, kAbsent}));
    EXPECT_EQ(categories()->GetStringSelection(), "Flight Controls");
    const auto shown = shownEvents();
    const auto table = SimEventTable::entries(0);
    ASSERT_EQ(shown.size(), 47u);
    for (std::size_t i = 0; i < shown.size(); ++i) EXPECT_EQ(shown[i], table[i]) << i;
    EXPECT_TRUE(key(kPilot)->GetValue());

    chooseEvent("AXIS_FLAPS_SET");  // normally left out
    EXPECT_EQ(storedOnDisk(10), (Stored{"0", "46", "10047"}));
}

TEST_F(InputMappingDialogTest, ReopeningShowsTheRememberedKeyAndItsMapping) {
    open();
    press(kPilot);
    chooseCategory("Lights");
    chooseEvent("STROBES_TOGGLE");
    close();

    open();
    EXPECT_TRUE(key(kPilot)->GetValue());
    EXPECT_EQ(categories()->GetStringSelection(), "Lights");
    EXPECT_EQ(events()->GetStringSelection(), "STROBES_TOGGLE");
    clickClear();  // acts on the key the window shows
    EXPECT_EQ(storedOnDisk(10), (Stored{kAbsent, kAbsent, kAbsent}));
}

TEST_F(InputMappingDialogTest, EveryCategoryOffersItsCount) {
    const std::pair<const char*, unsigned> expected[] = {
        {"Flight Controls", 26}, {"Engine", 192},  {"Autopilot", 76},  {"Fuel System", 36},
        {"Avionics", 141},       {"Instruments", 23}, {"Lights", 23},  {"Failures", 12},
        {"Miscellaneous Systems", 78}, {"Helicopter Specific Systems", 7}, {"Slew System", 27},
        {"View System", 72},     {"Miscellaneous Events", 68}, {"ATC", 11}, {"Multiplayer", 12},
    };
    open();
    press(kPilot);
    ASSERT_EQ(categories()->GetCount(), std::size(expected));
    for (unsigned i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(categories()->GetString(i), expected[i].first);
        chooseCategory(expected[i].first);
        EXPECT_EQ(events()->GetCount(), expected[i].second) << expected[i].first;
    }
    EXPECT_EQ(storedOnDisk(10), (Stored{kAbsent, kAbsent, kAbsent}));
}

TEST_F(InputMappingDialogTest, AMouseClickPushesTheKeyAndAnotherClickKeepsItPushed) {
    open();
    dialog->Raise();
    pumpFor(100ms);
    wxToggleButton* pilot = key(kPilot);
    const wxPoint centre = pilot->GetScreenRect().GetPosition() + pilot->GetSize() / 2;
    wxUIActionSimulator mouse;
    mouse.MouseMove(centre);
    mouse.MouseClick();
    EXPECT_TRUE(pumpUntil([&] { return categories()->GetCount() == 15u; }, 2s));
    EXPECT_TRUE(pilot->GetValue());
    mouse.MouseClick();
    pumpFor(200ms);
    EXPECT_TRUE(pilot->GetValue());
}


// The main window's "Input Mapping" button runs the dialog modally; the test
// harness answers modal dialogs instead of showing them.
class MainWindowInputMapping : public testing::HostedDialogTest {};

TEST_F(MainWindowInputMapping, ButtonOpensTheDialog) {
    openDialog();
    click(ids::kInputMapping);
    EXPECT_EQ(answeredBoxes(), (std::vector<std::string>{"<dialog> Input Mapping"}));
    answeredBoxes().clear();
}

}  // namespace
}  // namespace brelvik
