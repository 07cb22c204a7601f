// The dialog's video area: shows the capture graph's latest frame, stretched
// to the widget as the platform's video window does.
#ifndef PIXMENDER_VIDEO_AREA_H
#define PIXMENDER_VIDEO_AREA_H

#include <QImage>
#include <QWidget>
#include <mutex>

#include "tool/video_window.h"

namespace pixmender {

class VideoArea : public QWidget, public VideoWindow {
  Q_OBJECT

 public:
  explicit VideoArea(QWidget* parent = nullptr);

  QSize ClientSize() const override;
  // Any thread: keeps the frame and asks the widget's thread for one repaint.
  void PresentFrame(const QImage& frame) override;
  // The frame shown by the next paint (null before the first one).
  QImage CurrentFrame() const;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  mutable std::mutex mutex_;
  QImage frame_;
  // One queued repaint at a time, however fast the frames come.
  bool repaintQueued_ = false;
};

}  // namespace pixmender

#endif
