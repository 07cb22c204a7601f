// What the simulated lens and scenes give the automatic controls: a defocus
// that lowers the focus measure step by step, and a flat grey whose level
// follows exposure and gain.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "qcxsim.h"
#include "sim/sim_camera.h"
#include "support/sim_environment.h"

namespace qcx {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Regs = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

// A camera that renders at once; registers are written as the chip receives them.
struct FastCamera {
    explicit FastCamera(std::uint8_t type, SimScene scene, const Regs& regs = {}) : camera({type, 0, 0x100}) {
        camera.SetTiming(SimTiming::Fast);
        camera.SetScene(scene);
        for (const auto& [reg, value] : regs) camera.SetSensorReg(reg, value);
    }
    Bytes Frame() {
        Bytes frame(752 * 480, 0xEE);
        const auto read = camera.ReadFrame(frame.data(), static_cast<std::uint32_t>(frame.size()), 1000);
        EXPECT_EQ(read.kind, FrameReadResult::Kind::Completed);
        frame.resize(read.bytesRead);
        return frame;
    }
    SimCamera camera;
};

// Sum over the interior of the absolute differences to the four neighbours,
// the measure a focus search follows.
long long FocusMeasure(const Bytes& frame, int width) {
    const int height = static_cast<int>(frame.size()) / width;
    const auto at = [&](int x, int y) { return static_cast<int>(frame[static_cast<std::size_t>(y) * width + x]); };
    long long sum = 0;
    for (int y = 1; y + 1 < height; ++y) {
        for (int x = 1; x + 1 < width; ++x) {
            const int p = at(x, y);
            sum += std::abs(p - at(x, y - 1)) + std::abs(p - at(x, y + 1)) + std::abs(p - at(x - 1, y)) +
                   std::abs(p - at(x + 1, y));
        }
    }
    return sum;
}

std::uint64_t Fingerprint(const Bytes& frame) {  // FNV-1a
    std::uint64_t hash = 14695981039346656037ull;
    for (const std::uint8_t byte : frame) hash = (hash ^ byte) * 1099511628211ull;
    return hash;
}

double Mean(const Bytes& frame) {
    double sum = 0.0;
    for (const std::uint8_t byte : frame) sum += byte;
    return sum / static_cast<double>(frame.size());
}

// --- the defocused lens ---

TEST(SimBlur, EveryLargerRadiusLowersTheFocusMeasure) {
    struct Variant {
        std::uint8_t type;
        FastCamera sim;
        long long previous;
    };
    Variant variants[] = {{21, FastCamera(21, SimScene::Picture), 0},  // BGGR
                          {22, FastCamera(22, SimScene::Picture), 0},  // grey
                          {28, FastCamera(28, SimScene::Picture), 0}}; // GBRG
    for (auto& v : variants) v.previous = FocusMeasure(v.sim.Frame(), 752);
    // Radius outermost: the lens then steps one blur at a time for all three.
    for (int radius = 1; radius <= SimPicture::kMaxBlur; ++radius) {
        for (auto& v : variants) {
            v.sim.camera.SetBlur(radius);
            const long long focus = FocusMeasure(v.sim.Frame(), 752);
            EXPECT_LT(focus, v.previous) << "type " << int{v.type} << ", radius " << radius;
            v.previous = focus;
        }
    }
}

TEST(SimBlur, SharpLensRendersThePictureAsBeforeByteForByte) {
    // Fingerprints of frames rendered before the lens could be defocused: the
    // power-on frame, and a binned, flipped, companded window at a manual
    // exposure and gain.
    const Regs variant{{0xAF, 0}, {0x0B, 300}, {0x35, 24}, {0x1C, 3}, {0x0D, 0x0335},
                       {0x01, 17}, {0x02, 30}, {0x04, 600}, {0x03, 400}};
    const struct {
        std::uint8_t type;
        std::uint64_t powerOn, windowed;
    } cases[] = {
        {21, 0x37b53d7cefc114f8ull, 0xd98edc864bce5ec1ull},
        {22, 0x095ed167f699ef20ull, 0xcfd47d2ff8f45403ull},
        {28, 0xeeced94487366d94ull, 0x79a904989d5b1852ull},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int{c.type});
        FastCamera sim(c.type, SimScene::Picture);
        EXPECT_EQ(sim.camera.Blur(), 0) << "sharp from power-on";
        EXPECT_EQ(Fingerprint(sim.Frame()), c.powerOn);
        sim.camera.SetBlur(5);
        EXPECT_NE(Fingerprint(sim.Frame()), c.powerOn);
        sim.camera.SetBlur(0);
        EXPECT_EQ(Fingerprint(sim.Frame()), c.powerOn) << "focused again";
        FastCamera windowed(c.type, SimScene::Picture, variant);
        const Bytes frame = windowed.Frame();
        ASSERT_EQ(frame.size(), 300u * 200u);
        EXPECT_EQ(Fingerprint(frame), c.windowed);
    }
}

