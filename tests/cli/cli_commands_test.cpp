// qcx param, reg, eeprom, I/O line, cc and log commands, run as a user runs
// them, against simulated cameras: exit codes, and values the cameras are
// documented to report.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace {

struct Result {
    int code = -1;
    std::string output;  // stdout and stderr
};

// One qcx run with the simulated cameras `sim` (as QCX_SIM takes them).
Result Qcx(const std::string& sim, const std::string& arguments) {
    const std::string command =
        "QCX_SIM_TIMING=fast '" QCX_TOOL_PATH "' --simulate " + sim + " " + arguments + " 2>&1";
    Result result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char chunk[4096];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) result.output.append(chunk, n);
    const int status = pclose(pipe);
    result.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

bool Has(const Result& result, const std::string& text) { return result.output.find(text) != std::string::npos; }

TEST(QcxParamCommand, NamesRangesAndUnsupportedParameters) {
    const Result range = Qcx("21", "param range GAMMA");
    EXPECT_EQ(range.code, 0) << range.output;
    EXPECT_TRUE(Has(range, "-9") && Has(range, "9")) << range.output;
    EXPECT_EQ(Qcx("21", "param range qcx_gamma").output, range.output);

    const Result unknown = Qcx("21", "param get nosuch");
    EXPECT_EQ(unknown.code, 2);
    EXPECT_TRUE(Has(unknown, "exposure") && Has(unknown, "saturation")) << "valid names listed: " << unknown.output;

    // Binning on an MT9V032 has the range 1 ... 1 and cannot be set.
    EXPECT_TRUE(Has(Qcx("21", "param get bin"), "(1 ... 1)"));
    const Result bin = Qcx("21", "param set bin 1");
    EXPECT_EQ(bin.code, 1);
    EXPECT_TRUE(Has(bin, "(-3)")) << bin.output;

    // Flip is a flag: 7 is stored as 1; a negative value is a value, not an option.
    EXPECT_TRUE(Has(Qcx("21", "param set flip 7"), "flip = 1"));
    EXPECT_TRUE(Has(Qcx("21", "param set gamma -4"), "gamma = -4"));
}

TEST(QcxRegisterCommands, WidthsAreCheckedAndEepromDumpsHaveTheAskedSize) {
    EXPECT_EQ(Qcx("21", "reg write fx2 0xe600 0x100").code, 2);
    EXPECT_EQ(Qcx("21", "reg write sensor 0x0d 0x10000").code, 2);
    EXPECT_EQ(Qcx("21", "reg read flash 0").code, 2);
    const Result read = Qcx("21", "reg read sensor 0 --count 3");
    EXPECT_EQ(read.code, 0) << read.output;
    EXPECT_TRUE(Has(read, "sensor 0x00 = ") && Has(read, "sensor 0x02 = ")) << read.output;

    qcx::test::TempFolder folder;
    const std::string file = folder.Path() + "/eeprom.bin";
    EXPECT_EQ(Qcx("21", "eeprom dump --from 0x100 --count 300 -o " + file).code, 0);
    EXPECT_EQ(std::filesystem::file_size(file), 300u);
    EXPECT_EQ(Qcx("21", "eeprom dump --count 65537").code, 2);
    // 40 bytes: two full lines of 16 and one of 8.
    const Result dump = Qcx("21", "eeprom dump --count 40");
    EXPECT_EQ(dump.code, 0);
    EXPECT_TRUE(Has(dump, "0x0010 ") && Has(dump, "0x0020 ") && !Has(dump, "0x0030 ")) << dump.output;
}

TEST(QcxIoLineCommands, FeaturesOfTheModelWorkAndOthersAnswerNotSupported) {
    const Result external = Qcx("17", "trigger mode external");
    EXPECT_EQ(external.code, 0) << external.output;
    EXPECT_TRUE(Has(external, "external"));
    const Result refused = Qcx("21", "trigger mode external");
    EXPECT_EQ(refused.code, 1);
    EXPECT_TRUE(Has(refused, "(-3)")) << refused.output;
    EXPECT_EQ(Qcx("17", "trigger mode sometimes").code, 2);

    // A new run reports delay 0, within 0 ... 65535.
    EXPECT_TRUE(Has(Qcx("17", "trigger delay"), "trigger delay 0 (0 ... 65535)"));
    EXPECT_TRUE(Has(Qcx("17", "gpio direction 0x3f"), "0x3f"));
    EXPECT_TRUE(Has(Qcx("12", "led set 1 on"), "led 1 on"));
    EXPECT_EQ(Qcx("12", "led set 3 on").code, 2);
    EXPECT_EQ(Qcx("21", "led get").code, 1);
}

TEST(QcxColourCorrection, TableSavedInOneRunLoadsInTheNext) {
    qcx::test::TempFolder folder;
    const std::string table = folder.Path() + "/grey.cct";
    const Result save = Qcx("21", "cc save " + table + " --mode 1");
    ASSERT_EQ(save.code, 0) << save.output;
    EXPECT_EQ(std::filesystem::file_size(table), 812u);
    const Result load = Qcx("21", "cc load " + table);
    EXPECT_EQ(load.code, 0) << load.output;
    EXPECT_TRUE(Has(load, "mode 1") && Has(load, "loaded yes")) << load.output;

    const Result mono = Qcx("22", "cc calibrate");
    EXPECT_EQ(mono.code, 1);
    EXPECT_TRUE(Has(mono, "(-3)")) << mono.output;
}

TEST(QcxLogCommand, EachCameraWritesANamedLogFile) {
    qcx::test::TempFolder folder;
    const Result on = Qcx("21:3:0x0102,17", "log --on --folder " + folder.Path());
    EXPECT_EQ(on.code, 0) << on.output;
    const std::vector<std::string> files = qcx::test::FilesIn(folder.Path());
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1].rfind("QCXLOG_21_3_0x0102_", 0), 0u) << files[1];
    EXPECT_TRUE(Has(on, files[0]) && Has(on, files[1])) << on.output;
    EXPECT_TRUE(Has(Qcx("21", "log"), "log off"));
    EXPECT_EQ(Qcx("21", "log --folder " + folder.Path()).code, 2);
}

}  // namespace
