// What the simulated sensors look at: a fixed picture for eyes and automatic
// controls, and an exact ramp for tests that check bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace qcx {

enum class SimScene {
    Picture = 0,  // colour patches, gradients, fine detail and a few hot pixels
    Ramp = 1,     // sample at absolute sensor column c, row r = (c + 2r) mod 256
};

// "picture" or "ramp"; nullopt for anything else.
std::optional<SimScene> ParseSimScene(std::string_view text);

// The scene QCX_SIM_SCENE names now; unset, empty or unknown gives the picture
// (an unknown value is reported once on stderr).
SimScene SimSceneFromEnvironment();

// The ramp's sample at absolute sensor coordinates.
inline std::uint8_t RampSample(int column, int row) {
    return static_cast<std::uint8_t>(column + 2 * row);
}

// Colour arrangement of a sensor's filter sites over its active array.
enum class SimMosaic {
    Grey,  // no colour filter: every site sees the luminance
    Bggr,  // B G / G R
    Gbrg,  // G B / R G
};

// The picture as one sensor sees it through its filter: reflectance 0..1 of
// the site at column x, row y of the active array (752 x 480; coordinates
// outside repeat the nearest edge). A hot pixel is reported as a negative
// value: it reads full scale whatever the exposure. The table is built once
// per mosaic and shared; the reference stays valid for the process.
class SimPicture {
public:
    static constexpr int kWidth = 752;
    static constexpr int kHeight = 480;

    static const SimPicture& For(SimMosaic mosaic);

    float Site(int x, int y) const {
        x = x < 0 ? 0 : (x >= kWidth ? kWidth - 1 : x);
        y = y < 0 ? 0 : (y >= kHeight ? kHeight - 1 : y);
        return sites_[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)];
    }

    explicit SimPicture(SimMosaic mosaic);

private:
    std::vector<float> sites_;  // row-major, kWidth x kHeight
};

}  // namespace qcx
