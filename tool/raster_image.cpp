#include "tool/raster_image.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <exception>
#include <utility>

#include "tool/raster_image_saver.h"

namespace pixmender {

namespace {

// Images of the tool are camera frames; anything beyond this is a corrupt
// format, refused like a failed allocation.
constexpr int64_t kMaxImageBytes = int64_t{1} << 30;

constexpr int kOutputDpi = 300;

bool IsPlainBitCount(int bits) { return bits == 1 || bits == 8 || bits == 16 || bits == 24; }
bool IsAlignedBitCount(int bits) { return bits == 1 || bits == 8 || bits == 24; }

int64_t AlignedStride(int64_t width, int bits) {
  switch (bits) {
    case 1: return (width + 31) / 32 * 4;
    case 8: return (width + 3) / 4 * 4;
    default: return (3 * width + 3) / 4 * 4;
  }
}

// The YUY2 products k × (x − 128), one single-precision table per constant,
// and the clamp table that turns sum + 128 into a byte.
struct Yuy2Tables {
  std::array<float, 256> blueFromU{};    // 1.4075 × (U − 128)
  std::array<float, 256> greenFromV{};   // 0.3455 × (V − 128)
  std::array<float, 256> greenFromU{};   // 0.7169 × (U − 128)
  std::array<float, 256> redFromV{};     // 1.779 × (V − 128)
  std::array<uint8_t, 512> clamp{};

  Yuy2Tables() {
    for (int x = 0; x < 256; ++x) {
      blueFromU[x] = static_cast<float>(1.4075 * (x - 128));
      greenFromV[x] = static_cast<float>(0.3455 * (x - 128));
      greenFromU[x] = static_cast<float>(0.7169 * (x - 128));
      redFromV[x] = static_cast<float>(1.779 * (x - 128));
    }
    for (int n = 0; n < 512; ++n) clamp[n] = static_cast<uint8_t>(n < 128 ? 0 : n < 384 ? n - 128 : 255);
  }

