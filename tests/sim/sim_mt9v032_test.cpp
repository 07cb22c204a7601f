// The simulated MT9V032: its registers over the wire, and the frames it
// renders from them (geometry checked byte for byte with the ramp scene).
#include <gtest/gtest.h>

#include <numeric>
#include <utility>
#include <vector>

#include "sim/sim_camera.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Regs = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

RequestRecordBytes Record(std::uint8_t request, std::uint16_t value, std::uint16_t index, std::uint16_t length) {
    return RequestRecord::FromSetup(SetupPacket{vendor::kTypeIn, request, value, index, length}, nullptr).Encode();
}

// Register access as the driver does it: vendor requests 0xC2 and 0xC3.
std::uint16_t ReadReg(SimCamera& camera, std::uint16_t reg) {
    std::uint8_t data[3] = {0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(camera.HandleRequest(Record(vendor::kReadSensorReg, reg, 0, 3), data, 3));
    EXPECT_EQ(data[0], 0);
    return static_cast<std::uint16_t>(data[1] << 8 | data[2]);
}

void WriteRegs(SimCamera& camera, const Regs& regs) {
    for (const auto& [reg, value] : regs) {
        std::uint8_t data[1] = {0xFF};
        ASSERT_TRUE(camera.HandleRequest(Record(vendor::kWriteSensorReg, reg, value, 1), data, 1));
        ASSERT_EQ(data[0], 0);
    }
}

// A camera that renders at once, for byte checks.
struct FastCamera {
    explicit FastCamera(std::uint8_t type, SimScene scene = SimScene::Ramp, const Regs& regs = {})
        : camera({type, 0, 0x100}) {
        camera.SetTiming(SimTiming::Fast);
        camera.SetScene(scene);
        WriteRegs(camera, regs);
    }
    Bytes Frame(std::uint32_t ask = 752 * 480) {
        Bytes frame(ask, 0xEE);
        const auto read = camera.ReadFrame(frame.data(), ask, 1000);
        EXPECT_EQ(read.kind, FrameReadResult::Kind::Completed);
        frame.resize(read.bytesRead);
        return frame;
    }
    SimCamera camera;
};

TEST(SimMt9v032Registers, PowerOnValuesOfARealChip) {
    const std::pair<std::uint16_t, std::uint16_t> resets[] = {
        {0x00, 0x1313}, {0x01, 1},     {0x02, 4},   {0x03, 480}, {0x04, 752}, {0x05, 94},  {0x06, 45},
        {0x07, 0x0388}, {0x0B, 480},   {0x0D, 0x0300}, {0x1B, 0}, {0x1C, 2},  {0x35, 16},  {0x36, 64},
        {0xAF, 3},      {0xBD, 480},   {0xBA, 16},  {0xBB, 480}, {0x0C, 0},   {0x7F, 0},   {0xC2, 0}};
    for (const std::uint8_t type : {21, 22, 23, 24, 28, 29, 36, 37}) {
        SimCamera camera({type, 0, 0x100});
        for (const auto& [reg, value] : resets) EXPECT_EQ(ReadReg(camera, reg), value) << int{type} << " " << reg;
    }
    SimCamera other({8, 0, 0x100});  // other camera types have no sensor model
    EXPECT_FALSE(other.HasMt9v032());
    EXPECT_EQ(ReadReg(other, 0x00), 0);
    EXPECT_EQ(ReadReg(other, 0x04), 0);
    EXPECT_FALSE(other.FrameShape());
}

TEST(SimMt9v032Registers, WritesStickExceptOnReadOnlyAndLoopOutputs) {
    SimCamera camera({21, 0, 0x100});
    WriteRegs(camera, {{0x0B, 0x1234}, {0x42, 7}, {0x00, 0}, {0xBA, 50}, {0xBB, 50}});
    EXPECT_EQ(ReadReg(camera, 0x42), 7);
    EXPECT_EQ(ReadReg(camera, 0x00), 0x1313);
    EXPECT_EQ(ReadReg(camera, 0xBA), 16);
    EXPECT_EQ(camera.SensorReg(0x0B), 0x1234);
    EXPECT_EQ(ReadReg(camera, 0xBB), 480) << "automatic exposure still on";
    // The automatic gain makes up for an exposure limit, up to its own limit.
    WriteRegs(camera, {{0xBD, 200}});
    EXPECT_EQ(ReadReg(camera, 0xBB), 200);
    const std::uint16_t gain = ReadReg(camera, 0xBA);
    EXPECT_GT(gain, 16);
    EXPECT_LE(gain, 64);
    WriteRegs(camera, {{0x36, 20}});
    EXPECT_EQ(ReadReg(camera, 0xBA), 20);
    WriteRegs(camera, {{0xAF, 1}});  // exposure alone: the gain register counts again
    EXPECT_EQ(ReadReg(camera, 0xBA), 16);
    // Loops off: the outputs follow the registers.
    WriteRegs(camera, {{0xAF, 0}, {0x0B, 100}, {0x35, 40}});
    EXPECT_EQ(ReadReg(camera, 0xBA), 40);
    EXPECT_EQ(ReadReg(camera, 0xBB), 100);
}

// --- geometry of rendered frames (ramp scene: (c + 2r) mod 256) ---

TEST(SimMt9v032Geometry, FullWindowStartsAtTheActiveArrayOrigin) {
    FastCamera sim(21);
    const Bytes frame = sim.Frame();
    ASSERT_EQ(frame.size(), 752u * 480u);
    for (std::size_t y = 0; y < 480; ++y) {
        for (std::size_t x = 0; x < 752; ++x)  // column 1, row 4 first
            ASSERT_EQ(frame[y * 752 + x], static_cast<std::uint8_t>(1 + x + 2 * (4 + y))) << x << "," << y;
    }
    EXPECT_EQ(FastCamera(28).Frame(755).size(), 755u) << "a read of fewer bytes gets the start of the frame";

    FastCamera window(21, SimScene::Ramp, {{0x01, 101}, {0x02, 20}, {0x04, 40}, {0x03, 10}});
    const Bytes small = window.Frame();
    ASSERT_EQ(small.size(), 400u) << "a read of more than the frame is a short read";
    EXPECT_EQ((Bytes{small[0], small[39], small[40], small[399]}), (Bytes{141, 180, 143, (140 + 2 * 29) % 256}));
}

TEST(SimMt9v032Geometry, BinningAveragesAndFlipsReorder) {
    const Regs k8x4{{0x04, 8}, {0x03, 4}}, k3x2{{0x04, 3}, {0x03, 2}};
    const struct {
        const char* what;
        const Regs& window;
        std::uint16_t readMode;
        Bytes expected;
    } cases[] = {
        // (9 + 10 + 11 + 12) / 4 = 10.5 -> 11; next block 12.5 -> 13; next row 14.5 -> 15.
        {"by 2 both ways, halves round up", k8x4, 0x0305, {11, 13, 15, 17, 15, 17, 19, 21}},
        // Columns 1..4, rows 4..7: (40 + 176) / 16 = 13.5 -> 14; then columns 5..8 add 4.
        {"by 4 both ways", k8x4, 0x030A, {14, 18}},
        {"rows by 2 only", k8x4, 0x0301, {10, 11, 12, 13, 14, 15, 16, 17, 14, 15, 16, 17, 18, 19, 20, 21}},
        {"by 2 and both flips", k8x4, 0x0335, {21, 19, 17, 15, 17, 15, 13, 11}},
        {"plain", k3x2, 0x0300, {9, 10, 11, 11, 12, 13}},
        {"rows flipped", k3x2, 0x0310, {11, 12, 13, 9, 10, 11}},
        {"columns flipped", k3x2, 0x0320, {11, 10, 9, 13, 12, 11}},
        {"both flipped", k3x2, 0x0330, {13, 12, 11, 11, 10, 9}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FastCamera sim(21, SimScene::Ramp, c.window);
        WriteRegs(sim.camera, {{0x0D, c.readMode}});
        EXPECT_EQ(sim.Frame(), c.expected);
    }
    // Field value 3 is no binning; the output is the window over the binning.
    for (const auto& [type, readMode, width, height] :
         {std::tuple{21, 0x030F, 8u, 4u}, {37, 0x0306, 5u, 1u}}) {
        SimCamera camera({static_cast<std::uint8_t>(type), 0, 0x100});
        WriteRegs(camera, {{0x04, type == 21 ? 8 : 10}, {0x03, type == 21 ? 4 : 7}, {0x0D, readMode}});
        EXPECT_EQ(camera.FrameShape()->width, width);
        EXPECT_EQ(camera.FrameShape()->height, height);
    }
    FastCamera ramp(22, SimScene::Ramp, {{0x04, 4}, {0x03, 1}, {0xAF, 0}, {0x0B, 3}, {0x35, 64}, {0x1C, 3}});
    EXPECT_EQ(ramp.Frame(), (Bytes{9, 10, 11, 12})) << "the ramp ignores exposure, gain and companding";
}

// --- the picture scene: colour order per variant, brightness ---

// Two full rows through the blue chart patch (reflectance 0.15, 0.2, 0.8) at
// active-array row 40: the four sites at column 400, 401 of rows 40, 41.
Bytes BluePatchSites(std::uint8_t type, std::uint16_t columnStart = 1) {
    const auto width = static_cast<std::uint16_t>(753 - columnStart);
    FastCamera sim(type, SimScene::Picture, {{0xAF, 0}, {0x01, columnStart}, {0x04, width}, {0x02, 44}, {0x03, 2}});
    const Bytes frame = sim.Frame();
    const std::size_t x = 401 - columnStart;
    if (frame.size() != 2u * width) return {};
    return {frame[x], frame[x + 1], frame[width + x], frame[width + x + 1]};
}

TEST(SimMt9v032Picture, ColourOrderFollowsTheVariantAndTheAbsolutePosition) {
    constexpr std::uint8_t kBlue = 204, kGreen = 51, kRed = 38;
    for (const std::uint8_t type : {21, 23}) EXPECT_EQ(BluePatchSites(type), (Bytes{kBlue, kGreen, kGreen, kRed}));
    for (const std::uint8_t type : {28, 36}) EXPECT_EQ(BluePatchSites(type), (Bytes{kGreen, kBlue, kRed, kGreen}));
    EXPECT_EQ(BluePatchSites(21, 2), (Bytes{kBlue, kGreen, kGreen, kRed})) << "a window at column 2";
    for (const std::uint8_t type : {22, 24, 29, 37}) EXPECT_EQ(BluePatchSites(type), Bytes(4, 65)) << "grey";
}

double Mean(const Bytes& frame) {
    return std::accumulate(frame.begin(), frame.end(), 0.0) / static_cast<double>(frame.size());
}

TEST(SimMt9v032Picture, BrightnessFollowsExposureGainAndCompanding) {
    for (const std::uint8_t type : {21, 29}) {
        const double mean = Mean(FastCamera(type, SimScene::Picture).Frame());
        EXPECT_GT(mean, 96.0) << "power-on settings give a mid grey";
        EXPECT_LT(mean, 160.0);
    }
    FastCamera sim(23, SimScene::Picture, {{0xAF, 0}, {0x0B, 100}});
    const double shortExposure = Mean(sim.Frame());
    WriteRegs(sim.camera, {{0x0B, 300}});
    const double longExposure = Mean(sim.Frame());
    WriteRegs(sim.camera, {{0x35, 32}});
    EXPECT_GT(shortExposure, 0.0);
    EXPECT_LT(shortExposure, longExposure);
    EXPECT_LT(longExposure, Mean(sim.Frame()));

    FastCamera dark(22, SimScene::Picture, {{0xAF, 0}, {0x0B, 1}});
    const Bytes frame = dark.Frame();
    EXPECT_EQ(frame[50 * 752 + 100], 255) << "a hot pixel";
    EXPECT_LT(frame[50 * 752 + 101], 16);

    FastCamera bright(22, SimScene::Picture, {{0xAF, 0}, {0x35, 32}});  // twice the power-on brightness
    const std::size_t white = 150 * 752 + 300;                          // the white chart patch
    EXPECT_EQ(bright.Frame()[white], 255);
    WriteRegs(bright.camera, {{0x1C, 3}});
    const std::uint8_t companded = bright.Frame()[white];
    EXPECT_LT(companded, 255) << "companding keeps highlights that linear mode clips";
    EXPECT_GT(companded, 128);
}

}  // namespace
}  // namespace qcx
