#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "res/main_dialog_layout.h"
#include "unit/layout_checks.h"

namespace brelvik::res {
namespace {

using K = ControlKind;

enum class Group { None, TabletLink, Failures, Gauges, SwitchPanel, Pedestal };

std::string_view groupCaption(Group group) {
    switch (group) {
        case Group::TabletLink: return "";
        case Group::Failures: return "Quillon Failures";
        case Group::Gauges: return "Standby gauges";
        case Group::SwitchPanel: return "Switch panel";
        case Group::Pedestal: return "Pedestal";
        case Group::None: break;
    }
    return "(none)";
}

std::vector<ControlSpec> groupBoxes() {
    std::vector<ControlSpec> boxes;
    for (const ControlSpec& c : mainDialogControls())
        if (c.kind == K::GroupBox) boxes.push_back(c);
    return boxes;
}

const ControlSpec* groupBox(Group group) {
    for (const ControlSpec& c : mainDialogControls())
        if (c.kind == K::GroupBox && c.caption == groupCaption(group)) return &c;
    return nullptr;
}

std::vector<const ControlSpec*> withId(int id) {
    std::vector<const ControlSpec*> found;
    for (const ControlSpec& c : mainDialogControls())
        if (c.id == id) found.push_back(&c);
    return found;
}

std::ptrdiff_t indexOf(const ControlSpec* c) { return c - mainDialogControls().data(); }

// ---------------------------------------------------------------------------
// Every addressed control: id, kind, caption and the group that frames it.

struct Expected {
    int id;
    ControlKind kind;
    const char* caption;
    Group group;
};

void PrintTo(const Expected& e, std::ostream* os) { *os << "control " << e.id; }

const Expected kExpected[] = {
    {1001, K::IpAddressField, "", Group::TabletLink},
    {1, K::DefaultButton, "Start", Group::TabletLink},
    {1000, K::PushButton, "Close", Group::TabletLink},
    {1004, K::CheckBox,
     "Send FSX operations to Quillon simulator(Uncheck this if the Quillon simulator is abnormal)",
     Group::TabletLink},
    {1005, K::CheckBox, "Auto-Connect", Group::TabletLink},
    {1006, K::CheckBox, "Synchronize autopilot master switch", Group::TabletLink},
    {1003, K::ReadOnlyEdit, "", Group::TabletLink},
    {1002, K::ReadOnlyEdit, "", Group::TabletLink},
    {1056, K::PushButton, "Input Mapping", Group::TabletLink},
    {1242, K::CheckBox, "GIA1", Group::Failures},
    {1243, K::CheckBox, "GIA2", Group::Failures},
    {1245, K::CheckBox, "Air Data Computer", Group::Failures},
    {1246, K::CheckBox, "AHRS", Group::Failures},
    {1247, K::CheckBox, "Magnetometer", Group::Failures},
    {1248, K::CheckBox, "MFD", Group::Failures},
    {1249, K::CheckBox, "GEA", Group::Failures},
    {1250, K::CheckBox, "Transponder", Group::Failures},
    {1251, K::CheckBox, "Airspeed", Group::Failures},
    {1252, K::CheckBox, "Altitude", Group::Failures},
    {1253, K::CheckBox, "Vertical Speed", Group::Failures},
    {1008, K::PushButton, "Refresh serial port lists", Group::None},
    {1239, K::CheckBox, "Auto-Connect", Group::None},
    {1240, K::ReadOnlyEdit, "", Group::None},
    {1009, K::DropDownList, "", Group::Gauges},
    {1010, K::PushButton, "Connect", Group::Gauges},
    {1007, K::CheckBox, "Sync Baro", Group::Gauges},
    {1241, K::PushButton, "Config", Group::Gauges},
    {1116, K::StaticText, "Not connected", Group::Gauges},
    {1013, K::DropDownList, "", Group::SwitchPanel},
    {1012, K::PushButton, "Connect", Group::SwitchPanel},
    {1184, K::PushButton, "Config", Group::SwitchPanel},
    {1118, K::StaticText, "Not connected", Group::SwitchPanel},
    {1057, K::DropDownList, "", Group::Pedestal},
    {1011, K::PushButton, "Connect", Group::Pedestal},
    {1185, K::PushButton, "Initialize", Group::Pedestal},
    {1119, K::StaticText, "Not connected", Group::Pedestal},
};

class MainDialogControl : public testing::TestWithParam<Expected> {};

TEST_P(MainDialogControl, ExistsOnceWithItsKindCaptionAndVisible) {
    const Expected& e = GetParam();
    const auto found = withId(e.id);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]->kind, e.kind);
    EXPECT_STREQ(found[0]->caption, e.caption);
    EXPECT_TRUE(found[0]->visible);
}

