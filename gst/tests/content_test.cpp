// Frames of the ramp scene, (c + 2r) mod 256 at sensor column c and row r:
// one more along a row, two more down a column, so a flipped or mirrored
// image shows; and their time stamps.
#include <algorithm>

#include "qcxsrc_test_support.h"

namespace {

class ContentTest : public qcxtest::QcxSrcTest {
protected:
    // The ramp's shares in each colour channel of the first frame of
    // `launch`, `margin` pixels from the edges, the last two columns and the
    // last row left out: the library's raw-edge patch fills them with the
    // samples two columns or rows before them.
    static std::vector<std::pair<double, double>> Shares(const char* launch, int margin) {
        qcxtest::Source source(launch);
        const qcxtest::Frame frame = source.Pull();
        const qcxtest::Caps caps = source.NegotiatedCaps();
        const int pixelBytes = int(frame.bytes.size() / (std::size_t(caps.width) * caps.height));
        std::vector<std::pair<double, double>> shares;
        for (int channel = 0; channel < std::min(pixelBytes, 3); ++channel)
            shares.push_back(
                qcxtest::RampShares(frame.bytes, caps.width, caps.height, pixelBytes, channel, margin, 2, 1));
        return shares;
    }
};

// Raw frames come top row first and follow the ramp exactly.
TEST_F(ContentTest, RawFramesFollowTheRampTopRowFirst) {
    for (const char* launch :
         {"qcxsrc simulate=21 raw=true", "qcxsrc simulate=21 raw=true fov=64,32,320,240",
          "qcxsrc simulate=8 raw=true", "qcxsrc simulate=19 raw=true", "qcxsrc simulate=22 raw=true"})
        for (const auto& [alongRows, downColumns] : Shares(launch, 0)) {
            EXPECT_EQ(alongRows, 1.0) << launch;
            EXPECT_EQ(downColumns, 1.0) << launch;
        }
}

// Interpolating a ramp gives the ramp in every channel, except where a
// neighbourhood straddles its wrap from 255 to 0. Whatever row order the
// Bayer mode asks for, the rows come top row first; so do the grey images of
// monochrome cameras, CCDs among them.
TEST_F(ContentTest, ProcessedFramesAreUpright) {
    for (const char* launch :
         {"qcxsrc simulate=21", "qcxsrc simulate=21 bayer-mode=0", "qcxsrc simulate=21 bayer-mode=8",
          "qcxsrc simulate=21 bayer-mode=16", "qcxsrc simulate=8", "qcxsrc simulate=19", "qcxsrc simulate=22",
          "qcxsrc simulate=49 exposure=10"})
        for (const auto& [alongRows, downColumns] : Shares(launch, 2)) {
            EXPECT_GT(alongRows, 0.95) << launch;
            EXPECT_GT(downColumns, 0.95) << launch;
        }
}

// In realtime timing each buffer is stamped when its frame arrived: the
// stamps rise by the sensor's frame time, which the exposure sets here
// (twice that where a busy machine made the element miss a frame), and the
// durations, a running average of the intervals, come close to it.
TEST_F(ContentTest, StampsFollowTheFramesArrival) {
    setenv("QCX_SIM_TIMING", "realtime", 1);
    qcxtest::Source source("qcxsrc simulate=21 exposure=30");
    std::vector<qcxtest::Frame> frames;
    for (int i = 0; i < 25; ++i) frames.push_back(source.Pull());
    double frameMs = 0;
    ASSERT_EQ(QCXSimGetFrameTime(FirstSimulatedNode(), &frameMs), QCXSIM_OK);
    std::vector<double> intervalsMs;
    for (std::size_t i = 1; i < frames.size(); ++i) {
        ASSERT_TRUE(GST_CLOCK_TIME_IS_VALID(frames[i].pts));
        ASSERT_GT(frames[i].pts, frames[i - 1].pts);
        EXPECT_EQ(frames[i].offset, frames[i - 1].offset + 1);
        EXPECT_TRUE(GST_CLOCK_TIME_IS_VALID(frames[i].duration));
        intervalsMs.push_back((frames[i].pts - frames[i - 1].pts) / 1e6);
    }
    std::sort(intervalsMs.begin(), intervalsMs.end());
    EXPECT_NEAR(intervalsMs[intervalsMs.size() / 2], frameMs, frameMs / 10);
    EXPECT_NEAR(frames.back().duration / 1e6, frameMs, frameMs / 2);
}

}  // namespace
