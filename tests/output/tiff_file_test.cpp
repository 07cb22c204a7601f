// TIFF files, read back with libtiff and by walking the directory by hand.
#include <gtest/gtest.h>

#include <tiffio.h>

#include <climits>
#include <cstdarg>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qcxapi.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

struct ReadBack {
    std::uint32_t width = 0, length = 0, rowsPerStrip = 0;
    std::uint16_t sampleFormat = 0, samplesPerPixel = 0, bitsPerSample = 0, photometric = 0, planar = 0,
                  orientation = 0, resolutionUnit = 0, compression = 0;
    std::uint32_t subfileType = 99;
    float xResolution = 0, yResolution = 0;
    std::vector<Bytes> scanlines;  // in file order, scanline 0 first
};

// Four samples of RGB without an extra-samples tag make the reader warn;
// the test reads those files on purpose.
int IgnoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

TIFF* OpenQuietly(const std::string& path) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetWarningHandlerExtR(options, IgnoreWarning, nullptr);
    TIFF* tiff = TIFFOpenExt(path.c_str(), "r", options);
    TIFFOpenOptionsFree(options);
    return tiff;
}

ReadBack Read(const std::string& path) {
    ReadBack back;
    std::unique_ptr<TIFF, TiffCloser> tiff(OpenQuietly(path));
    if (!tiff) {
        ADD_FAILURE() << "libtiff cannot open " << path;
        return back;
    }
    TIFF* t = tiff.get();
    TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &back.width);
    TIFFGetField(t, TIFFTAG_IMAGELENGTH, &back.length);
    TIFFGetField(t, TIFFTAG_ROWSPERSTRIP, &back.rowsPerStrip);
    TIFFGetField(t, TIFFTAG_SAMPLEFORMAT, &back.sampleFormat);
    TIFFGetField(t, TIFFTAG_SAMPLESPERPIXEL, &back.samplesPerPixel);
    TIFFGetField(t, TIFFTAG_BITSPERSAMPLE, &back.bitsPerSample);
    TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &back.photometric);
    TIFFGetField(t, TIFFTAG_PLANARCONFIG, &back.planar);
    TIFFGetField(t, TIFFTAG_ORIENTATION, &back.orientation);
    TIFFGetField(t, TIFFTAG_RESOLUTIONUNIT, &back.resolutionUnit);
    TIFFGetField(t, TIFFTAG_COMPRESSION, &back.compression);
    TIFFGetField(t, TIFFTAG_SUBFILETYPE, &back.subfileType);
    TIFFGetField(t, TIFFTAG_XRESOLUTION, &back.xResolution);
    TIFFGetField(t, TIFFTAG_YRESOLUTION, &back.yResolution);
    const auto size = static_cast<std::size_t>(TIFFScanlineSize64(t));
    for (std::uint32_t row = 0; row < back.length; ++row) {
        Bytes line(size);
        EXPECT_EQ(TIFFReadScanline(t, line.data(), row, 0), 1) << "scanline " << row;
        back.scanlines.push_back(std::move(line));
    }
    return back;
}

// The tag numbers of the first directory, walked by hand (little-endian
// classic TIFF as written on this machine).
std::vector<std::uint16_t> DirectoryTags(const std::string& path) {
    const std::string file = test::ReadFile(path);
    const auto byte = [&](std::size_t at) { return static_cast<std::uint32_t>(static_cast<std::uint8_t>(file.at(at))); };
    const auto u16 = [&](std::size_t at) { return static_cast<std::uint16_t>(byte(at) | byte(at + 1) << 8); };
    const auto u32 = [&](std::size_t at) { return byte(at) | byte(at + 1) << 8 | byte(at + 2) << 16 | byte(at + 3) << 24; };
    EXPECT_EQ(file.substr(0, 2), "II");
    EXPECT_EQ(u16(2), 42);
    const std::size_t directory = u32(4);
    std::vector<std::uint16_t> tags;
    for (std::size_t i = 0; i < u16(directory); ++i) tags.push_back(u16(directory + 2 + 12 * i));
    return tags;
}

Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + i / 251);
    return bytes;
}

Bytes MemoryRow(const Bytes& image, std::size_t rowBytes, std::size_t row) {
    return Bytes(image.begin() + static_cast<std::ptrdiff_t>(row * rowBytes),
                 image.begin() + static_cast<std::ptrdiff_t>((row + 1) * rowBytes));
}

class TiffFileTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return folder.Path() + "/" + name; }
    test::TempFolder folder;
};

TEST_F(TiffFileTest, GreyImageReadsBackTopRowFirstWithBlackAsZero) {
    const int width = 13;
    const int height = 7;
    Bytes image = Pattern(width * height);
    const std::string path = PathOf("grey.tif");
    ASSERT_EQ(QCX_HelperSaveToTiff(image.data(), width, height, 8, 1, path.c_str()), 1);
    const ReadBack back = Read(path);
    EXPECT_EQ(back.photometric, PHOTOMETRIC_MINISBLACK);
    ASSERT_EQ(back.scanlines.size(), static_cast<std::size_t>(height));
    for (int r = 0; r < height; ++r)
        EXPECT_EQ(back.scanlines[r], MemoryRow(image, width, height - 1 - r)) << "scanline " << r;
}

