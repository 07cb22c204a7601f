#include "camera/common/log_file.h"

#include <atomic>
#include <cstdarg>

namespace qcx {

namespace {
std::atomic<LocalClockFn> g_clock{nullptr};
}

void SetLogClock(LocalClockFn clock) { g_clock.store(clock); }

LocalTime LogClockNow() {
    LocalClockFn clock = g_clock.load();
    return clock != nullptr ? clock() : LocalTimeNow();
}

CLogFile::CLogFile(std::string path) : path_(std::move(path)) {
    stream_ = std::fopen(path_.c_str(), "a+");
}

CLogFile::~CLogFile() {
    if (stream_ != nullptr) std::fclose(stream_);
}

void CLogFile::Write(const char* text) {
    if (stream_ == nullptr || !writeToFile_) return;
    std::lock_guard<std::mutex> hold(lock_);
    const LocalTime t = LogClockNow();
    std::fprintf(stream_, "%04d-%02d-%02d %02d-%02d-%02d: %s\n", t.year, t.month, t.day, t.hour, t.minute,
                 t.second, text);
    std::fflush(stream_);
}

void LogPrintf(CLogFile* log, const char* format, ...) {
    if (log == nullptr) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    log->Write(text);
}

std::string LogFileName(unsigned deviceType, unsigned deviceNumber, unsigned firmwareVersion,
                        const LocalTime& t) {
    char name[128];
    std::snprintf(name, sizeof name, "QCXLOG_%d_%d_0x%04x_%02d%02d%02d%02d%02d%04d.log",
                  static_cast<int>(deviceType), static_cast<int>(deviceNumber), firmwareVersion, t.month,
                  t.day, t.hour, t.minute, t.second, t.millisecond);
    return name;
}

}  // namespace qcx
