// The panel transport on real pseudo-terminals: raw bytes both ways, one
// owner per port, batches of at most 1023 bytes, notices that outlive their
// port, a pulled cable, a device that stops taking bytes, and a close that
// never waits for a byte that will not come.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "support/fake_serial.h"
#include "support/fd_reading.h"
#include "tools/panel-emu/pty_posix.h"

namespace brelvik {
namespace {

using testing::readUpTo;

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;


void writeAll(int fd, const Bytes& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        ASSERT_GT(n, 0);
        done += static_cast<std::size_t>(n);
    }
}

Bytes everyByteValue() {
    Bytes bytes(256);
    std::iota(bytes.begin(), bytes.end(), 0);
    return bytes;
}

class PseudoTerminalPort : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        auto opened = panelemu::openPseudoTerminal(9600, error);
        ASSERT_TRUE(opened) << error;
        pty = *opened;
    }
    void TearDown() override {
        if (pty.fd >= 0) panelemu::closePort(pty);
    }
    panelemu::PanelPortFds pty;
};

TEST_F(PseudoTerminalPort, CarriesEveryByteValueUnalteredAndAdmitsOneOwner) {
    OpenedPort opened = openSerialPort(pty.path, 9600);
    ASSERT_NE(opened.port, nullptr) << opened.error;
    SerialPort& port = *opened.port;

    const Bytes all = everyByteValue();
    EXPECT_EQ(port.write(all), all.size());
    EXPECT_EQ(readUpTo(pty.fd, all.size()), all);

    writeAll(pty.fd, all);
    ASSERT_EQ(port.waitForInput(), PortWait::Input);
    Bytes got;
    for (int i = 0; i < 100 && got.size() < all.size(); ++i) {
        Bytes chunk(512);
        chunk.resize(port.read(chunk));
        got.insert(got.end(), chunk.begin(), chunk.end());
        if (chunk.empty()) std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(got, all);

    // A second bridge, even one running as root, is turned away.
    OpenedPort second = openSerialPort(pty.path, 9600);
    EXPECT_EQ(second.port, nullptr);
    EXPECT_FALSE(second.error.empty());
    opened.port.reset();
    EXPECT_NE(openSerialPort(pty.path, 9600).port, nullptr);
}

TEST_F(PseudoTerminalPort, WaitEndsOnWakeAndOnAPulledCable) {
    OpenedPort opened = openSerialPort(pty.path, 9600);
    ASSERT_NE(opened.port, nullptr);
    std::thread waker([&] {
        std::this_thread::sleep_for(50ms);
        opened.port->wake();
    });
    EXPECT_EQ(opened.port->waitForInput(), PortWait::Woken);
    waker.join();
    EXPECT_EQ(opened.port->waitForInput(), PortWait::Woken);  // stays woken

    opened.port.reset();
    OpenedPort other = openSerialPort(pty.path, 9600);
    ASSERT_NE(other.port, nullptr);
    panelemu::closePort(pty);
    EXPECT_EQ(other.port->waitForInput(), PortWait::Gone);
    EXPECT_EQ(other.port->write(Bytes{0xFF, 0xFF, 0x02, 0x00}), 0u);
}

TEST_F(PseudoTerminalPort, DeviceThatStopsTakingBytesCostsOnlyTheWriteTimeOut) {
    OpenedPort opened = openSerialPort(pty.path, 9600);
    ASSERT_NE(opened.port, nullptr);
    // Nobody reads the other side: fill what the terminal buffers.
    const Bytes chunk(64, 0x55);
    std::size_t total = 0;
    for (int i = 0; i < 100000; ++i) {
        const std::size_t n = opened.port->write(chunk);
        total += n;
        if (n < chunk.size()) break;
    }
    EXPECT_GT(total, 0u);
    EXPECT_LT(opened.port->write(Bytes{0xFF, 0xFF, 0xFE, 0x00}), 4u);
}

class PanelPortsOnPseudoTerminal : public PseudoTerminalPort, public PanelInput {
protected:
    void onStandbyByte(std::uint8_t byte) override { received.push_back(byte); }
    // Hands the next notice to the ports as the dialog would; false when none came.
    bool handleNext(std::chrono::milliseconds wait = 2s) {
        testing::QueuedNotices::Notice notice{};
        if (!notices.next(notice, wait)) return false;
        last = ports.onNotice(notice.panel, notice.session, notice.notice);
        return true;
    }

    SystemSerialOpener opener;
    testing::QueuedNotices notices;
    PanelPorts ports{opener, notices};
    PanelPorts::NoticeResult last = PanelPorts::NoticeResult::Handled;
    Bytes received;
};

TEST_F(PanelPortsOnPseudoTerminal, LongBurstArrivesInBatchesOfAtMost1023BytesNothingLostOrRepeated) {
    ports.setInput(*this);
    ASSERT_TRUE(ports.open(Panel::StandbyGauges, pty.path)) << ports.lastError();
    Bytes burst;
    for (int i = 0; i < 3000; ++i) burst.push_back(static_cast<std::uint8_t>(i * 7));
    writeAll(pty.fd, burst);
    std::this_thread::sleep_for(100ms);  // let the whole burst queue up first

    std::vector<std::size_t> batches;
    while (received.size() < burst.size()) {
        const std::size_t before = received.size();
        ASSERT_TRUE(handleNext()) << "stalled after " << before;
        batches.push_back(received.size() - before);
    }
    EXPECT_EQ(received, burst);
    for (const std::size_t batch : batches) EXPECT_LE(batch, 1023u);
    EXPECT_GE(batches.size(), 3u);
}

// A reader that looked again before its batch was consumed would flood the
// window with notices for bytes it cannot read yet, or post one for bytes
// already read; absence is only seen by waiting, so the waits are short.
TEST_F(PanelPortsOnPseudoTerminal, OneNoticeIsOutstandingUntilItsBatchIsConsumed) {
    ports.setInput(*this);
    ASSERT_TRUE(ports.open(Panel::StandbyGauges, pty.path));
    writeAll(pty.fd, {'A'});
    testing::QueuedNotices::Notice first{};
    ASSERT_TRUE(notices.next(first));
    writeAll(pty.fd, {'B'});
    testing::QueuedNotices::Notice second{};
    EXPECT_FALSE(notices.next(second, 300ms));
    ports.onNotice(first.panel, first.session, first.notice);
    EXPECT_EQ(received, (Bytes{'A', 'B'}));
    // Nor is a notice posted for bytes the window has already read.
    EXPECT_FALSE(notices.next(second, 300ms));
}

TEST_F(PanelPortsOnPseudoTerminal, NoticeOutlivingItsPortReadsNothingAndCloseIsPromptEitherWay) {
    ports.setInput(*this);
    ASSERT_TRUE(ports.open(Panel::StandbyGauges, pty.path));
    writeAll(pty.fd, {'A'});
    testing::QueuedNotices::Notice stale{};
    ASSERT_TRUE(notices.next(stale));
    // The reader now waits for the batch to be consumed; close must free it.
    ports.close(Panel::StandbyGauges);
    ASSERT_TRUE(ports.open(Panel::StandbyGauges, pty.path));
    ports.onNotice(stale.panel, stale.session, stale.notice);
    EXPECT_TRUE(received.empty());

    // The new session's own notice reads what is queued.
    writeAll(pty.fd, {'B'});
    ASSERT_TRUE(handleNext());
    EXPECT_FALSE(received.empty());
    // And a reader waiting for input is freed as well.
    ports.close(Panel::StandbyGauges);
    EXPECT_FALSE(ports.isConnected(Panel::StandbyGauges));
}

TEST_F(PanelPortsOnPseudoTerminal, PulledCableIsReportedOnce) {
    ASSERT_TRUE(ports.open(Panel::SwitchPanel, pty.path));
    panelemu::closePort(pty);
    ASSERT_TRUE(handleNext());
    EXPECT_EQ(last, PanelPorts::NoticeResult::Gone);
    ports.close(Panel::SwitchPanel);
    EXPECT_FALSE(handleNext(300ms));
}

}  // namespace
}  // namespace brelvik
