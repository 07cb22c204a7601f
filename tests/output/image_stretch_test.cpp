// Resizing images in memory: area averages, row order, and sizes of all kinds.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
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
Bytes Stretch(Bytes source, Size from, int bitCount, Size to, int* status = nullptr) {
    Bytes target(static_cast<std::size_t>(bitCount / 8) * to.width * to.height, 0xEE);
    const int result = QCX_HelperStretchBmp(source.data(), from.width, from.height, bitCount, target.data(), to.width,
                                            to.height);
    if (status != nullptr) *status = result;
    else EXPECT_EQ(result, 1);
    return target;
}

Bytes Uniform(Size size, int bitCount, const std::uint8_t pixel[4]) {
    const int pixelBytes = bitCount / 8;
    Bytes image(static_cast<std::size_t>(pixelBytes) * size.width * size.height);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = pixel[i % pixelBytes];
    return image;
}

// Smooth, with some structure: what a camera picture looks like to a filter.
Bytes Smooth(Size size, int bitCount) {
    const int pixelBytes = bitCount / 8;
    Bytes image(static_cast<std::size_t>(pixelBytes) * size.width * size.height);
    for (int y = 0; y < size.height; ++y)
        for (int x = 0; x < size.width; ++x)
            for (int c = 0; c < pixelBytes; ++c)
                image[(static_cast<std::size_t>(y) * size.width + x) * pixelBytes + c] =
                    static_cast<std::uint8_t>(x * 120 / size.width + y * (c + 1) * 15 / size.height +
                                              ((x / 9 + y / 6) % 2) * 40);
    return image;
}

int MaxDifference(const Bytes& a, const Bytes& b) {
    int largest = 0;
    for (std::size_t i = 0; i < a.size(); ++i) largest = std::max(largest, std::abs(a[i] - b[i]));
    return largest;
}

TEST(ImageStretchTest, RefusesBadArguments) {
    Bytes source(64, 1);
    Bytes target(64, 0xEE);
    EXPECT_EQ(QCX_HelperStretchBmp(source.data(), 2, 2, 24, target.data(), 2, 0), -1);
    EXPECT_EQ(QCX_HelperStretchBmp(source.data(), 2, 2, 24, target.data(), 2, -3), -1);
    EXPECT_EQ(QCX_HelperStretchBmp(source.data(), 2, 2, 24, target.data(), 0, 2), -1);
    EXPECT_EQ(QCX_HelperStretchBmp(source.data(), 0, 2, 24, target.data(), 2, 2), -1);
    EXPECT_EQ(QCX_HelperStretchBmp(source.data(), 2, -1, 24, target.data(), 2, 2), -1);
    EXPECT_EQ(QCX_HelperStretchBmp(source.data(), 2, 2, 16, target.data(), 2, 2), -1);
    EXPECT_EQ(QCX_HelperStretchBmp(nullptr, 2, 2, 24, target.data(), 2, 2), -1);
    EXPECT_EQ(QCX_HelperStretchBmp(source.data(), 2, 2, 24, nullptr, 2, 2), -1);
    EXPECT_EQ(target, Bytes(64, 0xEE));
    EXPECT_EQ(StretchByAreaAverage(source.data(), 2, 2, 24, target.data(), 2, 0), -1);
}

TEST(ImageStretchTest, UniformImagesStayUniform) {
    const std::uint8_t pixel[4] = {200, 30, 90, 17};
    const Size sizes[][2] = {{{37, 23}, {13, 11}}, {{37, 23}, {91, 57}}, {{64, 48}, {64, 48}},
                             {{267, 81}, {249, 3}}, {{4, 86}, {176, 7}},  {{5, 1}, {3, 1}}};
    for (int bitCount : {8, 24, 32})
        for (const auto& size : sizes) {
            SCOPED_TRACE(::testing::Message() << bitCount << " bits, " << size[0].width << "x" << size[0].height
                                              << " to " << size[1].width << "x" << size[1].height);
            EXPECT_EQ(Stretch(Uniform(size[0], bitCount, pixel), size[0], bitCount, size[1]),
                      Uniform(size[1], bitCount, pixel));
        }
}

