// JPEG files and the JPEG compressor, read back with libjpeg's decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include <jpeglib.h>  // after <cstdio> and <cstddef>: it uses FILE and size_t

#include "camera/output/jpeg_encoder.h"
#include "qcxapi.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A file as libjpeg's decoder sees it; pixels top row first, RGB or grey.
struct Decoded {
    int width, height, components;
    J_COLOR_SPACE fileColourSpace;
    Bytes pixels;
};

Decoded Decode(const Bytes& file) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    const std::size_t stride = std::size_t{info.output_width} * static_cast<std::size_t>(info.output_components);
    Decoded result{static_cast<int>(info.output_width), static_cast<int>(info.output_height), info.output_components,
                   info.jpeg_color_space, Bytes(stride * info.output_height)};
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = result.pixels.data() + info.output_scanline * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return result;
}

// Noise uses every coefficient path of the compressor and compresses badly.
Bytes Noise(std::size_t size) {
    Bytes image(size);
    std::uint32_t state = 99;
    for (auto& byte : image) byte = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    return image;
}

// A picture with slopes of different directions in its three channels,
// smooth enough that JPEG keeps it closely.
Bytes Slopes(int width, int height, int pixelBytes) {
    Bytes image(static_cast<std::size_t>(width * height * pixelBytes));
    for (std::size_t i = 0; i < image.size(); ++i) {
        const int p = static_cast<int>(i) / pixelBytes, x = p % width, y = p / width, c = static_cast<int>(i) % pixelBytes;
        image[i] = static_cast<std::uint8_t>(c == 0 ? 20 + 200 * x / width : c == 1 ? 30 + 190 * y / height
                                                                           : 240 - 100 * (x + y) / (width + height));
    }
    return image;
}

// The largest difference between a decoded picture and the image it came
// from: rows in reverse order, red, green, blue (or grey) from blue, green, red.
int LargestError(const Decoded& decoded, const Bytes& image, int width, int height, int pixelBytes) {
    int largest = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < decoded.components; ++c) {
                const int shown = decoded.pixels[(static_cast<std::size_t>(y) * width + x) * decoded.components + c];
                const int given = image[((static_cast<std::size_t>(height - 1 - y)) * width + x) * pixelBytes +
                                        (decoded.components == 3 ? 2 - c : c)];
                largest = std::max(largest, std::abs(shown - given));
            }
    return largest;
}

class JpegFileTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return folder.Path() + "/" + name; }
    Bytes Save(Bytes image, int width, int height, int bitCount, int quality) {
        const std::string path = PathOf("image.jpg");
        EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), width, height, bitCount, quality, path.c_str()), 1);
        const std::string text = test::ReadFile(path);
        return Bytes(text.begin(), text.end());
    }
    test::TempFolder folder;
};

TEST_F(JpegFileTest, PicturesOfAnySizeDecodeCloseToTheImageAndMemoryHoldsTheFileBytes) {
    // Grey or colour (of 32 bits too), the last memory row on top; odd sizes
    // leave partial blocks at the right and bottom edges.
    for (int bitCount : {8, 24, 32}) {
        SCOPED_TRACE(bitCount);
        const Bytes image = Slopes(37, 29, bitCount / 8);
        const Bytes file = Save(image, 37, 29, bitCount, 95);
        const Decoded decoded = Decode(file);
        ASSERT_EQ(std::tuple(decoded.width, decoded.height, decoded.components, decoded.fileColourSpace),
                  std::tuple(37, 29, bitCount == 8 ? 1 : 3, bitCount == 8 ? JCS_GRAYSCALE : JCS_YCbCr));
        EXPECT_LE(LargestError(decoded, image, 37, 29, bitCount / 8), 8);
        std::vector<std::uint8_t> memory;
        ASSERT_TRUE(CompressJpeg({image.data(), 37, 29, bitCount, true}, 95, &memory));
        EXPECT_EQ(memory, file);
    }
    // Quality decides the size; qualities outside 0 to 100 are libjpeg's to clamp, not refused.
    const Bytes noise = Noise(64 * 48 * 3);
    EXPECT_LT(2 * Save(noise, 64, 48, 24, 10).size(), Save(noise, 64, 48, 24, 90).size());
    EXPECT_EQ(Save(noise, 64, 48, 24, 150), Save(noise, 64, 48, 24, 100));
    EXPECT_EQ(Save(noise, 64, 48, 24, -20), Save(noise, 64, 48, 24, 0));

    // In memory, noise at quality 100 grows far beyond the first 64 KiB of
    // output; a smaller picture into the same vector then replaces its contents.
    const Bytes big = Noise(400 * 300 * 3);
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(CompressJpeg({big.data(), 400, 300, 24, true}, 100, &out));
    EXPECT_GT(out.size(), 64u * 1024u);
    EXPECT_EQ(out, Save(big, 400, 300, 24, 100));
    const Bytes small = Slopes(16, 16, 3);
    ASSERT_TRUE(CompressJpeg({small.data(), 16, 16, 24, true}, 75, &out));
    EXPECT_EQ(out, Save(small, 16, 16, 24, 75));
}

TEST_F(JpegFileTest, BadArgumentsUnwritablePathsAndLibraryErrorsFail) {
    Bytes image(70000, 0x40);
    const std::string path = PathOf("bad.jpg");
    EXPECT_EQ(QCX_HelperSaveToJpg(nullptr, 4, 4, 24, 75, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), 0, 4, 24, 75, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), 4, -3, 24, 75, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), 4, 4, 16, 75, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), 4, 4, 24, 75, nullptr), -8);
    EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), 4, 4, 24, 75, PathOf("no such folder/image.jpg").c_str()), -8);
    EXPECT_TRUE(test::FilesIn(folder.Path()).empty());
    // Wider than a JPEG file can describe: libjpeg gives up at the start, and the file stays.
    EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), 65501, 1, 8, 75, PathOf("wide.jpg").c_str()), -8);
    EXPECT_EQ(test::FilesIn(folder.Path()), std::vector<std::string>{"wide.jpg"});

    // The same error in memory leaves no half-made picture behind.
    std::vector<std::uint8_t> out{1, 2, 3};
    EXPECT_FALSE(CompressJpeg({image.data(), 70000, 1, 8, true}, 75, &out));
    EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace qcx
