// Image output: BMP headers built field by field here, JPEG and TIFF read back
// with libjpeg and libtiff, resizing in memory; null and out-of-range
// arguments are in the bad-input sweep.
#include <gtest/gtest.h>
#include <tiffio.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <jpeglib.h>  // after <cstdio> and <cstddef>: it uses FILE and size_t

#include "camera/output/image_stretch.h"
#include "camera/output/jpeg_encoder.h"
#include "qcxapi.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A picture with slopes of different directions in its channels, smooth
// enough that JPEG keeps it closely; or uniform: blue 200, green 30, red 90, 17.
Bytes Picture(int width, int height, int pixelBytes, bool uniform = false) {
    const std::uint8_t pixel[4] = {200, 30, 90, 17};
    Bytes image(static_cast<std::size_t>(width) * height * pixelBytes);
    for (std::size_t i = 0; i < image.size(); ++i) {
        const int p = static_cast<int>(i) / pixelBytes, x = p % width, y = p / width, c = int(i) % pixelBytes;
        image[i] = uniform ? pixel[c]
                           : static_cast<std::uint8_t>(c == 0   ? 20 + 150 * x / width + 50 * y / height
                                                       : c == 1 ? 30 + 190 * y / height
                                                                : 240 - 100 * (x + y) / (width + height));
    }
    return image;
}

class ImageFileTest : public ::testing::Test {
protected:
    test::TempFolder folder;
    std::string PathOf(const std::string& name) const { return folder.Path() + "/" + name; }
    Bytes FileBytes(const std::string& name) const {
        const std::string text = test::ReadFile(PathOf(name));
        return Bytes(text.begin(), text.end());
    }
};

// The 54 bytes of BMP headers: "BM", the file size, 0, the pixel offset, 40,
// width, height, 1 plane and the bit count, 0, the image size, 16 bytes of 0.
Bytes BmpHeaders(int width, int height, int bitCount) {
    const auto image = static_cast<std::uint32_t>(bitCount / 8 * width * height), offset = bitCount == 8 ? 1078u : 54u;
    Bytes headers = {'B', 'M'};
    for (std::uint32_t v : {image + offset, 0u, offset, 40u, static_cast<std::uint32_t>(width),
                            static_cast<std::uint32_t>(height), 1u | static_cast<std::uint32_t>(bitCount) << 16, 0u,
                            image, 0u, 0u, 0u, 0u})
        for (int i = 0; i < 4; ++i) headers.push_back(static_cast<std::uint8_t>(v >> 8 * i));
    return headers;
}

