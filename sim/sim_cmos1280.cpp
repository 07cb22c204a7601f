#include "sim/sim_cmos1280.h"

#include <algorithm>
#include <iterator>

namespace qcx {
namespace {

constexpr std::uint8_t kModels[] = {0, 1, 4, 5, 17, 18, 33, 34, 38, 39};
constexpr std::uint8_t kMonochromeModels[] = {1, 5, 18, 34, 39};

constexpr double kPixelClockMs = double{2.083333e-5f};  // 48 MHz

// Power-on values.
constexpr std::uint16_t kResetChipVersion = 0x8431;
constexpr std::uint16_t kResetHorizontalBlank = 9;
constexpr std::uint16_t kResetVerticalBlank = 25;
constexpr std::uint16_t kResetShutterWidth = 1049;  // about one frame
constexpr std::uint16_t kResetReadOptions1 = 0x8000;
constexpr std::uint16_t kResetReadOptions2 = 0x1104;
constexpr std::uint16_t kUnityGain = 8;

// Read options 1.
constexpr std::uint16_t kColumnSkip4 = 1u << 2;
constexpr std::uint16_t kRowSkip4 = 1u << 3;
constexpr std::uint16_t kColumnSkip8 = 1u << 4;
constexpr std::uint16_t kRowSkip8 = 1u << 5;
// Read options 2.
constexpr std::uint16_t kColumnBin2 = 1u << 3;
constexpr std::uint16_t kRowBin2 = 1u << 4;
constexpr std::uint16_t kRowFlip = 1u << 15;

template <std::size_t N>
bool In(const std::uint8_t (&set)[N], std::uint8_t type) {
    return std::find(std::begin(set), std::end(set), type) != std::end(set);
}

// The reduction of one axis: binning by 2 goes before skipping by 4, which
// goes before skipping by 8.
struct Reduction {
    int skip;
    int bin;
};

Reduction ReductionOf(bool bin2, bool skip4, bool skip8) {
    if (bin2) return {2, 2};
    if (skip4) return {4, 1};
    if (skip8) return {8, 1};
    return {1, 1};
}

}  // namespace

bool SimCmos1280::Fits(std::uint8_t deviceType) { return In(kModels, deviceType); }

double SimCmos1280::GainOf(std::uint16_t code) { return ((code & 0x40) != 0 ? 2.0 : 1.0) * (code & 0x3F) / 8.0; }

SimCmos1280::SimCmos1280(std::uint8_t deviceType, std::uint16_t firmwareVersion)
    : array_(kFirstColumn, kFirstRow, kColumns, kRows),
      mosaic_(In(kMonochromeModels, deviceType) ? SimMosaic::Grey : SimMosaic::Rggb) {
    (void)firmwareVersion;  // every board carries the filter the same way round
    regs_ = {
        {kChipVersion, kResetChipVersion},
        {kRowStart, kFirstRow},
        {kColumnStart, kFirstColumn},
        {kRowSize, kRows - 1},
        {kColumnSize, kColumns - 1},
        {kHorizontalBlank, kResetHorizontalBlank},
        {kVerticalBlank, kResetVerticalBlank},
        {kShutterWidth, kResetShutterWidth},
        {kShutterDelay, 0},
        {kReadOptions1, kResetReadOptions1},
        {kReadOptions2, kResetReadOptions2},
        {kGreen1Gain, kUnityGain},
        {kBlueGain, kUnityGain},
        {kRedGain, kUnityGain},
        {kGreen2Gain, kUnityGain},
        {kGlobalGain, kUnityGain},
    };
    resetExposureMs_ = ExposureMs();
}

std::uint16_t SimCmos1280::Reg(std::uint16_t reg) const {
    const auto it = regs_.find(reg);
    return it == regs_.end() ? 0 : it->second;
}

std::uint16_t SimCmos1280::Read(std::uint16_t reg) const { return Reg(reg); }

void SimCmos1280::Write(std::uint16_t reg, std::uint16_t value) {
    if (reg == kChipVersion) return;
    regs_[reg] = value;
    if (reg == kGlobalGain) {
        for (const std::uint16_t gain : {kGreen1Gain, kBlueGain, kRedGain, kGreen2Gain}) regs_[gain] = value;
    }
}

long SimCmos1280::RowClocks() const {
    const std::uint16_t options1 = Reg(kReadOptions1);
    const Reduction columns = ReductionOf((Reg(kReadOptions2) & kColumnBin2) != 0, (options1 & kColumnSkip4) != 0,
                                          (options1 & kColumnSkip8) != 0);
    // A reduced row reads an odd number of columns: whole pairs plus one.
    long width = Reg(kColumnSize);
    if (columns.skip > 1) width = width / (2 * columns.skip) * 2 + 1;
    const long blank = std::max<long>(Reg(kHorizontalBlank), 19);
    const long delay = Reg(kShutterDelay);
    // The shutter delay sets a minimum row of its own.
    return std::max(width + blank + 226, 4 * delay + 548);
}

double SimCmos1280::ExposureMs() const {
    const double clocks = static_cast<double>(Reg(kShutterWidth)) * static_cast<double>(RowClocks()) -
                          Reg(kShutterDelay) - 180.0;
    return std::max(0.0, clocks * kPixelClockMs);
}

double SimCmos1280::ReadoutMs() const {
    const double rows = static_cast<double>(RowAxis().OutputLength()) + Reg(kVerticalBlank) + 1;
    return rows * static_cast<double>(RowClocks()) * kPixelClockMs;
}

double SimCmos1280::FrameTimeMs() const { return std::max(ReadoutMs(), ExposureMs()); }

SimPairAxis SimCmos1280::ColumnAxis() const {
    const std::uint16_t options1 = Reg(kReadOptions1);
    const Reduction reduction = ReductionOf((Reg(kReadOptions2) & kColumnBin2) != 0, (options1 & kColumnSkip4) != 0,
                                            (options1 & kColumnSkip8) != 0);
    return array_.ColumnAxis(Reg(kColumnStart), Reg(kColumnSize) + 1, reduction.skip, reduction.bin, false);
}

SimPairAxis SimCmos1280::RowAxis() const {
    const std::uint16_t options1 = Reg(kReadOptions1);
    const std::uint16_t options2 = Reg(kReadOptions2);
    const Reduction reduction =
        ReductionOf((options2 & kRowBin2) != 0, (options1 & kRowSkip4) != 0, (options1 & kRowSkip8) != 0);
    return array_.RowAxis(Reg(kRowStart), Reg(kRowSize) + 1, reduction.skip, reduction.bin,
                          (options2 & kRowFlip) != 0);
}

SimFrameShape SimCmos1280::OutputShape(bool wide) const { return ShapeOf(ColumnAxis(), RowAxis(), wide); }

void SimCmos1280::SiteScales(double (&scales)[2][2]) const {
    const double exposure = resetExposureMs_ > 0.0 ? ExposureMs() / resetExposureMs_ : 1.0;
    SimQuadScales(mosaic_, {kRedGain, kGreen1Gain, kGreen2Gain, kBlueGain}, exposure,
                  [this](std::uint16_t reg) { return GainOf(Reg(reg)); }, scales);
}

std::uint32_t SimCmos1280::Render(SimScene scene, std::uint8_t* out, std::uint32_t count, int blurRadius,
                                  bool wide) const {
    double scales[2][2];
    SiteScales(scales);
    return array_.Render(scene, mosaic_, scales, ColumnAxis(), RowAxis(), blurRadius, wide, out,
                         std::min(count, OutputShape(wide).Bytes()));
}

}  // namespace qcx
