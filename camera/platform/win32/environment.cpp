#include "camera/platform/environment.h"

#include <windows.h>

namespace qcx {

std::string EnvironmentValue(const char* name) {
    char small[256];
    DWORD length = GetEnvironmentVariableA(name, small, sizeof small);
    if (length == 0) return std::string();
    if (length < sizeof small) return std::string(small, length);
    // Too long for the small buffer: `length` is the size it needs, zero
    // included. The value may change in between, so ask until it fits.
    std::string value;
    while (length != 0) {
        value.resize(length);
        const DWORD got = GetEnvironmentVariableA(name, value.data(), length);
        if (got < length) {
            value.resize(got);
            return value;
        }
        length = got;
    }
    return std::string();
}

}  // namespace qcx
