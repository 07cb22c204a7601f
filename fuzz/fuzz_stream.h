// The fuzz input as a read-only stdio stream, so the parsers run the same
// stream code as when they load a real file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace qcx::fuzz {

class InputStream {
public:
    InputStream(const std::uint8_t* data, std::size_t size) {
        // fmemopen wants a writable pointer even for reading; "rb" never writes.
        static char empty[1];
        void* buffer = size == 0 ? static_cast<void*>(empty) : static_cast<void*>(const_cast<std::uint8_t*>(data));
        file_ = fmemopen(buffer, size, "rb");
    }
    ~InputStream() {
        if (file_ != nullptr) std::fclose(file_);
    }
    InputStream(const InputStream&) = delete;
    InputStream& operator=(const InputStream&) = delete;

    std::FILE* get() const { return file_; }

private:
    std::FILE* file_ = nullptr;
};

inline std::uint32_t LittleEndian32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// A broken invariant is a finding: say which, then abort so libFuzzer keeps
// the input.
[[noreturn]] inline void Fail(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

inline void Check(bool condition, const char* what) {
    if (!condition) Fail(what);
}

}  // namespace qcx::fuzz
