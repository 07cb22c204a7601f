// Speed of the image processing against OpenCV and libdc1394 on the same
// frames, one thread each, in megapixels per second; a ratio table at the end.
// imaging_bench [--bayer_simd=scalar|ssse3|avx2] [Google Benchmark options,
//                e.g. --benchmark_filter=bilinear]
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstring>
#include <exception>
#include <iostream>

#include "bench/bench_frame.h"
#include "bench/bench_registry.h"
#include "bench/ratio_report.h"
#include "camera/imaging/bayer_simd.h"

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

// --bayer_simd=scalar|ssse3|avx2 caps the demosaic's instruction set, so the
// plain code and each vector path can be measured on one machine. The flag is
// taken out of the arguments before Google Benchmark sees them.
bool TakeSimdFlag(int& argc, char** argv) {
    constexpr const char kFlag[] = "--bayer_simd=";
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kFlag, sizeof kFlag - 1) != 0) {
            argv[kept++] = argv[i];
            continue;
        }
        const char* value = argv[i] + sizeof kFlag - 1;
        if (std::strcmp(value, "scalar") == 0) {
            qcx::LimitBayerSimd(qcx::BayerSimdLevel::kScalar);
        } else if (std::strcmp(value, "ssse3") == 0) {
            qcx::LimitBayerSimd(qcx::BayerSimdLevel::kSsse3);
        } else if (std::strcmp(value, "avx2") == 0) {
            qcx::LimitBayerSimd(qcx::BayerSimdLevel::kAvx2);
        } else {
            std::cerr << "imaging_bench: --bayer_simd takes scalar, ssse3 or avx2\n";
            return false;
        }
    }
    argc = kept;
    argv[argc] = nullptr;
    return true;
}

const char* SimdName(qcx::BayerSimdLevel level) {
    switch (level) {
        case qcx::BayerSimdLevel::kScalar: return "plain code";
        case qcx::BayerSimdLevel::kSsse3: return "SSSE3";
        case qcx::BayerSimdLevel::kAvx2: return "AVX2";
    }
    return "?";
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const auto options = ConsoleOptions(argc, argv);
        if (!TakeSimdFlag(argc, argv)) return 1;
        std::cout << "demosaic instruction set: " << SimdName(qcx::BayerSimdLevelInUse()) << "\n";
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
