// The extended callback's drawing target where the system has no drawing
// context to lend: a plain copy of the image.
#include <cstring>

#include "camera/platform/display.h"

namespace qcx {

#if !defined(_WIN32)
void Display::CallOnCopy(std::uintptr_t /*window*/, QCX_PREVIEW_CALLBACK_EX callback, void* context,
                         std::uint8_t* pixels, int width, int height, int bitCount,
                         std::vector<std::uint8_t>& scratch) {
    const std::size_t stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(bitCount / 8);
    const std::size_t bytes = stride * static_cast<std::size_t>(height);
    scratch.assign(pixels, pixels + bytes);
    QCX_SURFACE surface{scratch.data(), width, height, static_cast<int>(stride), bitCount};
    callback(&surface, pixels, width, height, bitCount, context);
    std::memcpy(pixels, scratch.data(), bytes);
}
#endif

}  // namespace qcx
