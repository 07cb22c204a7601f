// The correction table file: its bytes on disk, the round trip, and what a
// load leaves behind when the file is wrong or ends early.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "camera/imaging/correction_table_file.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

ColourCorrection Calibrated() {
    ColourCorrection c;
    c.mode = 1;
    c.redOffset = 20;
    c.greenOffset = 0;
    c.blueOffset = -20;
    c.values[0] = 7;
    c.values[1] = -2;
    c.values[2] = 123456;
    for (int i = 0; i < 256; ++i) {
        c.redTable[i] = static_cast<std::uint8_t>(i ^ 0x5A);
        c.greenTable[i] = static_cast<std::uint8_t>(255 - i);
        c.blueTable[i] = static_cast<std::uint8_t>(i * 7);
    }
    return c;
}

std::uint32_t Dword(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return value;
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
    std::fclose(file);
}

class CorrectionTableFile : public ::testing::Test {
protected:
    test::TempFolder folder;
    std::string path = folder.Path() + "/table.qcc";

    std::string SavedBytes() {
        EXPECT_EQ(SaveCorrectionTable(Calibrated(), 28, path.c_str()), 1);
        return test::ReadFile(path);
    }
};

TEST_F(CorrectionTableFile, SavedFileHasTheHeaderAndTablesAtTheirOffsets) {
    const ColourCorrection c = Calibrated();
    ASSERT_EQ(SaveCorrectionTable(c, 0x01020304u, path.c_str()), 1);
    const std::string bytes = test::ReadFile(path);
    ASSERT_EQ(bytes.size(), 812u);
    EXPECT_EQ(bytes.substr(0, 4), "QCXC");
    EXPECT_EQ(bytes.substr(4, 8), std::string("\x00\x00\x01\x00\x2C\x03\x00\x00", 8));
    EXPECT_EQ(bytes.substr(12, 4), "\x04\x03\x02\x01") << "little-endian device type";
    EXPECT_EQ(Dword(bytes, 16), 1u);
    EXPECT_EQ(Dword(bytes, 20), 20u);
    EXPECT_EQ(Dword(bytes, 24), 0u);
    EXPECT_EQ(bytes.substr(28, 4), "\xEC\xFF\xFF\xFF") << "-20";
    EXPECT_EQ(Dword(bytes, 32), 7u);
    EXPECT_EQ(Dword(bytes, 36), 0xFFFFFFFEu);
    EXPECT_EQ(Dword(bytes, 40), 123456u);
    for (int i = 0; i < 256; ++i) {
        ASSERT_EQ(static_cast<std::uint8_t>(bytes[44 + i]), c.redTable[i]);
        ASSERT_EQ(static_cast<std::uint8_t>(bytes[300 + i]), c.greenTable[i]);
        ASSERT_EQ(static_cast<std::uint8_t>(bytes[556 + i]), c.blueTable[i]);
    }
}

TEST_F(CorrectionTableFile, LoadRestoresEverythingSavedAndIgnoresTheDeviceType) {
    const ColourCorrection saved = Calibrated();
    ASSERT_EQ(SaveCorrectionTable(saved, 0xFFFFFFFFu, path.c_str()), 1);
    ColourCorrection loaded;
    ASSERT_EQ(LoadCorrectionTable(loaded, path.c_str()), 1);
    EXPECT_TRUE(loaded.tableLoaded);
    EXPECT_EQ(loaded.mode, saved.mode);
    EXPECT_EQ(loaded.redOffset, 20);
    EXPECT_EQ(loaded.greenOffset, 0);
    EXPECT_EQ(loaded.blueOffset, -20);
    EXPECT_EQ(loaded.values[0], 7);
    EXPECT_EQ(loaded.values[1], -2);
    EXPECT_EQ(loaded.values[2], 123456);
    EXPECT_EQ(loaded.redTable, saved.redTable);
    EXPECT_EQ(loaded.greenTable, saved.greenTable);
    EXPECT_EQ(loaded.blueTable, saved.blueTable);
}

