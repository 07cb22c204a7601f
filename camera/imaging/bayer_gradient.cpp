// Gradient-corrected interpolation: green at red and blue sites along the
// smoother direction, corrected by the second difference of the site's own
// colour; the opposite colour along the smoother diagonal, corrected by the
// green plane. A 2-pixel border ring because the green needs samples two
// sites away.
#include <cstddef>
#include <cstdint>

#include "camera/imaging/bayer_block_rule.h"
#include "camera/imaging/bayer_green_rows.h"
#include "camera/imaging/bayer_routines.h"
#include "camera/imaging/bayer_simd.h"

namespace qcx::bayer {
namespace {

inline int Abs(int v) { return v < 0 ? -v : v; }
inline std::uint8_t ClampByte(int v) { return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// Green at a red or blue site. The sums of samples are non-negative, so
// their division truncates; the signed second differences divide toward zero.
inline std::uint8_t CorrectedGreen(const GreenPlaneJob& j, int i) {
    const int v = j.rows[2][i];
    const int left = j.rows[2][i - 1], right = j.rows[2][i + 1], up = j.rows[1][i], down = j.rows[3][i];
    const int lapH = 2 * v - j.rows[2][i - 2] - j.rows[2][i + 2];
    const int lapV = 2 * v - j.rows[0][i] - j.rows[4][i];
    const int dH = Abs(left - right) + Abs(lapH);
    const int dV = Abs(up - down) + Abs(lapV);
    if (dH < dV) return ClampByte((left + right) / 2 + lapH / 4);
    if (dH > dV) return ClampByte((up + down) / 2 + lapV / 4);
    return ClampByte((left + right + up + down) / 4 + (lapH + lapV) / 8);
}

// Columns [i, n) of pass 1.
inline void GreenPlaneScalar(const GreenPlaneJob& j, int i, int n) {
    bool green = j.firstIsGreen == ((i & 1) == 0);
    if (i < n && !green) {
        j.green[i] = CorrectedGreen(j, i);
        ++i;
    }
    for (; i + 1 < n; i += 2) {
        j.green[i] = j.rows[2][i];
        j.green[i + 1] = CorrectedGreen(j, i + 1);
    }
    if (i < n) j.green[i] = j.rows[2][i];
}

// The opposite colour at a red or blue site from the diagonal samples and
// the green plane around it.
inline std::uint8_t CorrectedDiagonal(const GradientColourJob& j, int i) {
    const int g = j.green[i];
    const int kUL = j.up[i - 1], kUR = j.up[i + 1], kDL = j.down[i - 1], kDR = j.down[i + 1];
    const int lapN = 2 * g - j.greenUp[i - 1] - j.greenDown[i + 1];
    const int lapP = 2 * g - j.greenUp[i + 1] - j.greenDown[i - 1];
    const int dN = Abs(kUL - kDR) + Abs(lapN);
    const int dP = Abs(kUR - kDL) + Abs(lapP);
    if (dN < dP) return ClampByte((kUL + kDR + lapN) / 2);
    if (dN > dP) return ClampByte((kUR + kDL + lapP) / 2);
    return ClampByte((kUL + kUR + kDL + kDR + lapN + lapP) / 4);
}

// Columns [i, n) of pass 2, whole pixels.
template <int kCh>
inline void GradientColourScalar(const GradientColourJob& j, int i, int n) {
    const int own = j.ownIsBlue ? kBlue : kRed;
    const int other = kRed + kBlue - own;
    auto greenSite = [&](int c) {
        std::uint8_t* p = j.out + c * kCh;
        p[kGreen] = j.cur[c];
        p[own] = static_cast<std::uint8_t>((j.cur[c - 1] + j.cur[c + 1]) >> 1);
        p[other] = static_cast<std::uint8_t>((j.up[c] + j.down[c]) >> 1);
    };
    auto colourSite = [&](int c) {
        std::uint8_t* p = j.out + c * kCh;
        p[kGreen] = j.green[c];
        p[own] = j.cur[c];
        p[other] = CorrectedDiagonal(j, c);
    };
    const bool green = j.firstIsGreen == ((i & 1) == 0);
    if (i < n && !green) colourSite(i++);
    for (; i + 1 < n; i += 2) {
        greenSite(i);
        colourSite(i + 1);
    }
    if (i < n) greenSite(i);
}

template <class L>
struct Gradient {
    static constexpr int kCh = L::kChannels;

    using Frame = EightBitFrame<L>;

    // The green plane of row y over columns [x, x + n): pass 1 inside the
    // interior, the ring's green outside it.
    static void GreenRow(const Frame& f, GreenPlaneKernel kernel, int y, int x, int n, std::uint8_t* green) {
        const int first = x < 2 ? 2 : x;
        const int end = x + n > f.width - 2 ? f.width - 2 : x + n;
        if (y < 2 || y > f.height - 3 || first >= end) {
            GreenFromOutput<kCh>(f.OutRow(y), x, n, green);
            return;
        }
        if (first > x) GreenFromOutput<kCh>(f.OutRow(y), x, first - x, green);
        if (end < x + n) GreenFromOutput<kCh>(f.OutRow(y), end, x + n - end, green + (end - x));
        GreenPlaneJob job{{}, green + (first - x), (first & 1) == L::Sites(y).greenParity};
        for (int k = 0; k < 5; ++k) job.rows[k] = f.RawRow(y - 2 + k) + first;
        const int done = kernel != nullptr ? kernel(job, end - first) : 0;
        GreenPlaneScalar(job, done, end - first);
    }

    // Interior columns [x0, x1) of all interior rows.
    static void Strip(const Frame& f, const SimdKernels& kernels, int x0, int x1) {
        // Row y's green sits in slot y % 3, covering columns x0 - 1 .. x1.
        std::uint8_t green[3][kStripWidth + 2];
        const int n = x1 - x0 + 2;
        GreenRow(f, kernels.gradientGreen, 1, x0 - 1, n, green[1]);
        GreenRow(f, kernels.gradientGreen, 2, x0 - 1, n, green[2]);
        const GradientColourKernel kernel = kernels.gradientColour[kCh == 4];
        for (int y = 2; y < f.height - 2; ++y) {
            GreenRow(f, kernels.gradientGreen, y + 1, x0 - 1, n, green[(y + 1) % 3]);
            const RowSites s = L::Sites(y);
            const GradientColourJob job{f.RawRow(y - 1) + x0,
                                        f.RawRow(y) + x0,
                                        f.RawRow(y + 1) + x0,
                                        green[(y - 1) % 3] + 1,
                                        green[y % 3] + 1,
                                        green[(y + 1) % 3] + 1,
                                        f.OutRow(y) + x0 * kCh,
                                        (x0 & 1) == s.greenParity,
                                        s.ownColour == kBlue};
            const int done = kernel != nullptr ? kernel(job, x1 - x0) : 0;
            GradientColourScalar<kCh>(job, done, x1 - x0);
        }
    }

    static void Run(const void* rawData, int width, int height, void* outData) {
        const Frame f{static_cast<const std::uint8_t*>(rawData), width, height, static_cast<std::uint8_t*>(outData)};
        BorderRing<L, 2>(f.raw, width, height, f.out);
        const SimdKernels& kernels = ActiveSimdKernels();
        for (int x0 = 2; x0 < width - 2; x0 += kStripWidth) {
            Strip(f, kernels, x0, x0 + kStripWidth < width - 2 ? x0 + kStripWidth : width - 2);
        }
    }
};

constexpr ColourRoutineTable kGradient = MakeColourRoutineTable<Gradient, true>();

}  // namespace

const ColourRoutineTable& GradientRoutines() { return kGradient; }

}  // namespace qcx::bayer
