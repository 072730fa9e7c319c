#include "dialogs/input_mapping_dlg_wx.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/tglbtn.h>

#include "res/input_mapping_layout.h"

namespace brelvik {
namespace {

namespace im = res::input_mapping;

}  // namespace

displayWidget::displayWidget(wxWindow* parent, SettingsStore& settings, CurrentKey& current)
    : wxDialog(parent, wxID_ANY, im::kCaption), mapping_(current, settings, controls_) {
    createControls();
    SetClientSize(ConvertDialogToPixels(wxSize(im::kWidth, im::kHeight)));

    Bind(wxEVT_TOGGLEBUTTON, [this](wxCommandEvent& event) { mapping_.onKeyButton(event.GetId()); }, im::kFirstKey,
         im::kLastKey);
    Bind(wxEVT_CHOICE, [this](wxCommandEvent&) { mapping_.onCategoryChanged(); }, im::kCategoryList);
    Bind(wxEVT_LISTBOX, [this](wxCommandEvent&) { mapping_.onEventChosen(); }, im::kEventList);
    Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { mapping_.onClear(); }, im::kClear);

    mapping_.onOpen();
}

void displayWidget::createControls() {
    for (const res::InputMappingControl& spec : res::inputMappingControls()) {
        const wxPoint pos = ConvertDialogToPixels(wxPoint(spec.x, spec.y));
        const wxSize size = ConvertDialogToPixels(wxSize(spec.width, spec.height));
        const wxString caption = wxString::FromUTF8(spec.caption);
        wxWindow* window = nullptr;
        switch (spec.kind) {
        case res::InputMappingKind::KeyButton:
            window = new wxToggleButton(this, spec.id, caption, pos, size);
            break;
        case res::InputMappingKind::CategoryList:
            window = new wxChoice(this, spec.id, pos, size);
            break;
        case res::InputMappingKind::PushButton:
            window = new wxButton(this, spec.id, caption, pos, size);
            break;
        case res::InputMappingKind::EventList:
            // Unsorted: the rules give the order, which differs after "Clear".
            // The horizontal bar appears when a name is wider than the list.
            window = new wxListBox(this, spec.id, pos, size, 0, nullptr, wxLB_SINGLE | wxLB_HSCROLL);
            break;
        }
        controls_.add(spec.id, window);
    }
}

void showInputMapping(wxWindow* parent, SettingsStore& settings) {
    // Like the dialog object it stands for, created once and kept until the program ends.
    static CurrentKey current;
    displayWidget dialog(parent, settings, current);
    dialog.ShowModal();
}

}  // namespace brelvik
