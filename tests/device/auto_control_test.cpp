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
    explicit FakeCamera(bool oneGlobalGain = false) : global_(oneGlobalGain) {}

    int lines = 100;
    int gains[3] = {64, 64, 64};  // red, green, blue; only [0] with one global gain
    std::vector<int> exposureWrites;
    std::vector<std::string> gainEvents;  // "R=66" per write, in order
    std::vector<std::pair<ColourChannel, int>> shifts;

    int ExposureLines() override { return lines; }
    void SetExposureLines(int value) override {
        exposureWrites.push_back(value);
        lines = std::max(value, 1);
    }
    int Gain(GainChannel channel) override { return gains[Slot(channel)]; }
    void SetGain(GainChannel channel, int gain) override {
        gains[Slot(channel)] = gain;
        gainEvents.push_back(std::string(1, "RGB"[static_cast<int>(channel)]) + "=" + std::to_string(gain));
    }
    void SetColourShift(ColourChannel channel, int shift) override { shifts.emplace_back(channel, shift); }

private:
    int Slot(GainChannel channel) const { return global_ ? 0 : static_cast<int>(channel); }
    bool global_;
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
        {{10, 20, 100, 50}, 1, 0, {10, 20, 100, 50}},      // colour, top-down: as asked
        {{10, 20, 100, 50}, 0, 0, {10, 410, 100, 50}},     // grey frames are bottom-up
        {{3, 5, 7, 9}, 1, 0, {2, 4, 6, 8}},                // all four made even
        {{3, 5, 7, 8}, 0, 0, {2, 466, 6, 8}},              // mirrored (467) before evenness
        {{-20, -5, 1000, 900}, 1, 0, {0, 0, 640, 480}},    // clamped into the frame
        {{600, 470, 100, 50}, 1, 0, {600, 470, 40, 10}},   // cut at the right and bottom
        {{600, 470, 100, 50}, 0, 0, {600, 0, 40, 10}},     // cut, then mirrored
        {{700, 10, 10, 10}, 1, 0, {640, 10, 0, 10}},       // starts beyond the frame
        {{10, 10, 1, 1}, 1, 0, {10, 10, 0, 0}},            // one sample wide: nothing left
        {{10, 10, -4, 1}, 1, 3, {10, 10, 2, 2}},           // focus minimum 3, then even
        {{639, 10, 5, 5}, 1, 3, {638, 10, 0, 4}},          // focus cut below its minimum
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.requested.x << "," << c.requested.y << "," << c.requested.width << ","
                                        << c.requested.height << " mode " << c.outputMode);
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
        {"from 100 lines", 100, 100, 128, 0, false, true, {128}, 1},
        {"a tenth of the error in the middle", 50, 100, 128, 0, false, true, {52}, 1},
        {"truncated toward zero", 50, 156, 128, 0, false, true, {48}, 1},
        {"above ten lines", 11, 100, 128, 0, false, true, {13}, 1},
        {"at exactly ten lines the whole error", 10, 88, 128, 0, false, true, {50}, 1},
        {"single lines near the floor", 5, 100, 128, 0, false, true, {6}, 1},
        {"single lines down", 5, 200, 128, 0, false, true, {4}, 1},
        {"too dark at one line: one line up", 1, 20, 128, 0, false, true, {2}, 1},
        {"too bright at one line: nothing left to lower", 1, 200, 128, 4, false, false, {}, 5},
        {"a step below zero ends at one line", 100, 255, 55, 0, true, false, {1}, 30},
        {"a step below zero from ten lines", 10, 168, 128, 0, true, false, {1}, 30},
        {"a step to zero lines is left to the camera", 20, 255, 55, 0, false, true, {0}, 1},
        {"eleven levels too dark", 100, 117, 128, 0, false, true, {111}, 1},
        {"ten levels too dark is on target", 100, 118, 128, 0, true, false, {}, 30},
        {"ten levels too bright is on target", 100, 138, 128, 0, true, false, {}, 30},
        {"eleven levels too bright", 100, 139, 128, 0, false, true, {89}, 1},
        {"every second frame is only counted", 500, 100, 128, 1, false, true, {}, 2},
        {"the count has run out", 500, 100, 128, 30, false, false, {}, 30},
        {"an empty region stops", 500, 100, 128, 0, false, false, {}, 0, {0, 0, 0, 8}},
        {"a region without rows stops", 500, 100, 128, 0, false, false, {}, 0, {0, 0, 8, 0}},
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
    AeLoop idle = StartedAe(128);
    idle.active = false;
    FakeCamera camera;
    Frame frame(8, 8, 0);
    EXPECT_FALSE(AeStep(idle, frame.bytes.data(), 8, camera));
    EXPECT_EQ(idle.counter, 0) << "an inactive loop is left alone";
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

