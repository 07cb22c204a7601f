// The simulated MT9V032's frames: binning and flips checked byte for byte
// with the ramp scene, the colour order of each variant, and the chart.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "sim/sim_camera.h"
#include "sim/sim_mt9v032.h"
#include "sim/sim_scene.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Regs = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

RequestRecordBytes Record(std::uint8_t request, std::uint16_t value, std::uint16_t index, std::uint16_t length) {
    return RequestRecord::FromSetup(SetupPacket{vendor::kTypeIn, request, value, index, length}, nullptr).Encode();
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

// --- geometry of rendered frames (ramp scene: (c + 2r) mod 256) ---

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
    // Field value 3 is no binning.
    SimCamera camera({21, 0, 0x100});
    WriteRegs(camera, {{0x04, 8}, {0x03, 4}, {0x0D, 0x030F}});
    EXPECT_EQ((std::pair(camera.FrameShape()->width, camera.FrameShape()->height)), (std::pair(8u, 4u)));
}

// --- the picture scene ---

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

// The chart of colour patches is framed evenly: the border left of the first
// patch is as wide as each half of the gaps between patches, across and down.
TEST(SimScene, ThePatchesOfTheChartSitInAnEvenFrame) {
    const SimPicture& picture = SimPicture::For(SimMosaic::Grey);
    const auto runs = [&](int length, auto site) {
        const float border = site(0);
        std::vector<int> lengths;  // alternately border and patch
        bool inBorder = true;
        for (int i = 0, start = 0; i <= length; ++i) {
            if (i == length || (site(i) == border) != inBorder) {
                lengths.push_back(i - start);
                inBorder = !inBorder;
                start = i;
            }
        }
        return lengths;
    };
    // Across the first row of patches, whose colours all differ from the border.
    const std::vector<int> across = runs(625, [&](int x) { return picture.Site(x, 48); });
    ASSERT_EQ(across.size(), 11u);
    for (std::size_t i = 2; i + 1 < across.size(); i += 2) EXPECT_EQ(across[i], 2 * across[0]) << "gap " << i / 2;
    EXPECT_EQ(across.back(), across[0]) << "the half gap after the fifth patch";
    for (std::size_t i = 1; i < across.size(); i += 2) EXPECT_EQ(across[i], across[1]) << "patch " << i / 2;
    // Down the first column of patches, through both rows.
    const std::vector<int> down = runs(192, [&](int y) { return picture.Site(60, y); });
    ASSERT_EQ(down.size(), 5u);
    EXPECT_EQ(down[2], 2 * down[0]);
    EXPECT_EQ(down[4], down[0]);
    EXPECT_EQ(down[3], down[1]);
}

}  // namespace
}  // namespace qcx
