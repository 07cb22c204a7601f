#include "sim/sim_mt9x001.h"

#include <algorithm>
#include <iterator>

namespace qcx {
namespace {

constexpr std::uint8_t kMt9p001Models[] = {8, 9, 10, 11, 31, 32, 41, 42};
constexpr std::uint8_t kMt9t001Models[] = {3, 7, 12, 30, 35, 40};
constexpr std::uint8_t kMonochromeModels[] = {9, 11, 32, 42};
constexpr std::uint8_t kFastClockModels[] = {31, 32, 41, 42};

constexpr float kPixelClock48MHz = 2.083333e-5f;  // ms
constexpr float kPixelClock64MHz = 1.5625e-5f;    // ms

template <std::size_t N>
bool In(const std::uint8_t (&set)[N], std::uint8_t type) {
    return std::find(std::begin(set), std::end(set), type) != std::end(set);
}

// The registers the row timing depends on, as the fields the datasheet names.
struct TimingFields {
    long rowBin, columnBin, columnSkip;  // address mode fields, not factors
    long columnSize;                     // 0x04: columns - 1
    long horizontalBlank, shutterDelay;
    double shutterRows;  // upper x 65536 + lower
};

// Row length and exposure, in pixel clocks.
struct Clocks {
    double row;
    double exposure;
};

// The MT9P001 reads two columns a clock; binning lengthens the row by a
// fixed amount per binned row, and the exposure loses the reset-to-read overlap.
Clocks Mt9p001Clocks(const TimingFields& f) {
    long base = f.rowBin == 1 ? 796 : f.rowBin == 3 ? 1488 : 450;
    if (f.columnBin != 0) base -= 20;
    const long minimumBlank = base / 2 + 346 * f.rowBin + 410;
    const long halfWidth = (f.columnSize + 1) / (2 * (f.columnSkip + 1)) + 1;
    const long rowClocks = std::max(halfWidth + std::max(f.horizontalBlank + 1, minimumBlank), 346 * f.rowBin + 486);
    const long overlap = std::min(f.shutterDelay + 1, 1232L) + 208 * f.rowBin + 212;
    return {2.0 * rowClocks, f.shutterRows * 2.0 * rowClocks - 2.0 * overlap};
}

// The MT9T001 reads one column a clock; row binning adds a fixed time per row.
Clocks Mt9t001Clocks(const TimingFields& f) {
    const long binTime = f.rowBin == 1 ? 673 : f.rowBin == 2 ? 999 : 331;
    const long columnTime = f.columnBin == 1 ? 22 : f.columnBin == 2 ? 14 : 38;
    const long width = ((f.columnSize + 1) / (f.columnSkip + 1)) & ~1L;
    const long rowClocks = std::max(width + std::max(f.horizontalBlank, 21L) + columnTime + binTime,
                                    316 * (f.columnBin + 1) + f.shutterDelay + binTime);
    return {static_cast<double>(rowClocks),
            f.shutterRows * rowClocks - static_cast<double>(f.shutterDelay + binTime - 132)};
}

// The colour order of the filter; on types 10, 3 and 12 it changed with a
// firmware revision.
SimMosaic MosaicOf(std::uint8_t type, std::uint16_t firmwareVersion) {
    if (In(kMonochromeModels, type)) return SimMosaic::Grey;
    const unsigned high = firmwareVersion >> 8;
    const unsigned low = firmwareVersion & 0xFF;
    switch (type) {
        case 8: return SimMosaic::Grbg;
        case 10: return high == 0 || low < 8 ? SimMosaic::Rggb : SimMosaic::Grbg;
        case 3:
        case 12: return high != 0 && low >= 6 ? SimMosaic::Rggb : SimMosaic::Grbg;
        default: return SimMosaic::Rggb;
    }
}

}  // namespace

struct SimMt9x001::Variant {
    std::uint16_t chipVersion;
    int firstColumn, firstRow, columns, rows;  // the active array
    std::uint16_t horizontalBlank, shutterWidth, readMode2;  // power-on values
    Clocks (*clocks)(const TimingFields&);
};

namespace {

constexpr SimMt9x001::Variant kMt9p001{0x1801, 16, 54, 2592, 1944, 0, 1943, 0x0040, &Mt9p001Clocks};
constexpr SimMt9x001::Variant kMt9t001{0x1621, 32, 20, 2048, 1536, 142, 1561, 0x0020, &Mt9t001Clocks};

constexpr std::uint16_t kUnityGain = 8;
constexpr std::uint16_t kResetVerticalBlank = 25;

}  // namespace

bool SimMt9x001::Fits(std::uint8_t deviceType) {
    return In(kMt9p001Models, deviceType) || In(kMt9t001Models, deviceType);
}

double SimMt9x001::GainOf(std::uint16_t code) {
    const double analog = ((code & 0x40) != 0 ? 2.0 : 1.0) * (code & 0x3F) / 8.0;
    return analog * (1.0 + ((code >> 8) & 0x7F) / 8.0);
}

SimMt9x001::SimMt9x001(std::uint8_t deviceType, std::uint16_t firmwareVersion)
    : variant_(In(kMt9t001Models, deviceType) ? &kMt9t001 : &kMt9p001),
      array_(variant_->firstColumn, variant_->firstRow, variant_->columns, variant_->rows),
      pixelClockMs_(In(kFastClockModels, deviceType) ? kPixelClock64MHz : kPixelClock48MHz),
      mosaic_(MosaicOf(deviceType, firmwareVersion)) {
    const Variant& v = *variant_;
    regs_ = {
        {kChipVersion, v.chipVersion},
        {kRowStart, static_cast<std::uint16_t>(v.firstRow)},
        {kColumnStart, static_cast<std::uint16_t>(v.firstColumn)},
        {kRowSize, static_cast<std::uint16_t>(v.rows - 1)},
        {kColumnSize, static_cast<std::uint16_t>(v.columns - 1)},
        {kHorizontalBlank, v.horizontalBlank},
        {kVerticalBlank, kResetVerticalBlank},
        {kShutterWidthUpper, 0},
        {kShutterWidth, v.shutterWidth},
        {kShutterDelay, 0},
        {kReadMode2, v.readMode2},
        {kRowAddressMode, 0},
        {kColumnAddressMode, 0},
        {kGreen1Gain, kUnityGain},
        {kBlueGain, kUnityGain},
        {kRedGain, kUnityGain},
        {kGreen2Gain, kUnityGain},
        {kGlobalGain, kUnityGain},
    };
    resetExposureMs_ = ExposureMs();
}

int SimMt9x001::FirstColumn() const { return variant_->firstColumn; }
int SimMt9x001::FirstRow() const { return variant_->firstRow; }
int SimMt9x001::Columns() const { return variant_->columns; }
int SimMt9x001::Rows() const { return variant_->rows; }

std::uint16_t SimMt9x001::Reg(std::uint16_t reg) const {
    const auto it = regs_.find(reg);
    return it == regs_.end() ? 0 : it->second;
}

std::uint16_t SimMt9x001::Read(std::uint16_t reg) const { return Reg(reg); }

void SimMt9x001::Write(std::uint16_t reg, std::uint16_t value) {
    if (reg == kChipVersion) return;
    regs_[reg] = value;
    if (reg == kGlobalGain) {
        for (const std::uint16_t gain : {kGreen1Gain, kBlueGain, kRedGain, kGreen2Gain}) regs_[gain] = value;
    }
}

namespace {

TimingFields FieldsOf(const SimSensorModel& chip) {
    const std::uint16_t columnMode = chip.Read(SimMt9x001::kColumnAddressMode);
    return {
        (chip.Read(SimMt9x001::kRowAddressMode) >> 4) & 3,
        (columnMode >> 4) & 3,
        columnMode & 7,
        chip.Read(SimMt9x001::kColumnSize),
        chip.Read(SimMt9x001::kHorizontalBlank),
        chip.Read(SimMt9x001::kShutterDelay),
        chip.Read(SimMt9x001::kShutterWidthUpper) * 65536.0 + chip.Read(SimMt9x001::kShutterWidth),
    };
}

}  // namespace

double SimMt9x001::RowTimeMs() const { return pixelClockMs_ * variant_->clocks(FieldsOf(*this)).row; }

double SimMt9x001::ExposureMs() const {
    return std::max(0.0, pixelClockMs_ * variant_->clocks(FieldsOf(*this)).exposure);
}

double SimMt9x001::ReadoutMs() const {
    const double rows = static_cast<double>(RowAxis().OutputLength()) + Reg(kVerticalBlank) + 1;
    return rows * RowTimeMs();
}

double SimMt9x001::FrameTimeMs() const { return std::max(ReadoutMs(), ExposureMs()); }

namespace {

int Skip(std::uint16_t addressMode) { return (addressMode & 7) + 1; }
int Bin(std::uint16_t addressMode) { return ((addressMode >> 4) & 3) + 1; }

}  // namespace

SimPairAxis SimMt9x001::ColumnAxis() const {
    const std::uint16_t mode = Reg(kColumnAddressMode);
    return array_.ColumnAxis(Reg(kColumnStart), Reg(kColumnSize) + 1, Skip(mode), Bin(mode),
                             (Reg(kReadMode2) & 0x4000) != 0);
}

SimPairAxis SimMt9x001::RowAxis() const {
    const std::uint16_t mode = Reg(kRowAddressMode);
    return array_.RowAxis(Reg(kRowStart), Reg(kRowSize) + 1, Skip(mode), Bin(mode), (Reg(kReadMode2) & 0x8000) != 0);
}

SimFrameShape SimMt9x001::OutputShape(bool wide) const { return ShapeOf(ColumnAxis(), RowAxis(), wide); }

void SimMt9x001::SiteScales(double (&scales)[2][2]) const {
    const double exposure = resetExposureMs_ > 0.0 ? ExposureMs() / resetExposureMs_ : 1.0;
    SimQuadScales(mosaic_, {kRedGain, kGreen1Gain, kGreen2Gain, kBlueGain}, exposure,
                  [this](std::uint16_t reg) { return GainOf(Reg(reg)); }, scales);
}

std::uint32_t SimMt9x001::Render(SimScene scene, std::uint8_t* out, std::uint32_t count, int blurRadius,
                                 bool wide) const {
    double scales[2][2];
    SiteScales(scales);
    return array_.Render(scene, mosaic_, scales, ColumnAxis(), RowAxis(), blurRadius, wide, out,
                         std::min(count, OutputShape(wide).Bytes()));
}

}  // namespace qcx