TEST(ImageStretchTest, OnePixelTargetIsTheMean) {
    for (int bitCount : {8, 24, 32}) {
        SCOPED_TRACE(bitCount);
        const int pixelBytes = bitCount / 8;
        Bytes source(static_cast<std::size_t>(pixelBytes) * 16);
        Bytes mean(pixelBytes);
        for (int c = 0; c < pixelBytes; ++c) {
            for (int i = 0; i < 16; ++i) source[i * pixelBytes + c] = static_cast<std::uint8_t>(i * 10 + c * 3);
            mean[c] = static_cast<std::uint8_t>(75 + c * 3);  // (0 + 150) / 2 + c * 3
        }
        EXPECT_LE(MaxDifference(Stretch(source, {4, 4}, bitCount, {1, 1}), mean), 1);
    }
}

TEST(ImageStretchTest, OnePixelSourceIsCopiedEverywhere) {
    const std::uint8_t pixel[4] = {10, 20, 30, 40};
    for (int bitCount : {8, 24, 32}) {
        SCOPED_TRACE(bitCount);
        EXPECT_EQ(Stretch(Uniform({1, 1}, bitCount, pixel), {1, 1}, bitCount, {7, 5}), Uniform({7, 5}, bitCount, pixel));
    }
}

TEST(ImageStretchTest, RowsKeepTheirOrder) {
    // The first memory rows dark, the last ones light; halving keeps that.
    Bytes source(8 * 8);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) source[y * 8 + x] = y < 4 ? 10 : 200;
    const Bytes target = Stretch(source, {8, 8}, 8, {4, 4});
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) EXPECT_EQ(target[y * 4 + x], y < 2 ? 10 : 200) << x << "," << y;
}

TEST(ImageStretchTest, AreaAverageWeighsPartlyCoveredPixels) {
    // Three pixels into two: each target pixel covers one and a half.
    Bytes source = {0, 90, 180};
    Bytes target(2);
    ASSERT_EQ(StretchByAreaAverage(source.data(), 3, 1, 8, target.data(), 2, 1), 1);
    EXPECT_EQ(target, (Bytes{30, 150}));
    // Two pixels into three: the middle one halves both.
    source = {0, 100};
    target.assign(3, 0xEE);
    ASSERT_EQ(StretchByAreaAverage(source.data(), 2, 1, 8, target.data(), 3, 1), 1);
    EXPECT_EQ(target, (Bytes{0, 50, 100}));
}

TEST(ImageStretchTest, ShrinkingFollowsTheAreaAverageUpToRounding) {
    const Size sizes[][2] = {{{64, 48}, {32, 24}}, {{101, 77}, {37, 29}}, {{63, 47}, {21, 47}}, {{640, 480}, {97, 61}}};
    for (int bitCount : {8, 24, 32})
        for (const auto& size : sizes) {
            SCOPED_TRACE(::testing::Message() << bitCount << " bits, " << size[0].width << "x" << size[0].height);
            const Bytes source = Smooth(size[0], bitCount);
            Bytes exact(static_cast<std::size_t>(bitCount / 8) * size[1].width * size[1].height);
            ASSERT_EQ(StretchByAreaAverage(source.data(), size[0].width, size[0].height, bitCount, exact.data(),
                                           size[1].width, size[1].height),
                      1);
            const Bytes stretched = Stretch(source, size[0], bitCount, size[1]);
            EXPECT_LE(MaxDifference(stretched, exact), 2);
        }
}

TEST(ImageStretchTest, SizesTheScalerRefusesStillWork) {
    const std::uint8_t pixel[4] = {60, 120, 180, 240};
    // Very wide targets and very large ratios in both directions.
    EXPECT_EQ(Stretch(Uniform({1, 1}, 8, pixel), {1, 1}, 8, {20000, 1}), Uniform({20000, 1}, 8, pixel));
    EXPECT_EQ(Stretch(Uniform({1, 1}, 24, pixel), {1, 1}, 24, {1, 20000}), Uniform({1, 20000}, 24, pixel));
    EXPECT_EQ(Stretch(Uniform({100000, 1}, 32, pixel), {100000, 1}, 32, {1, 1}), Uniform({1, 1}, 32, pixel));
    Bytes ramp(30000);
    for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = i < 15000 ? 0 : 200;
    EXPECT_EQ(Stretch(ramp, {1, 30000}, 8, {1, 2}), (Bytes{0, 200}));
    EXPECT_EQ(Stretch(ramp, {30000, 1}, 8, {1, 1}), (Bytes{100}));
}

}  // namespace
}  // namespace qcx
