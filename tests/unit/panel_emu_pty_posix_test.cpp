#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <vector>

#include "tools/panel-emu/panel_emulator.h"
#include "support/fd_reading.h"
#include "tools/panel-emu/pty_posix.h"

namespace brelvik::panelemu {
namespace {

using testing::readUpTo;


TEST(PanelEmuPseudoTerminal, GreetingThroughARealPairComesBackUnaltered) {
    std::string error;
    auto port = openPseudoTerminal(9600, error);
    ASSERT_TRUE(port) << error;
    const int bridge = ::open(port->path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(bridge, 0);
    ASSERT_TRUE(makeRaw(bridge, 9600));

    const std::uint8_t greeting[] = {0xFF, 0xFF, 0xFE, 0x00};
    ASSERT_EQ(::write(bridge, greeting, sizeof greeting), 4);
    PanelEmulator emulator({false, false, true});
    const auto heard = readUpTo(port->fd, 4);
    const Output out = emulator.onReceived(Panel::Pedestal, heard);
    EXPECT_EQ(out.lines, std::vector<std::string>{"rx pedestal FE 00"});
    ASSERT_EQ(::write(port->fd, out.bytes.data(), out.bytes.size()), static_cast<ssize_t>(out.bytes.size()));

    // 0x0A inside a frame would become CR LF, and FF could be swallowed, without raw mode.
    const std::vector<std::uint8_t> expected{0xFF, 0xFF, 0x5E, 0x80, 0xFF, 0xFF, 0x5F, 0x00, 0xFF, 0xFF, 0x60, 0x00};
    EXPECT_EQ(readUpTo(bridge, expected.size()), expected);

    // Pulling the cable: the bridge's side reports the loss instead of waiting forever.
    closePort(*port);
    pollfd pfd{bridge, POLLIN, 0};
    ASSERT_EQ(::poll(&pfd, 1, 1000), 1);
    EXPECT_NE(pfd.revents & (POLLHUP | POLLERR), 0);
    ::close(bridge);
}

}  // namespace
}  // namespace brelvik::panelemu
