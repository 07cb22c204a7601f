#include "bench/ratio_report.h"

#include <cstdio>
#include <ostream>
#include <sstream>

#include "bench/bench_frame.h"
#include "bench/bench_names.h"
#include "bench/bench_registry.h"

namespace qcx::bench {
namespace {

enum class Judge {
    kRatio,     // ours / peer must reach the target
    kGoal,      // as kRatio, but a goal rather than a requirement
    kAbsolute,  // our MP/s must reach the target on its own
    kReport,    // shown, not judged
};

struct Pairing {
    const char* ours;
    const char* peer;  // null: no peer
    Judge judge;
    double target;
};

// Each of our methods beside the peer that does the nearest thing.
constexpr Pairing kPairings[] = {
    {names::kBlockCopy24, names::kDcNearest, Judge::kRatio, 1.0},
    {names::kBilinear24, names::kDcBilinear, Judge::kRatio, 1.0},
    {names::kBilinear24, names::kCvBayer, Judge::kGoal, 1.0},
    {names::kEdgeDirected24, names::kDcEdgeSense, Judge::kRatio, 1.0},
    {names::kEdgeDirected24, names::kCvBayerEa, Judge::kReport, 0.0},
    {names::kGradient24, names::kDcHqLinear, Judge::kRatio, 1.0},
    {names::kColourRatio24, names::kDcHqLinear, Judge::kRatio, 0.5},
    {names::kGrey, names::kCvBayerGrey, Judge::kRatio, 0.5},
    {names::kGammaContrastBrightness, names::kCvLut, Judge::kRatio, 0.33},
    {names::kSaturationWarm, nullptr, Judge::kAbsolute, 50.0},
    {names::kBlockCopy32, names::kDcNearest, Judge::kReport, 0.0},
    {names::kBilinear32, names::kDcBilinear, Judge::kReport, 0.0},
    {names::kBilinear32, names::kCvBayer, Judge::kReport, 0.0},
    {names::kEdgeDirected32, names::kDcEdgeSense, Judge::kReport, 0.0},
    {names::kEdgeDirected32, names::kCvBayerEa, Judge::kReport, 0.0},
    {names::kGradient32, names::kDcHqLinear, Judge::kReport, 0.0},
    {names::kColourRatio32, names::kDcHqLinear, Judge::kReport, 0.0},
    {names::kBlockCopy16, nullptr, Judge::kReport, 0.0},
    {names::kPatchRawEdges, nullptr, Judge::kReport, 0.0},
    {names::kCorrectBadPixels, nullptr, Judge::kReport, 0.0},
    {names::kSaturationFirst, nullptr, Judge::kReport, 0.0},
    {names::kColourCorrection, nullptr, Judge::kReport, 0.0},
};

// The one method allowed to allocate: the saturation cache may be created on
// a first frame.
constexpr const char* kMayAllocate = names::kSaturationFirst;

// The size at which the targets are set; the other size is for information.
constexpr FrameSize kJudgedSize = kFrameSizes[0];

std::string Format(const char* format, double value) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

}  // namespace

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred) continue;
        const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
        if (run.run_type == Run::RT_Aggregate && !median) continue;
        Measure& m = measures_[run.run_name.function_name];
        if (m.fromMedian && !median) continue;
        const auto mps = run.counters.find(kMegapixelsPerSecond);
        const auto allocs = run.counters.find(kAllocationsPerIteration);
        if (mps == run.counters.end()) continue;
        m.megapixelsPerSecond = mps->second.value;
        m.allocationsPerIteration = allocs == run.counters.end() ? 0.0 : allocs->second.value;
        m.fromMedian = median;
    }
}

const RatioReporter::Measure* RatioReporter::Find(const char* method, const std::string& sizeSuffix) const {
    if (method == nullptr) return nullptr;
    const auto it = measures_.find(std::string(method) + "/" + sizeSuffix);
    return it == measures_.end() ? nullptr : &it->second;
}

void RatioReporter::PrintTable(int width, int height) {
    const FrameSize size{width, height};
    const std::string suffix = SizeSuffix(size);
    const bool judged = width == kJudgedSize.width && height == kJudgedSize.height;
    std::ostringstream out;

    char line[256];
    out << "\nRatio report, " << width << " x " << height << ", one thread"
        << (judged ? "" : " (targets are set for the larger frame: verdicts for information)") << "\n";
    std::snprintf(line, sizeof line, "%-34s %9s %11s  %-24s %9s %7s  %-10s %s\n", "our method", "MP/s",
                  "allocs/iter", "peer method", "MP/s", "ratio", "target", "verdict");
    out << line << std::string(124, '-') << "\n";

    std::string allocationFaults;
    int printed = 0;
    for (const Pairing& p : kPairings) {
        const Measure* ours = Find(p.ours, suffix);
        if (ours == nullptr) continue;  // filtered out of this run
        const Measure* peer = Find(p.peer, suffix);
        ++printed;

        std::string peerName = p.peer == nullptr ? "-" : p.peer;
        std::string peerSpeed = "-", ratio = "-", target = "-", verdict = "-";
        if (p.peer != nullptr && peer == nullptr) {
            peerSpeed = "n/a";  // library not built in, or filtered out
            verdict = "n/a";
        }
        double measured = -1.0;
        if (peer != nullptr && peer->megapixelsPerSecond > 0.0) {
            peerSpeed = Format("%.1f", peer->megapixelsPerSecond);
            measured = ours->megapixelsPerSecond / peer->megapixelsPerSecond;
            ratio = Format("%.2f", measured);
        }
        switch (p.judge) {
        case Judge::kRatio:
            target = Format(">= %.2f", p.target);
            break;
        case Judge::kGoal:
            target = Format("goal %.2f", p.target);
            break;
        case Judge::kAbsolute:
            target = Format(">= %.0f MP/s", p.target);
            measured = ours->megapixelsPerSecond;
            break;
        case Judge::kReport:
            break;
        }
        if (p.judge != Judge::kReport && measured >= 0.0) verdict = measured >= p.target ? "PASS" : "MISS";

        std::snprintf(line, sizeof line, "%-34s %9.1f %11.2f  %-24s %9s %7s  %-10s %s\n", p.ours,
                      ours->megapixelsPerSecond, ours->allocationsPerIteration, peerName.c_str(),
                      peerSpeed.c_str(), ratio.c_str(), target.c_str(), verdict.c_str());
        out << line;
        if (ours->allocationsPerIteration > 0.0 && std::string(p.ours) != kMayAllocate &&
            allocationFaults.find(p.ours) == std::string::npos)
            allocationFaults += std::string(" ") + p.ours;
    }
    if (printed == 0) return;  // this size was filtered out
    out << "heap allocations per iteration: "
        << (allocationFaults.empty() ? "PASS (none but the saturation cache of a first frame)"
                                     : "MISS, allocating:" + allocationFaults)
        << "\n";
    GetOutputStream() << out.str() << std::flush;
}

void RatioReporter::Finalize() {
    for (const FrameSize size : kFrameSizes) PrintTable(size.width, size.height);
    if (!HaveOpenCv()) GetOutputStream() << "OpenCV was not found at build time: its rows read n/a.\n";
    if (!HaveDc1394()) GetOutputStream() << "libdc1394 was not found at build time: its rows read n/a.\n";
    ConsoleReporter::Finalize();
}

}  // namespace qcx::bench
