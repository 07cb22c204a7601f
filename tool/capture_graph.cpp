#include "tool/capture_graph.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <QImage>
#include <QSize>
#include <QString>
#include <cstring>
#include <mutex>

namespace pixmender {

namespace {

constexpr int kOk = 0;
constexpr int kFailed = -1;
// The video input category keeps this many devices; later ones are ignored.
constexpr size_t kMaxDevices = 10;
// A live source may take a while before its first frame reaches the sinks.
constexpr GstClockTime kStateChangeTimeout = 5 * GST_SECOND;

struct Size {
  int width = 0;
  int height = 0;
};

// The largest value a caps field allows: an int, the top of an int range, or
// the largest of a list of those. 0 when the field gives no size.
int MaximumOf(const GValue* value) {
  if (value == nullptr) return 0;
  if (G_VALUE_HOLDS_INT(value)) return g_value_get_int(value);
  if (GST_VALUE_HOLDS_INT_RANGE(value)) return gst_value_get_int_range_max(value);
  if (GST_VALUE_HOLDS_LIST(value)) {
    int best = 0;
    for (guint i = 0; i < gst_value_list_get_size(value); ++i) {
      const int candidate = MaximumOf(gst_value_list_get_value(value, i));
      if (candidate > best) best = candidate;
    }
    return best;
  }
  return 0;
}

// Over every raw video structure, the maximum size with the largest area;
// nothing when no structure tells a width and a height.
std::optional<Size> LargestRawSize(const GstCaps* caps) {
  std::optional<Size> best;
  for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
    const GstStructure* structure = gst_caps_get_structure(caps, i);
    if (!gst_structure_has_name(structure, "video/x-raw")) continue;
    const Size size{MaximumOf(gst_structure_get_value(structure, "width")),
                     MaximumOf(gst_structure_get_value(structure, "height"))};
    if (size.width <= 0 || size.height <= 0) continue;
    const auto area = [](const Size& s) { return static_cast<int64_t>(s.width) * s.height; };
    if (!best || area(size) > area(*best)) best = size;
  }
  return best;
}

GstCaps* Yuy2Caps(const Size& size) {
  return gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "YUY2", "width", G_TYPE_INT, size.width,
                             "height", G_TYPE_INT, size.height, nullptr);
}

// A source that cannot give YUY2 at the chosen size keeps the size it would
// pick by itself in YUY2, as a refused format leaves a pin's format unchanged.
Size UsableSize(GstCaps* offered, const Size& chosen) {
  GstCaps* wanted = Yuy2Caps(chosen);
  const bool usable = gst_caps_can_intersect(offered, wanted);
  gst_caps_unref(wanted);
  if (usable) return chosen;
  GstCaps* anyYuy2 = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "YUY2", nullptr);
  GstCaps* common = gst_caps_intersect(offered, anyYuy2);
  gst_caps_unref(anyYuy2);
  Size result = chosen;
  if (!gst_caps_is_empty(common)) {
    common = gst_caps_fixate(common);
    const GstStructure* structure = gst_caps_get_structure(common, 0);
    Size fixed;
    if (gst_structure_get_int(structure, "width", &fixed.width) &&
        gst_structure_get_int(structure, "height", &fixed.height) && fixed.width > 0 && fixed.height > 0) {
      result = fixed;
    }
  }
  gst_caps_unref(common);
  return result;
}

// The first source pad of an element (the capture pin).
GstPad* FirstSourcePad(GstElement* element) {
  if (GstPad* pad = gst_element_get_static_pad(element, "src")) return pad;
  GstPad* found = nullptr;
  GstIterator* pads = gst_element_iterate_src_pads(element);
  GValue item = G_VALUE_INIT;
  if (gst_iterator_next(pads, &item) == GST_ITERATOR_OK) {
    found = GST_PAD(g_value_dup_object(&item));
    g_value_reset(&item);
  }
  g_value_unset(&item);
  gst_iterator_free(pads);
  return found;
}

