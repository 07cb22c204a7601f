// The capture graph over sources made in the test: size choice, device
// selection, the "GetFormat!" failure, grabbing, the end of the stream, the
// display branch and tear-down.
#include <gst/app/gstappsrc.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QStringList>
#include <atomic>
#include <memory>
#include <vector>

#include "graph_test_sources.h"
#include "tool/capture_graph.h"

namespace pixmender {
namespace {

using testing::CountingDevice;
using testing::MakeCamera;
using testing::MakeCameraUpTo;
using testing::RecordingWindow;
using testing::WaitFor;

// A graph over a fixed list of devices that collects the messages it shows.
struct GraphFixture {
  explicit GraphFixture(std::vector<VideoInputDevice> devices)
      : graph([devices]() { return devices; }, [this](const QString& text) { messages << text; }) {}
  QStringList messages;
  CaptureGraph graph;
};

std::vector<VideoInputDevice> OneCamera(std::function<GstElement*()> make) {
  return {VideoInputDevice{"camera", std::move(make)}};
}

bool HasFrame(CaptureGraph& graph) { return graph.GrabCurrentBuffer().has_value(); }

struct SizeCase {
  const char* name;
  std::string caps;
  int width;
  int height;
};

class GraphSizeTest : public ::testing::TestWithParam<SizeCase> {};

TEST_P(GraphSizeTest, DrivesTheLargestModeUpToTheWantedSizeAndGrabsYuy2) {
  const SizeCase& c = GetParam();
  GraphFixture f(OneCamera([caps = c.caps]() { return MakeCamera(caps); }));
  ASSERT_EQ(f.graph.Build(0, 1600, 1200), 0);
  EXPECT_EQ(f.graph.CaptureWidth(), c.width);
  EXPECT_EQ(f.graph.CaptureHeight(), c.height);
  ASSERT_EQ(f.graph.AttachToWindow(nullptr), 0);
  ASSERT_TRUE(WaitFor([&] { return HasFrame(f.graph); }));
  const auto bytes = f.graph.GrabCurrentBuffer();
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(bytes->size(), static_cast<size_t>(c.width) * c.height * 2);
  FrameFormat format;
  ASSERT_TRUE(f.graph.ReadFormat(format));
  EXPECT_EQ(format.width, c.width);
  EXPECT_EQ(format.height, c.height);
  EXPECT_EQ(format.bitCount, 16);
  EXPECT_EQ(format.size, bytes->size());
  EXPECT_TRUE(f.messages.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Sizes, GraphSizeTest,
    ::testing::Values(
        SizeCase{"SmallerCameraAtItsLargest", "video/x-raw,format=YUY2,width=[1,1280],height=[1,1024]", 1280, 1024},
        SizeCase{"LargerCameraAtWanted", "video/x-raw,format=YUY2,width=[1,2048],height=[1,1536]", 1600, 1200},
        // Only the height falls short, yet the whole largest size is taken.
        SizeCase{"ShortInHeightOnly", "video/x-raw,format=YUY2,width=[1,1920],height=[1,1080]", 1920, 1080},
        SizeCase{"FixedModesByArea",
                 "video/x-raw,format=YUY2,width=640,height=480;video/x-raw,format=YUY2,width=1280,height=720;"
                 "video/x-raw,format=YUY2,width=800,height=600",
                 1280, 720}),
    [](const ::testing::TestParamInfo<SizeCase>& info) { return std::string(info.param.name); });

TEST(GraphDevices, BindsTheDeviceAtTheChosenIndexOnly) {
  std::atomic<int> first{0};
  std::atomic<int> second{0};
  GraphFixture f({CountingDevice("first", first, [] { return MakeCameraUpTo(640, 480); }),
                  CountingDevice("second", second, [] { return MakeCameraUpTo(320, 240); })});
  ASSERT_EQ(f.graph.Build(1, 1600, 1200), 0);
  EXPECT_EQ(first.load(), 0);
  EXPECT_EQ(second.load(), 1);
  EXPECT_EQ(f.graph.CaptureWidth(), 320);
  EXPECT_EQ(f.graph.CaptureHeight(), 240);
}

TEST(GraphDevices, IndexOutsideTheCategoryFails) {
  std::atomic<int> made{0};
  GraphFixture f({CountingDevice("only", made, [] { return MakeCameraUpTo(160, 120); })});
  EXPECT_NE(f.graph.Build(1, 1600, 1200), 0);
  EXPECT_NE(f.graph.Build(-1, 1600, 1200), 0);
  EXPECT_EQ(made.load(), 0);
  GraphFixture unmade(OneCamera([]() -> GstElement* { return nullptr; }));
  EXPECT_NE(unmade.graph.Build(0, 1600, 1200), 0);
  EXPECT_TRUE(f.messages.isEmpty());
  EXPECT_TRUE(unmade.messages.isEmpty());
}

TEST(GraphDevices, EmptyCategoryBuildsAnEmptyGraphWithoutError) {
  GraphFixture f({});
  EXPECT_EQ(f.graph.Build(0, 1600, 1200), 0);
  EXPECT_EQ(f.graph.CaptureWidth(), 0);
  EXPECT_EQ(f.graph.CaptureHeight(), 0);
  EXPECT_EQ(f.graph.AttachToWindow(nullptr), 0);
  EXPECT_FALSE(f.graph.GrabCurrentBuffer().has_value());
  FrameFormat format;
  EXPECT_FALSE(f.graph.ReadFormat(format));
  EXPECT_TRUE(f.messages.isEmpty());
}

struct UnreachableCase {
  const char* name;
  std::function<GstElement*()> make;
};

class GraphStreamConfigurationTest : public ::testing::TestWithParam<UnreachableCase> {};

TEST_P(GraphStreamConfigurationTest, ShowsGetFormatAndFailsUntilTornDown) {
  GraphFixture f(OneCamera(GetParam().make));
  EXPECT_NE(f.graph.Build(0, 1600, 1200), 0);
  EXPECT_EQ(f.messages, QStringList{QStringLiteral("GetFormat!")});
  FrameFormat format;
  EXPECT_FALSE(f.graph.ReadFormat(format));
  EXPECT_FALSE(f.graph.GrabCurrentBuffer().has_value());
  f.graph.TearDown();
  EXPECT_EQ(f.messages.size(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Unreachable, GraphStreamConfigurationTest,
    ::testing::Values(UnreachableCase{"NoSourcePad", [] { return gst_bin_new(nullptr); }},
                      UnreachableCase{"NoRawVideo", [] { return MakeCamera("video/x-bayer,format=rggb"); }}),
    [](const ::testing::TestParamInfo<UnreachableCase>& info) { return std::string(info.param.name); });

// An appsrc camera that delivers one 64 × 48 frame when the graph first asks.
class OneFrameCamera {
 public:
  // appsrc tells its caps only once streaming, so a capsfilter behind it
  // gives the camera its mode.
  GstElement* Make() {
    GError* error = nullptr;
    GstElement* bin = gst_parse_bin_from_description(
        "appsrc name=camera is-live=true format=time caps=\"video/x-raw,format=YUY2,width=64,height=48,"
        "framerate=0/1\" ! capsfilter caps=\"video/x-raw,format=YUY2,width=64,height=48\"",
        TRUE, &error);
    if (error != nullptr) g_error_free(error);
    if (bin == nullptr) return nullptr;
    source_ = gst_bin_get_by_name(GST_BIN(bin), "camera");
    // The bin holds the appsrc as long as the graph holds the bin.
    gst_object_unref(source_);
    g_signal_connect(source_, "need-data", G_CALLBACK(&OneFrameCamera::OnNeedData), this);
    return bin;
  }
  // The camera stops streaming, as one that is pulled does.
  void End() { gst_app_src_end_of_stream(GST_APP_SRC(source_)); }
  GstElement* Element() const { return source_; }

 private:
  static void OnNeedData(GstElement* source, guint /*length*/, gpointer data) {
    auto* self = static_cast<OneFrameCamera*>(data);
    if (self->pushed_.exchange(true)) return;
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, 64 * 48 * 2, nullptr);
    gst_buffer_memset(buffer, 0, 0x80, 64 * 48 * 2);
    gst_app_src_push_buffer(GST_APP_SRC(source), buffer);
  }
  GstElement* source_ = nullptr;
  std::atomic<bool> pushed_{false};
};

TEST(GraphStreamEnd, GrabGivesNothingAfterTheSourceEndsItsStream) {
  OneFrameCamera camera;
  GraphFixture f(OneCamera([&camera] { return camera.Make(); }));
  ASSERT_EQ(f.graph.Build(0, 1600, 1200), 0);
  EXPECT_EQ(f.graph.CaptureWidth(), 64);
  ASSERT_EQ(f.graph.AttachToWindow(nullptr), 0);
  ASSERT_TRUE(WaitFor([&] { return HasFrame(f.graph); }));
  const auto bytes = f.graph.GrabCurrentBuffer();
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(bytes->size(), 64u * 48u * 2u);
  EXPECT_EQ(bytes->front(), 0x80);
  camera.End();
  EXPECT_TRUE(WaitFor([&] { return !HasFrame(f.graph); }));
  // The connected format outlives the frame; the size is the last one grabbed.
  FrameFormat format;
  ASSERT_TRUE(f.graph.ReadFormat(format));
  EXPECT_EQ(format.size, 64u * 48u * 2u);
}

TEST(GraphWindow, DeliversRgb32FramesOfTheCaptureSizeUntilTornDown) {
  GraphFixture f(OneCamera([] { return MakeCamera("video/x-raw,format=YUY2,width=96,height=64", "white"); }));
  RecordingWindow window;
  ASSERT_EQ(f.graph.Build(0, 1600, 1200), 0);
  ASSERT_EQ(f.graph.AttachToWindow(&window), 0);
  ASSERT_TRUE(WaitFor([&] { return window.Frames() > 0; }));
  const QImage frame = window.Last();
  EXPECT_EQ(frame.format(), QImage::Format_RGB32);
  EXPECT_EQ(frame.size(), QSize(96, 64));
  EXPECT_GT(qGray(frame.pixel(48, 32)), 200);
  // The grabber keeps working beside the display branch.
  EXPECT_TRUE(WaitFor([&] { return HasFrame(f.graph); }));
  f.graph.TearDown();
  const int delivered = window.Frames();
  EXPECT_FALSE(WaitFor([&] { return window.Frames() != delivered; }, std::chrono::seconds(1)));
}

TEST(GraphLifecycle, TearDownIsIdempotentAndTheGraphCanBeBuiltAgain) {
  GraphFixture f(OneCamera([] { return MakeCameraUpTo(160, 120); }));
  f.graph.TearDown();
  EXPECT_NE(f.graph.AttachToWindow(nullptr), 0);  // nothing built
  ASSERT_EQ(f.graph.Build(0, 1600, 1200), 0);
  ASSERT_EQ(f.graph.AttachToWindow(nullptr), 0);
  ASSERT_TRUE(WaitFor([&] { return HasFrame(f.graph); }));
  f.graph.TearDown();
  f.graph.TearDown();
  EXPECT_EQ(f.graph.CaptureWidth(), 0);
  EXPECT_FALSE(HasFrame(f.graph));
  FrameFormat format;
  EXPECT_FALSE(f.graph.ReadFormat(format));
  ASSERT_EQ(f.graph.Build(0, 1600, 1200), 0);
  EXPECT_EQ(f.graph.CaptureWidth(), 160);
  ASSERT_EQ(f.graph.AttachToWindow(nullptr), 0);
  EXPECT_TRUE(WaitFor([&] { return HasFrame(f.graph); }));
}

}  // namespace
}  // namespace pixmender
