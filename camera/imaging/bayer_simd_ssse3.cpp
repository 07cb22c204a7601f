// Row kernels for SSSE3: 16 pixels per step, BGR interleaved with byte
// shuffles, BGRx written through a blend that keeps the fourth byte.
#include <cstdint>

#include "camera/imaging/bayer_simd.h"
#include "camera/imaging/bayer_spread_masks.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

// Everything from here to the pop is compiled for SSSE3.
#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("ssse3"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("ssse3")
#endif

namespace qcx::bayer {
namespace {

struct Vec128 {
    using T = __m128i;
    static constexpr int kLanes = 16;

    static T Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
    static void Store(std::uint8_t* p, T v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }
    static T Set1(int v) { return _mm_set1_epi8(static_cast<char>(v)); }
    static T EvenLanes() { return _mm_set1_epi16(0x00FF); }
    static T OddLanes() { return _mm_set1_epi16(static_cast<short>(0xFF00)); }
    static T Avg(T a, T b) { return _mm_avg_epu8(a, b); }
    static T Sub(T a, T b) { return _mm_sub_epi8(a, b); }
    static T And(T a, T b) { return _mm_and_si128(a, b); }
    static T AndNot(T a, T b) { return _mm_andnot_si128(a, b); }
    static T Xor(T a, T b) { return _mm_xor_si128(a, b); }
    static T Max(T a, T b) { return _mm_max_epu8(a, b); }
    static T CmpEq(T a, T b) { return _mm_cmpeq_epi8(a, b); }
    static T AbsDiff(T a, T b) { return _mm_or_si128(_mm_subs_epu8(a, b), _mm_subs_epu8(b, a)); }
    // mask ? a : b, lane by lane (mask lanes are all ones or all zeros).
    static T Select(T mask, T a, T b) { return _mm_or_si128(_mm_and_si128(mask, a), _mm_andnot_si128(mask, b)); }

    // Signed 16-bit lanes of the gradient-corrected method; Widen takes half
    // a block of columns, Narrow packs two halves with unsigned saturation.
    static T Set16(int v) { return _mm_set1_epi16(static_cast<short>(v)); }
    static T EvenLanes16() { return _mm_set1_epi32(0x0000FFFF); }
    static T OddLanes16() { return _mm_set1_epi32(static_cast<int>(0xFFFF0000u)); }
    static T Add16(T a, T b) { return _mm_add_epi16(a, b); }
    static T Sub16(T a, T b) { return _mm_sub_epi16(a, b); }
    static T Abs16(T a) { return _mm_abs_epi16(a); }
    static T CmpGt16(T a, T b) { return _mm_cmpgt_epi16(a, b); }
    template <int kShift>
    static T ShiftRightSigned16(T a) {
        return _mm_srai_epi16(a, kShift);
    }
    static T Widen(const std::uint8_t* p) {
        return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
    }
    static T Narrow(T low, T high) { return _mm_packus_epi16(low, high); }

    static T Mask(int piece, int channel) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(kSpread24.mask[piece][channel]));
    }

    template <int kCh>
    static void StorePixels(std::uint8_t* out, T b, T g, T r) {
        if constexpr (kCh == 3) {
            for (int piece = 0; piece < 3; ++piece) {
                const T v = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(b, Mask(piece, 0)),
                                                      _mm_shuffle_epi8(g, Mask(piece, 1))),
                                         _mm_shuffle_epi8(r, Mask(piece, 2)));
                Store(out + piece * 16, v);
            }
        } else {
            const T zero = _mm_setzero_si128();
            const T fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
            const T bgLow = _mm_unpacklo_epi8(b, g), bgHigh = _mm_unpackhi_epi8(b, g);
            const T rLow = _mm_unpacklo_epi8(r, zero), rHigh = _mm_unpackhi_epi8(r, zero);
            const T pixels[4] = {_mm_unpacklo_epi16(bgLow, rLow), _mm_unpackhi_epi16(bgLow, rLow),
                                 _mm_unpacklo_epi16(bgHigh, rHigh), _mm_unpackhi_epi16(bgHigh, rHigh)};
            for (int k = 0; k < 4; ++k) {
                const T old = Load(out + k * 16);
                Store(out + k * 16, Select(fourth, old, pixels[k]));
            }
        }
    }
};

#include "camera/imaging/bayer_simd_kernels.h"
#include "camera/imaging/bayer_simd_gradient.h"

constexpr SimdKernels kKernels = MakeSimdKernels<Vec128>();

}  // namespace

const SimdKernels& Ssse3Kernels() { return kKernels; }

}  // namespace qcx::bayer

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif

#else

namespace qcx::bayer {
const SimdKernels& Ssse3Kernels() {
    static constexpr SimdKernels kNone{};
    return kNone;
}
}  // namespace qcx::bayer

#endif
