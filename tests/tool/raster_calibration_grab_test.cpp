// Grabbing for calibration against a fake camera.
#include "tool/calibration_grab.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pixmender {
namespace {

class FakeCamera : public FrameSource {
 public:
  std::optional<GrabbedFrame> GrabFrame() override {
    calls.push_back("grab");
    return frame;
  }
  bool WriteBridgeRegister(uint16_t address, uint16_t value) override {
    calls.push_back("bridge " + std::to_string(address) + " <- " + std::to_string(value));
    return true;
  }

  std::optional<GrabbedFrame> frame;
  std::vector<std::string> calls;
};

// A YUY2 frame whose every group is (y0, u, y1, v).
GrabbedFrame Yuy2Frame(int width, int height, uint8_t y0, uint8_t u, uint8_t y1, uint8_t v) {
  GrabbedFrame frame;
  frame.format = {width, height, 16, static_cast<size_t>(width) * height * 2};
  frame.bytes.resize(frame.format.size);
  for (size_t i = 0; i + 3 < frame.bytes.size(); i += 4) {
    frame.bytes[i] = y0;
    frame.bytes[i + 1] = u;
    frame.bytes[i + 2] = y1;
    frame.bytes[i + 3] = v;
  }
  return frame;
}

const std::vector<std::string> kGrabThenBridge = {"grab", "bridge 45118 <- 32", "bridge 45119 <- 32"};  // 0xB03E, 0xB03F

TEST(CalibrationGrab, FullFrameBecomesTheCroppedColourImage) {
  FakeCamera camera;
  camera.frame = Yuy2Frame(1600, 1200, 0, 0, 255, 255);
  RasterImage image;
  ASSERT_TRUE(GrabForCalibration(camera, image, QString()));
  EXPECT_EQ(camera.calls, kGrabThenBridge);
  EXPECT_EQ(image.Width(), 1423);
  EXPECT_EQ(image.Height(), 1059);
  EXPECT_EQ(image.BitsPerPixel(), 24);
  EXPECT_EQ(image.DpiX(), 300);
  // Left edge 88 is even: the region starts on a group's first pixel.
  const uint8_t* row = image.Row(500);
  EXPECT_EQ(std::vector<uint8_t>(row, row + 6), (std::vector<uint8_t>{0, 47, 225, 74, 255, 255}));
  const uint8_t* last = image.Row(1058) + 1422 * 3;  // source column 1510: a group's first pixel
  EXPECT_EQ(std::vector<uint8_t>(last, last + 3), (std::vector<uint8_t>{0, 47, 225}));
}

TEST(CalibrationGrab, NoBufferFailsAfterTheBridgeWritesAndSavesNothing) {
  QTemporaryDir dir;
  FakeCamera camera;
  RasterImage image;
  EXPECT_FALSE(GrabForCalibration(camera, image, dir.filePath("1.jpg")));
  EXPECT_EQ(camera.calls, kGrabThenBridge);
  EXPECT_TRUE(image.IsEmpty());
  EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST(CalibrationGrab, SavesTheCroppedImageWhenNamed) {
  QTemporaryDir dir;
  FakeCamera camera;
  camera.frame = Yuy2Frame(64, 48, 128, 128, 128, 128);
  RasterImage image;
  ASSERT_TRUE(GrabForCalibration(camera, image, dir.filePath("1.jpg")));
  EXPECT_TRUE(QFileInfo(dir.filePath("1.jpg")).size() > 0);
  EXPECT_EQ(image.Width(), 64 * 17 / 18 - 64 / 18);
}

TEST(CalibrationGrab, ByteCountNeverExceedsTheHeldCopy) {
  FakeCamera camera;
  GrabbedFrame frame = Yuy2Frame(36, 34, 128, 128, 128, 128);
  frame.bytes.resize(36 * 2 * 17);  // the format claims twice what was copied
  camera.frame = std::move(frame);
  RasterImage image;
  ASSERT_TRUE(GrabForCalibration(camera, image, QString()));
  // Rows 2 … 31 are kept; the lower half had no bytes and converts from zeros.
  EXPECT_EQ(image.Height(), 30);
  EXPECT_EQ(image.Row(0)[0], 128);
  EXPECT_EQ(image.Row(29)[0], 0);  // Y 0, U and V 0: blue clamps to 0
}

TEST(CalibrationGrab, OtherBitCountsAreCroppedUnconverted) {
  FakeCamera camera;
  GrabbedFrame frame;
  frame.format = {36, 34, 8, 36 * 34};
  frame.bytes.assign(frame.format.size, 77);
  camera.frame = frame;
  RasterImage image;
  ASSERT_TRUE(GrabForCalibration(camera, image, QString()));
  EXPECT_EQ(image.BitsPerPixel(), 8);
  EXPECT_EQ(image.Width(), 32);
  EXPECT_EQ(image.Height(), 30);
  EXPECT_EQ(image.Row(29)[31], 77);
  // An unusable format fails.
  frame.format = {0, 0, 16, 8};
  camera.frame = frame;
  EXPECT_FALSE(GrabForCalibration(camera, image, QString()));
}

}  // namespace
}  // namespace pixmender