// Bits per pixel as a bitmap header counts them: the pixel stride of packed
// formats (YUY2 16, BGRx 32), the subsampled component depths of planar ones.
int BitsPerPixel(const GstVideoFormatInfo* format) {
  if (GST_VIDEO_FORMAT_INFO_N_PLANES(format) == 1 && GST_VIDEO_FORMAT_INFO_PSTRIDE(format, 0) > 0) {
    return GST_VIDEO_FORMAT_INFO_PSTRIDE(format, 0) * 8;
  }
  int bits = 0;
  for (guint c = 0; c < GST_VIDEO_FORMAT_INFO_N_COMPONENTS(format); ++c) {
    bits += GST_VIDEO_FORMAT_INFO_DEPTH(format, c) >>
            (GST_VIDEO_FORMAT_INFO_W_SUB(format, c) + GST_VIDEO_FORMAT_INFO_H_SUB(format, c));
  }
  return bits;
}

GstElement* MakeElement(const char* factory, const char* name) { return gst_element_factory_make(factory, name); }

// Everything a graph holds; the streaming-thread callbacks get it as user data.
struct GraphState {
  VideoInputEnumerator inputs;
  ShowMessage message;

  // Owned; the elements below are borrowed from it.
  GstElement* pipeline = nullptr;
  GstElement* source = nullptr;
  GstElement* grabber = nullptr;
  GstElement* displayQueue = nullptr;
  // The null renderer until a window is attached, then the display appsink.
  GstElement* renderer = nullptr;
  bool rendersToWindow = false;

  std::vector<VideoInputDevice> devices;
  int deviceIndex = -1;
  int captureWidth = 0;
  int captureHeight = 0;
  size_t lastBufferSize = 0;

  // The grabber's current frame. Each frame is copied when it arrives and its
  // buffer let go at once: a camera source has only a few buffers in its
  // pool, and holding one back for a grab that may never come starves it.
  std::mutex sampleMutex;
  std::vector<uint8_t> frame;  // guarded by sampleMutex
  bool haveFrame = false;      // guarded by sampleMutex
  bool streamEnded = false;    // guarded by sampleMutex
  // The streaming thread's copy of the next frame, swapped with `frame`, so
  // the steady state allocates nothing.
  std::vector<uint8_t> spare;

  // Held while a frame is presented, so clearing the window waits for it.
  std::mutex windowMutex;
  VideoWindow* window = nullptr;
  QSize windowSize;

  void DropSample() {
    std::lock_guard<std::mutex> lock(sampleMutex);
    haveFrame = false;
    streamEnded = true;
  }

  // Only while no streaming thread runs (the pipeline is stopped).
  void ResetSample() {
    std::lock_guard<std::mutex> lock(sampleMutex);
    frame.clear();
    spare.clear();
    haveFrame = false;
    streamEnded = false;
  }
};

// Nobody pops the bus (no GLib main loop is guaranteed): the end of the stream
// and errors are seen here, and every message is dropped so none pile up.
GstBusSyncReply OnBusMessage(GstBus* /*bus*/, GstMessage* message, gpointer data) {
  auto* state = static_cast<GraphState*>(data);
  if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR || GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS) {
    state->DropSample();
  }
  return GST_BUS_DROP;
}

void OnGrabberEos(GstAppSink* /*sink*/, gpointer data) { static_cast<GraphState*>(data)->DropSample(); }

GstFlowReturn OnGrabberSample(GstAppSink* sink, gpointer data) {
  auto* state = static_cast<GraphState*>(data);
  GstSample* sample = gst_app_sink_pull_sample(sink);
  if (sample == nullptr) return GST_FLOW_OK;
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  GstMapInfo map;
  bool copied = false;
  if (buffer != nullptr && gst_buffer_map(buffer, &map, GST_MAP_READ)) {
    if (map.size > 0) {
      state->spare.assign(map.data, map.data + map.size);
      copied = true;
    }
    gst_buffer_unmap(buffer, &map);
  }
  gst_sample_unref(sample);
  if (!copied) return GST_FLOW_OK;
  std::lock_guard<std::mutex> lock(state->sampleMutex);
  // Frames still queued behind an error must not revive the grabber.
  if (!state->streamEnded) {
    state->frame.swap(state->spare);
    state->haveFrame = true;
  }
  return GST_FLOW_OK;
}

