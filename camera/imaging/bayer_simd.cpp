// Which vector kernels the demosaic routines use: the best the processor
// has, unless a cap was set.
#include "camera/imaging/bayer_simd.h"

#include <atomic>

namespace qcx {

namespace {

std::atomic<int> g_levelCap{static_cast<int>(BayerSimdLevel::kAvx2)};

constexpr bayer::SimdKernels kScalarKernels{};

}  // namespace

BayerSimdLevel BayerSimdLevelSupported() {
#if defined(__x86_64__) || defined(__i386__)
    static const BayerSimdLevel supported = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx2")) return BayerSimdLevel::kAvx2;
        if (__builtin_cpu_supports("ssse3")) return BayerSimdLevel::kSsse3;
        return BayerSimdLevel::kScalar;
    }();
    return supported;
#else
    return BayerSimdLevel::kScalar;
#endif
}

BayerSimdLevel BayerSimdLevelInUse() {
    const int cap = g_levelCap.load(std::memory_order_relaxed);
    const int supported = static_cast<int>(BayerSimdLevelSupported());
    return static_cast<BayerSimdLevel>(cap < supported ? cap : supported);
}

void LimitBayerSimd(BayerSimdLevel level) { g_levelCap.store(static_cast<int>(level), std::memory_order_relaxed); }

namespace bayer {

const SimdKernels& ActiveSimdKernels() {
    switch (BayerSimdLevelInUse()) {
        case BayerSimdLevel::kAvx2: return Avx2Kernels();
        case BayerSimdLevel::kSsse3: return Ssse3Kernels();
        default: return kScalarKernels;
    }
}

}  // namespace bayer

}  // namespace qcx
