// A plain, pixel-by-pixel model of the Bayer conversion for the tests: every
// rule written out the long way, colours looked up by name, nothing shared
// with the library code. The fast routines must match it bit for bit.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace qcx::test {

// The colour ('R', 'G' or 'B') of the mosaic at (x, y) for colour order 0..3
// (BGGR, GRBG, RGGB, GBRG).
inline char MosaicColour(int order, int x, int y) {
    static const char* const kRows[4][2] = {{"BG", "GR"}, {"GR", "BG"}, {"RG", "GB"}, {"GB", "RG"}};
    return kRows[order][y % 2][x % 2];
}

class ReferenceDemosaic {
public:
    // `samples` holds width x height values (bytes or 16-bit words).
    ReferenceDemosaic(const std::vector<int>& samples, int width, int height)
        : raw_(samples), w_(width), h_(height) {}

    // Writes the conversion of the frame into `out` as the library would,
    // touching only the bytes the mode writes.
    void Convert(bool sixteenBit, int bayerMode, int filterMode, std::vector<std::uint8_t>& out) const {
        if (bayerMode < 0 || bayerMode > 23 || w_ < 3 || h_ < 3) return;
        if (bayerMode >= 16) return Grey(sixteenBit, bayerMode, out);
        const int order = bayerMode % 4, channels = bayerMode >= 8 ? 4 : 3;
        const bool bottomUp = (bayerMode % 8 < 4) != sixteenBit;
        const int method = sixteenBit ? 0 : filterMode < 0 || filterMode > 4 ? 1 : filterMode;
        Planes img(w_ * h_);
        const int ring = method == 4 ? 2 : 1;
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x)
                if (x < ring || x >= w_ - ring || y < ring || y >= h_ - ring) BlockRule(order, x, y, img);
        for (int y = 1; y <= h_ - 2 && (method == 0 || method == 1 || method == 3); ++y)
            for (int x = 1; x <= w_ - 2; ++x)
                method == 0 ? BlockRule(order, x, y, img) : Interpolate(order, x, y, method == 3, img);
        if (method == 2) ColourRatio(order, img);
        if (method == 4) GradientCorrected(order, img);
        Write(img, channels, 3, bottomUp, sixteenBit, out);
    }

