#include "app/brelvik_dlg_wx.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/icon.h>
#include <wx/iconbndl.h>
#include <wx/msgdlg.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/valtext.h>

#include "base/control_ids.h"
#include "base/display_text.h"
#include "dialogs/calibration_wizard_dlg_wx.h"
#include "dialogs/gauge_selection_dlg_wx.h"
#include "dialogs/input_mapping_dlg_wx.h"
#include "res/main_dialog_layout.h"
#include "sim/simulator_library.h"
#include "tablet/datagram.h"

#include "res/brelvik_icon.xpm"
#include "res/brelvik_icon_16.xpm"

namespace brelvik {
namespace {

CBrelvikDlg* g_mainDialog = nullptr;

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

// One byte that is not UTF-8 would make FromUTF8 return an empty text.
wxString fromStd(const std::string& text) { return wxString::FromUTF8(toDisplayText(text)); }

}  // namespace

CBrelvikDlg* mainDialog() { return g_mainDialog; }

CBrelvikDlg::CBrelvikDlg(wxWindow* parent, SettingsStore& settings)
    : wxDialog(parent, wxID_ANY, res::kMainDialogCaption, wxDefaultPosition, wxDefaultSize, wxCAPTION),
      settings_(settings) {
    // The same artwork as the large and the small window icon.
    wxIconBundle icons;
    icons.AddIcon(wxIcon(brelvik_icon_xpm));
    icons.AddIcon(wxIcon(brelvik_icon_16_xpm));
    SetIcons(icons);
    createControls();
    SetClientSize(ConvertDialogToPixels(wxSize(res::kMainDialogWidth, res::kMainDialogHeight)));
    // Escape must not end the bridge; only "Close" does.
    SetEscapeId(wxID_NONE);

    for (int id = ids::kSimTimer; id <= ids::kDiscoveryTimer; ++id) {
        timers_[id - 1] = std::make_unique<wxTimer>(this, id);
    }
    Bind(wxEVT_TIMER, &CBrelvikDlg::onTimer, this);
    Bind(wxEVT_THREAD, &CBrelvikDlg::onPanelNotice, this);
    Bind(wxEVT_BUTTON, &CBrelvikDlg::onCommand, this);
    Bind(wxEVT_CHECKBOX, &CBrelvikDlg::onCommand, this);
    Bind(wxEVT_CLOSE_WINDOW, &CBrelvikDlg::onCloseWindow, this);

    initialize();
}

CBrelvikDlg::~CBrelvikDlg() {
    for (auto& timer : timers_) timer->Stop();
    if (g_mainDialog == this) g_mainDialog = nullptr;
}

void CBrelvikDlg::createControls() {
    for (const res::ControlSpec& spec : res::mainDialogControls()) {
        const wxPoint pos = ConvertDialogToPixels(wxPoint(spec.x, spec.y));
        const wxSize size = ConvertDialogToPixels(wxSize(spec.width, spec.height));
        const wxWindowID id = spec.id < 0 ? wxID_ANY : spec.id;
        const wxString caption = wxString::FromUTF8(spec.caption);
        wxWindow* window = nullptr;
        switch (spec.kind) {
        case res::ControlKind::GroupBox:
            window = new wxStaticBox(this, id, caption, pos, size);
            break;
        case res::ControlKind::Label:
        case res::ControlKind::StaticText:
            window = new wxStaticText(this, id, caption, pos, size, wxST_NO_AUTORESIZE);
            break;
        case res::ControlKind::IpAddressField: {
            // Like an IP address control: digits and dots only.
            wxTextValidator digits(wxFILTER_INCLUDE_CHAR_LIST);
            digits.SetCharIncludes("0123456789.");
            auto* field = new wxTextCtrl(this, id, caption, pos, size, 0, digits);
            field->SetMaxLength(kAddressFieldLength);
            // The validator sees typed keys only: pasted or dropped text is
            // filtered here, after the fact, by the same rule.
            field->Bind(wxEVT_TEXT, [field](wxCommandEvent& event) {
                keepAddressCharacters(*field);
                event.Skip();
            });
            window = field;
            break;
        }
        case res::ControlKind::DefaultButton: {
            auto* button = new wxButton(this, id, caption, pos, size);
            button->SetDefault();
            window = button;
            break;
        }
        case res::ControlKind::PushButton:
            window = new wxButton(this, id, caption, pos, size);
            break;
        case res::ControlKind::CheckBox: {
            // GTK check boxes do not wrap: a box laid out for two lines gets its
            // break before the parenthesis that explains it.
            wxString shown = caption;
            if (spec.height >= 18 && shown.Find('(') > 0) shown.Replace("(", "\n(", false);
            window = new wxCheckBox(this, id, shown, pos, size);
            break;
        }
        case res::ControlKind::ReadOnlyEdit:
            window = new wxTextCtrl(this, id, caption, pos, size, wxTE_READONLY);
            break;
        case res::ControlKind::DropDownList:
            window = new wxChoice(this, id, pos, size);
            break;
        }
        if (!spec.visible) window->Hide();
        if (spec.id >= 0) controls_[spec.id] = window;
    }
}

void CBrelvikDlg::initialize() {
    receiveSocket_ = std::make_unique<UdpReceiveSocket>(
        *this, [this](const std::string& text, const std::string& sender) { core_->onDatagram(text, sender); },
        kBridgePort);
    g_mainDialog = this;
    sendSocket_ = std::make_unique<UdpSendSocket>();
    PanelDevices devices;
    devices.notifier = this;
    devices.sleeper = &sleeper_;
    core_ = std::make_unique<BrelvikCore>(*this, *this, *this, *sendSocket_, settings_, devices);
    if (!sendSocket_->isOk()) {
        show("Failed create send socket");
        return;
    }
    core_->start(receiveSocket_->broadcastTable());
    // Told once; without the library the bridge still serves the tablet and the panels.
    if (const std::string problem = loadSimulatorLibrary(); !problem.empty()) show(problem);
    if (wxWindow* address = control(ids::kTabletAddress)) address->SetFocus();
    // Once the window is up, so that a panel search at start-up shows
    // "Connecting..." instead of delaying the window.
    CallAfter([this] { core_->refreshPortLists(); });
}

wxWindow* CBrelvikDlg::control(int id) const {
    const auto it = controls_.find(id);
    return it == controls_.end() ? nullptr : it->second;
}

std::string CBrelvikDlg::text(int id) const {
    wxWindow* window = control(id);
    if (window == nullptr) return {};
    if (auto* edit = dynamic_cast<wxTextCtrl*>(window)) return edit->GetValue().ToStdString(wxConvUTF8);
    if (auto* choice = dynamic_cast<wxChoice*>(window)) return choice->GetStringSelection().ToStdString(wxConvUTF8);
    return window->GetLabel().ToStdString(wxConvUTF8);
}

void CBrelvikDlg::setText(int id, const std::string& text) {
    wxWindow* window = control(id);
    if (window == nullptr) return;
    if (auto* edit = dynamic_cast<wxTextCtrl*>(window)) {
        edit->ChangeValue(fromStd(text));
    } else {
        window->SetLabel(fromStd(text));
    }
}

bool CBrelvikDlg::isChecked(int id) const {
    auto* box = dynamic_cast<wxCheckBox*>(control(id));
    return box != nullptr && box->GetValue();
}

void CBrelvikDlg::setChecked(int id, bool checked) {
    // SetValue sends no event, so loading a setting never runs a click handler.
    if (auto* box = dynamic_cast<wxCheckBox*>(control(id))) box->SetValue(checked);
}

void CBrelvikDlg::enable(int id, bool enabled) {
    if (wxWindow* window = control(id)) window->Enable(enabled);
}

bool CBrelvikDlg::isEnabled(int id) const {
    wxWindow* window = control(id);
    return window != nullptr && window->IsEnabled();
}

void CBrelvikDlg::show(int id, bool visible) {
    if (wxWindow* window = control(id)) window->Show(visible);
}

void CBrelvikDlg::setItems(int id, const std::vector<std::string>& items) {
    auto* choice = dynamic_cast<wxChoice*>(control(id));
    if (choice == nullptr) return;
    choice->Clear();
    for (const std::string& item : items) choice->Append(fromStd(item));
}

void CBrelvikDlg::select(int id, int index) {
    auto* choice = dynamic_cast<wxChoice*>(control(id));
    if (choice != nullptr && index >= 0 && index < static_cast<int>(choice->GetCount())) choice->SetSelection(index);
}

int CBrelvikDlg::selection(int id) const {
    auto* choice = dynamic_cast<wxChoice*>(control(id));
    return choice == nullptr ? -1 : choice->GetSelection();
}

void CBrelvikDlg::start(int id, int periodMs) {
    if (id >= 1 && id <= static_cast<int>(timers_.size())) timers_[id - 1]->Start(periodMs);
}

void CBrelvikDlg::stop(int id) {
    if (id >= 1 && id <= static_cast<int>(timers_.size())) timers_[id - 1]->Stop();
}

void CBrelvikDlg::show(const std::string& text) { wxMessageBox(fromStd(text), "Brelvik", wxOK, this); }

void CBrelvikDlg::onCommand(wxCommandEvent& event) {
    if (event.GetId() == ids::kInputMapping) {
        showInputMapping(this, settings_);
        return;
    }
    if (core_ == nullptr) return;
    if (event.GetId() == ids::kCalibrationConfig) {
        // Its modal loop keeps this window's timers and panel notices
        // running, so the wizard measures while it is open.
        FlapsDialog wizard(this, core_->wizard());
        wizard.ShowModal();
        return;
    }
    if (event.GetId() == ids::kGaugesConfig) {
        GaugeOutputConfig(this, core_->gauges(), settings_).ShowModal();  // its result changes nothing here
        return;
    }
    if (core_->onCommand(event.GetId())) {
        if (IsModal()) {
            EndModal(ids::kClose);
        } else {
            Hide();
        }
    }
}

void CBrelvikDlg::onTimer(wxTimerEvent& event) {
    if (core_ != nullptr) core_->onTimer(event.GetId());
}

void CBrelvikDlg::PaintingSleeper::sleepMs(int milliseconds) {
    window_.Update();
    ThreadSleeper().sleepMs(milliseconds);
}

void CBrelvikDlg::post(Panel panel, std::uint32_t session, PanelNotice notice) {
    auto* event = new wxThreadEvent(wxEVT_THREAD, static_cast<int>(panel));
    event->SetExtraLong(static_cast<long>(session));
    event->SetInt(static_cast<int>(notice));
    wxQueueEvent(this, event);  // takes ownership; safe from any thread
}

void CBrelvikDlg::onPanelNotice(wxThreadEvent& event) {
    const int panel = event.GetId();
    if (core_ == nullptr || panel < 0 || panel >= kPanelCount) return;
    core_->onPanelNotice(static_cast<Panel>(panel), static_cast<std::uint32_t>(event.GetExtraLong()),
                         static_cast<PanelNotice>(event.GetInt()));
}

void CBrelvikDlg::onCloseWindow(wxCloseEvent& event) {
    // No close box: the window manager's close and its shortcut do nothing.
    if (event.CanVeto()) event.Veto();
}

}  // namespace brelvik
