// Frame reads: one bounded read of a whole frame under the I/O lock, the
// recovery a failed read starts, and the fixed order of raw corrections.
#include <memory>
#include <new>

#include "camera/common/status.h"
#include "camera/device/device.h"
#include "camera/imaging/bayer_filter.h"
#include "camera/imaging/raw_corrections.h"
#include "camera/imaging/tone_tables.h"

namespace qcx {

namespace {

// Byte count of a frame, or 0 when it does not fit one read.
std::uint32_t FrameBytes(int width, int height, bool transfer16Bit) {
    const std::uint64_t bytes = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) *
                                (transfer16Bit ? 2u : 1u);
    return bytes > 0x7FFFFFFFu ? 0 : static_cast<std::uint32_t>(bytes);
}

}  // namespace

void CDevice::ApplyRawCorrections(std::uint8_t* frame, int width, int height, int correctionCount) {
    // The patch reads two columns and two rows back; smaller frames (no
    // sensor delivers them) are left as they are.
    if (width >= 4 && height >= 3) PatchRawEdges(frame, width, height);
    if (pipeline_.badPixelCorrectionOn && IsInGroup(kSoftwareBadPixelTypes, deviceType_)) {
        const std::uint8_t threshold =
            pipeline_.badPixelMode == 1 ? pipeline_.badPixelThreshold1 : pipeline_.badPixelThreshold2;
        CorrectBadPixels(frame, width, height, threshold);
    }
    const SensorFamilyTraits* family = FamilyTraits();
    if (family != nullptr && family->frameMirror) {
        if (mirrorOn_) MirrorRows(frame, width, height);
        if (flipOn_) FlipRows(frame, width, height);
    }
    if (correctionCount > 0) RunGammaContrastBrightness(frame, correctionCount, 1, pipeline_);
}

int CDevice::GetRawData16or8Bits(std::uint8_t* buffer, int width, int height) {
    LogPrintf(log_.get(), "GetRawData16or8Bits ( %d, %d ) Enter.", width, height);
    std::lock_guard<IoMutex> io(channel_.IoLock());
    if (!channel_.IsOpen() && Recover() != status::kRecoverySuccessful) return status::kRecoveryFail;
    if (width < 1 || height < 1 || buffer == nullptr) return status::kNotSupported;
    const std::uint32_t byteCount = FrameBytes(width, height, transfer16Bit_);
    if (byteCount == 0) return status::kNotSupported;

    FrameRelease();
    const FrameReadResult read = channel_.ReadFrame(buffer, byteCount, captureTimeoutMs_);
    switch (read.kind) {
        case FrameReadResult::Kind::TimedOut: {
            const int recovered = Recover();
            LogPrintf(log_.get(), "GetRawData16or8Bits TimeOut.");
            return recovered;
        }
        case FrameReadResult::Kind::Failed: {
            // A failed transfer means the camera went away (the cable was
            // pulled); without a recovery the camera would never come back,
            // so the read recovers as a time-out does.
            LogPrintf(log_.get(), "GetRawData16or8Bits GetOverlappedResult Fail (0x%04x).", read.errorCode);
            if (read.detail != nullptr) LogPrintf(log_.get(), "GetRawData16or8Bits %s.", read.detail);
            return Recover();
        }
        case FrameReadResult::Kind::Completed:
            break;
    }
    if (read.bytesRead == byteCount) {
        frameReleasePending_ = true;
        if (!transfer16Bit_) ApplyRawCorrections(buffer, width, height, width * height);
        return status::kSuccess;
    }
    LogPrintf(log_.get(), "GetRawData16or8Bits Need ReadBytes:%04d,Real BytesRead:%04d.", static_cast<int>(byteCount),
              static_cast<int>(read.bytesRead));
    if (read.bytesRead == 0) return status::kZeroFrame;
    frameReleasePending_ = true;
    return status::kInvalidFrame;
}

