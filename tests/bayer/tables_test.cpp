// The raw-edge patch, the output bit count and the default Bayer mode of every type.
#include <gtest/gtest.h>

#include <array>
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

TEST(DefaultBayerModeTest, EveryListedTypeWithTheFirmwareRules) {
    // Type, firmware version, mode; -1 for types without a default (not supported).
    // clang-format off
    const std::array<int, 3> cases[] = {
        // MT9V032 family.
        {21, 0, 0}, {22, 0x0109, 0}, {23, 0, 0}, {24, 0, 0}, {28, 0, 3}, {29, 0, 3}, {36, 0, 3}, {37, 0, 3},
        // 1280 x 1024 CMOS family.
        {0, 0, 2}, {1, 0, 2}, {4, 0, 2}, {5, 0, 2}, {17, 0, 2}, {18, 0, 2}, {33, 0, 2}, {34, 0, 2}, {38, 0, 2},
        {39, 0x0101, 2},
        // MT9T001: 3 and 12 turned with firmware x.06 and later, x not 0.
        {7, 0, 2}, {30, 0, 2}, {35, 0, 2}, {40, 0, 2}, {3, 0x0106, 2}, {3, 0x0105, 1}, {3, 0x0006, 1},
        {3, 0x00FF, 1}, {3, 0x02FF, 2}, {12, 0x0106, 2}, {12, 0x0000, 1}, {12, 0x0305, 1},
        // MT9P001: 10 and 11 turned from firmware x.08, x not 0.
        {31, 0, 2}, {32, 0, 2}, {41, 0, 2}, {42, 0, 2}, {8, 0x0108, 1}, {9, 0, 1}, {10, 0x0009, 2},
        {10, 0x0107, 2}, {10, 0x0108, 1}, {11, 0x0000, 2}, {11, 0x01FF, 1}, {11, 0x0207, 2},
        // MT9J001: 14 is 1 only with high byte 1 and low byte below 5.
        {25, 0, 2}, {26, 0, 2}, {27, 0, 2}, {43, 0, 2}, {44, 0, 2}, {45, 0, 2}, {13, 0x0105, 1}, {15, 0, 1},
        {16, 0, 1}, {14, 0x0104, 1}, {14, 0x0100, 1}, {14, 0x0105, 2}, {14, 0x0004, 2}, {14, 0x0204, 2},
        {14, 0x0005, 2},
        // CCD cameras, then unlisted types.
        {19, 0, 3}, {20, 0x0104, 3}, {48, 0, 1}, {49, 0xFFFF, 1},
        {2, 0x0106, -1}, {6, 0x0106, -1}, {46, 0, -1}, {47, 0, -1}, {50, 0, -1}, {-1, 0x0106, -1}
    };
    // clang-format on
    for (auto [type, version, want] : cases) {
        int mode = -99;
        const auto t = static_cast<std::uint32_t>(type);
        EXPECT_EQ(GetDefaultBayerMode(t, static_cast<std::uint16_t>(version), &mode), want < 0 ? -3 : 1) << type;
        EXPECT_EQ(mode, want < 0 ? -99 : want) << "type " << type << ", firmware 0x" << std::hex << version;
        EXPECT_EQ(GetDefaultBayerMode(t, static_cast<std::uint16_t>(version), nullptr), -1) << "type " << type;
    }
}

}  // namespace
}  // namespace qcx
