// Resizing through libswscale's area filter, which stands in for the
// halftone stretching of a screen's drawing services; builds without
// libswscale, and sizes it turns down, get the exact area average.
#include "camera/output/image_stretch.h"

#if QCX_WITH_SWSCALE
extern "C" {
#include <libavutil/mem.h>
#include <libavutil/pixfmt.h>
#include <libswscale/swscale.h>
}
#endif

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "camera/common/status.h"

namespace qcx {
namespace {

bool ValidBitCount(int bitCount) { return bitCount == 8 || bitCount == 24 || bitCount == 32; }

enum class Outcome { kDone, kRefused, kNoMemory };

#if QCX_WITH_SWSCALE
// Full horizontal chroma on input and inside: with the default half-width
// chroma the last column of an odd-width colour image is averaged with
// whatever lies after the row. Accurate rounding keeps a uniform image
// uniform, which the default dithered output does not.
constexpr int kScaleFlags = SWS_AREA | SWS_FULL_CHR_H_INP | SWS_FULL_CHR_H_INT | SWS_ACCURATE_RND;

// libswscale reads and writes whole vector registers past the end of rows
// and images, so it works on copies with aligned rows and a tail of slack.
constexpr std::size_t kRowAlignment = 64;
constexpr std::size_t kTailSlack = 64;

AVPixelFormat PixelFormat(int bitCount) {
    switch (bitCount) {
    case 8:
        return AV_PIX_FMT_GRAY8;
    case 24:
        return AV_PIX_FMT_BGR24;
    default:
        return AV_PIX_FMT_BGRA;  // the fourth byte is scaled like the others
    }
}

struct ContextFree {
    void operator()(SwsContext* context) const { sws_freeContext(context); }
};

struct AvFree {
    void operator()(std::uint8_t* memory) const { av_free(memory); }
};

// An image of `rows` rows of `rowBytes` bytes at an aligned stride.
struct PaddedImage {
    std::unique_ptr<std::uint8_t, AvFree> memory;
    int stride = 0;
};

// False when the image cannot be described to libswscale or memory cannot
// be had (`*noMemory` tells which).
bool AllocatePadded(std::size_t rowBytes, std::size_t rows, PaddedImage* image, bool* noMemory) {
    const std::size_t stride = (rowBytes + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
    if (stride > static_cast<std::size_t>(INT_MAX)) return false;
    std::size_t bytes = 0;
    if (__builtin_mul_overflow(stride, rows + 1, &bytes) || __builtin_add_overflow(bytes, kTailSlack, &bytes)) {
        *noMemory = true;
        return false;
    }
    image->memory.reset(static_cast<std::uint8_t*>(av_malloc(bytes)));
    if (!image->memory) {
        *noMemory = true;
        return false;
    }
    std::memset(image->memory.get(), 0, bytes);  // the slack is read, so it holds defined bytes
    image->stride = static_cast<int>(stride);
    return true;
}

Outcome StretchWithSwscale(const std::uint8_t* source, int width, int height, int bitCount, std::uint8_t* target,
                           int targetWidth, int targetHeight) {
    const AVPixelFormat format = PixelFormat(bitCount);
    std::unique_ptr<SwsContext, ContextFree> context(sws_getContext(
        width, height, format, targetWidth, targetHeight, format, kScaleFlags, nullptr, nullptr, nullptr));
    if (!context) return Outcome::kRefused;

    const std::size_t pixelBytes = static_cast<std::size_t>(bitCount / 8);
    const std::size_t sourceRow = pixelBytes * static_cast<std::size_t>(width);
    const std::size_t targetRow = pixelBytes * static_cast<std::size_t>(targetWidth);
    PaddedImage in;
    PaddedImage out;
    bool noMemory = false;
    if (!AllocatePadded(sourceRow, static_cast<std::size_t>(height), &in, &noMemory) ||
        !AllocatePadded(targetRow, static_cast<std::size_t>(targetHeight), &out, &noMemory))
        return noMemory ? Outcome::kNoMemory : Outcome::kRefused;

    for (std::size_t row = 0; row < static_cast<std::size_t>(height); ++row)
        std::memcpy(in.memory.get() + row * static_cast<std::size_t>(in.stride), source + row * sourceRow, sourceRow);
    const std::uint8_t* const inPlanes[4] = {in.memory.get(), nullptr, nullptr, nullptr};
    const int inStrides[4] = {in.stride, 0, 0, 0};
    std::uint8_t* const outPlanes[4] = {out.memory.get(), nullptr, nullptr, nullptr};
    const int outStrides[4] = {out.stride, 0, 0, 0};
    if (sws_scale(context.get(), inPlanes, inStrides, 0, height, outPlanes, outStrides) != targetHeight)
        return Outcome::kRefused;
    for (std::size_t row = 0; row < static_cast<std::size_t>(targetHeight); ++row)
        std::memcpy(target + row * targetRow, out.memory.get() + row * static_cast<std::size_t>(out.stride), targetRow);
    return Outcome::kDone;
}
#else
Outcome StretchWithSwscale(const std::uint8_t*, int, int, int, std::uint8_t*, int, int) { return Outcome::kRefused; }
#endif

// The source pixels one target pixel covers along one axis, with the part of
// each inside it. On a common axis of from x to units, source pixel i spans
// [i * to, (i + 1) * to) and target pixel j spans [j * from, (j + 1) * from).
struct AxisTaps {
    std::vector<std::size_t> begin;  // taps of target j: begin[j] ... begin[j + 1] - 1
    std::vector<std::size_t> source;
    std::vector<double> weight;      // the taps of one target pixel add up to 1
};

AxisTaps MakeTaps(std::size_t from, std::size_t to) {
    AxisTaps taps;
    taps.begin.reserve(to + 1);
    taps.source.reserve(from + to);
    taps.weight.reserve(from + to);
    for (std::size_t j = 0; j < to; ++j) {
        taps.begin.push_back(taps.source.size());
        const std::uint64_t low = static_cast<std::uint64_t>(j) * from;
        const std::uint64_t high = low + from;
        for (std::uint64_t i = low / to; i * to < high; ++i) {
            const std::uint64_t overlap = std::min<std::uint64_t>(high, (i + 1) * to) - std::max<std::uint64_t>(low, i * to);
            taps.source.push_back(static_cast<std::size_t>(i));
            taps.weight.push_back(static_cast<double>(overlap) / static_cast<double>(from));
        }
    }
    taps.begin.push_back(taps.source.size());
    return taps;
}

void AverageAreas(const std::uint8_t* source, int width, int height, int bitCount, std::uint8_t* target,
                  int targetWidth, int targetHeight) {
    const std::size_t pixelBytes = static_cast<std::size_t>(bitCount / 8);
    const std::size_t sourceRow = pixelBytes * static_cast<std::size_t>(width);
    const std::size_t targetRow = pixelBytes * static_cast<std::size_t>(targetWidth);
    const AxisTaps across = MakeTaps(static_cast<std::size_t>(width), static_cast<std::size_t>(targetWidth));
    const AxisTaps down = MakeTaps(static_cast<std::size_t>(height), static_cast<std::size_t>(targetHeight));
    std::vector<double> sums(targetRow);
    for (std::size_t y = 0; y < static_cast<std::size_t>(targetHeight); ++y) {
        std::fill(sums.begin(), sums.end(), 0.0);
        for (std::size_t v = down.begin[y]; v < down.begin[y + 1]; ++v) {
            const std::uint8_t* const row = source + down.source[v] * sourceRow;
            const double rowWeight = down.weight[v];
            for (std::size_t x = 0; x < static_cast<std::size_t>(targetWidth); ++x) {
                double* const sum = &sums[x * pixelBytes];
                for (std::size_t h = across.begin[x]; h < across.begin[x + 1]; ++h) {
                    const std::uint8_t* const pixel = row + across.source[h] * pixelBytes;
                    const double weight = rowWeight * across.weight[h];
                    for (std::size_t c = 0; c < pixelBytes; ++c) sum[c] += weight * pixel[c];
                }
            }
        }
        std::uint8_t* const out = target + y * targetRow;
        for (std::size_t i = 0; i < targetRow; ++i)
            out[i] = static_cast<std::uint8_t>(std::clamp(std::lround(sums[i]), 0L, 255L));
    }
}

bool ValidArguments(const std::uint8_t* source, int width, int height, int bitCount, const std::uint8_t* target,
                    int targetWidth, int targetHeight) {
    return source != nullptr && target != nullptr && width >= 1 && height >= 1 && targetWidth >= 1 &&
           targetHeight >= 1 && ValidBitCount(bitCount);
}

}  // namespace

int StretchByAreaAverage(const std::uint8_t* source, int width, int height, int bitCount, std::uint8_t* target,
                         int targetWidth, int targetHeight) {
    if (!ValidArguments(source, width, height, bitCount, target, targetWidth, targetHeight))
        return status::kParameterError;
    try {
        AverageAreas(source, width, height, bitCount, target, targetWidth, targetHeight);
    } catch (const std::bad_alloc&) {
        return status::kNoMemory;
    } catch (const std::length_error&) {
        return status::kNoMemory;
    }
    return status::kSuccess;
}

int StretchBmp(const std::uint8_t* source, int width, int height, int bitCount, std::uint8_t* target,
               int targetWidth, int targetHeight) {
    if (!ValidArguments(source, width, height, bitCount, target, targetWidth, targetHeight))
        return status::kParameterError;
    switch (StretchWithSwscale(source, width, height, bitCount, target, targetWidth, targetHeight)) {
    case Outcome::kDone:
        return status::kSuccess;
    case Outcome::kNoMemory:
        return status::kNoMemory;
    case Outcome::kRefused:
        break;
    }
    // libswscale turns down some sizes (very wide images, very large ratios).
    return StretchByAreaAverage(source, width, height, bitCount, target, targetWidth, targetHeight);
}

}  // namespace qcx
