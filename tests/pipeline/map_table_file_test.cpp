// Loading the 16-to-8-bit map table from a file.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "camera/imaging/map_table_file.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

void PutLittleEndian32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Header with N records of 8 bytes and a table length L, then the records
// (filled with 0xEE) and `entries`.
Bytes MapFile(std::uint32_t records, std::uint32_t length, const Bytes& entries) {
    Bytes bytes(20, 0x5A);  // the first 12 bytes mean nothing
    PutLittleEndian32(bytes, 12, records);
    PutLittleEndian32(bytes, 16, length);
    bytes.insert(bytes.end(), static_cast<std::size_t>(records) * 8, 0xEE);
    bytes.insert(bytes.end(), entries.begin(), entries.end());
    return bytes;
}

Bytes Entries(std::size_t count, std::uint8_t start) {
    Bytes entries(count);
    for (std::size_t i = 0; i < count; ++i) entries[i] = static_cast<std::uint8_t>(start + 3 * i);
    return entries;
}

std::array<std::uint8_t, 4096> InitialTable() {
    return PipelineSettings{}.mapTable;
}

class MapTableFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("qcx-map-table-" + std::to_string(::getpid()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    std::string Write(const Bytes& bytes) {
        const std::string path = (folder_ / ("table" + std::to_string(++files_) + ".map")).string();
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    std::filesystem::path folder_;
    int files_ = 0;
    PipelineSettings s;
};

TEST_F(MapTableFileTest, LoadsEntriesAfterTheRecordsAndKeepsTheRest) {
    const Bytes entries = Entries(256, 7);
    ASSERT_EQ(LoadMapTableFile(s, true, Write(MapFile(2, 256, entries)).c_str()), 1);
    EXPECT_TRUE(s.mapTableOn);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(s.mapTable[i], entries[i]) << "entry " << i;
    for (int i = 256; i < 4096; ++i) ASSERT_EQ(s.mapTable[i], i >> 4) << "entry " << i;
}

TEST_F(MapTableFileTest, TableOfFullLengthReplacesEveryEntry) {
    const Bytes entries = Entries(4096, 1);
    ASSERT_EQ(LoadMapTableFile(s, true, Write(MapFile(0, 4096, entries)).c_str()), 1);
    EXPECT_TRUE(std::equal(entries.begin(), entries.end(), s.mapTable.begin()));
}

TEST_F(MapTableFileTest, TooLongTableIsRefusedAndNothingChanges) {
    const Bytes entries = Entries(4097, 9);
    EXPECT_EQ(LoadMapTableFile(s, true, Write(MapFile(0, 4097, entries)).c_str()), -8);
    EXPECT_FALSE(s.mapTableOn);
    EXPECT_EQ(s.mapTable, InitialTable());

    // A table already in use stays in use, unchanged.
    ASSERT_EQ(LoadMapTableFile(s, true, Write(MapFile(0, 4, {1, 2, 3, 4})).c_str()), 1);
    const auto inUse = s.mapTable;
    EXPECT_EQ(LoadMapTableFile(s, true, Write(MapFile(1, 0xFFFFFFFF, entries)).c_str()), -8);
    EXPECT_TRUE(s.mapTableOn);
    EXPECT_EQ(s.mapTable, inUse);
}

TEST_F(MapTableFileTest, FileEndingInsideTheTableLoadsWhatItHas) {
    const Bytes entries = Entries(100, 50);
    ASSERT_EQ(LoadMapTableFile(s, true, Write(MapFile(3, 1000, entries)).c_str()), 1);
    EXPECT_TRUE(s.mapTableOn);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(s.mapTable[i], entries[i]);
    for (int i = 100; i < 4096; ++i) ASSERT_EQ(s.mapTable[i], i >> 4);
}

TEST_F(MapTableFileTest, FileEndingInsideTheRecordsLoadsNothingButSucceeds) {
    Bytes bytes = MapFile(0, 256, {});
    PutLittleEndian32(bytes, 12, 0xFFFFFFFF);  // far more records than the file holds
    bytes.insert(bytes.end(), 40, 0x11);
    ASSERT_EQ(LoadMapTableFile(s, true, Write(bytes).c_str()), 1);
    EXPECT_TRUE(s.mapTableOn);
    EXPECT_EQ(s.mapTable, InitialTable());
}

TEST_F(MapTableFileTest, FileShorterThanItsHeaderIsRefused) {
    for (std::size_t size : {0u, 12u, 19u}) {
        Bytes bytes = MapFile(0, 4, {});
        bytes.resize(size);
        EXPECT_EQ(LoadMapTableFile(s, true, Write(bytes).c_str()), -8) << size << " bytes";
        EXPECT_FALSE(s.mapTableOn);
    }
    // Exactly a header: a valid, empty table.
    EXPECT_EQ(LoadMapTableFile(s, true, Write(MapFile(0, 0, {})).c_str()), 1);
    EXPECT_EQ(s.mapTable, InitialTable());
}

TEST_F(MapTableFileTest, MissingOrUnnamedFile) {
    EXPECT_EQ(LoadMapTableFile(s, true, nullptr), -1);
    EXPECT_EQ(LoadMapTableFile(s, true, (folder_ / "absent.map").string().c_str()), -8);
    EXPECT_EQ(LoadMapTableFile(s, true, folder_.string().c_str()), -8) << "a folder is no table";
    EXPECT_FALSE(s.mapTableOn);
}

TEST_F(MapTableFileTest, DisablingKeepsTheContents) {
    ASSERT_EQ(LoadMapTableFile(s, true, Write(MapFile(0, 3, {9, 8, 7})).c_str()), 1);
    EXPECT_EQ(LoadMapTableFile(s, false, nullptr), 1);
    EXPECT_FALSE(s.mapTableOn);
    EXPECT_EQ(s.mapTable[0], 9);
    EXPECT_EQ(s.mapTable[2], 7);
    EXPECT_EQ(LoadMapTableFile(s, false, "ignored when disabling"), 1);
}

TEST(MapTableReader, ReadsFromAnOpenStream) {
    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const Bytes bytes = MapFile(1, 2, {0x42, 0x43});
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::rewind(file);
    std::array<std::uint8_t, 4096> table{};
    table.fill(0x99);
    EXPECT_EQ(ReadMapTable(file, table), 1);
    std::fclose(file);
    EXPECT_EQ(table[0], 0x42);
    EXPECT_EQ(table[1], 0x43);
    EXPECT_EQ(table[2], 0x99);
    EXPECT_EQ(ReadMapTable(nullptr, table), -8);
}

}  // namespace
}  // namespace qcx
