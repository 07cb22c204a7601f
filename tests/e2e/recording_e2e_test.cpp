// Recording the live preview of a simulated MT9V032 into AVI files through
// the shipped library, read back with ffprobe: refusals, the stream each
// compressor gives, the compressor options kept between recordings, and the
// ways a recording ends.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "e2e/sim_session.h"
#include "support/ffprobe.h"
#include "support/temp_folder.h"

namespace {

using namespace std::chrono_literals;
using e2e::WaitUntil;
using qcx::test::ProbeVideo;
using qcx::test::TempFolder;
using Strings = std::vector<std::string>;

QCX_BOOL8 RecordingFlag(int camera) {
    QCX_BOOL8 recording = 7;
    EXPECT_EQ(QCX_RecordStatusGet(camera, &recording), 1);
    return recording;
}

class RecordingE2E : public e2e::SimSession {
protected:
    void SetUp() override {
        ASSERT_TRUE(qcx::test::HaveFfprobe()) << "ffprobe is needed (scripts/setup installs ffmpeg)";
        setenv("QCX_REGISTRY_ROOT", (folder.Path() + "/registry").c_str(), 1);
        unsetenv("QCX_AVI_CODEC");
        unsetenv("QCX_AVI_QUALITY");
        unsetenv("QCX_AVI_DIALOG");
    }
    void TearDown() override {
        SimSession::TearDown();
        unsetenv("QCX_REGISTRY_ROOT");
        unsetenv("QCX_AVI_CODEC");
        unsetenv("QCX_AVI_QUALITY");
        unsetenv("QCX_AVI_DIALOG");
    }
    std::string File(const char* name) const { return folder.Path() + "/" + name; }
    // Records until the camera has delivered `frames` more preview frames.
    void RecordFrames(int frames) {
        int counted = 0;
        ASSERT_EQ(QCX_PreviewSetCallback(camera, &CountFrame, &counted), 1);
        ASSERT_TRUE(WaitUntil([&] { return __atomic_load_n(&counted, __ATOMIC_SEQ_CST) >= frames; }));
        ASSERT_EQ(QCX_PreviewSetCallback(camera, nullptr, nullptr), 1);
    }
    static int QCXAPI_CALL CountFrame(QCX_BYTE*, int, int, int, void* context) {
        __atomic_add_fetch(static_cast<int*>(context), 1, __ATOMIC_SEQ_CST);
        return 0;
    }
    // Records `frames` frames into `name` and stops; the extended start when
    // `dialog` is 0 or 1.
    std::string Record(const char* name, int frames, int dialog = -1) {
        const std::string file = File(name);
        const int started = dialog < 0 ? QCX_RecordStart(camera, 1, 25.0f, file.c_str())
                                       : QCX_RecordStartEx(camera, 1, 25.0f, file.c_str(), dialog);
        EXPECT_EQ(started, 1);
        RecordFrames(frames);
        EXPECT_EQ(QCX_RecordStart(camera, 0, 0.0f, nullptr), 1);
        EXPECT_EQ(RecordingFlag(camera), 0);
        return file;
    }
    std::string RegistryText() const {
        return qcx::test::ReadFile(folder.Path() + "/registry/SOFTWARE/Vantorix/QCXAPI/Compossor/values.reg");
    }
    TempFolder folder;
};

TEST_F(RecordingE2E, RefusedStartsLeaveNoRecordingAndACancelledDialogDeletesOnlyThePlainStartsFile) {
    Start("21");
    const std::string file = File("refused.avi");
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    EXPECT_EQ(QCX_RecordStart(camera, 1, 0.01f, file.c_str()), -8) << "rate too low";
    EXPECT_EQ(QCX_RecordStartEx(camera, 1, 0.0f, file.c_str(), 1), -8);
    EXPECT_EQ(QCX_RecordStart(camera, 1, 25.0f, (folder.Path() + "/missing/x.avi").c_str()), -8);
    // A compressor this machine does not have.
    setenv("QCX_AVI_CODEC", "XVID", 1);
    EXPECT_EQ(QCX_RecordStart(camera, 1, 25.0f, file.c_str()), -8);
    unsetenv("QCX_AVI_CODEC");
    EXPECT_FALSE(std::filesystem::exists(file));

    setenv("QCX_AVI_DIALOG", "cancel", 1);
    EXPECT_EQ(QCX_RecordStart(camera, 1, 25.0f, file.c_str()), -8);
    EXPECT_FALSE(std::filesystem::exists(file));
    const std::string extended = File("extended.avi");
    EXPECT_EQ(QCX_RecordStartEx(camera, 1, 25.0f, extended.c_str(), 1), -8);
    EXPECT_EQ(std::filesystem::file_size(extended), 0u) << "the file made by the open stays, empty";
    EXPECT_EQ(RecordingFlag(camera), 0);
    unsetenv("QCX_AVI_DIALOG");

    setenv("QCX_AVI_CODEC", "DIB", 1);
    ASSERT_EQ(QCX_RecordStart(camera, 1, 25.0f, file.c_str()), 1);
    EXPECT_EQ(QCX_RecordStart(camera, 1, 25.0f, File("second.avi").c_str()), -6) << "already recording";
    EXPECT_FALSE(std::filesystem::exists(File("second.avi")));
}

TEST_F(RecordingE2E, UncompressedRecordingStoresTheDrawnFramesBottomUpAtTheRequestedRate) {
    setenv("QCX_AVI_CODEC", "DIB", 1);
    Start("21");
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    const std::string file = File("colour.avi");
    ASSERT_EQ(QCX_RecordStart(camera, 1, 12.345f, file.c_str()), 1);
    EXPECT_EQ(RecordingFlag(camera), 1);
    RecordFrames(3);
    // The paused frame is the last one drawn; the scene does not change, so
    // every recorded frame holds the same bytes.
    ASSERT_EQ(QCX_PreviewPause(camera, 1), 1);
    std::vector<QCX_BYTE> paused(752 * 480 * 3);
    int width = 0, height = 0, bitCount = 0;
    ASSERT_EQ(QCX_PreviewGetPausedDataEx(camera, paused.data(), &width, &height, &bitCount), 1);
    ASSERT_EQ(bitCount, 24);
    std::this_thread::sleep_for(250ms);  // the paused preview keeps appending its frame
    ASSERT_EQ(QCX_PreviewPause(camera, 0), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 0), 1);
    EXPECT_EQ(RecordingFlag(camera), 0) << "stopping the preview stops the recording";

