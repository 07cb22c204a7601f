// Every Bayer mode, filter mode and sample width of the fast routines against
// the plain model, bit for bit, on frames of odd and even sizes, once per
// vector instruction level the processor has (the plain code included). The
// conversions allocate nothing: this program counts the global allocations.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "bayer/frame_maker.h"
#include "bayer/reference_demosaic.h"
#include "camera/imaging/bayer_filter.h"
#include "camera/imaging/bayer_simd.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

// The counting operators below allocate with malloc, so free is their match.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size != 0 ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using FrameSize = std::pair<int, int>;  // width, height

class ExactnessTest : public ::testing::TestWithParam<FrameSize> {};

TEST_P(ExactnessTest, EveryModeAndLevelMatchesTheModel) {
    const auto [w, h] = GetParam();
    const long counted = g_allocations.load();
    ::operator delete(::operator new(16));
    ASSERT_EQ(g_allocations.load() - counted, 1) << "the counting sees an allocation";
    const Bytes pattern = test::PatternBuffer(w, h);
    for (int frame = 0; frame < 5; ++frame) {  // 8-bit noise, extremes and smooth, 16-bit noise and extremes
        const bool sixteenBit = frame >= 3;
        const auto scene = static_cast<test::Scene>(frame % 3);
        const std::vector<int> samples = test::MakeSamples(w, h, sixteenBit, scene, 11 + frame);
        const Bytes raw = test::RawBytes(samples, sixteenBit);
        const test::ReferenceDemosaic model(samples, w, h);
        for (int bayerMode = -1; bayerMode <= 24; ++bayerMode) {
            Bytes wants[5], actual;  // the model once per method it tells apart
            for (int filterMode : {0, 1, 2, 3, 4, 7, -1}) {
                Bytes& want = wants[sixteenBit ? 0 : filterMode >= 0 && filterMode <= 4 ? filterMode : 1];
                if (want.empty()) model.Convert(sixteenBit, bayerMode, filterMode, want = pattern);
                for (int level = 0; level <= static_cast<int>(BayerSimdLevelSupported()); ++level) {
                    LimitBayerSimd(static_cast<BayerSimdLevel>(level));
                    actual = pattern;
                    CQCXBayerFilter filter;
                    const long before = g_allocations.load();
                    const int result =
                        filter.ConvertRawToImage(raw.data(), w, h, actual.data(), sixteenBit, bayerMode, filterMode);
                    LimitBayerSimd(BayerSimdLevel::kAvx2);
                    ASSERT_EQ(std::pair(result, g_allocations.load() - before), std::pair(1, 0L)) << "allocations";
                    if (actual == want) continue;
                    FAIL() << "byte " << std::mismatch(want.begin(), want.end(), actual.begin()).first - want.begin()
                           << " differs in Bayer mode " << bayerMode << ", filter mode " << filterMode << ", frame "
                           << frame << ", level " << level;
                }
            }
        }
        EXPECT_EQ(raw, test::RawBytes(samples, sixteenBit)) << "the raw frame is only read";
    }
}

// Odd and even sizes from the smallest convertible frame up, with widths on
// either side of the vector block sizes, and frames wide enough to be worked
// in several strips. The filter runs on the caller's thread alone, so the
// thread sanitizer build leaves out the largest frame, which takes minutes
// there.
std::vector<FrameSize> Sizes() {
    std::vector<FrameSize> sizes = {{3, 3},   {4, 3},   {3, 4},   {4, 4},    {5, 5},    {6, 7},   {7, 6},
                                    {17, 9},  {18, 4},  {19, 5},  {34, 3},   {35, 6},   {50, 5},  {64, 33},
                                    {67, 8},  {101, 77}, {130, 3}, {1030, 5}, {2100, 7}};
#ifndef __SANITIZE_THREAD__
    sizes.push_back({640, 480});
#endif
    return sizes;
}

INSTANTIATE_TEST_SUITE_P(Sizes, ExactnessTest, ::testing::ValuesIn(Sizes()),
                         [](const auto& info) {
                             return std::to_string(info.param.first) + "x" + std::to_string(info.param.second);
                         });

}  // namespace
}  // namespace qcx
