// Drawing a preview image stretched into a rectangle of a window. On Linux a
// window is an X11 window id and 0 the root window; without a display (no
// DISPLAY, or a build without X11) nothing is drawn. On Windows a window is
// an HWND and 0 the screen, drawn with GDI.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "qcxapi.h"

namespace qcx {

// An image in the layout of the preview's display buffer: `height` rows of
// `width` pixels, `bitCount` / 8 bytes each (8 = grey level, 24 = B G R,
// 32 = B G R X), rows packed without padding and stored bottom-up: the first
// row in memory is the bottom row of the picture.
struct DisplayImage {
    const std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int bitCount = 0;
};

struct DisplayRect {
    int x = 0, y = 0, width = 0, height = 0;
};

enum class StretchMode {
    ColourOnColour,  // nearest sample: fast, for the plain preview
    Halftone,        // area average: smooth, while an extended callback is set
};

class Display {
public:
    virtual ~Display() = default;
    // Stretches `image` onto `target` of `window`'s client area (0: the
    // root window, drawn over the windows on the screen); only the part of
    // the target inside the window is drawn, and the picture is there when
    // the call returns. Nothing happens for an empty target or image, an
    // unknown or vanished window, a window whose pixel format is not
    // TrueColor of 32 bits per pixel, or a bit count other than 8, 24 or 32;
    // nothing is reported either. Thread-safe for one caller at a time per
    // Display object; each preview owns its own.
    virtual void Stretch(std::uintptr_t window, const DisplayRect& target, const DisplayImage& image,
                         StretchMode mode) = 0;

    // Calls the extended preview callback with a drawing target that holds a
    // copy of the image `pixels` (in the layout above), then copies what it
    // drew back into `pixels`. The target is a QCX_SURFACE over `scratch`
    // (the caller's buffer, kept between frames); on Windows a memory device
    // context compatible with `window`'s, with a device-independent section.
    virtual void CallOnCopy(std::uintptr_t window, QCX_PREVIEW_CALLBACK_EX callback, void* context,
                            std::uint8_t* pixels, int width, int height, int bitCount,
                            std::vector<std::uint8_t>& scratch);
};

// On Linux a display connected to the X server of DISPLAY when the library
// was built with X11 and one can be reached, otherwise one that draws
// nothing; on Windows a GDI display.
std::unique_ptr<Display> OpenDisplay();

}  // namespace qcx
