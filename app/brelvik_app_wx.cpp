#include "app/brelvik_app_wx.h"

#include <wx/msgdlg.h>
#include <wx/socket.h>

#include "app/brelvik_dlg_wx.h"
#include "app/timer_resolution.h"
#include "settings/platform_settings.h"

namespace brelvik {

bool CBrelvikApp::OnInit() {
    // The program has no command line: the base class would refuse unknown
    // arguments, so it is not asked to parse them.
    if (!wxSocketBase::Initialize()) {
        wxMessageBox("Windows sockets initialization failed.", "Brelvik", wxOK);
        return false;
    }
    SetAppName("Brelvik");
    keepTimersFine();
    settings_ = openPlatformSettingsStore();
    return true;
}

int CBrelvikApp::OnRun() {
    // The dialog's own modal loop is the program's only message loop: when it
    // returns, the process ends.
    {
        CBrelvikDlg dialog(nullptr, *settings_);
        SetTopWindow(&dialog);
        dialog.ShowModal();
        SetTopWindow(nullptr);
    }
    return 0;
}

}  // namespace brelvik
