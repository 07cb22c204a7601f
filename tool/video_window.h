// Where the capture graph's display branch delivers live video: the dialog's
// video area, or a test double.
#ifndef PIXMENDER_VIDEO_WINDOW_H
#define PIXMENDER_VIDEO_WINDOW_H

#include <QImage>
#include <QSize>

namespace pixmender {

class VideoWindow {
 public:
  virtual ~VideoWindow() = default;
  // The size of the window's client area, read on the caller's thread when
  // the graph is attached.
  virtual QSize ClientSize() const = 0;
  // Called on a GStreamer streaming thread with each displayed frame (RGB32);
  // the implementation must hand it to its own thread before touching widgets.
  virtual void PresentFrame(const QImage& frame) = 0;
};

}  // namespace pixmender

#endif
