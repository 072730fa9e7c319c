// The main window: creates the controls, owns the sockets and timers, and
// forwards every event to the headless core.
#pragma once

#include <wx/dialog.h>
#include <wx/timer.h>

#include <array>
#include <map>
#include <string>
#include <vector>
#include <memory>

#include "app/brelvik_core.h"
#include "base/seams.h"
#include "base/tick_schedule.h"
#include "dialogs/window_controls_wx.h"
#include "panels/port_watcher.h"
#include "tablet/udp_sockets_wx.h"

namespace brelvik {

class CBrelvikDlg : public wxDialog, public Controls, public Timers, public MessageBoxes, public PanelNotifier {
public:
    CBrelvikDlg(wxWindow* parent, SettingsStore& settings);
    ~CBrelvikDlg() override;

    BrelvikCore* core() { return core_.get(); }
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
    // Timers
    void start(int id, int periodMs) override;
    void stop(int id) override;
    // MessageBoxes
    void show(const std::string& text) override;
    // PanelNotifier: called on a reader thread, handled on the UI thread.
    void post(Panel panel, std::uint32_t session, PanelNotice notice) override;

private:
    void createControls();
    void initialize();
    void onCommand(wxCommandEvent& event);
    void onTimer(wxTimerEvent& event);
    void onPanelNotice(wxThreadEvent& event);
    void onCloseWindow(wxCloseEvent& event);

    // The panel search blocks the UI thread between its probes; the window
    // repaints what changed (its status texts) in each pause, and nothing
    // else runs, so the probes' order and timing stay as they are. Each
    // control is repainted itself: on Windows a text field is a window of its
    // own that its parent's repaint does not reach.
    class PaintingSleeper final : public Sleeper {
    public:
        explicit PaintingSleeper(wxWindow& window) : window_(window) {}
        void sleepMs(int milliseconds) override;

    private:
        wxWindow& window_;
    };

    SettingsStore& settings_;
    PaintingSleeper sleeper_{*this};
    WindowControls windows_;
    std::array<std::unique_ptr<wxTimer>, 4> timers_;
    std::array<TickSchedule, 4> schedules_;
    std::unique_ptr<UdpSendSocket> sendSocket_;
    std::unique_ptr<UdpReceiveSocket> receiveSocket_;
    std::unique_ptr<BrelvikCore> core_;
    std::unique_ptr<PortWatcher> portWatcher_;  // first to go: it posts to this window
};

// Set once while the main dialog initialises; the simulator callback and the
// panel readers reach the dialog through it.
CBrelvikDlg* mainDialog();

}  // namespace brelvik
