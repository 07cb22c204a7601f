// The software exposure, white-balance and focus loops of the preview: each
// step measures one raw frame and nudges the camera a little, so the loops
// converge over many frames without ever blocking the preview thread.
#include "camera/device/auto_control.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace qcx {
namespace {

// Bayer modes whose colour image is stored bottom-up, like the grey image.
bool StoredBottomUp(const RegionFrame& frame) {
    if (frame.outputMode == 0) return true;
    if (frame.outputMode != 1) return false;
    const int m = frame.bayerMode;
    return (m >= 4 && m <= 7) || (m >= 12 && m <= 15);
}

// Lower bound first, so a frame smaller than the minimum still keeps the
// region inside it (std::clamp would be undefined there).
int ClampSize(int value, int minimum, int maximum) {
    return std::min(std::max(value, minimum), maximum);
}

void TraceValue(AutoControlCamera& camera, const char* format, int value) {
    char text[96];
    std::snprintf(text, sizeof text, format, value);
    camera.Trace(text);
}

// Mean level of the region, reduced to a byte like the level it is compared
// with. Sixty-four bits keep the sum exact on every sensor size.
int RegionMean(const std::uint8_t* frame, int frameWidth, const MeasuringRegion& r) {
    std::uint64_t sum = 0;
    for (int row = r.y; row < r.y + r.height; ++row) {
        const std::uint8_t* line = frame + static_cast<std::ptrdiff_t>(row) * frameWidth;
        for (int column = r.x; column < r.x + r.width; ++column) sum += line[column];
    }
    const std::uint64_t count = static_cast<std::uint64_t>(r.width) * static_cast<std::uint64_t>(r.height);
    return static_cast<int>((sum / count) & 0xFFu);
}

// The exposure step for a level error `diff` at `lines` exposure lines: single
// lines near the floor, a tenth of the error in the middle range, one line per
// grey level on long exposures.
long long ExposureStep(int lines, long long diff) {
    if (lines < 10) return diff > 0 ? 1 : -1;
    if (lines == 10) return diff;
    if (lines < 100) return diff / 10;
    return diff;
}

bool OppositeSigns(long long a, long long b) { return (a < 0 && b > 0) || (a > 0 && b < 0); }

// Targets are levels 0 ... 255, but callers may pass any int: errors and
// steps are worked out in 64 bits, and what goes back to the camera or into
// a trace saturates to an int.
int SaturateToInt(long long value) {
    constexpr long long kLowest = std::numeric_limits<int>::min();
    constexpr long long kHighest = std::numeric_limits<int>::max();
    return static_cast<int>(std::clamp(value, kLowest, kHighest));
}

// Red site parities (row, column) by Bayer mode modulo 4; blue sits where
// both parities differ from red's, green where exactly one does.
struct RedSite {
    int row, column;
};
constexpr RedSite kRedSites[4] = {{1, 1}, {0, 1}, {0, 0}, {1, 0}};

constexpr int kAwbMarkLevel = 10;  // the visited area shows darker in the preview
constexpr int kAwbMaximumCorrection = 2;

}  // namespace

MeasuringRegion RecomputeRegion(const MeasuringRegion& requested, const RegionFrame& frame, int minimumSize) {
    const int w = frame.width;
    const int h = frame.height;
    MeasuringRegion r = requested;
    r.x = ClampSize(r.x, 0, w);
    r.y = ClampSize(r.y, 0, h);
    r.width = ClampSize(r.width, minimumSize, w);
    r.height = ClampSize(r.height, minimumSize, h);
    if (r.x + r.width > w) r.width = w - r.x;
    if (r.y + r.height > h) r.height = h - r.y;
    if (StoredBottomUp(frame)) r.y = h - r.y - r.height;
    // Even corners and sizes keep every colour of the Bayer pattern in the region.
    r.x &= ~1;
    r.y &= ~1;
    r.width &= ~1;
    r.height &= ~1;
    return r;
}

bool AeStep(AeLoop& loop, const std::uint8_t* frame, int frameWidth, AutoControlCamera& camera) {
    if (!loop.active) return false;
    const MeasuringRegion& region = loop.effective;
    if (loop.counter >= loop.maximumCount || region.width < 1 || region.height < 1) {
        loop.active = false;
        return false;
    }
    // A new exposure reaches the image one frame late, so only every second
    // frame is measured; the skipped frames count all the same.
    if (loop.counter % 2 != 0) {
        ++loop.counter;
        return false;
    }
    TraceValue(camera, "QCXAPI::DoAE::AECounter=%d***********************", loop.counter);

    const long long diff = static_cast<long long>(loop.target) - RegionMean(frame, frameWidth, region);
    if (std::llabs(diff) <= 10) {
        loop.counter = loop.maximumCount;
        loop.active = false;
        camera.Trace("QCXAPI::DoAE::Successful!");
        return true;
    }
    // The level keeps jumping over the target: it cannot be met more closely.
    if (loop.inversions >= 2) {
        loop.counter = loop.maximumCount;
        loop.active = false;
        TraceValue(camera, "QCXAPI::DoAE::InvNum = %d Fail!", loop.inversions);
        return true;
    }

    const int lines = camera.ExposureLines();
    TraceValue(camera, "QCXAPI::DoAE::ExposureLineBefore=%d", lines);
    TraceValue(camera, "QCXAPI::DoAE::StepBefore=%d", SaturateToInt(diff));
    long long step = 1;
    // One line is the floor; the camera never reports fewer, but a value
    // below it is treated the same rather than stepped from.
    if (lines <= 1) {
        if (diff < 0) {
            ++loop.counter;
            loop.active = false;
            return false;
        }
    } else {
        step = ExposureStep(lines, diff);
    }

    const long long next = static_cast<long long>(lines) + step;
    if (next < 0) {
        camera.SetExposureLines(1);
        loop.counter = loop.maximumCount;
        loop.active = false;
        return true;
    }
    if (loop.counter == 0) {
        loop.inversions = 0;
    } else if (OppositeSigns(loop.lastStep, step)) {
        ++loop.inversions;
    }
    loop.lastStep = SaturateToInt(step);
    camera.SetExposureLines(SaturateToInt(next));
    TraceValue(camera, "QCXAPI::DoAE::StepAfter=%d", SaturateToInt(step));
    TraceValue(camera, "QCXAPI::DoAE::ExposureLineAfter=%d", SaturateToInt(next));
    ++loop.counter;
    return false;
}

