// The camera's two windows as callers see them: setting goes to the family's
// driver, reading comes from the stored records, sizes follow the records.
#include "camera/common/status.h"
#include "camera/device/device.h"
#include "camera/imaging/bayer_filter.h"

namespace qcx {

namespace {

template <typename T>
void Store(T* target, T value) {
    if (target != nullptr) *target = value;
}

bool IsMode(int mode) { return mode == FVM_CAPTURE || mode == FVM_PREVIEW; }

bool SameShape(const FieldOfView& record, const WindowRequest& window) {
    return record.width == window.width && record.height == window.height &&
           record.columnMode == window.columnMode && record.rowMode == window.rowMode;
}

void StoreWindow(FieldOfView& record, const WindowRequest& window) {
    record.columnStart = window.columnStart;
    record.rowStart = window.rowStart;
    record.width = window.width;
    record.height = window.height;
    record.columnMode = window.columnMode;
    record.rowMode = window.rowMode;
}

}  // namespace

std::unique_lock<std::recursive_mutex> CDevice::LockWindows() {
    if (OnPreviewWorkerThread()) return std::unique_lock<std::recursive_mutex>(windowLock_, std::try_to_lock);
    return std::unique_lock<std::recursive_mutex>(windowLock_);
}

bool CDevice::RecordsHoldCountMinusOne() const {
    // The CCDs, whose windows are fixed, keep count - 1 too.
    const SensorFamilyTraits* family = FamilyTraits();
    return family == nullptr || family->windowRules == nullptr || family->windowRules->countMinusOne;
}

int CDevice::SetFieldOfView(int mode, WindowRequest window) {
    if (!IsMode(mode) || !sensor_) return status::kNotSupported;
    // Whether the window is stored or programmed depends on the FOV mode,
    // which must not switch until the records and the chip agree again.
    const auto windows = LockWindows();
    if (!windows.owns_lock()) return status::kFail;
    const char* chip = sensor_->WindowLogName();
    const char* setter = mode == FVM_CAPTURE ? "CaptureSetFieldOfView" : "PreviewSetFieldOfView";
    if (chip != nullptr)
        LogPrintf(log_.get(), "%s_%s ( %d, %d, %d, %d ) Enter.", chip, setter, window.columnStart, window.rowStart,
                  window.width, window.height);
    if (sensor_->ClampWindow(window) != status::kSuccess) return status::kNotSupported;
    FieldOfView& record = sensorState_.fov[mode];
    const bool programmed = sensorState_.fovMode == mode;
    // The preview thread reads frames of the record's size, so a new shape
    // waits until it has stopped; a move alone keeps the frame size and the
    // thread only waits for the I/O lock. The stop joins the thread and so
    // comes before the lock.
    const bool restart = mode == FVM_PREVIEW && programmed && PreviewRunning() && !SameShape(record, window) &&
                         PreviewStopSequence() == status::kSuccess;
    {
        std::lock_guard<IoMutex> io(channel_.IoLock());
        if (programmed) {
            // After a failed write the preview stays stopped: the record
            // holds what the chip took, which may not be the shape asked for.
            const int applied = sensor_->ApplyRecord(mode, window);
            if (applied != status::kSuccess) return applied;
        } else {
            StoreWindow(record, window);  // programmed at the next switch
        }
        ComputeOutputSize(record, RecordsHoldCountMinusOne(), transfer16Bit_);
        if (mode == FVM_PREVIEW) PreviewSizeChanged();
        RecomputeRegions();
    }
    if (restart) PreviewStartSequence();
    if (chip != nullptr) LogPrintf(log_.get(), "%s_%s Finished.", chip, setter);
    return status::kSuccess;
}

void CDevice::GetFieldOfView(int mode, int* columnStart, int* rowStart, int* width, int* height, int* columnMode,
                             int* rowMode) const {
    if (!IsMode(mode)) return;
    const FieldOfView& record = sensorState_.fov[mode];
    const SensorGeometry& geometry = sensorState_.geometry;
    // Families whose size registers hold count - 1 keep that in the records;
    // the getters report counts.
    const int extra = RecordsHoldCountMinusOne() ? 1 : 0;
    Store(columnStart, record.columnStart - geometry.columnOffset);
    Store(rowStart, record.rowStart - geometry.rowOffset);
    Store(width, record.width + extra);
    Store(height, record.height + extra);
    Store(columnMode, static_cast<int>(record.columnMode));
    Store(rowMode, static_cast<int>(record.rowMode));
}

void CDevice::GetDefaultFieldOfView(int* columnStart, int* rowStart, int* width, int* height, int* columnMode,
                                    int* rowMode) const {
    Store(columnStart, 0);
    Store(rowStart, 0);
    Store(width, static_cast<int>(sensorState_.geometry.maxWidth));
    Store(height, static_cast<int>(sensorState_.geometry.maxHeight));
    Store(columnMode, 0);
    Store(rowMode, 0);
}

void CDevice::GetOutputSize(int mode, int* width, int* height) const {
    if (!IsMode(mode)) return;
    Store(width, static_cast<int>(sensorState_.fov[mode].outputWidth));
    Store(height, static_cast<int>(sensorState_.fov[mode].outputHeight));
}

int CDevice::OutputBitCount() const {
    return GetOutputBitCount(sensorState_.outputMode, sensorState_.bayerMode);
}

int CDevice::SwitchFieldOfViewMode(int mode) {
    // The switch programs the target record into the chip, so no record
    // may change while it runs. It goes to the driver even for the current
    // mode: after a switch that failed part-way the chip holds a mix of the
    // two windows until a switch completes.
    const auto windows = LockWindows();
    if (!windows.owns_lock()) return status::kFail;
    if (!IsMode(mode) || !sensor_) return status::kNotSupported;
    // Another thread's settings read and write the same sensor state under
    // the I/O lock.
    std::lock_guard<IoMutex> io(channel_.IoLock());
    return sensor_->SwitchFieldOfViewMode(mode);
}

}  // namespace qcx