TEST_P(MainDialogControl, LiesInsideItsOwnGroupOnlyAndAfterIt) {
    const Expected& e = GetParam();
    const auto found = withId(e.id);
    ASSERT_EQ(found.size(), 1u);
    std::vector<std::string> framing;
    for (const ControlSpec& box : groupBoxes())
        if (contains(box, *found[0])) framing.emplace_back(box.caption);
    if (e.group == Group::None) {
        EXPECT_THAT(framing, testing::IsEmpty());
    } else {
        EXPECT_THAT(framing, testing::ElementsAre(std::string(groupCaption(e.group))));
        const ControlSpec* box = groupBox(e.group);
        ASSERT_NE(box, nullptr);
        EXPECT_LT(indexOf(box), indexOf(found[0])) << "the group box must be created first";
    }
}

INSTANTIATE_TEST_SUITE_P(Table, MainDialogControl, testing::ValuesIn(kExpected),
                         [](const auto& info) { return "Id" + std::to_string(info.param.id); });

TEST(MainDialogLayout, HoldsNoControlBeyondTheKnownOnes) {
    std::multiset<std::string> groupCaptions, labelCaptions;
    for (const ControlSpec& c : mainDialogControls()) {
        if (c.kind == K::GroupBox) {
            EXPECT_EQ(c.id, -1);
            groupCaptions.insert(c.caption);
        } else if (c.kind == K::Label) {
            EXPECT_EQ(c.id, -1);
            labelCaptions.insert(c.caption);
        } else {
            const bool known = std::any_of(std::begin(kExpected), std::end(kExpected),
                                           [&](const Expected& e) { return e.id == c.id; }) ||
                               (c.id >= 1014 && c.id <= 1055);
            EXPECT_TRUE(known) << "unexpected control " << c.id;
        }
    }
    EXPECT_THAT(groupCaptions, testing::UnorderedElementsAre("", "Quillon Failures", "Standby gauges",
                                                             "Switch panel", "Pedestal"));
    EXPECT_THAT(labelCaptions, testing::UnorderedElementsAre("Quillon's IP:", "Quillon Status:", "FS:",
                                                             "Circuit Breakers"));
}

TEST(MainDialogLayout, UncaptionedTabletGroupIsTopLeft) {
    const ControlSpec* tablet = groupBox(Group::TabletLink);
    ASSERT_NE(tablet, nullptr);
    for (const ControlSpec& box : groupBoxes()) {
        EXPECT_LE(tablet->x, box.x) << box.caption;
        EXPECT_LE(tablet->y, box.y) << box.caption;
    }
}

// ---------------------------------------------------------------------------
// Labels name the field beside them; "Circuit Breakers" heads the breaker grid.

struct LabelCase {
    const char* caption;
    int field;  // the control it names
    Group group;
};

void PrintTo(const LabelCase& l, std::ostream* os) { *os << '"' << l.caption << '"'; }

class MainDialogLabel : public testing::TestWithParam<LabelCase> {};

