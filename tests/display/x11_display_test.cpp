// Drawing into X11 windows, checked on screenshots read from the X server of the
// test's own windows (the tests run on a private Xvfb server): preview images
// through the display seam, and the live preview of a simulated MT9V032 driven
// through the C interface only, against the paused frame the library hands out.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "camera/platform/display.h"
#include "qcxapi.h"

#include <X11/Xlib.h>  // last: Xlib's macros (Bool, None, Status) must not reach the other headers
#include <X11/Xutil.h>

namespace qcx {
namespace {

using namespace std::chrono_literals;
using Rgb = std::uint32_t;  // 0xRRGGBB
using Picture = std::function<Rgb(int, int)>;
constexpr Rgb kBackground = 0x204060;

Rgb Grey(int level) { return static_cast<Rgb>(level * 0x010101); }

struct Screenshot {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;  // top row first
    Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Compares a rectangle of a screenshot with `expected` (rectangle
// coordinates); every pixel outside it must still show `outside`.
void ExpectPicture(const Screenshot& shot, const DisplayRect& rect, const Picture& expected,
                   std::optional<Rgb> outside = kBackground) {
    int wrong = 0;
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const bool inside = x >= rect.x && x < rect.x + rect.width && y >= rect.y && y < rect.y + rect.height;
            if (!inside && !outside) continue;
            const Rgb want = inside ? expected(x - rect.x, y - rect.y) : *outside;
            if (shot.At(x, y) != want && ++wrong <= 3)
                ADD_FAILURE() << "pixel (" << x << ", " << y << ") is 0x" << std::hex << shot.At(x, y)
                              << ", expected 0x" << want << (inside ? " (inside)" : " (outside)");
        }
    }
    EXPECT_EQ(wrong, 0);
}

void ExpectUntouched(const Screenshot& shot) { ExpectPicture(shot, DisplayRect{}, nullptr); }

// A connection to the X server of DISPLAY (the test is skipped without one)
// and windows of the background colour.
class XWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || name[0] == '\0')
            GTEST_SKIP() << "no DISPLAY: xvfb-run is missing (Debian package xvfb), so nothing can be drawn";
        // A server that has just lost its last client (the previous test's)
        // resets itself and refuses connections for a moment.
        for (int attempt = 0; attempt < 100 && connection_ == nullptr; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(20ms);
            connection_ = XOpenDisplay(nullptr);
        }
        if (connection_ == nullptr) GTEST_SKIP() << "cannot reach the X server of DISPLAY=" << name;
    }
    void TearDown() override { if (connection_ != nullptr) XCloseDisplay(connection_); }

    // A mapped top-level window, ready to be drawn into when this returns.
    ::Window MakeWindow(int x, int y, int width, int height) {
        const ::Window window = XCreateSimpleWindow(connection_, DefaultRootWindow(connection_), x, y,
                                                    static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0,
                                                    kBackground);
        XSelectInput(connection_, window, StructureNotifyMask);
        XMapWindow(connection_, window);
        XEvent event;
        do XWindowEvent(connection_, window, StructureNotifyMask, &event);
        while (event.type != MapNotify);
        XSync(connection_, False);
        return window;
    }

    // The window's pixels as the server holds them (0: the whole screen).
    Screenshot TakeScreenshot(::Window window) {
        if (window == 0) window = DefaultRootWindow(connection_);
        XWindowAttributes a;
        XGetWindowAttributes(connection_, window, &a);
        XImage* image = XGetImage(connection_, window, 0, 0, static_cast<unsigned>(a.width),
                                  static_cast<unsigned>(a.height), AllPlanes, ZPixmap);
        Screenshot shot{a.width, a.height, {}};
        for (int y = 0; y < a.height; ++y) {
            for (int x = 0; x < a.width; ++x) {
                const unsigned long p = XGetPixel(image, x, y);
                Rgb rgb = 0;
                for (unsigned long mask : {image->red_mask, image->green_mask, image->blue_mask})
                    rgb = rgb << 8 | static_cast<Rgb>((p & mask) >> std::countr_zero(mask));
                shot.pixels.push_back(rgb);
            }
        }
        XDestroyImage(image);
        return shot;
    }

    ::Display* connection_ = nullptr;
};

// A preview image (rows stored bottom-up) from a picture given top row first;
// a fourth byte plays no part.
struct TestImage {
    Picture picture;
    std::vector<std::uint8_t> bytes;
    DisplayImage image;

