// The C control API of the simulated cameras. No exception crosses it.
#include "qcxsim.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "sim/sim_node_provider.h"

using qcx::SimCamera;
using qcx::SimNodeProvider;

namespace {

// Runs `action` on the camera at `node`, turning a missing camera and
// allocation failure into status codes.
template <typename Action>
int WithCamera(int node, Action action) {
    try {
        const auto camera = SimNodeProvider::Instance().CameraAtNode(node);
        if (!camera) return QCXSIM_NO_CAMERA;
        return action(*camera);
    } catch (const std::bad_alloc&) {
        return QCXSIM_NO_MEMORY;
    }
}

// The public scene numbers, indexed by qcx::SimScene.
constexpr int kScenes[] = {QCXSIM_SCENE_PICTURE, QCXSIM_SCENE_RAMP, QCXSIM_SCENE_GREY};
static_assert(static_cast<int>(qcx::SimScene::Picture) == 0 && static_cast<int>(qcx::SimScene::Ramp) == 1 &&
              static_cast<int>(qcx::SimScene::Grey) == 2);
static_assert(QCXSIM_BLUR_MAX == qcx::SimPicture::kMaxBlur);

}  // namespace

extern "C" {

QCXSIM_API int QCXSimGetCount(void) {
    return SimNodeProvider::Instance().CountPlugged();
}

QCXSIM_API int QCXSimDescribe(int node, int* deviceType, int* deviceNumber,
                              unsigned short* firmwareVersion) {
    return WithCamera(node, [&](SimCamera& camera) {
        const auto& identity = camera.Identity();
        if (deviceType) *deviceType = identity.deviceType;
        if (deviceNumber) *deviceNumber = identity.deviceNumber;
        if (firmwareVersion) *firmwareVersion = identity.firmwareVersion;
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimFailRequests(int node, int count, int mode) {
    if (count < 0 || (mode != QCXSIM_FAIL_STATUS && mode != QCXSIM_FAIL_REFUSE)) {
        return QCXSIM_BAD_ARGUMENT;
    }
    return WithCamera(node, [&](SimCamera& camera) {
        camera.FailNextRequests(static_cast<std::uint32_t>(count),
                                mode == QCXSIM_FAIL_REFUSE ? qcx::SimFaultMode::Refuse
                                                           : qcx::SimFaultMode::Status);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimFailRequestsAfter(int node, int skip, int count, int mode) {
    if (skip < 0 || count < 0 || (mode != QCXSIM_FAIL_STATUS && mode != QCXSIM_FAIL_REFUSE)) {
        return QCXSIM_BAD_ARGUMENT;
    }
    return WithCamera(node, [&](SimCamera& camera) {
        camera.FailNextRequests(static_cast<std::uint32_t>(count),
                                mode == QCXSIM_FAIL_REFUSE ? qcx::SimFaultMode::Refuse : qcx::SimFaultMode::Status,
                                static_cast<std::uint32_t>(skip));
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimUnplug(int node) {
    try {
        return SimNodeProvider::Instance().Unplug(node) ? QCXSIM_OK : QCXSIM_NO_CAMERA;
    } catch (const std::bad_alloc&) {
        return QCXSIM_NO_MEMORY;
    }
}

QCXSIM_API int QCXSimReplugAll(void) {
    try {
        SimNodeProvider::Instance().ReplugAll();
        return QCXSIM_OK;
    } catch (const std::bad_alloc&) {
        return QCXSIM_NO_MEMORY;
    }
}

QCXSIM_API int QCXSimReadEeprom(int node, unsigned int address, unsigned char* value) {
    if (value == nullptr || address > 0xFFFF) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        *value = camera.Eeprom(static_cast<std::uint16_t>(address));
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimWriteEeprom(int node, unsigned int address, unsigned char value) {
    if (address > 0xFFFF) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        camera.SetEeprom(static_cast<std::uint16_t>(address), value);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimReadEeprom32(int node, unsigned int address, unsigned char* value) {
    if (value == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        *value = camera.Eeprom32(address);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimWriteEeprom32(int node, unsigned int address, unsigned char value) {
    return WithCamera(node, [&](SimCamera& camera) {
        camera.SetEeprom32(address, value);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimReadFx2Reg(int node, unsigned short address, unsigned char* value) {
    if (value == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        *value = camera.Fx2Reg(address);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimWriteFx2Reg(int node, unsigned short address, unsigned char value) {
    return WithCamera(node, [&](SimCamera& camera) {
        camera.SetFx2Reg(address, value);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimReadSfr(int node, unsigned char address, unsigned char* value) {
    if (value == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        *value = camera.Sfr(address);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimWriteSfr(int node, unsigned char address, unsigned char value) {
    return WithCamera(node, [&](SimCamera& camera) {
        camera.SetSfr(address, value);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimReadSensorReg(int node, unsigned short reg, unsigned short* value) {
    if (value == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        *value = camera.SensorReg(reg);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimWriteSensorReg(int node, unsigned short reg, unsigned short value) {
    return WithCamera(node, [&](SimCamera& camera) {
        camera.SetSensorReg(reg, value);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimGetWorkingMode(int node, unsigned short* word) {
    if (word == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        *word = camera.WorkingMode();
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimSetWorkingMode(int node, unsigned short word) {
    return WithCamera(node, [&](SimCamera& camera) {
        camera.SetWorkingMode(word);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimGetRequestCount(int node, unsigned int* count) {
    if (count == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        *count = camera.RequestCount();
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimResetRequestCount(int node) {
    return WithCamera(node, [](SimCamera& camera) {
        camera.ResetRequestCount();
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimGetLastRequest(int node, unsigned char record[QCXSIM_RECORD_SIZE],
                                    unsigned char* hostData, unsigned int* hostDataLength) {
    if (record == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        const qcx::SimLastRequest last = camera.LastRequest();
        std::memcpy(record, last.record.data(), last.record.size());
        if (hostData) {
            std::copy_n(last.hostData.begin(),
                        std::min<std::size_t>(last.hostData.size(), QCXSIM_HOST_DATA_MAX), hostData);
        }
        if (hostDataLength) *hostDataLength = static_cast<unsigned int>(last.hostData.size());
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimGetFlushCount(int node, unsigned int* count) {
    if (count == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        *count = camera.FlushCount();
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimGetFrameReleaseCount(int node, unsigned int* count) {
    if (count == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        *count = camera.FrameReleaseCount();
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimSetSnapButton(int node, int pressed) {
    return WithCamera(node, [&](SimCamera& camera) {
        camera.SetSnapButton(pressed != 0);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimSetGpioInputs(int node, unsigned char levels) {
    return WithCamera(node, [&](SimCamera& camera) {
        return camera.SetGpioInputs(levels) ? QCXSIM_OK : QCXSIM_NOT_SUPPORTED;
    });
}

QCXSIM_API int QCXSimGetGpioLevels(int node, unsigned char* levels) {
    if (levels == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        return camera.GpioLevels(levels) ? QCXSIM_OK : QCXSIM_NOT_SUPPORTED;
    });
}

QCXSIM_API int QCXSimGetLamps(int node, unsigned char* lamps) {
    if (lamps == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        return camera.Lamps(lamps) ? QCXSIM_OK : QCXSIM_NOT_SUPPORTED;
    });
}

QCXSIM_API int QCXSimTrigger(int node) {
    return WithCamera(node, [&](SimCamera& camera) {
        camera.Trigger();
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimGetStrobeCount(int node, unsigned int* count) {
    if (count == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        *count = camera.StrobePulses();
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimSetScene(int node, int scene) {
    const auto it = std::find(std::begin(kScenes), std::end(kScenes), scene);
    if (it == std::end(kScenes)) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        camera.SetScene(static_cast<qcx::SimScene>(it - std::begin(kScenes)));
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimGetScene(int node, int* scene) {
    if (scene == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        *scene = kScenes[static_cast<std::size_t>(camera.Scene())];
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimSetBlur(int node, int radius) {
    if (radius < 0 || radius > QCXSIM_BLUR_MAX) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        camera.SetBlur(radius);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimGetBlur(int node, int* radius) {
    if (radius == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        *radius = camera.Blur();
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimSetTiming(int node, int timing) {
    if (timing != QCXSIM_TIMING_REALTIME && timing != QCXSIM_TIMING_FAST) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        camera.SetTiming(timing == QCXSIM_TIMING_FAST ? qcx::SimTiming::Fast : qcx::SimTiming::Realtime);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimGetTiming(int node, int* timing) {
    if (timing == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        *timing = camera.Timing() == qcx::SimTiming::Fast ? QCXSIM_TIMING_FAST : QCXSIM_TIMING_REALTIME;
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimDropFrames(int node, int count) {
    if (count < 0) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        camera.DropNextFrames(static_cast<std::uint32_t>(count));
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimEmptyFrames(int node, int count) {
    if (count < 0) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        camera.EmptyNextFrames(static_cast<std::uint32_t>(count));
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimShortFrames(int node, int count, unsigned int bytes) {
    if (count < 0) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        camera.ShortenNextFrames(static_cast<std::uint32_t>(count), bytes);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimGetPendingFrameFaults(int node, unsigned int* drops, unsigned int* empties,
                                           unsigned int* shorts) {
    return WithCamera(node, [&](SimCamera& camera) {
        const qcx::SimFrameFaults faults = camera.PendingFrameFaults();
        if (drops) *drops = faults.drops;
        if (empties) *empties = faults.empties;
        if (shorts) *shorts = faults.shorts;
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimGetFrameCounts(int node, unsigned int* delivered, unsigned int* timedOut) {
    return WithCamera(node, [&](SimCamera& camera) {
        if (delivered) *delivered = static_cast<unsigned int>(camera.FramesDelivered());
        if (timedOut) *timedOut = static_cast<unsigned int>(camera.FrameTimeouts());
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimGetFrameSize(int node, int* width, int* height) {
    return WithCamera(node, [&](SimCamera& camera) {
        const auto shape = camera.FrameShape();
        if (!shape) return QCXSIM_NOT_SUPPORTED;
        if (width) *width = static_cast<int>(shape->width);
        if (height) *height = static_cast<int>(shape->height);
        return QCXSIM_OK;
    });
}

QCXSIM_API int QCXSimGetFrameTime(int node, double* ms) {
    if (ms == nullptr) return QCXSIM_BAD_ARGUMENT;
    return WithCamera(node, [&](SimCamera& camera) {
        const auto frameMs = camera.FrameTimeMs();
        if (!frameMs) return QCXSIM_NOT_SUPPORTED;
        *ms = *frameMs;
        return QCXSIM_OK;
    });
}

}  // extern "C"
