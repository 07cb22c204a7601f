// The preview's automatic exposure, white balance and focus measure, one step
// at a time, against a fake camera that records what the loops change.
#include "camera/device/auto_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
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
    std::vector<std::string> traces;

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
    void Trace(const char* text) override { traces.emplace_back(text); }

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
Frame BayerFrame(int w, int h, const char* tile, std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    Frame f(w, h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const char c = tile[(y % 2) * 2 + x % 2];
            f.at(x, y) = c == 'R' ? red : c == 'G' ? green : blue;
        }
    return f;
}

AeLoop StartedAe(int target, int maximumCount = 100) {
    AeLoop loop;
    loop.effective = {0, 0, 8, 8};
    loop.active = true;
    loop.maximumCount = maximumCount;
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
        int outputMode, bayerMode, minimumSize;
        MeasuringRegion expected;
    };
    const Case cases[] = {
        {{10, 20, 100, 50}, 1, 0, 0, {10, 20, 100, 50}},      // colour, top-down: as asked
        {{10, 20, 100, 50}, 0, 0, 0, {10, 410, 100, 50}},     // grey frames are bottom-up
        {{3, 5, 7, 9}, 1, 0, 0, {2, 4, 6, 8}},                // all four made even
        {{3, 5, 7, 8}, 0, 0, 0, {2, 466, 6, 8}},              // mirrored (467) before evenness
        {{-20, -5, 1000, 900}, 1, 0, 0, {0, 0, 640, 480}},    // clamped into the frame
        {{600, 470, 100, 50}, 1, 0, 0, {600, 470, 40, 10}},   // cut at the right and bottom
        {{600, 470, 100, 50}, 0, 0, 0, {600, 0, 40, 10}},     // cut, then mirrored
        {{700, 10, 10, 10}, 1, 0, 0, {640, 10, 0, 10}},       // starts beyond the frame
        {{10, 10, 1, 1}, 1, 0, 0, {10, 10, 0, 0}},            // one sample wide: nothing left
        {{10, 10, -4, 1}, 1, 0, 3, {10, 10, 2, 2}},           // focus minimum 3, then even
        {{639, 10, 5, 5}, 1, 0, 3, {638, 10, 0, 4}},          // focus cut below its minimum
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.requested.x << "," << c.requested.y << "," << c.requested.width << ","
                                        << c.requested.height << " mode " << c.outputMode);
        const MeasuringRegion r = RecomputeRegion(c.requested, {640, 480, c.outputMode, c.bayerMode}, c.minimumSize);
        EXPECT_EQ(r.x, c.expected.x);
        EXPECT_EQ(r.y, c.expected.y);
        EXPECT_EQ(r.width, c.expected.width);
        EXPECT_EQ(r.height, c.expected.height);
    }
}

TEST(AutoControlRegion, ColourModesStoredBottomUpAreMirrored) {
    for (int bayerMode = 0; bayerMode < 24; ++bayerMode) {
        const bool bottomUp = (bayerMode >= 4 && bayerMode <= 7) || (bayerMode >= 12 && bayerMode <= 15);
        const MeasuringRegion r = RecomputeRegion({0, 0, 100, 100}, {640, 481, 1, bayerMode}, 0);
        EXPECT_EQ(r.y, bottomUp ? 380 : 0) << "Bayer mode " << bayerMode;  // 481 - 100 = 381, made even
    }
}

// ---------------------------------------------------------------- exposure

