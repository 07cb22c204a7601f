// The live video of a simulated camera as a GStreamer source element.
#ifndef PIXMENDER_SIMCOMPONENT_SIM_VIDEO_SOURCE_H
#define PIXMENDER_SIMCOMPONENT_SIM_VIDEO_SOURCE_H

#include <memory>
#include <vector>

#include "tool/simcomponent/sim_camera.h"
#include "tool/simcomponent/sim_config.h"

typedef struct _GstElement GstElement;

namespace pixmender {

// A new live appsrc (floating reference) that answers caps queries with the
// sizes as YUY2 formats at `fps`, and while its pad is active pushes the
// camera's picture at the negotiated size, `fps` times a second. A camera
// that is not streaming ends the stream. Null on failure.
GstElement* CreateSimVideoSource(std::shared_ptr<SimCamera> camera, const std::vector<FrameSize>& sizes, int fps);

}  // namespace pixmender

#endif
