// AVI files written through the video file seam, one codec at a time, read
// back by FFmpeg's command-line tools (an independent reader) and by a small
// RIFF walk over the stored bytes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
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
using test::CommandOutput;
using test::ProbeVideo;

bool HaveTool(const std::string& name) { return !CommandOutput("command -v " + name).empty(); }

void Put32(Bytes* b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) (*b)[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

std::uint32_t Get32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(s[at + i]);
    return v;
}

Bytes GreyPalette() {
    Bytes palette(1024, 0);
    for (int i = 0; i < 256; ++i) palette[4 * i] = palette[4 * i + 1] = palette[4 * i + 2] = static_cast<std::uint8_t>(i);
    return palette;
}

// The preview's bitmap header: bottom-up, uncompressed, a palette for 8 bits.
Bytes BitmapHeader(int width, int height, int bitCount, const Bytes& palette = GreyPalette()) {
    Bytes header(bitCount == 8 ? 40 + palette.size() : 40, 0);
    Put32(&header, 0, 40);
    Put32(&header, 4, static_cast<std::uint32_t>(width));
    Put32(&header, 8, static_cast<std::uint32_t>(height));
    header[12] = 1;
    header[14] = static_cast<std::uint8_t>(bitCount);
    Put32(&header, 20, static_cast<std::uint32_t>(bitCount / 8 * width * height));
    if (bitCount == 8) {
        Put32(&header, 32, 256);
        std::copy(palette.begin(), palette.end(), header.begin() + 40);
    }
    return header;
}

// A busy picture, different per frame, so a lossless round trip means something.
Bytes NoiseFrame(int width, int height, int bitCount, int seed) {
    Bytes frame(static_cast<std::size_t>(bitCount / 8) * width * height);
    std::uint32_t state = 2654435761u * static_cast<std::uint32_t>(seed + 1);
    for (auto& byte : frame) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(state >> 24);
    }
    return frame;
}

// Dark rows first in memory (the bottom of the picture), bright rows last.
Bytes SplitFrame(int width, int height, int bitCount) {
    const std::size_t row = static_cast<std::size_t>(bitCount / 8) * width;
    Bytes frame(row * height);
    for (int y = 0; y < height; ++y)
        for (std::size_t x = 0; x < row; ++x) frame[y * row + x] = y < height / 2 ? 20 : 235;
    return frame;
}

// Bottom-up rows to top-down rows, with `outBytes` bytes per output pixel.
std::string Upright(const Bytes& frame, int width, int height, int bitCount, int outBytes) {
    const int inBytes = bitCount / 8;
    std::string out;
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < outBytes; ++c)
                out.push_back(static_cast<char>(frame[(static_cast<std::size_t>(y) * width + x) * inBytes + c]));
    return out;
}

VideoCompressOptions Handler(std::uint32_t fourcc, std::uint32_t quality = 7500) {
    VideoCompressOptions options;
    options.fccType = kStreamTypeVideo;
    options.fccHandler = fourcc;
    options.dwQuality = quality;
    options.dwFlags = kCompressValid;
    return options;
}

// Records `frames` at positions 0, 1, ...; every step must succeed.
void Record(const std::string& path, int width, int height, int bitCount, const VideoCompressOptions& options,
            const std::vector<Bytes>& frames, const Bytes& palette = GreyPalette()) {
    std::unique_ptr<VideoFile> file = OpenVideoFile(path);
    ASSERT_NE(file, nullptr);
    VideoStreamInfo info;
    info.rate = 1234;
    info.scale = 100;
    info.width = width;
    info.height = height;
    ASSERT_TRUE(file->CreateStream(info));
    ASSERT_TRUE(file->MakeCompressedStream(options));
    const Bytes header = BitmapHeader(width, height, bitCount, palette);
    ASSERT_TRUE(file->SetFormat(header.data(), header.size()));
    for (std::size_t i = 0; i < frames.size(); ++i)
        ASSERT_TRUE(file->Write(static_cast<std::uint32_t>(i), frames[i].data(), frames[i].size())) << "frame " << i;
}

