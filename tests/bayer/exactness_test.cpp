// Every Bayer mode, filter mode and sample width of the fast routines against
// the plain model, bit for bit, on frames of odd and even sizes, once per
// vector instruction level the processor has (the plain code included).
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "bayer/frame_maker.h"
#include "bayer/reference_demosaic.h"
#include "camera/imaging/bayer_filter.h"
#include "camera/imaging/bayer_simd.h"

namespace qcx {
namespace {

using test::MakeSamples;
using test::PatternBuffer;
using test::RawBytes;
using test::ReferenceDemosaic;
using test::Scene;

constexpr int kFilterModes[] = {0, 1, 2, 3, 4, 7, -1};

std::vector<BayerSimdLevel> LevelsToTest() {
    std::vector<BayerSimdLevel> levels{BayerSimdLevel::kScalar};
    for (BayerSimdLevel l : {BayerSimdLevel::kSsse3, BayerSimdLevel::kAvx2}) {
        if (static_cast<int>(l) <= static_cast<int>(BayerSimdLevelSupported())) levels.push_back(l);
    }
    return levels;
}

// Restores the processor's best level when a test ends.
struct SimdLevelGuard {
    ~SimdLevelGuard() { LimitBayerSimd(BayerSimdLevel::kAvx2); }
};

// Describes the first byte where two buffers differ.
std::string FirstDifference(const std::vector<std::uint8_t>& expected, const std::vector<std::uint8_t>& actual) {
    for (std::size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] != actual[i]) {
            std::ostringstream text;
            text << "byte " << i << ": expected " << int(expected[i]) << ", got " << int(actual[i]);
            return text.str();
        }
    }
    return "no difference";
}

struct FrameSize {
    int width;
    int height;
};

std::ostream& operator<<(std::ostream& os, const FrameSize& s) { return os << s.width << "x" << s.height; }

// Filter modes that the conversion treats alike: 16-bit frames always get
// block copy, unknown filter modes bilinear. The model is run once per
// distinct method.
int SameMethodAs(int filterMode, bool sixteenBit) {
    if (sixteenBit) return 0;
    return filterMode >= 0 && filterMode <= 4 ? filterMode : 1;
}

class ExactnessTest : public ::testing::TestWithParam<FrameSize> {
protected:
    // Converts the frame with every mode combination and every level and
    // compares with the model; stops at the first mismatch.
    void CheckAllModes(Scene scene, bool sixteenBit, unsigned seed) {
        const FrameSize size = GetParam();
        const std::vector<int> samples = MakeSamples(size.width, size.height, sixteenBit, scene, seed);
        const std::vector<std::uint8_t> raw = RawBytes(samples, sixteenBit);
        const std::vector<std::uint8_t> rawCopy = raw;
        const std::vector<std::uint8_t> pattern = PatternBuffer(size.width, size.height);
        const ReferenceDemosaic model(samples, size.width, size.height);
        const std::vector<BayerSimdLevel> levels = LevelsToTest();
        SimdLevelGuard guard;
        std::vector<std::uint8_t> actual;
        for (int bayerMode = -1; bayerMode <= 24; ++bayerMode) {
            std::vector<std::uint8_t> expected[5];
            for (int filterMode : kFilterModes) {
                std::vector<std::uint8_t>& want = expected[SameMethodAs(filterMode, sixteenBit)];
                if (want.empty()) {
                    want = pattern;
                    model.Convert(sixteenBit, bayerMode, filterMode, want);
                }
                for (BayerSimdLevel level : levels) {
                    LimitBayerSimd(level);
                    actual = pattern;
                    CQCXBayerFilter filter;
                    ASSERT_EQ(filter.ConvertRawToImage(raw.data(), size.width, size.height, actual.data(),
                                                       sixteenBit, bayerMode, filterMode),
                              1);
                    if (actual == want) continue;
                    FAIL() << FirstDifference(want, actual) << " in Bayer mode " << bayerMode << ", filter mode "
                           << filterMode << (sixteenBit ? ", 16-bit" : ", 8-bit") << ", level "
                           << static_cast<int>(level);
                }
            }
        }
        EXPECT_EQ(raw, rawCopy) << "the raw frame is only read";
    }
};

TEST_P(ExactnessTest, NoiseFrames8Bit) { CheckAllModes(Scene::kNoise, false, 11); }
TEST_P(ExactnessTest, ExtremeFrames8Bit) { CheckAllModes(Scene::kExtremes, false, 12); }
TEST_P(ExactnessTest, SmoothFrames8Bit) { CheckAllModes(Scene::kSmooth, false, 13); }
TEST_P(ExactnessTest, NoiseFrames16Bit) { CheckAllModes(Scene::kNoise, true, 14); }
TEST_P(ExactnessTest, ExtremeFrames16Bit) { CheckAllModes(Scene::kExtremes, true, 15); }

// Odd and even sizes from the smallest convertible frame up, with widths on
// either side of the vector block sizes, and frames wide enough to be worked
// in several strips.
INSTANTIATE_TEST_SUITE_P(Sizes, ExactnessTest,
                         ::testing::Values(FrameSize{3, 3}, FrameSize{4, 3}, FrameSize{3, 4}, FrameSize{4, 4},
                                           FrameSize{5, 5}, FrameSize{6, 7}, FrameSize{7, 6}, FrameSize{17, 9},
                                           FrameSize{18, 4}, FrameSize{19, 5}, FrameSize{34, 3}, FrameSize{35, 6},
                                           FrameSize{50, 5}, FrameSize{64, 33}, FrameSize{67, 8},
                                           FrameSize{101, 77}, FrameSize{130, 3}, FrameSize{1030, 5},
                                           FrameSize{2100, 7}, FrameSize{640, 480}),
                         [](const ::testing::TestParamInfo<FrameSize>& info) {
                             return std::to_string(info.param.width) + "x" + std::to_string(info.param.height);
                         });

}  // namespace
}  // namespace qcx
