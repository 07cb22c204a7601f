// The peer libraries on the same raw frames: OpenCV's demosaicing and table
// look-up (one thread), and libdc1394's demosaicing methods.
#include <cmath>
#include <cstdint>
#include <vector>

#include "bench/bench_names.h"
#include "bench/bench_registry.h"

#if QCX_BENCH_WITH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif
#if QCX_BENCH_WITH_DC1394
#include <dc1394/conversions.h>
#endif

namespace qcx::bench {
namespace {

#if QCX_BENCH_WITH_OPENCV
void CvConvert(benchmark::State& state, FrameSize size, int code, int outChannels) {
    const BenchFrame& frame = FrameFor(size);
    // OpenCV only reads the source, the cast keeps its Mat header happy.
    cv::Mat raw(frame.height, frame.width, CV_8UC1, const_cast<std::uint8_t*>(frame.raw8.data()));
    cv::Mat out(frame.height, frame.width, CV_8UC(outChannels));
    cv::cvtColor(raw, out, code);  // warm up, and the output keeps its size from here on
    const FrameCounters counters;
    for (auto _ : state) {
        cv::cvtColor(raw, out, code);
        benchmark::DoNotOptimize(out.data);
        benchmark::ClobberMemory();
    }
    counters.Finish(state, frame);
}

void CvLookUp(benchmark::State& state, FrameSize size) {
    const BenchFrame& frame = FrameFor(size);
    cv::Mat raw(frame.height, frame.width, CV_8UC1, const_cast<std::uint8_t*>(frame.raw8.data()));
    cv::Mat out(frame.height, frame.width, CV_8UC1);
    // A gamma curve; the table's contents do not change the cost of a look-up.
    cv::Mat table(1, 256, CV_8UC1);
    for (int i = 0; i < 256; ++i)
        table.at<std::uint8_t>(i) = cv::saturate_cast<std::uint8_t>(255.0 * std::pow(i / 255.0, 0.7));
    cv::LUT(raw, table, out);
    const FrameCounters counters;
    for (auto _ : state) {
        cv::LUT(raw, table, out);
        benchmark::DoNotOptimize(out.data);
        benchmark::ClobberMemory();
    }
    counters.Finish(state, frame);
}

void RegisterOpenCv(FrameSize size) {
    struct Conversion {
        const char* name;
        int code;
        int channels;
    };
    const Conversion conversions[] = {{names::kCvBayer, cv::COLOR_BayerBG2BGR, 3},
                                      {names::kCvBayerEa, cv::COLOR_BayerBG2BGR_EA, 3},
                                      {names::kCvBayerVng, cv::COLOR_BayerBG2BGR_VNG, 3},
                                      {names::kCvBayerGrey, cv::COLOR_BayerBG2GRAY, 1}};
    for (const Conversion& c : conversions) {
        benchmark::RegisterBenchmark(BenchmarkName(c.name, size).c_str(), CvConvert, size, c.code, c.channels)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark(BenchmarkName(names::kCvLut, size).c_str(), CvLookUp, size)
        ->Unit(benchmark::kMillisecond);
}
#endif

#if QCX_BENCH_WITH_DC1394
void DcDecode(benchmark::State& state, FrameSize size, dc1394bayer_method_t method) {
    const BenchFrame& frame = FrameFor(size);
    std::vector<std::uint8_t> rgb(frame.raw8.size() * 3);
    const auto w = static_cast<std::uint32_t>(frame.width), h = static_cast<std::uint32_t>(frame.height);
    if (dc1394_bayer_decoding_8bit(frame.raw8.data(), rgb.data(), w, h, DC1394_COLOR_FILTER_BGGR, method) !=
        DC1394_SUCCESS) {
        state.SkipWithError("dc1394_bayer_decoding_8bit failed");
        return;
    }
    const FrameCounters counters;
    for (auto _ : state) {
        dc1394_bayer_decoding_8bit(frame.raw8.data(), rgb.data(), w, h, DC1394_COLOR_FILTER_BGGR, method);
        benchmark::DoNotOptimize(rgb.data());
        benchmark::ClobberMemory();
    }
    counters.Finish(state, frame);
}

void RegisterDc1394(FrameSize size) {
    struct Method {
        const char* name;
        dc1394bayer_method_t method;
    };
    const Method methods[] = {{names::kDcNearest, DC1394_BAYER_METHOD_NEAREST},
                              {names::kDcBilinear, DC1394_BAYER_METHOD_BILINEAR},
                              {names::kDcHqLinear, DC1394_BAYER_METHOD_HQLINEAR},
                              {names::kDcEdgeSense, DC1394_BAYER_METHOD_EDGESENSE},
                              {names::kDcVng, DC1394_BAYER_METHOD_VNG},
                              {names::kDcAhd, DC1394_BAYER_METHOD_AHD}};
    for (const Method& m : methods) {
        benchmark::RegisterBenchmark(BenchmarkName(m.name, size).c_str(), DcDecode, size, m.method)
            ->Unit(benchmark::kMillisecond);
    }
}
#endif

}  // namespace

bool HaveOpenCv() { return QCX_BENCH_WITH_OPENCV != 0; }
bool HaveDc1394() { return QCX_BENCH_WITH_DC1394 != 0; }

void RegisterPeerMethods(FrameSize size) {
#if QCX_BENCH_WITH_OPENCV
    // Single-threaded, like our code: the comparison is per core.
    cv::setNumThreads(1);
    RegisterOpenCv(size);
#endif
#if QCX_BENCH_WITH_DC1394
    RegisterDc1394(size);
#endif
    (void)size;
}

}  // namespace qcx::bench
