// Resizing images in memory: area averages, row order, and sizes of all kinds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "camera/output/image_stretch.h"
#include "qcxapi.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

struct Size {
    int width;
    int height;
};

// Resizes through the export into a buffer of exactly the target's size.
Bytes Stretch(Bytes source, Size from, int bitCount, Size to) {
    Bytes target(static_cast<std::size_t>(bitCount / 8) * to.width * to.height, 0xEE);
    EXPECT_EQ(QCX_HelperStretchBmp(source.data(), from.width, from.height, bitCount, target.data(), to.width, to.height),
              1);
    return target;
}

Bytes Uniform(Size size, int bitCount, const std::uint8_t pixel[4]) {
    Bytes image(static_cast<std::size_t>(bitCount / 8) * size.width * size.height);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = pixel[i % (bitCount / 8)];
    return image;
}

// Smooth, with some structure: what a camera picture looks like to a filter.
Bytes Smooth(Size size, int bitCount) {
    const int pixelBytes = bitCount / 8;
    Bytes image(static_cast<std::size_t>(pixelBytes) * size.width * size.height);
    for (std::size_t i = 0; i < image.size(); ++i) {
        const int x = static_cast<int>(i / pixelBytes) % size.width, y = static_cast<int>(i / pixelBytes) / size.width;
        const int c = static_cast<int>(i % pixelBytes);
        image[i] = static_cast<std::uint8_t>(x * 120 / size.width + y * (c + 1) * 15 / size.height +
                                             ((x / 9 + y / 6) % 2) * 40);
    }
    return image;
}

TEST(ImageStretchTest, RefusesBadArguments) {
    Bytes source(64, 1), target(64, 0xEE);
    const int bad[][5] = {{2, 2, 24, 2, 0}, {2, 2, 24, 2, -3}, {2, 2, 24, 0, 2}, {0, 2, 24, 2, 2}, {2, -1, 24, 2, 2},
                          {2, 2, 16, 2, 2}};
    for (const auto& b : bad)
        EXPECT_EQ(QCX_HelperStretchBmp(source.data(), b[0], b[1], b[2], target.data(), b[3], b[4]), -1) << b[3] << b[4];
    EXPECT_EQ(QCX_HelperStretchBmp(nullptr, 2, 2, 24, target.data(), 2, 2), -1);
    EXPECT_EQ(QCX_HelperStretchBmp(source.data(), 2, 2, 24, nullptr, 2, 2), -1);
    EXPECT_EQ(target, Bytes(64, 0xEE));
}

TEST(ImageStretchTest, UniformImagesStayUniform) {
    const std::uint8_t pixel[4] = {200, 30, 90, 17};
    // The last three: very wide targets and very large ratios, which the scaler refuses.
    const Size sizes[][2] = {{{37, 23}, {13, 11}}, {{37, 23}, {91, 57}}, {{64, 48}, {64, 48}}, {{267, 81}, {249, 3}},
                             {{4, 86}, {176, 7}},  {{5, 1}, {3, 1}},     {{1, 1}, {7, 5}},     {{1, 1}, {20000, 1}},
                             {{1, 1}, {1, 20000}}, {{100000, 1}, {1, 1}}};
    for (int bitCount : {8, 24, 32})
        for (const auto& size : sizes) {
            SCOPED_TRACE(::testing::Message() << bitCount << " bits, " << size[0].width << "x" << size[0].height
                                              << " to " << size[1].width << "x" << size[1].height);
            EXPECT_EQ(Stretch(Uniform(size[0], bitCount, pixel), size[0], bitCount, size[1]),
                      Uniform(size[1], bitCount, pixel));
        }
}

TEST(ImageStretchTest, AreaAverageWeighsPartlyCoveredPixelsAndKeepsTheRowOrder) {
    // Three pixels into two: each target pixel covers one and a half.
    Bytes target(2);
    ASSERT_EQ(StretchByAreaAverage(Bytes{0, 90, 180}.data(), 3, 1, 8, target.data(), 2, 1), 1);
    EXPECT_EQ(target, (Bytes{30, 150}));
    // Two pixels into three: the middle one halves both.
    target.assign(3, 0xEE);
    ASSERT_EQ(StretchByAreaAverage(Bytes{0, 100}.data(), 2, 1, 8, target.data(), 3, 1), 1);
    EXPECT_EQ(target, (Bytes{0, 50, 100}));
    // The first memory rows dark, the last ones light; halving keeps that.
    Bytes rows(8 * 8, 200), halved(4 * 4, 200);
    std::fill_n(rows.begin(), 32, 10);
    std::fill_n(halved.begin(), 8, 10);
    EXPECT_EQ(Stretch(rows, {8, 8}, 8, {4, 4}), halved);
    // Ratios the scaler refuses fall back to the same averages.
    Bytes ramp(30000, 200);
    std::fill_n(ramp.begin(), 15000, 0);
    EXPECT_EQ(Stretch(ramp, {1, 30000}, 8, {1, 2}), (Bytes{0, 200}));
    EXPECT_EQ(Stretch(ramp, {30000, 1}, 8, {1, 1}), (Bytes{100}));
}

TEST(ImageStretchTest, ShrinkingFollowsTheAreaAverageUpToRounding) {
    const Size sizes[][2] = {{{64, 48}, {32, 24}}, {{101, 77}, {37, 29}}, {{63, 47}, {21, 47}}, {{640, 480}, {97, 61}},
                             {{4, 4}, {1, 1}}};
    for (int bitCount : {8, 24, 32})
        for (const auto& size : sizes) {
            SCOPED_TRACE(::testing::Message() << bitCount << " bits, " << size[0].width << "x" << size[0].height);
            const Bytes source = Smooth(size[0], bitCount);
            Bytes exact(static_cast<std::size_t>(bitCount / 8) * size[1].width * size[1].height);
            ASSERT_EQ(StretchByAreaAverage(source.data(), size[0].width, size[0].height, bitCount, exact.data(),
                                           size[1].width, size[1].height),
                      1);
            const Bytes stretched = Stretch(source, size[0], bitCount, size[1]);
            for (std::size_t i = 0; i < exact.size(); ++i) ASSERT_NEAR(stretched[i], exact[i], 2) << "byte " << i;
        }
}

}  // namespace
}  // namespace qcx
