// The video input category: the capture devices the capture graph can bind.
#ifndef PIXMENDER_VIDEO_INPUT_CATEGORY_H
#define PIXMENDER_VIDEO_INPUT_CATEGORY_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "tool/talvex_component.h"

typedef struct _GstElement GstElement;

namespace pixmender {

// One entry of the category (a moniker): a name, and how to make the
// device's source element (a new GstElement, floating reference; null on failure).
struct VideoInputDevice {
  std::string name;
  std::function<GstElement*()> createSource;
};

using VideoInputEnumerator = std::function<std::vector<VideoInputDevice>()>;

// The inputs the loaded component registered (in its camera table order),
// followed by the video sources of GStreamer's device monitor; at most
// `limit` are kept, the rest are not looked at. `component` may be null.
std::vector<VideoInputDevice> EnumerateVideoInputs(const TalvexComponentApi* component, size_t limit = 10);

}  // namespace pixmender

#endif
