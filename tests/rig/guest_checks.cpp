// The panel transport and the port list on real USB-serial drivers, run inside
// the rig's guest (run_rig.sh boots it and starts this): cdc_acm's ttyACM0,
// whose other end is the guest's own USB gadget (ttyGS0), and two of QEMU's
// FTDI adapters (ftdi_sio's ttyUSB0 and ttyUSB1), whose other ends echo on
// the host. Pseudo-terminals behave like none of these drivers.
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <numeric>
#include <thread>
#include <vector>

#include "panels/panel_ports.h"
#include "panels/serial_port.h"
#include "panels/serial_ports.h"
#include "support/fd_reading.h"

namespace brelvik {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

constexpr const char* kAcm = "/dev/ttyACM0";
constexpr const char* kGadgetEnd = "/dev/ttyGS0";

struct Device {
    const char* path;
    const char* friendlyName;  // as the port boxes show it, from the USB strings the driver reports
};
void PrintTo(const Device& device, std::ostream* out) { *out << device.path; }

constexpr Device kDevices[] = {
    {kAcm, "STMicroelectronics STM32 Virtual ComPort USB (ttyACM0)"},
    {"/dev/ttyUSB0", "QEMU USB SERIAL (ttyUSB0)"},
    {"/dev/ttyUSB1", "QEMU USB SERIAL (ttyUSB1)"},
};

Bytes everyByteValue() {
    Bytes bytes(256);
    std::iota(bytes.begin(), bytes.end(), 0);
    return bytes;
}

// The gadget's end starts cooked: it would echo what the bridge sends.
int openGadgetEnd() {
    const int fd = ::open(kGadgetEnd, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios tio{};
    if (fd < 0 || ::tcgetattr(fd, &tio) != 0) return -1;
    ::cfmakeraw(&tio);
    ::tcsetattr(fd, TCSANOW, &tio);
    ::tcflush(fd, TCIOFLUSH);
    return fd;
}

Bytes readFromPort(SerialPort& port, std::size_t count) {
    Bytes got;
    const auto deadline = Clock::now() + 3s;
    while (got.size() < count && Clock::now() < deadline) {
        Bytes chunk(count - got.size());
        chunk.resize(port.read(chunk));
        got.insert(got.end(), chunk.begin(), chunk.end());
        if (chunk.empty()) std::this_thread::sleep_for(5ms);
    }
    return got;
}

// errno of an open by an unprivileged user, 0 when it was let in: root passes
// TIOCEXCL, so only another user shows whether the port is held exclusively.
int openAsNobody(const char* path) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(255);
        const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK);
        ::_exit(fd >= 0 ? 0 : errno);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class RealDevice : public ::testing::TestWithParam<Device> {};

TEST_P(RealDevice, OpensRaw8N1AtEachPanelsRate) {
    for (const Panel panel : {Panel::StandbyGauges, Panel::SwitchPanel}) {
        const int baud = baudRateOf(panel);
        OpenedPort opened = openSerialPort(GetParam().path, baud);
        ASSERT_NE(opened.port, nullptr) << opened.error;
        // What the driver kept, read through a second descriptor (root passes TIOCEXCL).
        const int fd = ::open(GetParam().path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        termios tio{};
        ASSERT_EQ(::tcgetattr(fd, &tio), 0);
        ::close(fd);
        const speed_t speed = baud == 115200 ? B115200 : B9600;
        EXPECT_EQ(::cfgetospeed(&tio), speed) << baud;
        EXPECT_EQ(::cfgetispeed(&tio), speed) << baud;
        EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS | CREAD | CLOCAL), CS8 | CREAD | CLOCAL);
        EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ECHONL | ISIG | IEXTEN), 0u);
        EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT | PARMRK), 0u);
        EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    }
}

TEST_P(RealDevice, CarriesEveryByteValueBothWays) {
    const bool gadget = std::string(GetParam().path) == kAcm;
    OpenedPort opened = openSerialPort(GetParam().path, gadget ? 115200 : 9600);
    ASSERT_NE(opened.port, nullptr) << opened.error;
    SerialPort& port = *opened.port;
    const Bytes all = everyByteValue();
    if (!gadget) {
        // The host echoes: every value crossed the driver out and back in.
        EXPECT_EQ(port.write(all), all.size());
        EXPECT_EQ(readFromPort(port, all.size()), all);
        return;
    }
    const int peer = openGadgetEnd();
    ASSERT_GE(peer, 0);
    EXPECT_EQ(port.write(all), all.size());
    EXPECT_EQ(testing::readUpTo(peer, all.size()), all);
    ASSERT_EQ(::write(peer, all.data(), all.size()), static_cast<ssize_t>(all.size()));
    EXPECT_EQ(readFromPort(port, all.size()), all);
    ::close(peer);
}

TEST_P(RealDevice, IsHeldForThisBridgeAlone) {
    ASSERT_EQ(::chmod(GetParam().path, 0666), 0);
    OpenedPort opened = openSerialPort(GetParam().path, 9600);
    ASSERT_NE(opened.port, nullptr) << opened.error;
    EXPECT_EQ(openAsNobody(GetParam().path), EBUSY);
    opened.port.reset();
    EXPECT_EQ(openAsNobody(GetParam().path), 0);
}

