#include "dialogs/gauge_selection_dlg_wx.h"

#include <wx/button.h>
#include <wx/checkbox.h>

#include <cstddef>
#include <iterator>

#include "res/gauge_selection_layout.h"

namespace brelvik {

static_assert(std::size(res::gauge_ids::kBoxes) == kGaugeCount, "one check box per gauge flag");

GaugeOutputConfig::GaugeOutputConfig(wxWindow* parent, GaugeSelection& flags, SettingsStore& settings)
    : wxDialog(parent, wxID_ANY, res::kGaugeSelectionCaption), form_(flags, settings) {
    // The boxes and buttons reuse ids of the main dialog (1 is its "Start",
    // 1007 its "Sync Baro"): their events must end here. wx dialogs block by
    // default; this keeps it so whatever the style.
    SetExtraStyle(GetExtraStyle() | wxWS_EX_BLOCK_EVENTS);

    std::size_t nextBox = 0;
    for (const res::ControlSpec& spec : res::gaugeSelectionControls()) {
        const wxPoint pos = ConvertDialogToPixels(wxPoint(spec.x, spec.y));
        const wxSize size = ConvertDialogToPixels(wxSize(spec.width, spec.height));
        const wxString caption = wxString::FromUTF8(spec.caption);
        switch (spec.kind) {
        case res::ControlKind::CheckBox:
            boxes_.at(nextBox++) = new wxCheckBox(this, spec.id, caption, pos, size);
            break;
        case res::ControlKind::DefaultButton:
            (new wxButton(this, spec.id, caption, pos, size))->SetDefault();
            break;
        case res::ControlKind::PushButton:
            new wxButton(this, spec.id, caption, pos, size);
            break;
        default:
            break;  // the table holds nothing else
        }
    }
    // wx's own OK and Cancel handling, on the ids the buttons have here.
    SetAffirmativeId(res::gauge_ids::kOk);
    SetEscapeId(res::gauge_ids::kCancel);
    SetClientSize(ConvertDialogToPixels(wxSize(res::kGaugeSelectionWidth, res::kGaugeSelectionHeight)));
    CentreOnParent();
}

bool GaugeOutputConfig::TransferDataToWindow() {
    const GaugeBoxStates states = form_.opening();
    for (std::size_t i = 0; i < boxes_.size(); ++i) boxes_[i]->SetValue(states[i]);
    return true;
}

bool GaugeOutputConfig::TransferDataFromWindow() {
    GaugeBoxStates states{};
    for (std::size_t i = 0; i < boxes_.size(); ++i) states[i] = boxes_[i]->GetValue();
    form_.accept(states);
    return true;
}

}  // namespace brelvik
