// Raw frames for the Bayer tests: noise, extreme values (divisions meet zero
// greens, the gradient method its clamps) and smooth scenes.
#pragma once

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace qcx::test {

enum class Scene { kNoise, kExtremes, kSmooth };

inline std::vector<int> MakeSamples(int width, int height, bool sixteenBit, Scene scene, unsigned seed) {
    std::mt19937 rng(seed);
    const int top = sixteenBit ? 65535 : 255;
    std::uniform_int_distribution<int> any(0, top), pick(0, 9);
    std::vector<int> samples;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int p = pick(rng), smooth = (x * top / (width + 1) + y * top / (height + 1)) / 2 + p - 4;
            samples.push_back(scene == Scene::kNoise      ? any(rng)
                              : scene == Scene::kExtremes ? (p < 4 ? 0 : p < 7 ? top : p < 8 ? 1 : any(rng))
                                                          : std::clamp(smooth, 0, top));
        }
    }
    return samples;
}

// The frame as transferred: one byte per sample, or little-endian words.
inline std::vector<std::uint8_t> RawBytes(const std::vector<int>& samples, bool sixteenBit) {
    std::vector<std::uint8_t> bytes;
    for (int v : samples) {
        bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
        if (sixteenBit) bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    return bytes;
}

// An output buffer big enough for any mode, with a guard tail, pre-filled
// with a pattern so that bytes a conversion must not write can be checked.
inline std::vector<std::uint8_t> PatternBuffer(int width, int height) {
    std::vector<std::uint8_t> out(static_cast<std::size_t>(width) * height * 8 + 64);
    for (std::size_t i = 0; i < out.size(); ++i) out[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return out;
}

}  // namespace qcx::test
