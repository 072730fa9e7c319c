// The Controls seam over a window's wx controls, addressed by id, and the
// creation of a control from its layout entry; shared by the dialogs.
#pragma once

#include <wx/window.h>

#include <map>
#include <string>
#include <vector>

#include "base/seams.h"
#include "res/main_dialog_layout.h"

namespace brelvik {

// Creates the control a layout entry describes, placed in dialog units of
// its parent; hidden when the entry says so.
wxWindow* createLayoutControl(wxWindow* parent, const res::ControlSpec& spec);

// One byte that is not UTF-8 would make FromUTF8 return an empty text.
wxString displayString(const std::string& text);

class WindowControls : public Controls {
public:
    void add(int id, wxWindow* window) { windows_[id] = window; }
    wxWindow* control(int id) const;

    std::string text(int id) const override;
    void setText(int id, const std::string& text) override;
    bool isChecked(int id) const override;
    void setChecked(int id, bool checked) override;
    void enable(int id, bool enabled) override;
    bool isEnabled(int id) const override;
    void show(int id, bool visible) override;
    void setItems(int id, const std::vector<std::string>& items) override;
    void select(int id, int index) override;
    int selection(int id) const override;

private:
    std::map<int, wxWindow*> windows_;
};

}  // namespace brelvik
