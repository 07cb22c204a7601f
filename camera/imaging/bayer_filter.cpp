// The Bayer filter's entry points: the choice of routine for a conversion,
// the output bit count, the raw-edge patch and the default Bayer modes.
#include "camera/imaging/bayer_filter.h"

#include <cstddef>
#include <cstring>
#include <span>

#include "camera/common/device_groups.h"
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

namespace {

// The default Bayer mode of each sensor family; some cameras changed their
// sensor orientation with a firmware release, so the version takes part.
using DefaultModeRule = int (*)(DeviceType type, int highByte, int lowByte);

struct DefaultModeFamily {
    std::span<const DeviceType> types;
    DefaultModeRule rule;
};

constexpr DeviceType kMt9v032Types[] = {21, 22, 23, 24, 28, 29, 36, 37};
constexpr DeviceType kCmos1280Types[] = {0, 1, 4, 5, 17, 18, 33, 34, 38, 39};
constexpr DeviceType kMt9t001Types[] = {3, 7, 12, 30, 35, 40};
constexpr DeviceType kMt9p001Types[] = {8, 9, 10, 11, 31, 32, 41, 42};
constexpr DeviceType kMt9j001Types[] = {13, 14, 15, 16, 25, 26, 27, 43, 44, 45};
constexpr DeviceType kIcx205Types[] = {19, 20};
constexpr DeviceType kCcd1628Types[] = {48, 49};

constexpr DefaultModeFamily kDefaultModeFamilies[] = {
    {kMt9v032Types,
     [](DeviceType type, int, int) {
         return type == 28 || type == 29 || type == 36 || type == 37 ? 3 : 0;
     }},
    {kCmos1280Types, [](DeviceType, int, int) { return 2; }},
    {kMt9t001Types,
     [](DeviceType type, int high, int low) {
         if (type == 3 || type == 12) return high != 0 && low >= 6 ? 2 : 1;
         return 2;
     }},
    {kMt9p001Types,
     [](DeviceType type, int high, int low) {
         if (type == 8 || type == 9) return 1;
         if (type == 10 || type == 11) return high == 0 || low < 8 ? 2 : 1;
         return 2;
     }},
    {kMt9j001Types,
     [](DeviceType type, int high, int low) {
         if (type == 14) return low >= 5 || high != 1 ? 2 : 1;
         if (type == 13 || type == 15 || type == 16) return 1;
         return 2;
     }},
    {kIcx205Types, [](DeviceType, int, int) { return 3; }},
    {kCcd1628Types, [](DeviceType, int, int) { return 1; }},
};

}  // namespace

int GetDefaultBayerMode(std::uint32_t deviceType, std::uint16_t firmwareVersion, int* mode) {
    if (mode == nullptr) return status::kParameterError;
    for (const DefaultModeFamily& family : kDefaultModeFamilies) {
        if (IsInGroup(family.types, deviceType)) {
            *mode = family.rule(deviceType, firmwareVersion >> 8, firmwareVersion & 0xFF);
            return status::kSuccess;
        }
    }
    return status::kNotSupported;
}

}  // namespace qcx
