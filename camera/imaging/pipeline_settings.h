// The colour pipeline's settings and tables as a camera holds them, with the
// values a newly opened camera starts from.
#pragma once

#include <array>
#include <cstdint>

namespace qcx {

using ByteTable = std::array<std::uint8_t, 256>;

inline ByteTable IdentityTable() {
    ByteTable table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(i);
    return table;
}

struct PipelineSettings {
    // Adjustments are kept as value + 128, so 128 is neutral.
    int contrast = 128;
    int brightness = 128;
    int saturation = 128;
    float saturationFactor = 1.0f;
    int gammaValue = 0;
    bool gammaOn = false;

    bool badPixelCorrectionOn = true;
    int badPixelMode = 1;
    std::uint8_t badPixelThreshold1 = 20;
    std::uint8_t badPixelThreshold2 = 50;

    // 16-to-8-bit reduction: the map table (entry i = i >> 4 until a file
    // replaces it), used only when switched on.
    bool mapTableOn = false;
    std::array<std::uint8_t, 4096> mapTable = [] {
        std::array<std::uint8_t, 4096> table{};
        for (int i = 0; i < 4096; ++i) table[i] = static_cast<std::uint8_t>(i >> 4);
        return table;
    }();

    ByteTable gammaTable = IdentityTable();
    ByteTable contrastTable = IdentityTable();
    ByteTable brightnessTable = IdentityTable();
};

}  // namespace qcx
