// The preview's display bitmap header follows the preview window, the output
// mode and the Bayer mode.
#include "camera/common/status.h"
#include "camera/device/device.h"

namespace qcx {

namespace {

// Field offsets of the 40-byte bitmap header.
constexpr std::size_t kWidthField = 4;
constexpr std::size_t kHeightField = 8;
constexpr std::size_t kBitCountField = 14;
constexpr std::size_t kImageSizeField = 20;
constexpr std::size_t kColoursUsedField = 32;

void Put32(std::uint8_t* header, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) header[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t Get32(const std::uint8_t* header, std::size_t offset) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | header[offset + i];
    return value;
}

std::uint32_t ImageSize(const std::uint8_t* header) {
    const std::uint32_t bitCount = header[kBitCountField] | (header[kBitCountField + 1] << 8);
    return bitCount / 8 * Get32(header, kWidthField) * Get32(header, kHeightField);
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
