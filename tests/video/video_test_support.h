// What the video file tests share: the preview's bitmap header, frames,
// compression options, a recording from start to finish and a folder.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "camera/platform/video_file.h"
#include "support/ffprobe.h"
#include "support/temp_folder.h"

namespace qcx::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes GreyPalette() {
    Bytes palette(1024, 0);
    for (int i = 0; i < 1024; ++i) palette[i] = i % 4 == 3 ? 0 : static_cast<std::uint8_t>(i / 4);
    return palette;
}

// The preview's bitmap header: bottom-up (for a positive height),
// uncompressed, followed by `palette` (the grey one for 8 bits when none is
// given) with as many colours used as it has entries.
inline Bytes BitmapHeader(std::int32_t width, std::int32_t height, int bitCount, Bytes palette = {}) {
    if (bitCount == 8 && palette.empty()) palette = GreyPalette();
    Bytes header(40 + palette.size(), 0);
    const auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, 40);
    put(4, static_cast<std::uint32_t>(width));
    put(8, static_cast<std::uint32_t>(height));
    header[12] = 1;
    header[14] = static_cast<std::uint8_t>(bitCount);
    put(20, static_cast<std::uint32_t>(bitCount / 8 * width * height));
    put(32, static_cast<std::uint32_t>(palette.size() / 4));
    std::copy(palette.begin(), palette.end(), header.begin() + 40);
    return header;
}

// A busy picture, different per seed, so a lossless round trip means something.
inline Bytes NoiseFrame(int width, int height, int bitCount, int seed) {
    Bytes frame(static_cast<std::size_t>(bitCount / 8) * width * height);
    std::uint32_t state = 2654435761u * static_cast<std::uint32_t>(seed + 1);
    for (auto& byte : frame) byte = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    return frame;
}

// 12.345 frames a second, kept to hundredths.
inline VideoStreamInfo Stream(int width, int height) {
    return VideoStreamInfo{.scale = 100, .rate = 1234, .width = width, .height = height};
}

inline VideoCompressOptions Handler(std::uint32_t fourcc, std::uint32_t quality = 7500) {
    return VideoCompressOptions{.fccType = kStreamTypeVideo, .fccHandler = fourcc, .dwQuality = quality,
                                .dwFlags = kCompressValid, .format = {}, .parms = {}, .dwInterleaveEvery = 0};
}

// A file through CreateStream, MakeCompressedStream and, with a bit count,
// SetFormat; null when a step fails.
inline std::unique_ptr<VideoFile> Started(const std::string& path, int width, int height,
                                          const VideoCompressOptions& options, int bitCount = 0,
                                          const Bytes& palette = {}) {
    std::unique_ptr<VideoFile> file = OpenVideoFile(path);
    const Bytes header = BitmapHeader(width, height, bitCount, palette);
    if (!file || !file->CreateStream(Stream(width, height)) || !file->MakeCompressedStream(options) ||
        (bitCount != 0 && !file->SetFormat(header.data(), header.size())))
        return nullptr;
    return file;
}

// Records `frames` at positions 0, 1, ...; every step must succeed.
inline void Record(const std::string& path, int width, int height, int bitCount, const VideoCompressOptions& options,
                   const std::vector<Bytes>& frames, const Bytes& palette = {}) {
    std::unique_ptr<VideoFile> file = Started(path, width, height, options, bitCount, palette);
    ASSERT_NE(file, nullptr) << path;
    for (std::size_t i = 0; i < frames.size(); ++i)
        ASSERT_TRUE(file->Write(static_cast<std::uint32_t>(i), frames[i].data(), frames[i].size())) << "frame " << i;
}

// Each test writes its files into a folder of its own and reads them back
// with FFmpeg's command-line tools.
class VideoFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(HaveFfprobe()) << "ffprobe and ffmpeg are needed (scripts/setup installs them)"; }
    std::string PathOf(const std::string& name) const { return folder_.Path() + "/" + name; }
    TempFolder folder_;
};

inline long FileSize(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

}  // namespace qcx::test
