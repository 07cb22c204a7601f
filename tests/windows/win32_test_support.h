// Small Win32 helpers of the Windows platform tests.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdint>
#include <string>

namespace win32_test {

inline bool MutexExists(const std::string& name) {
    HANDLE mutex = OpenMutexA(SYNCHRONIZE, FALSE, name.c_str());
    if (mutex == nullptr) return false;
    CloseHandle(mutex);
    return true;
}

// The process's open kernel handles, found by asking about every handle
// value in the low range the system hands out (GetProcessHandleCount is not
// answered everywhere).
inline int OpenHandles() {
    int count = 0;
    for (std::uintptr_t value = 4; value < 0x10000; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

// True once the process has at most one more open handle than `before`:
// handles that the system's own threads close a moment later are waited for,
// and one that Wine keeps open for itself on a new prefix is let pass. A test
// runs several rounds, so a handle left behind per round still shows.
inline bool HandlesBackTo(int before) {
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (OpenHandles() <= before + 1) return true;
        Sleep(50);
    }
    return false;
}

}  // namespace win32_test
