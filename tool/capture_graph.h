// The media graph of live video: the camera's source through a sample grabber
// to the dialog's video area, built with GStreamer (pipeline = filter graph,
// appsink = sample grabber, fakesink = null renderer).
#ifndef PIXMENDER_CAPTURE_GRAPH_H
#define PIXMENDER_CAPTURE_GRAPH_H

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "tool/grabbed_frame.h"
#include "tool/show_message.h"
#include "tool/video_input_category.h"
#include "tool/video_window.h"

namespace pixmender {

class CaptureGraph {
 public:
  // `inputs` lists the video input category when the graph is built;
  // `message` shows "GetFormat!" when the stream configuration cannot be reached.
  CaptureGraph(VideoInputEnumerator inputs, ShowMessage message);
  virtual ~CaptureGraph();  // tears down
  CaptureGraph(const CaptureGraph&) = delete;
  CaptureGraph& operator=(const CaptureGraph&) = delete;

  // Builds the graph for the device at `deviceIndex` of the category, sized
  // from the source's capabilities (largest by area, limited to the wanted
  // size). 0 on success (also when the category is empty: the graph then
  // stays empty), non-zero on failure.
  virtual int Build(int deviceIndex, int wantedWidth, int wantedHeight);
  // Shows the graph's video in `window` (null: no window) and runs the graph.
  // 0 on success.
  virtual int AttachToWindow(VideoWindow* window);
  // A copy of the grabber's current buffer; nullopt when it has none.
  virtual std::optional<std::vector<uint8_t>> GrabCurrentBuffer();
  // The grabber's connected format with the size of the last grabbed buffer;
  // false when there is no connected video format.
  virtual bool ReadFormat(FrameFormat& format);
  // Stops the graph and releases everything; the graph can be built again.
  virtual void TearDown();

  // The capture size read back from the source after the build (0 before).
  int CaptureWidth() const;
  int CaptureHeight() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace pixmender

#endif
