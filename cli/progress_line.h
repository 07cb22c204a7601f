// The one-line progress report of long work (sequences, preview, recording,
// EEPROM dumps): redrawn in place on a terminal, silent when stdout is a
// pipe or file or under --quiet.
#pragma once

#include <string>

namespace qcxcli {

class ProgressLine {
public:
    // `unit` names what is counted ("frames", "bytes").
    explicit ProgressLine(std::string unit);
    ~ProgressLine();

    // Redraws at most ten times a second; `rate` below 0 is computed from
    // the count and the elapsed time.
    void Update(long long count, double rate = -1.0, const std::string& extra = "");
    // Clears the line so that what follows starts on a clean line.
    void Finish();
    double Elapsed() const;
    bool shown() const { return shown_; }

private:
    std::string unit_;
    double start_;
    double lastDraw_ = -1.0;
    bool shown_;
    std::size_t width_ = 0;
};

}  // namespace qcxcli
