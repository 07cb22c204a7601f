// CLogFile: one camera's diagnostic log, a text file of time-stamped lines.
#pragma once

#include <cstdio>
#include <mutex>
#include <string>

#include "camera/platform/local_clock.h"

namespace qcx {

// Source of the local time for log names and lines; tests replace it.
using LocalClockFn = LocalTime (*)();
void SetLogClock(LocalClockFn clock);  // null restores the system clock
LocalTime LogClockNow();

class CLogFile {
public:
    // Opens `path` for appending, creating it when missing. A file that cannot
    // be opened leaves an object that writes nothing.
    explicit CLogFile(std::string path);
    virtual ~CLogFile();
    CLogFile(const CLogFile&) = delete;
    CLogFile& operator=(const CLogFile&) = delete;

    bool IsOpen() const { return stream_ != nullptr; }
    const std::string& Path() const { return path_; }

    // Appends "YYYY-MM-DD hh-mm-ss: text\n" and flushes.
    void Write(const char* text);

private:
    std::string path_;
    std::FILE* stream_ = nullptr;
    bool writeToFile_ = true;
    std::mutex lock_;  // serialises the lines of all threads of one camera
};

// Formats a message and writes it to `log`; a null log costs one test.
void LogPrintf(CLogFile* log, const char* format, ...) __attribute__((format(printf, 2, 3)));

// "QCXLOG_<type>_<number>_0x<firmware>_<MMDDhhmmss><msec>.log"
std::string LogFileName(unsigned deviceType, unsigned deviceNumber, unsigned firmwareVersion,
                        const LocalTime& openedAt);

}  // namespace qcx