TEST(AutoControlAe, StepSizeFollowsTheExposureRange) {
    struct Case {
        int lines, mean, expectedLines;
    };
    // Target 128 throughout.
    const Case cases[] = {
        {500, 100, 528},  // one line per grey level
        {100, 100, 128},  //
        {50, 100, 52},    // a tenth of the error
        {50, 156, 48},    // truncated toward zero
        {11, 100, 13},    //
        {10, 88, 50},     // exactly ten: the whole error
        {5, 100, 6},      // single lines near the floor
        {5, 200, 4},      //
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "E=" << c.lines << " mean=" << c.mean);
        FakeCamera camera;
        camera.lines = c.lines;
        AeLoop loop = StartedAe(128);
        Frame frame(8, 8, static_cast<std::uint8_t>(c.mean));
        EXPECT_FALSE(AeStep(loop, frame.bytes.data(), 8, camera));
        ASSERT_EQ(camera.exposureWrites.size(), 1u);
        EXPECT_EQ(camera.exposureWrites[0], c.expectedLines);
        EXPECT_TRUE(loop.active);
        EXPECT_EQ(loop.counter, 1);
        EXPECT_EQ(loop.lastStep, c.expectedLines - c.lines);
    }
}

TEST(AutoControlAe, FloorOfOneLine) {
    // Too dark at one line: one line up.
    FakeCamera camera;
    camera.lines = 1;
    AeLoop loop = StartedAe(128);
    Frame dark(8, 8, 20);
    EXPECT_FALSE(AeStep(loop, dark.bytes.data(), 8, camera));
    EXPECT_EQ(camera.exposureWrites, std::vector<int>{2});

    // Too bright at one line: nothing left to lower, AE stops unsuccessfully.
    camera.lines = 1;
    camera.exposureWrites.clear();
    loop = StartedAe(128);
    loop.counter = 4;
    Frame bright(8, 8, 200);
    EXPECT_FALSE(AeStep(loop, bright.bytes.data(), 8, camera));
    EXPECT_FALSE(loop.active);
    EXPECT_EQ(loop.counter, 5);
    EXPECT_TRUE(camera.exposureWrites.empty());
}

TEST(AutoControlAe, StepBelowZeroEndsAtOneLineWithSuccess) {
    struct Case {
        int lines, mean, target;
    };
    for (const Case c : {Case{100, 255, 55}, Case{10, 168, 128}}) {  // diff -200 and -40
        SCOPED_TRACE(c.lines);
        FakeCamera camera;
        camera.lines = c.lines;
        AeLoop loop = StartedAe(c.target, 40);
        Frame frame(8, 8, static_cast<std::uint8_t>(c.mean));
        EXPECT_TRUE(AeStep(loop, frame.bytes.data(), 8, camera));
        EXPECT_EQ(camera.exposureWrites, std::vector<int>{1});
        EXPECT_FALSE(loop.active);
        EXPECT_EQ(loop.counter, 40);
    }
}

TEST(AutoControlAe, StepToZeroLinesIsLeftToTheCamera) {
    FakeCamera camera;
    camera.lines = 20;
    AeLoop loop = StartedAe(55);
    Frame frame(8, 8, 255);  // diff -200, step -20
    EXPECT_FALSE(AeStep(loop, frame.bytes.data(), 8, camera));
    EXPECT_EQ(camera.exposureWrites, std::vector<int>{0});
    EXPECT_TRUE(loop.active);
}

TEST(AutoControlAe, WithinTenLevelsEndsWithSuccess) {
    for (int mean : {117, 118, 128, 138, 139}) {
        SCOPED_TRACE(mean);
        FakeCamera camera;
        AeLoop loop = StartedAe(128, 30);
        Frame frame(8, 8, static_cast<std::uint8_t>(mean));
        const bool within = mean >= 118 && mean <= 138;
        EXPECT_EQ(AeStep(loop, frame.bytes.data(), 8, camera), within);
        EXPECT_EQ(loop.active, !within);
        EXPECT_EQ(loop.counter, within ? 30 : 1);
        EXPECT_EQ(camera.exposureWrites.empty(), within);
        if (within) {
            EXPECT_EQ(camera.traces.back(), "QCXAPI::DoAE::Successful!");
        }
    }
}

