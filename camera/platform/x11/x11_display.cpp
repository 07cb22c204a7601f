// The preview's window drawing on X11. Each Display owns one connection to the
// server of DISPLAY; every call stretches the bottom-up preview image into the
// visible part of the target rectangle, converts it to the window's pixel
// format and sends it with MIT-SHM (or XPutImage when the server cannot share
// memory with us), then waits for the server so the picture is on screen when
// the call returns.
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "camera/platform/display.h"

// Xlib defines macros such as Bool, Status and None: its headers come last.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

namespace qcx {
namespace {

// ---- error trap ----

// Xlib's error handler is one per process and its default ends the process,
// so an application closing the preview window under us would kill it. Every
// request of ours therefore runs inside a trap: our handler is installed for
// the time of the requests, notes errors of the trapped connection, hands
// errors of other connections (the application's own) to the handler it
// replaced, and the replaced handler is put back at the end. The mutex keeps
// two previews from installing and restoring crosswise; it also serialises
// opening and closing connections, which touch Xlib's global state.
std::mutex& XlibMutex() {
    static std::mutex mutex;
    return mutex;
}

std::atomic<::Display*> g_trappedConnection{nullptr};
std::atomic<bool> g_errorSeen{false};
std::atomic<XErrorHandler> g_replacedHandler{nullptr};
std::atomic<XIOErrorHandler> g_replacedIOHandler{nullptr};

int TrapHandler(::Display* connection, XErrorEvent* event) {
    if (connection == g_trappedConnection.load()) {
        g_errorSeen = true;
        return 0;
    }
    XErrorHandler replaced = g_replacedHandler.load();
    return replaced != nullptr ? replaced(connection, event) : 0;
}

// A lost connection (the server went away) is fatal in Xlib's default
// handler as well; for ours it returns, and the connection's exit handler
// marks it lost instead of ending the process.
int TrapIOHandler(::Display* connection) {
    if (connection == g_trappedConnection.load()) return 0;
    XIOErrorHandler replaced = g_replacedIOHandler.load();
    return replaced != nullptr ? replaced(connection) : 0;
}

class ErrorTrap {
public:
    explicit ErrorTrap(::Display* connection) : lock_(XlibMutex()), connection_(connection) {
        g_errorSeen = false;
        g_trappedConnection = connection;
        XErrorHandler replaced = XSetErrorHandler(&TrapHandler);
        XIOErrorHandler replacedIO = XSetIOErrorHandler(&TrapIOHandler);
        // Another library that saved our handlers and put them back must not
        // make ours forward to themselves.
        if (replaced != &TrapHandler) g_replacedHandler = replaced;
        if (replacedIO != &TrapIOHandler) g_replacedIOHandler = replacedIO;
    }
    ~ErrorTrap() {
        XSetIOErrorHandler(g_replacedIOHandler.load());
        XSetErrorHandler(g_replacedHandler.load());
        g_trappedConnection = nullptr;
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;

    // Waits until the server has handled every request sent so far; true
    // when one of them failed since the trap was set or last cleared.
    bool Failed() {
        XSync(connection_, False);
        return g_errorSeen.load();
    }
    void Clear() { g_errorSeen = false; }

private:
    std::lock_guard<std::mutex> lock_;
    ::Display* connection_;
};

// ---- pixel format ----

// Window pixels as 32-bit words in the server's byte order, one table per
// colour: a pixel is red[r] | green[g] | blue[b]. Tables make any TrueColor
// channel layout (and a foreign byte order) cost nothing per pixel.
struct PixelTables {
    std::uint32_t red[256];
    std::uint32_t green[256];
    std::uint32_t blue[256];
    std::uint32_t grey[256];
};

std::uint32_t SwapBytes(std::uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

bool FillChannel(unsigned long mask, bool swap, std::uint32_t (&table)[256]) {
    if (mask == 0 || mask > 0xFFFFFFFFul) return false;
    const auto bits32 = static_cast<std::uint32_t>(mask);
    const int shift = std::countr_zero(bits32);
    const int width = std::popcount(bits32);
    const std::uint64_t top = (std::uint64_t{1} << width) - 1;
    if ((bits32 >> shift) != top) return false;  // not one run of bits
    for (std::uint32_t v = 0; v < 256; ++v) {
        const auto level = static_cast<std::uint32_t>((v * top + 127) / 255);
        const std::uint32_t word = level << shift;
        table[v] = swap ? SwapBytes(word) : word;
    }
    return true;
}

// ---- stretch plan ----

// Weights of one target pixel's source samples add up to this; with two axes
// the sums stay within 32 bits (4096 * 4096 * 255 + rounding < 2^32), and a
// plain copy keeps every value exactly.
constexpr int kWeightBits = 12;
constexpr std::uint32_t kWeightSum = 1u << kWeightBits;

// Which source samples make each visible target pixel along one axis.
struct AxisPlan {
    std::vector<int> nearest;  // colour on colour: the sample under the pixel's centre
    // halftone: samples first[i] .. first[i] + count[i] - 1, weights from offset[i]
    std::vector<int> first, count, offset;
    std::vector<std::uint16_t> weights;
    // Every target pixel lies within one sample (a plain copy or a whole-number
    // enlargement): the area average is then the nearest sample, `nearest`.
    bool singleSamples = false;

    void Build(int source, int target, int begin, int end, StretchMode mode) {
        nearest.clear();
        first.clear();
        count.clear();
        offset.clear();
        weights.clear();
        const std::int64_t s = source, t = target;
        for (std::int64_t i = begin; i < end; ++i) {
            if (mode == StretchMode::ColourOnColour) {
                nearest.push_back(static_cast<int>((2 * i + 1) * s / (2 * t)));
                continue;
            }
            // In units where a target pixel is `s` long and a sample `t`
            // long, the pixel covers [i*s, (i+1)*s). Each sample weighs its
            // overlap; rounding the running overlap (not each weight) makes
            // the weights add up to exactly kWeightSum.
            const std::int64_t lo = i * s, hi = lo + s;
            const std::int64_t firstSample = lo / t, lastSample = (hi - 1) / t;
            auto scaled = [&](std::int64_t at) { return ((at - lo) * kWeightSum + s / 2) / s; };
            first.push_back(static_cast<int>(firstSample));
            count.push_back(static_cast<int>(lastSample - firstSample + 1));
            offset.push_back(static_cast<int>(weights.size()));
            for (std::int64_t k = firstSample; k <= lastSample; ++k) {
                const std::int64_t from = std::max(k * t, lo), to = std::min((k + 1) * t, hi);
                weights.push_back(static_cast<std::uint16_t>(scaled(to) - scaled(from)));
            }
        }
        singleSamples = mode == StretchMode::Halftone && weights.size() == first.size();
        if (singleSamples) nearest = first;
    }
};

struct PlanKey {
    int sourceWidth = 0, sourceHeight = 0, targetWidth = 0, targetHeight = 0;
    int left = 0, right = 0, top = 0, bottom = 0;  // visible part, target coordinates
    StretchMode mode = StretchMode::ColourOnColour;
    bool operator==(const PlanKey&) const = default;
};

// Rows of the picture counted from the top; the image stores the bottom row first.
const std::uint8_t* PictureRow(const DisplayImage& image, int row, std::size_t stride) {
    return image.pixels + static_cast<std::size_t>(image.height - 1 - row) * stride;
}

void StorePixel(char* row, std::size_t column, std::uint32_t pixel) {
    std::memcpy(row + column * 4, &pixel, 4);
}

template <int kBytes>
void DrawNearest(const DisplayImage& image, const AxisPlan& columns, const AxisPlan& rows,
                 const PixelTables& tables, XImage* out) {
    const std::size_t stride = static_cast<std::size_t>(image.width) * kBytes;
    const std::size_t width = columns.nearest.size();
    for (std::size_t r = 0; r < rows.nearest.size(); ++r) {
        const std::uint8_t* source = PictureRow(image, rows.nearest[r], stride);
        char* target = out->data + r * static_cast<std::size_t>(out->bytes_per_line);
        for (std::size_t c = 0; c < width; ++c) {
            const std::uint8_t* p = source + static_cast<std::size_t>(columns.nearest[c]) * kBytes;
            if constexpr (kBytes == 1)
                StorePixel(target, c, tables.grey[p[0]]);
            else
                StorePixel(target, c, tables.blue[p[0]] | tables.green[p[1]] | tables.red[p[2]]);
        }
    }
}

// Area average: a box filter over the samples each target pixel covers,
// weighted by the covered part, first along the row and then across rows.
template <int kBytes>
void DrawAreaAverage(const DisplayImage& image, const AxisPlan& columns, const AxisPlan& rows,
                     const PixelTables& tables, std::vector<std::uint32_t>& sums, XImage* out) {
    constexpr int kChannels = kBytes == 1 ? 1 : 3;  // the fourth byte of 32-bit pixels is unused
    constexpr std::uint32_t kHalf = 1u << (2 * kWeightBits - 1);
    const std::size_t stride = static_cast<std::size_t>(image.width) * kBytes;
    const std::size_t width = columns.first.size();
    for (std::size_t r = 0; r < rows.first.size(); ++r) {
        std::fill(sums.begin(), sums.begin() + static_cast<std::ptrdiff_t>(width * kChannels), 0u);
        for (int ty = 0; ty < rows.count[r]; ++ty) {
            const std::uint32_t rowWeight = rows.weights[static_cast<std::size_t>(rows.offset[r] + ty)];
            if (rowWeight == 0) continue;
            const std::uint8_t* source = PictureRow(image, rows.first[r] + ty, stride);
            for (std::size_t c = 0; c < width; ++c) {
                const std::uint8_t* p = source + static_cast<std::size_t>(columns.first[c]) * kBytes;
                const std::uint16_t* w = &columns.weights[static_cast<std::size_t>(columns.offset[c])];
                std::uint32_t along[kChannels] = {};
                for (int tx = 0; tx < columns.count[c]; ++tx, p += kBytes)
                    for (int k = 0; k < kChannels; ++k) along[k] += w[tx] * p[k];
                for (int k = 0; k < kChannels; ++k) sums[c * kChannels + k] += rowWeight * along[k];
            }
        }
        char* target = out->data + r * static_cast<std::size_t>(out->bytes_per_line);
        const std::uint32_t* s = sums.data();
        for (std::size_t c = 0; c < width; ++c, s += kChannels) {
            if constexpr (kChannels == 1) {
                StorePixel(target, c, tables.grey[(s[0] + kHalf) >> (2 * kWeightBits)]);
            } else {
                StorePixel(target, c,
                           tables.blue[(s[0] + kHalf) >> (2 * kWeightBits)] |
                               tables.green[(s[1] + kHalf) >> (2 * kWeightBits)] |
                               tables.red[(s[2] + kHalf) >> (2 * kWeightBits)]);
            }
        }
    }
}

// X resource ids use 29 bits; a larger handle names no window (and would be
// cut to some other id on the wire).
constexpr std::uintptr_t kLargestXid = 0x1FFFFFFF;

// ---- the display ----

class X11Display final : public Display {
public:
    X11Display();
    ~X11Display() override;
    X11Display(const X11Display&) = delete;
    X11Display& operator=(const X11Display&) = delete;

    void Stretch(std::uintptr_t window, const DisplayRect& target, const DisplayImage& image,
                 StretchMode mode) override;

private:
    // Where the rendered part of the target goes.
    struct Placement {
        ::Window drawable = 0;
        int x = 0, y = 0;  // in the window
    };

    static void OnConnectionLost(::Display*, void* self) {
        auto* display = static_cast<X11Display*>(self);
        if (!display->lost_) std::fputs("qcx: the X server went away; the preview draws nothing any more\n", stderr);
        display->lost_ = true;
    }

    bool Prepare(ErrorTrap& trap, std::uintptr_t window, const DisplayRect& target, const DisplayImage& image,
                 StretchMode mode, Placement& placement);
    bool UseWindow(::Window drawable, ::Window root, unsigned depth);
    bool PrepareImage(ErrorTrap& trap, int width, int height);
    void ReleaseImage();
    void ForgetWindow(ErrorTrap& trap);
    void Render(const DisplayImage& image);

    ::Display* connection_ = nullptr;
    bool lost_ = false;
    bool shmUsable_ = false;

    // The window of the last call; its pixel format and a graphics context
    // for its root and depth.
    ::Window window_ = 0;
    unsigned depth_ = 0;
    Visual* visual_ = nullptr;
    bool formatUsable_ = false;
    PixelTables tables_{};
    GC gc_ = nullptr;
    ::Window gcRoot_ = 0;
    unsigned gcDepth_ = 0;
    bool gcIncludesChildren_ = false;

    // The image sent to the server, kept while the visible size stays.
    XImage* image_ = nullptr;
    bool imageShared_ = false;
    XShmSegmentInfo segment_{};
    std::vector<char> imageMemory_;
    Visual* imageVisual_ = nullptr;
    unsigned imageDepth_ = 0;

    PlanKey planKey_{};
    bool planValid_ = false;
    AxisPlan columns_, rows_;
    std::vector<std::uint32_t> sums_;
};

X11Display::X11Display() {
    {
        std::lock_guard<std::mutex> lock(XlibMutex());
        connection_ = XOpenDisplay(nullptr);
    }
    if (connection_ == nullptr) return;
    // A server that goes away must leave the process running: the connection
    // is then marked lost and draws nothing any more.
    XSetIOErrorExitHandler(connection_, &X11Display::OnConnectionLost, this);
    ErrorTrap trap(connection_);
    shmUsable_ = XShmQueryExtension(connection_) == True;
}

X11Display::~X11Display() {
    if (connection_ == nullptr) return;
    ErrorTrap trap(connection_);
    ReleaseImage();
    if (gc_ != nullptr) XFreeGC(connection_, gc_);
    XCloseDisplay(connection_);
}

void X11Display::Stretch(std::uintptr_t window, const DisplayRect& target, const DisplayImage& image,
                         StretchMode mode) {
    if (connection_ == nullptr || lost_) return;
    if (target.width <= 0 || target.height <= 0) return;
    if (image.pixels == nullptr || image.width <= 0 || image.height <= 0) return;
    if (image.bitCount != 8 && image.bitCount != 24 && image.bitCount != 32) return;
    if (window > kLargestXid) return;
    try {
        Placement placement;
        {
            ErrorTrap trap(connection_);
            if (!Prepare(trap, window, target, image, mode, placement)) return;
        }
        // Rendering touches no connection, so other previews may draw meanwhile.
        Render(image);
        ErrorTrap trap(connection_);
        const auto width = static_cast<unsigned>(image_->width), height = static_cast<unsigned>(image_->height);
        if (imageShared_)
            XShmPutImage(connection_, placement.drawable, gc_, image_, 0, 0, placement.x, placement.y, width, height,
                         False);
        else
            XPutImage(connection_, placement.drawable, gc_, image_, 0, 0, placement.x, placement.y, width, height);
        // A window that went away or changed under us: look it up afresh next time.
        if (trap.Failed()) ForgetWindow(trap);
    } catch (const std::bad_alloc&) {
        // Nothing drawn this frame; the next one tries again.
    }
}

// Finds the visible part of the target and makes the plan and the image for
// it. False: nothing to draw.
bool X11Display::Prepare(ErrorTrap& trap, std::uintptr_t window, const DisplayRect& target,
                         const DisplayImage& image, StretchMode mode, Placement& placement) {
    const ::Window drawable = window != 0 ? static_cast<::Window>(window) : DefaultRootWindow(connection_);
    ::Window root = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    // One round trip that also tells an unknown window (the call fails).
    if (!XGetGeometry(connection_, drawable, &root, &x, &y, &width, &height, &border, &depth)) return false;
    if (!UseWindow(drawable, root, depth)) return false;

    // Only the part of the target inside the window is computed and sent.
    const std::int64_t left = std::max<std::int64_t>(0, -std::int64_t{target.x});
    const std::int64_t top = std::max<std::int64_t>(0, -std::int64_t{target.y});
    const std::int64_t right = std::min<std::int64_t>(target.width, std::int64_t{width} - target.x);
    const std::int64_t bottom = std::min<std::int64_t>(target.height, std::int64_t{height} - target.y);
    if (right <= left || bottom <= top) return false;

    const PlanKey key{.sourceWidth = image.width,
                      .sourceHeight = image.height,
                      .targetWidth = target.width,
                      .targetHeight = target.height,
                      .left = static_cast<int>(left),
                      .right = static_cast<int>(right),
                      .top = static_cast<int>(top),
                      .bottom = static_cast<int>(bottom),
                      .mode = mode};
    if (!planValid_ || !(key == planKey_)) {
        planValid_ = false;
        columns_.Build(image.width, target.width, key.left, key.right, mode);
        rows_.Build(image.height, target.height, key.top, key.bottom, mode);
        if (mode == StretchMode::Halftone) sums_.resize(static_cast<std::size_t>(key.right - key.left) * 3);
        planKey_ = key;
        planValid_ = true;
    }
    if (!PrepareImage(trap, key.right - key.left, key.bottom - key.top)) return false;
    placement.drawable = drawable;
    placement.x = static_cast<int>(target.x + left);
    placement.y = static_cast<int>(target.y + top);
    return true;
}

// Looks up the window's pixel format when the window (or its depth) changed,
// and keeps a graphics context that fits it. False: nothing can be drawn.
bool X11Display::UseWindow(::Window drawable, ::Window root, unsigned depth) {
    if (drawable != window_ || depth != depth_ || visual_ == nullptr) {
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(connection_, drawable, &attributes)) return false;
        window_ = drawable;
        depth_ = depth;
        visual_ = attributes.visual;
        formatUsable_ = false;
        int bitsPerPixel = 0, count = 0;
        if (XPixmapFormatValues* formats = XListPixmapFormats(connection_, &count)) {
            for (int i = 0; i < count; ++i)
                if (formats[i].depth == static_cast<int>(depth)) bitsPerPixel = formats[i].bits_per_pixel;
            XFree(formats);
        }
        const bool swap = (ImageByteOrder(connection_) == LSBFirst) != (std::endian::native == std::endian::little);
        formatUsable_ = attributes.c_class == InputOutput && visual_ != nullptr && visual_->c_class == TrueColor &&
                        bitsPerPixel == 32 && FillChannel(visual_->red_mask, swap, tables_.red) &&
                        FillChannel(visual_->green_mask, swap, tables_.green) &&
                        FillChannel(visual_->blue_mask, swap, tables_.blue);
        if (formatUsable_) {
            for (int v = 0; v < 256; ++v) tables_.grey[v] = tables_.red[v] | tables_.green[v] | tables_.blue[v];
        } else {
            static std::atomic<bool> told{false};
            if (!told.exchange(true)) {
                std::fprintf(stderr,
                             "qcx: the preview draws only into TrueColor windows of 32 bits per pixel; "
                             "window 0x%lx (depth %u) shows nothing\n",
                             static_cast<unsigned long>(drawable), depth);
            }
        }
    }
    if (!formatUsable_) return false;

    if (gc_ == nullptr || gcRoot_ != root || gcDepth_ != depth) {
        if (gc_ != nullptr) XFreeGC(connection_, gc_);
        gc_ = XCreateGC(connection_, drawable, 0, nullptr);
        gcRoot_ = root;
        gcDepth_ = depth;
        gcIncludesChildren_ = false;
    }
    // The root window stands for the whole screen: draw over the windows on it.
    const bool includeChildren = drawable == root;
    if (includeChildren != gcIncludesChildren_) {
        XSetSubwindowMode(connection_, gc_, includeChildren ? IncludeInferiors : ClipByChildren);
        gcIncludesChildren_ = includeChildren;
    }
    return true;
}

bool X11Display::PrepareImage(ErrorTrap& trap, int width, int height) {
    if (image_ != nullptr && image_->width == width && image_->height == height && imageVisual_ == visual_ &&
        imageDepth_ == depth_)
        return true;
    ReleaseImage();
    if (shmUsable_) {
        segment_ = XShmSegmentInfo{};
        image_ = XShmCreateImage(connection_, visual_, depth_, ZPixmap, nullptr, &segment_,
                                 static_cast<unsigned>(width), static_cast<unsigned>(height));
        if (image_ != nullptr) {
            const std::size_t size = static_cast<std::size_t>(image_->bytes_per_line) * static_cast<std::size_t>(height);
            segment_.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
            void* address = segment_.shmid >= 0 ? shmat(segment_.shmid, nullptr, 0) : reinterpret_cast<void*>(-1);
            if (address != reinterpret_cast<void*>(-1)) {
                segment_.shmaddr = image_->data = static_cast<char*>(address);
                segment_.readOnly = False;
                XShmAttach(connection_, &segment_);
                // A server on another host (or one refused the segment) fails here.
                const bool attached = !trap.Failed();
                trap.Clear();
                // Marked for removal now, the segment goes away with the last detach,
                // even when the process dies.
                shmctl(segment_.shmid, IPC_RMID, nullptr);
                if (attached) {
                    imageShared_ = true;
                    imageVisual_ = visual_;
                    imageDepth_ = depth_;
                    return true;
                }
                shmdt(segment_.shmaddr);
            } else if (segment_.shmid >= 0) {
                shmctl(segment_.shmid, IPC_RMID, nullptr);
            }
            image_->data = nullptr;
            XDestroyImage(image_);
            image_ = nullptr;
        }
        shmUsable_ = false;  // plain XPutImage from now on
    }
    image_ = XCreateImage(connection_, visual_, depth_, ZPixmap, 0, nullptr, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), 32, 0);
    if (image_ == nullptr) return false;
    try {
        imageMemory_.resize(static_cast<std::size_t>(image_->bytes_per_line) * static_cast<std::size_t>(height));
    } catch (const std::bad_alloc&) {
        XDestroyImage(image_);
        image_ = nullptr;
        throw;
    }
    image_->data = imageMemory_.data();
    imageShared_ = false;
    imageVisual_ = visual_;
    imageDepth_ = depth_;
    return true;
}

void X11Display::ReleaseImage() {
    if (image_ == nullptr) return;
    if (imageShared_) {
        XShmDetach(connection_, &segment_);
        XSync(connection_, False);  // the server lets go before we do
        shmdt(segment_.shmaddr);
    }
    image_->data = nullptr;  // the memory is ours, not Xlib's
    XDestroyImage(image_);
    image_ = nullptr;
    imageShared_ = false;
}

void X11Display::ForgetWindow(ErrorTrap& trap) {
    window_ = 0;
    visual_ = nullptr;
    formatUsable_ = false;
    // The context may never have been made (its window was already gone), so
    // freeing it may fail as well: inside the trap, and waited for.
    if (gc_ != nullptr) {
        XFreeGC(connection_, gc_);
        trap.Failed();
    }
    gc_ = nullptr;
}

void X11Display::Render(const DisplayImage& image) {
    const bool nearest = planKey_.mode == StretchMode::ColourOnColour ||
                         (columns_.singleSamples && rows_.singleSamples);
    switch (image.bitCount) {
        case 8:
            return nearest ? DrawNearest<1>(image, columns_, rows_, tables_, image_)
                           : DrawAreaAverage<1>(image, columns_, rows_, tables_, sums_, image_);
        case 24:
            return nearest ? DrawNearest<3>(image, columns_, rows_, tables_, image_)
                           : DrawAreaAverage<3>(image, columns_, rows_, tables_, sums_, image_);
        default:
            return nearest ? DrawNearest<4>(image, columns_, rows_, tables_, image_)
                           : DrawAreaAverage<4>(image, columns_, rows_, tables_, sums_, image_);
    }
}

}  // namespace

std::unique_ptr<Display> OpenDisplay() { return std::make_unique<X11Display>(); }

}  // namespace qcx
