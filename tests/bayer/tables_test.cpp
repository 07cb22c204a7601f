// The raw-edge patch and the output bit count.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "bayer/frame_maker.h"
#include "camera/imaging/bayer_filter.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(PatchRawEdgesTest, LastColumnsAndRowRepeatTheSameColourTwoSitesBack) {
    const int w = 7, h = 5;
    const Bytes old = test::RawBytes(test::MakeSamples(w, h, false, test::Scene::kNoise, 21), false);
    Bytes raw = old, small = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, smaller = small;
    PatchRawEdges(raw.data(), w, h);
    auto px = [&](const Bytes& f, int x, int y) { return f[y * w + x]; };
    for (int y = 0; y < h - 1; ++y) {
        for (int x = 0; x < w - 2; ++x) EXPECT_EQ(px(raw, x, y), px(old, x, y));
        EXPECT_EQ(std::pair(px(raw, w - 2, y), px(raw, w - 1, y)), std::pair(px(old, w - 4, y), px(old, w - 3, y)));
    }
    for (int x = 0; x < w; ++x) EXPECT_EQ(px(raw, x, h - 1), px(raw, x, h - 3));  // row h - 3 as patched
    // The smallest patched frame, and frames smaller than 4 x 3 that stay.
    PatchRawEdges(small.data(), 4, 3);
    EXPECT_EQ(small, (Bytes{1, 2, 1, 2, 5, 6, 5, 6, 1, 2, 1, 2}));
    for (auto [w, h] : {std::pair{3, 4}, {6, 2}, {0, 0}}) PatchRawEdges(smaller.data(), w, h);
    EXPECT_EQ(smaller, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST(OutputBitCountTest, RawOutputIsEightBitsElseTheBayerModeDecides) {
    for (auto [mode, colour] : {std::pair{-3, 24}, {0, 24}, {7, 24}, {8, 32}, {15, 32}, {16, 8}, {23, 8}, {24, 24},
                                {30, 24}}) {
        EXPECT_EQ(GetOutputBitCount(0, mode), 8) << "raw output, Bayer mode " << mode;
        for (int outputMode : {1, 2, -1}) EXPECT_EQ(GetOutputBitCount(outputMode, mode), colour) << mode;
    }
}

}  // namespace
}  // namespace qcx
