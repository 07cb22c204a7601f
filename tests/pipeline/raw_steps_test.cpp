// The steps on raw frames: bad pixel filter, software mirror and flip, and the
// 16-to-8-bit reduction with its map table loaded from a file.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <numeric>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "camera/imaging/map_table_file.h"
#include "camera/imaging/raw_corrections.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A row of `width` samples of 10 with the listed samples changed.
Bytes Row(int width, std::initializer_list<std::pair<int, int>> changes) {
    Bytes row(static_cast<std::size_t>(width), 10);
    for (auto [x, v] : changes) row[static_cast<std::size_t>(x)] = static_cast<std::uint8_t>(v);
    return row;
}

TEST(BadPixelFilter, SingleRows) {
    const Bytes edges = Row(16, {{0, 200}, {1, 200}, {2, 200}, {3, 200}, {12, 200}, {13, 200}, {14, 200}, {15, 200}});
    // Row, threshold, expected row.
    const std::tuple<Bytes, int, Bytes> cases[] = {
        {Row(16, {{7, 200}}), 20, Row(16, {})},                                        // an isolated bright sample
        {Row(16, {{9, 30}}), 20, Row(16, {{9, 30}})},                                  // exactly the threshold above
        {Row(16, {{11, 0}}), 20, Row(16, {{11, 0}})},                                  // dark defects stay
        {Row(16, {{3, 250}, {7, 200}}), 20, Row(16, {{3, 250}, {7, 200}})},            // bright far left protects
        {Row(16, {{7, 200}, {11, 250}}), 60, Row(16, {{7, 200}, {11, 250}})},          // bright far right protects
        {Row(16, {{7, 200}, {9, 215}}), 20, Row(16, {{7, 200}, {9, 215}})},            // bright near right protects
        {Row(16, {{4, 30}, {8, 50}}), 20, Row(16, {{4, 30}, {8, 50}})},                // far left threshold below
        {Row(16, {{6, 30}, {8, 255}, {10, 40}}), 20, Row(16, {{6, 30}, {8, 40}, {10, 40}})},  // larger near one
        {Row(16, {{6, 250}, {7, 200}, {8, 250}}), 20, Row(16, {{6, 250}, {8, 250}})},  // only the same colour counts
        // Correcting x = 4 first lowers the left neighbour of x = 8, which then counts as bright too.
        {Row(16, {{4, 100}, {8, 60}}), 20, Row(16, {})},
        {edges, 20, edges},                                                            // four edge columns stay
        {Row(9, {{4, 200}}), 20, Row(9, {})},                                          // width 9 examines x = 4
        {Row(8, {{4, 200}}), 20, Row(8, {{4, 200}})}};                                 // width 8 examines nothing
    for (const auto& [before, threshold, expected] : cases) {
        Bytes row = before;
        CorrectBadPixels(row.data(), static_cast<int>(row.size()), 1, static_cast<std::uint8_t>(threshold));
        EXPECT_EQ(row, expected) << testing::PrintToString(before) << ", threshold " << threshold;
    }
    // Rows above do not protect a sample either, and every row is examined.
    Bytes frame(12, 250), expected = frame, row = Row(12, {{6, 200}});
    frame.insert(frame.end(), row.begin(), row.end()), expected.insert(expected.end(), 12, 10);
    CorrectBadPixels(frame.data(), 12, 2, 50);
    EXPECT_EQ(frame, expected);
}

TEST(MirrorAndFlip, RearrangeSamplesAndRows) {
    // Mirror, flip, width, height, the frame 0, 1, 2 ... afterwards.
    const std::tuple<bool, bool, int, int, Bytes> cases[] = {{true, false, 5, 1, {4, 3, 2, 1, 0}},
                                                             {false, true, 3, 3, {6, 7, 8, 3, 4, 5, 0, 1, 2}},
                                                             {true, true, 4, 2, {7, 6, 5, 4, 3, 2, 1, 0}}};
    for (const auto& [mirror, flip, width, height, expected] : cases) {
        Bytes frame(static_cast<std::size_t>(width * height));
        std::iota(frame.begin(), frame.end(), std::uint8_t{0});
        if (mirror) MirrorRows(frame.data(), width, height);
        if (flip) FlipRows(frame.data(), width, height);
        EXPECT_EQ(frame, expected) << "mirror " << mirror << " flip " << flip << ", " << width << " x " << height;
    }
}

