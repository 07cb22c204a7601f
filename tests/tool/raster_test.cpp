// The in-memory image (layouts, crop, saving) and the calibration grab, with its YUY2
// conversion, against a fake camera.
// Expected pixels come from the worked examples of the conversion and from
// positions, never from the conversion's own tables.
#include <gtest/gtest.h>

#include <QDir>
#include <QImageReader>
#include <QTemporaryDir>
#include <algorithm>
#include <tuple>
#include <optional>
#include <utility>
#include <vector>

#include "tool/calibration_grab.h"
#include "tool/raster_image.h"

namespace pixmender {
namespace {

std::vector<uint8_t> RowBytes(const RasterImage& image, int y, int count) {
  return std::vector<uint8_t>(image.Row(y), image.Row(y) + count);
}

TEST(RasterImage, PlainRowsArePackedAlignedOnesPaddedToFourBytesAndOtherBitCountsRefused) {
  const struct { bool aligned; int width, bits, stride; } cases[] = {  // stride 0: refused
      {false, 1600, 16, 3200}, {false, 5, 24, 15}, {false, 16, 1, 2},  {false, 8, 12, 0},  {false, 0, 8, 0},
      {true, 32, 1, 4},        {true, 33, 1, 8},   {true, 5, 8, 8},    {true, 4, 24, 12},  {true, 1423, 24, 4272},
      {true, 8, 16, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << (c.aligned ? "aligned " : "plain ") << c.width << " x " << c.bits);
    RasterImage image;
    ASSERT_TRUE(image.CreateAligned(4, 4, 8, 72));  // whatever was held before goes
    const bool made = c.aligned ? image.CreateAligned(c.width, 3, c.bits, 72) : image.CreatePlain(c.width, 3, c.bits);
    EXPECT_EQ(made, c.stride != 0);
    EXPECT_EQ(image.IsEmpty(), c.stride == 0);
    if (!made) continue;
    EXPECT_EQ(image.Stride(), c.stride);
    EXPECT_EQ(image.Row(2) - image.Row(0), 2 * c.stride);
    EXPECT_EQ(image.ByteSize(), 3u * c.stride);
    EXPECT_TRUE(std::all_of(image.Row(0), image.Row(0) + image.ByteSize(), [](uint8_t b) { return b == 0; }));
    EXPECT_EQ(std::pair(image.DpiX(), image.DpiY()), c.aligned ? std::pair(72, 72) : std::pair(0, 0));
  }
  RasterImage corrupt;
  EXPECT_FALSE(corrupt.CreatePlain(1 << 30, 1 << 30, 24));  // a corrupt format, not an overflow
  EXPECT_TRUE(corrupt.IsEmpty());
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

TEST(RasterImage, CropClampsToTheImageAndRefusesEmptyRegionsAndSixteenBits) {
  const struct { int left, top, right, bottom, width, height, sourceX, sourceY; } cases[] = {  // width 0: refused
      {2, 1, 7, 4, 5, 3, 2, 1},     {-5, -3, 4, 2, 4, 2, 0, 0}, {6, 3, 100, 100, 4, 3, 6, 3},
      {4, 2, 4, 5, 0, 0, 0, 0},     {7, 1, 3, 4, 0, 0, 0, 0},   {10, 0, 20, 6, 0, 0, 0, 0},
  };
  for (const int bits : {8, 24}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(::testing::Message() << bits << " bits, " << c.left << "," << c.top << "," << c.right << ","
                                        << c.bottom);
      RasterImage image = PatternImage(10, 6, bits);
      EXPECT_EQ(image.Crop(c.left, c.top, c.right, c.bottom), c.width != 0);
      if (c.width == 0) {
        EXPECT_EQ(std::pair(image.Width(), image.DpiX()), std::pair(10, 96));
        continue;
      }
      EXPECT_EQ(std::pair(image.Width(), image.Height()), std::pair(c.width, c.height));
      EXPECT_EQ(image.DpiY(), 300);
      const int bpp = bits / 8;
      for (int y = 0; y < c.height; ++y) {
        for (int i = 0; i < image.Stride(); ++i) {
          const int expected = i < c.width * bpp ? (c.sourceY + y) * 31 + (c.sourceX * bpp + i) * 7 : 0;
          ASSERT_EQ(image.Row(y)[i], static_cast<uint8_t>(expected)) << y << " " << i;
        }
      }
    }
  }
  const std::vector<uint8_t> frame(4 * 4 * 2, 9);
  RasterImage yuy2;
  ASSERT_TRUE(yuy2.TakeFrame(frame.data(), frame.size(), 4, 4, 16));
  EXPECT_FALSE(yuy2.Crop(1, 1, 3, 3));
  EXPECT_EQ(std::pair(yuy2.Width(), yuy2.BitsPerPixel()), std::pair(4, 16));
  EXPECT_FALSE(RasterImage().Crop(0, 0, 1, 1));
}

TEST(RasterImageSaver, TheEndingChoosesTheFormatAndOtherEndingsWriteNothing) {
  QTemporaryDir dir;
  const RasterImage image = PatternImage(5, 3, 24);
  const std::pair<const char*, QByteArray> files[] = {{"c.bmp", "bmp"}, {"c.tIF", "tiff"}, {"cjpg", "jpeg"}, {"c.png", ""}, {"c.tiff", ""}};
  for (const auto& [name, format] : files) {
    image.Save(dir.filePath(QString::fromLatin1(name)));
    QImageReader reader(dir.filePath(QString::fromLatin1(name)));
    EXPECT_EQ(reader.format(), format) << name;
    if (format == "bmp" || format == "tiff") {
      EXPECT_EQ(reader.read().pixel(1, 2), qRgb(97, 90, 83)) << name;  // row 2, bytes 3..5
    }
  }
}

class FakeCamera : public FrameSource {
 public:
  std::optional<GrabbedFrame> GrabFrame() override { return frame; }
  bool WriteBridgeRegister(uint16_t address, uint16_t value) override {
    bridge.emplace_back(address, value);
    return true;
  }
  std::optional<GrabbedFrame> frame;
  std::vector<std::pair<uint16_t, uint16_t>> bridge;
};

// A frame of `bits` per pixel whose every group of four bytes is `group`.
GrabbedFrame Frame(int width, int height, int bits, std::vector<uint8_t> group) {
  GrabbedFrame frame;
  frame.format = {width, height, bits, static_cast<size_t>(width) * height * bits / 8};
  for (size_t i = 0; i < frame.format.size; ++i) frame.bytes.push_back(group[i % 4]);
  return frame;
}

TEST(CalibrationGrab, AFullFrameBecomesTheCentralRegionInColourAfterTheBridgeWrites) {
  const std::vector<std::pair<uint16_t, uint16_t>> bridge = {{0xB03E, 0x20}, {0xB03F, 0x20}};
  QTemporaryDir dir;
  FakeCamera camera;
  RasterImage image;
  EXPECT_FALSE(GrabForCalibration(camera, image, dir.filePath("1.jpg")));  // no frame: nothing saved
  EXPECT_EQ(camera.bridge, bridge);
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_TRUE(QDir(dir.path()).isEmpty());

  camera.bridge.clear();
  camera.frame = Frame(1600, 1200, 16, {0, 0, 255, 255});
  ASSERT_TRUE(GrabForCalibration(camera, image, QString()));
  EXPECT_EQ(camera.bridge, bridge);
  EXPECT_EQ(std::pair(image.Width(), image.Height()), std::pair(1423, 1059));  // [88, 1511) x [70, 1129)
  EXPECT_EQ(image.BitsPerPixel(), 24);
  EXPECT_EQ(image.DpiX(), 300);
  // Column 88 is even: the region starts on a group's first pixel.
  EXPECT_EQ(RowBytes(image, 500, 6), (std::vector<uint8_t>{0, 47, 225, 74, 255, 255}));
  EXPECT_EQ(std::vector<uint8_t>(image.Row(1058) + 1422 * 3, image.Row(1058) + 1423 * 3), (std::vector<uint8_t>{0, 47, 225}));
}

TEST(CalibrationGrab, OnlyTheHeldBytesAreReadAndOtherBitCountsAreCroppedUnconverted) {
  FakeCamera camera;
  camera.frame = Frame(36, 34, 16, {128, 128, 128, 128});
  camera.frame->bytes.resize(36 * 2 * 17);  // the format claims twice what was copied
  RasterImage image;
  ASSERT_TRUE(GrabForCalibration(camera, image, QString()));
  EXPECT_EQ(image.Height(), 30);  // rows 2 … 31
  EXPECT_EQ(image.Row(0)[0], 128);
  EXPECT_EQ(image.Row(29)[0], 0);  // from zeros: Y 0, U 0 gives blue 0

  camera.frame = Frame(36, 34, 8, {77, 77, 77, 77});
  ASSERT_TRUE(GrabForCalibration(camera, image, QString()));
  EXPECT_EQ(image.BitsPerPixel(), 8);
  EXPECT_EQ(std::pair(image.Width(), image.Height()), std::pair(32, 30));
  EXPECT_EQ(image.Row(29)[31], 77);
  camera.frame->format = {0, 0, 16, 8};  // an unusable format
  EXPECT_FALSE(GrabForCalibration(camera, image, QString()));
}

}  // namespace
}  // namespace pixmender
