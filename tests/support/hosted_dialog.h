// A test that hosts the real main dialog in its own process, with a fresh
// settings folder, and fails on any message box it did not expect.
#pragma once

#include <gtest/gtest.h>

#include <wx/checkbox.h>

#include <memory>

#include "app/brelvik_dlg_wx.h"
#include "settings/ini_settings_store.h"
#include "support/wx_harness.h"

namespace brelvik::testing {

class HostedDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        freshSettingsFolder();
        answeredBoxes().clear();
        settings = std::make_unique<IniSettingsStore>(defaultSettingsFile());
    }
    void TearDown() override {
        if (dialog != nullptr) dialog->Destroy();
        pumpFor(std::chrono::milliseconds(20));
        EXPECT_TRUE(answeredBoxes().empty()) << "unexpected box: " << answeredBoxes().front();
    }
    void openDialog() {
        dialog = new CBrelvikDlg(nullptr, *settings);
        dialog->Show();
        // The port lists are filled (and searched) once the window is up.
        pumpUntil([&] { return dialog->core() != nullptr && dialog->core()->panelConnections().refreshCount() > 0; },
                  std::chrono::seconds(5));
    }
    // A profile that is not a first run, so Auto-Connect is as the test wants it.
    void profile(bool autoConnect) {
        settings->write("B_keyCheck", "SendCtrlCheck", "1");
        settings->write("B_keyCheck", "ReconnectCheck", autoConnect ? "1" : "0");
        settings->write("B_keyCheck", "MasterCheck", "1");
    }

    // What a mouse click does: a box toggles, then the dialog is told.
    void click(int id) {
        wxWindow* window = dialog->control(id);
        ASSERT_NE(window, nullptr) << id;
        if (auto* box = dynamic_cast<wxCheckBox*>(window)) {
            box->SetValue(!box->GetValue());
            wxCommandEvent event(wxEVT_CHECKBOX, id);
            event.SetEventObject(box);
            event.SetInt(box->GetValue());
            box->ProcessWindowEvent(event);
        } else {
            wxCommandEvent event(wxEVT_BUTTON, id);
            event.SetEventObject(window);
            window->ProcessWindowEvent(event);
        }
    }

    std::unique_ptr<IniSettingsStore> settings;
    CBrelvikDlg* dialog = nullptr;
};

}  // namespace brelvik::testing