TEST_F(CorrectionTableFile, WrongMagicVersionWordsOrSizeAreAVersionError) {
    const std::string good = SavedBytes();
    for (std::size_t at : {0u, 3u, 4u, 5u, 6u, 7u, 8u, 9u, 11u}) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(at == 6 ? 2 : bytes[at] + 1);
        WriteBytes(path, bytes);
        ColourCorrection c;
        EXPECT_EQ(LoadCorrectionTable(c, path.c_str()), -15) << "byte " << at;
        EXPECT_EQ(c.mode, 0);
        EXPECT_FALSE(c.tableLoaded);
        EXPECT_EQ(c.redTable, IdentityTable());
    }
}

TEST_F(CorrectionTableFile, ShortHeaderChangesNothing) {
    WriteBytes(path, SavedBytes().substr(0, 43));
    ColourCorrection c;
    EXPECT_EQ(LoadCorrectionTable(c, path.c_str()), -8);
    EXPECT_EQ(c.mode, 0);
    EXPECT_EQ(c.redOffset, 0);
    EXPECT_FALSE(c.tableLoaded);
}

TEST_F(CorrectionTableFile, ShortTableLeavesTheHeaderAndTheCompleteTablesInForce) {
    const ColourCorrection saved = Calibrated();
    WriteBytes(path, SavedBytes().substr(0, 300 + 100));  // red complete, green cut
    ColourCorrection c;
    EXPECT_EQ(LoadCorrectionTable(c, path.c_str()), -8);
    EXPECT_EQ(c.mode, 1);
    EXPECT_EQ(c.redOffset, 20);
    EXPECT_EQ(c.blueOffset, -20);
    EXPECT_EQ(c.values[2], 123456);
    EXPECT_EQ(c.redTable, saved.redTable);
    EXPECT_EQ(c.greenTable, IdentityTable());
    EXPECT_EQ(c.blueTable, IdentityTable());
    EXPECT_FALSE(c.tableLoaded);
}

TEST_F(CorrectionTableFile, MissingFileFailsAndNullFileSwitchesCorrectionOff) {
    ColourCorrection c = Calibrated();
    c.tableLoaded = true;
    EXPECT_EQ(LoadCorrectionTable(c, (folder.Path() + "/none.qcc").c_str()), -8);
    EXPECT_EQ(c.mode, 1);

    EXPECT_EQ(LoadCorrectionTable(c, nullptr), 1);
    EXPECT_EQ(c.mode, 0);
    EXPECT_FALSE(c.tableLoaded);
    EXPECT_EQ(c.redOffset, 0);
    EXPECT_EQ(c.blueOffset, 0);
    EXPECT_EQ(c.redTable, IdentityTable());
    EXPECT_EQ(c.greenTable, IdentityTable());
    EXPECT_EQ(c.blueTable, IdentityTable());
}

TEST_F(CorrectionTableFile, SaveRefusesModeZeroAndUnwritableFiles) {
    ColourCorrection off = Calibrated();
    off.mode = 0;
    EXPECT_EQ(SaveCorrectionTable(off, 28, path.c_str()), -8);
    EXPECT_TRUE(test::FilesIn(folder.Path()).empty()) << "nothing is created";

    EXPECT_EQ(SaveCorrectionTable(Calibrated(), 28, (folder.Path() + "/no/such/folder.qcc").c_str()), -8);
    EXPECT_EQ(SaveCorrectionTable(Calibrated(), 28, folder.Path().c_str()), -8) << "a folder";
    EXPECT_EQ(SaveCorrectionTable(Calibrated(), 28, nullptr), -8);
    // A device that takes no bytes: the loss shows when the buffered data is flushed.
    EXPECT_EQ(SaveCorrectionTable(Calibrated(), 28, "/dev/full"), -8);
}

TEST_F(CorrectionTableFile, ReaderTakesAnyOpenStream) {
    std::string bytes = SavedBytes() + "trailing bytes are not read";
    std::FILE* stream = fmemopen(bytes.data(), bytes.size(), "rb");
    ASSERT_NE(stream, nullptr);
    ColourCorrection c;
    EXPECT_EQ(ReadCorrectionTable(c, stream), 1);
    std::fclose(stream);
    EXPECT_TRUE(c.tableLoaded);
    EXPECT_EQ(c.blueTable, Calibrated().blueTable);
    EXPECT_EQ(ReadCorrectionTable(c, nullptr), -8);
}

}  // namespace
}  // namespace qcx
