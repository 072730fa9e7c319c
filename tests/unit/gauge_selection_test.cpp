// The gauges selection: its layout table, what an opening shows, what OK
// stores, and the gauge line that follows OK.
#include "dialogs/gauge_selection.h"

#include <gtest/gtest.h>

#include <cstring>
#include <initializer_list>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "res/gauge_selection_layout.h"
#include "support/core_harness.h"
#include "unit/layout_checks.h"

namespace brelvik {
namespace {

using res::ControlSpec;
using K = res::ControlKind;

// ---------------------------------------------------------------------------
// The layout table against the dialog's rows as designed: the box of each flag, in the
// flags' order (attitude's box has the lower id yet comes second).

struct ExpectedRow {
    int id;
    const char* caption;
    const char* key;
    int x, y;
};

const ExpectedRow kExpectedRows[] = {
    {1005, "Airspeed Ind.", "G_IAS", 7, 7},
    {1004, "Attitude Ind.", "G_ATT", 7, 19},
    {1006, "Altitude Ind.", "G_ALT", 7, 31},
    {1007, "Slip Ind./Turn coordinator", "G_SLIP", 7, 43},
    {1008, "Heading Ind.", "G_HDG", 7, 55},
    {1009, "Vertical speed Ind.", "G_VS", 7, 67},
    {1010, "RPM Ind.", "G_RPM", 7, 79},
    {1011, "Nav1/ILS Ind.", "G_NAV1", 7, 91},
    {1012, "Nav2 Ind.", "G_NAV2", 7, 103},
    {1013, "ADF Ind.", "G_ADF", 7, 115},
    {1014, "Fuel Qty Ind.", "G_FQTY", 7, 127},
    {1015, "Fuel flow Ind.", "G_FFLOW", 7, 139},
    {1016, "EGT Ind.", "G_EGT", 7, 151},
    {1017, "Amp Ind.", "G_AMP", 7, 163},
    {1018, "Oil press Ind.", "G_OILPRESS", 7, 175},
    {1019, "Oil temp Ind.", "G_OILTEMP", 7, 187},
    {1020, "GPS position", "G_GPS", 111, 7},
    {1021, "Track", "G_TRK", 111, 19},
    {1022, "Wind", "G_WIND", 111, 31},
    {1023, "Manifold pressure", "G_MPR", 111, 43},
    {1024, "Engine RPM", "G_RPME", 111, 55},
};
static_assert(std::size(kExpectedRows) == kGaugeCount);

TEST(GaugeSelectionLayout, EachFlagHasItsBoxInFlagOrderThenOkAndCancel) {
    const auto controls = res::gaugeSelectionControls();
    ASSERT_EQ(controls.size(), std::size(kExpectedRows) + 2);
    for (std::size_t i = 0; i < std::size(kExpectedRows); ++i) {
        const ExpectedRow& row = kExpectedRows[i];
        SCOPED_TRACE(row.caption);
        EXPECT_STREQ(kGaugeKeys[i].key, row.key);
        EXPECT_EQ(res::gauge_ids::kBoxes[i], row.id);
        EXPECT_EQ(controls[i].id, row.id);
        EXPECT_EQ(controls[i].kind, K::CheckBox);
        EXPECT_STREQ(controls[i].caption, row.caption);
        EXPECT_EQ(controls[i].x, row.x);
        EXPECT_EQ(controls[i].y, row.y);
        EXPECT_TRUE(controls[i].visible);
    }
    const ControlSpec& ok = controls[kGaugeCount];
    const ControlSpec& cancel = controls[kGaugeCount + 1];
    EXPECT_EQ(std::make_tuple(ok.id, ok.kind, std::string_view(ok.caption), ok.x, ok.y, ok.width, ok.height),
              std::make_tuple(1, K::DefaultButton, std::string_view("OK"), 89, 196, 50, 14));
    EXPECT_EQ(std::make_tuple(cancel.id, cancel.kind, std::string_view(cancel.caption), cancel.x, cancel.y,
                              cancel.width, cancel.height),
              std::make_tuple(2, K::PushButton, std::string_view("Cancel"), 147, 196, 50, 14));
    EXPECT_STREQ(res::kGaugeSelectionCaption, "Gauges Selection");
    EXPECT_EQ(res::kGaugeSelectionWidth, 204);
    EXPECT_EQ(res::kGaugeSelectionHeight, 217);
}

TEST(GaugeSelectionLayout, NoTwoControlsOverlapAndAllKeepAMarginInsideTheDialog) {
    const auto controls = res::gaugeSelectionControls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlSpec& c = controls[i];
        EXPECT_GE(c.x, 7) << c.caption;
        EXPECT_GE(c.y, 7) << c.caption;
        EXPECT_LE(c.x + c.width, res::kGaugeSelectionWidth - 7) << c.caption;
        EXPECT_LE(c.y + c.height, res::kGaugeSelectionHeight - 7) << c.caption;
        for (std::size_t j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(intersects(c, controls[j])) << '"' << c.caption << "\" and \"" << controls[j].caption << '"';
    }
}

// Width of a caption in DLU in GTK's default font, DejaVu Sans 10, where
// 1 DLU is 2 px across: glyph advances by class, each class at its widest.
// Windows' dialog fonts are narrower.
double captionWidth(std::string_view text) {
    double width = 0;
    for (const char c : text) {
        if (std::strchr(" .,:;'/|Iijl", c) != nullptr) {
            width += 2;
        } else if (std::strchr("!frt", c) != nullptr) {
            width += 2.5;
        } else if (std::strchr("mwMW", c) != nullptr) {
            width += 6.5;
        } else if (c >= 'A' && c <= 'Z') {
            width += 5;
        } else {
            width += 4;
        }
    }
    return width;
}

// What a control draws besides its caption, measured under GTK: a check
// box's mark and the gap after it (28 px); a button's bevel and padding.
int captionPadding(K kind) { return kind == K::CheckBox ? 14 : 10; }

TEST(GaugeSelectionLayout, EveryCaptionFitsItsControl) {
    for (const ControlSpec& c : res::gaugeSelectionControls()) {
        EXPECT_LE(captionWidth(c.caption) + captionPadding(c.kind), c.width) << c.caption;
        EXPECT_GE(c.height, c.kind == K::CheckBox ? 11 : 14) << c.caption;
    }
}

// ---------------------------------------------------------------------------
// The rules: what an opening shows, what OK writes.

using testing::MemorySettingsStore;

// Every write in order, as (key, value).
class RecordingStore : public MemorySettingsStore {
public:
    void write(const std::string& section, const std::string& key,
               const std::optional<std::string>& value) override {
        EXPECT_EQ(section, "CfgGauge");
        writes.emplace_back(key, value.value_or("<deleted>"));
        MemorySettingsStore::write(section, key, value);
    }
    std::vector<std::pair<std::string, std::string>> writes;
};

GaugeBoxStates checked(std::initializer_list<int> indices) {
    GaugeBoxStates boxes{};
    for (const int i : indices) boxes.at(static_cast<std::size_t>(i)) = true;
    return boxes;
}

TEST(GaugeSelectionForm, FreshProfileOpensWithAirspeedAttitudeAndAltitude) {
    const MemorySettingsStore empty;
    GaugeSelection flags = loadGaugeSelection(empty);
    RecordingStore store;
    EXPECT_EQ(GaugeSelectionForm(flags, store).opening(), checked({0, 1, 2}));
}

// Any non-zero number reads as on and goes back as "1"; text reads as off.
TEST(GaugeSelectionForm, OkRewritesAll21KeysInFlagOrderAsOneOrZero) {
    RecordingStore store;
    store.values[{"CfgGauge", "G_NAV1"}] = "2";
    store.values[{"CfgGauge", "G_ATT"}] = "abc";
    store.values[{"CfgGauge", "G_RPME"}] = "-7";
    GaugeSelection flags = loadGaugeSelection(store);
    GaugeSelectionForm form(flags, store);
    const GaugeBoxStates shown = form.opening();
    EXPECT_EQ(shown, checked({0, 2, 7, 20}));

    form.accept(shown);
    std::vector<std::pair<std::string, std::string>> expected;
    for (std::size_t i = 0; i < std::size(kGaugeKeys); ++i)
        expected.emplace_back(kGaugeKeys[i].key, shown[i] ? "1" : "0");
    EXPECT_EQ(store.writes, expected);
}

TEST(GaugeSelectionForm, OkChangesTheFlagsEvenWhenTheStoreKeepsNothing) {
    class Forgetful : public MemorySettingsStore {
        void write(const std::string&, const std::string&, const std::optional<std::string>&) override {}
    } store;
    GaugeSelection flags;
    GaugeSelectionForm form(flags, store);
    form.accept(checked({3, 19}));
    EXPECT_EQ(form.opening(), checked({3, 19}));
    EXPECT_FALSE(flags.ias);
    EXPECT_TRUE(flags.slip);
    EXPECT_TRUE(flags.mpr);
}

// ---------------------------------------------------------------------------
// The flags OK sets are the ones the very next gauge line reads.

class GaugeSelectionLineTest : public ::testing::Test, protected testing::BenchHarness, protected testing::CoreHarness {
protected:
    GaugeSelectionLineTest() {
        core.start({"127.255.255.255"});
        core.setPanelOutput(&panels);
        bench.setValue("AIRSPEED INDICATED", 100.04);
        bench.setValue("SEA LEVEL PRESSURE", 1013.25);
        bench.setValue("SUCTION PRESSURE", 5.0);
        tick(3);  // open, the open message, then a sample with these values is on its way
        panels.connected[static_cast<int>(Panel::StandbyGauges)] = true;
    }
    std::string nextLine() {
        panels.written.clear();
        tick();
        if (panels.written.size() != 1) return "<" + std::to_string(panels.written.size()) + " writes>";
        return {panels.written[0].second.begin(), panels.written[0].second.end()};
    }

    testing::FakePanelOutput panels;
};

TEST_F(GaugeSelectionLineTest, EverythingClearedLeavesTheTailAloneAndStoresZeroes) {
    EXPECT_EQ(nextLine().rfind("IAS=1000|ROL=", 0), 0u);
    GaugeSelectionForm form(core.gauges(), settings);
    form.accept(GaugeBoxStates{});
    EXPECT_EQ(nextLine(), "HPA=10133|VAC=50|VF=500\r\n");
    for (const auto& gauge : kGaugeKeys) EXPECT_EQ(settings.read("CfgGauge", gauge.key), "0") << gauge.key;
}

TEST_F(GaugeSelectionLineTest, OkWithTheLastBoxOnlySendsEngineRpm) {
    bench.setValue("GENERAL ENG RPM:1", 2312.6);
    tick();
    GaugeSelectionForm(core.gauges(), settings).accept(checked({20}));
    EXPECT_EQ(nextLine(), "RE=2313|HPA=10133|VAC=50|VF=500\r\n");
}

}  // namespace
}  // namespace brelvik
