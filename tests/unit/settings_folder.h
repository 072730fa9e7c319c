// A temporary folder per settings test, the file the store keeps in it, and
// check boxes for the start-up load.
#pragma once

#include <gtest/gtest.h>

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <map>
#include <string>

#include "base/seams.h"

namespace brelvik::testing {

namespace fs = std::filesystem;

// Check boxes only, remembering which ones the load set.
class CheckBoxControls : public Controls {
public:
    std::string text(int) const override { return {}; }
    void setText(int, const std::string&) override {}
    bool isChecked(int id) const override {
        const auto it = checked.find(id);
        return it != checked.end() && it->second;
    }
    void setChecked(int id, bool state) override { checked[id] = state; }
    void enable(int, bool) override {}
    bool isEnabled(int) const override { return true; }
    void show(int, bool) override {}
    void setItems(int, const std::vector<std::string>&) override {}
    void select(int, int) override {}
    int selection(int) const override { return -1; }

    std::map<int, bool> checked;  // only the boxes that were set
};

// Every test gets its own empty folder.
class SettingsFolder : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::path(::testing::TempDir()) / "brelvik-settings-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder_ = pattern;
        file_ = folder_ / "Brelvik" / "Brelvik.ini";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }

    std::string fileText() const {
        std::ifstream in(file_, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    void writeFileText(const std::string& text) const {
        fs::create_directories(file_.parent_path());
        std::ofstream(file_, std::ios::binary) << text;
    }

    fs::path folder_;
    fs::path file_;
};


}  // namespace brelvik::testing
