// Grey modes: every pixel is the mean of the 2 x 2 block to its right and
// below, which always holds one red, one blue and two green samples, so the
// colour order plays no part.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "camera/imaging/bayer_routines.h"
#include "camera/imaging/bayer_simd.h"

namespace qcx::bayer {
namespace {

template <class T, bool kBottomUp>
struct GreyMean {
    static T* Row(T* out, int y, int width, int height) {
        return out + static_cast<std::ptrdiff_t>(kBottomUp ? height - 1 - y : y) * width;
    }

    static void Run(const void* rawData, int width, int height, void* outData) {
        const auto* raw = static_cast<const T*>(rawData);
        auto* out = static_cast<T*>(outData);
        GreyKernel kernel = nullptr;
        if constexpr (std::is_same_v<T, std::uint8_t>) kernel = ActiveSimdKernels().greyRow;
        for (int y = 0; y < height - 1; ++y) {
            const T* a = raw + static_cast<std::ptrdiff_t>(y) * width;
            const T* b = a + width;
            T* o = Row(out, y, width, height);
            int x = 0;
            if constexpr (std::is_same_v<T, std::uint8_t>) {
                if (kernel != nullptr) x = kernel(a, b, o, x, width - 1);
            }
            for (; x < width - 1; ++x) o[x] = static_cast<T>((a[x] + a[x + 1] + b[x] + b[x + 1]) >> 2);
            // The last column has no block of its own and repeats its neighbour.
            o[width - 1] = o[width - 2];
        }
        // Likewise the last row repeats the row above it.
        std::memcpy(Row(out, height - 1, width, height), Row(out, height - 2, width, height), sizeof(T) * width);
    }
};

}  // namespace

ConvertRoutine GreyRoutine(bool sixteenBit, bool bottomUp) {
    if (sixteenBit) return bottomUp ? &GreyMean<std::uint16_t, true>::Run : &GreyMean<std::uint16_t, false>::Run;
    return bottomUp ? &GreyMean<std::uint8_t, true>::Run : &GreyMean<std::uint8_t, false>::Run;
}

}  // namespace qcx::bayer
