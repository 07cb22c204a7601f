#include "tool/simcomponent/calibration_sheet.h"

#include <algorithm>
#include <cmath>

namespace pixmender {
namespace {

// The tool turns YUY2 into colour with
//   B = Y + 1.4075 (U − 128), R = Y + 1.779 (V − 128),
//   G = Y − 0.3455 (V − 128) − 0.7169 (U − 128),
// U being the group's byte 1 and V its byte 3; the encoding inverts exactly these.
constexpr double kBlueU = 1.4075;
constexpr double kRedV = 1.779;
constexpr double kGreenV = 0.3455 / kRedV;
constexpr double kGreenU = 0.7169 / kBlueU;

// Visible light: a warm sheet, R 150, G 140, B 130 at brightness 1024 with all gains 20.
constexpr double kVisibleGainRef = 1.0 + 20.0 / 256.0;
constexpr double kVisibleRed = 150.0 / kVisibleGainRef;
constexpr double kVisibleGreen = 140.0 / kVisibleGainRef;
constexpr double kVisibleBlue = 130.0 / kVisibleGainRef;

// Infrared: grey, 150 at brightness 1408 with gains 192, 168, 176; the gains
// act only weakly there.
constexpr double kInfraredLevel = 150.0;
constexpr double kInfraredBrightness = 1408.0;
double InfraredGain(double gain, double reference) { return (1.0 + gain / 2048.0) / (1.0 + reference / 2048.0); }

uint8_t ToByte(double value) {
  long rounded = std::lround(value);
  return static_cast<uint8_t>(std::clamp(rounded, 0L, 255L));
}

// A fixed per-pixel value in [−1, 1].
double Texture(int x, int y) {
  uint32_t h = static_cast<uint32_t>(x) * 73856093u ^ static_cast<uint32_t>(y) * 19349663u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return (h & 0xFFFF) / 32767.5 - 1.0;
}

// The measured region is [w/18, 17w/18) × [h/17, 16h/17); the marks stay in the border around it.
bool InsideMark(int x, int y, int width, int height) {
  double borderX = width / 18.0;
  double borderY = height / 17.0;
  double half = 0.3 * std::min(borderX, borderY);
  const double centresX[] = {borderX / 2, width / 2.0, width - borderX / 2};
  const double centresY[] = {borderY / 2, height - borderY / 2};
  for (double cy : centresY) {
    for (double cx : centresX) {
      if (std::abs(x + 0.5 - cx) < half && std::abs(y + 0.5 - cy) < half) return true;
    }
  }
  return false;
}

}  // namespace

ChannelLevels SheetLevels(const SensorState& state) {
  double b = std::max(0, state.brightness);
  if (state.infrared) {
    double level = kInfraredLevel * b / kInfraredBrightness;
    return {level * InfraredGain(state.red, 192), level * InfraredGain(state.green, 168),
            level * InfraredGain(state.blue, 176)};
  }
  double exposure = b / 1024.0;
  return {kVisibleRed * exposure * (1.0 + state.red / 256.0), kVisibleGreen * exposure * (1.0 + state.green / 256.0),
          kVisibleBlue * exposure * (1.0 + state.blue / 256.0)};
}

CalibrationSheet::CalibrationSheet(int width, int height, int lightnessPercent)
    : width_(std::max(width, 0)), height_(std::max(height, 0)), lightness_(std::max(lightnessPercent, 0) / 100.0),
      shading_(static_cast<size_t>(width_) * static_cast<size_t>(height_)) {
  if (shading_.empty()) return;
  double cx = width_ / 2.0;
  double cy = height_ / 2.0;
  for (int y = 0; y < height_; ++y) {
    double dy = (y + 0.5 - cy) / cy;
    for (int x = 0; x < width_; ++x) {
      double dx = (x + 0.5 - cx) / cx;
      double vignette = 1.0 - 0.06 * (dx * dx + dy * dy);
      shading_[static_cast<size_t>(y) * width_ + x] = static_cast<float>(vignette * (1.0 + 0.02 * Texture(x, y)));
    }
  }
  // Scale so that the measured region averages exactly the levels.
  int left = width_ / 18, right = width_ * 17 / 18, top = height_ / 17, bottom = height_ * 16 / 17;
  double sum = 0;
  long count = 0;
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) sum += shading_[static_cast<size_t>(y) * width_ + x];
    count += std::max(right - left, 0);
  }
  float scale = (count > 0 && sum > 0) ? static_cast<float>(count / sum) : 1.0f;
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      float& s = shading_[static_cast<size_t>(y) * width_ + x];
      s *= scale;
      if (InsideMark(x, y, width_, height_)) s *= 0.1f;
    }
  }
}

std::vector<uint8_t> CalibrationSheet::RenderYuy2(const SensorState& state) const {
  std::vector<uint8_t> frame(shading_.size() * 2);
  ChannelLevels levels = SheetLevels(state);
  const float red = static_cast<float>(levels.red * lightness_);
  const float green = static_cast<float>(levels.green * lightness_);
  const float blue = static_cast<float>(levels.blue * lightness_);
  constexpr float kLumaScale = static_cast<float>(1.0 / (1.0 + kGreenV + kGreenU));
  auto clamp = [](float v) { return std::clamp(v, 0.0f, 255.0f); };
  const size_t pixels = shading_.size() & ~static_cast<size_t>(1);
  for (size_t i = 0; i < pixels; i += 2) {
    float y2[2], u = 0, v = 0;
    for (int k = 0; k < 2; ++k) {
      float s = shading_[i + k];
      float r = clamp(red * s), g = clamp(green * s), b = clamp(blue * s);
      float luma = (g + static_cast<float>(kGreenV) * r + static_cast<float>(kGreenU) * b) * kLumaScale;
      y2[k] = luma;
      u += (b - luma) / static_cast<float>(kBlueU);
      v += (r - luma) / static_cast<float>(kRedV);
    }
    uint8_t* out = frame.data() + i * 2;
    out[0] = ToByte(y2[0]);
    out[1] = ToByte(128.0 + u / 2);
    out[2] = ToByte(y2[1]);
    out[3] = ToByte(128.0 + v / 2);
  }
  return frame;
}

}  // namespace pixmender
