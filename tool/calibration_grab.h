// Grabbing for calibration: the camera's current frame as the cropped 24-bit
// image on which the calibration statistics are taken.
#ifndef PIXMENDER_CALIBRATION_GRAB_H
#define PIXMENDER_CALIBRATION_GRAB_H

#include <QString>

#include "tool/grabbed_frame.h"
#include "tool/raster_image.h"

namespace pixmender {

// The central region kept of a w × h frame: [w/18, w·17/18) × [h/17, h·16/17).
struct CentralRegion {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
};
CentralRegion CentralRegionOf(int width, int height);

// Takes the current frame, writes bridge registers 0xB03E and 0xB03F ← 0x20,
// converts the frame to 24 bits, crops it to the central region and, when
// fileName is not empty, saves it there. False when there is no current frame
// (nothing is converted or saved) or the frame cannot be taken into the image.
bool GrabForCalibration(FrameSource& camera, RasterImage& image, const QString& fileName);

}  // namespace pixmender

#endif
