// Colour ratio: a green plane first, then red and blue from the ratios of
// the neighbouring colour samples to their green, scaled by the pixel's own
// green. The only method with floating-point arithmetic.
#include <cstddef>
#include <cstdint>

#include "camera/imaging/bayer_block_rule.h"
#include "camera/imaging/bayer_green_rows.h"
#include "camera/imaging/bayer_routines.h"

namespace qcx::bayer {
namespace {

// Quotients and products in double, rounded once to float. Above 255
// (infinity included) saturates; NaN, from a sample of 0 over a green of 0,
// stores 0 like the truncating conversion it stands for.
inline std::uint8_t RatioToByte(double value) {
    const float f = static_cast<float>(value);
    if (f > 255.0f) return 255;
    if (!(f >= 0.0f)) return 0;
    return static_cast<std::uint8_t>(static_cast<int>(f));
}

template <class L>
struct ColourRatio {
    static constexpr int kCh = L::kChannels;

    using Frame = EightBitFrame<L>;

    // One row of a strip, columns x0 - 1 .. x1: the green plane and, at red
    // and blue sites, the ratio of the sample to its green. Each ratio is
    // used by up to eight neighbours, so it is divided out once here.
    struct Row {
        std::uint8_t green[kStripWidth + 2];
        double ratio[kStripWidth + 2];
    };

    // Pass 1 inside the interior (columns 1 .. width - 2 of rows 1 ..
    // height - 2), the ring's green outside it; then the ratios.
    static void FillRow(const Frame& f, int y, int x, int n, Row& row) {
        const std::uint8_t* cur = f.RawRow(y);
        const int greenParity = L::Sites(y).greenParity;
        if (y < 1 || y > f.height - 2) {
            GreenFromOutput<kCh>(f.OutRow(y), x, n, row.green);
        } else {
            const int first = x < 1 ? 1 : x;
            const int end = x + n > f.width - 1 ? f.width - 1 : x + n;
            if (first > x) GreenFromOutput<kCh>(f.OutRow(y), x, first - x, row.green);
            if (end < x + n) GreenFromOutput<kCh>(f.OutRow(y), end, x + n - end, row.green + (end - x));
            const std::uint8_t* up = cur - f.width;
            const std::uint8_t* down = cur + f.width;
            auto greenSite = [&](int c) { row.green[c - x] = cur[c]; };
            auto colourSite = [&](int c) {
                row.green[c - x] = static_cast<std::uint8_t>((up[c] + down[c] + cur[c - 1] + cur[c + 1]) >> 2);
            };
            int c = first;
            if ((c & 1) != greenParity) colourSite(c++);
            for (; c + 1 < end; c += 2) {
                greenSite(c);
                colourSite(c + 1);
            }
            if (c < end) greenSite(c);
        }
        int c = x;
        if ((c & 1) == greenParity) ++c;
        for (; c < x + n; c += 2) {
            row.ratio[c - x] = static_cast<double>(cur[c]) / static_cast<double>(row.green[c - x]);
        }
    }

    // Pass 2 for columns [x0, x1) of row y, whole pixels. Index i of the
    // rows is column x0 - 1 + i.
    static void RatioRow(const Frame& f, int y, int x0, int x1, const Row& up, const Row& cur, const Row& down) {
        const std::uint8_t* raw = f.RawRow(y);
        std::uint8_t* o = f.OutRow(y);
        const RowSites s = L::Sites(y);
        auto greenSite = [&](int c, int i) {
            std::uint8_t* p = o + c * kCh;
            const double g = cur.green[i];
            p[kGreen] = cur.green[i];
            p[s.ownColour] = RatioToByte(g * 0.5 * (cur.ratio[i - 1] + cur.ratio[i + 1]));
            p[s.otherColour] = RatioToByte(g * 0.5 * (up.ratio[i] + down.ratio[i]));
        };
        auto colourSite = [&](int c, int i) {
            std::uint8_t* p = o + c * kCh;
            const double g = cur.green[i];
            p[kGreen] = cur.green[i];
            p[s.ownColour] = raw[c];
            p[s.otherColour] =
                RatioToByte(g * 0.25 * (up.ratio[i - 1] + up.ratio[i + 1] + down.ratio[i - 1] + down.ratio[i + 1]));
        };
        int c = x0;
        if ((c & 1) != s.greenParity) {
            colourSite(c, c - x0 + 1);
            ++c;
        }
        for (; c + 1 < x1; c += 2) {
            greenSite(c, c - x0 + 1);
            colourSite(c + 1, c - x0 + 2);
        }
        if (c < x1) greenSite(c, c - x0 + 1);
    }

    // Interior columns [x0, x1) of all interior rows; row y in slot y % 3.
    static void Strip(const Frame& f, int x0, int x1) {
        Row rows[3];
        const int n = x1 - x0 + 2;
        FillRow(f, 0, x0 - 1, n, rows[0]);
        FillRow(f, 1, x0 - 1, n, rows[1]);
        for (int y = 1; y < f.height - 1; ++y) {
            FillRow(f, y + 1, x0 - 1, n, rows[(y + 1) % 3]);
            RatioRow(f, y, x0, x1, rows[(y - 1) % 3], rows[y % 3], rows[(y + 1) % 3]);
        }
    }

    static void Run(const void* rawData, int width, int height, void* outData) {
        const Frame f{static_cast<const std::uint8_t*>(rawData), width, height, static_cast<std::uint8_t*>(outData)};
        BorderRing<L, 1>(f.raw, width, height, f.out);
        for (int x0 = 1; x0 < width - 1; x0 += kStripWidth) {
            Strip(f, x0, x0 + kStripWidth < width - 1 ? x0 + kStripWidth : width - 1);
        }
    }
};

constexpr ColourRoutineTable kColourRatio = MakeColourRoutineTable<ColourRatio, true>();

}  // namespace

const ColourRoutineTable& ColourRatioRoutines() { return kColourRatio; }

}  // namespace qcx::bayer
