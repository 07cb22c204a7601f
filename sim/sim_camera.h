// The firmware of one simulated camera: the controller's answers to the vendor
// requests, its memories and registers, and the frames it sends. Written from
// the camera's side of the wire, not from the driver's.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "camera/platform/driver_node.h"
#include "camera/platform/request_record.h"
#include "sim/sim_camera_list.h"
#include "sim/sim_ports.h"
#include "sim/sim_sensor_model.h"
#include "sim/sim_scene.h"

namespace qcx {

enum class SimFaultMode {
    Status,  // answer with status byte 1 and no value; the request has no effect
    Refuse,  // stall the request: the driver reports it as refused
};

// A host-to-device write of the CCD timing generator (0x21), analog front end
// (0x22) or 1628 x 1236 sensor (0x27), as the firmware received it.
struct SimRecordedWrite {
    std::uint8_t request = 0;
    std::vector<std::uint8_t> data;
};

// What the camera last received, for tests that check the bytes on the wire.
struct SimLastRequest {
    RequestRecordBytes record{};
    std::vector<std::uint8_t> hostData;  // data stage of a host-to-device request, else empty
};

enum class SimTiming {
    Realtime = 0,  // a read waits for the sensor's exposure and read-out
    Fast = 1,      // a read never waits (a dropped frame times out at once)
};

// "realtime" or "fast"; nullopt for anything else.
std::optional<SimTiming> ParseSimTiming(std::string_view text);
// The timing QCX_SIM_TIMING names now; unset, empty or unknown gives realtime
// (an unknown value is reported once on stderr).
SimTiming SimTimingFromEnvironment();

// Frame faults still to come. Each read uses up at most one, a drop first,
// then an empty frame, then a short one.
struct SimFrameFaults {
    std::uint32_t drops = 0;
    std::uint32_t empties = 0;
    std::uint32_t shorts = 0;
    std::uint32_t shortBytes = 0;  // bytes of a short frame; 0 = half the frame
};

// Error code of a frame read on a camera that is gone (the system's "device
// not connected").
inline constexpr std::uint32_t kSimErrorDeviceGone = 1167;
// Error code of a frame read into a null buffer ("invalid parameter").
inline constexpr std::uint32_t kSimErrorInvalidParameter = 87;

class SimCamera {
public:
    // Matches whatever connection the camera has now; for callers that talk to
    // the firmware directly rather than through an opened node.
    static constexpr std::uint32_t kAnyConnection = std::numeric_limits<std::uint32_t>::max();

    explicit SimCamera(const SimCameraIdentity& identity);

    SimCamera(const SimCamera&) = delete;
    SimCamera& operator=(const SimCamera&) = delete;

    const SimCameraIdentity& Identity() const { return identity_; }

    // One vendor request as it arrives from the driver: the 19-byte record and
    // the caller's buffer (`dataSize` bytes; the record's buffer address is
    // only the low half of a 64-bit pointer and is not used). Device-to-host
    // answers go into `data`, never beyond wLength. Returns false when the
    // control transfer stalls: unknown request, a request this camera model
    // does not have, a malformed record, an injected refusal, or a camera
    // that is unplugged or was replugged since `connection` was opened.
    bool HandleRequest(const RequestRecordBytes& record, std::uint8_t* data, std::uint32_t dataSize,
                       std::uint32_t connection = kAnyConnection);

    // One frame read of at most `size` bytes, bounded by `timeoutMs`.
    //  - A camera that is gone (or unplugged while the read waits) fails
    //    with kSimErrorDeviceGone; a null buffer with kSimErrorInvalidParameter.
    //  - A time-out of 0 times out at once: no transfer completes in no time.
    //  - Cameras with a sensor model render the frame from its registers and the scene; a
    //    read of more bytes than the frame holds gets the frame (a short
    //    read), one of fewer gets what it asked. In realtime timing the read
    //    waits one frame time (SimSensorModel::FrameTimeMs), or times out after
    //    `timeoutMs` when the frame takes longer.
    //  - Cameras without one answer every read at once with exactly the
    //    asked size: byte i of the k-th delivered frame (k from 0) is
    //    (i + k) & 0xFF.
    //  - Injected frame faults come before all that (see SimFrameFaults).
    // The camera's lock is not held while the read waits.
    FrameReadResult ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs,
                              std::uint32_t connection = kAnyConnection);

