#include "camera/imaging/raw_corrections.h"

#include <algorithm>
#include <cstddef>

namespace qcx {

namespace {

std::size_t SampleCount(int width, int height) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
}

// One body per shift, so the inner loop has a constant shift.
template <int Shift>
void ShiftTo8Bits(const std::uint16_t* samples, std::uint8_t* out, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const unsigned value = static_cast<unsigned>(samples[i]) >> Shift;
        out[i] = static_cast<std::uint8_t>(std::min(value, 255u));
    }
}

}  // namespace

void CorrectBadPixels(std::uint8_t* raw, int width, int height, std::uint8_t threshold) {
    if (raw == nullptr || width <= 8 || height <= 0) return;
    const int t = threshold;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = raw + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        // Left to right in place: the left neighbours may already be
        // corrected, so a bright pair two samples apart is removed in turn.
        // Only samples brighter than all four neighbours change; dark
        // defects stay.
        for (int x = 4; x <= width - 5; ++x) {
            const int v = row[x];
            const int a = row[x - 2];
            const int b = row[x + 2];
            const int c = row[x - 4];
            const int d = row[x + 4];
            if (v - c > t && v - d > t && v - a > t && v - b > t) {
                row[x] = static_cast<std::uint8_t>(std::max(a, b));
            }
        }
    }
}

void MirrorRows(std::uint8_t* raw, int width, int height) {
    if (raw == nullptr || width < 2 || height <= 0) return;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = raw + static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
        std::reverse(row, row + width);
    }
}

void FlipRows(std::uint8_t* raw, int width, int height) {
    if (raw == nullptr || width <= 0 || height < 2) return;
    // Rows are exchanged in place, so no scratch row is needed and the flip
    // can never be skipped for want of memory.
    const std::size_t stride = static_cast<std::size_t>(width);
    for (int y = 0; y < height / 2; ++y) {
        std::uint8_t* top = raw + static_cast<std::size_t>(y) * stride;
        std::uint8_t* bottom = raw + static_cast<std::size_t>(height - 1 - y) * stride;
        std::swap_ranges(top, top + stride, bottom);
    }
}

void ReduceTo8Bits(const std::uint16_t* samples, std::uint8_t* out, int width, int height,
                   const PipelineSettings& s, int sensitivity) {
    if (samples == nullptr || out == nullptr || width <= 0 || height <= 0) return;
    const std::size_t count = SampleCount(width, height);
    if (s.mapTableOn) {
        // The cameras deliver 12-bit samples; anything larger takes the
        // table's last entry instead of reading past it.
        const std::uint8_t* table = s.mapTable.data();
        for (std::size_t i = 0; i < count; ++i) {
            out[i] = table[std::min<unsigned>(samples[i], 4095u)];
        }
        return;
    }
    switch (sensitivity) {
        case 0: ShiftTo8Bits<4>(samples, out, count); break;
        case 1: ShiftTo8Bits<3>(samples, out, count); break;
        case 2: ShiftTo8Bits<2>(samples, out, count); break;
        case 3: ShiftTo8Bits<1>(samples, out, count); break;
        case 4: ShiftTo8Bits<0>(samples, out, count); break;
        default: break;  // unknown sensitivity: the output stays as it was
    }
}

}  // namespace qcx
