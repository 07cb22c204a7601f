// BMP headers and files, read back field by field at their offsets.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "qcxapi.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Field32(const Bytes& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

std::uint16_t Field16(const Bytes& bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

Bytes ReadBytes(const std::string& path) {
    const std::string text = test::ReadFile(path);
    return Bytes(text.begin(), text.end());
}

Bytes Pattern(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return bytes;
}

// Every field of the 54-byte headers for a width x height image.
void ExpectHeaders(const Bytes& file, int width, int height, int bitCount) {
    const std::uint32_t imageBytes = static_cast<std::uint32_t>(bitCount / 8 * width * height);
    const std::uint32_t offset = bitCount == 8 ? 1078 : 54;
    ASSERT_GE(file.size(), 54u);
    EXPECT_EQ(file[0], 'B');
    EXPECT_EQ(file[1], 'M');
    EXPECT_EQ(Field32(file, 2), imageBytes + offset);
    EXPECT_EQ(Field16(file, 6), 0);
    EXPECT_EQ(Field16(file, 8), 0);
    EXPECT_EQ(Field32(file, 10), offset);
    EXPECT_EQ(Field32(file, 14), 40u);
    EXPECT_EQ(Field32(file, 18), static_cast<std::uint32_t>(width));
    EXPECT_EQ(Field32(file, 22), static_cast<std::uint32_t>(height));
    EXPECT_EQ(Field16(file, 26), 1);
    EXPECT_EQ(Field16(file, 28), bitCount);
    EXPECT_EQ(Field32(file, 30), 0u);
    EXPECT_EQ(Field32(file, 34), imageBytes);
    for (std::size_t at = 38; at < 54; ++at) EXPECT_EQ(file[at], 0) << "byte " << at;
}

TEST(BmpHeaderTest, SizeIsWithPaletteForGreyOnly) {
    int size = 0;
    EXPECT_EQ(QCX_HelperGetBmpFileHeaderSize(8, &size), 1);
    EXPECT_EQ(size, 1078);
    EXPECT_EQ(QCX_HelperGetBmpFileHeaderSize(24, &size), 1);
    EXPECT_EQ(size, 54);
    EXPECT_EQ(QCX_HelperGetBmpFileHeaderSize(32, &size), 1);
    EXPECT_EQ(size, 54);
}

TEST(BmpHeaderTest, SizeRefusesOtherBitCountsAndNull) {
    int size = 12345;
    for (int bitCount : {16, 0, 1, 4, 7, 25, -8})
        EXPECT_EQ(QCX_HelperGetBmpFileHeaderSize(bitCount, &size), -1) << bitCount;
    EXPECT_EQ(size, 12345);
    EXPECT_EQ(QCX_HelperGetBmpFileHeaderSize(24, nullptr), -1);
}

TEST(BmpHeaderTest, ColourHeaderFieldsAtTheirOffsets) {
    for (int bitCount : {24, 32}) {
        SCOPED_TRACE(bitCount);
        Bytes header(54 + 8, 0xCC);
        ASSERT_EQ(QCX_HelperGetBmpFileHeader(640, 480, bitCount, header.data()), 1);
        ExpectHeaders(header, 640, 480, bitCount);
        EXPECT_EQ(header[54], 0xCC) << "a colour header is 54 bytes";
    }
}

TEST(BmpHeaderTest, GreyHeaderCarriesThePaletteWithIndexInAllFourBytes) {
    Bytes header(1078 + 1, 0xCC);
    ASSERT_EQ(QCX_HelperGetBmpFileHeader(3, 5, 8, header.data()), 1);
    ExpectHeaders(header, 3, 5, 8);
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 4; ++j) ASSERT_EQ(header[54 + 4 * i + j], i) << "entry " << i << " byte " << j;
    EXPECT_EQ(header[1078], 0xCC);
}

TEST(BmpHeaderTest, RefusesBadSizesBitCountsAndNull) {
    Bytes header(1078, 0xCC);
    EXPECT_EQ(QCX_HelperGetBmpFileHeader(0, 5, 24, header.data()), -1);
    EXPECT_EQ(QCX_HelperGetBmpFileHeader(5, 0, 24, header.data()), -1);
    EXPECT_EQ(QCX_HelperGetBmpFileHeader(-2, 5, 8, header.data()), -1);
    EXPECT_EQ(QCX_HelperGetBmpFileHeader(5, -1, 32, header.data()), -1);
    EXPECT_EQ(QCX_HelperGetBmpFileHeader(5, 5, 16, header.data()), -1);
    EXPECT_EQ(QCX_HelperGetBmpFileHeader(5, 5, 24, nullptr), -1);
    EXPECT_EQ(header, Bytes(1078, 0xCC));
}

