// Conversions allocate nothing: this test program replaces the global
// allocation functions with counting ones and converts frames in every mode,
// on every vector level, including frames wide enough for several strips.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "bayer/frame_maker.h"
#include "camera/imaging/bayer_filter.h"
#include "camera/imaging/bayer_simd.h"

namespace {
std::atomic<long> g_allocations{0};
}  // namespace

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

TEST(BayerAllocationTest, ConversionsInEveryModeAllocateNothing) {
    const long counted = g_allocations.load();
    ::operator delete(::operator new(16));
    ASSERT_EQ(g_allocations.load() - counted, 1) << "the counting sees an allocation";
    for (auto [w, h] : {std::pair{64, 33}, std::pair{2100, 7}}) {
        for (bool sixteenBit : {false, true}) {
            const std::vector<std::uint8_t> raw =
                test::RawBytes(test::MakeSamples(w, h, sixteenBit, test::Scene::kExtremes, 31), sixteenBit);
            std::vector<std::uint8_t> out(static_cast<std::size_t>(w) * h * 8);
            CQCXBayerFilter filter;
            for (int level = 0; level <= static_cast<int>(BayerSimdLevelSupported()); ++level) {
                LimitBayerSimd(static_cast<BayerSimdLevel>(level));
                const long before = g_allocations.load();
                for (int bayerMode = -1; bayerMode <= 24; ++bayerMode) {
                    for (int filterMode : {0, 1, 2, 3, 4, 7}) {
                        filter.ConvertRawToImage(raw.data(), w, h, out.data(), sixteenBit, bayerMode, filterMode);
                    }
                }
                EXPECT_EQ(g_allocations.load() - before, 0)
                    << w << "x" << h << (sixteenBit ? " 16-bit" : " 8-bit") << ", level " << level;
            }
        }
    }
    LimitBayerSimd(BayerSimdLevel::kAvx2);
}

}  // namespace
}  // namespace qcx
