// The visible-light adjustment, one pass at a time. The dialog programs the
// sensor with Settings(), measures a frame and hands the channel means to
// Step(), which moves the brightness and gains toward the targets and says
// whether to run another pass.
#ifndef PIXMENDER_VISIBLE_ADJUSTMENT_H
#define PIXMENDER_VISIBLE_ADJUSTMENT_H

namespace pixmender {

// What is programmed into the sensor for a pass: exposure and the three gains.
struct SensorSettings {
  int brightness, red, green, blue;
};

enum class PassResult {
  NoSheet,    // the frame is too dark to hold a calibration sheet; nothing to store
  Again,      // program Settings() and measure another pass
  Converged,  // Settings() is the result to store
  Failed,     // the pass limit was reached without converging
};

class VisibleAdjustment {
 public:
  static constexpr int kStartGain = 20;
  static constexpr int kBrightnessCap = 5000;
  // The register that receives the brightness holds no negative values: a
  // lowered brightness wraps around to a very long exposure instead. So the
  // run never lowers it below 0, the shortest exposure; a scene still too
  // bright there keeps counting as a change and the run fails at the limit.
  static constexpr int kBrightnessFloor = 0;
  static constexpr int kPassLimit = 100;

  // The brightness keeps the given value; the gains start at 20.
  explicit VisibleAdjustment(int brightness);

  // What to program for the next pass, or the result after Converged.
  const SensorSettings& Settings() const { return settings_; }

  // Evaluates one measured pass. After NoSheet, Converged or Failed the run is over.
  PassResult Step(float redMean, float greenMean, float blueMean);

  // The pass counter: the passes that ended in another pass or in failure
  // (a converging or a no-sheet pass does not count it up).
  int Passes() const { return passes_; }

 private:
  SensorSettings settings_;
  int passes_ = 0;
};

}  // namespace pixmender

#endif
