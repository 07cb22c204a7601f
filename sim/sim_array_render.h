// Rendering the frame of a CMOS chip whose window reads a large active array:
// the scene at each site, scaled by the site's exposure and gain, read out
// along two axes that skip and bin in Bayer pairs. The megapixel models share
// it; each says only where its array lies and what its registers make of the
// sites.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/sim_readout.h"
#include "sim/sim_scene.h"
#include "sim/sim_sensor_model.h"

namespace qcx {

// The frame a window read along `columns` and `rows` makes.
inline SimFrameShape ShapeOf(const SimPairAxis& columns, const SimPairAxis& rows, bool wide) {
    return {static_cast<std::uint32_t>(columns.OutputLength()), static_cast<std::uint32_t>(rows.OutputLength()),
            wide ? 2u : 1u};
}

// The four gain registers of a Bayer chip: red, green on red rows, green on
// blue rows, blue.
struct SimQuadGains {
    std::uint16_t red, greenOnRed, greenOnBlue, blue;
};

// Multipliers of the four sites of a filter quad, [row parity][column
// parity] relative to the array: `exposure` times the gain `gainOf(reg)` of
// the register of each site's colour. A grey chip uses the green-on-red gain
// everywhere.
template <typename GainOf>
void SimQuadScales(SimMosaic mosaic, const SimQuadGains& g, double exposure, GainOf gainOf, double (&scales)[2][2]) {
    const std::uint16_t rggb[2][2] = {{g.red, g.greenOnRed}, {g.greenOnBlue, g.blue}};
    const std::uint16_t grbg[2][2] = {{g.greenOnRed, g.red}, {g.blue, g.greenOnBlue}};
    const std::uint16_t gbrg[2][2] = {{g.greenOnBlue, g.blue}, {g.red, g.greenOnRed}};
    const std::uint16_t bggr[2][2] = {{g.blue, g.greenOnBlue}, {g.greenOnRed, g.red}};
    const std::uint16_t grey[2][2] = {{g.greenOnRed, g.greenOnRed}, {g.greenOnRed, g.greenOnRed}};
    const auto& regs = mosaic == SimMosaic::Rggb   ? rggb
                       : mosaic == SimMosaic::Grbg ? grbg
                       : mosaic == SimMosaic::Gbrg ? gbrg
                       : mosaic == SimMosaic::Bggr ? bggr
                                                   : grey;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 2; ++x) scales[y][x] = exposure * gainOf(regs[y][x]);
}

// The active array and the point of the picture each of its sites sees.
class SimSensorArray {
public:
    // `firstColumn`, `firstRow`: absolute address of the array's first site.
    SimSensorArray(int firstColumn, int firstRow, int columns, int rows);

    int FirstColumn() const { return firstColumn_; }
    int FirstRow() const { return firstRow_; }
    int Columns() const { return static_cast<int>(pictureColumn_.size()); }
    int Rows() const { return static_cast<int>(pictureRow_.size()); }

    // One axis of a window as a chip's registers give it (absolute start,
    // length in sites), kept inside the array.
    SimPairAxis ColumnAxis(int start, int size, int skip, int bin, bool flip) const;
    SimPairAxis RowAxis(int start, int size, int skip, int bin, bool flip) const;

    // Writes the first `count` bytes of the frame read along `columns` and
    // `rows` into `out` and returns how many were written: 8-bit samples, or
    // 12-bit ones in little-endian words when `wide`. `scales` are the
    // multipliers (exposure x gain) of the four sites of a filter quad,
    // [row parity][column parity] relative to the array. The ramp ignores
    // them; the grey scene and the picture (seen through `mosaic` and a lens
    // defocused by `blurRadius`) use them.
    std::uint32_t Render(SimScene scene, SimMosaic mosaic, const double (&scales)[2][2], const SimPairAxis& columns,
                         const SimPairAxis& rows, int blurRadius, bool wide, std::uint8_t* out,
                         std::uint32_t count) const;

private:
    int firstColumn_, firstRow_;
    // Column and row of the picture each site sees, by site relative to the array.
    std::vector<int> pictureColumn_, pictureRow_;
};

}  // namespace qcx
