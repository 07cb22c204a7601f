// qcxsrc: each buffer is one still capture of the camera, made by the library
// straight into the buffer's memory. The capture waits for the sensor's next
// frame, so the element runs at the sensor's frame rate; the buffer's time
// stamp is the pipeline's running time when the capture returned, its
// duration the measured frame interval.
#include "gstqcxsrc.h"

#include <atomic>
#include <mutex>
#include <string>

#include "camera_session.h"

GST_DEBUG_CATEGORY_STATIC(gst_qcx_src_debug);
#define GST_CAT_DEFAULT gst_qcx_src_debug

namespace qcxgst {

struct SourceState {
    CameraSettings settings;  // under the object lock
    // Opening, closing and the settings a running camera takes are
    // serialised here; captures run on the streaming thread without it.
    std::mutex sessionLock;
    CameraSession session;
    std::atomic<bool> flushing{false};
    // Streaming thread only.
    guint64 frames = 0;
    GstClockTime lastArrival = GST_CLOCK_TIME_NONE;
    GstClockTime interval = GST_CLOCK_TIME_NONE;  // running average
    GstClockTime latency = GST_CLOCK_TIME_NONE;   // reported; under the object lock
};

}  // namespace qcxgst

struct _GstQcxSrc {
    GstPushSrc parent;
    qcxgst::SourceState* state;
};

G_DEFINE_TYPE(GstQcxSrc, gst_qcx_src, GST_TYPE_PUSH_SRC)

namespace {

using qcxgst::CameraSession;
using qcxgst::SourceState;

// Failed reads in a row before the stream ends with an error: a recovered
// camera usually delivers the next frame.
constexpr int kRetriesPerFrame = 5;

enum {
    PROP_0,
    PROP_DEVICE,
    PROP_SIMULATE,
    PROP_FOV,
    PROP_EXPOSURE,
    PROP_GAIN,
    PROP_BAYER_MODE,
    PROP_FILTER_MODE,
    PROP_RAW,
};

SourceState& State(gpointer object) { return *GST_QCX_SRC(object)->state; }

std::string StringOf(const GValue* value) {
    const char* text = g_value_get_string(value);
    return text != nullptr ? text : "";
}

const char* NullIfEmpty(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* spec) {
    SourceState& s = State(object);
    GST_OBJECT_LOCK(object);
    qcxgst::CameraSettings& settings = s.settings;
    switch (id) {
    case PROP_DEVICE: settings.device = g_value_get_int(value); break;
    case PROP_SIMULATE: settings.simulate = StringOf(value); break;
    case PROP_FOV: settings.fov = StringOf(value); break;
    case PROP_EXPOSURE: settings.exposureMs = g_value_get_double(value); break;
    case PROP_GAIN: settings.gain = g_value_get_int(value); break;
    case PROP_BAYER_MODE: settings.bayerMode = g_value_get_int(value); break;
    case PROP_FILTER_MODE: settings.filterMode = g_value_get_int(value); break;
    case PROP_RAW: settings.raw = g_value_get_boolean(value); break;
    default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec); break;
    }
    GST_OBJECT_UNLOCK(object);
    if (id != PROP_EXPOSURE && id != PROP_GAIN) return;

    // Exposure and gain also reach a camera that is streaming.
    int status = 1;
    {
        std::lock_guard<std::mutex> guard(s.sessionLock);
        if (!s.session.IsOpen()) return;
        if (id == PROP_EXPOSURE && g_value_get_double(value) > 0)
            status = s.session.SetExposure(g_value_get_double(value));
        else if (id == PROP_GAIN && g_value_get_int(value) >= 0)
            status = s.session.SetGain(g_value_get_int(value));
    }
    if (status != 1)
        GST_ELEMENT_WARNING(
            object, RESOURCE, SETTINGS,
            ("Cannot set %s: %s (%d)", spec->name, CameraSession::StatusText(status).c_str(), status), (nullptr));
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* spec) {
    SourceState& s = State(object);
    GST_OBJECT_LOCK(object);
    const qcxgst::CameraSettings& settings = s.settings;
    switch (id) {
    case PROP_DEVICE: g_value_set_int(value, settings.device); break;
    case PROP_SIMULATE: g_value_set_string(value, NullIfEmpty(settings.simulate)); break;
    case PROP_FOV: g_value_set_string(value, NullIfEmpty(settings.fov)); break;
    case PROP_EXPOSURE: g_value_set_double(value, settings.exposureMs); break;
    case PROP_GAIN: g_value_set_int(value, settings.gain); break;
    case PROP_BAYER_MODE: g_value_set_int(value, settings.bayerMode); break;
    case PROP_FILTER_MODE: g_value_set_int(value, settings.filterMode); break;
    case PROP_RAW: g_value_set_boolean(value, settings.raw); break;
    default: G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, spec); break;
    }
    GST_OBJECT_UNLOCK(object);
}