    // Scene and timing: what QCX_SIM_SCENE and QCX_SIM_TIMING say at each
    // frame read (cameras outlive library sessions, so the environment of
    // the read counts), unless the camera was given its own with a setter.
    SimScene Scene() const;
    void SetScene(SimScene scene);
    SimTiming Timing() const;
    void SetTiming(SimTiming timing);
    // Defocus of the lens over the picture scene (see SimPicture): 0 is sharp,
    // the default, up to SimPicture::kMaxBlur; values outside are clamped.
    // The setter builds the blurred picture before it returns.
    int Blur() const;
    void SetBlur(int radius);

    // Frame faults; each call replaces the pending count of its kind, 0
    // cancels it. A dropped frame waits the read's time-out (realtime) and
    // times out; an empty one completes with 0 bytes; a short one completes
    // with `bytes` bytes (0 = half the frame) when that is less than asked.
    void DropNextFrames(std::uint32_t count);
    void EmptyNextFrames(std::uint32_t count);
    void ShortenNextFrames(std::uint32_t count, std::uint32_t bytes);
    SimFrameFaults PendingFrameFaults() const;

    // The size of the frame the sensor would send now, with the sample width
    // of the working mode; nullopt for cameras without a sensor model, which
    // send whatever size is asked.
    std::optional<SimFrameShape> FrameShape() const;
    // The sensor's frame time now; nullopt without a sensor model.
    std::optional<double> FrameTimeMs() const;

    // Plugging. A replug is a new connection: nodes opened before the unplug
    // stay dead, as handles of a vanished USB device do.
    void Unplug();
    void Replug();
    bool IsPlugged() const;
    std::uint32_t Connection() const;

    // After `skip` more well-formed requests, the next `count` fail in
    // `mode` (count 0 clears). A host-to-device request has no status byte
    // to answer with, so a status fault stalls it like a refusal.
    void FailNextRequests(std::uint32_t count, SimFaultMode mode, std::uint32_t skip = 0);
    std::uint32_t PendingFailures() const;

    // Direct access to the camera's state, for tests and the control API.
    std::uint8_t Eeprom(std::uint16_t address) const;
    void SetEeprom(std::uint16_t address, std::uint8_t value);
    std::uint8_t Eeprom32(std::uint32_t address) const;
    void SetEeprom32(std::uint32_t address, std::uint8_t value);
    std::uint8_t Fx2Reg(std::uint16_t address) const;
    void SetFx2Reg(std::uint16_t address, std::uint8_t value);
    std::uint8_t Sfr(std::uint8_t address) const;
    void SetSfr(std::uint8_t address, std::uint8_t value);
    std::uint16_t SensorReg(std::uint16_t reg) const;
    void SetSensorReg(std::uint16_t reg, std::uint16_t value);
    std::uint16_t WorkingMode() const;
    // Acts like a host write: bit 8 flushes the held frames and is not kept.
    void SetWorkingMode(std::uint16_t word);
    // What the trigger status request reports next; set by a trigger and
    // cleared when the camera reports it.
    std::uint8_t TriggerStatus() const;
    void SetTriggerStatus(std::uint8_t status);

    // The camera's I/O lines from outside: the snap button, the input levels
    // and seen levels of the general purpose lines and the lit lamps (false
    // for a camera without them), one pulse on the external trigger input,
    // and the strobe pulses sent so far.
    void SetSnapButton(bool pressed);
    bool SetGpioInputs(std::uint8_t levels);
    bool GpioLevels(std::uint8_t* levels) const;
    bool Lamps(std::uint8_t* lamps) const;
    // In external trigger mode a frame is sent only after a trigger, the
    // trigger delay (microseconds) and, in realtime timing, the frame time
    // after it; a read without a trigger waits for one up to its time-out.
    void Trigger();
    std::uint32_t StrobePulses() const;
    std::uint16_t TriggerDelay() const;
    std::uint16_t StrobeDelay() const;
    std::uint16_t CcdSensitivity() const;
    std::vector<SimRecordedWrite> RecordedWrites() const;
    void ClearRecordedWrites();

    // Counters. Requests are counted when they reach the camera, failed and
    // refused ones included; nothing reaches an unplugged camera.
    std::uint32_t RequestCount() const;
    void ResetRequestCount();
    SimLastRequest LastRequest() const;
    std::uint32_t FlushCount() const;
    std::uint32_t FrameReleaseCount() const;
    // Reads that completed with at least one byte (short frames included).
    std::uint64_t FramesDelivered() const;
    // Reads that ended in a time-out (time-out 0, dropped or too slow frames).
    std::uint64_t FrameTimeouts() const;
    // Frames waiting in the camera's buffer. Frames are made on demand, so
    // this is 1 after a read that delivered data and 0 after a flush or a
    // frame release.
    std::uint32_t FramesHeld() const;

