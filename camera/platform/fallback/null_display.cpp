// Builds without X11 have no window to draw into: the preview's drawing step
// does nothing, while callbacks and recording go on as usual.
#include <memory>

#include "camera/platform/display.h"

namespace qcx {
namespace {

class NullDisplay final : public Display {
public:
    void Stretch(std::uintptr_t, const DisplayRect&, const DisplayImage&, StretchMode) override {}
};

}  // namespace

std::unique_ptr<Display> OpenDisplay() { return std::make_unique<NullDisplay>(); }

}  // namespace qcx
