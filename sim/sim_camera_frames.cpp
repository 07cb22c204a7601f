// The frame side of a simulated camera: what a bulk read of a frame gets,
// when it gets it, and the frame faults tests inject.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "camera/platform/environment.h"
#include "sim/sim_camera.h"

namespace qcx {
namespace {

FrameReadResult Failed(std::uint32_t errorCode) {
    return FrameReadResult{FrameReadResult::Kind::Failed, 0, errorCode};
}

FrameReadResult TimedOut() { return FrameReadResult{FrameReadResult::Kind::TimedOut, 0, 0}; }

FrameReadResult Completed(std::uint32_t bytes) {
    return FrameReadResult{FrameReadResult::Kind::Completed, bytes, 0};
}

// Whether the working mode asks the sensor for 16 bits a sample.
bool Wide(std::uint16_t workingMode) { return (workingMode & working_mode::kTransfer16Bit) != 0; }

}  // namespace

std::optional<SimTiming> ParseSimTiming(std::string_view text) {
    if (text == "realtime") return SimTiming::Realtime;
    if (text == "fast") return SimTiming::Fast;
    return std::nullopt;
}

SimTiming SimTimingFromEnvironment() {
    static std::atomic<bool> warned{false};
    const std::string value = EnvironmentValue("QCX_SIM_TIMING");
    if (value.empty()) return SimTiming::Realtime;
    if (const auto timing = ParseSimTiming(value)) return *timing;
    if (!warned.exchange(true)) {
        std::fprintf(stderr, "qcxapi: ignoring QCX_SIM_TIMING='%s', using realtime\n", value.c_str());
    }
    return SimTiming::Realtime;
}

bool SimCamera::WaitLocked(std::unique_lock<std::mutex>& lock, double ms, std::uint32_t connection) {
    // A condition variable rather than a plain sleep, so that an unplug ends
    // the wait at once, as a vanished USB device ends its pending transfers.
    const std::chrono::duration<double, std::milli> wait(ms);
    const bool gone = plugChanged_.wait_for(lock, wait, [&] { return !ConnectedLocked(connection); });
    return !gone;
}

FrameReadResult SimCamera::ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs,
                                     std::uint32_t connection) {
    std::unique_lock lock(mutex_);
    if (!ConnectedLocked(connection)) return Failed(kSimErrorDeviceGone);
    if (timeoutMs == 0) {
        ++frameTimeouts_;
        return TimedOut();
    }
    if (size == 0) return Completed(0);
    if (buffer == nullptr) return Failed(kSimErrorInvalidParameter);

    const bool realtime = (timing_ ? *timing_ : SimTimingFromEnvironment()) == SimTiming::Realtime;
    // A camera that holds its frame until released sends nothing more
    // before the release.
    const bool held = HoldsFramesUntilReleased() && framesHeld_ > 0;
    if (frameFaults_.drops > 0 || held) {
        if (!held) --frameFaults_.drops;
        if (realtime && !WaitLocked(lock, timeoutMs, connection)) return Failed(kSimErrorDeviceGone);
        ++frameTimeouts_;
        return TimedOut();
    }
    if ((workingMode_ & working_mode::kExternalTrigger) != 0) {
        // The sensor exposes only when the trigger input fires.
        const bool triggered = plugChanged_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
            return pendingTriggers_ > 0 || !ConnectedLocked(connection);
        });
        if (!ConnectedLocked(connection)) return Failed(kSimErrorDeviceGone);
        if (!triggered) {
            ++frameTimeouts_;
            return TimedOut();
        }
        --pendingTriggers_;
        const double afterTriggerMs = triggerDelay_ / 1000.0 + (realtime && sensor_ ? sensor_->FrameTimeMs() : 0.0);
        if (afterTriggerMs > 0.0 && !WaitLocked(lock, afterTriggerMs, connection)) return Failed(kSimErrorDeviceGone);
    } else if (realtime && sensor_) {
        const double frameMs = sensor_->FrameTimeMs();
        const bool tooSlow = frameMs > timeoutMs;
        const double waitMs = tooSlow ? timeoutMs : MsToNextFrameLocked(frameMs);
        if (!WaitLocked(lock, waitMs, connection)) return Failed(kSimErrorDeviceGone);
        if (tooSlow) {
            ++frameTimeouts_;
            return TimedOut();
        }
    }

    if (frameFaults_.empties > 0) {
        --frameFaults_.empties;
        return Completed(0);
    }
    std::uint32_t cut = std::numeric_limits<std::uint32_t>::max();
    if (frameFaults_.shorts > 0) {
        --frameFaults_.shorts;
        const std::uint32_t frameBytes = sensor_ ? sensor_->OutputShape(Wide(workingMode_)).Bytes() : size;
        cut = frameFaults_.shortBytes > 0 ? frameFaults_.shortBytes : frameBytes / 2;
    }
    return DeliverLocked(static_cast<std::uint8_t*>(buffer), size, cut);
}

