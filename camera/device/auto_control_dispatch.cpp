// The automatic exposure, white balance and focus loops on a camera: their
// exports and the per-frame steps the preview worker runs. Callers hold the
// camera's I/O lock (the exports through their wrapper, the worker around
// each frame), so the worker never sees a half-written loop.
#include "camera/device/auto_control_dispatch.h"

#include "camera/common/status.h"
#include "camera/device/device.h"
#include "camera/device/parameters.h"

namespace qcx {

namespace {

int ParamOf(GainChannel channel) {
    switch (channel) {
        case GainChannel::Red: return QCX_RED;
        case GainChannel::Green: return QCX_GREEN;
        case GainChannel::Blue: return QCX_BLUE;
    }
    return QCX_RED;
}

int ParamOf(ColourChannel channel) {
    switch (channel) {
        case ColourChannel::Red: return QCX_RED_SHIFT;
        case ColourChannel::Green: return QCX_GREEN_SHIFT;
        case ColourChannel::Blue: return QCX_BLUE_SHIFT;
    }
    return QCX_RED_SHIFT;
}

// The loops change the camera through its parameters, as an application
// would; a failed write is not reported.
class DeviceAutoControlCamera final : public AutoControlCamera {
public:
    explicit DeviceAutoControlCamera(CDevice& device) : device_(device) {}
    int ExposureLines() override { return Read(QCX_EXPOSURE_LINES); }
    void SetExposureLines(int lines) override { (void)SetParam(device_, QCX_EXPOSURE_LINES, lines); }
    int Gain(GainChannel channel) override { return Read(ParamOf(channel)); }
    void SetGain(GainChannel channel, int gain) override { (void)SetParam(device_, ParamOf(channel), gain); }
    void SetColourShift(ColourChannel channel, int shift) override {
        (void)SetParam(device_, ParamOf(channel), shift);
    }

    int Read(int parameter) {
        int value = 0;
        (void)GetParam(device_, parameter, &value);
        return value;
    }

private:
    CDevice& device_;
};

MeasuringRegion WholeFrame(const RegionFrame& frame) { return MeasuringRegion{0, 0, frame.width, frame.height}; }

constexpr int kFocusMinimumSize = 3;

}  // namespace

RegionFrame CDevice::CurrentRegionFrame() const {
    const FieldOfView& preview = sensorState_.fov[FVM_PREVIEW];
    return RegionFrame{preview.outputWidth, preview.outputHeight, sensorState_.outputMode, sensorState_.bayerMode};
}

void CDevice::RecomputeRegions() {
    std::lock_guard<IoMutex> io(channel_.IoLock());
    const RegionFrame frame = CurrentRegionFrame();
    ae_.effective = RecomputeRegion(ae_.requested, frame, 0);
    awb_.effective = RecomputeRegion(awb_.requested, frame, 0);
}

void CDevice::RunAutoSteps(std::uint8_t* raw, int width, int height) {
    DeviceAutoControlCamera camera(*this);
    if (ae_.active) {
        const bool result = AeStep(ae_, raw, width, camera);
        if (!ae_.active && ae_.callback != nullptr)
            ae_.callback(result ? 1 : 0, camera.Read(QCX_EXPOSURE), ae_.context);
    }
    if (awb_.active) {
        const bool result = AwbStep(awb_, raw, width, sensorState_.bayerMode, camera);
        if (!awb_.active && awb_.callback != nullptr) {
            awb_.callback(result ? 1 : 0, camera.Read(QCX_RED), camera.Read(QCX_GREEN), camera.Read(QCX_BLUE),
                          awb_.context);
        }
    }
    if (af_.active) {
        const int focus = FocusValue(raw, width, height, af_.effective);
        if (af_.callback != nullptr) af_.callback(focus, af_.context);
    }
}

int AESetRegion(CDevice& device, int x, int y, int width, int height) {
    AeLoop& ae = device.Ae();
    ae.requested = MeasuringRegion{x, y, width, height};
    ae.effective = RecomputeRegion(ae.requested, device.CurrentRegionFrame(), 0);
    return status::kSuccess;
}

int AESetCallback(CDevice& device, QCX_AE_CALLBACK callback, void* context) {
    device.Ae().callback = callback;
    device.Ae().context = context;
    return status::kSuccess;
}

int AEStart(CDevice& device, bool start, int maximumCount, int target) {
    if (device.PreviewState() != kPreviewRunning) return status::kNotSupported;
    AeLoop& ae = device.Ae();
    if (ae.requested.height < 1 || ae.requested.width <= 0) {
        ae.requested = WholeFrame(device.CurrentRegionFrame());
        ae.effective = RecomputeRegion(ae.requested, device.CurrentRegionFrame(), 0);
    }
    ae.maximumCount = maximumCount;
    ae.target = target;
    ae.counter = 0;
    ae.inversions = 0;
    ae.active = start;
    return status::kSuccess;
}

int AWBSetRegion(CDevice& device, int x, int y, int width, int height) {
    if (device.IsMonochrome()) return status::kNotSupported;
    AwbLoop& awb = device.Awb();
    awb.requested = MeasuringRegion{x, y, width, height};
    awb.effective = RecomputeRegion(awb.requested, device.CurrentRegionFrame(), 0);
    return status::kSuccess;
}

int AWBSetCallback(CDevice& device, QCX_AWB_CALLBACK callback, void* context) {
    if (device.IsMonochrome()) return status::kNotSupported;
    device.Awb().callback = callback;
    device.Awb().context = context;
    return status::kSuccess;
}

int AWBStart(CDevice& device, bool start, int maximumCount, int redTarget, int greenTarget, int blueTarget) {
    if (device.IsMonochrome() || device.PreviewState() != kPreviewRunning) return status::kNotSupported;
    AwbLoop& awb = device.Awb();
    if (awb.requested.width == 0 || awb.requested.height == 0) {
        // The whole frame is measured from this frame on, not only after the
        // next change of the preview size.
        awb.requested = WholeFrame(device.CurrentRegionFrame());
        awb.effective = RecomputeRegion(awb.requested, device.CurrentRegionFrame(), 0);
    }
    awb.maximumCount = maximumCount;
    awb.redTarget = redTarget;
    awb.greenTarget = greenTarget;
    awb.blueTarget = blueTarget;
    awb.counter = 0;
    awb.active = start;
    return status::kSuccess;
}

int AFSetRegion(CDevice& device, int x, int y, int width, int height) {
    if (device.OutputMode() != 0) return status::kNotSupported;
    AfLoop& af = device.Af();
    af.requested = MeasuringRegion{x, y, width, height};
    af.effective = RecomputeRegion(af.requested, device.CurrentRegionFrame(), kFocusMinimumSize);
    return status::kSuccess;
}

int AFSetCallback(CDevice& device, QCX_AF_CALLBACK callback, void* context) {
    if (device.OutputMode() != 0) return status::kNotSupported;
    device.Af().callback = callback;
    device.Af().context = context;
    return status::kSuccess;
}

int AFStart(CDevice& device, bool start) {
    if (device.PreviewState() != kPreviewRunning || device.OutputMode() != 0) return status::kNotSupported;
    AfLoop& af = device.Af();
    if (af.requested.width == 0 || af.requested.height == 0) af.requested = WholeFrame(device.CurrentRegionFrame());
    af.effective = RecomputeRegion(af.requested, device.CurrentRegionFrame(), kFocusMinimumSize);
    af.active = start;
    return status::kSuccess;
}

}  // namespace qcx
