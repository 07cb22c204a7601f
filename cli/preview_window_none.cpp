#include "cli/preview_window.h"

namespace qcxcli {

std::unique_ptr<PreviewWindow> OpenPreviewWindow(int, int, const std::string&, std::string* error) {
    *error = "this qcx was built without a window system";
    return nullptr;
}

}  // namespace qcxcli
