// JPEG files and the JPEG compressor, read back with libjpeg's decoder.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>  // after <cstdio> and <cstddef>: it uses FILE and size_t

#include "camera/output/jpeg_encoder.h"
#include "qcxapi.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Decoded {
    int width = 0;
    int height = 0;
    int components = 0;
    J_COLOR_SPACE fileColourSpace = JCS_UNKNOWN;
    Bytes pixels;  // top row first; RGB or grey
};

Decoded Decode(const Bytes& file) {
    Decoded result;
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    result.fileColourSpace = info.jpeg_color_space;
    jpeg_start_decompress(&info);
    result.width = static_cast<int>(info.output_width);
    result.height = static_cast<int>(info.output_height);
    result.components = info.output_components;
    const std::size_t stride = static_cast<std::size_t>(result.width * result.components);
    result.pixels.resize(stride * static_cast<std::size_t>(result.height));
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
    Bytes copy(static_cast<std::size_t>(outBytes * width * height));
    for (int i = 0; i < width * height; ++i)
        for (int c = 0; c < outBytes; ++c) copy[i * outBytes + c] = image[i * inBytes + c];
    const int stride = outBytes * width;
    for (int r = 0; r < height / 2; ++r)
        for (int x = 0; x < stride; ++x) std::swap(copy[r * stride + x], copy[(height - 1 - r) * stride + x]);
    if (outBytes == 3)
        for (int i = 0; i < width * height; ++i) std::swap(copy[i * 3], copy[i * 3 + 2]);

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

// A photo-like image: gradients, a few edges and noise, so every coefficient
// path of the compressor is used.
Bytes PhotoLike(int width, int height, int bitCount) {
    const int pixelBytes = bitCount / 8;
    Bytes image(static_cast<std::size_t>(pixelBytes * width * height));
    std::uint32_t noise = 12345;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < pixelBytes; ++c) {
                noise = noise * 1103515245u + 12345u;
                const int edge = ((x / 7 + y / 5) % 3 == 0) ? 60 : 0;
                const int value = (x * 255 / width + y * (c + 1) * 40 / height + edge + static_cast<int>(noise >> 28)) % 256;
                image[(static_cast<std::size_t>(y) * width + x) * pixelBytes + c] = static_cast<std::uint8_t>(value);
            }
    return image;
}

// The lower half of memory (the bottom of the picture) in one colour, the
// upper half in another. Colours are given as blue, green, red.
Bytes TwoHalves(int width, int height, int bitCount, const std::uint8_t bottom[3], const std::uint8_t top[3]) {
    const int pixelBytes = bitCount / 8;
    Bytes image(static_cast<std::size_t>(pixelBytes * width * height), 0x77);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < std::min(pixelBytes, 3); ++c)
                image[(static_cast<std::size_t>(y) * width + x) * pixelBytes + c] = (y < height / 2 ? bottom : top)[c];
    return image;
}

class JpegFileTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return folder.Path() + "/" + name; }
    Bytes Save(Bytes& image, int width, int height, int bitCount, int quality, const std::string& name) {
        const std::string path = PathOf(name);
        EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), width, height, bitCount, quality, path.c_str()), 1);
        const std::string text = test::ReadFile(path);
        return Bytes(text.begin(), text.end());
    }
    test::TempFolder folder;
};

void ExpectNear(const std::uint8_t* pixel, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    EXPECT_NEAR(pixel[0], r, 4);
    EXPECT_NEAR(pixel[1], g, 4);
    EXPECT_NEAR(pixel[2], b, 4);
}

TEST_F(JpegFileTest, ColourImagesBecomeRgbWithTheLastMemoryRowOnTop) {
    const std::uint8_t blueGreenRedBottom[3] = {20, 40, 230};  // red at the bottom
    const std::uint8_t blueGreenRedTop[3] = {220, 90, 10};     // blue on top
    for (int bitCount : {24, 32}) {
        SCOPED_TRACE(bitCount);
        const int width = 32;
        const int height = 24;
        Bytes image = TwoHalves(width, height, bitCount, blueGreenRedBottom, blueGreenRedTop);
        const Decoded decoded = Decode(Save(image, width, height, bitCount, 90, "colour.jpg"));
        EXPECT_EQ(decoded.width, width);
        EXPECT_EQ(decoded.height, height);
        EXPECT_EQ(decoded.components, 3);
        EXPECT_EQ(decoded.fileColourSpace, JCS_YCbCr);
        const std::size_t stride = static_cast<std::size_t>(width) * 3;
        ExpectNear(&decoded.pixels[0], 10, 90, 220);
        ExpectNear(&decoded.pixels[(height - 1) * stride + stride - 3], 230, 40, 20);
    }
}

