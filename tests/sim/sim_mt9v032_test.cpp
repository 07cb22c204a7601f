// The simulated MT9V032: its registers over the wire, and the frames it
// renders from them (geometry checked byte for byte with the ramp scene).
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "sim/sim_camera.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;

RequestRecordBytes Record(std::uint8_t request, std::uint16_t value, std::uint16_t index,
                          std::uint16_t length) {
    SetupPacket setup{vendor::kTypeIn, request, value, index, length};
    return RequestRecord::FromSetup(setup, nullptr).Encode();
}

// Register access as the driver does it: vendor requests 0xC2 and 0xC3.
std::uint16_t ReadReg(SimCamera& camera, std::uint16_t reg) {
    std::uint8_t data[3] = {0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(camera.HandleRequest(Record(vendor::kReadSensorReg, reg, 0, 3), data, 3));
    EXPECT_EQ(data[0], 0);
    return static_cast<std::uint16_t>(data[1] << 8 | data[2]);
}

void WriteReg(SimCamera& camera, std::uint16_t reg, std::uint16_t value) {
    std::uint8_t data[1] = {0xFF};
    ASSERT_TRUE(camera.HandleRequest(Record(vendor::kWriteSensorReg, reg, value, 1), data, 1));
    ASSERT_EQ(data[0], 0);
}

// A camera that renders at once, for byte checks.
struct FastCamera {
    explicit FastCamera(std::uint8_t type, SimScene scene = SimScene::Ramp) : camera({type, 0, 0x100}) {
        camera.SetTiming(SimTiming::Fast);
        camera.SetScene(scene);
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

// --- registers ---

TEST(SimMt9v032Registers, PowerOnValuesOfARealChip) {
    struct Reset {
        std::uint16_t reg, value;
    };
    constexpr Reset kResets[] = {
        {0x00, 0x1313}, {0x01, 1},   {0x02, 4},      {0x03, 480}, {0x04, 752},    {0x05, 94},
        {0x06, 45},     {0x07, 0x0388}, {0x0B, 480}, {0x0D, 0x0300}, {0x1B, 0},   {0x1C, 0x0002},
        {0x35, 16},     {0x36, 64},  {0xAF, 0x0003}, {0xBD, 480}, {0xBA, 16},     {0xBB, 480},
        {0x0C, 0},      {0x7F, 0},   {0xC2, 0},
    };
    for (const std::uint8_t type : {21, 22, 23, 24, 28, 29, 36, 37}) {
        SimCamera camera({type, 0, 0x100});
        for (const auto& reset : kResets) {
            EXPECT_EQ(ReadReg(camera, reset.reg), reset.value)
                << "type " << int{type} << " register 0x" << std::hex << reset.reg;
        }
    }
}

TEST(SimMt9v032Registers, OtherCameraTypesHaveNoSensorModel) {
    SimCamera camera({8, 0, 0x100});
    EXPECT_FALSE(camera.HasMt9v032());
    EXPECT_EQ(ReadReg(camera, 0x00), 0);
    EXPECT_EQ(ReadReg(camera, 0x04), 0);
    EXPECT_FALSE(camera.FrameShape());
}

TEST(SimMt9v032Registers, WritesStickExceptOnReadOnlyRegisters) {
    SimCamera camera({21, 0, 0x100});
    WriteReg(camera, 0x0B, 0x1234);
    WriteReg(camera, 0x42, 7);
    WriteReg(camera, 0x00, 0);
    WriteReg(camera, 0xBA, 50);
    WriteReg(camera, 0xBB, 50);
    EXPECT_EQ(ReadReg(camera, 0x42), 7);
    EXPECT_EQ(ReadReg(camera, 0x00), 0x1313);
    EXPECT_EQ(ReadReg(camera, 0xBA), 16);
    EXPECT_EQ(camera.SensorReg(0x0B), 0x1234);
    EXPECT_EQ(ReadReg(camera, 0xBB), 480) << "automatic exposure still on";
}

TEST(SimMt9v032Registers, CurrentGainAndExposureFollowTheRegistersOnceAutomaticsAreOff) {
    SimCamera camera({21, 0, 0x100});
    WriteReg(camera, 0xAF, 0);
    WriteReg(camera, 0x0B, 100);
    WriteReg(camera, 0x35, 40);
    EXPECT_EQ(ReadReg(camera, 0xBA), 40);
    EXPECT_EQ(ReadReg(camera, 0xBB), 100);
}

TEST(SimMt9v032Registers, AutomaticGainMakesUpForAnExposureLimit) {
    SimCamera camera({21, 0, 0x100});
    WriteReg(camera, 0xBD, 200);
    EXPECT_EQ(ReadReg(camera, 0xBB), 200);
    const std::uint16_t gain = ReadReg(camera, 0xBA);
    EXPECT_GT(gain, 16);
    EXPECT_LE(gain, 64);
    WriteReg(camera, 0x36, 20);
    EXPECT_EQ(ReadReg(camera, 0xBA), 20) << "held at its own limit";
    WriteReg(camera, 0xAF, 1);  // exposure alone: the gain register counts again
    EXPECT_EQ(ReadReg(camera, 0xBA), 16);
}

// --- geometry of rendered frames (ramp scene: (c + 2r) mod 256) ---

TEST(SimMt9v032Geometry, FullWindowStartsAtTheActiveArrayOrigin) {
    FastCamera sim(21);
    const Bytes frame = sim.Frame();
    ASSERT_EQ(frame.size(), 752u * 480u);
    EXPECT_EQ(frame[0], 9);  // column 1, row 4
    EXPECT_EQ(frame[1], 10);
    EXPECT_EQ(frame[752], 11);
    EXPECT_EQ(frame[752 * 479 + 751], (752 + 2 * 483) % 256);
    for (std::size_t y = 0; y < 480; ++y) {
        for (std::size_t x = 0; x < 752; ++x) {
            ASSERT_EQ(frame[y * 752 + x], static_cast<std::uint8_t>(1 + x + 2 * (4 + y))) << x << "," << y;
        }
    }
}

TEST(SimMt9v032Geometry, WindowUsesAbsoluteSensorCoordinates) {
    FastCamera sim(21);
    WriteReg(sim.camera, 0x01, 101);
    WriteReg(sim.camera, 0x02, 20);
    WriteReg(sim.camera, 0x04, 40);
    WriteReg(sim.camera, 0x03, 10);
    const Bytes frame = sim.Frame();
    ASSERT_EQ(frame.size(), 400u) << "a read of more than the frame is a short read";
    EXPECT_EQ(frame[0], 141);
    EXPECT_EQ(frame[39], 180);
    EXPECT_EQ(frame[40], 143);
    EXPECT_EQ(frame[399], (140 + 2 * 29) % 256);
}

TEST(SimMt9v032Geometry, ReadOfFewerBytesGetsTheStartOfTheFrame) {
    FastCamera sim(28);
    const Bytes frame = sim.Frame(755);
    ASSERT_EQ(frame.size(), 755u);
    EXPECT_EQ(frame[754], 11 + 2);
}

TEST(SimMt9v032Geometry, BinningByTwoAveragesBlocksRoundingHalvesUp) {
    FastCamera sim(21);
    WriteReg(sim.camera, 0x04, 8);
    WriteReg(sim.camera, 0x03, 4);
    WriteReg(sim.camera, 0x0D, 0x0305);  // rows and columns by 2
    ASSERT_EQ(sim.camera.FrameShape()->width, 4u);
    ASSERT_EQ(sim.camera.FrameShape()->height, 2u);
    // (9 + 10 + 11 + 12) / 4 = 10.5 -> 11; next block 12.5 -> 13; next row 14.5 -> 15.
    EXPECT_EQ(sim.Frame(), (Bytes{11, 13, 15, 17, 15, 17, 19, 21}));
}

TEST(SimMt9v032Geometry, BinningByFourAndRowsOrColumnsAlone) {
    FastCamera sim(21);
    WriteReg(sim.camera, 0x04, 8);
    WriteReg(sim.camera, 0x03, 4);
    WriteReg(sim.camera, 0x0D, 0x030A);  // by 4 both ways: 2 x 1
    // Columns 1..4, rows 4..7: (40 + 176) / 16 = 13.5 -> 14; then columns 5..8 add 4.
    EXPECT_EQ(sim.Frame(), (Bytes{14, 18}));
    WriteReg(sim.camera, 0x0D, 0x0301);  // rows by 2 only: 8 x 2
    EXPECT_EQ(sim.Frame(), (Bytes{10, 11, 12, 13, 14, 15, 16, 17, 14, 15, 16, 17, 18, 19, 20, 21}));
    WriteReg(sim.camera, 0x0D, 0x030F);  // field value 3 is no binning
    EXPECT_EQ(sim.camera.FrameShape()->width, 8u);
    EXPECT_EQ(sim.camera.FrameShape()->height, 4u);
}

TEST(SimMt9v032Geometry, OutputSizeIsTheWindowDividedByTheBinning) {
    SimCamera camera({37, 0, 0x100});
    WriteReg(camera, 0x04, 10);
    WriteReg(camera, 0x03, 7);
    WriteReg(camera, 0x0D, 0x0306);  // rows by 4, columns by 2
    EXPECT_EQ(camera.FrameShape()->width, 5u);
    EXPECT_EQ(camera.FrameShape()->height, 1u);
}

TEST(SimMt9v032Geometry, FlipsReverseRowsAndColumns) {
    FastCamera sim(21);
    WriteReg(sim.camera, 0x04, 3);
    WriteReg(sim.camera, 0x03, 2);
    const Bytes plain = sim.Frame();
    ASSERT_EQ(plain, (Bytes{9, 10, 11, 11, 12, 13}));
    WriteReg(sim.camera, 0x0D, 0x0310);
    EXPECT_EQ(sim.Frame(), (Bytes{11, 12, 13, 9, 10, 11}));
    WriteReg(sim.camera, 0x0D, 0x0320);
    EXPECT_EQ(sim.Frame(), (Bytes{11, 10, 9, 13, 12, 11}));
    WriteReg(sim.camera, 0x0D, 0x0330);
    EXPECT_EQ(sim.Frame(), (Bytes{13, 12, 11, 11, 10, 9}));
}

TEST(SimMt9v032Geometry, FlipsReorderBinnedBlocks) {
    FastCamera sim(21);
    WriteReg(sim.camera, 0x04, 8);
    WriteReg(sim.camera, 0x03, 4);
    WriteReg(sim.camera, 0x0D, 0x0335);  // by 2 both ways, both flips
    EXPECT_EQ(sim.Frame(), (Bytes{21, 19, 17, 15, 17, 15, 13, 11}));
}

TEST(SimMt9v032Geometry, RampIgnoresExposureGainAndCompanding) {
    FastCamera sim(22);
    WriteReg(sim.camera, 0x04, 4);
    WriteReg(sim.camera, 0x03, 1);
    const Bytes before = sim.Frame();
    WriteReg(sim.camera, 0xAF, 0);
    WriteReg(sim.camera, 0x0B, 3);
    WriteReg(sim.camera, 0x35, 64);
    WriteReg(sim.camera, 0x1C, 3);
    EXPECT_EQ(sim.Frame(), before);
    EXPECT_EQ(before, (Bytes{9, 10, 11, 12}));
}

// --- the picture scene: colour order per variant, brightness ---

// Two full rows through the blue chart patch (reflectance 0.15, 0.2, 0.8) at
// active-array row 40: the four sites at column 400, 401 of rows 40, 41.
Bytes BluePatchSites(std::uint8_t type, std::uint16_t columnStart = 1) {
    FastCamera sim(type, SimScene::Picture);
    WriteReg(sim.camera, 0xAF, 0);
    WriteReg(sim.camera, 0x01, columnStart);
    WriteReg(sim.camera, 0x04, static_cast<std::uint16_t>(753 - columnStart));
    WriteReg(sim.camera, 0x02, 44);
    WriteReg(sim.camera, 0x03, 2);
    const Bytes frame = sim.Frame();
    const std::size_t width = 753 - columnStart;
    const std::size_t x = 401 - columnStart;
    if (frame.size() != 2 * width) return {};
    return {frame[x], frame[x + 1], frame[width + x], frame[width + x + 1]};
}

TEST(SimMt9v032Picture, ColourOrderFollowsTheVariant) {
    constexpr std::uint8_t kBlue = 204, kGreen = 51, kRed = 38;
    for (const std::uint8_t type : {21, 23}) {
        EXPECT_EQ(BluePatchSites(type), (Bytes{kBlue, kGreen, kGreen, kRed})) << "BGGR, type " << int{type};
    }
    for (const std::uint8_t type : {28, 36}) {
        EXPECT_EQ(BluePatchSites(type), (Bytes{kGreen, kBlue, kRed, kGreen})) << "GBRG, type " << int{type};
    }
}

TEST(SimMt9v032Picture, ColourFollowsTheAbsolutePositionNotTheWindow) {
    // Starting at column 2 the window's first site is a green one.
    const Bytes sites = BluePatchSites(21, 2);
    EXPECT_EQ(sites, (Bytes{204, 51, 51, 38}));
}

TEST(SimMt9v032Picture, MonochromeVariantsSeeGrey) {
    for (const std::uint8_t type : {22, 24, 29, 37}) {
        const Bytes sites = BluePatchSites(type);
        ASSERT_EQ(sites.size(), 4u);
        EXPECT_EQ(sites, Bytes(4, sites[0])) << "type " << int{type};
        EXPECT_EQ(sites[0], 65) << "luminance of the patch";
    }
}

double Mean(const Bytes& frame) {
    return std::accumulate(frame.begin(), frame.end(), 0.0) / static_cast<double>(frame.size());
}

TEST(SimMt9v032Picture, PowerOnSettingsGiveAMidGreyPicture) {
    for (const std::uint8_t type : {21, 29}) {
        FastCamera sim(type, SimScene::Picture);
        const double mean = Mean(sim.Frame());
        EXPECT_GT(mean, 96.0);
        EXPECT_LT(mean, 160.0);
    }
}

TEST(SimMt9v032Picture, BrightnessGrowsWithExposureAndGain) {
    FastCamera sim(23, SimScene::Picture);
    WriteReg(sim.camera, 0xAF, 0);
    WriteReg(sim.camera, 0x0B, 100);
    const double shortExposure = Mean(sim.Frame());
    WriteReg(sim.camera, 0x0B, 300);
    const double longExposure = Mean(sim.Frame());
    WriteReg(sim.camera, 0x35, 32);
    const double moreGain = Mean(sim.Frame());
    EXPECT_LT(shortExposure, longExposure);
    EXPECT_LT(longExposure, moreGain);
    EXPECT_GT(shortExposure, 0.0);
}

TEST(SimMt9v032Picture, HotPixelsReadFullScaleInTheDark) {
    FastCamera sim(22, SimScene::Picture);
    WriteReg(sim.camera, 0xAF, 0);
    WriteReg(sim.camera, 0x0B, 1);
    const Bytes frame = sim.Frame();
    EXPECT_EQ(frame[50 * 752 + 100], 255);
    EXPECT_LT(frame[50 * 752 + 101], 16);
}

TEST(SimMt9v032Picture, CompandingKeepsHighlightsThatLinearModeClips) {
    FastCamera sim(22, SimScene::Picture);
    WriteReg(sim.camera, 0xAF, 0);
    WriteReg(sim.camera, 0x35, 32);  // twice the power-on brightness
    const std::size_t white = 150 * 752 + 300;  // the white chart patch
    EXPECT_EQ(sim.Frame()[white], 255);
    WriteReg(sim.camera, 0x1C, 3);
    const std::uint8_t companded = sim.Frame()[white];
    EXPECT_LT(companded, 255);
    EXPECT_GT(companded, 128);
}

}  // namespace
}  // namespace qcx
