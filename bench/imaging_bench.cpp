// Speed of the image processing against OpenCV and libdc1394 on the same
// frames, one thread each, in megapixels per second; a ratio table at the end.
// imaging_bench [Google Benchmark options, e.g. --benchmark_filter=bilinear]
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstring>
#include <exception>
#include <iostream>

#include "bench/bench_frame.h"
#include "bench/bench_registry.h"
#include "bench/ratio_report.h"

namespace {

// A reporter of our own does not see --benchmark_color, so it is read here:
// colour on a terminal unless switched off, and wherever it is forced on.
benchmark::ConsoleReporter::OutputOptions ConsoleOptions(int argc, char** argv) {
    bool colour = isatty(STDOUT_FILENO) != 0;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        constexpr const char kFlag[] = "--benchmark_color=";
        if (std::strncmp(arg, kFlag, sizeof kFlag - 1) != 0) continue;
        const char* value = arg + sizeof kFlag - 1;
        if (std::strcmp(value, "auto") != 0)
            colour = std::strcmp(value, "true") == 0 || std::strcmp(value, "yes") == 0 ||
                     std::strcmp(value, "1") == 0;
    }
    return colour ? benchmark::ConsoleReporter::OO_ColorTabular : benchmark::ConsoleReporter::OO_Tabular;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const auto options = ConsoleOptions(argc, argv);
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
        // Size by size, so ours and the peers' runs of one size sit together.
        for (const qcx::bench::FrameSize size : qcx::bench::kFrameSizes) {
            qcx::bench::RegisterOurMethods(size);
            qcx::bench::RegisterPeerMethods(size);
        }
        qcx::bench::RatioReporter reporter(options);
        benchmark::RunSpecifiedBenchmarks(&reporter);
        benchmark::Shutdown();
        return 0;
    } catch (const std::exception& e) {
        std::cerr << "imaging_bench: " << e.what() << "\n";
        return 1;
    }
}