TEST_F(ImageFileTest, BmpHeadersHaveAPaletteForGreyOnlyAndFilesHoldTheRowsAsInMemoryWithoutPadding) {
    int size = 12345;
    Bytes header(1079, 0xCC);
    for (int bitCount : {16, 0, 1, 4, 7, 25, -8}) {
        EXPECT_EQ(QCX_HelperGetBmpFileHeaderSize(bitCount, &size), -1) << bitCount;
        EXPECT_EQ(QCX_HelperGetBmpFileHeader(5, 5, bitCount, header.data()), -1) << bitCount;
        EXPECT_EQ(QCX_HelperSaveToBmp(header.data(), 2, 2, bitCount, PathOf("bad.bmp").c_str()), -1) << bitCount;
    }
    EXPECT_EQ(std::tuple(size, header, test::FilesIn(folder.Path()).size()), std::tuple(12345, Bytes(1079, 0xCC), 0u));
    for (const auto& [bitCount, expected] : {std::pair{24, 54}, {32, 54}, {8, 1078}}) {
        EXPECT_EQ(QCX_HelperGetBmpFileHeaderSize(bitCount, &size), 1);
        EXPECT_EQ(size, expected);
        ASSERT_EQ(QCX_HelperGetBmpFileHeader(640, 480, bitCount, header.data()), 1);
        EXPECT_EQ(Bytes(header.begin(), header.begin() + 54), BmpHeaders(640, 480, bitCount));
        EXPECT_EQ(header[expected], 0xCC) << "nothing written after the headers";
    }
    // Rows of 3 pixels of 3 bytes are 9 bytes, which a padded file would round
    // to 12. The last file is shorter than the one it replaces.
    for (auto [width, height, bitCount, fileSize] : {std::array{2, 2, 24, 66}, {3, 5, 24, 99}, {3, 5, 8, 1093},
                                                     {3, 5, 32, 114}}) {
        SCOPED_TRACE(::testing::Message() << width << "x" << height << ", " << bitCount << " bits");
        Bytes image = Picture(width, height, bitCount / 8);
        ASSERT_EQ(QCX_HelperSaveToBmp(image.data(), width, height, bitCount, PathOf("image.bmp").c_str()), 1);
        const Bytes file = FileBytes("image.bmp");
        ASSERT_EQ(file.size(), static_cast<std::size_t>(fileSize));
        EXPECT_EQ(Bytes(file.begin(), file.begin() + 54), BmpHeaders(width, height, bitCount));
        const auto pixels = file.end() - static_cast<std::ptrdiff_t>(image.size());
        Bytes exported(static_cast<std::size_t>(pixels - file.begin()));  // with the palette for 8 bits
        ASSERT_EQ(QCX_HelperGetBmpFileHeader(width, height, bitCount, exported.data()), 1);
        EXPECT_EQ(Bytes(file.begin(), pixels), exported);
        EXPECT_EQ(Bytes(pixels, file.end()), image);
        // The grey palette: all four bytes of entry i (200, say) hold i.
        for (std::size_t at = 54; at < exported.size(); ++at)
            ASSERT_EQ(file[at], (at - 54) / 4) << "palette entry " << (at - 54) / 4 << " byte " << at % 4;
    }
}

// A JPEG file as libjpeg's decoder sees it: width, height, components, the
// file's colour space, and the pixels top row first, RGB or grey.
std::tuple<int, int, int, J_COLOR_SPACE, Bytes> Decode(const Bytes& file) {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, file.data(), static_cast<unsigned long>(file.size()));
    jpeg_read_header(&info, TRUE);
    jpeg_start_decompress(&info);
    const std::size_t stride = std::size_t{info.output_width} * static_cast<std::size_t>(info.output_components);
    Bytes pixels(stride * info.output_height);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = pixels.data() + info.output_scanline * stride;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return {static_cast<int>(info.output_width), static_cast<int>(info.output_height), info.output_components,
            info.jpeg_color_space, pixels};
}