void Finalize(GObject* object) {
    delete GST_QCX_SRC(object)->state;
    G_OBJECT_CLASS(gst_qcx_src_parent_class)->finalize(object);
}

gboolean Start(GstBaseSrc* base) {
    SourceState& s = State(base);
    qcxgst::CameraSettings settings;
    qcxgst::CameraError error;
    bool opened = false;
    {
        // Settings are copied under the session lock, so a new exposure or
        // gain either is in the copy or finds the camera open.
        std::lock_guard<std::mutex> guard(s.sessionLock);
        GST_OBJECT_LOCK(base);
        settings = s.settings;
        GST_OBJECT_UNLOCK(base);
        opened = s.session.Open(settings, &error);
    }
    if (!opened) {
        // GST_ELEMENT_ERROR with the code the session chose.
        gst_element_message_full(GST_ELEMENT(base), GST_MESSAGE_ERROR, GST_RESOURCE_ERROR, error.code,
                                 g_strdup_printf("Camera %d: %s", settings.device, error.what.c_str()), nullptr,
                                 __FILE__, GST_FUNCTION, __LINE__);
        return FALSE;
    }
    s.frames = 0;
    s.lastArrival = s.interval = GST_CLOCK_TIME_NONE;
    GST_OBJECT_LOCK(base);
    s.latency = GST_CLOCK_TIME_NONE;
    GST_OBJECT_UNLOCK(base);
    const qcxgst::FrameFormat& format = s.session.Format();
    gst_base_src_set_blocksize(base, static_cast<guint>(format.FrameBytes()));
    GST_INFO_OBJECT(base, "camera %d open: %d x %d, %zu bytes a frame", settings.device, format.width,
                    format.height, format.FrameBytes());
    return TRUE;
}

gboolean Stop(GstBaseSrc* base) {
    SourceState& s = State(base);
    std::lock_guard<std::mutex> guard(s.sessionLock);
    s.session.Close();
    return TRUE;
}

GstCaps* GetCaps(GstBaseSrc* base, GstCaps* filter) {
    SourceState& s = State(base);
    GstCaps* caps = nullptr;
    {
        std::lock_guard<std::mutex> guard(s.sessionLock);
        if (s.session.IsOpen()) caps = s.session.Format().ToCaps();
    }
    if (caps == nullptr) caps = gst_pad_get_pad_template_caps(GST_BASE_SRC_PAD(base));
    if (filter != nullptr) {
        GstCaps* both = gst_caps_intersect_full(filter, caps, GST_CAPS_INTERSECT_FIRST);
        gst_caps_unref(caps);
        caps = both;
    }
    return caps;
}

// A pool of our own: the library writes whole frames in its own layout,
// which a downstream pool (padded rows, video meta) need not have.
gboolean DecideAllocation(GstBaseSrc* base, GstQuery* query) {
    GstCaps* caps = nullptr;
    gst_query_parse_allocation(query, &caps, nullptr);
    const guint size = static_cast<guint>(State(base).session.Format().FrameBytes());
    GstAllocator* allocator = nullptr;
    GstAllocationParams params;
    gst_allocation_params_init(&params);
    if (gst_query_get_n_allocation_params(query) > 0)
        gst_query_parse_nth_allocation_param(query, 0, &allocator, &params);
    guint minimum = 0, maximum = 0;
    const bool proposed = gst_query_get_n_allocation_pools(query) > 0;
    if (proposed) {
        GstBufferPool* theirs = nullptr;
        guint theirSize = 0;
        gst_query_parse_nth_allocation_pool(query, 0, &theirs, &theirSize, &minimum, &maximum);
        if (theirs != nullptr) gst_object_unref(theirs);
    }
    GstBufferPool* pool = gst_buffer_pool_new();
    GstStructure* config = gst_buffer_pool_get_config(pool);
    gst_buffer_pool_config_set_params(config, caps, size, minimum, 0);
    gst_buffer_pool_config_set_allocator(config, allocator, &params);
    const gboolean configured = gst_buffer_pool_set_config(pool, config);
    if (allocator != nullptr) gst_object_unref(allocator);
    if (configured) {
        if (proposed)
            gst_query_set_nth_allocation_pool(query, 0, pool, size, minimum, 0);
        else
            gst_query_add_allocation_pool(query, pool, size, minimum, 0);
    }
    gst_object_unref(pool);
    return configured;
}

