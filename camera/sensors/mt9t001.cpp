// The MT9T001 (three megapixels): the family record and what its driver does
// its own way: exposure timing in pixel clocks, blanking limits and the
// green gain.
#include <algorithm>
#include <cmath>
#include <new>

#include "camera/common/status.h"
#include "camera/sensors/mt9x001.h"

namespace qcx {

using namespace mt9x001;

namespace {

constexpr DeviceType kTypes[] = {3, 7, 12, 30, 35, 40};
inline constexpr float kPixelClockMs = 2.083333e-5f;  // 48 MHz

inline constexpr std::uint16_t kMinHorizontalBlank = 21;
inline constexpr std::uint16_t kMaxHorizontalBlank = 2047;
inline constexpr std::uint16_t kMinVerticalBlank = 3;
inline constexpr std::uint16_t kMaxVerticalBlank = 2047;
// The exposure starts this many pixel clocks into its first row.
inline constexpr std::int64_t kShutterStartClocks = 132;

const Mt9x001Variant kVariant{
    .writeLogFormat = "WrSensorReg( 0x%04x, %d ). ",
    .geometry = {.columnOffset = 32, .rowOffset = 20, .minWidth = 1, .minHeight = 1, .maxWidth = 2048,
                 .maxHeight = 1536},
    .globalGain = false,
    // Binning averages two sites of every skipped group.
    .binnedModes = {0x00, 0x11, 0x12, 0x13, 0x17},
};

}  // namespace

extern const SensorFamilyTraits kMT9T001Family;
const SensorFamilyTraits kMT9T001Family{
    .family = SensorFamily::MT9T001,
    .name = "MT9T001",
    .types = kTypes,
    .makeDriver = [](SensorHost& host) {
        return std::unique_ptr<SensorDriver>(new (std::nothrow) MT9T001Driver(host));
    },
    .windowRules = &kWindowRules,
    .params = {.blanking = true,
               .sensorMirror = true,
               .binning = true,
               .gain = Range(0, 194),
               .horizontalBlank = Range(kMinHorizontalBlank, kMaxHorizontalBlank),
               .verticalBlank = Range(kMinVerticalBlank, kMaxVerticalBlank),
               .bin = Range(0, 1),
               .exposureLines = Range(1, 65535)},
    // Types 3 and 12 turned with firmware x.06 and later, x not 0.
    .defaultBayerMode = [](DeviceType type, int high, int low) {
        if (type == 3 || type == 12) return high != 0 && low >= 6 ? 2 : 1;
        return 2;
    },
};

MT9T001Driver::MT9T001Driver(SensorHost& host) : Mt9x001Driver(host, kVariant, kPixelClockMs, false) {}

// A row lasts the columns the skip leaves (an even count), the blanking and
// the bins' overhead, but never less than the chip's minimum row.
MT9T001Driver::RowTiming MT9T001Driver::Timing() const {
    const int rowBin = BinField(Shadow(kRowAddressMode));
    const int columnBin = BinField(Shadow(kColumnAddressMode));
    const int columnSkip = SkipField(Shadow(kColumnAddressMode));
    const std::int64_t rowOverhead = rowBin == 1 ? 673 : rowBin == 2 ? 999 : 331;
    const std::int64_t binOverhead = columnBin == 1 ? 22 : columnBin == 2 ? 14 : 38;
    const std::int64_t delay = Shadow(kShutterDelay);
    const std::int64_t columns = ((Shadow(kColumnSize) + 1) / (columnSkip + 1)) & ~1;
    const std::int64_t blank = std::max<std::int64_t>(Shadow(kHorizontalBlank), 21);
    const std::int64_t row =
        std::max(columns + blank + binOverhead + rowOverhead, 316 * (columnBin + 1) + delay + rowOverhead);
    return {row, kShutterStartClocks - delay - rowOverhead};
}

double MT9T001Driver::ClocksToMs(std::int64_t clocks) const { return static_cast<double>(clocks) * pixelClockMs_; }

int MT9T001Driver::ExposureTimeGet(float* ms) {
    const RowTiming timing = Timing();
    // The clock count is taken as the chip's 32-bit counter holds it.
    const auto clocks = static_cast<std::uint32_t>(ShutterWidth() * timing.rowClocks + timing.offsetClocks);
    const auto time = static_cast<float>(static_cast<double>(clocks) * pixelClockMs_);
    host_.State().exposureMs = time;
    if (ms != nullptr) *ms = time;
    return status::kSuccess;
}

int MT9T001Driver::ExposureTimeGetRange(float* minimum, float* maximum) {
    const RowTiming timing = Timing();
    if (minimum != nullptr) *minimum = static_cast<float>(ClocksToMs(timing.rowClocks + timing.offsetClocks));
    if (maximum != nullptr) *maximum = static_cast<float>(ClocksToMs(65535 * timing.rowClocks + timing.offsetClocks));
    return status::kSuccess;
}

// The setter, unlike the exposure rows, reaches past 65535 rows through the
// upper shutter register.
int MT9T001Driver::ExposureTimeSet(float ms) {
    const RowTiming timing = Timing();
    const auto clocks = static_cast<float>(double{ms} / pixelClockMs_ - static_cast<double>(timing.offsetClocks));
    const double rows = std::floor(clocks / static_cast<double>(timing.rowClocks) + 0.5);
    const auto lines = static_cast<std::uint32_t>(std::clamp(std::isnan(rows) ? 0.0 : rows, 0.0, 4294967295.0));
    int result = WrSensorReg(kShutterWidthUpper, static_cast<std::uint16_t>(lines >> 16));
    if (result != status::kSuccess) return result;
    result = WrSensorReg(kShutterWidth, static_cast<std::uint16_t>(lines & 0xFFFF));
    if (result != status::kSuccess) return result;
    host_.State().exposureMs = static_cast<float>(ClocksToMs(lines * timing.rowClocks + timing.offsetClocks));
    return status::kSuccess;
}

int MT9T001Driver::ReapplyExposure() {
    ExposureTimeSet(host_.State().exposureMs);
    return status::kSuccess;
}

int MT9T001Driver::HorizontalBlankSet(std::uint16_t value) {
    WrSensorReg(kHorizontalBlank, std::clamp(value, kMinHorizontalBlank, kMaxHorizontalBlank));
    return status::kSuccess;
}

int MT9T001Driver::VerticalBlankSet(std::uint16_t value) {
    return WrSensorReg(kVerticalBlank, std::clamp(value, kMinVerticalBlank, kMaxVerticalBlank));
}

int MT9T001Driver::WriteGain(GainChannel channel, std::uint16_t code) {
    switch (channel) {
        case GainChannel::Red: return WrSensorReg(kRedGain, code);
        case GainChannel::Blue: return WrSensorReg(kBlueGain, code);
        case GainChannel::Green: break;
    }
    // The two greens move together; an unchanged green is not sent again.
    if (Shadow(kGreen1Gain) == code) return status::kSuccess;
    WrSensorReg(kGreen1Gain, code);
    return WrSensorReg(kGreen2Gain, code);
}

}  // namespace qcx
