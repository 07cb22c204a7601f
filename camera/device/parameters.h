// The generic parameter interface: one numeric identifier (QCX_PARAM) per
// adjustable setting, routed to the sensor driver of the camera's family, to
// the window setters or to the colour pipeline and colour correction.
#pragma once

namespace qcx {

class CDevice;

// Identifiers run from 0 (QCX_EXPOSURE) to 24 (QCX_SATURATION).
inline constexpr int kParamCount = 25;

// The identifier's name as the log prints it; null outside 0 ... 24.
const char* ParamName(int parameter);

// -3 for an identifier outside 0 ... 24 or one the camera's family does not
// have; otherwise the status of the operation behind it.
int SetParam(CDevice& device, int parameter, int value);
// True for the identifiers whose setting changes a window: the window starts,
// and flip and mirror, which rewrite the read mode that also holds the
// window's binning. Their callers hold the device's window lock.
bool ParamChangesWindow(int parameter);
// `value` is set to 0 first; -1 when it is null.
int GetParam(CDevice& device, int parameter, int* value);
// Both outputs are set to 0 first; -1 when either is null.
int GetParamRange(CDevice& device, int parameter, int* minimum, int* maximum);

// The family's exposure-time operations in milliseconds (they keep the
// device's stored exposure time); -3 outside the families.
int ExposureTimeSet(CDevice& device, float milliseconds);
// -1 for a null pointer.
int ExposureTimeGet(CDevice& device, float* milliseconds);

}  // namespace qcx
