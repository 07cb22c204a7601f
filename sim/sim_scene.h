// What the simulated sensors look at: a fixed picture for eyes and automatic
// controls, an exact ramp for tests that check bytes, and a flat grey for
// tests of the exposure and white balance loops.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace qcx {

enum class SimScene {
    Picture = 0,  // colour patches, gradients, fine detail and a few hot pixels
    Ramp = 1,     // sample at absolute sensor column c, row r = (c + 2r) mod 256;
                  // 16 times that as a 12-bit sample under 16-bit transfer
    Grey = 2,     // every site sees kSimGreyReflectance; no hot pixels
};

// "picture", "ramp" or "grey"; nullopt for anything else.
std::optional<SimScene> ParseSimScene(std::string_view text);

// The scene QCX_SIM_SCENE names now; unset, empty or unknown gives the picture
// (an unknown value is reported once on stderr).
SimScene SimSceneFromEnvironment();

// Reflectance of every site of the grey scene: at the power-on exposure and
// gain it reads 100 of 255, so an exposure loop aiming at mid-grey has to
// raise the exposure, and every colour channel has the same mean.
inline constexpr float kSimGreyReflectance = 100.0f / 255.0f;

// The ramp's sample at absolute sensor coordinates.
inline std::uint8_t RampSample(int column, int row) {
    return static_cast<std::uint8_t>(column + 2 * row);
}

// Colour arrangement of a sensor's filter sites over its active array.
enum class SimMosaic {
    Grey,  // no colour filter: every site sees the luminance
    Bggr,  // B G / G R
    Gbrg,  // G B / R G
    Grbg,  // G R / B G
    Rggb,  // R G / G B
};

// The picture as one sensor sees it through its filter: reflectance 0..1 of
// the site at column x, row y of the active array (752 x 480; coordinates
// outside repeat the nearest edge; a sensor with a larger array scales its
// coordinates onto it). A hot pixel is reported as a negative value: it reads
// full scale whatever the exposure.
//
// A defocused lens blurs the colour reflectance in front of the filter, so it
// softens every mosaic alike; the hot pixels sit on the sensor and stay sharp.
// `blurRadius` 0 is sharp; radius r is radius r - 1 box-blurred once more with
// radius (r + 1) / 2, about as wide as one box of radius r, and never sharper
// than radius r - 1. The table is built once per mosaic and radius, on first
// use, and shared; the reference stays valid for the process.
class SimPicture {
public:
    static constexpr int kWidth = 752;
    static constexpr int kHeight = 480;
    static constexpr int kMaxBlur = 16;

    // `blurRadius` outside 0 ... kMaxBlur is clamped into it.
    static const SimPicture& For(SimMosaic mosaic, int blurRadius = 0);

    float Site(int x, int y) const {
        x = x < 0 ? 0 : (x >= kWidth ? kWidth - 1 : x);
        y = y < 0 ? 0 : (y >= kHeight ? kHeight - 1 : y);
        return sites_[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)];
    }

    explicit SimPicture(SimMosaic mosaic, int blurRadius = 0);

private:
    std::vector<float> sites_;  // row-major, kWidth x kHeight
};

}  // namespace qcx
