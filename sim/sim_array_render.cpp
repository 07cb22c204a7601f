#include "sim/sim_array_render.h"

#include <algorithm>

namespace qcx {

namespace {

// The 8- or 12-bit code of a signal of 0..1 full scale.
unsigned Code(float signal, unsigned fullScale) {
    if (!(signal > 0.0f)) return 0;
    const float code = signal * static_cast<float>(fullScale) + 0.5f;
    return code >= static_cast<float>(fullScale) ? fullScale : static_cast<unsigned>(code);
}

// Sites beyond each edge of the active array that a window may still read:
// a window rounded up to its read-out step can end past the last active
// column, and the chip reads on into its border, which sees the edge of the
// picture.
constexpr int kBorderSites = 64;

SimPairAxis AxisOf(int start, int size, int skip, int bin, bool flip, int first, int sites) {
    SimPairAxis axis;
    axis.last = first + sites - 1;
    axis.start = std::clamp(start, first, axis.last);
    axis.size = std::clamp(size, 1, axis.last + kBorderSites - axis.start + 1);
    axis.skip = std::max(skip, 1);
    axis.bin = std::clamp(bin, 1, axis.skip);
    axis.flip = flip;
    return axis;
}

}  // namespace

SimSensorArray::SimSensorArray(int firstColumn, int firstRow, int columns, int rows)
    : firstColumn_(firstColumn), firstRow_(firstRow) {
    // The picture is smaller than these arrays: each site looks at the point
    // of the picture its scaled position falls on, moved to the site's own
    // parity so that it takes the colour of its filter.
    const auto scaled = [](int site, int sites, int pictureSites) {
        return ((site * pictureSites / sites) & ~1) | (site & 1);
    };
    pictureColumn_.reserve(static_cast<std::size_t>(columns));
    pictureRow_.reserve(static_cast<std::size_t>(rows));
    for (int x = 0; x < columns; ++x) pictureColumn_.push_back(scaled(x, columns, SimPicture::kWidth));
    for (int y = 0; y < rows; ++y) pictureRow_.push_back(scaled(y, rows, SimPicture::kHeight));
}

SimPairAxis SimSensorArray::ColumnAxis(int start, int size, int skip, int bin, bool flip) const {
    return AxisOf(start, size, skip, bin, flip, firstColumn_, Columns());
}

SimPairAxis SimSensorArray::RowAxis(int start, int size, int skip, int bin, bool flip) const {
    return AxisOf(start, size, skip, bin, flip, firstRow_, Rows());
}

std::uint32_t SimSensorArray::Render(SimScene scene, SimMosaic mosaic, const double (&scales)[2][2],
                                     const SimPairAxis& columns, const SimPairAxis& rows, int blurRadius, bool wide,
                                     std::uint8_t* out, std::uint32_t count) const {
    const int firstColumn = firstColumn_;
    const int firstRow = firstRow_;

    if (scene == SimScene::Ramp) {
        const unsigned shift = wide ? 4 : 0;  // the 8-bit ramp in the top bits of 12
        const auto rampRow = [shift](int row) {
            return [shift, row](int column) { return static_cast<unsigned>(RampSample(column, row)) << shift; };
        };
        return ReadOutPairs(columns, rows, wide, rampRow, out, count);
    }

    const unsigned fullScale = wide ? 4095 : 255;
    if (scene == SimScene::Grey) {
        unsigned codes[2][2];
        for (int y = 0; y < 2; ++y) {
            for (int x = 0; x < 2; ++x) {
                codes[y][x] = Code(static_cast<float>(kSimGreyReflectance * scales[y][x]), fullScale);
            }
        }
        const auto greyRow = [&](int row) {
            const unsigned* code = codes[(row - firstRow) & 1];
            return [code, firstColumn](int column) { return code[(column - firstColumn) & 1]; };
        };
        return ReadOutPairs(columns, rows, wide, greyRow, out, count);
    }

    const SimPicture& picture = SimPicture::For(mosaic, blurRadius);
    const int* pictureColumn = pictureColumn_.data();
    const auto pictureRow = [&](int row) {
        const int y = row - firstRow;
        const int pictureY = pictureRow_[static_cast<std::size_t>(y)];
        const float even = static_cast<float>(scales[y & 1][0]);
        const float odd = static_cast<float>(scales[y & 1][1]);
        return [&picture, pictureColumn, pictureY, even, odd, firstColumn, fullScale](int column) {
            const int x = column - firstColumn;
            const float site = picture.Site(pictureColumn[x], pictureY);
            if (site < 0.0f) return fullScale;  // a hot pixel
            return Code(site * ((x & 1) != 0 ? odd : even), fullScale);
        };
    };
    return ReadOutPairs(columns, rows, wide, pictureRow, out, count);
}

}  // namespace qcx
