// Drawing preview images into X11 windows, checked on screenshots that xwd
// takes of the test's own windows (the tests run on a private Xvfb server).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "camera/platform/display.h"
#include "display/xwd_capture.h"  // last: it brings Xlib's macros

namespace qcx {
namespace {

using test::ExpectPicture;
using test::ExpectUntouched;
using test::Grey;
using test::kBackground;
using test::Rgb;
using test::ScopedEnv;
using test::Screenshot;
using test::TakeScreenshot;

// ---- images ----

// A preview image (rows stored bottom-up) from a picture given top row first.
struct TestImage {
    std::vector<std::uint8_t> bytes;
    DisplayImage image;

    TestImage(int width, int height, int bitCount, const std::function<Rgb(int, int)>& picture) {
        const int size = bitCount / 8;
        bytes.resize(static_cast<std::size_t>(width) * height * size);
        for (int y = 0; y < height; ++y) {
            std::uint8_t* row = bytes.data() + static_cast<std::size_t>(height - 1 - y) * width * size;
            for (int x = 0; x < width; ++x) {
                const Rgb c = picture(x, y);
                std::uint8_t* p = row + x * size;
                if (size == 1) {
                    p[0] = static_cast<std::uint8_t>(c & 0xFF);
                } else {
                    p[0] = static_cast<std::uint8_t>(c & 0xFF);
                    p[1] = static_cast<std::uint8_t>(c >> 8);
                    p[2] = static_cast<std::uint8_t>(c >> 16);
                    if (size == 4) p[3] = static_cast<std::uint8_t>(0xA5 ^ (x * 7 + y));  // unused byte
                }
            }
        }
        image = DisplayImage{bytes.data(), width, height, bitCount};
    }
};

// Distinct colours in every pixel, so a wrong row or column shows.
Rgb Patches(int x, int y) { return static_cast<Rgb>((x * 30 + 5) << 16 | (y * 40 + 3) << 8 | (250 - x * 11 - y * 7)); }

// ---- fixture: a 64 x 48 window of the background colour at the top left ----

class X11DisplayDrawing : public test::XWindowTest {
protected:
    void SetUp() override {
        XWindowTest::SetUp();
        if (IsSkipped()) return;
        window_ = MakeWindow(0, 0, 64, 48);
        display_ = OpenDisplay();
    }
    void TearDown() override {
        display_.reset();
        XWindowTest::TearDown();
    }

    ::Window window_ = 0;
    std::unique_ptr<Display> display_;
};

// ---- the picture in the rectangle ----

TEST_F(X11DisplayDrawing, OneToOneAndWholeMultiplesShowTheImageExactlyInBothModes) {
    // The top row comes from the end of the buffer; a fourth byte plays no part.
    TestImage colour(8, 6, 24, Patches), wide(5, 4, 32, Patches);
    auto gradient = [](int x, int y) { return Grey(x * 16 + y); };
    TestImage grey(16, 8, 8, gradient);
    const DisplayRect nearest{10, 20, 8, 6}, halftone{30, 20, 8, 6}, wideNearest{2, 3, 5, 4}, wideHalftone{44, 2, 15, 12},
        greyNearest{0, 30, 32, 16}, greyHalftone{32, 30, 32, 16};
    display_->Stretch(window_, nearest, colour.image, StretchMode::ColourOnColour);
    display_->Stretch(window_, halftone, colour.image, StretchMode::Halftone);
    display_->Stretch(window_, wideNearest, wide.image, StretchMode::ColourOnColour);
    display_->Stretch(window_, wideHalftone, wide.image, StretchMode::Halftone);
    display_->Stretch(window_, greyNearest, grey.image, StretchMode::ColourOnColour);
    display_->Stretch(window_, greyHalftone, grey.image, StretchMode::Halftone);
    const Screenshot shot = TakeScreenshot(window_);
    ExpectPicture(shot, nearest, Patches, std::nullopt);
    ExpectPicture(shot, halftone, Patches, std::nullopt);
    ExpectPicture(shot, wideNearest, Patches, std::nullopt);
    ExpectPicture(shot, wideHalftone, [](int x, int y) { return Patches(x / 3, y / 3); }, std::nullopt);
    ExpectPicture(shot, greyNearest, [&](int x, int y) { return gradient(x / 2, y / 2); }, std::nullopt);
    ExpectPicture(shot, greyHalftone, [&](int x, int y) { return gradient(x / 2, y / 2); }, std::nullopt);
    EXPECT_EQ(shot.At(0, 0), kBackground);
    EXPECT_EQ(shot.At(63, 47), kBackground);
}

TEST_F(X11DisplayDrawing, HalftoneShrinksAFineCheckerboardToMidGreyWhereNearestKeepsBlackAndWhite) {
    TestImage board(32, 32, 8, [](int x, int y) { return Grey((x + y) % 2 ? 255 : 0); });
    const DisplayRect halftone{0, 0, 16, 16}, nearest{32, 0, 16, 16};
    display_->Stretch(window_, halftone, board.image, StretchMode::Halftone);
    display_->Stretch(window_, nearest, board.image, StretchMode::ColourOnColour);
    const Screenshot shot = TakeScreenshot(window_);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const Rgb smooth = shot.At(x, y), sharp = shot.At(32 + x, y);
            EXPECT_TRUE(smooth == Grey(127) || smooth == Grey(128)) << std::hex << smooth << " at " << x << "," << y;
            EXPECT_TRUE(sharp == Grey(0) || sharp == Grey(255)) << std::hex << sharp << " at " << x << "," << y;
        }
    }
}

