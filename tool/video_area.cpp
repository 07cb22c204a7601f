#include "tool/video_area.h"

#include <QMetaObject>
#include <QPainter>

namespace pixmender {

VideoArea::VideoArea(QWidget* parent) : QWidget(parent) {
  // Every paint covers the whole area, so Qt need not clear it first.
  setAttribute(Qt::WA_OpaquePaintEvent);
}

QSize VideoArea::ClientSize() const { return contentsRect().size(); }

void VideoArea::PresentFrame(const QImage& frame) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    frame_ = frame;
    if (repaintQueued_) return;
    repaintQueued_ = true;
  }
  // Queued to the widget's thread; Qt drops it if the widget is gone by then.
  QMetaObject::invokeMethod(
      this,
      [this]() {
        {
          std::lock_guard<std::mutex> lock(mutex_);
          repaintQueued_ = false;
        }
        update();
      },
      Qt::QueuedConnection);
}

QImage VideoArea::CurrentFrame() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return frame_;
}

void VideoArea::paintEvent(QPaintEvent* /*event*/) {
  const QImage frame = CurrentFrame();
  QPainter painter(this);
  if (frame.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(rect(), frame);
}

}  // namespace pixmender
