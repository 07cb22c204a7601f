// The in-memory image of the calibration tool: a grabbed frame, its 24-bit
// conversion, the central crop, and saving to an image file.
#ifndef PIXMENDER_RASTER_IMAGE_H
#define PIXMENDER_RASTER_IMAGE_H

#include <QString>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace pixmender {

class RasterImage {
 public:
  // Plain layout, as a grabbed frame arrives: rows packed without gaps
  // (stride = width × bits ÷ 8, rounded up to whole bytes). Bits 1, 8, 16 or 24.
  bool CreatePlain(int width, int height, int bitsPerPixel);
  // Aligned layout: rows padded to a multiple of 4 bytes, zero-filled, both
  // resolutions set to dpi. Bits 1, 8 or 24 only.
  bool CreateAligned(int width, int height, int bitsPerPixel, int dpi);
  // Plain layout, then the frame's bytes copied in (at most the image's size;
  // a short frame leaves the rest zero).
  bool TakeFrame(const uint8_t* frame, size_t byteCount, int width, int height, int bitsPerPixel);
  // YUY2 to 24 bits (byte 0 blue, 1 green, 2 red), aligned at 300 dpi. Only a
  // 16-bit image is converted; any other is left as it is.
  void ConvertTo24Bits();
  // Keeps [left, right) × [top, bottom), clamped to the image. False, with the
  // image unchanged, when nothing would remain or the bit count cannot be cropped.
  bool Crop(int left, int top, int right, int bottom);
  // Writes the image file chosen by the name's last three characters (jpg,
  // tif, bmp). Failures are not reported.
  void Save(const QString& fileName) const;

  int Width() const { return width_; }
  int Height() const { return height_; }
  int BitsPerPixel() const { return bitsPerPixel_; }
  int Stride() const { return stride_; }
  int DpiX() const { return dpiX_; }
  int DpiY() const { return dpiY_; }
  // The row table, top row first; y must be in [0, Height()).
  const uint8_t* Row(int y) const { return data_.data() + static_cast<size_t>(y) * stride_; }
  uint8_t* Row(int y) { return data_.data() + static_cast<size_t>(y) * stride_; }
  size_t ByteSize() const { return data_.size(); }
  bool IsEmpty() const { return data_.empty(); }

 private:
  bool Allocate(int width, int height, int bitsPerPixel, int stride);
  void Clear();

  int width_ = 0;
  int height_ = 0;
  int bitsPerPixel_ = 0;
  int stride_ = 0;
  int dpiX_ = 0;
  int dpiY_ = 0;
  std::vector<uint8_t> data_;
};

}  // namespace pixmender

#endif