TEST(AutoControlAe, InversionsCountFromTheFirstMeasuredFrame) {
    FakeCamera camera;
    camera.lines = 500;
    Frame dark(8, 8, 100);  // step +28
    // A run starting at counter 0 forgets an earlier step of the other sign.
    AeLoop loop = StartedAe(128);
    loop.lastStep = -5;
    loop.inversions = 1;
    AeStep(loop, dark.bytes.data(), 8, camera);
    EXPECT_EQ(loop.inversions, 0);
    // Later in the run it counts.
    loop.counter = 2;
    loop.lastStep = -5;
    loop.inversions = 1;
    AeStep(loop, dark.bytes.data(), 8, camera);
    EXPECT_EQ(loop.inversions, 2);
    EXPECT_EQ(loop.lastStep, 28);
}

TEST(AutoControlAe, TwoSignChangesEndWithSuccessOffTarget) {
    // The level jumps between 100 and 160 at 150 lines: 128 is never reached.
    FakeCamera camera;
    camera.lines = 200;
    AeLoop loop = StartedAe(128);
    bool result = false;
    int frames = 0;
    while (loop.active && frames < 30) {
        Frame frame(8, 8, static_cast<std::uint8_t>(camera.lines < 150 ? 100 : 160));
        result = AeStep(loop, frame.bytes.data(), 8, camera);
        ++frames;
    }
    EXPECT_TRUE(result);
    EXPECT_EQ(camera.exposureWrites, (std::vector<int>{168, 136, 164, 132}));
    EXPECT_EQ(frames, 9);  // four measured steps, their skipped frames and the ending one
    EXPECT_EQ(loop.counter, 30);
}

// ---------------------------------------------------------------- white balance

TEST(AutoControlAwb, SortsSamplesByTheFourBayerOrders) {
    const std::pair<int, const char*> cases[] = {{0, "BGGR"}, {1, "GRBG"}, {2, "RGGB"},  {3, "GBRG"},
                                                 {4, "BGGR"}, {13, "GRBG"}, {22, "RGGB"}, {23, "GBRG"}};
    for (const auto& [bayerMode, tile] : cases) {
        SCOPED_TRACE(bayerMode);
        FakeCamera camera;
        Frame frame = BayerFrame(tile, 60, 120, 180);
        AwbLoop loop = StartedAwb(62, 124, 178);  // corrections +1, +2, -1
        EXPECT_FALSE(AwbStep(loop, frame.bytes.data(), 8, bayerMode, camera));
        EXPECT_EQ(camera.gainEvents, (std::vector<std::string>{"R=65", "G=66", "B=63"}));
        EXPECT_EQ(loop.counter, 1);
        EXPECT_TRUE(loop.active);
        // Mode 3 and its relatives also shift red and blue onto green.
        using Shifts = std::vector<std::pair<ColourChannel, int>>;
        const Shifts shifts = bayerMode % 4 == 3 ? Shifts{{ColourChannel::Red, 60}, {ColourChannel::Blue, -60}} : Shifts{};
        EXPECT_EQ(camera.shifts, shifts);
    }
}