  // The sum is offset by 128 into the clamp table. Sums beyond its range
  // (down to about −228, up to about 481) are held at its ends, which gives
  // the same 0 and 255 the table holds there.
  uint8_t Clamp(float sum) const {
    const float shifted = sum + 128.0f;
    if (!(shifted > 0.0f)) return clamp[0];
    if (shifted >= 511.0f) return clamp[511];
    return clamp[static_cast<int>(shifted)];
  }
};

const Yuy2Tables& Tables() {
  static const Yuy2Tables tables;
  return tables;
}

// Copies pixels [left, left + width) of a 1-bit row (most significant bit =
// leftmost pixel) to the start of dst. Whole bytes go at once; the partial
// bytes at both ends bit by bit.
void CopyBitRow(const uint8_t* src, int left, int width, uint8_t* dst) {
  const int shift = left % 8;
  const uint8_t* from = src + left / 8;
  const int wholeBytes = width / 8;
  if (shift == 0) {
    std::memcpy(dst, from, static_cast<size_t>(wholeBytes));
  } else {
    // A whole output byte spans two source bytes; the second is only read
    // when the byte's last pixel lies in it, which is inside the region.
    for (int i = 0; i < wholeBytes; ++i) {
      dst[i] = static_cast<uint8_t>((from[i] << shift) | (from[i + 1] >> (8 - shift)));
    }
  }
  for (int x = wholeBytes * 8; x < width; ++x) {
    const int sx = left + x;
    const uint8_t mask = static_cast<uint8_t>(0x80u >> (x % 8));
    if (src[sx / 8] & (0x80u >> (sx % 8))) {
      dst[x / 8] = static_cast<uint8_t>(dst[x / 8] | mask);
    } else {
      dst[x / 8] = static_cast<uint8_t>(dst[x / 8] & ~mask);
    }
  }
}

}  // namespace

void RasterImage::Clear() {
  width_ = height_ = bitsPerPixel_ = stride_ = 0;
  dpiX_ = dpiY_ = 0;
  std::vector<uint8_t>().swap(data_);
}

bool RasterImage::Allocate(int width, int height, int bitsPerPixel, int stride) {
  const int64_t size = static_cast<int64_t>(stride) * height;
  try {
    data_.assign(static_cast<size_t>(size), 0);
  } catch (const std::exception&) {
    Clear();
    return false;
  }
  width_ = width;
  height_ = height;
  bitsPerPixel_ = bitsPerPixel;
  stride_ = stride;
  return true;
}

bool RasterImage::CreatePlain(int width, int height, int bitsPerPixel) {
  Clear();
  if (width <= 0 || height <= 0 || !IsPlainBitCount(bitsPerPixel)) return false;
  // Rounded up so that a 1-bit row whose width is no multiple of 8 still
  // holds all its pixels; for every other case this is width × bits ÷ 8.
  const int64_t stride = (static_cast<int64_t>(width) * bitsPerPixel + 7) / 8;
  if (stride * height > kMaxImageBytes) return false;
  return Allocate(width, height, bitsPerPixel, static_cast<int>(stride));
}

bool RasterImage::CreateAligned(int width, int height, int bitsPerPixel, int dpi) {
  Clear();
  if (width <= 0 || height <= 0 || !IsAlignedBitCount(bitsPerPixel)) return false;
  const int64_t stride = AlignedStride(width, bitsPerPixel);
  if (stride * height > kMaxImageBytes) return false;
  if (!Allocate(width, height, bitsPerPixel, static_cast<int>(stride))) return false;
  dpiX_ = dpiY_ = dpi;
  return true;
}

bool RasterImage::TakeFrame(const uint8_t* frame, size_t byteCount, int width, int height,
                            int bitsPerPixel) {
  if (!CreatePlain(width, height, bitsPerPixel)) return false;
  // A frame larger than the format says is cut to the image; a shorter one
  // leaves the remaining rows zero.
  const size_t count = std::min(byteCount, data_.size());
  if (frame != nullptr && count > 0) std::memcpy(data_.data(), frame, count);
  return true;
}

void RasterImage::ConvertTo24Bits() {
  if (bitsPerPixel_ != 16 || IsEmpty()) return;
  RasterImage output;
  if (!output.CreateAligned(width_, height_, 24, kOutputDpi)) return;
  const Yuy2Tables& t = Tables();
  // Each group of four bytes (Y0, U, Y1, V) gives two pixels. An odd width
  // leaves half a group at the row's end; its pixel stays black.
  const int groups = width_ / 2;
  for (int y = 0; y < height_; ++y) {
    const uint8_t* src = Row(y);
    uint8_t* dst = output.Row(y);
    for (int g = 0; g < groups; ++g, src += 4) {
      const uint8_t u = src[1];
      const uint8_t v = src[3];
      for (int half = 0; half < 2; ++half, dst += 3) {
        const float luma = static_cast<float>(src[half * 2]);
        dst[0] = t.Clamp(luma + t.blueFromU[u]);
        dst[1] = t.Clamp(luma - t.greenFromV[v] - t.greenFromU[u]);
        dst[2] = t.Clamp(luma + t.redFromV[v]);
      }
    }
  }
  *this = std::move(output);
}

bool RasterImage::Crop(int left, int top, int right, int bottom) {
  if (IsEmpty()) return false;
  if (left == 0 && top == 0 && right == 0 && bottom == 0) return false;
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, width_);
  bottom = std::min(bottom, height_);
  if (right <= left || bottom <= top) return false;
  const int width = right - left;
  const int height = bottom - top;
  RasterImage output;
  if (!output.CreateAligned(width, height, bitsPerPixel_, kOutputDpi)) return false;
  for (int y = 0; y < height; ++y) {
    const uint8_t* src = Row(top + y);
    uint8_t* dst = output.Row(y);
    if (bitsPerPixel_ == 1) {
      CopyBitRow(src, left, width, dst);
    } else {
      const int bytesPerPixel = bitsPerPixel_ / 8;
      std::memcpy(dst, src + static_cast<size_t>(left) * bytesPerPixel,
                  static_cast<size_t>(width) * bytesPerPixel);
    }
  }
  *this = std::move(output);
  return true;
}

void RasterImage::Save(const QString& fileName) const { RasterImageSaver().Save(*this, fileName); }

}  // namespace pixmender
