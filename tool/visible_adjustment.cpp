#include "tool/visible_adjustment.h"

#include <algorithm>
#include <initializer_list>
#include <utility>

namespace pixmender {
namespace {

constexpr float kNoSheetMean = 10;
constexpr float kLowTarget = 195;
constexpr float kHighTarget = 215;
constexpr float kAim = 210;
constexpr int kMaxGain = 255;

// The brightness change for the largest mean; zero inside the target band.
// The differences are taken in float from the float mean, so a mean a hair
// past a boundary already steps by the next amount.
int BrightnessStep(float maxMean) {
  if (maxMean < kLowTarget) {
    return kAim - maxMean > 50 ? 500 : 200;
  }
  if (maxMean <= kHighTarget) {
    return 0;
  }
  if (maxMean - kAim > 20) {
    return -200;
  }
  if (maxMean - kAim >= 10) {
    return -100;
  }
  return -50;
}

// A channel trailing the brightest one by more than 2 gets more gain, by 5
// when it trails by more than 12.
int GainStep(float maxMean, float mean) {
  const float behind = maxMean - mean;
  if (!(behind > 2)) {
    return 0;
  }
  return behind > 12 ? 5 : 2;
}

}  // namespace

VisibleAdjustment::VisibleAdjustment(int brightness)
    : settings_{brightness, kStartGain, kStartGain, kStartGain} {}

PassResult VisibleAdjustment::Step(float redMean, float greenMean, float blueMean) {
  const float maxMean = std::max({redMean, greenMean, blueMean});
  if (maxMean < kNoSheetMean) {
    return PassResult::NoSheet;
  }

  bool changed = false;
  if (const int step = BrightnessStep(maxMean); step != 0) {
    settings_.brightness = static_cast<int>(std::clamp<long long>(static_cast<long long>(settings_.brightness) + step,
                                                                   kBrightnessFloor, kBrightnessCap));
    changed = true;
  }
  for (auto [gain, mean] : {std::pair{&settings_.red, redMean}, std::pair{&settings_.green, greenMean},
                            std::pair{&settings_.blue, blueMean}}) {
    if (const int step = GainStep(maxMean, mean); step != 0) {
      *gain += step;
      changed = true;
    }
  }

  // Gains at the top of their range leave no room to balance: halve them all
  // and measure again rather than call the run converged.
  if (std::max({settings_.red, settings_.green, settings_.blue}) >= kMaxGain) {
    settings_.red /= 2;
    settings_.green /= 2;
    settings_.blue /= 2;
  } else if (!changed) {
    return PassResult::Converged;
  }

  ++passes_;
  return passes_ >= kPassLimit ? PassResult::Failed : PassResult::Again;
}

}  // namespace pixmender
