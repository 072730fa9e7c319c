// The input mapping dialog's window: the controls of res/input_mapping_layout.h,
// each event forwarded to InputMapping, which holds the rules.
#pragma once

#include <wx/dialog.h>

#include <map>
#include <string>
#include <vector>

#include "base/seams.h"
#include "dialogs/input_mapping.h"

namespace brelvik {

class displayWidget : public wxDialog, public Controls {
public:
    // The window lives for one opening; `current` outlives it.
    displayWidget(wxWindow* parent, SettingsStore& settings, CurrentKey& current);

    wxWindow* control(int id) const;

    // Controls
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
    void createControls();

    std::map<int, wxWindow*> controls_;
    InputMapping mapping_;
};

// Runs the dialog modally over the main window. The key pressed last is
// remembered from one opening to the next for the whole run of the program.
void showInputMapping(wxWindow* parent, SettingsStore& settings);

}  // namespace brelvik
