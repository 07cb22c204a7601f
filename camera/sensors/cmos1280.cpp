// The 1280 x 1024 CMOS family: the family record and its driver. The chip
// has 8-bit register addresses, one shutter-width register, and reduces the
// read-out through two read-option registers: 0x1E skips by 4 or 8, 0x20
// bins by 2 and flips the rows.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <new>

#include "camera/common/log_file.h"
#include "camera/common/status.h"
#include "camera/sensors/sensor_driver.h"
#include "camera/sensors/sensor_family.h"
#include "camera/sensors/window_programming.h"
#include "camera/sensors/window_rules.h"

namespace qcx {

namespace {

constexpr DeviceType kTypes[] = {0, 1, 4, 5, 17, 18, 33, 34, 38, 39};
constexpr DeviceType kGreyTypes[] = {1, 5, 18, 34, 39};
constexpr DeviceType kFlashSettableTypes[] = {4, 5, 17, 18, 38, 39};

inline constexpr float kPixelClockMs = 2.083333e-5f;  // 48 MHz

inline constexpr std::uint16_t kRowStart = 0x01;
inline constexpr std::uint16_t kColumnStart = 0x02;
inline constexpr std::uint16_t kRowSize = 0x03;     // rows - 1
inline constexpr std::uint16_t kColumnSize = 0x04;  // columns - 1
inline constexpr std::uint16_t kHorizontalBlank = 0x05;
inline constexpr std::uint16_t kVerticalBlank = 0x06;
inline constexpr std::uint16_t kShutterWidth = 0x09;
inline constexpr std::uint16_t kShutterDelay = 0x0C;  // read, never written
inline constexpr std::uint16_t kReadOptions1 = 0x1E;
inline constexpr std::uint16_t kReadOptions2 = 0x20;
inline constexpr std::uint16_t kGreen1Gain = 0x2B;
inline constexpr std::uint16_t kBlueGain = 0x2C;
inline constexpr std::uint16_t kRedGain = 0x2D;
inline constexpr std::uint16_t kGreen2Gain = 0x2E;
inline constexpr std::uint16_t kGlobalGain = 0x35;  // a write sets the four colour gains

// Read options 1.
inline constexpr std::uint16_t kColumnSkip4 = 1u << 2;
inline constexpr std::uint16_t kRowSkip4 = 1u << 3;
inline constexpr std::uint16_t kColumnSkip8 = 1u << 4;
inline constexpr std::uint16_t kRowSkip8 = 1u << 5;
inline constexpr int kFlashBit = 9;
// Read options 2.
inline constexpr std::uint16_t kColumnBin2 = 1u << 3;
inline constexpr std::uint16_t kRowBin2 = 1u << 4;
inline constexpr int kRowFlipBit = 15;

inline constexpr std::uint16_t kMinHorizontalBlank = 9;
inline constexpr std::uint16_t kMaxHorizontalBlank = 2047;
inline constexpr std::uint16_t kMinVerticalBlank = 25;
inline constexpr std::uint16_t kMaxVerticalBlank = 2047;
inline constexpr std::uint32_t kMaxShutterWidth = 16383;

// The registers the driver keeps copies of, in the order the chip is read.
constexpr std::uint16_t kShadowedRegisters[] = {
    kColumnStart, kRowStart, kColumnSize, kRowSize,    kHorizontalBlank, kVerticalBlank, kShutterDelay, kShutterWidth,
    kRedGain,     kBlueGain, kGreen1Gain, kGreen2Gain, kGlobalGain,      kReadOptions1,  kReadOptions2,
};

// Written back after a reconnection. The global gain goes before the colour
// gains: the chip copies it into all four, which would otherwise fall back to
// the global value on a colour camera.
constexpr std::uint16_t kRestoredRegisters[] = {
    kColumnStart, kRowStart, kColumnSize, kRowSize,    kHorizontalBlank, kVerticalBlank, kShutterWidth,
    kGlobalGain,  kRedGain,  kBlueGain,   kGreen1Gain, kGreen2Gain,      kReadOptions1,  kReadOptions2,
};

constexpr int ShadowIndex(std::uint16_t reg) {
    for (int i = 0; i < static_cast<int>(std::size(kShadowedRegisters)); ++i)
        if (kShadowedRegisters[i] == reg) return i;
    return -1;
}

// Mode switches take the column mode before the row mode.
constexpr WindowValue kSwitchOrder[] = {WindowValue::ColumnStart, WindowValue::RowStart, WindowValue::Width,
                                        WindowValue::Height,      WindowValue::ColumnMode, WindowValue::RowMode};

// Skip by 3 (mode 2) is not on the chip; the size steps double the odd
// skip factors so that a window keeps whole Bayer pairs.
const WindowRules kWindowRules{
    .refusedModes = ModeBit(2), .refuseOutsideRange = false, .doubleOddSkip = true, .countMinusOne = true};

// Gain value 0 ... 71 -> code: 0x00 ... 0x3F, then the doubled range 0x60 ... 0x67.
constexpr int kGainCount = 72;
constexpr int kGainDoubledFirst = 64;
constexpr std::uint16_t kGainDoubledCode = 0x60;
constexpr int kMinGainIndex = 4;  // the codes below are not usable

constexpr std::uint16_t GainCode(int index) {
    return static_cast<std::uint16_t>(index < kGainDoubledFirst ? index
                                                                : kGainDoubledCode + (index - kGainDoubledFirst));
}

constexpr int GainIndex(std::uint16_t code) {
    if (code < kGainDoubledFirst) return code;
    if (code >= kGainDoubledCode && code < kGainDoubledCode + (kGainCount - kGainDoubledFirst))
        return kGainDoubledFirst + (code - kGainDoubledCode);
    return -1;
}
static_assert(GainCode(63) == 0x3F && GainCode(64) == 0x60 && GainCode(71) == 0x67);
static_assert(GainIndex(0x67) == 71 && GainIndex(0x40) == -1 && GainIndex(0x68) == -1);

// The read-option bits of one axis.
struct AxisBits {
    std::uint16_t skip4, skip8;  // in read options 1
    std::uint16_t bin2;          // in read options 2
};
constexpr AxisBits kRowBits{kRowSkip4, kRowSkip8, kRowBin2};
constexpr AxisBits kColumnBits{kColumnSkip4, kColumnSkip8, kColumnBin2};

// Binning wins over skipping, skip by 4 over skip by 8.
int ModeOf(const AxisBits& bits, std::uint16_t options1, std::uint16_t options2) {
    if ((options2 & bits.bin2) != 0) return 1;
    if ((options1 & bits.skip4) != 0) return 3;
    if ((options1 & bits.skip8) != 0) return 4;
    return 0;
}

std::uint16_t Word(int value) { return static_cast<std::uint16_t>(value); }

std::uint16_t WithBit(std::uint16_t value, std::uint16_t mask, bool on) {
    return static_cast<std::uint16_t>(on ? (value | mask) : (value & ~mask));
}

class Cmos1280Driver final : public SensorDriver {
public:
    explicit Cmos1280Driver(SensorHost& host)
        : SensorDriver(host),
          grey_(IsInGroup(kGreyTypes, host.SensorDeviceType())),
          flash_(IsInGroup(kFlashSettableTypes, host.SensorDeviceType())) {}