TEST(ReduceTo8Bits, ShiftBySensitivityOrMapTable) {
    const std::uint16_t samples[6] = {0, 15, 16, 255, 4095, 65535};
    PipelineSettings s;
    // Worked by hand; unknown sensitivities write nothing.
    for (auto [sensitivity, expected] : {std::pair{0, Bytes{0, 0, 1, 15, 255, 255}}, {2, {0, 3, 4, 63, 255, 255}},
                                         {4, {0, 15, 16, 255, 255, 255}}, {5, Bytes(6, 0xAB)}, {-1, Bytes(6, 0xAB)}}) {
        Bytes out(6, 0xAB);
        ReduceTo8Bits(samples, out.data(), 3, 2, s, sensitivity);
        EXPECT_EQ(out, expected) << "sensitivity " << sensitivity;
    }
    // The map table in use wins over the shift; samples past 4095 take entry 4095.
    s.mapTableOn = true;
    Bytes out(6);
    s.mapTable[15] = 1, s.mapTable[16] = 2, s.mapTable[255] = 3, s.mapTable[4095] = 4;
    ReduceTo8Bits(samples, out.data(), 2, 3, s, 0);
    EXPECT_EQ(out, (Bytes{0, 1, 2, 3, 4, 4}));
}

TEST(MapTableFile, LoadsTheEntriesTheFileReachesAndKeepsTheRest) {
    test::TempFolder folder;
    const std::string path = folder.Path() + "/table.map";
    // A header announcing N records of 8 bytes and a table length L, then the
    // records (0xEE) and `count` entries 7, 10, 13 ...; cut to `size` bytes. The
    // entries the file does not reach keep their first value, i >> 4.
    auto write = [&](long long records, long long length, long long count, long long size) {
        std::string bytes(12, 'Z');  // the first 12 bytes mean nothing
        for (long long v : {records, length})
            for (int i = 0; i < 4; ++i) bytes += static_cast<char>(v >> (8 * i));
        if (records < 1000) bytes.append(static_cast<std::size_t>(records) * 8, '\xEE');
        for (long long i = 0; i < count; ++i) bytes += static_cast<char>(7 + 3 * i);
        std::ofstream(path, std::ios::binary) << bytes.substr(0, static_cast<std::size_t>(size));
    };
    // Records, table length, entries present, bytes kept (all: -1); status;
    // entries loaded. Two records put the entries at offset 36; files that end
    // inside the table, inside the records or after the header load what they
    // hold; too long a table, an empty file, a short header and a length that
    // overflows are refused.
    const std::array<long long, 6> rows[] = {
        {2, 256, 256, -1, 1, 256}, {0, 4096, 4096, -1, 1, 4096}, {3, 1000, 100, -1, 1, 100},
        {0xFFFFFFFF, 256, 5, -1, 1, 0}, {0, 0, 0, -1, 1, 0}, {0, 4097, 4097, -1, -8, 0}, {0, 4, 4, 0, -8, 0},
        {0, 4, 4, 19, -8, 0}, {1, 0xFFFFFFFF, 10, -1, -8, 0}};
    for (const auto& [records, length, count, size, status, loaded] : rows) {
        SCOPED_TRACE(testing::Message() << "records " << records << ", length " << length << ", size " << size);
        write(records, length, count, size);
        PipelineSettings fresh;
        auto expected = fresh.mapTable;
        ASSERT_EQ(LoadMapTableFile(fresh, true, path.c_str()), status);
        EXPECT_EQ(fresh.mapTableOn, status == 1);
        for (long long i = 0; i < 4096; ++i) expected[i] = static_cast<std::uint8_t>(i < loaded ? 7 + 3 * i : i >> 4);
        EXPECT_EQ(fresh.mapTable, expected);
    }
}

}  // namespace
}  // namespace qcx
