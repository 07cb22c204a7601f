// JPEG files and the JPEG compressor, read back with libjpeg's decoder.
#include <gtest/gtest.h>

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

// What the file helper is meant to produce, done the long way: a working
// copy with the fourth byte dropped, turned upside down, blue and red
// swapped, compressed as RGB (or grey) one row at a time from the top.
Bytes CompressTheLongWay(const Bytes& image, int width, int height, int bitCount, int quality) {
    const int inBytes = bitCount / 8;
    const int outBytes = bitCount == 8 ? 1 : 3;
    const int stride = outBytes * width;
    Bytes copy(static_cast<std::size_t>(stride * height));
    for (int r = 0; r < height; ++r)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < outBytes; ++c)
                copy[r * stride + x * outBytes + (outBytes == 3 ? 2 - c : c)] =
                    image[((height - 1 - r) * width + x) * inBytes + c];

    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = outBytes;
    info.in_color_space = outBytes == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        JSAMPROW row = copy.data() + info.next_scanline * static_cast<std::size_t>(stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    Bytes result(buffer, buffer + size);
    std::free(buffer);
    return result;
}

// Noise uses every coefficient path of the compressor and compresses badly.
Bytes Noise(std::size_t size) {
    Bytes image(size);
    std::uint32_t state = 99;
    for (auto& byte : image) byte = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    return image;
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

TEST_F(JpegFileTest, ImagesBecomeRgbOrGreyWithTheLastMemoryRowOnTop) {
    // The lower half of memory (the bottom of the picture) red, the upper
    // half blue, as blue, green, red (and a fourth byte).
    const std::uint8_t red[4] = {20, 40, 230, 0x77};
    const std::uint8_t blue[4] = {220, 90, 10, 0x77};
    for (int bitCount : {8, 24, 32}) {
        SCOPED_TRACE(bitCount);
        const int pixelBytes = bitCount / 8;
        Bytes image(static_cast<std::size_t>(pixelBytes * 32 * 24));
        for (std::size_t i = 0; i < image.size(); ++i) {
            const std::uint8_t* pixel = i < image.size() / 2 ? red : blue;
            image[i] = pixel[i % pixelBytes];
        }
        const Decoded decoded = Decode(Save(image, 32, 24, bitCount, 90));
        const int n = bitCount == 8 ? 1 : 3;
        EXPECT_EQ(std::tuple(decoded.width, decoded.height, decoded.components, decoded.fileColourSpace),
                  std::tuple(32, 24, n, bitCount == 8 ? JCS_GRAYSCALE : JCS_YCbCr));
        // Decoded as red, green, blue: blue at the top left, red at the bottom right.
        const std::size_t bottomRight = decoded.pixels.size() - static_cast<std::size_t>(n);
        for (int c = 0; c < n; ++c) {
            EXPECT_NEAR(decoded.pixels[c], blue[n - 1 - c], n == 1 ? 3 : 4) << "top, component " << c;
            EXPECT_NEAR(decoded.pixels[bottomRight + c], red[n - 1 - c], n == 1 ? 3 : 4) << "bottom, component " << c;
        }
    }
}

TEST_F(JpegFileTest, FilesAndMemoryAreByteForByteTheFlippedSwappedCopyCompressed) {
    // Odd sizes leave partial blocks at the right and bottom edges; qualities
    // outside 0 to 100 are libjpeg's to clamp, not refused.
    for (int bitCount : {8, 24, 32})
        for (int quality : {75, 100, 150, -20}) {
            SCOPED_TRACE(::testing::Message() << bitCount << " bits, quality " << quality);
            Bytes image = Noise(static_cast<std::size_t>(37 * 29 * bitCount / 8));
            EXPECT_EQ(Save(image, 37, 29, bitCount, quality), CompressTheLongWay(image, 37, 29, bitCount, quality));
        }
    // In memory, noise at quality 100 grows far beyond the first 64 KiB of
    // output; a smaller frame into the same vector then replaces its contents.
    const Bytes noise = Noise(400 * 300 * 3);
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(CompressJpeg({noise.data(), 400, 300, 24, true}, 100, &out));
    EXPECT_GT(out.size(), 64u * 1024u);
    EXPECT_EQ(out, CompressTheLongWay(noise, 400, 300, 24, 100));
    const Bytes small = Noise(16 * 16 * 3);
    ASSERT_TRUE(CompressJpeg({small.data(), 16, 16, 24, true}, 75, &out));
    EXPECT_EQ(out, CompressTheLongWay(small, 16, 16, 24, 75));
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
