#include "bench/bench_frame.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <utility>

namespace qcx::bench {
namespace {

struct Rgb {
    float r, g, b;
};

// A small deterministic generator, so every run and every machine measures
// the same frame.
class NoiseSource {
public:
    explicit NoiseSource(std::uint64_t seed) : state_(seed) {}
    // Roughly Gaussian noise of unit deviation (sum of four uniforms).
    float Next() {
        float sum = 0.0f;
        for (int i = 0; i < 4; ++i) sum += static_cast<float>(NextBits() >> 40) / 16777216.0f;
        return (sum - 2.0f) * 1.732f;
    }
    std::uint64_t NextBits() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }

private:
    std::uint64_t state_;
};

// Smooth lighting over a few coloured objects with hard edges and a patch of
// fine stripes, so the edge-sensitive methods meet real edges and the colour
// caches meet many distinct colours.
Rgb SceneColour(float u, float v) {
    const float kPi = 3.14159265f;
    Rgb c{0.20f + 0.55f * u, 0.30f + 0.35f * (0.5f + 0.5f * std::sin(2.0f * kPi * 1.3f * v)),
          0.25f + 0.45f * (1.0f - u) * v};

    struct Disc {
        float cu, cv, radius;
        Rgb colour;
    };
    static constexpr Disc kDiscs[] = {{0.25f, 0.30f, 0.12f, {0.85f, 0.20f, 0.15f}},
                                      {0.62f, 0.42f, 0.18f, {0.15f, 0.70f, 0.25f}},
                                      {0.40f, 0.75f, 0.10f, {0.20f, 0.30f, 0.85f}},
                                      {0.82f, 0.78f, 0.09f, {0.90f, 0.85f, 0.30f}}};
    for (const Disc& d : kDiscs) {
        const float du = u - d.cu, dv = (v - d.cv) * 0.75f;
        const float r2 = du * du + dv * dv;
        if (r2 < d.radius * d.radius) {
            // Shaded like a sphere: brighter towards the middle.
            const float shade = 0.6f + 0.4f * (1.0f - r2 / (d.radius * d.radius));
            c = {d.colour.r * shade, d.colour.g * shade, d.colour.b * shade};
        }
    }
    if (u > 0.05f && u < 0.18f && v > 0.70f && v < 0.95f) {
        const float stripe = std::sin(u * 900.0f) > 0.0f ? 0.85f : 0.15f;
        c = {stripe, stripe, stripe};
    }
    // Lens fall-off towards the corners.
    const float du = u - 0.5f, dv = v - 0.5f;
    const float vignette = 1.0f - 0.35f * (du * du + dv * dv);
    return {c.r * vignette, c.g * vignette, c.b * vignette};
}

std::unique_ptr<BenchFrame> BuildFrame(FrameSize size) {
    auto frame = std::make_unique<BenchFrame>();
    frame->width = size.width;
    frame->height = size.height;
    const std::size_t count = static_cast<std::size_t>(size.width) * static_cast<std::size_t>(size.height);
    frame->raw8.resize(count);
    frame->raw16.resize(count);
    NoiseSource noise(0x5eed0000u + static_cast<std::uint64_t>(size.width));
    for (int y = 0; y < size.height; ++y) {
        const float v = (y + 0.5f) / static_cast<float>(size.height);
        for (int x = 0; x < size.width; ++x) {
            const float u = (x + 0.5f) / static_cast<float>(size.width);
            const Rgb c = SceneColour(u, v);
            // BGGR: blue at even/even, red at odd/odd, green elsewhere.
            const bool oddX = (x & 1) != 0, oddY = (y & 1) != 0;
            const float value = (!oddX && !oddY) ? c.b : (oddX && oddY) ? c.r : c.g;
            float level = value * 4095.0f + noise.Next() * 24.0f;
            // A few hot pixels, as a real sensor has.
            if ((noise.NextBits() & 0x3fff) == 0) level = 4000.0f;
            const int sample = std::clamp(static_cast<int>(level), 0, 4095);
            const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(size.width) +
                                   static_cast<std::size_t>(x);
            frame->raw16[at] = static_cast<std::uint16_t>(sample);
            frame->raw8[at] = static_cast<std::uint8_t>(sample >> 4);
        }
    }
    return frame;
}

}  // namespace

const BenchFrame& FrameFor(FrameSize size) {
    static std::map<std::pair<int, int>, std::unique_ptr<BenchFrame>> frames;
    auto& slot = frames[{size.width, size.height}];
    if (!slot) slot = BuildFrame(size);
    return *slot;
}

std::string SizeSuffix(FrameSize size) {
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

}  // namespace qcx::bench
