// The preview's automatic exposure, white balance and focus measure, one step
// at a time, against a fake camera that records what the loops change.
#include "camera/device/auto_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace qcx {
namespace {

class FakeCamera : public AutoControlCamera {
public:
    int lines = 100;
    int gains[3] = {64, 64, 64};  // red, green, blue
    std::vector<int> exposureWrites;
    std::vector<std::string> gainEvents;  // "R=66" per write, in order
    std::vector<std::pair<ColourChannel, int>> shifts;

    int ExposureLines() override { return lines; }
    void SetExposureLines(int value) override {
        exposureWrites.push_back(value);
        lines = std::max(value, 1);
    }
    int Gain(GainChannel channel) override { return gains[static_cast<int>(channel)]; }
    void SetGain(GainChannel channel, int gain) override {
        gains[static_cast<int>(channel)] = gain;
        gainEvents.push_back(std::string(1, "RGB"[static_cast<int>(channel)]) + "=" + std::to_string(gain));
    }
    void SetColourShift(ColourChannel channel, int shift) override { shifts.emplace_back(channel, shift); }
};

struct Frame {
    int width = 0, height = 0;
    std::vector<std::uint8_t> bytes;
    Frame(int w, int h, std::uint8_t value) : width(w), height(h), bytes(static_cast<std::size_t>(w) * h, value) {}
    std::uint8_t& at(int x, int y) { return bytes[static_cast<std::size_t>(y) * width + x]; }
};

// A frame of Bayer tiles: `tile` names the colours of the top-left 2 x 2
// block, row by row ("RGGB": red at row 0 column 0).
Frame BayerFrame(const char* tile, int red, int green, int blue) {
    Frame f(8, 8, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) {
            const char c = tile[(y % 2) * 2 + x % 2];
            f.at(x, y) = static_cast<std::uint8_t>(c == 'R' ? red : c == 'G' ? green : blue);
        }
    return f;
}

AeLoop StartedAe(int target, int counter = 0, MeasuringRegion region = {0, 0, 8, 8}) {
    AeLoop loop;
    loop.effective = region;
    loop.active = true;
    loop.maximumCount = 30;
    loop.counter = counter;
    loop.target = target;
    return loop;
}

AwbLoop StartedAwb(int red, int green, int blue, MeasuringRegion region = {0, 0, 8, 8}) {
    AwbLoop loop;
    loop.effective = region;
    loop.active = true;
    loop.maximumCount = 50;
    loop.redTarget = red;
    loop.greenTarget = green;
    loop.blueTarget = blue;
    return loop;
}

// ---------------------------------------------------------------- regions

TEST(AutoControlRegion, ClampsCutsMirrorsAndMakesEven) {
    struct Case {
        MeasuringRegion requested;
        int outputMode, minimumSize;
        MeasuringRegion expected;
    };
    const Case cases[] = {
        {{10, 20, 100, 50}, 0, 0, {10, 410, 100, 50}},     // grey frames are bottom-up
        {{3, 5, 7, 8}, 0, 0, {2, 466, 6, 8}},              // mirrored (467) before evenness
        {{-20, -5, 1000, 900}, 1, 0, {0, 0, 640, 480}},    // clamped into the frame
        {{600, 470, 100, 50}, 0, 0, {600, 0, 40, 10}},     // cut, then mirrored
        {{639, 10, 5, 5}, 1, 3, {638, 10, 0, 4}},          // focus cut below its minimum
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.requested.x << "," << c.requested.y << " mode " << c.outputMode);
        const MeasuringRegion r = RecomputeRegion(c.requested, {640, 480, c.outputMode, 0}, c.minimumSize);
        EXPECT_EQ((std::vector{r.x, r.y, r.width, r.height}),
                  (std::vector{c.expected.x, c.expected.y, c.expected.width, c.expected.height}));
    }
    // Colour images of Bayer modes 4 ... 7 and 12 ... 15 are stored bottom-up too.
    for (int bayerMode = 0; bayerMode < 24; ++bayerMode) {
        const bool bottomUp = (bayerMode >= 4 && bayerMode <= 7) || (bayerMode >= 12 && bayerMode <= 15);
        const MeasuringRegion r = RecomputeRegion({0, 0, 100, 100}, {640, 481, 1, bayerMode}, 0);
        EXPECT_EQ(r.y, bottomUp ? 380 : 0) << "Bayer mode " << bayerMode;  // 481 - 100 = 381, made even
    }
}

// ---------------------------------------------------------------- exposure