// The first chunk called `id`, looking inside RIFF and LIST chunks; its data.
bool FindChunk(const std::string& file, std::size_t begin, std::size_t end, const std::string& id, std::string* data) {
    std::size_t at = begin;
    while (at + 8 <= end) {
        const std::string name = file.substr(at, 4);
        const std::size_t size = Get32(file, at + 4);
        const std::size_t stop = std::min(end, at + 8 + size);
        if (name == id) {
            *data = file.substr(at + 8, stop - at - 8);
            return true;
        }
        if ((name == "RIFF" || name == "LIST") && FindChunk(file, at + 12, stop, id, data)) return true;
        at += 8 + size + (size & 1);
    }
    return false;
}

std::string StoredChunk(const std::string& path, const std::string& id) {
    const std::string file = test::ReadFile(path);
    std::string data;
    EXPECT_TRUE(FindChunk(file, 0, file.size(), id, &data)) << id << " in " << path;
    return data;
}

// All frames decoded, as top-down rows of `pixFmt`.
std::string Decoded(const std::string& path, const std::string& pixFmt) {
    return CommandOutput("ffmpeg -v error -i '" + path + "' -f rawvideo -pix_fmt " + pixFmt + " - 2>/dev/null");
}

std::string StreamField(const std::string& path, const std::string& field) {
    std::string out = CommandOutput("ffprobe -v error -select_streams v:0 -show_entries stream=" + field +
                                    " -of default=noprint_wrappers=1:nokey=1 '" + path + "' 2>&1");
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
}

std::string PacketFlags(const std::string& path) {
    return CommandOutput("ffprobe -v error -select_streams v:0 -show_entries packet=flags "
                         "-of default=noprint_wrappers=1:nokey=1 '" + path + "' 2>&1");
}

long FileSize(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

class VideoFileCodecTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(HaveTool("ffprobe") && HaveTool("ffmpeg")) << "ffprobe and ffmpeg are needed (scripts/setup installs them)";
    }
    std::string PathOf(const std::string& name) const { return folder_.Path() + "/" + name; }

    test::TempFolder folder_;
};

TEST(VideoServices, ReportVersionOnePointTen) { EXPECT_EQ(VideoServicesVersion(), 0x010A0000u); }

TEST_F(VideoFileCodecTest, UncompressedFramesAreStoredAsGivenUnderABottomUpFormat) {
    struct Case { int bitCount; const char* pixFmt; int outBytes; };
    for (const Case c : {Case{24, "bgr24", 3}, Case{32, "bgra", 4}}) {
        SCOPED_TRACE(c.bitCount);
        const std::string path = PathOf("raw" + std::to_string(c.bitCount) + ".avi");
        const std::vector<Bytes> frames = {NoiseFrame(64, 48, c.bitCount, 1), NoiseFrame(64, 48, c.bitCount, 2),
                                           NoiseFrame(64, 48, c.bitCount, 3)};
        Record(path, 64, 48, c.bitCount, Handler(0), frames);

        auto probe = ProbeVideo(path);
        EXPECT_EQ(probe["codec_name"], "rawvideo");
        EXPECT_EQ(probe["pix_fmt"], c.pixFmt);
        EXPECT_EQ(probe["width"], "64");
        EXPECT_EQ(probe["height"], "48");
        EXPECT_EQ(probe["r_frame_rate"], "617/50");
        EXPECT_EQ(probe["nb_read_frames"], "3");
        EXPECT_EQ(probe["errors"], "");

        const std::string format = StoredChunk(path, "strf");
        ASSERT_EQ(format.size(), 40u);
        EXPECT_EQ(static_cast<std::int32_t>(Get32(format, 8)), 48) << "positive height: rows stored bottom-up";
        EXPECT_EQ(format[14], c.bitCount);
        EXPECT_EQ(StoredChunk(path, "00dc"), std::string(frames[0].begin(), frames[0].end()));
        EXPECT_EQ(Decoded(path, c.pixFmt).substr(0, 64 * 48 * c.outBytes), Upright(frames[0], 64, 48, c.bitCount, c.outBytes));
    }
}

