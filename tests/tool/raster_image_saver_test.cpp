// Saved image files, read back by readers that are not Qt's: libjpeg,
// libtiff, and a small BMP reader here.
#include "tool/raster_image_saver.h"

#include <gtest/gtest.h>
#include <jpeglib.h>
#include <tiffio.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tool/raster_image.h"

namespace pixmender {
namespace {

class RasterImageSaverTest : public ::testing::Test {
 protected:
  QString PathOf(const QString& name) const { return dir_.filePath(name); }
  QTemporaryDir dir_;
};

// 24 bits, 5 × 3 (rows padded), pixel (x, y) = blue 40x+10, green 60y+20, red 200.
RasterImage ColourImage() {
  RasterImage image;
  image.CreateAligned(5, 3, 24, 300);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      uint8_t* p = image.Row(y) + x * 3;
      p[0] = static_cast<uint8_t>(40 * x + 10);
      p[1] = static_cast<uint8_t>(60 * y + 20);
      p[2] = 200;
    }
  }
  return image;
}

// --- BMP -------------------------------------------------------------------

struct Bmp {
  int width = 0;
  int height = 0;  // positive: bottom row first
  int bitCount = 0;
  int xPelsPerMeter = 0;
  int yPelsPerMeter = 0;
  std::vector<std::vector<uint8_t>> rows;  // top row first, pixel bytes as stored
  std::vector<uint32_t> palette;           // 0x00RRGGBB per entry
};

uint32_t Le32(const QByteArray& b, int at) {
  return static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8 | static_cast<uint8_t>(b[at + 2]) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(b[at + 3])) << 24;
}
uint16_t Le16(const QByteArray& b, int at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(b[at]) | static_cast<uint8_t>(b[at + 1]) << 8);
}

bool ReadBmp(const QString& path, Bmp& bmp) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray b = file.readAll();
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return false;
  const uint32_t dataAt = Le32(b, 10);
  bmp.width = static_cast<int32_t>(Le32(b, 18));
  bmp.height = static_cast<int32_t>(Le32(b, 22));
  bmp.bitCount = Le16(b, 28);
  if (Le32(b, 30) != 0) return false;  // uncompressed only
  bmp.xPelsPerMeter = static_cast<int32_t>(Le32(b, 38));
  bmp.yPelsPerMeter = static_cast<int32_t>(Le32(b, 42));
  for (uint32_t at = 14 + Le32(b, 14); at + 4 <= dataAt; at += 4) bmp.palette.push_back(Le32(b, static_cast<int>(at)));
  const int stride = (bmp.width * bmp.bitCount + 31) / 32 * 4;
  const int rows = std::abs(bmp.height);
  if (b.size() < static_cast<qsizetype>(dataAt) + static_cast<qsizetype>(stride) * rows) return false;
  for (int r = 0; r < rows; ++r) {
    const int stored = bmp.height > 0 ? rows - 1 - r : r;
    const char* at = b.constData() + dataAt + static_cast<qsizetype>(stride) * stored;
    bmp.rows.emplace_back(at, at + (bmp.width * bmp.bitCount + 7) / 8);
  }
  return true;
}

TEST_F(RasterImageSaverTest, Bmp24BitsKeepsBlueFirstAndTheResolution) {
  ColourImage().Save(PathOf("colour.bmp"));
  Bmp bmp;
  ASSERT_TRUE(ReadBmp(PathOf("colour.bmp"), bmp));
  EXPECT_EQ(bmp.width, 5);
  EXPECT_EQ(bmp.height, 3);
  EXPECT_EQ(bmp.bitCount, 24);
  EXPECT_EQ(bmp.xPelsPerMeter, 11811);  // 300 dpi
  EXPECT_EQ(bmp.yPelsPerMeter, 11811);
  const RasterImage image = ColourImage();
  for (int y = 0; y < 3; ++y) {
    EXPECT_EQ(bmp.rows[y], std::vector<uint8_t>(image.Row(y), image.Row(y) + 15)) << "row " << y;  // BMP stores B, G, R
  }
}