GstFlowReturn OnDisplaySample(GstAppSink* sink, gpointer data) {
  auto* state = static_cast<GraphState*>(data);
  GstSample* sample = gst_app_sink_pull_sample(sink);
  if (sample == nullptr) return GST_FLOW_OK;
  GstVideoInfo info;
  GstBuffer* buffer = gst_sample_get_buffer(sample);
  GstMapInfo map;
  if (buffer != nullptr && gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
      gst_buffer_map(buffer, &map, GST_MAP_READ)) {
    const int stride = GST_VIDEO_INFO_PLANE_STRIDE(&info, 0);
    const int width = GST_VIDEO_INFO_WIDTH(&info);
    const int height = GST_VIDEO_INFO_HEIGHT(&info);
    if (width > 0 && height > 0 && static_cast<size_t>(stride) * height <= map.size) {
      std::lock_guard<std::mutex> lock(state->windowMutex);
      if (state->window != nullptr) {
        // BGRx in memory is Qt's RGB32 on little-endian machines; the copy
        // outlives the buffer.
        const QImage frame = QImage(map.data, width, height, stride, QImage::Format_RGB32).copy();
        state->window->PresentFrame(frame);
      }
    }
    gst_buffer_unmap(buffer, &map);
  }
  gst_sample_unref(sample);
  return GST_FLOW_OK;
}

void SetSinkCallbacks(GstElement* sink, GraphState* state, bool grabber) {
  GstAppSinkCallbacks callbacks;
  std::memset(&callbacks, 0, sizeof(callbacks));
  if (grabber) {
    callbacks.eos = OnGrabberEos;
    callbacks.new_sample = OnGrabberSample;
  } else {
    callbacks.new_sample = OnDisplaySample;
  }
  gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, state, nullptr);
}

// An appsink that keeps only the newest buffer and never waits on the clock.
void ConfigureLatestOnly(GstElement* sink) {
  g_object_set(sink, "sync", FALSE, "max-buffers", 1u, "drop", TRUE, "emit-signals", FALSE, nullptr);
}

// Replaces the null renderer by the branch that converts frames for the window.
bool RenderToWindow(GraphState& s) {
  GstState current = GST_STATE_NULL;
  gst_element_get_state(s.pipeline, &current, nullptr, 0);
  // Relinking needs the data flow stopped.
  if (current > GST_STATE_READY) {
    gst_element_set_state(s.pipeline, GST_STATE_READY);
    s.ResetSample();
  }
  if (s.renderer != nullptr) {
    gst_element_unlink(s.displayQueue, s.renderer);
    gst_element_set_state(s.renderer, GST_STATE_NULL);
    gst_bin_remove(GST_BIN(s.pipeline), s.renderer);
    s.renderer = nullptr;
  }
  GstElement* convert = MakeElement("videoconvert", "Color Space Converter");
  GstElement* format = MakeElement("capsfilter", "Display Format");
  GstElement* sink = MakeElement("appsink", "Video Renderer");
  if (convert == nullptr || format == nullptr || sink == nullptr) {
    for (GstElement* e : {convert, format, sink}) {
      if (e != nullptr) gst_object_unref(gst_object_ref_sink(e));
    }
    return false;
  }
  GstCaps* bgrx = gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, "BGRx", nullptr);
  g_object_set(format, "caps", bgrx, nullptr);
  gst_caps_unref(bgrx);
  ConfigureLatestOnly(sink);
  SetSinkCallbacks(sink, &s, false);
  gst_bin_add_many(GST_BIN(s.pipeline), convert, format, sink, nullptr);
  s.renderer = sink;
  s.rendersToWindow = true;
  return gst_element_link_many(s.displayQueue, convert, format, sink, nullptr);
}

}  // namespace

struct CaptureGraph::State : GraphState {};

CaptureGraph::CaptureGraph(VideoInputEnumerator inputs, ShowMessage message) : state_(std::make_unique<State>()) {
  state_->inputs = std::move(inputs);
  state_->message = std::move(message);
}

