// The calibration wizard's layout: every control it needs, nothing overlapping
// what is shown at the same time, captions and step texts that fit.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "dialogs/calibration_wizard.h"
#include "res/calibration_layout.h"
#include "unit/layout_checks.h"

namespace brelvik::res {
namespace {

using namespace wizard_ids;

const ControlSpec* find(int id) {
    for (const ControlSpec& c : calibrationDialogControls()) {
        if (c.id == id) return &c;
    }
    return nullptr;
}

TEST(CalibrationLayout, HoldsEveryControlOnceWithItsCaptionAndStartState) {
    std::set<int> seen;
    for (const ControlSpec& c : calibrationDialogControls()) {
        if (c.id < 0) continue;
        EXPECT_TRUE(seen.insert(c.id).second) << c.id;
    }
    const std::pair<int, const char*> buttons[] = {{kFlapsLever, "Flaps Lever"},   {kFlapsIndicator, "Flaps indicator"},
                                                   {kCompass, "Compass"},          {kSwitchPanelKnob, "SW/CB PANEL"},
                                                   {kStandbyKnob, "STBY IND"},     {kPedestalKnob, "PEDESTAL"},
                                                   {kAvionicsKnob, "AVONICS"},     {kPrevious, "Previous"},
                                                   {kCancel, "Cancel"},            {kNext, "Next"},
                                                   {kUp, "Up"},                    {kDown, "Down"}};
    for (const auto& [id, caption] : buttons) {
        const ControlSpec* c = find(id);
        ASSERT_NE(c, nullptr) << id;
        EXPECT_EQ(std::string(c->caption), caption);
    }
    for (const int id : kDeviceButtons) {
        EXPECT_TRUE(find(id)->visible);
        EXPECT_EQ(find(id)->width, 58);
        EXPECT_EQ(find(id)->height, 15);
    }
    // Hidden until a step needs them; the three texts start empty.
    for (const int id : {kPrevious, kNext, kCancel, kUp, kDown, kReverse, kOutOfRange}) {
        EXPECT_FALSE(find(id)->visible) << id;
    }
    for (int row = 0; row < 3; ++row) {
        for (const int id : {kLeftButtons[row], kRightButtons[row], kRowLabels[row]}) EXPECT_FALSE(find(id)->visible);
    }
    for (const int id : {kTitle, kStepText, kSecondText}) EXPECT_STREQ(find(id)->caption, "");
}

TEST(CalibrationLayout, NothingShownTogetherOverlapsAndEverythingLiesInside) {
    // The out-of-range text takes the place of the step texts, which it hides
    // from view by covering the same area.
    const auto alternatives = [](int a, int b) {
        return (a == kOutOfRange && (b == kStepText || b == kSecondText)) ||
               (b == kOutOfRange && (a == kStepText || a == kSecondText));
    };
    const auto controls = calibrationDialogControls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlSpec& a = controls[i];
        EXPECT_GE(a.x, 4);
        EXPECT_GE(a.y, 4);
        EXPECT_LE(a.x + a.width, kCalibrationWidth - 4) << a.id;
        EXPECT_LE(a.y + a.height, kCalibrationHeight - 4) << a.id;
        if (a.kind == K::GroupBox) continue;
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            const ControlSpec& b = controls[j];
            if (b.kind == K::GroupBox || alternatives(a.id, b.id)) continue;
            EXPECT_FALSE(intersects(a, b)) << a.id << " and " << b.id;
        }
    }
}

TEST(CalibrationLayout, CaptionsAndTheLongestTextsFit) {
    // The device buttons keep their fixed width; whether GTK's font fits
    // them is measured on the real window.
    for (const ControlSpec& c : calibrationDialogControls()) {
        if (c.kind == K::GroupBox || c.id == kOutOfRange || c.width == 58) continue;
        EXPECT_TRUE(textFits(c, c.caption)) << c.id << " \"" << c.caption << '"';
    }
    EXPECT_TRUE(textFits(*find(kOutOfRange), kOutOfRangeText));
    EXPECT_TRUE(textFits(*find(kTitle), "SW/CB PANEL knob calibration"));
    EXPECT_TRUE(textFits(*find(kSecondText),
                         "4.Click \"Finish\" while the line on the front cover is aligned with 360 degree(N)."));
    // The longest step text, line by line as it is broken.
    const ControlSpec& step = *find(kStepText);
    const int lines = step.height / lineHeight(step.kind);
    EXPECT_LE(linesNeeded("1.Unplug the servo if applicable.", step.width) +
                  linesNeeded("2.Remove the arm of the flaps indicator from the servo and install it back so that the "
                              "arm is in the position which is as close as the middle of the full range.",
                              step.width),
              lines);
}

}  // namespace
}  // namespace brelvik::res
