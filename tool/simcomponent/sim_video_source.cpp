#include "tool/simcomponent/sim_video_source.h"

#include <gst/app/gstappsrc.h>
#include <gst/gst.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace pixmender {
namespace {

// The pusher of one source element. It lives as the data of the source pad's
// activation function: the thread starts when the pad is activated for
// pushing and is joined before the pad is deactivated, so it never outlives
// the element's running states.
struct SourcePusher {
  GstElement* appsrc = nullptr;  // borrowed: the element owns the pad that owns this
  GstPad* pad = nullptr;         // borrowed
  std::shared_ptr<SimCamera> camera;
  int fps = 15;
  GstPadActivateModeFunction baseActivate = nullptr;

  std::mutex mutex;
  std::condition_variable wake;
  bool stopping = false;
  std::thread thread;

  void Start();
  void Stop();
  void Run();
  // Pushes the current picture at the negotiated size; false when there is none yet.
  void PushFrame();
};

void SourcePusher::Start() {
  Stop();
  std::lock_guard lock(mutex);
  stopping = false;
  try {
    thread = std::thread([this] { Run(); });
  } catch (...) {
    // No thread: the source stays silent.
  }
}

void SourcePusher::Stop() {
  {
    std::lock_guard lock(mutex);
    stopping = true;
  }
  wake.notify_all();
  if (thread.joinable()) thread.join();
}

void SourcePusher::Run() {
  using Clock = std::chrono::steady_clock;
  const auto period = std::chrono::nanoseconds(1000000000LL / fps);
  auto next = Clock::now();
  bool ended = false;
  std::unique_lock lock(mutex);
  while (!wake.wait_until(lock, next, [this] { return stopping; })) {
    auto now = Clock::now();
    next += period;
    if (next < now) next = now + period;  // fell behind: skip, do not burst
    if (ended) {
      next = now + std::chrono::hours(1);
      continue;
    }
    lock.unlock();
    if (!camera->Streaming()) {
      // As an unplugged camera: the stream ends and nothing follows.
      gst_app_src_end_of_stream(GST_APP_SRC(appsrc));
      ended = true;
    } else {
      PushFrame();
    }
    lock.lock();
  }
}

void SourcePusher::PushFrame() {
  GstCaps* caps = gst_pad_get_current_caps(pad);
  if (caps == nullptr) return;  // not negotiated yet
  int width = 0, height = 0;
  const GstStructure* structure = gst_caps_get_size(caps) > 0 ? gst_caps_get_structure(caps, 0) : nullptr;
  bool sized = structure != nullptr && gst_structure_get_int(structure, "width", &width) &&
               gst_structure_get_int(structure, "height", &height);
  gst_caps_unref(caps);
  if (!sized || width <= 0 || height <= 0 || width % 2 != 0) return;

  std::shared_ptr<const std::vector<uint8_t>> frame = camera->Frame(width, height);
  if (!frame || frame->empty()) return;
  GstBuffer* buffer = gst_buffer_new_allocate(nullptr, frame->size(), nullptr);
  if (buffer == nullptr) return;
  gst_buffer_fill(buffer, 0, frame->data(), frame->size());
  GST_BUFFER_DURATION(buffer) = GST_SECOND / fps;
  gst_app_src_push_buffer(GST_APP_SRC(appsrc), buffer);  // takes the buffer
}

gboolean ActivateMode(GstPad* pad, GstObject* parent, GstPadMode mode, gboolean active) {
  auto* pusher = static_cast<SourcePusher*>(pad->activatemodedata);
  if (!active) pusher->Stop();
  gboolean done = pusher->baseActivate(pad, parent, mode, active);
  if (done && active && mode == GST_PAD_MODE_PUSH) pusher->Start();
  return done;
}

void DestroyPusher(gpointer data) {
  auto* pusher = static_cast<SourcePusher*>(data);
  pusher->Stop();
  delete pusher;
}

// Caps queries get every configured size, filtered by the asker's caps.
GstPadProbeReturn AnswerCapsQuery(GstPad*, GstPadProbeInfo* info, gpointer data) {
  GstQuery* query = GST_PAD_PROBE_INFO_QUERY(info);
  if (query == nullptr || GST_QUERY_TYPE(query) != GST_QUERY_CAPS) return GST_PAD_PROBE_OK;
  auto* caps = static_cast<GstCaps*>(data);
  GstCaps* filter = nullptr;
  gst_query_parse_caps(query, &filter);
  GstCaps* result = filter != nullptr ? gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST)
                                      : gst_caps_ref(caps);
  gst_query_set_caps_result(query, result);
  gst_caps_unref(result);
  return GST_PAD_PROBE_HANDLED;
}

void UnrefCaps(gpointer caps) { gst_caps_unref(static_cast<GstCaps*>(caps)); }

GstCaps* SizesCaps(const std::vector<FrameSize>& sizes, int fps) {
  GstCaps* caps = gst_caps_new_empty();
  for (const FrameSize& size : sizes) {
    gst_caps_append_structure(caps, gst_structure_new("video/x-raw", "format", G_TYPE_STRING, "YUY2", "width",
                                                      G_TYPE_INT, size.width, "height", G_TYPE_INT, size.height,
                                                      "framerate", GST_TYPE_FRACTION, fps, 1,
                                                      "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr));
  }
  return caps;
}

}  // namespace

GstElement* CreateSimVideoSource(std::shared_ptr<SimCamera> camera, const std::vector<FrameSize>& sizes, int fps) {
  if (!camera || sizes.empty() || fps <= 0) return nullptr;
  GstElement* element = gst_element_factory_make("appsrc", nullptr);
  if (element == nullptr) return nullptr;
  GstAppSrc* appsrc = GST_APP_SRC(element);
  g_object_set(element, "is-live", TRUE, "format", GST_FORMAT_TIME, "do-timestamp", TRUE, nullptr);
  gst_app_src_set_stream_type(appsrc, GST_APP_STREAM_TYPE_STREAM);
  // A stalled graph keeps only the newest frames, as a camera would.
  gst_app_src_set_max_buffers(appsrc, 2);
  gst_app_src_set_leaky_type(appsrc, GST_APP_LEAKY_TYPE_DOWNSTREAM);
  const GstClockTime period = GST_SECOND / fps;
  gst_app_src_set_latency(appsrc, period, period);

  GstPad* pad = gst_element_get_static_pad(element, "src");
  if (pad == nullptr || GST_PAD_ACTIVATEMODEFUNC(pad) == nullptr) {
    if (pad != nullptr) gst_object_unref(pad);
    gst_object_unref(gst_object_ref_sink(element));
    return nullptr;
  }
  auto* pusher = new SourcePusher;
  pusher->appsrc = element;
  pusher->pad = pad;
  pusher->camera = std::move(camera);
  pusher->fps = fps;
  pusher->baseActivate = GST_PAD_ACTIVATEMODEFUNC(pad);
  gst_pad_set_activatemode_function_full(pad, ActivateMode, pusher, DestroyPusher);
  gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_QUERY_UPSTREAM, AnswerCapsQuery, SizesCaps(sizes, fps), UnrefCaps);
  gst_object_unref(pad);  // the element keeps its pad
  return element;
}

}  // namespace pixmender
