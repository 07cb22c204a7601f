#include "frame_format.h"

namespace qcxgst {

namespace {

// video/x-bayer names of the colour orders, in the order of Bayer mode % 4.
constexpr const char* kBayerNames[] = {"bggr", "grbg", "rggb", "gbrg"};

const char* RawFormatName(FrameKind kind) {
    switch (kind) {
    case FrameKind::Bgr: return "BGR";
    case FrameKind::Bgrx: return "BGRx";
    case FrameKind::Gray8: return "GRAY8";
    case FrameKind::Gray16: return "GRAY16_LE";
    case FrameKind::Bayer: break;
    }
    return nullptr;
}

}  // namespace

int FrameFormat::BytesPerPixel() const {
    switch (kind) {
    case FrameKind::Bgr: return 3;
    case FrameKind::Bgrx: return 4;
    case FrameKind::Gray16: return 2;
    case FrameKind::Gray8:
    case FrameKind::Bayer: break;
    }
    return 1;
}

GstCaps* FrameFormat::ToCaps() const {
    const bool bayer = kind == FrameKind::Bayer;
    return gst_caps_new_simple(bayer ? "video/x-bayer" : "video/x-raw", "format", G_TYPE_STRING,
                               bayer ? kBayerNames[bayerOrder & 3] : RawFormatName(kind), "width", G_TYPE_INT,
                               width, "height", G_TYPE_INT, height, "framerate", GST_TYPE_FRACTION, 0, 1,
                               "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
}

FrameFormat ChooseFrameFormat(const CameraOutput& camera, bool raw) {
    FrameFormat format;
    format.width = camera.width;
    format.height = camera.height;
    format.bayerOrder = camera.bayerMode & 3;
    if (camera.dataBits == 16) {
        format.kind = FrameKind::Gray16;
        format.rawCapture = true;
    } else if (!camera.colour) {
        format.kind = FrameKind::Gray8;
        format.rawCapture = true;
    } else if (raw) {
        format.kind = FrameKind::Bayer;
        format.rawCapture = true;
    } else {
        format.kind = camera.bitCount == 32  ? FrameKind::Bgrx
                      : camera.bitCount == 8 ? FrameKind::Gray8
                                             : FrameKind::Bgr;
    }
    return format;
}

int TopDownBayerMode(int mode) { return mode | 4; }

GstCaps* TemplateCaps() {
    return gst_caps_from_string(
        "video/x-raw, format = (string) { BGR, BGRx, GRAY8, GRAY16_LE }, "
        "width = (int) [ 1, MAX ], height = (int) [ 1, MAX ], framerate = (fraction) [ 0/1, MAX ]; "
        "video/x-bayer, format = (string) { bggr, grbg, rggb, gbrg }, "
        "width = (int) [ 1, MAX ], height = (int) [ 1, MAX ], framerate = (fraction) [ 0/1, MAX ]");
}

}  // namespace qcxgst