TEST_F(JpegFileTest, GreyImagesBecomeOneComponentWithTheLastMemoryRowOnTop) {
    const int width = 16;
    const int height = 16;
    Bytes image(width * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image[y * width + x] = y < height / 2 ? 20 : 230;
    const Decoded decoded = Decode(Save(image, width, height, 8, 95, "grey.jpg"));
    EXPECT_EQ(decoded.components, 1);
    EXPECT_EQ(decoded.fileColourSpace, JCS_GRAYSCALE);
    EXPECT_NEAR(decoded.pixels.front(), 230, 3);
    EXPECT_NEAR(decoded.pixels.back(), 20, 3);
}

TEST_F(JpegFileTest, FileIsByteForByteTheFlippedSwappedCopyCompressed) {
    // Odd sizes leave partial blocks at the right and bottom edges.
    const int width = 37;
    const int height = 29;
    for (int bitCount : {8, 24, 32}) {
        for (int quality : {75, 100}) {
            SCOPED_TRACE(::testing::Message() << bitCount << " bits, quality " << quality);
            Bytes image = PhotoLike(width, height, bitCount);
            EXPECT_EQ(Save(image, width, height, bitCount, quality, "same.jpg"),
                      CompressTheLongWay(image, width, height, bitCount, quality));
        }
    }
}

TEST_F(JpegFileTest, QualityOutsideItsRangeIsClampedNotRefused) {
    Bytes image = PhotoLike(40, 30, 24);
    const Bytes lowest = Save(image, 40, 30, 24, 0, "q0.jpg");
    const Bytes highest = Save(image, 40, 30, 24, 100, "q100.jpg");
    EXPECT_EQ(Save(image, 40, 30, 24, 150, "q150.jpg"), highest);
    EXPECT_EQ(Save(image, 40, 30, 24, -20, "q-20.jpg"), lowest);
    EXPECT_LT(lowest.size(), highest.size());
    EXPECT_EQ(Decode(lowest).width, 40);
}

TEST_F(JpegFileTest, BadArgumentsFailAndCreateNoFile) {
    Bytes image(64 * 4, 0x40);
    const std::string path = PathOf("bad.jpg");
    EXPECT_EQ(QCX_HelperSaveToJpg(nullptr, 4, 4, 24, 75, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), 0, 4, 24, 75, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), 4, -3, 24, 75, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), 4, 4, 16, 75, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), 4, 4, 24, 75, nullptr), -8);
    EXPECT_TRUE(test::FilesIn(folder.Path()).empty());
}

TEST_F(JpegFileTest, UnwritablePathFails) {
    Bytes image(4 * 4 * 3, 0x40);
    const std::string path = PathOf("no such folder/image.jpg");
    EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), 4, 4, 24, 75, path.c_str()), -8);
    EXPECT_TRUE(test::FilesIn(folder.Path()).empty());
}

TEST_F(JpegFileTest, CompressionErrorFailsAndLeavesTheFile) {
    // Wider than a JPEG file can describe: libjpeg gives up at the start.
    const int width = 65501;
    Bytes image(width, 0x80);
    const std::string path = PathOf("wide.jpg");
    EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), width, 1, 8, 75, path.c_str()), -8);
    EXPECT_EQ(test::FilesIn(folder.Path()), std::vector<std::string>{"wide.jpg"});
}

TEST(JpegEncoderTest, OutputLargerThanTheFirstBufferGrowsAndTheBufferIsReused) {
    // Noise at quality 100 compresses badly: far beyond the first 64 KiB.
    const int width = 400;
    const int height = 300;
    Bytes image(static_cast<std::size_t>(width) * height * 3);
    std::uint32_t noise = 99;
    for (auto& byte : image) byte = static_cast<std::uint8_t>((noise = noise * 1664525u + 1013904223u) >> 24);
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(CompressJpeg({image.data(), width, height, 24, true}, 100, &out));
    EXPECT_GT(out.size(), 64u * 1024u);
    EXPECT_EQ(out, CompressTheLongWay(image, width, height, 24, 100));
    // A smaller frame into the same vector replaces its contents.
    Bytes small = PhotoLike(16, 16, 24);
    ASSERT_TRUE(CompressJpeg({small.data(), 16, 16, 24, true}, 75, &out));
    EXPECT_EQ(out, CompressTheLongWay(small, 16, 16, 24, 75));
}

TEST(JpegEncoderTest, TopDownSourcesAreTakenInMemoryOrder) {
    const int width = 24;
    const int height = 18;
    Bytes image = PhotoLike(width, height, 24);
    Bytes flipped(image.size());
    const std::size_t stride = static_cast<std::size_t>(width) * 3;
    for (int r = 0; r < height; ++r)
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(r * stride), stride,
                    flipped.begin() + static_cast<std::ptrdiff_t>((height - 1 - r) * stride));
    std::vector<std::uint8_t> bottomUp;
    std::vector<std::uint8_t> topDown;
    ASSERT_TRUE(CompressJpeg({image.data(), width, height, 24, true}, 75, &bottomUp));
    ASSERT_TRUE(CompressJpeg({flipped.data(), width, height, 24, false}, 75, &topDown));
    EXPECT_EQ(bottomUp, topDown);
}

TEST(JpegEncoderTest, RefusesBadSourcesAndLibraryErrors) {
    Bytes image(16, 1);
    std::vector<std::uint8_t> out{1, 2, 3};
    EXPECT_FALSE(CompressJpeg({nullptr, 2, 2, 8, true}, 75, &out));
    EXPECT_FALSE(CompressJpeg({image.data(), 0, 2, 8, true}, 75, &out));
    EXPECT_FALSE(CompressJpeg({image.data(), 2, 2, 16, true}, 75, &out));
    EXPECT_FALSE(CompressJpeg({image.data(), 2, 2, 8, true}, 75, nullptr));
    EXPECT_FALSE(CompressJpegToFile({image.data(), 2, 2, 8, true}, 75, nullptr));
    Bytes wide(70000, 0x10);
    EXPECT_FALSE(CompressJpeg({wide.data(), 70000, 1, 8, true}, 75, &out));
    EXPECT_TRUE(out.empty());
}

}  // namespace
}  // namespace qcx