TEST_F(TiffFileTest, EveryTagHasItsValue) {
    Bytes image = Pattern(5 * 4 * 3);
    const std::string path = PathOf("tags.tif");
    ASSERT_EQ(QCX_HelperSaveToTiff(image.data(), 5, 4, 8, 3, path.c_str()), 1);
    const ReadBack back = Read(path);
    EXPECT_EQ(back.sampleFormat, SAMPLEFORMAT_UINT);
    EXPECT_EQ(back.width, 5u);
    EXPECT_EQ(back.length, 4u);
    EXPECT_EQ(back.samplesPerPixel, 3);
    EXPECT_EQ(back.bitsPerSample, 8);
    EXPECT_EQ(back.photometric, PHOTOMETRIC_RGB);
    EXPECT_EQ(back.planar, PLANARCONFIG_CONTIG);
    EXPECT_EQ(back.orientation, ORIENTATION_TOPLEFT);
    EXPECT_EQ(back.rowsPerStrip, 4u);
    EXPECT_EQ(back.resolutionUnit, RESUNIT_INCH);
    EXPECT_FLOAT_EQ(back.xResolution, 90.0f);
    EXPECT_FLOAT_EQ(back.yResolution, 90.0f);
    EXPECT_EQ(back.subfileType, 0u);
    EXPECT_EQ(back.compression, COMPRESSION_NONE);
    // Exactly these tags and the strip's location, nothing else.
    const std::vector<std::uint16_t> expected = {254, 256, 257, 258, 259, 262, 273, 274,
                                                 277, 278, 279, 282, 283, 284, 296, 339};
    EXPECT_EQ(DirectoryTags(path), expected);
}

TEST_F(TiffFileTest, ColourRowsGoOutInMemoryOrderAndByteOrder) {
    for (int samples : {3, 4}) {
        SCOPED_TRACE(samples);
        const int width = 6;
        const int height = 5;
        const std::size_t rowBytes = static_cast<std::size_t>(width * samples);
        Bytes image = Pattern(rowBytes * height);
        const std::string path = PathOf("colour" + std::to_string(samples) + ".tif");
        ASSERT_EQ(QCX_HelperSaveToTiff(image.data(), width, height, 8, samples, path.c_str()), 1);
        const ReadBack back = Read(path);
        EXPECT_EQ(back.photometric, PHOTOMETRIC_RGB);
        ASSERT_EQ(back.scanlines.size(), static_cast<std::size_t>(height));
        for (int r = 0; r < height; ++r) EXPECT_EQ(back.scanlines[r], MemoryRow(image, rowBytes, r)) << "scanline " << r;
    }
}

TEST_F(TiffFileTest, SixteenBitGreyIsFlippedWholeRowsAtATime) {
    const int width = 9;
    const int height = 4;
    Bytes image = Pattern(2 * width * height);
    const std::string path = PathOf("grey16.tif");
    ASSERT_EQ(QCX_HelperSaveToTiff(image.data(), width, height, 16, 1, path.c_str()), 1);
    const ReadBack back = Read(path);
    EXPECT_EQ(back.bitsPerSample, 16);
    ASSERT_EQ(back.scanlines.size(), static_cast<std::size_t>(height));
    for (int r = 0; r < height; ++r)
        EXPECT_EQ(back.scanlines[r], MemoryRow(image, 2 * width, height - 1 - r)) << "scanline " << r;
}

TEST_F(TiffFileTest, SampleSizesOfPartBytesStayInsideTheImage) {
    // 12 bits: memory rows hold 1 byte a sample, libtiff's scanlines 1.5;
    // the writer must read neither beyond the image nor beyond its row.
    const int width = 7;
    const int height = 3;
    Bytes image = Pattern(width * height);
    const std::string path = PathOf("twelve.tif");
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), width, height, 12, 1, path.c_str()), 1);
    // Fewer than 8 bits a sample make memory rows of no bytes at all.
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), width, height, 4, 1, PathOf("four.tif").c_str()), -8);
}

TEST_F(TiffFileTest, ArgumentsThatCannotDescribeAnImageFailWithoutAFile) {
    Bytes image = Pattern(64);
    const std::string path = PathOf("bad.tif");
    EXPECT_EQ(QCX_HelperSaveToTiff(nullptr, 2, 2, 8, 1, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), 0, 2, 8, 1, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), 2, -2, 8, 1, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), 2, 2, 0, 1, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), 2, 2, 8, 0, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), 2, 2, -8, 1, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), 2, 2, 1000000, 1, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), 2, 2, 8, 70000, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), INT_MAX, INT_MAX, 65535, 65535, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), 2, 2, 8, 1, nullptr), -8);
    EXPECT_TRUE(test::FilesIn(folder.Path()).empty());
}

TEST_F(TiffFileTest, UnwritablePathFails) {
    Bytes image = Pattern(12);
    const std::string path = PathOf("no such folder/image.tif");
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), 2, 2, 8, 3, path.c_str()), -8);
    EXPECT_TRUE(test::FilesIn(folder.Path()).empty());
}

}  // namespace
}  // namespace qcx
