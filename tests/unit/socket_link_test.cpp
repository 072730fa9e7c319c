// The byte bookkeeping both platforms' links to the bench simulator share,
// against a socket that takes only so much, stalls, or goes away.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <vector>

#include "simconnect/socket_link.h"

namespace brelvik::standin {
namespace {

class ScriptedSocket final : public SocketLink {
public:
    std::size_t acceptPerCall = 1u << 20;  // bytes one send takes
    std::size_t room = SIZE_MAX;           // bytes sends take before they would block
    bool sendBroken = false;
    std::deque<std::vector<std::uint8_t>> incoming;  // one receive each; then would block
    bool closedAfterIncoming = false;
    std::vector<std::uint8_t> taken;

private:
    Io sendSome(const std::uint8_t* data, std::size_t size, std::size_t& done) override {
        if (sendBroken) return Io::Broken;
        if (room == 0) return Io::WouldBlock;
        done = std::min({size, acceptPerCall, room});
        room -= done;
        taken.insert(taken.end(), data, data + done);
        return Io::Done;
    }
    Io receiveSome(std::uint8_t* data, std::size_t size, std::size_t& done) override {
        if (incoming.empty()) return closedAfterIncoming ? Io::Broken : Io::WouldBlock;
        auto& next = incoming.front();
        done = std::min(size, next.size());
        std::copy_n(next.begin(), done, data);
        next.erase(next.begin(), next.begin() + static_cast<std::ptrdiff_t>(done));
        if (next.empty()) incoming.pop_front();
        return Io::Done;
    }
};

std::vector<std::uint8_t> bytes(std::size_t n, std::uint8_t first = 0) {
    std::vector<std::uint8_t> out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(first + i);
    return out;
}

TEST(SocketLink, KeepsWhatTheSocketCannotTakeAndSendsItInOrderLater) {
    ScriptedSocket link;
    link.acceptPerCall = 3;
    link.room = 5;
    const auto first = bytes(8, 0), second = bytes(4, 100);
    EXPECT_TRUE(link.write(first.data(), first.size()));
    EXPECT_EQ(link.taken, bytes(5, 0));
    EXPECT_TRUE(link.write(second.data(), second.size()));  // still full: kept behind the rest
    EXPECT_EQ(link.taken.size(), 5u);
    link.room = SIZE_MAX;
    EXPECT_TRUE(link.write(nullptr, 0));  // a write of nothing sends what was kept
    auto expected = first;
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(link.taken, expected);
}

TEST(SocketLink, ASimulatorThatStopsReadingIsGivenUp) {
    ScriptedSocket link;
    link.room = 0;
    const auto block = bytes(1u << 20);
    for (std::size_t sent = 0; sent <= kMaxUnsent; sent += block.size()) {
        if (!link.write(block.data(), block.size())) break;
    }
    EXPECT_FALSE(link.write(block.data(), block.size()));
    std::vector<std::uint8_t> into;
    EXPECT_FALSE(link.readAvailable(into));  // broken for good
}

TEST(SocketLink, ReadsEverythingThatArrivedAndSeesTheEnd) {
    ScriptedSocket link;
    link.incoming = {bytes(3, 1), bytes(20000, 7)};
    std::vector<std::uint8_t> into;
    EXPECT_TRUE(link.readAvailable(into));
    EXPECT_EQ(into.size(), 20003u);
    EXPECT_EQ(into[3], 7);

    link.incoming = {bytes(2, 9)};
    link.closedAfterIncoming = true;
    EXPECT_FALSE(link.readAvailable(into));  // what came before the end is kept
    EXPECT_EQ(into.size(), 20005u);
    const auto more = bytes(1);
    EXPECT_FALSE(link.write(more.data(), more.size()));
}

TEST(SocketLink, ABrokenSendEndsTheLink) {
    ScriptedSocket link;
    link.sendBroken = true;
    const auto block = bytes(4);
    EXPECT_FALSE(link.write(block.data(), block.size()));
    link.sendBroken = false;
    EXPECT_FALSE(link.write(block.data(), block.size()));
}

}  // namespace
}  // namespace brelvik::standin