private:
    struct Planes {
        explicit Planes(int n) : b(n, 0), g(n, 0), r(n, 0) {}
        std::vector<int> b, g, r;
    };
    int Index(int x, int y) const { return y * w_ + x; }
    int P(int x, int y) const { return raw_[Index(x, y)]; }
    // Blue, green and red (the first `count` of them) of each pixel, in rows of
    // `channels` samples, bottom row first when bottomUp.
    void Write(const Planes& img, int channels, int count, bool bottomUp, bool sixteenBit,
               std::vector<std::uint8_t>& out) const {
        const int bytes = sixteenBit ? 2 : 1;
        for (int y = 0; y < h_; ++y) {
            for (int x = 0; x < w_; ++x) {
                for (int c = 0; c < count; ++c) {
                    const int v = (c == 0 ? img.b : c == 1 ? img.g : img.r)[Index(x, y)];
                    const std::size_t at =
                        ((static_cast<std::size_t>(bottomUp ? h_ - 1 - y : y) * w_ + x) * channels + c) * bytes;
                    out[at] = static_cast<std::uint8_t>(v & 0xFF);
                    if (sixteenBit) out[at + 1] = static_cast<std::uint8_t>(v >> 8);
                }
            }
        }
    }
    static int& Channel(Planes& img, char colour, int i) {
        return colour == 'R' ? img.r[i] : colour == 'G' ? img.g[i] : img.b[i];
    }

    // The 2 x 2 block: columns x - 1 and x (0 and 1 for column 0), rows y and
    // y + 1 (H - 2 and H - 1 for the last row); green from the pixel's row.
    void BlockRule(int order, int x, int y, Planes& img) const {
        const int x0 = x == 0 ? 0 : x - 1;
        const int y0 = y == h_ - 1 ? h_ - 2 : y;
        for (int by = y0; by <= y0 + 1; ++by) {
            for (int bx = x0; bx <= x0 + 1; ++bx) {
                const char colour = MosaicColour(order, bx, by);
                if (colour == 'G' && by != y) continue;
                Channel(img, colour, Index(x, y)) = P(bx, by);
            }
        }
    }

    static char Opposite(char colour) { return colour == 'R' ? 'B' : 'R'; }
    void Interpolate(int order, int x, int y, bool edgeDirected, Planes& img) const {
        const int v = P(x, y);
        const int left = P(x - 1, y), right = P(x + 1, y), up = P(x, y - 1), down = P(x, y + 1);
        const char colour = MosaicColour(order, x, y);
        const int i = Index(x, y);
        if (colour == 'G') {
            img.g[i] = v;
            Channel(img, MosaicColour(order, x - 1, y), i) = (left + right) >> 1;
            Channel(img, MosaicColour(order, x, y - 1), i) = (up + down) >> 1;
            return;
        }
        Channel(img, colour, i) = v;
        int green = (up + down + left + right) >> 2;
        const int dH = std::abs(left - right), dV = std::abs(up - down);
        if (edgeDirected && dH < dV) green = (left + right) >> 1;
        if (edgeDirected && dV < dH) green = (up + down) >> 1;
        img.g[i] = green;
        Channel(img, Opposite(colour), i) =
            (P(x - 1, y - 1) + P(x + 1, y - 1) + P(x - 1, y + 1) + P(x + 1, y + 1)) >> 2;
    }

    static int RatioResult(double value) {
        const float rounded = static_cast<float>(value);
        if (rounded > 255.0f) return 255;
        if (std::isnan(rounded)) return 0;  // a 0 / 0 quotient
        return static_cast<int>(std::trunc(rounded)) & 0xFF;
    }

    void ColourRatio(int order, Planes& img) const {
        for (int y = 1; y <= h_ - 2; ++y)
            for (int x = 1; x <= w_ - 2; ++x)
                img.g[Index(x, y)] = MosaicColour(order, x, y) == 'G'
                                         ? P(x, y)
                                         : (P(x, y - 1) + P(x, y + 1) + P(x - 1, y) + P(x + 1, y)) >> 2;
        auto ratio = [&](int x, int y) { return static_cast<double>(P(x, y)) / img.g[Index(x, y)]; };
        for (int y = 1; y <= h_ - 2; ++y) {
            for (int x = 1; x <= w_ - 2; ++x) {
                const int i = Index(x, y);
                const double g = img.g[i];
                const char colour = MosaicColour(order, x, y);
                if (colour == 'G') {
                    const double across = ratio(x - 1, y) + ratio(x + 1, y), along = ratio(x, y - 1) + ratio(x, y + 1);
                    Channel(img, MosaicColour(order, x - 1, y), i) = RatioResult(g * 0.5 * across);
                    Channel(img, MosaicColour(order, x, y - 1), i) = RatioResult(g * 0.5 * along);
                    continue;
                }
                Channel(img, colour, i) = P(x, y);
                Channel(img, Opposite(colour), i) = RatioResult(
                    g * 0.25 * (ratio(x - 1, y - 1) + ratio(x + 1, y - 1) + ratio(x - 1, y + 1) + ratio(x + 1, y + 1)));
            }
        }
    }

    static int Clamp(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

    void GradientCorrected(int order, Planes& img) const {
        for (int y = 2; y <= h_ - 3; ++y) {
            for (int x = 2; x <= w_ - 3; ++x) {
                const int i = Index(x, y), v = P(x, y);
                const char colour = MosaicColour(order, x, y);
                Channel(img, colour, i) = v;
                if (colour == 'G') continue;
                const int left = P(x - 1, y), right = P(x + 1, y), up = P(x, y - 1), down = P(x, y + 1);
                const int lapH = 2 * v - P(x - 2, y) - P(x + 2, y), lapV = 2 * v - P(x, y - 2) - P(x, y + 2);
                const int dH = std::abs(left - right) + std::abs(lapH), dV = std::abs(up - down) + std::abs(lapV);
                img.g[i] = Clamp(dH < dV   ? (left + right) / 2 + lapH / 4
                                 : dH > dV ? (up + down) / 2 + lapV / 4
                                           : (left + right + up + down) / 4 + (lapH + lapV) / 8);
            }
        }
        for (int y = 2; y <= h_ - 3; ++y) {
            for (int x = 2; x <= w_ - 3; ++x) {
                const int i = Index(x, y);
                const char colour = MosaicColour(order, x, y);
                if (colour == 'G') {
                    Channel(img, MosaicColour(order, x - 1, y), i) = (P(x - 1, y) + P(x + 1, y)) >> 1;
                    Channel(img, MosaicColour(order, x, y - 1), i) = (P(x, y - 1) + P(x, y + 1)) >> 1;
                    continue;
                }
                const int g = img.g[i];
                const int gUL = img.g[Index(x - 1, y - 1)], gUR = img.g[Index(x + 1, y - 1)];
                const int gDL = img.g[Index(x - 1, y + 1)], gDR = img.g[Index(x + 1, y + 1)];
                const int kUL = P(x - 1, y - 1), kUR = P(x + 1, y - 1), kDL = P(x - 1, y + 1), kDR = P(x + 1, y + 1);
                const int dN = std::abs(kUL - kDR) + std::abs(2 * g - gUL - gDR);
                const int dP = std::abs(kUR - kDL) + std::abs(2 * g - gUR - gDL);
                Channel(img, Opposite(colour), i) =
                    Clamp(dN < dP   ? (kUL + kDR + 2 * g - gUL - gDR) / 2
                          : dN > dP ? (kUR + kDL + 2 * g - gUR - gDL) / 2
                                    : (kUL + kUR + kDL + kDR + 4 * g - gUL - gUR - gDL - gDR) / 4);
            }
        }
    }

    void Grey(bool sixteenBit, int bayerMode, std::vector<std::uint8_t>& out) const {
        Planes img(w_ * h_);
        std::vector<int>& grey = img.b;
        for (int y = 0; y <= h_ - 2; ++y) {
            for (int x = 0; x <= w_ - 2; ++x)
                grey[Index(x, y)] = (P(x, y) + P(x + 1, y) + P(x, y + 1) + P(x + 1, y + 1)) >> 2;
            grey[Index(w_ - 1, y)] = grey[Index(w_ - 2, y)];
        }
        for (int x = 0; x < w_; ++x) grey[Index(x, h_ - 1)] = grey[Index(x, h_ - 2)];
        Write(img, 1, 1, (bayerMode <= 19) != sixteenBit, sixteenBit, out);
    }

    std::vector<int> raw_;
    int w_, h_;
};

}  // namespace qcx::test