    TestImage(int width, int height, int bitCount, Picture p)
        : picture(std::move(p)), bytes(static_cast<std::size_t>(width) * height * (bitCount / 8)) {
        const int size = bitCount / 8;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                std::uint8_t* at = &bytes[(static_cast<std::size_t>(height - 1 - y) * width + x) * size];
                for (int k = 0; k < size; ++k)
                    at[k] = static_cast<std::uint8_t>(k < 3 ? picture(x, y) >> (8 * k) : 0xA5 ^ (x * 7 + y));
            }
        }
        image = DisplayImage{bytes.data(), width, height, bitCount};
    }
};

// Distinct colours in every pixel, so a wrong row or column shows.
Rgb Patches(int x, int y) { return static_cast<Rgb>((x * 30 + 5) << 16 | (y * 40 + 3) << 8 | (250 - x * 11 - y * 7)); }

// A 64 x 48 window at the top left, and the display drawing into it.
class X11DisplayDrawing : public XWindowTest {
protected:
    void SetUp() override {
        XWindowTest::SetUp();
        if (IsSkipped()) return;
        window_ = MakeWindow(0, 0, 64, 48);
        display_ = OpenDisplay();
    }
    ::Window window_ = 0;
    std::unique_ptr<Display> display_;
};

TEST_F(X11DisplayDrawing, OneToOneAndWholeMultiplesShowTheImageExactlyInBothModes) {
    // The top row comes from the end of the buffer; a fourth byte plays no part.
    TestImage colour(8, 6, 24, Patches), wide(5, 4, 32, Patches);
    TestImage grey(16, 8, 8, [](int x, int y) { return Grey(x * 16 + y); });
    // Target, image, mode, scale.
    const std::tuple<DisplayRect, const TestImage*, StretchMode, int> cases[] = {
        {{10, 20, 8, 6}, &colour, StretchMode::ColourOnColour, 1}, {{30, 20, 8, 6}, &colour, StretchMode::Halftone, 1},
        {{2, 3, 5, 4}, &wide, StretchMode::ColourOnColour, 1},     {{44, 2, 15, 12}, &wide, StretchMode::Halftone, 3},
        {{0, 30, 32, 16}, &grey, StretchMode::ColourOnColour, 2},  {{32, 30, 32, 16}, &grey, StretchMode::Halftone, 2}};
    for (const auto& [rect, image, mode, scale] : cases) display_->Stretch(window_, rect, image->image, mode);
    const Screenshot shot = TakeScreenshot(window_);
    for (const auto& [rect, image, mode, scale] : cases)
        ExpectPicture(shot, rect, [&](int x, int y) { return image->picture(x / scale, y / scale); }, std::nullopt);
    EXPECT_EQ(std::pair(shot.At(0, 0), shot.At(63, 47)), std::pair(kBackground, kBackground));
}

TEST_F(X11DisplayDrawing, HalftoneShrinksAFineCheckerboardToMidGreyWhereNearestKeepsBlackAndWhite) {
    TestImage board(32, 32, 8, [](int x, int y) { return Grey((x + y) % 2 ? 255 : 0); });
    display_->Stretch(window_, DisplayRect{0, 0, 16, 16}, board.image, StretchMode::Halftone);
    display_->Stretch(window_, DisplayRect{32, 0, 16, 16}, board.image, StretchMode::ColourOnColour);
    const Screenshot shot = TakeScreenshot(window_);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const Rgb smooth = shot.At(x, y), sharp = shot.At(32 + x, y);
            EXPECT_TRUE(smooth == Grey(127) || smooth == Grey(128)) << std::hex << smooth << " at " << x << "," << y;
            EXPECT_TRUE(sharp == Grey(0) || sharp == Grey(255)) << std::hex << sharp << " at " << x << "," << y;
        }
    }
}

TEST_F(X11DisplayDrawing, HalftoneAveragesEachColourOverTheCoveredAreaAtAnyScale) {
    TestImage shrink(7, 5, 24, Patches), enlarge(5, 3, 32, Patches);
    const DisplayRect smaller{0, 0, 4, 3}, larger{10, 10, 8, 7};
    display_->Stretch(window_, smaller, shrink.image, StretchMode::Halftone);
    display_->Stretch(window_, larger, enlarge.image, StretchMode::Halftone);
    const Screenshot shot = TakeScreenshot(window_);
    // Each colour of target pixel (x, y): the mean over the part of the
    // picture under it, every sample weighed by the area it shares with the
    // pixel. On a grid of rect.width sub-columns per sample and image width
    // sub-columns per pixel (rows alike) every cell lies in one of each.
    for (const auto& [rect, image] : {std::pair(smaller, &shrink.image), std::pair(larger, &enlarge.image)}) {
        for (int y = 0; y < rect.height; ++y) {
            for (int x = 0; x < rect.width; ++x) {
                const int w = image->width, h = image->height;
                double sum[3] = {};
                for (int sy = y * h; sy < (y + 1) * h; ++sy)
                    for (int sx = x * w; sx < (x + 1) * w; ++sx)
                        for (int k = 0; k < 3; ++k)
                            sum[k] += Patches(sx / rect.width, sy / rect.height) >> (8 * k) & 0xFF;
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR(shot.At(rect.x + x, rect.y + y) >> (8 * k) & 0xFF, sum[k] / w / h, 1)
                        << "channel " << k << " of (" << x << ", " << y << ")";
            }
        }
    }
}

