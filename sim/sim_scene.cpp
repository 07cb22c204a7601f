#include "sim/sim_scene.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace qcx {
namespace {

struct Colour {
    float red, green, blue;
};

// Two rows of six patches, like a colour chart: saturated primaries and
// secondaries, skin and orange tones, and a grey scale.
constexpr Colour kPatches[2][6] = {
    {{0.45f, 0.32f, 0.26f}, {0.80f, 0.15f, 0.15f}, {0.20f, 0.70f, 0.20f},
     {0.15f, 0.20f, 0.80f}, {0.85f, 0.80f, 0.15f}, {0.15f, 0.75f, 0.80f}},
    {{0.80f, 0.20f, 0.70f}, {0.90f, 0.50f, 0.10f}, {0.90f, 0.90f, 0.90f},
     {0.50f, 0.50f, 0.50f}, {0.25f, 0.25f, 0.25f}, {0.05f, 0.05f, 0.05f}},
};
constexpr float kPatchBorder = 0.05f;
constexpr int kPatchBandEnd = 192;     // rows 0..191: patches
constexpr int kGradientBandEnd = 320;  // rows 192..319: grey ramp above a hue sweep
constexpr int kDetailSplit = 376;      // below: zone plate left, bars and checks right

// Sites that read full scale in every frame, as stuck pixels of a real array
// do; they give the bad pixel filter something to find.
constexpr int kHotPixels[][2] = {{100, 50}, {377, 201}, {600, 410}, {33, 333}, {701, 91}};

Colour Grey(float v) { return {v, v, v}; }

// Hue sweep at full saturation between 0.15 and 0.85.
Colour Hue(float h) {
    const float sector = h * 6.0f;
    const int i = static_cast<int>(sector) % 6;
    const float f = sector - std::floor(sector);
    float r = 0, g = 0, b = 0;
    switch (i) {
        case 0: r = 1; g = f; break;
        case 1: r = 1 - f; g = 1; break;
        case 2: g = 1; b = f; break;
        case 3: g = 1 - f; b = 1; break;
        case 4: b = 1; r = f; break;
        default: b = 1 - f; r = 1; break;
    }
    return {0.15f + 0.7f * r, 0.15f + 0.7f * g, 0.15f + 0.7f * b};
}

Colour PictureAt(int x, int y) {
    if (y < kPatchBandEnd) {
        constexpr int kPatchWidth = SimPicture::kWidth / 6;  // 125; the last column takes the rest
        constexpr int kPatchHeight = kPatchBandEnd / 2;
        const int column = x / kPatchWidth > 5 ? 5 : x / kPatchWidth;
        const int row = y / kPatchHeight;
        const int px = x - column * kPatchWidth;
        const int py = y - row * kPatchHeight;
        if (px < 6 || py < 6 || px >= kPatchWidth - 6 || py >= kPatchHeight - 6) return Grey(kPatchBorder);
        return kPatches[row][column];
    }
    if (y < kGradientBandEnd) {
        const float t = static_cast<float>(x) / (SimPicture::kWidth - 1);
        if (y < (kPatchBandEnd + kGradientBandEnd) / 2) return Grey(t);
        return Hue(t * 0.999f);
    }
    if (x < kDetailSplit) {
        // A zone plate: rings whose spatial frequency grows with the radius,
        // up to the sampling limit at the corners of the block.
        const float dx = static_cast<float>(x - kDetailSplit / 2);
        const float dy = static_cast<float>(y - (kGradientBandEnd + SimPicture::kHeight) / 2);
        return Grey(0.5f + 0.4f * std::cos(3.14159265f * (dx * dx + dy * dy) / 320.0f));
    }
    // Bars (upper half) and checks (lower half) of 1, 2, 3 and 4 pixels.
    const int step = 1 + (x - kDetailSplit) * 4 / (SimPicture::kWidth - kDetailSplit);
    const bool upper = y < (kGradientBandEnd + SimPicture::kHeight) / 2;
    const bool on = upper ? (x / step) % 2 == 1 : ((x / step) + (y / step)) % 2 == 1;
    return Grey(on ? 0.85f : 0.15f);
}

float SiteOf(SimMosaic mosaic, int x, int y, const Colour& c) {
    const bool oddX = (x & 1) != 0;
    const bool oddY = (y & 1) != 0;
    switch (mosaic) {
        case SimMosaic::Grey:
            return 0.299f * c.red + 0.587f * c.green + 0.114f * c.blue;
        case SimMosaic::Bggr:
            if (!oddY) return oddX ? c.green : c.blue;
            return oddX ? c.red : c.green;
        case SimMosaic::Gbrg:
            if (!oddY) return oddX ? c.blue : c.green;
            return oddX ? c.green : c.red;
    }
    return 0.0f;
}

void WarnOnce(std::atomic<bool>& warned, const char* variable, const char* value, const char* fallback) {
    if (!warned.exchange(true)) {
        std::fprintf(stderr, "qcxapi: ignoring %s='%s', using %s\n", variable, value, fallback);
    }
}

}  // namespace

std::optional<SimScene> ParseSimScene(std::string_view text) {
    if (text == "picture") return SimScene::Picture;
    if (text == "ramp") return SimScene::Ramp;
    return std::nullopt;
}

SimScene SimSceneFromEnvironment() {
    static std::atomic<bool> warned{false};
    const char* value = std::getenv("QCX_SIM_SCENE");
    if (value == nullptr || *value == '\0') return SimScene::Picture;
    if (const auto scene = ParseSimScene(value)) return *scene;
    WarnOnce(warned, "QCX_SIM_SCENE", value, "picture");
    return SimScene::Picture;
}

SimPicture::SimPicture(SimMosaic mosaic) : sites_(static_cast<std::size_t>(kWidth) * kHeight) {
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            sites_[static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x)] =
                SiteOf(mosaic, x, y, PictureAt(x, y));
        }
    }
    for (const auto& hot : kHotPixels) {
        sites_[static_cast<std::size_t>(hot[1]) * kWidth + static_cast<std::size_t>(hot[0])] = -1.0f;
    }
}

const SimPicture& SimPicture::For(SimMosaic mosaic) {
    // Built on first use, once per mosaic, then shared read-only by every camera.
    switch (mosaic) {
        case SimMosaic::Bggr: {
            static const SimPicture bggr(SimMosaic::Bggr);
            return bggr;
        }
        case SimMosaic::Gbrg: {
            static const SimPicture gbrg(SimMosaic::Gbrg);
            return gbrg;
        }
        case SimMosaic::Grey:
            break;
    }
    static const SimPicture grey(SimMosaic::Grey);
    return grey;
}

}  // namespace qcx