TEST_F(RasterImageSaverTest, BmpIndexedImagesCarryTheGreyPaletteAndTheInvertedBits) {
  RasterImage grey;
  ASSERT_TRUE(grey.CreateAligned(6, 2, 8, 300));
  for (int i = 0; i < 6; ++i) grey.Row(1)[i] = static_cast<uint8_t>(i * 50);
  grey.Save(PathOf("grey.bmp"));
  Bmp bmp;
  ASSERT_TRUE(ReadBmp(PathOf("grey.bmp"), bmp));
  EXPECT_EQ(bmp.bitCount, 8);
  ASSERT_EQ(bmp.palette.size(), 256u);
  for (uint32_t i = 0; i < 256; ++i) ASSERT_EQ(bmp.palette[i] & 0xFFFFFF, i << 16 | i << 8 | i) << i;
  EXPECT_EQ(bmp.rows[1], (std::vector<uint8_t>{0, 50, 100, 150, 200, 250}));

  // A set bit of a 1-bit image is handed to the writer complemented, so it
  // comes out as palette entry 0, black.
  RasterImage mono;
  ASSERT_TRUE(mono.CreateAligned(12, 1, 1, 300));
  mono.Row(0)[0] = 0xA5;
  mono.Row(0)[1] = 0xF0;
  mono.Save(PathOf("mono.bmp"));
  Bmp bits;
  ASSERT_TRUE(ReadBmp(PathOf("mono.bmp"), bits));
  EXPECT_EQ(bits.bitCount, 1);
  ASSERT_EQ(bits.palette.size(), 2u);
  EXPECT_EQ(bits.palette[0] & 0xFFFFFF, 0x000000u);
  EXPECT_EQ(bits.palette[1] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(bits.rows[0][0], 0x5A);
  EXPECT_EQ(bits.rows[0][1] & 0xF0, 0x00);  // the twelve pixels; the rest is padding
}

// --- JPEG ------------------------------------------------------------------

struct Jpeg {
  int width = 0;
  int height = 0;
  int components = 0;
  int densityUnit = -1;
  int xDensity = 0;
  int yDensity = 0;
  std::vector<uint8_t> pixels;  // decoded, top row first
};

bool ReadJpeg(const QString& path, Jpeg& jpeg) {
  FILE* f = std::fopen(QFile::encodeName(path).constData(), "rb");
  if (f == nullptr) return false;
  jpeg_decompress_struct info{};
  jpeg_error_mgr err{};
  info.err = jpeg_std_error(&err);
  jpeg_create_decompress(&info);
  jpeg_stdio_src(&info, f);
  jpeg_read_header(&info, TRUE);
  jpeg_start_decompress(&info);
  jpeg.width = static_cast<int>(info.output_width);
  jpeg.height = static_cast<int>(info.output_height);
  jpeg.components = info.output_components;
  jpeg.densityUnit = info.density_unit;
  jpeg.xDensity = info.X_density;
  jpeg.yDensity = info.Y_density;
  const size_t rowBytes = static_cast<size_t>(jpeg.width) * jpeg.components;
  jpeg.pixels.resize(rowBytes * jpeg.height);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = jpeg.pixels.data() + rowBytes * info.output_scanline;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  std::fclose(f);
  return true;
}

TEST_F(RasterImageSaverTest, JpegIsDecodedAsRgbAt300Dpi) {
  // A flat colour survives the lossy coding closely.
  RasterImage image;
  ASSERT_TRUE(image.CreateAligned(33, 17, 24, 300));
  for (int y = 0; y < 17; ++y) {
    for (int x = 0; x < 33; ++x) {
      image.Row(y)[x * 3] = 200;     // blue
      image.Row(y)[x * 3 + 1] = 100;  // green
      image.Row(y)[x * 3 + 2] = 30;   // red
    }
  }
  image.Save(PathOf("flat.JpG"));
  Jpeg jpeg;
  ASSERT_TRUE(ReadJpeg(PathOf("flat.JpG"), jpeg));
  EXPECT_EQ(jpeg.width, 33);
  EXPECT_EQ(jpeg.height, 17);
  ASSERT_EQ(jpeg.components, 3);
  EXPECT_EQ(jpeg.densityUnit, 1);  // dots per inch
  EXPECT_EQ(jpeg.xDensity, 300);
  EXPECT_EQ(jpeg.yDensity, 300);
  for (size_t i = 0; i < jpeg.pixels.size(); i += 3) {
    ASSERT_NEAR(jpeg.pixels[i], 30, 4);
    ASSERT_NEAR(jpeg.pixels[i + 1], 100, 4);
    ASSERT_NEAR(jpeg.pixels[i + 2], 200, 4);
  }
}

// --- TIFF ------------------------------------------------------------------

TEST_F(RasterImageSaverTest, TiffEndingInAnyCaseIsLosslessAt300Dpi) {
  for (const char* name : {"a.tif", "b.TIF"}) {
    SCOPED_TRACE(name);
    const RasterImage image = ColourImage();
    image.Save(PathOf(name));
    TIFF* tif = TIFFOpen(QFile::encodeName(PathOf(name)).constData(), "r");
    ASSERT_NE(tif, nullptr);
    uint32_t width = 0, height = 0;
    float xRes = 0, yRes = 0;
    uint16_t unit = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xRes);
    TIFFGetField(tif, TIFFTAG_YRESOLUTION, &yRes);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    EXPECT_EQ(width, 5u);
    EXPECT_EQ(height, 3u);
    const double dpi = unit == RESUNIT_CENTIMETER ? xRes * 2.54 : xRes;
    EXPECT_NEAR(dpi, 300.0, 0.1) << "unit " << unit;
    EXPECT_NEAR(unit == RESUNIT_CENTIMETER ? yRes * 2.54 : yRes, 300.0, 0.1);
    std::vector<uint32_t> rgba(width * height);
    ASSERT_EQ(TIFFReadRGBAImageOriented(tif, width, height, rgba.data(), ORIENTATION_TOPLEFT, 0), 1);
    TIFFClose(tif);
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 5; ++x) {
        const uint32_t p = rgba[static_cast<size_t>(y) * 5 + x];
        EXPECT_EQ(TIFFGetR(p), 200u);
        EXPECT_EQ(TIFFGetG(p), static_cast<uint32_t>(60 * y + 20));
        EXPECT_EQ(TIFFGetB(p), static_cast<uint32_t>(40 * x + 10));
      }
    }
  }
}

