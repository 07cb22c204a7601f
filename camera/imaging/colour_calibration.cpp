// The calibrations of colour correction: the raw calibration (grey world and
// the two histogram equalisations) measured on the Bayer samples of a region,
// and the white-point calibration measured on a demosaiced image in YCbCr.
#include "camera/imaging/colour_correction.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace qcx {
namespace {

enum Colour { kRed = 0, kGreen = 1, kBlue = 2 };
enum ColourOrder { kBGGR = 0, kGRBG = 1, kRGGB = 2, kGBRG = 3 };

// The colour of a sample by colour order, row parity and column parity.
constexpr std::uint8_t kSiteColour[4][2][2] = {
    {{kBlue, kGreen}, {kGreen, kRed}},  // BGGR
    {{kGreen, kRed}, {kBlue, kGreen}},  // GRBG
    {{kRed, kGreen}, {kGreen, kBlue}},  // RGGB
    {{kGreen, kBlue}, {kRed, kGreen}},  // GBRG
};

using Histogram = std::array<std::int64_t, 256>;

struct RegionSamples {
    std::array<Histogram, 3> histogram{};  // by Colour
    std::int64_t Count(int colour) const {
        std::int64_t n = 0;
        for (std::int64_t bin : histogram[colour]) n += bin;
        return n;
    }
    std::int64_t Sum(int colour) const {
        std::int64_t sum = 0;
        for (int v = 0; v < 256; ++v) sum += histogram[colour][v] * v;
        return sum;
    }
};

// Histograms the region's samples by colour and lowers each by 10, which
// shows the measured area in the preview image.
void MeasureAndMark(RegionSamples& samples, std::uint8_t* raw, int frameWidth, int x0, int x1, int y0,
                    int y1, int order) {
    for (int y = y0; y < y1; ++y) {
        std::uint8_t* row = raw + static_cast<std::size_t>(y) * static_cast<std::size_t>(frameWidth);
        const std::uint8_t* colours = kSiteColour[order][y & 1];
        for (int x = x0; x < x1; ++x) {
            const std::uint8_t v = row[x];
            ++samples.histogram[colours[x & 1]][v];
            row[x] = static_cast<std::uint8_t>(v - 10);
        }
    }
}

void GreyWorld(ColourCorrection& c, const RegionSamples& samples, int order) {
    const std::int64_t nRed = samples.Count(kRed);
    const std::int64_t nGreen = samples.Count(kGreen);
    const std::int64_t nBlue = samples.Count(kBlue);
    // A colour without samples has no mean: the correction stays as it is.
    if (nRed == 0 || nGreen == 0 || nBlue == 0) return;
    const std::int64_t sumRed = samples.Sum(kRed);
    const std::int64_t sumGreen = samples.Sum(kGreen);
    const std::int64_t sumBlue = samples.Sum(kBlue);

    int redOffset = 0;
    int blueOffset = 0;
    if (order == kBGGR || order == kRGGB) {
        // Integer means, then their difference.
        const std::int64_t red = sumRed / nRed;
        const std::int64_t green = sumGreen / nGreen;
        const std::int64_t blue = sumBlue / nBlue;
        redOffset = static_cast<int>(green - red);
        blueOffset = static_cast<int>(green - blue);
    } else {
        // Single-precision means; the difference is truncated toward zero.
        const float red = static_cast<float>(sumRed) / static_cast<float>(nRed);
        const float green = static_cast<float>(sumGreen) / static_cast<float>(nGreen);
        const float blue = static_cast<float>(sumBlue) / static_cast<float>(nBlue);
        const float redDifference = green - red;
        const float blueDifference = green - blue;
        redOffset = static_cast<int>(redDifference);
        blueOffset = static_cast<int>(blueDifference);
    }
    ApplyOffsetRule(c, ColourChannel::Red, redOffset);
    ApplyOffsetRule(c, ColourChannel::Green, 0);
    ApplyOffsetRule(c, ColourChannel::Blue, blueOffset);
}

// Entry i = c(i) / n * 255 with the quotient rounded to single precision and
// the product truncated.
ByteTable EqualiseSingle(const Histogram& histogram, std::int64_t n) {
    ByteTable table{};
    std::int64_t cumulative = 0;
    for (int i = 0; i < 256; ++i) {
        cumulative += histogram[i];
        const float quotient = static_cast<float>(cumulative) / static_cast<float>(n);
        table[i] = static_cast<std::uint8_t>(static_cast<int>(quotient * 255.0f));
    }
    return table;
}

// Entry i = c(i) / n * 255 rounded to nearest in double precision.
ByteTable EqualiseRounded(const Histogram& histogram, std::int64_t n) {
    ByteTable table{};
    std::int64_t cumulative = 0;
    for (int i = 0; i < 256; ++i) {
        cumulative += histogram[i];
        double value = static_cast<double>(cumulative) / static_cast<double>(n) * 255.0 + 0.5;
        if (value < 0.0) value = 0.0;
        if (value > 255.0) value = 255.0;
        table[i] = static_cast<std::uint8_t>(static_cast<int>(value));
    }
    return table;
}

void EqualisePerChannel(ColourCorrection& c, const RegionSamples& samples, int order) {
    ByteTable* tables[3] = {&c.redTable, &c.greenTable, &c.blueTable};
    for (int colour : {kRed, kGreen, kBlue}) {
        const std::int64_t n = samples.Count(colour);
        if (n == 0) continue;  // no samples, no distribution: the table stays
        *tables[colour] = order == kGRBG ? EqualiseRounded(samples.histogram[colour], n)
                                         : EqualiseSingle(samples.histogram[colour], n);
    }
}

void EqualiseCommon(ColourCorrection& c, const RegionSamples& samples) {
    Histogram all{};
    std::int64_t n = 0;
    for (int v = 0; v < 256; ++v) {
        all[v] = samples.histogram[kRed][v] + samples.histogram[kGreen][v] + samples.histogram[kBlue][v];
        n += all[v];
    }
    if (n == 0) return;
    const ByteTable table = EqualiseSingle(all, n);
    c.redTable = table;
    c.greenTable = table;
    c.blueTable = table;
}

struct NearWhite {
    std::int64_t count = 0;
    double y = 0.0, cb = 0.0, cr = 0.0;  // sums
};

template <int Stride>
NearWhite SumNearWhite(const std::uint8_t* image, std::size_t pixels, double threshold) {
    NearWhite sums;
    const std::uint8_t* const end = image + pixels * Stride;
    for (const std::uint8_t* p = image; p != end; p += Stride) {
        const double b = p[0];
        const double g = p[1];
        const double r = p[2];
        const double y = 0.299 * r + 0.587 * g + 0.114 * b;
        const double cb = 0.5 * b - 0.3313 * g - 0.1687 * r;
        const double cr = 0.5 * r - 0.4187 * g - 0.0813 * b;
        if (y - std::fabs(cb) - std::fabs(cr) > threshold) {
            ++sums.count;
            sums.y += y;
            sums.cb += cb;
            sums.cr += cr;
        }
    }
    return sums;
}

// Entry i = i * gain, clamped to 0 ... 255 before the conversion to an
// integer, so that no gain (negative, huge or infinite) converts out of range.
ByteTable GainTable(double gain) {
    ByteTable table{};
    for (int i = 0; i < 256; ++i) {
        const double value = i * gain;
        if (!(value > 0.0)) {
            table[i] = 0;  // negative, or 0 x infinity
        } else if (value >= 255.0) {
            table[i] = 255;
        } else {
            table[i] = static_cast<std::uint8_t>(static_cast<int>(value));
        }
    }
    return table;
}

}  // namespace