TEST_F(VideoFileCodecTest, EightBitFramesCarryTheGivenPaletteInTheStreamFormat) {
    Bytes tinted(1024, 0);
    for (int i = 0; i < 256; ++i) {
        tinted[4 * i] = static_cast<std::uint8_t>(255 - i);
        tinted[4 * i + 1] = static_cast<std::uint8_t>(i);
        tinted[4 * i + 2] = static_cast<std::uint8_t>(i / 2);
    }
    for (const Bytes& palette : {GreyPalette(), tinted}) {
        const std::string path = PathOf(palette == tinted ? "tinted.avi" : "grey.avi");
        SCOPED_TRACE(path);
        const std::vector<Bytes> frames = {NoiseFrame(64, 48, 8, 4), NoiseFrame(64, 48, 8, 5)};
        Record(path, 64, 48, 8, Handler(kHandlerUncompressed), frames, palette);

        auto probe = ProbeVideo(path);
        EXPECT_EQ(probe["codec_name"], "rawvideo");
        EXPECT_EQ(probe["pix_fmt"], "pal8");
        EXPECT_EQ(probe["nb_read_frames"], "2");
        EXPECT_EQ(probe["errors"], "");

        const std::string format = StoredChunk(path, "strf");
        ASSERT_EQ(format.size(), 40u + 1024u);
        EXPECT_EQ(format[14], 8);
        EXPECT_EQ(Get32(format, 32), 256u) << "colours used";
        EXPECT_EQ(format.substr(40), std::string(palette.begin(), palette.end()));
        EXPECT_EQ(StoredChunk(path, "00dc"), std::string(frames[0].begin(), frames[0].end()));

        // The reader paints with the palette from the file.
        Bytes painted;
        for (std::uint8_t index : frames[0])
            for (int c = 0; c < 3; ++c) painted.push_back(palette[4 * index + c]);
        EXPECT_EQ(Decoded(path, "bgr24").substr(0, 64 * 48 * 3), Upright(painted, 64, 48, 24, 3));
    }
}

// Rows of 30 grey or 33 x 3 bytes are padded to whole words in the file;
// readers still see the picture as it was given.
TEST_F(VideoFileCodecTest, RowsOfOddByteCountsArePaddedAndReadBackIntact) {
    struct Case { int width; int bitCount; std::size_t storedRow; };
    for (const Case c : {Case{30, 8, 32}, Case{33, 24, 100}}) {
        SCOPED_TRACE(c.width);
        const std::string path = PathOf("odd" + std::to_string(c.width) + ".avi");
        const std::vector<Bytes> frames = {NoiseFrame(c.width, 7, c.bitCount, 6)};
        Record(path, c.width, 7, c.bitCount, Handler(0), frames);
        EXPECT_EQ(StoredChunk(path, "00dc").size(), c.storedRow * 7);
        EXPECT_EQ(ProbeVideo(path)["errors"], "");
        Bytes colour;  // grey indices through the grey palette
        for (std::uint8_t value : frames[0]) colour.insert(colour.end(), 3 / (c.bitCount / 8), value);
        EXPECT_EQ(Decoded(path, "bgr24"), Upright(colour, c.width, 7, 24, 3));
    }
}

