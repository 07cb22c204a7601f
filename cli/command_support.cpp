#include "cli/command_support.h"

#include <CLI/CLI.hpp>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "cli/camera_facts.h"
#include "qcxapi.h"

namespace qcxcli {

Verbosity verbosity;

std::string StatusText(int status) {
    char text[QCX_ERROR_TEXT_SIZE] = {};
    QCX_GetErrorInfo(status, text);
    return text;
}

int Traced(int status, const char* call) {
    if (verbosity.verbose) std::fprintf(stderr, "%-40s %3d  %s\n", call, status, StatusText(status).c_str());
    return status;
}

void Check(int status, const char* call) {
    if (Traced(status, call) != QCX_STATUS_SUCCESS)
        throw ApiError(std::string(call) + ": " + StatusText(status) + " (" + std::to_string(status) + ")", status);
}

LibrarySession::LibrarySession() { Check(QCX_Init(), "QCX_Init"); }

LibrarySession::~LibrarySession() { Traced(QCX_UnInit(), "QCX_UnInit"); }

namespace {

// Opens index after index until the camera of this type and number appears.
int FindByIdentity(const std::string& typeText, int number) {
    const bool byFamily = IsFamilyName(typeText);
    const int type = byFamily ? -1 : static_cast<int>(ParseInteger(typeText, "device type", 0, 255));
    const int count = QCX_DeviceGetCount();
    for (int index = 0; index < count; ++index) {
        int t = -1, n = -1;
        if (QCX_DeviceGetInformation(index, &t, &n, nullptr) != QCX_STATUS_SUCCESS) continue;
        const bool typeMatches = byFamily ? FamilyHasType(typeText, t) : t == type;
        if (typeMatches && n == number) return index;
    }
    return -1;
}

}  // namespace

int LibrarySession::Open(const std::string& spec) {
    const std::size_t colon = spec.find(':');
    const int count = QCX_DeviceGetCount();
    int index = -1;
    if (colon == std::string::npos) {
        index = static_cast<int>(ParseInteger(spec, "device index", 0, 31));
        // Indexes are bound to cameras in the order of their first use:
        // naming them in order gives index N the camera qcx list shows as N.
        for (int earlier = 0; earlier < index && earlier < count; ++earlier)
            Traced(QCX_DeviceGetInformation(earlier, nullptr, nullptr, nullptr), "QCX_DeviceGetInformation");
        if (index >= count) {
            throw ApiError("no camera " + spec + ": " + std::to_string(count) +
                               " camera(s) found (qcx list shows them; --simulate 21 adds a simulated one)",
                           QCX_STATUS_NO_DEVICE);
        }
    } else {
        const int number = static_cast<int>(ParseInteger(spec.substr(colon + 1), "device number", 0, 0xFFFF));
        index = FindByIdentity(spec.substr(0, colon), number);
        if (index < 0) throw ApiError("no camera " + spec + " among the " + std::to_string(count) + " found",
                                      QCX_STATUS_NO_DEVICE);
    }
    Check(QCX_DeviceGetInformation(index, nullptr, nullptr, nullptr), "QCX_DeviceGetInformation");
    return index;
}

void SetEnvironment(const char* name, const std::string& value) {
#if defined(_WIN32)
    SetEnvironmentVariableA(name, value.c_str());
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

long long ParseInteger(const std::string& text, const char* what, long long minimum, long long maximum) {
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(text.c_str(), &end, 0);
    if (text.empty() || end == nullptr || *end != '\0' || errno == ERANGE)
        throw UsageError(std::string(what) + " '" + text + "' is not a number");
    if (value < minimum || value > maximum) {
        throw UsageError(std::string(what) + " " + text + " is outside " + std::to_string(minimum) + " ... " +
                         std::to_string(maximum));
    }
    return value;
}

double ParseReal(const std::string& text, const char* what) {
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end == nullptr || *end != '\0' || value != value)
        throw UsageError(std::string(what) + " '" + text + "' is not a number");
    return value;
}

std::string Hex(unsigned long long value, int digits) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llx", digits, value);
    return text;
}

std::vector<long long> ParseIntegerList(const std::string& text, const char* what) {
    std::vector<long long> values;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        values.push_back(ParseInteger(text.substr(start, comma - start), what, -2147483648LL, 2147483647LL));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return values;
}

void AddDeviceOption(CLI::App& command, std::string& spec) {
    command.add_option("-d,--device", spec,
                       "Camera: an index as qcx list shows it, or TYPE:NUMBER, a device type (code or family "
                       "name) and device number")
        ->default_str("0");
}

double NowSeconds() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

void SleepMilliseconds(int milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

namespace {
std::atomic<bool> interrupted{false};
extern "C" void OnInterrupt(int) { interrupted.store(true); }
}  // namespace

bool Interrupted() { return interrupted.load(); }

void WatchInterrupt() {
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

}  // namespace qcxcli
