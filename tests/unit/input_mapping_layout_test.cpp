// The input mapping dialog's layout table: every control in its place, none
// overlapping another, every caption fitting.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "res/input_mapping_layout.h"
#include "unit/layout_checks.h"

namespace brelvik::res {
namespace {

using K = InputMappingKind;
namespace im = input_mapping;

const InputMappingControl* find(int id) {
    for (const InputMappingControl& c : inputMappingControls())
        if (c.id == id) return &c;
    return nullptr;
}

TEST(InputMappingLayout, SeventeenKeysInOneColumnInSlotOrder) {
    const char* captions[im::kKeyCount] = {"COM3 MIC", "COM 1/2",    "COM3",       "TEL",       "PA",
                                           "SPKR",     "HI SENS",    "AUX",        "MAN SQ",    "PLAY",
                                           "PILOT",    "COPLT",      "VOL(press)", "VOL_PILOT+", "VOL_PILOT-",
                                           "VOL_PASS+", "VOL_PASS-"};
    const auto controls = inputMappingControls();
    ASSERT_GE(controls.size(), static_cast<std::size_t>(im::kKeyCount));
    for (int i = 0; i < im::kKeyCount; ++i) {
        const InputMappingControl& key = controls[static_cast<std::size_t>(i)];  // creation order is tab order
        EXPECT_EQ(key.id, 1098 + i);
        EXPECT_EQ(key.kind, K::KeyButton);
        EXPECT_STREQ(key.caption, captions[i]);
        EXPECT_EQ(key.x, 17);
        EXPECT_EQ(key.y, 17 + 21 * i);
        EXPECT_EQ(key.width, 59);
        EXPECT_EQ(key.height, 16);
    }
}

TEST(InputMappingLayout, CategoryListClearAndEventListBesideTheKeys) {
    struct Expected {
        int id;
        K kind;
        const char* caption;
        int x, y, width;
    };
    // The category list is wider than a native Windows one: GTK needs the room.
    for (const Expected& e : {Expected{1119, K::CategoryList, "", 93, 17, 116},
                              Expected{1115, K::PushButton, "Clear", 213, 16, 38},
                              Expected{1118, K::EventList, "", 93, 39, 158}}) {
        const InputMappingControl* c = find(e.id);
        ASSERT_NE(c, nullptr) << e.id;
        EXPECT_EQ(c->kind, e.kind) << e.id;
        EXPECT_STREQ(c->caption, e.caption) << e.id;
        EXPECT_EQ(c->x, e.x) << e.id;
        EXPECT_EQ(c->y, e.y) << e.id;
        EXPECT_EQ(c->width, e.width) << e.id;
    }
    EXPECT_EQ(find(1115)->height, 14);
    EXPECT_EQ(find(1118)->height, 330);
    EXPECT_EQ(inputMappingControls().size(), 20u) << "no OK or Cancel, nothing else";
}

TEST(InputMappingLayout, NoTwoControlsOverlapAndAllLieInsideTheDialog) {
    const auto all = inputMappingControls();
    for (std::size_t i = 0; i < all.size(); ++i) {
        const InputMappingControl& c = all[i];
        EXPECT_GE(c.x, 4) << c.id;
        EXPECT_GE(c.y, 4) << c.id;
        EXPECT_LE(c.x + c.width, im::kWidth - 4) << c.id;
        EXPECT_LE(c.y + c.height, im::kHeight - 4) << c.id;
        for (std::size_t j = i + 1; j < all.size(); ++j)
            EXPECT_FALSE(intersects(c, all[j])) << c.id << " overlaps " << all[j].id;
    }
}

// An average character is 4 DLU wide by the definition of dialog units;
// GTK draws buttons and drop-down lists about 14 DLU high.
constexpr int kCharWidth = 4;

TEST(InputMappingLayout, CaptionsFitTheirButtons) {
    for (const InputMappingControl& c : inputMappingControls()) {
        if (c.kind != K::KeyButton && c.kind != K::PushButton) continue;
        const int needed = kCharWidth * static_cast<int>(std::string_view(c.caption).size()) + 10;  // bevel
        EXPECT_GE(c.width, needed) << '"' << c.caption << '"';
        EXPECT_GE(c.height, 14) << '"' << c.caption << '"';
    }
    EXPECT_GE(find(im::kCategoryList)->height, 14);
}

TEST(InputMappingLayout, ClearAndTheEventListShareTheRightEdge) {
    EXPECT_EQ(find(im::kClear)->x + find(im::kClear)->width, find(im::kEventList)->x + find(im::kEventList)->width);
    EXPECT_EQ(find(im::kCategoryList)->x, find(im::kEventList)->x);
    EXPECT_LE(find(1114)->y + find(1114)->height, find(im::kEventList)->y + find(im::kEventList)->height);
}

}  // namespace
}  // namespace brelvik::res
