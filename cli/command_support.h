// What every qcx command shares: the library session, device selection,
// status checks and the two kinds of failure a command ends with.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace qcxcli {

// A command line the tool cannot act on: exit status 2 with a one-line hint.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A library call that failed: the message carries the call, its status text
// and code; exit status 1.
class ApiError : public std::runtime_error {
public:
    ApiError(const std::string& message, int status) : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

// How much the tool says: --quiet leaves only results and errors, --verbose
// adds every library call with its status.
struct Verbosity {
    bool quiet = false;
    bool verbose = false;
};
extern Verbosity verbosity;

// QCX_GetErrorInfo's text of a status code.
std::string StatusText(int status);

// Reports a call under --verbose; throws ApiError unless it returned 1.
void Check(int status, const char* call);
// Reports a call under --verbose and hands back its status.
int Traced(int status, const char* call);

// QCX_Init for the lifetime of a command, QCX_UnInit after it (also when it
// fails, so preview, recording and log files are closed properly).
class LibrarySession {
public:
    LibrarySession();
    ~LibrarySession();
    LibrarySession(const LibrarySession&) = delete;
    LibrarySession& operator=(const LibrarySession&) = delete;

    // The library index that `spec` names: a plain index, or TYPE:NUMBER, a
    // device type (code or family name) and device number, as `qcx list`
    // shows them. Opens the camera; throws when it cannot be had.
    int Open(const std::string& spec);
};

// Sets an environment variable where the library reads it (before QCX_Init).
void SetEnvironment(const char* name, const std::string& value);

// A number in C notation: decimal, 0x hex or 0 octal; throws UsageError
// naming `what` for anything else or a value outside minimum ... maximum.
long long ParseInteger(const std::string& text, const char* what, long long minimum, long long maximum);
double ParseReal(const std::string& text, const char* what);
// "0x" and `digits` hex digits at least, as the tool prints addresses and values.
std::string Hex(unsigned long long value, int digits);
// Comma-separated integers, as --fov 0,0,640,480 takes them.
std::vector<long long> ParseIntegerList(const std::string& text, const char* what);

// The -d option every camera command takes.
void AddDeviceOption(CLI::App& command, std::string& spec);

// Milliseconds since an arbitrary start, for rates and elapsed times.
double NowSeconds();
void SleepMilliseconds(int milliseconds);

// True once Ctrl-C was pressed (long commands stop early and clean up).
bool Interrupted();
void WatchInterrupt();

}  // namespace qcxcli
