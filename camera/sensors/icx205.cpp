// The ICX205 CCD camera (1360 x 1024): the family record and its driver.
// The CCD always sends its full frame; the driver sets the exposure through
// the CXD2460R timing generator and the gains through the AD9840A analog
// front end, each over a vendor request of its own.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <memory>
#include <new>

#include "camera/common/status.h"
#include "camera/platform/request_record.h"
#include "camera/sensors/sensor_driver.h"
#include "camera/sensors/full_frame.h"
#include "camera/sensors/sensor_family.h"

namespace qcx {

namespace {

constexpr DeviceType kTypes[] = {19, 20};
constexpr DeviceType kGreyTypes[] = {20};
constexpr int kWidth = 1360;
constexpr int kHeight = 1024;

// Front-end registers (AD9840A) and the timing generator's exposure register
// (CXD2460R).
constexpr std::uint16_t kVgaGain = 1;
constexpr std::uint16_t kClampLevel = 2;
constexpr std::uint16_t kCdsGain = 4;
constexpr std::uint16_t kExposureLines = 85;

struct InitialRegister {
    std::uint16_t reg;
    std::uint16_t value;
};
// Written at initialisation and restored, in this order.
constexpr InitialRegister kInitialValues[] = {
    {kVgaGain, 512}, {kClampLevel, 0}, {kCdsGain, 0x20}, {kExposureLines, 2047}};

constexpr std::uint16_t kMinVgaGain = 300;
constexpr std::uint16_t kMaxVgaGain = 1023;
constexpr std::uint16_t kMaxClampLevel = 255;
constexpr int kCdsGainIndexes = 64;
constexpr std::uint32_t kMaxLines = 65535;

// One line is 2047 clocks of 24 MHz, in single precision as the chip's
// timing is counted.
constexpr float kPixelClockMs = 4.166666e-5f;
constexpr int kClocksPerLine = 2047;
constexpr double kLineMs = 0.085291654;
constexpr float kMinExposureMs = 0.085291654f;
constexpr float kMaxExposureMs = 5589.5884f;

// CDS gain index -> the front end's code: the code runs from 0x20 up through
// 0x3F and wraps to 0x00 ... 0x1F.
constexpr std::uint16_t CdsCode(int index) { return static_cast<std::uint16_t>((index + 32) % kCdsGainIndexes); }
constexpr int CdsIndex(std::uint16_t code) { return (code + 32) % kCdsGainIndexes; }
static_assert(CdsCode(0) == 0x20 && CdsCode(31) == 0x3F && CdsCode(32) == 0x00 && CdsCode(40) == 0x08);

constexpr std::size_t ShadowSlot(std::uint16_t reg) {
    for (std::size_t i = 0; i < std::size(kInitialValues); ++i)
        if (kInitialValues[i].reg == reg) return i;
    return std::size(kInitialValues);
}

// The two serial commands that program exposure v into the timing
// generator: v / 2047 whole frames of lines, and the shutter position
// 2046 - v mod 2047 of the last. Each field goes out least significant bit
// first.
std::array<std::array<std::uint8_t, 6>, 2> TimingCommands(std::uint16_t lines) {
    const unsigned q = lines / kClocksPerLine;
    const unsigned s = 2046 - lines % kClocksPerLine;
    std::uint8_t f = 0;
    for (int k = 0; k <= 4; ++k) f |= static_cast<std::uint8_t>(((q >> k) & 1u) << (6 - k));
    std::uint8_t g = 0x40;
    for (int k = 0; k <= 3; ++k) g |= static_cast<std::uint8_t>(((s >> k) & 1u) << (3 - k));
    std::uint8_t h = 0;
    for (int k = 0; k <= 6; ++k) h |= static_cast<std::uint8_t>(((s >> (4 + k)) & 1u) << (7 - k));
    return {{{0x81, 0x0C, 0x00, f, 0x00, 0x00}, {0x81, g, h, 0x00, 0x00, 0x00}}};
}

class ICX205Driver final : public SensorDriver {
public:
    explicit ICX205Driver(SensorHost& host) : SensorDriver(host) {}

