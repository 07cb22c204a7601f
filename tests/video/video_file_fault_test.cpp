// The video file seam when things go wrong: refused arguments and call
// orders, starts that end before the format, a disk that fills up and a
// write that fails outright. Files are read back with ffprobe.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "camera/platform/video_file.h"
#include "support/ffprobe.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::ProbeVideo;

bool HaveTool(const std::string& name) { return !test::CommandOutput("command -v " + name).empty(); }

Bytes BitmapHeader(std::int32_t width, std::int32_t height, int bitCount, std::size_t paletteEntries = 256) {
    Bytes header(40 + 4 * paletteEntries, 0);
    const auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, 40);
    put(4, static_cast<std::uint32_t>(width));
    put(8, static_cast<std::uint32_t>(height));
    header[12] = 1;
    header[14] = static_cast<std::uint8_t>(bitCount);
    put(32, static_cast<std::uint32_t>(paletteEntries));
    for (std::size_t i = 0; i < paletteEntries; ++i)
        header[40 + 4 * i] = header[41 + 4 * i] = header[42 + 4 * i] = static_cast<std::uint8_t>(i);
    return header;
}

VideoStreamInfo Stream(int width, int height) {
    VideoStreamInfo info;
    info.rate = 2500;
    info.scale = 100;
    info.width = width;
    info.height = height;
    return info;
}

VideoCompressOptions Handler(std::uint32_t fourcc) {
    VideoCompressOptions options;
    options.fccHandler = fourcc;
    options.dwQuality = 7500;
    return options;
}

long FileSize(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

Bytes Frame(int width, int height, int bitCount, int seed) {
    Bytes frame(static_cast<std::size_t>(bitCount / 8) * width * height);
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<std::uint8_t>(i * 31 + seed * 17 + i / 97);
    return frame;
}

class VideoFileFaultTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return folder_.Path() + "/" + name; }

    // A file through CreateStream and MakeCompressedStream.
    std::unique_ptr<VideoFile> Started(const std::string& path, int width, int height, std::uint32_t handler = 0) {
        std::unique_ptr<VideoFile> file = OpenVideoFile(path);
        if (file && file->CreateStream(Stream(width, height)) && file->MakeCompressedStream(Handler(handler)))
            return file;
        ADD_FAILURE() << "could not start " << path;
        return nullptr;
    }

    test::TempFolder folder_;
};

TEST_F(VideoFileFaultTest, OpenRefusesPathsItCannotCreateAndEmptiesOldFiles) {
    EXPECT_EQ(OpenVideoFile(PathOf("missing/folder.avi")), nullptr);
    EXPECT_EQ(OpenVideoFile(folder_.Path()), nullptr) << "a folder is no file";
    EXPECT_EQ(OpenVideoFile(""), nullptr);

    const std::string old = PathOf("old.avi");
    std::ofstream(old) << "an earlier recording";
    ASSERT_NE(OpenVideoFile(old), nullptr);
    EXPECT_EQ(FileSize(old), 0);
}

TEST_F(VideoFileFaultTest, StreamAndHandlerRefusals) {
    std::unique_ptr<VideoFile> file = OpenVideoFile(PathOf("refusals.avi"));
    ASSERT_NE(file, nullptr);
    VideoStreamInfo info = Stream(16, 8);
    info.rate = 0;
    EXPECT_FALSE(file->CreateStream(info));
    info = Stream(16, 8);
    info.scale = 0;
    EXPECT_FALSE(file->CreateStream(info));
    EXPECT_FALSE(file->CreateStream(Stream(0, 8)));
    EXPECT_TRUE(file->CreateStream(Stream(16, 8)));
    EXPECT_FALSE(file->CreateStream(Stream(16, 8))) << "one stream per file";

    EXPECT_FALSE(file->MakeCompressedStream(Handler(MakeFourCC('X', 'V', 'I', 'D'))));
    EXPECT_FALSE(file->MakeCompressedStream(Handler(MakeFourCC('c', 'v', 'i', 'd'))));
    // Stored choices may spell the handler in lower case.
    EXPECT_TRUE(file->MakeCompressedStream(Handler(MakeFourCC('d', 'i', 'b', ' '))));
    EXPECT_TRUE(file->MakeCompressedStream(Handler(MakeFourCC('m', 'j', 'p', 'g'))));
}

