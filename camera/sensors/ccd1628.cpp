// The 1628 x 1236 CCD family: the family record and its driver. The camera
// always reads the full frame; the host reaches five timing and front-end
// registers through one vendor request, and mirror and flip are done on the
// frames by the device.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <new>

#include "camera/common/status.h"
#include "camera/platform/request_record.h"
#include "camera/sensors/sensor_driver.h"
#include "camera/sensors/full_frame.h"
#include "camera/sensors/sensor_family.h"

namespace qcx {

namespace {

constexpr DeviceType kTypes[] = {48, 49};
constexpr DeviceType kGreyTypes[] = {49};

constexpr int kWidth = 1628;
constexpr int kHeight = 1236;

// Register write: host to device, value 0, index 0, six data bytes.
constexpr std::uint16_t kRegisterWriteLength = 6;

constexpr std::uint16_t kCdsGain = 4;
constexpr std::uint16_t kVgaGain = 5;
constexpr std::uint16_t kClampLevel = 6;
constexpr std::uint16_t kExposureHigh = 99;  // exposure lines / 1252
constexpr std::uint16_t kExposureLow = 100;  // exposure lines modulo 1252

// The registers and their values after a reset, in the order they are
// written: the front end first, the exposure's low part before its high part.
struct InitialValue {
    std::uint16_t reg;
    std::uint16_t value;
};
constexpr InitialValue kInitialValues[] = {
    {kVgaGain, 512}, {kClampLevel, 0}, {kCdsGain, 0}, {kExposureLow, 0}, {kExposureHigh, 1200},
};

constexpr std::uint16_t kShadowedRegisters[] = {kCdsGain, kVgaGain, kClampLevel, kExposureHigh, kExposureLow};

constexpr int ShadowIndex(std::uint16_t reg) {
    for (int i = 0; i < static_cast<int>(std::size(kShadowedRegisters)); ++i)
        if (kShadowedRegisters[i] == reg) return i;
    return -1;
}

// One line is 1252 clocks of the 36 MHz pixel clock.
constexpr std::uint32_t kLineClocks = 1252;
constexpr double kPixelClockMs = 2.7777778e-5;
constexpr double kLineMs = 0.034777778056;
constexpr std::uint32_t kMaxExposureLines = 4095 * kLineClocks;
// The range reported to callers is the camera's own, not the line range's.
constexpr float kMinExposureMs = 0.03477778f;
constexpr float kMaxExposureMs = 58998.934f;

constexpr ParamRange kCdsGainRange = Range(0, 3);
constexpr ParamRange kVgaGainRange = Range(1, 1023);
constexpr ParamRange kClampLevelRange = Range(0, 1023);

std::uint8_t LowByte(std::uint16_t word) { return static_cast<std::uint8_t>(word & 0xFF); }
std::uint8_t HighByte(std::uint16_t word) { return static_cast<std::uint8_t>(word >> 8); }

double LinesToMs(std::uint32_t lines) { return static_cast<double>(lines) * kLineClocks * kPixelClockMs; }

class Ccd1628Driver final : public SensorDriver {
public:
    explicit Ccd1628Driver(SensorHost& host) : SensorDriver(host) {}

    int InitializeSensor() override;
    int RestoreRegisters() override;
    int SwitchFieldOfViewMode(int mode) override;

    int ExposureLinesSet(std::uint32_t lines) override;
    int ExposureLinesGet(std::uint32_t* lines) override;
    int ExposureTimeSet(float ms) override;
    int ExposureTimeGet(float* ms) override;
    int ExposureTimeGetRange(float* minimum, float* maximum) override;

    int FrontEndSet(FrontEndControl control, int value) override;
    int FrontEndGet(FrontEndControl control, std::uint16_t* value) override;
    int BayerGetDefaultMode(int* mode) override;

private:
    // Writes one of the five registers when the value differs from its copy:
    // -3 for any other register, else 1 or the request's failure.
    int WrSensorReg(std::uint16_t reg, std::uint16_t value);
    // The register request itself, no comparison; the copy follows a success.
    int WriteRegister(std::uint16_t reg, std::uint16_t value);
    std::uint16_t Shadow(std::uint16_t reg) const;
    std::uint32_t ExposureLines() const;

