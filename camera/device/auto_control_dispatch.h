// The automatic exposure, white balance and focus exports on a camera.
// Callers hold the camera's I/O lock.
#pragma once

#include "qcxapi.h"

namespace qcx {

class CDevice;

int AESetRegion(CDevice& device, int x, int y, int width, int height);
int AESetCallback(CDevice& device, QCX_AE_CALLBACK callback, void* context);
// -3 unless the preview is running.
int AEStart(CDevice& device, bool start, int maximumCount, int target);

// -3 for monochrome cameras.
int AWBSetRegion(CDevice& device, int x, int y, int width, int height);
int AWBSetCallback(CDevice& device, QCX_AWB_CALLBACK callback, void* context);
int AWBStart(CDevice& device, bool start, int maximumCount, int redTarget, int greenTarget, int blueTarget);

// -3 in colour output.
int AFSetRegion(CDevice& device, int x, int y, int width, int height);
int AFSetCallback(CDevice& device, QCX_AF_CALLBACK callback, void* context);
int AFStart(CDevice& device, bool start);

}  // namespace qcx