TEST_F(X11DisplayDrawing, TargetsReachingOutOfTheWindowShowTheirVisiblePart) {
    TestImage image(8, 6, 24, Patches);
    display_->Stretch(window_, DisplayRect{-3, -2, 8, 6}, image.image, StretchMode::ColourOnColour);
    display_->Stretch(window_, DisplayRect{60, 44, 8, 6}, image.image, StretchMode::Halftone);
    Screenshot shot = TakeScreenshot(window_);
    ExpectPicture(shot, DisplayRect{0, 0, 5, 4}, [](int x, int y) { return Patches(x + 3, y + 2); }, std::nullopt);
    ExpectPicture(shot, DisplayRect{60, 44, 4, 4}, Patches, std::nullopt);
    EXPECT_EQ(std::pair(shot.At(5, 0), shot.At(59, 47)), std::pair(kBackground, kBackground));
    // A rectangle far larger than any window costs only the window's pixels.
    for (StretchMode mode : {StretchMode::ColourOnColour, StretchMode::Halftone}) {
        display_->Stretch(window_, DisplayRect{0, 0, 2000000000, 2000000000}, image.image, mode);
        ExpectPicture(TakeScreenshot(window_), DisplayRect{0, 0, 64, 48}, [](int, int) { return Patches(0, 0); });
    }
}

TEST_F(X11DisplayDrawing, EmptyTargetsUnusableImagesUnknownWindowsAndNoDisplayDrawNothing) {
    TestImage image(8, 6, 24, Patches);
    DisplayImage noPixels = image.image, noWidth = image.image, sixteenBits = image.image;
    noPixels.pixels = nullptr, noWidth.width = 0, sixteenBits.bitCount = 16;
    const ::Window gone = MakeWindow(100, 0, 16, 16);
    XDestroyWindow(connection_, gone);
    XSync(connection_, False);
    const DisplayRect rect{0, 0, 8, 6};
    for (StretchMode mode : {StretchMode::ColourOnColour, StretchMode::Halftone}) {
        // No size, or outside the window: right of it, above it.
        for (const DisplayRect& target : {DisplayRect{0, 0, 0, 6}, DisplayRect{0, 0, 8, 0}, DisplayRect{10, 10, -8, -6},
                                          DisplayRect{64, 0, 8, 6}, DisplayRect{0, -6, 8, 6}})
            display_->Stretch(window_, target, image.image, mode);
        for (const DisplayImage& unusable : {noPixels, noWidth, sixteenBits})
            display_->Stretch(window_, rect, unusable, mode);
        display_->Stretch(gone, rect, image.image, mode);
        display_->Stretch(0x1FFFFFF0, rect, image.image, mode);
        // Not an X id at all, though its low 32 bits name the test window.
        display_->Stretch((std::uintptr_t{1} << 40) | window_, rect, image.image, mode);
    }
    ExpectUntouched(TakeScreenshot(window_));
    // The connection stays usable.
    display_->Stretch(window_, rect, image.image, StretchMode::ColourOnColour);
    ExpectPicture(TakeScreenshot(window_), rect, Patches);
    // Without DISPLAY the display draws nothing at all.
    const std::string name = std::getenv("DISPLAY");
    unsetenv("DISPLAY");
    std::unique_ptr<Display> null = OpenDisplay();
    setenv("DISPLAY", name.c_str(), 1);
    ASSERT_NE(null, nullptr);
    for (StretchMode mode : {StretchMode::ColourOnColour, StretchMode::Halftone})
        for (::Window target : {window_, ::Window{0}}) null->Stretch(target, {9, 7, 8, 6}, image.image, mode);
    ExpectPicture(TakeScreenshot(window_), rect, Patches);
}

