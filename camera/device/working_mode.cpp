// The camera firmware's working-mode word and the frame-buffer flush built on it.
#include "camera/common/device_groups.h"
#include "camera/common/status.h"
#include "camera/device/device.h"

namespace qcx {

int CDevice::GetWorkingMode(std::uint16_t* word) {
    if (!IsInGroup(kWorkingModeTypes, deviceType_)) {
        LogPrintf(log_.get(), "GetWorkingMode - Not Support.");
        return status::kNotSupported;
    }
    LogPrintf(log_.get(), "GetWorkingMode Enter.");
    std::uint8_t statusByte = 0xFF;
    std::uint16_t value = 0;
    const int result = channel_.RequestGetWorkingMode(&value, &statusByte);
    if (result != status::kSuccess) {
        LogPrintf(log_.get(), "GetWorkingMode - VendorCmd Fail 0x%04x.", static_cast<unsigned>(result));
        return result;
    }
    if (statusByte != 0) {
        LogPrintf(log_.get(), "GetWorkingMode - btStatus Error 0x%04x.", statusByte);
        return status::kFail;
    }
    *word = value;
    LogPrintf(log_.get(), "GetWorkingMode Finished ( 0x%04x ).", value);
    return status::kSuccess;
}

int CDevice::SetWorkingMode(std::uint16_t word) {
    if (!IsInGroup(kWorkingModeTypes, deviceType_)) {
        LogPrintf(log_.get(), "SetWorkingMode - Not Support.");
        return status::kNotSupported;
    }
    LogPrintf(log_.get(), "SetWorkingMode Enter.");
    std::uint8_t statusByte = 0xFF;
    const int result = channel_.RequestSetWorkingMode(word, &statusByte);
    if (result != status::kSuccess) {
        LogPrintf(log_.get(), "SetWorkingMode VendorCmd Fail 0x%04x.", static_cast<unsigned>(result));
        return result;
    }
    if (statusByte != 0) {
        LogPrintf(log_.get(), "SetWorkingMode btStatus Error 0x%04x.", statusByte);
        return status::kFail;
    }
    // The camera object keeps the last word written, to send it again after
    // a reconnection.
    workingModeCopy_ = word;
    LogPrintf(log_.get(), "SetWorkingMode Finished ( 0x%04x ).", word);
    return status::kSuccess;
}

int CDevice::EmptyFrameBuffer() {
    if (!channel_.IsOpen()) return status::kNotInitialized;
    LogPrintf(log_.get(), "EmptyFrameBuffer Enter.");
    if (!IsInGroup(kWorkingModeTypes, deviceType_)) {
        LogPrintf(log_.get(), "EmptyFrameBuffer - Not Support.");
        return status::kNotSupported;
    }
    std::uint16_t word = 0;
    int result = GetWorkingMode(&word);
    if (result != status::kSuccess) return result;
    // The camera clears the flush bit itself once its buffer is empty, so the
    // library never sends the word without it to end the flush.
    result = SetWorkingMode(static_cast<std::uint16_t>(word | working_mode::kFlushFrameBuffer));
    if (result != status::kSuccess) return result;
    workingModeCopy_ = static_cast<std::uint16_t>(word & ~working_mode::kFlushFrameBuffer);
    LogPrintf(log_.get(), "EmptyFrameBuffer Finished.");
    return status::kSuccess;
}

}  // namespace qcx

namespace qcx {

int CDevice::ReadWorkingModeIntoDevice() {
    if (!IsInGroup(kWorkingModeTypes, deviceType_)) return status::kSuccess;
    std::uint16_t word = 0;
    const int result = GetWorkingMode(&word);
    if (result == status::kSuccess) workingModeCopy_ = word;
    return result;
}

void CDevice::ResendWorkingModeAndDelays() {
    // The word goes back with the flush bit: the rest of a frame cut off
    // before the recovery must not become the start of the next one. A frame
    // an external trigger started is kept, as before a capture, whichever
    // word (the camera's or the copy) says trigger.
    if (IsInGroup(kWorkingModeTypes, deviceType_)) {
        const std::uint16_t word = workingModeCopy_;
        std::uint16_t held = 0;
        if (GetWorkingMode(&held) != status::kSuccess) held = 0;
        const bool triggered = ((word | held) & working_mode::kExternalTrigger) != 0;
        SetWorkingMode(triggered ? word : static_cast<std::uint16_t>(word | working_mode::kFlushFrameBuffer));
        workingModeCopy_ = word;  // the camera clears the flush bit itself
    }
    if (!IsInGroup(kTriggerTypes, deviceType_)) return;
    for (const auto& [request, value] : {std::pair{vendor::kTriggerDelay, triggerDelay_},
                                          std::pair{vendor::kStrobeDelay, strobeDelay_}}) {
        SetupPacket setup;
        setup.bmRequestType = vendor::kTypeIn;
        setup.bRequest = request;
        setup.wValue = value;
        setup.wLength = 1;
        std::uint8_t statusByte = 0;
        channel_.VendorCmd(setup, &statusByte);
    }
}

}  // namespace qcx
