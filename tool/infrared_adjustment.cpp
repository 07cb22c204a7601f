#include "tool/infrared_adjustment.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pixmender {
namespace {

constexpr float kNoSheetMean = 10;
constexpr float kLowTarget = 190;
constexpr float kHighTarget = 210;
constexpr float kAim = 200;

// h truncated toward zero. A tiny change of the mean makes h enormous; it is
// held inside the int range so the truncation stays defined (the brightness
// limits then take over).
int TruncatedStep(float h) {
  constexpr float kLimit = 1.0e9f;
  return static_cast<int>(std::clamp(h, -kLimit, kLimit));
}

}  // namespace

InfraredAdjustment::InfraredAdjustment(int brightness)
    : settings_{brightness, kRedGain, kGreenGain, kBlueGain} {}

PassResult InfraredAdjustment::Step(float maxMean) {
  if (maxMean < kNoSheetMean) {
    return PassResult::NoSheet;
  }
  const bool firstPass = passes_ == 0;
  if (!firstPass) {
    lastChange_ = std::fabs(maxMean - previousMean_);
  }
  previousMean_ = maxMean;

  if (maxMean >= kLowTarget && maxMean <= kHighTarget) {
    return PassResult::Converged;
  }

  // The step scales the last one by how far the mean still has to go over how
  // far the last step moved it, in float like the means themselves. When the
  // mean did not move at all (the change is 0) the ratio means nothing: the
  // last step is repeated unchanged.
  const long long brightness = settings_.brightness;
  if (maxMean < kLowTarget) {
    if (!firstPass && lastChange_ != 0) {
      step_ = TruncatedStep((kAim - maxMean) / lastChange_ * static_cast<float>(step_));
    }
    settings_.brightness = static_cast<int>(std::min<long long>(brightness + step_, kBrightnessCap));
  } else {
    if (!firstPass && lastChange_ != 0) {
      step_ = TruncatedStep((maxMean - kHighTarget) / lastChange_ * static_cast<float>(step_));
    }
    settings_.brightness = static_cast<int>(std::max<long long>(brightness - step_, kBrightnessFloor));
  }

  ++passes_;
  return passes_ >= kPassLimit ? PassResult::Failed : PassResult::Again;
}

}  // namespace pixmender
