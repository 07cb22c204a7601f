// TIFF files, read back with libtiff and by walking the directory by hand.
#include <gtest/gtest.h>

#include <tiffio.h>

#include <climits>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "qcxapi.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

template <typename T>
double Tag(TIFF* tiff, ttag_t tag) {
    T value{};
    return TIFFGetField(tiff, tag, &value) == 1 ? static_cast<double>(value) : -1;
}

// The tags the writer sets as libtiff reads them (-1 for a missing one), and
// the scanlines in file order.
std::map<ttag_t, double> Read(const std::string& path, std::vector<Bytes>* scanlines) {
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

// The tag numbers of the first directory, walked by hand (little-endian
// classic TIFF as written on this machine).
std::vector<std::uint16_t> DirectoryTags(const std::string& path) {
    const std::string file = test::ReadFile(path);
    const auto u = [&](std::size_t at, int bytes) {
        std::uint32_t value = 0;
        for (int i = bytes - 1; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(file.at(at + i));
        return value;
    };
    EXPECT_EQ(file.substr(0, 4), std::string("II*\0", 4));
    const std::size_t directory = u(4, 4);
    std::vector<std::uint16_t> tags;
    for (std::size_t i = 0; i < u(directory, 2); ++i)
        tags.push_back(static_cast<std::uint16_t>(u(directory + 2 + 12 * i, 2)));
    return tags;
}

Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 13 + i / 251);
    return bytes;
}

TEST(TiffFileTest, GreyReadsBackTopRowFirstAndColourInMemoryOrderUnderEveryTag) {
    test::TempFolder folder;
    const std::string path = folder.Path() + "/image.tif";
    const int width = 5;
    const int height = 4;
    for (const auto& [bits, samples] : {std::pair{8, 1}, std::pair{16, 1}, std::pair{8, 3}, std::pair{8, 4}}) {
        SCOPED_TRACE(::testing::Message() << bits << " bits, " << samples << " samples");
        const std::size_t rowBytes = static_cast<std::size_t>(bits / 8 * width * samples);
        Bytes image = Pattern(rowBytes * height);
        ASSERT_EQ(QCX_HelperSaveToTiff(image.data(), width, height, bits, samples, path.c_str()), 1);
        std::vector<Bytes> scanlines;
        const std::map<ttag_t, double> tags = Read(path, &scanlines);
        const std::map<ttag_t, double> expected = {
            {TIFFTAG_SUBFILETYPE, 0}, {TIFFTAG_IMAGEWIDTH, width}, {TIFFTAG_IMAGELENGTH, height},
            {TIFFTAG_ROWSPERSTRIP, height}, {TIFFTAG_BITSPERSAMPLE, bits}, {TIFFTAG_COMPRESSION, COMPRESSION_NONE},
            {TIFFTAG_PHOTOMETRIC, samples == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB},
            {TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT}, {TIFFTAG_SAMPLESPERPIXEL, samples},
            {TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG}, {TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH},
            {TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT}, {TIFFTAG_XRESOLUTION, 90}, {TIFFTAG_YRESOLUTION, 90}};
        EXPECT_EQ(tags, expected);
        // Exactly these tags and the strip's location, nothing else.
        EXPECT_EQ(DirectoryTags(path), (std::vector<std::uint16_t>{254, 256, 257, 258, 259, 262, 273, 274, 277, 278, 279,
                                                                   282, 283, 284, 296, 339}));
        // One sample a pixel: the first memory row is the bottom of the picture.
        ASSERT_EQ(scanlines.size(), static_cast<std::size_t>(height));
        for (int r = 0; r < height; ++r) {
            const auto row = image.begin() + static_cast<std::ptrdiff_t>(rowBytes) * (samples == 1 ? height - 1 - r : r);
            EXPECT_EQ(scanlines[r], Bytes(row, row + static_cast<std::ptrdiff_t>(rowBytes))) << "scanline " << r;
        }
    }
}

TEST(TiffFileTest, ArgumentsThatCannotDescribeAnImageOrAPathFailWithoutAFile) {
    test::TempFolder folder;
    Bytes image = Pattern(64);
    const std::string path = folder.Path() + "/bad.tif";
    const int bad[][4] = {{0, 2, 8, 1},       {2, -2, 8, 1},     {2, 2, 0, 1},       {2, 2, 8, 0},
                          {2, 2, -8, 1},      {2, 2, 1000000, 1}, {2, 2, 8, 70000},  {INT_MAX, INT_MAX, 65535, 65535},
                          {7, 3, 4, 1}};  // fewer than 8 bits a sample make memory rows of no bytes at all
    for (const auto& b : bad)
        EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), b[0], b[1], b[2], b[3], path.c_str()), -8)
            << b[0] << "x" << b[1] << ", " << b[2] << " bits, " << b[3] << " samples";
    EXPECT_EQ(QCX_HelperSaveToTiff(nullptr, 2, 2, 8, 1, path.c_str()), -8);
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), 2, 2, 8, 1, nullptr), -8);
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), 2, 2, 8, 3, (folder.Path() + "/no such folder/image.tif").c_str()), -8);
    EXPECT_TRUE(test::FilesIn(folder.Path()).empty());

    // 12 bits: memory rows hold 1 byte a sample, libtiff's scanlines 1.5;
    // the writer must read neither beyond the image nor beyond its row.
    EXPECT_EQ(QCX_HelperSaveToTiff(image.data(), 7, 3, 12, 1, path.c_str()), 1);
}

}  // namespace
}  // namespace qcx
