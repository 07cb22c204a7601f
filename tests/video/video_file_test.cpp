// AVI files written through the video file seam, one codec at a time, and when
// things go wrong; FFmpeg's command-line tools read them back.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "camera/platform/video_file.h"
#include "support/ffprobe.h"
#include "support/temp_folder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;
using test::CommandOutput;

// The preview's bitmap header: bottom-up (for a positive height),
// uncompressed, followed by `palette` (the grey one for 8 bits when none is
// given) with as many colours used as it has entries.
Bytes BitmapHeader(std::int32_t width, std::int32_t height, int bitCount, Bytes palette = {}) {
    for (int i = 0; bitCount == 8 && palette.size() < 1024; ++i) palette.push_back(i % 4 == 3 ? 0 : i / 4);
    Bytes header;
    for (std::int32_t v : {40, width, height, 1 | bitCount << 16, 0, bitCount / 8 * width * height, 0, 0,
                           static_cast<std::int32_t>(palette.size() / 4), 0})
        for (int i = 0; i < 4; ++i) header.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    header.insert(header.end(), palette.begin(), palette.end());
    return header;
}

// A busy picture, different per seed, so a lossless round trip means something.
Bytes NoiseFrame(int width, int height, int bitCount, int seed) {
    Bytes frame(static_cast<std::size_t>(bitCount / 8) * width * height);
    std::uint32_t state = 2654435761u * static_cast<std::uint32_t>(seed + 1);
    for (auto& byte : frame) byte = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    return frame;
}

// 12.345 frames a second, kept to hundredths.
VideoStreamInfo Stream(int width, int height) { return {.scale = 100, .rate = 1234, .width = width, .height = height}; }

VideoCompressOptions Handler(std::uint32_t fourcc, std::uint32_t quality = 7500) {
    return {kStreamTypeVideo, fourcc, 0, quality, 0, kCompressValid, {}, {}, 0};
}

// A file through CreateStream, MakeCompressedStream and, with a bit count,
// SetFormat; null when a step fails.
std::unique_ptr<VideoFile> Started(const std::string& path, int width, int height, const VideoCompressOptions& options,
                                   int bitCount = 0, const Bytes& palette = {}) {
    std::unique_ptr<VideoFile> file = OpenVideoFile(path);
    const Bytes header = BitmapHeader(width, height, bitCount, palette);
    if (!file || !file->CreateStream(Stream(width, height)) || !file->MakeCompressedStream(options) ||
        (bitCount != 0 && !file->SetFormat(header.data(), header.size())))
        return nullptr;
    return file;
}

long FileSize(const std::string& path) {
    std::error_code missing;
    return static_cast<long>(std::filesystem::file_size(path, missing));
}

// All frames decoded, as top-down rows of `pixFmt`.
std::string Decoded(const std::string& path, const std::string& pixFmt, const std::string& options = "") {
    return CommandOutput("ffmpeg -v error -i '" + path + "' " + options + " -f rawvideo -pix_fmt " + pixFmt +
                         " - 2>/dev/null");
}

// ffprobe's values of `entries` ("stream=..." or "packet=...") of the video stream, one a line.
std::string Probe(const std::string& path, const std::string& entries) {
    return CommandOutput("ffprobe -v error -select_streams v:0 -show_entries " + entries +
                         " -of default=noprint_wrappers=1:nokey=1 '" + path + "' 2>&1");
}

// Bottom-up rows to top-down rows, with `outBytes` bytes per output pixel (copies of an 8-bit one).
std::string Upright(const Bytes& frame, int width, int height, int bytes, int outBytes) {
    std::string out;
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < outBytes; ++c)
                out.push_back(static_cast<char>(frame[(std::size_t{1} * y * width + x) * bytes + c * (bytes > 1)]));
    return out;
}

class VideoFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(test::HaveFfprobe()) << "ffprobe and ffmpeg are needed (scripts/setup)"; }
    std::string PathOf(const std::string& name) const { return folder.Path() + "/" + name; }
    test::TempFolder folder;
};

// FFmpeg's messages go to the application's console; normal recording has
// nothing to say there (FFmpeg warns, for one, about frames without times).
std::mutex messagesLock;
Strings messages;

