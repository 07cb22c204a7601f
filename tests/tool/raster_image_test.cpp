// The in-memory image: layouts, frame import, YUY2 conversion and crop.
#include "tool/raster_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace pixmender {
namespace {

struct LayoutCase {
  int width;
  int bits;
  int stride;
};

TEST(RasterImageLayout, PlainRowsArePacked) {
  for (const LayoutCase& c : std::vector<LayoutCase>{{1600, 16, 3200}, {5, 24, 15}, {16, 1, 2}}) {
    RasterImage image;
    ASSERT_TRUE(image.CreatePlain(c.width, 3, c.bits)) << c.width << "x" << c.bits;
    EXPECT_EQ(image.Stride(), c.stride) << c.width << "x" << c.bits;
    EXPECT_EQ(image.Row(2) - image.Row(0), 2 * c.stride);
    EXPECT_EQ(image.ByteSize(), 3u * c.stride);
  }
}

TEST(RasterImageLayout, AlignedRowsArePaddedToFourBytes) {
  for (const LayoutCase& c : std::vector<LayoutCase>{{32, 1, 4}, {33, 1, 8}, {5, 8, 8}, {4, 24, 12}, {1423, 24, 4272}}) {
    RasterImage image;
    ASSERT_TRUE(image.CreateAligned(c.width, 2, c.bits, 72)) << c.width << "x" << c.bits;
    EXPECT_EQ(image.Stride(), c.stride) << c.width << "x" << c.bits;
    EXPECT_EQ(image.DpiX(), 72);
    EXPECT_EQ(image.DpiY(), 72);
    EXPECT_TRUE(std::all_of(image.Row(0), image.Row(0) + image.ByteSize(), [](uint8_t b) { return b == 0; }));
  }
}

TEST(RasterImageLayout, RefusedCreationLeavesTheImageEmpty) {
  RasterImage image;
  ASSERT_TRUE(image.CreateAligned(8, 8, 8, 300));
  EXPECT_FALSE(image.CreateAligned(8, 8, 16, 300));  // aligned images have no 16-bit form
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_EQ(image.Width(), 0);
  EXPECT_FALSE(image.CreatePlain(0, 8, 8));
  EXPECT_FALSE(image.CreatePlain(8, 8, 12));
  EXPECT_FALSE(image.CreatePlain(1 << 30, 1 << 30, 24));  // a corrupt format, not an overflow
  EXPECT_TRUE(image.IsEmpty());
}

TEST(RasterImageTakeFrame, CopiesAtMostTheImageAndZeroFillsAShortFrame) {
  std::vector<uint8_t> frame(40);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint8_t>(i + 1);
  RasterImage image;
  ASSERT_TRUE(image.TakeFrame(frame.data(), 10, 4, 3, 16));  // 24 bytes wanted, 10 given
  EXPECT_EQ(image.BitsPerPixel(), 16);
  EXPECT_EQ(image.Stride(), 8);
  for (int i = 0; i < 24; ++i) EXPECT_EQ(image.Row(0)[i], i < 10 ? i + 1 : 0) << i;

  ASSERT_TRUE(image.TakeFrame(frame.data(), frame.size(), 4, 3, 16));  // 40 bytes for a 24-byte image
  EXPECT_EQ(image.ByteSize(), 24u);
  EXPECT_EQ(image.Row(2)[7], 24);
}

// Two pixels (byte 0 blue, 1 green, 2 red) from one YUY2 group.
std::array<uint8_t, 6> ConvertGroup(uint8_t y0, uint8_t u, uint8_t y1, uint8_t v) {
  const uint8_t group[4] = {y0, u, y1, v};
  RasterImage image;
  image.TakeFrame(group, 4, 2, 1, 16);
  image.ConvertTo24Bits();
  std::array<uint8_t, 6> out{};
  std::copy(image.Row(0), image.Row(0) + 6, out.begin());
  return out;
}

TEST(RasterImageConvert, DocumentedGroups) {
  EXPECT_EQ(ConvertGroup(128, 128, 128, 128), (std::array<uint8_t, 6>{128, 128, 128, 128, 128, 128}));
  EXPECT_EQ(ConvertGroup(0, 0, 255, 255), (std::array<uint8_t, 6>{0, 47, 225, 74, 255, 255}));
  // Sums far outside 0…255 (down to −227.7, up to 480.9) end at the clamp.
  EXPECT_EQ(ConvertGroup(0, 255, 255, 0), (std::array<uint8_t, 6>{178, 0, 0, 255, 208, 27}));
  EXPECT_EQ(ConvertGroup(255, 255, 255, 255), (std::array<uint8_t, 6>{255, 120, 255, 255, 120, 255}));
}

TEST(RasterImageConvert, OutputIsAlignedAt300DpiRowByRow) {
  // 3 × 2 pixels: odd width, so each row ends in half a group (Y, U) whose
  // pixel is left black rather than read from the next row.
  const std::vector<uint8_t> frame = {128, 128, 128, 128, 60, 90,  // row 0
                                      0, 0, 255, 255, 70, 80};      // row 1
  RasterImage image;
  ASSERT_TRUE(image.TakeFrame(frame.data(), frame.size(), 3, 2, 16));
  image.ConvertTo24Bits();
  EXPECT_EQ(image.BitsPerPixel(), 24);
  EXPECT_EQ(image.Width(), 3);
  EXPECT_EQ(image.Height(), 2);
  EXPECT_EQ(image.Stride(), 12);
  EXPECT_EQ(image.DpiX(), 300);
  EXPECT_EQ(image.DpiY(), 300);
  const std::vector<uint8_t> row0(image.Row(0), image.Row(0) + 12);
  const std::vector<uint8_t> row1(image.Row(1), image.Row(1) + 12);
  EXPECT_EQ(row0, (std::vector<uint8_t>{128, 128, 128, 128, 128, 128, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(row1, (std::vector<uint8_t>{0, 47, 225, 74, 255, 255, 0, 0, 0, 0, 0, 0}));
}

TEST(RasterImageConvert, OtherBitCountsAreLeftAsTheyAre) {
  for (int bits : {1, 8, 24}) {
    const std::vector<uint8_t> frame(64, 0x5A);
    RasterImage image;
    ASSERT_TRUE(image.TakeFrame(frame.data(), frame.size(), 8, 2, bits));
    const int stride = image.Stride();
    image.ConvertTo24Bits();
    EXPECT_EQ(image.BitsPerPixel(), bits);
    EXPECT_EQ(image.Stride(), stride);
    EXPECT_EQ(image.Row(1)[0], 0x5A);
  }
  RasterImage empty;
  empty.ConvertTo24Bits();
  EXPECT_TRUE(empty.IsEmpty());
}

// An 8- or 24-bit image whose every byte tells its position.
RasterImage PatternImage(int width, int height, int bits) {
  RasterImage image;
  image.CreateAligned(width, height, bits, 96);
  for (int y = 0; y < height; ++y) {
    for (int i = 0; i < width * bits / 8; ++i) image.Row(y)[i] = static_cast<uint8_t>(y * 31 + i * 7);
  }
  return image;
}

TEST(RasterImageCrop, CentralRegionOfAFullFrame) {
  RasterImage image = PatternImage(1600, 1200, 24);
  ASSERT_TRUE(image.Crop(1600 / 18, 1200 / 17, 1600 * 17 / 18, 1200 * 16 / 17));
  EXPECT_EQ(image.Width(), 1423);
  EXPECT_EQ(image.Height(), 1059);
  EXPECT_EQ(image.BitsPerPixel(), 24);
  EXPECT_EQ(image.Stride(), 4272);
  EXPECT_EQ(image.DpiX(), 300);
  EXPECT_EQ(image.Row(0)[0], static_cast<uint8_t>(70 * 31 + 88 * 3 * 7));
  EXPECT_EQ(image.Row(1058)[1422 * 3 + 2], static_cast<uint8_t>(1128 * 31 + (1510 * 3 + 2) * 7));
}

struct CropCase {
  int left, top, right, bottom;
  int width, height;  // 0 × 0: the crop fails
  int sourceX, sourceY;
};

TEST(RasterImageCrop, ClampsToTheImageAndRefusesEmptyRegions) {
  const std::vector<CropCase> cases = {
      {2, 1, 7, 4, 5, 3, 2, 1},        // inside
      {-5, -3, 4, 2, 4, 2, 0, 0},      // left and top clamped to 0
      {6, 3, 100, 100, 4, 3, 6, 3},    // right and bottom clamped to the size
      {4, 2, 4, 5, 0, 0, 0, 0},        // no columns
      {7, 1, 3, 4, 0, 0, 0, 0},        // right before left
      {10, 0, 20, 6, 0, 0, 0, 0},      // wholly right of the image
  };
  for (int bits : {8, 24}) {
    for (const CropCase& c : cases) {
      RasterImage image = PatternImage(10, 6, bits);
      const bool ok = image.Crop(c.left, c.top, c.right, c.bottom);
      SCOPED_TRACE(testing::Message() << bits << " bits, crop " << c.left << "," << c.top << "," << c.right << ","
                                      << c.bottom);
      if (c.width == 0) {
        EXPECT_FALSE(ok);
        EXPECT_EQ(image.Width(), 10);  // unchanged
        EXPECT_EQ(image.DpiX(), 96);
        continue;
      }
      ASSERT_TRUE(ok);
      EXPECT_EQ(image.Width(), c.width);
      EXPECT_EQ(image.Height(), c.height);
      EXPECT_EQ(image.DpiY(), 300);
      const int bpp = bits / 8;
      for (int y = 0; y < c.height; ++y) {
        for (int i = 0; i < c.width * bpp; ++i) {
          ASSERT_EQ(image.Row(y)[i], static_cast<uint8_t>((c.sourceY + y) * 31 + (c.sourceX * bpp + i) * 7));
        }
        for (int i = c.width * bpp; i < image.Stride(); ++i) EXPECT_EQ(image.Row(y)[i], 0);  // padding
      }
    }
  }
}

// Pixel x of a 1-bit row, the leftmost pixel in the top bit.
int Bit(const uint8_t* row, int x) { return row[x / 8] >> (7 - x % 8) & 1; }

TEST(RasterImageCrop, OneBitRegionsKeepEveryPixelAcrossByteEdges) {
  // Edges on and off byte boundaries, regions inside one byte and across several.
  const std::vector<std::pair<int, int>> edges = {{0, 8}, {3, 29}, {5, 6}, {7, 40}, {8, 24}, {1, 39}, {9, 17}};
  for (const auto& [left, right] : edges) {
    RasterImage image;
    ASSERT_TRUE(image.CreateAligned(40, 2, 1, 96));
    for (int y = 0; y < 2; ++y) {
      for (int i = 0; i < 5; ++i) image.Row(y)[i] = static_cast<uint8_t>(0x9D * (i + 1) + 0x35 * y);
    }
    RasterImage source = image;
    ASSERT_TRUE(image.Crop(left, 0, right, 2)) << left << ".." << right;
    ASSERT_EQ(image.Width(), right - left);
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < right - left; ++x) {
        ASSERT_EQ(Bit(image.Row(y), x), Bit(source.Row(y), left + x)) << left << ".." << right << " x " << x;
      }
    }
  }
}

TEST(RasterImageCrop, SixteenBitAndEmptyImagesAreNotCropped) {
  const std::vector<uint8_t> frame(4 * 4 * 2, 9);
  RasterImage image;
  ASSERT_TRUE(image.TakeFrame(frame.data(), frame.size(), 4, 4, 16));
  EXPECT_FALSE(image.Crop(1, 1, 3, 3));
  EXPECT_EQ(image.BitsPerPixel(), 16);
  EXPECT_EQ(image.Width(), 4);
  EXPECT_EQ(image.Row(3)[7], 9);

  RasterImage empty;
  EXPECT_FALSE(empty.Crop(0, 0, 1, 1));
}

}  // namespace
}  // namespace pixmender