INSTANTIATE_TEST_SUITE_P(Rig, RealDevice, ::testing::ValuesIn(kDevices),
                         [](const auto& info) { return std::string(info.param.path).substr(8); });

TEST(RealDevices, AreListedWithTheirUsbNames) {
    const PortEnumeration found = EnumerateSerialPorts();
    EXPECT_EQ(found.error, "");
    for (const Device& device : kDevices) {
        const auto record = std::find_if(found.ports.begin(), found.ports.end(),
                                         [&](const SSerInfo& port) { return port.devicePath == device.path; });
        ASSERT_NE(record, found.ports.end()) << device.path;
        EXPECT_EQ(record->friendlyName, device.friendlyName);
        EXPECT_TRUE(record->isUsbDevice) << device.path;
    }
}

class RecordingNotifier : public PanelNotifier {
public:
    void post(Panel, std::uint32_t session, PanelNotice notice) override {
        std::lock_guard lock(mutex_);
        notices_.push_back({session, notice});
        changed_.notify_all();
    }
    std::size_t waitForCount(std::size_t count, std::chrono::milliseconds timeout) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return notices_.size() >= count; });
        return notices_.size();
    }
    std::size_t count() {
        std::lock_guard lock(mutex_);
        return notices_.size();
    }
    std::uint32_t lastSession() {
        std::lock_guard lock(mutex_);
        return notices_.back().first;
    }
    PanelNotice noticeAt(std::size_t index) {
        std::lock_guard lock(mutex_);
        return notices_.at(index).second;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::pair<std::uint32_t, PanelNotice>> notices_;
};

struct GaugeBytes : PanelInput {
    void onStandbyByte(std::uint8_t byte) override { bytes.push_back(byte); }
    Bytes bytes;
};

// The reader posts once, then waits until the UI thread has read the batch:
// bytes that arrive meanwhile wait for the next notice.
TEST(RealGadgetPort, PostsOneNoticeUntilTheBatchIsConsumed) {
    SystemSerialOpener opener;
    RecordingNotifier notifier;
    GaugeBytes input;
    PanelPorts ports(opener, notifier);
    ports.setInput(input);
    const int peer = openGadgetEnd();
    ASSERT_GE(peer, 0);
    ASSERT_TRUE(ports.open(Panel::StandbyGauges, kAcm)) << ports.lastError();

    ASSERT_EQ(::write(peer, "AB", 2), 2);
    ASSERT_EQ(notifier.waitForCount(1, 2s), 1u);
    ASSERT_EQ(::write(peer, "CD", 2), 2);
    EXPECT_EQ(notifier.waitForCount(2, 300ms), 1u);
    ASSERT_EQ(::write(peer, "EF", 2), 2);

    // The UI thread's side: every notice handled in turn, never a second
    // posted while one is unhandled. A notice may find its batch already read.
    std::size_t handled = 0;
    const auto deadline = Clock::now() + 3s;
    while (input.bytes.size() < 6 && Clock::now() < deadline) {
        if (notifier.waitForCount(handled + 1, 100ms) == handled) continue;
        std::this_thread::sleep_for(50ms);
        ASSERT_EQ(notifier.count(), handled + 1);
        ASSERT_EQ(notifier.noticeAt(handled), PanelNotice::Data);
        ports.onNotice(Panel::StandbyGauges, notifier.lastSession(), PanelNotice::Data);
        ++handled;
    }
    EXPECT_EQ(input.bytes, (Bytes{'A', 'B', 'C', 'D', 'E', 'F'}));
    ::close(peer);
}

// Only a wall clock can show this: on cdc_acm the last close() of a port with
// output queued waits closing_wait (30 s) for a reader that never comes.
TEST(RealGadgetPort, ClosesAtOnceWithUnsentOutputQueued) {
    OpenedPort opened = openSerialPort(kAcm, 115200);
    ASSERT_NE(opened.port, nullptr) << opened.error;
    const Bytes chunk(64, 0x55);
    std::size_t taken = 0;
    while (taken < (1u << 20) && opened.port->write(chunk) == chunk.size()) taken += chunk.size();
    ASSERT_LT(taken, 1u << 20) << "nobody reads the gadget's end, yet it took everything";

    auto start = Clock::now();
    opened.port.reset();
    EXPECT_LT(Clock::now() - start, 1s);
    start = Clock::now();
    OpenedPort again = openSerialPort(kAcm, 115200);  // may fail while the close is pending, but never waits
    EXPECT_LT(Clock::now() - start, 1s);
    again.port.reset();

    // Let the output drain, so the port is free for the next check.
    const int peer = openGadgetEnd();
    ASSERT_GE(peer, 0);
    while (!testing::readUpTo(peer, 1 << 16, 500).empty()) {
    }
    ::close(peer);
    const auto deadline = Clock::now() + 35s;
    while (openSerialPort(kAcm, 115200).port == nullptr && Clock::now() < deadline) std::this_thread::sleep_for(100ms);
}

}  // namespace
}  // namespace brelvik
