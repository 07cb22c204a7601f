// The image sensor of a simulated camera: its register file as the chip
// holds it, its timing, and the frame it reads out of the scene. There is one
// model per sensor family; MakeSimSensorModel picks it by device type.
#pragma once

#include <cstdint>
#include <memory>

#include "sim/sim_scene.h"

namespace qcx {

// Output size of one frame, in samples (one byte each).
struct SimFrameShape {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t Bytes() const { return width * height; }
};

class SimSensorModel {
public:
    virtual ~SimSensorModel() = default;

    // Register access as over the chip's serial bus.
    virtual std::uint16_t Read(std::uint16_t reg) const = 0;
    virtual void Write(std::uint16_t reg, std::uint16_t value) = 0;

    // The colour filter the chip carries (or none).
    virtual SimMosaic Mosaic() const = 0;
    // The time the camera takes to produce one frame.
    virtual double FrameTimeMs() const = 0;
    virtual SimFrameShape OutputShape() const = 0;
    // Writes the first `count` bytes of the frame (at most OutputShape().Bytes())
    // into `out` and returns how many were written; the picture is seen
    // through a lens defocused by `blurRadius` (0 = sharp).
    virtual std::uint32_t Render(SimScene scene, std::uint8_t* out, std::uint32_t count, int blurRadius) const = 0;
};

// The sensor model of a camera of this device type; null for a type whose
// family has no model (its registers are a plain store and its frames count
// up).
std::unique_ptr<SimSensorModel> MakeSimSensorModel(std::uint8_t deviceType);

}  // namespace qcx
