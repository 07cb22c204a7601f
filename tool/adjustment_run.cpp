#include "tool/adjustment_run.h"

#include "tool/calibration_grab.h"
#include "tool/camera_link.h"
#include "tool/infrared_adjustment.h"
#include "tool/raster_image.h"

namespace pixmender {
namespace {

constexpr int kVisibleKind = 1;
constexpr int kInfraredKind = 2;

// What both runs do once the pass loop has ended: store the record of a
// converged run and read the serial number back (not after a missing sheet,
// which stops the run at once).
void FinishRun(CameraLink& camera, int baseAddress, int kind, AdjustmentOutcome& outcome) {
  if (outcome.result == PassResult::NoSheet || outcome.cancelled) return;
  if (outcome.result == PassResult::Converged) {
    const SensorSettings& s = outcome.settings;
    camera.WriteCalibrationRecord(kind, s.brightness, s.red, s.green, s.blue);
  }
  outcome.serial = ReadSerialNumber(camera, baseAddress);
}

template <typename Adjustment, typename StepFn>
AdjustmentOutcome RunPasses(CameraLink& camera, int baseAddress, int kind, Adjustment& adjustment,
                            const std::atomic<bool>& stop, StepFn step) {
  AdjustmentOutcome outcome;
  for (;;) {
    if (stop.load()) {
      outcome.cancelled = true;
      break;
    }
    const SensorSettings s = adjustment.Settings();
    camera.ProgramSensor(s.brightness, s.red, s.green, s.blue, kind);
    outcome.statistics = MeasureOneFrame(camera, &outcome.grabFailed);
    ++outcome.passes;
    outcome.result = step(adjustment, outcome.statistics);
    outcome.settings = adjustment.Settings();
    if (outcome.result != PassResult::Again) break;
  }
  FinishRun(camera, baseAddress, kind, outcome);
  return outcome;
}

}  // namespace

ChannelStatistics MeasureOneFrame(CameraLink& camera, bool* grabFailed) {
  RasterImage image;
  const bool grabbed = GrabForCalibration(camera, image, QString());
  if (grabFailed) *grabFailed = !grabbed;
  if (!grabbed || image.IsEmpty() || image.BitsPerPixel() != 24) return ChannelStatistics{};
  return MeasureChannels(image.Row(0), image.Width(), image.Height(), image.Stride());
}

std::u16string ReadSerialNumber(CameraLink& camera, int baseAddress) {
  uint16_t words[kSerialWords] = {};
  camera.ReadWords(baseAddress + kSerialOffset, kSerialWords, words);
  return std::u16string(words, words + kSerialWords);
}

AdjustmentOutcome RunVisibleAdjustment(CameraLink& camera, int baseAddress, int brightness,
                                       const std::atomic<bool>& stop) {
  VisibleAdjustment adjustment(brightness);
  return RunPasses(camera, baseAddress, kVisibleKind, adjustment, stop,
                   [](VisibleAdjustment& a, const ChannelStatistics& st) {
                     return a.Step(st.redMean, st.greenMean, st.blueMean);
                   });
}

AdjustmentOutcome RunInfraredAdjustment(CameraLink& camera, int baseAddress, int brightness,
                                        const std::atomic<bool>& stop) {
  InfraredAdjustment adjustment(brightness);
  return RunPasses(camera, baseAddress, kInfraredKind, adjustment, stop,
                   [](InfraredAdjustment& a, const ChannelStatistics& st) { return a.Step(st.MaxMean()); });
}

}  // namespace pixmender