    int InitializeSensor() override;
    int RestoreRegisters() override;
    int SwitchFieldOfViewMode(int mode) override;

    int ExposureLinesSet(std::uint32_t lines) override;
    int ExposureLinesGet(std::uint32_t* lines) override;
    int ExposureTimeSet(float ms) override;
    int ExposureTimeGet(float* ms) override;
    int ExposureTimeGetRange(float* minimum, float* maximum) override;
    // Red, green and blue read the front end's gain.
    int GainGet(GainChannel channel, std::uint16_t* gain) override;
    int FrontEndSet(FrontEndControl control, int value) override;
    int FrontEndGet(FrontEndControl control, std::uint16_t* value) override;
    int BayerGetDefaultMode(int* mode) override;

private:
    // Writes register 1, 2 or 4 of the front end or the exposure register
    // 85 of the timing generator (-3 for any other) unless it holds `value`
    // already, and keeps the value once the camera took it.
    int WrSensorReg(std::uint16_t reg, std::uint16_t value);
    int SendRegister(std::uint16_t reg, std::uint16_t value);
    int WriteFrontEnd(std::uint16_t reg, std::uint16_t value);
    int WriteTimingGenerator(std::uint16_t lines);
    std::uint16_t Shadow(std::uint16_t reg) const { return shadows_[ShadowSlot(reg)]; }