TEST_F(ImageFileTest, JpegPicturesOfAnySizeDecodeCloseToTheImageAndMemoryHoldsTheFileBytes) {
    auto save = [&](Bytes image, int width, int height, int bitCount, int quality) {
        EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), width, height, bitCount, quality, PathOf("image.jpg").c_str()), 1);
        return FileBytes("image.jpg");
    };
    // Grey or colour (of 32 bits too), the last memory row on top, red, green
    // and blue (or grey) from blue, green, red; odd sizes leave partial blocks
    // at the right and bottom edges.
    const int w = 37, h = 29;
    for (int bitCount : {8, 24, 32}) {
        const int pixelBytes = bitCount / 8;
        const Bytes image = Picture(w, h, pixelBytes), file = save(image, w, h, bitCount, 95);
        const auto [width, height, components, colourSpace, pixels] = Decode(file);
        ASSERT_EQ(std::tuple(width, height, components, colourSpace),
                  std::tuple(w, h, bitCount == 8 ? 1 : 3, bitCount == 8 ? JCS_GRAYSCALE : JCS_YCbCr));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < components; ++c)
                    ASSERT_NEAR(pixels[(std::size_t{1} * y * w + x) * components + c],
                                image[(std::size_t{1} * (h - 1 - y) * w + x) * pixelBytes + components - 1 - c],
                                8) << bitCount << " bits, x " << x << " y " << y << " channel " << c;
        std::vector<std::uint8_t> memory;
        ASSERT_TRUE(CompressJpeg({image.data(), w, h, bitCount, true}, 95, &memory));
        EXPECT_EQ(memory, file);
    }
    // Noise uses every coefficient path of the compressor and compresses badly.
    // Quality decides the size; qualities outside 0 to 100 are libjpeg's to clamp, not refused.
    Bytes big(400 * 300 * 3);
    std::uint32_t state = 99;
    for (auto& byte : big) byte = static_cast<std::uint8_t>((state = state * 1664525u + 1013904223u) >> 24);
    const Bytes noise(big.begin(), big.begin() + 64 * 48 * 3), small = Picture(16, 16, 3);
    EXPECT_LT(2 * save(noise, 64, 48, 24, 10).size(), save(noise, 64, 48, 24, 90).size());
    EXPECT_EQ(save(noise, 64, 48, 24, 150), save(noise, 64, 48, 24, 100));
    EXPECT_EQ(save(noise, 64, 48, 24, -20), save(noise, 64, 48, 24, 0));
    // In memory, noise at quality 100 grows far beyond the first 64 KiB of
    // output; a smaller picture into the same vector then replaces its contents.
    std::vector<std::uint8_t> out;
    ASSERT_TRUE(CompressJpeg({big.data(), 400, 300, 24, true}, 100, &out));
    EXPECT_GT(out.size(), 64u * 1024u);
    EXPECT_EQ(out, save(big, 400, 300, 24, 100));
    ASSERT_TRUE(CompressJpeg({small.data(), 16, 16, 24, true}, 75, &out));
    EXPECT_EQ(out, save(small, 16, 16, 24, 75));
    // Other bit counts fail, and so do pictures libjpeg refuses.
    Bytes image(70000, 0x40);
    EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), 4, 4, 16, 75, PathOf("bad.jpg").c_str()), -8);
    EXPECT_EQ(test::FilesIn(folder.Path()), std::vector<std::string>{"image.jpg"});
    // Wider than a JPEG file can describe: libjpeg gives up at the start, and the file stays.
    EXPECT_EQ(QCX_HelperSaveToJpg(image.data(), 65501, 1, 8, 75, PathOf("wide.jpg").c_str()), -8);
    EXPECT_EQ(test::FilesIn(folder.Path()), (std::vector<std::string>{"image.jpg", "wide.jpg"}));
    // The same error in memory leaves no half-made picture behind.
    out = {1, 2, 3};
    EXPECT_FALSE(CompressJpeg({image.data(), 70000, 1, 8, true}, 75, &out));
    EXPECT_TRUE(out.empty());
}

template <typename T>
double Tag(TIFF* tiff, ttag_t tag) {
    T value{};
    return TIFFGetField(tiff, tag, &value) == 1 ? static_cast<double>(value) : -1;
}

// The tags the writer sets as libtiff reads them (-1 for a missing one), and
// the scanlines in file order.
std::map<ttag_t, double> ReadTiff(const std::string& path, std::vector<Bytes>* scanlines) {
    // Four samples of RGB without an extra-samples tag make the reader warn;
    // the test reads those files on purpose.
    const TIFFErrorHandler warnings = TIFFSetWarningHandler(nullptr);
    const std::unique_ptr<TIFF, decltype(&TIFFClose)> tiff(TIFFOpen(path.c_str(), "r"), &TIFFClose);
    TIFFSetWarningHandler(warnings);
    std::map<ttag_t, double> tags;
    if (!tiff) return tags;
    TIFF* t = tiff.get();
    for (ttag_t tag : {TIFFTAG_SUBFILETYPE, TIFFTAG_IMAGEWIDTH, TIFFTAG_IMAGELENGTH, TIFFTAG_ROWSPERSTRIP})
        tags[tag] = Tag<std::uint32_t>(t, tag);
    for (ttag_t tag : {TIFFTAG_BITSPERSAMPLE, TIFFTAG_COMPRESSION, TIFFTAG_PHOTOMETRIC, TIFFTAG_ORIENTATION,
                       TIFFTAG_SAMPLESPERPIXEL, TIFFTAG_PLANARCONFIG, TIFFTAG_RESOLUTIONUNIT, TIFFTAG_SAMPLEFORMAT})
        tags[tag] = Tag<std::uint16_t>(t, tag);
    for (ttag_t tag : {TIFFTAG_XRESOLUTION, TIFFTAG_YRESOLUTION}) tags[tag] = Tag<float>(t, tag);
    for (std::uint32_t row = 0; row < static_cast<std::uint32_t>(tags[TIFFTAG_IMAGELENGTH]); ++row) {
        scanlines->emplace_back(static_cast<std::size_t>(TIFFScanlineSize64(t)));
        EXPECT_EQ(TIFFReadScanline(t, scanlines->back().data(), row, 0), 1) << "scanline " << row;
    }
    return tags;
}

