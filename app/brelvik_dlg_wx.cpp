#include "app/brelvik_dlg_wx.h"

#include <wx/icon.h>
#include <wx/iconbndl.h>
#include <wx/msgdlg.h>

#include "base/control_ids.h"
#include "dialogs/calibration_wizard_dlg_wx.h"
#include "dialogs/gauge_selection_dlg_wx.h"
#include "dialogs/input_mapping_dlg_wx.h"
#include "dialogs/window_controls_wx.h"
#include "res/main_dialog_layout.h"
#include "sim/simulator_library.h"
#include "tablet/broadcast_table.h"
#include "tablet/datagram.h"

#include "res/brelvik_icon.xpm"
#include "res/brelvik_icon_16.xpm"

namespace brelvik {
namespace {

CBrelvikDlg* g_mainDialog = nullptr;

// Beside the panel notices, whose ids are the panels'.
constexpr int kPortsChangedEvent = 100;

void updateWithChildren(wxWindow& window) {
    window.Update();
    for (wxWindow* child : window.GetChildren()) updateWithChildren(*child);
}

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
    portWatcher_.reset();
    for (auto& timer : timers_) timer->Stop();
    if (g_mainDialog == this) g_mainDialog = nullptr;
}

void CBrelvikDlg::createControls() {
    for (const res::ControlSpec& spec : res::mainDialogControls()) {
        wxWindow* window = createLayoutControl(this, spec);
        if (spec.id >= 0) windows_.add(spec.id, window);
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
    portWatcher_ = watchSerialPorts([this] { wxQueueEvent(this, new wxThreadEvent(wxEVT_THREAD, kPortsChangedEvent)); });
    if (!sendSocket_->isOk()) {
        show("Failed create send socket");
        return;
    }
    core_->start(receiveSocket_->broadcastTable());
    core_->tablet().setBroadcastTableSource([] { return buildBroadcastTable(queryAdapterAddresses()); });
    // Told once; without the library the bridge still serves the tablet and the panels.
    if (const std::string problem = loadSimulatorLibrary(); !problem.empty()) show(problem);
    if (wxWindow* address = control(ids::kTabletAddress)) address->SetFocus();
    // Once the window is up, so that a panel search at start-up shows
    // "Connecting..." instead of delaying the window.
    CallAfter([this] { core_->refreshPortLists(); });
}

wxWindow* CBrelvikDlg::control(int id) const { return windows_.control(id); }

std::string CBrelvikDlg::text(int id) const { return windows_.text(id); }
void CBrelvikDlg::setText(int id, const std::string& text) { windows_.setText(id, text); }
bool CBrelvikDlg::isChecked(int id) const { return windows_.isChecked(id); }
void CBrelvikDlg::setChecked(int id, bool checked) { windows_.setChecked(id, checked); }
void CBrelvikDlg::enable(int id, bool enabled) { windows_.enable(id, enabled); }
bool CBrelvikDlg::isEnabled(int id) const { return windows_.isEnabled(id); }
void CBrelvikDlg::show(int id, bool visible) { windows_.show(id, visible); }
void CBrelvikDlg::setItems(int id, const std::vector<std::string>& items) { windows_.setItems(id, items); }
void CBrelvikDlg::select(int id, int index) { windows_.select(id, index); }
int CBrelvikDlg::selection(int id) const { return windows_.selection(id); }

// Each timer runs one tick at a time on its schedule (wxTimer's own period
// drifts long on GTK, and follows the system clock's tick on Windows).
void CBrelvikDlg::start(int id, int periodMs) {
    if (id < 1 || id > static_cast<int>(timers_.size())) return;
    schedules_[id - 1].start(TickSchedule::Clock::now(), std::chrono::milliseconds(periodMs));
    timers_[id - 1]->StartOnce(periodMs > 0 ? periodMs : 1);
}

void CBrelvikDlg::stop(int id) {
    if (id >= 1 && id <= static_cast<int>(timers_.size())) timers_[id - 1]->Stop();
}

void CBrelvikDlg::show(const std::string& text) { wxMessageBox(displayString(text), "Brelvik", wxOK, this); }

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
    const int id = event.GetId();
    if (id < 1 || id > static_cast<int>(timers_.size())) return;
    // Set for the next tick first, so that the core may stop or restart it.
    const auto wait = schedules_[id - 1].onTick(TickSchedule::Clock::now());
    timers_[id - 1]->StartOnce(static_cast<int>(wait.count()));
    if (core_ != nullptr) core_->onTimer(id);
}

void CBrelvikDlg::PaintingSleeper::sleepMs(int milliseconds) {
    updateWithChildren(window_);
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
    if (core_ == nullptr) return;
    if (panel == kPortsChangedEvent) {
        core_->onSerialPortsChanged();
        return;
    }
    if (panel < 0 || panel >= kPanelCount) return;
    core_->onPanelNotice(static_cast<Panel>(panel), static_cast<std::uint32_t>(event.GetExtraLong()),
                         static_cast<PanelNotice>(event.GetInt()));
}

void CBrelvikDlg::onCloseWindow(wxCloseEvent& event) {
    // No close box: the window manager's close and its shortcut do nothing.
    if (event.CanVeto()) event.Veto();
}

}  // namespace brelvik