// The mean of each colour over the part of the picture under target pixel
// (x, y), every sample weighed by the area it shares with the pixel.
Rgb AreaMean(const std::function<Rgb(int, int)>& picture, int width, int height, const DisplayRect& target, int x,
             int y) {
    auto overlap = [](double lo, double hi, int k) { return std::max(0.0, std::min(hi, k + 1.0) - std::max(lo, 1.0 * k)); };
    const double x0 = 1.0 * x * width / target.width, x1 = 1.0 * (x + 1) * width / target.width;
    const double y0 = 1.0 * y * height / target.height, y1 = 1.0 * (y + 1) * height / target.height;
    double sum[3] = {}, area = 0;
    for (int sy = 0; sy < height; ++sy) {
        for (int sx = 0; sx < width; ++sx) {
            const double a = overlap(x0, x1, sx) * overlap(y0, y1, sy);
            for (int k = 0; k < 3; ++k) sum[k] += a * ((picture(sx, sy) >> (8 * k)) & 0xFF);
            area += a;
        }
    }
    Rgb mean = 0;
    for (int k = 0; k < 3; ++k) mean |= static_cast<Rgb>(sum[k] / area + 0.5) << (8 * k);
    return mean;
}

TEST_F(X11DisplayDrawing, HalftoneAveragesEachColourOverTheCoveredAreaAtAnyScale) {
    TestImage shrink(7, 5, 24, Patches), enlarge(5, 3, 32, Patches);
    const DisplayRect smaller{0, 0, 4, 3}, larger{10, 10, 8, 7};
    display_->Stretch(window_, smaller, shrink.image, StretchMode::Halftone);
    display_->Stretch(window_, larger, enlarge.image, StretchMode::Halftone);
    const Screenshot shot = TakeScreenshot(window_);
    auto expectNear = [&](const DisplayRect& rect, int width, int height) {
        for (int y = 0; y < rect.height; ++y) {
            for (int x = 0; x < rect.width; ++x) {
                const Rgb got = shot.At(rect.x + x, rect.y + y), want = AreaMean(Patches, width, height, rect, x, y);
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR((got >> (8 * k)) & 0xFF, (want >> (8 * k)) & 0xFF, 1)
                        << "channel " << k << " of (" << x << ", " << y << ")";
            }
        }
    };
    expectNear(smaller, 7, 5);
    expectNear(larger, 5, 3);
}

TEST_F(X11DisplayDrawing, TargetsReachingOutOfTheWindowShowTheirVisiblePart) {
    TestImage image(8, 6, 24, Patches);
    display_->Stretch(window_, DisplayRect{-3, -2, 8, 6}, image.image, StretchMode::ColourOnColour);
    display_->Stretch(window_, DisplayRect{60, 44, 8, 6}, image.image, StretchMode::Halftone);
    Screenshot shot = TakeScreenshot(window_);
    ExpectPicture(shot, DisplayRect{0, 0, 5, 4}, [](int x, int y) { return Patches(x + 3, y + 2); }, std::nullopt);
    ExpectPicture(shot, DisplayRect{60, 44, 4, 4}, Patches, std::nullopt);
    EXPECT_EQ(shot.At(5, 0), kBackground);
    EXPECT_EQ(shot.At(59, 47), kBackground);

    // A rectangle far larger than any window costs only the window's pixels.
    for (StretchMode mode : {StretchMode::ColourOnColour, StretchMode::Halftone}) {
        display_->Stretch(window_, DisplayRect{0, 0, 2000000000, 2000000000}, image.image, mode);
        ExpectPicture(TakeScreenshot(window_), DisplayRect{0, 0, 64, 48}, [](int, int) { return Patches(0, 0); });
    }
}