TEST(AutoControlAe, TracesOneMeasuredStep) {
    FakeCamera camera;
    camera.lines = 500;
    AeLoop loop = StartedAe(128);
    loop.counter = 2;
    Frame frame(8, 8, 100);
    AeStep(loop, frame.bytes.data(), 8, camera);
    const std::vector<std::string> expected = {
        "QCXAPI::DoAE::AECounter=2***********************",
        "QCXAPI::DoAE::ExposureLineBefore=500",
        "QCXAPI::DoAE::StepBefore=28",
        "QCXAPI::DoAE::StepAfter=28",
        "QCXAPI::DoAE::ExposureLineAfter=528",
    };
    EXPECT_EQ(camera.traces, expected);
}

TEST(AutoControlAe, MeasuresEverySecondFrameAndCountsBoth) {
    FakeCamera camera;
    camera.lines = 500;
    AeLoop loop = StartedAe(128, 4);
    Frame frame(8, 8, 100);
    const int expectedWrites[] = {1, 1, 2, 2};
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(AeStep(loop, frame.bytes.data(), 8, camera));
        EXPECT_EQ(loop.counter, i + 1);
        EXPECT_EQ(camera.exposureWrites.size(), static_cast<std::size_t>(expectedWrites[i])) << "frame " << i;
    }
    EXPECT_TRUE(loop.active);
    camera.traces.clear();
    // The count has run out: AE stops unsuccessfully without measuring.
    EXPECT_FALSE(AeStep(loop, frame.bytes.data(), 8, camera));
    EXPECT_FALSE(loop.active);
    EXPECT_TRUE(camera.traces.empty());
    EXPECT_EQ(camera.exposureWrites.size(), 2u);
}

TEST(AutoControlAe, StopsOnEmptyRegionAndIgnoresInactiveLoop) {
    FakeCamera camera;
    Frame frame(8, 8, 100);
    for (MeasuringRegion empty : {MeasuringRegion{0, 0, 0, 8}, MeasuringRegion{0, 0, 8, 0}}) {
        AeLoop loop = StartedAe(128);
        loop.effective = empty;
        EXPECT_FALSE(AeStep(loop, frame.bytes.data(), 8, camera));
        EXPECT_FALSE(loop.active);
        EXPECT_EQ(loop.counter, 0);
    }
    AeLoop idle = StartedAe(128);
    idle.active = false;
    EXPECT_FALSE(AeStep(idle, frame.bytes.data(), 8, camera));
    EXPECT_EQ(idle.counter, 0);
    EXPECT_TRUE(camera.traces.empty());
    EXPECT_TRUE(camera.exposureWrites.empty());
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
    AeLoop loop = StartedAe(128);
    loop.effective = {4, 2, 2, 2};
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
    auto level = [&camera] { return static_cast<std::uint8_t>(camera.lines < 150 ? 100 : 160); };
    AeLoop loop = StartedAe(128, 100);
    std::vector<int> measuredLines;
    bool result = false;
    int frames = 0;
    while (loop.active && frames < 100) {
        Frame frame(8, 8, level());
        result = AeStep(loop, frame.bytes.data(), 8, camera);
        ++frames;
    }
    EXPECT_TRUE(result);
    EXPECT_EQ(camera.exposureWrites, (std::vector<int>{168, 136, 164, 132}));
    EXPECT_EQ(loop.inversions, 2);
    EXPECT_EQ(frames, 9);  // four measured steps, their skipped frames and the ending one
    EXPECT_EQ(loop.counter, 100);
    EXPECT_EQ(camera.traces.back(), "QCXAPI::DoAE::InvNum = 2 Fail!");
    EXPECT_NE(level(), 128);
}

// ---------------------------------------------------------------- white balance

