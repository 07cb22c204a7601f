#include "camera/device/image_settings.h"

#include <mutex>
#include <vector>

#include "camera/common/device_groups.h"
#include "camera/common/status.h"
#include "camera/device/device.h"
#include "camera/imaging/bayer_filter.h"
#include "camera/imaging/correction_table_file.h"
#include "camera/imaging/map_table_file.h"
#include "camera/imaging/tone_tables.h"

namespace qcx {

namespace {

// Working-mode bits of the camera-side correction: bit 2 switches it on,
// bit 3 set selects the second (coarser) mode.
constexpr std::uint16_t kBadPixelOnBit = 0x0004;
constexpr std::uint16_t kBadPixelSecondModeBit = 0x0008;

constexpr int kAdjustmentMinimum = -128;
constexpr int kAdjustmentMaximum = 128;

bool PreviewActive(const CDevice& device) {
    return device.PreviewState() == kPreviewRunning || device.PreviewState() == kPreviewPaused;
}

void StoreModeAndValues(ColourCorrection& c, int mode, int value1, int value2, int value3) {
    c.mode = mode;
    c.values[0] = value1;
    c.values[1] = value2;
    c.values[2] = value3;
}

// The calibration of a stopped camera: one frame of the capture size through
// the preview-path reader (with every raw step), then the raw calibration,
// or for the white point the image calibration on its demosaiced image. A
// frame that cannot be read leaves the tables as they are.
void CalibrateOnOwnFrame(CDevice& device) {
    const FieldOfView& capture = device.Record(FVM_CAPTURE);
    const int width = capture.outputWidth;
    const int height = capture.outputHeight;
    if (width <= 0 || height <= 0 || capture.bufferBytes <= 0) return;

    std::vector<std::uint8_t> raw(static_cast<std::size_t>(capture.bufferBytes));
    if (device.GetRawDataEx(raw.data(), width, height, capture.bufferBytes, capture.pixelCount) !=
        status::kSuccess)
        return;

    ColourCorrection& c = device.Colour();
    if (c.mode != 4) {
        RunRawCalibration(c, raw.data(), width, height, device.WhiteBalanceRegion(), device.BayerMode());
        return;
    }
    const int bitCount = device.OutputBitCount();
    std::vector<std::uint8_t> image(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) *
                                    static_cast<std::size_t>(bitCount / 8));
    CQCXBayerFilter filter;
    filter.ConvertRawToImage(raw.data(), width, height, image.data(), false, device.BayerMode(),
                             device.FilterMode());
    RunImageCalibration(c, image.data(), width, height, bitCount);
}

}  // namespace

// ---- Bayer filter ----

int BayerSetMode(CDevice& device, int mode) {
    device.SetBayerMode(mode);
    // An out-of-range mode leaves the header's old bit count; the mode is
    // kept all the same, so that refusal is not the caller's concern.
    (void)device.RebuildDisplayHeader();
    device.RecomputeRegions();
    return status::kSuccess;
}

int BayerGetMode(CDevice& device, int* mode) {
    if (mode == nullptr) return status::kParameterError;
    *mode = device.BayerMode();
    return status::kSuccess;
}

int BayerGetDefaultMode(CDevice& device, int* mode) {
    if (mode == nullptr) return status::kParameterError;
    if (SensorDriver* sensor = device.Sensor()) return sensor->BayerGetDefaultMode(mode);
    const SensorFamilyTraits* family = device.FamilyTraits();
    if (family == nullptr) return status::kNotSupported;
    const std::uint16_t firmware = device.FirmwareVersion();
    *mode = family->defaultBayerMode(device.Type(), firmware >> 8, firmware & 0xFF);
    return status::kSuccess;
}

int FilterSetMode(CDevice& device, int mode) {
    device.SetFilterMode(mode);
    return status::kSuccess;
}

int FilterGetMode(CDevice& device, int* mode) {
    if (mode == nullptr) return status::kParameterError;
    *mode = device.FilterMode();
    return status::kSuccess;
}

// ---- Colour pipeline ----