TEST_F(X11DisplayDrawing, WindowZeroDrawsOntoTheScreenOverItsWindows) {
    const ::Window other = MakeWindow(300, 200, 16, 16);
    TestImage image(8, 6, 24, Patches);
    const DisplayRect rect{304, 205, 8, 6};
    display_->Stretch(0, rect, image.image, StretchMode::ColourOnColour);
    ExpectPicture(TakeScreenshot(0), rect, Patches, std::nullopt);
    ExpectPicture(TakeScreenshot(other), DisplayRect{4, 5, 8, 6}, Patches);
}

// ---- the live preview ----

// Where the picture scene has its grey and colour gradients above a field of
// fine rings, so that a sample out of place shows.
constexpr int kDetailLeft = 200, kDetailTop = 200;

// Calls of the two preview callbacks; the extended one fills the first memory
// row of its surface white, the bottom row of the picture.
std::atomic<int> g_frames{0}, g_surfaces{0};

int QCXAPI_CALL CountFrame(QCX_BYTE*, int, int, int, void*) { return ++g_frames, 0; }

int QCXAPI_CALL WhitenFirstRow(QCX_SURFACE* surface, QCX_BYTE*, int, int, int, void*) {
    std::memset(surface->pixels, 0xFF, static_cast<std::size_t>(surface->stride));
    return ++g_surfaces, 0;
}

// A copy of the display buffer: rows bottom-up, so picture row y (top row
// first) is memory row height - 1 - y.
struct PausedFrame {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(752u * 480u * 4u);
    int width = 0, height = 0, bitCount = 0;
    Rgb At(int x, int y) const {
        const std::uint8_t* p = &bytes[(static_cast<std::size_t>(height - 1 - y) * width + x) * (bitCount / 8)];
        return bitCount == 8 ? Grey(p[0]) : static_cast<Rgb>(p[2] << 16 | p[1] << 8 | p[0]);
    }
};

// A 200 x 160 window at the screen's top left, and one simulated camera
// previewing into it.
class PreviewDrawing : public XWindowTest {
protected:
    void SetUp() override {
        XWindowTest::SetUp();
        if (!IsSkipped()) window_ = MakeWindow(0, 0, 200, 160);
    }
    void TearDown() override {
        QCX_UnInit();  // stops the preview before the window goes
        for (const char* name : {"QCX_SIM", "QCX_SIM_SCENE", "QCX_SIM_TIMING"}) unsetenv(name);
        XWindowTest::TearDown();
    }

    // Opens the simulated camera of `type` (21 colour, 22 grey) looking at
    // `scene`, with a preview window of `width` x `height` from sensor column
    // `left`, row `top`, shown in `rect` of the test's window.
    void OpenCamera(const char* type, const char* scene, int width, int height, DisplayRect rect, int left = 0,
                    int top = 0) {
        setenv("QCX_SIM", type, 1), setenv("QCX_SIM_SCENE", scene, 1), setenv("QCX_SIM_TIMING", "fast", 1);
        ASSERT_EQ(QCX_Init(), QCX_STATUS_SUCCESS);
        int x = -1, y = -1, w = 0, h = 0;
        ASSERT_EQ(QCX_PreviewSetFieldOfView(0, left, top, width, height, 0, 0), QCX_STATUS_SUCCESS);
        ASSERT_EQ(QCX_PreviewGetFieldOfView(0, &x, &y, nullptr, nullptr, nullptr, nullptr), QCX_STATUS_SUCCESS);
        ASSERT_EQ(QCX_PreviewGetSize(0, &w, &h), QCX_STATUS_SUCCESS);
        ASSERT_EQ(std::tuple(x, y, w, h), std::tuple(left, top, width, height));
        ASSERT_EQ(QCX_PreviewSetCallback(0, CountFrame, nullptr), QCX_STATUS_SUCCESS);
        SetPos(rect);
    }

    void SetPos(const DisplayRect& rect) {
        ASSERT_EQ(QCX_PreviewSetPos(0, window_, rect.x, rect.y, rect.width, rect.height), QCX_STATUS_SUCCESS);
    }