TEST(SimBlur, RampGreyAndHotPixelsStaySharp) {
    FastCamera ramp(21, SimScene::Ramp);
    ramp.camera.SetBlur(SimPicture::kMaxBlur);
    const Bytes bytes = ramp.Frame();
    ASSERT_EQ(bytes.size(), 752u * 480u);
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 752; ++x) {
            ASSERT_EQ(bytes[static_cast<std::size_t>(y) * 752 + x], RampSample(1 + x, 4 + y)) << x << "," << y;
        }
    }
    FastCamera grey(28, SimScene::Grey);
    grey.camera.SetBlur(SimPicture::kMaxBlur);
    EXPECT_EQ(grey.Frame(), Bytes(752 * 480, 100));

    FastCamera picture(22, SimScene::Picture);
    picture.camera.SetBlur(SimPicture::kMaxBlur);
    const Bytes frame = picture.Frame();
    ASSERT_EQ(frame.size(), 752u * 480u);
    EXPECT_EQ(frame[50 * 752 + 100], 255) << "a stuck site of the sensor, not of the scene";
    EXPECT_LT(frame[50 * 752 + 101], 255);
}

// --- the flat grey scene and the brightness response ---

TEST(SimGreyScene, FlatHundredAtPowerOnInEveryVariant) {
    for (const std::uint8_t type : {21, 22, 23, 24, 28, 29, 36, 37}) {
        EXPECT_EQ(FastCamera(type, SimScene::Grey).Frame(), Bytes(752 * 480, 100)) << int{type};
    }
    // Binning averages equal samples; companding bends the level the same everywhere.
    EXPECT_EQ(FastCamera(21, SimScene::Grey, {{0x0D, 0x030A}}).Frame(), Bytes(188 * 120, 100));
    EXPECT_EQ(FastCamera(21, SimScene::Grey, {{0x1C, 3}}).Frame(), Bytes(752 * 480, 82));
}

TEST(SimGreyScene, LevelFollowsExposureLinesTimesGainUntilFullScale) {
    // 100 x (846 (rows + 1) - 255) / (846 x 481 - 255) x gain / 16, rounded:
    // the exposure time counts the line length in pixel clocks.
    const std::tuple<std::uint16_t, std::uint16_t, std::uint8_t> cases[] = {
        {480, 16, 100}, {240, 16, 50}, {960, 16, 200}, {100, 16, 21}, {1, 16, 0},
        {480, 32, 200}, {240, 32, 100}, {120, 48, 75}, {480, 64, 255}, {2000, 16, 255},
    };
    for (const std::uint8_t type : {21, 29}) {
        for (const auto& [rows, gain, level] : cases) {
            FastCamera sim(type, SimScene::Grey, {{0xAF, 0}, {0x0B, rows}, {0x35, gain}});
            EXPECT_EQ(sim.Frame(), Bytes(752 * 480, level)) << int{type} << ": " << rows << " rows, gain " << gain;
        }
    }
    // The picture's mean over an unclipped region doubles with either factor.
    const auto regionMean = [](std::uint16_t rows, std::uint16_t gain) {
        return Mean(FastCamera(23, SimScene::Picture,
                               {{0xAF, 0}, {0x0B, rows}, {0x35, gain}, {0x01, 1}, {0x02, 196}, {0x04, 752}, {0x03, 60}})
                        .Frame());
    };
    const double base = regionMean(200, 16);
    EXPECT_NEAR(regionMean(400, 16) / base, 2.0, 0.02);
    EXPECT_NEAR(regionMean(200, 32) / base, 2.0, 0.02);
}

