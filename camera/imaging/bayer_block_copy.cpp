// Block copy: every pixel by the block rule, no arithmetic. The 16-bit
// family is what 16-bit frames always get, whatever the filter mode.
#include <cstdint>

#include "camera/imaging/bayer_block_rule.h"
#include "camera/imaging/bayer_routines.h"
#include "camera/imaging/bayer_simd.h"

namespace qcx::bayer {
namespace {

template <class L>
struct BlockCopy8 {
    static void Run(const void* rawData, int width, int height, void* outData) {
        const auto* raw = static_cast<const std::uint8_t*>(rawData);
        auto* out = static_cast<std::uint8_t*>(outData);
        const RowKernel kernel = ActiveSimdKernels().blockRow[L::kChannels == 4];
        for (int y = 0; y < height; ++y) {
            const BlockRows<std::uint8_t> rows = BlockRowsOf(raw, width, height, y);
            std::uint8_t* o = L::OutputRowPointer(out, y, width, height);
            const RowSites s = L::Sites(y);
            BlockColumnZero<std::uint8_t, L::kChannels>(rows.own, rows.other, o, s);
            int x = 1;
            if (kernel != nullptr) {
                const RowJob job{nullptr, rows.own, rows.other, o, s.greenParity, s.ownColour == kBlue};
                x = kernel(job, x, width);
            }
            BlockRowScalar<std::uint8_t, L::kChannels>(rows.own, rows.other, o, s, x, width);
        }
    }
};

template <class L>
struct BlockCopy16 {
    static void Run(const void* rawData, int width, int height, void* outData) {
        const auto* raw = static_cast<const std::uint16_t*>(rawData);
        auto* out = static_cast<std::uint16_t*>(outData);
        for (int y = 0; y < height; ++y) BlockRuleRow<L>(raw, width, height, y, out, 0, width);
    }
};

// 8-bit frames: modes 0..3 bottom-up; 16-bit frames: modes 0..3 top-down.
constexpr ColourRoutineTable kBlockCopy8 = MakeColourRoutineTable<BlockCopy8, true>();
constexpr ColourRoutineTable kBlockCopy16 = MakeColourRoutineTable<BlockCopy16, false>();

}  // namespace

const ColourRoutineTable& BlockCopyRoutines8() { return kBlockCopy8; }
const ColourRoutineTable& BlockCopyRoutines16() { return kBlockCopy16; }

}  // namespace qcx::bayer
