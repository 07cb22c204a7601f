// The capture graph over live test-pattern cameras limited by caps; over the
// simulated component it runs in the camera link's and the dialog's tests.
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QStringList>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "tool/capture_graph.h"
#include "tool/video_area.h"

namespace pixmender {
namespace {

// `videotestsrc is-live=true ! capsfilter caps=<caps>` behind a ghost pad:
// a camera whose modes are exactly `caps`.
GstElement* MakeCamera(const std::string& caps, const char* pattern = "smpte") {
  const std::string description =
      "videotestsrc is-live=true pattern=" + std::string(pattern) + " ! capsfilter caps=\"" + caps + "\"";
  GError* error = nullptr;
  GstElement* bin = gst_parse_bin_from_description(description.c_str(), TRUE, &error);
  if (error != nullptr) g_error_free(error);
  return bin;
}

std::string UpTo(int width, int height) {
  return "video/x-raw,format=YUY2,width=[1," + std::to_string(width) + "],height=[1," + std::to_string(height) + "]";
}

// A graph over a fixed list of devices that collects the messages it shows.
struct GraphFixture {
  explicit GraphFixture(std::vector<VideoInputDevice> devices)
      : graph([devices]() { return devices; }, [this](const QString& text) { messages << text; }) {}
  QStringList messages;
  CaptureGraph graph;
};

std::vector<VideoInputDevice> OneCamera(std::function<GstElement*()> make) { return {{"camera", std::move(make)}}; }

bool WaitFor(const std::function<bool()>& condition) {
  for (int i = 0; i < 4000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  return condition();
}

TEST(Graph, DrivesTheLargestModeUpToTheWantedSizeAndGrabsItsYuy2Frames) {
  const struct { std::string caps; int width, height; } cases[] = {
      {UpTo(1280, 1024), 1280, 1024}, {UpTo(2048, 1536), 1600, 1200},
      {UpTo(1920, 1080), 1920, 1080},  // short in height only: the whole largest size is taken
      {"video/x-raw,format=YUY2,width=640,height=480;video/x-raw,format=YUY2,width=1280,height=720;"
       "video/x-raw,format=YUY2,width=800,height=600",
       1280, 720},  // the largest by area
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caps);
    GraphFixture f(OneCamera([caps = c.caps] { return MakeCamera(caps); }));
    ASSERT_EQ(f.graph.Build(0, 1600, 1200), 0);
    EXPECT_EQ(f.graph.CaptureWidth(), c.width);
    EXPECT_EQ(f.graph.CaptureHeight(), c.height);
    ASSERT_EQ(f.graph.AttachToWindow(nullptr), 0);
    ASSERT_TRUE(WaitFor([&] { return f.graph.GrabCurrentBuffer().has_value(); }));
    const auto bytes = f.graph.GrabCurrentBuffer();
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(bytes->size(), static_cast<size_t>(c.width) * c.height * 2);
    FrameFormat format;
    ASSERT_TRUE(f.graph.ReadFormat(format));
    EXPECT_EQ(std::tuple(format.width, format.height, format.bitCount), std::tuple(c.width, c.height, 16));
    EXPECT_EQ(format.size, bytes->size());
    EXPECT_TRUE(f.messages.isEmpty());
  }
}

TEST(Graph, ACameraWithoutRawVideoShowsGetFormatAndFails) {
  for (const auto& make : std::vector<std::function<GstElement*()>>{
           [] { return gst_bin_new(nullptr); },  // no source pad at all
           [] { return MakeCamera("video/x-bayer,format=rggb"); }}) {
    GraphFixture f(OneCamera(make));
    EXPECT_NE(f.graph.Build(0, 1600, 1200), 0);
    EXPECT_EQ(f.messages, QStringList{QStringLiteral("GetFormat!")});
    FrameFormat format;
    EXPECT_FALSE(f.graph.ReadFormat(format));
    EXPECT_FALSE(f.graph.GrabCurrentBuffer().has_value());
    f.graph.TearDown();
    EXPECT_EQ(f.messages.size(), 1);
  }
}

TEST(Graph, ShowsTheLiveVideoInTheVideoAreaUntilTornDownAndCanBeBuiltAgain) {
  VideoArea area;
  area.resize(80, 60);
  EXPECT_EQ(area.grab().toImage().pixelColor(20, 15), QColor(Qt::black));  // before the first frame
  GraphFixture f(OneCamera([] { return MakeCamera("video/x-raw,format=YUY2,width=96,height=64", "white"); }));
  f.graph.TearDown();
  EXPECT_NE(f.graph.AttachToWindow(&area), 0);  // nothing built yet
  ASSERT_EQ(f.graph.Build(0, 1600, 1200), 0);
  ASSERT_EQ(f.graph.AttachToWindow(&area), 0);
  ASSERT_TRUE(WaitFor([&] { return !area.CurrentFrame().isNull(); }));
  const QImage live = area.CurrentFrame();
  EXPECT_EQ(live.format(), QImage::Format_RGB32);
  EXPECT_EQ(live.size(), QSize(96, 64));
  EXPECT_GT(qGray(live.pixel(48, 32)), 200);
  EXPECT_TRUE(WaitFor([&] { return f.graph.GrabCurrentBuffer().has_value(); }));  // the grabber beside it
  f.graph.TearDown();
  f.graph.TearDown();
  EXPECT_EQ(f.graph.CaptureWidth(), 0);
  EXPECT_FALSE(f.graph.GrabCurrentBuffer().has_value());
  FrameFormat format;
  EXPECT_FALSE(f.graph.ReadFormat(format));

  ASSERT_EQ(f.graph.Build(0, 1600, 1200), 0);
  EXPECT_EQ(f.graph.CaptureWidth(), 96);
  ASSERT_EQ(f.graph.AttachToWindow(nullptr), 0);
  EXPECT_TRUE(WaitFor([&] { return f.graph.GrabCurrentBuffer().has_value(); }));
}

}  // namespace
}  // namespace pixmender
