// The channel means and variances of a 24-bit image: what the adjustments
// steer by and what the dialog shows after each run.
#ifndef PIXMENDER_CHANNEL_STATISTICS_H
#define PIXMENDER_CHANNEL_STATISTICS_H

#include <cstdint>

namespace pixmender {

struct ChannelStatistics {
  float redMean = 0, greenMean = 0, blueMean = 0;
  float redVariance = 0, greenVariance = 0, blueVariance = 0;

  // The largest of the three means, compared as floats.
  float MaxMean() const;
};

// Over every pixel of a 24-bit image (byte 0 blue, 1 green, 2 red), rows
// `stride` bytes apart: mean = sum / count and population variance =
// sum of squares / count - mean^2, in long double, stored as float.
// No pixels (or no data) gives all zeros.
ChannelStatistics MeasureChannels(const uint8_t* data, int width, int height, int stride);

}  // namespace pixmender

#endif