TEST(AutoControlAe, OneStepOnAFlatFrame) {
    struct Case {
        const char* what;
        int lines, mean, target, counter;
        bool result, active;
        std::vector<int> writes;
        int counterAfter;
        MeasuringRegion region = {0, 0, 8, 8};
    };
    const Case cases[] = {
        {"one line per grey level on long exposures", 500, 100, 128, 0, false, true, {528}, 1},
        {"a tenth of the error in the middle", 50, 100, 128, 0, false, true, {52}, 1},
        {"truncated toward zero", 50, 156, 128, 0, false, true, {48}, 1},
        {"at exactly ten lines the whole error", 10, 88, 128, 0, false, true, {50}, 1},
        {"single lines near the floor", 5, 100, 128, 0, false, true, {6}, 1},
        {"too dark at one line: one line up", 1, 20, 128, 0, false, true, {2}, 1},
        {"too bright at one line: nothing left to lower", 1, 200, 128, 4, false, false, {}, 5},
        {"a step below zero ends at one line", 100, 255, 55, 0, true, false, {1}, 30},
        {"a step to zero lines is left to the camera", 20, 255, 55, 0, false, true, {0}, 1},
        {"ten levels too dark is on target", 100, 118, 128, 0, true, false, {}, 30},
        {"eleven levels too bright", 100, 139, 128, 0, false, true, {89}, 1},
        {"every second frame is only counted", 500, 100, 128, 1, false, true, {}, 2},
        {"the count has run out", 500, 100, 128, 30, false, false, {}, 30},
        {"an empty region stops", 500, 100, 128, 0, false, false, {}, 0, {0, 0, 0, 8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeCamera camera;
        camera.lines = c.lines;
        AeLoop loop = StartedAe(c.target, c.counter, c.region);
        Frame frame(8, 8, static_cast<std::uint8_t>(c.mean));
        EXPECT_EQ(AeStep(loop, frame.bytes.data(), 8, camera), c.result);
        EXPECT_EQ(loop.active, c.active);
        EXPECT_EQ(camera.exposureWrites, c.writes);
        EXPECT_EQ(loop.counter, c.counterAfter);
        if (!c.writes.empty() && c.writes[0] > 1) {
            EXPECT_EQ(loop.lastStep, c.writes[0] - c.lines);
        }
    }
}

TEST(AutoControlAe, MeanIsTruncatedOverTheRegionOnly) {
    // Region (4, 2) 2 x 2 of a 16-byte-wide frame; everything else is white.
    Frame frame(16, 6, 255);
    frame.at(4, 2) = 100;
    frame.at(5, 2) = 101;
    frame.at(4, 3) = 101;
    frame.at(5, 3) = 101;  // 403 / 4 = 100, not 101
    FakeCamera camera;
    camera.lines = 500;
    AeLoop loop = StartedAe(128, 0, {4, 2, 2, 2});
    AeStep(loop, frame.bytes.data(), 16, camera);
    EXPECT_EQ(camera.exposureWrites, std::vector<int>{528});
}

TEST(AutoControlAe, TwoSignChangesEndWithSuccessOffTarget) {
    // The level jumps between 100 and 160 at 150 lines: 128 is never reached.
    FakeCamera camera;
    camera.lines = 200;
    AeLoop loop = StartedAe(128);
    int frames = 0;
    for (bool done = false; !done && frames < 30; ++frames) {
        Frame frame(8, 8, static_cast<std::uint8_t>(camera.lines < 150 ? 100 : 160));
        done = AeStep(loop, frame.bytes.data(), 8, camera);
    }
    EXPECT_EQ(camera.exposureWrites, (std::vector<int>{168, 136, 164, 132}));
    EXPECT_EQ(frames, 9);  // four measured steps, their skipped frames and the ending one
    EXPECT_FALSE(loop.active);
}

// ---------------------------------------------------------------- white balance

TEST(AutoControlAwb, SortsSamplesByTheFourBayerOrders) {
    const std::pair<int, const char*> cases[] = {{0, "BGGR"}, {1, "GRBG"}, {2, "RGGB"},  {3, "GBRG"}, {13, "GRBG"}, {23, "GBRG"}};
    for (const auto& [bayerMode, tile] : cases) {
        SCOPED_TRACE(bayerMode);
        FakeCamera camera;
        Frame frame = BayerFrame(tile, 60, 120, 180);
        // Half the error, truncated toward zero and at most two: +3 / 2, +10 / 2 and -10 / 2.
        AwbLoop loop = StartedAwb(63, 130, 170);
        EXPECT_FALSE(AwbStep(loop, frame.bytes.data(), 8, bayerMode, camera));
        EXPECT_EQ(camera.gainEvents, (std::vector<std::string>{"R=65", "G=66", "B=62"}));
        EXPECT_EQ(loop.counter, 1);
        EXPECT_TRUE(loop.active);
        // Mode 3 and its relatives also shift red and blue onto green.
        EXPECT_EQ(camera.shifts.size(), bayerMode % 4 == 3 ? 2u : 0u);
        if (bayerMode % 4 == 3) {
            EXPECT_EQ(camera.shifts, (decltype(camera.shifts){{ColourChannel::Red, 60}, {ColourChannel::Blue, -60}}));
        }
    }
}

TEST(AutoControlAwb, StepsThatChangeNoGain) {
    const struct {
        const char* what;
        int bayerMode, counter;
        MeasuringRegion region;
        bool result, active;
        int counterAfter;
        bool marked;
    } cases[] = {
        {"nothing to correct ends with success", 2, 7, {0, 0, 8, 8}, true, false, 8, true},
        {"the count has run out", 2, 50, {0, 0, 8, 8}, false, false, 50, false},
        {"no colour sites outside the Bayer modes", 24, 0, {0, 0, 8, 8}, false, true, 0, false},
        {"an empty region ends", 3, 0, {2, 2, 0, 4}, false, false, 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Frame frame = BayerFrame("RGGB", 60, 120, 180);
        const Frame before = frame;
        FakeCamera camera;
        AwbLoop loop = StartedAwb(61, 119, 181, c.region);
        loop.counter = c.counter;
        EXPECT_EQ(AwbStep(loop, frame.bytes.data(), 8, c.bayerMode, camera), c.result);
        EXPECT_EQ(loop.active, c.active);
        EXPECT_EQ(loop.counter, c.counterAfter);
        EXPECT_EQ(frame.bytes != before.bytes, c.marked);
        EXPECT_TRUE(camera.gainEvents.empty());
        EXPECT_TRUE(camera.shifts.empty());
    }
}

}  // namespace
}  // namespace qcx
