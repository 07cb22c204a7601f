// Bad pixel filter, software mirror and flip, and 16-to-8-bit reduction.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <vector>

#include "camera/imaging/raw_corrections.h"

namespace qcx {
namespace {

std::vector<std::uint8_t> Row(int width, std::uint8_t fill) {
    return std::vector<std::uint8_t>(static_cast<std::size_t>(width), fill);
}

TEST(BadPixelFilter, ReplacesAnIsolatedBrightSample) {
    std::vector<std::uint8_t> row = Row(16, 10);
    row[7] = 200;
    CorrectBadPixels(row.data(), 16, 1, 20);
    EXPECT_EQ(row, Row(16, 10));
}

TEST(BadPixelFilter, KeepsSamplesWithinTheThresholdAndDarkDefects) {
    std::vector<std::uint8_t> row = Row(16, 10);
    row[6] = 25;
    row[9] = 30;  // exactly the threshold above its neighbours: not more
    row[11] = 0;  // dark defects stay
    const std::vector<std::uint8_t> before = row;
    CorrectBadPixels(row.data(), 16, 1, 20);
    EXPECT_EQ(row, before);
}

TEST(BadPixelFilter, AnyBrightFarNeighbourProtectsTheSample) {
    // Four samples to the left, then four to the right, brighter than it.
    std::vector<std::uint8_t> row = Row(16, 10);
    row[3] = 250;
    row[7] = 200;
    CorrectBadPixels(row.data(), 16, 1, 20);
    EXPECT_EQ(row[7], 200);

    row = Row(16, 10);
    row[7] = 200;
    row[11] = 250;
    CorrectBadPixels(row.data(), 16, 1, 60);
    EXPECT_EQ(row[7], 200);
    EXPECT_EQ(row[11], 250) << "only 50 above its left far neighbour";
}

TEST(BadPixelFilter, TakesTheLargerNearNeighbour) {
    std::vector<std::uint8_t> row = Row(16, 10);
    row[6] = 30;
    row[10] = 40;
    row[8] = 255;
    CorrectBadPixels(row.data(), 16, 1, 20);
    EXPECT_EQ(row[8], 40);
}

TEST(BadPixelFilter, LooksOnlyAtSameColourNeighboursInTheRow) {
    // Bright odd neighbours and bright rows above and below do not protect
    // the sample: only samples two and four apart in its own row count.
    const int width = 12;
    std::vector<std::uint8_t> frame(3 * width, 250);
    std::uint8_t* middle = frame.data() + width;
    for (int x = 0; x < width; x += 2) middle[x] = 10;
    middle[6] = 200;
    CorrectBadPixels(frame.data(), width, 3, 20);
    EXPECT_EQ(middle[6], 10);
    EXPECT_EQ(middle[5], 250) << "odd samples are brighter than nothing of their colour";
}

TEST(BadPixelFilter, RunsLeftToRightOnAlreadyCorrectedSamples) {
    // Correcting x = 4 first lowers the left neighbour of x = 8, which then
    // counts as bright as well.
    std::vector<std::uint8_t> row = Row(16, 10);
    row[4] = 100;
    row[8] = 60;
    CorrectBadPixels(row.data(), 16, 1, 20);
    EXPECT_EQ(row[4], 10);
    EXPECT_EQ(row[8], 10);
}

TEST(BadPixelFilter, LeavesTheFourEdgeColumnsAndNarrowFrames) {
    std::vector<std::uint8_t> row = Row(16, 10);
    for (int x : {0, 1, 2, 3, 12, 13, 14, 15}) row[x] = 200;
    std::vector<std::uint8_t> before = row;
    CorrectBadPixels(row.data(), 16, 1, 20);
    EXPECT_EQ(row, before);

    // Width 9: only x = 4 is examined; width 8: nothing is.
    std::vector<std::uint8_t> nine = Row(9, 10);
    nine[4] = 200;
    CorrectBadPixels(nine.data(), 9, 1, 20);
    EXPECT_EQ(nine[4], 10);
    std::vector<std::uint8_t> eight = Row(8, 10);
    eight[4] = 200;
    CorrectBadPixels(eight.data(), 8, 1, 20);
    EXPECT_EQ(eight[4], 200);
}

TEST(BadPixelFilter, EveryRowIsFiltered) {
    const int width = 10;
    const int height = 4;
    std::vector<std::uint8_t> frame(width * height, 10);
    for (int y = 0; y < height; ++y) frame[y * width + 5] = 90;
    CorrectBadPixels(frame.data(), width, height, 50);
    EXPECT_EQ(frame, std::vector<std::uint8_t>(width * height, 10));
}

std::vector<std::uint8_t> Counting(int count) {
    std::vector<std::uint8_t> values(static_cast<std::size_t>(count));
    std::iota(values.begin(), values.end(), std::uint8_t{0});
    return values;
}

TEST(Mirror, ReversesEveryRow) {
    std::vector<std::uint8_t> frame = Counting(10);  // 5 x 2
    MirrorRows(frame.data(), 5, 2);
    EXPECT_EQ(frame, (std::vector<std::uint8_t>{4, 3, 2, 1, 0, 9, 8, 7, 6, 5}));
    frame = Counting(8);  // 4 x 2
    MirrorRows(frame.data(), 4, 2);
    EXPECT_EQ(frame, (std::vector<std::uint8_t>{3, 2, 1, 0, 7, 6, 5, 4}));
}

TEST(Mirror, SingleColumnStays) {
    std::vector<std::uint8_t> frame = Counting(3);
    MirrorRows(frame.data(), 1, 3);
    EXPECT_EQ(frame, Counting(3));
}

TEST(Flip, SwapsRowsTopToBottom) {
    std::vector<std::uint8_t> frame = Counting(9);  // 3 x 3: the middle row stays
    FlipRows(frame.data(), 3, 3);
    EXPECT_EQ(frame, (std::vector<std::uint8_t>{6, 7, 8, 3, 4, 5, 0, 1, 2}));
    frame = Counting(8);  // 2 x 4
    FlipRows(frame.data(), 2, 4);
    EXPECT_EQ(frame, (std::vector<std::uint8_t>{6, 7, 4, 5, 2, 3, 0, 1}));
    frame = Counting(4);  // one row
    FlipRows(frame.data(), 4, 1);
    EXPECT_EQ(frame, Counting(4));
}

TEST(Flip, MirrorAndFlipTogetherTurnTheFrameHalfway) {
    std::vector<std::uint8_t> frame = Counting(12);  // 4 x 3
    MirrorRows(frame.data(), 4, 3);
    FlipRows(frame.data(), 4, 3);
    std::vector<std::uint8_t> expected = Counting(12);
    std::reverse(expected.begin(), expected.end());
    EXPECT_EQ(frame, expected);
}

const std::vector<std::uint16_t> kSamples = {0, 1, 15, 16, 255, 256, 1000, 4095, 4096, 8191, 65535, 2048};

TEST(ReduceTo8Bits, ShiftsBySensitivityAndSaturates) {
    PipelineSettings s;
    for (int sensitivity = 0; sensitivity <= 4; ++sensitivity) {
        std::vector<std::uint8_t> out(kSamples.size(), 0xAB);
        ReduceTo8Bits(kSamples.data(), out.data(), 4, 3, s, sensitivity);
        for (std::size_t i = 0; i < kSamples.size(); ++i) {
            const unsigned expected = std::min(static_cast<unsigned>(kSamples[i]) >> (4 - sensitivity), 255u);
            EXPECT_EQ(out[i], expected) << "sensitivity " << sensitivity << " sample " << kSamples[i];
        }
    }
}

TEST(ReduceTo8Bits, UnknownSensitivityLeavesTheOutputAlone) {
    PipelineSettings s;
    for (int sensitivity : {5, -1, 100}) {
        std::vector<std::uint8_t> out(kSamples.size(), 0xAB);
        ReduceTo8Bits(kSamples.data(), out.data(), 4, 3, s, sensitivity);
        EXPECT_EQ(out, std::vector<std::uint8_t>(kSamples.size(), 0xAB)) << "sensitivity " << sensitivity;
    }
}

TEST(ReduceTo8Bits, MapTableTakesPrecedenceAndClampsLargeSamples) {
    PipelineSettings s;
    for (int i = 0; i < 4096; ++i) s.mapTable[i] = static_cast<std::uint8_t>((i * 7) & 0xFF);
    s.mapTable[4095] = 201;
    s.mapTableOn = true;
    std::vector<std::uint8_t> out(kSamples.size(), 0);
    ReduceTo8Bits(kSamples.data(), out.data(), 4, 3, s, 5);  // the shift setting plays no part
    for (std::size_t i = 0; i < kSamples.size(); ++i) {
        const std::uint8_t expected = kSamples[i] >= 4095 ? 201 : s.mapTable[kSamples[i]];
        EXPECT_EQ(out[i], expected) << "sample " << kSamples[i];
    }
}

TEST(ReduceTo8Bits, InitialMapTableEqualsShiftByFour) {
    PipelineSettings s;
    std::vector<std::uint8_t> shifted(kSamples.size());
    ReduceTo8Bits(kSamples.data(), shifted.data(), 12, 1, s, 0);
    s.mapTableOn = true;
    std::vector<std::uint8_t> mapped(kSamples.size());
    ReduceTo8Bits(kSamples.data(), mapped.data(), 12, 1, s, 0);
    EXPECT_EQ(mapped, shifted);
}

}  // namespace
}  // namespace qcx
