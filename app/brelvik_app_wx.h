#pragma once

#include <wx/app.h>

#include <memory>

#include "base/seams.h"

namespace brelvik {

// Prepares the sockets layer and the settings, runs the main dialog modally,
// and ends the process when it returns.
class CBrelvikApp : public wxApp {
public:
    bool OnInit() override;
    int OnRun() override;

private:
    std::unique_ptr<SettingsStore> settings_;
};

}  // namespace brelvik
