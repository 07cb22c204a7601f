#include "camera/imaging/tone_tables.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

#include "camera/common/status.h"

namespace qcx {

namespace {

constexpr int kNeutral = 128;

// Exported adjustments are -128 ... 128; clamping before adding the offset
// keeps extreme arguments from overflowing.
int StoredFromExported(int exported) {
    return std::clamp(exported, -128, 128) + kNeutral;
}

bool GammaActive(const PipelineSettings& s) {
    return s.gammaOn && s.gammaValue != 0;
}

}  // namespace

ByteTable BuildGammaTable(int gammaValue) {
    const float exponent = static_cast<float>(1.0 - gammaValue / 10.0);
    ByteTable table{};
    for (int i = 0; i < 256; ++i) {
        // Sample centres: (i + 0.5) / 256, so entry 0 and 255 stay off the
        // flat ends of the curve.
        const float t = static_cast<float>((0.5 + i) * 0.00390625);
        const float p = static_cast<float>(std::pow(static_cast<double>(t), static_cast<double>(exponent)));
        const int entry = static_cast<int>(p * 256.0 - 0.5);
        table[i] = static_cast<std::uint8_t>(std::clamp(entry, 0, 255));
    }
    return table;
}

ByteTable BuildContrastTable(int storedContrast) {
    ByteTable table{};
    for (int i = 0; i < 256; ++i) {
        // Integer division truncates toward zero on both sides of 128.
        const int entry = (i - 128) * storedContrast / 128 + 128;
        table[i] = static_cast<std::uint8_t>(std::clamp(entry, 0, 255));
    }
    return table;
}

ByteTable BuildBrightnessTable(int storedBrightness) {
    ByteTable table{};
    for (int i = 0; i < 256; ++i) {
        const int entry = i * storedBrightness / 128;
        table[i] = static_cast<std::uint8_t>(std::clamp(entry, 0, 255));
    }
    return table;
}

int SetGammaValue(PipelineSettings& s, int gamma) {
    const int value = std::clamp(gamma, -9, 9);
    if (value == s.gammaValue) return status::kSuccess;
    s.gammaValue = value;
    s.gammaOn = value != 0;
    s.gammaTable = BuildGammaTable(value);
    return status::kSuccess;
}

int SetGammaOn(PipelineSettings& s, bool on) {
    s.gammaOn = on;
    return status::kSuccess;
}

int SetContrast(PipelineSettings& s, int contrast) {
    const int stored = StoredFromExported(contrast);
    if (stored == s.contrast) return status::kFail;
    s.contrast = stored;
    s.contrastTable = BuildContrastTable(stored);
    return status::kSuccess;
}

int GetContrast(const PipelineSettings& s) {
    return s.contrast - kNeutral;
}

int SetBrightness(PipelineSettings& s, int brightness) {
    const int stored = StoredFromExported(brightness);
    if (stored == s.brightness) return status::kFail;
    s.brightness = stored;
    s.brightnessTable = BuildBrightnessTable(stored);
    return status::kSuccess;
}

int GetBrightness(const PipelineSettings& s) {
    return s.brightness - kNeutral;
}

int SetSaturation(PipelineSettings& s, int saturation) {
    const int stored = StoredFromExported(saturation);
    if (stored == s.saturation) return status::kSuccess;
    s.saturation = stored;
    s.saturationFactor = static_cast<float>(stored) * 0.0078125f;
    s.saturationResetRequest = true;
    return status::kSuccess;
}

int GetSaturation(const PipelineSettings& s) {
    return s.saturation - kNeutral;
}

void RunGammaContrastBrightness(std::uint8_t* samples, int width, int height, const PipelineSettings& s) {
    const bool gamma = GammaActive(s);
    const bool contrast = s.contrast != kNeutral;
    const bool brightness = s.brightness != kNeutral;
    if (!(gamma || contrast || brightness) || samples == nullptr || width <= 0 || height <= 0) return;

    // The active tables composed into one, in their order: one look-up per
    // sample whatever the number of steps, and the same bytes as applying
    // them one after the other. The settings' tables are read once here, so
    // a setter running meanwhile changes at most the next frame.
    ByteTable combined = IdentityTable();
    for (int i = 0; i < 256; ++i) {
        std::uint8_t value = static_cast<std::uint8_t>(i);
        if (gamma) value = s.gammaTable[value];
        if (contrast) value = s.contrastTable[value];
        if (brightness) value = s.brightnessTable[value];
        combined[i] = value;
    }

    const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const std::uint8_t* table = combined.data();
    for (std::size_t i = 0; i < count; ++i) samples[i] = table[samples[i]];
}

}  // namespace qcx
