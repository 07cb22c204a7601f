// The image sensor of a simulated camera: its register file as the chip
// holds it, its timing, and the frame it reads out of the scene. There is one
// model per sensor family; MakeSimSensorModel picks it by device type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "sim/sim_scene.h"

namespace qcx {

// Output size of one frame: width x height samples of one byte each, or of
// two (a 12-bit value in a little-endian word) under 16-bit transfer.
struct SimFrameShape {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t bytesPerSample = 1;
    std::uint32_t Bytes() const { return width * height * bytesPerSample; }
};

class SimSensorModel {
public:
    virtual ~SimSensorModel() = default;

    // Register access as over the chip's serial bus.
    virtual std::uint16_t Read(std::uint16_t reg) const = 0;
    virtual void Write(std::uint16_t reg, std::uint16_t value) = 0;
    // The data of a host-to-device vendor request that carries a command for
    // the chips of the camera (the CCD cameras' timing generator, front end
    // and register requests); models without such chips ignore it.
    virtual void VendorWrite(std::uint8_t request, const std::uint8_t* data, std::size_t size) {
        (void)request; (void)data; (void)size;
    }

    // Whether the chip pulses its strobe (flash) output with every frame.
    virtual bool StrobeOn() const { return false; }
    // The colour filter the chip carries (or none).
    virtual SimMosaic Mosaic() const = 0;
    // The time the camera takes to produce one frame.
    virtual double FrameTimeMs() const = 0;
    // `wide`: the camera transfers 16 bits a sample (its working mode says so).
    virtual SimFrameShape OutputShape(bool wide) const = 0;
    // Writes the first `count` bytes of the frame (at most
    // OutputShape(wide).Bytes()) into `out` and returns how many were
    // written; the picture is seen through a lens defocused by `blurRadius`
    // (0 = sharp).
    virtual std::uint32_t Render(SimScene scene, std::uint8_t* out, std::uint32_t count, int blurRadius,
                                 bool wide) const = 0;
};

// The sensor model of a camera of this device type; null for a type whose
// family has no model (its registers are a plain store and its frames count
// up). On some boards the colour order of the filter goes with the firmware
// version, so the model gets that too.
std::unique_ptr<SimSensorModel> MakeSimSensorModel(std::uint8_t deviceType, std::uint16_t firmwareVersion);

}  // namespace qcx