    std::array<std::uint16_t, std::size(kInitialValues)> shadows_{};
    // An exposure whose second command failed left the timing generator with
    // half of it: the copy keeps the last whole exposure, and the next write
    // goes out even when it equals the copy.
    bool exposureInDoubt_ = true;
};

int ICX205Driver::WriteFrontEnd(std::uint16_t reg, std::uint16_t value) {
    const std::uint8_t data[3] = {static_cast<std::uint8_t>(reg), static_cast<std::uint8_t>(value),
                                  static_cast<std::uint8_t>(value >> 8)};
    return host_.SendVendorRequest(vendor::kFrontEndWrite, data, sizeof data);
}

int ICX205Driver::WriteTimingGenerator(std::uint16_t lines) {
    const auto commands = TimingCommands(lines);
    const int first = host_.SendVendorRequest(vendor::kTimingGeneratorWrite, commands[0].data(), 6);
    if (first != status::kSuccess) return first;
    const int second = host_.SendVendorRequest(vendor::kTimingGeneratorWrite, commands[1].data(), 6);
    exposureInDoubt_ = second != status::kSuccess;
    return second;
}

int ICX205Driver::SendRegister(std::uint16_t reg, std::uint16_t value) {
    return reg == kExposureLines ? WriteTimingGenerator(value) : WriteFrontEnd(reg, value);
}

int ICX205Driver::WrSensorReg(std::uint16_t reg, std::uint16_t value) {
    const std::size_t slot = ShadowSlot(reg);
    if (slot == std::size(kInitialValues)) return status::kNotSupported;
    if (shadows_[slot] == value && !(reg == kExposureLines && exposureInDoubt_)) return status::kSuccess;
    const int written = SendRegister(reg, value);
    if (written == status::kSuccess) shadows_[slot] = value;
    return written;
}

int ICX205Driver::InitializeSensor() {
    // Every register is written: the chips' power-on values are unknown.
    shadows_.fill(0);
    for (const InitialRegister& initial : kInitialValues) {
        const int written = SendRegister(initial.reg, initial.value);
        if (written != status::kSuccess) return written;
        shadows_[ShadowSlot(initial.reg)] = initial.value;
    }
    AdoptFullFrame(host_.State(), kWidth, kHeight);
    return status::kSuccess;
}

int ICX205Driver::RestoreRegisters() {
    for (const InitialRegister& initial : kInitialValues) {
        const int written = SendRegister(initial.reg, Shadow(initial.reg));
        if (written != status::kSuccess) return written;
    }
    return status::kSuccess;
}

int ICX205Driver::SwitchFieldOfViewMode(int mode) { return SwitchFullFrameMode(host_.State(), mode); }

int ICX205Driver::BayerGetDefaultMode(int* mode) {
    if (mode != nullptr) *mode = host_.State().defaultBayerMode;
    return status::kSuccess;
}

// ---- exposure ------------------------------------------------------------

int ICX205Driver::ExposureLinesSet(std::uint32_t lines) {
    // The register has 16 bits: longer exposures get the longest.
    return WrSensorReg(kExposureLines, static_cast<std::uint16_t>(std::clamp<std::uint32_t>(lines, 1, kMaxLines)));
}

int ICX205Driver::ExposureLinesGet(std::uint32_t* lines) {
    if (lines != nullptr) *lines = Shadow(kExposureLines);
    return status::kSuccess;
}

int ICX205Driver::ExposureTimeGet(float* ms) {
    const float time = static_cast<float>(Shadow(kExposureLines)) * static_cast<float>(kClocksPerLine) * kPixelClockMs;
    host_.State().exposureMs = time;
    if (ms != nullptr) *ms = time;
    return status::kSuccess;
}

int ICX205Driver::ExposureTimeSet(float ms) {
    const double rounded = std::trunc(ms / kLineMs + 0.5);
    const auto lines =
        static_cast<std::uint32_t>(std::isnan(rounded) ? 1.0 : std::clamp(rounded, 1.0, static_cast<double>(kMaxLines)));
    const int written = ExposureLinesSet(lines);
    host_.State().exposureMs = static_cast<float>(lines) * static_cast<float>(kClocksPerLine) * kPixelClockMs;
    return written;
}

int ICX205Driver::ExposureTimeGetRange(float* minimum, float* maximum) {
    if (minimum != nullptr) *minimum = kMinExposureMs;
    if (maximum != nullptr) *maximum = kMaxExposureMs;
    return status::kSuccess;
}

// ---- front end -------------------------------------------------------------

int ICX205Driver::GainGet(GainChannel channel, std::uint16_t* gain) {
    (void)channel;
    if (gain != nullptr) *gain = Shadow(kVgaGain);
    return status::kSuccess;
}

int ICX205Driver::FrontEndSet(FrontEndControl control, int value) {
    switch (control) {
        case FrontEndControl::VgaGain:
            return WrSensorReg(kVgaGain, static_cast<std::uint16_t>(std::clamp<int>(value, kMinVgaGain, kMaxVgaGain)));
        case FrontEndControl::ClampLevel:
            return WrSensorReg(kClampLevel, static_cast<std::uint16_t>(std::clamp<int>(value, 0, kMaxClampLevel)));
        case FrontEndControl::CdsGain:
            return WrSensorReg(kCdsGain, CdsCode(std::clamp(value, 0, kCdsGainIndexes - 1)));
    }
    return status::kNotSupported;
}

int ICX205Driver::FrontEndGet(FrontEndControl control, std::uint16_t* value) {
    std::uint16_t result = 0;
    switch (control) {
        case FrontEndControl::VgaGain: result = Shadow(kVgaGain); break;
        case FrontEndControl::ClampLevel: result = Shadow(kClampLevel); break;
        case FrontEndControl::CdsGain: result = static_cast<std::uint16_t>(CdsIndex(Shadow(kCdsGain))); break;
    }
    if (value != nullptr) *value = result;
    return status::kSuccess;
}

}  // namespace

extern const SensorFamilyTraits kICX205Family;
const SensorFamilyTraits kICX205Family{
    .family = SensorFamily::ICX205,
    .name = "ICX205",
    .types = kTypes,
    .monochromeTypes = kGreyTypes,
    .makeDriver = [](SensorHost& host) {
        return std::unique_ptr<SensorDriver>(new (std::nothrow) ICX205Driver(host));
    },
    .params = {.gainSettable = false,
               .frontEnd = true,
               .gain = Range(kMinVgaGain, kMaxVgaGain),
               .vgaGain = Range(kMinVgaGain, kMaxVgaGain),
               .clampLevel = Range(0, kMaxClampLevel),
               .cdsGain = Range(0, kCdsGainIndexes - 1),
               .exposureLines = Range(1, static_cast<int>(kMaxLines))},
    .defaultBayerMode = [](DeviceType, int, int) { return 3; },
    .frameMirror = true,
};

}  // namespace qcx
