// Automatic exposure, white balance and focus measurement on preview frames:
// the regions and one step of each loop, over the few camera operations they
// need. The camera glue (which thread, which callbacks) lives with the
// preview; these functions only measure and decide.
#pragma once

#include <cstdint>

#include "camera/imaging/colour_correction.h"
#include "camera/sensors/sensor_driver.h"
#include "qcxapi.h"

namespace qcx {

// What the loops read and change on the camera. Failures of the setters are
// not reported: the loop goes on with the next frame.
class AutoControlCamera {
public:
    virtual ~AutoControlCamera() = default;
    virtual int ExposureLines() = 0;  // as QCX_GetParam reports QCX_EXPOSURE_LINES
    virtual void SetExposureLines(int lines) = 0;
    virtual int Gain(GainChannel channel) = 0;  // as QCX_GetParam reports QCX_RED ...
    virtual void SetGain(GainChannel channel, int gain) = 0;
    virtual void SetColourShift(ColourChannel channel, int shift) = 0;  // QCX_RED_SHIFT ...
    // Debug trace of the exposure loop; the library writes it nowhere.
    virtual void Trace(const char* text) { (void)text; }
};

// The preview frame the regions live in.
struct RegionFrame {
    int width = 0;   // preview output width W
    int height = 0;  // preview output height H
    int outputMode = 0;
    int bayerMode = 0;
};

// Clamps a requested region into the frame (width and height at least
// `minimumSize`: 0 for exposure and white balance, 3 for focus), mirrors it
// vertically where the image is stored bottom-up, and makes all four even.
MeasuringRegion RecomputeRegion(const MeasuringRegion& requested, const RegionFrame& frame, int minimumSize);

struct AeLoop {
    MeasuringRegion requested{}, effective{};
    bool active = false;
    int counter = 0;
    int maximumCount = 0;
    int target = 0;
    int lastStep = 0;
    int inversions = 0;
    QCX_AE_CALLBACK callback = nullptr;
    void* context = nullptr;
};

struct AwbLoop {
    MeasuringRegion requested{}, effective{};
    bool active = false;
    int counter = 0;
    int maximumCount = 0;
    int redTarget = 0, greenTarget = 0, blueTarget = 0;
    QCX_AWB_CALLBACK callback = nullptr;
    void* context = nullptr;
};

struct AfLoop {
    MeasuringRegion requested{}, effective{};
    bool active = false;
    QCX_AF_CALLBACK callback = nullptr;
    void* context = nullptr;
};

// One exposure step on an 8-bit raw frame of rows `frameWidth` bytes long;
// only while `loop.active`. Returns the step's result (true: finished with
// success, or ended in a way reported as success); the caller reports to the
// callback when the step cleared `loop.active`.
bool AeStep(AeLoop& loop, const std::uint8_t* frame, int frameWidth, AutoControlCamera& camera);

// One white-balance step; darkens the visited samples of `frame` by 10
// (modulo 256). Returns the result; the caller reports when `loop.active`
// was cleared. Bayer modes of 24 and above run no step. A region without
// samples of every colour (zero width or height) ends the loop with false
// and leaves the gains alone.
bool AwbStep(AwbLoop& loop, std::uint8_t* frame, int frameWidth, int bayerMode, AutoControlCamera& camera);

// The focus value, 0 ... 10200, of the part of the region inside a grey
// frame; 0 when that part has no interior samples (width or height 2 or less).
int FocusValue(const std::uint8_t* frame, int frameWidth, int frameHeight, const MeasuringRegion& region);

}  // namespace qcx