int GammaSetValue(CDevice& device, int gamma) { return SetGammaValue(device.Pipeline(), gamma); }

int GammaOn(CDevice& device, bool on) { return SetGammaOn(device.Pipeline(), on); }

int ProcessContrastSet(CDevice& device, int contrast) { return SetContrast(device.Pipeline(), contrast); }

int ProcessContrastGet(CDevice& device, int* contrast) {
    if (contrast == nullptr) return status::kParameterError;
    *contrast = GetContrast(device.Pipeline());
    return status::kSuccess;
}

int ProcessBrightnessSet(CDevice& device, int brightness) { return SetBrightness(device.Pipeline(), brightness); }

int ProcessBrightnessGet(CDevice& device, int* brightness) {
    if (brightness == nullptr) return status::kParameterError;
    *brightness = GetBrightness(device.Pipeline());
    return status::kSuccess;
}

int ProcessAdjustmentGetRange(CDevice& device, int* minimum, int* maximum) {
    (void)device;
    if (minimum == nullptr || maximum == nullptr) return status::kParameterError;
    *minimum = kAdjustmentMinimum;
    *maximum = kAdjustmentMaximum;
    return status::kSuccess;
}

int ProcessSaturationSet(CDevice& device, int saturation) {
    if (device.IsMonochrome()) return status::kNotSupported;
    return SetSaturation(device.Pipeline(), saturation);
}

int ProcessSaturationGet(CDevice& device, int* saturation) {
    if (device.IsMonochrome()) {
        if (saturation != nullptr) *saturation = 0;
        return status::kNotSupported;
    }
    if (saturation == nullptr) return status::kParameterError;
    *saturation = GetSaturation(device.Pipeline());
    return status::kSuccess;
}

int ProcessSaturationGetRange(CDevice& device, int* minimum, int* maximum) {
    if (device.IsMonochrome()) {
        if (minimum != nullptr) *minimum = 0;
        if (maximum != nullptr) *maximum = 0;
        return status::kNotSupported;
    }
    return ProcessAdjustmentGetRange(device, minimum, maximum);
}

int BadPixelCorrectionSetThreshold(CDevice& device, std::uint8_t first, std::uint8_t second) {
    if (!IsInGroup(kSoftwareBadPixelTypes, device.Type())) return status::kNotSupported;
    device.Pipeline().badPixelThreshold1 = first;
    device.Pipeline().badPixelThreshold2 = second;
    return status::kSuccess;
}

int BadPixelCorrectionGetThreshold(CDevice& device, std::uint8_t* first, std::uint8_t* second) {
    if (!IsInGroup(kSoftwareBadPixelTypes, device.Type())) return status::kNotSupported;
    if (first == nullptr || second == nullptr) return status::kParameterError;
    *first = device.Pipeline().badPixelThreshold1;
    *second = device.Pipeline().badPixelThreshold2;
    return status::kSuccess;
}

int BadPixelCorrectionSet(CDevice& device, bool on, int mode) {
    PipelineSettings& pipeline = device.Pipeline();
    if (IsInGroup(kCameraBadPixelTypes, device.Type())) {
        // The camera corrects; the library's own filter must not run as well.
        pipeline.badPixelCorrectionOn = false;
        std::uint16_t word = 0;
        int result = device.GetWorkingMode(&word);
        if (result != status::kSuccess) return result;
        word = on ? static_cast<std::uint16_t>(word | kBadPixelOnBit)
                  : static_cast<std::uint16_t>(word & ~kBadPixelOnBit);
        word = mode != 0 ? static_cast<std::uint16_t>(word & ~kBadPixelSecondModeBit)
                         : static_cast<std::uint16_t>(word | kBadPixelSecondModeBit);
        result = device.SetWorkingMode(word);
        if (result != status::kSuccess) return result;
        return status::kSuccess;
    }
    if (IsInGroup(kSoftwareBadPixelTypes, device.Type())) {
        pipeline.badPixelCorrectionOn = on;
        pipeline.badPixelMode = mode;
        return status::kSuccess;
    }
    return status::kNotSupported;
}

