// The visible-light and infrared adjustment passes.
#include <gtest/gtest.h>

#include <tuple>

#include "tool/infrared_adjustment.h"
#include "tool/visible_adjustment.h"

namespace pixmender {
namespace {

// A pass whose three means are equal moves only the brightness.
TEST(CalibrationVisible, BrightnessStepFollowsTheLargestMean) {
  struct Case {
    float maxMean;
    int change;
  };
  const Case cases[] = {
      {150, 500},  {180, 200},  {200, 0},    {216, -50},    {225, -100},  {240, -200},
      {159.9f, 500}, {160, 200}, {194.99f, 200}, {195, 0}, {215, 0}, {215.01f, -50}, {220, -100}, {230.01f, -200},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.maxMean);
    VisibleAdjustment adjustment(1024);
    const PassResult result = adjustment.Step(c.maxMean, c.maxMean, c.maxMean);
    EXPECT_EQ(adjustment.Settings().brightness, 1024 + c.change);
    EXPECT_EQ(result, c.change == 0 ? PassResult::Converged : PassResult::Again);
    EXPECT_EQ(adjustment.Passes(), c.change == 0 ? 0 : 1);
  }
}

TEST(CalibrationVisible, GainsRiseByHowFarEachChannelTrails) {
  struct Case {
    float red, green, blue;
    int redGain, greenGain, blueGain;
  };
  const Case cases[] = {
      {200, 190, 180, 20, 22, 25},      // red is the maximum
      {198, 200, 188, 20, 20, 22},      // exactly 2 behind: none; exactly 12 behind: 2
      {200, 197.5f, 187.5f, 20, 22, 25},
      {200, 199, 205, 22, 22, 20},      // the blue maximum drives the others
  };
  for (const Case& c : cases) {
    VisibleAdjustment adjustment(1024);
    const PassResult result = adjustment.Step(c.red, c.green, c.blue);
    const SensorSettings& s = adjustment.Settings();
    EXPECT_EQ(std::tie(s.red, s.green, s.blue), std::tie(c.redGain, c.greenGain, c.blueGain))
        << c.red << " " << c.green << " " << c.blue;
    EXPECT_EQ(s.brightness, 1024);
    EXPECT_EQ(result, PassResult::Again);
  }
}

TEST(CalibrationVisible, ConvergesWhenNothingChanges) {
  VisibleAdjustment adjustment(1500);
  EXPECT_EQ(adjustment.Settings().red, 20);
  EXPECT_EQ(adjustment.Step(205, 200, 203), PassResult::Again);
  EXPECT_EQ(adjustment.Settings().green, 22);
  // Means within 2 of the largest and a largest mean in the band change nothing.
  EXPECT_EQ(adjustment.Step(205, 203, 203.5f), PassResult::Converged);
  const SensorSettings& s = adjustment.Settings();
  EXPECT_EQ(std::tie(s.brightness, s.red, s.green, s.blue), std::tuple(1500, 20, 22, 20));
  EXPECT_EQ(adjustment.Passes(), 1);
}

TEST(CalibrationVisible, GainsAtTheTopAreHalvedWithoutConverging) {
  // Bring the gains to 250, 102, 105 with the brightness in the band, then a
  // red-only raise of 5 and 1 takes red past 255.
  VisibleAdjustment adjustment(1024);
  auto pass = [&](float red, float green, float blue) {
    ASSERT_EQ(adjustment.Step(red, green, blue), PassResult::Again);
  };
  for (int i = 0; i < 16; ++i) pass(200, 180, 200);  // green +5
  pass(200, 195, 200);                               // green +2: 102
  for (int i = 0; i < 17; ++i) pass(200, 200, 180);  // blue +5: 105
  for (int i = 0; i < 46; ++i) pass(180, 200, 200);  // red +5: 250
  pass(195, 200, 200);                               // red +2: 252
  pass(195, 200, 200);                               // red +2: 254
  ASSERT_EQ(adjustment.Settings().red, 254);
  ASSERT_EQ(adjustment.Passes(), 82);

  EXPECT_EQ(adjustment.Step(195, 200, 200), PassResult::Again);  // red reaches 256
  const SensorSettings& s = adjustment.Settings();
  EXPECT_EQ(std::tie(s.red, s.green, s.blue), std::tuple(128, 51, 52));
  EXPECT_EQ(s.brightness, 1024);
  EXPECT_EQ(adjustment.Passes(), 83);
}

TEST(CalibrationVisible, BrightnessIsCappedAndFloored) {
  struct Case {
    int start;
    float maxMean;
    int expected;
  };
  const Case cases[] = {
      {4900, 150, 5000},  // capped
      {5200, 180, 5000},  // a changed brightness above the cap comes down to it
      {5200, 200, 5200},  // an unchanged one is left
      {100, 240, 0},      // never below the shortest exposure
  };
  for (const Case& c : cases) {
    VisibleAdjustment adjustment(c.start);
    // Still a change, so the pass never converges at a limit.
    EXPECT_EQ(adjustment.Step(c.maxMean, c.maxMean, c.maxMean),
              c.start == c.expected && c.maxMean == 200 ? PassResult::Converged : PassResult::Again);
    EXPECT_EQ(adjustment.Settings().brightness, c.expected) << c.start << " " << c.maxMean;
  }
}

TEST(CalibrationVisible, DarkFrameMeansNoSheet) {
  VisibleAdjustment adjustment(1024);
  EXPECT_EQ(adjustment.Step(9.99f, 5, 0), PassResult::NoSheet);
  const SensorSettings& s = adjustment.Settings();
  EXPECT_EQ(std::tie(s.brightness, s.red, s.green, s.blue), std::tuple(1024, 20, 20, 20));
  EXPECT_EQ(adjustment.Passes(), 0);
  EXPECT_EQ(adjustment.Step(2, 10, 3), PassResult::Again);
}

TEST(CalibrationVisible, FailsOnTheHundredthPass) {
  VisibleAdjustment adjustment(0);
  for (int i = 1; i < 100; ++i) {
    ASSERT_EQ(adjustment.Step(100, 100, 100), PassResult::Again) << i;
  }
  EXPECT_EQ(adjustment.Step(100, 100, 100), PassResult::Failed);
  EXPECT_EQ(adjustment.Passes(), 100);
  EXPECT_EQ(adjustment.Settings().brightness, 5000);
}

TEST(CalibrationInfrared, FirstPassStopsInTheBandOrStepsByOneHundred) {
  struct Case {
    float maxMean;
    PassResult result;
    int brightness;
  };
  const Case cases[] = {
      {190, PassResult::Converged, 1408}, {210, PassResult::Converged, 1408}, {189.99f, PassResult::Again, 1508},
      {210.01f, PassResult::Again, 1308}, {9.99f, PassResult::NoSheet, 1408},
  };
  for (const Case& c : cases) {
    InfraredAdjustment adjustment(1408);
    EXPECT_EQ(adjustment.Step(c.maxMean), c.result) << c.maxMean;
    const SensorSettings& s = adjustment.Settings();
    EXPECT_EQ(std::tie(s.brightness, s.red, s.green, s.blue), std::tuple(c.brightness, 192, 168, 176)) << c.maxMean;
    EXPECT_EQ(adjustment.Passes(), c.result == PassResult::Again ? 1 : 0);
  }
}

TEST(CalibrationInfrared, LaterPassesTakeSecantSteps) {
  struct Case {
    int start;
    float means[3];
    int brightness[3];
    int step[3];
  };
  const Case cases[] = {
      // Below: h = (200 - M) / D * S.
      {1408, {150, 170, 180}, {1508, 1658, 1958}, {100, 150, 300}},
      // Above: h = (M - 210) / D * S.
      {1408, {250, 230, 220}, {1308, 1208, 1108}, {100, 100, 100}},
      // Truncated toward zero: 27 / 23 * 100 = 117.39.
      {1408, {150, 173, 180}, {1508, 1625, 1959}, {100, 117, 334}},
      // Overshooting turns the direction: 20 / 80 * 100 = 25.
      {1408, {150, 230, 215}, {1508, 1483, 1475}, {100, 25, 8}},
      // The limits: at most 6000, at least 200.
      {5950, {150, 170, 180}, {6000, 6000, 6000}, {100, 150, 300}},
      {250, {250, 230, 220}, {200, 200, 200}, {100, 100, 100}},
  };
  for (const Case& c : cases) {
    InfraredAdjustment adjustment(c.start);
    for (int pass = 0; pass < 3; ++pass) {
      SCOPED_TRACE(testing::Message() << c.start << " pass " << pass);
      EXPECT_EQ(adjustment.Step(c.means[pass]), PassResult::Again);
      EXPECT_EQ(adjustment.Settings().brightness, c.brightness[pass]);
      EXPECT_EQ(adjustment.LastStep(), c.step[pass]);
    }
  }
}

TEST(CalibrationInfrared, UnchangedMeanRepeatsTheLastStep) {
  InfraredAdjustment adjustment(1000);
  EXPECT_EQ(adjustment.Step(150), PassResult::Again);  // +100
  EXPECT_EQ(adjustment.Step(170), PassResult::Again);  // D 20: +150
  EXPECT_EQ(adjustment.Step(170), PassResult::Again);  // D 0: +150 again
  EXPECT_EQ(adjustment.Settings().brightness, 1400);
  EXPECT_EQ(adjustment.LastStep(), 150);
  EXPECT_EQ(adjustment.Step(195), PassResult::Converged);
  EXPECT_EQ(adjustment.Settings().brightness, 1400);
  EXPECT_EQ(adjustment.Passes(), 3);
}

TEST(CalibrationInfrared, TinyChangeStaysWithinTheLimits) {
  InfraredAdjustment adjustment(1000);
  EXPECT_EQ(adjustment.Step(100), PassResult::Again);
  EXPECT_EQ(adjustment.Step(100.00001f), PassResult::Again);  // h in the millions
  EXPECT_EQ(adjustment.Settings().brightness, 6000);
  EXPECT_EQ(adjustment.Step(250), PassResult::Again);
  EXPECT_EQ(adjustment.Settings().brightness, 200);
}

TEST(CalibrationInfrared, FailsOnTheSixtiethPass) {
  InfraredAdjustment adjustment(1408);
  for (int i = 1; i < 60; ++i) {
    ASSERT_EQ(adjustment.Step(120), PassResult::Again) << i;
  }
  EXPECT_EQ(adjustment.Step(120), PassResult::Failed);
  EXPECT_EQ(adjustment.Passes(), 60);
  EXPECT_EQ(adjustment.Settings().brightness, 6000);
}

}  // namespace
}  // namespace pixmender