TEST_F(ImageFileTest, TiffGreyReadsBackTopRowFirstAndColourInMemoryOrderAndSizesThatCannotBeDescribedFail) {
    const int width = 5, height = 4;
    for (const auto& [bits, samples] : {std::pair{8, 1}, {16, 1}, {8, 3}, {8, 4}}) {
        SCOPED_TRACE(::testing::Message() << bits << " bits, " << samples << " samples");
        const std::size_t rowBytes = static_cast<std::size_t>(bits / 8 * width * samples);
        Bytes image = Picture(width, height, bits / 8 * samples);
        ASSERT_EQ(QCX_HelperSaveToTiff(image.data(), width, height, bits, samples, PathOf("image.tif").c_str()), 1);
        std::vector<Bytes> scanlines;
        const std::map<ttag_t, double> expected = {
            {TIFFTAG_SUBFILETYPE, 0}, {TIFFTAG_IMAGEWIDTH, width}, {TIFFTAG_IMAGELENGTH, height},
            {TIFFTAG_ROWSPERSTRIP, height}, {TIFFTAG_BITSPERSAMPLE, bits}, {TIFFTAG_COMPRESSION, COMPRESSION_NONE},
            {TIFFTAG_PHOTOMETRIC, samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB},
            {TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT}, {TIFFTAG_SAMPLESPERPIXEL, samples},
            {TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG}, {TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH},
            {TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT}, {TIFFTAG_XRESOLUTION, 90}, {TIFFTAG_YRESOLUTION, 90}};
        EXPECT_EQ(ReadTiff(PathOf("image.tif"), &scanlines), expected);
        // One sample a pixel: the first memory row is the bottom of the picture.
        ASSERT_EQ(scanlines.size(), static_cast<std::size_t>(height));
        for (int r = 0; r < height; ++r) {
            const auto row = image.begin() + std::ptrdiff_t(rowBytes) * (samples == 1 ? height - 1 - r : r);
            EXPECT_EQ(scanlines[r], Bytes(row, row + static_cast<std::ptrdiff_t>(rowBytes))) << "scanline " << r;
        }
    }
    Bytes image(64);
    // Width, height, bits and samples; fewer than 8 bits a sample make memory
    // rows of no bytes at all.
    for (auto [w, h, bits, samples] : {std::array{0, 2, 8, 1}, {2, 2, 0, 1}, {2, 2, 8, 0}, {2, 2, 1000000, 1},
                                       {2, 2, 8, 70000}, {INT_MAX, INT_MAX, 65535, 65535}, {7, 3, 4, 1}})
        EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), w, h, bits, samples, PathOf("bad.tif").c_str()), -8)
            << w << "x" << h << ", " << bits << " bits, " << samples << " samples";
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), 2, 2, 8, 3, PathOf("no such folder/image.tif").c_str()), -8);
    EXPECT_EQ(test::FilesIn(folder.Path()), std::vector<std::string>{"image.tif"});
    // 12 bits: memory rows hold 1 byte a sample, libtiff's scanlines 1.5;
    // the writer must read neither beyond the image nor beyond its row.
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), 7, 3, 12, 1, PathOf("image.tif").c_str()), 1);
}

using Size = std::pair<int, int>;  // width, height

