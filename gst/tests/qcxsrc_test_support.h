// qcxsrc under test: a harness that pulls its buffers, a pipeline for state
// changes and bus messages, the ramp scene's relations, and a fixture that
// gives every test freshly plugged simulated cameras.
#pragma once

#include <gst/check/gstharness.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <list>
#include <string>
#include <thread>
#include <vector>

#include "qcxapi.h"
#include "qcxsim.h"

namespace qcxtest {

struct Caps {
    std::string name, format;
    int width = 0, height = 0, rateNumerator = -1, rateDenominator = -1;
    std::string Text() const {  // "video/x-raw BGR 752x480 0/1"
        return name + " " + format + " " + std::to_string(width) + "x" + std::to_string(height) + " " +
               std::to_string(rateNumerator) + "/" + std::to_string(rateDenominator);
    }
};

struct Frame {
    std::vector<std::uint8_t> bytes;
    GstClockTime pts = GST_CLOCK_TIME_NONE, duration = GST_CLOCK_TIME_NONE;
    guint64 offset = 0;
};

// qcxsrc as a gst-launch line describes it ("qcxsrc simulate=21 raw=true"),
// its buffers pulled by a GstHarness on the system clock.
class Source {
public:
    explicit Source(const std::string& launch) : h_(gst_harness_new_parse(launch.c_str())) {
        gst_harness_use_systemclock(h_);
        gst_harness_play(h_);
    }
    ~Source() { gst_harness_teardown(h_); }
    Frame Pull() {  // the next buffer; an empty frame after the harness's time-out
        Frame frame;
        GstBuffer* buffer = gst_harness_pull(h_);
        if (buffer == nullptr) return frame;
        GstMapInfo map;
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            frame.bytes.assign(map.data, map.data + map.size);
            gst_buffer_unmap(buffer, &map);
        }
        frame.pts = GST_BUFFER_PTS(buffer);
        frame.duration = GST_BUFFER_DURATION(buffer);
        frame.offset = GST_BUFFER_OFFSET(buffer);
        gst_buffer_unref(buffer);
        return frame;
    }
    Caps NegotiatedCaps() const {
        Caps caps;
        GstCaps* current = gst_pad_get_current_caps(h_->sinkpad);
        if (current == nullptr) return caps;
        const GstStructure* s = gst_caps_get_structure(current, 0);
        caps.name = gst_structure_get_name(s);
        caps.format = gst_structure_get_string(s, "format");
        gst_structure_get(s, "width", G_TYPE_INT, &caps.width, "height", G_TYPE_INT, &caps.height, "framerate",
                          GST_TYPE_FRACTION, &caps.rateNumerator, &caps.rateDenominator, nullptr);
        gst_caps_unref(current);
        return caps;
    }

private:
    GstHarness* h_;
};

// A gst-launch pipeline; Count() counts the buffers leaving an element.
class Pipeline {
public:
    struct Counter {
        std::atomic<int> buffers{0};
        bool WaitFor(int count) const {  // up to 20 s
            for (int i = 0; buffers < count && i < 10000; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            return buffers >= count;
        }
    };
    explicit Pipeline(const std::string& launch) : pipeline_(gst_parse_launch(launch.c_str(), nullptr)) {
        bus_ = gst_element_get_bus(pipeline_);
    }
    ~Pipeline() {
        SetState(GST_STATE_NULL);
        gst_object_unref(bus_);
        gst_object_unref(pipeline_);
    }
    GstStateChangeReturn SetState(GstState state) {  // waits until reached or failed
        const GstStateChangeReturn change = gst_element_set_state(pipeline_, state);
        if (change != GST_STATE_CHANGE_ASYNC) return change;
        return gst_element_get_state(pipeline_, nullptr, nullptr, 10 * GST_SECOND);
    }
    Counter& Count(const char* name) {
        Counter& counter = counters_.emplace_back();
        GstElement* element = gst_bin_get_by_name(GST_BIN(pipeline_), name);
        GstPad* pad = gst_element_get_static_pad(element, "src");
        gst_pad_add_probe(
            pad, GST_PAD_PROBE_TYPE_BUFFER,
            [](GstPad*, GstPadProbeInfo*, gpointer counter) {
                ++static_cast<Counter*>(counter)->buffers;
                return GST_PAD_PROBE_OK;
            },
            &counter, nullptr);
        gst_object_unref(pad);
        gst_object_unref(element);
        return counter;
    }
    // Checks that an error comes within 10 s: resource error `code` with
    // `text` in its message.
    void ExpectError(GstResourceError code, const std::string& text) {
        GstMessage* message = gst_bus_timed_pop_filtered(bus_, 10 * GST_SECOND, GST_MESSAGE_ERROR);
        ASSERT_NE(message, nullptr) << "no error with " << text;
        GError* error = nullptr;
        gst_message_parse_error(message, &error, nullptr);
        EXPECT_TRUE(g_error_matches(error, GST_RESOURCE_ERROR, code)) << error->message;
        EXPECT_NE(std::string(error->message).find(text), std::string::npos) << error->message;
        g_error_free(error);
        gst_message_unref(message);
    }
    bool HasError() {
        GstMessage* message = gst_bus_pop_filtered(bus_, GST_MESSAGE_ERROR);
        if (message != nullptr) gst_message_unref(message);
        return message != nullptr;
    }

private:
    GstElement* pipeline_;
    GstBus* bus_;
    std::list<Counter> counters_;
};

// Each test starts from cameras just plugged in: the simulator keeps a
// camera's faults and plugging while its QCX_SIM entry stays. Emptied rather
// than removed, as tests/e2e/sim_session.h explains.
class QcxSrcTest : public ::testing::Test {
protected:
    void TearDown() override {
        setenv("QCX_SIM", "", 1);
        setenv("QCX_SIM_TIMING", "fast", 1);
        QCXSimGetCount();
    }
    // The first simulated camera's node, while an element has the library open.
    static int FirstSimulatedNode() { return QCX_DeviceGetCount() - QCXSimGetCount(); }
    static std::string StatusText(int status) {
        char text[QCX_ERROR_TEXT_SIZE] = {};
        QCX_GetErrorInfo(status, text);
        return std::string(text) + " (" + std::to_string(status) + ")";
    }
};

// Shares of neighbouring samples that follow the ramp scene, (c + 2r) mod 256:
// one more along a row, two more down a column. Pixels of `pixelBytes`,
// channel `channel`; `margin` pixels at every edge and the last `lastColumns`
// columns and `lastRows` rows besides are left out.
inline std::pair<double, double> RampShares(const std::vector<std::uint8_t>& image, int width, int height,
                                            int pixelBytes, int channel, int margin, int lastColumns,
                                            int lastRows) {
    auto at = [&](int x, int y) { return image[(std::size_t(y) * width + x) * pixelBytes + channel]; };
    const int right = width - margin - lastColumns, bottom = height - margin - lastRows;
    double rows = 0, rowSteps = 0, columns = 0, columnSteps = 0;
    for (int y = margin; y < bottom; ++y) {
        for (int x = margin; x < right; ++x) {
            if (x + 1 < right) rows += 1, rowSteps += std::uint8_t(at(x + 1, y) - at(x, y)) == 1;
            if (y + 1 < bottom) columns += 1, columnSteps += std::uint8_t(at(x, y + 1) - at(x, y)) == 2;
        }
    }
    return {rows > 0 ? rowSteps / rows : 0, columns > 0 ? columnSteps / columns : 0};
}

}  // namespace qcxtest
