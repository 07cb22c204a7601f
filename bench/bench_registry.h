// Registration of the benchmarks and the counters every one of them reports.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench/allocation_counter.h"
#include "bench/bench_frame.h"

namespace qcx::bench {

// Counter names shared by the benchmarks and the ratio report.
inline constexpr const char* kMegapixelsPerSecond = "MP/s";
inline constexpr const char* kAllocationsPerIteration = "allocs/iter";

// Call right before the timed loop; Finish after it sets the two counters.
class FrameCounters {
public:
    FrameCounters() : allocationsBefore_(AllocationCount()) {}
    void Finish(benchmark::State& state, const BenchFrame& frame) const {
        const auto allocations = static_cast<double>(AllocationCount() - allocationsBefore_);
        state.counters[kMegapixelsPerSecond] =
            benchmark::Counter(frame.megapixels(), benchmark::Counter::kIsIterationInvariantRate);
        state.counters[kAllocationsPerIteration] =
            benchmark::Counter(allocations, benchmark::Counter::kAvgIterations);
    }

private:
    std::uint64_t allocationsBefore_;
};

inline std::string BenchmarkName(const char* method, FrameSize size) {
    return std::string(method) + "/" + SizeSuffix(size);
}

// Each registers its methods for one frame size.
void RegisterOurMethods(FrameSize size);
void RegisterPeerMethods(FrameSize size);

// Which peer libraries this program was built with, for the report.
bool HaveOpenCv();
bool HaveDc1394();

}  // namespace qcx::bench
