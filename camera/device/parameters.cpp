#include "camera/device/parameters.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "camera/common/status.h"
#include "camera/device/device.h"
#include "camera/device/image_settings.h"
#include "camera/sensors/sensor_driver.h"
#include "qcxapi.h"

namespace qcx {

namespace {

// The names are the words the log prints for each identifier.
constexpr const char* kParamNames[kParamCount] = {
    "QCX_EXPOSURE",         "QCX_RED",           "QCX_GREEN",
    "QCX_BLUE",             "QCX_GAMMA",         "QCX_PREVIEW_COLUMNSTART",
    "QCX_PREVIEW_ROWSTART", "QCX_CAPTURE_COLUMNSTART", "QCX_CAPTURE_ROWSTART",
    "QCX_HORIZONTALBLANK",  "QCX_VERTICALBLANK", "QCX_FLIP",
    "QCX_BIN",              "QCX_MIRROR",        "QCX_CONTRAST",
    "QCX_BRIGHTNESS",       "QCX_VGAGAIN",       "QCX_CLAMPLEVEL",
    "QCX_CDSGAIN",          "QCX_RED_SHIFT",     "QCX_GREEN_SHIFT",
    "QCX_BLUE_SHIFT",       "QCX_COMPANDING",    "QCX_EXPOSURE_LINES",
    "QCX_SATURATION",
};

// Colour pipeline bounds, the same for every camera.
constexpr ParamRange kGammaRange = Range(-9, 9);
constexpr ParamRange kAdjustmentRange = Range(-128, 128);
constexpr ParamRange kShiftRange = Range(-255, 255);
constexpr ParamRange kFlagRange = Range(0, 1);

const FamilyParams* ParamsOf(const CDevice& device) {
    const SensorFamilyTraits* family = device.FamilyTraits();
    return family != nullptr ? &family->params : nullptr;
}

GainChannel GainChannelOf(int parameter) {
    if (parameter == QCX_RED) return GainChannel::Red;
    if (parameter == QCX_GREEN) return GainChannel::Green;
    return GainChannel::Blue;
}

ColourChannel ShiftChannelOf(int parameter) {
    if (parameter == QCX_RED_SHIFT) return ColourChannel::Red;
    if (parameter == QCX_GREEN_SHIFT) return ColourChannel::Green;
    return ColourChannel::Blue;
}

FrontEndControl FrontEndOf(int parameter) {
    if (parameter == QCX_VGAGAIN) return FrontEndControl::VgaGain;
    if (parameter == QCX_CLAMPLEVEL) return FrontEndControl::ClampLevel;
    return FrontEndControl::CdsGain;
}

// A window start changes alone: the other five values are the stored ones,
// sizes as the getters report them.
int SetWindowStart(CDevice& device, int mode, bool column, int value) {
    WindowRequest window;
    device.GetFieldOfView(mode, &window.columnStart, &window.rowStart, &window.width, &window.height,
                          &window.columnMode, &window.rowMode);
    (column ? window.columnStart : window.rowStart) = value;
    return device.SetFieldOfView(mode, window);
}

int GetWindowStart(CDevice& device, int mode, bool column, int* value) {
    int columnStart = 0;
    int rowStart = 0;
    device.GetFieldOfView(mode, &columnStart, &rowStart, nullptr, nullptr, nullptr, nullptr);
    *value = column ? columnStart : rowStart;
    return status::kSuccess;
}

// A start may move the window up to the sensor's edge: the bound uses the
// record's native width and height (count for the MT9V032, count - 1 else).
void WindowStartRange(CDevice& device, int mode, bool column, int* minimum, int* maximum) {
    const SensorGeometry& geometry = device.State().geometry;
    const FieldOfView& record = device.Record(mode);
    *minimum = 0;
    *maximum = column ? geometry.maxWidth - record.width - 1 : geometry.maxHeight - record.height - 1;
}

int SetFlag(CDevice& device, const FamilyParams* family, bool mirror, bool on) {
    if (family == nullptr) return status::kNotSupported;
    if (device.FamilyTraits()->frameMirror) {
        // The frame reader reverses rows or samples; nothing reaches a register.
        if (mirror) device.SetMirrorFlag(on);
        else device.SetFlipFlag(on);
        return status::kSuccess;
    }
    if (mirror && !family->sensorMirror) return status::kNotSupported;
    SensorDriver* sensor = device.Sensor();
    if (sensor == nullptr) return status::kNotSupported;
    return mirror ? sensor->MirrorSet(on) : sensor->FlipSet(on);
}

int GetFlag(CDevice& device, const FamilyParams* family, bool mirror, int* value) {
    if (family == nullptr) return status::kNotSupported;
    if (device.FamilyTraits()->frameMirror) {
        *value = (mirror ? device.MirrorFlag() : device.FlipFlag()) ? 1 : 0;
        return status::kSuccess;
    }
    if (mirror && !family->sensorMirror) return status::kNotSupported;
    SensorDriver* sensor = device.Sensor();
    if (sensor == nullptr) return status::kNotSupported;
    bool on = false;
    const int result = mirror ? sensor->MirrorGet(&on) : sensor->FlipGet(&on);
    if (result == status::kSuccess) *value = on ? 1 : 0;
    return result;
}

int SetSensorParam(CDevice& device, const FamilyParams* family, int parameter, int value) {
    if (family == nullptr) return status::kNotSupported;
    SensorDriver* sensor = device.Sensor();
    switch (parameter) {
        case QCX_RED:
        case QCX_GREEN:
        case QCX_BLUE:
            if (!family->gainSettable || sensor == nullptr) return status::kNotSupported;
            // Single-gain sensors set their one gain whichever channel is named.
            return sensor->GainSet(GainChannelOf(parameter), static_cast<std::uint16_t>(std::max(value, 0)));
        case QCX_HORIZONTALBLANK:
        case QCX_VERTICALBLANK:
            if (!family->blanking || sensor == nullptr) return status::kNotSupported;
            return parameter == QCX_HORIZONTALBLANK ? sensor->HorizontalBlankSet(static_cast<std::uint16_t>(value))
                                                    : sensor->VerticalBlankSet(static_cast<std::uint16_t>(value));
        case QCX_BIN:
            if (!family->binning || sensor == nullptr) return status::kNotSupported;
            return sensor->BinningSet(value != 0);
        case QCX_VGAGAIN:
        case QCX_CLAMPLEVEL:
        case QCX_CDSGAIN:
            if (!family->frontEnd || sensor == nullptr) return status::kNotSupported;
            return sensor->FrontEndSet(FrontEndOf(parameter), value);
        case QCX_COMPANDING:
            if (!family->companding || sensor == nullptr) return status::kNotSupported;
            return sensor->CompandingSet(value != 0);
        case QCX_EXPOSURE_LINES:
            if (sensor == nullptr) return status::kNotSupported;
            return sensor->ExposureLinesSet(static_cast<std::uint32_t>(std::max(value, 1)));
        default:
            return status::kNotSupported;
    }
}

int GetSensorParam(CDevice& device, const FamilyParams* family, int parameter, int* value) {
    if (family == nullptr) return status::kNotSupported;
    SensorDriver* sensor = device.Sensor();
    std::uint16_t word = 0;
    int result = status::kNotSupported;
    switch (parameter) {
        case QCX_RED:
        case QCX_GREEN:
        case QCX_BLUE:
            if (!family->gainReadable || sensor == nullptr) return status::kNotSupported;
            result = sensor->GainGet(GainChannelOf(parameter), &word);
            break;
        case QCX_HORIZONTALBLANK:
        case QCX_VERTICALBLANK:
            if (!family->blanking || sensor == nullptr) return status::kNotSupported;
            result = parameter == QCX_HORIZONTALBLANK ? sensor->HorizontalBlankGet(&word)
                                                      : sensor->VerticalBlankGet(&word);
            break;
        case QCX_BIN: {
            if (family->binningFixedOn) {
                *value = 1;
                return status::kSuccess;
            }
            if (!family->binning || sensor == nullptr) return status::kNotSupported;
            bool on = false;
            result = sensor->BinningGet(&on);
            word = on ? 1 : 0;
            break;
        }
        case QCX_VGAGAIN:
        case QCX_CLAMPLEVEL:
        case QCX_CDSGAIN:
            if (!family->frontEnd || sensor == nullptr) return status::kNotSupported;
            result = sensor->FrontEndGet(FrontEndOf(parameter), &word);
            break;
        case QCX_COMPANDING: {
            if (!family->companding || sensor == nullptr) return status::kNotSupported;
            bool on = false;
            result = sensor->CompandingGet(&on);
            word = on ? 1 : 0;
            break;
        }
        case QCX_EXPOSURE_LINES: {
            if (sensor == nullptr) return status::kNotSupported;
            std::uint32_t lines = 0;
            result = sensor->ExposureLinesGet(&lines);
            if (result == status::kSuccess) *value = static_cast<int>(lines);
            return result;
        }
        default:
            return status::kNotSupported;
    }
    if (result == status::kSuccess) *value = word;
    return result;
}

// The family's bounds of a sensor parameter; null for an identifier that is
// not a sensor parameter.
const ParamRange* SensorRange(const FamilyParams& family, int parameter) {
    switch (parameter) {
        case QCX_RED:
        case QCX_GREEN:
        case QCX_BLUE: return &family.gain;
        case QCX_HORIZONTALBLANK: return &family.horizontalBlank;
        case QCX_VERTICALBLANK: return &family.verticalBlank;
        case QCX_BIN: return &family.bin;
        case QCX_VGAGAIN: return &family.vgaGain;
        case QCX_CLAMPLEVEL: return &family.clampLevel;
        case QCX_CDSGAIN: return &family.cdsGain;
        case QCX_COMPANDING: return &family.compand;
        case QCX_EXPOSURE_LINES: return &family.exposureLines;
        default: return nullptr;
    }
}

int ReportRange(const ParamRange& range, int* minimum, int* maximum) {
    if (!range.supported) return status::kNotSupported;
    *minimum = range.minimum;
    *maximum = range.maximum;
    return status::kSuccess;
}

int ExposureRange(CDevice& device, int* minimum, int* maximum) {
    SensorDriver* sensor = device.Family() ? device.Sensor() : nullptr;
    if (sensor == nullptr) return status::kNotSupported;
    float low = 0.0f;
    float high = 0.0f;
    const int result = sensor->ExposureTimeGetRange(&low, &high);
    if (result != status::kSuccess) return result;
    *minimum = static_cast<int>(low);
    *maximum = static_cast<int>(high);
    return status::kSuccess;
}

}  // namespace

const char* ParamName(int parameter) {
    return parameter >= 0 && parameter < kParamCount ? kParamNames[parameter] : nullptr;
}

int ExposureTimeSet(CDevice& device, float milliseconds) {
    SensorDriver* sensor = device.Family() ? device.Sensor() : nullptr;
    if (sensor == nullptr) return status::kNotSupported;
    return sensor->ExposureTimeSet(milliseconds);
}

int ExposureTimeGet(CDevice& device, float* milliseconds) {
    if (milliseconds == nullptr) return status::kParameterError;
    SensorDriver* sensor = device.Family() ? device.Sensor() : nullptr;
    if (sensor == nullptr) return status::kNotSupported;
    float value = 0.0f;
    const int result = sensor->ExposureTimeGet(&value);
    if (result != status::kSuccess) return result;
    device.State().exposureMs = value;
    *milliseconds = value;
    return result;
}

bool ParamChangesWindow(int parameter) {
    switch (parameter) {
        case QCX_PREVIEW_COLUMNSTART:
        case QCX_PREVIEW_ROWSTART:
        case QCX_CAPTURE_COLUMNSTART:
        case QCX_CAPTURE_ROWSTART:
        case QCX_FLIP:
        case QCX_BIN:  // rewrites the address-mode registers
        case QCX_MIRROR: return true;
        default: return false;
    }
}

int SetParam(CDevice& device, int parameter, int value) {
    if (parameter < 0 || parameter >= kParamCount) return status::kNotSupported;
    LogPrintf(device.Log(), "ParamSet( %s, %d ) Enter.", kParamNames[parameter], value);
    const FamilyParams* family = ParamsOf(device);
    switch (parameter) {
        case QCX_EXPOSURE: return ExposureTimeSet(device, static_cast<float>(std::max(value, 1)));
        case QCX_GAMMA: return GammaSetValue(device, value);
        case QCX_PREVIEW_COLUMNSTART: return SetWindowStart(device, FVM_PREVIEW, true, value);
        case QCX_PREVIEW_ROWSTART: return SetWindowStart(device, FVM_PREVIEW, false, value);
        case QCX_CAPTURE_COLUMNSTART: return SetWindowStart(device, FVM_CAPTURE, true, value);
        case QCX_CAPTURE_ROWSTART: return SetWindowStart(device, FVM_CAPTURE, false, value);
        case QCX_FLIP: return SetFlag(device, family, false, value != 0);
        case QCX_MIRROR: return SetFlag(device, family, true, value != 0);
        case QCX_CONTRAST: return ProcessContrastSet(device, value);
        case QCX_BRIGHTNESS: return ProcessBrightnessSet(device, value);
        case QCX_RED_SHIFT:
        case QCX_GREEN_SHIFT:
        case QCX_BLUE_SHIFT: return ColorCorrectShiftSet(device, ShiftChannelOf(parameter), value);
        case QCX_SATURATION: return ProcessSaturationSet(device, value);
        default: return SetSensorParam(device, family, parameter, value);
    }
}

int GetParam(CDevice& device, int parameter, int* value) {
    if (value == nullptr) return status::kParameterError;
    *value = 0;
    if (parameter < 0 || parameter >= kParamCount) return status::kNotSupported;
    const FamilyParams* family = ParamsOf(device);
    switch (parameter) {
        case QCX_EXPOSURE: {
            float milliseconds = 0.0f;
            const int result = ExposureTimeGet(device, &milliseconds);
            if (result == status::kSuccess) *value = static_cast<int>(milliseconds + 0.5f);
            return result;
        }
        case QCX_GAMMA:
            *value = device.Pipeline().gammaValue;
            return status::kSuccess;
        case QCX_PREVIEW_COLUMNSTART: return GetWindowStart(device, FVM_PREVIEW, true, value);
        case QCX_PREVIEW_ROWSTART: return GetWindowStart(device, FVM_PREVIEW, false, value);
        case QCX_CAPTURE_COLUMNSTART: return GetWindowStart(device, FVM_CAPTURE, true, value);
        case QCX_CAPTURE_ROWSTART: return GetWindowStart(device, FVM_CAPTURE, false, value);
        case QCX_FLIP: return GetFlag(device, family, false, value);
        case QCX_MIRROR: return GetFlag(device, family, true, value);
        case QCX_CONTRAST: return ProcessContrastGet(device, value);
        case QCX_BRIGHTNESS: return ProcessBrightnessGet(device, value);
        case QCX_RED_SHIFT:
        case QCX_GREEN_SHIFT:
        case QCX_BLUE_SHIFT:
            *value = ColorCorrectShiftGet(device, ShiftChannelOf(parameter));
            return status::kSuccess;
        case QCX_SATURATION: return ProcessSaturationGet(device, value);
        default: return GetSensorParam(device, family, parameter, value);
    }
}

int GetParamRange(CDevice& device, int parameter, int* minimum, int* maximum) {
    if (minimum == nullptr || maximum == nullptr) return status::kParameterError;
    *minimum = 0;
    *maximum = 0;
    if (parameter < 0 || parameter >= kParamCount) return status::kNotSupported;
    const FamilyParams* family = ParamsOf(device);
    switch (parameter) {
        case QCX_EXPOSURE: return ExposureRange(device, minimum, maximum);
        case QCX_GAMMA: return ReportRange(kGammaRange, minimum, maximum);
        case QCX_PREVIEW_COLUMNSTART:
        case QCX_PREVIEW_ROWSTART:
        case QCX_CAPTURE_COLUMNSTART:
        case QCX_CAPTURE_ROWSTART: {
            const int mode = parameter <= QCX_PREVIEW_ROWSTART ? FVM_PREVIEW : FVM_CAPTURE;
            const bool column = parameter == QCX_PREVIEW_COLUMNSTART || parameter == QCX_CAPTURE_COLUMNSTART;
            WindowStartRange(device, mode, column, minimum, maximum);
            return status::kSuccess;
        }
        case QCX_FLIP:
        case QCX_MIRROR: return family == nullptr ? status::kNotSupported : ReportRange(kFlagRange, minimum, maximum);
        case QCX_CONTRAST:
        case QCX_BRIGHTNESS: return ReportRange(kAdjustmentRange, minimum, maximum);
        case QCX_RED_SHIFT:
        case QCX_GREEN_SHIFT:
        case QCX_BLUE_SHIFT: return ReportRange(kShiftRange, minimum, maximum);
        case QCX_SATURATION: return ProcessSaturationGetRange(device, minimum, maximum);
        case QCX_EXPOSURE_LINES:
            // A camera outside the families still reports 0 ... 0 here.
            if (family == nullptr) return status::kSuccess;
            return ReportRange(family->exposureLines, minimum, maximum);
        default:
            if (family == nullptr) return status::kNotSupported;
            return ReportRange(*SensorRange(*family, parameter), minimum, maximum);
    }
}

}  // namespace qcx
