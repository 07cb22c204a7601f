// Bilinear interpolation, also what any filter mode outside 0..4 gets.
#include <cstdint>

#include "camera/imaging/bayer_block_rule.h"
#include "camera/imaging/bayer_interpolation.h"
#include "camera/imaging/bayer_routines.h"

namespace qcx::bayer {
namespace {

template <class L>
struct Bilinear {
    static void Run(const void* rawData, int width, int height, void* outData) {
        const auto* raw = static_cast<const std::uint8_t*>(rawData);
        auto* out = static_cast<std::uint8_t*>(outData);
        BorderRing<L, 1>(raw, width, height, out);
        InterpolateInterior<L, false>(raw, width, height, out, ActiveSimdKernels().bilinearRow[L::kChannels == 4]);
    }
};

constexpr ColourRoutineTable kBilinear = MakeColourRoutineTable<Bilinear, true>();

}  // namespace

const ColourRoutineTable& BilinearRoutines() { return kBilinear; }

}  // namespace qcx::bayer