int CDevice::GetRawDataEx(std::uint8_t* buffer, int width, int height, int byteCount, int correctionCount) {
    std::lock_guard<IoMutex> io(channel_.IoLock());
    if (!channel_.IsOpen() && Recover() != status::kRecoverySuccessful) return status::kRecoveryFail;
    if (byteCount < 1) return status::kNotSupported;

    std::unique_ptr<std::uint8_t[]> wide;
    if (transfer16Bit_) {
        wide.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(byteCount)]);
        if (!wide) return status::kNoMemory;
    }
    FrameRelease();
    std::uint8_t* target = wide ? wide.get() : buffer;
    const FrameReadResult read = channel_.ReadFrame(target, static_cast<std::uint32_t>(byteCount), captureTimeoutMs_);
    switch (read.kind) {
        case FrameReadResult::Kind::TimedOut: {
            const int recovered = Recover();
            LogPrintf(log_.get(), "GetRawDataEx TimeOut.");
            return recovered;
        }
        case FrameReadResult::Kind::Failed: {
            const int recovered = Recover();
            LogPrintf(log_.get(), "GetRawDataEx GetOverlappedResult Fail (0x%04x).", read.errorCode);
            if (read.detail != nullptr) LogPrintf(log_.get(), "GetRawDataEx %s.", read.detail);
            return recovered;
        }
        case FrameReadResult::Kind::Completed:
            break;
    }
    LogPrintf(log_.get(), "GetRawDataEx Need ReadBytes:%04d,Real BytesRead:%04d.", byteCount,
              static_cast<int>(read.bytesRead));
    if (read.bytesRead == 0) return status::kZeroFrame;
    frameReleasePending_ = true;
    if (read.bytesRead != static_cast<std::uint32_t>(byteCount)) return status::kInvalidFrame;
    if (wide) {
        ReduceTo8Bits(reinterpret_cast<const std::uint16_t*>(wide.get()), buffer, width, height, pipeline_,
                      sensitivityMode_);
    }
    ApplyRawCorrections(buffer, width, height, correctionCount);
    return status::kSuccess;
}

int CDevice::FrameRelease() {
    if (!IsInGroup(kFrameReleaseTypes, deviceType_)) return status::kNotSupported;
    if (!channel_.IsOpen()) return status::kNotInitialized;
    if (!frameReleasePending_) return 0;
    SetupPacket setup;
    setup.bmRequestType = vendor::kTypeIn;
    setup.bRequest = vendor::kFrameRelease;
    setup.wLength = 1;
    std::uint8_t statusByte = 0xFF;
    const int result = channel_.VendorCmd(setup, &statusByte);
    if (result != status::kSuccess) return result;
    if (statusByte != 0) return status::kFail;
    frameReleasePending_ = false;
    return status::kSuccess;
}

int CDevice::SetData16Bits(bool enable) {
    if (!IsInGroup(kSixteenBitTypes, deviceType_)) return status::kNotSupported;
    // The byte counts are part of the window records.
    const auto windows = LockWindows();
    if (!windows.owns_lock()) return status::kFail;
    std::lock_guard<IoMutex> io(channel_.IoLock());
    std::uint16_t word = 0;
    int result = GetWorkingMode(&word);
    if (result == status::kSuccess && ((word & working_mode::kTransfer16Bit) != 0) != enable) {
        const auto changed = static_cast<std::uint16_t>(enable ? word | working_mode::kTransfer16Bit
                                                               : word & ~working_mode::kTransfer16Bit);
        result = SetWorkingMode(changed);
        if (result == status::kSuccess) transfer16Bit_ = enable;
    }
    // The byte counts follow the flag between frames, never during one.
    for (FieldOfView& record : sensorState_.fov)
        record.bufferBytes = transfer16Bit_ ? record.pixelCount * 2 : record.pixelCount;
    return result;
}

int CDevice::GetData16Bits(bool* enabled) {
    if (!IsInGroup(kSixteenBitTypes, deviceType_)) {
        *enabled = false;
        return status::kNotSupported;
    }
    *enabled = transfer16Bit_;
    return status::kSuccess;
}

}  // namespace qcx
