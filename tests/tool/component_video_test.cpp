// The simulated camera's live video: the formats its source offers, frames of
// the negotiated size, the picture's response to exposure and gains, the end
// of the stream when the camera goes away, and the dialog's closed loops
// converging on it.
#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "component_loader.h"
#include "tool/infrared_adjustment.h"
#include "tool/visible_adjustment.h"

namespace pixmender {
namespace {


enum Kind { kVisible = 1, kInfrared = 2 };

// Channel statistics of the central region, in the tool's order blue, green, red.
struct Stats {
  std::array<double, 3> mean{};
  std::array<double, 3> variance{};
  double min = 255;  // smallest green value inside the region
  double Red() const { return mean[2]; }
  double Green() const { return mean[1]; }
  double Blue() const { return mean[0]; }
  double Max() const { return std::max({mean[0], mean[1], mean[2]}); }
};

uint8_t Clamp(float sum) { return static_cast<uint8_t>(std::clamp(static_cast<int>(sum + 128.0f) - 128, 0, 255)); }

// The tool's YUY2 conversion: byte 1 pairs with blue, byte 3 with red.
std::array<uint8_t, 3> ToBgr(int y, int u, int v) {
  const float fu = static_cast<float>(u - 128), fv = static_cast<float>(v - 128);
  return {Clamp(y + 1.4075f * fu), Clamp(y - 0.3455f * fv - 0.7169f * fu), Clamp(y + 1.779f * fv)};
}

// Statistics over [x0, x1) × [y0, y1) of a YUY2 frame.
Stats Measure(const uint8_t* frame, int width, int x0, int y0, int x1, int y1) {
  std::array<double, 3> sum{}, squares{};
  Stats stats;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const uint8_t* group = frame + (static_cast<size_t>(y) * width + (x & ~1)) * 2;
      auto bgr = ToBgr(group[(x & 1) * 2], group[1], group[3]);
      for (int c = 0; c < 3; ++c) {
        sum[c] += bgr[c];
        squares[c] += static_cast<double>(bgr[c]) * bgr[c];
      }
      stats.min = std::min<double>(stats.min, bgr[1]);
    }
  }
  double n = static_cast<double>(x1 - x0) * (y1 - y0);
  for (int c = 0; c < 3; ++c) {
    stats.mean[c] = sum[c] / n;
    stats.variance[c] = squares[c] / n - stats.mean[c] * stats.mean[c];
  }
  return stats;
}

// source ! capsfilter(YUY2 width × height) ! appsink, running.
class Grabber {
 public:
  Grabber(GstElement* source, int width, int height) : width_(width), height_(height) {
    pipeline_ = gst_pipeline_new(nullptr);
    GstElement* filter = gst_element_factory_make("capsfilter", nullptr);
    sink_ = gst_element_factory_make("appsink", nullptr);
    GstCaps* caps = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "YUY2", "width", G_TYPE_INT, width,
                                        "height", G_TYPE_INT, height, nullptr);
    g_object_set(filter, "caps", caps, nullptr);
    gst_caps_unref(caps);
    g_object_set(sink_, "sync", FALSE, "max-buffers", 1, "drop", TRUE, nullptr);
    gst_bin_add_many(GST_BIN(pipeline_), source, filter, sink_, nullptr);
    linked_ = gst_element_link_many(source, filter, sink_, nullptr);
    gst_element_set_state(pipeline_, GST_STATE_PLAYING);
  }
  ~Grabber() {
    gst_element_set_state(pipeline_, GST_STATE_NULL);
    gst_object_unref(pipeline_);
  }
  bool Linked() const { return linked_; }
  bool Ended() { return gst_app_sink_is_eos(GST_APP_SINK(sink_)); }
  // Whether the pipeline reports an error (waiting up to 10 s for one).
  bool Failed() {
    GstBus* bus = gst_element_get_bus(pipeline_);
    GstMessage* message = gst_bus_timed_pop_filtered(bus, 10 * GST_SECOND, GST_MESSAGE_ERROR);
    gst_object_unref(bus);
    if (message == nullptr) return false;
    gst_message_unref(message);
    return true;
  }

  // The next frame's bytes; nullopt at the end of the stream (or if none comes within 10 s).
  std::optional<std::vector<uint8_t>> Next() {
    GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(sink_), 10 * GST_SECOND);
    if (sample == nullptr) return std::nullopt;
    std::vector<uint8_t> bytes;
    // Copied by GStreamer itself, which synchronised with the streaming thread
    // that filled the buffer (ThreadSanitizer sees the copy as GStreamer's).
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    if (buffer != nullptr) {
      bytes.resize(gst_buffer_get_size(buffer));
      bytes.resize(gst_buffer_extract(buffer, 0, bytes.data(), bytes.size()));
    }
    gst_sample_unref(sample);
    return bytes;
  }

  // A frame made after the settings written so far: older ones still in the
  // queues (the source's two, the one in flight and the sink's) are passed over.
  std::optional<Stats> MeasureFresh() {
    std::optional<std::vector<uint8_t>> frame;
    for (int i = 0; i < 6; ++i) {
      frame = Next();
      if (!frame) return std::nullopt;
    }
    if (frame->size() != static_cast<size_t>(width_) * height_ * 2) return std::nullopt;
    return Measure(frame->data(), width_, width_ / 18, height_ / 17, width_ * 17 / 18, height_ * 16 / 17);
  }

 private:
  int width_;
  int height_;
  GstElement* pipeline_ = nullptr;
  GstElement* sink_ = nullptr;
  bool linked_ = false;
};

