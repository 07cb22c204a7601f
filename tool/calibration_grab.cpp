#include "tool/calibration_grab.h"

#include <algorithm>
#include <cstdint>

namespace pixmender {

namespace {
constexpr uint16_t kBridgeRegisterB03E = 0xB03E;
constexpr uint16_t kBridgeRegisterB03F = 0xB03F;
constexpr uint16_t kBridgeAfterGrab = 0x20;
}  // namespace

CentralRegion CentralRegionOf(int width, int height) {
  // In 64 bits so that × 17 and × 16 cannot overflow on a corrupt format.
  const int64_t w = width;
  const int64_t h = height;
  return {static_cast<int>(w / 18), static_cast<int>(h / 17), static_cast<int>(w * 17 / 18),
          static_cast<int>(h * 16 / 17)};
}

bool GrabForCalibration(FrameSource& camera, RasterImage& image, const QString& fileName) {
  std::optional<GrabbedFrame> frame = camera.GrabFrame();
  // The bridge is written after every grab attempt, with or without a frame.
  camera.WriteBridgeRegister(kBridgeRegisterB03E, kBridgeAfterGrab);
  camera.WriteBridgeRegister(kBridgeRegisterB03F, kBridgeAfterGrab);
  if (!frame) return false;

  const FrameFormat& format = frame->format;
  // The format's size is the byte count; never read past the copy we hold.
  const size_t byteCount = std::min(format.size, frame->bytes.size());
  if (!image.TakeFrame(frame->bytes.data(), byteCount, format.width, format.height, format.bitCount)) {
    return false;
  }
  image.ConvertTo24Bits();
  const CentralRegion region = CentralRegionOf(format.width, format.height);
  image.Crop(region.left, region.top, region.right, region.bottom);
  if (!fileName.isEmpty()) image.Save(fileName);
  return true;  // the copied frame is freed on leaving
}

}  // namespace pixmender
