// The raw frames every method of the benchmark runs on: one natural-looking
// scene per frame size, sampled through a BGGR colour filter, the same bytes
// for our code and for the peer libraries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qcx::bench {

struct FrameSize {
    int width;
    int height;
};

// The two sizes measured: a 5-megapixel sensor and a WVGA sensor.
inline constexpr FrameSize kFrameSizes[] = {{2592, 1944}, {752, 480}};

struct BenchFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> raw8;    // one byte per sample, BGGR
    std::vector<std::uint16_t> raw16;  // the same scene as 12-bit samples
    double megapixels() const { return width * static_cast<double>(height) / 1e6; }
};

// Built once per size on first use, deterministic (fixed seed).
const BenchFrame& FrameFor(FrameSize size);

// "2592x1944", the suffix of every benchmark name.
std::string SizeSuffix(FrameSize size);

}  // namespace qcx::bench
