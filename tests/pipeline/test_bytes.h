// Byte buffers shared by the colour pipeline tests.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

namespace qcx::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random() & 0xFF);
    return bytes;
}

}  // namespace qcx::test
