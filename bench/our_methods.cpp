// Our image processing on the benchmark frames: every demosaicing method in
// 24-bit and 32-bit output, grey output, 16-bit samples, the raw steps, and
// the colour steps on the 24-bit bilinear image of the same scene.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

#include "bench/bench_names.h"
#include "bench/bench_registry.h"
#include "camera/imaging/bayer_filter.h"
#include "camera/imaging/colour_correction.h"
#include "camera/imaging/pipeline_settings.h"
#include "camera/imaging/raw_corrections.h"
#include "camera/imaging/saturation.h"
#include "camera/imaging/tone_tables.h"

namespace qcx::bench {
namespace {

// Bayer modes: BGGR bottom-up in 24-bit, 32-bit and grey output.
constexpr int kBayerMode24 = 0;
constexpr int kBayerMode32 = 8;
constexpr int kBayerModeGrey = 16;
constexpr int kBilinear = 1;

std::size_t PixelCount(const BenchFrame& frame) { return frame.raw8.size(); }

void Convert(benchmark::State& state, FrameSize size, int bayerMode, int filterMode, int bytesPerPixel,
             bool sixteenBit) {
    const BenchFrame& frame = FrameFor(size);
    std::vector<std::uint8_t> out(PixelCount(frame) * static_cast<std::size_t>(bytesPerPixel));
    const void* raw = sixteenBit ? static_cast<const void*>(frame.raw16.data()) : frame.raw8.data();
    CQCXBayerFilter().ConvertRawToImage(raw, frame.width, frame.height, out.data(), sixteenBit, bayerMode,
                                        filterMode);
    // A conversion that wrote nothing would measure as a very fast one.
    if (std::all_of(out.begin(), out.end(), [](std::uint8_t b) { return b == 0; })) {
        state.SkipWithError("the conversion wrote no pixel");
        return;
    }
    const FrameCounters counters;
    for (auto _ : state) {
        // A temporary filter per conversion, as the camera makes one.
        const CQCXBayerFilter filter;
        filter.ConvertRawToImage(raw, frame.width, frame.height, out.data(), sixteenBit, bayerMode, filterMode);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    counters.Finish(state, frame);
}

// The 24-bit bilinear image of the scene, input of the colour steps.
const std::vector<std::uint8_t>& ColourImage(FrameSize size) {
    static std::map<std::pair<int, int>, std::vector<std::uint8_t>> images;
    std::vector<std::uint8_t>& image = images[{size.width, size.height}];
    if (image.empty()) {
        const BenchFrame& frame = FrameFor(size);
        image.resize(PixelCount(frame) * 3);
        CQCXBayerFilter().ConvertRawToImage(frame.raw8.data(), frame.width, frame.height, image.data(), false,
                                            kBayerMode24, kBilinear);
    }
    return image;
}

void PatchEdges(benchmark::State& state, FrameSize size) {
    const BenchFrame& frame = FrameFor(size);
    std::vector<std::uint8_t> raw = frame.raw8;
    // The patch only copies samples, so running it again on its own result
    // costs the same as on a fresh frame.
    const FrameCounters counters;
    for (auto _ : state) {
        PatchRawEdges(raw.data(), frame.width, frame.height);
        benchmark::DoNotOptimize(raw.data());
        benchmark::ClobberMemory();
    }
    counters.Finish(state, frame);
}

void BadPixels(benchmark::State& state, FrameSize size) {
    const BenchFrame& frame = FrameFor(size);
    std::vector<std::uint8_t> raw = frame.raw8;
    const FrameCounters counters;
    for (auto _ : state) {
        // A fresh frame each time: the filter's work depends on what it finds.
        state.PauseTiming();
        std::memcpy(raw.data(), frame.raw8.data(), raw.size());
        state.ResumeTiming();
        CorrectBadPixels(raw.data(), frame.width, frame.height, 20);
        benchmark::DoNotOptimize(raw.data());
        benchmark::ClobberMemory();
    }
    counters.Finish(state, frame);
}

void ToneTables(benchmark::State& state, FrameSize size) {
    const BenchFrame& frame = FrameFor(size);
    std::vector<std::uint8_t> raw = frame.raw8;
    PipelineSettings settings;
    SetGammaValue(settings, 3);
    SetContrast(settings, 40);
    SetBrightness(settings, 20);
    // Table look-ups cost the same whatever the samples, so the frame is
    // simply adjusted again each time.
    const FrameCounters counters;
    for (auto _ : state) {
        RunGammaContrastBrightness(raw.data(), frame.width, frame.height, settings);
        benchmark::DoNotOptimize(raw.data());
        benchmark::ClobberMemory();
    }
    counters.Finish(state, frame);
}

// firstFrame: the saturation changes before every frame, so each frame starts
// from a reset cache; otherwise the cache is warm from the frame before.
void Saturation(benchmark::State& state, FrameSize size, bool firstFrame) {
    const BenchFrame& frame = FrameFor(size);
    const std::vector<std::uint8_t>& source = ColourImage(size);
    std::vector<std::uint8_t> image = source;
    PipelineSettings settings;
    SetSaturation(settings, 40);
    AdjustSaturation(image.data(), frame.width, frame.height, 24, settings);  // creates the cache
    bool flip = false;
    const FrameCounters counters;
    for (auto _ : state) {
        // Every frame starts from the demosaiced scene: the cache is keyed by
        // the input colours.
        state.PauseTiming();
        std::memcpy(image.data(), source.data(), image.size());
        state.ResumeTiming();
        if (firstFrame) {
            flip = !flip;
            SetSaturation(settings, flip ? 60 : 40);
        }
        AdjustSaturation(image.data(), frame.width, frame.height, 24, settings);
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
    counters.Finish(state, frame);
}

void ColourCorrectionTables(benchmark::State& state, FrameSize size) {
    const BenchFrame& frame = FrameFor(size);
    std::vector<std::uint8_t> image = ColourImage(size);
    ColourCorrection correction;
    correction.mode = 1;
    ApplyOffsetRule(correction, ColourChannel::Red, 20);
    ApplyOffsetRule(correction, ColourChannel::Green, 5);
    ApplyOffsetRule(correction, ColourChannel::Blue, -20);
    const FrameCounters counters;
    for (auto _ : state) {
        ApplyColorCorrection(correction, image.data(), frame.width, frame.height, 24);
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
    counters.Finish(state, frame);
}

template <class Function, class... Args>
void Register(const char* method, FrameSize size, Function function, Args... args) {
    benchmark::RegisterBenchmark(BenchmarkName(method, size).c_str(), function, size, args...)
        ->Unit(benchmark::kMillisecond);
}

}  // namespace

void RegisterOurMethods(FrameSize size) {
    struct Method {
        const char* name24;
        const char* name32;
        int filterMode;
    };
    constexpr Method kMethods[] = {{names::kBlockCopy24, names::kBlockCopy32, 0},
                                   {names::kBilinear24, names::kBilinear32, 1},
                                   {names::kColourRatio24, names::kColourRatio32, 2},
                                   {names::kEdgeDirected24, names::kEdgeDirected32, 3},
                                   {names::kGradient24, names::kGradient32, 4}};
    for (const Method& m : kMethods) Register(m.name24, size, Convert, kBayerMode24, m.filterMode, 3, false);
    for (const Method& m : kMethods) Register(m.name32, size, Convert, kBayerMode32, m.filterMode, 4, false);
    Register(names::kGrey, size, Convert, kBayerModeGrey, kBilinear, 1, false);
    Register(names::kBlockCopy16, size, Convert, kBayerMode24, kBilinear, 6, true);
    Register(names::kPatchRawEdges, size, PatchEdges);
    Register(names::kCorrectBadPixels, size, BadPixels);
    Register(names::kGammaContrastBrightness, size, ToneTables);
    Register(names::kSaturationFirst, size, Saturation, true);
    Register(names::kSaturationWarm, size, Saturation, false);
    Register(names::kColourCorrection, size, ColourCorrectionTables);
}

}  // namespace qcx::bench