bool AwbStep(AwbLoop& loop, std::uint8_t* frame, int frameWidth, int bayerMode, AutoControlCamera& camera) {
    // Outside the Bayer modes the loop has no colour sites to measure; it
    // waits without counting until the mode changes or it is stopped.
    if (!loop.active || bayerMode < 0 || bayerMode >= 24) return false;
    if (loop.counter >= loop.maximumCount) {
        loop.active = false;
        return false;
    }

    const RedSite red = kRedSites[bayerMode % 4];
    const MeasuringRegion& region = loop.effective;
    long long sums[3] = {0, 0, 0};  // red, green, blue
    long long counts[3] = {0, 0, 0};
    for (int row = region.y; row < region.y + region.height; ++row) {
        std::uint8_t* line = frame + static_cast<std::ptrdiff_t>(row) * frameWidth;
        const bool redRow = (row & 1) == red.row;
        for (int column = region.x; column < region.x + region.width; ++column) {
            const bool redColumn = (column & 1) == red.column;
            const int colour = (redRow && redColumn) ? 0 : (!redRow && !redColumn) ? 2 : 1;
            sums[colour] += line[column];
            ++counts[colour];
            line[column] = static_cast<std::uint8_t>(line[column] - kAwbMarkLevel);
        }
    }
    // An empty region (or one missing a colour) has no means to steer by:
    // white balance ends unsuccessfully and the gains stay as they are.
    if (counts[0] == 0 || counts[1] == 0 || counts[2] == 0) {
        loop.active = false;
        return false;
    }
    const int redMean = static_cast<int>(sums[0] / counts[0]);
    const int greenMean = static_cast<int>(sums[1] / counts[1]);
    const int blueMean = static_cast<int>(sums[2] / counts[2]);

    if (bayerMode % 4 == 3) {
        camera.SetColourShift(ColourChannel::Red, greenMean - redMean);
        camera.SetColourShift(ColourChannel::Blue, greenMean - blueMean);
    }

    auto correction = [](int target, int mean) {
        const long long half = (static_cast<long long>(target) - mean) / 2;
        return static_cast<int>(std::clamp<long long>(half, -kAwbMaximumCorrection, kAwbMaximumCorrection));
    };
    const int corrections[3] = {correction(loop.redTarget, redMean), correction(loop.greenTarget, greenMean),
                                correction(loop.blueTarget, blueMean)};
    if (corrections[0] == 0 && corrections[1] == 0 && corrections[2] == 0) {
        ++loop.counter;
        loop.active = false;
        return true;
    }
    // Each gain is read just before it is written: where the camera has one
    // global gain, the three corrections add up on it.
    constexpr GainChannel kChannels[3] = {GainChannel::Red, GainChannel::Green, GainChannel::Blue};
    for (int i = 0; i < 3; ++i) camera.SetGain(kChannels[i], camera.Gain(kChannels[i]) + corrections[i]);
    ++loop.counter;
    return false;
}

int FocusValue(const std::uint8_t* frame, int frameWidth, int frameHeight, const MeasuringRegion& requested) {
    // The focus region keeps its size when the preview window shrinks under
    // it, so only its part inside the frame is measured.
    const int left = std::max(requested.x, 0);
    const int top = std::max(requested.y, 0);
    const long long right = std::min<long long>(static_cast<long long>(requested.x) + requested.width, frameWidth);
    const long long bottom = std::min<long long>(static_cast<long long>(requested.y) + requested.height, frameHeight);
    const MeasuringRegion region{left, top, static_cast<int>(std::max<long long>(right - left, 0)),
                                 static_cast<int>(std::max<long long>(bottom - top, 0))};
    // Too narrow or too low for an interior sample: nothing to measure, and
    // the normalisation below would divide zero by zero.
    if (region.width <= 2 || region.height <= 2) return 0;
    double sum = 0.0;
    for (int row = region.y + 1; row <= region.y + region.height - 2; ++row) {
        const std::uint8_t* line = frame + static_cast<std::ptrdiff_t>(row) * frameWidth;
        for (int column = region.x + 1; column <= region.x + region.width - 2; ++column) {
            const int p = line[column];
            const int contrast = std::abs(p - line[column - frameWidth]) + std::abs(p - line[column + frameWidth]) +
                                 std::abs(p - line[column - 1]) + std::abs(p - line[column + 1]);
            sum += contrast / 1020.0;
        }
    }
    // Each sample adds at most 1 and there are fewer interior samples than
    // the divisor counts, so the value stays below 10200 without a clamp.
    return static_cast<int>(sum / ((region.width - 1) * (region.height - 1)) * 10200.0);
}

}  // namespace qcx
