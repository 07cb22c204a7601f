// The preview's window drawing with GDI. The display buffer becomes a
// device-independent bitmap: its header describes the image bottom-up, 8-bit
// images carry a grey palette, and rows are padded to whole 4-byte words as
// DIBs require (the display buffer packs them without padding). StretchDIBits
// scales it into the window; the extended callback draws with GDI into a
// memory device context that holds a DIB section copy of the image.
#include <windows.h>

#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "camera/platform/display.h"

namespace qcx {
namespace {

// The bitmap information of one image: the header and, for 8 bits, the grey
// palette.
struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD palette[256];
};

bool KnownBitCount(int bitCount) { return bitCount == 8 || bitCount == 24 || bitCount == 32; }

std::size_t PackedRowBytes(int width, int bitCount) {
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount / 8);
}

std::size_t DibRowBytes(int width, int bitCount) { return (PackedRowBytes(width, bitCount) + 3) & ~std::size_t{3}; }

void DescribeImage(int width, int height, int bitCount, DibInfo& info) {
    std::memset(&info, 0, sizeof info);
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = width;
    info.header.biHeight = height;  // positive: the bottom row comes first
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(bitCount);
    info.header.biCompression = BI_RGB;
    info.header.biSizeImage = static_cast<DWORD>(DibRowBytes(width, bitCount) * static_cast<std::size_t>(height));
    if (bitCount == 8) {
        info.header.biClrUsed = 256;
        for (int i = 0; i < 256; ++i) {
            const auto level = static_cast<BYTE>(i);
            info.palette[i] = RGBQUAD{level, level, level, 0};
        }
    }
}

const BITMAPINFO* AsBitmapInfo(const DibInfo& info) { return reinterpret_cast<const BITMAPINFO*>(&info); }

// Copies `height` rows of `rowBytes` bytes between buffers of the given strides.
void CopyRows(const std::uint8_t* source, std::size_t sourceStride, std::uint8_t* target, std::size_t targetStride,
              std::size_t rowBytes, int height) {
    for (int row = 0; row < height; ++row) {
        std::memcpy(target + static_cast<std::size_t>(row) * targetStride,
                    source + static_cast<std::size_t>(row) * sourceStride, rowBytes);
    }
}

// A window handle, or null for the screen.
HWND WindowOf(std::uintptr_t window) { return reinterpret_cast<HWND>(window); }

class GdiDisplay final : public Display {
public:
    void Stretch(std::uintptr_t window, const DisplayRect& target, const DisplayImage& image,
                 StretchMode mode) override {
        if (target.width <= 0 || target.height <= 0) return;
        if (image.pixels == nullptr || image.width <= 0 || image.height <= 0 || !KnownBitCount(image.bitCount))
            return;
        const HWND hwnd = WindowOf(window);
        if (hwnd != nullptr && !IsWindow(hwnd)) return;

        const std::size_t rowBytes = PackedRowBytes(image.width, image.bitCount);
        const std::size_t stride = DibRowBytes(image.width, image.bitCount);
        const void* bits = image.pixels;
        if (stride != rowBytes) {
            try {
                padded_.resize(stride * static_cast<std::size_t>(image.height));
            } catch (const std::bad_alloc&) {
                return;  // nothing drawn this frame; the next one tries again
            }
            CopyRows(image.pixels, rowBytes, padded_.data(), stride, rowBytes, image.height);
            bits = padded_.data();
        }
        DescribeImage(image.width, image.height, image.bitCount, info_);

        const HDC dc = GetDC(hwnd);
        if (dc == nullptr) return;
        // A window of a class with its own device context keeps its settings
        // between calls: the stretch mode and brush origin are put back.
        POINT brushOrigin{};
        bool brushMoved = false;
        int oldMode = 0;
        if (mode == StretchMode::Halftone) {
            oldMode = SetStretchBltMode(dc, HALFTONE);
            // Halftone stretching leaves the brush origin undefined.
            brushMoved = SetBrushOrgEx(dc, 0, 0, &brushOrigin) != 0;
        } else {
            oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        }
        StretchDIBits(dc, target.x, target.y, target.width, target.height, 0, 0, image.width, image.height, bits,
                      AsBitmapInfo(info_), DIB_RGB_COLORS, SRCCOPY);
        GdiFlush();
        if (oldMode != 0) SetStretchBltMode(dc, oldMode);
        if (brushMoved) SetBrushOrgEx(dc, brushOrigin.x, brushOrigin.y, nullptr);
        ReleaseDC(hwnd, dc);
    }

private:
    DibInfo info_{};
    std::vector<std::uint8_t> padded_;  // the image with DIB rows, when they differ
};

}  // namespace

// The drawing target is a memory device context compatible with the window's
// (the screen's when the window is 0 or gone) with a DIB section selected
// into it. The caller's scratch buffer is not needed: the section holds the
// copy. A frame whose section cannot be had is passed on without a callback.
void Display::CallOnCopy(std::uintptr_t window, QCX_PREVIEW_CALLBACK_EX callback, void* context,
                         std::uint8_t* pixels, int width, int height, int bitCount,
                         std::vector<std::uint8_t>& /*scratch*/) {
    if (callback == nullptr || pixels == nullptr || width <= 0 || height <= 0 || !KnownBitCount(bitCount)) return;
    HWND hwnd = WindowOf(window);
    if (hwnd != nullptr && !IsWindow(hwnd)) hwnd = nullptr;

    // The memory context lives on its own once made: the window's is given
    // back at once.
    const HDC windowDc = GetDC(hwnd);
    if (windowDc == nullptr) return;
    const HDC memoryDc = CreateCompatibleDC(windowDc);
    ReleaseDC(hwnd, windowDc);
    if (memoryDc == nullptr) return;

    DibInfo info;
    DescribeImage(width, height, bitCount, info);
    void* sectionBits = nullptr;
    const HBITMAP section = CreateDIBSection(memoryDc, AsBitmapInfo(info), DIB_RGB_COLORS, &sectionBits, nullptr, 0);
    const HGDIOBJ previous = section != nullptr ? SelectObject(memoryDc, section) : nullptr;
    if (previous != nullptr && previous != HGDI_ERROR && sectionBits != nullptr) {
        const std::size_t rowBytes = PackedRowBytes(width, bitCount);
        const std::size_t stride = DibRowBytes(width, bitCount);
        auto* bits = static_cast<std::uint8_t*>(sectionBits);
        CopyRows(pixels, rowBytes, bits, stride, rowBytes, height);
        GdiFlush();  // nothing batched is left to land on the copy
        callback(reinterpret_cast<QCX_DRAWING>(memoryDc), pixels, width, height, bitCount, context);
        GdiFlush();  // everything the callback drew is in the section
        CopyRows(bits, stride, pixels, rowBytes, rowBytes, height);
        SelectObject(memoryDc, previous);
    }
    if (section != nullptr) DeleteObject(section);
    DeleteDC(memoryDc);
}

std::unique_ptr<Display> OpenDisplay() { return std::make_unique<GdiDisplay>(); }

}  // namespace qcx