// Resizes through the export into a buffer of exactly the target's size.
Bytes Stretch(Bytes source, Size f, int bitCount, Size t) {
    Bytes target(static_cast<std::size_t>(bitCount / 8) * t.first * t.second, 0xEE);
    EXPECT_EQ(QCX_HelperStretchBmp(source.data(), f.first, f.second, bitCount, target.data(), t.first, t.second), 1);
    return target;
}

TEST(ImageStretchTest, UniformImagesStayUniformAndShrinkingFollowsTheAreaAverageUpToRounding) {
    // The last three uniform ones: very wide targets and very large ratios, which the scaler refuses.
    const Size uniform[][2] = {{{37, 23}, {13, 11}}, {{37, 23}, {91, 57}}, {{64, 48}, {64, 48}}, {{4, 86}, {176, 7}},
                               {{1, 1}, {20000, 1}}, {{1, 1}, {1, 20000}}, {{100000, 1}, {1, 1}}};
    const Size shrunk[][2] = {{{64, 48}, {32, 24}}, {{101, 77}, {37, 29}}, {{63, 47}, {21, 47}}, {{640, 480}, {97, 61}},
                              {{4, 4}, {1, 1}}};
    for (int bitCount : {8, 24, 32}) {
        for (const auto& [from, to] : uniform)
            EXPECT_EQ(Stretch(Picture(from.first, from.second, bitCount / 8, true), from, bitCount, to),
                      Picture(to.first, to.second, bitCount / 8, true))
                << bitCount << " bits, " << from.first << "x" << from.second << " to " << to.first << "x" << to.second;
        for (const auto& [from, to] : shrunk) {
            SCOPED_TRACE(::testing::Message() << bitCount << " bits, " << from.first << "x" << from.second);
            const Bytes source = Picture(from.first, from.second, bitCount / 8);
            const Bytes stretched = Stretch(source, from, bitCount, to);
            Bytes exact(stretched.size());
            ASSERT_EQ(StretchByAreaAverage(source.data(), from.first, from.second, bitCount, exact.data(), to.first,
                                           to.second), 1);
            for (std::size_t i = 0; i < exact.size(); ++i) ASSERT_NEAR(stretched[i], exact[i], 2) << "byte " << i;
        }
    }
}

TEST(ImageStretchTest, AreaAverageWeighsPartlyCoveredPixelsAndKeepsTheRowOrder) {
    // Three pixels into two: each target pixel covers one and a half; two
    // pixels into three: the middle one halves both.
    Bytes target(2);
    ASSERT_EQ(StretchByAreaAverage(Bytes{0, 90, 180}.data(), 3, 1, 8, target.data(), 2, 1), 1);
    EXPECT_EQ(target, (Bytes{30, 150}));
    target.assign(3, 0xEE);
    ASSERT_EQ(StretchByAreaAverage(Bytes{0, 100}.data(), 2, 1, 8, target.data(), 3, 1), 1);
    EXPECT_EQ(target, (Bytes{0, 50, 100}));
    // The first memory rows dark, the last ones light; halving keeps that.
    Bytes rows(8 * 8, 200), halved(4 * 4, 200);
    std::fill_n(rows.begin(), 32, 10);
    std::fill_n(halved.begin(), 8, 10);
    EXPECT_EQ(Stretch(rows, {8, 8}, 8, {4, 4}), halved);
    // Ratios the scaler refuses fall back to the same averages.
    Bytes ramp(30000, 200);
    std::fill_n(ramp.begin(), 15000, 0);
    EXPECT_EQ(Stretch(ramp, {1, 30000}, 8, {1, 2}), (Bytes{0, 200}));
    EXPECT_EQ(Stretch(ramp, {30000, 1}, 8, {1, 1}), (Bytes{100}));
    // Bit counts other than 8, 24 and 32 and negative sizes are refused.
    EXPECT_EQ(QCX_HelperStretchBmp(ramp.data(), 2, 2, 16, target.data(), 1, 1), -1);
    EXPECT_EQ(QCX_HelperStretchBmp(ramp.data(), 2, 2, 24, target.data(), 1, -3), -1);
    EXPECT_EQ(target, (Bytes{0, 50, 100}));
}

}  // namespace
}  // namespace qcx
