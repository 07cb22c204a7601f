// The preview's display bitmap header follows the preview window, the output
// mode and the Bayer mode.
#include "camera/common/bitmap_header.h"
#include "camera/common/status.h"
#include "camera/device/device.h"

namespace qcx {

namespace {

using bitmap::Get16;
using bitmap::Get32;
using bitmap::Put32;
using bitmap::kBitCountField;
using bitmap::kColoursUsedField;
using bitmap::kHeightField;
using bitmap::kImageSizeField;
using bitmap::kWidthField;

std::uint32_t ImageSize(const std::uint8_t* header) {
    return Get16(header, kBitCountField) / 8u * Get32(header, kWidthField) * Get32(header, kHeightField);
}

}  // namespace

int CDevice::RebuildDisplayHeader() {
    std::uint8_t* header = displayHeader_.get();
    if (header == nullptr) return status::kFail;
    const int outputMode = sensorState_.outputMode;
    const int bayerMode = sensorState_.bayerMode;
    if (outputMode != 0 && outputMode != 1) return status::kNotSupported;
    if (outputMode == 1 && (bayerMode < 0 || bayerMode > 23)) return status::kNotSupported;
    const int bitCount = OutputBitCount();
    header[kBitCountField] = static_cast<std::uint8_t>(bitCount);
    header[kBitCountField + 1] = 0;
    Put32(header, kImageSizeField, ImageSize(header));
    Put32(header, kColoursUsedField, bitCount <= 8 ? 256 : 0);
    return status::kSuccess;
}

void CDevice::PreviewSizeChanged() {
    std::uint8_t* header = displayHeader_.get();
    if (header == nullptr) return;
    const FieldOfView& preview = sensorState_.fov[FVM_PREVIEW];
    Put32(header, kWidthField, static_cast<std::uint32_t>(preview.outputWidth));
    Put32(header, kHeightField, static_cast<std::uint32_t>(preview.outputHeight));
    Put32(header, kImageSizeField, ImageSize(header));
}

void CDevice::SetOutputMode(int mode) {
    sensorState_.outputMode = mode;
    RebuildDisplayHeader();
    RecomputeRegions();
}

}  // namespace qcx
