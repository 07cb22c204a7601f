// The correction table file: its bytes on disk, the round trip, and what a
// load leaves behind when the file is wrong or ends early.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "camera/imaging/correction_table_file.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

ColourCorrection Calibrated() {
    ColourCorrection c;
    c.mode = 1;
    c.redOffset = 20;
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

class CorrectionTableFile : public ::testing::Test {
protected:
    test::TempFolder folder;
    std::string path = folder.Path() + "/table.qcc";

    std::string SavedBytes() {
        EXPECT_EQ(SaveCorrectionTable(Calibrated(), 28, path.c_str()), 1);
        return test::ReadFile(path);
    }
    void WriteBytes(const std::string& bytes) {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        ASSERT_EQ(std::fwrite(bytes.data(), 1, bytes.size(), file), bytes.size());
        std::fclose(file);
    }
};

std::string Table(const ByteTable& table) { return std::string(table.begin(), table.end()); }

TEST_F(CorrectionTableFile, SavedFileHasTheHeaderAndTablesAtTheirOffsetsAndLoadsWhateverItsDeviceType) {
    const ColourCorrection c = Calibrated();
    ASSERT_EQ(SaveCorrectionTable(c, 0x01020304u, path.c_str()), 1);
    const std::string bytes = test::ReadFile(path);
    ASSERT_EQ(bytes.size(), 812u);
    const std::string header(
        "QCXC\0\0\1\0\x2C\3\0\0"                 // magic, 0, 1, size 812
        "\4\3\2\1\1\0\0\0"                       // device type, mode
        "\x14\0\0\0\0\0\0\0\xEC\xFF\xFF\xFF"     // offsets 20, 0, -20
        "\7\0\0\0\xFE\xFF\xFF\xFF\x40\xE2\1\0",  // values 7, -2, 123456
        44);
    EXPECT_EQ(bytes.substr(0, 44), header);
    EXPECT_EQ(bytes.substr(44), Table(c.redTable) + Table(c.greenTable) + Table(c.blueTable));

    ColourCorrection loaded;
    ASSERT_EQ(LoadCorrectionTable(loaded, path.c_str()), 1);
    EXPECT_EQ(std::tuple(loaded.tableLoaded, loaded.mode, loaded.redOffset, loaded.greenOffset, loaded.blueOffset),
              std::tuple(true, 1, 20, 0, -20));
    EXPECT_EQ((std::vector<int>{loaded.values[0], loaded.values[1], loaded.values[2]}), (std::vector<int>{7, -2, 123456}));
    EXPECT_EQ(std::tuple(loaded.redTable, loaded.greenTable, loaded.blueTable),
              std::tuple(c.redTable, c.greenTable, c.blueTable));
    EXPECT_EQ(ReadCorrectionTable(loaded, nullptr), -8);
}

TEST_F(CorrectionTableFile, FaultyFilesLeaveWhatWasReadBeforeTheFault) {
    const std::string good = SavedBytes();
    const ColourCorrection saved = Calibrated();
    struct Case {
        std::string name, bytes;
        int status;
        bool headerInForce;
        int completeTables;
    };
    std::vector<Case> cases = {{"short header", good.substr(0, 43), -8, false, 0},
                               {"red table complete, green cut", good.substr(0, 400), -8, true, 1},
                               {"blue table one byte short", good.substr(0, 811), -8, true, 2}};
    // A wrong magic, version word or size is a version error; word 6 set to 2.
    for (std::size_t at : {0u, 3u, 5u, 6u, 8u, 11u}) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(at == 6 ? 2 : bytes[at] + 1);
        cases.push_back({"byte " + std::to_string(at) + " changed", bytes, -15, false, 0});
    }
    for (const Case& k : cases) {
        SCOPED_TRACE(k.name);
        WriteBytes(k.bytes);
        ColourCorrection c;
        EXPECT_EQ(LoadCorrectionTable(c, path.c_str()), k.status);
        EXPECT_FALSE(c.tableLoaded);
        EXPECT_EQ(std::tuple(c.mode, c.redOffset, c.blueOffset, c.values[2]),
                  k.headerInForce ? std::tuple(1, 20, -20, 123456) : std::tuple(0, 0, 0, 0));
        EXPECT_EQ(c.redTable, k.completeTables > 0 ? saved.redTable : IdentityTable());
        EXPECT_EQ(c.greenTable, k.completeTables > 1 ? saved.greenTable : IdentityTable());
        EXPECT_EQ(c.blueTable, IdentityTable());
    }
}

TEST_F(CorrectionTableFile, RefusedSavesCreateNothingAndANullLoadSwitchesCorrectionOff) {
    ColourCorrection off = Calibrated();
    off.mode = 0;
    EXPECT_EQ(SaveCorrectionTable(off, 28, path.c_str()), -8) << "nothing to save in mode 0";
    EXPECT_TRUE(test::FilesIn(folder.Path()).empty());
    // The last takes no bytes: the loss shows when the buffered data is flushed.
    for (const char* target : {folder.Path().c_str(), static_cast<const char*>(nullptr), "/dev/full"})
        EXPECT_EQ(SaveCorrectionTable(Calibrated(), 28, target), -8) << (target ? target : "null");

    ColourCorrection c = Calibrated();
    c.tableLoaded = true;
    EXPECT_EQ(LoadCorrectionTable(c, path.c_str()), -8) << "no such file";
    EXPECT_EQ(std::tuple(c.mode, c.tableLoaded), std::tuple(1, true));
    EXPECT_EQ(LoadCorrectionTable(c, nullptr), 1);
    EXPECT_EQ(std::tuple(c.mode, c.tableLoaded, c.redOffset, c.blueOffset, c.redTable, c.greenTable, c.blueTable),
              std::tuple(0, false, 0, 0, IdentityTable(), IdentityTable(), IdentityTable()));
}

}  // namespace
}  // namespace qcx