    int InitializeSensor() override;
    int RestoreRegisters() override;
    int SwitchFieldOfViewMode(int mode) override;
    int ClampWindow(WindowRequest& window) const override;
    int ApplyRecord(int index, const WindowRequest& window) override;

    int ExposureLinesSet(std::uint32_t lines) override;
    int ExposureLinesGet(std::uint32_t* lines) override;
    int ExposureTimeSet(float ms) override;
    int ExposureTimeGet(float* ms) override;
    int ExposureTimeGetRange(float* minimum, float* maximum) override;

    int GainSet(GainChannel channel, std::uint16_t gain) override;
    int GainGet(GainChannel channel, std::uint16_t* gain) override;

    int HorizontalBlankSet(std::uint16_t value) override;
    int HorizontalBlankGet(std::uint16_t* value) override;
    int VerticalBlankSet(std::uint16_t value) override;
    int VerticalBlankGet(std::uint16_t* value) override;

    int FlipSet(bool on) override;
    int FlipGet(bool* on) override;
    int FlashControlSet(bool enable, bool invert) override;
    int FlashControlGet(bool* enable, bool* invert) override;
    int BayerGetDefaultMode(int* mode) override;

private:
    // Writes one of the shadowed registers (not the shutter delay) when the
    // value differs from its copy: -3 for any other address, else 1 or the
    // write's failure.
    int WrSensorReg(std::uint16_t reg, std::uint16_t value);
    int ReadRelatedRegValue();
    std::uint16_t Shadow(std::uint16_t reg) const;

    int WriteAddressMode(const AxisBits& bits, int mode);
    int WriteWindowValue(WindowValue which, int value);
    // The window the chip holds, from the register copies.
    WindowRequest ChipWindow() const;
    // Pixel clocks of one row, from the width the column reduction leaves,
    // the horizontal blank and the shutter delay.
    long RowClocks() const;
    // The exposure of `lines` rows, in ms.
    double LinesToMs(double lines, long rowClocks) const;

