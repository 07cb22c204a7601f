#include "sim/sim_icx205.h"

#include <algorithm>
#include <cmath>

namespace qcx {

namespace {

constexpr unsigned kLinesPerFrame = 2047;
constexpr unsigned kPowerOnLines = 2047;
constexpr std::uint16_t kPowerOnVgaGain = 512;
constexpr std::uint16_t kPowerOnCdsGain = 0x20;

}  // namespace

bool SimIcx205::Fits(std::uint8_t deviceType) { return deviceType == 19 || deviceType == 20; }

double SimIcx205::GainOf(std::uint16_t code) { return std::pow(10.0, (code - 512.0) * 36.0 / 1023.0 / 20.0); }

SimIcx205::SimIcx205(std::uint8_t deviceType, std::uint16_t firmwareVersion)
    : array_(0, 0, kColumns, kRows), mosaic_(deviceType == 20 ? SimMosaic::Grey : SimMosaic::Gbrg) {
    (void)firmwareVersion;
    frontEnd_[kVgaGain] = kPowerOnVgaGain;
    frontEnd_[kCdsGain] = kPowerOnCdsGain;
}

std::uint16_t SimIcx205::Read(std::uint16_t reg) const {
    if (reg == kExposureLines) return static_cast<std::uint16_t>(exposureLines_);
    return reg < std::size(frontEnd_) ? frontEnd_[reg] : 0;
}

void SimIcx205::Write(std::uint16_t reg, std::uint16_t value) {
    (void)reg;
    (void)value;
}

void SimIcx205::VendorWrite(std::uint8_t request, const std::uint8_t* data, std::size_t size) {
    if (request == 0x22 && size >= 3) {
        if (data[0] < std::size(frontEnd_)) frontEnd_[data[0]] = static_cast<std::uint16_t>(data[1] | data[2] << 8);
        return;
    }
    if (request != 0x21 || size < 6 || data[0] != 0x81) return;
    // Each field arrives least significant bit first.
    if (data[1] == 0x0C) {
        pendingFrames_ = 0;
        for (int k = 0; k <= 4; ++k) pendingFrames_ |= ((data[3] >> (6 - k)) & 1u) << k;
    } else if ((data[1] & 0xF0) == 0x40) {
        unsigned position = 0;
        for (int k = 0; k <= 3; ++k) position |= ((data[1] >> (3 - k)) & 1u) << k;
        for (int k = 0; k <= 6; ++k) position |= ((data[2] >> (7 - k)) & 1u) << (4 + k);
        exposureLines_ = pendingFrames_ * kLinesPerFrame + (kLinesPerFrame - 1 - std::min(position, 2046u));
    }
}

double SimIcx205::FrameTimeMs() const { return std::max((kRows + kBlankLines) * kLineMs, ExposureMs()); }

SimFrameShape SimIcx205::OutputShape(bool wide) const {
    return {static_cast<std::uint32_t>(kColumns), static_cast<std::uint32_t>(kRows), wide ? 2u : 1u};
}

std::uint32_t SimIcx205::Render(SimScene scene, std::uint8_t* out, std::uint32_t count, int blurRadius,
                                bool wide) const {
    const double scale = exposureLines_ / static_cast<double>(kPowerOnLines) * GainOf(frontEnd_[kVgaGain]);
    const double scales[2][2] = {{scale, scale}, {scale, scale}};
    const SimPairAxis columns = array_.ColumnAxis(0, kColumns, 1, 1, false);
    const SimPairAxis rows = array_.RowAxis(0, kRows, 1, 1, false);
    return array_.Render(scene, mosaic_, scales, columns, rows, blurRadius, wide, out,
                         std::min(count, OutputShape(wide).Bytes()));
}

}  // namespace qcx
