// Raw Bayer frames and colour images for the colour correction tests.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace qcx::test {

enum ColourOrder { kBGGR = 0, kGRBG = 1, kRGGB = 2, kGBRG = 3 };
enum class Site { Red = 0, Green = 1, Blue = 2 };

// Red sits at one parity of column and row, blue at the opposite one.
inline Site SiteAt(int order, int x, int y) {
    static const int redX[4] = {1, 1, 0, 0};
    static const int redY[4] = {1, 0, 0, 1};
    const int px = x & 1, py = y & 1;
    if (px == redX[order] && py == redY[order]) return Site::Red;
    if (px != redX[order] && py != redY[order]) return Site::Blue;
    return Site::Green;
}

// Entry i = i + offset, clamped to 0 ... 255.
inline std::array<std::uint8_t, 256> OffsetTable(int offset) {
    std::array<std::uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(std::clamp(i + offset, 0, 255));
    return table;
}

struct Frame {
    int width = 0, height = 0;
    std::vector<std::uint8_t> samples;
    std::uint8_t At(int x, int y) const { return samples[static_cast<std::size_t>(y * width + x)]; }
};

// A frame whose samples of each colour take the values of that colour's list
// in turn, in row-major order.
inline Frame MosaicFrame(int order, int width, int height, const std::vector<int>& red, const std::vector<int>& green,
                         const std::vector<int>& blue) {
    Frame frame{width, height, std::vector<std::uint8_t>(static_cast<std::size_t>(width * height))};
    const std::vector<int>* lists[3] = {&red, &green, &blue};
    std::size_t next[3] = {0, 0, 0};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int site = static_cast<int>(SiteAt(order, x, y));
            const std::vector<int>& list = *lists[site];
            frame.samples[static_cast<std::size_t>(y * width + x)] =
                static_cast<std::uint8_t>(list[next[site]++ % list.size()]);
        }
    }
    return frame;
}

inline Frame PlaneFrame(int order, int width, int height, int red, int green, int blue) {
    return MosaicFrame(order, width, height, {red}, {green}, {blue});
}

struct Pixel {
    int blue, green, red;
};

// Pixels in byte order blue, green, red; 32-bit pixels get a fourth byte 0xEE.
inline std::vector<std::uint8_t> Image(const std::vector<Pixel>& pixels, int bytesPerPixel) {
    std::vector<std::uint8_t> image;
    for (const Pixel& p : pixels) {
        image.insert(image.end(), {static_cast<std::uint8_t>(p.blue), static_cast<std::uint8_t>(p.green),
                                   static_cast<std::uint8_t>(p.red)});
        if (bytesPerPixel == 4) image.push_back(0xEE);
    }
    return image;
}

}  // namespace qcx::test
