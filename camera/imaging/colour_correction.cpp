// The offset rule, the table pass over colour images, the callback and the
// preview hooks of colour correction. The calibrations themselves live in
// colour_calibration.cpp.
#include "camera/imaging/colour_correction.h"

#include <algorithm>
#include <cstddef>

namespace qcx {
namespace {

ByteTable OffsetTable(int offset) {
    ByteTable table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(std::clamp(i + offset, 0, 255));
    return table;
}

// The pixel size is a template parameter so the pass over the image is one
// straight loop of three look-ups per pixel.
template <int Stride>
void MapThroughTables(const ColourCorrection& c, std::uint8_t* image, std::size_t pixels) {
    const std::uint8_t* const blue = c.blueTable.data();
    const std::uint8_t* const green = c.greenTable.data();
    const std::uint8_t* const red = c.redTable.data();
    std::uint8_t* const end = image + pixels * Stride;
    for (std::uint8_t* p = image; p != end; p += Stride) {
        p[0] = blue[p[0]];
        p[1] = green[p[1]];
        p[2] = red[p[2]];
    }
}

}  // namespace

void ApplyOffsetRule(ColourCorrection& c, ColourChannel channel, int value) {
    int* offset = &c.redOffset;
    ByteTable* table = &c.redTable;
    if (channel == ColourChannel::Green) {
        offset = &c.greenOffset;
        table = &c.greenTable;
    } else if (channel == ColourChannel::Blue) {
        offset = &c.blueOffset;
        table = &c.blueTable;
    }

    if (c.mode == 0) {
        *offset = 0;
        *table = IdentityTable();
    } else if (c.mode == 1) {
        *offset = std::clamp(value, -255, 255);
        *table = OffsetTable(*offset);
    } else {
        // The histogram and white-point tables are not offsets: they stay.
        *offset = 0;
    }
}

void ResetOffsets(ColourCorrection& c) {
    ApplyOffsetRule(c, ColourChannel::Red, 0);
    ApplyOffsetRule(c, ColourChannel::Green, 0);
    ApplyOffsetRule(c, ColourChannel::Blue, 0);
}

void NotifyColorCorrect(const ColourCorrection& c, int state) {
    if (c.callback != nullptr) c.callback(state, c.redOffset, c.greenOffset, c.blueOffset, c.context);
}

void ApplyColorCorrection(const ColourCorrection& c, std::uint8_t* image, int width, int height,
                          int bitCount) {
    if (c.mode == 0 || image == nullptr || width <= 0 || height <= 0) return;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (bitCount == 24) {
        MapThroughTables<3>(c, image, pixels);
    } else if (bitCount == 32) {
        MapThroughTables<4>(c, image, pixels);
    }
    // Grey images (8 bits) have no colour to correct.
}

bool RunRawCalibrationIfRequested(ColourCorrection& c, std::uint8_t* raw, int width, int height,
                                  const MeasuringRegion& region, int bayerMode) {
    if (!c.calibrationRequest || c.mode == 4) return false;
    RunRawCalibration(c, raw, width, height, region, bayerMode);
    c.calibrationRequest = false;
    NotifyColorCorrect(c, 1);
    return true;
}

bool RunImageCalibrationIfRequested(ColourCorrection& c, const std::uint8_t* image, int width,
                                    int height, int bitCount) {
    // A grey preview has no image to calibrate: the request waits for colour.
    if (!c.calibrationRequest || c.mode != 4 || (bitCount != 24 && bitCount != 32)) return false;
    RunImageCalibration(c, image, width, height, bitCount);
    c.calibrationRequest = false;
    NotifyColorCorrect(c, 1);
    return true;
}

}  // namespace qcx
