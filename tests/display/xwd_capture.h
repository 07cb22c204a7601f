// Screenshots of the drawing tests' own X windows: windows of a known
// background colour, `xwd` captures of them parsed into RGB pixels, and
// comparisons of a rectangle of a capture with the picture expected there.
// Include it after every other header: Xlib's macros (Bool, None, Status)
// must not reach them.
#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "camera/platform/display.h"
#include "support/temp_folder.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace qcx::test {

using Rgb = std::uint32_t;  // 0xRRGGBB
constexpr Rgb kBackground = 0x204060;

inline Rgb Grey(int level) { return static_cast<Rgb>(level * 0x010101); }

// ---- screenshots ----

struct Screenshot {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;  // top row first
    Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

inline std::uint32_t XwdWord(const std::string& data, std::size_t at, bool bigEndian) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
        const auto byte = static_cast<std::uint8_t>(data[at + (bigEndian ? i : 3 - i)]);
        v = (v << 8) | byte;
    }
    return v;
}

inline int XwdChannel(std::uint32_t pixel, std::uint32_t mask) {
    return static_cast<int>((pixel & mask) >> std::countr_zero(mask));
}

// An XWD file: a header of big-endian 32-bit fields (its own size first),
// the window name, 12-byte colour map entries, then the pixel rows in the
// byte order the header names.
inline std::optional<Screenshot> ParseXwd(const std::string& file) {
    if (file.size() < 100) return std::nullopt;
    auto field = [&](int index) { return XwdWord(file, static_cast<std::size_t>(index) * 4, true); };
    const std::uint32_t headerSize = field(0), version = field(1), format = field(2);
    const std::uint32_t bitsPerPixel = field(11), bytesPerLine = field(12), colours = field(19);
    const bool msbFirst = field(7) == 1;
    const std::uint32_t red = field(14), green = field(15), blue = field(16);
    if (version != 7 || format != 2 /* ZPixmap */ || bitsPerPixel != 32 || !red || !green || !blue)
        return std::nullopt;
    Screenshot shot;
    shot.width = static_cast<int>(field(4));
    shot.height = static_cast<int>(field(5));
    const std::size_t start = headerSize + static_cast<std::size_t>(colours) * 12;
    if (file.size() < start + static_cast<std::size_t>(bytesPerLine) * shot.height) return std::nullopt;
    shot.pixels.reserve(static_cast<std::size_t>(shot.width) * shot.height);
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const std::uint32_t p =
                XwdWord(file, start + static_cast<std::size_t>(y) * bytesPerLine + x * 4u, msbFirst);
            shot.pixels.push_back(
                static_cast<Rgb>(XwdChannel(p, red) << 16 | XwdChannel(p, green) << 8 | XwdChannel(p, blue)));
        }
    }
    return shot;
}

// `what` is "-root" or "-id <window>".
inline Screenshot TakeScreenshot(const std::string& what) {
    TempFolder folder;
    const std::string path = folder.Path() + "/shot.xwd";
    const std::string command = "xwd " + what + " -silent -out " + path;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    std::optional<Screenshot> shot = ParseXwd(ReadFile(path));
    EXPECT_TRUE(shot.has_value()) << "unreadable screenshot of " << what;
    return shot.value_or(Screenshot{});
}

inline Screenshot TakeScreenshot(::Window window) {
    char id[32];
    std::snprintf(id, sizeof id, "-id 0x%lx", window);
    return TakeScreenshot(std::string(id));
}

// Compares a rectangle of a screenshot with `expected` (rectangle
// coordinates); every pixel outside it must still show `outside`.
inline void ExpectPicture(const Screenshot& shot, const DisplayRect& rect,
                          const std::function<Rgb(int, int)>& expected, std::optional<Rgb> outside = kBackground) {
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

inline void ExpectUntouched(const Screenshot& shot) { ExpectPicture(shot, DisplayRect{}, nullptr); }

// Sets or unsets an environment variable for one scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value) setenv(name, value, 1);
        else unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// ---- windows ----

// A fixture with a connection to the X server of DISPLAY; the test is
// skipped when there is none. Derived fixtures call SetUp first and return
// when IsSkipped().
class XWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || name[0] == '\0')
            GTEST_SKIP() << "no DISPLAY: xvfb-run is missing (Debian package xvfb), so nothing can be drawn";
        // A server that has just lost its last client (the previous test's)
        // resets itself and refuses connections for a moment.
        for (int attempt = 0; attempt < 100 && connection_ == nullptr; ++attempt) {
            if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            connection_ = XOpenDisplay(nullptr);
        }
        if (connection_ == nullptr) GTEST_SKIP() << "cannot reach the X server of DISPLAY=" << name;
    }
    void TearDown() override {
        if (connection_ != nullptr) XCloseDisplay(connection_);
        connection_ = nullptr;
    }

    // A mapped top-level window of the background colour, ready to be drawn
    // into when this returns.
    ::Window MakeWindow(int x, int y, int width, int height, Visual* visual = nullptr, int depth = 0) {
        XSetWindowAttributes attributes{};
        attributes.background_pixel = kBackground;
        attributes.border_pixel = 0;
        unsigned long mask = CWBackPixel | CWBorderPixel;
        const ::Window root = DefaultRootWindow(connection_);
        if (visual != nullptr) {
            attributes.colormap = XCreateColormap(connection_, root, visual, AllocNone);
            mask |= CWColormap;
        }
        const ::Window window =
            XCreateWindow(connection_, root, x, y, static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                          visual ? depth : static_cast<int>(CopyFromParent), InputOutput,
                          visual ? visual : static_cast<Visual*>(CopyFromParent), mask, &attributes);
        XSelectInput(connection_, window, StructureNotifyMask);
        XMapWindow(connection_, window);
        XEvent event;
        do XWindowEvent(connection_, window, StructureNotifyMask, &event);
        while (event.type != MapNotify);
        XSync(connection_, False);
        return window;
    }

    ::Display* connection_ = nullptr;
};

}  // namespace qcx::test
