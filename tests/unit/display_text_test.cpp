// Texts reach the window as UTF-8 even when they arrive in a narrow code page.
#include <gtest/gtest.h>

#include "base/display_text.h"

namespace brelvik {
namespace {

struct DisplayCase {
    const char* name;
    std::string raw;
    std::string shown;
};

class DisplayText : public ::testing::TestWithParam<DisplayCase> {};

TEST_P(DisplayText, ShowsValidUtf8AsItIsAndAnythingElseAsLatin1) {
    EXPECT_EQ(toDisplayText(GetParam().raw), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, DisplayText,
    ::testing::Values(DisplayCase{"Ascii", "Benchsim v11.0", "Benchsim v11.0"},
                      DisplayCase{"Utf8", "Simulateur \xc3\xa9t\xc3\xa9 \xe2\x84\xa2", "Simulateur \xc3\xa9t\xc3\xa9 \xe2\x84\xa2"},
                      DisplayCase{"Latin1", "Simulateur \xe9t\xe9 v11", "Simulateur \xc3\xa9t\xc3\xa9 v11"},
                      DisplayCase{"Registered", "Sim\xae", "Sim\xc2\xae"},
                      // Not UTF-8 although shaped like it: each byte is then Latin-1. (Bytes
                      // from 0xA0 up, which the Windows code page 1252 reads the same way.)
                      DisplayCase{"Overlong", "\xc0\xaf", "\xc3\x80\xc2\xaf"},
                      DisplayCase{"Surrogate", "\xed\xa0\xb0", "\xc3\xad\xc2\xa0\xc2\xb0"},
                      DisplayCase{"Truncated", "A\xe2\xa2", "A\xc3\xa2\xc2\xa2"},
                      DisplayCase{"BeyondUnicode", "\xf4\xa0\xa0\xa0", "\xc3\xb4\xc2\xa0\xc2\xa0\xc2\xa0"},
                      DisplayCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace brelvik