TEST_F(VideoFileCodecTest, MotionJpegFramesComeOutUpright) {
    for (int bitCount : {8, 24, 32}) {
        SCOPED_TRACE(bitCount);
        const std::string path = PathOf("mjpg" + std::to_string(bitCount) + ".avi");
        const Bytes frame = SplitFrame(64, 48, bitCount);
        Record(path, 64, 48, bitCount, Handler(kHandlerMotionJpeg), {frame, frame, frame});

        auto probe = ProbeVideo(path);
        EXPECT_EQ(probe["codec_name"], "mjpeg");
        EXPECT_EQ(probe["width"], "64");
        EXPECT_EQ(probe["height"], "48");
        EXPECT_EQ(probe["r_frame_rate"], "617/50");
        EXPECT_EQ(probe["nb_read_frames"], "3");
        EXPECT_EQ(probe["errors"], "");
        EXPECT_EQ(StreamField(path, "codec_tag_string"), "MJPG");
        EXPECT_EQ(PacketFlags(path), "K_\nK_\nK_\n");

        const std::string grey = Decoded(path, "gray");
        ASSERT_EQ(grey.size(), 3u * 64 * 48);
        EXPECT_GT(static_cast<std::uint8_t>(grey[64 * 2 + 5]), 200) << "top of the picture = last rows in memory";
        EXPECT_LT(static_cast<std::uint8_t>(grey[64 * 45 + 5]), 50);
    }
}

TEST_F(VideoFileCodecTest, MotionJpegQualityFollowsTheOptions) {
    const std::vector<Bytes> frames = {NoiseFrame(64, 48, 24, 7)};
    Record(PathOf("q10.avi"), 64, 48, 24, Handler(kHandlerMotionJpeg, 1000), frames);
    Record(PathOf("q95.avi"), 64, 48, 24, Handler(kHandlerMotionJpeg, 9500), frames);
    Record(PathOf("q75.avi"), 64, 48, 24, Handler(kHandlerMotionJpeg, 7500), frames);
    Record(PathOf("default.avi"), 64, 48, 24, Handler(kHandlerMotionJpeg, 0xFFFFFFFF), frames);
    EXPECT_LT(FileSize(PathOf("q10.avi")) + 2000, FileSize(PathOf("q95.avi")));
    EXPECT_EQ(test::ReadFile(PathOf("default.avi")), test::ReadFile(PathOf("q75.avi"))) << "the default quality is 75";
}

TEST_F(VideoFileCodecTest, FfvOneDecodesBackLosslessly) {
    struct Case { int bitCount; const char* pixFmt; int outBytes; };
    for (const Case c : {Case{8, "gray", 1}, Case{24, "bgr24", 3}, Case{32, "bgr0", 3}}) {
        SCOPED_TRACE(c.bitCount);
        const std::string path = PathOf("ffv1_" + std::to_string(c.bitCount) + ".avi");
        std::vector<Bytes> frames;
        std::string expected;
        for (int i = 0; i < 3; ++i) {
            frames.push_back(NoiseFrame(50, 30, c.bitCount, 10 + i));
            expected += Upright(frames.back(), 50, 30, c.bitCount, c.outBytes);
        }
        Record(path, 50, 30, c.bitCount, Handler(kHandlerFfv1), frames);

        auto probe = ProbeVideo(path);
        EXPECT_EQ(probe["codec_name"], "ffv1");
        EXPECT_EQ(probe["width"], "50");
        EXPECT_EQ(probe["height"], "30");
        EXPECT_EQ(probe["r_frame_rate"], "617/50");
        EXPECT_EQ(probe["nb_read_frames"], "3");
        EXPECT_EQ(probe["errors"], "");
        EXPECT_EQ(StreamField(path, "codec_tag_string"), "FFV1");
        // bgr0 carries only blue, green and red: compare those.
        std::string decoded = Decoded(path, c.bitCount == 32 ? "bgr24" : c.pixFmt);
        EXPECT_TRUE(decoded == expected) << "decoded frames differ from the upright input";
    }
}

TEST_F(VideoFileCodecTest, KeyFrameIntervalReachesTheEncoder) {
    std::vector<Bytes> frames;
    for (int i = 0; i < 7; ++i) frames.push_back(NoiseFrame(32, 16, 8, i));
    VideoCompressOptions options = Handler(kHandlerFfv1);
    options.dwKeyFrameEvery = 3;
    options.dwFlags |= kCompressKeyFrames;
    Record(PathOf("gop3.avi"), 32, 16, 8, options, frames);
    EXPECT_EQ(PacketFlags(PathOf("gop3.avi")), "K_\n__\n__\nK_\n__\n__\nK_\n");
}