void KeepMessage(void*, int level, const char* format, va_list args) {
    if (level > AV_LOG_INFO) return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    std::lock_guard<std::mutex> hold(messagesLock);
    messages.emplace_back(text);
}

class VideoFileCodecTest : public VideoFileTest {
protected:
    void SetUp() override {
        VideoFileTest::SetUp();
        av_log_set_callback(&KeepMessage);
    }
    void TearDown() override {
        av_log_set_callback(&av_log_default_callback);
        std::lock_guard<std::mutex> hold(messagesLock);
        EXPECT_EQ(messages, Strings{}) << "normal recording prints nothing";
        messages.clear();
    }
};

TEST_F(VideoFileCodecTest, FramesAreInTheFileAtOnceUprightWithTheChosenCodecKeyFramesAndQuality) {
    // Handler, codec, tag, packet flags, width, height. Uncompressed rows of 63
    // or 63 x 3 bytes are padded to whole words in the file, which the reader
    // must undo.
    // Every Motion JPEG frame is a key frame; FFV1 gets one every other frame,
    // as asked. H.264 takes even sizes only: the odd last column and row are left out.
    const std::tuple<std::uint32_t, const char*, const char*, const char*, int, int> cases[] = {
        {0, "rawvideo", "[0][0][0][0]\n", "K_\nK_\nK_\n", 63, 47},
        {kHandlerMotionJpeg, "mjpeg", "MJPG\n", "K_\nK_\nK_\n", 64, 48},
        {kHandlerFfv1, "ffv1", "FFV1\n", "K_\n__\nK_\n", 63, 47},
        {kHandlerH264, "h264", "H264\n", nullptr, 65, 49}};
    for (const auto& [handler, codec, tag, flags, width, height] : cases) {
        if (handler == kHandlerH264 && avcodec_find_encoder(AV_CODEC_ID_H264) == nullptr) continue;
        VideoCompressOptions options = Handler(handler);
        options.dwBytesPerSecond = 100000;
        options.dwKeyFrameEvery = 2;
        options.dwFlags |= kCompressKeyFrames | kCompressDataRate;
        const int w = handler == kHandlerH264 ? 64 : width, h = handler == kHandlerH264 ? 48 : height;
        for (int bitCount : {8, 24, 32}) {
            SCOPED_TRACE(::testing::Message() << codec << ", " << bitCount << " bits");
            const std::string path = PathOf("video.avi");
            std::unique_ptr<VideoFile> file = Started(path, width, height, options, bitCount);
            ASSERT_NE(file, nullptr);
            std::string upright;  // what a lossless codec gives back: blue, green and red (of 32 bits too)
            for (std::uint32_t i = 0; i < 3; ++i) {
                // Dark rows first in memory (the bottom of the picture), bright rows last, with some noise.
                Bytes frame = NoiseFrame(width, height, bitCount, static_cast<int>(i));
                const std::size_t bottomHalf = frame.size() / height * (height / 2);
                for (std::size_t at = 0; at < frame.size(); ++at)
                    frame[at] = static_cast<std::uint8_t>(frame[at] % 16 + (at < bottomHalf ? 20 : 220));
                upright += Upright(frame, width, height, bitCount / 8, bitCount == 8 && handler != 0 ? 1 : 3);
                const long size = FileSize(path);
                ASSERT_TRUE(file->Write(i, frame.data(), frame.size()));
                EXPECT_GT(FileSize(path), size) << "frame " << i << " is in the file when Write returns";
            }
            file.reset();
            // Codec, size, rate (12.345 frames a second; ffprobe rounds the r_frame_rate of H.264 to a common
            // rate, the average is the stream's), frames and tag as ffprobe finds them, decoded without complaint.
            auto p = test::ProbeVideo(path);
            p["r_frame_rate"] =
                handler == kHandlerH264 ? Probe(path, "stream=avg_frame_rate") : p["r_frame_rate"] + "\n";
            EXPECT_EQ(Strings({p["codec_name"], p["width"], p["height"], p["r_frame_rate"], p["nb_read_frames"],
                               p["errors"], Probe(path, "stream=codec_tag_string")}),
                      Strings({codec, std::to_string(w), std::to_string(h), "617/50\n", "3", "", tag}));
            EXPECT_EQ(flags != nullptr ? Probe(path, "packet=flags") : "", flags != nullptr ? flags : "");
            EXPECT_TRUE(handler != 0 || p["pix_fmt"] == (bitCount == 8 ? "pal8" : bitCount == 24 ? "bgr24" : "bgra"))
                << p["pix_fmt"];
            const std::string grey = Decoded(path, "gray");
            ASSERT_EQ(grey.size(), 3u * w * h);
            EXPECT_GT(static_cast<std::uint8_t>(grey[w * 2 + 5]), 200) << "top of the picture = last rows in memory";
            EXPECT_LT(static_cast<std::uint8_t>(grey[w * (h - 3) + 5]), 50);
            // Grey frames stored uncompressed come back through the grey palette.
            EXPECT_TRUE((handler != 0 && handler != kHandlerFfv1) ||
                        Decoded(path, bitCount == 8 && handler != 0 ? "gray" : "bgr24") == upright)
                << "decoded frames differ";
        }
    }
    // The JPEG quality is dwQuality / 100; a quality beyond 10000 gives the default, 75.
    const Bytes frame = NoiseFrame(64, 48, 24, 7);
    for (std::uint32_t quality : {1000u, 9500u, 7500u, 0xFFFFFFFFu}) {
        std::unique_ptr<VideoFile> file = Started(PathOf(std::to_string(quality) + ".avi"), 64, 48,
                                                  Handler(kHandlerMotionJpeg, quality), 24);
        ASSERT_TRUE(file != nullptr && file->Write(0, frame.data(), frame.size()));
    }
    EXPECT_LT(FileSize(PathOf("1000.avi")) + 2000, FileSize(PathOf("9500.avi")));
    EXPECT_EQ(test::ReadFile(PathOf("4294967295.avi")), test::ReadFile(PathOf("7500.avi")));
}

