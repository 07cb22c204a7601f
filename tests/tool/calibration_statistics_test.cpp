// Channel means and variances over 24-bit images.
#include <gtest/gtest.h>

#include <cstdint>
#include <tuple>
#include <vector>

#include "tool/channel_statistics.h"

namespace pixmender {
namespace {

TEST(CalibrationStatistics, MeansAndVariancesSkipTheRowPadding) {
  // 2 x 2 pixels, 6 bytes of pixels and 2 of padding per row; the padding is
  // bright so that reading it would show.
  const std::vector<uint8_t> image = {
      0, 10, 255, 2, 20, 255, 0xFF, 0xFF,  //
      4, 30, 255, 6, 40, 255, 0xFF, 0xFF,
  };
  const ChannelStatistics stats = MeasureChannels(image.data(), 2, 2, 8);
  EXPECT_EQ(stats.blueMean, 3.0f);
  EXPECT_EQ(stats.blueVariance, 5.0f);
  EXPECT_EQ(stats.greenMean, 25.0f);
  EXPECT_EQ(stats.greenVariance, 125.0f);
  EXPECT_EQ(stats.redMean, 255.0f);
  EXPECT_EQ(stats.redVariance, 0.0f);
  EXPECT_EQ(stats.MaxMean(), 255.0f);
}

TEST(CalibrationStatistics, FractionalResultsAreRoundedToFloatOnce) {
  // Blue 0, 0, 1: mean 1/3, variance 1/3 - 1/9, both taken in long double.
  const std::vector<uint8_t> image = {0, 7, 9, 0, 7, 9, 1, 7, 9};
  const ChannelStatistics stats = MeasureChannels(image.data(), 3, 1, 9);
  const long double mean = 1.0L / 3;
  EXPECT_EQ(stats.blueMean, static_cast<float>(mean));
  EXPECT_EQ(stats.blueVariance, static_cast<float>(1.0L / 3 - mean * mean));
  EXPECT_EQ(stats.greenMean, 7.0f);
  EXPECT_EQ(stats.redMean, 9.0f);
  EXPECT_EQ(stats.MaxMean(), 9.0f);
}

TEST(CalibrationStatistics, NoPixelsGiveZeros) {
  const uint8_t pixel[3] = {50, 60, 70};
  for (const auto& [width, height, data] :
       {std::tuple{0, 1, pixel}, std::tuple{1, 0, pixel}, std::tuple{1, 1, static_cast<const uint8_t*>(nullptr)}}) {
    const ChannelStatistics stats = MeasureChannels(data, width, height, 3);
    EXPECT_EQ(stats.redMean, 0.0f);
    EXPECT_EQ(stats.greenMean, 0.0f);
    EXPECT_EQ(stats.blueMean, 0.0f);
    EXPECT_EQ(stats.redVariance, 0.0f);
    EXPECT_EQ(stats.greenVariance, 0.0f);
    EXPECT_EQ(stats.blueVariance, 0.0f);
  }
}

}  // namespace
}  // namespace pixmender
