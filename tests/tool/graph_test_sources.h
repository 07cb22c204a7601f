// Video sources made in the graph tests: live test-pattern cameras limited by
// caps, sources without a usable pin, and helpers to wait for the graph.
#ifndef PIXMENDER_TESTS_TOOL_GRAPH_TEST_SOURCES_H
#define PIXMENDER_TESTS_TOOL_GRAPH_TEST_SOURCES_H

#include <gst/gst.h>

#include <QImage>
#include <QSize>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "tool/video_input_category.h"
#include "tool/video_window.h"

namespace pixmender::testing {

// A bin `videotestsrc is-live=true ! capsfilter caps=<caps>` behind a ghost
// "src" pad: a camera whose modes are exactly `caps`.
inline GstElement* MakeCamera(const std::string& caps, const char* pattern = "smpte") {
  const std::string description = "videotestsrc is-live=true pattern=" + std::string(pattern) +
                                  " ! capsfilter caps=\"" + caps + "\"";
  GError* error = nullptr;
  GstElement* bin = gst_parse_bin_from_description(description.c_str(), TRUE, &error);
  if (error != nullptr) g_error_free(error);
  return bin;
}

// A live YUY2 camera whose largest mode is width × height.
inline GstElement* MakeCameraUpTo(int width, int height) {
  return MakeCamera("video/x-raw,format=YUY2,width=[1," + std::to_string(width) + "],height=[1," +
                    std::to_string(height) + "]");
}

// A device of the category that counts how often its source was made.
inline VideoInputDevice CountingDevice(std::string name, std::atomic<int>& calls, std::function<GstElement*()> make) {
  return VideoInputDevice{std::move(name), [&calls, make = std::move(make)]() -> GstElement* {
                            ++calls;
                            return make();
                          }};
}

// Polls `condition` until it holds or a generous bound passes; the bound only
// keeps a broken graph from hanging the run.
inline bool WaitFor(const std::function<bool()>& condition, std::chrono::seconds bound = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + bound;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// A window that records what the display branch delivers.
class RecordingWindow : public VideoWindow {
 public:
  QSize ClientSize() const override { return QSize(320, 240); }
  void PresentFrame(const QImage& frame) override {
    std::lock_guard<std::mutex> lock(mutex_);
    last_ = frame;
    ++frames_;
  }
  int Frames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_;
  }
  QImage Last() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_;
  }

 private:
  mutable std::mutex mutex_;
  QImage last_;
  int frames_ = 0;
};

}  // namespace pixmender::testing

#endif
