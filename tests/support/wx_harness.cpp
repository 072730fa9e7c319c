#include "support/wx_harness.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/dialog.h>
#include <wx/init.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>

#include <cstdlib>
#include <filesystem>
#include <thread>

namespace brelvik::testing {
namespace {

class TestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};

class AnswerEveryBox : public wxModalDialogHook {
protected:
    int Enter(wxDialog* dialog) override {
        if (dialog->GetName() == kRunModally) return wxID_NONE;
        if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) {
            answeredBoxes().push_back(box->GetMessage().ToStdString());
        } else {
            answeredBoxes().push_back("<dialog> " + dialog->GetTitle().ToStdString());
        }
        return wxID_OK;
    }
    void Exit(wxDialog*) override {}
};

}  // namespace

std::vector<std::string>& answeredBoxes() {
    static std::vector<std::string> texts;
    return texts;
}

bool pumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        wxTheApp->Yield(true);
        if (done()) return true;
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void pumpFor(std::chrono::milliseconds duration) {
    pumpUntil([] { return false; }, duration);
}

std::string freshSettingsFolder() {
    static int counter = 0;
    const auto dir = std::filesystem::temp_directory_path() /
                     ("brelvik-test-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    return dir.string();
}

}  // namespace brelvik::testing

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    wxApp::SetInstance(new brelvik::testing::TestApp);
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "cannot start wx: is there a display?\n");
        return 2;
    }
    brelvik::testing::AnswerEveryBox hook;
    hook.Register();
    const int result = RUN_ALL_TESTS();
    hook.Unregister();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
