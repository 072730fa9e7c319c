#include "dialogs/window_controls_wx.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/listbox.h>
#include <wx/textctrl.h>
#include <wx/tglbtn.h>
#include <wx/valtext.h>

#include <algorithm>

#include "base/display_text.h"

namespace brelvik {
namespace {

constexpr unsigned kAddressFieldLength = 15;  // "255.255.255.255"

void keepAddressCharacters(wxTextCtrl& field) {
    const wxString value = field.GetValue();
    wxString kept;
    for (const wxUniChar c : value) {
        if ((c >= '0' && c <= '9') || c == '.') kept += c;
    }
    kept.Truncate(kAddressFieldLength);
    if (kept == value) return;
    const long at = field.GetInsertionPoint();
    field.ChangeValue(kept);  // no new text event
    field.SetInsertionPoint(std::min<long>(at, static_cast<long>(kept.length())));
}

wxTextCtrl* createAddressField(wxWindow* parent, wxWindowID id, const wxString& caption, const wxPoint& pos,
                               const wxSize& size) {
    // Like an IP address control: digits and dots only.
    wxTextValidator digits(wxFILTER_INCLUDE_CHAR_LIST);
    digits.SetCharIncludes("0123456789.");
    auto* field = new wxTextCtrl(parent, id, caption, pos, size, 0, digits);
    field->SetMaxLength(kAddressFieldLength);
    // The validator sees typed keys only: pasted or dropped text is
    // filtered here, after the fact, by the same rule.
    field->Bind(wxEVT_TEXT, [field](wxCommandEvent& event) {
        keepAddressCharacters(*field);
        event.Skip();
    });
    return field;
}

}  // namespace

wxString displayString(const std::string& text) { return wxString::FromUTF8(toDisplayText(text)); }

wxWindow* createLayoutControl(wxWindow* parent, const res::ControlSpec& spec) {
    const wxPoint pos = parent->ConvertDialogToPixels(wxPoint(spec.x, spec.y));
    const wxSize size = parent->ConvertDialogToPixels(wxSize(spec.width, spec.height));
    const wxWindowID id = spec.id < 0 ? wxID_ANY : spec.id;
    const wxString caption = wxString::FromUTF8(spec.caption);
    wxWindow* window = nullptr;
    switch (spec.kind) {
    case res::ControlKind::GroupBox:
        window = new wxStaticBox(parent, id, caption, pos, size);
        break;
    case res::ControlKind::Label:
    case res::ControlKind::StaticText: {
        auto* text = new wxStaticText(parent, id, caption, pos, size, wxST_NO_AUTORESIZE);
        text->Wrap(size.GetWidth());
        window = text;
        break;
    }
    case res::ControlKind::DefaultButton: {
        auto* button = new wxButton(parent, id, caption, pos, size);
        button->SetDefault();
        window = button;
        break;
    }
    case res::ControlKind::PushButton:
        window = new wxButton(parent, id, caption, pos, size);
        break;
    case res::ControlKind::CheckBox: {
        // GTK check boxes do not wrap: a box laid out for two lines gets its
        // break before the parenthesis that explains it.
        wxString shown = caption;
        if (spec.height >= 18 && shown.Find('(') > 0) shown.Replace("(", "\n(", false);
        window = new wxCheckBox(parent, id, shown, pos, size);
        break;
    }
    case res::ControlKind::ReadOnlyEdit:
        window = new wxTextCtrl(parent, id, caption, pos, size, wxTE_READONLY);
        break;
    case res::ControlKind::IpAddressField:
        window = createAddressField(parent, id, caption, pos, size);
        break;
    case res::ControlKind::DropDownList:
        window = new wxChoice(parent, id, pos, size);
        break;
    }
    if (!spec.visible) window->Hide();
    return window;
}

wxWindow* WindowControls::control(int id) const {
    const auto it = windows_.find(id);
    return it == windows_.end() ? nullptr : it->second;
}

std::string WindowControls::text(int id) const {
    wxWindow* window = control(id);
    if (window == nullptr) return {};
    if (auto* edit = dynamic_cast<wxTextCtrl*>(window)) return edit->GetValue().ToStdString(wxConvUTF8);
    if (auto* list = dynamic_cast<wxControlWithItems*>(window)) return list->GetStringSelection().ToStdString(wxConvUTF8);
    return window->GetLabel().ToStdString(wxConvUTF8);
}

void WindowControls::setText(int id, const std::string& text) {
    wxWindow* window = control(id);
    if (window == nullptr) return;
    if (auto* edit = dynamic_cast<wxTextCtrl*>(window)) {
        edit->ChangeValue(displayString(text));
    } else if (auto* label = dynamic_cast<wxStaticText*>(window)) {
        // Step texts run over several lines of their box.
        label->SetLabel(displayString(text));
        label->Wrap(label->GetSize().GetWidth());
    } else {
        window->SetLabel(displayString(text));
    }
}

bool WindowControls::isChecked(int id) const {
    wxWindow* window = control(id);
    if (auto* box = dynamic_cast<wxCheckBox*>(window)) return box->GetValue();
    if (auto* button = dynamic_cast<wxToggleButton*>(window)) return button->GetValue();
    return false;
}

void WindowControls::setChecked(int id, bool checked) {
    // SetValue sends no event: loading a state never runs a click handler.
    wxWindow* window = control(id);
    if (auto* box = dynamic_cast<wxCheckBox*>(window)) box->SetValue(checked);
    if (auto* button = dynamic_cast<wxToggleButton*>(window)) button->SetValue(checked);
}

void WindowControls::enable(int id, bool enabled) {
    if (wxWindow* window = control(id)) window->Enable(enabled);
}

bool WindowControls::isEnabled(int id) const {
    wxWindow* window = control(id);
    return window != nullptr && window->IsEnabled();
}

void WindowControls::show(int id, bool visible) {
    if (wxWindow* window = control(id)) window->Show(visible);
}

void WindowControls::setItems(int id, const std::vector<std::string>& items) {
    auto* list = dynamic_cast<wxControlWithItems*>(control(id));
    if (list == nullptr) return;
    wxArrayString texts;
    texts.reserve(items.size());
    for (const std::string& item : items) texts.Add(displayString(item));
    list->Set(texts);
    // A new list starts at its top, not where the previous one was scrolled to.
    if (auto* box = dynamic_cast<wxListBox*>(list); box != nullptr && !texts.empty()) box->SetFirstItem(0);
}

void WindowControls::select(int id, int index) {
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

int WindowControls::selection(int id) const {
    auto* list = dynamic_cast<wxControlWithItems*>(control(id));
    return list == nullptr ? -1 : list->GetSelection();
}

}  // namespace brelvik
