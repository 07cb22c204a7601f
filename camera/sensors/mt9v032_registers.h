// MT9V032 register addresses the driver uses and the names its log lines
// give every register address.
#pragma once

#include <cstdint>

namespace qcx::mt9v032 {

inline constexpr std::uint16_t MT9V032REG_COLUMN_START = 0x01;
inline constexpr std::uint16_t MT9V032REG_ROW_START = 0x02;
inline constexpr std::uint16_t MT9V032REG_WINDOW_HEIGHT = 0x03;
inline constexpr std::uint16_t MT9V032REG_WINDOW_WIDTH = 0x04;
inline constexpr std::uint16_t MT9V032REG_HORIZONTAL_BLANKING = 0x05;
inline constexpr std::uint16_t MT9V032REG_VERTICAL_BLANKING = 0x06;
inline constexpr std::uint16_t MT9V032REG_TOTAL_SHUTTER_WIDTH = 0x0B;
inline constexpr std::uint16_t MT9V032REG_READ_MODE = 0x0D;
inline constexpr std::uint16_t MT9V032REG_LED_OUT_CTRL = 0x1B;
inline constexpr std::uint16_t MT9V032REG_ADC_MODE_CONTROL = 0x1C;
inline constexpr std::uint16_t MT9V032REG_ANALOG_GAIN = 0x35;
inline constexpr std::uint16_t MT9V032REG_MAX_ANALOG_GAIN = 0x36;
inline constexpr std::uint16_t MT9V032REG_AEC_AGC_ENABLE = 0xAF;
inline constexpr std::uint16_t MT9V032REG_MAXIMUM_SHUTTER_WIDTH = 0xBD;
// Read straight from the chip, never shadowed.
inline constexpr std::uint16_t MT9V032REG_AGC_GAIN_OUTPUT = 0xBA;
inline constexpr std::uint16_t MT9V032REG_AEC_GAIN_OUTPUT = 0xBB;

// The registers the driver keeps copies of, in the order the chip is read
// at initialisation and written back after a reconnection.
inline constexpr std::uint16_t kShadowedRegisters[14] = {
    MT9V032REG_COLUMN_START,         MT9V032REG_ROW_START,       MT9V032REG_WINDOW_WIDTH,
    MT9V032REG_WINDOW_HEIGHT,        MT9V032REG_TOTAL_SHUTTER_WIDTH, MT9V032REG_ANALOG_GAIN,
    MT9V032REG_HORIZONTAL_BLANKING,  MT9V032REG_VERTICAL_BLANKING, MT9V032REG_AEC_AGC_ENABLE,
    MT9V032REG_MAXIMUM_SHUTTER_WIDTH, MT9V032REG_MAX_ANALOG_GAIN, MT9V032REG_LED_OUT_CTRL,
    MT9V032REG_READ_MODE,            MT9V032REG_ADC_MODE_CONTROL,
};
inline constexpr int kShadowCount = 14;

// Position of `reg` in kShadowedRegisters, or -1 for a register without copy.
inline constexpr int ShadowIndex(std::uint16_t reg) {
    for (int i = 0; i < kShadowCount; ++i)
        if (kShadowedRegisters[i] == reg) return i;
    return -1;
}

// The log name of a register address: its name where the table has one,
// otherwise "0X" and two upper-case hexadecimal digits.
const char* RegisterName(std::uint8_t reg);

}  // namespace qcx::mt9v032