void RunRawCalibration(ColourCorrection& c, std::uint8_t* raw, int frameWidth, int frameHeight,
                       const MeasuringRegion& region, int bayerMode) {
    if (bayerMode < 0 || bayerMode > 23) return;  // no colour order to measure by
    if (raw == nullptr || frameWidth <= 0 || frameHeight <= 0) return;

    // The region clipped to the frame (64-bit, so x + width cannot overflow).
    const std::int64_t right = static_cast<std::int64_t>(region.x) + region.width;
    const std::int64_t bottom = static_cast<std::int64_t>(region.y) + region.height;
    const int x0 = std::max(region.x, 0);
    const int y0 = std::max(region.y, 0);
    const int x1 = static_cast<int>(std::clamp<std::int64_t>(right, 0, frameWidth));
    const int y1 = static_cast<int>(std::clamp<std::int64_t>(bottom, 0, frameHeight));
    if (x0 >= x1 || y0 >= y1) return;

    const int order = bayerMode % 4;
    RegionSamples samples;
    MeasureAndMark(samples, raw, frameWidth, x0, x1, y0, y1, order);

    switch (c.mode) {
        case 1:
            GreyWorld(c, samples, order);
            break;
        case 2:
            EqualisePerChannel(c, samples, order);
            break;
        case 3:
            EqualiseCommon(c, samples);
            break;
        default:
            break;  // mode 0, and the white point which needs an image
    }
}

void RunImageCalibration(ColourCorrection& c, const std::uint8_t* image, int width, int height,
                         int bitCount) {
    if (image == nullptr || width <= 0 || height <= 0) return;
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    const double threshold = c.values[0];
    NearWhite sums;
    if (bitCount == 24) {
        sums = SumNearWhite<3>(image, pixels, threshold);
    } else if (bitCount == 32) {
        sums = SumNearWhite<4>(image, pixels, threshold);
    } else {
        return;
    }
    if (sums.count == 0) return;

    const double n = static_cast<double>(sums.count);
    const double y = sums.y / n;
    const double cb = sums.cb / n;
    const double cr = sums.cr / n;

    // The mean colour's terms, written from y, cb and cr.
    const double halfRed = 0.5 * y + 0.701 * cr;
    const double halfBlue = 0.5 * y + 0.886 * cb;
    const double redInCb = 0.1687 * y + 0.2365 * cr;
    const double blueInCr = 0.0813 * y + 0.1441 * cb;
    const double greenInCb = 0.3313 * y - 0.114 * cb - 0.2366 * cr;
    const double greenInCr = 0.4187 * y - 0.1441 * cb - 0.299 * cr;

    // Gains a (red) and b (blue) that null both chroma terms of (a R, G, b B):
    //   -redInCb * a + halfBlue * b = greenInCb
    //    halfRed * a - blueInCr * b = greenInCr
    const double determinant = (-redInCb) * (-blueInCr) - halfBlue * halfRed;
    if (!std::isfinite(determinant) || determinant == 0.0) return;  // no unique white point
    const double a = (greenInCb * (-blueInCr) - halfBlue * greenInCr) / determinant;
    const double b = ((-redInCb) * greenInCr - greenInCb * halfRed) / determinant;
    if (std::isnan(a) || std::isnan(b)) return;

    c.redTable = GainTable(a);
    c.greenTable = IdentityTable();
    c.blueTable = GainTable(b);
}

}  // namespace qcx