    // Lets a few frames through after whatever was changed last.
    void PassFrames() {
        const int until = g_frames + 3;
        const auto end = std::chrono::steady_clock::now() + 10s;
        while (g_frames < until && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(2ms);
        ASSERT_GE(g_frames, until) << "the preview stalled";
    }

    // Shows the running preview in `rect`, lets frames through, pauses, waits
    // for the frozen frame to be redrawn (every 100 ms) and copies it out.
    PausedFrame PauseAndCopy(const DisplayRect& rect) {
        PausedFrame frame;
        SetPos(rect);
        PassFrames();
        EXPECT_EQ(QCX_PreviewPause(0, 1), QCX_STATUS_SUCCESS);
        std::this_thread::sleep_for(250ms);
        EXPECT_EQ(QCX_PreviewGetPausedDataEx(0, frame.bytes.data(), &frame.width, &frame.height, &frame.bitCount),
                  QCX_STATUS_SUCCESS);
        return frame;
    }

    ::Window window_ = 0;
};

TEST_F(PreviewDrawing, GreyFrameShowsOneToOneExactlyWithTheLastBufferRowAtTheTop) {
    const DisplayRect rect{17, 23, 160, 120};
    ASSERT_NO_FATAL_FAILURE(OpenCamera("22", "ramp", 160, 120, rect));
    ASSERT_EQ(QCX_PreviewStart(0, 1), QCX_STATUS_SUCCESS);
    const PausedFrame frame = PauseAndCopy(rect);
    ASSERT_EQ(frame.bitCount, 8);
    ASSERT_NE(frame.At(0, 0), frame.At(0, frame.height - 1)) << "top and bottom rows must differ to tell them apart";
    ExpectPicture(TakeScreenshot(window_), rect, [&](int x, int y) { return frame.At(x, y); });
}

TEST_F(PreviewDrawing, ColourFrameShrunkToHalfShowsOneCoveredSampleInEachPixel) {
    const DisplayRect rect{20, 10, 160, 120};
    ASSERT_NO_FATAL_FAILURE(OpenCamera("21", "picture", 320, 240, rect, kDetailLeft, kDetailTop));
    ASSERT_EQ(QCX_PreviewStart(0, 1), QCX_STATUS_SUCCESS);
    const PausedFrame frame = PauseAndCopy(rect);
    ASSERT_TRUE(frame.bitCount == 24 || frame.bitCount == 32) << frame.bitCount;
    const Screenshot shot = TakeScreenshot(window_);
    // Which of the samples a pixel covers it shows depends on the rounding of
    // the stretch, so any of them passes, each colour within 2. Where a pixel
    // passes it is its own expectation; where it fails, the top-left sample it
    // covers is named in the message.
    ExpectPicture(shot, rect, [&](int x, int y) {
        const Rgb shown = shot.At(rect.x + x, rect.y + y);
        for (int sy = 2 * y; sy <= 2 * y + 1; ++sy) {
            for (int sx = 2 * x; sx <= 2 * x + 1; ++sx) {
                bool near = true;
                for (int k = 0; k < 24; k += 8)
                    near = near && std::abs(int(shown >> k & 0xFF) - int(frame.At(sx, sy) >> k & 0xFF)) <= 2;
                if (near) return shown;
            }
        }
        return frame.At(2 * x, 2 * y);
    });
}

TEST_F(PreviewDrawing, WhatTheExtendedCallbackDrawsShowsAtTheBottomRow) {
    // A zero width draws nothing while both callbacks run.
    ASSERT_NO_FATAL_FAILURE(OpenCamera("21", "picture", 160, 120, {30, 20, 0, 120}, kDetailLeft, kDetailTop));
    ASSERT_EQ(QCX_PreviewSetCallbackEx(0, WhitenFirstRow, nullptr), QCX_STATUS_SUCCESS);
    ASSERT_EQ(QCX_PreviewStart(0, 1), QCX_STATUS_SUCCESS);
    ASSERT_NO_FATAL_FAILURE(PassFrames());
    const int surfaces = g_surfaces;
    ASSERT_NO_FATAL_FAILURE(PassFrames());
    EXPECT_GT(g_surfaces, surfaces);
    ExpectUntouched(TakeScreenshot(window_));
    // The drawing became part of the frame, which shows exactly at 1:1
    // although an extended callback smooths the stretch.
    const DisplayRect rect{30, 20, 160, 120};
    const PausedFrame frame = PauseAndCopy(rect);
    const Screenshot shot = TakeScreenshot(window_);
    ExpectPicture(shot, rect, [&](int x, int y) { return frame.At(x, y); });
    int white = 0, whiteAbove = 0;
    for (int x = 0; x < rect.width; ++x) {
        white += shot.At(rect.x + x, rect.y + rect.height - 1) == Grey(255);
        whiteAbove += shot.At(rect.x + x, rect.y + rect.height - 2) == Grey(255);
    }
    EXPECT_EQ(std::pair(white, whiteAbove < rect.width / 2), std::pair(rect.width, true)) << "only one row is white";
}

}  // namespace
}  // namespace qcx
