// The per-camera diagnostic log: file names, line format, folders, and the
// process-wide switch applied to open and later cameras.
#include <filesystem>

#include "camera/common/log_file.h"
#include "camera/platform/file_system.h"
#include "support/library_fixture.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

LocalTime g_now;
LocalTime FixedClock() { return g_now; }

class LogTest : public test::LibraryTest {
protected:
    test::TempFolder folder;

    void SetUp() override {
        LibraryTest::SetUp();
        g_now = LocalTime{2024, 3, 5, 14, 7, 9, 45};
        SetLogClock(&FixedClock);
    }
    static std::string DefaultFolder() {
        return (std::filesystem::path(LibraryFilePath()).parent_path() / "QCXLogFolder").string();
    }
    static int OpenCamera(int index) {
        QCX_BYTE value = 0;
        return QCX_RdFx2Reg(index, 0, &value);
    }
};

TEST(LogFileTest, NameAndLineFormat) {
    EXPECT_EQ(LogFileName(21, 3, 0x0102, LocalTime{2024, 3, 5, 14, 7, 9, 45}), "QCXLOG_21_3_0x0102_03051407090045.log");
    EXPECT_EQ(LogFileName(8, 255, 0xABCD, LocalTime{2024, 12, 31, 23, 59, 58, 999}),
              "QCXLOG_8_255_0xabcd_12312359580999.log");

    test::TempFolder folder;
    g_now = LocalTime{2024, 3, 5, 14, 7, 9, 45};
    SetLogClock(&FixedClock);
    const std::string path = folder.Path() + "/line.log";
    {
        CLogFile log(path);
        ASSERT_TRUE(log.IsOpen());
        log.Write("Initialized Successful.");
        LogPrintf(&log, "GetWorkingMode Finished ( 0x%04x ).", 0x13);
    }
    {
        CLogFile again(path);  // appends
        again.Write("UnInitialized Finished.\n");
    }
    SetLogClock(nullptr);
    EXPECT_EQ(test::ReadFile(path),
              "2024-03-05 14-07-09: Initialized Successful.\n"
              "2024-03-05 14-07-09: GetWorkingMode Finished ( 0x0013 ).\n"
              "2024-03-05 14-07-09: UnInitialized Finished.\n\n");
}

TEST_F(LogTest, NullFolderSendsOpenCamerasToTheDefaultButLaterOnesToTheStoredFolder) {
    UseCameras("21:1,21:2");
    ASSERT_EQ(QCX_LogSet(0, folder.Path().c_str()), 1);
    ASSERT_EQ(QCX_Init(), 1);
    ASSERT_EQ(OpenCamera(0), 1);

    g_now.millisecond = 101;
    ASSERT_EQ(QCX_LogSet(1, nullptr), 1);
    const std::string defaultFile = DefaultFolder() + "/QCXLOG_21_1_0x0100_03051407090101.log";
    EXPECT_TRUE(std::filesystem::exists(defaultFile)) << defaultFile;
    std::filesystem::remove(defaultFile);

    ASSERT_EQ(OpenCamera(1), 1);
    EXPECT_EQ(test::FilesIn(folder.Path()), std::vector<std::string>{"QCXLOG_21_2_0x0100_03051407090101.log"});

    QCX_BOOL8 on = 0;
    char stored[QCX_LOG_FOLDER_SIZE];
    ASSERT_EQ(QCX_LogGet(&on, stored), 1);
    EXPECT_EQ(on, 1);
    EXPECT_EQ(folder.Path(), stored);
}

TEST_F(LogTest, AFolderTooLongForTheSettingsIsRefused) {
    std::string longFolder(260, 'a');
    ASSERT_EQ(QCX_LogSet(1, folder.Path().c_str()), 1);
    EXPECT_EQ(QCX_LogSet(0, longFolder.c_str()), -1);
    QCX_BOOL8 on = 0;
    char stored[QCX_LOG_FOLDER_SIZE];
    QCX_LogGet(&on, stored);
    EXPECT_EQ(on, 1) << "a refused call changes nothing";
    EXPECT_EQ(folder.Path(), stored);
    longFolder.resize(259);
    EXPECT_EQ(QCX_LogSet(0, longFolder.c_str()), 1);
}

}  // namespace
}  // namespace qcx