TEST_F(VideoFileFaultTest, SetFormatRefusesFormatsThatDoNotFitAndWritesNothing) {
    const std::string path = PathOf("format.avi");
    std::unique_ptr<VideoFile> file = Started(path, 16, 8);
    ASSERT_NE(file, nullptr);
    const auto refused = [&](const Bytes& header, std::size_t size) { return !file->SetFormat(header.data(), size); };
    Bytes sixteen = BitmapHeader(16, 8, 16, 0);
    EXPECT_TRUE(refused(sixteen, sixteen.size()));
    Bytes one = BitmapHeader(16, 8, 1, 2);
    EXPECT_TRUE(refused(one, one.size()));
    Bytes wide = BitmapHeader(17, 8, 24, 0);
    EXPECT_TRUE(refused(wide, wide.size()));
    Bytes topDown = BitmapHeader(16, -8, 24, 0);
    EXPECT_TRUE(refused(topDown, topDown.size()));
    Bytes rle = BitmapHeader(16, 8, 8);
    rle[16] = 1;
    EXPECT_TRUE(refused(rle, rle.size()));
    Bytes grey = BitmapHeader(16, 8, 8);
    EXPECT_TRUE(refused(grey, 40)) << "8 bits need their palette";
    EXPECT_TRUE(refused(grey, 40 + 1020));
    EXPECT_TRUE(refused(grey, 39));
    EXPECT_FALSE(file->SetFormat(nullptr, 40));
    EXPECT_EQ(FileSize(path), 0);

    EXPECT_TRUE(file->SetFormat(grey.data(), grey.size()));
    EXPECT_GT(FileSize(path), 0);
    EXPECT_FALSE(file->SetFormat(grey.data(), grey.size())) << "the header is written once";
}

TEST_F(VideoFileFaultTest, CallsOutOfOrderAreRefused) {
    const Bytes header = BitmapHeader(16, 8, 24, 0);
    const Bytes frame = Frame(16, 8, 24, 0);
    std::unique_ptr<VideoFile> file = OpenVideoFile(PathOf("order.avi"));
    ASSERT_NE(file, nullptr);
    EXPECT_FALSE(file->SetFormat(header.data(), header.size())) << "no stream yet";
    EXPECT_FALSE(file->Write(0, frame.data(), frame.size()));
    ASSERT_TRUE(file->CreateStream(Stream(16, 8)));
    EXPECT_FALSE(file->SetFormat(header.data(), header.size())) << "no compressor chosen yet";
    ASSERT_TRUE(file->MakeCompressedStream(Handler(0)));
    EXPECT_FALSE(file->Write(0, frame.data(), frame.size())) << "no format yet";
    ASSERT_TRUE(file->SetFormat(header.data(), header.size()));
    EXPECT_FALSE(file->MakeCompressedStream(Handler(kHandlerMotionJpeg))) << "the file has its codec";
}

TEST_F(VideoFileFaultTest, AStartThatEndsBeforeTheFormatLeavesAnEmptyFile) {
    for (std::uint32_t handler : {0u, kHandlerMotionJpeg, kHandlerFfv1}) {
        const std::string path = PathOf("stopped.avi");
        Started(path, 16, 8, handler).reset();
        EXPECT_EQ(FileSize(path), 0) << handler;
    }
    // H.264 cannot take a picture one pixel wide: it needs even sizes.
    const std::string path = PathOf("narrow.avi");
    std::unique_ptr<VideoFile> file = OpenVideoFile(path);
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->CreateStream(Stream(1, 8)));
    if (file->MakeCompressedStream(Handler(kHandlerH264))) {
        const Bytes header = BitmapHeader(1, 8, 24, 0);
        EXPECT_FALSE(file->SetFormat(header.data(), header.size()));
    }
    file.reset();
    EXPECT_EQ(FileSize(path), 0);
}

TEST_F(VideoFileFaultTest, WritesOfTheWrongSizeOrAnOldPositionAreDropped) {
    ASSERT_TRUE(HaveTool("ffprobe")) << "ffprobe is needed (scripts/setup installs ffmpeg)";
    for (std::uint32_t handler : {0u, kHandlerMotionJpeg, kHandlerFfv1}) {
        SCOPED_TRACE(handler);
        const std::string path = PathOf("sizes.avi");
        {
            std::unique_ptr<VideoFile> file = Started(path, 16, 8, handler);
            ASSERT_NE(file, nullptr);
            const Bytes header = BitmapHeader(16, 8, 24, 0);
            ASSERT_TRUE(file->SetFormat(header.data(), header.size()));
            const Bytes frame = Frame(16, 8, 24, 1);
            EXPECT_FALSE(file->Write(0, frame.data(), frame.size() - 1));
            EXPECT_FALSE(file->Write(0, frame.data(), frame.size() + 1));
            EXPECT_FALSE(file->Write(0, nullptr, frame.size()));
            EXPECT_TRUE(file->Write(0, frame.data(), frame.size()));
            EXPECT_TRUE(file->Write(1, frame.data(), frame.size()));
            EXPECT_FALSE(file->Write(1, frame.data(), frame.size()));
            EXPECT_FALSE(file->Write(0, frame.data(), frame.size()));
            EXPECT_TRUE(file->Write(2, frame.data(), frame.size()));
        }
        auto probe = ProbeVideo(path);
        EXPECT_EQ(probe["nb_read_frames"], "3");
        EXPECT_EQ(probe["errors"], "");
    }
}

// A small filesystem of its own: frames that no longer fit are dropped
// before anything is written, so the file stays complete and playable.
class VideoFileDiskFullTest : public VideoFileFaultTest {
protected:
    static constexpr int kWidth = 752;
    static constexpr int kHeight = 480;