// Latency: the measured frame interval, the slack a camera source gives
// downstream (the stamp itself is taken as the library hands the frame over).
gboolean Query(GstBaseSrc* base, GstQuery* query) {
    if (GST_QUERY_TYPE(query) != GST_QUERY_LATENCY)
        return GST_BASE_SRC_CLASS(gst_qcx_src_parent_class)->query(base, query);
    GST_OBJECT_LOCK(base);
    const GstClockTime latency = GST_CLOCK_TIME_IS_VALID(State(base).latency) ? State(base).latency : 0;
    GST_OBJECT_UNLOCK(base);
    gst_query_set_latency(query, TRUE, latency, latency);
    return TRUE;
}

gboolean Unlock(GstBaseSrc* base) {
    State(base).flushing = true;
    return TRUE;
}

gboolean UnlockStop(GstBaseSrc* base) {
    State(base).flushing = false;
    return TRUE;
}

// Reads until a frame comes, a read fails for good, or the element flushes.
// A read that waits for a frame ends at the capture time-out, which the
// session keeps short.
GstFlowReturn CaptureFrame(GstQcxSrc* self, guint8* data) {
    SourceState& s = *self->state;
    int status = 1;
    for (int failed = 0;; ++failed) {
        if (s.flushing) return GST_FLOW_FLUSHING;
        status = s.session.Capture(data);
        const qcxgst::ReadOutcome outcome = CameraSession::Classify(status);
        if (outcome == qcxgst::ReadOutcome::Frame) return GST_FLOW_OK;
        if (outcome == qcxgst::ReadOutcome::Fatal || failed == kRetriesPerFrame) break;
        GST_WARNING_OBJECT(self, "camera %d: read failed with %d, reading again", s.session.Index(), status);
    }
    if (s.flushing) return GST_FLOW_FLUSHING;
    GST_ELEMENT_ERROR(self, RESOURCE, READ,
                      ("Camera %d: %s (%d)", s.session.Index(), CameraSession::StatusText(status).c_str(), status),
                      ("the capture returned %d", status));
    return GST_FLOW_ERROR;
}

// The measured interval drives the reported latency; a change of more than
// a quarter (and a millisecond) is announced so the pipeline asks again.
void UpdateLatency(GstQcxSrc* self) {
    SourceState& s = *self->state;
    GST_OBJECT_LOCK(self);
    const GstClockTime old = s.latency;
    const GstClockTime change = old > s.interval ? old - s.interval : s.interval - old;
    const bool changed = !GST_CLOCK_TIME_IS_VALID(old) || change > MAX(old / 4, GST_MSECOND);
    if (changed) s.latency = s.interval;
    GST_OBJECT_UNLOCK(self);
    if (changed) gst_element_post_message(GST_ELEMENT(self), gst_message_new_latency(GST_OBJECT(self)));
}

void Stamp(GstQcxSrc* self, GstBuffer* buffer) {
    SourceState& s = *self->state;
    GstClockTime arrival = GST_CLOCK_TIME_NONE;
    if (GstClock* clock = gst_element_get_clock(GST_ELEMENT(self))) {
        const GstClockTime now = gst_clock_get_time(clock);
        const GstClockTime base = gst_element_get_base_time(GST_ELEMENT(self));
        arrival = now > base ? now - base : 0;
        gst_object_unref(clock);
    }
    if (GST_CLOCK_TIME_IS_VALID(arrival) && GST_CLOCK_TIME_IS_VALID(s.lastArrival) && arrival > s.lastArrival) {
        const GstClockTime interval = arrival - s.lastArrival;
        s.interval = GST_CLOCK_TIME_IS_VALID(s.interval) ? (7 * s.interval + interval) / 8 : interval;
        UpdateLatency(self);
    }
    s.lastArrival = arrival;
    GST_BUFFER_PTS(buffer) = arrival;
    GST_BUFFER_DTS(buffer) = GST_CLOCK_TIME_NONE;
    GST_BUFFER_DURATION(buffer) = s.interval;
    GST_BUFFER_OFFSET(buffer) = s.frames;
    GST_BUFFER_OFFSET_END(buffer) = ++s.frames;
}

GstFlowReturn Fill(GstPushSrc* push, GstBuffer* buffer) {
    GstQcxSrc* self = GST_QCX_SRC(push);
    const std::size_t bytes = self->state->session.Format().FrameBytes();
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_WRITE)) {
        GST_ELEMENT_ERROR(self, RESOURCE, WRITE, ("Cannot map the output buffer"), (nullptr));
        return GST_FLOW_ERROR;
    }
    GstFlowReturn result = GST_FLOW_ERROR;
    if (map.size >= bytes)
        result = CaptureFrame(self, map.data);
    else
        GST_ELEMENT_ERROR(self, CORE, NEGOTIATION, ("Buffer of %zu bytes for a frame of %zu", map.size, bytes),
                          (nullptr));
    gst_buffer_unmap(buffer, &map);
    if (result == GST_FLOW_OK) Stamp(self, buffer);
    return result;
}

}  // namespace