int BadPixelCorrectionGet(CDevice& device, bool* on, int* mode) {
    if (IsInGroup(kCameraBadPixelTypes, device.Type())) {
        std::uint16_t word = 0;
        const int result = device.GetWorkingMode(&word);
        if (result != status::kSuccess) return result;
        if (on != nullptr) *on = (word & kBadPixelOnBit) != 0;
        if (mode != nullptr) *mode = (word & kBadPixelSecondModeBit) == 0 ? 1 : 0;
        return status::kSuccess;
    }
    if (IsInGroup(kSoftwareBadPixelTypes, device.Type())) {
        if (on != nullptr) *on = device.Pipeline().badPixelCorrectionOn;
        if (mode != nullptr) *mode = device.Pipeline().badPixelMode;
        return status::kSuccess;
    }
    return status::kNotSupported;
}

int LoadMapTableFile(CDevice& device, bool enable, const char* file) {
    return LoadMapTableFile(device.Pipeline(), enable, file);
}

// ---- Colour correction ----

int ColorCorrectSet(CDevice& device, int mode, int value1, int value2, int value3) {
    if (device.IsMonochrome()) return status::kNotSupported;
    ColourCorrection& c = device.Colour();
    c.tableLoaded = false;
    ResetOffsets(c);

    if (PreviewActive(device)) {
        {
            // A frame in flight must not read half-reset tables.
            std::lock_guard<IoMutex> lock(device.Channel().IoLock());
            c.mode = 0;
            c.tableLoaded = false;
            ResetOffsets(c);
        }
        // The reset is reported on the caller's thread, outside the lock, so
        // the application may call back into the library.
        NotifyColorCorrect(c, 0);
        // The request goes last: the preview thread starts when it sees it.
        std::lock_guard<IoMutex> lock(device.Channel().IoLock());
        MeasuringRegion& region = device.WhiteBalanceRegion();
        if (region.width == 0 || region.height == 0) {
            const FieldOfView& preview = device.Record(FVM_PREVIEW);
            region = MeasuringRegion{0, 0, preview.outputWidth, preview.outputHeight};
        }
        StoreModeAndValues(c, mode, value1, value2, value3);
        c.calibrationRequest = true;
        return status::kSuccess;
    }

    StoreModeAndValues(c, mode, value1, value2, value3);
    if (mode == 0) return status::kSuccess;
    CalibrateOnOwnFrame(device);
    NotifyColorCorrect(c, 1);
    return status::kSuccess;
}

int ColorCorrectGet(CDevice& device, int* mode) {
    if (mode == nullptr) return status::kParameterError;
    *mode = device.Colour().mode;
    return status::kSuccess;
}

int ColorCorrectSetCallback(CDevice& device, QCX_COLOR_CORRECT_CALLBACK callback, void* context) {
    if (device.IsMonochrome()) return status::kNotSupported;
    device.Colour().callback = callback;
    device.Colour().context = context;
    return status::kSuccess;
}

int ColorCorrectTableSave(CDevice& device, const char* file) {
    return SaveCorrectionTable(device.Colour(), device.Type(), file);
}

int ColorCorrectTableLoad(CDevice& device, const char* file) { return LoadCorrectionTable(device.Colour(), file); }

int IsColorCorrectTableLoad(CDevice& device, int* loaded) {
    if (loaded == nullptr) return status::kParameterError;
    *loaded = device.Colour().tableLoaded ? 1 : 0;
    return status::kSuccess;
}

int ColorCorrectShiftSet(CDevice& device, ColourChannel channel, int value) {
    ApplyOffsetRule(device.Colour(), channel, value);
    return status::kSuccess;
}

int ColorCorrectShiftGet(CDevice& device, ColourChannel channel) {
    const ColourCorrection& c = device.Colour();
    switch (channel) {
        case ColourChannel::Red: return c.redOffset;
        case ColourChannel::Green: return c.greenOffset;
        case ColourChannel::Blue: return c.blueOffset;
    }
    return 0;
}

}  // namespace qcx