// --- control through the environment and qcxsim.h ---

// Restores an environment variable when the test ends.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value, 1);
    }
    ~ScopedEnv() { old_ ? setenv(name_, old_->c_str(), 1) : unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(SimSceneControl, GreyFromTheEnvironment) {
    EXPECT_EQ(ParseSimScene("grey"), SimScene::Grey);
    EXPECT_FALSE(ParseSimScene("gray"));
    ScopedEnv scene("QCX_SIM_SCENE", "grey");
    SimCamera camera({22, 0, 0x100});
    camera.SetTiming(SimTiming::Fast);
    EXPECT_EQ(camera.Scene(), SimScene::Grey);
    std::uint8_t first = 0;
    ASSERT_EQ(camera.ReadFrame(&first, 1, 100).bytesRead, 1u);
    EXPECT_EQ(first, 100);
}

class SimControlApi : public ::testing::Test {
protected:
    test::ScopedSimCameras sims{"21,8"};
};

TEST_F(SimControlApi, GreySceneAndBlurPerCamera) {
    int value = -1;
    EXPECT_EQ(QCXSimSetScene(0, QCXSIM_SCENE_GREY), QCXSIM_OK);
    ASSERT_EQ(QCXSimGetScene(0, &value), QCXSIM_OK);
    EXPECT_EQ(value, QCXSIM_SCENE_GREY);
    EXPECT_EQ(QCXSimSetScene(0, 3), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimSetScene(0, -1), QCXSIM_BAD_ARGUMENT);

    ASSERT_EQ(QCXSimGetBlur(0, &value), QCXSIM_OK);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(QCXSimSetBlur(0, QCXSIM_BLUR_MAX), QCXSIM_OK);
    QCXSimGetBlur(0, &value);
    EXPECT_EQ(value, QCXSIM_BLUR_MAX);
    EXPECT_EQ(QCXSimSetBlur(1, 3), QCXSIM_OK) << "a camera without a sensor model keeps it";
    QCXSimGetBlur(1, &value);
    EXPECT_EQ(value, 3);
    QCXSimGetBlur(0, &value);
    EXPECT_EQ(value, QCXSIM_BLUR_MAX) << "each camera has its own lens";

    EXPECT_EQ(QCXSimSetBlur(0, -1), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimSetBlur(0, QCXSIM_BLUR_MAX + 1), QCXSIM_BAD_ARGUMENT);
    EXPECT_EQ(QCXSimGetBlur(0, nullptr), QCXSIM_BAD_ARGUMENT);
    QCXSimGetBlur(0, &value);
    EXPECT_EQ(value, QCXSIM_BLUR_MAX) << "a refused radius changes nothing";
    EXPECT_EQ(QCXSimSetBlur(2, 1), QCXSIM_NO_CAMERA);
    EXPECT_EQ(QCXSimGetBlur(2, &value), QCXSIM_NO_CAMERA);
    EXPECT_EQ(QCXSimSetBlur(2, 99), QCXSIM_BAD_ARGUMENT) << "the argument is checked first";
}

}  // namespace
}  // namespace qcx
