// The input mapping dialog's window: the controls of res/input_mapping_layout.h,
// each event forwarded to InputMapping, which holds the rules.
#pragma once

#include <wx/dialog.h>

#include "dialogs/input_mapping.h"
#include "dialogs/window_controls_wx.h"

namespace brelvik {

class displayWidget : public wxDialog {
public:
    // The window lives for one opening; `current` outlives it.
    displayWidget(wxWindow* parent, SettingsStore& settings, CurrentKey& current);

    wxWindow* control(int id) const { return controls_.control(id); }

private:
    void createControls();

    WindowControls controls_;  // before mapping_, which reaches the window through it
    InputMapping mapping_;
};

// Runs the dialog modally over the main window. The key pressed last is
// remembered from one opening to the next for the whole run of the program.
void showInputMapping(wxWindow* parent, SettingsStore& settings);

}  // namespace brelvik