TEST_F(VideoFileCodecTest, HTwoSixtyFourGivesEachFrameAtOnceCroppedToEvenSizes) {
    if (avcodec_find_encoder(AV_CODEC_ID_H264) == nullptr) GTEST_SKIP() << "no H.264 encoder in this FFmpeg";
    for (int bitCount : {8, 24, 32}) {
        SCOPED_TRACE(bitCount);
        const std::string path = PathOf("h264_" + std::to_string(bitCount) + ".avi");
        std::unique_ptr<VideoFile> file = OpenVideoFile(path);
        ASSERT_NE(file, nullptr);
        VideoStreamInfo info;
        info.rate = 1234;
        info.width = 65;
        info.height = 49;
        ASSERT_TRUE(file->CreateStream(info));
        VideoCompressOptions options = Handler(kHandlerH264);
        options.dwBytesPerSecond = 100000;
        ASSERT_TRUE(file->MakeCompressedStream(options));
        const Bytes header = BitmapHeader(65, 49, bitCount);
        ASSERT_TRUE(file->SetFormat(header.data(), header.size()));
        const Bytes frame = SplitFrame(65, 49, bitCount);
        long size = FileSize(path);
        for (std::uint32_t i = 0; i < 5; ++i) {
            ASSERT_TRUE(file->Write(i, frame.data(), frame.size()));
            const long grown = FileSize(path);
            EXPECT_GT(grown, size) << "frame " << i << " is in the file when Write returns";
            size = grown;
        }
        file.reset();

        auto probe = ProbeVideo(path);
        EXPECT_EQ(probe["codec_name"], "h264");
        EXPECT_EQ(probe["width"], "64");
        EXPECT_EQ(probe["height"], "48");
        // ffprobe rounds the r_frame_rate of H.264 to a common rate; the
        // stream's own rate is the average.
        EXPECT_EQ(StreamField(path, "avg_frame_rate"), "617/50");
        EXPECT_EQ(probe["nb_read_frames"], "5");
        EXPECT_EQ(probe["errors"], "");
        EXPECT_EQ(StreamField(path, "codec_tag_string"), "H264");
        const std::string grey = Decoded(path, "gray");
        ASSERT_EQ(grey.size(), 5u * 64 * 48);
        EXPECT_GT(static_cast<std::uint8_t>(grey[64 * 2 + 5]), 200) << "top of the picture = last rows in memory";
        EXPECT_LT(static_cast<std::uint8_t>(grey[64 * 45 + 5]), 50);
    }
}

// FFmpeg's messages go to the application's console; normal recording has
// nothing to say there.
std::mutex messagesLock;
std::vector<std::string> messages;

void KeepMessage(void*, int level, const char* format, va_list args) {
    if (level > AV_LOG_INFO) return;
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    std::lock_guard<std::mutex> hold(messagesLock);
    messages.emplace_back(text);
}

TEST_F(VideoFileCodecTest, NormalRecordingPrintsNothing) {
    av_log_set_callback(&KeepMessage);
    std::vector<std::uint32_t> handlers = {0, kHandlerMotionJpeg, kHandlerFfv1};
    if (avcodec_find_encoder(AV_CODEC_ID_H264) != nullptr) handlers.push_back(kHandlerH264);
    for (std::uint32_t handler : handlers)
        for (int bitCount : {8, 24, 32}) {
            const std::string path = PathOf("quiet.avi");
            VideoCompressOptions options = Handler(handler);
            options.dwKeyFrameEvery = 10;
            options.dwBytesPerSecond = 50000;
            options.dwFlags |= kCompressKeyFrames | kCompressDataRate;
            Record(path, 37, 21, bitCount, options,
                   {NoiseFrame(37, 21, bitCount, 1), NoiseFrame(37, 21, bitCount, 2)});
        }
    av_log_set_callback(&av_log_default_callback);
    std::lock_guard<std::mutex> hold(messagesLock);
    std::string all;
    for (const std::string& m : messages) all += m;
    EXPECT_EQ(all, "");
}

}  // namespace
}  // namespace qcx