class BmpFileTest : public ::testing::Test {
protected:
    std::string PathOf(const std::string& name) const { return folder.Path() + "/" + name; }
    test::TempFolder folder;
};

TEST_F(BmpFileTest, TwoByTwoColourImageIsSixtySixBytes) {
    const Bytes image = Pattern(12);
    const std::string path = PathOf("small.bmp");
    ASSERT_EQ(QCX_HelperSaveToBmp(const_cast<std::uint8_t*>(image.data()), 2, 2, 24, path.c_str()), 1);
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 66u);
    EXPECT_EQ(Field32(file, 2), 66u);
    EXPECT_EQ(Field32(file, 34), 12u);
    ExpectHeaders(file, 2, 2, 24);
    EXPECT_EQ(Bytes(file.begin() + 54, file.end()), image);
}

TEST_F(BmpFileTest, RowsAreWrittenAsInMemoryWithoutPadding) {
    // 3 pixels of 3 bytes: rows of 9 bytes, which a padded file would round to 12.
    for (int bitCount : {8, 24, 32}) {
        SCOPED_TRACE(bitCount);
        const int width = 3;
        const int height = 5;
        const Bytes image = Pattern(static_cast<std::size_t>(bitCount / 8 * width * height));
        const std::string path = PathOf("rows" + std::to_string(bitCount) + ".bmp");
        ASSERT_EQ(QCX_HelperSaveToBmp(const_cast<std::uint8_t*>(image.data()), width, height, bitCount, path.c_str()),
                  1);
        const Bytes file = ReadBytes(path);
        const std::size_t offset = bitCount == 8 ? 1078 : 54;
        ASSERT_EQ(file.size(), offset + image.size());
        ExpectHeaders(file, width, height, bitCount);
        EXPECT_EQ(Bytes(file.begin() + static_cast<std::ptrdiff_t>(offset), file.end()), image);
    }
}

TEST_F(BmpFileTest, GreyFileHoldsPaletteAndIsHeaderPlusPixels) {
    const int width = 17;
    const int height = 4;
    const Bytes image = Pattern(width * height);
    const std::string path = PathOf("grey.bmp");
    ASSERT_EQ(QCX_HelperSaveToBmp(const_cast<std::uint8_t*>(image.data()), width, height, 8, path.c_str()), 1);
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 1078u + width * height);
    EXPECT_EQ(Bytes(file.begin() + 54 + 4 * 200, file.begin() + 54 + 4 * 201), Bytes(4, 200));
    // The saved headers are the ones the header helper builds.
    Bytes header(1078);
    ASSERT_EQ(QCX_HelperGetBmpFileHeader(width, height, 8, header.data()), 1);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 1078), header);
}

TEST_F(BmpFileTest, ReplacesAnExistingLongerFile) {
    const std::string path = PathOf("again.bmp");
    const Bytes large = Pattern(4 * 10 * 10);
    const Bytes small = Pattern(4);
    ASSERT_EQ(QCX_HelperSaveToBmp(const_cast<std::uint8_t*>(large.data()), 10, 10, 32, path.c_str()), 1);
    ASSERT_EQ(QCX_HelperSaveToBmp(const_cast<std::uint8_t*>(small.data()), 1, 1, 32, path.c_str()), 1);
    EXPECT_EQ(ReadBytes(path).size(), 58u);
}

TEST_F(BmpFileTest, BadArgumentsCreateNoFile) {
    Bytes image = Pattern(64);
    const std::string path = PathOf("bad.bmp");
    EXPECT_EQ(QCX_HelperSaveToBmp(nullptr, 2, 2, 24, path.c_str()), -1);
    EXPECT_EQ(QCX_HelperSaveToBmp(image.data(), 0, 2, 24, path.c_str()), -1);
    EXPECT_EQ(QCX_HelperSaveToBmp(image.data(), 2, -1, 24, path.c_str()), -1);
    EXPECT_EQ(QCX_HelperSaveToBmp(image.data(), 2, 2, 16, path.c_str()), -1);
    EXPECT_EQ(QCX_HelperSaveToBmp(image.data(), 2, 2, 24, nullptr), -1);
    EXPECT_TRUE(test::FilesIn(folder.Path()).empty());
}

TEST_F(BmpFileTest, UnwritablePathFails) {
    Bytes image = Pattern(12);
    const std::string path = PathOf("no such folder/image.bmp");
    EXPECT_EQ(QCX_HelperSaveToBmp(image.data(), 2, 2, 24, path.c_str()), -8);
    EXPECT_TRUE(test::FilesIn(folder.Path()).empty());
}

}  // namespace
}  // namespace qcx