    void SetUp() override {
        ASSERT_TRUE(HaveTool("ffprobe")) << "ffprobe is needed (scripts/setup installs ffmpeg)";
        if (::geteuid() != 0) GTEST_SKIP() << "mounting a small filesystem needs root";
        disk_ = PathOf("disk");
        ASSERT_EQ(::mkdir(disk_.c_str(), 0755), 0);
        if (::mount("tmpfs", disk_.c_str(), "tmpfs", 0, "size=3m") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
        mounted_ = true;
    }
    void TearDown() override {
        if (mounted_) ::umount(disk_.c_str());
    }

    // Writes `count` frames the way a recording does: the position moves on
    // only when a frame was taken. Returns what each Write said.
    std::vector<bool> WriteFrames(VideoFile* file, int count, std::uint32_t* position) {
        std::vector<bool> results;
        for (int i = 0; i < count; ++i) {
            const Bytes frame = Frame(kWidth, kHeight, 24, i);
            results.push_back(file->Write(*position, frame.data(), frame.size()));
            if (results.back()) ++*position;
        }
        return results;
    }

    std::unique_ptr<VideoFile> StartedOnDisk(const std::string& path) {
        std::unique_ptr<VideoFile> file = Started(path, kWidth, kHeight);
        const Bytes header = BitmapHeader(kWidth, kHeight, 24, 0);
        if (file && !file->SetFormat(header.data(), header.size())) file.reset();
        return file;
    }

    std::string disk_;
    bool mounted_ = false;
};

TEST_F(VideoFileDiskFullTest, FramesBeyondTheFreeSpaceAreDroppedAndTheFileStaysPlayable) {
    const std::string path = disk_ + "/full.avi";
    std::uint32_t position = 0;
    std::vector<bool> results;
    {
        std::unique_ptr<VideoFile> file = StartedOnDisk(path);
        ASSERT_NE(file, nullptr);
        results = WriteFrames(file.get(), 5, &position);
    }
    ASSERT_TRUE(results[0]);
    EXPECT_FALSE(results.back());
    for (std::size_t i = 1; i < results.size(); ++i)
        EXPECT_TRUE(results[i - 1] || !results[i]) << "the disk stays full";
    auto probe = ProbeVideo(path);
    EXPECT_EQ(probe["nb_read_frames"], std::to_string(position));
    EXPECT_EQ(probe["errors"], "");
}

TEST_F(VideoFileDiskFullTest, FramesAreTakenAgainOnceThereIsRoom) {
    const std::string ballast = disk_ + "/ballast";
    std::ofstream(ballast) << std::string(1200 * 1024, 'x');
    const std::string path = disk_ + "/again.avi";
    std::uint32_t position = 0;
    {
        std::unique_ptr<VideoFile> file = StartedOnDisk(path);
        ASSERT_NE(file, nullptr);
        std::vector<bool> results = WriteFrames(file.get(), 3, &position);
        EXPECT_TRUE(results[0]);
        EXPECT_FALSE(results[2]);
        const std::uint32_t before = position;
        ASSERT_EQ(std::remove(ballast.c_str()), 0);
        results = WriteFrames(file.get(), 1, &position);
        EXPECT_TRUE(results[0]);
        EXPECT_EQ(position, before + 1);
    }
    auto probe = ProbeVideo(path);
    EXPECT_EQ(probe["nb_read_frames"], std::to_string(position));
    EXPECT_EQ(probe["errors"], "");
}

// A write that fails although the space seemed free (here: the process's
// file size limit) ends the file's frames; the finish is best effort, and
// what was written before the failure stays readable.
TEST_F(VideoFileFaultTest, AFailedWriteEndsTheFramesOfTheFile) {
    ASSERT_TRUE(HaveTool("ffmpeg")) << "ffmpeg is needed (scripts/setup installs it)";
    const std::string path = PathOf("limited.avi");
    const Bytes frame(64 * 64 * 3, 77);  // the same upside down
    std::unique_ptr<VideoFile> file = Started(path, 64, 64);
    ASSERT_NE(file, nullptr);
    const Bytes header = BitmapHeader(64, 64, 24, 0);
    ASSERT_TRUE(file->SetFormat(header.data(), header.size()));
    ASSERT_TRUE(file->Write(0, frame.data(), frame.size()));

    rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved;
    limit.rlim_cur = static_cast<rlim_t>(FileSize(path) + frame.size() / 2);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limit), 0);
    const bool cut = file->Write(1, frame.data(), frame.size());
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(cut);
    EXPECT_FALSE(file->Write(1, frame.data(), frame.size())) << "no frames after a failed write";
    EXPECT_FALSE(file->Write(2, frame.data(), frame.size()));
    file.reset();
    const std::string first = test::CommandOutput("ffmpeg -v error -i '" + path +
                                                  "' -frames:v 1 -f rawvideo -pix_fmt bgr24 - 2>/dev/null");
    EXPECT_TRUE(first == std::string(frame.begin(), frame.end())) << "the first frame reads back intact";
}

}  // namespace
}  // namespace qcx
