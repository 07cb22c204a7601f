#include "sim/sim_mt9v032.h"

#include <algorithm>
#include <cmath>

namespace qcx {
namespace {

constexpr std::uint8_t kModels[] = {21, 22, 23, 24, 28, 29, 36, 37};
constexpr std::uint8_t kMonochromeModels[] = {22, 24, 29, 37};
// The later boards run the chip from a 27 MHz clock and carry the sensor
// turned so that the first row starts with green, blue.
constexpr std::uint8_t kFastClockModels[] = {28, 29, 36, 37};

constexpr float kPixelClock24MHz = 4.166666e-5f;  // ms
constexpr float kPixelClock27MHz = 3.703703e-5f;  // ms

template <std::size_t N>
bool In(const std::uint8_t (&set)[N], std::uint8_t type) {
    return std::find(std::begin(set), std::end(set), type) != std::end(set);
}

struct ResetValue {
    std::uint16_t reg;
    std::uint16_t value;
};

// A real chip after power-on: the full 752 x 480 window, about 60 frames per
// second, linear ADC, gain 1x, and the chip's own exposure and gain control on.
constexpr ResetValue kResetValues[] = {
    {SimMt9v032::kChipVersion, 0x1313},
    {SimMt9v032::kColumnStart, 1},
    {SimMt9v032::kRowStart, 4},
    {SimMt9v032::kWindowHeight, 480},
    {SimMt9v032::kWindowWidth, 752},
    {SimMt9v032::kHorizontalBlanking, 94},
    {SimMt9v032::kVerticalBlanking, 45},
    {SimMt9v032::kChipControl, 0x0388},
    {SimMt9v032::kTotalShutterWidth, 480},
    {SimMt9v032::kReadMode, 0x0300},
    {SimMt9v032::kLedOutControl, 0},
    {SimMt9v032::kAdcMode, 0x0002},
    {SimMt9v032::kAnalogGain, 16},
    {SimMt9v032::kMaxAnalogGain, 64},
    {SimMt9v032::kAecAgcEnable, 0x0003},
    {SimMt9v032::kMaximumShutterWidth, 480},
};
constexpr std::uint16_t kResetLineLength = 752 + 94;
constexpr std::uint16_t kResetShutterRows = 480;

constexpr std::uint16_t kUnityGain = 16;  // gain codes are sixteenths
constexpr std::uint16_t kHighestGain = 127;

int BinOf(unsigned field) {
    // 0 = every row, 1 = pairs, 2 = groups of four; 3 is not a binning mode
    // and reads every row.
    constexpr int kBins[] = {1, 2, 4, 1};
    return kBins[field & 3];
}

std::uint8_t Linear(double v) {
    if (!(v > 0.0)) return 0;
    return static_cast<std::uint8_t>(std::min(255.0, std::floor(v * 255.0 + 0.5)));
}

// Companding lets the ADC take four times the linear full scale: on a 10-bit
// scale the signal keeps slope 1 below 256, slope 1/2 up to 1024 and slope 1/8
// up to 4096, and the top 8 of the 10 bits go out.
std::uint8_t Companded(double v) {
    if (!(v > 0.0)) return 0;
    const double s = v * 1023.0;
    double out;
    if (s < 256.0) out = s;
    else if (s < 1024.0) out = 256.0 + (s - 256.0) / 2.0;
    else out = 640.0 + (s - 1024.0) / 8.0;
    const auto code = static_cast<unsigned>(std::min(1023.0, std::floor(out)));
    return static_cast<std::uint8_t>(code >> 2);
}

}  // namespace

bool SimMt9v032::Fits(std::uint8_t deviceType) { return In(kModels, deviceType); }

SimMt9v032::SimMt9v032(std::uint8_t deviceType, std::uint16_t /*firmwareVersion*/)
    : pixelClockMs_(In(kFastClockModels, deviceType) ? kPixelClock27MHz : kPixelClock24MHz),
      mosaic_(In(kMonochromeModels, deviceType)  ? SimMosaic::Grey
              : In(kFastClockModels, deviceType) ? SimMosaic::Gbrg
                                                 : SimMosaic::Bggr) {
    for (const auto& reset : kResetValues) regs_[reset.reg] = reset.value;
}

std::uint16_t SimMt9v032::Reg(std::uint16_t reg) const {
    const auto it = regs_.find(reg);
    return it == regs_.end() ? 0 : it->second;
}

std::uint16_t SimMt9v032::Read(std::uint16_t reg) const {
    if (reg == kAgcGainOutput) return CurrentGain();
    if (reg == kAecExposureOutput) return CurrentShutterRows();
    return Reg(reg);
}

void SimMt9v032::Write(std::uint16_t reg, std::uint16_t value) {
    if (reg == kChipVersion || reg == kAgcGainOutput || reg == kAecExposureOutput) return;
    regs_[reg] = value;
}

SimMt9v032::Window SimMt9v032::CurrentWindow() const {
    const std::uint16_t readMode = Reg(kReadMode);
    Window w;
    w.columnStart = std::clamp<int>(Reg(kColumnStart), kFirstColumn, kColumns);
    w.rowStart = std::clamp<int>(Reg(kRowStart), kFirstRow, kFirstRow + kRows - 2);
    w.width = std::clamp<int>(Reg(kWindowWidth), 1, kColumns);
    w.height = std::clamp<int>(Reg(kWindowHeight), 1, kRows);
    w.rowBin = BinOf(readMode);
    w.columnBin = BinOf(readMode >> 2);
    w.flipRows = (readMode & 0x10) != 0;
    w.flipColumns = (readMode & 0x20) != 0;
    return w;
}

int SimMt9v032::LineLength() const { return CurrentWindow().width + Reg(kHorizontalBlanking); }

double SimMt9v032::RowsToMs(double rows) const {
    const double lineLength = LineLength();
    return std::max(0.0, pixelClockMs_ * (lineLength * rows + lineLength - 255.0));
}

std::uint16_t SimMt9v032::MsToRows(double ms, std::uint16_t limit) const {
    const double lineLength = LineLength();
    const double rows = std::floor((ms / pixelClockMs_ - (lineLength - 255.0)) / lineLength + 0.5);
    return static_cast<std::uint16_t>(std::clamp(rows, 1.0, static_cast<double>(limit)));
}

double SimMt9v032::ResetExposureMs() const {
    return pixelClockMs_ * (double{kResetLineLength} * kResetShutterRows + kResetLineLength - 255.0);
}

// The automatic controls aim at the brightness of the power-on settings: the
// exposure goes first, up to its limit in 0xBD, and the gain makes up the
// rest, up to its limit in 0x36. They settle at once, not over frames.
std::uint16_t SimMt9v032::CurrentShutterRows() const {
    const std::uint16_t enable = Reg(kAecAgcEnable);
    if ((enable & 1) == 0) return Reg(kTotalShutterWidth);
    const auto limit = static_cast<std::uint16_t>(std::clamp<int>(Reg(kMaximumShutterWidth), 1, 2047));
    const double gain = (enable & 2) != 0
                            ? double{kUnityGain}
                            : std::clamp<double>(Reg(kAnalogGain), kUnityGain, kHighestGain);
    return MsToRows(ResetExposureMs() * kUnityGain / gain, limit);
}

std::uint16_t SimMt9v032::CurrentGain() const {
    if ((Reg(kAecAgcEnable) & 2) == 0) {
        return static_cast<std::uint16_t>(std::clamp<int>(Reg(kAnalogGain), kUnityGain, kHighestGain));
    }
    const int limit = std::clamp<int>(Reg(kMaxAnalogGain), kUnityGain, kHighestGain);
    const double exposure = RowsToMs(CurrentShutterRows());
    const double wanted = exposure > 0.0 ? kUnityGain * ResetExposureMs() / exposure : limit;
    return static_cast<std::uint16_t>(std::clamp<double>(std::floor(wanted + 0.5), kUnityGain, limit));
}

double SimMt9v032::ExposureMs() const { return RowsToMs(CurrentShutterRows()); }

SimFrameShape SimMt9v032::OutputShape(bool /*wide*/) const {
    const Window w = CurrentWindow();
    SimFrameShape shape;
    shape.width = static_cast<std::uint32_t>(std::max(1, w.width / w.columnBin));
    shape.height = static_cast<std::uint32_t>(std::max(1, w.height / w.rowBin));
    return shape;
}

double SimMt9v032::ReadoutMs() const {
    const double rows = static_cast<double>(OutputShape().height) + Reg(kVerticalBlanking);
    return rows * LineLength() * pixelClockMs_;
}

double SimMt9v032::FrameTimeMs() const { return std::max(ReadoutMs(), ExposureMs()); }

std::uint32_t SimMt9v032::Render(SimScene scene, std::uint8_t* out, std::uint32_t count, int blurRadius,
                                 bool /*wide*/) const {
    const Window w = CurrentWindow();
    const SimFrameShape shape = OutputShape();
    count = std::min(count, shape.Bytes());

    const SimPicture& picture = SimPicture::For(mosaic_, scene == SimScene::Picture ? blurRadius : 0);
    const double scale = ExposureMs() / ResetExposureMs() * CurrentGain() / kUnityGain;
    const bool companded = (Reg(kAdcMode) & 3) == 3;

    // One site of the sensor at absolute coordinates, as an 8-bit sample.
    const auto sample = [&](int column, int row) -> unsigned {
        if (scene == SimScene::Ramp) return RampSample(column, row);
        const float site = scene == SimScene::Grey ? kSimGreyReflectance
                                                   : picture.Site(column - kFirstColumn, row - kFirstRow);
        if (site < 0.0f) return 255;  // a hot pixel
        const double signal = site * scale;
        return companded ? Companded(signal) : Linear(signal);
    };

    const unsigned blockSize = static_cast<unsigned>(w.columnBin * w.rowBin);
    std::uint32_t written = 0;
    for (std::uint32_t y = 0; y < shape.height && written < count; ++y) {
        const std::uint32_t sourceRow = w.flipRows ? shape.height - 1 - y : y;
        const int row0 = w.rowStart + static_cast<int>(sourceRow) * w.rowBin;
        for (std::uint32_t x = 0; x < shape.width && written < count; ++x) {
            const std::uint32_t sourceColumn = w.flipColumns ? shape.width - 1 - x : x;
            const int column0 = w.columnStart + static_cast<int>(sourceColumn) * w.columnBin;
            unsigned sum = 0;
            for (int j = 0; j < w.rowBin; ++j) {
                for (int i = 0; i < w.columnBin; ++i) sum += sample(column0 + i, row0 + j);
            }
            out[written++] = static_cast<std::uint8_t>((sum + blockSize / 2) / blockSize);
        }
    }
    return written;
}

}  // namespace qcx
