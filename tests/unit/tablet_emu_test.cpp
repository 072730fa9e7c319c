#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/tablet-emu/emu_options.h"
#include "tools/tablet-emu/tablet_emulator.h"

namespace brelvik::tabletemu {
namespace {

using namespace std::string_literals;

// --- printing: one datagram must always be exactly one unambiguous line ---

struct EscapeCase {
    std::string bytes;
    std::string line;
};
void PrintTo(const EscapeCase& c, std::ostream* os) { *os << '"' << escapeDatagram(c.bytes) << '"'; }
class TabletEmuEscape : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(TabletEmuEscape, PrintsOneLine) { EXPECT_EQ(escapeDatagram(GetParam().bytes), GetParam().line); }

INSTANTIATE_TEST_SUITE_P(
    Cases, TabletEmuEscape,
    ::testing::Values(EscapeCase{"ClientData|FS2020=1", "ClientData|FS2020=1"}, EscapeCase{"", ""},
                      EscapeCase{"a b~", "a b~"}, EscapeCase{"A\nB\r", "A\\x0AB\\x0D"},
                      EscapeCase{"\0|"s, "\\x00|"},
                      // A literal backslash is escaped too, or "\x41" received could not be told from "A".
                      EscapeCase{"\\x41", "\\x5Cx41"}, EscapeCase{"\t\x7F\xFF\x80", "\\x09\\x7F\\xFF\\x80"}));

TEST(TabletEmuPrint, FromOptionPrefixesSender) {
    Options options;
    EXPECT_EQ(TabletEmulator(options).printedLine("Answer", "127.0.0.7"), "Answer\n");
    options.showSender = true;
    EXPECT_EQ(TabletEmulator(options).printedLine("a\nb", "127.0.0.7"), "127.0.0.7 a\\x0Ab\n");
}

// --- automatic replies, always to the sender at the bridge port ---

struct ReplyCase {
    std::string received;
    std::optional<std::string> reply;
};
void PrintTo(const ReplyCase& c, std::ostream* os) { *os << '"' << c.received << '"'; }
class TabletEmuReply : public ::testing::TestWithParam<ReplyCase> {};

TEST_P(TabletEmuReply, AnswersByMessageWord) {
    Options options;
    options.answerA = 3;
    TabletEmulator emulator(options);
    const auto out = emulator.onDatagram(GetParam().received, "127.0.0.9");
    if (!GetParam().reply) {
        EXPECT_EQ(out, std::nullopt);
        return;
    }
    EXPECT_EQ(out, (Outgoing{*GetParam().reply, "127.0.0.9", kBridgePort}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TabletEmuReply,
    ::testing::Values(ReplyCase{"ClientRequest", "ServerHere"}, ReplyCase{"ClientComing", "ServerReady"},
                      ReplyCase{"Request", "Answer|A=3"}, ReplyCase{"Request|X=1", "Answer|A=3"},
                      ReplyCase{"||ClientComing|", "ServerReady"}, ReplyCase{"ClientOut", std::nullopt},
                      ReplyCase{"Answer", std::nullopt}, ReplyCase{"ClientData|FS2020=1", std::nullopt},
                      ReplyCase{"ClientAv|COM1=118.250000", std::nullopt}, ReplyCase{"request", std::nullopt},
                      ReplyCase{"ClientRequestX", std::nullopt}, ReplyCase{"Request=1", std::nullopt},
                      ReplyCase{"", std::nullopt}));

TEST(TabletEmuReply, BridgePortOptionMovesReplyAndProbePort) {
    Options options;
    options.bridgePort = 25683;
    TabletEmulator emulator(options);
    EXPECT_EQ(emulator.onDatagram("ClientComing", "127.0.0.2")->port, 25683);
    EXPECT_EQ(emulator.probe(), (Outgoing{"Request", "127.0.0.2", 25683}));
}

// --- silence, probes and the A value, as a tester drives them over stdin ---

TEST(TabletEmuSilent, NoRepliesNoProbesButStillLearnsTheBridge) {
    Options options;
    options.silent = true;
    TabletEmulator emulator(options);
    EXPECT_EQ(emulator.onDatagram("Request", "127.0.0.4"), std::nullopt);
    EXPECT_EQ(emulator.probe(), std::nullopt);
    // Typed datagrams still go out while silent, to the bridge it heard from.
    EXPECT_EQ(emulator.onInputLine("Answer|A=x").send, (Outgoing{"Answer|A=x", "127.0.0.4", kBridgePort}));

    EXPECT_EQ(emulator.onInputLine("!silent off").note, "silent off");
    EXPECT_EQ(emulator.probe(), (Outgoing{"Request", "127.0.0.4", kBridgePort}));
    EXPECT_EQ(emulator.onDatagram("Request", "127.0.0.4")->text, "Answer|A=1");
    emulator.onInputLine("!silent on");
    EXPECT_TRUE(emulator.silent());
    EXPECT_EQ(emulator.onDatagram("ClientComing", "127.0.0.4"), std::nullopt);
}

TEST(TabletEmuProbe, OnlyOnceABridgeIsKnownAndNotWhenDisabled) {
    Options options;
    TabletEmulator emulator(options);
    EXPECT_EQ(emulator.probe(), std::nullopt);
    emulator.onDatagram("ClientData|X=1", "127.0.0.5");
    emulator.onDatagram("ClientOut", "127.0.0.6");  // the last sender is the one probed
    EXPECT_EQ(emulator.probe(), (Outgoing{"Request", "127.0.0.6", kBridgePort}));

    options.probeIntervalMs = 0;
    TabletEmulator quiet(options);
    quiet.onDatagram("ClientComing", "127.0.0.5");
    EXPECT_EQ(quiet.probe(), std::nullopt);
}

TEST(TabletEmuAnswerA, CommandChangesTheAnswerAndRejectsNonNumbers) {
    TabletEmulator emulator{Options{}};
    EXPECT_EQ(emulator.onInputLine("!answer-a 0").note, "answer-a 0");
    EXPECT_EQ(emulator.onDatagram("Request", "127.0.0.1")->text, "Answer|A=0");
    for (const char* bad : {"!answer-a x", "!answer-a", "!answer-a 1 2", "!answer-a 2147483648"}) {
        const auto result = emulator.onInputLine(bad);
        EXPECT_NE(result.note.find("not understood"), std::string::npos) << bad;
        EXPECT_FALSE(result.send) << bad;
    }
    EXPECT_EQ(emulator.answerA(), 0);
}

// --- typed lines: datagrams, commands, and where they are sent ---

TEST(TabletEmuTarget, ExplicitTargetWinsOverLastSenderWhichWinsOverLoopback) {
    TabletEmulator emulator{Options{}};
    EXPECT_EQ(emulator.onInputLine("ServerHere").send, (Outgoing{"ServerHere", "127.0.0.1", kBridgePort}));
    emulator.onDatagram("ClientRequest", "127.0.0.2");
    EXPECT_EQ(emulator.onInputLine("ServerStop").send->address, "127.0.0.2");
    EXPECT_EQ(emulator.onInputLine("!target 127.0.0.3").note, "target 127.0.0.3");
    emulator.onDatagram("ClientRequest", "127.0.0.2");
    EXPECT_EQ(emulator.onInputLine("ServerStop").send->address, "127.0.0.3");
    for (const char* bad : {"!target localhost", "!target 127.0.0", "!target 127.0.0.256", "!target 127.0.0.01",
                            "!target 127.0.0.1.2", "!target 127.0.0.1x", "!target"}) {
        EXPECT_FALSE(emulator.onInputLine(bad).send) << bad;
        EXPECT_EQ(emulator.target(), "127.0.0.3") << bad;
    }
}

struct LineCase {
    std::string line;
    std::optional<std::string> sent;
    bool quit;
};
void PrintTo(const LineCase& c, std::ostream* os) { *os << '"' << c.line << '"'; }
class TabletEmuLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(TabletEmuLine, SendsOrObeys) {
    TabletEmulator emulator{Options{}};
    const auto result = emulator.onInputLine(GetParam().line);
    EXPECT_EQ(result.send ? std::optional<std::string>(result.send->text) : std::nullopt, GetParam().sent);
    EXPECT_EQ(result.quit, GetParam().quit);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TabletEmuLine,
    ::testing::Values(LineCase{"ServerAv|COM1=118250|COM1S=121500", "ServerAv|COM1=118250|COM1S=121500", false},
                      LineCase{"", "", false},  // an empty datagram, on purpose
                      LineCase{" !quit", " !quit", false}, LineCase{"!send !quit", "!quit", false},
                      LineCase{"!send ", "", false}, LineCase{"!quit", std::nullopt, true},
                      LineCase{"!quit now", std::nullopt, false}, LineCase{"!silent maybe", std::nullopt, false},
                      LineCase{"!", std::nullopt, false}, LineCase{"!bogus", std::nullopt, false}));

// --- command line ---

TEST(TabletEmuOptions, AcceptsEveryOptionInBothForms) {
    const auto parsed = parseOptions({"--port", "25684", "--bridge-port=25683", "--answer-a", "-4", "--probe-interval=0",
                                      "--target", "127.0.0.8", "--silent", "--from", "--stay"});
    ASSERT_EQ(parsed.error, "");
    const Options& o = parsed.options;
    EXPECT_EQ(o.port, 25684);
    EXPECT_EQ(o.bridgePort, 25683);
    EXPECT_EQ(o.answerA, -4);
    EXPECT_EQ(o.probeIntervalMs, 0);
    EXPECT_EQ(o.target, "127.0.0.8");
    EXPECT_TRUE(o.silent && o.showSender && o.stayAfterEof);
    EXPECT_FALSE(parsed.showHelp);

    const auto defaults = parseOptions({});
    EXPECT_EQ(defaults.error, "");
    EXPECT_EQ(defaults.options.port, 15684);
    EXPECT_EQ(defaults.options.bridgePort, 15683);
    EXPECT_EQ(defaults.options.answerA, 1);
    EXPECT_EQ(defaults.options.probeIntervalMs, 1000);
    EXPECT_FALSE(defaults.options.silent || defaults.options.showSender || defaults.options.stayAfterEof);
    EXPECT_EQ(defaults.options.target, std::nullopt);
    EXPECT_TRUE(parseOptions({"--exit-on-eof", "-h"}).showHelp);
}

class TabletEmuBadOptions : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(TabletEmuBadOptions, AreRefused) { EXPECT_NE(parseOptions(GetParam()).error, ""); }

INSTANTIATE_TEST_SUITE_P(
    Cases, TabletEmuBadOptions,
    ::testing::Values(std::vector<std::string>{"--port"}, std::vector<std::string>{"--port", "0"},
                      std::vector<std::string>{"--port", "65536"}, std::vector<std::string>{"--port=99999999999999999999"},
                      std::vector<std::string>{"--bridge-port", "x"}, std::vector<std::string>{"--probe-interval", "-1"},
                      std::vector<std::string>{"--answer-a", "1.5"}, std::vector<std::string>{"--target", "localhost"},
                      std::vector<std::string>{"--silent=yes"}, std::vector<std::string>{"--stay", "--exit-on-eof"},
                      std::vector<std::string>{"--verbose"}, std::vector<std::string>{"ClientRequest"}));

}  // namespace
}  // namespace brelvik::tabletemu