double SimCamera::MsToNextFrameLocked(double frameMs) {
    const auto now = std::chrono::steady_clock::now();
    if (frameMs != frameClockPeriodMs_) {
        frameClockOrigin_ = now;
        frameClockPeriodMs_ = frameMs;
        return frameMs;
    }
    const double elapsed = std::chrono::duration<double, std::milli>(now - frameClockOrigin_).count();
    return (std::floor(elapsed / frameMs) + 1.0) * frameMs - elapsed;
}

FrameReadResult SimCamera::DeliverLocked(std::uint8_t* buffer, std::uint32_t size, std::uint32_t cut) {
    std::uint32_t bytes = std::min(size, cut);
    if (sensor_) {
        const std::vector<std::uint8_t>& frame =
            SensorFrameLocked(scene_ ? *scene_ : SimSceneFromEnvironment(), Wide(workingMode_));
        bytes = std::min(bytes, static_cast<std::uint32_t>(frame.size()));
        std::copy_n(frame.data(), bytes, buffer);
    } else {
        const auto k = static_cast<std::uint32_t>(framesDelivered_);
        for (std::uint32_t i = 0; i < bytes; ++i) buffer[i] = static_cast<std::uint8_t>(i + k);
    }
    if (bytes > 0) {
        ++framesDelivered_;
        framesHeld_ = 1;
        if (sensor_ && sensor_->StrobeOn()) ++strobePulses_;
    }
    return Completed(bytes);
}

const std::vector<std::uint8_t>& SimCamera::SensorFrameLocked(SimScene scene, bool wide) {
    RenderedFrame& frame = rendered_;
    if (frame.valid && frame.scene == scene && frame.blur == blur_ && frame.wide == wide) return frame.bytes;
    frame.bytes.resize(sensor_->OutputShape(wide).Bytes());
    const std::uint32_t rendered =
        sensor_->Render(scene, frame.bytes.data(), static_cast<std::uint32_t>(frame.bytes.size()), blur_, wide);
    frame.bytes.resize(rendered);
    frame.valid = true;
    frame.scene = scene;
    frame.blur = blur_;
    frame.wide = wide;
    return frame.bytes;
}

SimScene SimCamera::Scene() const {
    std::lock_guard lock(mutex_);
    return scene_ ? *scene_ : SimSceneFromEnvironment();
}

void SimCamera::SetScene(SimScene scene) {
    std::lock_guard lock(mutex_);
    scene_ = scene;
}

SimTiming SimCamera::Timing() const {
    std::lock_guard lock(mutex_);
    return timing_ ? *timing_ : SimTimingFromEnvironment();
}

void SimCamera::SetTiming(SimTiming timing) {
    std::lock_guard lock(mutex_);
    timing_ = timing;
}

int SimCamera::Blur() const {
    std::lock_guard lock(mutex_);
    return blur_;
}

void SimCamera::SetBlur(int radius) {
    radius = std::clamp(radius, 0, SimPicture::kMaxBlur);
    // Blur the picture now, outside the lock, so that the next frame read
    // keeps its frame time instead of waiting for the table.
    if (sensor_) SimPicture::For(sensor_->Mosaic(), radius);
    std::lock_guard lock(mutex_);
    blur_ = radius;
}

void SimCamera::DropNextFrames(std::uint32_t count) {
    std::lock_guard lock(mutex_);
    frameFaults_.drops = count;
}

void SimCamera::EmptyNextFrames(std::uint32_t count) {
    std::lock_guard lock(mutex_);
    frameFaults_.empties = count;
}

void SimCamera::ShortenNextFrames(std::uint32_t count, std::uint32_t bytes) {
    std::lock_guard lock(mutex_);
    frameFaults_.shorts = count;
    frameFaults_.shortBytes = bytes;
}

SimFrameFaults SimCamera::PendingFrameFaults() const {
    std::lock_guard lock(mutex_);
    return frameFaults_;
}

std::optional<SimFrameShape> SimCamera::FrameShape() const {
    std::lock_guard lock(mutex_);
    if (!sensor_) return std::nullopt;
    return sensor_->OutputShape(Wide(workingMode_));
}

std::optional<double> SimCamera::FrameTimeMs() const {
    std::lock_guard lock(mutex_);
    if (!sensor_) return std::nullopt;
    return sensor_->FrameTimeMs();
}

std::uint64_t SimCamera::FramesDelivered() const {
    std::lock_guard lock(mutex_);
    return framesDelivered_;
}

std::uint64_t SimCamera::FrameTimeouts() const {
    std::lock_guard lock(mutex_);
    return frameTimeouts_;
}

std::uint32_t SimCamera::FramesHeld() const {
    std::lock_guard lock(mutex_);
    return framesHeld_;
}

}  // namespace qcx
