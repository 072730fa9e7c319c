// The calibration wizard's window. It holds no state of its own: the wizard
// object outlives it and is attached while the window is open.
#pragma once

#include <wx/dialog.h>

#include "dialogs/calibration_wizard.h"
#include "dialogs/window_controls_wx.h"

namespace brelvik {

class FlapsDialog : public wxDialog {
public:
    FlapsDialog(wxWindow* parent, CalibrationWizard& wizard);
    ~FlapsDialog() override;

    WindowControls& controls() { return controls_; }

private:
    void onButton(wxCommandEvent& event);
    void onCharHook(wxKeyEvent& event);
    void onCloseWindow(wxCloseEvent& event);
    // The close box, Escape, Enter on no button: abort, then close.
    void abortAndClose();

    CalibrationWizard& wizard_;
    WindowControls controls_;
};

}  // namespace brelvik
