// One whole adjustment run, visible or infrared, as the dialog starts it: the
// passes of programming the sensor, measuring a frame and stepping, then the
// calibration record and the serial number read back. It runs on a worker
// thread while the dialog's inputs are disabled, so live video goes on.
#ifndef PIXMENDER_ADJUSTMENT_RUN_H
#define PIXMENDER_ADJUSTMENT_RUN_H

#include <atomic>
#include <optional>
#include <string>

#include "tool/channel_statistics.h"
#include "tool/visible_adjustment.h"

namespace pixmender {

class CameraLink;

struct AdjustmentOutcome {
  PassResult result = PassResult::Again;  // NoSheet, Converged or Failed when the run ended normally
  int passes = 0;                         // passes run
  SensorSettings settings{};              // the brightness and gains the run ended with
  ChannelStatistics statistics{};         // of the last measured frame
  bool grabFailed = false;                // the last pass got no frame
  std::optional<std::u16string> serial;   // read back after the run (not after NoSheet)
  bool cancelled = false;                 // stopped between passes because the dialog went away
};

// The central region's channel statistics of the camera's current frame;
// all zero when there is no frame (`grabFailed` set).
ChannelStatistics MeasureOneFrame(CameraLink& camera, bool* grabFailed);

// Reads the 13 serial number words at base + 14.
std::u16string ReadSerialNumber(CameraLink& camera, int baseAddress);

// The visible-light run from `start` (its brightness is kept, its gains
// become 20). `stop` ends the run between passes.
AdjustmentOutcome RunVisibleAdjustment(CameraLink& camera, int baseAddress, int brightness,
                                       const std::atomic<bool>& stop);

// The infrared run from brightness `brightness` with the fixed infrared gains.
AdjustmentOutcome RunInfraredAdjustment(CameraLink& camera, int baseAddress, int brightness,
                                        const std::atomic<bool>& stop);

}  // namespace pixmender

#endif
