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
    : wxDialog(parent, wxID_ANY, im::kCaption), mapping_(current, settings, *this) {
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
        controls_[spec.id] = window;
    }
}

wxWindow* displayWidget::control(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

std::string displayWidget::text(int id) const {
    wxWindow* window = control(id);
    if (window == nullptr) return {};
    if (auto* list = dynamic_cast<wxControlWithItems*>(window)) return list->GetStringSelection().ToStdString(wxConvUTF8);
    return window->GetLabel().ToStdString(wxConvUTF8);
}

void displayWidget::setText(int id, const std::string& text) {
    if (wxWindow* window = control(id)) window->SetLabel(wxString::FromUTF8(text));
}

bool displayWidget::isChecked(int id) const {
    auto* button = dynamic_cast<wxToggleButton*>(control(id));
    return button != nullptr && button->GetValue();
}

void displayWidget::setChecked(int id, bool checked) {
    if (auto* button = dynamic_cast<wxToggleButton*>(control(id))) button->SetValue(checked);  // sends no event
}

void displayWidget::enable(int id, bool enabled) {
    if (wxWindow* window = control(id)) window->Enable(enabled);
}

bool displayWidget::isEnabled(int id) const {
    wxWindow* window = control(id);
    return window != nullptr && window->IsEnabled();
}

void displayWidget::show(int id, bool visible) {
    if (wxWindow* window = control(id)) window->Show(visible);
}

void displayWidget::setItems(int id, const std::vector<std::string>& items) {
    auto* list = dynamic_cast<wxControlWithItems*>(control(id));
    if (list == nullptr) return;
    wxArrayString texts;
    texts.reserve(items.size());
    for (const std::string& item : items) texts.Add(wxString::FromUTF8(item));
    list->Set(texts);
    // A new list starts at its top, not where the previous one was scrolled to.
    if (auto* box = dynamic_cast<wxListBox*>(list); box != nullptr && !texts.empty()) box->SetFirstItem(0);
}

void displayWidget::select(int id, int index) {
    auto* list = dynamic_cast<wxControlWithItems*>(control(id));
    if (list == nullptr) return;
    if (index < 0 || index >= static_cast<int>(list->GetCount())) {
        list->SetSelection(wxNOT_FOUND);
        return;
    }
    list->SetSelection(index);
    // A restored choice far down a long list must be seen to be believed.
    if (auto* box = dynamic_cast<wxListBox*>(list)) box->EnsureVisible(index);
}

int displayWidget::selection(int id) const {
    auto* list = dynamic_cast<wxControlWithItems*>(control(id));
    return list == nullptr ? -1 : list->GetSelection();
}

void showInputMapping(wxWindow* parent, SettingsStore& settings) {
    // Like the dialog object it stands for, created once and kept until the program ends.
    static CurrentKey current;
    displayWidget dialog(parent, settings, current);
    dialog.ShowModal();
}

}  // namespace brelvik
