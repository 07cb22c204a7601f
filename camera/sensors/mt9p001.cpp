// The MT9P001 (five megapixels): the family record and what its driver does
// its own way: exposure timing, blanking limits, and the grey variants'
// single gain.
#include <algorithm>
#include <cmath>
#include <new>

#include "camera/common/status.h"
#include "camera/sensors/mt9x001.h"

namespace qcx {

using namespace mt9x001;

namespace {

constexpr DeviceType kTypes[] = {8, 9, 10, 11, 31, 32, 41, 42};
constexpr DeviceType kGreyTypes[] = {9, 11, 32, 42};
constexpr DeviceType kFlashSettableTypes[] = {10, 11, 31, 32, 41, 42};
// The later boards run the chip from 64 MHz instead of 48 MHz.
constexpr DeviceType kFastClockTypes[] = {31, 32, 41, 42};
inline constexpr float kPixelClock48MHzMs = 2.083333e-5f;
inline constexpr float kPixelClock64MHzMs = 1.5625e-5f;

inline constexpr std::uint16_t kMaxHorizontalBlank = 4095;
inline constexpr std::uint16_t kMinVerticalBlank = 8;
inline constexpr std::uint16_t kMaxVerticalBlank = 2047;

const Mt9x001Variant kVariant{
    .writeLogFormat = "WrSensorReg( 0x%04x, %d ) ",
    .geometry = {.columnOffset = 16, .rowOffset = 54, .minWidth = 1, .minHeight = 1, .maxWidth = 2592,
                 .maxHeight = 1944},
    .globalGain = true,
    // Binning sums the sites a skip leaves out, up to 4 x 4; by 8 it skips.
    .binnedModes = {0x00, 0x11, 0x22, 0x33, 0x07},
};

}  // namespace

extern const SensorFamilyTraits kMT9P001Family;
const SensorFamilyTraits kMT9P001Family{
    .family = SensorFamily::MT9P001,
    .name = "MT9P001",
    .types = kTypes,
    .monochromeTypes = kGreyTypes,
    .makeDriver = [](SensorHost& host) {
        return std::unique_ptr<SensorDriver>(new (std::nothrow) MT9P001Driver(host));
    },
    .windowRules = &kWindowRules,
    .params = {.blanking = true,
               .sensorMirror = true,
               .binning = true,
               .gain = Range(0, 194),
               .horizontalBlank = Range(0, kMaxHorizontalBlank),
               .verticalBlank = Range(kMinVerticalBlank, kMaxVerticalBlank),
               .bin = Range(0, 1),
               .exposureLines = Range(1, 65535)},
    // Types 10 and 11 turned from firmware x.08, x not 0.
    .defaultBayerMode = [](DeviceType type, int high, int low) {
        if (type == 8 || type == 9) return 1;
        if (type == 10 || type == 11) return high == 0 || low < 8 ? 2 : 1;
        return 2;
    },
    .flashReadable = true,
    .flashSettableTypes = kFlashSettableTypes,
};

MT9P001Driver::MT9P001Driver(SensorHost& host)
    : Mt9x001Driver(host, kVariant,
                    IsInGroup(kFastClockTypes, host.SensorDeviceType()) ? kPixelClock64MHzMs : kPixelClock48MHzMs,
                    IsInGroup(kGreyTypes, host.SensorDeviceType())) {}

// The row time grows with the row bin and with the half width the column
// skip leaves; the horizontal blank counts only above the chip's minimum.
MT9P001Driver::RowTiming MT9P001Driver::Timing() const {
    const int rowBin = BinField(Shadow(kRowAddressMode));
    const int columnBin = BinField(Shadow(kColumnAddressMode));
    const int columnSkip = SkipField(Shadow(kColumnAddressMode));
    int base = rowBin == 1 ? 796 : rowBin == 3 ? 1488 : 450;
    if (columnBin != 0) base -= 20;
    const int minBlank = base / 2 + 346 * rowBin + 410;
    const int halfWidth = (Shadow(kColumnSize) + 1) / (2 * (columnSkip + 1)) + 1;
    const int rowClocks = std::max(halfWidth + std::max(Shadow(kHorizontalBlank) + 1, minBlank), 346 * rowBin + 486);
    const int delay = std::min(Shadow(kShutterDelay) + 1, 1232) + 208 * rowBin + 212;
    const double clock = pixelClockMs_;
    return {static_cast<float>(clock * 2 * rowClocks), clock * 2 * delay};
}

int MT9P001Driver::ExposureTimeGet(float* ms) {
    const RowTiming timing = Timing();
    const auto time = static_cast<float>(static_cast<float>(ShutterWidth() * double{timing.rowMs}) - timing.overlapMs);
    host_.State().exposureMs = time;
    if (ms != nullptr) *ms = time;
    return status::kSuccess;
}

int MT9P001Driver::ExposureTimeGetRange(float* minimum, float* maximum) {
    const RowTiming timing = Timing();
    if (minimum != nullptr) *minimum = static_cast<float>(timing.rowMs - timing.overlapMs);
    if (maximum != nullptr)
        *maximum = static_cast<float>(static_cast<float>(65535.0 * timing.rowMs) - timing.overlapMs);
    return status::kSuccess;
}

int MT9P001Driver::ExposureTimeSet(float ms) {
    const RowTiming timing = Timing();
    // Whole rows, rounded; a time past the longest shutter gets the longest
    // rather than the low 16 bits of its row count.
    const double rows = std::floor((timing.overlapMs + ms) / timing.rowMs + 0.5);
    const auto lines = static_cast<std::uint32_t>(std::clamp(std::isnan(rows) ? 0.0 : rows, 1.0, 65535.0));
    const int written = ExposureLinesSet(lines);
    if (written != status::kSuccess) return written;
    host_.State().exposureMs = static_cast<float>(lines * double{timing.rowMs} - timing.overlapMs);
    return status::kSuccess;
}

int MT9P001Driver::ReapplyExposure() { return ExposureTimeSet(host_.State().exposureMs); }

int MT9P001Driver::HorizontalBlankSet(std::uint16_t value) {
    WrSensorReg(kHorizontalBlank, std::min(value, kMaxHorizontalBlank));
    return status::kSuccess;
}

int MT9P001Driver::VerticalBlankSet(std::uint16_t value) {
    WrSensorReg(kVerticalBlank, std::clamp(value, kMinVerticalBlank, kMaxVerticalBlank));
    return status::kSuccess;
}

int MT9P001Driver::WriteGain(GainChannel channel, std::uint16_t code) {
    if (grey_) return WrSensorReg(kGlobalGain, code);
    switch (channel) {
        case GainChannel::Red: return WrSensorReg(kRedGain, code);
        case GainChannel::Blue: return WrSensorReg(kBlueGain, code);
        case GainChannel::Green: break;
    }
    // Both greens; the answer is the second's.
    WrSensorReg(kGreen1Gain, code);
    return WrSensorReg(kGreen2Gain, code);
}

// The strobe pin sits in a register the driver neither reads nor writes,
// so it reports the pin as off and not inverted.
int MT9P001Driver::FlashControlGet(bool* enable, bool* invert) {
    if (enable != nullptr) *enable = false;
    if (invert != nullptr) *invert = false;
    return status::kSuccess;
}

}  // namespace qcx
