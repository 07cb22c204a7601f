// The video file seam when things go wrong: refused arguments and call
// orders, starts that end before the format, a disk that fills up and a
// write that fails outright. Files are read back with ffprobe and ffmpeg.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "video/video_test_support.h"

namespace qcx {
namespace {

using test::BitmapHeader;
using test::Bytes;
using test::FileSize;
using test::Handler;
using test::NoiseFrame;
using test::Started;
using test::Stream;

using VideoFileFaultTest = test::VideoFileTest;

TEST_F(VideoFileFaultTest, PathsThatCannotBeCreatedAndCallsOutOfOrderAreRefused) {
    EXPECT_EQ(VideoServicesVersion(), 0x010A0000u) << "1.10: recent enough to record";
    for (const std::string& path : {PathOf("missing/folder.avi"), folder_.Path(), std::string()})
        EXPECT_EQ(OpenVideoFile(path), nullptr) << '"' << path << '"';
    std::ofstream(PathOf("order.avi")) << "an earlier recording";

    const Bytes header = BitmapHeader(16, 8, 24);
    const Bytes frame = NoiseFrame(16, 8, 24, 0);
    std::unique_ptr<VideoFile> file = OpenVideoFile(PathOf("order.avi"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(FileSize(PathOf("order.avi")), 0) << "an old file is emptied";
    EXPECT_FALSE(file->SetFormat(header.data(), header.size())) << "no stream yet";
    EXPECT_FALSE(file->Write(0, frame.data(), frame.size()));
    for (const VideoStreamInfo& bad : {VideoStreamInfo{.scale = 100, .rate = 0, .width = 16, .height = 8},
                                       VideoStreamInfo{.scale = 0, .rate = 1234, .width = 16, .height = 8}, Stream(0, 8)})
        EXPECT_FALSE(file->CreateStream(bad));
    ASSERT_TRUE(file->CreateStream(Stream(16, 8)));
    EXPECT_FALSE(file->CreateStream(Stream(16, 8))) << "one stream per file";
    EXPECT_FALSE(file->SetFormat(header.data(), header.size())) << "no compressor chosen yet";

    EXPECT_FALSE(file->MakeCompressedStream(Handler(MakeFourCC('X', 'V', 'I', 'D'))));
    EXPECT_FALSE(file->MakeCompressedStream(Handler(MakeFourCC('c', 'v', 'i', 'd'))));
    // Stored choices may spell the handler in lower case.
    EXPECT_TRUE(file->MakeCompressedStream(Handler(MakeFourCC('m', 'j', 'p', 'g'))));
    EXPECT_TRUE(file->MakeCompressedStream(Handler(MakeFourCC('d', 'i', 'b', ' '))));
    EXPECT_FALSE(file->Write(0, frame.data(), frame.size())) << "no format yet";
    ASSERT_TRUE(file->SetFormat(header.data(), header.size()));
    EXPECT_GT(FileSize(PathOf("order.avi")), 0);
    EXPECT_FALSE(file->SetFormat(header.data(), header.size())) << "the header is written once";
    EXPECT_FALSE(file->MakeCompressedStream(Handler(kHandlerMotionJpeg))) << "the file has its codec";
}

TEST_F(VideoFileFaultTest, FormatsThatDoNotFitAndWritesOfTheWrongSizeOrAnOldPositionAreRefused) {
    Bytes rle = BitmapHeader(16, 8, 8);
    rle[16] = 1;
    const Bytes grey = BitmapHeader(16, 8, 8);
    // 16 and 1 bits, another size, top-down rows, compressed rows; 8 bits without their whole palette.
    const std::pair<Bytes, std::size_t> refused[] = {
        {BitmapHeader(16, 8, 16), 40}, {BitmapHeader(16, 8, 1, Bytes(8)), 48}, {BitmapHeader(17, 8, 24), 40},
        {BitmapHeader(16, -8, 24), 40}, {rle, rle.size()}, {grey, 40}, {grey, 40 + 1020}, {grey, 39}};
    const Bytes frame = NoiseFrame(16, 8, 24, 1);
    const std::string path = PathOf("refused.avi");
    for (std::uint32_t handler : {0u, kHandlerMotionJpeg, kHandlerFfv1}) {
        SCOPED_TRACE(handler);
        std::unique_ptr<VideoFile> file = Started(path, 16, 8, Handler(handler));
        ASSERT_NE(file, nullptr);
        for (const auto& [header, size] : refused) EXPECT_FALSE(file->SetFormat(header.data(), size)) << size;
        EXPECT_FALSE(file->SetFormat(nullptr, 40));
        file.reset();
        EXPECT_EQ(FileSize(path), 0) << "a start that ends before the format leaves an empty file";

        file = Started(path, 16, 8, Handler(handler), 24);
        ASSERT_NE(file, nullptr);
        EXPECT_FALSE(file->Write(0, frame.data(), frame.size() - 1) || file->Write(0, frame.data(), frame.size() + 1) ||
                     file->Write(0, nullptr, frame.size()));
        for (const auto& [position, taken] :
             {std::pair{0u, true}, std::pair{1u, true}, std::pair{1u, false}, std::pair{0u, false}, std::pair{2u, true}})
            EXPECT_EQ(file->Write(position, frame.data(), frame.size()), taken) << "position " << position;
        file.reset();
        auto probe = test::ProbeVideo(path);
        EXPECT_EQ(probe["nb_read_frames"], "3");
        EXPECT_EQ(probe["errors"], "");
    }
    // H.264 cannot take a picture one pixel wide: it needs even sizes.
    std::unique_ptr<VideoFile> file = OpenVideoFile(path);
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(file->CreateStream(Stream(1, 8)));
    if (file->MakeCompressedStream(Handler(kHandlerH264))) {
        const Bytes header = BitmapHeader(1, 8, 24);
        EXPECT_FALSE(file->SetFormat(header.data(), header.size()));
    }
    file.reset();
    EXPECT_EQ(FileSize(path), 0);
}

// A small filesystem of its own: frames that no longer fit are dropped
// before anything is written, so the file stays complete and playable.
TEST_F(VideoFileFaultTest, FramesThatDoNotFitAreDroppedUntilThereIsRoomAgain) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small filesystem needs root";
    const std::string disk = PathOf("disk");
    ASSERT_EQ(::mkdir(disk.c_str(), 0755), 0);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=3m") != 0) GTEST_SKIP() << "cannot mount a tmpfs here";
    const std::unique_ptr<const char, int (*)(const char*)> unmount(disk.c_str(), &::umount);
    const std::string ballast = disk + "/ballast";
    std::ofstream(ballast) << std::string(1200 * 1024, 'x');
    const std::string path = disk + "/full.avi";
    std::uint32_t position = 0;
    {
        std::unique_ptr<VideoFile> file = Started(path, 752, 480, Handler(0), 24);
        ASSERT_NE(file, nullptr);
        // Frames of 1 MiB, as a recording writes them: the position moves on only when a frame was taken.
        const auto write = [&](int seed) {
            const Bytes frame = NoiseFrame(752, 480, 24, seed);
            const bool taken = file->Write(position, frame.data(), frame.size());
            position += taken ? 1 : 0;
            return taken;
        };
        std::string taken;
        for (int i = 0; i < 4; ++i) taken += write(i) ? 'T' : 'F';
        EXPECT_THAT(taken, ::testing::MatchesRegex("T+F+")) << "taken until the disk is full, which it stays";
        const std::uint32_t before = position;
        ASSERT_EQ(std::remove(ballast.c_str()), 0);
        EXPECT_TRUE(write(9)) << "taken again once there is room";
        EXPECT_EQ(position, before + 1);
    }
    auto probe = test::ProbeVideo(path);
    EXPECT_EQ(probe["nb_read_frames"], std::to_string(position));
    EXPECT_EQ(probe["errors"], "");
}

// A write that fails although the space seemed free (here: the process's
// file size limit) ends the file's frames; the finish is best effort, and
// what was written before the failure stays readable.
TEST_F(VideoFileFaultTest, AFailedWriteEndsTheFramesOfTheFile) {
    const std::string path = PathOf("limited.avi");
    const Bytes frame(64 * 64 * 3, 77);  // the same upside down
    std::unique_ptr<VideoFile> file = Started(path, 64, 64, Handler(0), 24);
    ASSERT_NE(file, nullptr);
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
