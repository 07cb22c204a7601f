// The correction table file: its bytes on disk, the round trip, and what a
// load leaves behind when the file is wrong or ends early.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

#include "camera/imaging/correction_table_file.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

ColourCorrection Calibrated() {
    ColourCorrection c{.mode = 1, .redOffset = 20, .blueOffset = -20, .values = {7, -2, 123456}};
    for (int i = 0; i < 256; ++i) {
        c.redTable[i] = static_cast<std::uint8_t>(i ^ 0x5A), c.greenTable[i] = static_cast<std::uint8_t>(255 - i);
        c.blueTable[i] = static_cast<std::uint8_t>(i * 7);
    }
    return c;
}

std::string Table(const ByteTable& table) { return std::string(table.begin(), table.end()); }

class CorrectionTableFile : public ::testing::Test {
protected:
    test::TempFolder folder;
    std::string path = folder.Path() + "/table.qcc";
    const ColourCorrection saved = Calibrated();
};

TEST_F(CorrectionTableFile, SavedFileHasTheHeaderAndTablesAtTheirOffsetsAndLoadsWhateverItsDeviceType) {
    ASSERT_EQ(SaveCorrectionTable(saved, 0x01020304u, path.c_str()), 1);
    const std::string bytes = test::ReadFile(path);
    const std::string header(
        "QCXC\0\0\1\0\x2C\3\0\0"                 // magic, 0, 1, size 812
        "\4\3\2\1\1\0\0\0"                       // device type, mode
        "\x14\0\0\0\0\0\0\0\xEC\xFF\xFF\xFF"     // offsets 20, 0, -20
        "\7\0\0\0\xFE\xFF\xFF\xFF\x40\xE2\1\0",  // values 7, -2, 123456
        44);
    EXPECT_EQ(bytes, header + Table(saved.redTable) + Table(saved.greenTable) + Table(saved.blueTable));
    ColourCorrection c;
    ASSERT_EQ(LoadCorrectionTable(c, path.c_str()), 1);
    EXPECT_EQ(std::tuple(c.tableLoaded, c.mode, c.redOffset, c.greenOffset, c.blueOffset, c.values[0], c.values[1],
                         c.values[2], c.redTable, c.greenTable, c.blueTable),
              std::tuple(true, 1, 20, 0, -20, 7, -2, 123456, saved.redTable, saved.greenTable, saved.blueTable));
    EXPECT_EQ(ReadCorrectionTable(c, nullptr), -8);
}

TEST_F(CorrectionTableFile, FaultyFilesLeaveWhatWasReadBeforeTheFault) {
    ASSERT_EQ(SaveCorrectionTable(saved, 28, path.c_str()), 1);
    const std::string good = test::ReadFile(path);
    // The file, its status, whether the header is in force, how many tables
    // were read: a short header, the red table complete and the green cut, the
    // blue table one byte short; then a wrong magic, version word (word 6 set
    // to 2) or size is a version error.
    std::vector<std::tuple<std::string, int, bool, int>> cases = {
        {good.substr(0, 43), -8, false, 0}, {good.substr(0, 400), -8, true, 1}, {good.substr(0, 811), -8, true, 2}};
    for (std::size_t at : {0u, 3u, 5u, 6u, 8u, 11u}) {
        std::string bytes = good;
        bytes[at] = static_cast<char>(at == 6 ? 2 : bytes[at] + 1);
        cases.emplace_back(bytes, -15, false, 0);
    }
    for (const auto& [bytes, status, headerInForce, tables] : cases) {
        SCOPED_TRACE(testing::Message() << bytes.size() << " bytes, status " << status);
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
        ColourCorrection c;
        EXPECT_EQ(LoadCorrectionTable(c, path.c_str()), status);
        EXPECT_FALSE(c.tableLoaded);
        EXPECT_EQ(std::tuple(c.mode, c.redOffset, c.blueOffset, c.values[2]),
                  headerInForce ? std::tuple(1, 20, -20, 123456) : std::tuple(0, 0, 0, 0));
        EXPECT_EQ(std::tuple(c.redTable, c.greenTable, c.blueTable),
                  std::tuple(tables > 0 ? saved.redTable : IdentityTable(),
                             tables > 1 ? saved.greenTable : IdentityTable(), IdentityTable()));
    }
}

TEST_F(CorrectionTableFile, RefusedSavesCreateNothingAndANullLoadSwitchesCorrectionOff) {
    ColourCorrection c = saved;
    c.mode = 0;
    EXPECT_EQ(SaveCorrectionTable(c, 28, path.c_str()), -8) << "nothing to save in mode 0";
    EXPECT_TRUE(test::FilesIn(folder.Path()).empty());
    // The last takes no bytes: the loss shows when the buffered data is flushed.
    for (const char* target : {folder.Path().c_str(), static_cast<const char*>(nullptr), "/dev/full"})
        EXPECT_EQ(SaveCorrectionTable(saved, 28, target), -8) << (target ? target : "null");
    c = saved;
    c.tableLoaded = true;
    EXPECT_EQ(LoadCorrectionTable(c, path.c_str()), -8) << "no such file";
    EXPECT_EQ(std::tuple(c.mode, c.tableLoaded), std::tuple(1, true));
    EXPECT_EQ(LoadCorrectionTable(c, nullptr), 1);
    EXPECT_EQ(std::tuple(c.mode, c.tableLoaded, c.redOffset, c.blueOffset, c.redTable, c.greenTable, c.blueTable),
              std::tuple(0, false, 0, 0, IdentityTable(), IdentityTable(), IdentityTable()));
}

}  // namespace
}  // namespace qcx
