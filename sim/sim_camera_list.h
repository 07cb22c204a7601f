// The list of simulated cameras named by the QCX_SIM environment variable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qcx {

// What identifies one simulated camera: what its device-information request
// answers.
struct SimCameraIdentity {
    std::uint8_t deviceType = 0;
    std::uint8_t deviceNumber = 0;
    std::uint16_t firmwareVersion = 0x0100;
    // Reached over USB through a simulated bus (see SimUsbBus) instead of as
    // a simulated driver node.
    bool onUsb = false;

    friend bool operator==(const SimCameraIdentity&, const SimCameraIdentity&) = default;
};

inline constexpr std::uint16_t kDefaultSimFirmwareVersion = 0x0100;

struct SimCameraList {
    std::vector<SimCameraIdentity> cameras;
    std::vector<std::string> warnings;  // one line each, without the newline
};

// Parses `TYPE[:NUMBER[:FIRMWARE]]` entries separated by commas. TYPE and
// NUMBER are decimal 0..255, FIRMWARE decimal or 0x-hex 0..0xFFFF (default
// 0x0100). NUMBER defaults to the camera's position among the accepted
// entries, so "21,bad,8" gives cameras numbered 0 and 1. Whitespace around an
// entry is dropped; an entry that does not parse is skipped with a warning,
// never an error, because a typo in the environment must not stop the
// library. A `usb:` in front of an entry puts the camera on the simulated
// USB bus instead. An empty text gives no cameras and no warning.
SimCameraList ParseSimCameraList(std::string_view text);

}  // namespace qcx