TEST(AutoControlAwb, CorrectionIsHalfTheErrorTruncatedAndAtMostTwoAndMarksTheRegion) {
    const struct {
        int red, green, blue;
        std::vector<std::string> events;
    } cases[] = {
        {103, 97, 150, {"R=65", "G=63", "B=66"}},  // +3 / 2 = 1, -3 / 2 = -1, 50 / 2 clamped to 2
        {0, 101, 99, {"R=62", "G=64", "B=64"}},    // clamped to -2; +1 / 2 and -1 / 2 are 0
    };
    for (const auto& c : cases) {
        Frame frame(8, 6, 100);
        FakeCamera camera;
        AwbLoop loop = StartedAwb(c.red, c.green, c.blue, {2, 2, 4, 2});
        EXPECT_FALSE(AwbStep(loop, frame.bytes.data(), 8, 0, camera));
        EXPECT_EQ(camera.gainEvents, c.events);
    }
    // Every visited sample is darkened by 10, modulo 256.
    Frame frame(8, 6, 5);
    frame.at(3, 3) = 200;
    FakeCamera camera;
    AwbLoop loop = StartedAwb(0, 0, 0, {2, 2, 4, 2});
    AwbStep(loop, frame.bytes.data(), 8, 0, camera);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 2 && y < 4;
            EXPECT_EQ(frame.at(x, y), !inside ? 5 : (x == 3 && y == 3) ? 190 : 251) << x << "," << y;
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
        {"nor at mode 31", 31, 0, {0, 0, 8, 8}, false, true, 0, false},
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

TEST(AutoControlAwb, ConvergesOnOneGlobalGain) {
    // Every channel follows the single gain, each with its own offset.
    FakeCamera camera(true);
    camera.gains[0] = 90;
    AwbLoop loop = StartedAwb(100, 120, 110);
    bool result = false;
    int steps = 0;
    while (loop.active && steps < 50) {
        const int g = camera.gains[0];
        Frame frame = BayerFrame("RGGB", g, g + 20, g + 10);
        result = AwbStep(loop, frame.bytes.data(), 8, 2, camera);
        if (++steps == 1) {
            EXPECT_EQ(camera.gainEvents, (std::vector<std::string>{"R=92", "G=94", "B=96"}));
        }
    }
    EXPECT_TRUE(result);
    EXPECT_EQ(steps, 4);  // 90 -> 96 -> 102 -> 99, then within one level
    EXPECT_EQ(camera.gains[0], 99);
}

// ---------------------------------------------------------------- focus

TEST(AutoControlFocus, ContrastOfTheInteriorOverTheRegion) {
    Frame centre(5, 5, 100);
    centre.at(2, 1) = 0;    // above
    centre.at(2, 3) = 255;  // below
    centre.at(3, 2) = 50;   // right
    centre.at(0, 0) = 0;    // outside the neighbourhood: ignored
    // (100 + 155 + 0 + 50) / 1020 / (2 x 2) x 10200 = 762.5
    EXPECT_EQ(FocusValue(centre.bytes.data(), 5, 5, {1, 1, 3, 3}), 762);

    Frame board(10, 8, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) board.at(x, y) = (x + y) % 2 ? 255 : 0;
    // Four interior samples of 1.0 each over 3 x 3: 4 / 9 x 10200.
    EXPECT_EQ(FocusValue(board.bytes.data(), 10, 8, {2, 2, 4, 4}), 4533);
    Frame flat(10, 8, 77);
    EXPECT_EQ(FocusValue(flat.bytes.data(), 10, 8, {0, 0, 10, 8}), 0);
    // Regions without interior samples measure nothing.
    for (MeasuringRegion r : {MeasuringRegion{1, 1, 4, 2}, MeasuringRegion{1, 1, 2, 4}, MeasuringRegion{1, 1, 0, 0}}) {
        EXPECT_EQ(FocusValue(board.bytes.data(), 10, 8, r), 0) << r.width << " x " << r.height;
    }
}

}  // namespace
}  // namespace qcx
