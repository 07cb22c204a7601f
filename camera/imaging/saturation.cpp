#include "camera/imaging/saturation.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <new>

namespace qcx {

namespace {

constexpr std::uint16_t kNotComputed = 0xFFFF;
constexpr int kNeutral = 128;

std::atomic<bool> failNextAllocation{false};

// One channel back from HSL, with t the hue shifted for that channel.
float HueToChannel(float p, float q, float t) {
    if (t < 0.0f) t += 1.0f;
    if (t > 1.0f) t -= 1.0f;
    if (6.0f * t < 1.0f) return p + (q - p) * 6.0f * t;
    if (2.0f * t < 1.0f) return q;
    if (3.0f * t < 2.0f) return p + (q - p) * (2.0f / 3.0f - t) * 6.0f;
    return p;
}

std::uint16_t RoundedByte(float value) {
    const float scaled = std::clamp(value * 255.0f + 0.5f, 0.0f, 255.0f);
    return static_cast<std::uint16_t>(scaled);
}

// The HSL round trip of one colour, all in single precision; writes the new
// blue, green and red into `entry`.
void ComputeEntry(std::uint8_t blueByte, std::uint8_t greenByte, std::uint8_t redByte, float factor,
                  std::uint16_t* entry) {
    const float red = static_cast<float>(redByte) / 255.0f;
    const float green = static_cast<float>(greenByte) / 255.0f;
    const float blue = static_cast<float>(blueByte) / 255.0f;
    const float maximum = std::max(red, std::max(green, blue));
    const float minimum = std::min(red, std::min(green, blue));
    float lightness = (maximum + minimum) / 2.0f;
    float hue = 0.0f;
    float saturation = 0.0f;
    if (maximum != minimum) {
        const float d = maximum - minimum;
        saturation = lightness <= 0.5f ? d / (maximum + minimum) : d / (2.0f - maximum - minimum);
        if (red == maximum) {
            hue = 60.0f * (green - blue) / d;
            if (green < blue) hue += 360.0f;
        } else if (green == maximum) {
            hue = 60.0f * (blue - red) / d + 120.0f;
        } else {
            hue = 60.0f * (red - green) / d + 240.0f;
        }
    }
    hue = std::clamp(hue, 0.0f, 360.0f);
    saturation = std::clamp(saturation, 0.0f, 1.0f);
    lightness = std::clamp(lightness, 0.0f, 1.0f);

    const float scaled = saturation * factor;  // deliberately not clamped
    if (scaled == 0.0f) {
        // Grey: plain truncation of the lightness, no rounding term.
        const std::uint16_t grey = static_cast<std::uint16_t>(std::clamp(lightness * 255.0f, 0.0f, 255.0f));
        entry[0] = entry[1] = entry[2] = grey;
        return;
    }
    const float q = lightness < 0.5f ? lightness * (1.0f + scaled) : lightness + scaled - lightness * scaled;
    const float p = 2.0f * lightness - q;
    const float h = hue / 360.0f;
    entry[2] = RoundedByte(HueToChannel(p, q, h + 1.0f / 3.0f));
    entry[1] = RoundedByte(HueToChannel(p, q, h));
    entry[0] = RoundedByte(HueToChannel(p, q, h - 1.0f / 3.0f));
}

// One body per pixel size: the fourth byte of 32-bit pixels is never touched.
inline std::size_t CacheIndex(const std::uint8_t* pixel) {
    return (static_cast<std::size_t>(pixel[0]) << 16) | (static_cast<std::size_t>(pixel[1]) << 8) | pixel[2];
}

// How many pixels ahead the cache entry is asked for: the cache is far larger
// than any processor cache, so a busy image would otherwise wait for memory
// at almost every pixel.
constexpr std::size_t kPrefetchDistance = 16;

template <int PixelSize>
void AdjustPixels(std::uint8_t* image, std::size_t pixels, float factor, std::uint16_t* cache) {
    for (std::size_t i = 0; i < pixels; ++i) {
        std::uint8_t* pixel = image + i * PixelSize;
        if (i + kPrefetchDistance < pixels) {
            __builtin_prefetch(cache + 3 * CacheIndex(pixel + kPrefetchDistance * PixelSize));
        }
        std::uint16_t* entry = cache + 3 * CacheIndex(pixel);
        if (entry[0] == kNotComputed || entry[1] == kNotComputed || entry[2] == kNotComputed) {
            ComputeEntry(pixel[0], pixel[1], pixel[2], factor, entry);
        }
        pixel[0] = static_cast<std::uint8_t>(entry[0]);
        pixel[1] = static_cast<std::uint8_t>(entry[1]);
        pixel[2] = static_cast<std::uint8_t>(entry[2]);
    }
}

void MarkAllNotComputed(std::uint16_t* cache) {
    std::memset(cache, 0xFF, kSaturationCacheValues * sizeof(std::uint16_t));
}

// The cache, created or reset as the settings ask; null when it cannot be had.
std::uint16_t* PrepareCache(PipelineSettings& s) {
    SaturationCache& cache = s.saturationCache;
    if (!cache.Exists()) {
        if (failNextAllocation.exchange(false)) return nullptr;
        cache.entries.reset(new (std::nothrow) std::uint16_t[kSaturationCacheValues]);
        if (!cache.Exists()) return nullptr;
        // A new cache is already all "not computed", which is what a
        // pending reset asks for.
        MarkAllNotComputed(cache.entries.get());
        s.saturationResetRequest = false;
    } else if (s.saturationResetRequest) {
        MarkAllNotComputed(cache.entries.get());
        s.saturationResetRequest = false;
    }
    return cache.entries.get();
}

}  // namespace

void AdjustSaturation(std::uint8_t* image, int width, int height, int bitCount, PipelineSettings& s) {
    if (s.saturation == kNeutral) {
        s.saturationCache.entries.reset();
        return;
    }
    if (bitCount != 24 && bitCount != 32) return;
    if (image == nullptr || width <= 0 || height <= 0) return;

    std::uint16_t* cache = PrepareCache(s);
    if (cache == nullptr) return;  // no memory: this frame stays as it is

    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (bitCount == 24) {
        AdjustPixels<3>(image, pixels, s.saturationFactor, cache);
    } else {
        AdjustPixels<4>(image, pixels, s.saturationFactor, cache);
    }
}

void FailNextSaturationCacheAllocation() {
    failNextAllocation.store(true);
}

}  // namespace qcx
