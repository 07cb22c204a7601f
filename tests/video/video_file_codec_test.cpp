// AVI files written through the video file seam, one codec at a time, read
// back by FFmpeg's command-line tools (an independent reader) and from the
// stored bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "video/video_test_support.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
}

namespace qcx {
namespace {

using test::Bytes;
using test::CommandOutput;
using test::Handler;
using test::NoiseFrame;
using test::Record;

std::uint32_t Get32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(s[at + i]);
    return v;
}

// The stream format as stored: the data of the file's one "strf" chunk.
std::string StoredFormat(const std::string& path) {
    const std::string file = test::ReadFile(path);
    const std::size_t at = file.find("strf");
    if (at == std::string::npos || at + 8 > file.size()) return "no stream format";
    return file.substr(at + 8, Get32(file, at + 4));
}

// All frames decoded, as top-down rows of `pixFmt`.
std::string Decoded(const std::string& path, const std::string& pixFmt) {
    return CommandOutput("ffmpeg -v error -i '" + path + "' -f rawvideo -pix_fmt " + pixFmt + " - 2>/dev/null");
}

// ffprobe's values of `entries` ("stream=..." or "packet=...") of the video stream, one a line.
std::string Probe(const std::string& path, const std::string& entries) {
    return CommandOutput("ffprobe -v error -select_streams v:0 -show_entries " + entries +
                         " -of default=noprint_wrappers=1:nokey=1 '" + path + "' 2>&1");
}

// Codec, size, rate (12.345 frames a second) and frames as ffprobe finds
// them, decoded without complaint; the rest of what it found.
std::map<std::string, std::string> ExpectStream(const std::string& path, const std::string& codec, int width,
                                                int height, int frames) {
    auto probe = test::ProbeVideo(path);
    EXPECT_EQ(probe["codec_name"], codec);
    EXPECT_EQ(probe["width"], std::to_string(width));
    EXPECT_EQ(probe["height"], std::to_string(height));
    // ffprobe rounds the r_frame_rate of H.264 to a common rate; the stream's own rate is the average.
    EXPECT_EQ(codec == "h264" ? Probe(path, "stream=avg_frame_rate") : probe["r_frame_rate"] + "\n", "617/50\n");
    EXPECT_EQ(probe["nb_read_frames"], std::to_string(frames));
    EXPECT_EQ(probe["errors"], "");
    return probe;
}

// Bottom-up rows to top-down rows, with `outBytes` bytes per output pixel.
std::string Upright(const Bytes& frame, int width, int height, int bitCount, int outBytes) {
    std::string out;
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < outBytes; ++c)
                out.push_back(static_cast<char>(frame[(static_cast<std::size_t>(y) * width + x) * (bitCount / 8) + c]));
    return out;
}

// FFmpeg's messages go to the application's console; normal recording has
// nothing to say there.
std::mutex messagesLock;
std::vector<std::string> messages;

void KeepMessage(void*, int level, const char* format, va_list args) {
    if (level > AV_LOG_INFO) return;
    std::string text(512, '\0');
    text.resize(static_cast<std::size_t>(std::clamp(std::vsnprintf(text.data(), text.size(), format, args), 0, 511)));
    std::lock_guard<std::mutex> hold(messagesLock);
    messages.push_back(std::move(text));
}

class VideoFileCodecTest : public test::VideoFileTest {
protected:
    void SetUp() override {
        VideoFileTest::SetUp();
        av_log_set_callback(&KeepMessage);
    }
    void TearDown() override {
        av_log_set_callback(&av_log_default_callback);
        std::lock_guard<std::mutex> hold(messagesLock);
        EXPECT_EQ(messages, std::vector<std::string>{}) << "normal recording prints nothing";
        messages.clear();
    }
};

TEST_F(VideoFileCodecTest, UncompressedFramesAreStoredAsGivenUnderABottomUpFormat) {
    Bytes tinted(1024, 0);  // entry i: blue 255 - i, green i, red i / 2
    for (int i = 0; i < 1024; ++i)
        tinted[i] = static_cast<std::uint8_t>(i % 4 == 0 ? 255 - i / 4 : i % 4 == 1 ? i / 4 : i % 4 == 2 ? i / 8 : 0);
    struct Case { int width, height, bitCount; std::uint32_t handler; Bytes palette; };
    // Rows of 30 grey or 33 x 3 bytes are padded to whole words in the file,
    // which the reader must undo to paint the frames as given.
    const Bytes grey = test::GreyPalette();
    const Case cases[] = {{64, 48, 32, 0, {}}, {64, 48, 8, kHandlerUncompressed, tinted}, {30, 7, 8, 0, grey},
                          {33, 7, 24, 0, {}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << ", " << c.bitCount << " bits"
                                          << (c.palette == tinted ? ", tinted" : ""));
        const std::string path = PathOf("raw.avi");
        const std::vector<Bytes> frames = {NoiseFrame(c.width, c.height, c.bitCount, 1),
                                           NoiseFrame(c.width, c.height, c.bitCount, 2)};
        Record(path, c.width, c.height, c.bitCount, Handler(c.handler), frames, c.palette);
        auto probe = ExpectStream(path, "rawvideo", c.width, c.height, 2);
        EXPECT_EQ(probe["pix_fmt"], c.bitCount == 8 ? "pal8" : c.bitCount == 24 ? "bgr24" : "bgra");

        const std::string format = StoredFormat(path);
        ASSERT_EQ(format.size(), 40u + c.palette.size());
        EXPECT_EQ(static_cast<std::int32_t>(Get32(format, 8)), c.height) << "positive height: rows stored bottom-up";
        EXPECT_EQ(format[14], c.bitCount);
        EXPECT_EQ(Get32(format, 32), c.palette.size() / 4) << "colours used";
        EXPECT_EQ(format.substr(40), std::string(c.palette.begin(), c.palette.end()));

        // The reader paints 8-bit frames with the palette from the file.
        Bytes painted = frames[0];
        if (c.bitCount == 8) {
            painted.clear();
            for (std::uint8_t index : frames[0])
                painted.insert(painted.end(), &c.palette[4 * index], &c.palette[4 * index + 3]);
        }
        const int outBytes = c.bitCount == 32 ? 4 : 3;
        EXPECT_EQ(Decoded(path, outBytes == 4 ? "bgra" : "bgr24").substr(0, outBytes * c.width * c.height),
                  Upright(painted, c.width, c.height, c.bitCount == 8 ? 24 : c.bitCount, outBytes));
    }
}