    auto probe = ProbeVideo(file);
    // The rate is stored as 1234 over a scale of 100.
    EXPECT_EQ((Strings{probe["codec_name"], probe["pix_fmt"], probe["width"], probe["height"], probe["r_frame_rate"],
                       probe["errors"]}),
              (Strings{"rawvideo", "bgr24", "752", "480", "617/50", ""}));
    EXPECT_GE(std::atoi(probe["nb_read_frames"].c_str()), 4);
    const std::string first = qcx::test::FirstStoredFrame(file);
    ASSERT_EQ(first.size(), paused.size());
    EXPECT_EQ(std::memcmp(paused.data(), first.data(), paused.size()), 0) << "the frame as drawn, bottom row first";
}

TEST_F(RecordingE2E, GreyPreviewRecordsEightBitFramesWithTheGreyPalette) {
    setenv("QCX_AVI_CODEC", "DIB", 1);
    Start("21");
    ASSERT_EQ(QCX_PreviewSetMode(camera, 0), 1);
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    const std::string file = Record("grey.avi", 2);
    int previewStatus = 0;
    EXPECT_EQ(QCX_PreviewGetStatus(camera, &previewStatus), 1);
    EXPECT_EQ(previewStatus, 1) << "stopping the recording leaves the preview running";

    auto probe = ProbeVideo(file);
    EXPECT_EQ((Strings{probe["codec_name"], probe["pix_fmt"], probe["r_frame_rate"], probe["errors"]}),
              (Strings{"rawvideo", "pal8", "25/1", ""}));
    // Decoded through the palette, a grey value stays itself.
    const std::string stored = qcx::test::FirstStoredFrame(file);
    const std::string decoded = qcx::test::CommandOutput(
        "ffmpeg -v error -i '" + file + "' -frames:v 1 -vf vflip -f rawvideo -pix_fmt rgb24 - 2>/dev/null");
    ASSERT_EQ(stored.size(), 752u * 480u);
    ASSERT_EQ(decoded.size(), 3 * stored.size());
    std::size_t mismatches = 0;
    for (std::size_t i = 0; i < stored.size(); ++i) {
        for (int c = 0; c < 3; ++c) mismatches += decoded[3 * i + c] != stored[i];
    }
    EXPECT_EQ(mismatches, 0u) << "grey palette entry i is i; rows stored bottom up";
}

