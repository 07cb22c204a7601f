// The console output of Google Benchmark, followed by a table that sets each
// of our methods beside its nearest peer and judges the speed ratio.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace qcx::bench {

class RatioReporter : public benchmark::ConsoleReporter {
public:
    explicit RatioReporter(OutputOptions options) : ConsoleReporter(options) {}
    void ReportRuns(const std::vector<Run>& runs) override;
    void Finalize() override;

private:
    struct Measure {
        double megapixelsPerSecond = 0.0;
        double allocationsPerIteration = 0.0;
        bool fromMedian = false;  // a median of repetitions beats any single one
    };
    const Measure* Find(const char* method, const std::string& sizeSuffix) const;
    void PrintTable(int width, int height);

    std::map<std::string, Measure> measures_;
};

}  // namespace qcx::bench