// --- What is not written ---------------------------------------------------

TEST(RasterImageSaverNames, EncoderByTheLastThreeCharacters) {
  struct Case {
    const char* name;
    const char* mime;
  };
  for (const Case& c : std::vector<Case>{{"x.JPG", "image/jpeg"}, {"x.tIF", "image/tiff"}, {"x.Bmp", "image/bmp"},
                                         {"xjpg", "image/jpeg"}, {"x.jpeg", ""}, {"x.tiff", ""}, {"pg", ""}}) {
    EXPECT_EQ(RasterImageSaver::MimeTypeForFileName(QString::fromUtf8(c.name)), QByteArray(c.mime)) << c.name;
  }
}

TEST_F(RasterImageSaverTest, NothingIsWrittenForUnknownEndingsOrBitCounts) {
  const RasterImage colour = ColourImage();
  colour.Save(PathOf("a.jpeg"));
  colour.Save(PathOf("a.png"));
  colour.Save(PathOf("a.tiff"));
  std::vector<uint8_t> frame(32, 0x80);
  RasterImage yuy2;
  ASSERT_TRUE(yuy2.TakeFrame(frame.data(), frame.size(), 4, 4, 16));
  yuy2.Save(PathOf("yuy2.bmp"));
  RasterImage().Save(PathOf("empty.bmp"));
  EXPECT_TRUE(QDir(dir_.path()).entryList(QDir::Files).isEmpty()) << QDir(dir_.path()).entryList(QDir::Files).join(", ").toStdString();
}

}  // namespace
}  // namespace pixmender