TEST(AutoControlAwb, SortsSamplesByTheFourBayerOrders) {
    struct Case {
        int bayerMode;
        const char* tile;
    };
    const Case cases[] = {{0, "BGGR"}, {1, "GRBG"}, {2, "RGGB"}, {3, "GBRG"},
                          {4, "BGGR"}, {13, "GRBG"}, {22, "RGGB"}, {23, "GBRG"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bayerMode);
        FakeCamera camera;
        Frame frame = BayerFrame(8, 8, c.tile, 60, 120, 180);
        AwbLoop loop = StartedAwb(62, 124, 178);  // corrections +1, +2, -1
        EXPECT_FALSE(AwbStep(loop, frame.bytes.data(), 8, c.bayerMode, camera));
        EXPECT_EQ(camera.gains[0], 65);
        EXPECT_EQ(camera.gains[1], 66);
        EXPECT_EQ(camera.gains[2], 63);
        EXPECT_EQ(loop.counter, 1);
        EXPECT_TRUE(loop.active);
        if (c.bayerMode % 4 == 3) {
            const std::vector<std::pair<ColourChannel, int>> shifts = {{ColourChannel::Red, 60},
                                                                       {ColourChannel::Blue, -60}};
            EXPECT_EQ(camera.shifts, shifts);
        } else {
            EXPECT_TRUE(camera.shifts.empty());
        }
    }
}

TEST(AutoControlAwb, DarkensEveryVisitedSampleModulo256) {
    Frame frame(8, 6, 5);
    frame.at(3, 3) = 200;
    FakeCamera camera;
    AwbLoop loop = StartedAwb(0, 0, 0, {2, 2, 4, 2});
    AwbStep(loop, frame.bytes.data(), 8, 0, camera);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 2 && y < 4;
            const int expected = !inside ? 5 : (x == 3 && y == 3) ? 190 : 251;
            EXPECT_EQ(frame.at(x, y), expected) << x << "," << y;
        }
}

TEST(AutoControlAwb, CorrectionIsHalfTheErrorTruncatedAndAtMostTwo) {
    Frame frame(8, 8, 100);
    FakeCamera camera;
    AwbLoop loop = StartedAwb(103, 97, 150);  // +3 / 2 = 1, -3 / 2 = -1, 50 / 2 clamped to 2
    EXPECT_FALSE(AwbStep(loop, frame.bytes.data(), 8, 0, camera));
    EXPECT_EQ(camera.gainEvents, (std::vector<std::string>{"R=65", "G=63", "B=66"}));

    camera.gainEvents.clear();
    AwbLoop low = StartedAwb(0, 101, 99);  // clamped to -2; +1 / 2 and -1 / 2 are 0
    Frame again(8, 8, 100);
    EXPECT_FALSE(AwbStep(low, again.bytes.data(), 8, 0, camera));
    EXPECT_EQ(camera.gainEvents, (std::vector<std::string>{"R=63", "G=63", "B=66"}));
}

TEST(AutoControlAwb, EndsWithSuccessWhenNothingToCorrect) {
    Frame frame = BayerFrame(8, 8, "RGGB", 60, 120, 180);
    FakeCamera camera;
    AwbLoop loop = StartedAwb(61, 119, 181);
    loop.counter = 7;
    EXPECT_TRUE(AwbStep(loop, frame.bytes.data(), 8, 2, camera));
    EXPECT_FALSE(loop.active);
    EXPECT_EQ(loop.counter, 8);
    EXPECT_TRUE(camera.gainEvents.empty());
}

TEST(AutoControlAwb, CountRunOutStopsWithoutTouchingTheFrame) {
    Frame frame(8, 8, 100);
    FakeCamera camera;
    AwbLoop loop = StartedAwb(200, 200, 200);
    loop.counter = loop.maximumCount;
    EXPECT_FALSE(AwbStep(loop, frame.bytes.data(), 8, 0, camera));
    EXPECT_FALSE(loop.active);
    EXPECT_EQ(frame.bytes, Frame(8, 8, 100).bytes);
    EXPECT_TRUE(camera.gainEvents.empty());
}

