#include "sim/sim_scene.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "camera/platform/environment.h"

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
        case SimMosaic::Grbg:
            if (!oddY) return oddX ? c.red : c.green;
            return oddX ? c.green : c.blue;
        case SimMosaic::Rggb:
            if (!oddY) return oddX ? c.green : c.red;
            return oddX ? c.blue : c.green;
    }
    return 0.0f;
}

void WarnOnce(std::atomic<bool>& warned, const char* variable, const char* value, const char* fallback) {
    if (!warned.exchange(true)) {
        std::fprintf(stderr, "qcxapi: ignoring %s='%s', using %s\n", variable, value, fallback);
    }
}

// The picture's colour reflectance, one plane per channel, row-major.
struct ColourPlanes {
    std::vector<float> red, green, blue;
};

ColourPlanes PicturePlanes() {
    constexpr std::size_t kSites = static_cast<std::size_t>(SimPicture::kWidth) * SimPicture::kHeight;
    ColourPlanes planes{std::vector<float>(kSites), std::vector<float>(kSites), std::vector<float>(kSites)};
    for (int y = 0; y < SimPicture::kHeight; ++y) {
        for (int x = 0; x < SimPicture::kWidth; ++x) {
            const Colour c = PictureAt(x, y);
            const std::size_t i = static_cast<std::size_t>(y) * SimPicture::kWidth + static_cast<std::size_t>(x);
            planes.red[i] = c.red;
            planes.green[i] = c.green;
            planes.blue[i] = c.blue;
        }
    }
    return planes;
}

// A box blur of `radius` over one plane: every site becomes the mean of the
// (2r + 1) x (2r + 1) sites around it, sites beyond the edge repeating the
// edge as SimPicture::Site reads them. It is separable, and running sums make
// its cost independent of the radius; the sums are kept in double so that
// adding and taking away along a row does not drift.
void BoxBlur(std::vector<float>& plane, int width, int height, int radius) {
    const double norm = 1.0 / (2 * radius + 1);
    const auto w = static_cast<std::size_t>(width);
    const auto r = static_cast<std::size_t>(radius);
    std::vector<float> rows(plane.size());
    std::vector<float> padded(w + 2 * r);
    std::vector<double> sums(w);

    // Along the rows: the window of site x is padded[x .. x + 2r].
    for (std::size_t y = 0; y < static_cast<std::size_t>(height); ++y) {
        const float* in = plane.data() + y * w;
        std::fill_n(padded.begin(), r, in[0]);
        std::copy_n(in, w, padded.begin() + static_cast<std::ptrdiff_t>(r));
        std::fill_n(padded.begin() + static_cast<std::ptrdiff_t>(r + w), r, in[w - 1]);
        const float* p = padded.data();
        double sum = 0.0;
        for (std::size_t i = 0; i <= 2 * r; ++i) sum += p[i];
        float* out = rows.data() + y * w;
        for (std::size_t x = 0; x < w; ++x) {
            out[x] = static_cast<float>(sum * norm);
            if (x + 1 < w) sum += p[x + 2 * r + 1] - p[x];
        }
    }

    // Down the columns, a whole row at a time to stay in the cache.
    const auto row = [&](int y) { return rows.data() + static_cast<std::size_t>(std::clamp(y, 0, height - 1)) * w; };
    std::fill(sums.begin(), sums.end(), 0.0);
    double* s = sums.data();
    for (int i = -radius; i <= radius; ++i) {
        const float* in = row(i);
        for (std::size_t x = 0; x < w; ++x) s[x] += in[x];
    }
    for (int y = 0; y < height; ++y) {
        float* out = plane.data() + static_cast<std::size_t>(y) * w;
        const float* entering = row(y + radius + 1);
        const float* leaving = row(y - radius);
        for (std::size_t x = 0; x < w; ++x) {
            out[x] = static_cast<float>(s[x] * norm);
            s[x] += entering[x] - leaving[x];
        }
    }
}

// The picture's colours through the lens at `radius`. Defocus grows in steps:
// radius r is radius r - 1 blurred once more, by a box of radius (r + 1) / 2,
// which spreads it about as far as one box of radius r. One wide box would not
// do: over fine bars it reverses their contrast, and a wider box can then look
// sharper than a narrower one; blurring what is already blurred never sharpens.
// The colours of the last radius asked for are kept, so that stepping the
// focus up one radius at a time costs one blur a step for all mosaics.
ColourPlanes PlanesThroughLens(int radius) {
    if (radius <= 0) return PicturePlanes();
    static std::mutex mutex;
    static int lastRadius = -1;  // -1: nothing kept
    static ColourPlanes last;
    std::lock_guard lock(mutex);
    int from = lastRadius;
    lastRadius = -1;  // until the steps below have all succeeded
    if (from < 0 || from > radius) {
        last = PicturePlanes();
        from = 0;
    }
    for (int step = from + 1; step <= radius; ++step) {
        for (auto* plane : {&last.red, &last.green, &last.blue}) {
            BoxBlur(*plane, SimPicture::kWidth, SimPicture::kHeight, (step + 1) / 2);
        }
    }
    lastRadius = radius;
    return last;
}

}  // namespace

std::optional<SimScene> ParseSimScene(std::string_view text) {
    if (text == "picture") return SimScene::Picture;
    if (text == "ramp") return SimScene::Ramp;
    if (text == "grey") return SimScene::Grey;
    return std::nullopt;
}

SimScene SimSceneFromEnvironment() {
    static std::atomic<bool> warned{false};
    const std::string value = EnvironmentValue("QCX_SIM_SCENE");
    if (value.empty()) return SimScene::Picture;
    if (const auto scene = ParseSimScene(value)) return *scene;
    WarnOnce(warned, "QCX_SIM_SCENE", value.c_str(), "picture");
    return SimScene::Picture;
}

SimPicture::SimPicture(SimMosaic mosaic, int blurRadius)
    : sites_(static_cast<std::size_t>(kWidth) * kHeight) {
    const ColourPlanes planes = PlanesThroughLens(std::clamp(blurRadius, 0, kMaxBlur));
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const std::size_t i = static_cast<std::size_t>(y) * kWidth + static_cast<std::size_t>(x);
            sites_[i] = SiteOf(mosaic, x, y, Colour{planes.red[i], planes.green[i], planes.blue[i]});
        }
    }
    for (const auto& hot : kHotPixels) {
        sites_[static_cast<std::size_t>(hot[1]) * kWidth + static_cast<std::size_t>(hot[0])] = -1.0f;
    }
}

const SimPicture& SimPicture::For(SimMosaic mosaic, int blurRadius) {
    // Built on first use, once per mosaic and radius, then shared read-only by
    // every camera. A few cameras at a few radii are a few megabytes.
    constexpr int kMosaics = static_cast<int>(SimMosaic::Rggb) + 1;
    static std::once_flag built[kMosaics][kMaxBlur + 1];
    static std::unique_ptr<const SimPicture> pictures[kMosaics][kMaxBlur + 1];
    const int m = std::clamp(static_cast<int>(mosaic), 0, kMosaics - 1);
    const int r = std::clamp(blurRadius, 0, kMaxBlur);
    std::call_once(built[m][r], [&] { pictures[m][r] = std::make_unique<const SimPicture>(mosaic, r); });
    return *pictures[m][r];
}

}  // namespace qcx
