#include "sim/sim_mt9j001.h"

#include <algorithm>
#include <iterator>

namespace qcx {
namespace {

constexpr std::uint8_t kModels[] = {13, 14, 15, 16, 25, 26, 27, 43, 44, 45};

template <std::size_t N>
bool In(const std::uint8_t (&set)[N], std::uint8_t type) {
    return std::find(std::begin(set), std::end(set), type) != std::end(set);
}

struct ArrayOf {
    int firstColumn, firstRow, columns, rows;
};

// Types 15 and 16 carry the smallest array.
ArrayOf ArrayFor(std::uint8_t type) {
    if (type == 14 || type == 26 || type == 44) return {8, 8, 3856, 2764};
    if (type == 27 || type == 45) return {8, 8, 4608, 3288};
    return {0, 8, 3488, 2616};
}

// Types 13, 15, 16 and type 14 before firmware 1.05 read the array with the
// filter in the order G R / B G; the others R G / G B.
SimMosaic MosaicOf(std::uint8_t type, std::uint16_t firmwareVersion) {
    const unsigned high = firmwareVersion >> 8;
    const unsigned low = firmwareVersion & 0xFF;
    if (type == 13 || type == 15 || type == 16) return SimMosaic::Grbg;
    if (type == 14 && high == 1 && low < 5) return SimMosaic::Grbg;
    return SimMosaic::Rggb;
}

constexpr std::uint16_t kUnityGain = 8;
constexpr std::uint16_t kResetCoarse = 512;
constexpr std::uint16_t kResetFine = 496;

std::uint16_t Word(int value) { return static_cast<std::uint16_t>(value); }

// Odd increment 1, 3, 7 -> pairs skipped by 1, 2, 4.
int SkipOf(std::uint16_t increment) { return std::max(1, (increment + 1) / 2); }

}  // namespace

bool SimMt9j001::Fits(std::uint8_t deviceType) { return In(kModels, deviceType); }

SimMt9j001::SimMt9j001(std::uint8_t deviceType, std::uint16_t firmwareVersion)
    : array_(ArrayFor(deviceType).firstColumn, ArrayFor(deviceType).firstRow, ArrayFor(deviceType).columns,
             ArrayFor(deviceType).rows),
      mosaic_(MosaicOf(deviceType, firmwareVersion)) {
    const ArrayOf a = ArrayFor(deviceType);
    regs_ = {
        {kModelId, 0x2C01},
        {kYAddrStart, Word(a.firstRow)},
        {kXAddrStart, Word(a.firstColumn)},
        {kYAddrEnd, Word(a.firstRow + a.rows - 1)},
        {kXAddrEnd, Word(a.firstColumn + a.columns - 1)},
        // The camera's firmware sets a line long enough for USB 2.0 to carry
        // the full width.
        {kLineLengthPck, Word(4 * a.columns + 512)},
        {kCoarseIntegrationTime, kResetCoarse},
        {kFineIntegrationTime, kResetFine},
        {kGainGreenR, kUnityGain},
        {kGainRed, kUnityGain},
        {kGainBlue, kUnityGain},
        {kGainGreenB, kUnityGain},
        {kReadMode, 0x0041},  // skip patterns of increment 1
        {kXOddInc, 1},
        {kYOddInc, 1},
    };
    resetExposureMs_ = ExposureMs();
}

std::uint16_t SimMt9j001::Reg(std::uint16_t reg) const {
    const auto it = regs_.find(reg);
    return it == regs_.end() ? 0 : it->second;
}

std::uint16_t SimMt9j001::Read(std::uint16_t reg) const { return Reg(reg); }

void SimMt9j001::Write(std::uint16_t reg, std::uint16_t value) {
    if (reg != kModelId) regs_[reg] = value;
}

double SimMt9j001::LineMs() const { return Reg(kLineLengthPck) * kPixelClockMs; }

double SimMt9j001::ExposureMs() const {
    return (Reg(kCoarseIntegrationTime) * static_cast<double>(Reg(kLineLengthPck)) + Reg(kFineIntegrationTime)) *
           kPixelClockMs;
}

double SimMt9j001::ReadoutMs() const { return (RowAxis().OutputLength() + kFrameBlankRows) * LineMs(); }

double SimMt9j001::FrameTimeMs() const { return std::max(ReadoutMs(), ExposureMs()); }

SimPairAxis SimMt9j001::ColumnAxis() const {
    const int skip = SkipOf(Reg(kXOddInc));
    const bool binned = (Reg(kReadMode) & 0x0400) != 0;
    return array_.ColumnAxis(Reg(kXAddrStart), Reg(kXAddrEnd) - Reg(kXAddrStart) + 1, skip, binned ? skip : 1,
                             (Reg(kReadMode) & 0x4000) != 0);
}

SimPairAxis SimMt9j001::RowAxis() const {
    const int skip = SkipOf(Reg(kYOddInc));
    const bool binned = (Reg(kReadMode) & 0x0400) != 0;
    return array_.RowAxis(Reg(kYAddrStart), Reg(kYAddrEnd) - Reg(kYAddrStart) + 1, skip, binned ? skip : 1,
                          (Reg(kReadMode) & 0x8000) != 0);
}

SimFrameShape SimMt9j001::OutputShape(bool wide) const { return ShapeOf(ColumnAxis(), RowAxis(), wide); }

std::uint32_t SimMt9j001::Render(SimScene scene, std::uint8_t* out, std::uint32_t count, int blurRadius,
                                 bool wide) const {
    const double exposure = resetExposureMs_ > 0.0 ? ExposureMs() / resetExposureMs_ : 1.0;
    double scales[2][2];
    SimQuadScales(mosaic_, {kGainRed, kGainGreenR, kGainGreenB, kGainBlue}, exposure,
                  [this](std::uint16_t reg) { return GainOf(Reg(reg)); }, scales);
    return array_.Render(scene, mosaic_, scales, ColumnAxis(), RowAxis(), blurRadius, wide, out,
                         std::min(count, OutputShape(wide).Bytes()));
}

}  // namespace qcx