TEST_P(MainDialogLabel, SitsInItsGroupJustBeforeItsField) {
    const LabelCase& l = GetParam();
    const ControlSpec* label = nullptr;
    for (const ControlSpec& c : mainDialogControls())
        if (c.kind == K::Label && std::string_view(c.caption) == l.caption) label = &c;
    ASSERT_NE(label, nullptr);
    const auto field = withId(l.field);
    ASSERT_EQ(field.size(), 1u);
    const ControlSpec* box = groupBox(l.group);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(contains(*box, *label));
    EXPECT_LT(indexOf(label), indexOf(field[0]));

    if (l.field == 1014) {  // a heading: above the first row, left-aligned with it
        EXPECT_LE(label->y + label->height, field[0]->y);
        EXPECT_LE(field[0]->y - (label->y + label->height), 6);
        EXPECT_LE(std::abs(label->x - field[0]->x), 2);
    } else {  // a caption on the left sharing the field's middle line
        const int gap = field[0]->x - (label->x + label->width);
        EXPECT_GE(gap, 0);
        EXPECT_LE(gap, 8);
        EXPECT_LE(std::abs((2 * label->y + label->height) - (2 * field[0]->y + field[0]->height)), 2);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, MainDialogLabel,
                         testing::Values(LabelCase{"Quillon's IP:", 1001, Group::TabletLink},
                                         LabelCase{"Quillon Status:", 1003, Group::TabletLink},
                                         LabelCase{"FS:", 1002, Group::TabletLink},
                                         LabelCase{"Circuit Breakers", 1014, Group::SwitchPanel}));

// ---------------------------------------------------------------------------
// The breaker grid.

TEST(MainDialogBreakers, FillThreeRowsOfFourteenLeftToRightInIdOrder) {
    const ControlSpec* grid[3][14] = {};
    for (int id = 1014; id <= 1055; ++id) {
        const auto found = withId(id);
        ASSERT_EQ(found.size(), 1u) << id;
        EXPECT_EQ(found[0]->kind, K::CheckBox) << id;
        EXPECT_STREQ(found[0]->caption, "") << id;
        grid[(id - 1014) / 14][(id - 1014) % 14] = found[0];
    }
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 14; ++col) {
            const ControlSpec& box = *grid[row][col];
            EXPECT_EQ(box.y, grid[row][0]->y) << box.id;
            if (col > 0) {
                EXPECT_GT(box.x, grid[row][col - 1]->x) << box.id;
            }
            if (row > 0) {
                EXPECT_EQ(box.x, grid[0][col]->x) << box.id;
                EXPECT_GT(box.y, grid[row - 1][col]->y) << box.id;
            }
        }
    }
    const ControlSpec* panel = groupBox(Group::SwitchPanel);
    ASSERT_NE(panel, nullptr);
    for (const auto& row : grid)
        for (const ControlSpec* box : row) EXPECT_TRUE(contains(*panel, *box)) << box->id;
}

TEST(MainDialogBreakers, OnlyTheTwelveUnusedBreakersAreHidden) {
    const std::set<int> hidden = {1016, 1017, 1018, 1019, 1020, 1027, 1034, 1039, 1040, 1041, 1048, 1055};
    std::set<int> found;
    for (const ControlSpec& c : mainDialogControls())
        if (!c.visible) found.insert(c.id);
    EXPECT_EQ(found, hidden);
}

// ---------------------------------------------------------------------------
// Geometry: nothing overlaps, nothing is clipped, groups frame with margins.

TEST(MainDialogGeometry, NoTwoControlsOverlap) {
    // Hidden boxes are included: each keeps its own place in case it is shown.
    const auto all = mainDialogControls();
    for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i].kind == K::GroupBox) continue;
        for (std::size_t j = i + 1; j < all.size(); ++j) {
            if (all[j].kind == K::GroupBox) continue;
            EXPECT_FALSE(intersects(all[i], all[j]))
                << all[i].id << " \"" << all[i].caption << "\" overlaps " << all[j].id << " \""
                << all[j].caption << '"';
        }
    }
}

