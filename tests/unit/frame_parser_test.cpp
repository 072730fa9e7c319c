#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "panels/frame_parser.h"

namespace brelvik {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Pairs = std::vector<PanelFramePair>;

Pairs feedBatches(FrameParser& parser, const std::vector<Bytes>& batches) {
    Pairs pairs;
    for (const Bytes& batch : batches) {
        parser.feed(batch, [&](PanelFramePair pair) { pairs.push_back(pair); });
    }
    return pairs;
}

struct FrameCase {
    std::string name;
    std::vector<Bytes> batches;  // as the port hands them over, one read each
    Pairs expected;
};

class FrameParserCases : public ::testing::TestWithParam<FrameCase> {};

TEST_P(FrameParserCases, DeliversEachCompletedFrameOnce) {
    FrameParser parser;
    EXPECT_EQ(feedBatches(parser, GetParam().batches), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, FrameParserCases,
    ::testing::Values(
        FrameCase{"OneFrame", {{0xFF, 0xFF, 0x13, 0x42}}, {{0x13, 0x42}}},
        FrameCase{"TwoFramesBackToBack", {{0xFF, 0xFF, 0x0E, 0x01, 0xFF, 0xFF, 0x5E, 0x00}}, {{0x0E, 0x01}, {0x5E, 0x00}}},
        FrameCase{"SplitAfterSync", {{0xFF, 0xFF}, {0x13, 0x07}}, {{0x13, 0x07}}},
        FrameCase{"SplitBetweenSyncBytes", {{0x01, 0xFF}, {0xFF, 0x13}, {0x07}}, {{0x13, 0x07}}},
        FrameCase{"OneByteBatches", {{0xFF}, {0xFF}, {0x21}, {0x00}, {0xFF}, {0xFF}, {0x22}, {0x01}},
                  {{0x21, 0x00}, {0x22, 0x01}}},
        FrameCase{"EmptyBatchesChangeNothing", {{}, {0xFF, 0xFF}, {}, {0x13}, {}, {0x02}}, {{0x13, 0x02}}},
        FrameCase{"NoiseBeforeFirstSync", {{0x00, 0x13, 0x7F, 0xFE, 0xFF, 0x10, 0xFF, 0xFF, 0x14, 0x03}}, {{0x14, 0x03}}},
        FrameCase{"ThirdFfIsTheCode", {{0xFF, 0xFF, 0xFF, 0x05}}, {{0xFF, 0x05}}},
        FrameCase{"LoneFfThenFrame", {{0xFF, 0x00, 0xFF, 0xFF, 0x07, 0x01}}, {{0x07, 0x01}}},
        FrameCase{"ValueFfIsNotASyncByte", {{0xFF, 0xFF, 0x13, 0xFF, 0xFF, 0x14, 0x01}}, {{0x13, 0xFF}}},
        FrameCase{"ValueFfThenFullSync", {{0xFF, 0xFF, 0x13, 0xFF, 0xFF, 0xFF, 0x14, 0x01}}, {{0x13, 0xFF}, {0x14, 0x01}}},
        FrameCase{"TruncatedFrameLeavesNothing", {{0xFF, 0xFF, 0x13}}, {}},
        FrameCase{"AllFfs", {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}}, {{0xFF, 0xFF}, {0xFF, 0xFF}}}),
    [](const auto& info) { return info.param.name; });

TEST(FrameParser, ResetDropsAFrameBegunBefore) {
    FrameParser parser;
    EXPECT_TRUE(feedBatches(parser, {{0xFF, 0xFF, 0x13}}).empty());
    parser.reset();
    EXPECT_EQ(feedBatches(parser, {{0x07, 0xFF, 0xFF, 0x14, 0x01}}), (Pairs{{0x14, 0x01}}));
}

// Whatever a panel sends and however the port cuts it into reads, the pairs
// are those of the whole stream fed at once.
TEST(FrameParserFuzz, BatchBoundariesNeverChangeThePairs) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> percent(0, 99);
    for (int round = 0; round < 300; ++round) {
        Bytes stream(static_cast<std::size_t>(random() % 2048));
        for (auto& byte : stream) {
            // Mostly FF so that syncs, runs of FF and split frames are common.
            byte = percent(random) < 40 ? 0xFF : static_cast<std::uint8_t>(random());
        }

        FrameParser whole;
        Pairs expected;
        for (const std::uint8_t byte : stream) {
            if (const auto pair = whole.feed(byte)) expected.push_back(*pair);
        }

        std::vector<Bytes> batches;
        for (std::size_t at = 0; at < stream.size();) {
            const std::size_t length = std::min<std::size_t>(stream.size() - at, random() % 1024);
            batches.emplace_back(stream.begin() + static_cast<std::ptrdiff_t>(at),
                                 stream.begin() + static_cast<std::ptrdiff_t>(at + length));
            at += length;
        }
        FrameParser cut;
        ASSERT_EQ(feedBatches(cut, batches), expected) << "round " << round;
        ASSERT_EQ(cut.state(), whole.state()) << "round " << round;
        ASSERT_LE(expected.size(), stream.size() / 4);
    }
}

}  // namespace
}  // namespace brelvik