// ---- nothing drawn ----

TEST_F(X11DisplayDrawing, EmptyTargetsUnusableImagesAndUnknownOrDestroyedWindowsDrawNothing) {
    TestImage image(8, 6, 24, Patches);
    DisplayImage noPixels = image.image, noWidth = image.image, sixteenBits = image.image;
    noPixels.pixels = nullptr;
    noWidth.width = 0;
    sixteenBits.bitCount = 16;
    const ::Window gone = MakeWindow(100, 0, 16, 16);
    XDestroyWindow(connection_, gone);
    XSync(connection_, False);
    const DisplayRect rect{0, 0, 8, 6};
    for (StretchMode mode : {StretchMode::ColourOnColour, StretchMode::Halftone}) {
        // No size, or outside the window: right of it, above it.
        for (const DisplayRect& target : {DisplayRect{0, 0, 0, 6}, DisplayRect{0, 0, 8, 0}, DisplayRect{10, 10, -8, -6},
                                          DisplayRect{64, 0, 8, 6}, DisplayRect{0, -6, 8, 6}})
            display_->Stretch(window_, target, image.image, mode);
        for (const DisplayImage& unusable : {noPixels, noWidth, sixteenBits}) display_->Stretch(window_, rect, unusable, mode);
        display_->Stretch(gone, rect, image.image, mode);
        display_->Stretch(0x1FFFFFF0, rect, image.image, mode);
        // Not an X id at all, though its low 32 bits name the test window.
        display_->Stretch((std::uintptr_t{1} << 40) | window_, rect, image.image, mode);
    }
    ExpectUntouched(TakeScreenshot(window_));
    // The connection stays usable.
    display_->Stretch(window_, rect, image.image, StretchMode::ColourOnColour);
    ExpectPicture(TakeScreenshot(window_), rect, Patches);
}

TEST_F(X11DisplayDrawing, WindowsWithoutTrueColourShowNothing) {
    XVisualInfo info;
    if (!XMatchVisualInfo(connection_, DefaultScreen(connection_), 24, DirectColor, &info))
        GTEST_SKIP() << "the server offers no DirectColor visual";
    const ::Window direct = MakeWindow(100, 0, 16, 16, info.visual, info.depth);
    TestImage image(4, 4, 24, Patches);
    display_->Stretch(direct, DisplayRect{0, 0, 4, 4}, image.image, StretchMode::ColourOnColour);
    ExpectUntouched(TakeScreenshot(direct));
}

TEST_F(X11DisplayDrawing, WindowZeroDrawsOntoTheScreenOverItsWindows) {
    const ::Window other = MakeWindow(300, 200, 16, 16);
    TestImage image(8, 6, 24, Patches);
    const DisplayRect rect{304, 205, 8, 6};
    display_->Stretch(0, rect, image.image, StretchMode::ColourOnColour);
    ExpectPicture(TakeScreenshot("-root"), rect, Patches, std::nullopt);
    ExpectPicture(TakeScreenshot(other), DisplayRect{4, 5, 8, 6}, Patches);
}

TEST_F(X11DisplayDrawing, WithoutDisplayVariableTheDisplayDrawsNothing) {
    std::unique_ptr<Display> null;
    {
        ScopedEnv noDisplay("DISPLAY", nullptr);
        null = OpenDisplay();
    }
    ASSERT_NE(null, nullptr);
    TestImage image(8, 6, 8, [](int x, int y) { return Grey(x * 20 + y); });
    for (StretchMode mode : {StretchMode::ColourOnColour, StretchMode::Halftone}) {
        null->Stretch(window_, DisplayRect{0, 0, 8, 6}, image.image, mode);
        null->Stretch(0, DisplayRect{0, 0, 8, 6}, image.image, mode);
    }
    ExpectUntouched(TakeScreenshot(window_));
}

}  // namespace
}  // namespace qcx
