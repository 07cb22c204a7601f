// Bad pixel filter, software mirror and flip, and 16-to-8-bit reduction.
#include <gtest/gtest.h>

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

TEST(ReduceTo8Bits, ShiftBySensitivityOrMapTable) {
    const std::uint16_t samples[6] = {0, 15, 16, 255, 4095, 65535};
    struct Case {
        int sensitivity;
        Bytes expected;  // worked by hand; unknown sensitivities write nothing
    };
    const Case cases[] = {{0, {0, 0, 1, 15, 255, 255}},     {2, {0, 3, 4, 63, 255, 255}},
                          {4, {0, 15, 16, 255, 255, 255}},  {5, Bytes(6, 0xAB)}, {-1, Bytes(6, 0xAB)}};
    PipelineSettings s;
    for (const Case& c : cases) {
        Bytes out(6, 0xAB);
        ReduceTo8Bits(samples, out.data(), 3, 2, s, c.sensitivity);
        EXPECT_EQ(out, c.expected) << "sensitivity " << c.sensitivity;
    }
    // The map table in use wins over the shift; samples past 4095 take entry 4095.
    s.mapTableOn = true;
    Bytes out(6);
    ReduceTo8Bits(samples, out.data(), 6, 1, s, 5);
    EXPECT_EQ(out, (Bytes{0, 0, 1, 15, 255, 255})) << "the initial table is i >> 4";
    s.mapTable[15] = 1, s.mapTable[16] = 2, s.mapTable[255] = 3, s.mapTable[4095] = 4;
    ReduceTo8Bits(samples, out.data(), 2, 3, s, 0);
    EXPECT_EQ(out, (Bytes{0, 1, 2, 3, 4, 4}));
}

}  // namespace
}  // namespace qcx
