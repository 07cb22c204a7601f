// Row kernels for AVX2: 32 pixels per step, otherwise as the SSSE3 ones.
#include <cstdint>

#include "camera/imaging/bayer_simd.h"
#include "camera/imaging/bayer_spread_masks.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

// Everything from here to the pop is compiled for AVX2.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx2"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx2")
#endif

namespace qcx::bayer {
namespace {

struct Vec256 {
    using T = __m256i;
    static constexpr int kLanes = 32;

    static T Load(const std::uint8_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
    static void Store(std::uint8_t* p, T v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
    static T Set1(int v) { return _mm256_set1_epi8(static_cast<char>(v)); }
    static T EvenLanes() { return _mm256_set1_epi16(0x00FF); }
    static T OddLanes() { return _mm256_set1_epi16(static_cast<short>(0xFF00)); }
    static T Avg(T a, T b) { return _mm256_avg_epu8(a, b); }
    static T Sub(T a, T b) { return _mm256_sub_epi8(a, b); }
    static T And(T a, T b) { return _mm256_and_si256(a, b); }
    static T AndNot(T a, T b) { return _mm256_andnot_si256(a, b); }
    static T Xor(T a, T b) { return _mm256_xor_si256(a, b); }
    static T Max(T a, T b) { return _mm256_max_epu8(a, b); }
    static T CmpEq(T a, T b) { return _mm256_cmpeq_epi8(a, b); }
    static T AbsDiff(T a, T b) { return _mm256_or_si256(_mm256_subs_epu8(a, b), _mm256_subs_epu8(b, a)); }
    // mask ? a : b, lane by lane (mask lanes are all ones or all zeros).
    static T Select(T mask, T a, T b) { return _mm256_blendv_epi8(b, a, mask); }

    // Signed 16-bit lanes of the gradient-corrected method; Widen takes half
    // a block of columns, Narrow packs two halves with unsigned saturation.
    static T Set16(int v) { return _mm256_set1_epi16(static_cast<short>(v)); }
    static T EvenLanes16() { return _mm256_set1_epi32(0x0000FFFF); }
    static T OddLanes16() { return _mm256_set1_epi32(static_cast<int>(0xFFFF0000u)); }
    static T Add16(T a, T b) { return _mm256_add_epi16(a, b); }
    static T Sub16(T a, T b) { return _mm256_sub_epi16(a, b); }
    static T Abs16(T a) { return _mm256_abs_epi16(a); }
    static T CmpGt16(T a, T b) { return _mm256_cmpgt_epi16(a, b); }
    template <int kShift>
    static T ShiftRightSigned16(T a) {
        return _mm256_srai_epi16(a, kShift);
    }
    static T Widen(const std::uint8_t* p) {
        return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
    }
    // The pack works per 128-bit half; the permute puts the quarters in order.
    static T Narrow(T low, T high) { return _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), 0xD8); }

    static T Mask(int piece, int channel) {
        return _mm256_broadcastsi128_si256(
            _mm_load_si128(reinterpret_cast<const __m128i*>(kSpread24.mask[piece][channel])));
    }

    // Each 128-bit half holds 16 pixels; the shuffles work per half, so the
    // pieces are put in order with cross-half permutes before storing.
    template <int kCh>
    static void StorePixels(std::uint8_t* out, T b, T g, T r) {
        if constexpr (kCh == 3) {
            T piece[3];
            for (int k = 0; k < 3; ++k) {
                piece[k] = _mm256_or_si256(
                    _mm256_or_si256(_mm256_shuffle_epi8(b, Mask(k, 0)), _mm256_shuffle_epi8(g, Mask(k, 1))),
                    _mm256_shuffle_epi8(r, Mask(k, 2)));
            }
            Store(out, _mm256_permute2x128_si256(piece[0], piece[1], 0x20));
            Store(out + 32, _mm256_permute2x128_si256(piece[2], piece[0], 0x30));
            Store(out + 64, _mm256_permute2x128_si256(piece[1], piece[2], 0x31));
        } else {
            const T zero = _mm256_setzero_si256();
            const T fourth = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
            const T bgLow = _mm256_unpacklo_epi8(b, g), bgHigh = _mm256_unpackhi_epi8(b, g);
            const T rLow = _mm256_unpacklo_epi8(r, zero), rHigh = _mm256_unpackhi_epi8(r, zero);
            const T p0 = _mm256_unpacklo_epi16(bgLow, rLow), p1 = _mm256_unpackhi_epi16(bgLow, rLow);
            const T p2 = _mm256_unpacklo_epi16(bgHigh, rHigh), p3 = _mm256_unpackhi_epi16(bgHigh, rHigh);
            const T pixels[4] = {_mm256_permute2x128_si256(p0, p1, 0x20), _mm256_permute2x128_si256(p2, p3, 0x20),
                                 _mm256_permute2x128_si256(p0, p1, 0x31), _mm256_permute2x128_si256(p2, p3, 0x31)};
            for (int k = 0; k < 4; ++k) {
                const T old = Load(out + k * 32);
                Store(out + k * 32, Select(fourth, old, pixels[k]));
            }
        }
    }
};

#include "camera/imaging/bayer_simd_kernels.h"
#include "camera/imaging/bayer_simd_gradient.h"

constexpr SimdKernels kKernels = MakeSimdKernels<Vec256>();

}  // namespace

const SimdKernels& Avx2Kernels() { return kKernels; }

}  // namespace qcx::bayer

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#else

namespace qcx::bayer {
const SimdKernels& Avx2Kernels() {
    static constexpr SimdKernels kNone{};
    return kNone;
}
}  // namespace qcx::bayer

#endif