using VideoFileFaultTest = VideoFileTest;

TEST_F(VideoFileFaultTest, PathsThatCannotBeCreatedFailAndAFileIsStartedOnceWithItsOneCodec) {
    for (const std::string& path : {PathOf("missing/folder.avi"), folder.Path(), std::string()})
        EXPECT_EQ(OpenVideoFile(path), nullptr) << '"' << path << '"';
    std::ofstream(PathOf("order.avi")) << "an earlier recording";
    const Bytes header = BitmapHeader(16, 8, 24);
    std::unique_ptr<VideoFile> file = OpenVideoFile(PathOf("order.avi"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(FileSize(PathOf("order.avi")), 0) << "an old file is emptied";
    ASSERT_TRUE(file->CreateStream(Stream(16, 8)));
    EXPECT_FALSE(file->CreateStream(Stream(16, 8))) << "one stream per file";
    // Stored choices may spell the handler in lower case.
    EXPECT_TRUE(file->MakeCompressedStream(Handler(MakeFourCC('m', 'j', 'p', 'g'))));
    EXPECT_TRUE(file->MakeCompressedStream(Handler(MakeFourCC('d', 'i', 'b', ' '))));
    ASSERT_TRUE(file->SetFormat(header.data(), header.size()));
    EXPECT_FALSE(file->SetFormat(header.data(), header.size())) << "the header is written once";
    EXPECT_FALSE(file->MakeCompressedStream(Handler(kHandlerMotionJpeg))) << "the file has its codec";
}

TEST_F(VideoFileFaultTest, FormatsThatDoNotFitAndWritesOfTheWrongSizeOrAnOldPositionAreRefused) {
    Bytes rle = BitmapHeader(16, 8, 8);
    rle[16] = 1;
    const Bytes grey = BitmapHeader(16, 8, 8), frame = NoiseFrame(16, 8, 24, 1);
    // 16 and 1 bits, another size, top-down rows, compressed rows; 8 bits without their whole palette; none.
    const std::pair<Bytes, std::size_t> refused[] = {
        {BitmapHeader(16, 8, 16), 40}, {BitmapHeader(16, 8, 1, Bytes(8)), 48}, {BitmapHeader(17, 8, 24), 40},
        {BitmapHeader(16, -8, 24), 40}, {rle, rle.size()}, {grey, 40}, {grey, 40 + 1020}, {grey, 39}, {{}, 40}};
    const std::string path = PathOf("refused.avi");
    for (std::uint32_t handler : {0u, kHandlerMotionJpeg, kHandlerFfv1}) {
        SCOPED_TRACE(handler);
        std::unique_ptr<VideoFile> file = Started(path, 16, 8, Handler(handler));
        ASSERT_NE(file, nullptr);
        for (const auto& [header, size] : refused) EXPECT_FALSE(file->SetFormat(header.data(), size)) << size;
        file.reset();
        EXPECT_EQ(FileSize(path), 0) << "a start that ends before the format leaves an empty file";
        file = Started(path, 16, 8, Handler(handler), 24);
        ASSERT_NE(file, nullptr);
        EXPECT_FALSE(file->Write(0, frame.data(), frame.size() - 1) || file->Write(0, frame.data(), frame.size() + 1) ||
                     file->Write(0, nullptr, frame.size()));
        for (const auto& [position, taken] :
             {std::pair{0u, true}, {1u, true}, {1u, false}, {0u, false}, {2u, true}, {5u, true}})
            EXPECT_EQ(file->Write(position, frame.data(), frame.size()), taken) << "position " << position;
        file.reset();
        auto probe = test::ProbeVideo(path);
        EXPECT_EQ(std::pair(probe["nb_read_frames"], probe["errors"]), std::pair(std::string("4"), std::string()));
        EXPECT_EQ(Probe(path, "packet=pts"), "0\n1\n2\n5\n") << "a frame keeps its position after a gap";
    }
}

// A small filesystem of its own: frames that no longer fit are dropped
// before anything is written, so the file stays complete and playable.
TEST_F(VideoFileFaultTest, FramesThatDoNotFitAreDroppedUntilThereIsRoomAgain) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small filesystem needs root";
    const std::string disk = PathOf("disk"), ballast = disk + "/ballast", path = disk + "/full.avi";
    ASSERT_TRUE(std::filesystem::create_directory(disk));
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=3m") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::unique_ptr<const char, int (*)(const char*)> unmount(disk.c_str(), &::umount);
    std::ofstream(ballast) << std::string(1200 * 1024, 'x');
    std::uint32_t position = 0;
    {
        std::unique_ptr<VideoFile> file = Started(path, 752, 480, Handler(0), 24);
        ASSERT_NE(file, nullptr);
        // Frames of 1 MiB, as a recording writes them: the position moves on only when a frame was taken.
        const auto write = [&](int seed) {
            const Bytes frame = NoiseFrame(752, 480, 24, seed);
            const bool taken = file->Write(position, frame.data(), frame.size());
            return position += taken ? 1 : 0, taken;
        };
        std::string taken;
        for (int i = 0; i < 4; ++i) taken += write(i) ? 'T' : 'F';
        EXPECT_THAT(taken, ::testing::MatchesRegex("T+F+")) << "taken until the disk is full, which it stays";
        ASSERT_EQ(std::remove(ballast.c_str()), 0);
        EXPECT_TRUE(write(9)) << "taken again once there is room";
    }
    auto probe = test::ProbeVideo(path);
    EXPECT_EQ(std::pair(probe["nb_read_frames"], probe["errors"]), std::pair(std::to_string(position), std::string()));
}

// A write that fails although the space seemed free (here: the process's
// file size limit) ends the file's frames; the finish is best effort, and
// what was written before the failure stays readable.
TEST_F(VideoFileFaultTest, AFailedWriteEndsTheFramesOfTheFile) {
    const std::string path = PathOf("limited.avi");
    const Bytes frame(64 * 64 * 3, 77);  // the same upside down
    std::unique_ptr<VideoFile> file = Started(path, 64, 64, Handler(0), 24);
    ASSERT_TRUE(file != nullptr && file->Write(0, frame.data(), frame.size()));
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = static_cast<rlim_t>(FileSize(path) + frame.size() / 2);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const bool cut = file->Write(1, frame.data(), frame.size());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(cut || file->Write(1, frame.data(), frame.size()) || file->Write(2, frame.data(), frame.size()))
        << "no frames after a failed write";
    file.reset();
    EXPECT_TRUE(Decoded(path, "bgr24", "-frames:v 1") == std::string(frame.begin(), frame.end()))
        << "the first frame reads back intact";
}

}  // namespace
}  // namespace qcx
