// A plain top-level window for qcx preview --window: the library draws the
// preview into it; the tool only keeps it alive and notices resizing and
// closing.
#pragma once

#include <memory>
#include <string>

#include "qcxapi.h"

namespace qcxcli {

class PreviewWindow {
public:
    virtual ~PreviewWindow() = default;
    // What QCX_PreviewSetPos takes.
    virtual QCX_WINDOW handle() const = 0;
    // Handles what the window system sent. False once the user closed the
    // window; `width` and `height` report the client area.
    virtual bool Poll(int* width, int* height) = 0;
};

// A window of about this client size; null with the reason in `error` when
// no window can be opened (no display).
std::unique_ptr<PreviewWindow> OpenPreviewWindow(int width, int height, const std::string& title, std::string* error);

}  // namespace qcxcli
