// The video area: frames handed over from another thread are painted
// stretched over the whole widget, and the capture graph can feed it.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPixmap>
#include <thread>

#include "graph_test_sources.h"
#include "tool/capture_graph.h"
#include "tool/video_area.h"

namespace pixmender {
namespace {

QImage Painted(VideoArea& area) { return area.grab().toImage(); }

TEST(GraphVideoArea, PaintsAFrameDeliveredFromAnotherThreadStretched) {
  VideoArea area;
  area.resize(80, 60);
  EXPECT_EQ(Painted(area).pixelColor(20, 15), QColor(Qt::black));  // before the first frame
  QImage frame(4, 2, QImage::Format_RGB32);
  frame.fill(QColor(Qt::red));
  frame.setPixelColor(3, 1, QColor(Qt::blue));
  std::thread streaming([&] { area.PresentFrame(frame); });
  streaming.join();
  QCoreApplication::processEvents();
  const QImage painted = Painted(area);
  EXPECT_EQ(painted.pixelColor(5, 5), QColor(Qt::red));
  // The frame's bottom-right pixel covers the area's bottom-right corner.
  EXPECT_EQ(painted.pixelColor(78, 58), QColor(Qt::blue));
}

TEST(GraphVideoArea, ShowsTheGraphsLiveVideo) {
  VideoArea area;
  area.resize(64, 48);
  CaptureGraph graph(
      [] {
        return std::vector<VideoInputDevice>{VideoInputDevice{
            "camera", [] { return testing::MakeCamera("video/x-raw,format=YUY2,width=32,height=24", "white"); }}};
      },
      nullptr);
  ASSERT_EQ(graph.Build(0, 1600, 1200), 0);
  ASSERT_EQ(graph.AttachToWindow(&area), 0);
  ASSERT_TRUE(testing::WaitFor([&] { return !area.CurrentFrame().isNull(); }));
  graph.TearDown();
  QCoreApplication::processEvents();
  EXPECT_GT(qGray(Painted(area).pixel(32, 24)), 200);
}

}  // namespace
}  // namespace pixmender
