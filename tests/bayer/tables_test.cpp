// The raw-edge patch, the output bit count and the default Bayer mode of
// every camera type.
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
    const Bytes before = test::RawBytes(test::MakeSamples(w, h, false, test::Scene::kNoise, 21), false);
    Bytes raw = before;
    PatchRawEdges(raw.data(), w, h);
    auto at = [&](const Bytes& f, int x, int y) { return f[y * w + x]; };
    for (int y = 0; y < h - 1; ++y) {
        for (int x = 0; x < w - 2; ++x) EXPECT_EQ(at(raw, x, y), at(before, x, y));
        EXPECT_EQ(at(raw, w - 1, y), at(before, w - 3, y));
        EXPECT_EQ(at(raw, w - 2, y), at(before, w - 4, y));
    }
    // The last row copies row h - 3 after its columns were patched.
    for (int x = 0; x < w; ++x) EXPECT_EQ(at(raw, x, h - 1), at(raw, x, h - 3));

    // The smallest patched frame, and frames smaller than 4 x 3 that stay.
    const Bytes twelve = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    Bytes small = twelve, smaller = twelve;
    PatchRawEdges(small.data(), 4, 3);
    EXPECT_EQ(small, (Bytes{1, 2, 1, 2, 5, 6, 5, 6, 1, 2, 1, 2}));
    for (auto [w, h] : {std::pair{3, 4}, std::pair{6, 2}, std::pair{0, 0}}) PatchRawEdges(smaller.data(), w, h);
    EXPECT_EQ(smaller, twelve);
}

TEST(OutputBitCountTest, RawOutputIsEightBitsElseTheBayerModeDecides) {
    const int modes[] = {-3, 0, 7, 8, 15, 16, 23, 24, 30};
    const int colour[] = {24, 24, 24, 32, 32, 8, 8, 24, 24};
    for (int i = 0; i < 9; ++i) {
        EXPECT_EQ(GetOutputBitCount(0, modes[i]), 8) << "raw output, Bayer mode " << modes[i];
        for (int outputMode : {1, 2, -1}) EXPECT_EQ(GetOutputBitCount(outputMode, modes[i]), colour[i]) << modes[i];
    }
}

TEST(DefaultBayerModeTest, EveryListedTypeWithTheFirmwareRules) {
    struct Case {
        std::uint32_t type;
        std::uint16_t version;
        int mode;
    };
    // clang-format off
    const Case cases[] = {
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
        // CCD cameras.
        {19, 0, 3}, {20, 0x0104, 3}, {48, 0, 1}, {49, 0xFFFF, 1}
    };
    // clang-format on
    for (const Case& c : cases) {
        int mode = -99;
        EXPECT_EQ(GetDefaultBayerMode(c.type, c.version, &mode), 1) << "type " << c.type;
        EXPECT_EQ(mode, c.mode) << "type " << c.type << ", firmware 0x" << std::hex << c.version;
    }
}

TEST(DefaultBayerModeTest, UnlistedTypesAreNotSupportedAndNullIsAParameterError) {
    for (std::uint32_t type : {2u, 6u, 46u, 47u, 50u, 0xFFFFFFFFu}) {
        int mode = -99;
        EXPECT_EQ(std::pair(GetDefaultBayerMode(type, 0x0106, &mode), mode), std::pair(-3, -99)) << "type " << type;
    }
    EXPECT_EQ(std::pair(GetDefaultBayerMode(21, 0, nullptr), GetDefaultBayerMode(2, 0, nullptr)), std::pair(-1, -1));
}

}  // namespace
}  // namespace qcx
