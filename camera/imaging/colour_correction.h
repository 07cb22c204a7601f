// Colour correction: three 256-entry tables (red, green, blue) that a colour
// image passes through as the last step of the colour pipeline, the rules that
// fill them (offsets, grey world, histogram equalisation, white point) and the
// calibration hooks of the preview thread. Pure operations over caller
// buffers and the per-camera state below; the camera owns the state and its
// locking.
#pragma once

#include <cstdint>

#include "camera/imaging/pipeline_settings.h"
#include "qcxapi.h"

namespace qcx {

enum class ColourChannel { Red, Green, Blue };

// The white-balance region, in the coordinates of the raw frame measured.
struct MeasuringRegion {
    int x = 0, y = 0, width = 0, height = 0;
};

struct ColourCorrection {
    int mode = 0;  // 0 off, 1 grey world, 2 per-channel equalisation, 3 common, 4 white point
    int redOffset = 0, greenOffset = 0, blueOffset = 0;
    int values[3] = {0, 0, 0};  // values[0] = white-point threshold of mode 4
    ByteTable redTable = IdentityTable(), greenTable = IdentityTable(), blueTable = IdentityTable();
    bool calibrationRequest = false;
    bool tableLoaded = false;
    QCX_COLOR_CORRECT_CALLBACK callback = nullptr;
    void* context = nullptr;
};

// One channel's offset and table from a value under the current mode: mode 0
// gives offset 0 and an identity table, mode 1 the clamped offset added to
// every entry, any other mode offset 0 with the table left alone.
void ApplyOffsetRule(ColourCorrection& c, ColourChannel channel, int value);

// The offset rule with value 0 on all three channels.
void ResetOffsets(ColourCorrection& c);

// Calls the application's callback, if one is set, with the offsets in force.
void NotifyColorCorrect(const ColourCorrection& c, int state);

// Classifies every sample of the region (clipped to the frame) by the colour
// order of the Bayer mode, lowers it by 10 (modulo 256) to mark the measured
// area, and builds the tables by the correction mode. Bayer modes outside
// 0 ... 23 do nothing at all.
void RunRawCalibration(ColourCorrection& c, std::uint8_t* raw, int frameWidth, int frameHeight,
                       const MeasuringRegion& region, int bayerMode);

// White-point gains from the near-white pixels of a 24-bit or 32-bit image;
// other bit counts do nothing.
void RunImageCalibration(ColourCorrection& c, const std::uint8_t* image, int width, int height,
                         int bitCount);

// Every pixel's blue, green and red byte through the tables when the mode is
// not 0; 24-bit and 32-bit images only (a fourth byte stays).
void ApplyColorCorrection(const ColourCorrection& c, std::uint8_t* image, int width, int height,
                          int bitCount);

// Preview hooks: when a calibration is requested and the mode belongs to this
// hook, calibrate, clear the request and notify with state 1. True if it ran.
// The image hook waits while the image is grey (bit count 8).
bool RunRawCalibrationIfRequested(ColourCorrection& c, std::uint8_t* raw, int width, int height,
                                  const MeasuringRegion& region, int bayerMode);
bool RunImageCalibrationIfRequested(ColourCorrection& c, const std::uint8_t* image, int width,
                                    int height, int bitCount);

}  // namespace qcx
