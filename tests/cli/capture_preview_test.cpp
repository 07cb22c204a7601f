// qcx list, info, capture and preview against simulated cameras, run as a
// user runs them; the files they write are read back with FFmpeg.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "cli/qcx_run.h"
#include "support/ffprobe.h"
#include "support/temp_folder.h"

namespace qcx::test {
namespace {

class QcxTool : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("QCX_SIM_SCENE", "ramp", 1);
        setenv("QCX_SIM_TIMING", "fast", 1);
    }
    QcxResult Run(const std::string& arguments) { return RunQcx(arguments, folder_.Path()); }
    std::string File(const std::string& name) {
        std::ifstream in(folder_.Path() + "/" + name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    // The picture as FFmpeg decodes it: top row first, red-green-blue bytes.
    std::string DecodedRgb(const std::string& name) {
        return CommandOutput("ffmpeg -v error -i '" + folder_.Path() + "/" + name +
                             "' -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
    }
    TempFolder folder_;
};

TEST_F(QcxTool, ListsAndSelectsCamerasByIndexOrIdentity) {
    QcxResult list = Run("--simulate 21,8:5,19 list");
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("3 camera(s)"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("MT9P001"), std::string::npos);
    EXPECT_NE(list.out.find("ICX205"), std::string::npos);

    QcxResult json = Run("--simulate 21,8:5 list --json");
    EXPECT_NE(json.out.find("\"device_type\": 8, \"family\": \"MT9P001\", \"device_number\": 5"), std::string::npos)
        << json.out;
    // Another reader takes the whole of it.
    const std::string check = "/usr/bin/python3 -c 'import json, sys; json.load(sys.stdin); print(\"valid\")'";
    EXPECT_EQ(CommandOutput("'" QCX_TOOL_PATH "' --simulate 21,8:5 list --json | " + check), "valid\n");
    EXPECT_EQ(CommandOutput("'" QCX_TOOL_PATH "' --simulate 19 info --json | " + check), "valid\n");

    for (const char* device : {"1", "8:5", "mt9p001:5"}) {
        QcxResult info = Run(std::string("--simulate 21,8:5 info --json -d ") + device);
        EXPECT_EQ(info.exitCode, 0) << device << info.err;
        EXPECT_NE(info.out.find("\"default_field_of_view\": [0, 0, 2592, 1944, 0, 0]"), std::string::npos) << device;
    }
    EXPECT_EQ(Run("--simulate 21 info -d 1").exitCode, 1);
    EXPECT_EQ(Run("--simulate 21 info -d 8:9").exitCode, 1);
    const QcxResult usage = Run("--simulate 21 info -d seven");
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_NE(usage.err.find("--help"), std::string::npos) << usage.err;
}

// The ramp scene puts (c + 2r) mod 256 at sensor column c, row r: along a row
// the samples rise by 1, down a column by 2, so any flip shows.
TEST_F(QcxTool, RawFramesAreSavedTopRowFirst) {
    ASSERT_EQ(Run("--simulate 21 capture --raw -o raw.pgm").exitCode, 0);
    const std::string pgm = File("raw.pgm");
    const std::string header = "P5\n752 480\n255\n";
    ASSERT_EQ(pgm.substr(0, header.size()), header);
    auto at = [&](int c, int r) { return static_cast<unsigned char>(pgm[header.size() + r * 752 + c]); };
    EXPECT_EQ((at(11, 7) - at(10, 7)) & 0xFF, 1);
    EXPECT_EQ((at(10, 8) - at(10, 7)) & 0xFF, 2);

    // 16-bit transfer: 16 times the sample, most significant byte first.
    ASSERT_EQ(Run("--simulate 31 capture --16bit --raw -o raw16.pgm").exitCode, 0);
    const std::string wide = File("raw16.pgm");
    const std::string wideHeader = "P5\n2592 1944\n65535\n";
    ASSERT_EQ(wide.substr(0, wideHeader.size()), wideHeader);
    auto word = [&](int c, int r) {
        const std::size_t at = wideHeader.size() + 2 * (static_cast<std::size_t>(r) * 2592 + c);
        return static_cast<unsigned char>(wide[at]) << 8 | static_cast<unsigned char>(wide[at + 1]);
    };
    EXPECT_EQ(word(5, 3) % 16, 0);
    EXPECT_EQ((word(5, 4) - word(5, 3)) & 0xFFF, 32);
    EXPECT_EQ(Run("--simulate 31 capture --16bit -o colour16.jpg").exitCode, 2);
}

// Every lossless format holds the same picture, whichever way the Bayer mode
// orders the rows in memory; the JPEG has the same size.
TEST_F(QcxTool, ImageFormatsHoldTheSamePictureForEitherRowOrder) {
    ASSERT_EQ(Run("--simulate 21 capture -o ref.ppm").exitCode, 0);
    const std::string reference = DecodedRgb("ref.ppm");
    ASSERT_EQ(reference.size(), 752u * 480u * 3u);
    for (const char* name : {"a.bmp", "a.tif", "b.tif", "b.bmp", "b.ppm"}) {
        const std::string bayer = name[0] == 'b' ? " --bayer 4" : "";
        const QcxResult capture = Run("--simulate 21 capture" + bayer + " -o " + name);
        ASSERT_EQ(capture.exitCode, 0) << capture.err;
        EXPECT_TRUE(DecodedRgb(name) == reference) << name;
    }
    ASSERT_EQ(Run("--simulate 21 capture --quality 80 -o a.jpg").exitCode, 0);
    const auto jpeg = ProbeVideo(folder_.Path() + "/a.jpg");
    EXPECT_EQ(jpeg.at("codec_name"), "mjpeg");
    EXPECT_EQ(jpeg.at("width") + "x" + jpeg.at("height"), "752x480");
}

TEST_F(QcxTool, SequencesTriggersAndUsageErrors) {
    ASSERT_EQ(Run("--simulate 21 capture --count 3 -o 'f%02d.bmp'").exitCode, 0);
    for (const char* name : {"f00.bmp", "f01.bmp", "f02.bmp"}) EXPECT_FALSE(File(name).empty()) << name;
    EXPECT_EQ(Run("--simulate 21 capture --count 2 -o f.bmp").exitCode, 2);
    EXPECT_EQ(Run("--simulate 21 capture -o f.gif").exitCode, 2);
    const QcxResult missing = Run("--simulate 21 capture");
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_EQ(std::count(missing.err.begin(), missing.err.end(), '\n'), 1) << missing.err;

    EXPECT_EQ(Run("--simulate 17 capture --trigger --fire -o t.bmp").exitCode, 0);
    const QcxResult waiting = Run("--simulate 17 capture --trigger --timeout 50 -o t.bmp");
    EXPECT_EQ(waiting.exitCode, 1);
    EXPECT_NE(waiting.err.find("(-10)"), std::string::npos) << waiting.err;
    const QcxResult noTrigger = Run("--simulate 8 capture --trigger -o t.bmp");
    EXPECT_EQ(noTrigger.exitCode, 1);
    EXPECT_NE(noTrigger.err.find("QCX_TriggerModeSet: Operation is not Supported (-3)"), std::string::npos)
        << noTrigger.err;
}

TEST_F(QcxTool, PreviewRecordsAndKeepsItsLastFrame) {
    unsetenv("QCX_SIM_TIMING");
    const QcxResult preview =
        Run("--simulate 21 preview --seconds 1 --ae 100 --loop-frames 10 --record p.avi --codec DIB --fps 10 -o last.bmp");
    ASSERT_EQ(preview.exitCode, 0) << preview.err;
    // A loop of at most ten frames has ended once more frames came.
    const std::size_t counted = preview.out.find(" frames in ");
    ASSERT_NE(counted, std::string::npos) << preview.out;
    const int frames = std::stoi(preview.out.substr(preview.out.rfind('\n', counted) + 1));
    EXPECT_NE(preview.out.find("automatic exposure"), std::string::npos) << preview.out;
    if (frames > 12) {
        EXPECT_EQ(preview.out.find("still running"), std::string::npos) << preview.out;
    }
    const auto video = ProbeVideo(folder_.Path() + "/p.avi");
    EXPECT_EQ(video.at("codec_name"), "rawvideo");
    EXPECT_EQ(video.at("r_frame_rate"), "10/1");
    EXPECT_GE(std::stoi(video.at("nb_read_frames")), 2);
    EXPECT_EQ(ProbeVideo(folder_.Path() + "/last.bmp").at("width"), "752");
    EXPECT_EQ(Run("--simulate 21 preview --record p.mp4").exitCode, 2);
    EXPECT_EQ(Run("--simulate 21 preview --seconds 1 --af").exitCode, 0);
    EXPECT_EQ(Run("--simulate 22 preview --seconds 1 --awb").exitCode, 1);  // monochrome
}

}  // namespace
}  // namespace qcx::test