CaptureGraph::~CaptureGraph() { TearDown(); }

int CaptureGraph::Build(int deviceIndex, int wantedWidth, int wantedHeight) {
  TearDown();
  State& s = *state_;
  s.pipeline = gst_pipeline_new("Filter Graph");
  if (s.pipeline == nullptr) return kFailed;
  gst_object_ref_sink(s.pipeline);
  GstBus* bus = gst_element_get_bus(s.pipeline);
  gst_bus_set_sync_handler(bus, OnBusMessage, &s, nullptr);
  gst_object_unref(bus);

  if (s.inputs) s.devices = s.inputs();
  if (s.devices.size() > kMaxDevices) s.devices.resize(kMaxDevices);
  // An empty category is no error: the graph simply stays empty.
  if (s.devices.empty()) return kOk;
  if (deviceIndex < 0 || static_cast<size_t>(deviceIndex) >= s.devices.size()) return kFailed;
  s.deviceIndex = deviceIndex;

  const VideoInputDevice& device = s.devices[static_cast<size_t>(deviceIndex)];
  GstElement* source = device.createSource ? device.createSource() : nullptr;
  if (source == nullptr) return kFailed;
  gst_element_set_name(source, "Capture Filter");
  if (!gst_bin_add(GST_BIN(s.pipeline), source)) return kFailed;
  s.source = source;

  // The stream configuration: a device tells its real modes once opened.
  std::optional<Size> largest;
  GstCaps* offered = nullptr;
  if (gst_element_set_state(source, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE) {
    if (GstPad* pin = FirstSourcePad(source)) {
      offered = gst_pad_query_caps(pin, nullptr);
      gst_object_unref(pin);
    }
  }
  if (offered != nullptr) largest = LargestRawSize(offered);
  if (!largest) {
    if (offered != nullptr) gst_caps_unref(offered);
    if (s.message) s.message(QStringLiteral("GetFormat!"));
    return kFailed;
  }
  Size chosen{wantedWidth, wantedHeight};
  if (largest->width < wantedWidth || largest->height < wantedHeight) chosen = *largest;
  chosen = UsableSize(offered, chosen);
  gst_caps_unref(offered);

  GstElement* streamFormat = MakeElement("capsfilter", "Stream Format");
  GstElement* tee = MakeElement("tee", "Smart Tee");
  GstElement* grabQueue = MakeElement("queue", "Grabber Queue");
  GstElement* grabber = MakeElement("appsink", "SampleGrabber");
  GstElement* displayQueue = MakeElement("queue", "Preview Queue");
  GstElement* render = MakeElement("fakesink", "Render");
  GstElement* made[] = {streamFormat, tee, grabQueue, grabber, displayQueue, render};
  bool complete = true;
  for (GstElement* e : made) complete = complete && e != nullptr;
  if (!complete) {
    for (GstElement* e : made) {
      if (e != nullptr) gst_object_unref(gst_object_ref_sink(e));
    }
    return kFailed;
  }

  GstCaps* forced = Yuy2Caps(chosen);
  g_object_set(streamFormat, "caps", forced, nullptr);
  g_object_set(grabber, "caps", forced, nullptr);
  gst_caps_unref(forced);
  ConfigureLatestOnly(grabber);
  SetSinkCallbacks(grabber, &s, true);
  // The preview drops frames rather than hold back the grabber.
  gst_util_set_object_arg(G_OBJECT(displayQueue), "leaky", "downstream");
  g_object_set(displayQueue, "max-size-buffers", 2u, "max-size-bytes", 0u, "max-size-time", guint64{0}, nullptr);
  g_object_set(render, "sync", FALSE, nullptr);
  for (GstElement* e : made) gst_bin_add(GST_BIN(s.pipeline), e);
  s.grabber = grabber;
  s.displayQueue = displayQueue;
  s.renderer = render;

  GstPad* pin = FirstSourcePad(source);
  GstPad* formatSink = gst_element_get_static_pad(streamFormat, "sink");
  const bool pinLinked = pin != nullptr && formatSink != nullptr && gst_pad_link(pin, formatSink) == GST_PAD_LINK_OK;
  if (pin != nullptr) gst_object_unref(pin);
  if (formatSink != nullptr) gst_object_unref(formatSink);
  if (!pinLinked || !gst_element_link(streamFormat, tee) || !gst_element_link_many(tee, grabQueue, grabber, nullptr) ||
      !gst_element_link_many(tee, displayQueue, render, nullptr)) {
    return kFailed;
  }
  // The forced caps fix the size exactly, so it is the size the source delivers.
  s.captureWidth = chosen.width;
  s.captureHeight = chosen.height;
  return kOk;
}

int CaptureGraph::AttachToWindow(VideoWindow* window) {
  State& s = *state_;
  if (s.pipeline == nullptr) return kFailed;
  if (window != nullptr && s.displayQueue != nullptr && !s.rendersToWindow && !RenderToWindow(s)) return kFailed;
  const QSize size = window != nullptr ? window->ClientSize() : QSize();
  {
    std::lock_guard<std::mutex> lock(s.windowMutex);
    s.window = window;
    s.windowSize = size;
  }
  GstStateChangeReturn result = gst_element_set_state(s.pipeline, GST_STATE_PLAYING);
  if (result == GST_STATE_CHANGE_ASYNC) {
    result = gst_element_get_state(s.pipeline, nullptr, nullptr, kStateChangeTimeout);
  }
  // Still starting after the wait is not a failure: a live source may be slow.
  return result == GST_STATE_CHANGE_FAILURE ? kFailed : kOk;
}

std::optional<std::vector<uint8_t>> CaptureGraph::GrabCurrentBuffer() {
  State& s = *state_;
  std::optional<std::vector<uint8_t>> bytes;
  {
    std::lock_guard<std::mutex> lock(s.sampleMutex);
    if (!s.haveFrame) return std::nullopt;
    bytes.emplace(s.frame);
  }
  s.lastBufferSize = bytes->size();
  return bytes;
}

bool CaptureGraph::ReadFormat(FrameFormat& format) {
  State& s = *state_;
  if (s.grabber == nullptr) return false;
  GstPad* pad = gst_element_get_static_pad(s.grabber, "sink");
  if (pad == nullptr) return false;
  GstCaps* caps = gst_pad_get_current_caps(pad);
  gst_object_unref(pad);
  if (caps == nullptr) return false;
  GstVideoInfo info;
  const bool connected = gst_video_info_from_caps(&info, caps);
  gst_caps_unref(caps);
  if (!connected) return false;
  format.width = GST_VIDEO_INFO_WIDTH(&info);
  format.height = GST_VIDEO_INFO_HEIGHT(&info);
  format.bitCount = BitsPerPixel(info.finfo);
  format.size = s.lastBufferSize;
  return true;
}

void CaptureGraph::TearDown() {
  State& s = *state_;
  {
    // Waits for a frame being presented; none is presented after this.
    std::lock_guard<std::mutex> lock(s.windowMutex);
    s.window = nullptr;
    s.windowSize = QSize();
  }
  if (s.pipeline != nullptr) {
    gst_element_set_state(s.pipeline, GST_STATE_NULL);
    // The source may have been opened alone while the graph never ran.
    if (s.source != nullptr) gst_element_set_state(s.source, GST_STATE_NULL);
    GstBus* bus = gst_element_get_bus(s.pipeline);
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    gst_object_unref(bus);
    gst_object_unref(s.pipeline);
  }
  s.pipeline = nullptr;
  s.source = nullptr;
  s.grabber = nullptr;
  s.displayQueue = nullptr;
  s.renderer = nullptr;
  s.rendersToWindow = false;
  s.ResetSample();
  s.devices.clear();
  s.deviceIndex = -1;
  s.captureWidth = 0;
  s.captureHeight = 0;
  s.lastBufferSize = 0;
}

int CaptureGraph::CaptureWidth() const { return state_->captureWidth; }
int CaptureGraph::CaptureHeight() const { return state_->captureHeight; }

}  // namespace pixmender
