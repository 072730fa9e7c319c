// Drives the real input mapping dialog as a user's clicks do: the toolkit
// changes the control first, then the dialog hears of it.
#pragma once

#include <gtest/gtest.h>

#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/tglbtn.h>

#include "dialogs/input_mapping_dlg_wx.h"
#include "res/input_mapping_layout.h"

namespace brelvik::testing {

class InputMappingDriver {
public:
    explicit InputMappingDriver(displayWidget*& dialog) : dialog_(dialog) {}

    wxToggleButton* key(int id) const { return dynamic_cast<wxToggleButton*>(dialog_->control(id)); }
    wxChoice* categories() const {
        return dynamic_cast<wxChoice*>(dialog_->control(res::input_mapping::kCategoryList));
    }
    wxListBox* events() const { return dynamic_cast<wxListBox*>(dialog_->control(res::input_mapping::kEventList)); }

    void press(int id) {
        wxToggleButton* button = key(id);
        ASSERT_NE(button, nullptr) << id;
        button->SetValue(!button->GetValue());
        wxCommandEvent event(wxEVT_TOGGLEBUTTON, id);
        event.SetEventObject(button);
        event.SetInt(button->GetValue());
        button->ProcessWindowEvent(event);
    }
    void chooseCategory(const char* name) { choose(categories(), wxEVT_CHOICE, name); }
    void chooseEvent(const char* name) { choose(events(), wxEVT_LISTBOX, name); }
    void clickClear() {
        wxWindow* clear = dialog_->control(res::input_mapping::kClear);
        wxCommandEvent event(wxEVT_BUTTON, res::input_mapping::kClear);
        event.SetEventObject(clear);
        clear->ProcessWindowEvent(event);
    }

private:
    static void choose(wxControlWithItems* list, wxEventType type, const char* name) {
        ASSERT_NE(list, nullptr);
        const int index = list->FindString(name, true);
        ASSERT_NE(index, wxNOT_FOUND) << name;
        list->SetSelection(index);
        wxCommandEvent event(type, list->GetId());
        event.SetEventObject(list);
        event.SetInt(index);
        event.SetString(name);
        list->GetEventHandler()->ProcessEvent(event);
    }

    displayWidget*& dialog_;
};

}  // namespace brelvik::testing
