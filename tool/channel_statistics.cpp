#include "tool/channel_statistics.h"

#include <algorithm>
#include <cstddef>

namespace pixmender {

float ChannelStatistics::MaxMean() const { return std::max({redMean, greenMean, blueMean}); }

ChannelStatistics MeasureChannels(const uint8_t* data, int width, int height, int stride) {
  ChannelStatistics result;
  if (data == nullptr || width <= 0 || height <= 0) {
    return result;
  }
  // Sums of bytes and of their squares stay exact in 64-bit integers for any
  // image that fits in memory; the division is done in extended precision.
  uint64_t sum[3] = {0, 0, 0};
  uint64_t squares[3] = {0, 0, 0};
  for (int y = 0; y < height; ++y) {
    const uint8_t* pixel = data + static_cast<ptrdiff_t>(y) * stride;
    for (int x = 0; x < width; ++x, pixel += 3) {
      for (int c = 0; c < 3; ++c) {
        const uint32_t v = pixel[c];
        sum[c] += v;
        squares[c] += v * v;
      }
    }
  }
  const long double count = static_cast<long double>(width) * static_cast<long double>(height);
  float mean[3];
  float variance[3];
  for (int c = 0; c < 3; ++c) {
    const long double m = static_cast<long double>(sum[c]) / count;
    mean[c] = static_cast<float>(m);
    variance[c] = static_cast<float>(static_cast<long double>(squares[c]) / count - m * m);
  }
  result.blueMean = mean[0];
  result.greenMean = mean[1];
  result.redMean = mean[2];
  result.blueVariance = variance[0];
  result.greenVariance = variance[1];
  result.redVariance = variance[2];
  return result;
}

}  // namespace pixmender
