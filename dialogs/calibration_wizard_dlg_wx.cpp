#include "dialogs/calibration_wizard_dlg_wx.h"

#include <wx/anybutton.h>
#include <wx/checkbox.h>

#include "res/calibration_layout.h"

namespace brelvik {

FlapsDialog::FlapsDialog(wxWindow* parent, CalibrationWizard& wizard)
    : wxDialog(parent, wxID_ANY, res::kCalibrationCaption, wxDefaultPosition, wxDefaultSize,
               wxCAPTION | wxCLOSE_BOX | wxSYSTEM_MENU),
      wizard_(wizard) {
    for (const res::ControlSpec& spec : res::calibrationDialogControls()) {
        wxWindow* window = createLayoutControl(this, spec);
        if (spec.id >= 0) controls_.add(spec.id, window);
    }
    SetClientSize(ConvertDialogToPixels(wxSize(res::kCalibrationWidth, res::kCalibrationHeight)));
    // Escape is handled below, so that it aborts like the close box.
    SetEscapeId(wxID_NONE);
    Bind(wxEVT_BUTTON, &FlapsDialog::onButton, this);
    Bind(wxEVT_CHECKBOX, &FlapsDialog::onButton, this);
    Bind(wxEVT_CHAR_HOOK, &FlapsDialog::onCharHook, this);
    Bind(wxEVT_CLOSE_WINDOW, &FlapsDialog::onCloseWindow, this);
    wizard_.attach(&controls_);
    wizard_.onOpen();
}

FlapsDialog::~FlapsDialog() { wizard_.detach(&controls_); }

void FlapsDialog::onButton(wxCommandEvent& event) { wizard_.onCommand(event.GetId()); }

void FlapsDialog::onCharHook(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    const bool enter = key == WXK_RETURN || key == WXK_NUMPAD_ENTER;
    // Ending the wizard without the abort would leave the lever or the
    // indicator cut off from the simulator until the bridge restarts.
    if (key == WXK_ESCAPE || (enter && dynamic_cast<wxAnyButton*>(FindFocus()) == nullptr &&
                              dynamic_cast<wxCheckBox*>(FindFocus()) == nullptr)) {
        abortAndClose();
        return;
    }
    event.Skip();
}

void FlapsDialog::onCloseWindow(wxCloseEvent&) { abortAndClose(); }

void FlapsDialog::abortAndClose() {
    wizard_.abort(false);
    if (IsModal()) {
        EndModal(wxID_CANCEL);
    } else {
        Hide();
    }
}

}  // namespace brelvik
