// The Bayer filter's entry points: the choice of routine for a conversion,
// the output bit count and the raw-edge patch.
#include "camera/imaging/bayer_filter.h"

#include <cstddef>
#include <cstring>

#include "camera/common/status.h"
#include "camera/imaging/bayer_routines.h"

namespace qcx {

namespace {

// Bayer modes 0..15 are colour (8..15 with four bytes per pixel), 16..23 grey.
constexpr int kFirstGreyMode = 16;
constexpr int kModeCount = 24;

const bayer::ColourRoutineTable& MethodRoutines(int filterMode) {
    switch (filterMode) {
        case 0: return bayer::BlockCopyRoutines8();
        case 2: return bayer::ColourRatioRoutines();
        case 3: return bayer::EdgeDirectedRoutines();
        case 4: return bayer::GradientRoutines();
        default: return bayer::BilinearRoutines();
    }
}

}  // namespace

CQCXBayerFilter::~CQCXBayerFilter() = default;

int CQCXBayerFilter::ConvertRawToImage(const void* raw, int width, int height, void* out, bool sixteenBit,
                                       int bayerMode, int filterMode) const {
    // The cameras never deliver frames too small for a border ring.
    if (bayerMode < 0 || bayerMode >= kModeCount || width < 3 || height < 3) return status::kSuccess;
    bayer::ConvertRoutine routine;
    if (bayerMode >= kFirstGreyMode) {
        // 16-bit frames run their rows the other way round in every group.
        const bool bottomUp = (bayerMode < 20) != sixteenBit;
        routine = bayer::GreyRoutine(sixteenBit, bottomUp);
    } else if (sixteenBit) {
        routine = bayer::BlockCopyRoutines16().byMode[bayerMode];
    } else {
        routine = MethodRoutines(filterMode).byMode[bayerMode];
    }
    routine(raw, width, height, out);
    return status::kSuccess;
}

int GetOutputBitCount(int outputMode, int bayerMode) {
    if (outputMode == 0) return 8;
    if (bayerMode >= 8 && bayerMode <= 15) return 32;
    if (bayerMode >= 16 && bayerMode <= 23) return 8;
    return 24;
}

void PatchRawEdges(std::uint8_t* raw, int width, int height) {
    if (width < 4 || height < 3) return;
    for (int y = 0; y < height - 1; ++y) {
        std::uint8_t* row = raw + static_cast<std::ptrdiff_t>(y) * width;
        row[width - 1] = row[width - 3];
        row[width - 2] = row[width - 4];
    }
    std::memcpy(raw + static_cast<std::ptrdiff_t>(height - 1) * width,
                raw + static_cast<std::ptrdiff_t>(height - 3) * width, static_cast<std::size_t>(width));
}

}  // namespace qcx