TEST_F(RecordingE2E, TheDefaultChoiceIsMotionJpegAndIsStoredForTheNextRecordingAndClosingFinishesTheFile) {
    Start("21");
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    // Where nothing is stored yet, the chooser is asked even without the dialog.
    EXPECT_EQ(ProbeVideo(Record("first.avi", 2, 0))["codec_name"], "mjpeg");
    const std::string stored = RegistryText();
    EXPECT_NE(stored.find("\"fccHandler\"=dword:47504a4d"), std::string::npos) << stored;
    EXPECT_NE(stored.find("\"dwQuality\"=dword:00001d4c"), std::string::npos) << stored;

    // A lossless choice made in the dialog is what a later start without the
    // dialog uses, even when the dialog would now be cancelled.
    setenv("QCX_AVI_CODEC", "FFV1", 1);
    const std::string second = Record("second.avi", 2);
    setenv("QCX_AVI_DIALOG", "cancel", 1);
    setenv("QCX_AVI_CODEC", "MJPG", 1);
    const std::string third = Record("third.avi", 2, 0);
    for (const std::string& file : {second, third}) {
        auto probe = ProbeVideo(file);
        EXPECT_EQ((Strings{probe["codec_name"], probe["errors"]}), (Strings{"ffv1", ""})) << file;
        EXPECT_GE(std::atoi(probe["nb_read_frames"].c_str()), 2) << file;
    }

    // Closing the library finishes a running recording; a quality chosen in
    // the dialog is stored.
    unsetenv("QCX_AVI_DIALOG");
    setenv("QCX_AVI_QUALITY", "9000", 1);
    const std::string closed = File("closed.avi");
    ASSERT_EQ(QCX_RecordStartEx(camera, 1, 25.0f, closed.c_str(), 1), 1);
    RecordFrames(3);
    QCX_UnInit();
    auto probe = ProbeVideo(closed);
    EXPECT_EQ((Strings{probe["codec_name"], probe["errors"]}), (Strings{"mjpeg", ""}));
    EXPECT_GE(std::atoi(probe["nb_read_frames"].c_str()), 3);
    EXPECT_NE(RegistryText().find("\"dwQuality\"=dword:00002328"), std::string::npos);
}

TEST_F(RecordingE2E, ARecordingStartsWhenTheOptionsCannotBeStored) {
    setenv("QCX_AVI_CODEC", "DIB", 1);
    // A regular file where the store's folder would be: nothing can be created below it.
    const std::string blocker = folder.Path() + "/not-a-folder";
    { std::ofstream(blocker) << "x"; }
    setenv("QCX_REGISTRY_ROOT", blocker.c_str(), 1);
    Start("21");
    ASSERT_EQ(QCX_PreviewStart(camera, 1), 1);
    EXPECT_EQ(ProbeVideo(Record("unstored.avi", 1, 0))["codec_name"], "rawvideo");
}

}  // namespace