TEST(MainDialogGeometry, GroupBoxesAreDisjointAndFrameTheirControlsWithMargins) {
    const auto boxes = groupBoxes();
    ASSERT_EQ(boxes.size(), 5u);
    for (std::size_t i = 0; i < boxes.size(); ++i)
        for (std::size_t j = i + 1; j < boxes.size(); ++j)
            EXPECT_FALSE(intersects(boxes[i], boxes[j]))
                << '"' << boxes[i].caption << "\" and \"" << boxes[j].caption << '"';

    for (const ControlSpec& box : boxes) {
        // A caption sits on the top edge of the frame and needs a text line.
        const int top = std::string_view(box.caption).empty() ? 6 : 11;
        for (const ControlSpec& c : mainDialogControls()) {
            if (c.kind == K::GroupBox || !intersects(box, c)) continue;
            ASSERT_TRUE(contains(box, c)) << c.id << " \"" << c.caption << "\" straddles \""
                                          << box.caption << "\"'s frame";
            EXPECT_GE(c.x - box.x, 5) << c.id << " \"" << c.caption << '"';
            EXPECT_GE(box.x + box.width - (c.x + c.width), 5) << c.id << " \"" << c.caption << '"';
            EXPECT_GE(c.y - box.y, top) << c.id << " \"" << c.caption << '"';
            EXPECT_GE(box.y + box.height - (c.y + c.height), 5) << c.id << " \"" << c.caption << '"';
        }
    }
}

TEST(MainDialogGeometry, EverythingLiesInsideTheDialogWithAMargin) {
    for (const ControlSpec& c : mainDialogControls()) {
        EXPECT_GE(c.x, 4) << c.id << " \"" << c.caption << '"';
        EXPECT_GE(c.y, 4) << c.id << " \"" << c.caption << '"';
        EXPECT_LE(c.x + c.width, kMainDialogWidth - 4) << c.id << " \"" << c.caption << '"';
        EXPECT_LE(c.y + c.height, kMainDialogHeight - 4) << c.id << " \"" << c.caption << '"';
    }
}

TEST(MainDialogGeometry, EveryControlIsTallEnoughAndItsCaptionFits) {
    for (const ControlSpec& c : mainDialogControls()) {
        EXPECT_GE(c.height, lineHeight(c.kind)) << c.id << " \"" << c.caption << '"';
        if (c.kind == K::GroupBox) {
            EXPECT_GE(c.width, kCharWidth * static_cast<int>(std::string_view(c.caption).size()) + 16)
                << '"' << c.caption << '"';
        } else {
            EXPECT_TRUE(textFits(c, c.caption)) << c.id << " \"" << c.caption << '"';
        }
    }
}

// Texts the program puts into controls later must fit as well as the captions.
struct LaterText {
    int id;
    const char* text;
};

void PrintTo(const LaterText& t, std::ostream* os) { *os << t.id << " \"" << t.text << '"'; }

class MainDialogLaterText : public testing::TestWithParam<LaterText> {};

TEST_P(MainDialogLaterText, FitsItsControl) {
    const auto found = withId(GetParam().id);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_TRUE(textFits(*found[0], GetParam().text));
}

INSTANTIATE_TEST_SUITE_P(
    Table, MainDialogLaterText,
    testing::Values(LaterText{1, "Waiting"}, LaterText{1, "Stop"},
                    LaterText{1001, "255.255.255.255"},
                    LaterText{1003, "Waiting for connection"},
                    LaterText{1003, "Timed out, reconnecting..."},
                    LaterText{1003, "Lost, reconnecting..."},
                    LaterText{1002, "Not connected"},
                    LaterText{1010, "Disconnect"}, LaterText{1012, "Disconnect"},
                    LaterText{1011, "Disconnect"},
                    LaterText{1116, "Please select a COM port"},
                    LaterText{1118, "Please select a COM port"},
                    LaterText{1119, "Please select a COM port"},
                    LaterText{1240, "Last time failed"}, LaterText{1240, "Connecting..."}));

}  // namespace
}  // namespace brelvik::res