    const bool grey_;
    const bool flash_;
    std::array<std::uint16_t, std::size(kShadowedRegisters)> shadows_{};
};

std::uint16_t Cmos1280Driver::Shadow(std::uint16_t reg) const {
    const int index = ShadowIndex(reg);
    return index < 0 ? 0 : shadows_[static_cast<std::size_t>(index)];
}

int Cmos1280Driver::WrSensorReg(std::uint16_t reg, std::uint16_t value) {
    const int index = ShadowIndex(reg);
    if (index < 0 || reg == kShutterDelay) return status::kNotSupported;
    std::uint16_t& shadow = shadows_[static_cast<std::size_t>(index)];
    if (shadow == value) return status::kSuccess;
    const int written = host_.WriteSensorRegister(reg, value);
    if (written != status::kSuccess) return written;
    LogPrintf(host_.SensorLog(), "WrSensorReg( 0x%04x, %d ) ", reg, value);
    shadow = value;
    return written;
}

int Cmos1280Driver::ReadRelatedRegValue() {
    shadows_.fill(0);
    for (std::size_t i = 0; i < shadows_.size(); ++i) {
        const int read = host_.ReadSensorRegister(kShadowedRegisters[i], &shadows_[i]);
        if (read != status::kSuccess) return read;
    }
    host_.ReadWorkingModeIntoDevice();
    return status::kSuccess;
}

int Cmos1280Driver::InitializeSensor() {
    SensorState& state = host_.State();
    state.geometry = {.columnOffset = 16, .rowOffset = 8, .minWidth = 1, .minHeight = 1, .maxWidth = 1280,
                      .maxHeight = 1024};
    const int read = ReadRelatedRegValue();
    if (read != status::kSuccess) return read;
    state.fovMode = FVM_CAPTURE;

    // Both records adopt the window the chip holds.
    const WindowRequest chip = ChipWindow();
    FieldOfView record;
    for (const WindowValue which : kStartsSizesModes) StoreWindowValue(record, which, WindowValueOf(chip, which));
    state.fov[FVM_CAPTURE] = record;
    state.fov[FVM_PREVIEW] = record;

    // The grey chips' rows come out bottom-up without the row flip.
    if (grey_) FlipSet(true);
    return status::kSuccess;
}

int Cmos1280Driver::RestoreRegisters() {
    for (const std::uint16_t reg : kRestoredRegisters) {
        const int written = host_.WriteSensorRegister(reg, Shadow(reg));
        if (written != status::kSuccess) return written;
    }
    return status::kSuccess;
}

int Cmos1280Driver::BayerGetDefaultMode(int* mode) {
    if (mode != nullptr) *mode = host_.State().defaultBayerMode;
    return status::kSuccess;
}

// ---- windows ----------------------------------------------------------

int Cmos1280Driver::ClampWindow(WindowRequest& window) const {
    const int validated = ValidateWindow(kWindowRules, host_.State().geometry, window);
    if (validated != status::kSuccess) return validated;
    window.width = NativeSize(kWindowRules, window.width);
    window.height = NativeSize(kWindowRules, window.height);
    return status::kSuccess;
}

// Read options 1 first, then 2; the other bits keep their values.
int Cmos1280Driver::WriteAddressMode(const AxisBits& bits, int mode) {
    std::uint16_t options1 = Shadow(kReadOptions1) & static_cast<std::uint16_t>(~(bits.skip4 | bits.skip8));
    std::uint16_t options2 = Shadow(kReadOptions2) & static_cast<std::uint16_t>(~bits.bin2);
    switch (mode) {
        case 0: break;
        case 1: options2 |= bits.bin2; break;
        case 3: options1 |= bits.skip4; break;
        case 4: options1 |= bits.skip8; break;
        default: return status::kNotSupported;
    }
    const int written = WrSensorReg(kReadOptions1, options1);
    if (written != status::kSuccess) return written;
    return WrSensorReg(kReadOptions2, options2);
}

int Cmos1280Driver::WriteWindowValue(WindowValue which, int value) {
    switch (which) {
        case WindowValue::ColumnStart: return WrSensorReg(kColumnStart, Word(value));
        case WindowValue::RowStart: return WrSensorReg(kRowStart, Word(value));
        case WindowValue::Width: return WrSensorReg(kColumnSize, Word(value));
        case WindowValue::Height: return WrSensorReg(kRowSize, Word(value));
        case WindowValue::RowMode: return WriteAddressMode(kRowBits, value);
        case WindowValue::ColumnMode: return WriteAddressMode(kColumnBits, value);
    }
    return status::kNotSupported;
}

WindowRequest Cmos1280Driver::ChipWindow() const {
    const std::uint16_t options1 = Shadow(kReadOptions1);
    const std::uint16_t options2 = Shadow(kReadOptions2);
    return {Shadow(kColumnStart), Shadow(kRowStart), Shadow(kColumnSize), Shadow(kRowSize),
            ModeOf(kColumnBits, options1, options2), ModeOf(kRowBits, options1, options2)};
}

int Cmos1280Driver::ApplyRecord(int index, const WindowRequest& window) {
    SensorState& state = host_.State();
    bool rowTimeChanged = false;
    const int result = ProgramRecord(
        state.fov[index], window, [&](WindowValue which, int value) { return WriteWindowValue(which, value); },
        &rowTimeChanged);
    if (result != status::kSuccess) return result;
    state.fovMode = index;
    // The row time follows the width and the modes; the exposure keeps its time.
    return rowTimeChanged ? ExposureTimeSet(state.exposureMs) : result;
}

int Cmos1280Driver::SwitchFieldOfViewMode(int mode) {
    if (mode != FVM_CAPTURE && mode != FVM_PREVIEW) return status::kParameterError;
    SensorState& state = host_.State();
    // Against what the chip holds, so that a switch that failed part-way is
    // finished by the next one, even to the mode that is already current.
    bool rowTimeChanged = false;
    const int result = ProgramWindow(
        ChipWindow(), WindowOf(state.fov[mode]), kSwitchOrder,
        [&](WindowValue which, int value) { return WriteWindowValue(which, value); }, [](WindowValue, int) {},
        &rowTimeChanged);
    if (result != status::kSuccess) return result;
    state.fovMode = mode;
    return rowTimeChanged ? ExposureTimeSet(state.exposureMs) : status::kSuccess;
}

// ---- exposure ---------------------------------------------------------------

long Cmos1280Driver::RowClocks() const {
    const std::uint16_t options1 = Shadow(kReadOptions1);
    const std::uint16_t options2 = Shadow(kReadOptions2);
    const long reduction = (options2 & kColumnBin2) != 0    ? 2
                           : (options1 & kColumnSkip4) != 0 ? 4
                           : (options1 & kColumnSkip8) != 0 ? 8
                                                            : 0;
    long width = Shadow(kColumnSize);
    if (reduction != 0) width = 2 * (width / (2 * reduction)) + 1;
    const long blank = std::max<long>(Shadow(kHorizontalBlank), 19);
    const long delay = Shadow(kShutterDelay);
    // The shutter delay sets a minimum row of its own, 4 SD + 548 clocks,
    // which a long delay or a narrow row reaches.
    return delay > (width + blank - 322) / 4 ? 4 * delay + 548 : width + blank + 226;
}

double Cmos1280Driver::LinesToMs(double lines, long rowClocks) const {
    return (lines * static_cast<double>(rowClocks) - Shadow(kShutterDelay) - 180) * double{kPixelClockMs};
}

int Cmos1280Driver::ExposureTimeGet(float* ms) {
    const auto time = static_cast<float>(LinesToMs(Shadow(kShutterWidth), RowClocks()));
    host_.State().exposureMs = time;
    if (ms != nullptr) *ms = time;
    return status::kSuccess;
}

int Cmos1280Driver::ExposureTimeGetRange(float* minimum, float* maximum) {
    const long row = RowClocks();
    if (minimum != nullptr) *minimum = static_cast<float>(LinesToMs(1, row));
    if (maximum != nullptr) *maximum = static_cast<float>(LinesToMs(kMaxShutterWidth, row));
    return status::kSuccess;
}

int Cmos1280Driver::ExposureTimeSet(float ms) {
    const double clocks = double{ms} / double{kPixelClockMs} + Shadow(kShutterDelay) + 180;
    const double lines = std::trunc(clocks / static_cast<double>(RowClocks()) + 0.5);
    // The register holds 14 bits: a time past the longest shutter gets the
    // longest, one under a row gets one row.
    const auto rows =
        static_cast<std::uint16_t>(std::clamp(std::isnan(lines) ? 1.0 : lines, 1.0, double{kMaxShutterWidth}));
    const int written = WrSensorReg(kShutterWidth, rows);
    if (written != status::kSuccess) return written;
    // The time as asked: a window change re-applies it, not the rounded rows.
    host_.State().exposureMs = ms;
    return status::kSuccess;
}

int Cmos1280Driver::ExposureLinesSet(std::uint32_t lines) {
    return WrSensorReg(kShutterWidth, static_cast<std::uint16_t>(std::clamp<std::uint32_t>(lines, 1, kMaxShutterWidth)));
}

int Cmos1280Driver::ExposureLinesGet(std::uint32_t* lines) {
    if (lines != nullptr) *lines = Shadow(kShutterWidth);
    return status::kSuccess;
}

// ---- gain, blanking, flip, flash --------------------------------------------

int Cmos1280Driver::GainSet(GainChannel channel, std::uint16_t gain) {
    const std::uint16_t code = GainCode(std::clamp<int>(gain, kMinGainIndex, kGainCount - 1));
    // Setting a gain succeeds whatever the chip answers; the copies keep
    // what it took.
    if (grey_) {
        for (const std::uint16_t reg : {kRedGain, kGreen1Gain, kGreen2Gain, kBlueGain, kGlobalGain})
            WrSensorReg(reg, code);
        return status::kSuccess;
    }
    switch (channel) {
        case GainChannel::Red: WrSensorReg(kRedGain, code); break;
        case GainChannel::Blue: WrSensorReg(kBlueGain, code); break;
        case GainChannel::Green:
            WrSensorReg(kGreen1Gain, code);
            WrSensorReg(kGreen2Gain, code);
            break;
    }
    return status::kSuccess;
}

int Cmos1280Driver::GainGet(GainChannel channel, std::uint16_t* gain) {
    std::uint16_t reg = kRedGain;  // the grey chips' one gain
    if (!grey_ && channel == GainChannel::Green) reg = kGreen1Gain;
    if (!grey_ && channel == GainChannel::Blue) reg = kBlueGain;
    const int index = GainIndex(Shadow(reg));
    if (gain != nullptr) *gain = static_cast<std::uint16_t>(std::max(index, 0));
    return index < 0 ? status::kFail : status::kSuccess;
}

int Cmos1280Driver::HorizontalBlankSet(std::uint16_t value) {
    return WrSensorReg(kHorizontalBlank, std::clamp(value, kMinHorizontalBlank, kMaxHorizontalBlank));
}

int Cmos1280Driver::HorizontalBlankGet(std::uint16_t* value) {
    if (value != nullptr) *value = Shadow(kHorizontalBlank);
    return status::kSuccess;
}

int Cmos1280Driver::VerticalBlankSet(std::uint16_t value) {
    return WrSensorReg(kVerticalBlank, std::clamp(value, kMinVerticalBlank, kMaxVerticalBlank));
}

int Cmos1280Driver::VerticalBlankGet(std::uint16_t* value) {
    if (value != nullptr) *value = Shadow(kVerticalBlank);
    return status::kSuccess;
}

int Cmos1280Driver::FlipSet(bool on) {
    return WrSensorReg(kReadOptions2, WithBit(Shadow(kReadOptions2), 1u << kRowFlipBit, on));
}

int Cmos1280Driver::FlipGet(bool* on) {
    if (on != nullptr) *on = (Shadow(kReadOptions2) >> kRowFlipBit) & 1u;
    return status::kSuccess;
}

// The strobe pin has no invert.
int Cmos1280Driver::FlashControlSet(bool enable, bool invert) {
    (void)invert;
    if (!flash_) return status::kNotSupported;
    return WrSensorReg(kReadOptions1, WithBit(Shadow(kReadOptions1), 1u << kFlashBit, enable));
}

int Cmos1280Driver::FlashControlGet(bool* enable, bool* invert) {
    if (enable != nullptr) *enable = (Shadow(kReadOptions1) >> kFlashBit) & 1u;
    if (invert != nullptr) *invert = false;
    return status::kSuccess;
}

}  // namespace

extern const SensorFamilyTraits kCmos1280Family;
const SensorFamilyTraits kCmos1280Family{
    .family = SensorFamily::Cmos1280x1024,
    .name = "1280x1024 CMOS",
    .types = kTypes,
    .monochromeTypes = kGreyTypes,
    .makeDriver = [](SensorHost& host) {
        return std::unique_ptr<SensorDriver>(new (std::nothrow) Cmos1280Driver(host));
    },
    .windowRules = &kWindowRules,
    .params = {.blanking = true,
               .gain = Range(0, kGainCount - 1),
               .horizontalBlank = Range(kMinHorizontalBlank, kMaxHorizontalBlank),
               .verticalBlank = Range(kMinVerticalBlank, kMaxVerticalBlank),
               .exposureLines = Range(1, static_cast<int>(kMaxShutterWidth))},
    .defaultBayerMode = [](DeviceType, int, int) { return 2; },
    .flashReadable = true,
    .flashSettableTypes = kFlashSettableTypes,
};

}  // namespace qcx
