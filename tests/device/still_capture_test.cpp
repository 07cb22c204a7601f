// Still capture with the real MT9V032 driver against the simulated chip:
// the colour image is the Bayer conversion of the raw frame of the same scene.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "camera/imaging/bayer_filter.h"
#include "support/library_fixture.h"

namespace qcx {
namespace {

class StillCaptureTest : public test::LibraryTest {
protected:
    void SetUp() override {
        LibraryTest::SetUp();
        qcx::testing::SetSensorDriverFactory(nullptr);  // the library's own drivers
        setenv("QCX_SIM_SCENE", "ramp", 1);
        setenv("QCX_SIM_TIMING", "fast", 1);
    }
    void TearDown() override {
        LibraryTest::TearDown();
        unsetenv("QCX_SIM_SCENE");
        unsetenv("QCX_SIM_TIMING");
    }
};

TEST_F(StillCaptureTest, AColourCaptureIsTheConversionOfTheRawCaptureOfTheSameFrame) {
    UseCameras("21");
    ASSERT_EQ(QCX_Init(), 1);
    // A window whose colour order starts on another site than the full frame.
    ASSERT_EQ(QCX_CaptureSetFieldOfView(0, 100, 50, 320, 240, 0, 0), 1);
    int width = 0, height = 0, bits = 0;
    ASSERT_EQ(QCX_CaptureGetSizeEx(0, &width, &height, &bits), 1);
    ASSERT_EQ(bits, 24);

    std::vector<unsigned char> raw(static_cast<std::size_t>(width) * height);
    ASSERT_EQ(QCX_CaptureRawData(0, raw.data()), 1);
    std::vector<unsigned char> expected(raw.size() * 3);
    ASSERT_EQ(CQCXBayerFilter().ConvertRawToImage(raw.data(), width, height, expected.data(), false, 0, 1), 1);

    std::vector<unsigned char> image(raw.size() * 3);
    ASSERT_EQ(QCX_CaptureRgbData(0, image.data()), 1);
    EXPECT_EQ(image, expected);
    int w = 0, h = 0;
    std::fill(image.begin(), image.end(), 0);
    ASSERT_EQ(QCX_CaptureRgbDataExAfterEmptyFrameBuffer(0, image.data(), &w, &h, &bits), 1);
    EXPECT_EQ(image, expected);
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);
}

TEST_F(StillCaptureTest, AFailedReadLeavesTheColourBufferAsItWas) {
    UseCameras("21");
    ASSERT_EQ(QCX_Init(), 1);
    int width = 0, height = 0;
    ASSERT_EQ(QCX_CaptureGetSize(0, &width, &height), 1);
    std::vector<unsigned char> image(static_cast<std::size_t>(width) * height * 3, 0x5A);
    ASSERT_EQ(QCX_CaptureSetTimeOut(0, 0), 1);
    int w = 0, h = 0, bits = 0;
    EXPECT_EQ(QCX_CaptureRgbDataEx(0, image.data(), &w, &h, &bits), -10);
    EXPECT_EQ(w, width) << "the sizes are reported whatever the read gave";
    EXPECT_EQ(bits, 24);
    bits = 0;
    EXPECT_EQ(QCX_CaptureRgbDataExAfterEmptyFrameBuffer(0, image.data(), &w, &h, &bits), -10);
    EXPECT_EQ(bits, 0) << "after a flush the bit count is stored only for a frame";
    for (unsigned char b : image) ASSERT_EQ(b, 0x5A);
}

}  // namespace
}  // namespace qcx
