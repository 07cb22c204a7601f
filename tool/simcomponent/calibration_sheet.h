// The picture the simulated camera sees: a light calibration sheet with a mild
// vignette, a faint fixed texture and dark registration marks in the border
// outside the central region the tool measures, rendered as YUY2 through the
// sensor's exposure ("brightness") and colour gains.
#ifndef PIXMENDER_SIMCOMPONENT_CALIBRATION_SHEET_H
#define PIXMENDER_SIMCOMPONENT_CALIBRATION_SHEET_H

#include <cstdint>
#include <vector>

namespace pixmender {

// What of the sensor shapes the picture.
struct SensorState {
  int brightness = 1024;
  double red = 20;
  double green = 20;  // mean of the two green gain registers
  double blue = 20;
  bool infrared = false;
  bool operator==(const SensorState&) const = default;
};

// The sheet's red, green and blue level at the centre of the measured region,
// before clamping: monotonic in the brightness and in each gain.
struct ChannelLevels {
  double red = 0;
  double green = 0;
  double blue = 0;
};
ChannelLevels SheetLevels(const SensorState& state);

// One frame size of the sheet: the per-pixel shading is computed once, so
// rendering a new sensor state costs one pass over the pixels. A sheet of
// `lightnessPercent` gives back that share of a standard sheet's light: a
// dim one (10) stays short of the targets at the longest exposure.
class CalibrationSheet {
 public:
  CalibrationSheet(int width, int height, int lightnessPercent = 100);
  int Width() const { return width_; }
  int Height() const { return height_; }
  // YUY2 bytes, width × height × 2, packed rows.
  std::vector<uint8_t> RenderYuy2(const SensorState& state) const;

 private:
  int width_;
  int height_;
  double lightness_;
  std::vector<float> shading_;  // multiplies the levels; mean 1 over the measured region
};

}  // namespace pixmender

#endif
