// The camera-level image settings behind the exports of the Bayer filter, the
// colour pipeline and colour correction: they look at the camera (its type,
// its sensor, its preview) and then hand the work to the pure operations of
// camera/imaging/. Every function answers a status code.
#pragma once

#include <cstdint>

#include "camera/imaging/colour_correction.h"
#include "qcxapi.h"

namespace qcx {

class CDevice;

// ---- Bayer filter ----
// Stores the mode unchecked; the display header and the automatic-control
// regions follow it. Always 1.
int BayerSetMode(CDevice& device, int mode);
int BayerGetMode(CDevice& device, int* mode);
// The sensor's own Bayer mode: through the driver when there is one, else
// from the default table; -3 for a type in no family.
int BayerGetDefaultMode(CDevice& device, int* mode);
int FilterSetMode(CDevice& device, int mode);
int FilterGetMode(CDevice& device, int* mode);

// ---- Colour pipeline ----
int GammaSetValue(CDevice& device, int gamma);
int GammaOn(CDevice& device, bool on);
int ProcessContrastSet(CDevice& device, int contrast);
int ProcessContrastGet(CDevice& device, int* contrast);
int ProcessBrightnessSet(CDevice& device, int brightness);
int ProcessBrightnessGet(CDevice& device, int* brightness);
// -128 and 128: the range of contrast and brightness alike.
int ProcessAdjustmentGetRange(CDevice& device, int* minimum, int* maximum);
// Monochrome cameras have no saturation: -3 (getters report 0).
int ProcessSaturationSet(CDevice& device, int saturation);
int ProcessSaturationGet(CDevice& device, int* saturation);
int ProcessSaturationGetRange(CDevice& device, int* minimum, int* maximum);

// Bad pixel correction: in the library for some cameras, in the camera's
// firmware (working-mode bits 2 and 3) for others, -3 for the rest.
int BadPixelCorrectionSetThreshold(CDevice& device, std::uint8_t first, std::uint8_t second);
int BadPixelCorrectionGetThreshold(CDevice& device, std::uint8_t* first, std::uint8_t* second);
int BadPixelCorrectionSet(CDevice& device, bool on, int mode);
// Null outputs are skipped.
int BadPixelCorrectionGet(CDevice& device, bool* on, int* mode);
int LoadMapTableFile(CDevice& device, bool enable, const char* file);

// ---- Colour correction ----
// Starts a calibration: on the next preview frame while the preview runs or
// is paused, otherwise at once on a frame read for it. -3 on monochrome
// cameras; otherwise 1, also when the frame cannot be read.
int ColorCorrectSet(CDevice& device, int mode, int value1, int value2, int value3);
int ColorCorrectGet(CDevice& device, int* mode);
int ColorCorrectSetCallback(CDevice& device, QCX_COLOR_CORRECT_CALLBACK callback, void* context);
int ColorCorrectTableSave(CDevice& device, const char* file);
int ColorCorrectTableLoad(CDevice& device, const char* file);
// The table-loaded flag as 0 or 1.
int IsColorCorrectTableLoad(CDevice& device, int* loaded);
// One colour shift (the offset rule under the current mode). Always 1.
int ColorCorrectShiftSet(CDevice& device, ColourChannel channel, int value);
int ColorCorrectShiftGet(CDevice& device, ColourChannel channel);

}  // namespace qcx
