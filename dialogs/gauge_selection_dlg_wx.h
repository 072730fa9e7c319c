// GaugeOutputConfig: the gauges selection dialog, opened modally by the
// standby gauges' "Config". It creates its controls from the layout table and
// hands box states to GaugeSelectionForm, which holds the rules.
#pragma once

#include <wx/dialog.h>

#include <array>

#include "dialogs/gauge_selection.h"

class wxCheckBox;

namespace brelvik {

class GaugeOutputConfig : public wxDialog {
public:
    GaugeOutputConfig(wxWindow* parent, GaugeSelection& flags, SettingsStore& settings);

    // wx calls the first each time the dialog is shown, the second for OK
    // only: Cancel, Escape and the close box never reach the flags.
    bool TransferDataToWindow() override;
    bool TransferDataFromWindow() override;

private:
    GaugeSelectionForm form_;
    std::array<wxCheckBox*, kGaugeCount> boxes_{};  // in flag order
};

}  // namespace brelvik