static void gst_qcx_src_init(GstQcxSrc* self) {
    self->state = new qcxgst::SourceState();
    gst_base_src_set_live(GST_BASE_SRC(self), TRUE);
    gst_base_src_set_format(GST_BASE_SRC(self), GST_FORMAT_TIME);
}

static void gst_qcx_src_class_init(GstQcxSrcClass* klass) {
    GST_DEBUG_CATEGORY_INIT(gst_qcx_src_debug, "qcxsrc", 0, "QCX camera source");
    GObjectClass* object = G_OBJECT_CLASS(klass);
    object->set_property = SetProperty;
    object->get_property = GetProperty;
    object->finalize = Finalize;

    const auto ready =
        static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_READY);
    const auto playing =
        static_cast<GParamFlags>(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS | GST_PARAM_MUTABLE_PLAYING);
    g_object_class_install_property(
        object, PROP_DEVICE,
        g_param_spec_int("device", "Device",
                         "Device index of the camera in the library (cameras take indexes in the "
                         "order they are first used)",
                         0, 31, 0, ready));
    g_object_class_install_property(
        object, PROP_SIMULATE,
        g_param_spec_string("simulate", "Simulate",
                            "Simulated cameras for the whole process, as QCX_SIM takes them (e.g. \"21\" or "
                            "\"21,8\"); set before the library counts the cameras. Unset leaves QCX_SIM alone",
                            nullptr, ready));
    g_object_class_install_property(
        object, PROP_FOV,
        g_param_spec_string("fov", "Field of view",
                            "Capture window \"x,y,width,height[,column mode,row mode]\", clamped and aligned by "
                            "the sensor. Unset keeps the camera's window",
                            nullptr, ready));
    g_object_class_install_property(
        object, PROP_EXPOSURE,
        g_param_spec_double("exposure", "Exposure", "Exposure time in milliseconds; 0 keeps the camera's", 0.0,
                            1.0e6, 0.0, playing));
    g_object_class_install_property(
        object, PROP_GAIN,
        g_param_spec_int("gain", "Gain",
                         "Red, green and blue gain in the sensor's gain code (one global gain on some sensors); "
                         "-1 keeps the camera's",
                         -1, 65535, -1, playing));
    g_object_class_install_property(
        object, PROP_BAYER_MODE,
        g_param_spec_int("bayer-mode", "Bayer mode",
                         "Colour order (mode % 4: BGGR, GRBG, RGGB, GBRG) and output (0-7 BGR, 8-15 BGRx, 16-23 "
                         "GRAY8); rows always come top row first. -1: the sensor's own",
                         -1, 23, -1, ready));
    g_object_class_install_property(
        object, PROP_FILTER_MODE,
        g_param_spec_int("filter-mode", "Filter mode",
                         "Demosaic method: 0 block copy, 1 bilinear, 2 colour ratio, 3 edge-directed, 4 "
                         "gradient-corrected",
                         0, 4, 1, ready));
    g_object_class_install_property(
        object, PROP_RAW,
        g_param_spec_boolean("raw", "Raw",
                             "Send the raw mosaic as video/x-bayer (colour order from the Bayer mode) instead of "
                             "processed images",
                             FALSE, ready));

    GstElementClass* element = GST_ELEMENT_CLASS(klass);
    GstCaps* caps = qcxgst::TemplateCaps();
    gst_element_class_add_pad_template(element, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, caps));
    gst_caps_unref(caps);
    gst_element_class_set_static_metadata(element, "QCX camera source", "Source/Video/Hardware",
                                          "Frames of a QCX USB camera through libqcxapi",
                                          "QCXApi maintainers <qcxapi@localhost>");

    GstBaseSrcClass* base = GST_BASE_SRC_CLASS(klass);
    base->start = Start;
    base->stop = Stop;
    base->get_caps = GetCaps;
    base->decide_allocation = DecideAllocation;
    base->query = Query;
    base->unlock = Unlock;
    base->unlock_stop = UnlockStop;
    GST_PUSH_SRC_CLASS(klass)->fill = Fill;
}

gboolean gst_qcx_plugin_init(GstPlugin* plugin) {
    return gst_element_register(plugin, "qcxsrc", GST_RANK_NONE, GST_TYPE_QCX_SRC);
}
