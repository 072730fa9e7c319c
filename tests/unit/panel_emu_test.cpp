#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/panel-emu/emu_options.h"
#include "tools/panel-emu/panel_emulator.h"

namespace brelvik::panelemu {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Action = CommandResult::Action;

PanelEmulator allOpen() { return PanelEmulator({true, true, true}); }

Bytes bytesOf(std::string_view text) { return Bytes(text.begin(), text.end()); }

// --- typed commands: what is sent where, and what is refused ---

struct CommandCase {
    std::string line;
    std::optional<Panel> panel;
    Bytes bytes;
    Action action = Action::None;
    bool error = false;
};
void PrintTo(const CommandCase& c, std::ostream* os) { *os << '"' << c.line << '"'; }
class PanelEmuCommand : public ::testing::TestWithParam<CommandCase> {};

TEST_P(PanelEmuCommand, SendsOrRefuses) {
    const CommandCase& c = GetParam();
    PanelEmulator emulator = allOpen();
    const CommandResult result = emulator.onCommand(c.line);
    EXPECT_EQ(result.panel, c.panel);
    EXPECT_EQ(result.bytes, c.bytes);
    EXPECT_EQ(result.action, c.action);
    const bool error = !result.lines.empty() && result.lines.front().rfind("error ", 0) == 0;
    EXPECT_EQ(error, c.error);
    if (c.error) {
        EXPECT_EQ(result.lines.size(), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Good, PanelEmuCommand,
    ::testing::Values(CommandCase{"set switch 19 100", Panel::Switch, {0xFF, 0xFF, 0x13, 0x64}},
                      CommandCase{"  set   pedestal 94 255\r", Panel::Pedestal, {0xFF, 0xFF, 0x5E, 0xFF}},
                      CommandCase{"set switch 80 1", Panel::Switch, {0xFF, 0xFF, 0x50, 0x01}},
                      CommandCase{"set switch 61 0", Panel::Switch, {0xFF, 0xFF, 0x3D, 0x00}},
                      CommandCase{"key C", Panel::Gauges, {'C'}},
                      CommandCase{"raw switch FF FF 5E", Panel::Switch, {0xFF, 0xFF, 0x5E}},
                      CommandCase{"raw pedestal ffff5e01 7", Panel::Pedestal, {0xFF, 0xFF, 0x5E, 0x01, 0x07}},
                      CommandCase{"raw gauges 51 0D 0A", Panel::Gauges, {'Q', '\r', '\n'}},
                      CommandCase{"unplug gauges", Panel::Gauges, {}, Action::Unplug},
                      CommandCase{"silent switch on", std::nullopt, {}},
                      CommandCase{"exit", std::nullopt, {}, Action::Exit},
                      CommandCase{"", std::nullopt, {}}));

INSTANTIATE_TEST_SUITE_P(
    Bad, PanelEmuCommand,
    ::testing::Values(CommandCase{"set gauges 1 1", std::nullopt, {}, Action::None, true},
                      CommandCase{"set switch 13 1", std::nullopt, {}, Action::None, true},  // no such control
                      CommandCase{"set switch 94 1", std::nullopt, {}, Action::None, true},  // a pedestal code
                      CommandCase{"set switch 19 256", std::nullopt, {}, Action::None, true},
                      CommandCase{"set switch 19 -1", std::nullopt, {}, Action::None, true},
                      CommandCase{"set switch 0x13 1", std::nullopt, {}, Action::None, true},
                      CommandCase{"set switch 19", std::nullopt, {}, Action::None, true},
                      CommandCase{"set switch 19 1 2", std::nullopt, {}, Action::None, true},
                      CommandCase{"set cockpit 1 1", std::nullopt, {}, Action::None, true},
                      CommandCase{"set", std::nullopt, {}, Action::None, true},
                      CommandCase{"key G", std::nullopt, {}, Action::None, true},
                      CommandCase{"key a", std::nullopt, {}, Action::None, true},
                      CommandCase{"key AB", std::nullopt, {}, Action::None, true},
                      CommandCase{"raw switch", std::nullopt, {}, Action::None, true},
                      CommandCase{"raw switch FFF", std::nullopt, {}, Action::None, true},
                      CommandCase{"raw switch zz", std::nullopt, {}, Action::None, true},
                      CommandCase{"silent switch maybe", std::nullopt, {}, Action::None, true},
                      CommandCase{"unplug switch now", std::nullopt, {}, Action::None, true},
                      CommandCase{"exit now", std::nullopt, {}, Action::None, true},
                      CommandCase{"bogus \x01", std::nullopt, {}, Action::None, true}));

TEST(PanelEmuCommandState, SetIsStoredAndClosedPanelsAreRefused) {
    PanelEmulator emulator({false, true, true});
    emulator.onCommand("set switch 18 3");
    EXPECT_EQ(emulator.value(Panel::Switch, 18), 3);
    EXPECT_EQ(emulator.onCommand("key A").lines, std::vector<std::string>{"error gauges is not open"});
    emulator.onCommand("unplug pedestal");
    EXPECT_FALSE(emulator.isOpen(Panel::Pedestal));
    EXPECT_TRUE(emulator.onCommand("set pedestal 94 1").bytes.empty());
}

// --- the greeting: the whole state, in code order, as the auto-connect probe reads it ---

Bytes frames(std::initializer_list<std::pair<int, int>> pairs) {
    Bytes out;
    for (const auto& [code, value] : pairs) {
        out.insert(out.end(), {0xFF, 0xFF, static_cast<std::uint8_t>(code), static_cast<std::uint8_t>(value)});
    }
    return out;
}

Bytes switchPanelReport(int lever) {
    Bytes out = frames({{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}, {7, 0}, {8, 0}, {9, 0}, {10, 0},
                        {11, 0}, {12, 0}, {14, 128}, {15, 128}, {16, 128}, {17, 128}, {18, 0}, {19, lever}});
    for (int code = 20; code <= 61; ++code) {
        const Bytes breaker = frames({{code, 1}});
        out.insert(out.end(), breaker.begin(), breaker.end());
    }
    const Bytes tail = frames({{81, 0}, {87, 0}});
    out.insert(out.end(), tail.begin(), tail.end());
    return out;
}

const Bytes kGreeting{0xFF, 0xFF, 0xFE, 0x00};

TEST(PanelEmuGreeting, SwitchPanelReportsEveryControl) {
    PanelEmulator emulator = allOpen();
    const Output out = emulator.onReceived(Panel::Switch, kGreeting);
    EXPECT_EQ(out.bytes, switchPanelReport(200));
    EXPECT_EQ(out.lines, std::vector<std::string>{"rx switch FE 00"});
}

TEST(PanelEmuGreeting, PedestalReportsTrimValveSelector) {
    PanelEmulator emulator = allOpen();
    EXPECT_EQ(emulator.onReceived(Panel::Pedestal, kGreeting).bytes, frames({{94, 128}, {95, 0}, {96, 0}}));
}

TEST(PanelEmuGreeting, ReportCarriesMovedControls) {
    PanelEmulator emulator = allOpen();
    emulator.onCommand("set switch 19 60");
    EXPECT_EQ(emulator.onReceived(Panel::Switch, kGreeting).bytes, switchPanelReport(60));
}

TEST(PanelEmuGreeting, SplitAcrossReadsAnswersOnceWhole) {
    PanelEmulator emulator = allOpen();
    // Leading garbage and a frame cut in three, as a reader hands over whatever was queued.
    EXPECT_TRUE(emulator.onReceived(Panel::Pedestal, Bytes{0x00, 0xFF}).bytes.empty());
    EXPECT_TRUE(emulator.onReceived(Panel::Pedestal, Bytes{0xFF, 0xFE}).bytes.empty());
    const Output out = emulator.onReceived(Panel::Pedestal, Bytes{0x00});
    EXPECT_EQ(out.bytes.size(), 12u);
    EXPECT_EQ(out.lines, std::vector<std::string>{"rx pedestal FE 00"});
}

TEST(PanelEmuGreeting, OtherCommandsAreOnlyPrinted) {
    PanelEmulator emulator = allOpen();
    const Output out = emulator.onReceived(Panel::Switch, frames({{0xFE, 0x01}, {0x06, 0x0E}, {0x07, 0x10}, {0xFD, 0xFF}}));
    EXPECT_TRUE(out.bytes.empty());
    EXPECT_EQ(out.lines, (std::vector<std::string>{"rx switch FE 01", "rx switch 06 0E", "rx switch 07 10",
                                                   "rx switch FD FF"}));
}

// --- the standby gauges: text lines in, an identity line out for "Q" ---

struct LineCase {
    std::vector<std::string> reads;
    std::vector<std::string> lines;
    std::string reply;
};
class PanelEmuGaugesLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(PanelEmuGaugesLine, PrintsLinesAndAnswersQuery) {
    PanelEmulator emulator = allOpen();
    std::vector<std::string> lines;
    std::string reply;
    for (const std::string& read : GetParam().reads) {
        const Output out = emulator.onReceived(Panel::Gauges, bytesOf(read));
        lines.insert(lines.end(), out.lines.begin(), out.lines.end());
        reply.append(out.bytes.begin(), out.bytes.end());
    }
    EXPECT_EQ(lines, GetParam().lines);
    EXPECT_EQ(reply, GetParam().reply);
}

const std::string kIdentity(kGaugesIdentity);

INSTANTIATE_TEST_SUITE_P(
    Cases, PanelEmuGaugesLine,
    ::testing::Values(LineCase{{"Q\r\n"}, {"rx gauges Q"}, kIdentity},
                      LineCase{{"Q\r", "\n"}, {"rx gauges Q"}, kIdentity},
                      LineCase{{"Q\r\nQ\r\n"}, {"rx gauges Q", "rx gauges Q"}, kIdentity + kIdentity},
                      LineCase{{"ALT=1200|BRT=5|\r\n"}, {"rx gauges ALT=1200|BRT=5|"}, ""},
                      LineCase{{"ALT=12", "00|\r\n"}, {"rx gauges ALT=1200|"}, ""},
                      LineCase{{"q\r\n", "QQ\r\n"}, {"rx gauges q", "rx gauges QQ"}, ""},
                      LineCase{{"A\x01\\\r\n"}, {"rx gauges A\\x01\\x5C"}, ""},
                      LineCase{{"no end yet"}, {}, ""}));

TEST(PanelEmuGaugesLine, IdentityEndsInLineFeed) { EXPECT_EQ(kGaugesIdentity.back(), '\n'); }

TEST(PanelEmuGaugesLine, EndlessTextIsCutNotHoarded) {
    PanelEmulator emulator = allOpen();
    const Output out = emulator.onReceived(Panel::Gauges, Bytes(kMaxGaugesLine * 2, 'x'));
    EXPECT_EQ(out.lines.size(), 2u);
}

// --- silent: the panel hears but does not answer ---

TEST(PanelEmuSilent, StopsAndResumesAnswers) {
    PanelEmulator emulator = allOpen();
    emulator.onCommand("silent switch on");
    emulator.onCommand("silent gauges on");
    const Output quiet = emulator.onReceived(Panel::Switch, kGreeting);
    EXPECT_TRUE(quiet.bytes.empty());
    EXPECT_EQ(quiet.lines, std::vector<std::string>{"rx switch FE 00"});
    EXPECT_TRUE(emulator.onReceived(Panel::Gauges, bytesOf("Q\r\n")).bytes.empty());
    EXPECT_FALSE(emulator.onReceived(Panel::Pedestal, kGreeting).bytes.empty()) << "silence is per panel";
    emulator.onCommand("silent switch off");
    EXPECT_EQ(emulator.onReceived(Panel::Switch, kGreeting).bytes.size(), 252u);
}

// --- command line and the port lines ---

struct OptionsCase {
    std::vector<std::string> args;
    bool ok;
};
class PanelEmuOptions : public ::testing::TestWithParam<OptionsCase> {};

TEST_P(PanelEmuOptions, AcceptsOrRefuses) {
    const ParsedOptions parsed = parseOptions(GetParam().args);
    EXPECT_EQ(parsed.error.empty(), GetParam().ok) << parsed.error;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PanelEmuOptions,
    ::testing::Values(OptionsCase{{"--gauges"}, true}, OptionsCase{{"--switch", "--pedestal", "--stay"}, true},
                      OptionsCase{{"--device", "switch=/dev/ttyUSB0"}, true}, OptionsCase{{"--help"}, true},
                      OptionsCase{{}, false}, OptionsCase{{"--stay"}, false}, OptionsCase{{"--radio"}, false},
                      OptionsCase{{"--device"}, false}, OptionsCase{{"--device", "radio=/dev/x"}, false},
                      OptionsCase{{"--device", "switch="}, false}, OptionsCase{{"--device", "switch=/a;b"}, false},
                      OptionsCase{{"--device", "switch=/a", "--device", "switch=/b"}, false}));

TEST(PanelEmuOptions, DeviceImpliesThePanel) {
    const ParsedOptions parsed = parseOptions({"--device", "pedestal=/dev/ttyUSB1"});
    EXPECT_TRUE(parsed.options.panels[static_cast<std::size_t>(Panel::Pedestal)].wanted);
    EXPECT_EQ(parsed.options.panels[static_cast<std::size_t>(Panel::Pedestal)].device, "/dev/ttyUSB1");
}

TEST(PanelEmuOptions, ExtraPortsNamesMatchAutoConnectTests) {
    EXPECT_EQ(extraPortsLine({std::string("/dev/pts/3"), std::nullopt, std::string("/dev/pts/5")}),
              "BRELVIK_EXTRA_PORTS=STMicroelectronics Virtual COM Port USB (pts/3)=/dev/pts/3;"
              "USB Serial Port (pts/5)=/dev/pts/5");
    EXPECT_EQ(extraPortsLine({std::nullopt, std::string("/dev/ttyUSB0"), std::nullopt}),
              "BRELVIK_EXTRA_PORTS=USB Serial Port (ttyUSB0)=/dev/ttyUSB0");
}

}  // namespace
}  // namespace brelvik::panelemu