TEST(AutoControlAwb, NoStepOutsideTheBayerModes) {
    Frame frame(8, 8, 100);
    FakeCamera camera;
    AwbLoop loop = StartedAwb(200, 200, 200);
    for (int mode : {24, 31}) {
        EXPECT_FALSE(AwbStep(loop, frame.bytes.data(), 8, mode, camera));
        EXPECT_TRUE(loop.active);
        EXPECT_EQ(loop.counter, 0);
    }
    EXPECT_EQ(frame.bytes, Frame(8, 8, 100).bytes);
    EXPECT_TRUE(camera.gainEvents.empty());
    EXPECT_TRUE(camera.shifts.empty());
}

TEST(AutoControlAwb, EmptyRegionEndsWithoutChangingTheGains) {
    // A region one sample wide loses that sample to the evenness rule.
    const MeasuringRegion region = RecomputeRegion({2, 2, 1, 4}, {8, 8, 1, 3}, 0);
    ASSERT_EQ(region.width, 0);
    Frame frame(8, 8, 100);
    FakeCamera camera;
    AwbLoop loop = StartedAwb(200, 200, 200, region);
    EXPECT_FALSE(AwbStep(loop, frame.bytes.data(), 8, 3, camera));
    EXPECT_FALSE(loop.active);
    EXPECT_EQ(frame.bytes, Frame(8, 8, 100).bytes);
    EXPECT_TRUE(camera.gainEvents.empty());
    EXPECT_TRUE(camera.shifts.empty());
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
        Frame frame = BayerFrame(8, 8, "RGGB", static_cast<std::uint8_t>(g), static_cast<std::uint8_t>(g + 20),
                                 static_cast<std::uint8_t>(g + 10));
        result = AwbStep(loop, frame.bytes.data(), 8, 2, camera);
        ++steps;
        if (steps == 1) {
            EXPECT_EQ(camera.gainEvents, (std::vector<std::string>{"R=92", "G=94", "B=96"}));
        }
    }
    EXPECT_TRUE(result);
    EXPECT_EQ(steps, 4);  // 90 -> 96 -> 102 -> 99, then within one level
    EXPECT_EQ(camera.gains[0], 99);
    EXPECT_EQ(loop.counter, 4);
}

// ---------------------------------------------------------------- focus

TEST(AutoControlFocus, ThreeByThreeRegionMeasuresItsCentre) {
    Frame frame(5, 5, 100);
    frame.at(2, 1) = 0;    // above
    frame.at(2, 3) = 255;  // below
    frame.at(3, 2) = 50;   // right
    frame.at(0, 0) = 0;    // outside the neighbourhood: ignored
    // (100 + 155 + 0 + 50) / 1020 / (2 x 2) x 10200 = 762.5
    EXPECT_EQ(FocusValue(frame.bytes.data(), 5, 5, {1, 1, 3, 3}), 762);
}

TEST(AutoControlFocus, CheckerboardIsSharpestAndFlatIsZero) {
    Frame board(10, 8, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) board.at(x, y) = (x + y) % 2 ? 255 : 0;
    // Four interior samples of 1.0 each over 3 x 3: 4 / 9 x 10200.
    EXPECT_EQ(FocusValue(board.bytes.data(), 10, 8, {2, 2, 4, 4}), 4533);
    Frame flat(10, 8, 77);
    EXPECT_EQ(FocusValue(flat.bytes.data(), 10, 8, {0, 0, 10, 8}), 0);
}

TEST(AutoControlFocus, RegionsWithoutInteriorGiveZero) {
    Frame board(6, 6, 0);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x) board.at(x, y) = (x + y) % 2 ? 255 : 0;
    for (MeasuringRegion r : {MeasuringRegion{1, 1, 4, 2}, MeasuringRegion{1, 1, 2, 4}, MeasuringRegion{1, 1, 1, 4},
                              MeasuringRegion{1, 1, 4, 1}, MeasuringRegion{1, 1, 0, 0}}) {
        EXPECT_EQ(FocusValue(board.bytes.data(), 6, 6, r), 0) << r.width << " x " << r.height;
    }
}

}  // namespace
}  // namespace qcx
