// The windows of the CCD cameras: always the whole array. Both records hold
// it (sizes as count - 1), so switching between them sends nothing.
#pragma once

#include "camera/common/status.h"
#include "camera/sensors/field_of_view.h"

namespace qcx {

inline void AdoptFullFrame(SensorState& state, int width, int height) {
    state.geometry = {.columnOffset = 0, .rowOffset = 0, .minWidth = 1, .minHeight = 1, .maxWidth = width,
                      .maxHeight = height};
    state.fovMode = FVM_CAPTURE;
    FieldOfView full;
    full.width = width - 1;
    full.height = height - 1;
    state.fov[FVM_CAPTURE] = full;
    state.fov[FVM_PREVIEW] = full;
}

inline int SwitchFullFrameMode(SensorState& state, int mode) {
    if (mode != FVM_CAPTURE && mode != FVM_PREVIEW) return status::kParameterError;
    state.fovMode = mode;
    return status::kSuccess;
}

}  // namespace qcx
