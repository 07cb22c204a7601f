// Raw test frames for the Bayer filter tests: uniform noise, frames full of
// extreme values (so divisions meet zero greens and the gradient method hits
// its clamps) and smooth scenes, as sample values and as the bytes a camera
// would send.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace qcx::test {

enum class Scene { kNoise, kExtremes, kSmooth };

inline std::vector<int> MakeSamples(int width, int height, bool sixteenBit, Scene scene, unsigned seed) {
    std::mt19937 rng(seed);
    const int top = sixteenBit ? 65535 : 255;
    std::uniform_int_distribution<int> any(0, top);
    std::uniform_int_distribution<int> pick(0, 9);
    std::vector<int> samples(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int v = 0;
            switch (scene) {
                case Scene::kNoise: v = any(rng); break;
                case Scene::kExtremes: {
                    const int p = pick(rng);
                    v = p < 4 ? 0 : p < 7 ? top : p < 8 ? 1 : any(rng);
                    break;
                }
                case Scene::kSmooth: {
                    const int base = (x * top / (width + 1) + y * top / (height + 1)) / 2;
                    v = base + pick(rng) - 4;
                    v = v < 0 ? 0 : (v > top ? top : v);
                    break;
                }
            }
            samples[static_cast<std::size_t>(y) * width + x] = v;
        }
    }
    return samples;
}

// The frame as transferred: one byte per sample, or little-endian words.
inline std::vector<std::uint8_t> RawBytes(const std::vector<int>& samples, bool sixteenBit) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(samples.size() * (sixteenBit ? 2 : 1));
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