    // Bounds the memory of recorded writes in long sessions; the oldest go.
    static constexpr std::size_t kMaxRecordedWrites = 4096;

private:
    struct Answer;

    bool ConnectedLocked(std::uint32_t connection) const;
    bool ExecuteLocked(const RequestRecord& r, const std::uint8_t* hostData, Answer& answer);
    void WriteWorkingModeLocked(std::uint16_t word);
    void RecordWriteLocked(std::uint8_t request, const std::uint8_t* data, std::size_t size);
    std::uint16_t SensorRegLocked(std::uint16_t reg) const;
    void SetSensorRegLocked(std::uint16_t reg, std::uint16_t value);
    // Waits up to `ms` without the lock; false when the connection went away.
    bool WaitLocked(std::unique_lock<std::mutex>& lock, double ms, std::uint32_t connection);
    // Milliseconds from now to the next frame of the sensor's clock.
    double MsToNextFrameLocked(double frameMs);
    FrameReadResult DeliverLocked(std::uint8_t* buffer, std::uint32_t size, std::uint32_t cut);
    // The 1628 x 1236 CCD cameras hold each frame until the host releases it.
    bool HoldsFramesUntilReleased() const;
    // The sensor's frame for the scene, blur and sample width, rendered
    // again only after one of them or a sensor register changed.
    const std::vector<std::uint8_t>& SensorFrameLocked(SimScene scene, bool wide);

    const SimCameraIdentity identity_;
    mutable std::mutex mutex_;
    // Wakes reads waiting on a camera that goes away or on a trigger.
    std::condition_variable plugChanged_;

    bool plugged_ = true;
    std::uint32_t connection_ = 0;
    std::uint32_t passesBeforeFailures_ = 0;
    std::uint32_t failuresLeft_ = 0;
    SimFaultMode failureMode_ = SimFaultMode::Status;

    std::vector<std::uint8_t> eeprom_;                        // 64 KiB, erased 0xFF
    std::unordered_map<std::uint32_t, std::uint8_t> eeprom32_;  // absent = erased
    std::vector<std::uint8_t> fx2Regs_;                       // 64 KiB
    std::array<std::uint8_t, 256> sfrs_{};
    std::unordered_map<std::uint16_t, std::uint16_t> sensorRegs_;  // absent = reset value 0
    std::unique_ptr<SimSensorModel> sensor_;  // the sensor's registers instead, when modelled
    std::optional<SimScene> scene_;    // empty: follow the environment
    std::optional<SimTiming> timing_;  // empty: follow the environment
    int blur_ = 0;
    // The last frame the sensor rendered and what it was rendered for; a
    // sensor register write empties it. A 15-megapixel frame takes longer
    // to render than to copy, and most frames repeat the one before.
    struct RenderedFrame {
        std::vector<std::uint8_t> bytes;
        bool valid = false;
        SimScene scene = SimScene::Picture;
        int blur = 0;
        bool wide = false;
    } rendered_;
    SimFrameFaults frameFaults_;
    SimPorts ports_;
    std::uint32_t pendingTriggers_ = 0;  // trigger pulses no frame has taken yet
    std::uint32_t strobePulses_ = 0;
    std::uint16_t workingMode_ = 0;
    std::uint8_t triggerStatus_ = 0;
    std::uint16_t triggerDelay_ = 0;
    std::uint16_t strobeDelay_ = 0;
    std::uint16_t ccdSensitivity_ = 0;
    std::deque<SimRecordedWrite> recordedWrites_;

    std::uint32_t requestCount_ = 0;
    SimLastRequest lastRequest_;
    std::uint32_t flushCount_ = 0;
    std::uint32_t frameReleaseCount_ = 0;
    std::uint64_t framesDelivered_ = 0;
    std::uint64_t frameTimeouts_ = 0;
    std::uint32_t framesHeld_ = 0;
    // The sensor streams on a clock of its own: frames complete every frame
    // time from the first realtime read on (restarted when the frame time
    // changes), so time the reader spends between reads is not added on.
    std::chrono::steady_clock::time_point frameClockOrigin_{};
    double frameClockPeriodMs_ = 0.0;
};

}  // namespace qcx