class ComponentVideoTest : public testing::SimComponentTest {
 protected:
  // Registers with `config` and attaches a control object to camera 0.
  void Start(const std::string& config) {
    ASSERT_EQ(sim_->Register(config), TALVEX_OK);
    TalvexObject* enumerator = Enumerator();
    control_ = Control();
    ASSERT_NE(enumerator, nullptr);
    ASSERT_NE(control_, nullptr);
    const std::vector<TalvexCameraEntry> entries = Entries(enumerator);
    ASSERT_GE(entries.size(), 1u);
    ASSERT_TRUE(OpenAndAttach(enumerator, entries[0], control_, nullptr));
  }

  // The camera link's sensor programming, without its pauses.
  void Program(int brightness, int red, int green, int blue, Kind kind) {
    auto bridge = [&](uint16_t address, uint16_t value) {
      EXPECT_EQ(Api().WriteBridgeRegister(control_, address, value), TALVEX_OK);
    };
    auto sensor = [&](uint8_t address, int value) {
      const uint16_t word = static_cast<uint16_t>(value);
      EXPECT_EQ(Api().WriteSensorRegister(control_, 1, &address, 2, &word), TALVEX_OK);
    };
    bridge(0xB3AB, 0);
    if (kind == kVisible) {
      bridge(0xB03D, 0x20);
      bridge(0xB030, 0x22);
    } else {
      bridge(0xB030, 0x20);
      bridge(0xB03D, 0x22);
    }
    bridge(0xB482, 0xC0);
    bridge(0xB3AB, 0);
    sensor(0xF0, 1);
    sensor(0x97, 0);
    sensor(0xF0, 0);
    sensor(0x09, brightness);
    sensor(0x2B, green);
    sensor(0x2C, blue);
    sensor(0x2D, red);
    sensor(0x2E, green);
    if (kind == kInfrared) sensor(0x2F, 144);
  }

  GstElement* Source(int index = 0) { return static_cast<GstElement*>(Api().CreateVideoSource(index)); }

  TalvexObject* control_ = nullptr;
};

TEST_F(ComponentVideoTest, FramesHaveTheNegotiatedSize) {
  ASSERT_NO_FATAL_FAILURE(Start("sizes=1280x1024,640x480;fps=30"));
  for (auto [width, height] : {std::pair{640, 480}, std::pair{1280, 1024}}) {
    Grabber grabber(Source(), width, height);
    ASSERT_TRUE(grabber.Linked());
    for (int i = 0; i < 2; ++i) {
      auto frame = grabber.Next();
      ASSERT_TRUE(frame.has_value());
      EXPECT_EQ(frame->size(), static_cast<size_t>(width) * height * 2);
    }
  }
  // A size the camera does not offer cannot be negotiated: no frames.
  Grabber grabber(Source(), 800, 600);
  EXPECT_TRUE(grabber.Failed());
}

TEST_F(ComponentVideoTest, SheetIsWarmUnderVisibleLightAndGreyUnderInfrared) {
  ASSERT_NO_FATAL_FAILURE(Start("sizes=640x480;fps=30"));
  Grabber grabber(Source(), 640, 480);
  Program(1024, 20, 20, 20, kVisible);
  auto visible = grabber.MeasureFresh();
  ASSERT_TRUE(visible.has_value());
  EXPECT_NEAR(visible->Red(), 150, 3);
  EXPECT_NEAR(visible->Green(), 140, 3);
  EXPECT_NEAR(visible->Blue(), 130, 3);
  for (double variance : visible->variance) {
    EXPECT_GT(variance, 0.5);
    EXPECT_LT(variance, 100);
  }
  // The registration marks lie outside the measured region.
  EXPECT_GT(visible->min, 100);
  auto frame = grabber.Next();
  ASSERT_TRUE(frame.has_value());
  EXPECT_LT(Measure(frame->data(), 640, 0, 0, 640, 480).min, 30);

  Program(1408, 192, 168, 176, kInfrared);
  auto infrared = grabber.MeasureFresh();
  ASSERT_TRUE(infrared.has_value());
  for (double mean : infrared->mean) EXPECT_NEAR(mean, 150, 3);

}

