#include "cli/progress_line.h"

#include <cstdio>

#if defined(_WIN32)
#include <io.h>
#define QCX_ISATTY(fd) _isatty(fd)
#else
#include <unistd.h>
#define QCX_ISATTY(fd) isatty(fd)
#endif

#include "cli/command_support.h"

namespace qcxcli {

ProgressLine::ProgressLine(std::string unit)
    : unit_(std::move(unit)), start_(NowSeconds()), shown_(!verbosity.quiet && QCX_ISATTY(1) != 0) {}

ProgressLine::~ProgressLine() { Finish(); }

double ProgressLine::Elapsed() const { return NowSeconds() - start_; }

void ProgressLine::Update(long long count, double rate, const std::string& extra) {
    if (!shown_) return;
    const double now = NowSeconds();
    if (lastDraw_ >= 0 && now - lastDraw_ < 0.1) return;
    lastDraw_ = now;
    const double elapsed = now - start_;
    if (rate < 0) rate = elapsed > 0 ? static_cast<double>(count) / elapsed : 0.0;
    char text[200];
    std::snprintf(text, sizeof text, "%lld %s  %.1f/s  %.1f s%s%s", count, unit_.c_str(), rate, elapsed,
                  extra.empty() ? "" : "  ", extra.c_str());
    const std::string line = text;
    std::printf("\r%s%*s", line.c_str(), static_cast<int>(width_ > line.size() ? width_ - line.size() : 0), "");
    width_ = line.size();
    std::fflush(stdout);
}

void ProgressLine::Finish() {
    if (!shown_ || width_ == 0) return;
    std::printf("\r%*s\r", static_cast<int>(width_), "");
    std::fflush(stdout);
    width_ = 0;
}

}  // namespace qcxcli
