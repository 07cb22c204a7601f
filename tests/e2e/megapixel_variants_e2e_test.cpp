// Every variant of the MT9J001 and 1280 x 1024 CMOS families captures raw
// and colour frames at full size and at a window: the raw frame is the ramp
// at the window's place (rows upside down where the grey chips flip them),
// the colour image has the size and depth the camera reports.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/sim_session.h"

namespace {

struct Variant {
    int type;
    int width, height;                 // the array
    int columnOffset, rowOffset;       // absolute address of its first site
    bool grey;
};

constexpr Variant kVariants[] = {
    {13, 3488, 2616, 0, 8, false}, {14, 3856, 2764, 8, 8, false}, {25, 3488, 2616, 0, 8, false},
    {26, 3856, 2764, 8, 8, false}, {27, 4608, 3288, 8, 8, false}, {43, 3488, 2616, 0, 8, false},
    {44, 3856, 2764, 8, 8, false}, {45, 4608, 3288, 8, 8, false}, {0, 1280, 1024, 16, 8, false},
    {1, 1280, 1024, 16, 8, true},  {4, 1280, 1024, 16, 8, false}, {5, 1280, 1024, 16, 8, true},
    {17, 1280, 1024, 16, 8, false}, {18, 1280, 1024, 16, 8, true}, {33, 1280, 1024, 16, 8, false},
    {34, 1280, 1024, 16, 8, true}, {38, 1280, 1024, 16, 8, false}, {39, 1280, 1024, 16, 8, true},
};

using MegapixelVariantsE2E = e2e::SimSession;

TEST_F(MegapixelVariantsE2E, EveryVariantCapturesRawAndColourAtFullSizeAndAtAWindow) {
    std::string list;
    for (const Variant& v : kVariants) list += (list.empty() ? "" : ",") + std::to_string(v.type);
    Start(list.c_str());
    for (camera = 0; camera < static_cast<int>(std::size(kVariants)); ++camera) {
        const Variant& v = kVariants[camera];
        SCOPED_TRACE(v.type);
        for (const bool window : {false, true}) {
            const int c0 = window ? 200 : 0, r0 = window ? 100 : 0;
            const int w = window ? 320 : v.width, h = window ? 240 : v.height;
            ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, c0, r0, w, h, 0, 0), 1);
            std::vector<unsigned char> raw(static_cast<std::size_t>(w) * h);
            ASSERT_EQ(QCX_CaptureRawData(camera, raw.data()), 1);
            // The last two columns and the last row are patched from their neighbours.
            for (int y = 0; y < h - 1; y += 37) {
                const int row = v.rowOffset + r0 + (v.grey ? h - 1 - y : y);
                for (int x = 0; x < w - 2; x += 3)
                    ASSERT_EQ(raw[static_cast<std::size_t>(y) * w + x], (v.columnOffset + c0 + x + 2 * row) % 256)
                        << x << "," << y;
            }
            int iw = 0, ih = 0, bits = 0;
            std::vector<unsigned char> image(raw.size() * 4);
            ASSERT_EQ(QCX_CaptureRgbDataEx(camera, image.data(), &iw, &ih, &bits), 1);
            EXPECT_EQ((std::vector{iw, ih, bits}), (std::vector{w, h, v.grey ? 8 : 24}));
        }
    }
}

}  // namespace
