// Loading the 16-to-8-bit map table from a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>

#include "camera/imaging/map_table_file.h"
#include "pipeline/test_bytes.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

using test::Bytes;
using MapTable = std::array<std::uint8_t, 4096>;

void PutLittleEndian32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// A header announcing N records of 8 bytes and a table length L, then the
// records (0xEE) and `count` entries 7, 10, 13 ...; the whole cut to `size`
// bytes when `size` is not negative.
Bytes MapFile(std::uint32_t records, std::uint32_t length, std::size_t count, long size = -1) {
    Bytes bytes(20, 0x5A);  // the first 12 bytes mean nothing
    PutLittleEndian32(bytes, 12, records);
    PutLittleEndian32(bytes, 16, length);
    if (records < 1000) bytes.insert(bytes.end(), static_cast<std::size_t>(records) * 8, 0xEE);
    for (std::size_t i = 0; i < count; ++i) bytes.push_back(static_cast<std::uint8_t>(7 + 3 * i));
    if (size >= 0) bytes.resize(static_cast<std::size_t>(size));
    return bytes;
}

class MapTableFileTest : public ::testing::Test {
protected:
    std::string Write(const Bytes& bytes) {
        const std::string path = folder.Path() + "/table" + std::to_string(++files) + ".map";
        std::FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        return path;
    }
    test::TempFolder folder;
    int files = 0;
    const MapTable initial = PipelineSettings{}.mapTable;
};

TEST_F(MapTableFileTest, LoadsTheEntriesTheFileReachesAndKeepsTheRest) {
    struct Row {
        const char* name;
        Bytes file;
        int status;
        std::size_t loaded;  // entries 0 ... loaded - 1 come from the file
    };
    Bytes manyRecords = MapFile(0, 256, 5);
    PutLittleEndian32(manyRecords, 12, 0xFFFFFFFF);  // far more records than the file holds
    const Row rows[] = {{"two records, entries from offset 36", MapFile(2, 256, 256), 1, 256},
                        {"full length", MapFile(0, 4096, 4096), 1, 4096},
                        {"ends inside the table", MapFile(3, 1000, 100), 1, 100},
                        {"ends inside the records", manyRecords, 1, 0},
                        {"exactly a header", MapFile(0, 0, 0), 1, 0},
                        {"announces 4097 entries", MapFile(0, 4097, 4097), -8, 0},
                        {"empty file", MapFile(0, 4, 4, 0), -8, 0},
                        {"19 bytes", MapFile(0, 4, 4, 19), -8, 0},
                        {"announces 0xFFFFFFFF entries", MapFile(1, 0xFFFFFFFF, 10), -8, 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        PipelineSettings fresh;
        ASSERT_EQ(LoadMapTableFile(fresh, true, Write(row.file).c_str()), row.status);
        EXPECT_EQ(fresh.mapTableOn, row.status == 1);
        MapTable expected = initial;
        for (std::size_t i = 0; i < row.loaded; ++i) expected[i] = static_cast<std::uint8_t>(7 + 3 * i);
        EXPECT_EQ(fresh.mapTable, expected);
    }
}

}  // namespace
}  // namespace qcx
