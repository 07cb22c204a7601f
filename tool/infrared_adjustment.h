// The infrared adjustment, one pass at a time: the gains stay fixed and only
// the brightness moves, first by a fixed step and then by a secant-like step
// scaled from how far the last change moved the largest mean.
#ifndef PIXMENDER_INFRARED_ADJUSTMENT_H
#define PIXMENDER_INFRARED_ADJUSTMENT_H

#include "tool/visible_adjustment.h"

namespace pixmender {

class InfraredAdjustment {
 public:
  static constexpr int kRedGain = 192;
  static constexpr int kGreenGain = 168;
  static constexpr int kBlueGain = 176;
  static constexpr int kFirstStep = 100;
  static constexpr int kBrightnessCap = 6000;
  static constexpr int kBrightnessFloor = 200;
  static constexpr int kPassLimit = 60;

  explicit InfraredAdjustment(int brightness);

  // What to program for the next pass, or the result after Converged.
  const SensorSettings& Settings() const { return settings_; }

  // Evaluates one measured pass by its largest channel mean. After NoSheet,
  // Converged or Failed the run is over.
  PassResult Step(float maxMean);

  // The pass counter: the passes that ended in another pass or in failure.
  int Passes() const { return passes_; }
  // The brightness step the next secant pass scales.
  int LastStep() const { return step_; }

 private:
  SensorSettings settings_;
  int step_ = kFirstStep;
  float previousMean_ = 0;
  float lastChange_ = 0;
  int passes_ = 0;
};

}  // namespace pixmender

#endif
