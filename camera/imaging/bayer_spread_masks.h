// Byte-shuffle masks shared by the vector kernels: they spread 16
// single-channel bytes over three 16-byte pieces of 3-byte pixels.
#pragma once

#include <cstdint>

namespace qcx::bayer {

// [piece][channel][byte]; -1 leaves the byte zero.
struct Spread24 {
    alignas(16) std::int8_t mask[3][3][16];
};

constexpr Spread24 MakeSpread24() {
    Spread24 s{};
    for (int piece = 0; piece < 3; ++piece) {
        for (int channel = 0; channel < 3; ++channel) {
            for (int i = 0; i < 16; ++i) {
                const int byte = piece * 16 + i;
                s.mask[piece][channel][i] = static_cast<std::int8_t>(byte % 3 == channel ? byte / 3 : -1);
            }
        }
    }
    return s;
}

inline constexpr Spread24 kSpread24 = MakeSpread24();

}  // namespace qcx::bayer
