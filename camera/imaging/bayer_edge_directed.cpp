// Edge-directed interpolation: bilinear, except that green at a red or blue site
// follows the direction in which the neighbours differ less.
#include <cstdint>

#include "camera/imaging/bayer_block_rule.h"
#include "camera/imaging/bayer_interpolation.h"
#include "camera/imaging/bayer_routines.h"

namespace qcx::bayer {
namespace {

template <class L>
struct EdgeDirected {
    static void Run(const void* rawData, int width, int height, void* outData) {
        const auto* raw = static_cast<const std::uint8_t*>(rawData);
        auto* out = static_cast<std::uint8_t*>(outData);
        BorderRing<L, 1>(raw, width, height, out);
        InterpolateInterior<L, true>(raw, width, height, out, ActiveSimdKernels().edgeDirectedRow[L::kChannels == 4]);
    }
};

constexpr ColourRoutineTable kEdgeDirected = MakeColourRoutineTable<EdgeDirected, true>();

}  // namespace

const ColourRoutineTable& EdgeDirectedRoutines() { return kEdgeDirected; }

}  // namespace qcx::bayer
