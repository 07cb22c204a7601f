// One frame taken from the sample grabber, and what can hand one out.
#ifndef PIXMENDER_GRABBED_FRAME_H
#define PIXMENDER_GRABBED_FRAME_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace pixmender {

// The connected format of the grabber: width, height, bits per pixel, and the
// byte size of the last grabbed buffer.
struct FrameFormat {
  int width = 0;
  int height = 0;
  int bitCount = 0;
  size_t size = 0;
};

// A copy of the grabber's current buffer, owned by the caller.
struct GrabbedFrame {
  std::vector<uint8_t> bytes;
  FrameFormat format;
};

// What the calibration grab needs of the camera: the current frame and the
// bridge register writes around it. The camera link is one.
class FrameSource {
 public:
  virtual ~FrameSource() = default;
  // The grabber's current buffer and format; nullopt when there is no frame.
  virtual std::optional<GrabbedFrame> GrabFrame() = 0;
  virtual bool WriteBridgeRegister(uint16_t address, uint16_t value) = 0;
};

}  // namespace pixmender

#endif