    std::array<std::uint16_t, std::size(kShadowedRegisters)> shadows_{};
};

std::uint16_t Ccd1628Driver::Shadow(std::uint16_t reg) const {
    const int index = ShadowIndex(reg);
    return index < 0 ? 0 : shadows_[static_cast<std::size_t>(index)];
}

int Ccd1628Driver::WriteRegister(std::uint16_t reg, std::uint16_t value) {
    const int index = ShadowIndex(reg);
    if (index < 0) return status::kNotSupported;
    const std::uint8_t data[kRegisterWriteLength] = {
        LowByte(reg), HighByte(reg), LowByte(value), HighByte(value), 0, 0};
    const int sent = host_.SendVendorRequest(vendor::kCcd1628RegisterWrite, data, kRegisterWriteLength);
    if (sent != status::kSuccess) return sent;
    shadows_[static_cast<std::size_t>(index)] = value;
    return status::kSuccess;
}

int Ccd1628Driver::WrSensorReg(std::uint16_t reg, std::uint16_t value) {
    const int index = ShadowIndex(reg);
    if (index < 0) return status::kNotSupported;
    if (shadows_[static_cast<std::size_t>(index)] == value) return status::kSuccess;
    return WriteRegister(reg, value);
}

int Ccd1628Driver::InitializeSensor() {
    // Every register is sent, zeros included: the chip may still hold what
    // an earlier session set, which cleared copies would hide.
    shadows_.fill(0);
    for (const InitialValue& initial : kInitialValues) {
        const int written = WriteRegister(initial.reg, initial.value);
        if (written != status::kSuccess) return written;
    }
    AdoptFullFrame(host_.State(), kWidth, kHeight);
    return status::kSuccess;
}

int Ccd1628Driver::RestoreRegisters() {
    for (const InitialValue& initial : kInitialValues) {
        const int written = WriteRegister(initial.reg, Shadow(initial.reg));
        if (written != status::kSuccess) return written;
    }
    return status::kSuccess;
}

// Both records hold the same frame, so nothing reaches the camera.
int Ccd1628Driver::SwitchFieldOfViewMode(int mode) { return SwitchFullFrameMode(host_.State(), mode); }

// ---- exposure ---------------------------------------------------------------

std::uint32_t Ccd1628Driver::ExposureLines() const {
    return kLineClocks * Shadow(kExposureHigh) + Shadow(kExposureLow);
}

int Ccd1628Driver::ExposureLinesSet(std::uint32_t lines) {
    if (lines > kMaxExposureLines) lines = kMaxExposureLines;
    if (lines < 1) lines = 1;
    const auto high = static_cast<std::uint16_t>(lines / kLineClocks);
    const auto low = static_cast<std::uint16_t>(lines - kLineClocks * high);
    const int written = WrSensorReg(kExposureLow, low);
    if (written != status::kSuccess) return written;
    return WrSensorReg(kExposureHigh, high);
}

int Ccd1628Driver::ExposureLinesGet(std::uint32_t* lines) {
    if (lines != nullptr) *lines = ExposureLines();
    return status::kSuccess;
}

int Ccd1628Driver::ExposureTimeGet(float* ms) {
    const auto time = static_cast<float>(LinesToMs(ExposureLines()));
    host_.State().exposureMs = time;
    if (ms != nullptr) *ms = time;
    return status::kSuccess;
}

int Ccd1628Driver::ExposureTimeSet(float ms) {
    // Rounded to whole lines; a time under one line (a negative one, or no
    // number at all) gets one line, one past the register's reach the longest.
    const double lines = std::trunc(double{ms} / kLineMs + 0.5);
    const auto rows = static_cast<std::uint32_t>(
        std::clamp(std::isnan(lines) ? 1.0 : lines, 1.0, static_cast<double>(kMaxExposureLines)));
    const int written = ExposureLinesSet(rows);
    if (written != status::kSuccess) return written;
    host_.State().exposureMs = static_cast<float>(LinesToMs(rows));
    return status::kSuccess;
}

int Ccd1628Driver::ExposureTimeGetRange(float* minimum, float* maximum) {
    if (minimum != nullptr) *minimum = kMinExposureMs;
    if (maximum != nullptr) *maximum = kMaxExposureMs;
    return status::kSuccess;
}

// ---- front end ---------------------------------------------------------------

std::uint16_t ClampTo(const ParamRange& range, int value) {
    return static_cast<std::uint16_t>(std::clamp(value, range.minimum, range.maximum));
}

int Ccd1628Driver::FrontEndSet(FrontEndControl control, int value) {
    switch (control) {
        case FrontEndControl::CdsGain: return WrSensorReg(kCdsGain, ClampTo(kCdsGainRange, value));
        case FrontEndControl::VgaGain: return WrSensorReg(kVgaGain, ClampTo(kVgaGainRange, value));
        case FrontEndControl::ClampLevel: return WrSensorReg(kClampLevel, ClampTo(kClampLevelRange, value));
    }
    return status::kNotSupported;
}

int Ccd1628Driver::FrontEndGet(FrontEndControl control, std::uint16_t* value) {
    std::uint16_t reg = kCdsGain;
    if (control == FrontEndControl::VgaGain) reg = kVgaGain;
    if (control == FrontEndControl::ClampLevel) reg = kClampLevel;
    if (value != nullptr) *value = Shadow(reg);
    return status::kSuccess;
}

int Ccd1628Driver::BayerGetDefaultMode(int* mode) {
    if (mode != nullptr) *mode = host_.State().defaultBayerMode;
    return status::kSuccess;
}

}  // namespace

extern const SensorFamilyTraits kCcd1628Family;
const SensorFamilyTraits kCcd1628Family{
    .family = SensorFamily::Ccd1628x1236,
    .name = "1628x1236 CCD",
    .types = kTypes,
    .monochromeTypes = kGreyTypes,
    .makeDriver = [](SensorHost& host) {
        return std::unique_ptr<SensorDriver>(new (std::nothrow) Ccd1628Driver(host));
    },
    .params = {.gainReadable = false,
               .gainSettable = false,
               .frontEnd = true,
               .gain = Range(0, 0),
               .vgaGain = kVgaGainRange,
               .clampLevel = kClampLevelRange,
               .cdsGain = kCdsGainRange,
               .exposureLines = Range(1, static_cast<int>(kMaxExposureLines))},
    .defaultBayerMode = [](DeviceType, int, int) { return 1; },
    .frameMirror = true,
};

}  // namespace qcx
