// The MT9V032 read-mode register (0x0D) and the enable bits of its chip
// loops: how address modes and switches map onto bits.
#pragma once

#include <cstdint>

namespace qcx::mt9v032 {

// Read mode: bits 0-1 row binning, bits 2-3 column binning, then the flips.
inline constexpr int kReadModeRowFlipBit = 4;
inline constexpr int kReadModeColumnFlipBit = 5;
inline constexpr int kRowBinningShift = 0;
inline constexpr int kColumnBinningShift = 2;

// 0xAF: bit 0 the chip's automatic exposure, bit 1 its automatic gain.
inline constexpr std::uint16_t kAecEnableBit = 0x0001;
inline constexpr std::uint16_t kAgcEnableBit = 0x0002;

// Binning field value -> address mode: none, by 2, by 4; the unused field
// value 3 reads as no binning.
inline constexpr int BinningToMode(unsigned field) {
    constexpr int kModes[4] = {0, 1, 3, 0};
    return kModes[field & 3u];
}

inline constexpr int RowModeOf(std::uint16_t readMode) { return BinningToMode(readMode >> kRowBinningShift); }
inline constexpr int ColumnModeOf(std::uint16_t readMode) { return BinningToMode(readMode >> kColumnBinningShift); }

// Address mode -> binning field value; -1 for a mode the chip cannot bin.
inline constexpr int ModeToBinning(int mode) {
    switch (mode) {
        case 0: return 0;
        case 1: return 1;
        case 3: return 2;
        default: return -1;
    }
}

}  // namespace qcx::mt9v032
