// The adjustment passes pass by pass and the channel statistics. The runs as a whole, through the dialog and the
// simulated camera, are the dialog's end-to-end tests.
#include <gtest/gtest.h>

#include <tuple>
#include <utility>
#include <vector>

#include "tool/channel_statistics.h"
#include "tool/infrared_adjustment.h"
#include "tool/visible_adjustment.h"

namespace pixmender {
namespace {

using R = PassResult;

TEST(CalibrationVisible, OnePassStepsTheBrightnessByTheLargestMeanAndTheGainsByHowFarEachTrails) {
  struct Case {  // the settings after the pass; the gains start at 20
    int start; float red, green, blue; int brightness, redGain, greenGain, blueGain; R result;
  };
  std::vector<Case> cases;
  // Equal means move only the brightness, by the largest mean.
  for (const auto& [mean, step] : std::vector<std::pair<float, int>>{
           {150, 500}, {159.9f, 500}, {160, 200}, {180, 200}, {194.99f, 200}, {195, 0}, {200, 0}, {215, 0},
           {215.01f, -50}, {216, -50}, {220, -100}, {225, -100}, {230.01f, -200}, {240, -200}}) {
    cases.push_back({1024, mean, mean, mean, 1024 + step, 20, 20, 20, step == 0 ? R::Converged : R::Again});
  }
  cases.insert(cases.end(), {
      // A channel 2 behind gains nothing, more than 2 behind 2, more than 12 behind 5.
      {1024, 200, 190, 180, 1024, 20, 22, 25, R::Again},   {1024, 198, 200, 188, 1024, 20, 20, 22, R::Again},
      {1024, 200, 199, 205, 1024, 22, 22, 20, R::Again},   {1024, 205, 203, 203.5f, 1024, 20, 20, 20, R::Converged},
      // A changed brightness is capped; it goes no lower than zero.
      {4900, 150, 150, 150, 5000, 20, 20, 20, R::Again},   {5200, 180, 180, 180, 5000, 20, 20, 20, R::Again},
      {5200, 200, 200, 200, 5200, 20, 20, 20, R::Converged}, {100, 240, 240, 240, 0, 20, 20, 20, R::Again},
      // A largest mean below 10 is no sheet; 10 is one.
      {1024, 9.99f, 5, 0, 1024, 20, 20, 20, R::NoSheet},   {1024, 2, 10, 3, 1524, 22, 20, 22, R::Again},
  });
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.start << ": " << c.red << " " << c.green << " " << c.blue);
    VisibleAdjustment adjustment(c.start);
    EXPECT_EQ(adjustment.Step(c.red, c.green, c.blue), c.result);
    const SensorSettings& s = adjustment.Settings();
    EXPECT_EQ(std::tie(s.brightness, s.red, s.green, s.blue), std::tie(c.brightness, c.redGain, c.greenGain, c.blueGain));
    EXPECT_EQ(adjustment.Passes(), c.result == R::Again ? 1 : 0);
  }
}

TEST(CalibrationVisible, GainsReachingTheTopAreHalvedWithoutConverging) {
  // Gains to 254, 102, 105 with the brightness in the band; one more red
  // raise of 2 takes red to 256.
  VisibleAdjustment adjustment(1024);
  auto passes = [&](int n, float red, float green, float blue) {
    for (int i = 0; i < n; ++i) ASSERT_EQ(adjustment.Step(red, green, blue), R::Again);
  };
  passes(16, 200, 180, 200);  // green 100
  passes(1, 200, 195, 200);   // green 102
  passes(17, 200, 200, 180);  // blue 105
  passes(46, 180, 200, 200);  // red 250
  passes(2, 195, 200, 200);   // red 254
  ASSERT_EQ(adjustment.Settings().red, 254);
  EXPECT_EQ(adjustment.Step(195, 200, 200), R::Again);
  const SensorSettings& s = adjustment.Settings();
  EXPECT_EQ(std::tie(s.brightness, s.red, s.green, s.blue), std::tuple(1024, 128, 51, 52));
  EXPECT_EQ(adjustment.Passes(), 83);
}

TEST(CalibrationInfrared, PassesStopInTheBandOrTakeSecantStepsWithinTheLimits) {
  struct Case {  // a mean per pass, the brightness after it (the gains stay 192, 168, 176); earlier passes give Again
    int start; std::vector<float> means; std::vector<int> brightness; R last;
  };
  const Case cases[] = {
      {1408, {190}, {1408}, R::Converged},  {1408, {210}, {1408}, R::Converged}, {1408, {189.99f}, {1508}, R::Again},
      {1408, {210.01f}, {1308}, R::Again}, {1408, {9.99f}, {1408}, R::NoSheet},
      // Below: h = (200 - M) / D * S; above: h = (M - 210) / D * S, truncated.
      {1408, {150, 170, 180}, {1508, 1658, 1958}, R::Again},
      {1408, {250, 230, 220}, {1308, 1208, 1108}, R::Again},
      {1408, {150, 173, 180}, {1508, 1625, 1959}, R::Again},  // 27 / 23 * 100 = 117.39
      {1408, {150, 230, 215}, {1508, 1483, 1475}, R::Again},  // overshooting turns: 20 / 80 * 100 = 25
      {5950, {150, 170, 180}, {6000, 6000, 6000}, R::Again},
      {250, {250, 230, 220}, {200, 200, 200}, R::Again},
      // An unchanged mean repeats the last step; a tiny change ends at a limit.
      {1000, {150, 170, 170, 195}, {1100, 1250, 1400, 1400}, R::Converged},
      {1000, {100, 100.00001f, 250}, {1100, 6000, 200}, R::Again},
  };
  for (const Case& c : cases) {
    InfraredAdjustment adjustment(c.start);
    for (size_t pass = 0; pass < c.means.size(); ++pass) {
      SCOPED_TRACE(::testing::Message() << c.start << ", " << c.means[0] << "..., pass " << pass);
      EXPECT_EQ(adjustment.Step(c.means[pass]), pass + 1 == c.means.size() ? c.last : R::Again);
      const SensorSettings& s = adjustment.Settings();
      EXPECT_EQ(std::tie(s.brightness, s.red, s.green, s.blue), std::tuple(c.brightness[pass], 192, 168, 176));
    }
    EXPECT_EQ(adjustment.Passes(), static_cast<int>(c.means.size()) - (c.last == R::Again ? 0 : 1));
  }
}

TEST(CalibrationStatistics, MeansAndPopulationVariancesSkipTheRowPadding) {
  // 2 x 2 pixels (blue, green, red) and 2 bright padding bytes per row.
  const std::vector<uint8_t> image = {0, 10, 255, 2, 20, 255, 0xFF, 0xFF,  //
                                      4, 30, 255, 6, 40, 255, 0xFF, 0xFF};
  const ChannelStatistics s = MeasureChannels(image.data(), 2, 2, 8);
  EXPECT_EQ(std::tie(s.blueMean, s.greenMean, s.redMean), std::tuple(3.0f, 25.0f, 255.0f));
  EXPECT_EQ(std::tie(s.blueVariance, s.greenVariance, s.redVariance), std::tuple(5.0f, 125.0f, 0.0f));
  EXPECT_EQ(s.MaxMean(), 255.0f);
  for (const ChannelStatistics& none : {MeasureChannels(image.data(), 0, 2, 8), MeasureChannels(nullptr, 2, 2, 8)}) {
    EXPECT_EQ(std::tie(none.blueMean, none.greenMean, none.redMean, none.redVariance), std::tuple(0.0f, 0.0f, 0.0f, 0.0f));
  }
}

}  // namespace
}  // namespace pixmender
