// Gamma, contrast and brightness: three 256-entry byte tables over raw
// samples, rebuilt only by their setters, so they act alike on every colour
// and on grey output.
#pragma once

#include <cstdint>

#include "camera/imaging/pipeline_settings.h"

namespace qcx {

// Table for gamma value -9 ... 9 (exponent 1 - value / 10).
ByteTable BuildGammaTable(int gammaValue);
// Tables for the stored contrast and brightness, 0 ... 256 (128 = identity).
ByteTable BuildContrastTable(int storedContrast);
ByteTable BuildBrightnessTable(int storedBrightness);

// Clamps to -9 ... 9; a new value is stored, switches gamma on when it is not
// 0, and rebuilds the table. Always 1.
int SetGammaValue(PipelineSettings& s, int gamma);
// Always 1.
int SetGammaOn(PipelineSettings& s, bool on);

// The exported value -128 ... 128 (clamped) is stored plus 128. 1 when the
// stored value changed (the table is rebuilt), -8 when it was already stored.
int SetContrast(PipelineSettings& s, int contrast);
int GetContrast(const PipelineSettings& s);
int SetBrightness(PipelineSettings& s, int brightness);
int GetBrightness(const PipelineSettings& s);

// The exported value -128 ... 128 (clamped) is stored plus 128; a change sets
// the factor and asks the next colour frame to reset the saturation cache.
// Always 1 (monochrome cameras are refused by the caller).
int SetSaturation(PipelineSettings& s, int saturation);
int GetSaturation(const PipelineSettings& s);

// Gamma (when on and the value is not 0), then contrast (when not 128), then
// brightness (when not 128), in place over width * height bytes.
void RunGammaContrastBrightness(std::uint8_t* samples, int width, int height, const PipelineSettings& s);

}  // namespace qcx
