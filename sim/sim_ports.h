// The I/O ports of a simulated camera's controller as the wires see them:
// each of ports C, D and E reads the level it drives on its output lines and
// the outside level on its input lines. The outside levels are pulled high
// unless a test drives them; which pins are the snap button, the general
// purpose lines and the lamps depends on the camera's model.
#pragma once

#include <array>
#include <cstdint>

namespace qcx {

class SimPorts {
public:
    static constexpr std::uint8_t kIoc = 0xA0;
    static constexpr std::uint8_t kIod = 0xB0;
    static constexpr std::uint8_t kIoe = 0xB1;
    static constexpr std::uint8_t kOec = 0xB4;
    static constexpr std::uint8_t kOed = 0xB5;
    static constexpr std::uint8_t kOee = 0xB6;

    explicit SimPorts(std::uint8_t deviceType);

    // The firmware's own direction settings at power-on, written into the
    // controller's registers.
    void PowerOn(std::array<std::uint8_t, 256>& sfrs) const;

    // What a read of special function register `address` returns: for a port
    // data register the pin levels, else the register.
    std::uint8_t Read(const std::array<std::uint8_t, 256>& sfrs, std::uint8_t address) const;

    void SetSnapButton(bool pressed);
    // Outside levels of the general purpose lines, line 0 in bit 0; false
    // for a camera without the lines.
    bool SetGpioInputs(std::uint8_t levels);
    // The levels of the general purpose lines as the wires carry them.
    bool GpioLevels(const std::array<std::uint8_t, 256>& sfrs, std::uint8_t* levels) const;
    // Lit lamps, lamp 0 in bit 0: both of a lamp's lines driven high. False
    // for a camera without lamps.
    bool Lamps(const std::array<std::uint8_t, 256>& sfrs, std::uint8_t* lamps) const;

private:
    int PortIndex(std::uint8_t address) const;

    const std::uint8_t deviceType_;
    std::array<std::uint8_t, 3> outside_{0xFF, 0xFF, 0xFF};  // ports C, D, E
};

}  // namespace qcx
