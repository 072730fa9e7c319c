#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "panels/serial_ports.h"

namespace brelvik {
namespace {

// ---- BRELVIK_EXTRA_PORTS ----

struct ExtraCase {
    std::string name;
    std::string text;
    std::vector<std::pair<std::string, std::string>> expected;  // friendly name, path
};

class ExtraPorts : public ::testing::TestWithParam<ExtraCase> {};

TEST_P(ExtraPorts, KeepsWellFormedEntriesInOrder) {
    std::vector<std::pair<std::string, std::string>> got;
    for (const SSerInfo& port : parseExtraPorts(GetParam().text)) {
        got.emplace_back(port.friendlyName, port.devicePath);
        EXPECT_FALSE(port.isUsbDevice);
    }
    EXPECT_EQ(got, GetParam().expected);
}

const std::string kLongName(kMaxExtraNameBytes, 'n');
const std::string kLongPath = "/" + std::string(kMaxExtraPathBytes - 1, 'p');

INSTANTIATE_TEST_SUITE_P(
    Entries, ExtraPorts,
    ::testing::Values(
        ExtraCase{"Empty", "", {}},
        ExtraCase{"OnlySeparators", ";;;", {}},
        ExtraCase{"One", "STMicro Gauges=/dev/pts/3", {{"STMicro Gauges", "/dev/pts/3"}}},
        ExtraCase{"TwoInOrder", "Switch USB (pty)=/dev/pts/4;Pedestal USB=/dev/pts/5",
                  {{"Switch USB (pty)", "/dev/pts/4"}, {"Pedestal USB", "/dev/pts/5"}}},
        ExtraCase{"TrailingSeparator", "A=/dev/pts/1;", {{"A", "/dev/pts/1"}}},
        ExtraCase{"BlanksAroundDropped", "  A USB = /dev/pts/1 ; B=/tmp/b ", {{"A USB", "/dev/pts/1"}, {"B", "/tmp/b"}}},
        ExtraCase{"MissingEqualsSkipped", "/dev/pts/1;B=/dev/pts/2", {{"B", "/dev/pts/2"}}},
        ExtraCase{"EmptyNameSkipped", "=/dev/pts/1; =/dev/pts/2;C=/dev/pts/3", {{"C", "/dev/pts/3"}}},
        ExtraCase{"EmptyPathSkipped", "A=;B= ;C=/dev/pts/3", {{"C", "/dev/pts/3"}}},
        ExtraCase{"EqualsInNameKept", "Gauges=2=/dev/pts/1", {{"Gauges=2", "/dev/pts/1"}}},
        ExtraCase{"ControlCharacterSkipped", "A\x1b[2J=/dev/pts/1;B=/dev/pts/2\x01;C=/dev/pts/3", {{"C", "/dev/pts/3"}}},
        ExtraCase{"LongestKept", kLongName + "=" + kLongPath, {{kLongName, kLongPath}}},
        ExtraCase{"TooLongNameSkipped", kLongName + "x=/dev/pts/1;B=/dev/pts/2", {{"B", "/dev/pts/2"}}},
        ExtraCase{"TooLongPathSkipped", "A=" + kLongPath + "x;B=/dev/pts/2", {{"B", "/dev/pts/2"}}},
        ExtraCase{"HugeValueSkipped", "A=" + std::string(1 << 20, 'x'), {}}),
    [](const auto& info) { return info.param.name; });

TEST(ExtraPortsCount, StopsAtTheLimit) {
    std::string text;
    for (int i = 0; i < 10000; ++i) text += "P" + std::to_string(i) + "=/dev/pts/" + std::to_string(i) + ";";
    const auto ports = parseExtraPorts(text);
    ASSERT_EQ(ports.size(), kMaxExtraPorts);
    EXPECT_EQ(ports.back().devicePath, "/dev/pts/" + std::to_string(kMaxExtraPorts - 1));
}

// ---- post-processing ----

struct FinishCase {
    std::string name;
    SSerInfo in;
    std::string friendlyName;
    std::string portDescription;
};

class FinishRecords : public ::testing::TestWithParam<FinishCase> {};

TEST_P(FinishRecords, FillsAndTrimsAsTheBoxesNeed) {
    std::vector<SSerInfo> ports{GetParam().in};
    finishPortRecords(ports);
    EXPECT_EQ(ports[0].friendlyName, GetParam().friendlyName);
    EXPECT_EQ(ports[0].portDescription, GetParam().portDescription);
}

SSerInfo record(std::string portName, std::string friendlyName, std::string description) {
    SSerInfo r;
    r.portName = std::move(portName);
    r.friendlyName = std::move(friendlyName);
    r.portDescription = std::move(description);
    return r;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, FinishRecords,
    ::testing::Values(
        FinishCase{"NoFriendlyNameShowsPortName", record("COM3", "", ""), "COM3", "COM3"},
        FinishCase{"DescriptionFromFriendlyNameLosesPort", record("", "USB Serial Device (COM4)", ""),
                   "USB Serial Device (COM4)", "USB Serial Device"},
        FinishCase{"OwnDescriptionLosesPort", record("", "X (COM4)", "Communications Port (COM1)"), "X (COM4)",
                   "Communications Port"},
        FinishCase{"TextAfterParenthesisKept", record("", "F", "Port (COM1) spare"), "F", "Port (COM1) spare"},
        FinishCase{"TwoParenthesesKept", record("", "F", "Port (A) (COM1)"), "F", "Port (A) (COM1)"},
        FinishCase{"ParenthesisAtStartKept", record("", "F", " (COM1)"), "F", " (COM1)"},
        FinishCase{"NoBlankBeforeParenthesisKept", record("", "F", "Port(COM1)"), "F", "Port(COM1)"},
        FinishCase{"NestedOpenCutAtFirst", record("", "F", "A (B (C)"), "F", "A"},
        FinishCase{"AllEmptyStaysEmpty", record("", "", ""), "", ""}),
    [](const auto& info) { return info.param.name; });

// ---- records from what libserialport reports ----

struct FactsCase {
    std::string name;
    PortFacts facts;
    std::string friendlyName;
    bool usb;
};

class PortFromFacts : public ::testing::TestWithParam<FactsCase> {};

TEST_P(PortFromFacts, NamesThePortForTheBoxesAndAutoConnect) {
    const SSerInfo port = portRecordFromFacts(GetParam().facts);
    EXPECT_EQ(port.friendlyName, GetParam().friendlyName);
    EXPECT_EQ(port.isUsbDevice, GetParam().usb);
    EXPECT_EQ(port.devicePath, GetParam().facts.path);
    // Auto-connect probes only ports whose name says USB.
    EXPECT_EQ(port.friendlyName.find("USB") != std::string::npos, GetParam().usb);
}

PortFacts usb(std::string path, std::string maker, std::string product, std::string description = "") {
    return {std::move(path), PortTransport::Usb, std::move(description), std::move(maker), std::move(product), ""};
}

INSTANTIATE_TEST_SUITE_P(
    Ports, PortFromFacts,
    ::testing::Values(
        FactsCase{"StBoard", usb("/dev/ttyACM0", "STMicroelectronics", "Virtual COM Port"),
                  "STMicroelectronics Virtual COM Port USB (ttyACM0)", true},
        FactsCase{"ProductSaysUsbAlready", usb("/dev/ttyUSB0", "FTDI", "FT232R USB UART"), "FTDI FT232R USB UART (ttyUSB0)",
                  true},
        FactsCase{"ProductRepeatsMaker", usb("/dev/ttyACM1", "Arduino", "Arduino Uno"), "Arduino Uno USB (ttyACM1)", true},
        FactsCase{"NoMaker", usb("/dev/ttyACM2", "", "Pedestal"), "Pedestal USB (ttyACM2)", true},
        FactsCase{"NoStringsAtAll", usb("/dev/ttyUSB1", "", "", "ttyUSB1"), "USB Serial Port (ttyUSB1)", true},
        FactsCase{"DescriptionWhenNoProduct", usb("/dev/ttyUSB2", "", "", "CP2102 Bridge"), "CP2102 Bridge USB (ttyUSB2)",
                  true},
        FactsCase{"HostileStrings", usb("/dev/ttyACM3", "ST\x1b[31mMicro\r\n", "  Gauges\t\tPanel  "),
                  "ST [31mMicro Gauges Panel USB (ttyACM3)", true},
        FactsCase{"NativeUart", PortFacts{"/dev/ttyS0", PortTransport::Native, "ttyS0", "", "", "4\n"}, "Serial Port (ttyS0)",
                  false},
        FactsCase{"NativeNeverSaysUsb", PortFacts{"/dev/ttyAMA0", PortTransport::Native, "USB hub bridge", "", "", ""},
                  "Serial Port (ttyAMA0)", false},
        FactsCase{"Bluetooth", PortFacts{"/dev/rfcomm0", PortTransport::Bluetooth, "", "", "", ""},
                  "Bluetooth Serial Port (rfcomm0)", false}),
    [](const auto& info) { return info.param.name; });

struct PhantomCase {
    std::string name;
    PortTransport transport;
    std::string uartType;
    bool phantom;
};

class PhantomUart : public ::testing::TestWithParam<PhantomCase> {};

TEST_P(PhantomUart, OnlyANativePortWithoutAUartIsLeftOut) {
    PortFacts facts{"/dev/ttyS5", GetParam().transport, "ttyS5", "", "", GetParam().uartType};
    EXPECT_EQ(isPhantomUart(facts), GetParam().phantom);
}

INSTANTIATE_TEST_SUITE_P(
    Types, PhantomUart,
    ::testing::Values(PhantomCase{"Unknown", PortTransport::Native, "0\n", true},
                      PhantomCase{"Uart16550A", PortTransport::Native, "4\n", false},
                      PhantomCase{"NoAttribute", PortTransport::Native, "", false},
                      PhantomCase{"Garbage", PortTransport::Native, "0x0", false},
                      PhantomCase{"UsbNeverPhantom", PortTransport::Usb, "0", false}),
    [](const auto& info) { return info.param.name; });

TEST(PortFromFactsLength, LongUsbStringsAreCappedAtACharacterBoundary) {
    // 200 two-byte characters: a cut by bytes alone would split one.
    std::string product;
    for (int i = 0; i < 200; ++i) product += "\xc3\xa9";
    const SSerInfo port = portRecordFromFacts(usb("/dev/ttyACM0", "STMicroelectronics", "x" + product));
    const std::string& name = port.friendlyName;
    EXPECT_LT(name.size(), 2 * 126 + 30);
    EXPECT_EQ(name.rfind("STMicroelectronics x\xc3\xa9", 0), 0u);
    const std::string ending = "\xc3\xa9 USB (ttyACM0)";
    ASSERT_GT(name.size(), ending.size());
    EXPECT_EQ(name.substr(name.size() - ending.size()), ending);
}

// ---- the whole list ----

TEST(CollectPorts, ExtraPortsFollowTheSystemsAndEveryRecordIsFinished) {
    const auto result = collectPorts(
        [](std::vector<SSerInfo>& ports) {
            ports.push_back(portRecordFromFacts(usb("/dev/ttyACM0", "STMicroelectronics", "Virtual COM Port")));
            return std::string();
        },
        "Switch USB (pty)=/dev/pts/7");
    ASSERT_EQ(result.ports.size(), 2u);
    EXPECT_TRUE(result.error.empty());
    EXPECT_EQ(result.ports[0].portDescription, "STMicroelectronics Virtual COM Port USB");
    EXPECT_EQ(result.ports[1].friendlyName, "Switch USB (pty)");
    EXPECT_EQ(result.ports[1].portDescription, "Switch USB");
    EXPECT_EQ(result.ports[1].portName, "7");
}

TEST(CollectPorts, AFailureKeepsWhatWasFoundAndTheExtraPorts) {
    const auto result = collectPorts(
        [](std::vector<SSerInfo>& ports) {
            SSerInfo found;
            found.devicePath = R"(\\?\usb#vid_0483&pid_5740#1#{86e0d1e0-8089-11d0-9ce4-08003e301f73})";
            found.friendlyName = "USB Serial Device (COM5)";
            ports.push_back(found);
            return std::string("SetupDiGetDeviceInterfaceDetail failed. (err=7a)");
        },
        "A=/dev/pts/1");
    EXPECT_EQ(result.error, "SetupDiGetDeviceInterfaceDetail failed. (err=7a)");
    ASSERT_EQ(result.ports.size(), 2u);
    EXPECT_EQ(result.ports[0].portDescription, "USB Serial Device");
    EXPECT_EQ(result.ports[1].devicePath, "/dev/pts/1");
}

TEST(CollectPorts, AFloodOfSystemPortsIsCut) {
    const auto result = collectPorts(
        [](std::vector<SSerInfo>& ports) {
            ports.resize(kMaxPlatformPorts * 4);
            return std::string();
        },
        nullptr);
    EXPECT_EQ(result.ports.size(), kMaxPlatformPorts);
}

}  // namespace
}  // namespace brelvik
