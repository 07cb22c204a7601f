// What qcxsrc hands downstream for a camera's settings: the caps, the bytes
// of a frame and which capture call fills them.
#pragma once

#include <gst/gst.h>

#include <cstddef>

namespace qcxgst {

enum class FrameKind { Bgr, Bgrx, Gray8, Gray16, Bayer };

// The camera's output as the library reports it once the settings are made.
struct CameraOutput {
    int width = 0;
    int height = 0;
    int bitCount = 24;   // of a processed image: 8, 24 or 32
    int dataBits = 8;    // transfer: 16 or 8
    bool colour = true;  // output mode 1: frames go through the Bayer filter
    int bayerMode = 0;
};

struct FrameFormat {
    FrameKind kind = FrameKind::Bgr;
    int width = 0;
    int height = 0;
    int bayerOrder = 0;       // Bayer mode % 4: BGGR, GRBG, RGGB, GBRG
    bool rawCapture = false;  // QCX_CaptureRawData, not QCX_CaptureRgbDataEx

    int BytesPerPixel() const;
    std::size_t RowBytes() const { return static_cast<std::size_t>(width) * BytesPerPixel(); }
    std::size_t FrameBytes() const { return RowBytes() * static_cast<std::size_t>(height); }
    // GStreamer starts every row of these formats at a 4-byte boundary; the
    // library writes rows without padding.
    bool RowsUnpadded() const { return RowBytes() % 4 == 0; }
    // Fixed caps of these frames, at a variable frame rate (0/1).
    GstCaps* ToCaps() const;
};

// 16-bit transfer gives the raw samples as GRAY16_LE (the library's 16-bit
// colour images have no GStreamer format); `raw` gives the mosaic as
// video/x-bayer; otherwise the processed image: BGR, BGRx or GRAY8 by its
// bit count. A camera in grey output mode (the monochrome ones) sends its
// raw frame as GRAY8 either way.
FrameFormat ChooseFrameFormat(const CameraOutput& camera, bool raw);

// The Bayer mode of the same colour order and output pixels whose image rows
// come top row first, as GStreamer wants them (for 8-bit samples: the upper
// half of each group of eight, 4-7, 12-15, 20-23).
int TopDownBayerMode(int mode);

// Everything qcxsrc may produce, for its pad template.
GstCaps* TemplateCaps();

}  // namespace qcxgst
