#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include "cli/preview_window.h"

namespace qcxcli {

namespace {

class X11PreviewWindow : public PreviewWindow {
public:
    X11PreviewWindow(Display* display, Window window, Atom deleteWindow, int width, int height)
        : display_(display), window_(window), deleteWindow_(deleteWindow), width_(width), height_(height) {}

    ~X11PreviewWindow() override {
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }

    QCX_WINDOW handle() const override { return static_cast<QCX_WINDOW>(window_); }

    bool Poll(int* width, int* height) override {
        while (XPending(display_) > 0) {
            XEvent event;
            XNextEvent(display_, &event);
            if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_) open_ = false;
            if (event.type == ConfigureNotify) {
                width_ = event.xconfigure.width;
                height_ = event.xconfigure.height;
            }
        }
        *width = width_;
        *height = height_;
        return open_;
    }

private:
    Display* display_;
    Window window_;
    Atom deleteWindow_;
    int width_;
    int height_;
    bool open_ = true;
};

}  // namespace

std::unique_ptr<PreviewWindow> OpenPreviewWindow(int width, int height, const std::string& title, std::string* error) {
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        *error = "cannot open the X display (is DISPLAY set?)";
        return nullptr;
    }
    const int screen = DefaultScreen(display);
    const Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                              static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                              BlackPixel(display, screen), BlackPixel(display, screen));
    XStoreName(display, window, title.c_str());
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    // The library draws from its own connection: the window must exist on
    // the server before it is handed over.
    XSync(display, False);
    return std::make_unique<X11PreviewWindow>(display, window, deleteWindow, width, height);
}

}  // namespace qcxcli
