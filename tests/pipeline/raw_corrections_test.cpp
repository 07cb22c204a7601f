// Bad pixel filter, software mirror and flip, and 16-to-8-bit reduction.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>
#include <utility>
#include <vector>

#include "camera/imaging/raw_corrections.h"
#include "pipeline/test_bytes.h"

namespace qcx {
namespace {

using test::Bytes;

// A row of `width` samples of 10 with the listed samples changed.
Bytes Row(int width, std::initializer_list<std::pair<int, int>> changes) {
    Bytes row(static_cast<std::size_t>(width), 10);
    for (auto [x, v] : changes) row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(v);
    return row;
}

// The four columns at either end of a 16-sample row set to `v`.
Bytes EdgeColumns(int v) { return Row(16, {{0, v}, {1, v}, {2, v}, {3, v}, {12, v}, {13, v}, {14, v}, {15, v}}); }

TEST(BadPixelFilter, SingleRows) {
    struct Case {
        const char* name;
        Bytes row;
        int threshold;
        Bytes expected;
    };
    const Case cases[] = {
        {"isolated bright sample", Row(16, {{7, 200}}), 20, Row(16, {})},
        {"25 is within the threshold", Row(16, {{6, 25}}), 20, Row(16, {{6, 25}})},
        {"exactly the threshold above is not more", Row(16, {{9, 30}}), 20, Row(16, {{9, 30}})},
        {"dark defects stay", Row(16, {{11, 0}}), 20, Row(16, {{11, 0}})},
        {"bright far left neighbour protects", Row(16, {{3, 250}, {7, 200}}), 20, Row(16, {{3, 250}, {7, 200}})},
        {"bright far right neighbour protects", Row(16, {{7, 200}, {11, 250}}), 60, Row(16, {{7, 200}, {11, 250}})},
        {"bright near right neighbour protects", Row(16, {{7, 200}, {9, 215}}), 20, Row(16, {{7, 200}, {9, 215}})},
        {"far left exactly the threshold below", Row(16, {{4, 30}, {8, 50}}), 20, Row(16, {{4, 30}, {8, 50}})},
        {"takes the larger near neighbour", Row(16, {{6, 30}, {8, 255}, {10, 40}}), 20,
         Row(16, {{6, 30}, {8, 40}, {10, 40}})},
        // Correcting x = 4 first lowers the left neighbour of x = 8, which then counts as bright too.
        {"runs left to right on corrected samples", Row(16, {{4, 100}, {8, 60}}), 20, Row(16, {})},
        {"four edge columns stay", EdgeColumns(200), 20, EdgeColumns(200)},
        {"width 9 examines x = 4", Row(9, {{4, 200}}), 20, Row(9, {})},
        {"width 8 examines nothing", Row(8, {{4, 200}}), 20, Row(8, {{4, 200}})}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes row = c.row;
        CorrectBadPixels(row.data(), static_cast<int>(row.size()), 1, static_cast<std::uint8_t>(c.threshold));
        EXPECT_EQ(row, c.expected);
    }
}

TEST(BadPixelFilter, EveryRowOnItsOwnWithSameColourNeighboursOnly) {
    // Row 1: even samples 10 and odd ones 250, between rows of 250. Neither
    // the odd samples beside it nor the rows above and below protect the 200;
    // only samples two and four apart in its own row count.
    const int width = 12;
    Bytes frame(4 * width, 250);
    for (int x = 0; x < width; ++x) {
        if (x % 2 == 0) frame[width + x] = 10;
        frame[3 * width + x] = 10;
    }
    frame[width + 6] = 200;
    frame[3 * width + 5] = 90;
    Bytes expected = frame;
    expected[width + 6] = 10;
    expected[3 * width + 5] = 10;
    CorrectBadPixels(frame.data(), width, 4, 50);
    EXPECT_EQ(frame, expected);
}

TEST(MirrorAndFlip, RearrangeSamplesAndRows) {
    struct Case {
        bool mirror, flip;
        int width, height;
        Bytes expected;
    };
    const Case cases[] = {{true, false, 5, 2, {4, 3, 2, 1, 0, 9, 8, 7, 6, 5}},
                          {true, false, 4, 2, {3, 2, 1, 0, 7, 6, 5, 4}},
                          {true, false, 1, 3, {0, 1, 2}},
                          {false, true, 3, 3, {6, 7, 8, 3, 4, 5, 0, 1, 2}},
                          {false, true, 2, 4, {6, 7, 4, 5, 2, 3, 0, 1}},
                          {false, true, 4, 1, {0, 1, 2, 3}},
                          {true, true, 4, 3, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}}};
    for (const Case& c : cases) {
        Bytes frame(static_cast<std::size_t>(c.width * c.height));
        std::iota(frame.begin(), frame.end(), std::uint8_t{0});
        if (c.mirror) MirrorRows(frame.data(), c.width, c.height);
        if (c.flip) FlipRows(frame.data(), c.width, c.height);
        EXPECT_EQ(frame, c.expected) << "mirror " << c.mirror << " flip " << c.flip << ", " << c.width << " x "
                                     << c.height;
    }
}

const std::vector<std::uint16_t> kSamples = {0, 1, 15, 16, 255, 256, 1000, 4095, 4096, 8191, 65535, 2048};

TEST(ReduceTo8Bits, ShiftsBySensitivityAndSaturates) {
    const PipelineSettings s;
    for (int sensitivity : {0, 1, 2, 3, 4, 5, -1, 100}) {
        Bytes out(kSamples.size(), 0xAB);
        ReduceTo8Bits(kSamples.data(), out.data(), 4, 3, s, sensitivity);
        for (std::size_t i = 0; i < kSamples.size(); ++i) {
            // Unknown sensitivities leave the output as it was.
            const unsigned expected =
                sensitivity < 0 || sensitivity > 4 ? 0xAB : std::min(unsigned{kSamples[i]} >> (4 - sensitivity), 255u);
            EXPECT_EQ(out[i], expected) << "sensitivity " << sensitivity << " sample " << kSamples[i];
        }
    }
}

TEST(ReduceTo8Bits, MapTableTakesPrecedenceAndClampsLargeSamples) {
    PipelineSettings s;
    s.mapTableOn = true;
    Bytes initial(kSamples.size());
    ReduceTo8Bits(kSamples.data(), initial.data(), 12, 1, s, 0);
    for (std::size_t i = 0; i < kSamples.size(); ++i) {
        EXPECT_EQ(initial[i], std::min(kSamples[i], std::uint16_t{4095}) >> 4) << "initial map, sample " << kSamples[i];
    }
    for (int i = 0; i < 4096; ++i) s.mapTable[i] = static_cast<std::uint8_t>((i * 7) & 0xFF);
    s.mapTable[4095] = 201;
    Bytes out(kSamples.size(), 0);
    ReduceTo8Bits(kSamples.data(), out.data(), 4, 3, s, 5);  // the shift setting plays no part
    for (std::size_t i = 0; i < kSamples.size(); ++i) {
        const std::uint8_t expected = kSamples[i] >= 4095 ? 201 : s.mapTable[kSamples[i]];
        EXPECT_EQ(out[i], expected) << "sample " << kSamples[i];
    }
}

}  // namespace
}  // namespace qcx