TEST_F(ComponentVideoTest, ResponseRisesWithBrightnessAndEachGain) {
  ASSERT_NO_FATAL_FAILURE(Start("sizes=640x480;fps=30"));
  Grabber grabber(Source(), 640, 480);
  struct Step {
    int brightness, red, green, blue;
    Kind kind;
    std::array<int, 3> rises;  // per channel blue, green, red: 1 must rise, 0 must stay within 1
  };
  const std::vector<std::vector<Step>> series = {
      {{600, 20, 20, 20, kVisible, {1, 1, 1}}, {900, 20, 20, 20, kVisible, {1, 1, 1}},
       {1200, 20, 20, 20, kVisible, {1, 1, 1}}},
      {{1200, 20, 40, 40, kVisible, {0, 0, 1}}, {1200, 60, 40, 40, kVisible, {0, 0, 1}}},
      {{1200, 40, 20, 40, kVisible, {0, 1, 0}}, {1200, 40, 60, 40, kVisible, {0, 1, 0}}},
      {{1200, 40, 40, 20, kVisible, {1, 0, 0}}, {1200, 40, 40, 60, kVisible, {1, 0, 0}}},
      {{1000, 192, 168, 176, kInfrared, {1, 1, 1}}, {1300, 192, 168, 176, kInfrared, {1, 1, 1}},
       {1700, 192, 168, 176, kInfrared, {1, 1, 1}}},
  };
  for (const auto& steps : series) {
    std::optional<Stats> previous;
    for (const Step& step : steps) {
      SCOPED_TRACE(::testing::Message() << step.brightness << " " << step.red << "/" << step.green << "/"
                                        << step.blue << " kind " << step.kind);
      Program(step.brightness, step.red, step.green, step.blue, step.kind);
      auto stats = grabber.MeasureFresh();
      ASSERT_TRUE(stats.has_value());
      if (previous) {
        for (int c = 0; c < 3; ++c) {
          if (step.rises[c]) {
            EXPECT_GT(stats->mean[c], previous->mean[c] + 1) << "channel " << c;
          } else {
            EXPECT_NEAR(stats->mean[c], previous->mean[c], 1) << "channel " << c;
          }
        }
      }
      previous = stats;
    }
  }
}

TEST_F(ComponentVideoTest, StreamEndsWhenTheCameraStopsStreaming) {
  ASSERT_NO_FATAL_FAILURE(Start("sizes=640x480;fps=30"));
  {
    Grabber grabber(Source(), 640, 480);
    ASSERT_TRUE(grabber.Next().has_value());
    ASSERT_EQ(sim_->setStreaming(0, 0), TALVEX_OK);
    int frames = 0;
    while (grabber.Next().has_value()) ASSERT_LT(++frames, 100);
    EXPECT_TRUE(grabber.Ended());
  }
  // A graph built afterwards gets no frames either.
  Grabber later(Source(), 640, 480);
  EXPECT_FALSE(later.Next().has_value());
  EXPECT_TRUE(later.Ended());
  EXPECT_EQ(sim_->setStreaming(5, 1), TALVEX_E_INVALIDARG);
}

// The tool's own adjustment passes, run on the simulated picture.
TEST_F(ComponentVideoTest, DialogLoopsConvergeFromTheirStartingValues) {
  ASSERT_NO_FATAL_FAILURE(Start("sizes=1600x1200,1280x1024;fps=30"));
  Grabber grabber(Source(), 1280, 1024);
  auto measure = [&](const SensorSettings& s, Kind kind) {
    Program(s.brightness, s.red, s.green, s.blue, kind);
    return grabber.MeasureFresh();
  };
  VisibleAdjustment visible(1024);
  std::optional<Stats> last;
  PassResult result = PassResult::Again;
  while (result == PassResult::Again) {
    last = measure(visible.Settings(), kVisible);
    ASSERT_TRUE(last.has_value());
    result = visible.Step(float(last->Red()), float(last->Green()), float(last->Blue()));
  }
  EXPECT_EQ(result, PassResult::Converged);
  EXPECT_GE(last->Max(), 195);
  EXPECT_LE(last->Max(), 215);
  for (double mean : last->mean) EXPECT_LE(last->Max() - mean, 2);

  InfraredAdjustment infrared(1408);
  result = PassResult::Again;
  while (result == PassResult::Again) {
    last = measure(infrared.Settings(), kInfrared);
    ASSERT_TRUE(last.has_value());
    result = infrared.Step(float(last->Max()));
  }
  EXPECT_EQ(result, PassResult::Converged);
  RecordProperty("visible_passes", visible.Passes());
  RecordProperty("infrared_passes", infrared.Passes());
  EXPECT_GE(last->Max(), 190);
  EXPECT_LE(last->Max(), 210);
}

}  // namespace
}  // namespace pixmender
