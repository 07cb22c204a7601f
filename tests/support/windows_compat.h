// The few POSIX calls the C-API tests use, for their Windows build (force-
// included there). Environment changes go to the process's environment
// block, which is where the library reads them, as well as to the C
// runtime's copy, which getenv reads.
#pragma once

#if defined(_WIN32)
#include <direct.h>
#include <stdio.h>
#include <stdlib.h>

#include <random>
#include <string>

extern "C" __declspec(dllimport) int __stdcall SetEnvironmentVariableA(const char* name, const char* value);

inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && getenv(name) != nullptr) return 0;
    // The C runtime drops a variable set to "", the system keeps it empty.
    _putenv_s(name, value);
    return SetEnvironmentVariableA(name, value) ? 0 : -1;
}

inline int unsetenv(const char* name) {
    _putenv_s(name, "");
    return SetEnvironmentVariableA(name, nullptr) ? 0 : -1;
}

inline char* mkdtemp(char* pattern) {
    std::string text(pattern);
    if (text.size() < 6 || text.compare(text.size() - 6, 6, "XXXXXX") != 0) return nullptr;
    static std::mt19937 random{std::random_device{}()};
    static const char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (std::size_t i = text.size() - 6; i < text.size(); ++i) text[i] = kLetters[random() % 36];
        if (_mkdir(text.c_str()) == 0) {
            text.copy(pattern, text.size());
            return pattern;
        }
    }
    return nullptr;
}

#define popen _popen
#define pclose _pclose
#endif
