// The simulated MT9P001 / MT9T001 frames: skipping and binning by Bayer pairs
// and the column flip checked byte for byte with the ramp scene, 16-bit
// samples, and the global gain that sets all four colour gains.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "sim/sim_camera.h"
#include "sim/sim_scene.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Regs = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

// A type 8 camera (MT9P001, green-red first row) that renders at once. Its
// array starts at absolute column 16, row 54, where the ramp (c + 2r) reads 124.
struct FastCamera {
    explicit FastCamera(SimScene scene, const Regs& regs) : camera({8, 0, 0x100}) {
        camera.SetTiming(SimTiming::Fast);
        camera.SetScene(scene);
        for (const auto& [reg, value] : regs) camera.SetSensorReg(reg, value);
    }
    Bytes Frame() {
        Bytes frame(8192, 0xEE);
        const auto read = camera.ReadFrame(frame.data(), static_cast<std::uint32_t>(frame.size()), 1000);
        EXPECT_EQ(read.kind, FrameReadResult::Kind::Completed);
        frame.resize(read.bytesRead);
        return frame;
    }
    SimCamera camera;
};

// One row (54) of the window from column 16; `columnsField` is columns - 1.
Regs Window(std::uint16_t columnsField, std::uint16_t columnMode, std::uint16_t readMode2 = 0x0040) {
    return {{0x02, 16}, {0x01, 54}, {0x04, columnsField}, {0x03, 0}, {0x23, columnMode}, {0x20, readMode2}};
}

TEST(SimMt9x001Geometry, SkipAndBinKeepBayerPairsAndFlipsReverse) {
    const struct {
        const char* what;
        Regs regs;
        Bytes expected;
    } cases[] = {
        {"plain: columns 16..19", Window(3, 0x00), {124, 125, 126, 127}},
        // Every other pair: columns 16, 17, then 20, 21.
        {"columns skipped by 2", Window(7, 0x01), {124, 125, 128, 129}},
        // Same-colour neighbours two apart: (16 + 18) / 2, (17 + 19) / 2, (20 + 22) / 2, (21 + 23) / 2.
        {"columns binned by 2", Window(7, 0x11), {125, 126, 129, 130}},
        {"column flip", Window(3, 0x00, 0x4040), {127, 126, 125, 124}},
        {"column flip after skipping", Window(7, 0x01, 0x4040), {129, 128, 125, 124}},
        // Rows 54, 55, then 58, 59 at column 16: 124, 126, 132, 134.
        {"rows skipped by 2", {{0x02, 16}, {0x04, 0}, {0x01, 54}, {0x03, 7}, {0x22, 0x01}}, {124, 126, 132, 134}},
        // Rows (54 + 56) / 2, (55 + 57) / 2, (58 + 60) / 2, (59 + 61) / 2 at column 16.
        {"rows binned by 2", {{0x02, 16}, {0x04, 0}, {0x01, 54}, {0x03, 7}, {0x22, 0x11}}, {126, 128, 134, 136}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FastCamera sim(SimScene::Ramp, c.regs);
        EXPECT_EQ(sim.Frame(), c.expected);
    }
}

TEST(SimMt9x001Samples, SixteenBitTransferSendsTheRampTimesSixteenLittleEndian) {
    FastCamera sim(SimScene::Ramp, Window(3, 0x00));
    sim.camera.SetWorkingMode(working_mode::kTransfer16Bit);
    const Bytes frame = sim.Frame();
    ASSERT_EQ(frame.size(), 8u);
    // 124 x 16 = 0x07C0, then 125 x 16 = 0x07D0, ...
    EXPECT_EQ(frame, (Bytes{0xC0, 0x07, 0xD0, 0x07, 0xE0, 0x07, 0xF0, 0x07}));
    EXPECT_EQ(sim.camera.FrameShape()->Bytes(), 8u);

    sim.camera.ShortenNextFrames(1, 3);
    EXPECT_EQ(sim.Frame(), (Bytes{0xC0, 0x07, 0xD0})) << "a cut may fall inside a sample";
}

TEST(SimMt9x001Registers, GlobalGainSetsTheFourColourGains) {
    // Two full rows (the row time, and so the exposure, stays that of power-on),
    // where the grey scene reads 100 at unity gain; the quad at their start is
    // green, red / blue, green.
    constexpr std::size_t kWidth = 2592;
    FastCamera sim(SimScene::Grey, {{0x03, 1}});
    const auto quad = [&] {
        const Bytes frame = sim.Frame();
        if (frame.size() != 2 * kWidth) return Bytes{};
        return Bytes{frame[0], frame[1], frame[kWidth], frame[kWidth + 1]};
    };
    EXPECT_EQ(quad(), Bytes(4, 100));

    sim.camera.SetSensorReg(0x35, 16);  // twice unity
    for (const std::uint16_t reg : {0x2B, 0x2C, 0x2D, 0x2E, 0x35}) EXPECT_EQ(sim.camera.SensorReg(reg), 16) << reg;
    EXPECT_EQ(quad(), Bytes(4, 200));

    sim.camera.SetSensorReg(0x2D, 8);  // red back to unity
    EXPECT_EQ(quad(), (Bytes{200, 100, 200, 200}));
    EXPECT_EQ(sim.camera.SensorReg(0x35), 16) << "a colour gain leaves the global one";

    const std::uint16_t version = sim.camera.SensorReg(0x00);
    sim.camera.SetSensorReg(0x00, static_cast<std::uint16_t>(version + 1));
    EXPECT_EQ(sim.camera.SensorReg(0x00), version) << "the chip version is read-only";
}

}  // namespace
}  // namespace qcx