TEST_F(VideoFileCodecTest, CompressedFramesAreInTheFileAtOnceUprightWithTheChosenKeyFramesAndQuality) {
    struct Case { std::uint32_t handler; const char *codec, *tag, *flags; int width, height; };
    // Every Motion JPEG frame is a key frame; FFV1 gets one every other frame, as asked. H.264 takes
    // even sizes only: the odd last column and row are left out.
    const Case cases[] = {{kHandlerMotionJpeg, "mjpeg", "MJPG\n", "K_\nK_\nK_\n", 64, 48},
                          {kHandlerFfv1, "ffv1", "FFV1\n", "K_\n__\nK_\n", 63, 47},
                          {kHandlerH264, "h264", "H264\n", nullptr, 65, 49}};
    for (const Case& c : cases) {
        if (c.handler == kHandlerH264 && avcodec_find_encoder(AV_CODEC_ID_H264) == nullptr) continue;
        VideoCompressOptions options = Handler(c.handler);
        options.dwBytesPerSecond = 100000;
        options.dwKeyFrameEvery = 2;
        options.dwFlags |= kCompressKeyFrames | kCompressDataRate;
        const int width = c.handler == kHandlerH264 ? 64 : c.width;
        const int height = c.handler == kHandlerH264 ? 48 : c.height;
        for (int bitCount : {8, 24, 32}) {
            SCOPED_TRACE(::testing::Message() << c.codec << ", " << bitCount << " bits");
            const std::string path = PathOf("compressed.avi");
            std::unique_ptr<VideoFile> file = test::Started(path, c.width, c.height, options, bitCount);
            ASSERT_NE(file, nullptr);
            std::string upright;  // what a lossless codec gives back: blue, green and red (of 32 bits too)
            for (std::uint32_t i = 0; i < 3; ++i) {
                // Dark rows first in memory (the bottom of the picture), bright rows last, with some noise.
                Bytes frame = NoiseFrame(c.width, c.height, bitCount, static_cast<int>(i));
                const std::size_t bottomHalf = frame.size() / c.height * (c.height / 2);
                for (std::size_t at = 0; at < frame.size(); ++at)
                    frame[at] = static_cast<std::uint8_t>(frame[at] % 16 + (at < bottomHalf ? 20 : 220));
                upright += Upright(frame, c.width, c.height, bitCount, bitCount == 8 ? 1 : 3);
                const long size = test::FileSize(path);
                ASSERT_TRUE(file->Write(i, frame.data(), frame.size()));
                EXPECT_GT(test::FileSize(path), size) << "frame " << i << " is in the file when Write returns";
            }
            file.reset();
            ExpectStream(path, c.codec, width, height, 3);
            EXPECT_EQ(Probe(path, "stream=codec_tag_string"), c.tag);
            if (c.flags != nullptr) {
                EXPECT_EQ(Probe(path, "packet=flags"), c.flags);
            }
            const std::string grey = Decoded(path, "gray");
            ASSERT_EQ(grey.size(), 3u * width * height);
            EXPECT_GT(static_cast<std::uint8_t>(grey[width * 2 + 5]), 200) << "top of the picture = last rows in memory";
            EXPECT_LT(static_cast<std::uint8_t>(grey[width * (height - 3) + 5]), 50);
            if (c.handler == kHandlerFfv1) {
                EXPECT_TRUE(Decoded(path, bitCount == 8 ? "gray" : "bgr24") == upright) << "decoded frames differ";
            }
        }
    }
    // The JPEG quality is dwQuality / 100; a quality beyond 10000 gives the default, 75.
    const std::vector<Bytes> frames = {NoiseFrame(64, 48, 24, 7)};
    for (std::uint32_t quality : {1000u, 9500u, 7500u, 0xFFFFFFFFu})
        Record(PathOf(std::to_string(quality) + ".avi"), 64, 48, 24, Handler(kHandlerMotionJpeg, quality), frames);
    EXPECT_LT(test::FileSize(PathOf("1000.avi")) + 2000, test::FileSize(PathOf("9500.avi")));
    EXPECT_EQ(test::ReadFile(PathOf("4294967295.avi")), test::ReadFile(PathOf("7500.avi")));
}

}  // namespace
}  // namespace qcx
