// The colour pipeline's settings and tables as a camera holds them, with the
// values a newly opened camera starts from.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace qcx {

using ByteTable = std::array<std::uint8_t, 256>;

inline ByteTable IdentityTable() {
    ByteTable table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(i);
    return table;
}

// The saturation step remembers the adjusted bytes of every colour it has
// seen: one entry per 24-bit colour, three 16-bit values side by side (so a
// look-up reads one place), 0xFFFF marking a value not yet computed.
inline constexpr std::size_t kSaturationCacheEntries = std::size_t{1} << 24;
inline constexpr std::size_t kSaturationCacheValues = 3 * kSaturationCacheEntries;

// Owner of the saturation cache memory. A copy of the settings starts without
// a cache: the cache only remembers results that can always be computed
// again, and 96 MiB should never be duplicated by accident.
class SaturationCache {
public:
    SaturationCache() = default;
    SaturationCache(const SaturationCache&) noexcept {}
    SaturationCache& operator=(const SaturationCache& other) noexcept {
        if (this != &other) entries.reset();
        return *this;
    }
    SaturationCache(SaturationCache&&) noexcept = default;
    SaturationCache& operator=(SaturationCache&&) noexcept = default;
    ~SaturationCache() = default;

    bool Exists() const { return entries != nullptr; }

    // kSaturationCacheValues values, or null while there is no cache.
    std::unique_ptr<std::uint16_t[]> entries;
};

struct PipelineSettings {
    // Adjustments are kept as value + 128, so 128 is neutral.
    int contrast = 128;
    int brightness = 128;
    int saturation = 128;
    float saturationFactor = 1.0f;
    int gammaValue = 0;
    bool gammaOn = false;

    // Set by every change of the saturation; the next colour frame clears
    // the cache (every entry back to "not computed") and the flag.
    bool saturationResetRequest = false;
    // Created by the first colour frame with a saturation other than neutral,
    // released by the first frame after it is neutral again.
    SaturationCache saturationCache;

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
