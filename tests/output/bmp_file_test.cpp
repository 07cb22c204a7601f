// BMP headers and files, read back field by field at their offsets.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "qcxapi.h"
#include "support/temp_folder.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Field(const Bytes& bytes, std::size_t offset, int width = 4) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[offset + i];
    return value;
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
    EXPECT_EQ(Field(file, 0, 2), 'B' | 'M' << 8);
    EXPECT_EQ(Field(file, 2), imageBytes + offset);
    EXPECT_EQ(Field(file, 6), 0u) << "reserved";
    EXPECT_EQ(Field(file, 10), offset);
    EXPECT_EQ(Field(file, 14), 40u);
    EXPECT_EQ(Field(file, 18), static_cast<std::uint32_t>(width));
    EXPECT_EQ(Field(file, 22), static_cast<std::uint32_t>(height));
    EXPECT_EQ(Field(file, 26, 2), 1u);
    EXPECT_EQ(Field(file, 28, 2), static_cast<std::uint32_t>(bitCount));
    EXPECT_EQ(Field(file, 30), 0u);
    EXPECT_EQ(Field(file, 34), imageBytes);
    for (std::size_t at = 38; at < 54; ++at) EXPECT_EQ(file[at], 0) << "byte " << at;
}

TEST(BmpHeaderTest, HeadersAreWithPaletteForGreyOnly) {
    int size = 12345;
    for (int bitCount : {16, 0, 1, 4, 7, 25, -8})
        EXPECT_EQ(QCX_HelperGetBmpFileHeaderSize(bitCount, &size), -1) << bitCount;
    EXPECT_EQ(size, 12345);
    EXPECT_EQ(QCX_HelperGetBmpFileHeaderSize(24, nullptr), -1);
    for (const auto& [bitCount, expected] : {std::pair{8, 1078}, std::pair{24, 54}, std::pair{32, 54}}) {
        SCOPED_TRACE(bitCount);
        EXPECT_EQ(QCX_HelperGetBmpFileHeaderSize(bitCount, &size), 1);
        EXPECT_EQ(size, expected);
        Bytes header(static_cast<std::size_t>(expected) + 1, 0xCC);
        ASSERT_EQ(QCX_HelperGetBmpFileHeader(640, 480, bitCount, header.data()), 1);
        ExpectHeaders(header, 640, 480, bitCount);
        EXPECT_EQ(header.back(), 0xCC) << "nothing written after the headers";
    }
    Bytes header(1078, 0xCC);
    for (auto [w, h, bitCount] : {std::tuple(0, 5, 24), std::tuple(5, 0, 24), std::tuple(-2, 5, 8), std::tuple(5, -1, 32),
                                  std::tuple(5, 5, 16)})
        EXPECT_EQ(QCX_HelperGetBmpFileHeader(w, h, bitCount, header.data()), -1) << w << "x" << h << ", " << bitCount;
    EXPECT_EQ(QCX_HelperGetBmpFileHeader(5, 5, 24, nullptr), -1);
    EXPECT_EQ(header, Bytes(1078, 0xCC));
}

class BmpFileTest : public ::testing::Test {
protected:
    int Save(const Bytes& image, int width, int height, int bitCount, const std::string& name) {
        const std::string path = PathOf(name);
        return QCX_HelperSaveToBmp(const_cast<std::uint8_t*>(image.data()), width, height, bitCount, path.c_str());
    }
    std::string PathOf(const std::string& name) const { return folder.Path() + "/" + name; }
    test::TempFolder folder;
};

TEST_F(BmpFileTest, FileIsTheHeadersThenTheRowsAsInMemoryWithoutPadding) {
    // Rows of 3 pixels of 3 bytes are 9 bytes, which a padded file would round
    // to 12. The last file is shorter than the one it replaces.
    struct Case { int width, height, bitCount; std::size_t fileSize; };
    for (const Case& c : {Case{2, 2, 24, 66}, Case{3, 5, 24, 99}, Case{3, 5, 8, 1093}, Case{3, 5, 32, 114}}) {
        SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << ", " << c.bitCount << " bits");
        const Bytes image = Pattern(static_cast<std::size_t>(c.bitCount / 8 * c.width * c.height));
        ASSERT_EQ(Save(image, c.width, c.height, c.bitCount, "image.bmp"), 1);
        const std::string text = test::ReadFile(PathOf("image.bmp"));
        const Bytes file(text.begin(), text.end());
        ASSERT_EQ(file.size(), c.fileSize);
        ExpectHeaders(file, c.width, c.height, c.bitCount);
        const auto pixels = file.begin() + static_cast<std::ptrdiff_t>(c.fileSize - image.size());
        Bytes header(c.fileSize - image.size());  // with the palette for 8 bits
        ASSERT_EQ(QCX_HelperGetBmpFileHeader(c.width, c.height, c.bitCount, header.data()), 1);
        EXPECT_EQ(Bytes(file.begin(), pixels), header);
        EXPECT_EQ(Bytes(pixels, file.end()), image);
        // The grey palette: all four bytes of entry i (200, say) hold i.
        for (std::size_t at = 54; at < c.fileSize - image.size(); ++at)
            ASSERT_EQ(file[at], (at - 54) / 4) << "palette entry " << (at - 54) / 4 << " byte " << at % 4;
    }
}

TEST_F(BmpFileTest, BadArgumentsAndUnwritablePathsCreateNoFile) {
    Bytes image = Pattern(64);
    const std::string path = PathOf("bad.bmp");
    EXPECT_EQ(QCX_HelperSaveToBmp(nullptr, 2, 2, 24, path.c_str()), -1);
    EXPECT_EQ(QCX_HelperSaveToBmp(image.data(), 0, 2, 24, path.c_str()), -1);
    EXPECT_EQ(QCX_HelperSaveToBmp(image.data(), 2, -1, 24, path.c_str()), -1);
    EXPECT_EQ(QCX_HelperSaveToBmp(image.data(), 2, 2, 16, path.c_str()), -1);
    EXPECT_EQ(QCX_HelperSaveToBmp(image.data(), 2, 2, 24, nullptr), -1);
    EXPECT_EQ(Save(image, 2, 2, 24, "no such folder/image.bmp"), -8);
    EXPECT_TRUE(test::FilesIn(folder.Path()).empty());
}

}  // namespace
}  // namespace qcx
