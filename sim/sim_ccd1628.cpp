#include "sim/sim_ccd1628.h"

#include <algorithm>
#include <cmath>

namespace qcx {
namespace {

constexpr double kPowerOnExposureLines = double{SimCcd1628::kPowerOnExposureHigh} * SimCcd1628::kLineClocks;

// The front end's VGA spans 34 dB over its ten bits, linear in dB.
constexpr double kVgaDbPerStep = 34.0 / 1023.0;

// Adds the black level to every sample written, saturating at full scale.
void AddBlackLevel(std::uint8_t* out, std::uint32_t count, bool wide, unsigned level12) {
    if (level12 == 0) return;
    if (!wide) {
        const unsigned level = (level12 + 8) / 16;
        for (std::uint32_t i = 0; i < count; ++i) out[i] = static_cast<std::uint8_t>(std::min(255u, out[i] + level));
        return;
    }
    for (std::uint32_t i = 0; i + 1 < count; i += 2) {
        const unsigned sample = std::min(4095u, (out[i] | static_cast<unsigned>(out[i + 1]) << 8) + level12);
        out[i] = static_cast<std::uint8_t>(sample & 0xFF);
        out[i + 1] = static_cast<std::uint8_t>(sample >> 8);
    }
}

}  // namespace

bool SimCcd1628::Fits(std::uint8_t deviceType) { return deviceType == 48 || deviceType == 49; }

double SimCcd1628::VgaGainOf(std::uint16_t code) {
    return std::pow(10.0, (static_cast<double>(code) - kPowerOnVgaGain) * kVgaDbPerStep / 20.0);
}

SimCcd1628::SimCcd1628(std::uint8_t deviceType, std::uint16_t firmwareVersion)
    : array_(0, 0, kColumns, kRows), mosaic_(deviceType == 49 ? SimMosaic::Grey : SimMosaic::Grbg) {
    (void)firmwareVersion;
}

std::uint16_t SimCcd1628::*SimCcd1628::SlotOf(std::uint16_t reg) {
    switch (reg) {
        case kCdsGain: return &SimCcd1628::cdsGain_;
        case kVgaGain: return &SimCcd1628::vgaGain_;
        case kClampLevel: return &SimCcd1628::clampLevel_;
        case kExposureHigh: return &SimCcd1628::exposureHigh_;
        case kExposureLow: return &SimCcd1628::exposureLow_;
        default: return nullptr;
    }
}

void SimCcd1628::VendorWrite(std::uint8_t request, const std::uint8_t* data, std::size_t size) {
    if (request != kRegisterWriteRequest || data == nullptr || size < 4) return;
    const auto slot = SlotOf(static_cast<std::uint16_t>(data[0] | data[1] << 8));
    if (slot != nullptr) this->*slot = static_cast<std::uint16_t>(data[2] | data[3] << 8);
}

std::uint32_t SimCcd1628::ExposureLines() const {
    return static_cast<std::uint32_t>(kLineClocks) * exposureHigh_ + exposureLow_;
}

double SimCcd1628::ExposureMs() const { return ExposureLines() * (kLineClocks * kPixelClockMs); }

double SimCcd1628::FrameTimeMs() const { return std::max(kReadoutMs, ExposureMs()); }

SimFrameShape SimCcd1628::OutputShape(bool wide) const { return SimFrameShape{kColumns, kRows, wide ? 2u : 1u}; }

std::uint32_t SimCcd1628::Render(SimScene scene, std::uint8_t* out, std::uint32_t count, int blurRadius,
                                 bool wide) const {
    const double scale = ExposureLines() / kPowerOnExposureLines * VgaGainOf(vgaGain_);
    const double scales[2][2] = {{scale, scale}, {scale, scale}};
    const std::uint32_t written = array_.Render(scene, mosaic_, scales, array_.ColumnAxis(0, kColumns, 1, 1, false),
                                                array_.RowAxis(0, kRows, 1, 1, false), blurRadius, wide, out,
                                                std::min(count, OutputShape(wide).Bytes()));
    // The ramp is exact; the clamp level lifts what the light made.
    if (scene != SimScene::Ramp) AddBlackLevel(out, written, wide, clampLevel_);
    return written;
}

}  // namespace qcx
